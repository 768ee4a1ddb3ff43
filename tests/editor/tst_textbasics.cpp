#include "EditorTestSupport.h"
#include "FindReplace.h"
#include "PlainText.h"
#include "TestMain.h"
#include "WordSearch.h"

using namespace editor_test;

class TestTextBasics : public QObject {
    Q_OBJECT
private slots:
    void paneTextKeepsEveryCharacterAndWritesBreaksAsCrLf()
    {
        QTextDocument document;
        document.setPlainText(QStringLiteral("a\u00a0b\r\nc\rd\ne\u2028f"));
        QCOMPARE(CodePaneText(document), QStringLiteral("a\u00a0b\r\nc\r\nd\r\ne\r\nf"));

        // A trailing break gives an empty last line, not a lost one.
        document.setPlainText(QStringLiteral("x\n"));
        QCOMPARE(CodePaneText(document), QStringLiteral("x\r\n"));
        document.setPlainText(QString());
        QCOMPARE(CodePaneText(document), QString());
    }

    void positionsMapFromCrLfTextToDocument()
    {
        QTextDocument document;
        document.setPlainText(QStringLiteral("ab\ncd\n\nef"));
        const QString text = CodePaneText(document);   // "ab\r\ncd\r\n\r\nef"
        const QString raw = document.toRawText();
        for (const QChar c : {QChar(u'a'), QChar(u'c'), QChar(u'd'), QChar(u'e'), QChar(u'f')})
            QCOMPARE(raw.at(DocumentPosition(text, text.indexOf(c))), c);
        // Between CR and LF: the break itself.
        QCOMPARE(DocumentPosition(text, 3), 2);
        QCOMPARE(DocumentPosition(text, text.size()), int(raw.size()));
        QCOMPARE(DocumentPosition(text, text.size() + 5), int(raw.size()));
    }

    void settingTextDropsColoursEvenWithTheCaretInColouredText()
    {
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("<div>abc"));
        QTextCursor cursor(pane->document());
        cursor.setPosition(0);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        QTextCharFormat red;
        red.setForeground(QColor(255, 0, 0));
        cursor.mergeCharFormat(red);
        cursor.clearSelection();
        pane->setTextCursor(cursor);   // caret right after the red tag

