#include "EditorTestSupport.h"
#include "Formatting.h"
#include "PlainText.h"
#include "TestMain.h"

#include <QApplication>

using namespace editor_test;

namespace {

// The whole-word test of the step-by-step version, written out on its own:
// the characters either side of the match must not be letters or digits.
bool ReferenceWholeWordAt(const QString& text, int at, int length)
{
    const bool before = at == 0 || !text.at(at - 1).isLetterOrNumber();
    const bool after = at + length == text.size() || !text.at(at + length).isLetterOrNumber();
    return before && after;
}

// The command done the long way, step by step: every line-breaking pass
// reads the pane's text and sets it again; every colouring step reads the
// text again and searches, character by character from the position after
// the last hit, for the token standing as a whole word. The tables are
// written out again here on purpose.
void ReferenceFormat(QTextEdit& pane)
{
    static const QList<QPair<QString, QString>> breaks{
        {"<div", "\r<div"}, {"</div>", "\r</div>\r"}, {"<a", "\r    <a"}, {"</a>", "</a>\r"},
        {"<table", "\r  <table"}, {"</table>", "  </table>\r"}, {"<img", "\r      <img"},
        {"/>", "/>\r"}, {"<ul", "\r    <ul"}, {"</ul>", "\r    </ul>\r"},
        {"<li", "\r      <li"}, {"</li>", "\r      </li>\r"}};
    static const QList<QPair<QString, QColor>> colours{
        {"<div", QColor(255, 0, 0)}, {"</div>", QColor(255, 0, 0)}, {"src=", QColor(255, 0, 255)},
        {"style=", QColor(0, 200, 200)}, {"href=", QColor(0, 0, 255)}, {"<li", QColor(255, 150, 0)},
        {"</li>", QColor(255, 150, 0)}};
    QTextDocument& document = *pane.document();
    for (const auto& [find, replace] : breaks) {
        QString text = CodePaneText(document);
        text.replace(find, replace, Qt::CaseSensitive);
        document.setPlainText(text);
    }
    for (const auto& [token, colour] : colours) {
        const int length = int(token.size());
        int p = 0;
        for (;;) {
            const QString text = document.toRawText();   // positions as the document counts them
            int found = -1;
            for (int at = p; at + length <= text.size() && found < 0; ++at)
                if (QStringView(text).mid(at, length) == token && ReferenceWholeWordAt(text, at, length))
                    found = at;
            if (found < 0)
                break;
            QTextCursor select(&document);
            select.setPosition(found);
            select.setPosition(found + length, QTextCursor::KeepAnchor);
            QTextCharFormat format;
            format.setForeground(colour);
            select.mergeCharFormat(format);
            p = found + length;
        }
    }
}

void CompareWithReference(const QString& input)
{
    auto fast = MakePane();
    auto slow = MakePane();
    fast->setPlainText(input);
    slow->setPlainText(input);
    FormatForReading(*fast);
    ReferenceFormat(*slow);
    QCOMPARE(CodePaneText(*fast->document()), CodePaneText(*slow->document()));
    QCOMPARE(CharColours(*fast->document()), CharColours(*slow->document()));
}

} // namespace

class TestFormatting : public QObject {
    Q_OBJECT
private slots:
    void smallFragmentBreaksIndentsAndColours()
    {
        auto pane = MakePane();
        pane->show();
        QVERIFY(QTest::qWaitForWindowActive(pane.get()));
        pane->setPlainText(QStringLiteral("<div><a href=\"x\"><img src=\"y\"/></a></div>"));
        FormatForReading(*pane);
        const QString expected = QStringLiteral(
            "\r\n<div>\r\n    <a href=\"x\">\r\n      <img src=\"y\"/>\r\n</a>\r\n\r\n</div>\r\n");
        QCOMPARE(CodePaneText(*pane->document()), expected);

        const QString raw = pane->document()->toRawText();
        const QList<QColor> colours = CharColours(*pane->document());
        auto colourOf = [&](const QString& token, int occurrence = 0) {
            int at = -1;
            for (int i = 0; i <= occurrence; ++i)
                at = int(raw.indexOf(token, at + 1));
            return colours.mid(at, token.size());
        };
        QCOMPARE(colourOf("<div"), QList<QColor>(4, QColor(255, 0, 0)));
        QCOMPARE(colourOf("</div>"), QList<QColor>(6, QColor(255, 0, 0)));
        QCOMPARE(colourOf("href="), QList<QColor>(5, QColor(0, 0, 255)));
        QCOMPARE(colourOf("src="), QList<QColor>(4, QColor(255, 0, 255)));
        // Only the token: the attribute value and the rest stay uncoloured.
        QVERIFY(!colours[raw.indexOf("\"y\"")].isValid());
        QVERIFY(!colours[raw.indexOf("<a")].isValid());
        QVERIFY(!colours[raw.indexOf("<div") + 4].isValid());

        // Everything selected, focus in the pane.
        QCOMPARE(pane->textCursor().selectionStart(), 0);
        QCOMPARE(pane->textCursor().selectionEnd(), int(raw.size()));
        QVERIFY(pane->hasFocus());
    }

