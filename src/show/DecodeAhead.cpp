#include "show/DecodeAhead.h"

#include <QPromise>
#include <QTimer>

#include <algorithm>
#include <memory>

#include "platform/NativeNames.h"

namespace show {

FileStamp FileStamp::of(const QString& path) {
    const platform::FileStatus status = platform::fileStatus(path);
    return {status.size, status.modified, status.changed};
}

DecodeAhead::DecodeAhead(QObject* parent) : QObject(parent) {
    pool_.setMaxThreadCount(1);
    // Delivered in this object's thread; with this object goes the connection.
    connect(&watcher_, &QFutureWatcher<Entry>::finished, this, &DecodeAhead::adoptPending);
}

DecodeAhead::~DecodeAhead() {
    // A decode under way is not stopped (the decoder cannot be), but waited for here, so that
    // no thread of ours outlives the show; its picture is freed with its result.
    dropPending();
    pool_.waitForDone();
}

platform::Picture DecodeAhead::ready(const QString& path, QSize bound) {
    if (!pendingPath_.isEmpty() && pendingPath_ == path && pendingBound_ == bound) {
        startPending();
        pending_.waitForFinished();
        adoptPending();
    }
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        const Entry& entry = entries_.at(i);
        if (entry.path == path && entry.bound == bound) {
            if (entry.stamp.size >= 0 && entry.stamp == FileStamp::of(path)) {
                return entry.picture;
            }
            entries_.removeAt(i);  // changed or removed since: read again
            break;
        }
    }
    return {};
}

void DecodeAhead::hold(const QString& path, QSize bound, const FileStamp& stamp,
                       const platform::Picture& picture) {
    if (!enabled_ || picture.isNull()) {
        return;
    }
    entries_.removeIf([&](const Entry& e) { return e.path == path; });
    entries_.append({path, bound, stamp, picture});
}

void DecodeAhead::lookAhead(const QString& current, const QString& previous, const QString& next,
                            QSize bound) {
    if (!enabled_) {
        return;
    }
    entries_.removeIf([&](const Entry& e) {
        return e.bound != bound || (e.path != current && e.path != previous && e.path != next);
    });
    if (!next.isEmpty() && pendingPath_ == next && pendingBound_ == bound) {
        return;
    }
    dropPending();
    const bool held = std::any_of(entries_.cbegin(), entries_.cend(),
                                  [&](const Entry& e) { return e.path == next; });
    if (next.isEmpty() || held) {
        return;
    }

    auto promise = std::make_shared<QPromise<Entry>>();
    pending_ = promise->future();
    promise->start();
    pendingPath_ = next;
    pendingBound_ = bound;
    watcher_.setFuture(pending_);
    startPending_ = [this, promise, next, bound] {
        pool_.start([promise, next, bound] {
            if (!promise->isCanceled()) {
                // Stamped before reading: a file written meanwhile no longer matches its stamp.
                const FileStamp stamp = FileStamp::of(next);
                promise->addResult(Entry{next, bound, stamp, platform::LoadPicture(next, bound)});
            }
            promise->finish();
        });
    };
    // Started once the event loop runs again: the change under way, and the drawing of its
    // picture, come first and do not share the processor with the decode.
    QTimer::singleShot(0, this, [this] { startPending(); });
}

void DecodeAhead::startPending() {
    if (startPending_) {
        const std::function<void()> start = std::move(startPending_);
        startPending_ = nullptr;
        start();
    }
}

void DecodeAhead::clear() {
    dropPending();
    entries_.clear();
}

void DecodeAhead::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) {
        clear();
    }
}

QStringList DecodeAhead::heldPaths() const {
    QStringList paths;
    for (const Entry& entry : entries_) {
        paths.append(entry.path);
    }
    return paths;
}

platform::Picture DecodeAhead::held(const QString& path) const {
    for (const Entry& entry : entries_) {
        if (entry.path == path) {
            return entry.picture;
        }
    }
    return {};
}

void DecodeAhead::adoptPending() {
    if (pendingPath_.isEmpty() || !pending_.isFinished()) {
        return;
    }
    const QFuture<Entry> done = pending_;
    pendingPath_.clear();
    pending_ = {};
    watcher_.setFuture(pending_);
    if (done.isCanceled() || done.resultCount() == 0) {
        return;
    }
    const Entry entry = done.result();
    // A picture that could not be decoded is not kept: showing it reads the file again and
    // fails, or succeeds, exactly as it would have without this.
    if (!entry.picture.isNull()) {
        entries_.removeIf([&](const Entry& e) { return e.path == entry.path; });
        entries_.append(entry);
    }
    Q_EMIT decoded(entry.path);
}

void DecodeAhead::dropPending() {
    if (!pendingPath_.isEmpty()) {
        pending_.cancel();
    }
    startPending_ = nullptr;  // its promise, never started, ends cancelled
    pendingPath_.clear();
    pending_ = {};
    watcher_.setFuture(pending_);
}

}  // namespace show
