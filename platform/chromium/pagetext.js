// One call gives all that is read from a completed page:
//   text     the document element's inner markup written the way the classic
//            results pages' reader expects it: attribute values that need no
//            quotes are written bare; empty on a page of today's markup,
//            whose results are read from the live document instead;
//   address  the document's address;
//   results  the links of today's organic results, in page order;
//   pages    the links that may lead to another results page.
(function () {
    var root = document.documentElement;
    if (!root)
        return null;

    // An organic result is a link that holds the result's heading, inside
    // the results container. Ads and the blocks that mix in (featured answer,
    // questions, videos, news, places, related searches) hold headed links
    // too, and are left out. Answers to the questions lie in scripts and are
    // no links at all.
    var containers = '#rso, #main, #search, #res';
    var leftOut = '#tads, #tadsb, #bottomads, [data-text-ad], [aria-label="Annunci"], ' +
        'block-component, .related-question-pair, [data-initq], g-section-with-header, ' +
        'g-scrolling-carousel, video-voyager, g-inner-card, #botstuff, [data-featured], ' +
        '[data-block], [role="complementary"]';
    var sponsored = /^(Sponsorizzat[oa]|Annuncio|Sponsored|Ad)$/;

    function isSponsored(link) {
        // The label stands beside the link, within the result's own block:
        // the ancestors up to the first that holds another heading.
        for (var block = link.parentElement; block && !block.matches(containers); block = block.parentElement) {
            if (block.querySelectorAll('h3').length > 1)
                break;
            var labels = block.querySelectorAll('span, div');
            for (var i = 0; i < labels.length; ++i) {
                if (labels[i].childElementCount === 0 && sponsored.test(labels[i].textContent.trim()))
                    return true;
            }
        }
        return false;
    }

    function resultLinks() {
        var found = [];
        // A classic page is read from its text alone.
        if (document.querySelector('h3[class="r"]') || !document.querySelector(containers))
            return found;
        var headings = document.querySelectorAll('a[href] h3');
        var last = null;
        for (var i = 0; i < headings.length; ++i) {
            var link = headings[i].closest('a[href]');
            if (link === last || !link.closest(containers) || link.closest(leftOut) || isSponsored(link))
                continue;
            last = link;
            found.push(link.href);
        }
        return found;
    }

    function pageLinks() {
        var found = [];
        var links = document.querySelectorAll('a[href*="start="]');
        for (var i = 0; i < links.length; ++i)
            found.push(links[i].href);
        return found;
    }

    // The page text is the engine's own serialization, rewritten where the
    // reader expects otherwise: a walk over the nodes from script costs six
    // times as much. What innerHTML writes differently:
    //   attribute values that need no quotes are written bare;
    //   U+00A0 is written as "&nbsp;" in text and values, as itself here;
    //   "<" and ">" in values are written "&lt;" and "&gt;", as themselves here;
    //   the text of noscript, xmp, iframe, noembed, noframes and plaintext is
    //   written raw, and escaped here (only script and style stay raw);
    //   basefont, bgsound, frame and keygen have no end tag there, one here.
    var rawElements = 'script|style|noscript|xmp|iframe|noembed|noframes|plaintext';
    var escapedElements = {noscript: 1, xmp: 1, iframe: 1, noembed: 1, noframes: 1, plaintext: 1};
    var endTagAdded = 'basefont|bgsound|frame|keygen';
    var tagRest = '(?: [^\\s=>]+="[^"]*")*>';   // the attributes of a start tag as innerHTML writes them
    var bareValues = /="([A-Za-z0-9_.\-]+)"/g;
    var nbsp = /&nbsp;/g;

    function valuesAsWritten(tag) {
        return tag.replace(nbsp, '\u00a0').replace(/&lt;/g, '<').replace(/&gt;/g, '>');
    }

    function escapeText(text) {
        return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
    }

    function pageText(html) {
        // Left to right, so that values, text runs, comments and the text of
        // raw elements are each taken whole: a value that needs no quotes
        // loses them, anything else stays as it is.
        var text = html.replace(new RegExp('(=)"([A-Za-z0-9_.\\-]+)"|(<!--[\\s\\S]*?-->|<(' + rawElements + ')\\b' + tagRest
                                           + '[\\s\\S]*?<\\/\\4>|>[^<]*|="[^"]*")', 'g'), '$1$2$3');
        // What is left is rare, and worth a call each: the start tags of raw
        // elements and their text, "&nbsp;", the elements without end tag
        // there, start tags whose values hold "&lt;" or "&gt;" (outside raw
        // text and comments, a start tag holds no other "<" or ">").
        return text.replace(new RegExp('<!--[\\s\\S]*?-->|<(' + rawElements + ')\\b(' + tagRest + ')([\\s\\S]*?)(?=<\\/\\1>)'
                                       + '|<(' + endTagAdded + ')\\b[^<>]*>|(<[A-Za-z][^<>]*&[lg]t;[^<>]*>)'
                                       + '|="[^"<]*<[^"]*"|&nbsp;', 'g'),
                            function (match, raw, rawTag, rawText, endless, escapedTag) {
            if (raw !== undefined) {
                var tag = '<' + raw + valuesAsWritten(rawTag.replace(bareValues, '=$1'));
                return tag + (escapedElements[raw.toLowerCase()] === 1 ? escapeText(rawText) : rawText);
            }
            if (endless !== undefined)
                return match + '</' + endless + '>';
            if (escapedTag !== undefined)
                return valuesAsWritten(escapedTag);
            return match.charCodeAt(1) === 33 ? match : match.replace(nbsp, '\u00a0');   // a comment, or not
        });
    }

    var results = resultLinks();
    return {text: results.length > 0 ? '' : pageText(root.innerHTML), address: document.location.href,
            results: results, pages: pageLinks()};
})();
