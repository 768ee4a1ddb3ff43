#include "LiveRefresh.h"

TLiveRefresh::TLiveRefresh(std::function<void()> refresh, QObject* parent)
    : QObject(parent), refresh_(std::move(refresh))
{
    timer_.setSingleShot(true);
    // A coarse timer may fire 5 % late.
    timer_.setTimerType(Qt::PreciseTimer);
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
        showAt_ = QDeadlineTimer(0);
        loadAt_ = QDeadlineTimer(0);
    }
}

void TLiveRefresh::Changed()
{
    // A command's own change (a paste arrives after its key) does not hold
    // back the refresh asked for it.
    if (active_ && !soon_) {
        showAt_ = QDeadlineTimer(pause_, Qt::PreciseTimer);
        loadAt_ = QDeadlineTimer(loadPause_, Qt::PreciseTimer);
        timer_.start(pause_);
    }
}

void TLiveRefresh::Soon()
{
    if (!active_)
        return;
    soon_ = true;
    showAt_ = QDeadlineTimer(0);
    loadAt_ = QDeadlineTimer(0);
    timer_.start(0);
}
