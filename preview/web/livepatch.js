// Brings the displayed page to new code in place, as the user types, rather
// than loading it again: the user's module (the element of the stored page
// the code goes into) changes only where the new code differs, so its
// unchanged elements stay, with their pictures, hover and widget state.
//
// What a patch must give is what a fresh load of the cache page would. So
// the new code is parsed as a load parses it: the cache page's bytes (head,
// code, tail in the page's encoding) decoded by the browser's own decoder
// and parsed whole, with the stored page around the code, in a document of
// its own where nothing loads or runs. The module's content there is what a
// load would put into the page. The parse of the code on show is kept
// too: it says what the page's elements were before our scripts styled
// them, so a change is told from what the widgets did.
//
// Two steps, the editor deciding in between (it alone decides whether a
// patch can stand for a load):
//   prepare({serial, code | against, keep, middle, prime}) parses the code
//     (sent whole, or as what changed since the request `against`) and
//     answers what the editor's rule needs to know: whether the code
//     leaves the page around the module as it is, and what in the module a
//     patch cannot give as a load would (scripts, the stored page's own
//     scripts' targets, ...), and the same of the code on show; `prime`
//     brings the stored page and the code the page was loaded with, once
//     per page;
//   commit(serial) morphs the module to the prepared parse, restarts the
//     widgets whose element, configuration or content changed, renews the
//     publish findings, keeps the scroll position, and reports through the
//     bridge once a frame with the change is on its way.
// Both answer at once (the editor waits on them); a patch that fails half
// way answers so, and the editor loads the page instead.
//
// Runs in the editor's script world; defines `ravikLivePatch` there only.
(function () {
    'use strict';
    if (window.ravikLivePatch)
        return;

    var MARK = 'ravik-module';
    // What our own widgets set up as the page loads, beside what the stored
    // page's scripts do (the editor names those): pictures loaded lazily in
    // switchable panels.
    var OWN_HOOKS = 'img[data-ks-lazyload-custom]';
    var state = null;      // what the page shows: see prime()
    var prepared = null;   // the parse the editor may commit

    function Refusal(reason) {
        this.reason = reason;
    }

    function bytesOf(base64) {
        var binary = atob(base64);
        var bytes = new Uint8Array(binary.length);
        for (var i = 0; i < binary.length; ++i)
            bytes[i] = binary.charCodeAt(i);
        return bytes;
    }

    function decode(base64) {
        return new TextDecoder('gbk').decode(bytesOf(base64));
    }

    // The new code's text from a request: its bytes whole, or the bytes of
    // the request before with the middle that changed; null when the page
    // did not get that one.
    function codeOf(request) {
        var bytes;
        if (request.code !== undefined) {
            bytes = bytesOf(request.code);
        } else {
            if (!state.sent || state.sentSerial !== request.against)
                return null;
            var old = state.sent, head = request.keep[0], tail = request.keep[1], middle = bytesOf(request.middle);
            bytes = new Uint8Array(head + middle.length + tail);
            bytes.set(old.subarray(0, head), 0);
            bytes.set(middle, head);
            bytes.set(old.subarray(old.length - tail), head + middle.length);
        }
        state.sent = bytes;
        state.sentSerial = request.serial;
        return new TextDecoder('gbk').decode(bytes);
    }

    // A parsed document has no browsing context: its pictures never load
    // and its scripts never run.
    function parse(html) {
        return new DOMParser().parseFromString(html, 'text/html');
    }

    function pathTo(node) {
        var path = [];
        for (; node.parentNode; node = node.parentNode)
            path.unshift(Array.prototype.indexOf.call(node.parentNode.childNodes, node));
        return path;
    }

    function follow(doc, path) {
        var node = doc;
        for (var i = 0; node && i < path.length; ++i)
            node = node.childNodes[path[i]];
        return node || null;
    }

    // Nodes our other scripts put into the module (the findings panel):
    // neither the page's nor the code's, a patch leaves them where they are.
    function isOwn(node) {
        return !!window.ravikFindings && node === window.ravikFindings.host;
    }

    function childrenOf(node, skipOwn) {
        var out = [];
        for (var c = node.firstChild; c; c = c.nextSibling) {
            if (!skipOwn || !isOwn(c))
                out.push(c);
        }
        return out;
    }

    function sameAttributes(a, b) {
        if (a.attributes.length !== b.attributes.length)
            return false;
        for (var i = 0; i < a.attributes.length; ++i) {
            var x = a.attributes[i], y = b.attributes[i];
            if (x.namespaceURI !== y.namespaceURI || x.name !== y.name || x.value !== y.value)
                return false;
        }
        return true;
    }

    // Whether `doc` is, outside the module, the stored page as it parses
    // without code: code that closes one of its elements, leaves one open
    // or swallows the tail changes it there, and so does code that adds
    // attributes to the page's html or body element.
    function sameOutside(doc) {
        var node = doc, reference = state.reference;
        for (var level = 0; level <= state.path.length; ++level) {
            if (node.nodeType === Node.ELEMENT_NODE && !sameAttributes(node, reference))
                return false;
            if (level === state.path.length)
                return node.nodeType === reference.nodeType && node.nodeName === reference.nodeName;
            var at = state.path[level];
            var mine = node.childNodes, theirs = reference.childNodes;
            if (mine.length !== theirs.length || !mine[at] || mine[at].nodeName !== theirs[at].nodeName)
                return false;
            for (var i = 0; i < mine.length; ++i) {
                if (i !== at && !mine[i].isEqualNode(theirs[i]))
                    return false;
            }
            node = mine[at];
            reference = theirs[at];
        }
        return false;
    }

    var HTML = 'http://www.w3.org/1999/xhtml';

    // What in a parsed module a patch cannot give as a load would; read by
    // the editor's rule.
    function factsOf(module, selfContained) {
        var facts = {selfContained: selfContained, scripts: false, handlers: false, noscript: false, template: false,
                     pageWide: false, frameScript: false, widgets: false, pageHooks: false};
        var all = module.getElementsByTagName('*');
        for (var i = 0; i < all.length; ++i) {
            var e = all[i], name = e.localName, html = e.namespaceURI === HTML;
            if (name === 'script')
                facts.scripts = true;
            else if (html && name === 'noscript')
                facts.noscript = true;
            else if (html && name === 'template')
                facts.template = true;
            else if (html && (name === 'base' || name === 'meta'))
                facts.pageWide = true;
            else if (html && (name === 'iframe' || name === 'frame' || name === 'embed' || name === 'object')) {
                var url = e.getAttribute(name === 'object' ? 'data' : 'src') || '';
                if (/^[\s\x00-\x20]*javascript:/i.test(url))
                    facts.frameScript = true;
            }
            for (var k = 0; k < e.attributes.length; ++k) {
                if (/^on/i.test(e.attributes[k].name))
                    facts.handlers = true;
            }
        }
        facts.widgets = module.getElementsByClassName('J_TWidget').length > 0;
        facts.pageHooks = module.querySelector(state.hooks) !== null;
        return facts;
    }

    function isWidget(node) {
        return node.nodeType === Node.ELEMENT_NODE && node.classList.contains('J_TWidget');
    }

    // Whether the page's module still holds what `module` (a parse) says,
    // attributes aside: our scripts set those. Inside a widget, ours add
    // parts and write text too; a widget is taken as a whole.
    function mirrors(live, parsed) {
        var a = childrenOf(live, true), b = childrenOf(parsed, false);
        if (a.length !== b.length)
            return false;
        for (var i = 0; i < a.length; ++i) {
            if (a[i].nodeType !== b[i].nodeType || a[i].nodeName !== b[i].nodeName)
                return false;
            if (a[i].nodeType === Node.ELEMENT_NODE) {
                if (!isWidget(b[i]) && !mirrors(a[i], b[i]))
                    return false;
            } else if (a[i].nodeValue !== b[i].nodeValue) {
                return false;
            }
        }
        return true;
    }

    function liveModule() {
        var module = follow(document, state.path);
        return module && module.nodeName === state.moduleName ? module : null;
    }

    // The stored page around the code, its module's place, the selectors of
    // what the stored page's own scripts act on as it loads, and the code
    // the page was loaded with.
    function prime(p) {
        var head = decode(p.head), tail = decode(p.tail);
        var reference = parse(head + '<!--' + MARK + '-->' + tail);
        var mark = null;
        var walker = reference.createTreeWalker(reference, NodeFilter.SHOW_COMMENT);
        while (!mark && walker.nextNode()) {
            if (walker.currentNode.data === MARK)
                mark = walker.currentNode;
        }
        var module = mark.parentNode;
        module.removeChild(mark);
        state = null;
        var primed = {head: head, tail: tail, reference: reference, path: pathTo(module), moduleName: module.nodeName,
                      hooks: (p.hooks ? p.hooks + ', ' : '') + OWN_HOOKS};
        primed.base = follow(parse(head + decode(p.base) + tail), primed.path);
        state = primed;
        state.facts = factsOf(state.base, sameOutside(state.base.ownerDocument));
        var live = liveModule();
        state.stale = !live || !mirrors(live, state.base);
    }

    function prepare(request) {
        try {
            if (request.prime)
                prime(request.prime);
            var code = state && codeOf(request);
            if (code === null || !state)
                return {known: false};
            var doc = parse(state.head + code + state.tail);
            var module = follow(doc, state.path);
            prepared = {serial: request.serial, module: module};
            var restart = window.ravikWidgets && typeof window.ravikWidgets.restart === 'function';
            prepared.facts = factsOf(module, sameOutside(doc));
            return {known: true, stale: state.stale || !liveModule(), shown: state.facts, next: prepared.facts,
                    widgetRestart: !!restart};
        } catch (e) {
            prepared = null;
            return {known: false, error: String(e)};
        }
    }

    // ---- the morph --------------------------------------------------------

    function sameKind(a, b) {
        return a.nodeType === b.nodeType && a.namespaceURI === b.namespaceURI && a.nodeName === b.nodeName;
    }

    function attributeOf(element, attribute) {
        return element.getAttributeNodeNS(attribute.namespaceURI, attribute.localName);
    }

    // Gives `live` the attributes of `next`, where `base` says what `live`
    // had as parsed. Values that change under the same names in the same
    // order change in place; from the first name that differs on, the old
    // attributes go and the new come in order, so that the element lists
    // them as a load would. Attributes are moved as nodes: the parser
    // accepts names that setAttribute() would refuse.
    function syncAttributes(live, base, next) {
        // Copies: `base` may be `live` itself.
        var before = Array.prototype.slice.call(base.attributes);
        var after = Array.prototype.slice.call(next.attributes);
        var k = 0, changed = false;
        for (; k < before.length && k < after.length; ++k) {
            var b = before[k], n = after[k];
            if (b.namespaceURI !== n.namespaceURI || b.name !== n.name)
                break;
            if (b.value === n.value)
                continue;
            var a = attributeOf(live, b);
            if (a)
                a.value = n.value;
            else
                live.setAttributeNode(document.importNode(n, false));
            changed = true;
        }
        if (k === before.length && k === after.length)
            return changed;
        var j;
        for (j = k; j < before.length; ++j) {
            var old = attributeOf(live, before[j]);
            if (old)
                live.removeAttributeNode(old);
        }
        for (j = k; j < after.length; ++j) {
            var there = attributeOf(live, after[j]);
            if (there)
                live.removeAttributeNode(there);
            live.setAttributeNode(document.importNode(after[j], false));
        }
        return true;
    }

    // Pairs the changed middle of two child lists: nodes equal in both are
    // kept, as far as they are found within a few places of each other;
    // between them, nodes of the same kind are morphed one into the other,
    // and the rest go or come. Returns, for each next node, the base node
    // it comes from (-1: new) and whether they were equal.
    var LOOK_AHEAD = 8;
    function pairUp(base, next) {
        var from = new Array(next.length).fill(-1);
        var equal = new Array(next.length).fill(false);
        var anchors = [];   // [base index, next index] of equal nodes, both rising
        var b = 0;
        for (var n = 0; n < next.length; ++n) {
            for (var d = 0; d < LOOK_AHEAD && b + d < base.length; ++d) {
                if (base[b + d].isEqualNode(next[n])) {
                    from[n] = b + d;
                    equal[n] = true;
                    anchors.push([b + d, n]);
                    b += d + 1;
                    break;
                }
            }
        }
        anchors.push([base.length, next.length]);
        var pb = 0, pn = 0;
        anchors.forEach(function (anchor) {
            var p = pb, q = pn;
            while (p < anchor[0] && q < anchor[1]) {
                if (sameKind(base[p], next[q])) {
                    from[q++] = p++;
                } else if (q + 1 < anchor[1] && sameKind(base[p], next[q + 1])) {
                    ++q;
                } else if (p + 1 < anchor[0] && sameKind(base[p + 1], next[q])) {
                    ++p;
                } else {
                    ++p;
                    ++q;
                }
            }
            pb = anchor[0] + 1;
            pn = anchor[1] + 1;
        });
        return {from: from, equal: equal};
    }

    function Morph() {
        this.changed = [];    // live nodes whose content or attributes changed
        this.added = [];      // live nodes brought in whole
    }

    // Brings the children of `live` (which mirror those of `base`) to those
    // of `next`.
    Morph.prototype.children = function (live, base, next) {
        var L = childrenOf(live, true), B = base === live ? L : childrenOf(base, false), N = childrenOf(next, false);
        if (L.length !== B.length)
            throw new Refusal('stale');
        var start = 0;
        while (start < B.length && start < N.length && B[start].isEqualNode(N[start]))
            ++start;
        var endB = B.length, endN = N.length;
        while (endB > start && endN > start && B[endB - 1].isEqualNode(N[endN - 1])) {
            --endB;
            --endN;
        }
        if (start === endB && start === endN)
            return;
        var middle = pairUp(B.slice(start, endB), N.slice(start, endN));
        var used = new Array(endB - start).fill(false);
        var want = [];
        var i;
        for (i = 0; i < start; ++i)
            want.push(L[i]);
        for (i = 0; i < middle.from.length; ++i) {
            var k = middle.from[i];
            var n = N[start + i];
            if (k < 0) {
                var fresh = document.importNode(n, true);
                this.added.push(fresh);
                want.push(fresh);
                continue;
            }
            used[k] = true;
            var l = L[start + k];
            if (!middle.equal[i])
                this.node(l, B[start + k], n);
            want.push(l);
        }
        for (i = endB; i < B.length; ++i)
            want.push(L[i]);
        for (i = 0; i < used.length; ++i) {
            if (!used[i])
                live.removeChild(L[start + i]);
        }
        // In place from the end: a node already followed by the one it
        // should be is not moved (a moved frame would load again).
        var ref = null;
        for (i = want.length - 1; i >= 0; --i) {
            var after = want[i].nextSibling;
            while (after && isOwn(after))
                after = after.nextSibling;
            if (want[i].parentNode !== live || after !== ref)
                live.insertBefore(want[i], ref);
            ref = want[i];
        }
        this.changed.push(live);
    };

    // Brings `live` (mirroring `base`) to `next`, of the same kind. A
    // widget that changed is brought to `next` from what it shows, parts,
    // text, styles and classes our widgets gave it included, so that it
    // starts afresh from its markup as a load would start it.
    Morph.prototype.node = function (live, base, next) {
        if (live.nodeType !== Node.ELEMENT_NODE) {
            if (live.nodeValue !== next.nodeValue) {
                live.nodeValue = next.nodeValue;
                this.changed.push(live);
            }
            return;
        }
        if (live.nodeName !== base.nodeName)
            throw new Refusal('stale');
        if (base !== live && isWidget(base)) {
            base = live;
            this.changed.push(live);
        }
        if (syncAttributes(live, base, next))
            this.changed.push(live);
        this.children(live, base, next);
    };

    // The widgets to start afresh: those the change touched (their own
    // element, an element inside, their text) and those that came in whole.
    Morph.prototype.widgets = function (module) {
        var found = [];
        function add(e) {
            if (found.indexOf(e) < 0)
                found.push(e);
        }
        this.changed.forEach(function (node) {
            for (var e = node.nodeType === Node.ELEMENT_NODE ? node : node.parentElement; e && e !== module;
                 e = e.parentElement) {
                if (e.classList.contains('J_TWidget'))
                    add(e);
            }
        });
        this.added.forEach(function (node) {
            if (node.nodeType !== Node.ELEMENT_NODE)
                return;
            for (var e = node.parentElement; e && e !== module; e = e.parentElement) {
                if (e.classList.contains('J_TWidget'))
                    add(e);
            }
            if (node.classList.contains('J_TWidget'))
                add(node);
            Array.prototype.forEach.call(node.getElementsByClassName('J_TWidget'), add);
        });
        return found.filter(function (e) { return e.isConnected; });
    };

    // The hit test counts the page's elements as the code made them: after
    // a patch, those of the parse, what our scripts added passed over (the
    // findings panel; the parts widgets add at the end of their element).
    function recountHits() {
        var module = state && liveModule();
        if (!module || !window.ravikHitTest || typeof window.ravikHitTest.recount !== 'function')
            return;
        var ignored = [];
        (function walk(live, parsed) {
            var theirs = parsed.children, k = 0;
            for (var e = live.firstElementChild; e; e = e.nextElementSibling) {
                if (isOwn(e)) {
                    ignored.push(e);
                } else if (k < theirs.length) {
                    walk(e, theirs[k++]);
                } else {
                    ignored.push(e);
                    Array.prototype.push.apply(ignored, e.getElementsByTagName('*'));
                }
            }
        })(module, state.base);
        window.ravikHitTest.recount(ignored);
    }

    function tellPainted(serial) {
        requestAnimationFrame(function () {
            // A task posted from a frame's callback runs once that frame
            // has been committed.
            var after = new MessageChannel();
            after.port1.onmessage = function () {
                // Asked for only on a right-click: counted after the frame.
                recountHits();
                if (window.ravikBridge) {
                    window.ravikBridge.then(function (bridge) {
                        if (bridge.LivePatchPainted)
                            bridge.LivePatchPainted(serial);
                    });
                }
            };
            after.port2.postMessage(null);
        });
    }

    function commit(serial) {
        if (!prepared || prepared.serial !== serial || !state)
            return {done: false, reason: 'unprepared'};
        var next = prepared.module, facts = prepared.facts;
        prepared = null;
        var module = liveModule();
        if (!module)
            return {done: false, reason: 'stale'};
        var x = window.scrollX, y = window.scrollY;
        var morph = new Morph();
        try {
            if (window.ravikFindingsPatch)
                window.ravikFindingsPatch.before();
            morph.children(module, state.base, next);
            state.base = next;
            state.facts = facts;
        } catch (e) {
            state.stale = true;
            return {done: false, reason: e instanceof Refusal ? e.reason : String(e)};
        }
        var widgets = morph.widgets(module);
        if (window.ravikWidgets && typeof window.ravikWidgets.restart === 'function')
            window.ravikWidgets.restart(widgets);
        if (window.ravikFindingsPatch)
            window.ravikFindingsPatch.after();
        // Where the page stood, to the pixel, as a load opens it again.
        void document.documentElement.scrollHeight;
        if (window.scrollX !== x || window.scrollY !== y)
            window.scrollTo({left: x, top: y, behavior: 'instant'});
        tellPainted(serial);
        return {done: true, changed: morph.changed.length + morph.added.length, widgets: widgets.length};
    }

    window.ravikLivePatch = {
        prepare: prepare,
        commit: commit,
        // For the editor's tests, in this world only.
        module: function (doc) {
            return state ? follow(doc || document, state.path) : null;
        }
    };
})();
