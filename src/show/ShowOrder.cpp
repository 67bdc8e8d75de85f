#include "show/ShowOrder.h"

namespace show {

ShowOrder::Step ShowOrder::step(Position from, int folders, int pictures, const QVariant& where) {
    const QString word = where.typeId() == QMetaType::QString ? where.toString() : QString();
    Step step{from, false};
    if (word == QLatin1String("Next")) {
        step.to.picture = from.picture + 1;
        if (step.to.picture >= pictures) {
            step.to.picture = 0;
            // With one folder it is not opened again; with none there is nowhere to go.
            if (folders > 1) {
                step.to.folder = from.folder >= folders - 1 ? 0 : from.folder + 1;
                step.entersFolder = true;
            }
        }
    } else if (word == QLatin1String("Prev")) {
        step.to.picture = from.picture - 1 < 0 ? pictures - 1 : from.picture - 1;
    } else if (word == QLatin1String("First")) {
        step.to.picture = 0;
    } else if (word == QLatin1String("Last")) {
        step.to.picture = pictures - 1;
    } else {
        bool isNumber = false;
        const int index = where.toInt(&isNumber);
        if (isNumber && index >= 0 && index <= pictures - 1) {
            step.to.picture = index;
        }
    }
    return step;
}

bool ShowOrder::peekHolds(const QString& folder) const {
    if (folder != peekedFolder_ || peekedStamp_.size < 0) {
        return false;
    }
    const FileStamp now = FileStamp::of(folder);
    // A change within the step of the folder's time leaves its stamp as it was: a listing is
    // trusted only for a folder last changed well before it was made.
    return now == peekedStamp_ && now.modified.isValid() &&
           now.modified.msecsTo(peekedAt_) > FileStamp::kSettledMs;
}

QStringList ShowOrder::enter(const QString& folder) {
    const QMutexLocker lock(&mutex_);
    if (peekHolds(folder)) {
        peekedFolder_.clear();
        return std::exchange(peeked_, {});
    }
    peekedFolder_.clear();
    peeked_.clear();
    return lister_(folder);
}

QStringList ShowOrder::peek(const QString& folder) {
    const QMutexLocker lock(&mutex_);
    if (!peekHolds(folder)) {
        // Stamped before listing: a change meanwhile leaves a stamp that no longer matches.
        peekedStamp_ = FileStamp::of(folder);
        peekedAt_ = QDateTime::currentDateTimeUtc();
        peeked_ = lister_(folder);
        peekedFolder_ = folder;
    }
    return peeked_;
}

}  // namespace show
