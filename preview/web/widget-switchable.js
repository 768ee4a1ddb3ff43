// The storefront's switchable widgets: Tabs, Slide, Carousel and Accordion.
// Triggers switch on hover or click, slides play and pause under the
// pointer, panels fade or scroll, prev/next buttons stop at the ends
// unless circular, accordions open one or several panels.
//
// What the storefront's runtime does, and we do the same:
//  - parts are found by class, the first element of the class in document
//    order inside the widget, inside widgets nested in it too. With
//    nav/content markup the triggers are the children of the element of
//    class navCls (ks-switchable-nav), the panels the children of the one of
//    class contentCls (ks-switchable-content). With class markup
//    (markupType 1, or a panelCls given; the Accordion's default) the
//    triggers are every element of class triggerCls (ks-switchable-trigger)
//    and the panels every element of class panelCls (ks-switchable-panel)
//    inside the widget;
//  - hasTriggers (default true): a widget with panels and no triggers gets a
//    list of numbered triggers of class navCls appended; false means no
//    triggers at all;
//  - triggerType "mouse" (the Accordion's default is "click"): resting on a
//    trigger for `delay` s (default 0.1) switches to it; a click switches at
//    once whatever the type;
//  - steps panels make a page; viewSize is how far a scroll moves per page
//    (by default the panels' own size times steps);
//  - effect "fade" lays every panel out of the flow where it stands, the
//    shown one opaque and on top (z-index 9), the others transparent
//    beneath (z-index 1): the content keeps only the height its own style
//    gives it. Generators rely on it: a nav list named as a panel of a fade
//    Tabs becomes absolute and sits where its bottom/left put it. At a
//    switch the panel coming is opaque at once beneath the one going,
//    which fades out over it;
//  - scrollx and scrolly move the panels by a page; the widget clips
//    nothing itself: the decorator's boxes (overflow: hidden) make the
//    view, which may show several panels;
//  - animations last `duration` s (default 0.5) with the named easing
//    (default easeNone, linear); we ease with the CSS curve closest to each;
//  - autoplay (Slide and Carousel by default) moves on every `interval` s
//    (default 5) and waits while the pointer is on the widget
//    (pauseOnHover, default true).
// Our own choices where the runtime's is not written down or not wanted
// offline:
//  - autoplay wraps after the last page, circular or not, and starts its
//    interval afresh after a switch by the user;
//  - a widget named with no markupType finds its panels either way: an
//    Accordion first by class, the others first by nav/content;
//  - scrolling moves the panels, lined up in the content (the runtime
//    moves the content itself); at the wrap they scroll back to the first
//    page: the decorator's elements are never cloned or moved;
//  - an Accordion shows or hides its panels (effects do not apply). With
//    "multiple", a click on a trigger opens or closes its panel, hovering
//    only opens; without it, opening one panel closes the other. Autoplay
//    applies to a single-panel accordion only;
//  - images waiting in data-ks-lazyload-custom or data-ks-lazyload get their
//    picture once they come into sight (widgets.js);
//  - out-of-range numbers fall back to their defaults (activeIndex 0), times
//    are kept in range (widget-core.js).
(function () {
    'use strict';
    var core = window.ravikWidgetCore;
    if (!core || core.types.Tabs)
        return;

    var DEFAULTS = {
        Tabs: { autoplay: false, circular: false, triggerType: 'mouse' },
        Slide: { autoplay: true, circular: true, triggerType: 'mouse' },
        Carousel: { autoplay: true, circular: true, triggerType: 'mouse' },
        Accordion: { autoplay: false, circular: false, triggerType: 'click' }
    };
    var EFFECTS = ['none', 'fade', 'scrollx', 'scrolly'];
    var INTERVAL = { min: 0.1, max: core.MAX_DELAY / 1000, over: Infinity };   // s
    var SHORT = { min: 0, max: 10 };                                 // s

    // The runtime's easings as CSS curves: quadratic for the plain names,
    // quartic for "Strong", overshooting for back; elastic and bounce have
    // no CSS curve and overshoot like back.
    var EASINGS = {
        easeNone: 'linear',
        easeIn: 'cubic-bezier(0.55, 0.085, 0.68, 0.53)',
        easeOut: 'cubic-bezier(0.25, 0.46, 0.45, 0.94)',
        easeBoth: 'cubic-bezier(0.455, 0.03, 0.515, 0.955)',
        easeInStrong: 'cubic-bezier(0.895, 0.03, 0.685, 0.22)',
        easeOutStrong: 'cubic-bezier(0.165, 0.84, 0.44, 1)',
        easeBothStrong: 'cubic-bezier(0.77, 0, 0.175, 1)',
        backIn: 'cubic-bezier(0.6, -0.28, 0.735, 0.045)',
        backOut: 'cubic-bezier(0.175, 0.885, 0.32, 1.275)',
        backBoth: 'cubic-bezier(0.68, -0.55, 0.265, 1.55)'
    };
    EASINGS.elasticIn = EASINGS.bounceIn = EASINGS.backIn;
    EASINGS.elasticOut = EASINGS.bounceOut = EASINGS.backOut;
    EASINGS.elasticBoth = EASINGS.bounceBoth = EASINGS.backBoth;

    function readOptions(type, config) {
        var d = DEFAULTS[type];
        var view = Array.isArray(config.viewSize) ? config.viewSize : [];
        var markup = core.number(config.markupType, -1, 0);
        if (markup < 0 && core.text(config.panelCls, ''))
            markup = 1;
        return {
            markup: markup === 0 || markup === 1 ? markup : -1,
            navCls: core.text(config.navCls, 'ks-switchable-nav'),
            contentCls: core.text(config.contentCls, 'ks-switchable-content'),
            triggerCls: core.text(config.triggerCls, 'ks-switchable-trigger'),
            panelCls: core.text(config.panelCls, 'ks-switchable-panel'),
            hasTriggers: core.flag(config.hasTriggers, true),
            activeTriggerCls: core.classes(config.activeTriggerCls, 'ks-active'),
            triggerType: config.triggerType === 'click' || config.triggerType === 'mouse' ? config.triggerType
                                                                                           : d.triggerType,
            delay: core.time(config.delay, 0.1, SHORT),
            activeIndex: Math.floor(core.number(config.activeIndex, 0, 0)),
            autoplay: core.flag(config.autoplay, d.autoplay),
            interval: core.time(config.interval, 5, INTERVAL),
            pauseOnHover: core.flag(config.pauseOnHover, true),
            effect: EFFECTS.indexOf(config.effect) >= 0 ? config.effect : 'none',
            duration: core.time(config.duration, 0.5, SHORT),
            easing: EASINGS[config.easing] || 'linear',
            steps: Math.max(1, Math.floor(core.number(config.steps, 1, 1))),
            viewSize: [core.number(view[0], 0, 1), core.number(view[1], 0, 1)],
            circular: core.flag(config.circular, d.circular),
            prevBtnCls: core.text(config.prevBtnCls, 'ks-switchable-prev-btn'),
            nextBtnCls: core.text(config.nextBtnCls, 'ks-switchable-next-btn'),
            disableBtnCls: core.classes(config.disableBtnCls, 'ks-switchable-disable-btn'),
            multiple: type === 'Accordion' && core.flag(config.multiple, false)
        };
    }

    function children(element) {
        return element ? Array.prototype.slice.call(element.children) : [];
    }

    // The panels and triggers by nav/content markup, or null without panels.
    function byContent(element, o) {
        var content = core.first(element, o.contentCls);
        if (!content || !content.firstElementChild)
            return null;
        return { content: content, panels: children(content), triggers: children(core.first(element, o.navCls)) };
    }

    // The same by class markup; the content is the panels' nearest common
    // ancestor.
    function byClass(element, o) {
        var panels = core.all(element, o.panelCls);
        if (!panels.length)
            return null;
        var content = panels[0].parentElement;
        while (content !== element && !panels.every(function (p) { return content.contains(p); }))
            content = content.parentElement;
        return { content: content, panels: panels, triggers: core.all(element, o.triggerCls) };
    }

    function parts(type, element, o) {
        if (o.markup === 0)
            return byContent(element, o);
        if (o.markup === 1 || type === 'Accordion')
            return byClass(element, o) || (o.markup < 0 ? byContent(element, o) : null);
        return byContent(element, o) || byClass(element, o);
    }

    function setClass(element, names, on) {
        if (!element)
            return;
        names.forEach(function (name) {
            if (element.classList.contains(name) !== on)
                element.classList.toggle(name, on);
        });
    }

    function Widget(element, type, o, found) {
        this.element = element;
        this.type = type;
        this.o = o;
        this.content = found.content;
        this.panels = found.panels;
        this.triggers = o.hasTriggers ? found.triggers : [];
        this.prev = core.first(element, o.prevBtnCls);
        this.next = core.first(element, o.nextBtnCls);
        this.scrolls = type !== 'Accordion' && (o.effect === 'scrollx' || o.effect === 'scrolly');
        this.fades = type !== 'Accordion' && o.effect === 'fade';
        this.steps = type === 'Accordion' || this.fades ? 1 : o.steps;
        this.pages = Math.ceil(this.panels.length / this.steps);
        this.index = o.activeIndex < this.pages ? o.activeIndex : 0;
        this.open = [this.index];   // the open pages; several in a multiple accordion
        this.hiddenByCss = [];
        this.animated = false;
        this.onTop = null;   // a fade's panel on top
        this.fading = 0;
        this.timers = new core.Timers();
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
    // blocks).
    Widget.prototype.inspect = function () {
        var hidden = this.hiddenByCss;
        this.panels.forEach(function (panel, k) {
            hidden[k] = getComputedStyle(panel).display === 'none';
        });
    };

    // Writes: the first state, and where the pointer and the clock come in.
    Widget.prototype.start = function () {
        var self = this;
        var o = this.o;
        var hidden = this.hiddenByCss;
        if (o.hasTriggers && !this.triggers.length)
            this.makeTriggers();
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
        if (this.fades) {
            this.panels.forEach(function (panel) { panel.style.position = 'absolute'; });
        }
        if (this.scrolls && o.effect === 'scrolly') {
            // Stacked as blocks are, whatever the decorator made them, each
            // as tall as it is written.
            this.content.style.display = 'flex';
            this.content.style.flexDirection = 'column';
            this.panels.forEach(function (panel) { panel.style.flex = 'none'; });
        } else if (this.scrolls) {
            sizedOf.set(this.panels[0], this);
            sizes.observe(this.panels[0], { box: 'border-box' });
        }
        this.show();
        core.on(this.element, this, {
            enter: function () { self.pointerOnWidget(true); },
            leave: function () { self.pointerOnWidget(false); }
        });
        this.triggers.forEach(function (trigger, k) {
            core.on(trigger, self, {
                click: function () { self.chosen(k, true); },
                enter: function () { self.pointerOnTrigger(k); },
                leave: function () { self.clearHover(); }
            });
        });
        if (this.type !== 'Accordion') {
            core.on(this.prev, this, { click: function () { self.step(-1); } });
            core.on(this.next, this, { click: function () { self.step(1); } });
        }
        this.scheduleAutoplay();
    };

    Widget.prototype.stop = function () {
        this.timers.clear();
        core.forget(this);
        if (this.scrolls) {
            sizes.unobserve(this.panels[0]);
            sizedOf.delete(this.panels[0]);
        }
    };

    // The numbered triggers the runtime makes for a widget that has none.
    Widget.prototype.makeTriggers = function () {
        var nav = document.createElement('ul');
        nav.className = this.o.navCls;
        for (var k = 0; k < this.pages; ++k) {
            var li = document.createElement('li');
            li.textContent = String(k + 1);
            nav.appendChild(li);
            this.triggers.push(li);
        }
        this.element.appendChild(nav);
    };

    // The page has laid the first panel of a scrollx widget out: the panels
    // line up in a row in the content. As blocks, panels are as wide as the
    // content; in a row they would shrink to their text, so they keep that
    // width. The content clips nothing: what shows of the row is what the
    // decorator's own boxes let through, as on the shop, where a list
    // scrolling one item at a time may show several.
    Widget.prototype.sized = function (width) {
        var c = this.content.style;
        sizes.unobserve(this.panels[0]);
        sizedOf.delete(this.panels[0]);
        c.display = 'flex';
        c.flexDirection = 'row';
        c.alignItems = 'flex-start';
        this.panels.forEach(function (panel) {
            panel.style.flex = 'none';
            panel.style.boxSizing = 'border-box';
            panel.style.width = width + 'px';
        });
    };

    Widget.prototype.autoplays = function () {
        return this.o.autoplay && !this.o.multiple && this.pages > 1;
    };

    Widget.prototype.clearHover = function () {
        this.hoverTimer = this.timers.cancel(this.hoverTimer);
    };

    Widget.prototype.pointerOnTrigger = function (k) {
        var self = this;
        this.clearHover();
        if (this.o.triggerType !== 'mouse')
            return;
        this.hoverTimer = this.timers.later(function () {
            self.hoverTimer = 0;
            self.chosen(k, false);
        }, this.o.delay * 1000);
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
        this.timer = this.timers.cancel(this.timer);
        if (!this.autoplays() || this.hovered)
            return;
        this.timer = this.timers.later(function () {
            self.timer = 0;
            self.switchTo((self.index + 1) % self.pages);
            self.scheduleAutoplay();
        }, this.o.interval * 1000);
    };

    // Transitions are switched on at the first switch, not at the start: the
    // first state must appear at once, not slide in. (A fade sets its own,
    // switch by switch: see `fade`.)
    Widget.prototype.animate = function () {
        var o = this.o;
        if (this.animated || o.duration <= 0 || !this.scrolls)
            return;
        this.animated = true;
        var t = 'transform ' + o.duration + 's ' + o.easing;
        this.panels.forEach(function (panel) { panel.style.transition = t; });
    };

    // Fades to the current panel as the runtime does: the panel coming is
    // at once opaque beneath the one going, which fades out over it; then
    // they change places. What lies behind the widget never shows through.
    // A switch during a fade ends that fade first.
    Widget.prototype.fade = function () {
        var o = this.o;
        var from = this.onTop;
        var to = this.panels[this.index];
        this.fading = this.timers.cancel(this.fading);
        this.panels.forEach(function (panel) {
            if (panel === to || panel === from)
                return;
            panel.style.transition = 'none';
            panel.style.opacity = '0';
            panel.style.zIndex = '1';
        });
        to.style.transition = 'none';
        to.style.opacity = '1';
        this.onTop = to;
        if (!from || from === to || o.duration <= 0) {
            to.style.zIndex = '9';
            if (from && from !== to) {
                from.style.opacity = '0';
                from.style.zIndex = '1';
            }
            return;
        }
        to.style.zIndex = '1';
        from.style.zIndex = '9';
        from.style.transition = 'opacity ' + o.duration + 's ' + o.easing;
        from.style.opacity = '0';
        this.fading = this.timers.later(function () {
            to.style.zIndex = '9';
            from.style.zIndex = '1';
        }, o.duration * 1000);
    };

    // Shows the current state: trigger classes, panels, buttons.
    Widget.prototype.show = function () {
        var o = this.o;
        var open = this.open;
        var steps = this.steps;
        var hidden = this.hiddenByCss;
        var shown = function (k) { return open.indexOf(Math.floor(k / steps)) >= 0; };
        this.triggers.forEach(function (trigger, k) {
            setClass(trigger, o.activeTriggerCls, open.indexOf(k) >= 0);
        });
        if (this.scrolls) {
            // Without a viewSize a percentage moves each panel by its own
            // size, so the move needs no measuring. The runtime moves the
            // content instead, by the first panel's size: the same for
            // panels of one size.
            var x = o.effect === 'scrollx';
            var by = o.viewSize[x ? 0 : 1];
            var shift = by ? -this.index * by + 'px' : -this.index * steps * 100 + '%';
            var move = (x ? 'translateX(' : 'translateY(') + shift + ')';
            this.panels.forEach(function (panel) { panel.style.transform = move; });
        } else if (this.fades) {
            this.fade();
        } else {
            this.panels.forEach(function (panel, k) {
                panel.style.display = !shown(k) ? 'none' : hidden[k] ? 'block' : '';
            });
        }
        if (!o.circular && this.type !== 'Accordion') {
            setClass(this.prev, o.disableBtnCls, this.index === 0);
            setClass(this.next, o.disableBtnCls, this.index === this.pages - 1);
        }
    };

    var sizedOf = new WeakMap();     // first panel of a scrollx widget -> Widget
    var sizes = new ResizeObserver(function (entries) {
        entries.forEach(function (entry) {
            var w = sizedOf.get(entry.target);
            if (w)
                w.sized(entry.borderBoxSize[0].inlineSize);
        });
    });

    function create(element, type, config, position) {
        var o = readOptions(type, config);
        var found = parts(type, element, o);
        if (!found) {
            core.report(element, position, o.markup === 1 || (o.markup < 0 && type === 'Accordion')
                ? '里没有 class 为 "' + o.panelCls + '" 的面板'
                : '里没有 class 为 "' + o.contentCls + '" 且含有面板的元素');
            return null;
        }
        return new Widget(element, type, o, found);
    }

    Object.keys(DEFAULTS).forEach(function (type) {
        core.define(type, {
            rounds: ['unhide', 'inspect', 'start'],
            create: function (element, config, position) { return create(element, type, config, position); }
        });
    });
})();
