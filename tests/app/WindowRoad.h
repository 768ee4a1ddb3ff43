#pragma once
// The finished window in a folder of its own, off the network but for the
// loopback address, with the dialogs scripted, driven by the mouse through
// its window.
#include "FakeDialogs.h"
#include "PageEval.h"
#include "PageScripts.h"
#include "PreviewBrowser.h"
#include "PreviewWorkingDir.h"
#include "TestMain.h"
#include "Unitravik.h"

#include <QTextEdit>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWindow>

namespace window_test {
constexpr int kTimeout = 30000;

struct Road {
    PreviewWorkingDir dir;
    FakeDialogs dialogs;
    Tfrmravik w;

    QByteArray CachePage() const { return dir.CachePage(); }
    QPoint At(const QWidget* widget, const QPoint& p) const { return widget->mapTo(&w, p); }
    void Click(const QWidget* widget, const QPoint& p, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseMove(w.windowHandle(), At(widget, p));
        QTest::mouseClick(w.windowHandle(), button, {}, At(widget, p));
        QCoreApplication::processEvents();
    }
    void ClickTab(int index)
    {
        const TRect t = w.vmpgcntrl1->TabClientRect(index);
        Click(w.vmpgcntrl1, QPoint((t.Left + t.Right) / 2, (t.Top + t.Bottom) / 2));
    }
    void ClickCentre(const QWidget* widget) { Click(widget, widget->rect().center()); }
    // Shows the window and types `code` into the code pane.
    bool TypeCode(const QString& code)
    {
        w.show();
        if (!QTest::qWaitForWindowActive(&w))
            return false;
        Click(w.redt1->viewport(), QPoint(40, 20));
        if (!QTest::qWaitFor([&] { return QApplication::focusWidget() == w.redt1; }))
            return false;
        QTest::keyClicks(w.redt1, code);
        return true;
    }
    // Clicks line `index` of the publish findings panel in the preview, as
    // the user would: scrolled into view, the pointer moved there first.
    bool ClickFinding(int index)
    {
        const QVariantList centre = Eval(w.wb1->Page(), QStringLiteral(
            "(function () { var e = ravikFindings.panel.querySelectorAll('li')[%1]; e.scrollIntoView();"
            " var b = e.getBoundingClientRect(); return [b.left + b.width / 2, b.top + b.height / 2]; })()")
                                                  .arg(index)).toList();
        if (centre.size() != 2)
            return false;
        QWidget* view = w.wb1->View()->focusProxy();
        const QPoint at(qRound(centre[0].toDouble()), qRound(centre[1].toDouble()));
        QTest::mouseMove(view, at);
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
        return true;
    }
};
} // namespace window_test
