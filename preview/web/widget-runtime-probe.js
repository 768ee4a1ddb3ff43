// Tells our widget emulation whether the previewed page brings its own
// widget runtime. The emulation runs in a script world of its own and cannot
// see the page's globals, so this one small script runs in the page's world,
// once the document is parsed (the page's own scripts have run by then), and
// leaves its answer on the document element, which both worlds share.
//
// A page "has a widget runtime" when its scripts define the marketplace's
// script library, `KISSY`, under which the storefront widgets live: such a
// page switches its widgets itself and ours must keep out of the way. A
// page whose runtime script failed to load (offline) defines nothing, and
// its widgets get the emulation.
//
// It defines no global and changes nothing but that one attribute.
(function () {
    'use strict';
    var runtime = window.KISSY;
    if (runtime && (typeof runtime === 'object' || typeof runtime === 'function'))
        document.documentElement.setAttribute('data-ravik-page-widgets', 'own');
})();
