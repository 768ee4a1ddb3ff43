// Gives the editor the pixels of a picture the preview showed. The picture
// is loaded as a page of its own (a picture document, from the browser's
// cache where the preview left it) and drawn here into a canvas, which may
// be read back because the picture belongs to this document's own origin;
// in the decoration page it would not (its pictures come from other hosts).
//
// ravikPicturePixels() answers with the picture as a PNG data URL, or null
// when this page holds no drawable picture (it did not load, or the address
// is no picture).
(function () {
    'use strict';

    window.ravikPicturePixels = function () {
        var img = document.images[0];
        if (!img || !img.complete || !img.naturalWidth)
            return null;
        var canvas = document.createElement('canvas');
        canvas.width = img.naturalWidth;
        canvas.height = img.naturalHeight;
        canvas.getContext('2d').drawImage(img, 0, 0);
        try {
            return canvas.toDataURL('image/png');
        } catch (e) {
            return null;
        }
    };
})();
