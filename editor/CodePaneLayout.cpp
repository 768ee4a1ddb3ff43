#include "CodePaneLayout.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextFrame>
#include <QTextLayout>

#include <algorithm>
#include <iterator>

namespace {

// Lines a run lays out but does not keep are parked here, below any clip
// rectangle, so drawing the run stops before them. QTextLine holds y in 26.6
// fixed point (up to about 3.3e7); a y beyond that wraps round to far above
// the run, and QTextLayout::draw then starts at the parked line and shows
// nothing. 1e7 is also past the bottom QTextLayout::draw assumes without a
// clip (about 8.4e6).
constexpr qreal ParkedY = 1e7;
// A kept line must end at least this far before the end of the text its
// run was given: line breaking looks a few characters ahead.
constexpr int LookAhead = 32;
constexpr qreal Unbounded = 1e9;

bool StartsWithOwnScript(const QString& text, int position)
{
    if (position >= text.size())
        return false;
    const QChar::Script script = text.at(position).script();
    return script != QChar::Script_Common && script != QChar::Script_Inherited && script != QChar::Script_Unknown;
}

// True when the character at `position` starts another script than the last
// character of some script before it.
bool ScriptChangesAt(const QString& text, int position)
{
    const QChar::Script script = text.at(position).script();
    for (int i = position - 1, seen = 0; i >= 0 && seen < 256; --i, ++seen) {
        const QChar::Script before = text.at(i).script();
        if (before != QChar::Script_Common && before != QChar::Script_Inherited && before != QChar::Script_Unknown)
            return before != script;
    }
    return false;
}

} // namespace

struct TCodePaneLayout::TRun {
    int Start = 0;          // block-relative, the first kept line's start
    int End = 0;            // block-relative, the last kept line's end
    int FirstLineEnd = 0;   // block-relative
    int Lines = 0;          // kept lines
    qreal Top = 0;          // relative to the block
    qreal Height = 0;
    std::unique_ptr<QTextLayout> Layout;
};

struct TCodePaneLayout::TBlockPlace {
    int Position = 0;
    qreal Top = 0;   // content coordinates (the frame margin not counted)
    qreal Height = 0;
    // Empty for an ordinary block, which lives in the block's own layout.
    std::vector<TRun> Runs;
};

TCodePaneLayout::TCodePaneLayout(QTextDocument* document)
    : QAbstractTextDocumentLayout(document)
{
}

TCodePaneLayout::~TCodePaneLayout() = default;

void TCodePaneLayout::SetCursorWidth(int width)
{
    cursorWidth_ = qMax(0, width);
    emit update(QRectF(0, 0, Unbounded, Unbounded));
}

qreal TCodePaneLayout::Margin() const
{
    const QTextFrameFormat root = document()->rootFrame()->frameFormat();
    return root.leftMargin() + root.border() + root.padding();
}

qreal TCodePaneLayout::LineWidth() const
{
    const qreal page = document()->pageSize().width();
    if (page < 0)
        return -1;   // no wrapping
    const QTextFrameFormat root = document()->rootFrame()->frameFormat();
    const qreal width =
        page - root.leftMargin() - root.rightMargin() - 2 * (root.border() + root.padding());
    return qMax<qreal>(0, width);
}

bool TCodePaneLayout::IsLongBlock(int blockNumber) const
{
    return blockNumber >= 0 && size_t(blockNumber) < blocks_.size() && !blocks_[blockNumber].Runs.empty();
}

// ---- laying out ----

namespace {

QTextOption BlockOption(const QTextDocument& document, const QTextBlock& block, qreal width)
{
    QTextOption option = document.defaultTextOption();
    option.setTextDirection(block.textDirection());
    if (width < 0)
        option.setWrapMode(QTextOption::ManualWrap);
    return option;
}

} // namespace

void TCodePaneLayout::LayOutShortBlock(TBlockPlace& place, const QTextBlock& block)
{
    ++blocksLaidOut_;
    place.Runs.clear();
    QTextLayout* layout = block.layout();
    layout->setTextOption(BlockOption(*document(), block, width_));
    layout->beginLayout();
    qreal y = 0;
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width_ < 0 ? Unbounded : width_);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout->endLayout();
    // Lines are kept relative to the block; the block's place is ours, so
    // moving a block never touches its layout.
    layout->setPosition(QPointF(0, 0));
    place.Height = y;
}

