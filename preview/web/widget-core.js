// What every emulated storefront widget shares: reading its options as
// data, the clock, the pointer, and finding its parts. The widget types
// (widget-switchable.js, widget-popup.js, widget-countdown.js) register
// themselves here; widgets.js starts them.
//
// Runs in the editor's script world once the document is parsed, before the
// type scripts. Publishes `ravikWidgetCore` in that world only.
//
// Timers. Every timer a widget sets goes through Timers.later, which never
// hands the browser a delay it would misread: setTimeout takes any delay
// above 2^31-1 ms as 0, so a decorator's huge interval meant as "never"
// would spin the page instead. Option readers bring each time option into
// its range first (see `time`):
//  - autoplay interval: at least 0.1 s; beyond 24.8 days (or Infinity) it
//    never comes;
//  - hover delays and animation durations: 0 to 10 s; beyond, the default;
//  - anything unreadable (text, NaN, a negative time): the default.
(function () {
    'use strict';
    if (window.ravikWidgetCore)
        return;

    var MAX_DELAY = 2147483647;   // ms: the longest delay setTimeout keeps

    function report(widget, position, what) {
        console.warn('[Ravik] 挂件 ' + widget.getAttribute('data-widget-type') + '（页面中第 ' + position +
                     ' 个 J_TWidget' + (widget.id ? '，id="' + widget.id + '"' : '') + '）' + what +
                     '：离线预览中挂件保持原样。');
    }

    // Option readers. Decorators write numbers and flags as strings as
    // often as not ('autoplay': 'true', 'interval': '5'); those mean what
    // they say. A value of any other kind is taken as not given.
    function text(v, fallback) {
        return typeof v === 'string' && v.trim() !== '' ? v.trim() : fallback;
    }
    // A class option may name several classes, as a class attribute does.
    function classes(v, fallback) {
        return text(v, fallback).split(/\s+/);
    }
    function flag(v, fallback) {
        if (v === true || v === 'true' || v === 1 || v === '1')
            return true;
        if (v === false || v === 'false' || v === 0 || v === '0')
            return false;
        return fallback;
    }
    function toNumber(v) {
        return typeof v === 'number' ? v : typeof v === 'string' && v.trim() !== '' ? Number(v) : NaN;
    }
    function number(v, fallback, min) {
        var n = toNumber(v);
        return isFinite(n) && n >= min ? n : fallback;
    }
    // A time option, in the unit it is written in. `range` is
    // { min, max, over }: below min it is min; above max (Infinity
    // included) it is `over` (Infinity for "never") or, without one,
    // `fallback`, as it is when unreadable or negative.
    function time(v, fallback, range) {
        var n = toNumber(v);
        if (isNaN(n) || n < 0)
            return fallback;
        if (n > range.max)
            return range.over !== undefined ? range.over : fallback;
        return Math.max(n, range.min);
    }

    // The element of class `cls` that the storefront's runtime takes for a
    // widget's part: the first in document order inside the widget, inside
    // widgets nested in it too. (Generators rely on that: an outer Tabs may
    // name as its content a box standing inside an inner Carousel.)
    function first(widget, cls) {
        return widget.getElementsByClassName(cls)[0] || null;
    }
    function all(widget, cls) {
        return Array.prototype.slice.call(widget.getElementsByClassName(cls));
    }

    // Where a widget's selectors (a Popup's trigger and node, a Countdown's
    // parts) are looked up: the module that holds it, so that two copies of
    // a module do not drive each other; the whole document for a widget
    // outside any module. A selector the browser cannot read finds nothing,
    // but for a lone class name: generators number their classes
    // ('.31907item0'), which CSS refuses for the leading digit and the
    // storefront's own lookup takes as the class it names.
    var LONE_CLASS = /^\s*\.([\w-]+)\s*$/;
    function scope(widget) {
        return widget.closest('.J_TModule') || document;
    }
    function select(root, selector) {
        if (typeof selector !== 'string' || selector.trim() === '')
            return [];
        try {
            return Array.prototype.slice.call(root.querySelectorAll(selector));
        } catch (e) {
            var lone = LONE_CLASS.exec(selector);
            return lone ? Array.prototype.slice.call(root.getElementsByClassName(lone[1])) : [];
        }
    }

    // Shows an element hidden the ways decoration code hides it: the page
    // class `hidden`, display:none or visibility:hidden, inline or from a
    // style sheet.
    function reveal(element) {
        if (element.classList.contains('hidden'))
            element.classList.remove('hidden');
        if (element.style.display === 'none')
            element.style.display = '';
        if (element.style.visibility === 'hidden')
            element.style.visibility = '';
        var style = getComputedStyle(element);
        if (style.display === 'none')
            element.style.display = 'block';
        if (style.visibility === 'hidden')
            element.style.visibility = 'visible';
    }
    function conceal(element) {
        element.style.display = 'none';
    }

    // The timers of one widget, so that stopping it clears them all.
    function Timers() {
        this.ids = new Set();
    }
    // Runs `fn` after `ms`; a delay beyond what setTimeout keeps (Infinity
    // included) means never and sets nothing. Returns an id for cancel.
    Timers.prototype.later = function (fn, ms) {
        if (!(ms <= MAX_DELAY))
            return 0;
        var ids = this.ids;
        var id = setTimeout(function () {
            ids.delete(id);
            fn();
        }, Math.max(0, ms));
        ids.add(id);
        return id;
    };
    Timers.prototype.cancel = function (id) {
        if (id) {
            clearTimeout(id);
            this.ids.delete(id);
        }
        return 0;
    };
    Timers.prototype.clear = function () {
        this.ids.forEach(function (id) { clearTimeout(id); });
        this.ids.clear();
    };

    // The pointer. One set of listeners on the document serves every
    // widget: a page of hundreds of widgets starts without adding listeners
    // to each of their parts. A widget registers what it wants to hear of
    // an element (`on(element, owner, {enter, leave, click})`) and forgets
    // it all when it stops (`forget(owner)`).
    var handlersOf = new WeakMap();   // element -> [{ owner, enter, leave, click }]
    var elementsOf = new WeakMap();   // owner -> [element]
    var listening = false;

    function on(element, owner, handlers) {
        if (!element)
            return;
        var list = handlersOf.get(element);
        if (!list)
            handlersOf.set(element, list = []);
        list.push({ owner: owner, enter: handlers.enter, leave: handlers.leave, click: handlers.click });
        var mine = elementsOf.get(owner);
        if (!mine)
            elementsOf.set(owner, mine = []);
        mine.push(element);
        listen();
    }

    function forget(owner) {
        (elementsOf.get(owner) || []).forEach(function (element) {
            var list = handlersOf.get(element);
            if (list)
                handlersOf.set(element, list.filter(function (h) { return h.owner !== owner; }));
        });
        elementsOf.delete(owner);
    }

    // Calls `fn(handler, element)` for every handler of `target` and of
    // each element above it. The list is copied: a handler may stop a
    // widget on the way.
    function upFrom(target, fn, skip) {
        for (var e = target; e && e.nodeType === Node.ELEMENT_NODE; e = e.parentElement) {
            if (skip && skip(e))
                continue;
            var list = handlersOf.get(e);
            if (list)
                list.slice().forEach(function (h) { fn(h, e); });
        }
    }

    function listen() {
        if (listening)
            return;
        listening = true;
        document.addEventListener('click', function (event) {
            upFrom(event.target, function (h, e) {
                if (h.click)
                    h.click(e, event);
            });
        }, true);
        // mouseover and mouseout seen from an element, with the element the
        // pointer comes from or goes to outside it, are its enter and leave.
        var crossing = function (entering) {
            return function (event) {
                var other = event.relatedTarget;
                upFrom(event.target, function (h, e) {
                    var fn = entering ? h.enter : h.leave;
                    if (fn)
                        fn(e, other);
                }, function (e) {
                    return other && e.contains(other);
                });
            };
        };
        document.addEventListener('mouseover', crossing(true), true);
        document.addEventListener('mouseout', crossing(false), true);
    }

    // The widget types by data-widget-type: each has `create(element,
    // options, position)` returning a widget or null (left as written), and
    // widgets have `stop()`. A type may start its widgets in rounds of reads
    // and writes (`rounds`, method names called on every widget of a start
    // in turn) so that a page of many widgets works out its style once.
    var types = Object.create(null);

    window.ravikWidgetCore = Object.freeze({
        MAX_DELAY: MAX_DELAY,
        report: report,
        text: text,
        classes: classes,
        flag: flag,
        number: number,
        time: time,
        first: first,
        all: all,
        scope: scope,
        select: select,
        reveal: reveal,
        conceal: conceal,
        Timers: Timers,
        on: on,
        forget: forget,
        types: types,
        define: function (name, type) { types[name] = type; }
    });
})();
