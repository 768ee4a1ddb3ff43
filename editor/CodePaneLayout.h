#pragma once
// The code pane's document layout.
//
// Decoration code often arrives as one line of a megabyte. Qt's own document
// layout keeps a whole paragraph in one QTextLayout and lays all of it out
// again on every change, so each keystroke in such a line re-analyses and
// re-shapes the megabyte (a quarter of a second). This layout lays ordinary
// paragraphs out exactly as Qt does, in the block's own QTextLayout, but
// splits a long paragraph into runs of whole wrapped lines, each in a
// QTextLayout of its own. An edit lays out the run it falls in (and the one
// before, whose last line may take up the first word of the next) and
// carries on only until the line starts meet the old ones again; the runs
// after that are kept and only moved.
//
// Qt's cursor code asks a block's own QTextLayout for its lines, which a long
// paragraph leaves empty; the pane (CodePane.h) therefore asks this layout
// for caret rectangles and line ends instead.
#include <QAbstractTextDocumentLayout>
#include <QRectF>

#include <memory>
#include <vector>

class QTextLayout;

class TCodePaneLayout : public QAbstractTextDocumentLayout {
    Q_OBJECT
    Q_PROPERTY(int cursorWidth READ CursorWidth WRITE SetCursorWidth)
public:
    // Paragraphs longer than this are split into runs.
    static constexpr int LongBlockLength = 8192;
    // About this many characters are laid out for one run.
    static constexpr int RunLength = 2048;

    explicit TCodePaneLayout(QTextDocument* document);
    ~TCodePaneLayout() override;

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override;
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    QRectF blockBoundingRect(const QTextBlock& block) const override;

    int CursorWidth() const { return cursorWidth_; }
    void SetCursorWidth(int width);

    // One displayed line: its text as document positions [Start, End) and
    // its rectangle in document coordinates.
    struct TLine {
        int Start = 0;
        int End = 0;
        QRectF Rect;
        bool LastOfBlock = false;
    };
    // The displayed line holding `position` (a line start belongs to the line
    // it starts); false when the document has no such position.
    bool LineAt(int position, TLine& line) const;
    // The caret's rectangle at `position`, in document coordinates.
    QRectF CursorRect(int position) const;
    // The x of `position` in its line, in document coordinates.
    qreal CursorX(int position) const;
    // True while some paragraph is laid out in runs.
    bool HasLongBlocks() const { return longBlocks_ > 0; }
    bool IsLongBlock(int blockNumber) const;

    // What the last change laid out, for tests and measurements: the number
    // of runs of long paragraphs and of ordinary paragraphs laid out again.
    int RunsLaidOutByLastChange() const { return runsLaidOut_; }
    int BlocksLaidOutByLastChange() const { return blocksLaidOut_; }

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    struct TRun;
    struct TBlockPlace;
    void LayOutAll();
    void LayOutBlock(TBlockPlace& place, const QTextBlock& block, TBlockPlace* prefixFrom,
                     TBlockPlace* tailFrom, int from, int removed, int added);
    void LayOutShortBlock(TBlockPlace& place, const QTextBlock& block);
    void LayOutRuns(TBlockPlace& place, const QTextBlock& block, std::vector<TRun>&& reusable,
                    int resumeAt, std::vector<TRun>&& tail, int tailShift);
    TRun LayOutRun(const QTextBlock& block, const QString& text, int start, int textEnd) const;
    void Restack(size_t fromBlock);
    size_t BlockAtY(qreal y) const;
    // LineAt, and the x of `position` in that line when `x` is given.
    bool LineAndX(int position, TLine& line, qreal* x) const;
    size_t BlockIndexAt(int position) const;
    qreal LineWidth() const;
    qreal Margin() const;

    std::vector<TBlockPlace> blocks_;
    qreal width_ = -1;   // the page width the blocks were laid out for
    qreal height_ = 0;   // content height, margins excluded
    int cursorWidth_ = 1;
    int longBlocks_ = 0;
    int runsLaidOut_ = 0;
    int blocksLaidOut_ = 0;
};