TCodePaneLayout::TRun TCodePaneLayout::LayOutRun(const QTextBlock& block, const QString& text, int start,
                                                 int textEnd) const
{
    TRun run;
    run.Start = start;
    run.Layout = std::make_unique<QTextLayout>(text.mid(start, textEnd - start), document()->defaultFont());
    QList<QTextLayout::FormatRange> formats;
    const int blockPosition = block.position();
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int from = fragment.position() - blockPosition;
        const int to = from + fragment.length();
        if (to <= start)
            continue;
        if (from >= textEnd)
            break;
        const int a = qMax(from, start);
        formats.append({a - start, qMin(to, textEnd) - a, fragment.charFormat()});
    }
    run.Layout->setFormats(formats);
    run.Layout->setCacheEnabled(false);
    return run;
}

void TCodePaneLayout::LayOutRuns(TBlockPlace& place, const QTextBlock& block, std::vector<TRun>&& reusable,
                                 int resumeAt, std::vector<TRun>&& tail, int tailShift)
{
    // The block's own layout would hold stale lines for Qt's cursor code.
    if (block.layout()->lineCount() > 0)
        block.layout()->clearLayout();
    const QString text = block.text();
    const int length = int(text.size());
    const QTextOption option = BlockOption(*document(), block, width_);
    std::vector<TRun> runs = std::move(reusable);
    for (TRun& run : tail) {
        run.Start += tailShift;
        run.End += tailShift;
        run.FirstLineEnd += tailShift;
    }
    size_t next = 0;   // the first tail run that may still be met
    int start = resumeAt;
    while (start < length) {
        while (next < tail.size() && tail[next].Start < start)
            ++next;
        if (next < tail.size() && tail[next].Start == start)
            break;   // the old runs from here on are still right
        int textEnd = qMin(length, start + RunLength);
        // Reach a little past the next old run's start, so that meeting it
        // can be seen within this run.
        if (next < tail.size() && tail[next].Start < start + 2 * RunLength)
            textEnd = qMin(length, qMax(textEnd, tail[next].Start + RunLength / 4));
        TRun run = LayOutRun(block, text, start, textEnd);
        ++runsLaidOut_;
        QTextLayout& layout = *run.Layout;
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(width_);
        layout.endLayout();
        const int lines = layout.lineCount();
        const bool toEnd = textEnd == length;
        // The run may end after a line only where the next line starts with
        // a character of some script: spaces, digits and punctuation take
        // the script of the text before them (and with it a font, perhaps a
        // taller Chinese one), which a run starting with them would not see.
        int safeLines = 0;
        int kept = 0;
        int cleanKept = 0;
        bool met = false;
        for (int i = 0; i < lines; ++i) {
            const QTextLine line = layout.lineAt(i);
            const int lineStart = start + line.textStart();
            const int lineEnd = lineStart + line.textLength();
            if (i > 0) {
                while (next < tail.size() && tail[next].Start < lineStart)
                    ++next;
                if (next < tail.size() && tail[next].Start == lineStart) {
                    met = true;
                    kept = i;
                    break;
                }
            }
            const bool safe = toEnd || (i + 1 < lines && lineEnd <= textEnd - LookAhead);
            if (!safe)
                break;
            safeLines = i + 1;
            if (toEnd && i + 1 == lines)
                kept = cleanKept = safeLines;
            else if (!toEnd && StartsWithOwnScript(text, lineEnd)) {
                kept = safeLines;
                if (ScriptChangesAt(text, lineEnd))
                    cleanKept = safeLines;
            }
        }
        // Best of all, end where the script changes: Qt shapes a paragraph
        // in items that end there, and a line is as tall as the tallest font
        // any of its items uses anywhere (a full-width comma in English text
        // makes its whole item taller). A run ending elsewhere splits an item.
        if (!met && cleanKept > 0)
            kept = cleanKept;
        if (kept == 0)
            kept = qMax(1, safeLines);   // no clean end: keep going rather than stand still
        qreal y = 0;
        for (int i = 0; i < lines; ++i) {
            QTextLine line = layout.lineAt(i);
            if (i < kept) {
                line.setPosition(QPointF(0, y));
                y += line.height();
            } else {
                line.setPosition(QPointF(0, ParkedY));
            }
        }
        const QTextLine first = layout.lineAt(0);
        const QTextLine last = layout.lineAt(kept - 1);
        run.Lines = kept;
        run.Height = y;
        run.FirstLineEnd = start + first.textStart() + first.textLength();
        run.End = start + last.textStart() + last.textLength();
        if (run.End <= start)
            run.End = qMin(length, start + 1);   // never stand still
        start = run.End;
        runs.push_back(std::move(run));
        if (met)
            break;
    }
    if (start < length && next < tail.size() && tail[next].Start == start)
        std::move(tail.begin() + qsizetype(next), tail.end(), std::back_inserter(runs));
    qreal top = 0;
    for (TRun& run : runs) {
        run.Top = top;
        top += run.Height;
    }
    place.Runs = std::move(runs);
    place.Height = top;
}

