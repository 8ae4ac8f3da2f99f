// Outlines the results whose addresses are HITS (a JSON array, put in place
// of the marker below) and measures the page; with REMOVE, takes the
// outlines away again. Ads are never outlined, even for a hit's address.
(function (hits, remove) {
    var marker = 'data-cerca-posizione';
    document.querySelectorAll('[' + marker + ']').forEach(function (frame) { frame.remove(); });
    if (remove)
        return null;
    var ads = '#tads, #tadsb, #bottomads, [data-text-ad], [aria-label="Annunci"]';
    function targetOf(link) {
        try {
            var url = new URL(link.href);
            if (url.pathname === '/url')
                return url.searchParams.get('q') || url.searchParams.get('url') || link.href;
        } catch (e) {}
        return link.href;
    }
    // A link's box with everything it holds: an inline link around a
    // heading has a box of its own no taller than a line.
    function boxOf(link) {
        var left = Infinity, top = Infinity, right = -Infinity, bottom = -Infinity;
        [link].concat(Array.prototype.slice.call(link.querySelectorAll('*'))).forEach(function (element) {
            var box = element.getBoundingClientRect();
            if (box.width === 0 || box.height === 0)
                return;
            left = Math.min(left, box.left); top = Math.min(top, box.top);
            right = Math.max(right, box.right); bottom = Math.max(bottom, box.bottom);
        });
        if (left === Infinity)
            return null;
        // A little room around it, within the page.
        var x = Math.max(0, left + window.scrollX - 6);
        var y = Math.max(0, top + window.scrollY - 6);
        return {x: x, y: y, width: Math.min(pageWidth, right + window.scrollX + 6) - x,
                height: bottom + window.scrollY + 6 - y};
    }
    var root = document.documentElement;
    var pageWidth = window.innerWidth || root.clientWidth;
    var boxes = [];
    var outlined = [];
    document.querySelectorAll('a[href]').forEach(function (link) {
        var target = targetOf(link);
        if (link.closest(ads) || outlined.indexOf(target) >= 0)
            return;
        if (hits.indexOf(target) < 0 && hits.indexOf(link.href) < 0)
            return;
        var box = boxOf(link);
        if (!box)
            return;
        outlined.push(target);
        boxes.push(box);
        var frame = document.createElement('div');
        frame.setAttribute(marker, '');
        frame.style.cssText = 'position:absolute;box-sizing:border-box;border:4px solid #e8001c;pointer-events:none;'
            + 'z-index:2147483647;margin:0;padding:0;left:' + box.x + 'px;top:' + box.y + 'px;width:' + box.width
            + 'px;height:' + box.height + 'px';
        (document.body || document.documentElement).appendChild(frame);
    });
    return {boxes: boxes, width: pageWidth, viewportHeight: window.innerHeight,
            height: Math.max(root.scrollHeight, document.body ? document.body.scrollHeight : 0)};
})(HITS, REMOVE);
