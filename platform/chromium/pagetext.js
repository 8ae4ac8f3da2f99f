// One call gives all that is read from a completed page:
//   text      the document element's inner markup written the way the classic
//             results pages' reader expects it: attribute values that need no
//             quotes are written bare; empty on a page of today's markup,
//             whose results are read from the live document instead;
//   address   the document's address;
//   results   the links of today's organic results, in page order;
//   titles    their headings, one for each;
//   pages     the links that may lead to another results page;
//   features  on a page of today's markup, what else it shows: ads above and
//             below the results, a featured answer's source, an AI overview,
//             the links it cites in the order shown and whether it was still
//             being generated, a questions block, the places block's
//             businesses in order (name, website, Maps address); null on
//             other pages;
//   shape     on a page without organic results, what it shows of itself:
//             its forms, its results column, a dialog that covers it, a
//             captcha, a message saying that nothing was found, and its links
//             (a notice bar's are the page's own); null otherwise.
(function () {
    var root = document.documentElement;
    if (!root)
        return null;

    // An organic result is a link that holds the result's title, inside
    // the results container, in the order shown. Ads and the blocks that mix
    // in (questions, video carousels, news, places, related searches, an AI
    // overview, any section with a heading of its own) hold headed links too,
    // and are left out, whatever markup their cards use. Answers to the
    // questions lie in scripts and are no links at all. A featured answer's
    // source is a result, at the answer's place, titled or not: the page does
    // not repeat it below. An app's install card is none. A single video
    // result is a result like any other; its key moments and chapters, links
    // to the same video at given times, are part of it, as a forum result's
    // rows of further threads are.
    var containers = '#rso, #main, #search, #res';
    var ads = '#tads, #tadsb, #bottomads, [data-text-ad], [aria-label="Annunci"]';
    // The page's own header and footer: sign-in, settings, help, privacy.
    var pageChrome = 'header, footer, #gb, #footcnt, #fbar, [role="banner"], [role="contentinfo"]';
    var featuredBlocks = 'block-component, [data-featured]';
    var leftOut = '.related-question-pair, [data-initq], g-section-with-header, ' +
        'g-scrolling-carousel, g-inner-card, #botstuff, ' +
        '[data-block], [role="complementary"], [data-cid], .pla-unit, .commercial-unit-mobile-top, ' +
        '.commercial-unit-desktop-top';
    var sponsored = /^(Sponsorizzat[oa]|Annuncio|Sponsored|Ad)$/;
    var aiHeadings = ['Panoramica AI', "Panoramica creata con l'AI", 'Panoramica creata con l\u2019AI', 'AI Overview'];
    var questionHeadings = ['Altre domande', 'People also ask'];
    var placeHeadings = ['Luoghi', 'Places', 'Attivit\u00e0 commerciali', 'Businesses'];
    // A business's address on Maps: Google's maps host, or its /maps path;
    // the way there ("/maps/dir/") is none.
    var mapsAddress = /^https?:\/\/(?:maps\.google\.[a-z.]+\/|(?:www\.)?google\.[a-z.]+\/maps[\/?])/;
    var mapsRoute = /\/maps\/dir\//;
    var headings = 'h1, h2, h3, h4, h5, h6, [role="heading"]';
    // An app's install card: a link to an app store beside an install button.
    var appStore = /^https?:\/\/(?:play\.google\.com\/store\/apps|apps\.apple\.com|itunes\.apple\.com)\//;
    var install = /^(?:Installa|Install|Installieren|Installer|Instalar|\u0423\u0441\u0442\u0430\u043d\u043e\u0432\u0438\u0442\u044c)$/i;
    // A result's title is its heading: an h3, or on a phone's page, where no
    // link holds an h3, an element that is a heading by its role.
    var title = document.querySelector('a[href] h3') || !document.querySelector('a[href] [role="heading"]')
              ? 'h3' : '[role="heading"]';
    // A block of the page: what stands under the results area, or under the
    // column around it.
    var blockParents = '#rso, #center_col, #rcnt, #main, #search, #res, body';

    function isSponsored(link) {
        // The label stands beside the link, within the result's own block:
        // the ancestors up to the first that holds another heading.
        for (var block = link.parentElement; block && !block.matches(containers); block = block.parentElement) {
            if (block.querySelectorAll(title).length > 1)
                break;
            var labels = block.querySelectorAll('span, div');
            for (var i = 0; i < labels.length; ++i) {
                if (labels[i].childElementCount === 0 && sponsored.test(labels[i].textContent.trim()))
                    return true;
            }
        }
        return false;
    }

    function visible(element) {
        if (element.checkVisibility)
            return element.checkVisibility({checkOpacity: true, checkVisibilityCSS: true});
        return element.getClientRects().length > 0 && getComputedStyle(element).visibility !== 'hidden';
    }

    // The elements whose whole text is one of the labels, outside links: a
    // result titled with the same words is no heading of a block.
    function labelled(labels) {
        var test = labels.map(function (label) { return 'normalize-space()="' + label + '"'; }).join(' or ');
        var found = [];
        var texts = document.evaluate('//body//text()[' + test + ']', document, null,
                                      XPathResult.ORDERED_NODE_SNAPSHOT_TYPE, null);
        for (var i = 0; i < texts.snapshotLength; ++i) {
            var element = texts.snapshotItem(i).parentElement;
            if (element && !element.closest('a, script, style'))
                found.push(element);
        }
        return found;
    }

    function count(links, block) {
        var n = 0;
        for (var i = 0; i < links.length; ++i)
            n += block.contains(links[i]) ? 1 : 0;
        return n;
    }

    // An AI overview is the block around a visible heading: the heading's
    // block under the results column, where that leaves organic results
    // beside it; where it would take in every headed link of the page (a
    // label inside the results' own wrapper), only as much as holds none of
    // them. A hidden label, or a block that only says the overview is not
    // available, is none. One still being generated when the page had to be
    // read (marked so by the settling, pagesettle.js) is an overview not
    // complete, with the sources it already shows.
    var unavailable = /not available|non (?:\u00e8 )?disponibile/i;

    function stillGenerating(block) {
        return block.matches('[data-cerca-generazione]') || block.querySelector('[data-cerca-generazione]') !== null;
    }

    function overviewBlock(heading, candidates) {
        if (!visible(heading))
            return null;
        var block = heading;
        while (block.parentElement && !block.parentElement.matches(blockParents))
            block = block.parentElement;
        if (candidates.length > 0 && count(candidates, block) === candidates.length) {
            block = heading;
            while (block.parentElement && !block.parentElement.matches(blockParents)
                   && count(candidates, block.parentElement) === 0)
                block = block.parentElement;
        }
        if (!block.querySelector('a[href]')) {
            var rest = block.textContent.replace(heading.textContent, '').trim();
            if (rest === '' || (unavailable.test(rest) && !stillGenerating(block)))
                return null;
        }
        return block;
    }

    // Whether an element holds any text of its own, scripts and styles aside;
    // it stops at the first word.
    function hasText(element) {
        var walker = document.createTreeWalker(element, NodeFilter.SHOW_TEXT);
        for (var text = walker.nextNode(); text; text = walker.nextNode()) {
            if (text.data.trim() !== '' && !text.parentElement.closest('script, style'))
                return true;
        }
        return false;
    }

    function holdsMoreThan(parent, child) {
        for (var node = parent.firstChild; node; node = node.nextSibling) {
            if (node !== child && (node.nodeType === Node.TEXT_NODE ? node.data.trim() !== ''
                                   : node.nodeType === Node.ELEMENT_NODE && hasText(node)))
                return true;
        }
        return false;
    }

    // The sections among the results: a visible heading outside links, and
    // the first block around it that holds more than the heading. A block
    // that holds no result, or every one of them (a heading of the results
    // themselves), is none.
    function sectionsOf(candidates) {
        var sections = [];
        var found = document.querySelectorAll(headings);
        for (var i = 0; i < found.length; ++i) {
            var heading = found[i];
            if (heading.closest('a[href]') || !heading.closest(containers) || !hasText(heading) || !visible(heading))
                continue;
            var block = heading;
            while (block.parentElement && !block.parentElement.matches(blockParents)
                   && !holdsMoreThan(block.parentElement, block))
                block = block.parentElement;
            var section = block.parentElement;
            if (!section || section.matches(blockParents))
                continue;
            var held = count(candidates, section);
            if (held > 0 && held < candidates.length)
                sections.push({heading: heading, block: section});
        }
        return sections;
    }

    // Under a section's heading: in its block, after the heading.
    function inSectionOf(sections, element) {
        return sections.some(function (section) {
            return !section.heading.contains(element) && section.block.contains(element)
                && (section.heading.compareDocumentPosition(element) & Node.DOCUMENT_POSITION_FOLLOWING) !== 0;
        });
    }

    // The address a link leads to, a wrapped one unwrapped.
    function targetOf(link) {
        try {
            var url = new URL(link.href);
            if (url.host === location.host && url.pathname === '/url')
                url = new URL(url.searchParams.get('q') || url.searchParams.get('url') || '', location.href);
            return url;
        } catch (e) {
            return null;
        }
    }

    // A link to the same video as the result before it, at a given time.
    function sameVideoAt(link, previous) {
        var target = targetOf(link);
        if (!previous || !target || !(target.searchParams.has('t') || /^#t=/.test(target.hash)))
            return false;
        var before = targetOf(previous);
        target.searchParams.delete('t');
        target.hash = '';
        if (before) {
            before.searchParams.delete('t');
            before.hash = '';
        }
        return before !== null && before.href === target.href;
    }

    // The result's own block: its ancestors that hold no other result.
    function ownBlock(link, candidates) {
        var block = link;
        while (block.parentElement && !block.parentElement.matches(containers) && count(candidates, block.parentElement) === 1)
            block = block.parentElement;
        return block;
    }

    function isInstallCard(link, candidates) {
        var target = targetOf(link);
        if (!target || !appStore.test(target.href))
            return false;
        var actions = ownBlock(link, candidates).querySelectorAll('a, button, [role="button"]');
        for (var i = 0; i < actions.length; ++i) {
            if (install.test(actions[i].textContent.trim()))
                return true;
        }
        return false;
    }

    // A featured answer's source: its first headed link, or where its source
    // shows no title (a phone's answer), its first link that leaves the engine.
    function sourceOf(featured) {
        var heading = featured.querySelector('a[href] ' + title);
        if (heading)
            return heading.closest('a[href]');
        var links = featured.querySelectorAll('a[href]');
        for (var i = 0; i < links.length; ++i) {
            var target = targetOf(links[i]);
            if (target && target.host !== location.host && /^https?:$/.test(target.protocol))
                return links[i];
        }
        return null;
    }

    function titleOf(link) {
        var heading = link.querySelector(title) || link.querySelector('span') || link;
        return heading.textContent.trim();
    }

    function headedLinks() {
        var links = [];
        var headings = document.querySelectorAll('a[href] ' + title);
        for (var i = 0; i < headings.length; ++i) {
            var link = headings[i].closest('a[href]');
            if (links[links.length - 1] !== link)
                links.push(link);
        }
        return links;
    }

    // The places block (the local pack): the block around a visible heading
    // that holds links to Maps. A business is the largest part of it that
    // holds one Maps address: its name is its heading (or its Maps link's
    // text), its website the link that leaves the engine and Maps.
    function onMaps(target) {
        return mapsAddress.test(target.href) || (target.host === location.host && /^\/maps/.test(target.pathname));
    }

    function isMaps(link) {
        var target = targetOf(link);
        return target !== null && onMaps(target) && !mapsRoute.test(target.pathname);
    }

    function packOf() {
        var headingsFound = labelled(placeHeadings).filter(visible);
        for (var h = 0; h < headingsFound.length; ++h) {
            var block = headingsFound[h];
            while (block.parentElement && !block.parentElement.matches(blockParents)
                   && !Array.prototype.some.call(block.querySelectorAll('a[href]'), isMaps))
                block = block.parentElement;
            var mapsLinks = Array.prototype.filter.call(block.querySelectorAll('a[href]'), isMaps);
            if (mapsLinks.length === 0)
                continue;
            var entries = [];
            var seen = [];
            mapsLinks.forEach(function (link) {
                var entry = link;
                while (entry.parentElement && entry.parentElement !== block
                       && Array.prototype.filter.call(entry.parentElement.querySelectorAll('a[href]'), isMaps)
                              .every(function (other) { return other.href === link.href || entry.contains(other); })
                       && !entry.parentElement.contains(headingsFound[h]))
                    entry = entry.parentElement;
                if (seen.indexOf(entry) >= 0 || seen.some(function (known) { return known.contains(entry); }))
                    return;
                seen.push(entry);
                var name = entry.querySelector(headings) || link;
                var website = '';
                entry.querySelectorAll('a[href]').forEach(function (other) {
                    var target = targetOf(other);
                    if (website === '' && target && !onMaps(target) && target.host !== location.host && /^https?:$/.test(target.protocol))
                        website = target.href;
                });
                entries.push({name: name.textContent.trim(), website: website, maps: targetOf(link).href});
            });
            return entries;
        }
        return [];
    }

    function readPage() {
        var page = {results: [], titles: [], features: null};
        // A classic page is read from its text alone.
        if (document.querySelector('h3[class="r"]') || !document.querySelector(containers))
            return page;
        var adLinks = [];
        var candidates = [];
        var links = headedLinks();
        var untitled = 0;
        document.querySelectorAll(featuredBlocks).forEach(function (featured) {
            var source = featured.closest(containers) && !featured.querySelector('a[href] ' + title) ? sourceOf(featured) : null;
            if (source)
                untitled = links.push(source);
        });
        if (untitled > 0)
            links.sort(function (a, b) { return a.compareDocumentPosition(b) & Node.DOCUMENT_POSITION_FOLLOWING ? -1 : 1; });
        for (var i = 0; i < links.length; ++i) {
            var link = links[i];
            if (link.closest(ads) || (link.closest(containers) && isSponsored(link)))
                adLinks.push(link);
            else if (link.closest(containers) && !link.closest(leftOut) && !link.closest(pageChrome))
                candidates.push(link);
        }
        // An overview inside a section (an aspect of "Things to know") is the section's.
        var sections = sectionsOf(candidates);
        var aiBlocks = labelled(aiHeadings).filter(function (heading) { return !inSectionOf(sections, heading); })
                                           .map(function (heading) { return overviewBlock(heading, candidates); })
                                           .filter(function (block) { return block !== null; });
        var inAiOverview = function (element) {
            return aiBlocks.some(function (block) { return block.contains(element); });
        };
        var features = {adsTop: 0, adsBottom: 0, featured: '', aiOverview: aiBlocks.length > 0, aiCited: [], pack: packOf(),
                        aiLoading: aiBlocks.some(stillGenerating),
                        questions: document.querySelector('.related-question-pair, [data-initq]') !== null
                                   || labelled(questionHeadings).length > 0};
        var firstResult = null;
        var previous = null;
        for (var c = 0; c < candidates.length; ++c) {
            var candidate = candidates[c];
            if (inAiOverview(candidate))
                continue;
            var featured = candidate.closest(featuredBlocks);
            if (featured) {
                if (features.featured !== '' || sourceOf(featured) !== candidate)
                    continue;
                features.featured = candidate.href;
            } else if (inSectionOf(sections, candidate) || sameVideoAt(candidate, previous)
                       || isInstallCard(candidate, candidates)) {
                continue;
            }
            firstResult = firstResult || candidate;
            previous = candidate;
            page.results.push(candidate.href);
            page.titles.push(titleOf(candidate));
        }
        for (var a = 0; a < adLinks.length; ++a) {
            var below = firstResult ? (firstResult.compareDocumentPosition(adLinks[a]) & Node.DOCUMENT_POSITION_FOLLOWING) !== 0
                                    : adLinks[a].closest('#tadsb, #bottomads') !== null;
            if (below)
                ++features.adsBottom;
            else
                ++features.adsTop;
        }
        aiBlocks.forEach(function (block) {
            block.querySelectorAll('a[href]').forEach(function (link) {
                if (features.aiCited.indexOf(link.href) < 0)
                    features.aiCited.push(link.href);
            });
        });
        if (page.results.length > 0)
            page.features = features;
        return page;
    }

    // The engine's words for a search that found nothing, in the languages
    // seen so far; they confirm a page without results, and are never needed.
    var nothingFound = new RegExp('did not match any documents|non ha prodotto (?:alcun )?risultat|'
                                  + '\u043d\u0438\u0447\u0435\u0433\u043e \u043d\u0435 \u043d\u0430\u0439\u0434\u0435\u043d\u043e|'
                                  + 'ergab keine Treffer|aucun document ne correspond|no (?:ha )?obtuvo ning\u00fan resultado');
    var maxLinks = 200;
    var dialogs = '[role="dialog"], [role="alertdialog"], [aria-modal="true"], dialog[open]';

    function modal(dialog) {
        try {
            return dialog.matches(':modal');
        } catch (e) {
            return false;
        }
    }

    // A dialog covers the page when it is modal, or when it, or the layer it
    // stands on, takes most of the first screen.
    function coversThePage(dialog) {
        if (dialog.getAttribute('aria-modal') === 'true' || modal(dialog))
            return true;
        var screen = innerWidth * innerHeight;
        for (var layer = dialog; layer && layer !== document.body; layer = layer.parentElement) {
            if (layer !== dialog && getComputedStyle(layer).position !== 'fixed')
                continue;
            var box = layer.getBoundingClientRect();
            var width = Math.min(box.right, innerWidth) - Math.max(box.left, 0);
            var height = Math.min(box.bottom, innerHeight) - Math.max(box.top, 0);
            if (width > 0 && height > 0 && width * height > screen / 2)
                return true;
        }
        return false;
    }

    function shapeOf() {
        var shape = {searchForm: false, resultsColumn: document.querySelector(containers + ', #center_col') !== null,
                     otherForms: [], captcha: false, dialog: false, noResultsMessage: false, links: []};
        shape.captcha = document.querySelector('#captcha-form, .g-recaptcha, [data-sitekey], iframe[src*="recaptcha"]') !== null;
        // The dialogs that cover the page ask; the notice bars that leave it
        // usable are part of the page's chrome, their forms and links too.
        var bars = [];
        document.querySelectorAll(dialogs).forEach(function (dialog) {
            if (!visible(dialog))
                return;
            if (coversThePage(dialog))
                shape.dialog = true;
            else
                bars.push(dialog);
        });
        var inBar = function (element) {
            return bars.some(function (bar) { return bar.contains(element); });
        };
        document.querySelectorAll('form').forEach(function (form) {
            if (inBar(form))
                return;
            var path = '';
            try { path = new URL(form.action, document.baseURI).pathname; } catch (e) {}
            if (/\/search$/.test(path))
                shape.searchForm = true;
            else
                shape.otherForms.push(form.action);
        });
        shape.noResultsMessage = document.body !== null && nothingFound.test(document.body.innerText);
        var links = document.querySelectorAll('a[href]');
        for (var i = 0; i < links.length && shape.links.length < maxLinks; ++i) {
            if (!links[i].closest(ads) && !links[i].closest(pageChrome) && !inBar(links[i])
                && shape.links.indexOf(links[i].href) < 0)
                shape.links.push(links[i].href);
        }
        return shape;
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

    var page = readPage();
    return {text: page.results.length > 0 ? '' : pageText(root.innerHTML), address: document.location.href,
            results: page.results, titles: page.titles, pages: pageLinks(), features: page.features,
            shape: page.results.length > 0 ? null : shapeOf()};
})();
