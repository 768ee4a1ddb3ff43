#include "CodePane.h"

#include "CodePaneLayout.h"
#include "PlainText.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QTimer>

namespace {

// Characters on each side of the caret that the grapheme search and input
// methods are given inside a long paragraph.
constexpr int NearText = 64;
constexpr int SurroundingText = 512;

} // namespace

TCodePane::TCodePane(QWidget* parent)
    : QTextEdit(parent)
{
    document()->setDocumentLayout(new TCodePaneLayout(document()));
    for (QObject* child : children()) {
        if (child->inherits("QWidgetTextControl")) {
            control_ = child;
            break;
        }
    }
    if (control_) {
        // Qt scrolls to the caret rectangle it reads from the paragraph's own
        // layout; that is empty in a long paragraph and would send the view
        // to the paragraph's top on every key.
        QObject::disconnect(control_, SIGNAL(visibilityRequest(QRectF)), this, nullptr);
        connect(control_, SIGNAL(visibilityRequest(QRectF)), this, SLOT(EnsureVisible(QRectF)));
        connect(control_, SIGNAL(updateRequest(QRectF)), this, SLOT(RepaintForLongText()));
    }
}

TCodePaneLayout* TCodePane::PaneLayout() const
{
    return qobject_cast<TCodePaneLayout*>(document()->documentLayout());
}

bool TCodePane::CursorInLongBlock() const
{
    const TCodePaneLayout* layout = PaneLayout();
    return layout && layout->HasLongBlocks() && layout->IsLongBlock(textCursor().blockNumber());
}

void TCodePane::EnsureVisible(const QRectF& requested)
{
    QRectF wanted = requested;
    if (CursorInLongBlock())
        wanted = PaneLayout()->CursorRect(textCursor().position()).adjusted(-5, 0, 5, 0);
    const QRect rect = wanted.toRect();
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    const int height = viewport()->height();
    const int width = viewport()->width();
    if (rect.y() < vertical->value())
        vertical->setValue(rect.y());
    else if (rect.y() + rect.height() > vertical->value() + height)
        vertical->setValue(rect.y() + rect.height() - height);
    if (rect.x() < horizontal->value())
        horizontal->setValue(rect.x());
    else if (rect.x() + rect.width() > horizontal->value() + width)
        horizontal->setValue(rect.x() + rect.width() - width);
}

void TCodePane::RepaintForLongText()
{
    // Qt computes the caret's and the selection's old and new rectangles from
    // the paragraph's own (empty) layout; drawing the visible part again is
    // cheap and always right.
    const TCodePaneLayout* layout = PaneLayout();
    if (layout && layout->HasLongBlocks())
        viewport()->update();
}

QVariant TCodePane::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (!CursorInLongBlock())
        return QTextEdit::inputMethodQuery(query);
    const QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const int at = cursor.position() - block.position();
    const int from = qMax(0, at - SurroundingText);
    switch (query) {
    case Qt::ImCursorRectangle:
    case Qt::ImAnchorRectangle: {
        const int position = query == Qt::ImCursorRectangle ? cursor.position() : cursor.anchor();
        const QRectF rect = PaneLayout()->CursorRect(position).translated(
            -horizontalScrollBar()->value(), -verticalScrollBar()->value());
        return rect.toRect().translated(viewport()->pos());
    }
    case Qt::ImSurroundingText: {
        // Input methods are handed a window around the caret, not the
        // megabyte.
        QTextCursor window(document());
        window.setPosition(block.position() + from);
        window.setPosition(qMin(block.position() + block.length() - 1, cursor.position() + SurroundingText),
                           QTextCursor::KeepAnchor);
        return window.selectedText();
    }
    case Qt::ImCursorPosition:
        return at - from;
    case Qt::ImAnchorPosition:
        return qBound(0, cursor.anchor() - block.position() - from, 2 * SurroundingText);
    default:
        return QTextEdit::inputMethodQuery(query);
    }
}

int TCodePane::GraphemeStep(int position, bool forward) const
{
    const QTextBlock block = document()->findBlock(position);
    const int at = position - block.position();
    const int length = block.length() - 1;
    if (forward && at >= length)
        return qMin(position + 1, document()->characterCount() - 1);
    if (!forward && at <= 0)
        return qMax(0, position - 1);
    const int from = qMax(0, at - NearText);
    const int to = qMin(length, at + NearText);
    QTextCursor near(document());
    near.setPosition(block.position() + from);
    near.setPosition(block.position() + to, QTextCursor::KeepAnchor);
    const QString text = near.selectedText();
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    finder.setPosition(at - from);
    const qsizetype next = forward ? finder.toNextBoundary() : finder.toPreviousBoundary();
    if (next < 0)
        return forward ? position + 1 : position - 1;
    return block.position() + from + int(next);
}

