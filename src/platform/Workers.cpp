#include "platform/Workers.h"

#include <QThreadPool>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {

void startDetached(std::function<void()> job) {
    // A pool that is never destroyed, so that nothing ever waits for its threads: an idle thread
    // is taken again (its memory already mapped, which a fresh thread would map anew for a
    // large decode), a busy or stuck one never stands in the way of a new job.
    static QThreadPool* const pool = [] {
        auto* threads = new QThreadPool;
        threads->setMaxThreadCount(256);
        return threads;
    }();
    pool->start(std::move(job));
}

struct Deadline::State {
    std::mutex mutex;
    std::condition_variable met;
    bool done = false;
};

Deadline::Deadline(int milliseconds, QString message) : state_(std::make_shared<State>()) {
    startDetached([state = state_, milliseconds, text = message.toLocal8Bit()] {
        std::unique_lock lock(state->mutex);
        if (!state->met.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                 [&] { return state->done; })) {
            std::fprintf(stderr, "%s\n", text.constData());
            std::fflush(stderr);
            std::_Exit(1);
        }
    });
}

Deadline::~Deadline() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->done = true;
    }
    state_->met.notify_all();
}

}  // namespace platform
