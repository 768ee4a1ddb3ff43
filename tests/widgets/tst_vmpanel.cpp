#include "Forms.h"
#include "TestMain.h"
#include "VmPanel.h"

#include <QLineEdit>

namespace {

TColor Px(const QImage& image, int x, int y)
{
    return FromQRgb(image.pixel(x, y));
}

const QImage& Painted(TCustomControl& control)
{
    control.Invalidate();
    control.PaintToImage();
    return control.Image();
}

// A plain control to stand in for a panel's children.
class Child : public TCustomControl {
public:
    explicit Child(QWidget* parent) : TCustomControl(nullptr, parent) {}
};

} // namespace

class TestVmPanel : public QObject {
    Q_OBJECT
private slots:
    void defaults()
    {
        TVmPanel panel;
        QCOMPARE(panel.BorderOuter(), fsRaised);
        QCOMPARE(panel.BorderInner(), fsNone);
        QCOMPARE(panel.BorderSides(), AllSides);
        QCOMPARE(panel.AlignmentVertical(), avCenter);
        QCOMPARE(panel.FlatColorAdjustment(), 30);
        QCOMPARE(panel.GridXSize(), std::uint16_t(8));
        QCOMPARE(panel.Color(), clBtnFace);
        QCOMPARE(panel.BevelOuter(), bvNone);
        QVERIFY(panel.ControlStyle() & csOpaque);

        TVmGroupBox box;
        QCOMPARE(box.GroupStyle(), gsFlat);
        QCOMPARE(box.Height(), 105);
        QCOMPARE(box.Alignment(), taLeftJustify);
        QCOMPARE(box.AlignmentVertical(), avTop);
        QCOMPARE(box.BorderOuter(), fsNone);
        QVERIFY(box.ThemeAware());
    }

    void sideBarGrooveAndChildrenArea()
    {
        TForm form;
        form.SetBounds(0, 0, 300, 200);
        TVmPanel bar(&form, &form);
        bar.SetAlign(alLeft);
        bar.SetWidth(87);
        bar.SetBorderOuter(fsGroove);
        Child client(&bar);
        client.SetAlign(alClient);
        form.Realign();
        const int h = bar.Height();
        QCOMPARE(h, 200);
        QCOMPARE(client.BoundsRect(), Rect(2, 2, 85, h - 2));

        const QImage& img = Painted(bar);
        const TColor shadow = ColorToRGB(clBtnShadow);
        const TColor light = ColorToRGB(clBtnHighlight);
        QCOMPARE(Px(img, 0, 50), shadow);
        QCOMPARE(Px(img, 1, 50), light);
        QCOMPARE(Px(img, 86, 50), light);
        QCOMPARE(Px(img, 85, 50), shadow);
        QCOMPARE(Px(img, 40, 0), shadow);
        QCOMPARE(Px(img, 40, 1), light);
        QCOMPARE(Px(img, 40, h - 1), light);
        QCOMPARE(Px(img, 40, h - 2), shadow);
        QCOMPARE(Px(img, 2, 2), ColorToRGB(clBtnFace));
        QCOMPARE(Px(img, 84, h - 3), ColorToRGB(clBtnFace));

        // Grooves on the left and right only: the children reach the top and
        // bottom edges, which carry no line.
        bar.SetBorderSides(sdLeft | sdRight);
        form.Realign();
        QCOMPARE(client.BoundsRect(), Rect(2, 0, 85, h));
        const QImage& sides = Painted(bar);
        QCOMPARE(Px(sides, 40, 0), ColorToRGB(clBtnFace));
        QCOMPARE(Px(sides, 40, h - 1), ColorToRGB(clBtnFace));
        QCOMPARE(Px(sides, 0, 50), shadow);
    }

