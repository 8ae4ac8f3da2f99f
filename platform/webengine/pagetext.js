// One call gives all that is read from a completed page:
//   text     the document element's inner markup written the way the classic
//            results pages' reader expects it: attribute values that need no
//            quotes are written bare;
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
        var area = document.querySelectorAll(containers);
        if (area.length === 0)
            return found;
        var links = document.querySelectorAll('a[href]');
        for (var i = 0; i < links.length; ++i) {
            var link = links[i];
            if (!link.querySelector('h3') || !link.closest(containers) || link.closest(leftOut) || isSponsored(link))
                continue;
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

    var voidElements = {area: 1, base: 1, br: 1, col: 1, embed: 1, hr: 1, img: 1, input: 1,
                        link: 1, meta: 1, param: 1, source: 1, track: 1, wbr: 1};
    var rawText = {script: 1, style: 1};
    var bare = /^[A-Za-z0-9_.\-]+$/;
    var out = [];

    function escapeText(text) {
        return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
    }
    function escapeAttribute(value) {
        return value.replace(/&/g, '&amp;').replace(/"/g, '&quot;');
    }
    function writeChildren(node, raw) {
        for (var child = node.firstChild; child; child = child.nextSibling)
            write(child, raw);
    }
    function write(node, raw) {
        switch (node.nodeType) {
        case Node.ELEMENT_NODE: {
            var name = node.localName;
            out.push('<', name);
            var attributes = node.attributes;
            for (var i = 0; i < attributes.length; ++i) {
                var value = attributes[i].value;
                out.push(' ', attributes[i].name, '=');
                if (value.length > 0 && bare.test(value))
                    out.push(value);
                else
                    out.push('"', escapeAttribute(value), '"');
            }
            out.push('>');
            if (voidElements[name])
                return;
            writeChildren(name === 'template' && node.content ? node.content : node,
                          rawText[name] === 1);
            out.push('</', name, '>');
            return;
        }
        case Node.TEXT_NODE:
        case Node.CDATA_SECTION_NODE:
            out.push(raw ? node.data : escapeText(node.data));
            return;
        case Node.COMMENT_NODE:
            out.push('<!--', node.data, '-->');
            return;
        default:
            writeChildren(node, false);
        }
    }
    writeChildren(root, false);
    return {text: out.join(''), address: document.location.href, results: resultLinks(), pages: pageLinks()};
})();
