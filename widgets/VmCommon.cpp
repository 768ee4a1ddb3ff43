#include "VmCommon.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace {
// Nearest, ties to even (the default floating-point rounding mode).
int RoundEven(double x)
{
    return static_cast<int>(std::nearbyint(x));
}
}

int FrameStyleWidth(TFrameStyleEx style)
{
    switch (style) {
    case fsNone: return 0;
    case fsFlat:
    case fsStatus:
    case fsPopup: return 1;
    default: return 2;
    }
}

void HslFromColor(TColor color, std::uint8_t& h, std::uint8_t& s, std::uint8_t& l)
{
    const TColor c = ColorToRGB(color);
    const double r = GetRValue(c) / 255.0;
    const double g = GetGValue(c) / 255.0;
    const double b = GetBValue(c) / 255.0;
    const double maxC = std::max(std::max(r, g), b);
    const double minC = std::min(std::min(r, g), b);
    const double L = (maxC + minC) / 2;
    double H = 0;
    double S = 0;
    if (maxC != minC) {
        const double d = maxC - minC;
        S = L < 0.5 ? d / (maxC + minC) : d / (2 - maxC - minC);
        if (r == maxC)
            H = (g - b) / d;
        else if (g == maxC)
            H = 2 + (b - r) / d;
        else
            H = 4 + (r - g) / d;
        H /= 6;
        if (H < 0)
            H += 1;
    }
    h = static_cast<std::uint8_t>(RoundEven(H * 240));
    s = static_cast<std::uint8_t>(RoundEven(S * 240));
    l = static_cast<std::uint8_t>(RoundEven(L * 240));
}

std::uint8_t HueOfColor(TColor color)
{
    std::uint8_t h, s, l;
    HslFromColor(color, h, s, l);
    return h;
}

TColor ColorFromHsl(std::uint8_t hue, std::uint8_t saturation, std::uint8_t luminance)
{
    // The hue is divided by 239, not 240: hue 160 is not quite pure blue.
    double h = hue / 239.0;
    const double s = saturation / 240.0;
    const double l = luminance / 240.0;
    const double v = l < 0.5 ? l * (1 + s) : l + s - l * s;
    if (v <= 0)
        return RGB(0, 0, 0);
    const double m = 2 * l - v;
    const double sv = (v - m) / v;
    h *= 6;
    const int sextant = static_cast<int>(h);
    const double f = h - sextant;
    const double t = v * sv * f;
    const double mid1 = m + t;
    const double mid2 = v - t;
    double r, g, b;
    switch (sextant) {
    case 1: r = mid2; g = v; b = m; break;
    case 2: r = m; g = v; b = mid1; break;
    case 3: r = m; g = mid2; b = v; break;
    case 4: r = mid1; g = m; b = v; break;
    case 5: r = v; g = m; b = mid2; break;
    default: r = v; g = mid1; b = m; break;   // 0, and 6 from hues 239 and 240
    }
    // Saturations above the scale can push a channel below 0; it is held at
    // 0 rather than wrapped round to a bright value.
    const auto channel = [](double x) { return RoundEven(std::clamp(x, 0.0, 1.0) * 255); };
    return RGB(channel(r), channel(g), channel(b));
}

TColor DarkenColor(TColor color, std::uint8_t amount)
{
    std::uint8_t h, s, l;
    HslFromColor(color, h, s, l);
    return ColorFromHsl(h, s, static_cast<std::uint8_t>(std::max(l - amount, 0)));
}

TColor LightenColor(TColor color, std::uint8_t amount)
{
    std::uint8_t h, s, l;
    HslFromColor(color, h, s, l);
    return ColorFromHsl(h, s, static_cast<std::uint8_t>(std::min(l + amount, 255)));
}

TColor AdjustLuminance(TColor color, int adjustment)
{
    if (adjustment < 0)
        return DarkenColor(color, static_cast<std::uint8_t>(-static_cast<long long>(adjustment) & 0xFF));
    if (adjustment > 0)
        return LightenColor(color, static_cast<std::uint8_t>(adjustment & 0xFF));
    return color;
}

TColor MixColors(TColor c1, TColor c2, std::uint8_t weight)
{
    const TColor a = ColorToRGB(c1);
    const TColor b = ColorToRGB(c2);
    // The weight is kept in single precision; the sums are not.
    const float x = weight / 255.0f;
    const double xd = x;
    const double rest = 1.0 - xd;
    const auto mix = [&](int p, int q) { return RoundEven(p * xd + rest * q) & 0xFF; };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

bool ScreenHasTrueColor()
{
    // Without a screen (no GUI application) drawing goes to 32-bit images.
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    return screen == nullptr || TrueColorDepth(screen->depth());
}

bool TrueColorDepth(int depth) { return depth > 8; }
