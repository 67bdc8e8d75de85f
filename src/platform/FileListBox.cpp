#include "platform/FileListBox.h"

#include <QDir>

#include "platform/FolderListing.h"

namespace platform {

void FileListBox::setPath(const QString& path) {
    path_ = QDir::cleanPath(QDir(path).absolutePath());
    entries_ = matchingFileNames(path_, pattern_);
    index_ = -1;
}

void FileListBox::setListIndex(int index) {
    if (index >= -1 && index < ListCount()) {
        index_ = index;
    }
}

}  // namespace platform
