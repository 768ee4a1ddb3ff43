#pragma once
// Refreshes a preview by itself while the user works: once the text has
// rested for a pause after the last change, or as soon as the event loop is
// back after a command. One restarted single-shot timer: a keystroke costs
// no more than restarting it, and the refresh never runs inside the
// keystroke's own handling.
#include <QObject>
#include <QTimer>

#include <functional>

class TLiveRefresh : public QObject {
    Q_OBJECT
public:
    explicit TLiveRefresh(std::function<void()> refresh, QObject* parent = nullptr);

    // Nothing is refreshed while off; switching off drops a refresh that
    // was waiting.
    bool Active() const { return active_; }
    void SetActive(bool value);
    // How long the text must rest after a change, in milliseconds.
    int Pause() const { return pause_; }
    bool Pending() const { return timer_.isActive(); }

    // The text changed: refresh once it has rested (a later change restarts
    // the wait).
    void Changed();
    // A command finished: refresh at once, from the event loop.
    void Soon();

private:
    std::function<void()> refresh_;
    QTimer timer_;
    bool active_ = false;
    bool soon_ = false;
    const int pause_ = 300;
};
