#pragma once
// The picture loader's table of file formats: extension -> description.
// JPEG is registered at start-up under "jpeg" and "jpg".
#include <QString>
#include <QStringList>

// Registers every picture format the program knows, once; JPEG only when
// Qt's JPEG reader is installed. Returns false if JPEG could not be had.
bool RegisterPictureFormats();

void RegisterPictureFormat(const QString& extension, const QString& description);
// The description of an extension (case-insensitive), empty if unknown.
QString PictureFormatDescription(const QString& extension);
QStringList PictureFormatExtensions();
