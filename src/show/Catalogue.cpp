// The picture catalogue of the show window: the folders of the show, the pictures of the
// current folder and the descriptions of its "ImageList.txt".
#include "show/MainForm.h"

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
    flbImageList.setPath(FileSystem.GetAbsolutePathName(thisDirectory));
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
    while (!stream.AtEndOfStream()) {
        const QString line = stream.ReadLine();
        const qsizetype p = line.indexOf(QLatin1Char(','));
        // A line without a comma describes nothing; an empty line neither.
        if (p < 0) {
            continue;
        }
        ++ImageListLast;
        ImageListNames.append(line.left(p));
        ImageListDescs.append(line.mid(p + 1));
    }
    stream.Close();
}

QString MainForm::GetImageDesc(const QString& ThisFileName) const {
    QString result;
    if (HasImageList) {
        for (int i = 0; i <= ImageListLast; ++i) {
            if (QString::compare(ImageListNames.at(i), ThisFileName, Qt::CaseInsensitive) == 0) {
                result = ImageListDescs.at(i);
                break;
            }
        }
    }
    return result;
}
