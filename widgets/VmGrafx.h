#pragma once
// Border and shading primitives of the widget set. Each border routine draws
// on the canvas it is given and returns the rectangle left inside what it
// drew (the input is not changed), so frames chain: outer frame, border band,
// inner frame, fill. They leave the pen at the last colour used.
#include "Canvas.h"
#include "Graphics.h"
#include "VmCommon.h"

class TControl;

// One-pixel lines on the chosen sides: upper-left colour on left and top,
// then lower-right colour on right and bottom (so it owns the top-right and
// bottom-left corners). clNone skips that colour's lines. Returns rect inset
// by 1 on `sides` (also for sides skipped for clNone). Uses the current pen width.
TRect PaintSides(TCanvas& canvas, const TRect& rect, TColor upperLeft, TColor lowerRight, TSides sides);
// `count` nested PaintSides rings with pen width 1.
TRect PaintBevelRings(TCanvas& canvas, const TRect& rect, TColor upperLeft, TColor lowerRight, int count,
                      TSides sides);
TRect PaintCtl3DEdge(TCanvas& canvas, const TRect& rect, bool lowered, TSides sides);
TRect PaintButtonEdge(TCanvas& canvas, const TRect& rect, bool down, TSides sides);
TRect PaintButtonEdge(TCanvas& canvas, const TRect& rect, bool down);
TRect PaintColoredButtonEdge(TCanvas& canvas, const TRect& rect, TColor color, bool down, TSides sides);
TRect PaintColoredButtonEdge(TCanvas& canvas, const TRect& rect, TColor color, bool down);
// The groove of fsGroove/fsBump: `upper` outside on left/top and inside on
// right/bottom, `lower` the other way round. Returns rect inset by 2.
TRect PaintGroove(TCanvas& canvas, const TRect& rect, TColor upper, TColor lower, TSides sides);
TRect PaintFrameStyle(TCanvas& canvas, const TRect& rect, TFrameStyle style, TSides sides);
TRect PaintFrameStyle(TCanvas& canvas, const TRect& rect, TFrameStyle style);
TRect PaintColoredFrameStyle(TCanvas& canvas, const TRect& rect, TColor color, TFrameStyleEx style, TSides sides);
TRect PaintColoredFrameStyle(TCanvas& canvas, const TRect& rect, TColor color, TFrameStyleEx style);
// A one-pixel frame whose corners are cut by one pixel. Returns rect inset by 2.
TRect PaintRoundedFlatFrame(TCanvas& canvas, const TRect& rect, TColor color, TSides sides);
// The panel's frame: outer style, border band, inner style.
TRect PaintPanelFrame(TCanvas& canvas, const TRect& rect, TFrameStyleEx outer, TFrameStyleEx inner, int borderWidth,
                      TSides sides, int bevelWidth, TColor borderColor, TColor borderHighlight,
                      TColor borderShadow, TColor flatColor, int flatColorAdjustment, TColor ownColor,
                      TColor parentColor, bool transparent);
// Dots on every second pixel of the frame just inside rect; each dot is
// black, or white where the pixel under it is dark, so it shows on any face.
// Returns rect inset by 1.
TRect PaintDottedFocusFrame(TCanvas& canvas, const TRect& rect);

enum TScrollArrowDirection { sadUp = 0, sadDown = 1, sadLeft = 2, sadRight = 3 };
// A small solid triangle near the centre of rect: black when enabled,
// clBtnShadow when not; one pixel right and down while enabled and down.
void PaintScrollArrow(TCanvas& canvas, const TRect& rect, int direction, bool enabled, bool down);

enum TGradientDirection { gdVertical = 2, gdHorizontal = 5 };
// A two-colour gradient from `bottomRight` (bottom row / rightmost column)
// stepping towards `topLeft` in 16.16 fixed point, in bands of at least
// Lmin rows (band 1: every row its own colour). Other direction codes draw
// nothing.
void PaintGradientFill(TCanvas& canvas, const TRect& rect, int direction, TColor topLeft, TColor bottomRight,
                       std::uint8_t band);
// Draws the source part of `bitmap`, stretched to dest's size, at dest's
// top-left, leaving out every pixel of `transparent` (resolved).
void PaintMaskedBitmap(TCanvas& canvas, const TBitmap& bitmap, const TRect& dest, const TRect& source,
                       TColor transparent);
// Replays the parent's erase and paint into `canvas` at the control's offset,
// clipped to the parent's client area; nothing without a parent.
void PaintParentBackground(TControl* control, TCanvas& canvas, bool invalidateParent);
bool IsTrueTypeFont(const TFont& font);
