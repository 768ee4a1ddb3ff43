#include "Exception.h"
#include "Forms.h"
#include "TestFont.h"
#include "TestMain.h"
#include "VmButton.h"

#include <QLineEdit>
#include <QPainter>
#include <QWindow>

namespace {

TColor Px(const QImage& image, int x, int y)
{
    return FromQRgb(image.pixel(x, y));
}

QImage Painted(TCustomControl& control)
{
    control.Invalidate();
    control.PaintToImage();
    return control.Image();
}

// A form shown and active, so buttons can take the focus.
struct Window {
    TForm form;
    Window()
    {
        form.SetBounds(100, 100, 320, 200);
        form.SetColor(clAqua);
    }
    bool Show()
    {
        form.Show();
        return QTest::qWaitForWindowActive(&form);
    }
    QWindow* Handle() { return form.windowHandle(); }
    QPoint At(QWidget* w, int x, int y) { return w->mapTo(&form, QPoint(x, y)); }
};

// The key hooks, called directly where an error must reach the caller.
class ProbeButton : public TVmButton {
public:
    using TVmButton::KeyDown;
    using TVmButton::KeyUp;
};

// The two rings of a hot or focused face, at (2, 2) and (3, 3).
void CheckRings(const QImage& img, int w, int h, TColor u, TColor l, TColor u2, TColor l2)
{
    QCOMPARE(Px(img, 2, 10), u);
    QCOMPARE(Px(img, 10, 2), u);
    QCOMPARE(Px(img, w - 3, 10), l);
    QCOMPARE(Px(img, 10, h - 3), l);
    QCOMPARE(Px(img, w - 3, 2), l);   // the lower-right colour owns the corners
    QCOMPARE(Px(img, 3, 10), u2);
    QCOMPARE(Px(img, 10, 3), u2);
    QCOMPARE(Px(img, w - 4, 10), l2);
    QCOMPARE(Px(img, 10, h - 4), l2);
    QCOMPARE(Px(img, 10, 10), ColorToRGB(clBtnFace));
}

} // namespace

class TestVmButton : public QObject {
    Q_OBJECT
private slots:
    void defaults()
    {
        TVmButton button;
        QCOMPARE(button.Width(), 75);
        QCOMPARE(button.Height(), 25);
        QCOMPARE(button.Color(), clBtnFace);
        QVERIFY(button.TabStop());
        QVERIFY(!(button.ControlStyle() & csDoubleClicks));
        QVERIFY(!(button.ControlStyle() & csClickEvents));
        QCOMPARE(button.TextShadowDepth(), 2);
        QCOMPARE(button.HotTrackColor(), clHighlight);
        QVERIFY(button.ShowFocusRect() && button.ShowDownPattern() && button.DropDownOnEnter());

        button.SetHotTrack(true);
        QVERIFY(button.Transparent());
        button.ReadFrameFlat(false);
        QVERIFY(!button.HotTrack() && !button.Transparent());

        TVmBitBtn bit;
        QCOMPARE(bit.Kind(), bkCustom);
        QCOMPARE(bit.Margin(), 2);
        QCOMPARE(bit.Spacing(), 4);
        QCOMPARE(bit.NumGlyphs(), 1);
        QVERIFY(bit.Glyph().Empty());
        bit.SetMargin(-2);
        QCOMPARE(bit.Margin(), 2);
        bit.SetMargin(-1);
        QCOMPARE(bit.Margin(), -1);
    }

