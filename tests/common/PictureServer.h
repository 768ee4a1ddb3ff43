#pragma once
// Pictures served over HTTP from 127.0.0.1, from the test's own event loop,
// as a picture host serves them: another origin than the page's, and no
// permission for pages to read them (no CORS header). Any other path is
// not found.
#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>

class PictureServer : public QTcpServer {
public:
    PictureServer() { listen(QHostAddress::LocalHost, 0); }

    // Serves `picture` as a PNG at `path` ("/sign.png"); its address.
    QString Add(const QString& path, const QImage& picture)
    {
        QBuffer buffer(&pictures_[path.toLatin1()]);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
        return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
    }

protected:
    void incomingConnection(qintptr handle) override
    {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(handle);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Answer(*socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    void Answer(QTcpSocket& socket)
    {
        QByteArray pending = socket.property("pending").toByteArray() + socket.readAll();
        qsizetype end;
        while ((end = pending.indexOf("\r\n\r\n")) >= 0) {
            const QByteArray path = pending.left(pending.indexOf("\r\n")).split(' ').value(1);
            pending.remove(0, end + 4);
            const auto found = pictures_.constFind(path);
            const QByteArray body = found == pictures_.cend() ? QByteArray() : *found;
            socket.write((found == pictures_.cend() ? "HTTP/1.1 404 Not Found" : "HTTP/1.1 200 OK") +
                         QByteArray("\r\nContent-Type: image/png\r\nContent-Length: ") + QByteArray::number(body.size()) +
                         "\r\nCache-Control: max-age=3600\r\n\r\n" + body);
        }
        socket.setProperty("pending", pending);
    }

    QHash<QByteArray, QByteArray> pictures_;
};
