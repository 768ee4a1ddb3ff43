// Brings the storefront's widgets to life in the offline preview: elements
// of class J_TWidget whose data-widget-type is one we emulate (Tabs, Slide,
// Carousel, Accordion: widget-switchable.js; Popup: widget-popup.js;
// Countdown: widget-countdown.js). On the live shop the marketplace's
// runtime does this; offline the page has none, and without us every panel
// would show at once, overlays never, and nothing would move. Types with
// nothing to show offline (Compatible and the like) are left alone,
// silently.
//
// Runs in the editor's script world once the document is parsed, after
// widget-core.js and the type scripts. It only sets classes and inline
// styles on the displayed elements (and adds the numbered triggers the
// runtime makes for a widget without any); the page's scripts see the same
// document but none of our globals. The options come from
// data-widget-config, read by ravikWidgetConfig (never evaluated); a widget
// whose options cannot be read, or that lacks the parts it needs, is left
// exactly as it is and reported in the page's console.
//
// It also gives images the storefront loads lazily (data-ks-lazyload, and
// data-ks-lazyload-custom in switchable panels) their picture once they
// come within a screen of sight, as the runtime does.
//
// When the page brings its own widget runtime (widget-runtime-probe.js
// marks the document so), nothing here runs.
//
// Publishes `ravikWidgets` in our world: what the start found and how long
// it took (started, widgets, alive, pageRuntime, startMs), for the editor's
// tests and benchmarks, and
//   ravikWidgets.restart(elements)
// for code that changes the displayed document in place: `elements` is an
// array of J_TWidget elements now in the document whose element, options or
// content changed. Every running widget whose element is listed, lies inside
// a listed one, or is no longer in the document is stopped: its timers
// cleared, what it listened to forgotten (the inline styles and classes it
// set stay; the new markup replaces them anyway). Then every listed element
// that is still in the document, and every widget inside it, is started
// afresh as at page start. It returns how many widgets it started.
(function () {
    'use strict';
    if (window.ravikWidgets)
        return;
    var core = window.ravikWidgetCore;

    var summary = { started: false, widgets: 0, alive: 0, pageRuntime: false, startMs: 0 };
    var running = [];   // { element, widget }

    // Starts the widgets among `elements` (J_TWidget elements in document
    // order): creates each, then runs the types' rounds over all of them.
    function startAll(elements) {
        var made = [];
        elements.forEach(function (element) {
            var type = core.types[element.getAttribute('data-widget-type')];
            if (!type)
                return;   // another family of widgets: not emulated
            ++summary.widgets;
            var position = positionOf(element);
            var config = ravikWidgetConfig.parse(element.getAttribute('data-widget-config'));
            if (config.error !== undefined) {
                core.report(element, position, '的 data-widget-config 无法读取（第 ' + (config.position + 1) +
                            ' 个字符：' + config.error + '）');
                return;
            }
            var widget = type.create(element, config.value, position);
            if (widget)
                made.push({ element: element, widget: widget, rounds: type.rounds });
        });
        // A widget that fails on the way (a fault of ours, or a page that
        // pulls the ground from under it) is dropped; the others go on.
        var rounds = 0;
        made.forEach(function (m) { rounds = Math.max(rounds, m.rounds.length); });
        for (var r = 0; r < rounds; ++r) {
            made = made.filter(function (m) {
                // A type with fewer rounds starts in the last ones.
                var name = m.rounds[r - (rounds - m.rounds.length)];
                if (!name)
                    return true;
                try {
                    m.widget[name]();
                    return true;
                } catch (e) {
                    console.error('[Ravik] 挂件 ' + m.element.getAttribute('data-widget-type') + ' 未能启动：' + e);
                    stop(m);
                    return false;
                }
            });
        }
        made.forEach(function (m) { running.push(m); });
        lazyImages();
        return made.length;
    }

    var allWidgets = document.getElementsByClassName('J_TWidget');
    // The widget's place among the page's J_TWidget elements, for reports;
    // asked only when something is reported or started.
    var positions = null;
    function positionOf(element) {
        if (!positions) {
            positions = new Map();
            for (var i = 0; i < allWidgets.length; ++i)
                positions.set(allWidgets[i], i + 1);
        }
        return positions.get(element) || 0;
    }

    function stop(m) {
        try {
            m.widget.stop();
        } catch (e) {
            // Stopping clears our own state; a page that broke it leaves
            // nothing more to clear.
        }
    }

    function restart(elements) {
        var listed = Array.prototype.filter.call(elements || [], function (e) {
            return e && e.nodeType === Node.ELEMENT_NODE;
        });
        positions = null;
        running = running.filter(function (m) {
            var gone = !m.element.isConnected || listed.some(function (e) { return e.contains(m.element); });
            if (gone)
                stop(m);
            return !gone;
        });
        var starting = new Set();
        listed.forEach(function (e) {
            if (!e.isConnected)
                return;
            if (e.classList.contains('J_TWidget'))
                starting.add(e);
            Array.prototype.forEach.call(e.getElementsByClassName('J_TWidget'), function (w) { starting.add(w); });
        });
        var ordered = Array.from(starting).sort(function (a, b) {
            return a === b ? 0 : a.compareDocumentPosition(b) & Node.DOCUMENT_POSITION_FOLLOWING ? -1 : 1;
        });
        var started = startAll(ordered);
        summary.alive = running.length;
        return started;
    }

    // Lazily loaded pictures: given their address once within a screen of
    // the view. Hidden ones (a panel not shown) have no box and wait until
    // they are shown.
    var lazy = new IntersectionObserver(function (entries) {
        entries.forEach(function (entry) {
            if (!entry.isIntersecting)
                return;
            var img = entry.target;
            lazy.unobserve(img);
            var src = img.getAttribute('data-ks-lazyload') || img.getAttribute('data-ks-lazyload-custom');
            img.removeAttribute('data-ks-lazyload');
            img.removeAttribute('data-ks-lazyload-custom');
            if (src)
                img.src = src;
        });
    }, { rootMargin: '100% 0px' });
    function lazyImages() {
        var found = document.querySelectorAll('img[data-ks-lazyload],img[data-ks-lazyload-custom]');
        for (var i = 0; i < found.length; ++i)
            lazy.observe(found[i]);
    }

    function start() {
        var began = performance.now();
        if (document.documentElement.getAttribute('data-ravik-page-widgets') === 'own') {
            summary.pageRuntime = true;
            summary.started = true;
            return;
        }
        startAll(Array.prototype.slice.call(allWidgets));
        summary.alive = running.length;
        summary.startMs = performance.now() - began;
        summary.started = true;
    }

    summary.restart = function (elements) {
        return summary.pageRuntime ? 0 : restart(elements);
    };
    window.ravikWidgets = summary;

    if (document.readyState === 'loading')
        document.addEventListener('DOMContentLoaded', start);
    else
        start();
})();
