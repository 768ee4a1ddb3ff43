// Brings the storefront's switchable widgets to life in the offline preview:
// elements of class J_TWidget whose data-widget-type is Tabs, Slide,
// Carousel or Accordion. On the live shop the marketplace's runtime does
// this; offline the page has none, and without us every panel would show at
// once and nothing would switch.
//
// Runs in the editor's script world once the document is parsed. It only
// sets classes and inline styles on the displayed elements; the page's
// scripts see the same document but none of our globals.
//
// Structure of a widget: its triggers are the children of its element of
// class navCls, its panels the children of its element of class contentCls
// (both the first of their class inside the widget that belongs to no inner
// widget). The options come from data-widget-config, read by
// ravikWidgetConfig (never evaluated); a widget whose options cannot be read,
// or that has no panels, is left exactly as it is and reported in the
// page's console.
//
// Choices where the live runtime's behaviour is not written down:
//  - every type takes the same default trigger, "mouse": hovering a trigger
//    for HOVER_DELAY ms switches to it; a click switches at once whatever
//    the trigger type, so a touch or a quick click is never lost;
//  - autoplay moves to the next page and wraps after the last one, circular
//    or not; "circular" governs only the prev/next buttons. It waits while
//    the pointer is on the widget (pauseOnHover) and starts its interval
//    afresh after a switch by the user;
//  - steps and viewSize count only for the scroll effects: the content
//    element becomes the view, of viewSize ([width, height] in pixels; by
//    default as wide as the content was, and as high as the highest panel
//    for scrollx, or as steps panels for scrolly); its panels, lined up,
//    move by steps panels per page, all panels taken to be the size of the
//    first. At the wrap they scroll back to the first page: the
//    decorator's elements are never cloned or moved;
//  - "fade" keeps the active panel in the flow and lays the others over it,
//    transparent, so the content is as tall as the panel it shows;
//  - an Accordion shows or hides its panels (effects do not apply). With
//    "multiple", a click on a trigger opens or closes its panel, hovering
//    only opens; without it, opening one panel closes the other, as a tab
//    would. Autoplay applies to a single-panel accordion only;
//  - out-of-range numbers fall back to their defaults (activeIndex 0), and an
//    interval is at least MIN_INTERVAL s so a zero cannot spin the page;
//  - the disabled look of a button is the class disableBtnCls, by default
//    "ks-switchable-disable-btn".
//
// When the page brings its own widget runtime (widget-runtime-probe.js
// marks the document so), nothing here runs.
//
// Publishes `ravikWidgets` in our world: what the start found and how long
// it took, for the editor's tests and benchmarks.
(function () {
    'use strict';
    if (window.ravikWidgets)
        return;

    var HOVER_DELAY = 150;   // ms
    var MIN_INTERVAL = 0.1;  // s

    var DEFAULTS = {
        Tabs: { autoplay: false, circular: false },
        Slide: { autoplay: true, circular: true },
        Carousel: { autoplay: true, circular: true },
        Accordion: { autoplay: false, circular: false }
    };
    var EFFECTS = ['none', 'fade', 'scrollx', 'scrolly'];

    var summary = { started: false, widgets: 0, alive: 0, pageRuntime: false, startMs: 0 };
    window.ravikWidgets = summary;

    function report(widget, position, what) {
        console.warn('[Ravik] 挂件 ' + widget.getAttribute('data-widget-type') + '（页面中第 ' + position +
                     ' 个 J_TWidget' + (widget.id ? '，id="' + widget.id + '"' : '') + '）' + what +
                     '：离线预览中挂件保持原样。');
    }

    // Option readers: a value of the wrong kind is taken as not given.
    function text(v, fallback) {
        return typeof v === 'string' && v.trim() !== '' ? v.trim() : fallback;
    }
    // A class option may name several classes, as a class attribute does.
    function classes(v, fallback) {
        return text(v, fallback).split(/\s+/);
    }
    function flag(v, fallback) {
        if (v === true || v === 'true')
            return true;
        if (v === false || v === 'false')
            return false;
        return fallback;
    }
    function number(v, fallback, min) {
        var n = typeof v === 'number' ? v : typeof v === 'string' && v.trim() !== '' ? Number(v) : NaN;
        return isFinite(n) && n >= min ? n : fallback;
    }

    function readOptions(type, config) {
        var d = DEFAULTS[type];
        var view = Array.isArray(config.viewSize) ? config.viewSize : [];
        return {
            navCls: text(config.navCls, 'ks-switchable-nav'),
            contentCls: text(config.contentCls, 'ks-switchable-content'),
            activeTriggerCls: classes(config.activeTriggerCls, 'ks-active'),
            triggerType: config.triggerType === 'click' ? 'click' : 'mouse',
            activeIndex: Math.floor(number(config.activeIndex, 0, 0)),
            autoplay: flag(config.autoplay, d.autoplay),
            interval: Math.max(MIN_INTERVAL, number(config.interval, 5, 0)),
            pauseOnHover: flag(config.pauseOnHover, true),
            effect: EFFECTS.indexOf(config.effect) >= 0 ? config.effect : 'none',
            duration: number(config.duration, 0.5, 0),
            steps: Math.max(1, Math.floor(number(config.steps, 1, 1))),
            viewSize: [number(view[0], 0, 1), number(view[1], 0, 1)],
            circular: flag(config.circular, d.circular),
            prevBtnCls: text(config.prevBtnCls, 'ks-switchable-prev-btn'),
            nextBtnCls: text(config.nextBtnCls, 'ks-switchable-next-btn'),
            disableBtnCls: classes(config.disableBtnCls, 'ks-switchable-disable-btn'),
            multiple: type === 'Accordion' && flag(config.multiple, false)
        };
    }

    // The first element of class `cls` inside `widget` that is not inside a
    // widget nested in it.
    function part(widget, cls) {
        var found = widget.getElementsByClassName(cls);
        for (var i = 0; i < found.length; ++i) {
            var owner = found[i].parentElement && found[i].parentElement.closest('.J_TWidget');
            if (owner === widget)
                return found[i];
        }
        return null;
    }

    function Widget(element, type, o, content) {
        this.element = element;
        this.type = type;
        this.o = o;
        this.content = content;
        this.panels = Array.prototype.slice.call(content.children);
        var nav = part(element, o.navCls);
        this.triggers = nav ? Array.prototype.slice.call(nav.children) : [];
        this.prev = part(element, o.prevBtnCls);
        this.next = part(element, o.nextBtnCls);
        this.scrolls = type !== 'Accordion' && (o.effect === 'scrollx' || o.effect === 'scrolly');
        this.fades = type !== 'Accordion' && o.effect === 'fade';
        this.pages = this.scrolls ? Math.ceil(this.panels.length / o.steps) : this.panels.length;
        this.index = o.activeIndex < this.pages ? o.activeIndex : 0;
        this.open = [this.index];   // the open panels of an accordion
        this.hiddenByCss = [];
        this.animated = false;
        this.timer = 0;
        this.hoverTimer = 0;
        this.hovered = false;
    }

    // The start goes in rounds, each round over every widget: first all
    // the reads of a round, then all its writes, so that the page's style is
    // worked out once, not once per widget. Nothing at the start asks for
    // the page's layout: sizes come when the page lays itself out.

    // Writes: a panel hidden by its own style attribute (decorators hide
    // all but the first to avoid a flash) is handed to the style sheet, so
    // the next round learns whether the style sheet hides it too.
    Widget.prototype.unhide = function () {
        this.panels.forEach(function (panel) {
            if (panel.style.display === 'none')
                panel.style.display = '';
        });
    };

    // Reads: which panels the style sheet hides (decorators often hide all
    // panels and leave the showing to the runtime: those are shown as
    // blocks), and whether the content is positioned.
    Widget.prototype.inspect = function () {
        var hidden = this.hiddenByCss;
        this.panels.forEach(function (panel, k) {
            hidden[k] = getComputedStyle(panel).display === 'none';
        });
        if (this.fades)
            this.contentStatic = getComputedStyle(this.content).position === 'static';
    };

    // Writes: the first state, and where the pointer and the clock come in.
    Widget.prototype.start = function () {
        var self = this;
        var hidden = this.hiddenByCss;
        if (this.fades || this.scrolls) {
            // Fading and scrolling lay every panel out, shown or not.
            this.panels.forEach(function (panel, k) {
                if (hidden[k])
                    panel.style.display = 'block';
            });
        }
        // The browser keeps the view on a node it picks when the page is
        // scrolled (scroll anchoring). A panel we line up or lay over
        // another would pull the whole page after it, sideways too.
        this.content.style.overflowAnchor = 'none';
        if (this.fades && this.contentStatic)
            this.content.style.position = 'relative';
        if (this.scrolls) {
            sizedOf.set(this.panels[0], this);
            sizes.observe(this.panels[0], { box: 'border-box' });
        }
        this.show();
        widgetOf.set(this.element, this);
        this.triggers.forEach(function (trigger, k) {
            triggerOf.set(trigger, { widget: self, index: k });
        });
        if (this.type !== 'Accordion') {
            if (this.prev)
                buttonOf.set(this.prev, { widget: this, delta: -1 });
            if (this.next)
                buttonOf.set(this.next, { widget: this, delta: 1 });
        }
        this.scheduleAutoplay();
    };

    // The page has laid the first panel out (and again whenever its size
    // changes, as pictures arrive): the content becomes the view and the
    // panels line up in it. As blocks, panels are as wide as the content;
    // in a row they would shrink to their text, so they keep that width.
    Widget.prototype.sized = function (width, height) {
        var o = this.o;
        var c = this.content.style;
        if (!this.lined) {
            this.lined = true;
            c.display = 'flex';
            c.flexDirection = o.effect === 'scrollx' ? 'row' : 'column';
            c.alignItems = 'flex-start';
            c.overflow = 'hidden';
            c.boxSizing = 'border-box';
            if (o.viewSize[0])
                c.width = o.viewSize[0] + 'px';
            if (o.viewSize[1])
                c.height = o.viewSize[1] + 'px';
            this.panels.forEach(function (panel) {
                panel.style.flex = 'none';
                panel.style.boxSizing = 'border-box';
                panel.style.width = width + 'px';
            });
        }
        if (o.effect === 'scrolly' && !o.viewSize[1])
            c.height = o.steps * height + 'px';
    };

    Widget.prototype.autoplays = function () {
        return this.o.autoplay && !this.o.multiple && this.pages > 1;
    };

    Widget.prototype.clearHover = function () {
        if (this.hoverTimer)
            clearTimeout(this.hoverTimer);
        this.hoverTimer = 0;
    };

    Widget.prototype.pointerOnTrigger = function (k) {
        var self = this;
        this.clearHover();
        if (this.o.triggerType !== 'mouse')
            return;
        this.hoverTimer = setTimeout(function () {
            self.hoverTimer = 0;
            self.chosen(k, false);
        }, HOVER_DELAY);
    };

    Widget.prototype.pointerOnWidget = function (on) {
        if (!this.o.pauseOnHover)
            return;
        this.hovered = on;
        this.scheduleAutoplay();
    };

    // A trigger was clicked (`click`) or hovered.
    Widget.prototype.chosen = function (k, click) {
        this.clearHover();
        if (k >= this.pages)
            return;
        if (this.o.multiple) {
            var at = this.open.indexOf(k);
            if (at < 0)
                this.open.push(k);
            else if (click)
                this.open.splice(at, 1);
            this.show();
            return;
        }
        this.switchTo(k);
        this.scheduleAutoplay();
    };

    Widget.prototype.step = function (delta) {
        var k = this.index + delta;
        if (k < 0 || k >= this.pages) {
            if (!this.o.circular)
                return;
            k = (k + this.pages) % this.pages;
        }
        this.switchTo(k);
        this.scheduleAutoplay();
    };

    Widget.prototype.switchTo = function (k) {
        if (k === this.index)
            return;
        this.index = k;
        this.open = [k];
        this.animate();
        this.show();
    };

    // (Re)starts the wait for the next autoplay step, unless the pointer
    // holds the widget.
    Widget.prototype.scheduleAutoplay = function () {
        var self = this;
        if (this.timer)
            clearTimeout(this.timer);
        this.timer = 0;
        if (!this.autoplays() || this.hovered)
            return;
        this.timer = setTimeout(function () {
            self.timer = 0;
            self.switchTo((self.index + 1) % self.pages);
            self.scheduleAutoplay();
        }, this.o.interval * 1000);
    };

    // Transitions are switched on at the first switch, not at the start: the
    // first state must appear at once, not fade or slide in.
    Widget.prototype.animate = function () {
        if (this.animated || this.o.duration <= 0 || !(this.fades || this.scrolls))
            return;
        this.animated = true;
        var d = this.o.duration + 's';
        var t = this.fades ? 'opacity ' + d + ', visibility ' + d : 'transform ' + d + ' ease';
        this.panels.forEach(function (panel) { panel.style.transition = t; });
    };

    function setClass(element, names, on) {
        if (!element)
            return;
        names.forEach(function (name) {
            if (element.classList.contains(name) !== on)
                element.classList.toggle(name, on);
        });
    }

    // Shows the current state: trigger classes, panels, buttons.
    Widget.prototype.show = function () {
        var o = this.o;
        var open = this.open;
        var hidden = this.hiddenByCss;
        this.triggers.forEach(function (trigger, k) {
            setClass(trigger, o.activeTriggerCls, open.indexOf(k) >= 0);
        });
        if (this.scrolls) {
            // A percentage moves each panel by its own size, so the move
            // needs no measuring.
            var shift = (o.effect === 'scrollx' ? 'translateX(' : 'translateY(') + -this.index * o.steps * 100 + '%)';
            this.panels.forEach(function (panel) { panel.style.transform = shift; });
        } else if (this.fades) {
            // The shown panel stays in the flow; the others lie over it,
            // transparent, and take no clicks.
            this.panels.forEach(function (panel, k) {
                var s = panel.style;
                var on = open.indexOf(k) >= 0;
                s.position = on ? '' : 'absolute';
                s.left = s.top = s.right = on ? '' : '0';
                s.opacity = on ? '1' : '0';
                s.visibility = on ? '' : 'hidden';
                s.pointerEvents = on ? '' : 'none';
            });
        } else {
            this.panels.forEach(function (panel, k) {
                panel.style.display = open.indexOf(k) < 0 ? 'none' : hidden[k] ? 'block' : '';
            });
        }
        if (!o.circular && this.type !== 'Accordion') {
            setClass(this.prev, o.disableBtnCls, this.index === 0);
            setClass(this.next, o.disableBtnCls, this.index === this.pages - 1);
        }
    };

    // The parts of the live widgets. One set of listeners on the document
    // serves them all: a page of hundreds of widgets starts without adding
    // listeners to each of their parts.
    var widgetOf = new WeakMap();    // widget element -> Widget
    var triggerOf = new WeakMap();   // trigger -> { widget, index }
    var buttonOf = new WeakMap();    // prev/next button -> { widget, delta }
    var sizedOf = new WeakMap();     // first panel of a scrolling widget -> Widget

    var sizes = new ResizeObserver(function (entries) {
        entries.forEach(function (entry) {
            var box = entry.borderBoxSize[0];
            sizedOf.get(entry.target).sized(box.inlineSize, box.blockSize);
        });
    });

    // Calls `fn(element)` for `target` and each element above it.
    function upFrom(target, fn) {
        for (var e = target; e && e.nodeType === Node.ELEMENT_NODE; e = e.parentElement)
            fn(e);
    }

    function listen() {
        document.addEventListener('click', function (event) {
            upFrom(event.target, function (e) {
                var t = triggerOf.get(e);
                if (t)
                    t.widget.chosen(t.index, true);
                var b = buttonOf.get(e);
                if (b)
                    b.widget.step(b.delta);
            });
        }, true);
        // mouseover and mouseout seen from an element, with the element the
        // pointer comes from or goes to outside it, are its enter and leave.
        var crossing = function (on) {
            return function (event) {
                var other = event.relatedTarget;
                upFrom(event.target, function (e) {
                    if (other && e.contains(other))
                        return;
                    var t = triggerOf.get(e);
                    if (t && on)
                        t.widget.pointerOnTrigger(t.index);
                    else if (t)
                        t.widget.clearHover();
                    var w = widgetOf.get(e);
                    if (w)
                        w.pointerOnWidget(on);
                });
            };
        };
        document.addEventListener('mouseover', crossing(true), true);
        document.addEventListener('mouseout', crossing(false), true);
    }

    function start() {
        var began = performance.now();
        if (document.documentElement.getAttribute('data-ravik-page-widgets') === 'own') {
            summary.pageRuntime = true;
            summary.started = true;
            return;
        }
        var found = Array.prototype.slice.call(document.getElementsByClassName('J_TWidget'));
        var widgets = [];
        found.forEach(function (element, i) {
            var type = element.getAttribute('data-widget-type');
            if (!Object.prototype.hasOwnProperty.call(DEFAULTS, type))
                return;   // another family of widgets: not emulated
            ++summary.widgets;
            var config = ravikWidgetConfig.parse(element.getAttribute('data-widget-config'));
            if (config.error !== undefined) {
                report(element, i + 1, '的 data-widget-config 无法读取（第 ' + (config.position + 1) + ' 个字符：' +
                       config.error + '）');
                return;
            }
            var o = readOptions(type, config.value);
            var content = part(element, o.contentCls);
            if (!content || !content.firstElementChild) {
                report(element, i + 1, '里没有 class 为 "' + o.contentCls + '" 且含有面板的元素');
                return;
            }
            widgets.push(new Widget(element, type, o, content));
        });
        // A widget that fails on the way (a fault of ours, or a page that
        // pulls the ground from under it) is dropped; the others go on.
        ['unhide', 'inspect', 'start'].forEach(function (round) {
            widgets = widgets.filter(function (w) {
                try {
                    w[round]();
                    return true;
                } catch (e) {
                    console.error('[Ravik] 挂件 ' + w.type + ' 未能启动：' + e);
                    return false;
                }
            });
        });
        if (widgets.length)
            listen();
        summary.alive = widgets.length;
        summary.startMs = performance.now() - began;
        summary.started = true;
    }

    if (document.readyState === 'loading')
        document.addEventListener('DOMContentLoaded', start);
    else
        start();
})();
