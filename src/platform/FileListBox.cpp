#include "platform/FileListBox.h"

#include "platform/FolderListing.h"
#include "platform/NativeNames.h"

namespace platform {

void FileListBox::setPath(const QString& path) {
    path_ = absolutePath(path);
    entries_ = matchingFileNames(path_, pattern_);
    index_ = -1;
}

void FileListBox::setListIndex(int index) {
    if (index >= -1 && index < ListCount()) {
        index_ = index;
    }
}

}  // namespace platform
