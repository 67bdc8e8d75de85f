#include "thumbs/ThumbDecoder.h"

#include <algorithm>
#include <memory>

namespace thumbs {

ThumbDecoder::ThumbDecoder(QStringList paths, QSize bound, int workers, int ahead)
    : paths_(std::move(paths)), bound_(bound) {
    const int threads = std::max(1, workers);
    pool_.setMaxThreadCount(threads);
    ahead_ = ahead > 0 ? ahead : 2 * threads;
    while (queued_ < std::min(ahead_, count())) {
        queueNext();
    }
}

int ThumbDecoder::defaultWorkers() {
    return std::min(QThread::idealThreadCount(), 4);
}

ThumbDecoder::~ThumbDecoder() {
    pool_.clear();
    pool_.waitForDone();
}

void ThumbDecoder::queueNext() {
    // Each decode owns its path and its promise, so it touches nothing else of the decoder.
    auto task =
        std::make_shared<std::packaged_task<Result()>>([path = paths_.at(queued_), bound = bound_] {
            Result result;
            result.picture = platform::LoadThumbnail(path, bound, &result.why);
            return result;
        });
    pending_.push_back(task->get_future());
    pool_.start([task] { (*task)(); });
    ++queued_;
}

ThumbDecoder::Result ThumbDecoder::next() {
    if (pending_.empty()) {
        return {};
    }
    Result result = pending_.front().get();
    pending_.pop_front();
    if (queued_ < count()) {
        queueNext();
    }
    return result;
}

}  // namespace thumbs