    void normalLookRows()
    {
        Window win;
        TVmButton button(&win.form, &win.form);
        button.SetHotTrack(true);
        const QImage img = Painted(button);
        const TColor a = RGB(219, 219, 219);
        const TColor k = ColorToRGB(cl3DDkShadow);
        for (int y = 2; y <= 22; ++y) {
            QCOMPARE(Px(img, 0, y), a);
            QCOMPARE(Px(img, 1, y), k);
            QCOMPARE(Px(img, 74, y), RGB(255, 255, 255));
            QCOMPARE(Px(img, 73, y), k);
        }
        QCOMPARE(Px(img, 1, 1), a);
        QCOMPARE(Px(img, 73, 1), a);
        QCOMPARE(Px(img, 1, 23), a);
        QCOMPARE(Px(img, 73, 23), RGB(255, 255, 255));
        // The three outer pixels of each corner are the parent's.
        QCOMPARE(Px(img, 0, 0), clAqua);
        QCOMPARE(Px(img, 1, 0), clAqua);
        QCOMPARE(Px(img, 0, 1), clAqua);
        QCOMPARE(Px(img, 74, 24), clAqua);

        QCOMPARE(Px(img, 10, 2), RGB(255, 255, 255));
        QCOMPARE(Px(img, 10, 3), RGB(255, 255, 255));
        QCOMPARE(Px(img, 10, 4), RGB(251, 251, 251));
        QCOMPARE(Px(img, 10, 20), RGB(230, 230, 230));
        QCOMPARE(Px(img, 10, 21), RGB(219, 219, 219));
        QCOMPARE(Px(img, 10, 22), RGB(208, 208, 208));
        QCOMPARE(Px(img, 71, 10), RGB(230, 230, 230));
        QCOMPARE(Px(img, 72, 10), RGB(219, 219, 219));
        for (int x = 2; x <= 70; ++x) {
            for (int y = 5; y <= 19; ++y)
                QCOMPARE(Px(img, x, y), RGB(240, 240, 240));
        }
    }

    void hotFocusedAndPressedLooks()
    {
        Window win;
        TVmButton button(&win.form, &win.form);
        button.SetBounds(10, 10, 75, 25);
        button.SetHotTrack(true);
        TVmButton other(&win.form, &win.form);
        other.SetBounds(10, 60, 75, 25);
        QVERIFY(win.Show());
        other.SetFocus();
        QTRY_VERIFY(other.Focused());

        QTest::mouseMove(&other, QPoint(30, 12));
        QTest::mouseMove(&button, QPoint(30, 12));
        QTRY_VERIFY(button.PointerOver());
        CheckRings(Painted(button), 75, 25, RGB(250, 186, 133), RGB(247, 151, 71), RGB(249, 174, 112),
                   RGB(248, 163, 92));

        QTest::mousePress(win.Handle(), Qt::LeftButton, {}, win.At(&button, 30, 12));
        QVERIFY(button.ShowPressed());
        QVERIFY(button.Focused());
        const QImage pressed = Painted(button);
        QCOMPARE(Px(pressed, 2, 2), RGB(230, 230, 230));
        QCOMPARE(Px(pressed, 40, 12), RGB(230, 230, 230));
        QCOMPARE(Px(pressed, 72, 22), RGB(230, 230, 230));
        QCOMPARE(Px(pressed, 1, 10), ColorToRGB(cl3DDkShadow));
        QTest::mouseRelease(win.Handle(), Qt::LeftButton, {}, win.At(&button, 30, 12));

        // Pointer gone, focus kept: the focused look, with the focus dots.
        QTest::mouseMove(&other, QPoint(30, 12));
        QTRY_VERIFY(!button.PointerOver());
        QVERIFY(button.AnswersEnter());
        const QImage focused = Painted(button);
        QCOMPARE(Px(focused, 2, 10), RGB(214, 235, 253));
        QCOMPARE(Px(focused, 2, 2), RGB(214, 235, 253));
        QCOMPARE(Px(focused, 72, 10), RGB(154, 205, 250));
        QCOMPARE(Px(focused, 3, 11), RGB(194, 225, 252));
        QCOMPARE(Px(focused, 71, 11), RGB(174, 213, 251));
        QCOMPARE(Px(focused, 3, 4), clBlack);   // focus frame (3, 3, 72, 22)
        QCOMPARE(Px(focused, 3, 5), RGB(194, 225, 252));

        button.SetShowFocusRect(false);
        QCOMPARE(Px(Painted(button), 3, 4), RGB(194, 225, 252));
    }

