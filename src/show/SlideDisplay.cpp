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
    const QSize bound = pictureBound();
    // A key moves the show at once and its picture follows once decoded, unless a later key
    // moved on meanwhile: keys pressed faster than pictures decode never queue up behind them.
    if (keyMove_ && Ahead.enabled() && !Ahead.isHeld(CurrentImagePath, bound)) {
        awaited_ = CurrentImagePath;
        lookAheadFromHere();
        return;
    }
    awaited_.clear();
    showPicture(CurrentImagePath, loadForShow(CurrentImagePath));
}

void MainForm::pictureDecoded(const QString& path, const QString& why) {
    if (path != awaited_) {
        return;  // decoded ahead, or no longer wanted on the screen
    }
    awaited_.clear();
    if (!why.isEmpty()) {
        // The previous picture and caption stay; the show goes on at the next tick.
        platform::reportCannotShow(path, why);
        lookAheadFromHere();
        return;
    }
    showPicture(path, loadForShow(path));
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

platform::Picture MainForm::loadForShow(const QString& path) {
    const QSize bound = pictureBound();
    platform::Picture picture = Ahead.ready(path, bound);
    if (picture.isNull()) {
        const show::FileStamp stamp = show::FileStamp::of(path);
        QString why;
        picture = platform::LoadPicture(path, bound, &why);
        if (picture.isNull()) {
            // The previous picture and caption stay; the show goes on at the next tick.
            platform::reportCannotShow(path, why);
            return {};
        }
        Ahead.hold(path, bound, stamp, picture);
    }
    return picture;
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
    // The picture on the screen, decoded again for the new size; its caption keeps its text.
    const bool captioned = lblInfo.Visible();
    const platform::Picture picture = loadForShow(shownPath_);
    if (picture.isNull()) {
        return;
    }
    placePicture(picture);
    if (captioned) {
        placeCaption();
    }
    image1.setVisible(true);
    lookAheadFromHere();
}

QStringList MainForm::aheadPaths() {
    const show::Position at{lbDirs.ListIndex(), flbImageList.ListIndex()};
    const auto pathAfter = [&](const QString& move) -> QString {
        const show::ShowOrder::Step step =
            show::ShowOrder::step(at, lbDirs.ListCount(), flbImageList.ListCount(), move);
        if (step.entersFolder) {
            // Listed as JumpTo will list it, kept for that visit. A folder gone meanwhile
            // leaves JumpTo in the current one.
            const QString folder = lbDirs.List(step.to.folder);
            if (FileSystem.FolderExists(folder)) {
                const QString path = FileSystem.GetAbsolutePathName(folder);
                const QStringList pictures = Order.peek(path);
                return pictures.isEmpty() ? QString() : path + QLatin1Char('/') + pictures.first();
            }
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
    const QString current = !awaited_.isEmpty()              ? awaited_
                            : shownPath_ == CurrentImagePath ? CurrentImagePath
                                                             : QString();
    Ahead.lookAhead(current, aheadPaths(), pictureBound());
}

QSize MainForm::pictureBound() const {
    // Decoded no larger than it can be drawn: at most the window's size in device pixels.
    const qreal ratio = devicePixelRatioF();
    return {qRound(platform::toPixels(Width()) * ratio),
            qRound(platform::toPixels(Height()) * ratio)};
}
