// Tells the editor which picture lies under the pointer, for the preview's
// context menu: ravikHitTest(x, y), x and y in CSS pixels of the viewport,
// answers with the picture (an img, or an element with a background picture
// and a height of its own) or null.
//
// The editor finds the picture back in the code by its place among the
// page's elements in document order, the way the publish check counts them
// when it parses the page. Our other scripts add elements of their own (the
// findings panel's host, say), so the elements are counted as parsed: this
// script runs first once the document is parsed and keeps them as they are
// then. A script that later puts the code's elements into the page anew
// (patching it in place) calls ravikHitTest.recount(ignored), where
// `ignored` lists what our scripts added that is in the page by then.
//
// Over the picture there may be links (a box of positioned links), an image
// map's areas or a caption: what is transparent, or a link, is looked
// through; the first picture beneath counts.
(function () {
    'use strict';

    var parsed = [];

    function recount(ignored) {
        var skip = new Set(ignored || []);
        parsed = Array.prototype.filter.call(document.getElementsByTagName('*'), function (e) {
            return !skip.has(e);
        });
    }

    function px(value) {
        return parseFloat(value) || 0;
    }

    function backgroundUrl(style) {
        var m = /url\((['"]?)(.*?)\1\)/.exec(style.backgroundImage || '');
        return m ? m[2] : '';
    }

    // The img an image map's area belongs to.
    function pictureOfArea(area) {
        var map = area.closest('map');
        if (!map)
            return null;
        var names = ['#' + map.name, '#' + map.id];
        return Array.prototype.find.call(document.images, function (img) {
            return names.indexOf(img.getAttribute('usemap')) >= 0;
        }) || null;
    }

    function hasOwnHeight(e) {
        return !!e.style.height || e.hasAttribute('height');
    }

    function describe(e, background) {
        var style = getComputedStyle(e);
        var answer = {
            element: parsed.indexOf(e),
            tag: e.localName.toLowerCase(),
            background: background,
            positioned: style.position !== 'static'
        };
        if (background) {
            answer.picture = backgroundUrl(style);
            answer.width = e.clientWidth;
            answer.height = e.clientHeight;
            answer.backgroundSize = style.backgroundSize;
            answer.backgroundPosition = style.backgroundPositionX + ' ' + style.backgroundPositionY;
            answer.backgroundRepeat = style.backgroundRepeat;
            var probe = new Image();
            probe.src = answer.picture;
            answer.loaded = probe.complete && probe.naturalWidth > 0;
        } else {
            answer.src = e.getAttribute('src');
            answer.picture = e.currentSrc || e.src;
            answer.width = e.clientWidth - px(style.paddingLeft) - px(style.paddingRight);
            answer.height = e.clientHeight - px(style.paddingTop) - px(style.paddingBottom);
            answer.loaded = e.complete && e.naturalWidth > 0;
        }
        return answer;
    }

    function seeThrough(e, style) {
        return e.closest('a, map') !== null ||
            (style.backgroundImage === 'none' && /^(transparent|rgba\(.*, 0\))$/.test(style.backgroundColor));
    }

    window.ravikHitTest = function (x, y) {
        var stack = document.elementsFromPoint(x, y);
        for (var i = 0; i < stack.length; ++i) {
            var e = stack[i];
            var tag = e.localName.toLowerCase();
            if (tag === 'img' && e.hasAttribute('src'))
                return describe(e, false);
            if (tag === 'area') {
                var img = pictureOfArea(e);
                if (img)
                    return describe(img, false);
            }
            var style = getComputedStyle(e);
            if (backgroundUrl(style) && hasOwnHeight(e) && tag !== 'body' && tag !== 'html')
                return describe(e, true);
            if (!seeThrough(e, style))
                return null;
        }
        return null;
    };
    window.ravikHitTest.recount = recount;

    recount();
})();