    void disabledHotTrackFace()
    {
        Window win;
        TVmButton button(&win.form, &win.form);
        button.SetHotTrack(true);
        button.SetCaption(QStringLiteral("Find"));
        button.SetEnabled(false);
        const QImage img = Painted(button);
        const TColor frame = LightenColor(clBtnShadow, 30);
        QCOMPARE(Px(img, 1, 10), frame);
        QCOMPARE(Px(img, 73, 10), frame);
        QCOMPARE(Px(img, 10, 1), frame);
        QCOMPARE(Px(img, 10, 23), frame);
        QCOMPARE(Px(img, 0, 10), clAqua);   // no ring
        QCOMPARE(Px(img, 1, 1), clAqua);
        QCOMPARE(Px(img, 3, 3), ColorToRGB(clBtnFace));
        bool highlight = false;
        bool shadow = false;
        for (int x = 5; x < 70; ++x) {
            for (int y = 5; y < 20; ++y) {
                highlight |= Px(img, x, y) == ColorToRGB(clBtnHighlight);
                shadow |= Px(img, x, y) == ColorToRGB(clBtnShadow);
                QVERIFY(Px(img, x, y) != clBlack);
            }
        }
        QVERIFY(highlight && shadow);

        button.SetColor(clYellow);
        QCOMPARE(Px(Painted(button), 1, 10), DarkenColor(clYellow, 80));
    }

    void captionRectangle()
    {
        Window win;
        TVmButton button(&win.form, &win.form);
        button.SetBounds(8, 60, 65, 43);
        button.SetHotTrack(true);
        button.SetCaption(QStringLiteral("格式阅读"));
        QCOMPARE(button.CaptionArea(), Rect(5, 5, 60, 38));

        // A caption 13 pixels high on one line is drawn in (5, 15, 60, 28),
        // centred across: in the test font its four characters ink exactly
        // their 52 x 13 cells, from x = 6.
        button.SetFont(TestCellsFont(13));
        auto expected = [&](const QImage& face) {
            QImage image = face;
            QPainter(&image).fillRect(QRect(6, 15, 52, 13), ToQColor(button.Font().Color()));
            return image;
        };
        const QString caption = button.Caption();
        button.SetCaption(QString());
        const QImage normalFace = Painted(button);
        button.SetCaption(caption);
        QCOMPARE(Painted(button), expected(normalFace));

        // Pressed, the caption stays where it was.
        QVERIFY(win.Show());
        QTest::mousePress(win.Handle(), Qt::LeftButton, {}, win.At(&button, 20, 20));
        QVERIFY(button.ShowPressed());
        QCOMPARE(button.CaptionArea(), Rect(5, 5, 60, 38));
        button.SetCaption(QString());
        const QImage pressedFace = Painted(button);
        button.SetCaption(caption);
        QCOMPARE(Painted(button), expected(pressedFace));
        QTest::mouseRelease(win.Handle(), Qt::LeftButton, {}, win.At(&button, 20, 20));
    }

    void textStyles()
    {
        TVmButton button;
        button.SetHotTrack(true);
        button.SetBounds(0, 0, 90, 30);
        button.SetCaption(QStringLiteral("Mm"));
        button.SetTextHighlightColor(clRed);
        button.SetTextShadowColor(clBlue);

        auto colours = [&] {
            const QImage img = Painted(button);
            QSet<TColor> seen;
            for (int x = 4; x < 86; ++x) {
                for (int y = 4; y < 26; ++y)
                    seen.insert(Px(img, x, y));
            }
            return seen;
        };
        QVERIFY(!colours().contains(clRed) && !colours().contains(clBlue));
        button.SetTextStyle(tsRaised);
        QVERIFY(colours().contains(clRed) && colours().contains(clBlue));
        button.SetLightTextStyle(true);
        QVERIFY(colours().contains(clRed) && !colours().contains(clBlue));
        button.SetTextStyle(tsRecessed);
        QVERIFY(colours().contains(clRed) && !colours().contains(clBlue));
        button.SetTextStyle(tsShadow);
        QVERIFY(!colours().contains(clRed) && colours().contains(clBlue));

        // Right-aligned text stands TextShadowDepth pixels in from the right
        // edge, whatever the style: the same image moved left by the depth.
        button.SetTextStyle(tsNormal);
        button.SetAlignment(taRightJustify);
        button.SetTextShadowDepth(0);
        const QImage flush = Painted(button);
        button.SetTextShadowDepth(3);
        const QImage inset = Painted(button);
        for (int x = 5; x < 82; ++x) {
            for (int y = 5; y < 25; ++y)
                QCOMPARE(Px(inset, x, y), Px(flush, x + 3, y));
        }
    }

