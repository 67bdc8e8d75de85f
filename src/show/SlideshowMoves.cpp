// Moving between pictures and folders, the show timer and its speed, and the pictures read for
// the screen and ahead of it.
#include "platform/Picture.h"
#include "show/Slideshow.h"

namespace show {

void Slideshow::JumpTo(const QVariant& Where) {
    if (Reader.waiting() == ShowReader::Wait::Folder) {
        // The folder the show enters is being listed: the move is made from there, once it is.
        deferredMove_ = Where;
        return;
    }
    const ShowOrder::Step step =
        ShowOrder::step(position(), int(folders_.size()), flbImageList.ListCount(), Where);
    movedBack_ = Where.typeId() == QMetaType::QString && Where.toString() == QLatin1String("Prev");
    if (step.entersFolder) {
        entering_ = step;
        display_directory(folders_.at(step.to.folder));
        return;
    }
    // Ignored when the folder holds no picture (it may have vanished).
    flbImageList.setListIndex(step.to.picture);
    ShowCurrentImage();
}

void Slideshow::Timer1_Timer() {
    // A tick while a folder is listed is dropped: the show moves on when it comes. A tick while
    // a picture is read moves on past it, so that a picture that does not come holds nothing.
    if (Reader.waiting() != ShowReader::Wait::Folder) {
        JumpTo(QStringLiteral("Next"));
    }
    if (DelayPending) {
        Timer1.setInterval(ShowDelay);
        DelayPending = false;
    }
}

void Slideshow::showSpeed(const QString& ChangeSpeed) {
    const int interval = Timer1.Interval();
    if (ChangeSpeed == QLatin1String("Faster")) {
        // Half the interval, rounded to the nearest millisecond, halves to even.
        int half = interval / 2;
        if (interval % 2 == 1 && half % 2 == 1) {
            ++half;
        }
        Timer1.setInterval(half);
    } else {
        // The timer holds no more than its largest interval.
        Timer1.setInterval(std::min(interval * 2, platform::Timer::kMaxInterval));
    }
}

void Slideshow::ShowStartStop() {
    Timer1.setEnabled(!Timer1.Enabled());
}

bool Slideshow::pauseShow() {
    const bool wasRunning = Timer1.Enabled();
    Timer1.setEnabled(false);
    return wasRunning;
}

void Slideshow::resumeShow(bool wasRunning) {
    Timer1.setEnabled(wasRunning);
}

void Slideshow::ShowCurrentImage() {
    if (flbImageList.ListIndex() < 0) {
        // An empty folder (it may have vanished under the show): nothing to show.
        return;
    }
    CurrentImagePath = flbImageList.FullPath(flbImageList.ListIndex());
    // The show moves at once and its picture follows when it has been read, unless the show
    // moved on meanwhile: the window never waits for the disc, and moves faster than pictures
    // decode never queue up behind them.
    Reader.awaitPicture(CurrentImagePath, bound_());
    lookAheadFromHere();
}

void Slideshow::pictureArrived(const QString& path, const platform::Picture& picture,
                               const QString& why) {
    // A whole delay for the picture from when it comes, not from the move.
    if (Timer1.Enabled()) {
        Timer1.setInterval(Timer1.Interval());
    }
    if (!why.isEmpty()) {
        // The previous picture and caption stay; the show goes on at the next tick.
        platform::reportCannotShow(path, why);
    } else if (!picture.isNull()) {
        shownPath_ = path;
        Q_EMIT pictureChanged(path, picture);
        tellCaption();
    }
    // The pictures the show may turn to next are decoded while this one is on the screen.
    lookAheadFromHere();
}

void Slideshow::refit() {
    // Unless the show waits for another picture.
    if (!shownPath_.isEmpty() && !waiting()) {
        Reader.awaitPicture(shownPath_, bound_());
        lookAheadFromHere();
    }
}

QStringList Slideshow::aheadPaths() {
    const Position at = position();
    const auto pathAfter = [&](const QString& move) -> QString {
        const ShowOrder::Step step =
            ShowOrder::step(at, int(folders_.size()), flbImageList.ListCount(), move);
        if (step.entersFolder) {
            // Listed as JumpTo will list it, kept for that visit, on a worker: once the listing
            // comes, the look ahead is made again.
            const QString path = FileSystem.GetAbsolutePathName(folders_.at(step.to.folder));
            const std::optional<QStringList> pictures = Reader.peek(path);
            return !pictures || pictures->isEmpty() ? QString()
                                                    : path + QLatin1Char('/') + pictures->first();
        }
        return flbImageList.FullPath(step.to.picture);
    };
    // The way the show last moved first, then the other way, then keys 2 and 8.
    const QString next = pathAfter(QStringLiteral("Next"));
    const QString previous = pathAfter(QStringLiteral("Prev"));
    return {movedBack_ ? previous : next, movedBack_ ? next : previous,
            pathAfter(QStringLiteral("First")), pathAfter(QStringLiteral("Last"))};
}

void Slideshow::lookAheadFromHere() {
    // The current picture is kept, or decoded first while the screen waits for it; one that
    // could not be loaded is not read again for nothing.
    const QString current = Reader.waiting() == ShowReader::Wait::Picture ? Reader.awaited()
                            : shownPath_ == CurrentImagePath              ? CurrentImagePath
                                                                          : QString();
    Reader.lookAhead(current, aheadPaths(), bound_());
}

}  // namespace show
