// Run at the document's load, before the page is read: a promise that comes
// true once the page has settled, the results column and the AI overview
// unchanged for QUIET milliseconds (the mutation observer's quiet time) and
// no overview still saying it is being generated; at the latest BOUND
// milliseconds after the load, settled or not. A page complete at its load
// costs the quiet time alone. With a bound of 0 the page is taken as it is.
// Each overview still being generated when it ends is marked so for the page
// script (data-cerca-generazione), which reads it as not complete.
(function (quiet, bound) {
    var started = performance.now();
    var changed = started;
    var column = '#rcnt, #center_col, #search, #main, #res, #rso';
    var overviewLabels = /^(?:Panoramica AI|Panoramica creata con l['\u2019]AI|AI Overview)$/;
    // The line an overview shows while it is being generated.
    var generating = /^(?:Generazione in corso|Generating|Searching|Ricerca in corso|Sto cercando|Caricamento|Loading)\b.{0,40}$/i;

    // The blocks of the overviews the page shows, around their visible
    // labels: watched wherever they stand, and waited for while one says it
    // is being generated (a loading line outside links, or a busy element).
    function overviews() {
        var found = [];
        var labels = document.querySelectorAll('[role="heading"], h1, h2, h3, h4, h5, h6');
        for (var i = 0; i < labels.length; ++i) {
            var text = labels[i].textContent.trim();
            if (!overviewLabels.test(text) || labels[i].closest('a') || labels[i].getClientRects().length === 0)
                continue;
            var block = labels[i];
            while (block.parentElement && block.parentElement !== document.body && block.parentElement.textContent.trim() === text)
                block = block.parentElement;
            found.push(block.parentElement || block);
        }
        return found;
    }

    function generatingIn(block) {
        if (block.getClientRects().length === 0)
            return false;
        if (block.querySelector('[aria-busy="true"]'))
            return true;
        var lines = block.querySelectorAll('*');
        for (var i = 0; i < lines.length; ++i) {
            if (lines[i].childElementCount === 0 && !lines[i].closest('a') && generating.test(lines[i].textContent.trim()))
                return true;
        }
        return false;
    }

    return new Promise(function (done) {
        var observer = new MutationObserver(function () { changed = performance.now(); });
        var watched = [document.querySelector(column) || document.body].concat(overviews());
        watched.forEach(function (element) {
            if (element)
                observer.observe(element, {childList: true, subtree: true, characterData: true});
        });
        (function check() {
            var now = performance.now();
            var blocks = overviews();
            var generated = !blocks.some(generatingIn);
            if ((now - changed >= quiet && generated) || now - started >= bound) {
                observer.disconnect();
                blocks.forEach(function (block) {
                    if (generatingIn(block))
                        block.setAttribute('data-cerca-generazione', '');
                    else
                        block.removeAttribute('data-cerca-generazione');
                });
                done({settled: now - changed >= quiet && generated, waited: Math.round(now - started)});
                return;
            }
            setTimeout(check, Math.min(quiet, 100));
        })();
    });
})(%1, %2)
