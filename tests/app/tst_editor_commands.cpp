#include "Application.h"
#include "FakeDialogs.h"
#include "PlainText.h"
#include "TestMain.h"
#include "Unitravik.h"
#include "VmPageControl.h"
#include "VmTabScroller.h"
#include "VmTabs.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>

#include <cmath>

namespace {

QString PaneText(const Tfrmravik& w)
{
    return CodePaneText(*w.redt1->document());
}

void ShowWindow(Tfrmravik& w)
{
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
}

// A click with the mouse at the centre of a control, through the window, as
// the user makes it (the widget set's buttons follow the pointer in and out).
void ClickCentre(Tfrmravik& w, const QWidget* widget)
{
    const QPoint at = widget->mapTo(&w, widget->rect().center());
    QTest::mouseMove(w.windowHandle(), at);
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
}

QColor ColourAt(const QTextEdit& pane, int position)
{
    QTextCursor cursor(pane.document());
    cursor.setPosition(position + 1);   // the format of the character before the cursor
    const QTextCharFormat format = cursor.charFormat();
    return format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color() : QColor();
}

} // namespace

class TestEditorCommandsInWindow : public QObject {
    Q_OBJECT
private slots:
    void contextMenuHoldsTheCommandsInOrder()
    {
        Tfrmravik w;
        QStringList items;
        for (const QAction* action : w.pm1->actions())
            items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(items, (QStringList{"粘贴", "复制", "全选", "-", "反色背景", "-", "另存为", "-", "清空"}));
        QCOMPARE(w.redt1->contextMenuPolicy(), Qt::CustomContextMenu);
    }

    void clipboardCommandsFromTheMenu()
    {
        FakeDialogs dialogs;
        Tfrmravik w;
        ShowWindow(w);
        QGuiApplication::clipboard()->setText(QStringLiteral("<div>新品</div>"));
        w.N1->trigger();
        QCOMPARE(PaneText(w), QStringLiteral("<div>新品</div>"));

        QTextCursor cursor = w.redt1->textCursor();
        cursor.setPosition(5);
        cursor.setPosition(7, QTextCursor::KeepAnchor);
        w.redt1->setTextCursor(cursor);
        w.N3->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("新品"));

