#include "BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
int g_guards = 0;
int g_pauses = 0;
bool g_showing = false;

// Shows the wait cursor when a command runs and no dialog is up, and takes
// it away otherwise; the override stack holds at most one entry of ours.
void Update()
{
    const bool wanted = g_guards > 0 && g_pauses == 0 && qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (wanted == g_showing)
        return;
    if (wanted)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QGuiApplication::restoreOverrideCursor();
    g_showing = wanted;
}
} // namespace

TBusyCursor::TBusyCursor()
{
    ++g_guards;
    Update();
}

TBusyCursor::~TBusyCursor()
{
    --g_guards;
    Update();
}

TBusyCursor::TPause::TPause()
{
    ++g_pauses;
    Update();
}

TBusyCursor::TPause::~TPause()
{
    --g_pauses;
    Update();
}

bool TBusyCursor::Showing() { return g_showing; }
