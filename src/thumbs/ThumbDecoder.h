#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QThreadPool>

#include <deque>
#include <future>

#include "platform/Picture.h"

namespace thumbs {

// Decodes a list of picture files at thumbnail size on worker threads, a few ahead of the one
// asked for, and hands them back strictly in list order: the sheet fills as if it decoded each
// picture itself, while every core decodes and only a few pictures are in memory at once.
class ThumbDecoder {
public:
    struct Result {
        platform::Picture picture;  // null when the file could not be decoded
        QString why;                // the reason then
    };

    // `ahead`: the most decodes queued or running at a time; 0 chooses two per worker.
    ThumbDecoder(QStringList paths, QSize bound, int workers = defaultWorkers(), int ahead = 0);
    // Drops the decodes not yet started and waits for the running ones.
    ~ThumbDecoder();
    ThumbDecoder(const ThumbDecoder&) = delete;
    ThumbDecoder& operator=(const ThumbDecoder&) = delete;

    // A worker per core, at most four. Decodes under the size at which large ones take turns
    // (64 MB, their files included) run side by side, so each worker adds to the peak memory:
    // the cap keeps the sheet's peak the same on machines with many cores.
    static int defaultWorkers();

    int count() const { return static_cast<int>(paths_.size()); }
    // The next picture in list order, waiting for its decode (the caller's thread blocks, so
    // nothing else it would handle runs meanwhile). Past the end: a null picture.
    Result next();

private:
    void queueNext();

    const QStringList paths_;
    const QSize bound_;
    int ahead_ = 1;
    int queued_ = 0;
    std::deque<std::future<Result>> pending_;
    // Last, so it is destroyed first: its destructor waits for the running decodes while the
    // rest of the decoder still exists.
    QThreadPool pool_;
};

}  // namespace thumbs
