// The storefront's Popup: an overlay, hidden at first, shown next to the
// element the pointer is on. Product grids show a price or a buy button
// over each picture this way, and carousels their prev/next arrows (which
// stay the carousel's buttons: widget-switchable.js finds them inside the
// overlay).
//
// Options, as the storefront reads them:
//  - trigger: a selector; hovering any element it names shows the overlay
//    after `delay` s (default 0.1); leaving both trigger and overlay hides
//    it after 0.1 s. triggerType "click" toggles it on a click
//    on a trigger instead;
//  - align: { node, points: [nodePoint, overlayPoint], offset: [x, y] }. A
//    point is t/c/b (top, centre, bottom) then l/c/r (left, centre, right),
//    read letter by letter (see `point`):
//    the overlay's point is put on the node's point, then moved by offset
//    pixels. No node means the trigger the pointer is on. The overlay is
//    laid out absolutely where it stands in the page and placed anew at
//    every showing, so it follows the node as the page moves;
//  - effect "fade" or "slide" (downwards), over `duration` s (default 0.2).
// Our choices: selectors are looked up in the module that holds the
// overlay (widget-core.js); points missing or not of two letters are ['cc', 'cc'],
// the pattern most real code writes; an overlay with no z-index of its own
// gets 9999 so that it lies over the slides it goes with.
(function () {
    'use strict';
    var core = window.ravikWidgetCore;
    if (!core || core.types.Popup)
        return;

    var SHORT = { min: 0, max: 10 };   // s
    var HIDE_DELAY = 100;   // ms

    // A point as the storefront reads it, letter by letter: the first says
    // the height (c centre, b bottom, anything else top), the second the
    // width (c centre, r right, anything else left). So the 'lt' decorators
    // write for top-left is top-left there, and must be here.
    function point(v) {
        if (typeof v !== 'string' || v.length !== 2)
            return 'cc';
        var y = v[0] === 'c' || v[0] === 'b' ? v[0] : 't';
        var x = v[1] === 'c' || v[1] === 'r' ? v[1] : 'l';
        return y + x;
    }

    function readOptions(config) {
        var align = config.align && typeof config.align === 'object' ? config.align : {};
        var points = Array.isArray(align.points) ? align.points : [];
        var offset = Array.isArray(align.offset) ? align.offset : [];
        return {
            trigger: core.text(config.trigger, ''),
            click: config.triggerType === 'click',
            node: core.text(align.node, ''),
            points: [point(points[0]), point(points[1])],
            offset: [core.number(offset[0], 0, -Infinity), core.number(offset[1], 0, -Infinity)],
            effect: config.effect === 'fade' || config.effect === 'slide' ? config.effect : 'none',
            duration: core.time(config.duration, 0.2, SHORT),
            delay: core.time(config.delay, 0.1, SHORT)
        };
    }

    // The page coordinates of `p` ('tl', 'cc', 'br'...) on a box.
    function at(rect, p) {
        var f = { t: 0, l: 0, c: 0.5, b: 1, r: 1 };
        return [rect.left + rect.width * f[p[1]], rect.top + rect.height * f[p[0]]];
    }

    function Popup(element, o, triggers, root) {
        this.element = element;
        this.o = o;
        this.triggers = triggers;
        this.root = root;
        this.shown = false;
        this.current = null;   // the trigger it shows for
        this.timers = new core.Timers();
        this.wait = 0;
    }

    Popup.prototype.start = function () {
        var self = this;
        core.conceal(this.element);
        this.triggers.forEach(function (trigger) {
            core.on(trigger, self, self.o.click ? {
                click: function () {
                    self.current = trigger;
                    self.set(!self.shown);
                }
            } : {
                enter: function () { self.entered(trigger); },
                leave: function (e, to) { self.left(to); }
            });
        });
        if (!this.o.click) {
            core.on(this.element, this, {
                enter: function () { self.entered(null); },
                leave: function (e, to) { self.left(to); }
            });
        }
    };

    Popup.prototype.stop = function () {
        this.timers.clear();
        core.forget(this);
    };

    // The pointer came onto a trigger, or onto the overlay (null).
    Popup.prototype.entered = function (trigger) {
        var self = this;
        this.wait = this.timers.cancel(this.wait);
        if (trigger && trigger !== this.current) {
            this.current = trigger;
            if (this.shown)
                this.place();
        }
        if (!this.shown && trigger) {
            this.wait = this.timers.later(function () {
                self.wait = 0;
                self.set(true);
            }, this.o.delay * 1000);
        }
    };

    // The pointer left a trigger or the overlay for `to`: unless it went
    // on to the other, the overlay hides after a short wait.
    Popup.prototype.left = function (to) {
        var self = this;
        if (to && (this.element.contains(to) || this.triggers.some(function (t) { return t.contains(to); })))
            return;
        this.wait = this.timers.cancel(this.wait);
        if (this.shown) {
            this.wait = this.timers.later(function () {
                self.wait = 0;
                self.set(false);
            }, HIDE_DELAY);
        }
    };

    Popup.prototype.set = function (on) {
        var e = this.element;
        var s = e.style;
        var o = this.o;
        if (!on) {
            this.shown = false;
            core.conceal(e);
            return;
        }
        this.shown = true;
        core.reveal(e);
        s.position = 'absolute';
        if (getComputedStyle(e).zIndex === 'auto')
            s.zIndex = '9999';
        this.place();
        if (o.effect !== 'none' && o.duration > 0) {
            // From the effect's first frame, drawn once, to the shown state.
            s.transition = 'none';
            if (o.effect === 'fade')
                s.opacity = '0';
            else
                s.clipPath = 'inset(0 0 100% 0)';
            e.getBoundingClientRect();
            s.transition = (o.effect === 'fade' ? 'opacity ' : 'clip-path ') + o.duration + 's ease-out';
            if (o.effect === 'fade')
                s.opacity = '';
            else
                s.clipPath = 'inset(0 0 0 0)';
        }
    };

    // Puts the overlay's point on the node's point, plus the offset. The
    // overlay is placed at 0,0 of its containing block first, so that the
    // distance left to go is what left and top add.
    Popup.prototype.place = function () {
        var o = this.o;
        var node = o.node ? core.select(this.root, o.node)[0] : this.current;
        if (!node)
            return;
        var s = this.element.style;
        s.left = '0px';
        s.top = '0px';
        var origin = this.element.getBoundingClientRect();
        var target = at(node.getBoundingClientRect(), o.points[0]);
        var own = at({ left: 0, top: 0, width: origin.width, height: origin.height }, o.points[1]);
        s.left = target[0] - own[0] - origin.left + o.offset[0] + 'px';
        s.top = target[1] - own[1] - origin.top + o.offset[1] + 'px';
    };

    core.define('Popup', {
        rounds: ['start'],
        create: function (element, config) {
            var o = readOptions(config);
            var root = core.scope(element);
            return new Popup(element, o, core.select(root, o.trigger), root);
        }
    });
})();
