#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

namespace platform {

// Fires its handler every Interval milliseconds while Enabled, from the event loop.
// Interval is 0 to 65535; 0 never fires. Setting Interval, or enabling, starts a fresh
// countdown.
class Timer {
public:
    static constexpr int kMaxInterval = 65535;

    Timer(QObject* parent, int interval, bool enabled, std::function<void()> onTimer);

    int Interval() const { return interval_; }
    void setInterval(int milliseconds);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    // Whether a tick is due to come: enabled with a non-zero interval.
    bool isTicking() const { return timer_->isActive(); }

private:
    void restart();

    QTimer* timer_;
    int interval_;
    bool enabled_;
};

}  // namespace platform
