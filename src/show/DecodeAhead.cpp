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
    pool_.setMaxThreadCount(2);
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
    entries_.append({path, bound, stamp, picture, {}});
}

void DecodeAhead::lookAhead(const QString& current, const QStringList& wanted, QSize bound) {
    if (!enabled_) {
        return;
    }
    wanted_.clear();
    for (const QString& path : wanted) {
        if (!path.isEmpty() && path != current && !wanted_.contains(path) &&
            wanted_.size() < kMaxWanted) {
            wanted_.append(path);
        }
    }
    current_ = current;
    bound_ = bound;
    failed_.clear();
    entries_.removeIf([&](const Entry& e) {
        return e.bound != bound || (e.path != current && !wanted_.contains(e.path));
    });
    // A decode that no longer lies ahead is called off; so is any but the current picture's
    // while the screen waits for that one.
    const bool currentAwaited = !current.isEmpty() && !isHeld(current, bound);
    if (!pendingPath_.isEmpty() &&
        (pendingBound_ != bound || (currentAwaited && pendingPath_ != current) ||
         (pendingPath_ != current && !wanted_.contains(pendingPath_)))) {
        dropPending();
    }
    startNext();
}

bool DecodeAhead::isHeld(const QString& path, QSize bound) const {
    return std::any_of(entries_.cbegin(), entries_.cend(),
                       [&](const Entry& e) { return e.path == path && e.bound == bound; });
}

void DecodeAhead::startNext() {
    if (!pendingPath_.isEmpty()) {
        return;
    }
    // The current picture first, when the screen still waits for it.
    const QStringList candidates = QStringList{current_} + wanted_;
    const auto next =
        std::find_if(candidates.cbegin(), candidates.cend(), [&](const QString& path) {
            return !path.isEmpty() && !isHeld(path, bound_) && !failed_.contains(path);
        });
    if (next == candidates.cend()) {
        return;
    }
    const QString path = *next;
    const QSize bound = bound_;
    auto abort = std::make_shared<std::atomic<bool>>(false);
    pendingAbort_ = abort;
    auto promise = std::make_shared<QPromise<Entry>>();
    pending_ = promise->future();
    promise->start();
    pendingPath_ = path;
    pendingBound_ = bound;
    watcher_.setFuture(pending_);
    startPending_ = [this, promise, path, bound, abort] {
        pool_.start([promise, path, bound, abort] {
            if (!promise->isCanceled()) {
                // Stamped before reading: a file written meanwhile no longer matches its stamp.
                const FileStamp stamp = FileStamp::of(path);
                Entry entry{path, bound, stamp, {}, {}};
                entry.picture = platform::LoadPicture(path, bound, &entry.why, abort.get());
                promise->addResult(entry);
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
    if (entry.picture.isNull()) {
        failed_.append(entry.path);
    } else {
        entries_.removeIf([&](const Entry& e) { return e.path == entry.path; });
        entries_.append(entry);
    }
    Q_EMIT decoded(entry.path, entry.why);
    startNext();
}

void DecodeAhead::dropPending() {
    if (!pendingPath_.isEmpty()) {
        pending_.cancel();
        // A decode already running ends early: the worker is wanted for another picture.
        pendingAbort_->store(true);
    }
    startPending_ = nullptr;  // its promise, never started, ends cancelled
    pendingPath_.clear();
    pending_ = {};
    watcher_.setFuture(pending_);
}

}  // namespace show
