#pragma once
// Refreshes a preview by itself while the user works: once the text has
// rested for a pause after the last change, or as soon as the event loop is
// back after a command. One restarted single-shot timer and one deadline
// moved on: a keystroke costs no more than that, and the refresh never runs
// inside the keystroke's own handling.
//
// A refresh after typing starts Lead() before the pause is over, so that
// its page is ready by the time the pause ends; the preview holds it until
// ShowAt(). A change in the meantime moves ShowAt() on, and the refresh it
// brings in turn drops the held page unshown.
#include <QDeadlineTimer>
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
    // How long the text must rest after a change before its page shows, in
    // milliseconds, and how much of that the refresh starts early.
    int Pause() const { return pause_; }
    int Lead() const { return lead_; }
    bool Pending() const { return timer_.isActive(); }
    // When the latest refresh's page may show: the pause after the last
    // change over, or at once after a command (expired).
    QDeadlineTimer ShowAt() const { return showAt_; }

    // The text changed: refresh once it has rested (a later change restarts
    // the wait).
    void Changed();
    // A command finished: refresh at once, from the event loop.
    void Soon();

private:
    std::function<void()> refresh_;
    QTimer timer_;
    QDeadlineTimer showAt_{0};
    bool active_ = false;
    bool soon_ = false;
    const int pause_ = 300;
    // Composing, writing and loading a 100 KB page until it is parsed takes
    // about this long; starting earlier would refresh more often for
    // nothing while the user types on.
    const int lead_ = 100;
};
