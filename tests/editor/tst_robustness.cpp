#include "EditorCommands.h"
#include "EditorTestSupport.h"
#include "FakeDialogs.h"
#include "FindReplace.h"
#include "Formatting.h"
#include "PlainText.h"
#include "RtfWriter.h"
#include "ScrollBar.h"
#include "TestMain.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace editor_test;

namespace {

// Every character the pane can hold that is not a line break: the C0
// controls but CR and LF, DEL, non-characters and surrogate halves alone or
// in the wrong order.
QString Awkward()
{
    QString s;
    for (char16_t c = 0; c < 0x20; ++c)
        if (c != u'\r' && c != u'\n')
            s += QChar(c);
    s += QChar(0x7f);
    s += QStringLiteral("<div src=");
    s += QChar(0xd800);
    s += QStringLiteral("a");
    s += QChar(0xdc00);
    s += QChar(0xdc01);
    s += QChar(0xd801);
    s += QChar(0xfffe);
    s += QChar(0xffff);
    s += QStringLiteral("\U0001F600</div>");
    return s;
}

void RunEveryCommand(QTextEdit& pane, FakeDialogs& dialogs, const QString& dir, const QString& findText)
{
    UpdateCodePaneScrollBar(pane);
    FindInCodePane(pane, findText);
    QVERIFY(pane.textCursor().hasSelection());
    SelectAllAndCopy(pane);
    QCOMPARE(QGuiApplication::clipboard()->text().size(),
             PlainFromRaw(pane.document()->toRawText(), u"\n").size());
    dialogs.saveAnswer = dir + QStringLiteral("/saved");
    QVERIFY(SaveCodePaneAs(pane));
    QVERIFY(QFile(dir + QStringLiteral("/saved.txt")).size() > pane.document()->characterCount() / 2);
    FormatForReading(pane);
    UpdateCodePaneScrollBar(pane);
    ReplaceAllInCodePane(pane, findText, findText + findText);
    QVERIFY(CodePaneText(*pane.document()).contains(findText + findText));
    ClearCodePane(pane);
    QCOMPARE(pane.document()->toRawText(), QString());
}

} // namespace

class TestRobustness : public QObject {
    Q_OBJECT
private slots:
    void controlCharactersAndBrokenSurrogatesSurviveEveryCommand()
    {
        QTemporaryDir dir;
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->show();
        const QString text = Awkward();
        QGuiApplication::clipboard()->setText(text);
        PasteIntoCodePane(*pane);
        QCOMPARE(CodePaneText(*pane->document()), text);

        // Copy gives every character back.
        pane->selectAll();
        CopyFromCodePane(*pane);
        QCOMPARE(QGuiApplication::clipboard()->text(), text);

        // Find and replace on a control character and on a lone surrogate.
        FindInCodePane(*pane, QString(QChar(0xd800)));
        QCOMPARE(pane->textCursor().selectedText(), QString(QChar(0xd800)));
        ReplaceAllInCodePane(*pane, QString(QChar(0)), QStringLiteral("NUL"));
        QVERIFY(CodePaneText(*pane->document()).startsWith(QStringLiteral("NUL\u0001")));

        // The RTF stream holds them too; a real reader gets through it.
        const QByteArray rtf = WriteRtf(*pane->document(), Qt::black);
        QVERIFY(rtf.contains("\\'01\\'02"));
        QVERIFY(rtf.contains("\\u-10240?"));   // U+D800
        if (!QStandardPaths::findExecutable(QStringLiteral("unrtf")).isEmpty()) {
            const QString path = dir.filePath(QStringLiteral("awkward.rtf"));
            SaveFileWhole(path, rtf);
            QProcess unrtf;
            unrtf.start(QStringLiteral("unrtf"), {QStringLiteral("--html"), path});
            QVERIFY(unrtf.waitForFinished(30000));
            QCOMPARE(unrtf.exitStatus(), QProcess::NormalExit);
        }
        RunEveryCommand(*pane, dialogs, dir.path(), QString(QChar(0x7f)));
    }

    // QTextDocument reads U+FDD0 and U+FDD1 as frame markers and would make
    // line breaks of them; whichever way they come in, they show as U+FFFD
    // and the line stays one line.
    void frameMarkersNeverBecomeLineBreaks()
    {
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->show();
        pane->setFocus();
        const QString markers = QStringLiteral("\ufdd0\ufdd1");
        const QString shown = QStringLiteral("\ufffd\ufffd");
        QGuiApplication::clipboard()->setText(QStringLiteral("<p>") + markers);
        PasteIntoCodePane(*pane);   // "粘贴"
        pane->paste();              // Ctrl+V
        QTest::sendKeyEvent(QTest::KeyAction::Click, pane.get(), Qt::Key_unknown, markers, Qt::NoModifier);
        QInputMethodEvent composed;
        composed.setCommitString(markers);
        QCoreApplication::sendEvent(pane.get(), &composed);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("<p>%1<p>%1%1%1").arg(shown));
        QCOMPARE(pane->document()->blockCount(), 1);

        // Found by the same text it was pasted as.
        FindInCodePane(*pane, QStringLiteral("<p>") + markers + QStringLiteral("<p>"));
        QCOMPARE(pane->textCursor().selectedText(), QStringLiteral("<p>%1<p>").arg(shown));
        ReplaceAllInCodePane(*pane, QStringLiteral("<p>"), markers);
        QCOMPARE(CodePaneText(*pane->document()), shown.repeated(6));
        QCOMPARE(pane->document()->blockCount(), 1);
    }

    void tenMegabytePaste()
    {
        QTemporaryDir dir;
        FakeDialogs dialogs;
        auto pane = MakePane();
        pane->show();
        const QString text = MakeFragment(10 * 1024 * 1024, 11);
        QGuiApplication::clipboard()->setText(text);
        PasteIntoCodePane(*pane);
        QCOMPARE(pane->document()->characterCount(), int(text.size()) + 1);
        QVERIFY(CodePaneText(*pane->document()) == text);
        RunEveryCommand(*pane, dialogs, dir.path(), QStringLiteral("</ul>"));
    }
};

RAVIK_TEST(TestRobustness)
#include "tst_robustness.moc"