    void classicFaceAndDownPattern()
    {
        TVmButton button;
        button.SetBounds(0, 0, 40, 20);
        QImage img = Painted(button);
        QCOMPARE(Px(img, 0, 10), ColorToRGB(clBtnHighlight));
        QCOMPARE(Px(img, 39, 10), ColorToRGB(cl3DDkShadow));
        QCOMPARE(Px(img, 1, 10), ColorToRGB(cl3DLight));
        QCOMPARE(Px(img, 38, 10), ColorToRGB(clBtnShadow));
        QCOMPARE(Px(img, 20, 10), ColorToRGB(clBtnFace));

        button.SetGroupIndex(1);
        button.SetDown(true);
        img = Painted(button);
        // Lowered frame, then the checker of the latched face.
        QCOMPARE(Px(img, 0, 10), ColorToRGB(clBtnShadow));
        QCOMPARE(Px(img, 1, 10), ColorToRGB(cl3DDkShadow));
        for (int x = 2; x < 38; ++x)
            QCOMPARE(Px(img, x, 5), (x + 5) % 2 == 0 ? RGB(192, 192, 192) : ColorToRGB(clBtnFace));

        button.SetColor(clSilver);
        img = Painted(button);
        QCOMPARE(Px(img, 3, 5), RGB(128, 128, 128));
        QCOMPARE(Px(img, 4, 5), clSilver);

        button.SetShowDownPattern(false);
        QCOMPARE(Px(Painted(button), 3, 5), clSilver);
    }

    void pressTracking()
    {
        Window win;
        TVmButton button(&win.form, &win.form);
        button.SetBounds(10, 10, 75, 25);
        int clicks = 0;
        button.OnClick = [&](TObject*) { ++clicks; };
        QVERIFY(win.Show());
        QWindow* w = win.Handle();

        QTest::mousePress(w, Qt::LeftButton, {}, win.At(&button, 5, 5));
        QVERIFY(button.ShowPressed() && button.PressTracking());
        QTest::mouseMove(w, win.At(&button, 75, 5));   // x = width is outside
        QVERIFY(!button.ShowPressed());
        QTest::mouseMove(w, win.At(&button, 74, 24));
        QVERIFY(button.ShowPressed());
        QTest::mouseMove(w, win.At(&button, 30, 25));   // y = height is outside
        QVERIFY(!button.ShowPressed());
        QTest::mouseRelease(w, Qt::LeftButton, {}, win.At(&button, 30, 25));
        QCOMPARE(clicks, 0);
        QVERIFY(!button.PressTracking());

        QTest::mousePress(w, Qt::LeftButton, {}, win.At(&button, 5, 5));
        QTest::mouseMove(w, win.At(&button, 200, 5));
        QTest::mouseMove(w, win.At(&button, 6, 6));
        QTest::mouseRelease(w, Qt::LeftButton, {}, win.At(&button, 6, 6));
        QCOMPARE(clicks, 1);
        QVERIFY(!button.ShowPressed());

        // A right press is no click; a double click is two.
        QTest::mouseClick(w, Qt::RightButton, {}, win.At(&button, 5, 5));
        QCOMPARE(clicks, 1);
        QTest::mouseDClick(w, Qt::LeftButton, {}, win.At(&button, 5, 5));
        QCOMPARE(clicks, 3);

        // A disabled button is not pressed.
        button.SetEnabled(false);
        QTest::mouseClick(w, Qt::LeftButton, {}, win.At(&button, 5, 5));
        QCOMPARE(clicks, 3);
    }

