// Puts the show's picture on the screen, fitted, centred and captioned.

#include "platform/Picture.h"
#include "platform/Twips.h"
#include "show/Fit.h"
#include "show/MainForm.h"

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

void MainForm::placeCaption(const QString& caption) {
    lblInfo.setCaption(caption);
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
    if (show_.shownImagePath().isEmpty()) {
        placeKeyHint();  // nothing shown yet: the start-up texts stay in the middle
        return;
    }
    show_.refit();
}

QSize MainForm::pictureBound() const {
    // Decoded no larger than it can be drawn: at most the window's size in device pixels.
    const qreal ratio = devicePixelRatioF();
    return {qRound(platform::toPixels(Width()) * ratio),
            qRound(platform::toPixels(Height()) * ratio)};
}
