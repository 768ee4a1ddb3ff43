#include "EditorCommands.h"
#include "EditorTestSupport.h"
#include "FakeDialogs.h"
#include "Formatting.h"
#include "PlainText.h"
#include "TestMain.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

using namespace editor_test;

class TestEditorCommands : public QObject {
    Q_OBJECT
private slots:
    void pasteInsertsPlainTextOnly()
    {
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("<div>abc"));
        FormatForReading(*pane);   // "\r\n<div>abc", coloured tag, all selected
        QTextCursor caret = pane->textCursor();
        caret.setPosition(5);      // right after the red "<div"
        pane->setTextCursor(caret);

        auto* data = new QMimeData;
        data->setText(QStringLiteral("x\u00a0y\r\nz"));
        data->setHtml(QStringLiteral("<b style=\"color:green\">ignored</b>"));
        QGuiApplication::clipboard()->setMimeData(data);
        PasteIntoCodePane(*pane);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("\r\n<divx\u00a0y\r\nz>abc"));
        const QList<QColor> colours = CharColours(*pane->document());
        QCOMPARE(colours[4], QColor(255, 0, 0));
        QVERIFY(!colours[5].isValid());   // pasted text does not take the tag's colour
        QCOMPARE(pane->textCursor().position(), 10);

        // The selection is replaced.
        pane->selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("new"));
        PasteIntoCodePane(*pane);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("new"));
    }

    void pasteWithoutTextOnTheClipboardDoesNothing()
    {
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("keep"));
        pane->selectAll();
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::red);
        QGuiApplication::clipboard()->setImage(image);
        PasteIntoCodePane(*pane);
        QGuiApplication::clipboard()->clear();
        PasteIntoCodePane(*pane);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("keep"));
        QVERIFY(pane->textCursor().hasSelection());
    }

    void copyAndSelectAllCommands()
    {
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->show();
        QVERIFY(QTest::qWaitForWindowActive(pane.get()));
        pane->setPlainText(QStringLiteral("ab\u00a0c\nd"));

        QTextCursor cursor = pane->textCursor();
        cursor.setPosition(1);
        cursor.setPosition(6, QTextCursor::KeepAnchor);
        pane->setTextCursor(cursor);
        CopyFromCodePane(*pane);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("b\u00a0c\nd"));

        QWidget elsewhere;
        elsewhere.setFocusPolicy(Qt::StrongFocus);
        // "反色背景": all selected, focus, no message, no clipboard change.
        QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
        pane->clearFocus();
        SelectAllInCodePane(*pane);
        QCOMPARE(pane->textCursor().selectionStart(), 0);
        QCOMPARE(pane->textCursor().selectionEnd(), 6);
        QVERIFY(pane->hasFocus());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
        QVERIFY(dialogs.messages.isEmpty());

        // "全选": all selected and copied, focus, then the message.
        pane->clearFocus();
        pane->moveCursor(QTextCursor::End);
        SelectAllAndCopy(*pane);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("ab\u00a0c\nd"));
        QVERIFY(pane->hasFocus());
        QCOMPARE(pane->textCursor().selectionEnd() - pane->textCursor().selectionStart(), 6);
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("代码已被复制！"));
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("提示信息"));
        QCOMPARE(dialogs.messages[0].icon, TMsgIcon::None);
    }

    void clearTakesTextAndFormattingAway()
    {
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("<div>"));
        FormatForReading(*pane);
        pane->moveCursor(QTextCursor::End);   // caret after the red tag
        ClearCodePane(*pane);
        QCOMPARE(pane->document()->toRawText(), QString());
        QTest::keyClicks(pane.get(), QStringLiteral("ab"));
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("ab"));
        for (const QColor& c : CharColours(*pane->document()))
            QVERIFY(!c.isValid());
    }

    void fontDialogStartsFromTheLastChoiceNotFromThePane()
    {
        FakeDialogs dialogs;
        auto pane = MakePane();
        const QFont paneFont = pane->font();
        TCodePaneFont command;

        QVERIFY(!command.Execute(*pane));   // cancelled
        QCOMPARE(dialogs.fontShown.size(), 1);
        QCOMPARE(dialogs.fontShown[0].font.family(), QStringLiteral("Tahoma"));
        QCOMPARE(dialogs.fontShown[0].font.pixelSize(), 11);
        QCOMPARE(pane->font(), paneFont);

        QFont chosen(QStringLiteral("DejaVu Serif"));
        chosen.setPixelSize(20);
        chosen.setBold(true);
        chosen.setItalic(true);
        dialogs.fontConfirm = true;
        dialogs.fontAnswer = {chosen, QColor(0, 0, 128)};
        QVERIFY(command.Execute(*pane));
        QCOMPARE(pane->font().family(), QStringLiteral("DejaVu Serif"));
        QCOMPARE(pane->font().pixelSize(), 20);
        QVERIFY(pane->font().bold() && pane->font().italic());
        QCOMPARE(pane->document()->defaultFont().pixelSize(), 20);
        QCOMPARE(pane->palette().color(QPalette::Text), QColor(0, 0, 128));

        // The pane's font changes elsewhere; the dialog still opens on the choice.
        QFont other(QStringLiteral("DejaVu Sans"));
        other.setPixelSize(9);
        pane->setFont(other);
        dialogs.fontConfirm = false;
        QVERIFY(!command.Execute(*pane));
        QCOMPARE(dialogs.fontShown.last().font, chosen);
        QCOMPARE(dialogs.fontShown.last().color, QColor(0, 0, 128));
        QCOMPARE(pane->font(), other);
    }

    void helpShowsTheExactText()
    {
        FakeDialogs dialogs;
        QWidget owner;
        ShowHelp(&owner);
        QCOMPARE(dialogs.messages.size(), 1);
        const QString text = dialogs.messages[0].text;
        QVERIFY(text.startsWith(QStringLiteral("因预览需要，将按钮隐藏至代码栏的右键上，")));
        QVERIFY(text.contains(QStringLiteral("可以选择最大化,输入代码后")));   // ASCII comma
        QVERIFY(text.endsWith(QStringLiteral("请替换成小写！！")));
        QCOMPARE(text.count(u','), 1);
        QCOMPARE(text.count(u'，'), 6);
        QCOMPARE(dialogs.messages[0].caption, QStringLiteral("提示信息"));
        QCOMPARE(dialogs.messages[0].icon, TMsgIcon::None);
    }

    void spaceKeyGivesFiveSpaces()
    {
        auto pane = MakePane();
        // The key-down handler runs first, then the pane types the key.
        struct Filter : QObject {
            QTextEdit* pane;
            bool eventFilter(QObject*, QEvent* e) override
            {
                if (e->type() == QEvent::KeyPress)
                    CodePaneKeyDown(*pane, static_cast<QKeyEvent*>(e)->key());
                return false;
            }
        } filter;
        filter.pane = pane.get();
        pane->installEventFilter(&filter);

        QTest::keyClick(pane.get(), Qt::Key_Space);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("     "));

        pane->setPlainText(QStringLiteral("a<b>c"));
        QTextCursor cursor = pane->textCursor();
        cursor.setPosition(1);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        pane->setTextCursor(cursor);
        QTest::keyClick(pane.get(), Qt::Key_Space);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("a     c"));

        QTest::keyClick(pane.get(), Qt::Key_X);
        QTest::keyClick(pane.get(), Qt::Key_Tab);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("a     x\tc"));
    }
};

RAVIK_TEST(TestEditorCommands)
#include "tst_editorcommands.moc"