    void pressWithoutFocusIsNotTracked()
    {
        Window win;
        TVmButton button(&win.form, &win.form);
        button.SetBounds(10, 10, 75, 25);
        QLineEdit edit(&win.form);
        edit.setGeometry(10, 60, 100, 20);
        // The edit keeps the focus by taking it back at once.
        QObject::connect(qApp, &QApplication::focusChanged, &edit, [&](QWidget*, QWidget* now) {
            if (now == &button)
                edit.setFocus();
        });
        int clicks = 0;
        button.OnClick = [&](TObject*) { ++clicks; };
        QVERIFY(win.Show());
        edit.setFocus();
        QTest::mouseClick(win.Handle(), Qt::LeftButton, {}, win.At(&button, 5, 5));
        QVERIFY(!button.PressTracking());
        QCOMPARE(clicks, 0);
    }

    void spaceKey()
    {
        Window win;
        TVmButton button(&win.form, &win.form);
        int clicks = 0;
        bool pressedDuringClick = true;
        button.OnClick = [&](TObject*) {
            ++clicks;
            pressedDuringClick = button.ShowPressed();
            QVERIFY(button.InClick());
        };
        QVERIFY(win.Show());
        button.SetFocus();
        QTRY_VERIFY(button.Focused());

        QTest::keyPress(&button, Qt::Key_Space);
        QVERIFY(button.ShowPressed() && button.SpaceDown());
        QCOMPARE(clicks, 0);
        QTest::keyRelease(&button, Qt::Key_Space);
        QCOMPARE(clicks, 1);
        QVERIFY(!pressedDuringClick);
        QVERIFY(!button.InClick());

        QTest::keyPress(&button, Qt::Key_Space, Qt::AltModifier);
        QVERIFY(!button.ShowPressed());
        QTest::keyRelease(&button, Qt::Key_Space, Qt::AltModifier);
        QCOMPARE(clicks, 1);   // no key-down on the button, no click
    }

