#pragma once
// The X11 connection the application's windows live on; nullptr on any
// other platform (the offscreen platform of the tests).
#include <xcb/xcb.h>

xcb_connection_t* X11Connection();