    void statusFrameTakesBevelWidth()
    {
        TVmPanel panel;
        panel.SetBounds(0, 0, 40, 30);
        panel.SetBorderOuter(fsStatus);
        panel.SetBevelWidth(3);
        QCOMPARE(panel.ShrinkByFrame(Rect(0, 0, 40, 30), false), Rect(3, 3, 37, 27));
        const QImage& img = Painted(panel);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(Px(img, i, 15), ColorToRGB(clBtnShadow));
            QCOMPARE(Px(img, 20, i), ColorToRGB(clBtnShadow));
            QCOMPARE(Px(img, 39 - i, 15), ColorToRGB(clBtnHighlight));
            QCOMPARE(Px(img, 20, 29 - i), ColorToRGB(clBtnHighlight));
        }
        QCOMPARE(Px(img, 3, 15), ColorToRGB(clBtnFace));
    }

    void borderBandInsideRaisedFrame()
    {
        TVmPanel panel;
        panel.SetBounds(0, 0, 40, 30);
        panel.SetBorderWidth(4);
        panel.SetBorderColor(clRed);
        panel.SetColor(clYellow);
        QCOMPARE(panel.ShrinkByFrame(Rect(0, 0, 40, 30), true), Rect(6, 6, 34, 24));
        const QImage& img = Painted(panel);
        QCOMPARE(Px(img, 0, 15), ColorToRGB(cl3DLight));
        QCOMPARE(Px(img, 1, 15), ColorToRGB(clBtnHighlight));
        QCOMPARE(Px(img, 39, 15), ColorToRGB(cl3DDkShadow));
        QCOMPARE(Px(img, 38, 15), ColorToRGB(clBtnShadow));
        for (int x = 2; x < 6; ++x)
            QCOMPARE(Px(img, x, 15), clRed);
        QCOMPARE(Px(img, 6, 15), clYellow);
        QCOMPARE(Px(img, 33, 15), clYellow);
        QCOMPARE(Px(img, 34, 15), clRed);
    }

    void gridStyles()
    {
        TVmPanel panel;
        panel.SetBorderOuter(fsNone);
        panel.SetBounds(0, 0, 20, 20);
        panel.SetColor(clWhite);
        panel.SetGridColor(clBlack);
        panel.SetShowGrid(true);

        // Dots at every (7 + 8i, 7 + 8j) inside the 20-pixel area: two
        // columns and two rows only.
        const QImage& dots = Painted(panel);
        for (int x = 0; x < 20; ++x) {
            for (int y = 0; y < 20; ++y) {
                const bool dot = (x == 7 || x == 15) && (y == 7 || y == 15);
                QCOMPARE(Px(dots, x, y) == clBlack, dot);
            }
        }

        panel.SetGridStyle(gsSolidLines);
        const QImage& solid = Painted(panel);
        for (int y = 0; y < 20; ++y) {
            QCOMPARE(Px(solid, 7, y), clBlack);
            QCOMPARE(Px(solid, 15, y), clBlack);
            QCOMPARE(Px(solid, 19, y) == clBlack, y == 7 || y == 15);
        }

        panel.SetGridStyle(gsDottedLines);
        const QImage& dotted = Painted(panel);
        for (int y = 0; y < 20; ++y)
            QCOMPARE(Px(dotted, 7, y) == clBlack, y % 2 == 1 || y == 7 || y == 15);

        panel.SetGridXSize(0);
        panel.SetGridYSize(0);
        const QImage& none = Painted(panel);
        QCOMPARE(Px(none, 7, 7), clWhite);
    }

    void captionPlacement()
    {
        TVmPanel panel;
        panel.SetBorderOuter(fsNone);
        panel.SetBounds(0, 0, 120, 60);
        panel.SetColor(clWhite);
        panel.SetCaption(QStringLiteral("Ab\tc"));
        const unsigned flags = DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS | DT_VCENTER;

        // The expected image: the same text drawn by hand at the place the
        // vertical alignment gives for the measured height.
        auto expected = [&](int top, int bottom, bool disabled) {
            QImage image(120, 60, QImage::Format_RGB32);
            TCanvas canvas(&image);
            canvas.Brush().SetColor(clWhite);
            canvas.FillRect(Rect(0, 0, 120, 60));
            canvas.SetFont(panel.Font());
            canvas.Brush().SetStyle(bsClear);
            if (disabled) {
                canvas.Font().SetColor(clBtnHighlight);
                TRect r = Rect(2, top + 1, 121, bottom + 1);
                canvas.DrawText(panel.Caption(), r, flags);
                canvas.Font().SetColor(clBtnShadow);
            }
            TRect r = Rect(1, top, 120, bottom);
            canvas.DrawText(panel.Caption(), r, flags);
            return image;
        };
        QImage measureImage(10, 10, QImage::Format_RGB32);
        TCanvas measure(&measureImage);
        measure.SetFont(panel.Font());
        TRect m = Rect(1, 0, 120, 60);
        const int h = measure.DrawText(panel.Caption(), m, flags | DT_CALCRECT);
        QVERIFY(h > 0 && h < 60);

        QCOMPARE(Painted(panel), expected((60 - h) / 2, (60 - h) / 2 + h, false));
        panel.SetAlignmentVertical(avBottom);
        QCOMPARE(Painted(panel), expected(60 - h - 1, 60, false));
        panel.SetAlignmentVertical(avTop);
        QCOMPARE(Painted(panel), expected(0, 60, false));
        panel.SetEnabled(false);
        QCOMPARE(Painted(panel), expected(0, 60, true));
    }

    void transparentPanelShowsParent()
    {
        TForm form;
        form.SetBounds(0, 0, 200, 100);
        TVmPanel back(&form, &form);
        back.SetBounds(0, 0, 200, 100);
        back.SetBorderOuter(fsNone);
        back.SetColor(clWhite);
        back.SetGridColor(clBlack);
        back.SetShowGrid(true);
        back.SetGridStyle(gsSolidLines);
        TVmPanel glass(&form, &back);
        glass.SetBounds(30, 20, 50, 40);
        glass.SetColor(clRed);
        glass.SetBorderOuter(fsFlat);
        glass.SetTransparent(true);
        QVERIFY(!(glass.ControlStyle() & csOpaque));

        const QImage& parent = Painted(back);
        const QImage image = Painted(glass);
        // The frame is the panel's own; everything inside is the parent's
        // image at the panel's offset.
        QCOMPARE(Px(image, 0, 10), AdjustLuminance(ColorToRGB(clBtnShadow), 30));
        for (int x = 1; x < 49; ++x) {
            for (int y = 1; y < 39; ++y)
                QCOMPARE(Px(image, x, y), Px(parent, x + 30, y + 20));
        }
        QCOMPARE(Px(image, 39 - 30, 5), clBlack);   // the parent's grid line at x = 39
    }

    void sizeChangeKeepsBottomOrRightEdge()
    {
        TVmPanel panel;
        panel.SetBounds(10, 100, 50, 40);
        panel.SetAlign(alBottom);
        panel.SetHeight(30);
        QCOMPARE(panel.BoundsRect(), Rect(10, 110, 60, 140));

        TVmPanel right;
        right.SetBounds(100, 10, 50, 40);
        right.SetAlign(alRight);
        right.SetWidth(20);
        QCOMPARE(right.BoundsRect(), Rect(130, 10, 150, 50));
        right.SetAlign(alNone);
        right.SetWidth(30);
        QCOMPARE(right.Left(), 130);
    }

    void enabledStateOfChildrenIsRestored()
    {
        TVmPanel panel;
        Child first(&panel);
        Child second(&panel);
        Child third(&panel);
        second.SetEnabled(false);

        panel.SetEnabled(false);
        QVERIFY(!first.Enabled() && !second.Enabled() && !third.Enabled());
        Child late(&panel);   // added while the panel is disabled
        QVERIFY(late.Enabled());
        late.SetEnabled(false);

        panel.SetEnabled(true);
        QVERIFY(first.Enabled());
        QVERIFY(!second.Enabled());
        QVERIFY(third.Enabled());
        QVERIFY(late.Enabled());

        // A second round saves the states anew.
        first.SetEnabled(false);
        panel.SetEnabled(false);
        panel.SetEnabled(true);
        QVERIFY(!first.Enabled());
        QVERIFY(!second.Enabled());
        QVERIFY(third.Enabled());
    }

    void mouseEnterAndLeaveEvents()
    {
        TVmPanel panel;
        QStringList log;
        panel.OnMouseEnter = [&](TObject* s) { log << (s == &panel ? "enter" : "?"); };
        panel.OnMouseLeave = [&](TObject* s) { log << (s == &panel ? "leave" : "?"); };
        int paints = 0;
        panel.OnPaint = [&](TObject*) { ++paints; };
        panel.CMMouseEnter();
        panel.CMMouseLeave();
        QCOMPARE(log, QStringList({"enter", "leave"}));
        Painted(panel);
        QCOMPARE(paints, 1);
    }

    void groupBoxFrameAndCaptionGap()
    {
        TVmGroupBox box;
        box.SetBounds(0, 0, 80, 119);
        box.Canvas().SetFont(box.Font());
        const int half = box.Canvas().TextHeight(QStringLiteral("Pp")) / 2 - 1;
        const TColor frame = LightenColor(clBtnShadow, 30);
        const TColor face = ColorToRGB(clBtnFace);

        const QImage& plain = Painted(box);
        for (int x = 2; x <= 77; ++x)
            QCOMPARE(Px(plain, x, half), frame);
        for (int y = half + 2; y <= 116; ++y) {
            QCOMPARE(Px(plain, 0, y), frame);
            QCOMPARE(Px(plain, 79, y), frame);
        }
        // Cut corners: the corner pixel stays face, the one inside is drawn.
        QCOMPARE(Px(plain, 0, half), face);
        QCOMPARE(Px(plain, 1, half), face);
        QCOMPARE(Px(plain, 1, half + 1), frame);
        QCOMPARE(Px(plain, 0, 0), face);

        box.SetCaption(QStringLiteral("版本选择"));
        const TRect c = box.CaptionRect();
        QCOMPARE(c.Left, 8);
        QCOMPARE(c.Top, 0);
        QVERIFY(c.Width() > 0);
        const QImage& captioned = Painted(box);
        QCOMPARE(Px(captioned, 7, half), frame);
        QCOMPARE(Px(captioned, c.Right, half), frame);
        for (int x = c.Left; x < c.Right; ++x)
            QVERIFY(Px(captioned, x, half) != frame);
        // The text itself is there, in the font's colour.
        bool text = false;
        for (int x = c.Left; x < c.Right && !text; ++x) {
            for (int y = 0; y < c.Bottom && !text; ++y)
                text = Px(captioned, x, y) == ColorToRGB(box.Font().Color());
        }
        QVERIFY(text);
    }

    void groupBoxChildrenArea()
    {
        TForm form;
        TVmGroupBox box(&form, &form);
        box.SetBounds(0, 0, 80, 119);
        Child client(&box);
        client.SetAlign(alClient);
        box.Realign();
        box.Canvas().SetFont(box.Font());
        const int t = box.Canvas().TextHeight(QStringLiteral("Yy"));
        QCOMPARE(client.BoundsRect(), Rect(1, t + 1, 79, 118));

        box.SetGroupStyle(gsStandard);
        QCOMPARE(client.BoundsRect(), Rect(2, t + 2, 78, 117));
        box.SetGroupStyle(gsCustom);
        QCOMPARE(client.BoundsRect(), Rect(2, t + 2, 78, 117));
    }

    void groupStyleSwitchesThemeAwareOff()
    {
        TVmGroupBox box;
        box.SetGroupStyle(gsStandard);
        QVERIFY(box.ThemeAware());
        box.SetGroupStyle(gsTopLine);
        QVERIFY(!box.ThemeAware());
        box.SetGroupStyle(gsFlat);
        QVERIFY(!box.ThemeAware());
        box.SetThemeAware(true);
        box.SetGroupStyle(gsCustom);
        QVERIFY(!box.ThemeAware());
    }

    void groupBoxOtherStylesPaint()
    {
        TVmGroupBox box;
        box.SetBounds(0, 0, 60, 50);
        box.Canvas().SetFont(box.Font());
        const int half = box.Canvas().TextHeight(QStringLiteral("Pp")) / 2 - 1;

        // gsStandard without an outer style: a groove all round.
        box.SetGroupStyle(gsStandard);
        const QImage& groove = Painted(box);
        QCOMPARE(Px(groove, 0, 30), ColorToRGB(clBtnShadow));
        QCOMPARE(Px(groove, 1, 30), ColorToRGB(clBtnHighlight));
        QCOMPARE(Px(groove, 30, half), ColorToRGB(clBtnShadow));

        // gsTopLine with a flat style: the top line only.
        box.SetGroupStyle(gsTopLine);
        box.SetBorderOuter(fsFlat);
        const QImage& top = Painted(box);
        QCOMPARE(Px(top, 30, half), LightenColor(clBtnShadow, 30));
        QCOMPARE(Px(top, 0, 30), ColorToRGB(clBtnFace));
        QCOMPARE(Px(top, 30, 49), ColorToRGB(clBtnFace));

        // gsCustom paints as the panel, OnPaint included.
        int paints = 0;
        box.OnPaint = [&](TObject*) { ++paints; };
        box.SetGroupStyle(gsCustom);
        box.SetBorderOuter(fsStatus);
        const QImage& custom = Painted(box);
        QCOMPARE(Px(custom, 0, 0), ColorToRGB(clBtnShadow));
        QCOMPARE(paints, 1);
    }

    void groupBoxAcceleratorFocusesFirstChild()
    {
        TForm form;
        form.SetBounds(100, 100, 300, 200);
        TVmGroupBox box(&form, &form);
        box.SetCaption(QStringLiteral("&Options"));
        box.SetBounds(10, 10, 200, 150);
        Child plain(&box);   // not a tab stop
        plain.SetBounds(5, 20, 20, 20);
        QLineEdit edit(&box);
        edit.setGeometry(5, 50, 100, 20);
        QLineEdit other(&form);
        other.setGeometry(220, 10, 60, 20);
        form.Show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        other.setFocus();
        QTRY_VERIFY(other.hasFocus());

        QVERIFY(!form.DispatchDialogChar(QLatin1Char('x'), ssAlt));
        QVERIFY(other.hasFocus());
        QTest::keyClick(&other, Qt::Key_O, Qt::AltModifier);
        QTRY_VERIFY(edit.hasFocus());
        QCOMPARE(form.ActiveControl(), &edit);

        // A box that cannot take the focus passes the key on.
        other.setFocus();
        box.SetEnabled(false);
        QVERIFY(!box.CMDialogChar(QLatin1Char('o'), ssAlt));
    }

    void frameController()
    {
        auto controller = std::make_unique<TVmFrameController>();
        TVmPanel panel;
        TVmGroupBox box;
        panel.SetFrameController(controller.get());
        box.SetFrameController(controller.get());
        QCOMPARE(controller->ControlCount(), 2);
        // Nothing is applied while the frame is not visible.
        QCOMPARE(panel.BorderOuter(), fsRaised);

        controller->BeginUpdate();
        controller->SetFrameStyle(fsStatus);
        controller->SetColor(clYellow);
        controller->SetFrameVisible(true);
        QCOMPARE(panel.BorderOuter(), fsRaised);
        controller->EndUpdate();
        QCOMPARE(panel.BorderOuter(), fsStatus);
        QCOMPARE(panel.Color(), clYellow);
        QCOMPARE(panel.FlatColorAdjustment(), 0);
        QCOMPARE(panel.BorderShadow(), DarkenColor(clYellow, 50));
        // The focus colour moves along only while the two were equal.
        QCOMPARE(controller->FocusColor(), clYellow);
        controller->SetFocusColor(clWhite);
        controller->SetColor(clAqua);
        QCOMPARE(controller->FocusColor(), clWhite);
        QCOMPARE(panel.Color(), clAqua);
        // The group box follows only in gsCustom.
        QCOMPARE(box.BorderOuter(), fsNone);

        controller->SetFrameHotTrack(true);
        QVERIFY(controller->FrameVisible());

        controller.reset();
        QCOMPARE(panel.FrameController(), nullptr);
        QCOMPARE(box.FrameController(), nullptr);

        TVmFrameController legacy;
        legacy.ReadFrameFlat(true);
        QVERIFY(legacy.FrameHotTrack());
        QCOMPARE(legacy.FrameStyle(), fsStatus);
        QCOMPARE(legacy.FrameHotStyle(), fsLowered);
        legacy.ReadFrameFocusStyle(QStringLiteral("fsGroove"));
        QCOMPARE(legacy.FrameHotStyle(), fsGroove);
    }

    void dockSiteGetsDockManager()
    {
        TVmPanel panel;
        QVERIFY(!panel.DockManager());
        panel.SetDockSite(true);
        QVERIFY(panel.DockManager());
        Child client(&panel);
        client.SetBounds(10, 30, 50, 40);
        QCOMPARE(panel.DockManager()->CaptionBarRect(&client), Rect(10, 16, 60, 30));
        panel.SetAlign(alTop);
        QCOMPARE(panel.DockManager()->CaptionBarRect(&client), Rect(-4, 30, 10, 70));
        panel.SetUseDockManager(false);
        QVERIFY(!panel.DockManager());
    }
};

RAVIK_TEST(TestVmPanel)
#include "tst_vmpanel.moc"
