// Shows the publish check in the displayed page: a panel at the top of the
// custom module's region (a count per severity, one line per finding) and an
// outline, with the message as its tooltip, on each offending element. A
// click on a line asks the editor to select that text in the code pane; a
// click on the panel's head folds it away (the editor keeps that choice for
// the pages that follow). A clean fragment leaves the page untouched.
//
// Notes go at the top of the panel: why the check did not finish, what is
// wrong with the user's rule file, characters the cache page could not hold
// as typed (`pageNotes`, from the editor).
//
// A check that did not finish (stopped at its time limit, crashed, gave no
// readable report, or left part of the code unchecked) is never shown as a
// clean page: the panel says "发布检查没有完成" and why, with whatever
// findings there are. So does a report whose region the page no longer has
// (a script of the page removed it, say): the panel then goes to the top of
// the page, without outlines.
//
// The panel's text is drawn as generated content (CSS `content`), which the
// page's window.find() and a find in the page do not search: the page's
// scripts cannot tell the panel is there by its words.
//
// show() builds the panel and the outlines from one report and may run
// again with another: it first takes those of the report before away.
// `ravikFindingsPatch` serves the live patch, which changes the module in
// place: before() takes the outlines off, so that the patch finds the
// elements as the code made them; after() asks for the new code's findings
// and shows them in place of the panel on show, which stays till they come.
//
// Runs once the document is parsed, in the editor's script world. The panel
// lives in a closed shadow root: the storefront's style sheets cannot reach
// it, nor can the page's scripts. The panel moves everything after it, so
// the page is not shown before it is in: `ravikFindingsShown` settles once
// it is, or once the fragment is known clean (the scroll keeper waits on
// it).
//
// Finding the offending elements: the check parsed the same page with an
// HTML5 parser, so it knows each element's place in document order, counted
// from the region element (named by tag and its index among elements of that
// tag). The page's own scripts may have added or removed elements since, so
// each element found there is checked against its tag and attribute, and
// when it does not match, the nearest element that does is taken; the shift
// found carries on to the next finding.
(function () {
    'use strict';

    var MAX_LINES = 300;       // lines listed (the report lists no more); the counts cover all
    var MAX_SEARCH = 2000;     // how far from its place an element is looked for
    var RANK = {refused: 0, removed: 1, warning: 2};
    var COLOUR = {refused: '#8e24aa', removed: '#e4393c', warning: '#f08c00'};

    var settle;
    window.ravikFindingsShown = new Promise(function (resolve) { settle = resolve; });

    var STYLE = [
        ':host { all: initial; display: block; }',
        '.panel { margin: 0 0 8px; border: 1px solid #e8b4b4; border-left: 4px solid #e4393c; background: #fff8f6;',
        '  font: 12px/1.6 "Microsoft YaHei", "Noto Sans CJK SC", sans-serif; color: #333; text-align: left; }',
        '.head { display: flex; align-items: center; gap: 10px; padding: 4px 10px; cursor: pointer; user-select: none; }',
        '.title { font-weight: bold; }',
        '.count { padding: 0 6px; border-radius: 2px; color: #fff; }',
        '.fold { margin-left: auto; color: #666; }',
        '.body { border-top: 1px solid #f0d0d0; max-height: 240px; overflow: auto; }',
        '.folded .body { display: none; }',
        '.note { padding: 4px 10px; color: #8a5300; background: #fff4d6; }',
        '.unfinished { border-left-color: #f08c00; }',
        '[data-text]::before { content: attr(data-text); }',
        'ol { list-style: none; margin: 0; padding: 0; }',
        'li { display: flex; align-items: baseline; gap: 8px; padding: 2px 10px; cursor: pointer; white-space: nowrap; }',
        'li:hover { background: #ffe9e4; }',
        '.severity { flex: none; }',
        '.message { flex: none; }',
        'code { flex: 0 1 auto; min-width: 0; overflow: hidden; text-overflow: ellipsis; color: #555; font: 12px monospace; }',
        '.where { flex: none; margin-left: auto; color: #888; }',
        '.more { padding: 2px 10px; color: #888; }'
    ].join('\n');

    function element(tag, className, text) {
        var e = document.createElement(tag);
        if (className)
            e.className = className;
        if (text !== undefined)
            e.setAttribute('data-text', text);
        return e;
    }

    // The cache page the editor wrote; not a page a followed link led to,
    // nor the blank page a preview page is cleared with between two uses.
    function previewed() {
        return location.protocol === 'file:';
    }

    // The region element: the index-th of its tag, or the nearest of that tag
    // that still has its classes (scripts may have added elements before it);
    // null in a page that has none.
    function regionOf(report) {
        var region = report.region;
        if (!region)
            return null;
        var classes = (region['class'] || '').split(/[ \t\n\f\r]+/).filter(Boolean);
        var candidates = document.getElementsByTagName(region.tag);
        function fits(node) {
            return !!node && classes.every(function (c) { return node.classList.contains(c); });
        }
        for (var d = 0; d < candidates.length; ++d) {
            if (fits(candidates[region.index + d]))
                return candidates[region.index + d];
            if (d && fits(candidates[region.index - d]))
                return candidates[region.index - d];
        }
        return null;
    }

    function matches(node, finding) {
        return !!node && node.localName.toLowerCase() === finding.tag &&
            (!finding.attribute || node.hasAttribute(finding.attribute));
    }

    // The element of each finding that has one, or null.
    function resolve(region, findings) {
        var targets = findings.map(function () { return null; });
        var all = document.getElementsByTagName('*');
        var base = Array.prototype.indexOf.call(all, region);
        if (base < 0)
            return targets;
        var order = [];
        findings.forEach(function (f, i) {
            if (f.element > 0)
                order.push(i);
        });
        order.sort(function (a, b) { return findings[a].element - findings[b].element; });
        var shift = 0;
        order.forEach(function (i) {
            var f = findings[i];
            var at = base + f.element + shift;
            for (var d = 0; d <= MAX_SEARCH; ++d) {
                var hit = matches(all[at + d], f) ? at + d : (d && matches(all[at - d], f) ? at - d : -1);
                if (hit >= 0) {
                    targets[i] = all[hit];
                    shift = hit - base - f.element;
                    return;
                }
            }
        });
        return targets;
    }

    // Outlines on the offending elements, the worst severity's colour on
    // each, put on and taken off as the panel unfolds and folds.
    function Outlines(targets, findings) {
        var marks = [];
        var byElement = new Map();
        targets.forEach(function (node, i) {
            if (!node)
                return;
            var mark = byElement.get(node);
            if (!mark) {
                mark = {node: node, severity: findings[i].severity, messages: []};
                byElement.set(node, mark);
                marks.push(mark);
            }
            if (RANK[findings[i].severity] < RANK[mark.severity])
                mark.severity = findings[i].severity;
            if (mark.messages.indexOf(findings[i].message) < 0)
                mark.messages.push(findings[i].message);
        });
        var shown = false;
        this.show = function (on) {
            if (on === shown)
                return;
            shown = on;
            marks.forEach(function (m) {
                var style = m.node.style;
                if (!style)
                    return;
                if (on) {
                    m.saved = {
                        outline: style.getPropertyValue('outline'),
                        outlinePriority: style.getPropertyPriority('outline'),
                        offset: style.getPropertyValue('outline-offset'),
                        offsetPriority: style.getPropertyPriority('outline-offset'),
                        title: m.node.getAttribute('title'),
                        style: m.node.getAttribute('style')
                    };
                    style.setProperty('outline', '2px solid ' + COLOUR[m.severity], 'important');
                    style.setProperty('outline-offset', '-2px', 'important');
                    m.saved.outlined = m.node.getAttribute('style');
                    m.node.setAttribute('title', m.messages.join('\n'));
                } else {
                    // The style attribute as written, where nothing else
                    // changed it meanwhile (setting properties rewrites it).
                    if (m.node.getAttribute('style') === m.saved.outlined && m.saved.style !== null) {
                        m.node.setAttribute('style', m.saved.style);
                    } else {
                        style.setProperty('outline', m.saved.outline, m.saved.outlinePriority);
                        style.setProperty('outline-offset', m.saved.offset, m.saved.offsetPriority);
                        if (m.saved.style === null && !m.node.getAttribute('style'))
                            m.node.removeAttribute('style');
                    }
                    if (m.saved.title === null)
                        m.node.removeAttribute('title');
                    else
                        m.node.setAttribute('title', m.saved.title);
                }
            });
        };
    }

    var current = null;   // the panel and outlines on show: {host, outlines}

    function clear() {
        if (!current)
            return;
        current.outlines.show(false);
        current.host.remove();
        current = null;
        window.ravikFindings = undefined;
    }

    function show(ravik, report) {
        clear();
        var findings = report.findings;
        if (!Array.isArray(findings) || !previewed())
            return;   // no report at all
        var region = regionOf(report);
        var unfinished = report.unfinished ? [report.unfinished] : [];
        // Clean code that lost its region has nothing to show anyway.
        if (!region && (findings.length || report.note || report.pageNotes || unfinished.length || !report.region))
            unfinished.push('在页面里找不到放代码的模块（页面的脚本可能删掉了它），检查结果无法在页面上标出。');
        var notes = (report.note ? [report.note] : []).concat(report.pageNotes || []);
        if (!findings.length && !notes.length && !unfinished.length)
            return;
        findings = findings.slice(0, MAX_LINES);
        // Before the panel goes in: it is an element of the page too.
        var targets = region ? resolve(region, findings) : findings.map(function () { return null; });
        var outlines = new Outlines(targets, findings);

        var host = element('div');
        host.style.setProperty('all', 'initial', 'important');
        host.style.setProperty('display', 'block', 'important');
        var root = host.attachShadow({mode: 'closed'});
        var style = root.appendChild(document.createElement('style'));
        style.textContent = STYLE;
        var panel = root.appendChild(element('div', unfinished.length ? 'panel unfinished' : 'panel'));
        var head = panel.appendChild(element('div', 'head'));
        head.appendChild(element('span', 'title', unfinished.length ? '发布检查没有完成' : '发布检查'));
        var total = 0;
        (report.severities || []).forEach(function (s) {
            total += s.count || 0;
            if (!s.count)
                return;
            var count = head.appendChild(element('span', 'count', s.label + ' ' + s.count));
            count.style.background = COLOUR[s.name];
        });
        var fold = head.appendChild(element('span', 'fold'));
        var body = panel.appendChild(element('div', 'body'));
        unfinished.concat(notes).forEach(function (note) {
            body.appendChild(element('div', 'note', note));
        });
        var list = body.appendChild(element('ol'));
        findings.forEach(function (f, i) {
            var line = list.appendChild(element('li'));
            var severity = line.appendChild(element('span', 'severity', labelOf(report, f.severity)));
            severity.style.color = COLOUR[f.severity];
            line.appendChild(element('span', 'message', f.message));
            line.appendChild(element('code', '', f.excerpt));
            line.appendChild(element('span', 'where', '第 ' + f.line + ' 行第 ' + f.column + ' 列'));
            line.addEventListener('click', function () { ravik.ChooseFinding(report.serial, i); });
        });
        if (total > findings.length)
            body.appendChild(element('div', 'more', '另有 ' + (total - findings.length) + ' 处未列出'));

        var folded = !!report.folded;
        function setFolded(value) {
            folded = value;
            panel.classList.toggle('folded', folded);
            fold.setAttribute('data-text', folded ? '展开 ▼' : '收起 ▲');
            outlines.show(!folded);
        }
        head.addEventListener('click', function () {
            setFolded(!folded);
            ravik.SetFindingsFolded(folded);
        });
        setFolded(folded);
        var parent = region || document.body || document.documentElement;
        parent.insertBefore(host, parent.firstChild);
        current = {host: host, outlines: outlines};
        // For the editor's tests, in this world only.
        window.ravikFindings = {host: host, panel: panel, targets: targets};
    }

    function labelOf(report, name) {
        var found = (report.severities || []).filter(function (s) { return s.name === name; })[0];
        return found ? found.label : name;
    }

    // Asks for the findings, and again each time the editor says they are
    // ready, until they come. The wait begins before the first question, so
    // that findings set in between are not missed. A later start overtakes
    // one still waiting.
    var asking = null;
    function start(ravik) {
        var me = {};
        asking = me;
        var done = false;
        function ask() {
            ravik.Findings(function (report) {
                if (done || asking !== me) {
                    ravik.FindingsReady.disconnect(ask);
                    return;
                }
                if (report.pending)
                    return;
                done = true;
                ravik.FindingsReady.disconnect(ask);
                try {
                    show(ravik, report);
                } finally {
                    settle();
                }
            });
        }
        ravik.FindingsReady.connect(ask);
        ask();
    }

    window.ravikFindingsPatch = {
        before: function () {
            if (current)
                current.outlines.show(false);
        },
        after: function () {
            ravikBridge.then(start);
        }
    };

    ravikBridge.then(start);
})();
