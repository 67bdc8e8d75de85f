#include "platform/NativeNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <QSet>
#include <QStringDecoder>

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/TextDecoding.h"
#endif

namespace platform {

#ifdef Q_OS_UNIX

namespace {

// The text of a name on disk; `utf8` tells whether it was read as UTF-8.
QString decodeName(QByteArrayView bytes, bool* utf8 = nullptr) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (utf8) {
        *utf8 = !decoder.hasError();
    }
    return decoder.hasError() ? decodeWindows1252(bytes) : text;
}

// The bytes on disk of a path whose names were read by decodeName: each name's UTF-8 form
// where that exists, else its Windows-1252 form. A name that is both (a UTF-8 "café" and a
// Windows-1252 "caf\xE9" side by side) is the UTF-8 one; folderEntries leaves the other out.
QByteArray nativePath(const QString& path) {
    if (path.contains(QChar(0))) {
        return {};  // no name holds one; cut there, the path would name another file
    }
    const QByteArray utf8 = path.toUtf8();
    struct stat status {};
    // An ASCII path has no other form; a path whose UTF-8 form exists needs no search.
    if (utf8.size() == path.size() || ::lstat(utf8.constData(), &status) == 0) {
        return utf8;
    }
    QByteArray bytes;
    bytes.reserve(utf8.size());
    const QStringList names = path.split(u'/');
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (i > 0) {
            bytes += '/';
        }
        const QByteArray name = names.at(i).toUtf8();
        const std::optional<QByteArray> legacy = encodeWindows1252(names.at(i));
        if (legacy && *legacy != name && ::lstat((bytes + name).constData(), &status) != 0 &&
            errno == ENOENT) {
            bytes += *legacy;
        } else {
            bytes += name;
        }
    }
    return bytes;
}

// The current folder from its bytes (Qt's own reading replaces what is not UTF-8).
QString currentFolder() {
    QByteArray bytes(4096, Qt::Uninitialized);
    while (!::getcwd(bytes.data(), size_t(bytes.size()))) {
        if (errno != ERANGE) {
            return QDir::currentPath();
        }
        bytes.resize(bytes.size() * 2);
    }
    bytes.truncate(qsizetype(qstrlen(bytes.constData())));
    QStringList names;
    for (const QByteArray& name : bytes.split('/')) {
        names.append(decodeName(name));
    }
    return names.join(u'/');
}

QDateTime fromTimespec(const timespec& time) {
    return QDateTime::fromMSecsSinceEpoch(qint64(time.tv_sec) * 1000 + time.tv_nsec / 1000000,
                                          Qt::UTC);
}

}  // namespace

QList<FolderEntry> folderEntries(const QString& folder) {
    QList<FolderEntry> entries;
    DIR* dir = ::opendir(nativePath(folder).constData());
    if (!dir) {
        return entries;
    }
    QList<qsizetype> legacy;  // entries read as Windows-1252
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        unsigned char type = entry->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat status {};
            type = ::fstatat(::dirfd(dir), entry->d_name, &status, 0) != 0 ? DT_UNKNOWN
                   : S_ISREG(status.st_mode)                               ? DT_REG
                   : S_ISDIR(status.st_mode)                               ? DT_DIR
                                                                           : DT_UNKNOWN;
        }
        bool utf8 = true;
        entries.append({decodeName(name, &utf8), type == DT_REG, type == DT_DIR});
        if (!utf8) {
            legacy.append(entries.size() - 1);
        }
    }
    ::closedir(dir);
    if (!legacy.isEmpty()) {
        // A Windows-1252 name that reads like a UTF-8 name beside it would open that other
        // file (see nativePath): it is left out rather than shown as the wrong picture.
        QSet<QString> utf8Names;
        for (qsizetype i = 0, next = 0; i < entries.size(); ++i) {
            if (next < legacy.size() && legacy.at(next) == i) {
                ++next;
            } else {
                utf8Names.insert(entries.at(i).name);
            }
        }
        for (qsizetype i = legacy.size() - 1; i >= 0; --i) {
            if (utf8Names.contains(entries.at(legacy.at(i)).name)) {
                entries.removeAt(legacy.at(i));
            }
        }
    }
    return entries;
}

FileStatus fileStatus(const QString& path) {
    struct stat status {};
    if (::stat(nativePath(path).constData(), &status) != 0) {
        FileStatus none;
        none.kind = errno == EACCES ? FileKind::Unreachable : FileKind::Missing;
        return none;
    }
    const FileKind kind = S_ISREG(status.st_mode)   ? FileKind::File
                          : S_ISDIR(status.st_mode) ? FileKind::Folder
                                                    : FileKind::Other;
    return {kind, qint64(status.st_size), fromTimespec(status.st_mtim),
            fromTimespec(status.st_ctim)};
}

bool openForReading(QFile& file, const QString& path) {
    const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

QString absolutePath(const QString& path) {
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : currentFolder() + u'/' + path);
}

#else

QList<FolderEntry> folderEntries(const QString& folder) {
    QList<FolderEntry> entries;
    const auto filter = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    for (const QFileInfo& info : QDir(folder).entryInfoList(filter, QDir::NoSort)) {
        entries.append({info.fileName(), info.isFile(), info.isDir()});
    }
    return entries;
}

FileStatus fileStatus(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {};
    }
    const FileKind kind = info.isFile()  ? FileKind::File
                          : info.isDir() ? FileKind::Folder
                                         : FileKind::Other;
    return {kind, info.size(), info.lastModified(), info.metadataChangeTime()};
}

bool openForReading(QFile& file, const QString& path) {
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
}

QString absolutePath(const QString& path) {
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

#endif

}  // namespace platform
