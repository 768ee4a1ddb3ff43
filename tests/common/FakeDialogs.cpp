#include "FakeDialogs.h"

void FakeDialogs::ShowMessage(QWidget*, const QString& text, const QString& caption, TMsgIcon icon)
{
    messages.append({text, caption, icon});
}

bool FakeDialogs::ExecuteSave(QWidget*, const TSaveRequest& request, QString& fileName)
{
    saveRequests.append(request);
    if (saveAnswer.isEmpty())
        return false;
    fileName = saveAnswer;
    return true;
}

bool FakeDialogs::ExecuteFont(QWidget*, TFontChoice& choice)
{
    fontShown.append(choice);
    if (!fontConfirm)
        return false;
    choice = fontAnswer;
    return true;
}

bool FakeDialogs::ExecuteDialog(QDialog& dialog)
{
    dialogsShown.append(dialog.windowTitle());
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    if (driveDialog)
        driveDialog(dialog);
    const bool accepted = dialog.isHidden() && dialog.result() == QDialog::Accepted;
    dialog.hide();
    return accepted;
}
