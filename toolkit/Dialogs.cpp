#include "Dialogs.h"

#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

namespace {
TDialogs* g_override = nullptr;
}

TDialogs& TDialogs::Instance()
{
    static TQtDialogs real;
    return g_override ? *g_override : real;
}

void TDialogs::SetInstance(TDialogs* dialogs) { g_override = dialogs; }

void TQtDialogs::ShowMessage(QWidget* owner, const QString& text, const QString& caption, TMsgIcon icon)
{
    QMessageBox box(owner);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case TMsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case TMsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TMsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool TQtDialogs::ExecuteSave(QWidget* owner, const TSaveRequest& request, QString& fileName)
{
    QFileDialog dialog(owner, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.promptOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().constFirst();
    return true;
}

bool TQtDialogs::ExecuteFont(QWidget* owner, TFontChoice& choice)
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, choice.font, owner);
    if (ok)
        choice.font = font;
    return ok;
}
