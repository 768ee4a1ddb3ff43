#pragma once
// A picture's pixels as the preview's browser has them, for tools that show
// a picture of the page outside it (the hot-area editor). The picture's
// address is loaded as a page of its own in the preview's profile, so it
// comes from the cache the preview filled, and drawn there into a canvas
// (preview/web/picture-pixels.js). The decoration page cannot hand its
// pictures over itself: they come from other hosts, and a canvas they are
// drawn into may not be read.
#include <QImage>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <functional>

class QWebEnginePage;

class TPictureFetch : public QObject {
    Q_OBJECT
public:
    explicit TPictureFetch(QObject* parent = nullptr);
    ~TPictureFetch() override;

    // Calls `done` once, from the event loop, with the picture at `url`, or
    // with a null image when it cannot be had within `timeout` ms (it did
    // not load, is no picture, or the host does not answer). A fetch started
    // while another runs drops the other: its `done` is never called.
    void Fetch(const QUrl& url, std::function<void(const QImage&)> done, int timeout = 5000);

private:
    void Finish(const QImage& image);

    QWebEnginePage* page_ = nullptr;
    QTimer timer_;
    std::function<void(const QImage&)> done_;
    QUrl url_;
    bool started_ = false;   // the load of url_ has begun: what ends now is ours
    int serial_ = 0;
};
