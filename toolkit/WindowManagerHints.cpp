#include "WindowManagerHints.h"

#include "X11.h"

#include <QWidget>

#include <cstdint>
#include <cstdlib>

namespace {
// The Motif window-manager hints: flags, functions, decorations, input
// mode, status; the property's type is its own name.
enum : uint32_t {
    MwmHintsFunctions = 1u << 0,
    MwmHintsDecorations = 1u << 1,
    MwmFuncResize = 1u << 1,
    MwmFuncMove = 1u << 2,
    MwmFuncMinimize = 1u << 3,
    MwmFuncMaximize = 1u << 4,
    MwmFuncClose = 1u << 5,
    MwmDecorBorder = 1u << 1,
    MwmDecorTitle = 1u << 3,
    MwmDecorMenu = 1u << 4,
    MwmDecorMinimize = 1u << 5,
    MwmDecorMaximize = 1u << 6,
};

xcb_atom_t Atom(xcb_connection_t* connection, const char* name, int length)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(length), name), nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    free(reply);
    return atom;
}
}

void SetSingleBorderHints(QWidget* window)
{
    xcb_connection_t* connection = X11Connection();
    if (!window || !window->isWindow() || !connection)
        return;
    static const char kName[] = "_MOTIF_WM_HINTS";
    const xcb_atom_t atom = Atom(connection, kName, int(sizeof kName - 1));
    if (atom == XCB_ATOM_NONE)
        return;
    const uint32_t hints[5] = {
        MwmHintsFunctions | MwmHintsDecorations,
        MwmFuncResize | MwmFuncMove | MwmFuncMinimize | MwmFuncMaximize | MwmFuncClose,
        MwmDecorBorder | MwmDecorTitle | MwmDecorMenu | MwmDecorMinimize | MwmDecorMaximize,
        0,
        0,
    };
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), atom, atom, 32, 5, hints);
    xcb_flush(connection);
}