void TCodePaneLayout::LayOutBlock(TBlockPlace& place, const QTextBlock& block, TBlockPlace* prefixFrom,
                                  TBlockPlace* tailFrom, int from, int removed, int added)
{
    place.Position = block.position();
    const int length = block.length() - 1;
    if (width_ < 0 || length <= LongBlockLength) {
        LayOutShortBlock(place, block);
        return;
    }
    std::vector<TRun> reusable;
    std::vector<TRun> tail;
    int resumeAt = 0;
    size_t taken = 0;
    if (prefixFrom && !prefixFrom->Runs.empty()) {
        // The text before the edit and the block's start are unchanged, so
        // the runs before the one the edit falls in still hold; that run's
        // first line can change the line before it.
        std::vector<TRun>& runs = prefixFrom->Runs;
        const int at = from - prefixFrom->Position;
        size_t k = 0;
        while (k + 1 < runs.size() && runs[k + 1].Start <= at)
            ++k;
        if (k > 0 && at < runs[k].FirstLineEnd)
            --k;
        std::move(runs.begin(), runs.begin() + qsizetype(k), std::back_inserter(reusable));
        resumeAt = k > 0 ? reusable.back().End : 0;
        taken = k;
    }
    int tailShift = 0;
    if (tailFrom && !tailFrom->Runs.empty()) {
        // Runs that start after the edit keep their text; they are used
        // again once the new line starts meet theirs.
        std::vector<TRun>& runs = tailFrom->Runs;
        const int editEnd = from + removed;
        for (size_t j = tailFrom == prefixFrom ? taken : 0; j < runs.size(); ++j) {
            if (runs[j].Layout && tailFrom->Position + runs[j].Start >= editEnd)
                tail.push_back(std::move(runs[j]));
        }
        tailShift = tailFrom->Position + (added - removed) - place.Position;
    }
    LayOutRuns(place, block, std::move(reusable), resumeAt, std::move(tail), tailShift);
}

void TCodePaneLayout::Restack(size_t fromBlock)
{
    qreal top = fromBlock > 0 ? blocks_[fromBlock - 1].Top + blocks_[fromBlock - 1].Height : 0;
    for (size_t i = fromBlock; i < blocks_.size(); ++i) {
        blocks_[i].Top = top;
        top += blocks_[i].Height;
    }
    height_ = top;
}

void TCodePaneLayout::LayOutAll()
{
    width_ = LineWidth();
    blocks_.clear();
    longBlocks_ = 0;
    QTextDocument& doc = *document();
    blocks_.reserve(size_t(doc.blockCount()));
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        blocks_.emplace_back();
        LayOutBlock(blocks_.back(), block, nullptr, nullptr, 0, 0, 0);
        longBlocks_ += blocks_.back().Runs.empty() ? 0 : 1;
    }
    Restack(0);
    emit documentSizeChanged(documentSize());
    emit update(QRectF(0, 0, Unbounded, Unbounded));
}

void TCodePaneLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    runsLaidOut_ = 0;
    blocksLaidOut_ = 0;
    QTextDocument& doc = *document();
    if (blocks_.empty() || LineWidth() != width_) {
        LayOutAll();
        return;
    }
    const size_t i0 = BlockIndexAt(from);
    const size_t i1 = BlockIndexAt(from + charsRemoved);
    QTextBlock b0 = doc.findBlock(from);
    QTextBlock b1 = doc.findBlock(from + charsAdded);
    if (!b0.isValid())
        b0 = doc.lastBlock();
    if (!b1.isValid())
        b1 = doc.lastBlock();
    const int n0 = b0.blockNumber();
    const int n1 = b1.blockNumber();
    const qsizetype oldCount = qsizetype(blocks_.size());
    if (n0 != int(i0) || n1 < n0 || b0.position() != blocks_[i0].Position ||
        (n1 - n0) - int(i1 - i0) != doc.blockCount() - oldCount) {
        LayOutAll();   // not a change this bookkeeping can follow
        return;
    }
    const QSizeF oldSize = documentSize();
    const qreal oldTop = blocks_[i0].Top;
    qreal oldHeight = 0;
    std::vector<TBlockPlace> old;
    for (size_t i = i0; i <= i1; ++i) {
        oldHeight += blocks_[i].Height;
        longBlocks_ -= blocks_[i].Runs.empty() ? 0 : 1;
        old.push_back(std::move(blocks_[i]));
    }
    std::vector<TBlockPlace> fresh(size_t(n1 - n0 + 1));
    QTextBlock block = b0;
    qreal newHeight = 0;
    for (size_t k = 0; k < fresh.size(); ++k, block = block.next()) {
        LayOutBlock(fresh[k], block, k == 0 ? &old.front() : nullptr,
                    k + 1 == fresh.size() ? &old.back() : nullptr, from, charsRemoved, charsAdded);
        newHeight += fresh[k].Height;
        longBlocks_ += fresh[k].Runs.empty() ? 0 : 1;
    }
    const int shift = charsAdded - charsRemoved;
    for (size_t i = i1 + 1; i < blocks_.size(); ++i)
        blocks_[i].Position += shift;
    blocks_.erase(blocks_.begin() + qsizetype(i0), blocks_.begin() + qsizetype(i1) + 1);
    blocks_.insert(blocks_.begin() + qsizetype(i0), std::make_move_iterator(fresh.begin()),
                   std::make_move_iterator(fresh.end()));
    Restack(i0);
    const qreal margin = Margin();
    const bool moved = newHeight != oldHeight;
    emit update(QRectF(0, margin + oldTop, Unbounded, moved ? Unbounded : newHeight));
    if (documentSize() != oldSize)
        emit documentSizeChanged(documentSize());
}

// ---- finding places ----

size_t TCodePaneLayout::BlockIndexAt(int position) const
{
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), position,
                               [](int p, const TBlockPlace& place) { return p < place.Position; });
    return it == blocks_.begin() ? 0 : size_t(it - blocks_.begin()) - 1;
}

size_t TCodePaneLayout::BlockAtY(qreal y) const
{
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), y,
                               [](qreal v, const TBlockPlace& place) { return v < place.Top; });
    return it == blocks_.begin() ? 0 : size_t(it - blocks_.begin()) - 1;
}

namespace {

// A line found for a position or a point: the layout holding it, the
// layout's origin in document coordinates and the position the layout's
// text starts at in the document.
struct TPlace {
    const QTextLayout* Layout = nullptr;
    QTextLine Line;
    QPointF Origin;
    int TextStart = 0;
    bool LastOfBlock = false;
};

} // namespace

