// The show's start-up and its catalogue: the settings, the picture folders, the pictures of the
// current folder and the descriptions of its "ImageList.txt".
#include "show/Slideshow.h"

#include "platform/DirListBox.h"
#include "platform/Picture.h"
#include "platform/TextDecoding.h"
#include "show/DiscFiles.h"

namespace show {

namespace {

#ifdef Q_OS_WIN
const QString kProgramFile = QStringLiteral("lumosa.exe");
#else
const QString kProgramFile = QStringLiteral("lumosa");
#endif

Slideshow* currentShow = nullptr;

}  // namespace

Slideshow::Slideshow() {
    currentShow = this;
    connect(&Reader, &ShowReader::arrived, this, &Slideshow::pictureArrived);
    connect(&Reader, &ShowReader::folderArrived, this, &Slideshow::folderArrived);
    connect(&Reader, &ShowReader::descriptionsArrived, this, &Slideshow::descriptionsArrived);
    // A listing for a look ahead has come: the first picture of the next folder can be decoded.
    connect(&Reader, &ShowReader::peeked, this, [this] {
        if (!waiting()) {
            lookAheadFromHere();
        }
    });
}

Slideshow::~Slideshow() {
    if (currentShow == this) {
        currentShow = nullptr;
    }
}

Slideshow* Slideshow::current() {
    return currentShow;
}

DiscReads Slideshow::discReads() const {
    DiscReads reads;
    reads.picture = [](const QString& path, QSize bound, QString* why,
                       const std::atomic<bool>* abort) {
        return platform::LoadPicture(path, bound, why, abort);
    };
    reads.stamp = &FileStamp::of;
    reads.folder = [order = Order](const QString& folder, bool peek) -> std::optional<QStringList> {
        if (!platform::FileSystemObject().FolderExists(folder)) {
            return std::nullopt;
        }
        return peek ? order->peek(folder) : order->enter(folder);
    };
    reads.descriptions = &ReadDescriptions;
    return reads;
}

Slideshow::Start Slideshow::start() {
    readSettings();

    if (!FileSystem.FileExists(kProgramFile)) {
        return {QStringLiteral("Viewer NOT Found"), {}};
    }
    platform::DirListBox dlb1;
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
        return {QStringLiteral("No folders containing images exist in this location."), {}};
    }
    if (count > 1 && ShowFolders) {
        return {{}, folders};
    }
    setFolders(folders);
    return {};
}

void Slideshow::setFolders(const QStringList& folders) {
    if (folders.isEmpty()) {
        return;  // nothing to show: the show stays as it is
    }
    folders_ = folders;
    folderIndex_ = 0;
    // Listed on a worker; the first tick shows the first picture, which is decoded as soon as
    // the listing comes, while the tick is awaited.
    display_directory(folders_.first());
    Timer1.setEnabled(true);
    Q_EMIT started();
}

bool Slideshow::isPictureFolder(const QString& path) {
    const QString name = path.section(QLatin1Char('/'), -1);
    return !name.startsWith(QLatin1Char('_')) && DirectoryImageCount(path) > 0;
}

void Slideshow::readSettings() {
    const QString settingsFile =
        FileSystem.FindFile(QStringLiteral("."), QStringLiteral("autorun.inf"));
    if (settingsFile.isEmpty()) {
        return;
    }
    platform::TextStream stream = FileSystem.OpenTextFile(settingsFile);
    const Settings settings = ReadSettings(stream);
    if (settings.delay) {
        ShowDelay = *settings.delay;
        Timer1.setInterval(ShowDelay);
    }
    ShowFolders = settings.showFolders;
    ShowText = settings.showText;
}

int Slideshow::DirectoryImageCount(const QString& thisDirectory) {
    int result = 0;
    if (FileSystem.FolderExists(thisDirectory)) {
        flbImageList.setPath(FileSystem.GetAbsolutePathName(thisDirectory));
        result = flbImageList.ListCount();
    }
    return result;
}

void Slideshow::display_directory(const QString& thisDirectory) {
    // Listed, and its descriptions read, on workers: folderArrived goes on from there.
    Reader.awaitFolder(FileSystem.GetAbsolutePathName(thisDirectory));
}

void Slideshow::folderArrived(const QString& folder, const std::optional<QStringList>& pictures) {
    const std::optional<ShowOrder::Step> step = std::exchange(entering_, std::nullopt);
    if (pictures) {
        flbImageList.setPath(folder, *pictures);
        descIndex_.clear();
        if (descFolder_ == folder) {
            descriptionsArrived(folder, descriptions_);  // they came first
        }
        Q_EMIT folderChanged(folder);
    }
    // A folder gone meanwhile leaves the show in the current one.
    if (step) {
        folderIndex_ = step->to.folder;
        flbImageList.setListIndex(step->to.picture);
        ShowCurrentImage();
    } else if (!waiting()) {
        lookAheadFromHere();
    }
    if (const std::optional<QVariant> move = std::exchange(deferredMove_, std::nullopt)) {
        JumpTo(*move);
    }
}

void Slideshow::descriptionsArrived(const QString& folder, const Descriptions& descriptions) {
    descFolder_ = folder;
    descriptions_ = descriptions;
    if (folder != flbImageList.Path()) {
        return;  // kept for when the folder's listing comes
    }
    descIndex_.clear();
    for (qsizetype i = descriptions.names.size() - 1; i >= 0; --i) {
        descIndex_.insert(descriptions.names.at(i).toCaseFolded(), descriptions.descs.at(i));
    }
    // The caption on the screen gains its description.
    if (!shownPath_.isEmpty() && shownPath_ == CurrentImagePath &&
        shownPath_.section(QLatin1Char('/'), 0, -2) == folder) {
        tellCaption();
    }
}

QString Slideshow::GetImageDesc(const QString& ThisFileName) const {
    return descIndex_.value(ThisFileName.toCaseFolded());
}

void Slideshow::tellCaption() {
    if (!ShowText) {
        return;
    }
    const QString fileName = shownPath_.section(QLatin1Char('/'), -1);
    const QString name = platform::singleLine(fileName);
    const QString description = platform::singleLine(GetImageDesc(fileName));
    Q_EMIT captionChanged(description.isEmpty() ? QStringLiteral("  ") + name + QStringLiteral("  ")
                                                : QStringLiteral("  ") + name +
                                                      QStringLiteral("  -  ") + description);
}

}  // namespace show
