// Connects the preview's own scripts to the editor. Runs first, in the
// editor's script world (apart from the page's scripts), and publishes
// `ravikBridge`: a promise of the editor's one channel object. Every other
// script of ours waits on it instead of opening a channel of its own.
(function () {
    'use strict';
    if (window.ravikBridge)
        return;
    window.ravikBridge = new Promise(function (resolve) {
        new QWebChannel(qt.webChannelTransport, function (channel) {
            resolve(channel.objects.ravik);
        });
    });
})();
