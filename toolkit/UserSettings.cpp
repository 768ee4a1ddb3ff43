#include "UserSettings.h"

#include <QStandardPaths>

QSettings& UserSettings()
{
    // Located through QStandardPaths rather than by organisation name, so
    // that tests, which switch QStandardPaths to its test mode, never touch
    // the user's own file.
    static QSettings settings(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                  QStringLiteral("/ravik/ravik.ini"),
                              QSettings::IniFormat);
    return settings;
}
