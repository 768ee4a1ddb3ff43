#pragma once
// What the program remembers for its user between runs: choices made in
// menus and dialogs. One INI file, ravik/ravik.ini in the user's
// configuration folder (on Linux ~/.config/ravik/ravik.ini), beside the
// user's own publish rules. Editors running at the same time share it; the
// last choice made wins.
#include <QSettings>

QSettings& UserSettings();
