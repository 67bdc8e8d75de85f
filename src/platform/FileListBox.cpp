#include "platform/FileListBox.h"

#include "platform/FolderListing.h"
#include "platform/NativeNames.h"

namespace platform {

void FileListBox::setPath(const QString& path) {
    const QString absolute = absolutePath(path);
    setPath(absolute, matchingFileNames(absolute, pattern_));
}

void FileListBox::setPath(const QString& path, QStringList entries) {
    path_ = absolutePath(path);
    entries_ = std::move(entries);
    index_ = -1;
}

QString FileListBox::FullPath(int index) const {
    const QString name = List(index);
    return name.isEmpty() ? QString() : path_ + QLatin1Char('/') + name;
}

void FileListBox::setListIndex(int index) {
    if (index >= -1 && index < ListCount()) {
        index_ = index;
    }
}

}  // namespace platform