        SetCodePaneText(*pane, QStringLiteral("one\r\ntwo\rthree\nfour"));
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("one\r\ntwo\r\nthree\r\nfour"));
        for (const QColor& c : CharColours(*pane->document()))
            QVERIFY(!c.isValid());
        QCOMPARE(pane->textCursor().position(), 0);
        QVERIFY(!pane->currentCharFormat().hasProperty(QTextFormat::ForegroundBrush));
    }

    void wholeWordRuleOnTokensWithPunctuationAtTheirEdges()
    {
        struct Case { QString text; QString word; qsizetype expected; };
        const QList<Case> cases{
            {QStringLiteral("\u2029<div class"), QStringLiteral("<div"), 1},
            {QStringLiteral("<div>"), QStringLiteral("<div"), 0},
            {QStringLiteral("x<div "), QStringLiteral("<div"), -1},    // a letter before it
            {QStringLiteral("<divider <div"), QStringLiteral("<div"), 9},
            {QStringLiteral("<div2"), QStringLiteral("<div"), -1},     // digits are word characters
            {QStringLiteral("<div_"), QStringLiteral("<div"), 0},      // "_" is a delimiter
            {QStringLiteral("<div\u00a0"), QStringLiteral("<div"), 0},
            {QStringLiteral("好<div"), QStringLiteral("<div"), -1},    // a Chinese letter is a letter
            {QStringLiteral("img src=\"a\""), QStringLiteral("src="), 4},
            {QStringLiteral("img xsrc=\"a\" src=x"), QStringLiteral("src="), -1},  // value starts with a letter
            {QStringLiteral("data-src=\"a\""), QStringLiteral("src="), 5},
            {QStringLiteral("</li>\u2029"), QStringLiteral("</li>"), 0},
            {QStringLiteral("</li><li"), QStringLiteral("</li>"), 0},
            {QStringLiteral("</li>x </li>"), QStringLiteral("</li>"), 7},
            {QStringLiteral("<link"), QStringLiteral("<li"), -1},
            {QStringLiteral("<li>"), QStringLiteral("<li"), 0},
            {QStringLiteral("<LI>"), QStringLiteral("<li"), -1},      // case matters
            {QStringLiteral("abc"), QString(), -1},
        };
        for (const Case& c : cases)
            QVERIFY2(FindWholeWord(c.text, c.word, 0) == c.expected,
                     qPrintable(QStringLiteral("%1 in %2").arg(c.word, c.text)));
        QCOMPARE(FindWholeWord(u"<div <div", u"<div", 1), qsizetype(5));
        QCOMPARE(FindWholeWord(u"<div", u"<div", 1), qsizetype(-1));
    }

    // The rule is the pane's own whole-word rule: whatever the pane's search
    // finds is found here too, and never later than the pane finds it.
    void wholeWordSearchAgreesWithThePane()
    {
        const QStringList words{QStringLiteral("<div"), QStringLiteral("</div>"), QStringLiteral("src="),
                                QStringLiteral("style="), QStringLiteral("href="), QStringLiteral("<li"),
                                QStringLiteral("</li>")};
        int same = 0;
        for (quint32 seed = 1; seed <= 40; ++seed) {
            QTextDocument document;
            document.setPlainText(RandomCode(seed, 120));
            const QString raw = document.toRawText();
            for (const QString& word : words) {
                for (int from = 0; from <= raw.size(); from += 7) {
                    const QTextCursor found =
                        document.find(word, from, QTextDocument::FindCaseSensitively | QTextDocument::FindWholeWords);
                    const qsizetype mine = FindWholeWord(raw, word, from);
                    const qsizetype theirs = found.isNull() ? -1 : found.selectionStart();
                    if (mine == theirs) {
                        ++same;
                        continue;
                    }
                    // Only where the pane's search skipped an occurrence that
                    // follows right on a rejected one.
                    QVERIFY(mine >= 0 && (theirs < 0 || mine < theirs));
                    const qsizetype rejected = mine - word.size();
                    QVERIFY(rejected >= 0 && raw.mid(rejected, word.size()) == word);
                    QVERIFY(!StandsAsWholeWord(raw, rejected, word.size()));
                }
            }
        }
        QVERIFY(same > 1000);
        // The case the pane's search misses.
        QCOMPARE(FindWholeWord(u"xhref=href=", u"href=", 0), qsizetype(6));
    }

    void replaceEveryScansLeftToRightWithoutRescanning()
    {
        qsizetype count = -1;
        QCOMPARE(ReplaceEvery(u"banana", u"a", u"aa", &count), QStringLiteral("baanaanaa"));
        QCOMPARE(count, qsizetype(3));
        QCOMPARE(ReplaceEvery(u"aaaa", u"aa", u"a", &count), QStringLiteral("aa"));
        QCOMPARE(count, qsizetype(2));
        QCOMPARE(ReplaceEvery(u"aaa", u"aa", u"b"), QStringLiteral("ba"));   // no overlapping matches
        QCOMPARE(ReplaceEvery(u"<div><DIV><Div>", u"div", u"DIV"), QStringLiteral("<DIV><DIV><Div>"));
        QCOMPARE(ReplaceEvery(u"a-b-c", u"-", u"", &count), QStringLiteral("abc"));
        QCOMPARE(count, qsizetype(2));
        QCOMPARE(ReplaceEvery(u"abc", u"", u"x", &count), QStringLiteral("abc"));
        QCOMPARE(count, qsizetype(0));
        QCOMPARE(ReplaceEvery(u"abc", u"z", u"x", &count), QStringLiteral("abc"));
        QCOMPARE(count, qsizetype(0));
        QCOMPARE(ReplaceEvery(u"", u"a", u"x"), QString());

        // Same result as Qt's own replacement on random inputs.
        for (quint32 seed = 1; seed <= 30; ++seed) {
            const QString text = RandomCode(seed, 200);
            const QString find = RandomCode(seed + 1000, 1);
            const QString replacement = RandomCode(seed + 2000, 2);
            QString expected = text;
            expected.replace(find, replacement, Qt::CaseSensitive);
            QCOMPARE(ReplaceEvery(text, find, replacement), expected);
        }
    }
};

RAVIK_TEST(TestTextBasics)
#include "tst_textbasics.moc"
