#include "Application.h"
#include "EditorTestSupport.h"
#include "FakeDialogs.h"
#include "FindReplace.h"
#include "Formatting.h"
#include "PlainText.h"
#include "TestMain.h"

using namespace editor_test;

class TestFindReplace : public QObject {
    Q_OBJECT
private slots:
    void findSelectsTheFirstOccurrenceEvenAfterLineBreaks()
    {
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->show();
        QVERIFY(QTest::qWaitForWindowActive(pane.get()));
        pane->setPlainText(QStringLiteral("<p>\n\n<div>\n<span>\n<div>"));
        FindInCodePane(*pane, QStringLiteral("<span>"));
        QCOMPARE(pane->textCursor().selectedText(), QStringLiteral("<span>"));
        QVERIFY(pane->hasFocus());
        QVERIFY(dialogs.messages.isEmpty());

        // From the start every time: a second Find selects the same text.
        FindInCodePane(*pane, QStringLiteral("<div>"));
        const int first = pane->textCursor().selectionStart();
        FindInCodePane(*pane, QStringLiteral("<div>"));
        QCOMPARE(pane->textCursor().selectionStart(), first);
        QCOMPARE(pane->textCursor().selectedText(), QStringLiteral("<div>"));
        QCOMPARE(first, 5);
    }

    void findReportsWhatItCannotFind()
    {
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("<div>abc</div>"));
        pane->moveCursor(QTextCursor::End);
        FindInCodePane(*pane, QStringLiteral("<DIV>"));   // case-sensitive
        FindInCodePane(*pane, QString());                 // empty: never found
        QCOMPARE(dialogs.messages.size(), 2);
        for (const ShownMessage& m : dialogs.messages) {
            QCOMPARE(m.text, QStringLiteral("找不到"));
            QCOMPARE(m.caption, TApplication::Title());
            QCOMPARE(m.icon, TMsgIcon::None);
        }
        QVERIFY(!pane->textCursor().hasSelection());
    }

    // A line break in the find text, whatever its kind, is one line break of
    // the pane: never half of one, never an empty selection.
    void lineBreaksInTheFindTextMatchWholeBreaks()
    {
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("ab\ncd"));
        for (const QString& find : {QStringLiteral("\r"), QStringLiteral("\n"), QStringLiteral("\r\n"),
                                    QStringLiteral("\u2029")}) {
            pane->moveCursor(QTextCursor::End);
            FindInCodePane(*pane, QStringLiteral("b") + find + QStringLiteral("c"));
            QCOMPARE(pane->textCursor().selectionStart(), 1);
            QCOMPARE(pane->textCursor().selectionEnd(), 4);
        }
        FindInCodePane(*pane, QStringLiteral("\n\n"));
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("找不到"));

        ReplaceAllInCodePane(*pane, QStringLiteral("\n"), QStringLiteral(" "));
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("ab cd"));
    }

    void replaceAllSetsPlainTextAndReports()
    {
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("<div>a</div>\n<Div>a"));
        FormatForReading(*pane);   // colours the tags, selects all
        ReplaceAllInCodePane(*pane, QStringLiteral("div"), QStringLiteral("DIV"));
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("\r\n<DIV>a\r\n</DIV>\r\n\r\n<Div>a"));
        for (const QColor& c : CharColours(*pane->document()))
            QVERIFY(!c.isValid());
        QCOMPARE(pane->textCursor().position(), 0);
        QVERIFY(!pane->textCursor().hasSelection());
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("替换完毕！"));
        QCOMPARE(dialogs.messages[0].caption, TApplication::Title());
        QCOMPARE(dialogs.messages[0].icon, TMsgIcon::None);

        // Typing after the replacement is not coloured either.
        pane->textCursor().insertText(QStringLiteral("x"));
        QVERIFY(!CharColours(*pane->document())[0].isValid());
    }

    void replaceAllNeverRescansAndCanDelete()
    {
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("a\nbab"));
        ReplaceAllInCodePane(*pane, QStringLiteral("a"), QStringLiteral("aa"));
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("aa\r\nbaab"));
        ReplaceAllInCodePane(*pane, QStringLiteral("a"), QString());
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("\r\nbb"));
        // A replacement that contains a line break makes one.
        ReplaceAllInCodePane(*pane, QStringLiteral("bb"), QStringLiteral("b\rb"));
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("\r\nb\r\nb"));
        QCOMPARE(dialogs.messages.size(), 3);
    }

    void nothingToReplaceLeavesThePaneAlone()
    {
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("<div>abc"));
        FormatForReading(*pane);
        const QList<QColor> before = CharColours(*pane->document());
        ReplaceAllInCodePane(*pane, QStringLiteral("xyz"), QStringLiteral("q"));
        ReplaceAllInCodePane(*pane, QString(), QStringLiteral("q"));
        QCOMPARE(dialogs.messages.size(), 2);
        QCOMPARE(dialogs.messages[0].text, QStringLiteral("木有要替换的"));
        QCOMPARE(dialogs.messages[1].text, QStringLiteral("木有要替换的"));
        QCOMPARE(dialogs.messages[1].caption, TApplication::Title());
        QCOMPARE(CharColours(*pane->document()), before);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("\r\n<div>abc"));
    }
};

RAVIK_TEST(TestFindReplace)
#include "tst_findreplace.moc"
