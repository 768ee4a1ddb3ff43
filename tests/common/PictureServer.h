#pragma once
// Pictures served over HTTP from 127.0.0.1, from the test's own event loop,
// as a picture host serves them: another origin than the page's, and no
// permission for pages to read them (no CORS header). Pages may be served
// too, so that frames of one page share its origin. Any other path is not
// found.
#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>

class PictureServer : public QTcpServer {
public:
    PictureServer() { listen(QHostAddress::LocalHost, 0); }

    // Serves `picture` as a PNG at `path` ("/sign.png"); its address. One
    // not `cacheable` is kept by no cache, as many picture hosts send them:
    // each page that shows it asks for it again.
    QString Add(const QString& path, const QImage& picture, bool cacheable = true)
    {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        return Add(path, png, "image/png", cacheable);
    }
    // Serves `body` as `type` at `path`; its address.
    QString Add(const QString& path, const QByteArray& body, const QByteArray& type, bool cacheable = true)
    {
        files_.insert(path.toLatin1(), {body, type, cacheable});
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }
    // How often `path` was asked for.
    int Requests(const QString& path) const { return requests_.value(path.toLatin1()); }

protected:
    void incomingConnection(qintptr handle) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(handle);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(*socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    struct File {
        QByteArray body;
        QByteArray type;
        bool cacheable;
    };

    void Answer(QTcpSocket& socket)
    {
        QByteArray pending = socket.property("pending").toByteArray() + socket.readAll();
        qsizetype end;
        while ((end = pending.indexOf("\r\n\r\n")) >= 0) {
            const QByteArray path = pending.left(pending.indexOf("\r\n")).split(' ').value(1);
            pending.remove(0, end + 4);
            ++requests_[path];
            const auto found = files_.constFind(path);
            const File file = found == files_.cend() ? File{{}, "image/png", true} : *found;
            socket.write((found == files_.cend() ? "HTTP/1.1 404 Not Found" : "HTTP/1.1 200 OK") +
                         QByteArray("\r\nContent-Type: ") + file.type + "\r\nContent-Length: " +
                         QByteArray::number(file.body.size()) + "\r\nCache-Control: " +
                         (file.cacheable ? "max-age=3600" : "no-store") + "\r\n\r\n" + file.body);
        }
        socket.setProperty("pending", pending);
    }

    QHash<QByteArray, File> files_;
    QHash<QByteArray, int> requests_;
};
