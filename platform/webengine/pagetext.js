// The document element's inner markup written the way the results pages'
// reader expects it: attribute values that need no quotes are written bare.
(function () {
    var root = document.documentElement;
    if (!root)
        return null;
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
    return out.join('');
})();
