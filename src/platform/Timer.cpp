#include "platform/Timer.h"

#include <algorithm>

namespace platform {

Timer::Timer(QObject* parent, int interval, bool enabled, std::function<void()> onTimer)
    : timer_(new QTimer(parent)),
      interval_(std::clamp(interval, 0, kMaxInterval)),
      enabled_(enabled) {
    timer_->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer_, &QTimer::timeout, timer_, std::move(onTimer));
    restart();
}

void Timer::setInterval(int milliseconds) {
    interval_ = std::clamp(milliseconds, 0, kMaxInterval);
    restart();
}

void Timer::setEnabled(bool enabled) {
    enabled_ = enabled;
    restart();
}

void Timer::restart() {
    // A Qt timer of 0 would fire on every pass of the event loop: 0 means never.
    if (enabled_ && interval_ > 0) {
        timer_->start(interval_);
    } else {
        timer_->stop();
    }
}

}  // namespace platform