    void enterAndEscape()
    {
        Window win;
        TVmButton ok(&win.form, &win.form);
        ok.SetBounds(10, 10, 75, 25);
        ok.SetDefault(true);
        ok.SetModalResult(mrOk);
        TVmButton cancel(&win.form, &win.form);
        cancel.SetBounds(100, 10, 75, 25);
        cancel.SetCancel(true);
        cancel.SetModalResult(mrCancel);
        TVmButton plain(&win.form, &win.form);
        plain.SetBounds(190, 10, 75, 25);
        QLineEdit edit(&win.form);
        edit.setGeometry(10, 60, 100, 20);
        QStringList log;
        ok.OnClick = [&](TObject*) { log << "ok"; };
        cancel.OnClick = [&](TObject*) { log << "cancel"; };
        plain.OnClick = [&](TObject*) { log << QString("plain%1").arg(plain.ShowPressed()); };
        QVERIFY(win.Show());
        edit.setFocus();
        QTRY_VERIFY(edit.hasFocus());
        QVERIFY(ok.AnswersEnter());

        QTest::keyClick(&edit, Qt::Key_Return);
        QTest::keyClick(&edit, Qt::Key_Escape);
        QCOMPARE(log, QStringList({"ok", "cancel"}));
        QCOMPARE(win.form.ModalResult(), mrCancel);
        QTest::keyClick(&edit, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(&edit, Qt::Key_Escape, Qt::ControlModifier);
        QCOMPARE(log.size(), 2);

        // A focused button answers Enter itself, without the pressed look;
        // the Default one no longer does.
        plain.SetFocus();
        QTRY_VERIFY(plain.Focused());
        QVERIFY(plain.AnswersEnter());
        QVERIFY(!ok.AnswersEnter());
        QTest::keyClick(&plain, Qt::Key_Return);
        QCOMPARE(log.last(), QStringLiteral("plain0"));
        QCOMPARE(win.form.ModalResult(), mrNone);   // every click sets it, 0 included

        edit.setFocus();
        QTRY_VERIFY(ok.AnswersEnter());
        QVERIFY(!plain.AnswersEnter());

        // Moving Default to another button.
        ok.SetDefault(false);
        plain.SetDefault(true);
        QVERIFY(!ok.AnswersEnter());
        QVERIFY(plain.AnswersEnter());

        // A button that cannot take the focus lets the key pass.
        plain.SetVisible(false);
        QVERIFY(!plain.CMDialogKey(Qt::Key_Return, 0));
    }

    void accelerator()
    {
        Window win;
        TVmButton button(&win.form, &win.form);
        button.SetCaption(QStringLiteral("&Go"));
        button.SetModalResult(mrRetry);
        QLineEdit edit(&win.form);
        edit.setGeometry(10, 60, 100, 20);
        int clicks = 0;
        button.OnClick = [&](TObject*) { ++clicks; };
        QVERIFY(win.Show());
        edit.setFocus();
        QTRY_VERIFY(edit.hasFocus());
        QTest::keyClick(&edit, Qt::Key_G, Qt::AltModifier);
        QCOMPARE(clicks, 1);
        QCOMPARE(win.form.ModalResult(), mrRetry);
        QVERIFY(!button.CMDialogChar(QLatin1Char('x'), ssAlt));
        QCOMPARE(clicks, 1);
    }

    void inClickIsResetAfterAnError()
    {
        ProbeButton button;
        button.OnClick = [&](TObject*) {
            QVERIFY(button.InClick());
            throw Exception(QStringLiteral("handler failed"));
        };
        TKey key = Qt::Key_Space;
        button.KeyDown(key, 0);
        QVERIFY(button.ShowPressed());
        // The error reaches the caller; the button is out of its click.
        QVERIFY_THROWS_EXCEPTION(Exception, button.KeyUp(key, 0));
        QVERIFY(!button.InClick());
        QVERIFY(!button.ShowPressed());
        QVERIFY(!button.SpaceDown());
    }

    void latchingGroups()
    {
        TVmButton plain;
        plain.SetDown(true);
        QVERIFY(!plain.Down());

        Window win;
        TVmButton a(&win.form, &win.form);
        TVmButton b(&win.form, &win.form);
        TVmButton c(&win.form, &win.form);
        a.SetBounds(10, 10, 75, 25);
        b.SetBounds(100, 10, 75, 25);
        c.SetBounds(10, 60, 75, 25);
        for (TVmButton* button : {&a, &b})
            button->SetGroupIndex(1);
        c.SetGroupIndex(2);
        c.SetDown(true);
        int clicksA = 0;
        a.OnClick = [&](TObject*) { ++clicksA; };
        QVERIFY(win.Show());

        QTest::mouseClick(win.Handle(), Qt::LeftButton, {}, win.At(&a, 5, 5));
        QVERIFY(a.Down());
        QTest::mouseClick(win.Handle(), Qt::LeftButton, {}, win.At(&b, 5, 5));
        QVERIFY(b.Down());
        QVERIFY(!a.Down());
        QVERIFY(c.Down());   // another group

        // A latched button stays down when clicked, and still clicks.
        QTest::mouseClick(win.Handle(), Qt::LeftButton, {}, win.At(&a, 5, 5));
        QTest::mouseClick(win.Handle(), Qt::LeftButton, {}, win.At(&a, 5, 5));
        QVERIFY(a.Down());
        QCOMPARE(clicksA, 3);

        // AllowAllUp is shared by the group and lets the down one go up.
        b.SetAllowAllUp(true);
        QVERIFY(a.AllowAllUp());
        QTest::mouseClick(win.Handle(), Qt::LeftButton, {}, win.At(&a, 5, 5));
        QVERIFY(!a.Down() && !b.Down());
    }

    void bitBtnKinds()
    {
        Window win;
        TVmBitBtn button(&win.form, &win.form);
        button.SetKind(bkOK);
        QCOMPARE(button.Kind(), bkOK);
        QCOMPARE(button.Caption(), QStringLiteral("OK"));
        QCOMPARE(button.ModalResult(), mrOk);
        QVERIFY(button.Default());
        QVERIFY(!button.Cancel());
        QCOMPARE(button.Glyph().Width(), 32);
        QCOMPARE(button.Glyph().Height(), 16);
        QCOMPARE(button.NumGlyphs(), 2);
        QVERIFY(!button.GlyphCustomised());
        QVERIFY(!button.IsCustom());
        QVERIFY(!button.IsCustomCaption());

        button.SetModalResult(mrAbort);
        QCOMPARE(button.Kind(), bkCustom);

        // Every standard kind has its glyph among the resources.
        for (int k = bkOK; k <= bkAll; ++k) {
            TVmBitBtn b;
            b.SetKind(TBitBtnKind(k));
            QCOMPARE(b.Glyph().Width(), 32);
            QCOMPARE(b.Kind(), TBitBtnKind(k));
            QCOMPARE(b.Cancel(), k == bkCancel || k == bkNo);
        }

        TVmBitBtn help;
        help.SetKind(bkHelp);
        help.SetCaption(QStringLiteral("Hilfe"));
        QVERIFY(help.IsCustomCaption());
        TBitmap own(16, 16);
        help.SetGlyph(own);
        QCOMPARE(help.Kind(), bkCustom);

        // Loading keeps a stored caption.
        TVmBitBtn loaded;
        loaded.BeginLoading();
        loaded.SetCaption(QStringLiteral("确定"));
        loaded.SetKind(bkOK);
        loaded.EndLoading();
        QCOMPARE(loaded.Caption(), QStringLiteral("确定"));
    }

    void numGlyphsFollowsGlyphShape()
    {
        TVmBitBtn button;
        button.SetGlyph(TBitmap(64, 16));
        QCOMPARE(button.NumGlyphs(), 4);
        button.SetGlyph(TBitmap(80, 16));
        QCOMPARE(button.NumGlyphs(), 1);
        button.SetNumGlyphs(3);
        button.SetGlyph(TBitmap(30, 16));
        QCOMPARE(button.NumGlyphs(), 3);
        QVERIFY(button.GlyphCustomised());
        button.SetNumGlyphs(5);
        QCOMPARE(button.NumGlyphs(), 3);

        // An emptied glyph leaves the caption the whole area again.
        button.SetGlyph(TBitmap(0, 16));
        QVERIFY(button.Glyph().Empty());
        QCOMPARE(button.CaptionArea(), Rect(5, 5, 70, 20));
        Painted(button);
    }

    void glyphLayouts()
    {
        TVmBitBtn button;
        button.SetBounds(0, 0, 75, 25);
        button.SetGlyph(TBitmap(16, 16));
        QCOMPARE(button.GlyphExtent(), TSize({16, 16}));
        // Caption area (5, 5, 70, 20) less margin, glyph and spacing.
        QCOMPARE(button.CaptionArea(), Rect(27, 5, 70, 20));
        QCOMPARE(button.GlyphArea(), Rect(7, 5, 23, 21));
        button.SetLayout(blGlyphRight);
        QCOMPARE(button.CaptionArea(), Rect(5, 5, 48, 20));
        QCOMPARE(button.GlyphArea(), Rect(52, 5, 68, 21));

        button.SetBounds(0, 0, 75, 60);
        button.SetLayout(blGlyphTop);
        QCOMPARE(button.CaptionArea(), Rect(5, 27, 70, 55));
        QCOMPARE(button.GlyphArea(), Rect(30, 7, 46, 23));
        button.SetLayout(blGlyphBottom);
        QCOMPARE(button.CaptionArea(), Rect(5, 5, 70, 33));
        QCOMPARE(button.GlyphArea(), Rect(30, 37, 46, 53));

        // Margin -1 centres glyph and caption together.
        button.SetCaption(QStringLiteral("Go"));
        button.SetMargin(-1);
        QImage scratch(4, 4, QImage::Format_RGB32);
        TCanvas measure(&scratch);
        measure.SetFont(button.Font());
        TRect m = Rect(5, 5, 70, 55);
        const int h = measure.DrawText(button.Caption(), m, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
        button.SetLayout(blGlyphTop);
        const int glyphTop = (60 - 16 - h - 4) / 2;
        QCOMPARE(button.GlyphArea().Top, glyphTop);
        QCOMPARE(button.CaptionArea().Top, 5 + glyphTop + 16);
        QCOMPARE(button.CaptionArea().Height(), h);
        QCOMPARE(button.CaptionArea().Top - button.GlyphArea().Bottom, 5);
    }

    void glyphIsDrawnMasked()
    {
        Window win;
        TVmBitBtn button(&win.form, &win.form);
        button.SetBounds(0, 0, 75, 25);
        TBitmap glyph(32, 16);
        glyph.Canvas().Brush().SetColor(clOlive);
        glyph.Canvas().FillRect(Rect(0, 0, 32, 16));
        glyph.Canvas().Brush().SetColor(clRed);
        glyph.Canvas().FillRect(Rect(4, 4, 12, 12));
        glyph.Canvas().Brush().SetColor(clBlue);
        glyph.Canvas().FillRect(Rect(20, 4, 28, 12));
        button.SetGlyph(glyph);
        QCOMPARE(button.NumGlyphs(), 2);
        const TRect g = button.GlyphArea();

        QImage img = Painted(button);
        QCOMPARE(Px(img, g.Left + 6, g.Top + 6), clRed);
        QCOMPARE(Px(img, g.Left + 1, g.Top + 1), ColorToRGB(clBtnFace));   // olive left out
        button.SetEnabled(false);
        img = Painted(button);
        QCOMPARE(Px(img, g.Left + 6, g.Top + 6), clBlue);

        // One image: the same picture while disabled.
        button.SetNumGlyphs(1);
        button.SetGlyph([] {
            TBitmap one(16, 16);
            one.Canvas().Brush().SetColor(clOlive);
            one.Canvas().FillRect(Rect(0, 0, 16, 16));
            one.Canvas().Brush().SetColor(clRed);
            one.Canvas().FillRect(Rect(4, 4, 12, 12));
            return one;
        }());
        img = Painted(button);
        QCOMPARE(Px(img, g.Left + 6, g.Top + 6), clRed);
    }

    void imageListImages()
    {
        TCustomImageList images(12, 12);
        TBitmap picture(24, 12);
        picture.Canvas().Brush().SetColor(clRed);
        picture.Canvas().FillRect(Rect(0, 0, 12, 12));
        picture.Canvas().Brush().SetColor(clGreen);
        picture.Canvas().FillRect(Rect(12, 0, 24, 12));
        images.Add(picture);

        TVmBitBtn button;
        button.SetBounds(0, 0, 75, 25);
        button.SetImages(&images);
        button.SetImageIndex(0);
        QCOMPARE(button.GlyphExtent(), TSize({12, 12}));
        const TRect g = button.GlyphArea();
        QCOMPARE(g, Rect(7, 7, 19, 19));
        QCOMPARE(Px(Painted(button), 10, 10), clRed);
        button.SetDisabledIndex(1);
        button.SetEnabled(false);
        QCOMPARE(Px(Painted(button), 10, 10), clGreen);

        {
            TCustomImageList gone;
            button.SetImages(&gone);
        }
        QCOMPARE(button.Images(), nullptr);
    }

    void bitBtnWithoutGlyphPaintsAsButton()
    {
        Window win;
        TVmButton plain(&win.form, &win.form);
        TVmBitBtn bit(&win.form, &win.form);
        for (TVmButton* b : {static_cast<TVmButton*>(&plain), static_cast<TVmButton*>(&bit)}) {
            b->SetBounds(8, 29, 65, 25);
            b->SetHotTrack(true);
            b->SetCaption(QStringLiteral("查找替换"));
        }
        QCOMPARE(Painted(bit), Painted(plain));
        plain.SetEnabled(false);
        bit.SetEnabled(false);
        QCOMPARE(Painted(bit), Painted(plain));
    }
};

RAVIK_TEST(TestVmButton)
#include "tst_vmbutton.moc"
