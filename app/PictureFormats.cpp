#include "PictureFormats.h"

#include <QImageReader>
#include <QMap>

namespace {
QMap<QString, QString>& Formats()
{
    static QMap<QString, QString> formats;
    return formats;
}
}

void RegisterPictureFormat(const QString& extension, const QString& description)
{
    Formats().insert(extension.toLower(), description);
}

QString PictureFormatDescription(const QString& extension) { return Formats().value(extension.toLower()); }

QStringList PictureFormatExtensions() { return Formats().keys(); }

bool RegisterPictureFormats()
{
    if (!QImageReader::supportedImageFormats().contains("jpeg"))
        return false;
    const QString jpeg = QStringLiteral("JPEG Image File");
    RegisterPictureFormat(QStringLiteral("jpeg"), jpeg);
    RegisterPictureFormat(QStringLiteral("jpg"), jpeg);
    return true;
}
