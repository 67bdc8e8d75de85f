#pragma once

#include <QStringList>

namespace platform {

// The files of one folder that match a pattern, in listing order, with a current entry.
// A snapshot: it changes only when its path is set. Never shown.
class FileListBox {
public:
    explicit FileListBox(QString pattern) : pattern_(std::move(pattern)) {}

    QString Pattern() const { return pattern_; }
    // Absolute, without a trailing separator.
    QString Path() const { return path_; }
    // Lists the folder afresh and leaves no current entry.
    void setPath(const QString& path);
    // Takes `entries` as the folder's listing, made by the caller, and leaves no current entry.
    void setPath(const QString& path, QStringList entries);
    int ListCount() const { return static_cast<int>(entries_.size()); }
    QString List(int index) const { return entries_.value(index); }
    // The folder and the name of entry `index`; empty when there is no such entry.
    QString FullPath(int index) const;
    int ListIndex() const { return index_; }
    // Out-of-range values other than -1 are ignored.
    void setListIndex(int index);
    // The name (without folder) of the current entry; empty when there is none.
    QString FileName() const { return entries_.value(index_); }

private:
    QString pattern_;
    QString path_;
    QStringList entries_;
    int index_ = -1;
};

}  // namespace platform
