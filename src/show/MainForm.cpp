#include "show/MainForm.h"

#include "folders/frmDirectories.h"
#include "panel/ControlPanel.h"
#include "platform/MsgBox.h"
#include "platform/Screen.h"
#include "platform/Workers.h"
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

// The longest the start-up may wait for the disc: a CD spinning up takes a few seconds.
constexpr int kStartupLimitMs = 30000;

}  // namespace

show::DiscReads MainForm::discReads() const {
    show::DiscReads reads;
    reads.picture = [](const QString& path, QSize bound, QString* why,
                       const std::atomic<bool>* abort) {
        return platform::LoadPicture(path, bound, why, abort);
    };
    reads.stamp = &show::FileStamp::of;
    reads.folder = [order = Order](const QString& folder, bool peek) -> std::optional<QStringList> {
        if (!platform::FileSystemObject().FolderExists(folder)) {
            return std::nullopt;
        }
        return peek ? order->peek(folder) : order->enter(folder);
    };
    reads.descriptions = &show::ReadDescriptions;
    return reads;
}

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

    connect(&Reader, &show::ShowReader::arrived, this, &MainForm::pictureArrived);
    connect(&Reader, &show::ShowReader::folderArrived, this, &MainForm::folderArrived);
    connect(&Reader, &show::ShowReader::descriptionsArrived, this, &MainForm::descriptionsArrived);
    // A listing for a look ahead has come: the first picture of the next folder can be decoded.
    connect(&Reader, &show::ShowReader::peeked, this, [this] {
        if (!waiting()) {
            lookAheadFromHere();
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
    ImageListLast = -1;
    DelayPending = true;

    placeKeyHint();

    ShowDelay = show::kDefaultDelay;
    ShowFolders = false;
    ShowText = true;
    QString message;
    {
        // Read before the window is up; a disc that does not answer must not hold the program
        // for good.
        const platform::Deadline deadline(
            kStartupLimitMs,
            QStringLiteral("lumosa: the disc did not answer within %1 seconds; ending")
                .arg(kStartupLimitMs / 1000));
        message = startShow();
    }
    if (!message.isEmpty()) {
        endWithMessage(message);
    }
}

QString MainForm::startShow() {
    readSettings();

    if (!FileSystem.FileExists(kProgramFile)) {
        return QStringLiteral("Viewer NOT Found");
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
        return QStringLiteral("No folders containing images exist in this location.");
    }

    if (count > 1 && ShowFolders) {
        Timer1.setEnabled(false);
        for (const QString& thisDirectory : folders) {
            Forms::get<frmDirectories>().List1.AddItem(thisDirectory);
        }
        OpenFolderSelection();
        return {};
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
    // Listed on a worker; the first tick shows the first picture, which is decoded as soon as
    // the listing comes, while the tick is awaited.
    display_directory(lbDirs.List(0));
    return {};
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

void MainForm::OpenControlPanel() {
    Forms::get<ControlPanel>().Show();
}
