// The storefront's Countdown: the time left until an end, in days, hours,
// minutes, seconds and tenths, written into the decorator's own elements;
// at the end the running part hides and the end part shows.
//
// Options, as the storefront reads them:
//  - endTime: milliseconds from now, as a number or a numeric string; or a
//    date such as '2013-12-21 11:01:01', read in local time as the browser
//    reads it (a date already past means ended at once);
//  - interval: ms between ticks (default 1000);
//  - timeRunCls, timeEndCls: selectors of what shows while running and
//    once time is up (every match inside the widget);
//  - timeUnitCls: { d, h, m, s, i }: selectors of the elements that receive
//    days, hours, minutes, seconds and tenths of a second;
//  - minDigit: zero padding of every number (default 1: none).
// Our choices: a unit left out adds its time to the next larger unit shown
// (with only s and i, 90 s shows as 90.0); the tick interval is kept to
// 0.1 s - 1 h (unreadable or beyond: 1000); an endTime that cannot be read,
// or lies more than a century away, means the end never comes: the
// countdown stays as written.
(function () {
    'use strict';
    var core = window.ravikWidgetCore;
    if (!core || core.types.Countdown)
        return;

    var UNITS = [['d', 86400000], ['h', 3600000], ['m', 60000], ['s', 1000], ['i', 100]];
    var TICK = { min: 100, max: 3600000 };                // ms
    var CENTURY = 100 * 365.25 * 86400000;                 // ms

    // When the countdown ends, in ms since the epoch, or NaN.
    function endOf(v, now) {
        var n = typeof v === 'number' ? v : typeof v === 'string' && /^\s*[-+]?[0-9.]+(e[-+]?[0-9]+)?\s*$/i.test(v)
            ? Number(v) : NaN;
        if (isNaN(n) && typeof v === 'string') {
            // The browser reads 'YYYY-MM-DD hh:mm:ss' in local time.
            var date = new Date(v.trim());
            return date.getTime() - now <= CENTURY ? date.getTime() : NaN;
        }
        return isFinite(n) && n <= CENTURY ? now + n : NaN;
    }

    function write(elements, amount, digits) {
        var text = String(amount);
        while (text.length < digits)
            text = '0' + text;
        elements.forEach(function (e) {
            if (e.textContent !== text)
                e.textContent = text;
        });
    }

    function Countdown(element, config, end) {
        var units = config.timeUnitCls && typeof config.timeUnitCls === 'object' ? config.timeUnitCls : {};
        var root = element;   // its parts are its own
        this.element = element;
        this.end = end;
        this.interval = core.time(config.interval, 1000, TICK);
        this.digits = Math.min(20, Math.floor(core.number(config.minDigit, 1, 1)));
        this.run = core.select(root, config.timeRunCls);
        this.over = core.select(root, config.timeEndCls);
        this.units = UNITS.map(function (u) {
            return { ms: u[1], elements: core.select(root, units[u[0]]) };
        }).filter(function (u) { return u.elements.length; });
        this.timers = new core.Timers();
    }

    // While it runs, what shows at the end is hidden.
    Countdown.prototype.start = function () {
        if (this.end > Date.now()) {
            this.over.forEach(core.conceal);
            this.run.forEach(core.reveal);
        }
        this.tick();
    };

    Countdown.prototype.stop = function () {
        this.timers.clear();
    };

    Countdown.prototype.tick = function () {
        var self = this;
        var left = this.end - Date.now();
        if (left <= 0) {
            this.finish();
            return;
        }
        var digits = this.digits;
        var rest = left;
        this.units.forEach(function (u) {
            // The largest unit shown takes all the time above it.
            var amount = Math.floor(rest / u.ms);
            rest -= amount * u.ms;
            write(u.elements, amount, digits);
        });
        // The next tick comes on the interval's beat, whatever this one cost.
        this.timers.later(function () { self.tick(); }, Math.min(this.interval - (left % this.interval), left));
    };

    Countdown.prototype.finish = function () {
        var digits = this.digits;
        this.units.forEach(function (u) { write(u.elements, 0, digits); });
        this.run.forEach(core.conceal);
        this.over.forEach(core.reveal);
    };

    core.define('Countdown', {
        rounds: ['start'],
        create: function (element, config, position) {
            var end = endOf(config.endTime, Date.now());
            if (isNaN(end)) {
                core.report(element, position, '的 endTime 无法读取或远在百年之后');
                return null;
            }
            return new Countdown(element, config, end);
        }
    });
})();
