#pragma once
// Colour arithmetic and the shared enumerations of the widget set.
//
// Shades are derived on a hue/saturation/luminance model whose three values
// run 0..240; "darker by 50" means 50 luminance steps out of 240. Every
// routine resolves system colours first and returns an explicit colour
// (AdjustLuminance with 0 excepted, which hands the colour back untouched).
#include "Graphics.h"

#include <cstdint>

// Sides of a rectangle as a 4-bit mask.
enum TSide : unsigned { sdLeft = 1, sdTop = 2, sdRight = 4, sdBottom = 8 };
using TSides = TEnumSet<TSide>;
constexpr TSides operator|(TSide a, TSide b) { return TSides(a) | TSides(b); }
constexpr TSides AllSides = TSides::FromBits(15);

// Frame styles in their stored order. TFrameStyle is the range up to
// fsFlatBold; fsFlatRounded is only drawn by the panel frame.
enum TFrameStyleEx {
    fsNone, fsFlat, fsGroove, fsBump, fsLowered, fsButtonDown,
    fsRaised, fsButtonUp, fsStatus, fsPopup, fsFlatBold, fsFlatRounded
};
using TFrameStyle = TFrameStyleEx;

// Pixels a frame style takes from each framed side (fsStatus and fsPopup
// take BevelWidth inside a panel frame).
int FrameStyleWidth(TFrameStyleEx style);

// Hue, saturation and luminance, each 0..240 (hue can come out as 240).
void HslFromColor(TColor color, std::uint8_t& h, std::uint8_t& s, std::uint8_t& l);
std::uint8_t HueOfColor(TColor color);
TColor ColorFromHsl(std::uint8_t h, std::uint8_t s, std::uint8_t l);

TColor DarkenColor(TColor color, std::uint8_t amount);
// Luminance + amount, capped at 255: anything from 240 up is white.
TColor LightenColor(TColor color, std::uint8_t amount);
// < 0 darkens, > 0 lightens by the low byte of the amount; 0 returns the
// colour itself, unresolved.
TColor AdjustLuminance(TColor color, int adjustment);
// weight 255 gives c1, 0 gives c2.
TColor MixColors(TColor c1, TColor c2, std::uint8_t weight);
// More than 256 colours on the screen.
bool ScreenHasTrueColor();
// More than 256 colours at `depth` bits a pixel.
bool TrueColorDepth(int depth);
