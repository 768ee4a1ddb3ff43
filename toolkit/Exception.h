#pragma once
// Errors are raised as C++ exceptions that carry the text the user sees.
// The application object catches them at the event loop (TApplication) and
// shows the message in a modal box; the loop then goes on.
#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// The file layer's error when a file cannot be created or written:
// "Cannot create file "<path>". <system reason>".
class EFCreateError : public Exception {
public:
    EFCreateError(const QString& fileName, const QString& reason)
        : Exception(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, reason)) {}
};

// A list asked for an index it does not hold: "List index out of bounds (<index>)".
class EListError : public Exception {
public:
    explicit EListError(int index) : Exception(QStringLiteral("List index out of bounds (%1)").arg(index)) {}
};
