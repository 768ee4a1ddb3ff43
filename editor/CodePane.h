#pragma once
// The code pane: a QTextEdit laid out by TCodePaneLayout, so that a line of a
// megabyte costs no more per keystroke than a short one.
//
// Qt's caret code reads a paragraph's lines from the paragraph's own
// QTextLayout, which the pane's layout leaves empty for long paragraphs
// (filling it is exactly the whole-paragraph work being avoided). While such
// a paragraph exists, the pane therefore answers the questions that need
// lines itself: moving by character, line and page, the caret rectangle for
// scrolling and for input methods, and what to repaint.
#include <QDeadlineTimer>
#include <QTextEdit>

class TCodePaneLayout;

class TCodePane : public QTextEdit {
    Q_OBJECT
public:
    explicit TCodePane(QWidget* parent = nullptr);

    // The layout the pane's document is drawn with (nullptr after
    // setDocument() gave the pane another document).
    TCodePaneLayout* PaneLayout() const;

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // The composition text an input method shows inside a long paragraph.
    QString Composition() const { return composition_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Pasted, dropped, typed and composed text goes in through PaneSafeText.
    void insertFromMimeData(const QMimeData* source) override;

private slots:
    void EnsureVisible(const QRectF& requested);
    void RepaintForLongText();

private:
    bool CursorInLongBlock() const;
    bool MoveInLongText(QKeyEvent* event);
    bool TypeInLongText(QKeyEvent* event);
    int GraphemeStep(int position, bool forward) const;
    void ShowCaretWhileTyping();

    QObject* control_ = nullptr;
    // The x a run of Up/Down/Page moves keeps to, and where the last one ended.
    qreal verticalX_ = 0;
    int verticalEnd_ = -1;
    // Where the last character typed into a long paragraph ended, and
    // whether it was typed or rubbed out: the next one joins its undo step.
    int typedEnd_ = -1;
    bool typedBackspace_ = false;
    // Inside a long paragraph the composition is drawn over the text at the
    // caret rather than laid into the paragraph, which would mean laying the
    // whole paragraph out on every key of the input method.
    QString composition_;
    // Qt shows the caret again on each key it handles; for keys typed here
    // the pane draws it itself until this time, so that it does not blink
    // away mid-word.
    QDeadlineTimer caretShown_;
};
