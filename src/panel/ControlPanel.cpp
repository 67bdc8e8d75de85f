#include "panel/ControlPanel.h"

#include "platform/Screen.h"
#include "show/Slideshow.h"

using platform::Forms;

namespace {

void placeButton(platform::Image& button, const QString& picture, float left,
                 const QString& toolTip) {
    button.setPicture(platform::ResourcePicture(QStringLiteral(":/buttons/") + picture));
    button.Move(left, 120, 525, 525);
    button.setToolTipText(toolTip);
    button.setMouseIcon(platform::remotePointer());
}

void placeCommand(platform::CommandButton& button, float left, const QString& toolTip) {
    button.Move(left, 720, 975, 375);
    button.setToolTipText(toolTip);
}

}  // namespace

ControlPanel::ControlPanel() {
    // A tool window: small title bar, not in the task bar, above the full-screen show.
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setCaption(QStringLiteral("Lumosa Control Panel"));
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::white);
    setPalette(background);
    setAutoFillBackground(true);

    placeButton(iPause, QStringLiteral("pause.gif"), 120, QStringLiteral("Pause"));
    placeButton(iPlay, QStringLiteral("next.gif"), 120, QStringLiteral("Play"));
    iPlay.setVisible(false);
    placeButton(iSlower, QStringLiteral("slower.gif"), 840, QStringLiteral("Decrease Show Speed"));
    placeButton(iFirst, QStringLiteral("first.gif"), 1440, QStringLiteral("Go To First Picture"));
    placeButton(iPrev, QStringLiteral("prev.gif"), 2040, QStringLiteral("Previous"));
    placeButton(iNext, QStringLiteral("next.gif"), 2640, QStringLiteral("Next"));
    placeButton(iLast, QStringLiteral("last.gif"), 3240, QStringLiteral("Go To Last Picture"));
    placeButton(iFaster, QStringLiteral("faster.gif"), 3840,
                QStringLiteral("Increase Display Speed"));
    placeCommand(cbClose, 120, QStringLiteral("Close Control Panel"));
    placeCommand(cbThumbs, 1200, QStringLiteral("Display Screen of Thumbnails"));
    placeCommand(cbAbout, 2280, QStringLiteral("Display Information About Lumosa"));
    placeCommand(cbExit, 3360, QStringLiteral("Exit Lumosa"));
    setTabOrder(cbClose.widget(), cbThumbs.widget());
    setTabOrder(cbThumbs.widget(), cbAbout.widget());
    setTabOrder(cbAbout.widget(), cbExit.widget());

    setClientSize(4500, 1215);
    setFixedSize(size());
    centreOnScreen();

    // The screen changed size under the show: the panel keeps to its corner.
    platform::Screen::onResize(this, [this] { placeInCorner(); });
}

void ControlPanel::Form_Activate() {
    placeInCorner();
    showPlayOrPause();
}

void ControlPanel::placeInCorner() {
    setTop(platform::Screen::Height() - Height() - 150);
    setLeft(platform::Screen::Width() - Width() - 100);
}

void ControlPanel::showPlayOrPause() {
    const bool running = show::Slideshow::current()->running();
    iPause.setVisible(running);
    iPlay.setVisible(!running);
}

void ControlPanel::TogglePlayPause() {
    show::Slideshow::current()->ShowStartStop();
    showPlayOrPause();
}

void ControlPanel::iFirst_Click() {
    show::Slideshow::current()->JumpTo(QStringLiteral("First"));
}

void ControlPanel::iPrev_Click() {
    show::Slideshow::current()->JumpTo(QStringLiteral("Prev"));
}

void ControlPanel::iNext_Click() {
    show::Slideshow::current()->JumpTo(QStringLiteral("Next"));
}

void ControlPanel::iLast_Click() {
    show::Slideshow::current()->JumpTo(QStringLiteral("Last"));
}

void ControlPanel::iFaster_Click() {
    show::Slideshow::current()->showSpeed(QStringLiteral("Faster"));
}

void ControlPanel::iSlower_Click() {
    show::Slideshow::current()->showSpeed(QStringLiteral("Slower"));
}

void ControlPanel::cbClose_Click() {
    Forms::Unload(*this);
}

void ControlPanel::cbThumbs_Click() {
    Q_EMIT thumbnailsAsked();
    Forms::Unload(*this);
}

void ControlPanel::cbAbout_Click() {
    Q_EMIT aboutAsked();
    Forms::Unload(*this);
}

void ControlPanel::cbExit_Click() {
    platform::End();
}
