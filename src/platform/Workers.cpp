#include "platform/Workers.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace platform {

void startDetached(std::function<void()> job) {
    std::thread(std::move(job)).detach();
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
