#pragma once
// Shared pieces of the tab painting and page control tests: the program's
// two page controls on a form, pixel access and ink masks of captions.
#include "Forms.h"
#include "VmPageControl.h"

#include <QImage>
#include <QStringList>

#include <memory>

namespace tabpaint_test {

inline TColor Px(const QImage& image, int x, int y)
{
    return FromQRgb(image.pixel(x, y));
}

inline TFont CaptionFont()
{
    TFont font;
    font.SetName(QStringLiteral("DejaVu Sans"));
    font.SetHeight(-12);
    return font;
}

// Row `y` of a vertical gradient `n` rows high, from `bottom` on the last
// row towards `top`, in 16.16 steps per channel.
inline TColor GradientRow(TColor top, TColor bottom, int n, int y)
{
    const auto channel = [&](int t, int b) {
        const int step = (t * 65536 - b * 65536) / n;
        return (b * 65536 + (n - 1 - y) * step) >> 16;
    };
    top = ColorToRGB(top);
    bottom = ColorToRGB(bottom);
    return RGB(channel(GetRValue(top), GetRValue(bottom)), channel(GetGValue(top), GetGValue(bottom)),
               channel(GetBValue(top), GetBValue(bottom)));
}

// A form holding one page control with a page per caption. The parent's
// colour is set last, so the control's background follows it.
struct PageForm {
    TForm form;
    TVmPageControl* pc = nullptr;
    std::vector<TVmTabSheet*> pages;

    explicit PageForm(const QStringList& captions, int width = 300, int height = 150, TColor parentColor = clBtnFace)
    {
        form.SetBounds(0, 0, width + 40, height + 40);
        pc = new TVmPageControl(&form, &form);
        pc->SetFont(CaptionFont());
        pc->SetBounds(0, 0, width, height);
        for (const QString& caption : captions) {
            auto* page = new TVmTabSheet(&form);
            page->SetPageControl(pc);
            page->SetCaption(caption);
            pages.push_back(page);
        }
        if (!pages.empty())
            pc->SetActivePage(pages.front());
        form.SetColor(parentColor);
        // The control itself keeps the program's colour, whatever its parent's.
        pc->SetColor(clBtnFace);
    }

    // The main page control: cut corners of 10 in money green, 25 high.
    static std::unique_ptr<PageForm> Main(TColor parentColor = clBtnFace)
    {
        auto f = std::make_unique<PageForm>(QStringList{QStringLiteral("  自定义代码  "), QStringLiteral("实时预览")},
                                            1029, 591, parentColor);
        TVmPageControl& pc = *f->pc;
        pc.SetTabStyle(tsCutCorner);
        pc.SetCutCornerSize(10);
        pc.SetFlatColor(clMoneyGreen);
        pc.SetHotTrackColor(clMoneyGreen);
        pc.SetTabHeight(25);
        pc.SetFixedDimension(25);
        return f;
    }

    // The find-and-replace control: single slants, a close button, 20 high.
    static std::unique_ptr<PageForm> Find(TColor parentColor = clBtnFace)
    {
        auto f = std::make_unique<PageForm>(QStringList{QStringLiteral("查找替换")}, 385, 120, parentColor);
        f->pc->SetShowCloseButton(true);
        f->pc->SetTabHeight(20);
        f->pc->SetFixedDimension(20);
        return f;
    }

    const QImage& Paint()
    {
        pc->InvalidateTabs();
        pc->PaintToImage();
        return pc->Image();
    }

    // The whole pass drawn into an image of our own (no off-screen reuse).
    QImage PaintInto()
    {
        QImage image(pc->Width(), pc->Height(), QImage::Format_RGB32);
        image.fill(Qt::black);
        TCanvas canvas(&image);
        pc->PaintTo(canvas, false);
        return image;
    }

    TRect Tab(int index) const { return pc->TabClientRect(index); }
};

// The pixels of one colour inside a rectangle, as a set of points relative
// to the top-left of their own bounding box (empty when there are none).
struct Ink {
    QImage mask;      // Format_Mono-like: white background, black ink
    TRect bounds;     // where the ink lies in the source image
    bool Empty() const { return mask.isNull(); }
    bool operator==(const Ink& o) const { return mask == o.mask; }
};

inline Ink InkOf(const QImage& image, const TRect& area, TColor color)
{
    const QRgb wanted = ToQRgb(color);
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    for (int y = std::max(area.Top, 0); y < std::min(area.Bottom, image.height()); ++y)
        for (int x = std::max(area.Left, 0); x < std::min(area.Right, image.width()); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    Ink ink;
    if (minX > maxX)
        return ink;
    ink.bounds = Rect(minX, minY, maxX + 1, maxY + 1);
    ink.mask = QImage(maxX - minX + 1, maxY - minY + 1, QImage::Format_RGB32);
    ink.mask.fill(Qt::white);
    for (int y = minY; y <= maxY; ++y)
        for (int x = minX; x <= maxX; ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF))
                ink.mask.setPixel(x - minX, y - minY, qRgb(0, 0, 0));
    return ink;
}

} // namespace tabpaint_test
