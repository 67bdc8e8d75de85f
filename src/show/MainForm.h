#pragma once

#include <QHash>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

#include "platform/DirListBox.h"
#include "platform/FileListBox.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/Form.h"
#include "platform/Image.h"
#include "platform/Label.h"
#include "platform/ListBox.h"
#include "platform/Timer.h"
#include "show/ShowOrder.h"
#include "show/ShowReader.h"

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
    // While another window is over the show: pauseShow stops it and says whether it ran,
    // resumeShow puts that back (or starts the show after the folder selection).
    bool pauseShow() {
        const bool running = Timer1.Enabled();
        Timer1.setEnabled(false);
        return running;
    }
    void resumeShow(bool wasRunning) { Timer1.setEnabled(wasRunning); }
    // Points the folder's list at picture `index` without showing it; an index the list does
    // not hold is ignored.
    void setListPosition(int index) { flbImageList.setListIndex(index); }

    // The path of the picture last asked for, shown or not.
    QString currentImagePath() const { return CurrentImagePath; }
    // The path of the picture on the screen.
    QString shownImagePath() const { return shownPath_; }
    // What the show reads from its disc, on worker threads.
    show::ShowReader& reader() { return Reader; }
    // Whether the show waits for its disc: a picture or a folder it moved to has not come yet.
    bool waiting() const { return Reader.waiting() != show::ShowReader::Wait::Nothing; }

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
    // Puts a picture loaded for `path` on the screen (a null one leaves the screen as it is)
    // and decodes ahead from there.
    void showPicture(const QString& path, const platform::Picture& picture);
    // The picture the screen waited for has been read: shown, or (`why`) one line on standard
    // error and the previous picture stays. The next tick is a whole delay away.
    void pictureArrived(const QString& path, const platform::Picture& picture, const QString& why);
    // The folder display_directory asked for has been listed: the show moves into it.
    void folderArrived(const QString& folder, const std::optional<QStringList>& pictures);
    void descriptionsArrived(const QString& folder, const show::Descriptions& descriptions);
    // The reads of the show, as they reach the disc from a worker thread.
    show::DiscReads discReads() const;
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
    // Start-up: the settings and the folders of the disc, read before the window is up; the
    // message to end with, if any.
    QString startShow();
    // The pictures the show may turn to next, most likely first, to decode ahead: the next
    // one in the direction of the last move, the other neighbour, the first and the last of
    // the folder (empty where there is none).
    QStringList aheadPaths();
    // Hands the current picture and aheadPaths() to the decoding ahead.
    void lookAheadFromHere();
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
    // The descriptions by name in case-folded form, the first line of a name winning: a sheet of
    // thousands of pictures looks each up.
    QHash<QString, QString> descIndex_;
    // The descriptions last read, and of which folder: they may come before the listing.
    QString descFolder_;
    show::Descriptions descriptions_;

    QString CurrentImagePath;
    // The order of the show, and whether its last move went back ("Prev").
    // Shared with the workers that list folders, which may outlive the window.
    std::shared_ptr<show::ShowOrder> Order = std::make_shared<show::ShowOrder>(
        [pattern = flbImageList.Pattern()](const QString& folder) {
            return platform::matchingFileNames(folder, pattern);
        });
    bool movedBack_ = false;
    // Where a move that enters another folder leads, once the folder is listed; a move asked
    // for meanwhile, made then.
    std::optional<show::ShowOrder::Step> entering_;
    std::optional<QVariant> deferredMove_;
    // The picture on the screen (a failed load leaves the previous one there).
    QString shownPath_;
    show::ShowReader Reader{discReads()};
};
