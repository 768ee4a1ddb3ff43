#include "CodePane.h"
#include "CodePaneLayout.h"
#include "EditorTestSupport.h"
#include "PlainText.h"
#include "TestMain.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QScrollBar>
#include <QTextLayout>
#include <QtTest/QTest>

#include <functional>

using namespace editor_test;

namespace {

struct TShownLine {
    int Start;
    int End;
    QRectF Rect;
    // The width is left out: Qt widens a line by the part of a glyph that
    // hangs over the edge, which changes nothing drawn at the left margin.
    bool operator==(const TShownLine& other) const
    {
        return Start == other.Start && End == other.End && Rect.topLeft() == other.Rect.topLeft() &&
               Rect.height() == other.Rect.height();
    }
};

QString Describe(const QList<TShownLine>& lines, qsizetype at)
{
    if (at >= lines.size())
        return QStringLiteral("(none)");
    const TShownLine& l = lines[at];
    return QStringLiteral("[%1,%2) x=%5 y=%3 w=%6 h=%4").arg(l.Start).arg(l.End).arg(l.Rect.y()).arg(l.Rect.height()).arg(l.Rect.x()).arg(l.Rect.width());
}

// Every displayed line as Qt's own document layout gives it for a copy of
// the document at the same page size.
QList<TShownLine> QtLines(const QTextDocument& document)
{
    std::unique_ptr<QTextDocument> copy(document.clone());
    copy->setDefaultFont(document.defaultFont());
    copy->setDefaultTextOption(document.defaultTextOption());
    copy->setDocumentMargin(document.documentMargin());
    copy->setPageSize(document.pageSize());
    QAbstractTextDocumentLayout* layout = copy->documentLayout();
    QList<TShownLine> lines;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        const QPointF origin = layout->blockBoundingRect(block).topLeft();
        const QTextLayout* text = block.layout();
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            const int start = block.position() + line.textStart();
            lines.append({start, start + line.textLength(),
                          QRectF(origin + QPointF(line.x(), line.y()), QSizeF(line.width(), line.height()))});
        }
    }
    return lines;
}

// Every displayed line as the pane's layout gives it, walked line by line.
QList<TShownLine> PaneLines(const TCodePane& pane)
{
    const TCodePaneLayout& layout = *pane.PaneLayout();
    QList<TShownLine> lines;
    const QTextDocument& document = *pane.document();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        int position = block.position();
        for (;;) {
            TCodePaneLayout::TLine line;
            if (!layout.LineAt(position, line))
                return lines;
            lines.append({line.Start, line.End, line.Rect});
            if (line.LastOfBlock || line.End <= position)
                break;
            position = line.End;
        }
    }
    return lines;
}

void CompareWithQt(const TCodePane& pane)
{
    const QList<TShownLine> expected = QtLines(*pane.document());
    const QList<TShownLine> actual = PaneLines(pane);
    for (qsizetype i = 0; i < qMax(expected.size(), actual.size()); ++i) {
        if (i >= expected.size() || i >= actual.size() || !(expected[i] == actual[i])) {
            const QString raw = pane.document()->toRawText();
            const QString shown = i < actual.size() ? raw.mid(actual[i].Start, actual[i].End - actual[i].Start) : QString();
            QFAIL(qPrintable(QStringLiteral("line %1 of %2: Qt %3, pane %4 \"%5\"")
                                 .arg(i)
                                 .arg(expected.size())
                                 .arg(Describe(expected, i), Describe(actual, i), shown)));
        }
    }
    QCOMPARE(pane.PaneLayout()->documentSize(), [&] {
        std::unique_ptr<QTextDocument> copy(pane.document()->clone());
        copy->setDefaultFont(pane.document()->defaultFont());
        copy->setDocumentMargin(pane.document()->documentMargin());
        copy->setPageSize(pane.document()->pageSize());
        return copy->documentLayout()->documentSize();
    }());
}

// Decoration code with what makes line breaking hard: a word longer than a
// line, Chinese without spaces, combining marks and a character outside the
// basic plane.
QString LongParagraph(quint32 seed, int bytes)
{
    QString text = MakeFragment(bytes, seed);
    text.insert(text.size() / 3, QString(700, u'x'));
    text.insert(text.size() / 2, QStringLiteral("限时折扣全场包邮新品上市限时折扣全场包邮新品上市限时折扣全场包邮"));
    text.insert(text.size() * 2 / 3, QStringLiteral(" cafe\u0301 \U0001F600 "));
    return text;
}

