#include "thumbs/ThumbDecoder.h"

#include <QFuture>

#include <algorithm>

#include "platform/Workers.h"

namespace thumbs {

namespace {

struct Result {
    int index;
    platform::Picture picture;
    QString why;
};

}  // namespace

ThumbDecoder::ThumbDecoder(QStringList paths, QSize bound, int workers, QObject* parent)
    : QObject(parent), paths_(std::move(paths)), bound_(bound), workers_(std::max(1, workers)) {
    started_.resize(count());
    // Decodes stuck on the medium are noticed even when nothing else comes.
    stuckCheck_.setInterval(kStuckMs / 2);
    connect(&stuckCheck_, &QTimer::timeout, this, &ThumbDecoder::startMore);
    startMore();
}

int ThumbDecoder::defaultWorkers() {
    return std::min(QThread::idealThreadCount(), 4);
}

// Decodes under way are not waited for: called off, their answers go nowhere.
ThumbDecoder::~ThumbDecoder() {
    gone_->store(true);
}

void ThumbDecoder::request(int index) {
    if (index < 0 || index >= count() || runningIndex_.contains(index)) {
        return;
    }
    std::erase(asked_, index);
    asked_.push_front(index);
    startMore();
}

void ThumbDecoder::startMore() {
    const auto live = [this] {
        return std::count_if(running_.cbegin(), running_.cend(),
                             [](const QElapsedTimer& t) { return t.elapsed() < kStuckMs; });
    };
    while (live() < workers_ && running_.size() < workers_ + kMaxStuck &&
           (!asked_.empty() || nextInOrder_ < count())) {
        int index = 0;
        if (!asked_.empty()) {
            index = asked_.front();
            asked_.pop_front();
        } else {
            index = nextInOrder_++;
            if (started_.testBit(index)) {
                continue;
            }
        }
        started_.setBit(index);
        QElapsedTimer started;
        started.start();
        running_.append(started);
        runningIndex_.append(index);
        platform::runDetached<Result>(
            this,
            [index, path = paths_.at(index), bound = bound_, gone = gone_] {
                Result result{index, {}, {}};
                result.picture = platform::LoadThumbnail(path, bound, &result.why, gone.get());
                return result;
            },
            [this](const Result& result) {
                const qsizetype at = runningIndex_.indexOf(result.index);
                if (at >= 0) {
                    running_.removeAt(at);
                    runningIndex_.removeAt(at);
                }
                startMore();
                Q_EMIT decoded(result.index, result.picture, result.why);
            });
    }
    if (running_.isEmpty()) {
        stuckCheck_.stop();
    } else if (!stuckCheck_.isActive()) {
        stuckCheck_.start();
    }
}

}  // namespace thumbs