    void listsAndLookAlikesFollowPlainSubstitution()
    {
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("<ul><li>a</li><link rel=x/></ul><DIV><LI>b</LI></DIV>"));
        FormatForReading(*pane);
        QCOMPARE(CodePaneText(*pane->document()),
                 QStringLiteral("\r\n    <ul>\r\n      <li>a\r\n      </li>\r\n\r\n      <link rel=x/>\r\n\r\n    </ul>\r\n"
                                "<DIV><LI>b</LI></DIV>"));
        const QString raw = pane->document()->toRawText();
        const QList<QColor> colours = CharColours(*pane->document());
        const QColor orange(255, 150, 0);
        QCOMPARE(colours[raw.indexOf("<li>")], orange);
        QCOMPARE(colours[raw.indexOf("</li>") + 4], orange);
        QVERIFY(!colours[raw.indexOf("<link")].isValid());   // broken like <li, but not a whole word
        for (int i = int(raw.indexOf("<DIV")); i < raw.size(); ++i)
            QVERIFY(!colours[i].isValid());                   // upper case: neither broken nor coloured
    }

    void secondRunAddsTheBreaksAgainAndRecolours()
    {
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("<div>x</div>"));
        FormatForReading(*pane);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("\r\n<div>x\r\n</div>\r\n"));
        FormatForReading(*pane);
        QCOMPARE(CodePaneText(*pane->document()), QStringLiteral("\r\n\r\n<div>x\r\n\r\n</div>\r\n\r\n"));
        CompareWithReference(QStringLiteral("\r\n<div>x\r\n</div>\r\n"));
    }

    // The new text and its colours reach the pane as one change, so it lays
    // the document out once, not once for the text and again for the colours.
    void textAndColoursArriveAsOneChange()
    {
        auto pane = MakePane();
        pane->setPlainText(MakeFragment(20000, 4));
        QSignalSpy changes(pane->document(), &QTextDocument::contentsChange);
        FormatForReading(*pane);
        QCOMPARE(changes.count(), 1);
        QVERIFY(CharColours(*pane->document()).contains(QColor(255, 0, 0)));
    }

    void emptyPaneStaysEmptyWithNothingSelected()
    {
        auto pane = MakePane();
        FormatForReading(*pane);
        QCOMPARE(CodePaneText(*pane->document()), QString());
        QVERIFY(!pane->textCursor().hasSelection());
    }

    void earlierColoursAreGoneBeforeColouring()
    {
        auto pane = MakePane();
        pane->setPlainText(QStringLiteral("abc <li>"));
        QTextCursor all(pane->document());
        all.select(QTextCursor::Document);
        QTextCharFormat green;
        green.setForeground(QColor(0, 255, 0));
        all.mergeCharFormat(green);
        FormatForReading(*pane);
        const QList<QColor> colours = CharColours(*pane->document());
        QVERIFY(!colours[0].isValid());
        QCOMPARE(colours[pane->document()->toRawText().indexOf("<li")], QColor(255, 150, 0));
    }

    void sameResultAsStepByStepOnStorefrontCode()
    {
        for (quint32 seed : {1u, 2u, 3u})
            CompareWithReference(MakeFragment(6000, seed));
    }

    void sameResultAsStepByStepOnRandomCode()
    {
        for (quint32 seed = 1; seed <= 60; ++seed)
            CompareWithReference(RandomCode(seed, 150));
    }

    void breakingAloneMatchesReplacementsInOrder()
    {
        // Plain C++ without a pane: the line breaks as twelve ordered passes.
        QString expected = QStringLiteral("<table><tr><td><a><img/></a></td></tr></table>");
        for (const TLineBreakPass& pass : LineBreakPasses())
            expected.replace(pass.find, pass.replace);
        QCOMPARE(BreakIntoLines(u"<table><tr><td><a><img/></a></td></tr></table>"), expected);
        QCOMPARE(expected, QStringLiteral("\r  <table><tr><td>\r    <a>\r      <img/>\r</a>\r</td></tr>  </table>\r"));
        QCOMPARE(LineBreakPasses().size(), std::size_t(12));
        QCOMPARE(ColourPasses().size(), std::size_t(7));
    }
};

RAVIK_TEST(TestFormatting)
#include "tst_formatting.moc"