std::unique_ptr<TCodePane> ShownPane(const QString& text, int width = 500, int height = 300)
{
    std::unique_ptr<QTextEdit> made = MakePane(width, height);
    std::unique_ptr<TCodePane> pane(static_cast<TCodePane*>(made.release()));
    SetCodePaneText(*pane, text);
    pane->show();
    return pane;
}

QImage Shot(QTextEdit& pane)
{
    QImage image(pane.viewport()->size(), QImage::Format_RGB32);
    pane.viewport()->render(&image);
    return image;
}

} // namespace

class TestCodePane : public QObject {
    Q_OBJECT
private slots:
    void linesAreQtsForShortAndLongParagraphs()
    {
        // A long paragraph between ordinary ones, as pasted code often is.
        const QString text = QStringLiteral("<div class=\"a\">\r\n") + LongParagraph(3, 30000) +
                             QStringLiteral("\r\n\r\n<p>short</p>\r\n") + LongParagraph(4, 12000);
        auto pane = ShownPane(text);
        QVERIFY(pane->PaneLayout()->HasLongBlocks());
        CompareWithQt(*pane);
        // Another width lays everything out again, still as Qt would.
        pane->resize(333, 300);
        CompareWithQt(*pane);
        QVERIFY(pane->PaneLayout()->HasLongBlocks());
    }

