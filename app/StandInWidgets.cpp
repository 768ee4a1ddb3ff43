#include "StandInWidgets.h"

#include <QTabBar>

namespace StandIn {

TVmPanel::TVmPanel(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Sunken);   // a groove
}

TVmGroupBox::TVmGroupBox(QWidget* parent) : QGroupBox(parent) {}

TVmButton::TVmButton(QWidget* parent) : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, [this] {
        if (OnClick)
            OnClick(this);
    });
}

TVmTabSheet::TVmTabSheet(TVmPageControl* pageControl) : QWidget(pageControl), pageControl_(pageControl)
{
    pageControl->AddSheet(this);
}

void TVmTabSheet::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    pageControl_->SheetCaptionChanged(this);
}

TVmPageControl::TVmPageControl(QWidget* parent) : QTabWidget(parent)
{
    // The control paints its whole area, the strip beside the tabs too:
    // whatever lies below it stays covered.
    setAutoFillBackground(true);
    connect(this, &QTabWidget::currentChanged, this, [this](int) {
        if (!loading_ && OnChange)
            OnChange(this);
    });
    connect(this, &QTabWidget::tabCloseRequested, this, &TVmPageControl::CloseRequested);
}

TVmTabSheet* TVmPageControl::Pages(int index) const { return qobject_cast<TVmTabSheet*>(widget(index)); }

TVmTabSheet* TVmPageControl::ActivePage() const { return qobject_cast<TVmTabSheet*>(currentWidget()); }

void TVmPageControl::SetActivePage(TVmTabSheet* page)
{
    if (page && indexOf(page) >= 0)
        setCurrentWidget(page);
}

void TVmPageControl::SetTabIndex(int index)
{
    if (index >= 0 && index < count())
        setCurrentIndex(index);
}

void TVmPageControl::AddSheet(TVmTabSheet* sheet) { addTab(sheet, sheet->Caption()); }

void TVmPageControl::SheetCaptionChanged(TVmTabSheet* sheet)
{
    const int index = indexOf(sheet);
    if (index >= 0)
        setTabText(index, sheet->Caption());
}

void TVmPageControl::CloseRequested(int index)
{
    // The close button belongs to the active tab.
    if (index != currentIndex() || !OnClose)
        return;
    bool allow = false;
    OnClose(this, allow);
    if (allow)
        delete currentWidget();
}

}  // namespace StandIn
