#pragma once
// The preview benchmarks' network: every remote request of the embedded
// browser (the fragment's pictures, the storefront's style sheets and
// scripts) is redirected to a small HTTP server on 127.0.0.1 in the
// benchmark's process, which answers at once. The figures then include
// fetching and decoding the pictures, and no name service is asked (on a
// machine without one each lookup waits seconds).
#include <QSemaphore>
#include <QThread>
#include <QWebEngineUrlRequestInterceptor>

#include <atomic>

// HTTP/1.1 on 127.0.0.1, on a thread of its own so that answering never
// waits for the window being measured. Every GET gets 200 and a body by the
// path's ending: a 180 x 180 JPEG for pictures, an empty style sheet or
// script, an empty page for anything else. Answers forbid caching unless
// `maxAge` (seconds) is set, as a picture host's do.
class LocalPictureServer : public QThread {
public:
    LocalPictureServer();
    ~LocalPictureServer() override;
    quint16 Port() const { return port_; }
    int Requests() const { return requests_.load(); }
    void SetMaxAge(int seconds) { maxAge_ = seconds; }

protected:
    void run() override;

private:
    void Answer(class QTcpSocket& socket);

    QByteArray jpeg_;
    QSemaphore ready_;
    quint16 port_ = 0;
    std::atomic<int> requests_{0};
    std::atomic<int> maxAge_{0};
};

// Sends every remote request to the server, host kept in the path.
class ToLocalPictures : public QWebEngineUrlRequestInterceptor {
public:
    explicit ToLocalPictures(quint16 port) : port_(port) {}
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    const quint16 port_;
};