    void editsKeepTheLinesQtWouldGive_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("width");
        for (quint32 seed = 5; seed < 9; ++seed)
            QTest::addRow("seed %u", seed) << seed << int(300 + (seed * 97) % 400);
    }

    void editsKeepTheLinesQtWouldGive()
    {
        QFETCH(quint32, seed);
        QFETCH(int, width);
        auto pane = ShownPane(LongParagraph(seed + 6, 24000) + QStringLiteral("\r\n<p>tail</p>"), width);
        QTextDocument& document = *pane->document();
        QRandomGenerator random(seed);
        const QStringList inserts{QStringLiteral("a"), QStringLiteral(" "), QStringLiteral("<td width=\"1\">"),
                                  QStringLiteral("限时"), QString(300, u'y'), QStringLiteral("\n"),
                                  QStringLiteral("x\ny")};
        for (int step = 0; step < 60; ++step) {
            QTextCursor cursor(&document);
            const int length = document.characterCount() - 1;
            const int at = int(random.bounded(length + 1));
            cursor.setPosition(at);
            switch (random.bounded(4)) {
            case 0:
            case 1:
                cursor.insertText(inserts[random.bounded(inserts.size())]);
                break;
            case 2:
                cursor.setPosition(qMin(length, at + int(random.bounded(1, 400))), QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
                break;
            default: {
                // A colour changes no line, a larger font does.
                QTextCharFormat format;
                format.setForeground(QColor(0xFF, 0, 0));
                if (random.bounded(3) == 0)
                    format.setFontPointSize(20);
                cursor.setPosition(qMin(length, at + int(random.bounded(1, 200))), QTextCursor::KeepAnchor);
                cursor.mergeCharFormat(format);
                break;
            }
            }
            if (step % 6 == 5) {
                CompareWithQt(*pane);
                if (QTest::currentTestFailed())
                    QFAIL(qPrintable(QStringLiteral("after step %1").arg(step)));
            }
        }
        CompareWithQt(*pane);
    }

    void aKeystrokeLaysOutOnlyTheRunsNearIt()
    {
        auto pane = ShownPane(LongParagraph(21, 200000));
        const TCodePaneLayout& layout = *pane->PaneLayout();
        QTextCursor cursor(pane->document());
        cursor.setPosition(100000);
        cursor.insertText(QStringLiteral("a"));
        QVERIFY2(layout.RunsLaidOutByLastChange() <= 3, qPrintable(QString::number(layout.RunsLaidOutByLastChange())));
        cursor.deletePreviousChar();
        QVERIFY(layout.RunsLaidOutByLastChange() <= 3);
        // Breaking the line in two lays out the new paragraph's runs again,
        // but keeps those before the break.
        cursor.insertText(QStringLiteral("\n"));
        QVERIFY(layout.RunsLaidOutByLastChange() < 100000 / TCodePaneLayout::RunLength);
        CompareWithQt(*pane);
        cursor.deletePreviousChar();
        CompareWithQt(*pane);
    }

    void drawsWhatQtDraws_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("decorated");
        // Short paragraphs round a long one, coloured and with a selection.
        QTest::addRow("mixed") << QStringLiteral("<p>one</p>\r\n") + LongParagraph(8, 20000) +
                                      QStringLiteral("\r\n<b>two</b>")
                               << true;
        // Code as it is pasted: one line, just over the length that is split.
        QString words;
        for (int i = 0; words.size() < 9000; ++i)
            words += QStringLiteral("word%1 ").arg(i);
        QTest::addRow("9 KB line") << words << false;
        QTest::addRow("100 KB line") << LongParagraph(12, 100000) << false;
        QTest::addRow("1 MB line") << MakeFragment(1 << 20, 13) << false;
    }

    void drawsWhatQtDraws()
    {
        QFETCH(QString, text);
        QFETCH(bool, decorated);
        // As tall as the window's pane: taller than a run, so a page shows
        // where runs end.
        auto ours = MakePane<TCodePane>(1000, 560);
        auto qts = MakePane<QTextEdit>(1000, 560);
        for (QTextEdit* pane : {ours.get(), qts.get()}) {
            SetCodePaneText(*pane, text);
            if (decorated) {
                QTextCursor colour(pane->document());
                colour.setPosition(5);
                colour.setPosition(9000, QTextCursor::KeepAnchor);
                QTextCharFormat red;
                red.setForeground(QColor(0xFF, 0, 0));
                colour.mergeCharFormat(red);
                QTextCursor selection(pane->document());
                selection.setPosition(8500);
                selection.setPosition(8800, QTextCursor::KeepAnchor);
                pane->setTextCursor(selection);
            }
            // The caret blinks on each pane's own clock.
            pane->setCursorWidth(0);
            pane->show();
        }
        QVERIFY(static_cast<TCodePane*>(ours.get())->PaneLayout()->HasLongBlocks());
        QScrollBar& bar = *ours->verticalScrollBar();
        const auto both = [&](const std::function<void(QTextEdit&)>& action) {
            action(*ours);
            action(*qts);
        };
        const auto press = [&](QKeyCombination key) {
            return [&, key] {
                both([key](QTextEdit& pane) { QTest::keyClick(&pane, key.key(), key.keyboardModifiers()); });
            };
        };
        struct TStep {
            const char* Name;
            int Settle;   // ms the event loop runs before pixels are judged
            std::function<void()> Do;
        };
        // Timers fire and deferred layouts and repaints run while the event
        // loop runs, as in the window.
        const QList<TStep> steps{
            {"shown", 700, [] {}},
            {"scrolled a third down", 50, [&] { bar.setValue(bar.maximum() / 3); }},
            {"scrolled to the end", 50, [&] { bar.setValue(bar.maximum()); }},
            {"scrolled to the top", 50, [&] { bar.setValue(0); }},
            {"Page Down", 50, press(Qt::Key_PageDown)},
            {"Page Down twice", 50, press(Qt::Key_PageDown)},
            {"Page Up", 50, press(Qt::Key_PageUp)},
            {"Ctrl+End", 50, press(Qt::ControlModifier | Qt::Key_End)},
            {"resized", 700, [&] { both([](QTextEdit& pane) { pane.resize(640, 420); }); }},
            {"font changed", 700, [&] {
                 QFont font(QStringLiteral("DejaVu Sans Mono"));
                 font.setPixelSize(18);
                 both([&](QTextEdit& pane) { SetCodePaneFont(pane, font); });
                 bar.setValue(bar.maximum() / 2);
             }},
        };
        for (const TStep& step : steps) {
            step.Do();
            QTest::qWait(step.Settle);
            // Qt's pane is the reference drawing of the place ours shows.
            qts->verticalScrollBar()->setValue(bar.value());
            QCOMPARE(qts->verticalScrollBar()->value(), bar.value());
            QVERIFY2(Shot(*ours) == Shot(*qts),
                     qPrintable(QStringLiteral("%1, scrolled to %2").arg(QLatin1String(step.Name)).arg(bar.value())));
        }
    }

    void caretKeysMoveAsInQt()
    {
        const QString text = QStringLiteral("<p>top</p>\r\n") + LongParagraph(9, 16000) +
                             QStringLiteral("\r\n<i>end</i>");
        auto ours = MakePane<TCodePane>(420, 260);
        auto qts = MakePane<QTextEdit>(420, 260);
        for (QTextEdit* pane : {ours.get(), qts.get()}) {
            SetCodePaneText(*pane, text);
            pane->show();
            QTextCursor start(pane->document());
            start.setPosition(14);
            pane->setTextCursor(start);
        }
        struct TKey {
            Qt::Key Key;
            Qt::KeyboardModifiers Modifiers;
        };
        const QList<TKey> keys{
            {Qt::Key_Down, {}},  {Qt::Key_Down, {}},  {Qt::Key_End, {}},     {Qt::Key_Down, {}},
            {Qt::Key_Home, {}},  {Qt::Key_Right, {}}, {Qt::Key_Right, {}},   {Qt::Key_Left, {}},
            {Qt::Key_Down, Qt::ShiftModifier},         {Qt::Key_Down, Qt::ShiftModifier},
            {Qt::Key_Left, {}},  {Qt::Key_Up, {}},    {Qt::Key_End, Qt::ShiftModifier},
            {Qt::Key_Delete, {}}, {Qt::Key_Delete, {}}, {Qt::Key_Right, Qt::ShiftModifier},
            {Qt::Key_Right, {}}, {Qt::Key_Backspace, {}}, {Qt::Key_X, {}},    {Qt::Key_Up, {}},
            {Qt::Key_Up, {}},    {Qt::Key_Up, {}},    {Qt::Key_Up, {}},      {Qt::Key_End, {}},
            // Typing and rubbing out are undone a run at a time, as in Qt.
            {Qt::Key_Left, {}},  {Qt::Key_P, {}},     {Qt::Key_Q, {}},       {Qt::Key_R, {}},
            {Qt::Key_Backspace, {}}, {Qt::Key_Backspace, {}}, {Qt::Key_Z, Qt::ControlModifier},
            {Qt::Key_Z, Qt::ControlModifier}, {Qt::Key_S, {}}, {Qt::Key_Down, {}}};
        for (qsizetype i = 0; i < keys.size(); ++i) {
            QTest::keyClick(ours.get(), keys[i].Key, keys[i].Modifiers);
            QTest::keyClick(qts.get(), keys[i].Key, keys[i].Modifiers);
            const QString step = QStringLiteral("key %1").arg(i);
            QVERIFY2(ours->textCursor().position() == qts->textCursor().position(),
                     qPrintable(step + QStringLiteral(": %1 vs %2")
                                           .arg(ours->textCursor().position())
                                           .arg(qts->textCursor().position())));
            QVERIFY2(ours->textCursor().anchor() == qts->textCursor().anchor(), qPrintable(step));
            QVERIFY2(ours->document()->characterCount() == qts->document()->characterCount(), qPrintable(step));
        }
        QCOMPARE(CodePaneText(*ours->document()), CodePaneText(*qts->document()));

        // Grapheme clusters: a combining accent and a character outside the
        // basic plane are stepped over and deleted whole.
        const int accent = int(CodePaneText(*ours->document()).indexOf(QStringLiteral("e\u0301")));
        QVERIFY(accent > 0);
        for (QTextEdit* pane : {ours.get(), qts.get()}) {
            QTextCursor at(pane->document());
            at.setPosition(DocumentPosition(CodePaneText(*pane->document()), accent));
            pane->setTextCursor(at);
            QTest::keyClick(pane, Qt::Key_Right);
            QTest::keyClick(pane, Qt::Key_Right);
            QTest::keyClick(pane, Qt::Key_Delete);
        }
        QCOMPARE(ours->textCursor().position(), qts->textCursor().position());
        QCOMPARE(CodePaneText(*ours->document()), CodePaneText(*qts->document()));
        QVERIFY(!CodePaneText(*ours->document()).contains(QStringLiteral("\U0001F600")));
    }

    void viewFollowsTheCaretInsideALongLine()
    {
        auto pane = ShownPane(LongParagraph(31, 150000), 500, 300);
        QScrollBar& bar = *pane->verticalScrollBar();
        const TCodePaneLayout& layout = *pane->PaneLayout();
        const auto caretShown = [&] {
            const QRectF caret = layout.CursorRect(pane->textCursor().position());
            return caret.top() >= bar.value() && caret.bottom() <= bar.value() + pane->viewport()->height();
        };
        QTextCursor middle(pane->document());
        middle.setPosition(75000);
        pane->setTextCursor(middle);
        QVERIFY(bar.value() > 1000);
        QVERIFY(caretShown());
        const int scrolled = bar.value();
        QTest::keyClick(pane.get(), Qt::Key_A);
        QVERIFY(caretShown());
        QVERIFY(qAbs(bar.value() - scrolled) < 100);

        // Page Down moves the caret and the view about one page.
        const qreal before = layout.CursorRect(pane->textCursor().position()).top();
        QTest::keyClick(pane.get(), Qt::Key_PageDown);
        const qreal after = layout.CursorRect(pane->textCursor().position()).top();
        QVERIFY(after - before > pane->viewport()->height() * 0.8);
        QVERIFY(after - before < pane->viewport()->height() * 1.2);
        QVERIFY(caretShown());

        // Input methods are told where the caret really is.
        const QRect reported = pane->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        const QRectF caret = layout.CursorRect(pane->textCursor().position());
        QCOMPARE(reported.top(), int(caret.top()) - bar.value() + pane->viewport()->y());
        const QString around = pane->inputMethodQuery(Qt::ImSurroundingText).toString();
        QVERIFY(around.size() <= 1024);
        const int at = pane->inputMethodQuery(Qt::ImCursorPosition).toInt();
        QCOMPARE(around.mid(at, 20), CodePaneText(*pane->document()).mid(pane->textCursor().position(), 20));
    }

    void compositionInALongLineIsShownAtTheCaretThenCommitted()
    {
        auto pane = ShownPane(LongParagraph(51, 40000), 500, 300);
        QTextDocument& document = *pane->document();
        QTextCursor at(&document);
        at.setPosition(20000);
        pane->setTextCursor(at);
        const QString before = CodePaneText(document);
        const QImage plain = Shot(*pane);
        const int scrolled = pane->verticalScrollBar()->value();
        QInputMethodEvent compose(QStringLiteral("zhong"), {});
        QApplication::sendEvent(pane.get(), &compose);
        QCOMPARE(CodePaneText(document), before);   // composing changes no text
        QCOMPARE(pane->Composition(), QStringLiteral("zhong"));
        QVERIFY(Shot(*pane) != plain);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("中"));
        QApplication::sendEvent(pane.get(), &commit);
        QCOMPARE(CodePaneText(document), before.left(20000) + QStringLiteral("中") + before.mid(20000));
        QCOMPARE(pane->textCursor().position(), 20001);
        QVERIFY(pane->Composition().isEmpty());
        // The composition is not left behind on the screen.
        QTest::keyClick(pane.get(), Qt::Key_Backspace);
        QCOMPARE(CodePaneText(document), before);
        // (The taller Chinese line may have scrolled the view a little.)
        pane->verticalScrollBar()->setValue(scrolled);
        QCOMPARE(Shot(*pane), plain);
    }

    void clickingInALongLinePlacesTheCaretUnderTheMouse()
    {
        auto pane = ShownPane(LongParagraph(41, 60000), 500, 300);
        pane->verticalScrollBar()->setValue(5000);
        const QPoint click(120, 150);
        QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, click);
        const QRectF caret = pane->PaneLayout()->CursorRect(pane->textCursor().position());
        const QPointF clickInDocument(click.x(), click.y() + pane->verticalScrollBar()->value());
        QVERIFY(caret.top() <= clickInDocument.y() && clickInDocument.y() < caret.bottom());
        QVERIFY(qAbs(caret.left() - clickInDocument.x()) < 20);
    }
};

RAVIK_TEST(TestCodePane)
#include "tst_codepane.moc"
