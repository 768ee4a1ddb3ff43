#pragma once
// Shared pieces of the tab control tests: a control that records what its
// descendants would do, a fixed caption font and text measurement in it.
#include "Canvas.h"
#include "VmTabs.h"

#include <QStringList>

// A tab control that records the close and move requests it receives.
class RecordingTabs : public TVmCustomTabControl {
public:
    explicit RecordingTabs(QWidget* parent = nullptr) : TVmCustomTabControl(nullptr, parent)
    {
        TFont font;
        font.SetName(QStringLiteral("DejaVu Sans"));
        font.SetHeight(-12);
        SetFont(font);
    }

    void AddTabs(const QStringList& captions)
    {
        for (const QString& caption : captions)
            Tabs().Add()->Caption = caption;
        RequestLayout();
    }

    void CloseActiveTab() override { ++closeRequests; }
    void MoveActiveTab(int NewIndex) override { moves.push_back(NewIndex); }

    // The text the tests compare against, measured like the control does.
    TSize Measure(const QString& text, bool bold = false) const
    {
        static QImage image(1, 1, QImage::Format_RGB32);
        TCanvas canvas(&image);
        TFont font(DrawFont());
        if (bold)
            font.SetStyle(font.Style() | TFontStyles(fsBold));
        canvas.SetFont(font);
        return canvas.TextExtent(text);
    }

    TPoint Centre(int index) const
    {
        const TRect r = TabClientRect(index);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }

    using TVmCustomTabControl::PlaceButtons;

    int closeRequests = 0;
    std::vector<int> moves;
};

// Records the events of a tab control in the order they come.
struct EventLog {
    QStringList events;

    void Attach(TVmCustomTabControl& tabs)
    {
        tabs.OnChanging = [this](TObject*, int index, bool&) { events << QStringLiteral("changing %1").arg(index); };
        tabs.OnChange = [this, &tabs](TObject*) { events << QStringLiteral("change %1").arg(tabs.TabIndex()); };
        tabs.OnTabClick = [this](TObject*) { events << QStringLiteral("click"); };
    }
};
