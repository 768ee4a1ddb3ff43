// Opens a freshly loaded preview where the user expects it: at the top of
// the user's module (the custom-content module the storefront leaves open
// for the code), or where the user left the page before it. The editor says
// which through the bridge's `placement`; the keeper answers `Placed` with
// the position once the page stands there built, and keeps it there while
// the page still grows (pictures arriving) until it has loaded or the user
// moves it.
//
// Built means: the document parsed, the preview's own scripts run, laid out
// with its styles, scrolled to its place, and every picture the view depends
// on arrived (or failed): those in view, and those above it whose box waits
// for the picture's size (decoration code leaves most banners' heights to
// their pictures, so until they arrive what stands at the user's place is
// content from further down). Pictures below the view, and those above it
// whose box is sized already, are not waited for: they change nothing on
// show. Background pictures are not waited for either; the page cannot tell
// when they arrive. The publish findings' panel, which moves everything
// after it, is waited for too (findings.js) where the editor expects one
// (`awaitFindings`: the page before had one). Should the pictures or the
// findings not come within PICTURE_WAIT, the page is reported as it
// stands. The editor then shows the page once a frame of it at this
// position is drawn.
(function () {
    'use strict';

    var PICTURE_WAIT = 1000;   // ms after the page is first placed

    ravikBridge.then(function (bridge) {
        var placement = bridge.placement;
        if (placement.token === undefined)
            return;   // a page no preview browser shows
        var done = false;       // loaded, or moved by the user: no more placing
        var told = false;
        var waitingFor = null;  // the pictures the view waits for, once placed
        var waitOver = false;
        // A page without the findings' script has no panel to wait for.
        var findingsIn = !placement.awaitFindings || !window.ravikFindingsShown;
        if (!findingsIn) {
            window.ravikFindingsShown.then(function () {
                findingsIn = true;
                tellWhenBuilt();
            });
        }

        function target() {
            if (!placement.atModule)
                return { x: placement.x, y: placement.y };
            // The first such module in page order is the storefront's own:
            // the user's code only comes after it.
            var module = document.querySelector('.J_TModule[data-title="自定义内容区"]');
            if (!module)
                return { x: 0, y: 0 };
            var box = module.getBoundingClientRect();
            var left = box.left + window.scrollX;
            // Across only as far as it takes to show the module's left edge.
            var fits = box.right + window.scrollX <= document.documentElement.clientWidth;
            return { x: fits ? 0 : left, y: box.top + window.scrollY };
        }

        function place() {
            if (done)
                return;
            var to = target();
            try {
                // Instant, even where the page asks for smooth scrolling.
                window.scrollTo({ left: to.x, top: to.y, behavior: 'instant' });
            } catch (e) {
                window.scrollTo(to.x, to.y);
            }
        }

        // The pictures still on their way that what is in view depends on,
        // at the page's present layout.
        function picturesAwaited() {
            var bottom = document.documentElement.clientHeight;
            return Array.prototype.filter.call(document.images, function (picture) {
                if (picture.complete)
                    return false;
                var box = picture.getBoundingClientRect();
                if (box.top >= bottom)
                    return false;
                if (box.bottom > 0)
                    return true;
                // Above the view: a lazy picture there never comes.
                return picture.loading !== 'lazy' && (box.width === 0 || box.height === 0);
            });
        }

        // Tells once the view is built. The layout is read again only when
        // the pictures awaited so far have all come: each that arrives moves
        // the layout, and reading it per picture would cost a layout each.
        function tellWhenBuilt() {
            if (told)
                return;
            if (waitingFor && waitingFor.some(function (p) { return !p.complete; }) && !waitOver)
                return;
            var placedBefore = waitingFor !== null;
            place();
            waitingFor = waitOver ? [] : picturesAwaited();
            if (waitingFor.length || (!findingsIn && !waitOver))
                return;
            told = true;
            var tell = function () { bridge.Placed(placement.token, window.scrollX, window.scrollY); };
            // The editor shows the page once it has a frame of it at this
            // position. Placed and built at once, away from the start where
            // every earlier frame stood, any frame there is of the page
            // built: it tells now. Otherwise (a hidden page draws nothing)
            // it tells once a frame of the page built is on its way: a task
            // posted from a frame's callback runs after that frame has been
            // committed.
            var apart = !placedBefore && (window.scrollX !== 0 || window.scrollY !== 0);
            if (apart || document.visibilityState !== 'visible') {
                tell();
                return;
            }
            requestAnimationFrame(function () {
                var after = new MessageChannel();
                after.port1.onmessage = tell;
                after.port2.postMessage(null);
            });
        }

        function finish() {
            place();
            done = true;
            grows.disconnect();
            tellWhenBuilt();
        }

        ['wheel', 'mousedown', 'keydown', 'touchstart'].forEach(function (type) {
            window.addEventListener(type, function () { done = true; }, { capture: true, passive: true, once: true });
        });
        // Each picture that arrives or fails, in capture: neither bubbles.
        document.addEventListener('load', tellWhenBuilt, true);
        document.addEventListener('error', tellWhenBuilt, true);
        var grows = new ResizeObserver(place);
        grows.observe(document.documentElement);
        setTimeout(function () {
            waitOver = true;
            tellWhenBuilt();
        }, PICTURE_WAIT);
        // Placed at once: the layout this takes is the page's first anyway.
        tellWhenBuilt();
        if (document.readyState === 'complete')
            finish();
        else
            window.addEventListener('load', finish);
    });
})();