bool TCodePane::MoveInLongText(QKeyEvent* event)
{
    TCodePaneLayout* layout = PaneLayout();
    if (!layout || !layout->HasLongBlocks())
        return false;
    enum TMove { mvNone, mvChar, mvLine, mvLineEdge, mvPage, mvDelete };
    TMove move = mvNone;
    bool forward = false;
    bool select = false;
    using K = QKeySequence;
    if (event->matches(K::MoveToPreviousChar) || event->matches(K::SelectPreviousChar))
        move = mvChar;
    else if (event->matches(K::MoveToNextChar) || event->matches(K::SelectNextChar))
        move = mvChar, forward = true;
    else if (event->matches(K::MoveToPreviousLine) || event->matches(K::SelectPreviousLine))
        move = mvLine;
    else if (event->matches(K::MoveToNextLine) || event->matches(K::SelectNextLine))
        move = mvLine, forward = true;
    else if (event->matches(K::MoveToStartOfLine) || event->matches(K::SelectStartOfLine))
        move = mvLineEdge;
    else if (event->matches(K::MoveToEndOfLine) || event->matches(K::SelectEndOfLine))
        move = mvLineEdge, forward = true;
    else if (event->matches(K::MoveToPreviousPage) || event->matches(K::SelectPreviousPage))
        move = mvPage;
    else if (event->matches(K::MoveToNextPage) || event->matches(K::SelectNextPage))
        move = mvPage, forward = true;
    else if (event->matches(K::Delete) && !isReadOnly())
        move = mvDelete, forward = true;
    if (move == mvNone)
        return false;
    select = event->matches(K::SelectPreviousChar) || event->matches(K::SelectNextChar) ||
             event->matches(K::SelectPreviousLine) || event->matches(K::SelectNextLine) ||
             event->matches(K::SelectStartOfLine) || event->matches(K::SelectEndOfLine) ||
             event->matches(K::SelectPreviousPage) || event->matches(K::SelectNextPage);
    // Character moves and line ends in short paragraphs stay Qt's; lines
    // and pages are ours whenever a long paragraph may be crossed.
    if ((move == mvChar || move == mvLineEdge || move == mvDelete) && !CursorInLongBlock())
        return false;

    QTextCursor cursor = textCursor();
    const int position = cursor.position();
    const QTextCursor::MoveMode mode = select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
    int target = position;
    TCodePaneLayout::TLine line;
    switch (move) {
    case mvDelete:
        if (!cursor.hasSelection())
            cursor.setPosition(GraphemeStep(position, true), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        setTextCursor(cursor);
        return true;
    case mvChar:
        if (!select && cursor.hasSelection())
            target = forward ? cursor.selectionEnd() : cursor.selectionStart();
        else
            target = GraphemeStep(position, forward);
        break;
    case mvLineEdge:
        if (!layout->LineAt(position, line))
            return true;
        target = forward ? line.End : line.Start;
        // A wrapped line ends before the space it broke at, as in Qt.
        if (forward && !line.LastOfBlock && line.End > line.Start &&
            document()->characterAt(line.End - 1).isSpace())
            --target;
        break;
    case mvLine:
    case mvPage: {
        if (!layout->LineAt(position, line))
            return true;
        if (verticalEnd_ != position)
            verticalX_ = layout->CursorX(position);
        const qreal step = move == mvPage ? viewport()->height() : 0;
        qreal y = forward ? line.Rect.bottom() + 1 + qMax<qreal>(0, step - line.Rect.height())
                          : line.Rect.top() - 1 - qMax<qreal>(0, step - line.Rect.height());
        const qreal bottom = layout->documentSize().height();
        if (move == mvLine && (y < 0 || y >= bottom)) {
            // Qt's caret stays put at the first and last line.
            y = line.Rect.center().y();
        }
        y = qBound<qreal>(0, y, bottom - 1);
        target = layout->hitTest(QPointF(verticalX_, y), Qt::FuzzyHit);
        if (target < 0)
            target = position;
        if (move == mvPage) {
            QScrollBar* bar = verticalScrollBar();
            bar->setValue(bar->value() + (forward ? 1 : -1) * viewport()->height());
        }
        break;
    }
    case mvNone:
        break;
    }
    cursor.setPosition(target, mode);
    setTextCursor(cursor);
    verticalEnd_ = (move == mvLine || move == mvPage) ? target : -1;
    return true;
}

bool TCodePane::TypeInLongText(QKeyEvent* event)
{
    // Qt types through the caret's own cursor, which then measures its line
    // (the whole paragraph) for the caret's x and rectangle. A copy of the
    // caret inside an edit block skips that; the caret itself moves along
    // with the inserted text.
    if (isReadOnly() || overwriteMode() || !CursorInLongBlock())
        return false;
    const QString text = event->text();
    const bool backspace = event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier);
    const bool typing = !backspace && !text.isEmpty() && (text.at(0).isPrint() || text.at(0) == u'\t') &&
                        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!backspace && !typing)
        return false;
    QTextCursor cursor = textCursor();
    if (cursor.hasSelection() || (backspace && cursor.atBlockStart()))
        return false;   // rare; Qt's way is right and costs one analysis
    if (typedEnd_ == cursor.position() && typedBackspace_ == backspace)
        cursor.joinPreviousEditBlock();   // one undo step for a run of keys, as Qt has it
    else
        cursor.beginEditBlock();
    if (backspace)
        cursor.deletePreviousChar();
    else
        cursor.insertText(text);
    cursor.endEditBlock();
    typedEnd_ = textCursor().position();
    typedBackspace_ = backspace;
    EnsureVisible(QRectF());
    ShowCaretWhileTyping();
    return true;
}

