#pragma once
// What a window's border allows, told to the window manager of an X11
// desktop. Elsewhere (the offscreen platform of the tests) nothing is done.
class QWidget;

// A single border: no resize handles, but the title bar with the system
// menu, minimise, maximise and close, and moving. X11 window managers offer
// maximising only to windows they may resize, so the resize function stays
// in the hints; the form itself keeps its size (see TCustomForm).
// Call once the window's native window exists; again after its flags change.
void SetSingleBorderHints(QWidget* window);
