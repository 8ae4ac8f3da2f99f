// The document as it is read, to be kept and read again: its markup without
// what no reading uses and what weighs most (scripts, style sheets, inline
// pictures written as data: addresses, the drawings inside inline SVG
// pictures). An element that the page hid with its style sheets is marked
// hidden, so that without them it stays out of sight.
(function () {
    var root = document.documentElement;
    if (!root)
        return '';
    var shown = function (element) {
        if (element.checkVisibility)
            return element.checkVisibility({checkOpacity: true, checkVisibilityCSS: true});
        return element.getClientRects().length > 0 && getComputedStyle(element).visibility !== 'hidden';
    };
    var copy = root.cloneNode(true);
    // The copy's elements stand in the same order as the page's.
    var live = root.getElementsByTagName('*');
    var copied = copy.getElementsByTagName('*');
    var hide = [];
    var skip = /^(HEAD|SCRIPT|STYLE|LINK|META|TITLE|NOSCRIPT|TEMPLATE|BR|WBR|OPTION)$/;
    for (var i = 0; i < live.length && i < copied.length; ++i) {
        var element = live[i];
        if (skip.test(element.tagName) || element.closest('head'))
            continue;
        var parent = element.parentElement;
        if (!shown(element) && (!parent || parent === root || shown(parent)))
            hide.push(copied[i]);
    }
    hide.forEach(function (element) { element.setAttribute('hidden', ''); });
    var gone = copy.querySelectorAll('script, style, link[rel~="stylesheet"], link[rel~="preload"], link[as]');
    for (var j = 0; j < gone.length; ++j)
        gone[j].remove();
    var svgs = copy.querySelectorAll('svg');
    for (var k = 0; k < svgs.length; ++k)
        svgs[k].replaceChildren();
    var pictures = copy.querySelectorAll('[src^="data:"], [srcset*="data:"], [href^="data:"], [style*="data:"]');
    for (var m = 0; m < pictures.length; ++m) {
        var picture = pictures[m];
        if ((picture.getAttribute('src') || '').startsWith('data:'))
            picture.setAttribute('src', '');
        if ((picture.getAttribute('href') || '').startsWith('data:'))
            picture.setAttribute('href', '');
        if ((picture.getAttribute('srcset') || '').indexOf('data:') >= 0)
            picture.removeAttribute('srcset');
        var style = picture.getAttribute('style');
        if (style && style.indexOf('data:') >= 0)
            picture.setAttribute('style', style.replace(/url\(\s*['"]?data:[^)]*\)/g, 'none'));
    }
    var doctype = document.doctype ? '<!DOCTYPE ' + document.doctype.name + '>' : '';
    return doctype + copy.outerHTML;
})()
