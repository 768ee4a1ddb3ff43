#pragma once
// A TDialogs for tests: records every message box and answers the save and
// font dialogs from scripted values, so no test waits on a modal window.
#include "Dialogs.h"

#include <QList>
#include <QStringList>

#include <functional>

struct ShownMessage {
    QString text;
    QString caption;
    TMsgIcon icon;
};

class FakeDialogs : public TDialogs {
public:
    FakeDialogs() { TDialogs::SetInstance(this); }
    ~FakeDialogs() override { TDialogs::SetInstance(nullptr); }

    void ShowMessage(QWidget* owner, const QString& text, const QString& caption, TMsgIcon icon) override;
    bool ExecuteSave(QWidget* owner, const TSaveRequest& request, QString& fileName) override;
    bool ExecuteFont(QWidget* owner, TFontChoice& choice) override;
    bool ExecuteDialog(QDialog& dialog) override;

    QList<ShownMessage> messages;

    // Save dialog: the name the "user" types; empty means cancel.
    QString saveAnswer;
    QList<TSaveRequest> saveRequests;

    // Font dialog: what the "user" confirms; unset means cancel.
    bool fontConfirm = false;
    TFontChoice fontAnswer;
    QList<TFontChoice> fontShown;   // what each run of the dialog started from

    // The program's own dialogs: shown without a modal loop and handed to
    // `driveDialog`, which works them as the user would and closes them (a
    // dialog left open counts as cancelled). Without a driver, cancelled.
    std::function<void(QDialog&)> driveDialog;
    QStringList dialogsShown;   // their titles
};
