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
    if (!FileSystem.FolderExists(thisDirectory)) {
        return;
    }
    const QString path = FileSystem.GetAbsolutePathName(thisDirectory);
    flbImageList.setPath(path, Order.enter(path));
    ImageListLast = -1;
    ImageListNames.clear();
    ImageListDescs.clear();
    const QString descriptionFile =
        FileSystem.FindFile(thisDirectory, QStringLiteral("ImageList.txt"));
    if (descriptionFile.isEmpty()) {
        HasImageList = false;
        return;
    }
    platform::TextStream stream = FileSystem.OpenTextFile(descriptionFile);
    HasImageList = true;
    show::ReadImageList(stream, ImageListNames, ImageListDescs);
    ImageListLast = int(ImageListNames.size()) - 1;
}

QString MainForm::GetImageDesc(const QString& ThisFileName) const {
    return HasImageList ? show::FindImageDesc(ImageListNames, ImageListDescs, ThisFileName)
                        : QString();
}
