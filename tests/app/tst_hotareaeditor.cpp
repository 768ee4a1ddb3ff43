// The hot-area editor as the user meets it in the finished window: opened
// from the preview's menu on a picture, worked with mouse and keys, and what
// it writes into the code pane, byte for byte.
#include "HotAreaCanvas.h"
#include "HotAreaDialog.h"
#include "PictureServer.h"
#include "PreviewPage.h"
#include "PlainText.h"
#include "UserSettings.h"
#include "WindowRoad.h"

#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QWheelEvent>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>

using namespace window_test;

namespace {
QImage Sign()
{
    QImage picture(600, 150, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, 255 - y, (x / 2 + y) % 256));
    return picture;
}

// A drag on the canvas, as a hand makes it.
void Drag(QWidget* canvas, QPoint from, QPoint to, Qt::KeyboardModifiers keys = {})
{
    QTest::mousePress(canvas, Qt::LeftButton, keys, from);
    QTest::mouseMove(canvas, (from + to) / 2);
    QTest::mouseMove(canvas, to);
    QTest::mouseRelease(canvas, Qt::LeftButton, keys, to);
}

// Keys for Latin text; Chinese comes as an input method commits it.
void Type(const QString& text)
{
    if (text.toLatin1() == text.toUtf8()) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        return;
    }
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(QApplication::focusWidget(), &commit);
}
}

class TestHotAreaEditor : public QObject {
    Q_OBJECT
    PictureServer server_;
    QString sign_ = server_.Add(QStringLiteral("/sign.png"), Sign());

    // The code in the docked preview, its pictures in.
    bool Preview(Road& r, const QString& code)
    {
        SetCodePaneText(*r.w.redt1, code);
        QSignalSpy shown(r.w.wb1, &TPreviewBrowser::PageShown);
        if (r.w.vmpgcntrl1->ActivePage() == r.w.vmtbshtTabSheet2)
            r.w.LocalPreview();
        else
            r.ClickTab(1);
        return QTest::qWaitFor(
            [&] {
                return !shown.isEmpty() &&
                       Eval(r.w.wb1->Page(), QStringLiteral("document.images.length > 0 && Array.prototype.every.call("
                                                            "document.images, function (i) { return i.complete; })"))
                           .toBool();
            },
            kTimeout);
    }

    // Right-clicks the picture and chooses "编辑热区..."; `drive` works the
    // editor. False when the menu or the editor did not come.
    bool Edit(Road& r, const std::function<void(THotAreaDialog&)>& drive)
    {
        bool driven = false;
        r.dialogs.driveDialog = [&](QDialog& dialog) {
            if (QTest::qWaitForWindowActive(&dialog))
                drive(static_cast<THotAreaDialog&>(dialog));
            driven = true;
        };
        const QVariantList at = Eval(r.w.wb1->Page(), QStringLiteral(
            "(function () { var e = document.querySelector('img[src$=\"sign.png\"]'); e.scrollIntoView();"
            " var b = e.getBoundingClientRect(); return [b.left + 20, b.top + 20]; })()")).toList();
        if (at.size() != 2)
            return false;
        QWidget* view = r.w.wb1->View()->focusProxy();
        QTest::mouseClick(view, Qt::RightButton, {}, QPoint(at[0].toInt(), at[1].toInt()));
        QMenu* menu = nullptr;
        if (!QTest::qWaitFor([&] { return (menu = r.w.wb1->ContextMenu()) && menu->isVisible(); }, kTimeout))
            return false;
        QAction* item = menu->actions().value(0);
        if (!item || item->text() != QStringLiteral("编辑热区..."))
            return false;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        return QTest::qWaitFor([&] { return driven; }, kTimeout);
    }

private slots:
    void init() { UserSettings().remove(QStringLiteral("hotAreas/output")); }
    void cleanup() { UserSettings().remove(QStringLiteral("hotAreas/output")); }