void TCodePane::keyPressEvent(QKeyEvent* event)
{
    if (HoldsFrameMarker(event->text())) {
        QKeyEvent safe(event->type(), event->key(), event->modifiers(), PaneSafeText(event->text()),
                       event->isAutoRepeat(), event->count());
        keyPressEvent(&safe);
        event->setAccepted(safe.isAccepted());
        return;
    }
    if (TypeInLongText(event)) {
        event->accept();
        return;
    }
    if (MoveInLongText(event)) {
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void TCodePane::inputMethodEvent(QInputMethodEvent* event)
{
    if (HoldsFrameMarker(event->commitString())) {
        QInputMethodEvent safe(event->preeditString(), event->attributes());
        safe.setCommitString(PaneSafeText(event->commitString()), event->replacementStart(),
                             event->replacementLength());
        inputMethodEvent(&safe);
        event->setAccepted(safe.isAccepted());
        return;
    }
    if (!CursorInLongBlock() || isReadOnly()) {
        if (!composition_.isEmpty()) {
            composition_.clear();
            viewport()->update();
        }
        QTextEdit::inputMethodEvent(event);
        return;
    }
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        QTextCursor cursor = textCursor();
        const bool replacing = cursor.hasSelection() || event->replacementLength() > 0;
        cursor.beginEditBlock();
        if (event->replacementLength() > 0) {
            const int from = qMax(0, cursor.position() + event->replacementStart());
            cursor.setPosition(from);
            cursor.setPosition(qMin(document()->characterCount() - 1, from + event->replacementLength()),
                               QTextCursor::KeepAnchor);
        }
        cursor.insertText(event->commitString());
        cursor.endEditBlock();
        typedEnd_ = -1;
        // Otherwise the caret moved along with the text by itself.
        if (replacing)
            setTextCursor(cursor);
    }
    composition_ = event->preeditString();
    viewport()->update();
    EnsureVisible(QRectF());
    event->accept();
}

void TCodePane::ShowCaretWhileTyping()
{
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (flash <= 0)
        return;   // the caret does not blink at all
    caretShown_.setRemainingTime(flash / 2);
    QTimer::singleShot(flash / 2 + 1, viewport(), qOverload<>(&QWidget::update));
}

void TCodePane::paintEvent(QPaintEvent* event)
{
    QTextEdit::paintEvent(event);
    if (hasFocus() && !caretShown_.hasExpired() && composition_.isEmpty() && CursorInLongBlock()) {
        const QRectF caret = PaneLayout()->CursorRect(textCursor().position())
                                 .translated(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
        QPainter painter(viewport());
        painter.fillRect(caret, palette().color(QPalette::Text));
    }
    if (composition_.isEmpty() || !PaneLayout())
        return;
    const QRectF caret = PaneLayout()->CursorRect(textCursor().position())
                             .translated(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    QPainter painter(viewport());
    painter.setFont(document()->defaultFont());
    const QFontMetricsF metrics(painter.font());
    const QRectF box(caret.left(), caret.top(), metrics.horizontalAdvance(composition_) + 2, caret.height());
    painter.fillRect(box, palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(box.adjusted(1, 0, -1, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, composition_);
    painter.drawLine(QPointF(box.left(), box.bottom() - 1), QPointF(box.right(), box.bottom() - 1));
}

void TCodePane::insertFromMimeData(const QMimeData* source)
{
    if (!source || !source->hasText() || !HoldsFrameMarker(source->text())) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    // Only the text goes on: the pane holds code, never formatting.
    QMimeData safe;
    safe.setText(PaneSafeText(source->text()));
    QTextEdit::insertFromMimeData(&safe);
}

void TCodePane::focusOutEvent(QFocusEvent* event)
{
    if (!composition_.isEmpty()) {
        composition_.clear();
        viewport()->update();
    }
    QTextEdit::focusOutEvent(event);
}
