#include "show/MainForm.h"

#include "platform/MsgBox.h"
#include "platform/Screen.h"
#include "platform/Workers.h"
#include "windows/Open.h"

using platform::Screen;

namespace {

void styleInfoLabel(platform::Label& label, const QString& caption, float width) {
    // Menu-text black behind highlighted-text white, in the standard colour scheme.
    label.setColors(Qt::white, Qt::black);
    label.setFont(platform::formFont(QStringLiteral("MS Sans Serif"), 9.75));
    label.Move(0, 0, width, 240);
    label.setCaption(caption);
    label.setAutoSize(true);
}

// The longest the start-up may wait for the disc: a CD spinning up takes a few seconds.
constexpr int kStartupLimitMs = 30000;

}  // namespace

MainForm::MainForm() {
    setWindowFlag(Qt::FramelessWindowHint);
    setCaption(QStringLiteral("Lumosa"));
    QPalette background = palette();
    background.setColor(QPalette::Window, Qt::black);
    setPalette(background);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);

    Image2.setVisible(false);
    styleInfoLabel(lblInfo, QStringLiteral("Loading Image Details"), 2025);
    styleInfoLabel(lblInfo2, QStringLiteral("Press Escape or zero to Launch Control Panel"), 4080);
    // The caption line lies over the picture.
    lblInfo.widget()->raise();
    lblInfo2.widget()->raise();

    show_.setBound([this] { return pictureBound(); });
    connect(&show_, &show::Slideshow::pictureChanged, this,
            [this](const QString&, const platform::Picture& picture) {
                placePicture(picture);
                image1.setVisible(true);
            });
    connect(&show_, &show::Slideshow::captionChanged, this, &MainForm::placeCaption);
    // The folder selection's OK: the window hidden for it comes back.
    connect(&show_, &show::Slideshow::started, this, [this] {
        if (hiddenByProgram()) {
            Show();
        }
    });
    // A projector plugged in, or the resolution changed: the show follows the screen.
    Screen::onResize(this, [this] { followScreen(); });
}

void MainForm::Form_Load() {
    setWindowState(Maximized);
    image1.setTop(0);
    image1.setLeft(0);
    image1.setHeight(Screen::Height());
    image1.setWidth(Screen::Width());
    placeKeyHint();

    show::Slideshow::Start start;
    {
        // Read before the window is up; a disc that does not answer must not hold the program
        // for good.
        const platform::Deadline deadline(
            kStartupLimitMs,
            QStringLiteral("lumosa: the disc did not answer within %1 seconds; ending")
                .arg(kStartupLimitMs / 1000));
        start = show_.start();
    }
    if (!start.message.isEmpty()) {
        endWithMessage(start.message);
    } else if (!start.chooseFrom.isEmpty()) {
        OpenFolderSelection(start.chooseFrom);
    }
}

void MainForm::placeKeyHint() {
    const float width = Screen::Width();
    const float height = Screen::Height();
    lblInfo.setLeft((width - lblInfo.Width()) / 2);
    lblInfo.setTop(height / 2 - lblInfo.Height() - 50);
    lblInfo2.setLeft((width - lblInfo2.Width()) / 2);
    lblInfo2.setTop(height / 2 + lblInfo2.Height() + 50);
}

void MainForm::Form_QueryUnload(bool& cancel, UnloadMode mode) {
    // Closed from outside (the window manager's close): without its show window the program
    // would go on running unseen, holding the disc.
    if (mode == FormControlMenu) {
        cancel = true;
        platform::End();
    }
}

void MainForm::endWithMessage(const QString& message) {
    // No tick may run behind the message: nothing has been loaded to show.
    show_.pauseShow();
    platform::MsgBox(message);
    platform::End();
}

void MainForm::OpenFolderSelection(const QStringList& folders) {
    Hide();
    windows::openFolderSelection(folders);
}

void MainForm::OpenControlPanel() {
    windows::openControlPanel();
}

void MainForm::Form_KeyPress(int& KeyAscii) {
    switch (KeyAscii) {
        case 27:
        case '0':
            OpenControlPanel();
            break;
        case '+':
            showSpeed(QStringLiteral("Faster"));
            break;
        case '-':
            showSpeed(QStringLiteral("Slower"));
            break;
        case '2':
            JumpTo(QStringLiteral("First"));
            break;
        case '4':
            JumpTo(QStringLiteral("Prev"));
            break;
        case '5':
            ShowStartStop();
            break;
        case '6':
            JumpTo(QStringLiteral("Next"));
            break;
        case '8':
            JumpTo(QStringLiteral("Last"));
            break;
        default:
            break;
    }
}
