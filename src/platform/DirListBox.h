#pragma once

#include <QStringList>

namespace platform {

// The direct sub-folders of a folder, as full paths in listing order. Never shown.
class DirListBox {
public:
    QString Path() const { return path_; }
    void setPath(const QString& path);
    int ListCount() const { return static_cast<int>(entries_.size()); }
    QString List(int index) const { return entries_.value(index); }

private:
    QString path_;
    QStringList entries_;
};

}  // namespace platform
