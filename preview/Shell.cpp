#include "Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
TShell* g_shell = nullptr;
}

TShell& TShell::Instance()
{
    static TDesktopShell desktop;
    return g_shell ? *g_shell : desktop;
}

void TShell::SetInstance(TShell* shell) { g_shell = shell; }

bool TDesktopShell::OpenDocument(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
