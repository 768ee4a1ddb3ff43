#pragma once
// The code pane's commands: clipboard, clear, save as, font, help, the space
// key. Each takes the pane and plain inputs; message boxes and dialogs go
// through TDialogs and are owned by the pane's window.
#include "Dialogs.h"

#include <QFont>
#include <QString>

class QTextEdit;

// The text of the help label, every character as the user sees it.
extern const QString kHelpText;
// Caption of the editor's own message boxes.
extern const QString kHintCaption;

// Clipboard text replaces the selection (or goes in at the caret) without
// any formatting; with no text on the clipboard nothing happens.
void PasteIntoCodePane(QTextEdit& pane);
// Copies the selection to the clipboard as plain text, every character kept.
void CopyFromCodePane(const QTextEdit& pane);
// "全选": select all, copy, focus the pane, then tell the user.
void SelectAllAndCopy(QTextEdit& pane);
// "反色背景": select all and focus the pane; nothing else.
void SelectAllInCodePane(QTextEdit& pane);
// "清空": no text and no formatting left, not even for what is typed next.
void ClearCodePane(QTextEdit& pane);

// The save request of "另存": one filter, names taken as typed, no
// overwrite question.
TSaveRequest CodeSaveRequest();
// "另存": asks for a name, appends ".txt" and writes the pane as Rich Text
// Format. False when the user cancels. Failures throw (see SaveFileWhole);
// the pane is never changed.
bool SaveCodePaneAs(QTextEdit& pane, const TSaveRequest& request = CodeSaveRequest());

// "字体设置". The dialog opens on the last confirmed choice ("Tahoma" 11 px
// the first time), never on the pane's font; a confirmed choice becomes the
// pane's font and text colour. Qt fonts are Unicode throughout, so there is
// no character set to carry over.
class TCodePaneFont {
public:
    TCodePaneFont();
    bool Execute(QTextEdit& pane);
    const TFontChoice& Choice() const { return choice_; }

private:
    TFontChoice choice_;
};

// Gives the pane `font`, told to skip glyph shaping where the script does
// not need it: decoration code is long runs of Latin mark-up, and shaping it
// (kerning, ligatures) more than doubles the time the pane takes to lay out
// a large document, for nothing a reader of code needs.
void SetCodePaneFont(QTextEdit& pane, QFont font);

// "帮助".
void ShowHelp(QWidget* owner);

// Key-down of the code pane: the space key puts four spaces in place of the
// selection. The key is left to the pane, which then types its own space.
void CodePaneKeyDown(QTextEdit& pane, int key);
