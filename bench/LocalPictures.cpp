#include "LocalPictures.h"

#include <QBuffer>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>

LocalPictureServer::LocalPictureServer()
{
    QImage picture(180, 180, QImage::Format_RGB32);
    picture.fill(QColor(250, 91, 43));
    QBuffer buffer(&jpeg_);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG");
    start();
    ready_.acquire();
}

LocalPictureServer::~LocalPictureServer()
{
    quit();
    wait();
}

void LocalPictureServer::run()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    port_ = server.serverPort();
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        while (QTcpSocket* socket = server.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { Answer(*socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    ready_.release();
    exec();
}

// Answers every whole request the connection has sent so far; the
// connection stays open for the next ones.
void LocalPictureServer::Answer(QTcpSocket& socket)
{
    QByteArray pending = socket.property("pending").toByteArray() + socket.readAll();
    qsizetype end;
    while ((end = pending.indexOf("\r\n\r\n")) >= 0) {
        const QList<QByteArray> requestLine = pending.left(pending.indexOf("\r\n")).split(' ');
        pending.remove(0, end + 4);
        const QByteArray path = requestLine.value(1);
        QByteArray type = "text/html", body;
        if (path.contains(".jpg") || path.contains(".png") || path.contains(".gif")) {
            type = "image/jpeg";
            body = jpeg_;
        } else if (path.contains(".css")) {
            type = "text/css";
        } else if (path.contains(".js")) {
            type = "application/javascript";
        }
        const int maxAge = maxAge_.load();
        const QByteArray caching = maxAge > 0 ? "max-age=" + QByteArray::number(maxAge) : QByteArray("no-store");
        socket.write("HTTP/1.1 200 OK\r\nContent-Type: " + type + "\r\nContent-Length: " +
                     QByteArray::number(body.size()) + "\r\nCache-Control: " + caching + "\r\n\r\n" + body);
        ++requests_;
    }
    socket.setProperty("pending", pending);
}

void ToLocalPictures::interceptRequest(QWebEngineUrlRequestInfo& info)
{
    const QUrl url = info.requestUrl();
    if (!url.scheme().startsWith(QLatin1String("http")) || url.host() == QLatin1String("127.0.0.1"))
        return;
    QUrl local;
    local.setScheme(QStringLiteral("http"));
    local.setHost(QStringLiteral("127.0.0.1"));
    local.setPort(port_);
    local.setPath(QLatin1Char('/') + url.host() + url.path());
    local.setQuery(url.query());
    info.redirect(local);
}
