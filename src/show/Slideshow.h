#pragma once

#include <QHash>
#include <QObject>
#include <QSize>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

#include "platform/FileListBox.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/Timer.h"
#include "show/Delay.h"
#include "show/ShowOrder.h"
#include "show/ShowReader.h"

namespace show {

// The show without its window: its folders and where it stands in them, the delay and the one
// timer, the descriptions of the current folder, and what it reads from the disc. The windows
// steer it through the operations below and draw what its signals tell; it draws nothing.
class Slideshow : public QObject {
    Q_OBJECT

public:
    Slideshow();
    ~Slideshow() override;

    // The show the windows steer: the one made last and not yet gone; nullptr when there is none.
    static Slideshow* current();

    // Start-up, from the working directory: reads "autorun.inf", checks that the program file
    // is there and finds the picture folders. Either ends in a `message` the program ends with,
    // or hands the folders to `chooseFrom` (the user marks them; the show waits stopped), or
    // starts the show on them.
    struct Start {
        QString message;
        QStringList chooseFrom;
    };
    Start start();
    // The folders of the show: it runs from the first, its pictures shown from the first tick.
    // None leaves the show as it is.
    void setFolders(const QStringList& folders);

    // The picture catalogue.
    int DirectoryImageCount(const QString& thisDirectory);
    void display_directory(const QString& thisDirectory);
    QString GetImageDesc(const QString& ThisFileName) const;

    // Moves. `Where` is "First", "Prev", "Next", "Last" or a picture index.
    void JumpTo(const QVariant& Where);
    // What a tick of the timer does: the next picture, and the first time the delay set.
    void Timer1_Timer();

    // Timing: "Faster" halves the delay, "Slower" doubles it.
    void showSpeed(const QString& ChangeSpeed);
    void ShowStartStop();
    // While another window is over the show: pauseShow stops it and says whether it ran,
    // resumeShow puts that back.
    bool pauseShow();
    void resumeShow(bool wasRunning);
    bool running() const { return Timer1.Enabled(); }
    // Whether a tick is due to come: running, at an interval above 0.
    bool ticking() const { return Timer1.isTicking(); }
    // The time between pictures, in milliseconds; 0: the show moves only when told.
    int interval() const { return Timer1.Interval(); }

    // Where the show stands, and the current folder's pictures (`Path` the folder).
    Position position() const { return {folderIndex_, flbImageList.ListIndex()}; }
    const QStringList& folders() const { return folders_; }
    const platform::FileListBox& pictures() const { return flbImageList; }
    // The path of the picture last asked for, shown or not.
    QString currentImagePath() const { return CurrentImagePath; }
    // The path of the picture on the screen.
    QString shownImagePath() const { return shownPath_; }

    // The size pictures are decoded at, in device pixels: the screen's. The show asks for it at
    // each read, since the window may change size.
    void setBound(std::function<QSize()> bound) { bound_ = std::move(bound); }
    // The screen changed: the picture on it is read again for the new size.
    void refit();

    // What the show reads from its disc, on worker threads.
    ShowReader& reader() { return Reader; }
    // Whether the show waits for its disc: a picture or a folder it moved to has not come yet.
    bool waiting() const { return Reader.waiting() != ShowReader::Wait::Nothing; }

Q_SIGNALS:
    // The picture to draw, when it has been read; a picture that cannot be read is never told.
    void pictureChanged(const QString& path, const platform::Picture& picture);
    // The caption line of the picture drawn, when captions are on: after pictureChanged, and
    // again when the folder's descriptions come later.
    void captionChanged(const QString& caption);
    // The show entered another folder (its pictures now listed).
    void folderChanged(const QString& folder);
    // The show has its folders and runs.
    void started();

private:
    void readSettings();
    bool isPictureFolder(const QString& path);
    void ShowCurrentImage();
    void pictureArrived(const QString& path, const platform::Picture& picture, const QString& why);
    void folderArrived(const QString& folder, const std::optional<QStringList>& pictures);
    void descriptionsArrived(const QString& folder, const Descriptions& descriptions);
    void tellCaption();
    // The reads of the show, as they reach the disc from a worker thread.
    DiscReads discReads() const;
    // The pictures the show may turn to next, most likely first, to decode ahead: the next one
    // in the direction of the last move, the other neighbour, the first and the last of the
    // folder (empty where there is none).
    QStringList aheadPaths();
    // Hands the current picture and aheadPaths() to the decoding ahead.
    void lookAheadFromHere();

    int ShowDelay = kDefaultDelay;
    bool ShowFolders = false;
    bool ShowText = true;
    // The delay of the settings takes over from the start's at the first tick.
    bool DelayPending = true;
    platform::FileSystemObject FileSystem;
    // Stopped until the show has folders; 500 ms to the first picture unless the settings say.
    platform::Timer Timer1{this, 500, false, [this] { Timer1_Timer(); }};

    QStringList folders_;
    int folderIndex_ = -1;
    platform::FileListBox flbImageList{QStringLiteral("*.jpg;*.jpeg;*.bmp;*.gif")};

    // The descriptions by name in case-folded form, the first line of a name winning: a sheet of
    // thousands of pictures looks each up. Empty when the folder has no "ImageList.txt".
    QHash<QString, QString> descIndex_;
    // The descriptions last read, and of which folder: they may come before the listing.
    QString descFolder_;
    Descriptions descriptions_;

    QString CurrentImagePath;
    QString shownPath_;
    std::function<QSize()> bound_ = [] { return QSize(); };
    // The order of the show, and whether its last move went back ("Prev").
    // Shared with the workers that list folders, which may outlive the show.
    std::shared_ptr<ShowOrder> Order =
        std::make_shared<ShowOrder>([pattern = flbImageList.Pattern()](const QString& folder) {
            return platform::matchingFileNames(folder, pattern);
        });
    bool movedBack_ = false;
    // Where a move that enters another folder leads, once the folder is listed; a move asked
    // for meanwhile, made then.
    std::optional<ShowOrder::Step> entering_;
    std::optional<QVariant> deferredMove_;
    ShowReader Reader{discReads()};
};

}  // namespace show
