#include "LiveRefresh.h"

TLiveRefresh::TLiveRefresh(std::function<void()> refresh, QObject* parent)
    : QObject(parent), refresh_(std::move(refresh))
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        soon_ = false;
        if (active_ && refresh_)
            refresh_();
    });
}

void TLiveRefresh::SetActive(bool value)
{
    active_ = value;
    if (!value) {
        timer_.stop();
        soon_ = false;
    }
}

void TLiveRefresh::Changed()
{
    // A command's own change (a paste arrives after its key) does not hold
    // back the refresh asked for it.
    if (active_ && !soon_)
        timer_.start(pause_);
}

void TLiveRefresh::Soon()
{
    if (!active_)
        return;
    soon_ = true;
    timer_.start(0);
}
