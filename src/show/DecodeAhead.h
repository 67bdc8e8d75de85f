#pragma once

#include <QDateTime>
#include <QFuture>
#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

#include "platform/Picture.h"

namespace show {

// What tells a file's content apart without reading it: a file written, replaced or removed
// since carries another stamp.
struct FileStamp {
    qint64 size = -1;  // -1: no such file
    QDateTime modified;
    QDateTime changed;  // metadata: a file replaced by another of the same size and time

    static FileStamp of(const QString& path);
    bool operator==(const FileStamp& other) const = default;
};

// The show's pictures decoded ahead on a worker thread, one at a time, while the current one
// is on the screen: those the show may turn to next, most wanted first. Holds at most five
// pictures (the current one and four wanted), each at the size it is drawn, and hands one out
// only while its file is unchanged.
// The worker touches nothing but its own copy of the path; its result comes back through a
// queued signal to this object and is dropped when no longer wanted, or with this object.
class DecodeAhead : public QObject {
    Q_OBJECT

public:
    explicit DecodeAhead(QObject* parent = nullptr);
    ~DecodeAhead() override;

    // The picture of `path` decoded at `bound`, when one is held and the file has not changed
    // since; a null Picture otherwise (the caller decodes it itself). When that very picture
    // is being decoded, waits for it: it is done sooner than a decode started now.
    platform::Picture ready(const QString& path, QSize bound);
    // Keeps a picture the caller decoded itself, from the file as `stamp` describes it.
    void hold(const QString& path, QSize bound, const FileStamp& stamp,
              const platform::Picture& picture);
    static constexpr qsizetype kMaxWanted = 4;
    // Keeps only the pictures of `current` and of the first four of `wanted` at `bound`, and
    // decodes those not held yet, `current` first, then `wanted` in its order, one after
    // another; a decode of another is called off (ended early when it runs). Empty paths are
    // passed over.
    void lookAhead(const QString& current, const QStringList& wanted, QSize bound);
    bool isHeld(const QString& path, QSize bound) const;
    // Drops every picture and calls off the decode under way.
    void clear();

    // Off: nothing is held or decoded, ready() finds nothing. On by default.
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }

    // For tests and measurements: whether a decode is under way, which pictures are held.
    bool busy() const { return !pendingPath_.isEmpty(); }
    QStringList heldPaths() const;
    platform::Picture held(const QString& path) const;

Q_SIGNALS:
    // A picture decoded ahead has arrived; `why` tells why it could not be decoded, empty when
    // it was.
    void decoded(const QString& path, const QString& why);

private:
    struct Entry {
        QString path;
        QSize bound;
        FileStamp stamp;
        platform::Picture picture;
        QString why;  // when the picture could not be decoded
    };

    void adoptPending();
    void dropPending();
    void startPending();
    // Starts decoding the most wanted picture not held, unless a decode is under way.
    void startNext();

    bool enabled_ = true;
    QList<Entry> entries_;
    QString current_;
    QStringList wanted_;  // most wanted first
    QSize bound_;
    std::shared_ptr<std::atomic<bool>> pendingAbort_;
    QStringList failed_;  // wanted ones that could not be decoded: not tried again this time
    QFuture<Entry> pending_;
    QString pendingPath_;  // empty: no decode under way
    QSize pendingBound_;
    std::function<void()> startPending_;  // hands the pending decode to the worker
    QFutureWatcher<Entry> watcher_;
    // Threads of our own: a decode ahead never waits behind other work. One decode runs at a
    // time; the second thread lets the next one start while a decode called off winds down
    // (some 10 to 20 ms), which a key held down would otherwise wait for every time.
    QThreadPool pool_;
};

}  // namespace show
