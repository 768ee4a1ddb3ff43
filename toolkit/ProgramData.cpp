#include "ProgramData.h"

#include <QCoreApplication>
#include <QDir>

QString ProgramDataFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                           QStringLiteral(RAVIK_DATA_FROM_PROGRAM));
}
