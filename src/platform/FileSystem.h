#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// A text file opened for reading: lines end at LF, a CR before it is dropped, a UTF-8
// byte-order mark is dropped, a file behind a UTF-16 byte-order mark is read as UTF-16. The whole
// file is read when it is opened and closed at once, so nothing stays open; a file larger than
// kMaxFileBytes is read up to that size, and a line longer than kMaxLineBytes keeps only its
// beginning, so that no file can exhaust memory.
class TextStream {
public:
    static constexpr qsizetype kMaxFileBytes = 64 * 1024 * 1024;
    static constexpr qsizetype kMaxLineBytes = 1024 * 1024;

    TextStream() = default;
    explicit TextStream(QByteArray bytes);

    bool AtEndOfStream() const { return pos_ >= bytes_.size(); }
    QString ReadLine();
    void Close();

private:
    QByteArray bytes_;
    qsizetype pos_ = 0;
    bool utf8_ = true;
};

// Files and folders, relative names resolved against the current working directory.
class FileSystemObject {
public:
    bool FileExists(const QString& name) const;
    bool FolderExists(const QString& path) const;
    QString GetAbsolutePathName(const QString& name) const;
    // The folder that holds the file, as an absolute path.
    QString GetParentFolderName(const QString& fileName) const;
    // Opens a file for reading; an unreadable file reads as an empty stream. At most
    // `maxBytes` are read; `cut` (when given) tells whether the file held more.
    TextStream OpenTextFile(const QString& name, qsizetype maxBytes = TextStream::kMaxFileBytes,
                            bool* cut = nullptr) const;
    // `folder`/`name` when that file exists; otherwise the file of that folder whose name
    // matches without regard to letter case (a disc written elsewhere often carries the name
    // in capitals); an empty string when there is none.
    QString FindFile(const QString& folder, const QString& name) const;
};

}  // namespace platform
