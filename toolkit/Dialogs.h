#pragma once
// The seam between the program and the modal dialogs of the platform.
// Every message box, save dialog and font dialog goes through TDialogs, so a
// test installs its own implementation and never waits on a modal window.
#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>
#include <QStringList>

class QComboBox;
class QFontDialog;
class QWidget;

enum class TMsgIcon { None, Information, Warning, Error };

struct TSaveRequest {
    QString title;
    QStringList filters;      // Qt filter strings, e.g. "代码(*.txt)"
    QString defaultSuffix;    // empty: the name is taken as typed
    bool promptOverwrite = true;
};

struct TFontChoice {
    QFont font;
    QColor color;
};

class TDialogs {
public:
    virtual ~TDialogs() = default;

    // A modal box with one OK button.
    virtual void ShowMessage(QWidget* owner, const QString& text, const QString& caption, TMsgIcon icon) = 0;
    // Returns false when the user cancels; otherwise fileName holds the chosen name.
    virtual bool ExecuteSave(QWidget* owner, const TSaveRequest& request, QString& fileName) = 0;
    // Runs the font dialog starting from `choice`; on confirm `choice` holds the result.
    virtual bool ExecuteFont(QWidget* owner, TFontChoice& choice) = 0;
    // Runs a dialog of the program's own (made by the caller, its owner its
    // parent) until the user closes it; true when accepted.
    virtual bool ExecuteDialog(QDialog& dialog) = 0;

    // The implementation in use; the real Qt dialogs unless a test set another.
    static TDialogs& Instance();
    // Takes no ownership; nullptr restores the real dialogs.
    static void SetInstance(TDialogs* dialogs);
};

// The font dialog: Qt's choice of family, style, size and effects with the
// text colour under it, as the desktop's own font dialog offers it: the
// sixteen classic colours by name and a custom colour.
class TFontDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFontDialog(QWidget* owner = nullptr);

    // Shows `choice`; a colour that is none of the sixteen becomes the custom one.
    void SetChoice(const TFontChoice& choice);
    // What the dialog shows now.
    TFontChoice Choice() const;

    // The colour list: the sixteen named colours, then "自定义..." which asks
    // for any colour (the custom one, once chosen, stays on that entry).
    QComboBox* ColorBox() const { return colorBox_; }
    QFontDialog* FontPart() const { return fontPart_; }

private:
    void ColorActivated(int index);
    void SetCustomColor(const QColor& color);

    QFontDialog* fontPart_;
    QComboBox* colorBox_;
    int lastColorIndex_ = 0;
    QFont given_;   // the font the choice came with
    QFont shown_;   // the same as the font part first showed it
};

// The real dialogs, built on QMessageBox, QFileDialog and TFontDialog. While
// one is up the ordinary cursor shows, even inside a busy command.
class TQtDialogs : public TDialogs {
public:
    void ShowMessage(QWidget* owner, const QString& text, const QString& caption, TMsgIcon icon) override;
    bool ExecuteSave(QWidget* owner, const TSaveRequest& request, QString& fileName) override;
    bool ExecuteFont(QWidget* owner, TFontChoice& choice) override;
    bool ExecuteDialog(QDialog& dialog) override;
};
