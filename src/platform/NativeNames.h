#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

class QFile;

namespace platform {

// Every file access goes through here. On Unix a name is bytes, and discs copied from older
// Windows systems carry names in Windows-1252, whose entries Qt leaves out of its listings
// and cannot open. Here a name is read as UTF-8 when it is valid UTF-8 and as Windows-1252
// otherwise, like the text files, and a path is turned back into the bytes on disk to reach
// the file. On Windows names are text already and Qt's own calls serve.

struct FolderEntry {
    QString name;
    bool isFile = false;    // a regular file, or a link to one
    bool isFolder = false;  // a folder, or a link to one
};

// The entries of a folder, hidden ones included, "." and ".." left out, in no particular
// order; none when the folder cannot be read.
QList<FolderEntry> folderEntries(const QString& folder);

enum class FileKind {
    Missing,
    Unreachable,  // a folder on the way cannot be entered
    File,
    Folder,
    Other,  // a device, a pipe, a socket
};

struct FileStatus {
    FileKind kind = FileKind::Missing;
    qint64 size = -1;  // -1, and no times, when missing or unreachable
    QDateTime modified;
    QDateTime changed;  // of the metadata
};

// What is at `path`, links followed.
FileStatus fileStatus(const QString& path);

// Opens an existing file for reading into `file` (which keeps `path` as its name).
bool openForReading(QFile& file, const QString& path);

// `path` absolute and clean, a relative one taken from the current folder.
QString absolutePath(const QString& path);

}  // namespace platform
