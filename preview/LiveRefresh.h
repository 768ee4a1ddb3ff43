#pragma once
// Refreshes a preview by itself while the user works: once the text has
// rested for a pause after the last change, or as soon as the event loop is
// back after a command. One restarted single-shot timer and one deadline
// moved on: a keystroke costs no more than that, and the refresh never runs
// inside the keystroke's own handling. Keys typed faster than the pause
// never refresh between them.
//
// A refresh that loads the page anew may still be loading when the user
// types on; the preview holds its page until ShowAt(), which each change
// moves on, and the refresh the change brings drops it unshown.
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
    // How long the text must rest after a change before it refreshes, in
    // milliseconds.
    int Pause() const { return pause_; }
    bool Pending() const { return timer_.isActive(); }
    // When the latest refresh's page may show: the pause after the last
    // change over, or at once after a command (expired).
    QDeadlineTimer ShowAt() const { return showAt_; }
    // When a refresh that must load the page anew may start: a load costs
    // the window's thread and the machine far more than a patch, and shows
    // only once loaded anyway, so after typing it waits until the text has
    // rested as long as refreshes waited when every one loaded; at once
    // after a command (expired).
    QDeadlineTimer LoadAt() const { return loadAt_; }

    // The text changed: refresh once it has rested (a later change restarts
    // the wait).
    void Changed();
    // A command finished: refresh at once, from the event loop.
    void Soon();

private:
    std::function<void()> refresh_;
    QTimer timer_;
    QDeadlineTimer showAt_{0};
    QDeadlineTimer loadAt_{0};
    bool active_ = false;
    bool soon_ = false;
    // Where the page is patched in place, the new text shows within a
    // frame or two of the pause: as long as live previews of web pages
    // wait by default.
    const int pause_ = 50;
    const int loadPause_ = 200;
};