        w.N8->trigger();   // 反色背景
        QCOMPARE(w.redt1->textCursor().selectedText(), QStringLiteral("<div>新品</div>"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("新品"));
        QVERIFY(dialogs.messages.isEmpty());

        w.redt1->moveCursor(QTextCursor::End);
        w.N2->trigger();   // 全选
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("<div>新品</div>"));
        QVERIFY(w.redt1->hasFocus());
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("代码已被复制！"));
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("提示信息"));
    }

    void clearAndSaveFromMenuAndButtons()
    {
        QTemporaryDir dir;
        FakeDialogs dialogs;
        Tfrmravik w;
        w.redt1->setPlainText(QStringLiteral("<div src=\"a\">"));
        w.vmbtbtn6->Click();   // format, so the file carries colours

        dialogs.saveAnswer = dir.filePath(QStringLiteral("menu"));
        w.N4->trigger();
        dialogs.saveAnswer = dir.filePath(QStringLiteral("button.txt"));
        w.btn2->click();
        QCOMPARE(dialogs.saveRequests.size(), 2);
        QCOMPARE(dialogs.saveRequests[1].filters, QStringList{QStringLiteral("代码(*.txt)")});
        const QByteArray saved = [&] {
            QFile file(dir.filePath(QStringLiteral("menu.txt")));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        QVERIFY(saved.startsWith("{\\rtf1"));
        QVERIFY(saved.contains("\\red255\\green0\\blue0;"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("button.txt.txt"))));

        // A failed save is shown and leaves the pane as it was.
        const QString before = PaneText(w);
        dialogs.saveAnswer = dir.filePath(QStringLiteral("missing/x"));
        w.btn2->click();
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(dialogs.messages[0].text.startsWith(QStringLiteral("Cannot create file \"")));
        QCOMPARE(PaneText(w), before);

        w.N5->trigger();
        QCOMPARE(PaneText(w), QString());
        w.redt1->setPlainText(QStringLiteral("x"));
        w.btn3->click();
        QCOMPARE(PaneText(w), QString());
    }

    void helpFontAndSpaceKey()
    {
        FakeDialogs dialogs;
        Tfrmravik w;
        ShowWindow(w);

        QTest::mouseClick(w.lbl1, Qt::LeftButton, {}, w.lbl1->rect().center());
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, kHelpText);
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("提示信息"));

        QFont chosen(QStringLiteral("DejaVu Sans Mono"));
        chosen.setPixelSize(18);
        dialogs.fontConfirm = true;
        dialogs.fontAnswer = {chosen, QColor(128, 0, 0)};
        ClickCentre(w, w.vmbtbtn2);
        QCOMPARE(dialogs.fontShown.size(), 1);
        QCOMPARE(dialogs.fontShown[0].font.family(), QStringLiteral("Tahoma"));
        QCOMPARE(dialogs.fontShown[0].font.pixelSize(), 11);
        QCOMPARE(w.redt1->font().family(), QStringLiteral("DejaVu Sans Mono"));
        QCOMPARE(w.redt1->font().pixelSize(), 18);
        QCOMPARE(w.redt1->palette().color(QPalette::Text), QColor(128, 0, 0));
        ClickCentre(w, w.vmbtbtn2);
        QCOMPARE(dialogs.fontShown[1].font.family(), QStringLiteral("DejaVu Sans Mono"));

        w.redt1->setFocus();
        QTest::keyClick(w.redt1, Qt::Key_Space);
        QCOMPARE(PaneText(w), QStringLiteral("     "));
        w.redt1->setPlainText(QStringLiteral("a<b>c"));
        QTextCursor cursor = w.redt1->textCursor();
        cursor.setPosition(1);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        w.redt1->setTextCursor(cursor);
        QTest::keyClick(w.redt1, Qt::Key_Space);
        QCOMPARE(PaneText(w), QStringLiteral("a     c"));
    }

    void scrollBarFollowsTheTextNotTheFont()
    {
        FakeDialogs dialogs;
        Tfrmravik w;
        ShowWindow(w);
        QTextEdit* pane = w.redt1;
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        const int h = QFontMetrics(pane->font()).size(0, QStringLiteral("好")).height();
        const int fits = int(std::ceil(double(pane->height()) / h)) - 2;   // largest n with h(n+1) < height

        pane->setFocus();
        for (int i = 0; i < fits - 1; ++i) {
            QTest::keyClicks(pane, QStringLiteral("x"));
            QTest::keyClick(pane, Qt::Key_Return);
        }
        QTest::keyClicks(pane, QStringLiteral("x"));
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QTest::keyClick(pane, Qt::Key_Return);   // an empty last line does not count
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QTest::keyClicks(pane, QStringLiteral("y"));
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QTest::keyClick(pane, Qt::Key_Backspace);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

        // A larger font brings the bar with the next change of the text only.
        QFont big(QStringLiteral("DejaVu Sans"));
        big.setPixelSize(40);
        dialogs.fontConfirm = true;
        dialogs.fontAnswer = {big, QColor(0, 0, 0)};
        ClickCentre(w, w.vmbtbtn2);
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        pane->setFocus();
        QTest::keyClicks(pane, QStringLiteral("z"));
        QCOMPARE(pane->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    }

    void findPanelShowsFindsReplacesAndHides()
    {
        FakeDialogs dialogs;
        Tfrmravik w;
        ShowWindow(w);
        QVERIFY(!w.vmpgcntrl2->isVisible());
        ClickCentre(w, w.vmbtbtn1);
        QVERIFY(w.vmpgcntrl2->isVisible());

        w.redt1->setPlainText(QStringLiteral("<p>\n<div>a</div>\n<Div>"));
        w.edt1->setText(QStringLiteral("div"));
        ClickCentre(w, w.btn5);
        QCOMPARE(w.redt1->textCursor().selectedText(), QStringLiteral("div"));
        QCOMPARE(w.redt1->textCursor().selectionStart(), 5);
        QVERIFY(w.redt1->hasFocus());

        w.edt2->setText(QStringLiteral("DIV"));
        ClickCentre(w, w.btn6);
        QCOMPARE(PaneText(w), QStringLiteral("<p>\r\n<DIV>a</DIV>\r\n<Div>"));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("替换完毕！"));
        QCOMPARE(dialogs.messages[0].caption, TApplication::Title());
        QCOMPARE(dialogs.messages[0].icon, TMsgIcon::None);

        ClickCentre(w, w.btn5);   // "div" is gone now
        ClickCentre(w, w.btn6);
        QCOMPARE(dialogs.messages.size(), 3);
        QCOMPARE(dialogs.messages[1].text, QStringLiteral("找不到"));
        QCOMPARE(dialogs.messages[2].text, QStringLiteral("木有要替换的"));

        // The close button hides the whole panel; its page and texts stay.
        QVERIFY(w.vmpgcntrl2->CloseButton());
        ClickCentre(w, w.vmpgcntrl2->CloseButton());
        QVERIFY(!w.vmpgcntrl2->isVisible());
        QCOMPARE(w.vmpgcntrl2->PageCount(), 1);
        QCOMPARE(w.vmpgcntrl2->ActivePage(), w.vmtbshtTabSheet3);
        ClickCentre(w, w.vmbtbtn1);
        QVERIFY(w.vmpgcntrl2->isVisible());
        QCOMPARE(w.edt1->text(), QStringLiteral("div"));
        QCOMPARE(w.edt2->text(), QStringLiteral("DIV"));
    }

    // A command shows the wait cursor while it works; a message box it opens
    // waits for the user and shows the ordinary one.
    void commandsShowTheWaitCursorButTheirMessagesDoNot()
    {
        Tfrmravik w;
        ShowWindow(w);
        auto overrideShape = [] {
            const QCursor* cursor = QGuiApplication::overrideCursor();
            return cursor ? int(cursor->shape()) : -1;
        };
        w.redt1->setPlainText(QStringLiteral("<div>a</div>"));
        int whileFormatting = -1;
        connect(w.redt1, &QTextEdit::textChanged, &w, [&] { whileFormatting = overrideShape(); });
        ClickCentre(w, w.vmbtbtn6);
        QCOMPARE(whileFormatting, int(Qt::WaitCursor));
        QCOMPARE(overrideShape(), -1);

        int overTheBox = -2;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &w, [&] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                overTheBox = overrideShape();
                box->close();
            }
        });
        poll.start(20);
        ClickCentre(w, w.vmbtbtn1);
        w.edt1->setText(QStringLiteral("absent"));
        ClickCentre(w, w.btn5);   // "找不到", in Qt's real message box
        QCOMPARE(overTheBox, -1);
        QCOMPARE(overrideShape(), -1);
    }

    void formatButtonBreaksColoursAndSelects()
    {
        Tfrmravik w;
        ShowWindow(w);
        w.redt1->setPlainText(QStringLiteral("<ul><li style=\"x\">a</li></ul>"));
        ClickCentre(w, w.vmbtbtn6);
        QCOMPARE(PaneText(w),
                 QStringLiteral("\r\n    <ul>\r\n      <li style=\"x\">a\r\n      </li>\r\n\r\n    </ul>\r\n"));
        const QString raw = w.redt1->document()->toRawText();
        QCOMPARE(ColourAt(*w.redt1, int(raw.indexOf("<li"))), QColor(255, 150, 0));
        QCOMPARE(ColourAt(*w.redt1, int(raw.indexOf("style="))), QColor(0, 200, 200));
        QVERIFY(!ColourAt(*w.redt1, int(raw.indexOf("<ul"))).isValid());
        QCOMPARE(w.redt1->textCursor().selectionEnd() - w.redt1->textCursor().selectionStart(), int(raw.size()));
        QVERIFY(w.redt1->hasFocus());
    }
};

RAVIK_TEST(TestEditorCommandsInWindow)
#include "tst_editor_commands.moc"