bool TCodePaneLayout::LineAndX(int position, TLine& result, qreal* x) const
{
    if (blocks_.empty() || position < 0)
        return false;
    const size_t index = BlockIndexAt(position);
    const TBlockPlace& place = blocks_[index];
    const QTextBlock block = document()->findBlockByNumber(int(index));
    if (!block.isValid() || position >= place.Position + block.length())
        return false;
    const int rel = position - place.Position;
    const qreal margin = Margin();
    TPlace found;
    if (place.Runs.empty()) {
        found.Layout = block.layout();
        found.Line = found.Layout->lineForTextPosition(rel);
        found.Origin = QPointF(margin, margin + place.Top);
        found.TextStart = place.Position;
        found.LastOfBlock = found.Line.isValid() && found.Line.lineNumber() + 1 == found.Layout->lineCount();
    } else {
        size_t k = 0;
        while (k + 1 < place.Runs.size() && place.Runs[k + 1].Start <= rel)
            ++k;
        const TRun& run = place.Runs[k];
        found.Layout = run.Layout.get();
        found.Line = found.Layout->lineForTextPosition(qMin(rel, run.End) - run.Start);
        if (found.Line.isValid() && found.Line.lineNumber() >= run.Lines)
            found.Line = found.Layout->lineAt(run.Lines - 1);
        found.Origin = QPointF(margin, margin + place.Top + run.Top);
        found.TextStart = place.Position + run.Start;
        found.LastOfBlock = k + 1 == place.Runs.size() && found.Line.isValid() &&
                            found.Line.lineNumber() + 1 == run.Lines;
    }
    if (!found.Line.isValid())
        return false;
    result.Start = found.TextStart + found.Line.textStart();
    result.End = result.Start + found.Line.textLength();
    result.Rect = QRectF(found.Origin + QPointF(found.Line.x(), found.Line.y()),
                         QSizeF(found.Line.width(), found.Line.height()));
    result.LastOfBlock = found.LastOfBlock;
    if (x) {
        int at = position - found.TextStart;
        *x = found.Origin.x() + found.Line.cursorToX(&at);
    }
    return true;
}

bool TCodePaneLayout::LineAt(int position, TLine& line) const
{
    return LineAndX(position, line, nullptr);
}

qreal TCodePaneLayout::CursorX(int position) const
{
    TLine line;
    qreal x = Margin();
    LineAndX(position, line, &x);
    return x;
}

QRectF TCodePaneLayout::CursorRect(int position) const
{
    TLine line;
    qreal x = 0;
    if (!LineAndX(position, line, &x))
        return QRectF(Margin(), Margin(), cursorWidth_, 10);
    return QRectF(x, line.Rect.top(), cursorWidth_, line.Rect.height());
}

// ---- the abstract layout's questions ----

void TCodePaneLayout::draw(QPainter* painter, const PaintContext& context)
{
    if (blocks_.empty())
        return;
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(QPointF(0, 0), documentSize());
    const qreal margin = Margin();
    size_t index = BlockAtY(clip.top() - margin);
    for (QTextBlock block = document()->findBlockByNumber(int(index)); block.isValid() && index < blocks_.size();
         block = block.next(), ++index) {
        const TBlockPlace& place = blocks_[index];
        const qreal top = margin + place.Top;
        if (top > clip.bottom())
            break;
        const int blockPosition = place.Position;
        const int blockLength = block.length();
        QList<QTextLayout::FormatRange> selections;
        for (const Selection& range : context.selections) {
            const int selStart = range.cursor.selectionStart() - blockPosition;
            const int selEnd = range.cursor.selectionEnd() - blockPosition;
            if (selStart < blockLength && selEnd > 0 && selEnd > selStart)
                selections.append({selStart, selEnd - selStart, range.format});
        }
        const int cursor = context.cursorPosition;
        if (place.Runs.empty()) {
            QTextLayout* layout = block.layout();
            layout->draw(painter, QPointF(margin, top), selections, clip);
            const bool preedit = cursor < -1 && !layout->preeditAreaText().isEmpty();
            if ((cursor >= blockPosition && cursor < blockPosition + blockLength) || preedit) {
                const int at = cursor < -1 ? layout->preeditAreaPosition() - (cursor + 2) : cursor - blockPosition;
                layout->drawCursor(painter, QPointF(margin, top), at, cursorWidth_);
            }
            continue;
        }
        for (size_t k = 0; k < place.Runs.size(); ++k) {
            const TRun& run = place.Runs[k];
            const qreal runTop = top + run.Top;
            // A run that only touches the clip is skipped: an empty clip
            // would make QTextLayout::draw draw every line of it.
            if (runTop >= clip.bottom())
                break;
            if (runTop + run.Height <= clip.top())
                continue;
            QList<QTextLayout::FormatRange> local;
            for (const QTextLayout::FormatRange& range : selections) {
                const int a = qMax(range.start, run.Start);
                const int b = qMin(range.start + range.length, k + 1 == place.Runs.size() ? blockLength : run.End);
                if (b > a)
                    local.append({a - run.Start, b - a, range.format});
            }
            const QRectF runClip = clip.intersected(QRectF(clip.left(), runTop, clip.width(), run.Height));
            run.Layout->draw(painter, QPointF(margin, runTop), local, runClip);
            const int at = cursor - blockPosition;
            const bool lastRun = k + 1 == place.Runs.size();
            if (cursor >= blockPosition && at >= run.Start && (at < run.End || (lastRun && at < blockLength)))
                run.Layout->drawCursor(painter, QPointF(margin, runTop), at - run.Start, cursorWidth_);
        }
    }
}

int TCodePaneLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const
{
    if (blocks_.empty())
        return -1;
    const qreal margin = Margin();
    const qreal y = point.y() - margin;
    if (accuracy == Qt::ExactHit && (y < 0 || y >= height_))
        return -1;
    const size_t index = BlockAtY(y);
    const TBlockPlace& place = blocks_[index];
    const QTextBlock block = document()->findBlockByNumber(int(index));
    if (!block.isValid())
        return -1;
    const QTextLayout* layout = block.layout();
    qreal localY = y - place.Top;
    int start = 0;
    int lines = layout->lineCount();
    if (!place.Runs.empty()) {
        size_t k = 0;
        while (k + 1 < place.Runs.size() && place.Runs[k + 1].Top <= localY)
            ++k;
        layout = place.Runs[k].Layout.get();
        localY -= place.Runs[k].Top;
        start = place.Runs[k].Start;
        lines = place.Runs[k].Lines;
    }
    if (lines == 0)
        return accuracy == Qt::ExactHit ? -1 : place.Position;
    int chosen = lines - 1;
    for (int i = 0; i < lines; ++i) {
        const QTextLine line = layout->lineAt(i);
        if (localY < line.y() + line.height()) {
            chosen = i;
            break;
        }
    }
    const QTextLine line = layout->lineAt(chosen);
    const qreal x = point.x() - margin;
    if (accuracy == Qt::ExactHit && (x < line.x() || x > line.x() + line.naturalTextWidth()))
        return -1;
    return place.Position + start + line.xToCursor(x);
}

int TCodePaneLayout::pageCount() const
{
    return 1;
}

QSizeF TCodePaneLayout::documentSize() const
{
    const QTextFrameFormat root = document()->rootFrame()->frameFormat();
    const qreal frame = root.border() + root.padding();
    qreal width = document()->pageSize().width();
    if (width < 0) {
        // No wrapping: as wide as the widest line.
        qreal widest = 0;
        QTextBlock block = document()->begin();
        for (size_t i = 0; i < blocks_.size() && block.isValid(); ++i, block = block.next()) {
            const QTextLayout* layout = block.layout();
            for (int l = 0; l < layout->lineCount(); ++l)
                widest = qMax(widest, layout->lineAt(l).naturalTextWidth());
        }
        width = widest + root.leftMargin() + root.rightMargin() + 2 * frame;
    }
    return QSizeF(width, height_ + root.topMargin() + root.bottomMargin() + 2 * frame);
}

QRectF TCodePaneLayout::frameBoundingRect(QTextFrame* frame) const
{
    if (frame != document()->rootFrame())
        return QRectF();
    return QRectF(QPointF(0, 0), documentSize());
}

QRectF TCodePaneLayout::blockBoundingRect(const QTextBlock& block) const
{
    if (!block.isValid())
        return QRectF();
    const int number = block.blockNumber();
    if (number < 0 || size_t(number) >= blocks_.size() || blocks_[size_t(number)].Position != block.position()) {
        // A block made inside an edit that has not been reported yet: Qt's
        // cursor code asks for its lines, so an ordinary one gets them now.
        if (block.length() - 1 <= LongBlockLength && block.layout()->lineCount() == 0) {
            TBlockPlace scratch;
            const_cast<TCodePaneLayout*>(this)->LayOutShortBlock(scratch, block);
        }
        return QRectF();
    }
    const TBlockPlace& place = blocks_[size_t(number)];
    const qreal margin = Margin();
    const qreal width = width_ < 0 ? documentSize().width() - 2 * margin : width_;
    return QRectF(margin, margin + place.Top, width, place.Height);
}
