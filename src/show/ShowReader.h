#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>

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

    // A file's time moves in steps (two seconds on FAT): one written within this of a moment
    // may have been written after it.
    static constexpr qint64 kSettledMs = 2500;
    // Whether the file was written within kSettledMs of `at`, before or after: it may still be
    // being copied. A time far ahead (a clock set wrong) is as settled as one long past.
    bool writtenAround(const QDateTime& at) const {
        return modified.isValid() && std::abs(modified.msecsTo(at)) <= kSettledMs;
    }
};

// The descriptions of a folder's "ImageList.txt".
struct Descriptions {
    bool found = false;  // the folder has the file
    QStringList names;
    QStringList descs;
};

// How the show reaches the disc. Each runs on a worker thread, never the window's; a test gives
// its own.
struct DiscReads {
    std::function<platform::Picture(const QString& path, QSize bound, QString* why,
                                    const std::atomic<bool>* abort)>
        picture;
    std::function<FileStamp(const QString& path)> stamp;
    // The pictures of a folder, for a visit that enters it (`peek`: for a look ahead); none
    // when the folder is gone.
    std::function<std::optional<QStringList>(const QString& folder, bool peek)> folder;
    // The descriptions of a folder's pictures.
    std::function<Descriptions(const QString& folder, const QStringList& pictures)> descriptions;
};

// Everything the show reads from its disc once its window is up, read on worker threads: the
// picture the screen waits for, the pictures it may turn to next (decoded ahead, one at a time,
// most wanted first), the listing and the descriptions of a folder it enters. The window asks
// and is told by the signals below; it never waits.
//
// The screen waits for one thing at a time: a picture or a folder. A new wait replaces the one
// before, whose answer is then dropped. A read stuck on the medium keeps its thread, never the
// others: reads called off are left to end by themselves (or with the process), and a file whose
// read is under way is not read a second time meanwhile. With eight reads under way (stuck on a
// medium that does not answer) no more are started, so that threads stay bounded: the screen
// keeps what it has, and once a read ends, the wait's own read begins.
//
// A file being written (copied, downloaded) is never drawn cut short where its writer has got
// to: one that changed while it was read, or moments before, is read again once it has settled,
// while the screen still waits for it; a file that is simply cut short is shown as it is.
//
// Holds the current picture and up to four wanted, each at the size it is drawn, no more than fit
// in 256 MB at the screen's size (on an 8K screen the current one and one ahead), and hands one to
// the screen only after checking, on a worker, that its file has not changed since.
class ShowReader : public QObject {
    Q_OBJECT

public:
    explicit ShowReader(DiscReads reads, QObject* parent = nullptr);
    ~ShowReader() override;

    // The screen waits for `path` at `bound`: told by `arrived`.
    void awaitPicture(const QString& path, QSize bound);
    // The show enters `folder`: told by `folderArrived`, then `descriptionsArrived`.
    void awaitFolder(const QString& folder);
    enum class Wait { Nothing, Picture, Folder };
    Wait waiting() const { return wait_; }
    QString awaited() const { return awaited_; }

    // The pictures of `folder` as last listed, for a look ahead; when it has not been listed
    // yet, none, and the listing is asked for (`peeked` tells when it comes).
    std::optional<QStringList> peek(const QString& folder);

    // Keeps a picture decoded elsewhere, from the file as `stamp` describes it.
    void hold(const QString& path, QSize bound, const FileStamp& stamp,
              const platform::Picture& picture);
    static constexpr qsizetype kMaxWanted = 4;
    static constexpr qsizetype kMaxUnderWay = 8;
    static constexpr qint64 kHeldBytes = 256LL * 1024 * 1024;
    // Keeps only the pictures of `current` and of the first of `wanted` (four, or as many as
    // kHeldBytes allows pictures of `bound`) at `bound`, and
    // decodes those not held yet, `current` first, then `wanted` in its order, one after
    // another; a decode of another, or of a less wanted one, is called off (ended early when it
    // runs). Empty paths are passed over. Nothing is decoded ahead while the screen waits.
    void lookAhead(const QString& current, const QStringList& wanted, QSize bound);
    bool isHeld(const QString& path, QSize bound) const;
    // Drops every picture and calls off the decode ahead under way.
    void clear();

    // Off: nothing is held or decoded ahead; the screen's pictures are still read. On by default.
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }

    // For tests and measurements: whether a read for the screen or ahead is under way, which
    // pictures are held.
    bool busy() const { return !ahead_.isEmpty() || !screen_.isEmpty(); }
    QStringList heldPaths() const;
    // Whether descriptions are being read.
    bool describing() const { return !descriptionReads_.isEmpty(); }
    platform::Picture held(const QString& path) const;

Q_SIGNALS:
    // The picture the screen waits for: `why` tells why it could not be read, empty when it was.
    void arrived(const QString& path, const platform::Picture& picture, const QString& why);
    // The folder the show enters: its pictures, none when it is gone.
    void folderArrived(const QString& folder, const std::optional<QStringList>& pictures);
    void descriptionsArrived(const QString& folder, const show::Descriptions& descriptions);
    // A listing asked for by peek() has arrived.
    void peeked();
    // A picture decoded ahead has arrived; `why` tells why it could not be decoded, empty when
    // it was.
    void decoded(const QString& path, const QString& why);

private:
    struct Entry {
        QString path;
        QSize bound;
        FileStamp stamp;
        platform::Picture picture;
        QString why;          // when the picture could not be decoded
        bool settled = true;  // false: the file was being written; the picture is dropped
    };

    const Entry* heldEntry(const QString& path, QSize bound) const;
    // Reads `path` at `bound` on a worker: the held picture when its file is unchanged,
    // otherwise a fresh decode. Returns false when a read of that file is still under way.
    bool startRead(const QString& path, QSize bound, bool forScreen);
    void readDone(const Entry& entry, bool forScreen);
    void callOffAhead();
    // Whether another read may start: fewer than kMaxUnderWay are under way. Says so once on
    // stderr when the medium stops answering.
    bool answering();
    // Once a read has ended: the wait's own read, if it could not start, then the look ahead.
    void resume();
    // Decodes the most wanted picture not held; a less wanted decode under way gives way.
    void startNext();
    void startFolder(const QString& folder, bool peek);
    void startDescriptions(const QString& folder, const QStringList& pictures);

    DiscReads reads_;
    bool enabled_ = true;
    Wait wait_ = Wait::Nothing;
    QString awaited_;
    QSize awaitedBound_;

    QList<Entry> entries_;
    QString current_;
    QStringList wanted_;  // most wanted first
    QSize bound_;
    QStringList failed_;   // wanted ones that could not be decoded: not tried again this time
    bool silent_ = false;  // the medium does not answer: said once
    // The reads of pictures under way, by path, each with its call-off switch; those called off
    // stay until they end, so that a file is never read twice at once.
    QHash<QString, std::shared_ptr<std::atomic<bool>>> reading_;
    QString ahead_;     // the decode ahead under way; empty: none
    QString screen_;    // the read for the screen under way; empty: none
    QString settling_;  // the screen's picture, being written: read again when settle_ ends
    QTimer settle_;
    QStringList folderReads_;               // folders being listed
    QStringList descriptionReads_;          // folders whose descriptions are being read
    QHash<QString, QStringList> listings_;  // the last listing of each folder
};

}  // namespace show