    // Draw, move, resize, nudge, undo, delete, links: each shows on the
    // picture and lands in the code as drawn, as one undoable change. A
    // link that is no address is refused first; Cancel changes nothing.
    void drawsAndWritesAnImageMap()
    {
        Road r;
        r.w.show();
        QVERIFY(QTest::qWaitForWindowActive(&r.w));
        const QString before = QStringLiteral("<p>店招</p>\r\n");
        const QString img = QStringLiteral("<img src=\"%1\" width=\"600\" height=\"150\">").arg(sign_);
        const QString after = QStringLiteral("\r\n<p>完</p>");
        QVERIFY(Preview(r, before + img + after));

        QVERIFY(Edit(r, [&](THotAreaDialog& d) {
            QCOMPARE(d.windowTitle(), QStringLiteral("编辑热区"));
            // The picture at 100 %, its top-left corner in view, as the page has it.
            QWidget* canvas = d.Canvas();
            QCOMPARE(d.Canvas()->Zoom(), 1.0);
            QCOMPARE(d.PictureView()->horizontalScrollBar()->value(), 0);
            QCOMPARE(d.PictureView()->verticalScrollBar()->value(), 0);
            const QImage shown = canvas->grab().toImage();
            for (const QPoint& p : {QPoint(0, 0), QPoint(300, 75), QPoint(599, 149)})
                QCOMPARE(shown.pixel(p), Sign().pixel(p));

            // Drawn: its link field has the keyboard.
            Drag(canvas, QPoint(10, 20), QPoint(110, 70));
            QCOMPARE(QApplication::focusWidget(), d.LinkField(0));
            Type(QStringLiteral("https://a.example.com/1"));
            Drag(canvas, QPoint(200, 30), QPoint(300, 90));
            QCOMPARE(QApplication::focusWidget(), d.LinkField(1));
            Type(QStringLiteral("javascript:void(0)"));
            QTest::mouseClick(d.NewWindowBox(0), Qt::LeftButton, {}, QPoint(6, d.NewWindowBox(0)->height() / 2));
            QTest::mouseClick(d.TipField(1), Qt::LeftButton);
            Type(QStringLiteral("限时特惠"));
            QCOMPARE(d.Model().Selected(), 1);

            // Moved, resized by its corner, nudged; one nudge undone and redone.
            Drag(canvas, QPoint(50, 40), QPoint(70, 45));
            QCOMPARE(d.Model().Selected(), 0);
            Drag(canvas, QPoint(129, 74), QPoint(150, 80));
            QTest::keyClick(canvas, Qt::Key_Right);
            QTest::keyClick(canvas, Qt::Key_Right);
            QTest::keyClick(canvas, Qt::Key_Down, Qt::ShiftModifier);
            QCOMPARE(d.Model().At(0).Rect, QRect(32, 35, 120, 55));
            QTest::keyClick(canvas, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(d.Model().At(0).Rect, QRect(32, 25, 120, 55));
            QTest::keyClick(canvas, Qt::Key_Y, Qt::ControlModifier);
            QCOMPARE(d.Model().At(0).Rect, QRect(32, 35, 120, 55));
            // The selected area is drawn in its colour, its outline on its edge.
            QCOMPARE(QColor(canvas->grab().toImage().pixel(32, 45)), QColor(255, 140, 0));
            QVERIFY(QColor(canvas->grab().toImage().pixel(31, 45)) != QColor(255, 140, 0));

            // A third, drawn and deleted.
            Drag(canvas, QPoint(400, 10), QPoint(450, 60));
            QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(420, 30));
            QTest::keyClick(canvas, Qt::Key_Delete);
            QCOMPARE(d.Model().Count(), 2);

            // Ctrl+wheel zooms in: an edge at picture x 32 is drawn at 48;
            // "适合窗口" shows the whole picture.
            QWheelEvent wheel(QPointF(100, 60), canvas->mapToGlobal(QPointF(100, 60)), {}, QPoint(0, 120), Qt::NoButton,
                              Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(canvas, &wheel);
            QCOMPARE(d.Canvas()->Zoom(), 1.5);
            const QImage zoomed = canvas->grab().toImage();
            QCOMPARE(QColor(zoomed.pixel(48, 75)), QColor(0, 120, 215));
            QVERIFY(QColor(zoomed.pixel(47, 75)) != QColor(0, 120, 215));
            for (auto* button : d.findChildren<QPushButton*>())
                if (button->text() == QStringLiteral("适合窗口"))
                    QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(d.Canvas()->Zoom() < 1.5);
            QVERIFY(d.PictureView()->viewport()->rect().contains(d.Canvas()->geometry()));

            // OK refused for the second link; Enter in its fixed field is OK.
            QTest::mouseClick(d.LinkField(0), Qt::LeftButton);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY(d.isVisible());
            QCOMPARE(r.dialogs.messages.size(), 1);
            QVERIFY(r.dialogs.messages[0].text.startsWith(QStringLiteral("第 2 个热区的链接")));
            QCOMPARE(QApplication::focusWidget(), d.LinkField(1));
            Type(QStringLiteral("https://a.example.com/2"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY(!d.isVisible());
        }));
        const QString map = QStringLiteral(
            "<img src=\"%1\" width=\"600\" height=\"150\" usemap=\"#hotarea-1\"><map name=\"hotarea-1\">"
            "<area shape=\"rect\" coords=\"200,30,300,90\" href=\"https://a.example.com/2\" target=\"_blank\" title=\"限时特惠\">"
            "<area shape=\"rect\" coords=\"32,35,152,90\" href=\"https://a.example.com/1\"></map>")
                                .arg(sign_);
        QCOMPARE(CodePaneText(*r.w.redt1->document()), before + map + after);
        // The preview shows the change; one undo takes it back whole.
        QTRY_COMPARE_WITH_TIMEOUT(Eval(r.w.wb1->Page(), QStringLiteral("document.querySelectorAll('map area').length"), QWebEngineScript::MainWorld).toInt(),
                                  2, kTimeout);
        QCOMPARE(UserSettings().value(QStringLiteral("hotAreas/output")).toString(), QStringLiteral("map"));
        r.w.redt1->undo();
        QCOMPARE(CodePaneText(*r.w.redt1->document()), before + img + after);
        r.w.redt1->redo();
        QCOMPARE(CodePaneText(*r.w.redt1->document()), before + map + after);

        // Opened again it shows the areas; drawn on and cancelled by Escape,
        // nothing changes.
        QVERIFY(Preview(r, before + map + after));
        QVERIFY(Edit(r, [&](THotAreaDialog& d) {
            QCOMPARE(d.Model().Count(), 2);
            QCOMPARE(d.Model().At(0).Rect, QRect(32, 35, 120, 55));
            QVERIFY(d.MapChoice()->isChecked());
            Drag(d.Canvas(), QPoint(500, 10), QPoint(550, 60));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(!d.isVisible());
        }));
        QCOMPARE(CodePaneText(*r.w.redt1->document()), before + map + after);
    }

    // Written as positioned links, opened again and one link changed: one
    // link box, the picture in it, nothing else of the code touched. The
    // choice is remembered for the next picture.
    void roundTripOfPositionedLinks()
    {
        Road r;
        r.w.show();
        QVERIFY(QTest::qWaitForWindowActive(&r.w));
        const QString img = QStringLiteral("<img src=\"%1\">").arg(sign_);
        QVERIFY(Preview(r, QStringLiteral("<div>") + img + QStringLiteral("</div>")));
        QVERIFY(Edit(r, [&](THotAreaDialog& d) {
            QVERIFY(d.MapChoice()->isChecked());   // the first time
            QTest::mouseClick(d.LinksChoice(), Qt::LeftButton, {}, QPoint(6, d.LinksChoice()->height() / 2));
            Drag(d.Canvas(), QPoint(60, 40), QPoint(-5, -5));   // cut at the picture's edges
            Type(QStringLiteral("https://b.example.com/1"));
            Drag(d.Canvas(), QPoint(590, 140), QPoint(700, 200));
            Type(QStringLiteral("https://b.example.com/2"));
            d.accept();
        }));
        const QString link = QStringLiteral("<a href=\"https://b.example.com/%1\" target=\"_blank\" style=\"position:absolute;"
                                            "left:%2px;top:%3px;width:%4px;height:%5px;display:block;\"></a>");
        const QString box = QStringLiteral("<div><div style=\"position:relative;width:600px;height:150px;\">") + img;
        QCOMPARE(CodePaneText(*r.w.redt1->document()),
                 box + link.arg(1).arg(0).arg(0).arg(60).arg(40) + link.arg(2).arg(590).arg(140).arg(10).arg(10) +
                     QStringLiteral("</div></div>"));
        QCOMPARE(UserSettings().value(QStringLiteral("hotAreas/output")).toString(), QStringLiteral("links"));

        QVERIFY(Preview(r, CodePaneText(*r.w.redt1->document())));
        QVERIFY(Edit(r, [&](THotAreaDialog& d) {
            QVERIFY(d.LinksChoice()->isChecked());
            QCOMPARE(d.Model().Count(), 2);
            QTest::mouseClick(d.LinkField(1), Qt::LeftButton);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
            Type(QStringLiteral("https://b.example.com/3"));
            d.accept();
        }));
        QCOMPARE(CodePaneText(*r.w.redt1->document()),
                 box + link.arg(1).arg(0).arg(0).arg(60).arg(40) + link.arg(3).arg(590).arg(140).arg(10).arg(10) +
                     QStringLiteral("</div></div>"));
    }
};

RAVIK_TEST(TestHotAreaEditor)
#include "tst_hotareaeditor.moc"
