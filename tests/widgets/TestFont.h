#pragma once
// A font with known metrics for the examples whose figures depend on the
// caption's size: "Test Cells" (fonts/make_test_font.py) draws every
// character as a solid square cell, so at 13 pixels each character is 13
// pixels wide and the text 13 pixels high, whatever fonts the machine has.
#include "Graphics.h"

#include <QFontDatabase>
#include <QtTest>

inline TFont TestCellsFont(int pixels = 13)
{
    static const bool loaded = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/TestCells.ttf")) >= 0;
    if (!loaded)
        qFatal("the test font cannot be loaded");
    TFont font;
    font.SetName(QStringLiteral("Test Cells"));
    font.SetHeight(-pixels);
    return font;
}
