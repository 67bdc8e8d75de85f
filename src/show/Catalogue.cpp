// The picture catalogue of the show window: the folders of the show, the pictures of the
// current folder and the descriptions of its "ImageList.txt".
#include "show/MainForm.h"

#include "show/DiscFiles.h"

int MainForm::DirectoryImageCount(const QString& thisDirectory) {
    int result = 0;
    if (FileSystem.FolderExists(thisDirectory)) {
        flbImageList.setPath(FileSystem.GetAbsolutePathName(thisDirectory));
        result = flbImageList.ListCount();
    }
    return result;
}

void MainForm::display_directory(const QString& thisDirectory) {
    // Listed, and its descriptions read, on workers: folderArrived goes on from there.
    Reader.awaitFolder(FileSystem.GetAbsolutePathName(thisDirectory));
}

void MainForm::folderArrived(const QString& folder, const std::optional<QStringList>& pictures) {
    const std::optional<show::ShowOrder::Step> step = std::exchange(entering_, std::nullopt);
    if (pictures) {
        flbImageList.setPath(folder, *pictures);
        ImageListLast = -1;
        ImageListNames.clear();
        ImageListDescs.clear();
        descIndex_.clear();
        HasImageList = false;
        if (descFolder_ == folder) {
            descriptionsArrived(folder, descriptions_);  // they came first
        }
    }
    // A folder gone meanwhile leaves the show in the current one.
    if (step) {
        lbDirs.setListIndex(step->to.folder);
        flbImageList.setListIndex(step->to.picture);
        ShowCurrentImage();
    } else if (!waiting()) {
        lookAheadFromHere();
    }
    if (const std::optional<QVariant> move = std::exchange(deferredMove_, std::nullopt)) {
        JumpTo(*move);
    }
}

void MainForm::descriptionsArrived(const QString& folder, const show::Descriptions& descriptions) {
    descFolder_ = folder;
    descriptions_ = descriptions;
    if (folder != flbImageList.Path()) {
        return;  // kept for when the folder's listing comes
    }
    HasImageList = descriptions.found;
    ImageListNames = descriptions.names;
    ImageListDescs = descriptions.descs;
    ImageListLast = int(ImageListNames.size()) - 1;
    descIndex_.clear();
    for (qsizetype i = ImageListNames.size() - 1; i >= 0; --i) {
        descIndex_.insert(ImageListNames.at(i).toCaseFolded(), ImageListDescs.at(i));
    }
    // The caption on the screen gains its description.
    if (ShowText && !shownPath_.isEmpty() && shownPath_ == CurrentImagePath && lblInfo.Visible() &&
        !image1.picture().isNull()) {
        showPicture(shownPath_, image1.picture());
    }
}

QString MainForm::GetImageDesc(const QString& ThisFileName) const {
    return HasImageList ? descIndex_.value(ThisFileName.toCaseFolded()) : QString();
}
