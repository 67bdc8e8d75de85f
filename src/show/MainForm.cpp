#include "show/MainForm.h"

#include "folders/frmDirectories.h"
#include "panel/ControlPanel.h"
#include "platform/MsgBox.h"
#include "platform/Screen.h"
#include "show/Delay.h"
#include "show/DiscFiles.h"

using platform::Forms;
using platform::Screen;

namespace {

#ifdef Q_OS_WIN
const QString kProgramFile = QStringLiteral("lumosa.exe");
#else
const QString kProgramFile = QStringLiteral("lumosa");
#endif

void styleInfoLabel(platform::Label& label, const QString& caption, float width) {
    // Menu-text black behind highlighted-text white, in the standard colour scheme.
    label.setColors(Qt::white, Qt::black);
    label.setFont(platform::formFont(QStringLiteral("MS Sans Serif"), 9.75));
    label.Move(0, 0, width, 240);
    label.setCaption(caption);
    label.setAutoSize(true);
}

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
    lbDirs.setVisible(false);

    connect(&Ahead, &show::DecodeAhead::decoded, this, &MainForm::pictureDecoded);
    // A projector plugged in, or the resolution changed: the show follows the screen.
    Screen::onResize(this, [this] { followScreen(); });
}

void MainForm::Form_Load() {
    setWindowState(Maximized);
    image1.setTop(0);
    image1.setLeft(0);
    image1.setHeight(Screen::Height());
    image1.setWidth(Screen::Width());
    ImageListLast = -1;
    DelayPending = true;

    placeKeyHint();

    ShowDelay = show::kDefaultDelay;
    ShowFolders = false;
    ShowText = true;
    readSettings();

    if (!FileSystem.FileExists(kProgramFile)) {
        endWithMessage(QStringLiteral("Viewer NOT Found"));
        return;
    }
    dlb1.setPath(FileSystem.GetParentFolderName(FileSystem.GetAbsolutePathName(kProgramFile)));

    int count = 0;
    for (int i = 0; i < dlb1.ListCount(); ++i) {
        if (isPictureFolder(dlb1.List(i))) {
            ++count;
        }
    }

    // The folders are tested afresh, so one that vanished since the count is left out.
    QStringList folders;
    for (int i = 0; count > 0 && i < dlb1.ListCount(); ++i) {
        if (isPictureFolder(dlb1.List(i))) {
            folders.append(dlb1.List(i));
        }
    }
    if (folders.isEmpty()) {
        endWithMessage(QStringLiteral("No folders containing images exist in this location."));
        return;
    }

    if (count > 1 && ShowFolders) {
        Timer1.setEnabled(false);
        for (const QString& thisDirectory : folders) {
            Forms::get<frmDirectories>().List1.AddItem(thisDirectory);
        }
        OpenFolderSelection();
        return;
    }

    if (count == 1) {
        Timer1.setEnabled(true);
    }
    for (const QString& thisDirectory : folders) {
        lbDirs.AddItem(thisDirectory);
    }
    if (count == 1) {
        lbDirs.setSelected(0, true);
    } else {
        lbDirs.setListIndex(0);
    }
    display_directory(lbDirs.List(0));
    // The first tick shows the first picture: it can be decoded while the tick is awaited.
    Ahead.lookAhead(QString(), aheadPaths(), pictureBound());
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
    Timer1.setEnabled(false);
    platform::MsgBox(message);
    platform::End();
}

bool MainForm::isPictureFolder(const QString& path) {
    const QString name = path.section(QLatin1Char('/'), -1);
    return !name.startsWith(QLatin1Char('_')) && DirectoryImageCount(path) > 0;
}

void MainForm::readSettings() {
    const QString settingsFile =
        FileSystem.FindFile(QStringLiteral("."), QStringLiteral("autorun.inf"));
    if (settingsFile.isEmpty()) {
        return;
    }
    platform::TextStream stream = FileSystem.OpenTextFile(settingsFile);
    const show::Settings settings = show::ReadSettings(stream);
    if (settings.delay) {
        ShowDelay = *settings.delay;
        Timer1.setInterval(ShowDelay);
    }
    ShowFolders = settings.showFolders;
    ShowText = settings.showText;
}

void MainForm::OpenFolderSelection() {
    Hide();
    Forms::get<frmDirectories>().Show();
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
            moveByKey(QStringLiteral("First"));
            break;
        case '4':
            moveByKey(QStringLiteral("Prev"));
            break;
        case '5':
            ShowStartStop();
            break;
        case '6':
            moveByKey(QStringLiteral("Next"));
            break;
        case '8':
            moveByKey(QStringLiteral("Last"));
            break;
        default:
            break;
    }
}

void MainForm::moveByKey(const QString& where) {
    keyMove_ = true;
    JumpTo(where);
    keyMove_ = false;
}

void MainForm::OpenControlPanel() {
    Forms::get<ControlPanel>().Show();
}
