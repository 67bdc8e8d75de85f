#include "platform/FileSystem.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "platform/FolderListing.h"
#include "platform/NativeNames.h"
#include "platform/TextDecoding.h"

namespace platform {

TextStream::TextStream(QByteArray bytes) : bytes_(std::move(bytes)) {
    const bool utf16le = bytes_.startsWith("\xFF\xFE");
    if (utf16le || bytes_.startsWith("\xFE\xFF")) {
        // Notepad's "Unicode": UTF-16 behind its byte-order mark, read on as UTF-8, so that
        // lines end and are cut as in any other file.
        QStringDecoder utf16(utf16le ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        bytes_ = QString(utf16.decode(QByteArrayView(bytes_).sliced(2))).toUtf8();
    } else if (bytes_.startsWith("\xEF\xBB\xBF")) {
        pos_ = 3;
    }
    // Checked without decoding: the lines are decoded one by one as they are read.
    utf8_ = QByteArrayView(bytes_).sliced(pos_).isValidUtf8();
}

QString TextStream::ReadLine() {
    if (AtEndOfStream()) {
        return {};
    }
    qsizetype end = bytes_.indexOf('\n', pos_);
    const qsizetype next = end < 0 ? bytes_.size() : end + 1;
    if (end < 0) {
        end = bytes_.size();
    }
    if (end > pos_ && bytes_.at(end - 1) == '\r') {
        --end;
    }
    QByteArrayView line = QByteArrayView(bytes_).sliced(pos_, end - pos_);
    pos_ = next;
    if (line.size() > kMaxLineBytes) {
        line = line.first(kMaxLineBytes);
        // Do not cut a UTF-8 sequence in two.
        while (utf8_ && !line.isEmpty() &&
               (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80) {
            line.chop(1);
        }
        if (utf8_ && !line.isEmpty() && static_cast<unsigned char>(line.back()) >= 0xC0) {
            line.chop(1);
        }
    }
    return utf8_ ? QString::fromUtf8(line) : decodeWindows1252(line);
}

void TextStream::Close() {
    bytes_.clear();
    pos_ = 0;
}

bool FileSystemObject::FileExists(const QString& name) const {
    return fileStatus(name).kind == FileKind::File;
}

bool FileSystemObject::FolderExists(const QString& path) const {
    return !path.isEmpty() && fileStatus(path).kind == FileKind::Folder;
}

QString FileSystemObject::GetAbsolutePathName(const QString& name) const {
    return absolutePath(name);
}

QString FileSystemObject::GetParentFolderName(const QString& fileName) const {
    return QFileInfo(absolutePath(fileName)).path();
}

TextStream FileSystemObject::OpenTextFile(const QString& name, qsizetype maxBytes,
                                          bool* cut) const {
    QFile file;
    if (cut) {
        *cut = false;
    }
    if (!openForReading(file, name)) {
        return TextStream();
    }
    QByteArray bytes = file.read(maxBytes);
    if (cut) {
        *cut = bytes.size() == maxBytes && !file.read(1).isEmpty();
    }
    return TextStream(std::move(bytes));
}

QString FileSystemObject::FindFile(const QString& folder, const QString& name) const {
    const QString exact = folder + u'/' + name;
    if (FileExists(exact)) {
        return exact;
    }
    // Several names that differ only in letter case: the first in listing order.
    QStringList candidates;
    for (const FolderEntry& entry : folderEntries(folder)) {
        if (entry.isFile && QString::compare(entry.name, name, Qt::CaseInsensitive) == 0) {
            candidates.append(entry.name);
        }
    }
    if (candidates.isEmpty()) {
        return {};
    }
    std::sort(candidates.begin(), candidates.end(), listingLess);
    return folder + u'/' + candidates.first();
}

}  // namespace platform
