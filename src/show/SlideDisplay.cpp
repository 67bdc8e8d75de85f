// Puts the current picture of the show on the screen, fitted, centred and captioned, and names
// the pictures to decode ahead of it.

#include "platform/TextDecoding.h"
#include "platform/Twips.h"
#include "show/Fit.h"
#include "show/MainForm.h"

void MainForm::ShowCurrentImage() {
    if (flbImageList.ListIndex() < 0) {
        // An empty folder (it may have vanished under the show): nothing to show.
        return;
    }
    CurrentImagePath = flbImageList.FullPath(flbImageList.ListIndex());
    // The show moves at once and its picture follows when it has been read, unless the show
    // moved on meanwhile: the window never waits for the disc, and moves faster than pictures
    // decode never queue up behind them.
    Reader.awaitPicture(CurrentImagePath, pictureBound());
    lookAheadFromHere();
}

void MainForm::pictureArrived(const QString& path, const platform::Picture& picture,
                              const QString& why) {
    // A whole delay for the picture from when it comes, not from the move.
    if (Timer1.Enabled()) {
        Timer1.setInterval(Timer1.Interval());
    }
    if (!why.isEmpty()) {
        // The previous picture and caption stay; the show goes on at the next tick.
        platform::reportCannotShow(path, why);
        lookAheadFromHere();
        return;
    }
    showPicture(path, picture);
}

void MainForm::showPicture(const QString& path, const platform::Picture& picture) {
    if (!picture.isNull()) {
        shownPath_ = path;
        placePicture(picture);
        if (ShowText) {
            const QString fileName = path.section(QLatin1Char('/'), -1);
            const QString name = platform::singleLine(fileName);
            const QString description = platform::singleLine(GetImageDesc(fileName));
            if (description.isEmpty()) {
                lblInfo.setCaption(QStringLiteral("  ") + name + QStringLiteral("  "));
            } else {
                lblInfo.setCaption(QStringLiteral("  ") + name + QStringLiteral("  -  ") +
                                   description);
            }
            placeCaption();
        }
        image1.setVisible(true);
    }
    // The pictures the show may turn to next are decoded while this one is on the screen.
    lookAheadFromHere();
}

void MainForm::placePicture(const platform::Picture& picture) {
    Image2.setPicture(picture);

    image1.setVisible(false);
    lblInfo.setVisible(false);
    lblInfo2.setVisible(false);

    image1.setHeight(Image2.Height());
    image1.setWidth(show::naturalWidthAtHeight(Image2.Width(), Image2.Height(), image1.Height()));

    // A minimized window cannot take a size; it keeps the one it will be restored to.
    if (WindowState() == Normal) {
        setHeight(image1.Height());
        setWidth(image1.Width());
    }
    const show::Placement placement =
        show::fitAndCentre(image1.Width(), image1.Height(), Width(), Height());
    image1.setWidth(placement.width);
    image1.setHeight(placement.height);
    image1.setTop(placement.top);
    image1.setLeft(placement.left);
    image1.setPicture(Image2.picture());
}

void MainForm::placeCaption() {
    lblInfo.setTop(Height() - 500);
    // Centred where it fits; otherwise from the screen's left edge, its start (the file name)
    // kept and its end cut with an ellipsis at the right edge.
    lblInfo.fitWithin(Width());
    lblInfo.setLeft((Width() - lblInfo.Width()) / 2);
    lblInfo.setVisible(true);
}

void MainForm::followScreen() {
    if (WindowState() != Maximized) {
        return;
    }
    setWindowState(Maximized);
    if (shownPath_.isEmpty()) {
        placeKeyHint();  // nothing shown yet: the start-up texts stay in the middle
        return;
    }
    // The picture on the screen, read again for the new size, unless the show waits for
    // another.
    if (!waiting()) {
        Reader.awaitPicture(shownPath_, pictureBound());
        lookAheadFromHere();
    }
}

QStringList MainForm::aheadPaths() {
    const show::Position at{lbDirs.ListIndex(), flbImageList.ListIndex()};
    const auto pathAfter = [&](const QString& move) -> QString {
        const show::ShowOrder::Step step =
            show::ShowOrder::step(at, lbDirs.ListCount(), flbImageList.ListCount(), move);
        if (step.entersFolder) {
            // Listed as JumpTo will list it, kept for that visit, on a worker: once the listing
            // comes, the look ahead is made again.
            const QString path = FileSystem.GetAbsolutePathName(lbDirs.List(step.to.folder));
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

void MainForm::lookAheadFromHere() {
    // The current picture is kept, or decoded first while the screen waits for it; one that
    // could not be loaded is not read again for nothing.
    const QString current = Reader.waiting() == show::ShowReader::Wait::Picture ? Reader.awaited()
                            : shownPath_ == CurrentImagePath                    ? CurrentImagePath
                                                                                : QString();
    Reader.lookAhead(current, aheadPaths(), pictureBound());
}

QSize MainForm::pictureBound() const {
    // Decoded no larger than it can be drawn: at most the window's size in device pixels.
    const qreal ratio = devicePixelRatioF();
    return {qRound(platform::toPixels(Width()) * ratio),
            qRound(platform::toPixels(Height()) * ratio)};
}
