#include "show/ShowReader.h"

#include <QFuture>
#include <QScopeGuard>
#include <QTextStream>

#include <algorithm>

#include "platform/NativeNames.h"
#include "platform/Workers.h"

namespace show {

FileStamp FileStamp::of(const QString& path) {
    const platform::FileStatus status = platform::fileStatus(path);
    return {status.size, status.modified, status.changed};
}

ShowReader::ShowReader(DiscReads reads, QObject* parent)
    : QObject(parent), reads_(std::move(reads)) {
    settle_.setSingleShot(true);
    settle_.setTimerType(Qt::PreciseTimer);  // not early: the file must have had its time
    settle_.setInterval(int(FileStamp::kSettledMs));
    connect(&settle_, &QTimer::timeout, this, [this] {
        settling_.clear();
        resume();
    });
}

ShowReader::~ShowReader() {
    // Reads under way are not waited for: each owns what it touches, its answer goes nowhere
    // once this object is gone, and one stuck on the medium ends with the process.
    for (const auto& abort : std::as_const(reading_)) {
        abort->store(true);
    }
}

void ShowReader::awaitPicture(const QString& path, QSize bound) {
    wait_ = Wait::Picture;
    awaited_ = path;
    awaitedBound_ = bound;
    if (!screen_.isEmpty() && screen_ != path) {
        reading_.value(screen_)->store(true);  // no longer wanted on the screen
        screen_.clear();
    }
    if (screen_ == path || settling_ == path) {
        return;  // already being read for the screen, or read again once it has settled
    }
    if (ahead_ == path && bound == bound_) {
        screen_ = std::exchange(ahead_, {});  // decoded ahead as we speak: its answer serves
        return;
    }
    // The screen comes first: a decode ahead gives way, unless the picture is held and only
    // its file is checked.
    if (!isHeld(path, bound)) {
        callOffAhead();
    }
    if (startRead(path, bound, true)) {
        screen_ = path;
    }
    // Otherwise a read of the file called off earlier is still under way (stuck on the
    // medium, or winding down), or the medium does not answer: the screen waits for a read to
    // end, then reads afresh.
}

void ShowReader::awaitFolder(const QString& folder) {
    if (!screen_.isEmpty()) {
        reading_.value(screen_)->store(true);
        screen_.clear();
    }
    wait_ = Wait::Folder;
    awaited_ = folder;
    // A listing under way (for a look ahead) serves the visit too.
    if (!folderReads_.contains(folder)) {
        startFolder(folder, false);
    }
}

std::optional<QStringList> ShowReader::peek(const QString& folder) {
    if (listings_.contains(folder)) {
        return listings_.value(folder);
    }
    if (!folderReads_.contains(folder)) {
        // Listed for the look ahead: the visit that follows takes this listing.
        startFolder(folder, true);
    }
    return std::nullopt;
}

void ShowReader::startFolder(const QString& folder, bool peek) {
    if (!answering()) {
        return;
    }
    folderReads_.append(folder);
    const auto read = reads_.folder;
    platform::runDetached<std::optional<QStringList>>(
        this, [read, folder, peek] { return read(folder, peek); },
        [this, folder, peek](const std::optional<QStringList>& pictures) {
            folderReads_.removeOne(folder);
            const auto then = qScopeGuard([this] { resume(); });
            listings_.insert(folder, pictures.value_or(QStringList()));
            if (wait_ != Wait::Folder || awaited_ != folder) {
                if (peek) {
                    Q_EMIT peeked();
                }
                return;  // the show went elsewhere meanwhile
            }
            wait_ = Wait::Nothing;
            awaited_.clear();
            if (pictures) {
                // Read after the listing, and apart: a description file that does not answer
                // leaves the captions without descriptions, never the show without pictures.
                startDescriptions(folder, *pictures);
            }
            Q_EMIT folderArrived(folder, pictures);
        });
}

void ShowReader::startDescriptions(const QString& folder, const QStringList& pictures) {
    if (descriptionReads_.contains(folder) || !answering()) {
        return;  // an earlier read still under way answers, or none: no descriptions
    }
    descriptionReads_.append(folder);
    const auto read = reads_.descriptions;
    platform::runDetached<Descriptions>(
        this, [read, folder, pictures] { return read(folder, pictures); },
        [this, folder](const Descriptions& descriptions) {
            descriptionReads_.removeOne(folder);
            Q_EMIT descriptionsArrived(folder, descriptions);
            resume();
        });
}

void ShowReader::hold(const QString& path, QSize bound, const FileStamp& stamp,
                      const platform::Picture& picture) {
    if (!enabled_ || picture.isNull()) {
        return;
    }
    entries_.removeIf([&](const Entry& e) { return e.path == path; });
    entries_.append({path, bound, stamp, picture, {}});
}

void ShowReader::lookAhead(const QString& current, const QStringList& wanted, QSize bound) {
    if (!enabled_) {
        return;
    }
    // As many as fit beside the current one in kHeldBytes, each as large as the screen (at 8K,
    // one), and at least one.
    const qint64 each = qint64(bound.width()) * bound.height() * 4;
    const qsizetype most =
        each > 0 ? std::clamp<qsizetype>(kHeldBytes / each - 1, 1, kMaxWanted) : kMaxWanted;
    wanted_.clear();
    for (const QString& path : wanted) {
        if (!path.isEmpty() && path != current && !wanted_.contains(path) &&
            wanted_.size() < most) {
            wanted_.append(path);
        }
    }
    current_ = current;
    bound_ = bound;
    failed_.clear();
    entries_.removeIf([&](const Entry& e) {
        return e.bound != bound || (e.path != current && !wanted_.contains(e.path));
    });
    // A decode that no longer lies ahead is called off.
    if (!ahead_.isEmpty() && ahead_ != current && !wanted_.contains(ahead_)) {
        callOffAhead();
    }
    startNext();
}

const ShowReader::Entry* ShowReader::heldEntry(const QString& path, QSize bound) const {
    for (const Entry& entry : entries_) {
        if (entry.path == path && entry.bound == bound) {
            return &entry;
        }
    }
    return nullptr;
}

bool ShowReader::isHeld(const QString& path, QSize bound) const {
    return heldEntry(path, bound) != nullptr;
}

void ShowReader::startNext() {
    if (!screen_.isEmpty() || wait_ != Wait::Nothing || !enabled_) {
        return;
    }
    // A file whose read is under way, other than the decode ahead, is passed over: one called
    // off is winding down (its end asks again), one stuck on the medium may never end.
    const QStringList candidates = QStringList{current_} + wanted_;
    const auto next =
        std::find_if(candidates.cbegin(), candidates.cend(), [&](const QString& path) {
            return !path.isEmpty() && !isHeld(path, bound_) && !failed_.contains(path) &&
                   (!reading_.contains(path) || path == ahead_);
        });
    const QString most = next != candidates.cend() ? *next : QString();
    if (ahead_ == most) {
        return;  // under way, or nothing to decode
    }
    // A more wanted picture has overtaken the one being decoded (the show moved on while the
    // folder's last was read): it gives way, so that the next one never waits behind it.
    callOffAhead();
    if (!most.isEmpty() && startRead(most, bound_, false)) {
        ahead_ = most;
    }
}

bool ShowReader::answering() {
    const bool answers =
        reading_.size() + folderReads_.size() + descriptionReads_.size() < kMaxUnderWay;
    if (!answers && !silent_) {
        QTextStream(stderr) << "lumosa: the disc does not answer (" << kMaxUnderWay
                            << " reads wait on it): the show stays on what it has until it does"
                            << Qt::endl;
    }
    silent_ = !answers;
    return answers;
}

void ShowReader::resume() {
    if (wait_ == Wait::Picture && screen_.isEmpty() && settling_ != awaited_ &&
        startRead(awaited_, awaitedBound_, true)) {
        screen_ = awaited_;
    } else if (wait_ == Wait::Folder && !folderReads_.contains(awaited_)) {
        startFolder(awaited_, false);
    }
    startNext();
}

bool ShowReader::startRead(const QString& path, QSize bound, bool forScreen) {
    if (reading_.contains(path) || !answering()) {
        return false;
    }
    auto abort = std::make_shared<std::atomic<bool>>(false);
    reading_.insert(path, abort);
    const Entry* held = forScreen ? heldEntry(path, bound) : nullptr;
    const Entry known = held ? *held : Entry{path, bound, {}, {}, {}};
    const DiscReads reads = reads_;
    platform::runDetached<Entry>(
        this,
        [reads, known, abort] {
            Entry entry = known;
            // Stamped before reading: a file written meanwhile no longer matches its stamp.
            entry.stamp = reads.stamp(entry.path);
            if (!entry.picture.isNull() && entry.stamp.size >= 0 && entry.stamp == known.stamp) {
                return entry;
            }
            entry.picture = reads.picture(entry.path, entry.bound, &entry.why, abort.get());
            entry.settled = reads.stamp(entry.path) == entry.stamp &&
                            !entry.stamp.writtenAround(QDateTime::currentDateTimeUtc());
            if (!entry.settled) {
                entry.picture = {};
                entry.why = QStringLiteral("it is being written");
            }
            return entry;
        },
        [this, forScreen](const Entry& entry) { readDone(entry, forScreen); });
    return true;
}

void ShowReader::readDone(const Entry& entry, bool forScreen) {
    reading_.remove(entry.path);
    const bool forTheScreen = forScreen ? screen_ == entry.path : false;
    const bool adopted = !forScreen && screen_ == entry.path;
    const bool ahead = !forScreen && ahead_ == entry.path;
    if (ahead) {
        ahead_.clear();
    }
    if (forTheScreen || adopted) {
        screen_.clear();
    }
    const bool wanted = forTheScreen || adopted || ahead;
    if (!entry.settled && (forTheScreen || adopted)) {
        settling_ = entry.path;  // the screen goes on waiting for it, and the show at its tick
        settle_.start();
    } else if (wanted && !entry.picture.isNull()) {
        hold(entry.path, entry.bound, entry.stamp, entry.picture);
    } else if (ahead) {
        // Not kept: showing it reads the file again and fails, or succeeds, exactly as it
        // would have without this.
        failed_.append(entry.path);
    }
    if (!forScreen && (ahead || adopted)) {
        Q_EMIT decoded(entry.path, entry.why);
    }
    if (wait_ == Wait::Picture && awaited_ == entry.path && (forTheScreen || adopted) &&
        entry.settled) {
        wait_ = Wait::Nothing;
        awaited_.clear();
        Q_EMIT arrived(entry.path, entry.picture, entry.why);
    }
    resume();
}

void ShowReader::callOffAhead() {
    if (!ahead_.isEmpty()) {
        // A decode already running ends early: the worker is wanted for another picture.
        reading_.value(ahead_)->store(true);
        ahead_.clear();
    }
}

void ShowReader::clear() {
    callOffAhead();
    entries_.clear();
}

void ShowReader::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) {
        clear();
    }
}

QStringList ShowReader::heldPaths() const {
    QStringList paths;
    for (const Entry& entry : entries_) {
        paths.append(entry.path);
    }
    return paths;
}

platform::Picture ShowReader::held(const QString& path) const {
    for (const Entry& entry : entries_) {
        if (entry.path == path) {
            return entry.picture;
        }
    }
    return {};
}

}  // namespace show
