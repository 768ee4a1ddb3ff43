// Opens a freshly loaded preview where the user expects it: at the top of
// the user's module (the custom-content module the storefront leaves open
// for the code), or where the user left the page before it. The editor says
// which through the bridge's `placement`; the keeper answers `Placed` with
// the position once the page stands there, and keeps it there while the
// page still grows (pictures arriving) until it has loaded or the user
// moves it.
(function () {
    'use strict';
    ravikBridge.then(function (bridge) {
        var placement = bridge.placement;
        if (placement.token === undefined)
            return;   // a page no preview browser shows
        var done = false;
        var reported = false;

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

        function report() {
            reported = true;
            var tell = function () { bridge.Placed(placement.token, window.scrollX, window.scrollY); };
            // A visible page tells once its frame at the new position is out:
            // the second frame's callback comes after the first was drawn.
            if (document.visibilityState === 'visible')
                requestAnimationFrame(function () { requestAnimationFrame(tell); });
            else
                tell();
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
            if (!reported)
                report();
        }

        function finish() {
            place();
            done = true;
            grows.disconnect();
        }

        ['wheel', 'mousedown', 'keydown', 'touchstart'].forEach(function (type) {
            window.addEventListener(type, function () { done = true; }, { capture: true, passive: true, once: true });
        });
        var grows = new ResizeObserver(place);
        grows.observe(document.documentElement);
        if (document.readyState === 'complete')
            finish();
        else
            window.addEventListener('load', finish);
    });
})();
