#pragma once

#include <QStringList>
#include <QVariant>

#include "platform/DirListBox.h"
#include "platform/FileListBox.h"
#include "platform/FileSystem.h"
#include "platform/Form.h"
#include "platform/Image.h"
#include "platform/Label.h"
#include "platform/ListBox.h"
#include "platform/Timer.h"
#include "show/DecodeAhead.h"

// The show window: start-up, the picture catalogue, the slide display, navigation and timing,
// and the keyboard commands. All show state lives here; the other windows call the public
// operations below.
class MainForm : public platform::Form {
    Q_OBJECT

public:
    MainForm();

    // Picture catalogue.
    int DirectoryImageCount(const QString& thisDirectory);
    void display_directory(const QString& thisDirectory);
    QString GetImageDesc(const QString& ThisFileName) const;

    // Navigation and timing. `Where` is "First", "Prev", "Next", "Last" or a picture index.
    void JumpTo(const QVariant& Where);
    void showSpeed(const QString& ChangeSpeed);
    void ShowStartStop();

    // The path of the picture last asked for, shown or not.
    QString currentImagePath() const { return CurrentImagePath; }
    // The pictures decoded ahead of the show.
    show::DecodeAhead& decodeAhead() { return Ahead; }

    // Controls.
    platform::Image image1{this, true};
    platform::Image Image2{this, false};
    platform::Label lblInfo{this};
    platform::Label lblInfo2{this};
    platform::Timer Timer1{this, 500, true, [this] { Timer1_Timer(); }};
    platform::ListBox lbDirs{this, false};
    platform::DirListBox dlb1;
    platform::FileListBox flbImageList{QStringLiteral("*.jpg;*.jpeg;*.bmp;*.gif")};

protected:
    void Form_Load() override;
    void Form_KeyPress(int& KeyAscii) override;
    void Form_QueryUnload(bool& cancel, UnloadMode mode) override;

private:
    void Timer1_Timer();
    void ShowCurrentImage();
    // The picture of `path` at the window's size, decoded ahead or now; null (and one line on
    // standard error) when it cannot be loaded.
    platform::Picture loadForShow(const QString& path);
    // Fits and centres a picture in the window; the caption line at the bottom, centred.
    void placePicture(const platform::Picture& picture);
    void placeCaption();
    // The screen changed size: the window covers it again and the picture is fitted anew.
    void followScreen();
    void placeKeyHint();
    void OpenControlPanel();
    void OpenFolderSelection();
    void readSettings();
    void endWithMessage(const QString& message);
    bool isPictureFolder(const QString& path);
    // What JumpTo would turn to, without moving: the folder after the current one, and the
    // pictures "Next" and "Prev" would show (empty when there would be none).
    int nextFolderIndex() const;
    QString nextImagePath();
    QString previousImagePath() const;
    // The size pictures are decoded at: the window's, in device pixels.
    QSize pictureBound() const;

    int ShowDelay = 3000;
    bool ShowFolders = false;
    bool ShowText = true;
    bool DelayPending = true;
    platform::FileSystemObject FileSystem;

    QStringList ImageListNames;
    QStringList ImageListDescs;
    int ImageListLast = -1;
    bool HasImageList = false;

    QString CurrentImagePath;
    // The picture on the screen (a failed load leaves the previous one there).
    QString shownPath_;
    show::DecodeAhead Ahead;
};
