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

#include <functional>

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

// The show's pictures decoded ahead on a worker thread: the next one the show will draw,
// while the current one is on the screen. Holds at most three pictures (current, previous,
// next), each at the size it is drawn, and hands one out only while its file is unchanged.
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
    // Keeps only the pictures of `current`, `previous` and `next` at `bound` and starts
    // decoding `next` unless it is held or under way; a decode of another is called off.
    void lookAhead(const QString& current, const QString& previous, const QString& next,
                   QSize bound);
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
    // A picture decoded ahead has arrived (successful or not).
    void decoded(const QString& path);

private:
    struct Entry {
        QString path;
        QSize bound;
        FileStamp stamp;
        platform::Picture picture;
    };

    void adoptPending();
    void dropPending();
    void startPending();

    bool enabled_ = true;
    QList<Entry> entries_;
    QFuture<Entry> pending_;
    QString pendingPath_;  // empty: no decode under way
    QSize pendingBound_;
    std::function<void()> startPending_;  // hands the pending decode to the worker
    QFutureWatcher<Entry> watcher_;
    // One thread of our own: a decode ahead never waits behind other work, and never takes more
    // than one core from the show.
    QThreadPool pool_;
};

}  // namespace show
