#include "TestMain.h"
#include "VmCommon.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
struct Hsl {
    int h, s, l;
    bool operator==(const Hsl&) const = default;
};
Hsl HslOf(TColor c)
{
    std::uint8_t h, s, l;
    HslFromColor(c, h, s, l);
    return {h, s, l};
}
QString Describe(TColor c)
{
    return QStringLiteral("RGB(%1, %2, %3)").arg(GetRValue(c)).arg(GetGValue(c)).arg(GetBValue(c));
}
}

class TestVmCommon : public QObject {
    Q_OBJECT
private slots:
    void hslOfPrimariesAndGreys()
    {
        QVERIFY(HslOf(RGB(255, 0, 0)) == (Hsl{0, 240, 120}));
        QVERIFY(HslOf(RGB(128, 128, 128)) == (Hsl{0, 0, 120}));
        QVERIFY(HslOf(RGB(0, 0, 0)) == (Hsl{0, 0, 0}));
        QVERIFY(HslOf(RGB(255, 255, 255)) == (Hsl{0, 0, 240}));
        QVERIFY(HslOf(RGB(0, 0, 255)) == (Hsl{160, 240, 120}));
        // Hue from the "r is max, g < b" branch wraps round to the top.
        QCOMPARE(HueOfColor(RGB(255, 0, 1)), std::uint8_t(240));
        // System colours are resolved first: clBtnFace is 240, 240, 240.
        QVERIFY(HslOf(clBtnFace) == (Hsl{0, 0, 226}));
        // The worked example of the tabs' hot bar: money green has hue 80.
        QCOMPARE(HueOfColor(clMoneyGreen), std::uint8_t(80));
    }

    void colourFromHslDividesHueBy239()
    {
        QCOMPARE(Describe(ColorFromHsl(0, 240, 120)), Describe(RGB(255, 0, 0)));
        QCOMPARE(Describe(ColorFromHsl(160, 240, 120)), Describe(RGB(4, 0, 255)));
        QCOMPARE(Describe(ColorFromHsl(80, 240, 60)), Describe(RGB(0, 128, 1)));
        // Hues 239 and 240 fall into the seventh sextant, drawn as the first.
        QCOMPARE(Describe(ColorFromHsl(239, 240, 120)), Describe(RGB(255, 0, 0)));
        QCOMPARE(Describe(ColorFromHsl(240, 240, 120)), Describe(RGB(255, 6, 0)));
        QCOMPARE(ColorFromHsl(100, 200, 0), RGB(0, 0, 0));
        // Luminance above the scale is white.
        QCOMPARE(Describe(ColorFromHsl(30, 240, 255)), Describe(RGB(255, 255, 255)));
        // Saturation above the scale: the channel that would go below 0 stays
        // at 0 instead of wrapping to 248.
        QCOMPARE(Describe(ColorFromHsl(0, 255, 120)), Describe(RGB(255, 0, 0)));
        // Every colour produced is explicit.
        QVERIFY(ColorFromHsl(10, 20, 30) >= 0);
    }

    void roundTripThroughHsl()
    {
        // Greys survive the round trip to within one step of the 240 scale.
        for (int v = 0; v <= 255; v += 17) {
            const TColor c = ColorFromHsl(0, 0, HslOf(RGB(v, v, v)).l);
            QVERIFY2(std::abs(GetRValue(c) - v) <= 1, qPrintable(Describe(c)));
            QCOMPARE(GetRValue(c), GetGValue(c));
            QCOMPARE(GetGValue(c), GetBValue(c));
        }
    }

    void darkenAndLightenCountLuminanceSteps()
    {
        const TColor grey = RGB(128, 128, 128);
        QCOMPARE(Describe(DarkenColor(grey, 50)), Describe(RGB(74, 74, 74)));
        QCOMPARE(Describe(LightenColor(grey, 100)), Describe(RGB(234, 234, 234)));
        QCOMPARE(Describe(LightenColor(grey, 30)), Describe(RGB(159, 159, 159)));
        // White as soon as luminance plus amount reaches 240, and no wrap
        // beyond it (the sum is capped at 255, not taken modulo 256).
        QCOMPARE(LightenColor(grey, 120), RGB(255, 255, 255));
        QCOMPARE(LightenColor(grey, 200), RGB(255, 255, 255));
        QCOMPARE(DarkenColor(grey, 200), RGB(0, 0, 0));
        // The button's hot-track ring starts from the system face colour.
        QCOMPARE(Describe(DarkenColor(clBtnFace, 0)), Describe(RGB(240, 240, 240)));
    }

    void adjustLuminanceByTheLowByte()
    {
        QCOMPARE(AdjustLuminance(clBtnShadow, 0), clBtnShadow);   // not even resolved
        QCOMPARE(AdjustLuminance(clMoneyGreen, 0), clMoneyGreen);
        QCOMPARE(AdjustLuminance(RGB(128, 128, 128), -50), RGB(74, 74, 74));
        QCOMPARE(AdjustLuminance(RGB(128, 128, 128), 30), RGB(159, 159, 159));
        // Only the low byte counts: 256 + 30 lightens by 30, -(256 + 50) darkens by 50.
        QCOMPARE(AdjustLuminance(RGB(128, 128, 128), 286), RGB(159, 159, 159));
        QCOMPARE(AdjustLuminance(RGB(128, 128, 128), -306), RGB(74, 74, 74));
        // The extreme negative value must not overflow: its low byte is 0.
        QCOMPARE(AdjustLuminance(RGB(128, 128, 128), std::numeric_limits<int>::min()), RGB(128, 128, 128));
    }

    void mixColorsWithSinglePrecisionWeight()
    {
        QCOMPARE(Describe(MixColors(clWhite, clBlack, 128)), Describe(RGB(128, 128, 128)));
        QCOMPARE(MixColors(RGB(10, 20, 30), RGB(200, 100, 50), 255), RGB(10, 20, 30));
        QCOMPARE(MixColors(RGB(10, 20, 30), RGB(200, 100, 50), 0), RGB(200, 100, 50));
        // The card shadow: black over the face colour at weights 30 and 15.
        QCOMPARE(Describe(MixColors(clBlack, clBtnFace, 30)), Describe(RGB(212, 212, 212)));
        QCOMPARE(Describe(MixColors(clBlack, clBtnFace, 15)), Describe(RGB(226, 226, 226)));
        // System colours are resolved before mixing.
        QCOMPARE(MixColors(clBtnHighlight, clBlack, 255), RGB(255, 255, 255));
    }

    void frameStyleWidths()
    {
        QCOMPARE(FrameStyleWidth(fsNone), 0);
        QCOMPARE(FrameStyleWidth(fsFlat), 1);
        QCOMPARE(FrameStyleWidth(fsStatus), 1);
        QCOMPARE(FrameStyleWidth(fsGroove), 2);
        QCOMPARE(FrameStyleWidth(fsFlatRounded), 2);
        QCOMPARE(int(fsFlatRounded), 11);
        QCOMPARE(AllSides.Bits(), 15u);
        QCOMPARE((sdLeft | sdBottom).Bits(), 9u);
    }

    void trueColourScreen()
    {
        // A palette of 256 colours or fewer is not true colour.
        for (int depth : {1, 4, 8})
            QVERIFY(!TrueColorDepth(depth));
        for (int depth : {15, 16, 24, 32})
            QVERIFY(TrueColorDepth(depth));
        // The answer is the test display's own.
        const QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        QCOMPARE(ScreenHasTrueColor(), TrueColorDepth(screen->depth()));
    }
};

RAVIK_TEST(TestVmCommon)
#include "tst_vmcommon.moc"
