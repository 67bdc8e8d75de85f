#include "platform/DirListBox.h"

#include "platform/FolderListing.h"
#include "platform/NativeNames.h"

namespace platform {

void DirListBox::setPath(const QString& path) {
    path_ = absolutePath(path);
    entries_ = subfolderPaths(path_);
}

}  // namespace platform
