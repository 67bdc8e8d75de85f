#include "platform/DirListBox.h"

#include <QDir>

#include "platform/FolderListing.h"

namespace platform {

void DirListBox::setPath(const QString& path) {
    path_ = QDir::cleanPath(QDir(path).absolutePath());
    entries_ = subfolderPaths(path_);
}

}  // namespace platform
