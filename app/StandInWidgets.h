#pragma once
// Thin stand-ins for the widget-set controls of the main window (side bar,
// group frames, side-bar buttons, page controls and their sheets) until the
// widget set takes their place. They carry only what the window uses of the
// real classes, under the same member names, so the swap is a change of
// types here and in the window, nothing else.
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>

#include <functional>

namespace StandIn {

using TNotifyEvent = std::function<void(QObject* sender)>;
using TCloseEvent = std::function<void(QObject* sender, bool& allowClose)>;

// Bordered panel (grooved frame).
class TVmPanel : public QFrame {
    Q_OBJECT
public:
    explicit TVmPanel(QWidget* parent = nullptr);
};

// Captioned group frame.
class TVmGroupBox : public QGroupBox {
    Q_OBJECT
public:
    explicit TVmGroupBox(QWidget* parent = nullptr);
    QString Caption() const { return title(); }
    void SetCaption(const QString& caption) { setTitle(caption); }
};

// Push button raising OnClick with itself as sender.
class TVmButton : public QPushButton {
    Q_OBJECT
public:
    explicit TVmButton(QWidget* parent = nullptr);
    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    TNotifyEvent OnClick;
};

class TVmBitBtn : public TVmButton {
    Q_OBJECT
public:
    using TVmButton::TVmButton;
};

class TVmPageControl;

// One page of a page control; its caption is the tab's text.
class TVmTabSheet : public QWidget {
    Q_OBJECT
public:
    explicit TVmTabSheet(TVmPageControl* pageControl);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TVmPageControl* PageControl() const { return pageControl_; }

private:
    TVmPageControl* pageControl_;
    QString caption_;
};

// Tabbed page container. OnChange follows every change of the active page
// except while the control is loading; OnClose arrives with the allow flag
// false, and only a handler that sets it true makes the active page go.
class TVmPageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TVmPageControl(QWidget* parent = nullptr);

    int PageCount() const { return count(); }
    TVmTabSheet* Pages(int index) const;
    TVmTabSheet* ActivePage() const;
    void SetActivePage(TVmTabSheet* page);
    int TabIndex() const { return currentIndex(); }
    void SetTabIndex(int index);
    bool ShowCloseButton() const { return tabsClosable(); }
    void SetShowCloseButton(bool show) { setTabsClosable(show); }

    // The stored layout is being read: no events.
    void SetLoading(bool loading) { loading_ = loading; }
    bool Loading() const { return loading_; }
    void Loaded() { loading_ = false; }

    TNotifyEvent OnChange;
    TCloseEvent OnClose;

private:
    friend class TVmTabSheet;
    void AddSheet(TVmTabSheet* sheet);
    void SheetCaptionChanged(TVmTabSheet* sheet);
    void CloseRequested(int index);

    bool loading_ = false;
};

}  // namespace StandIn
