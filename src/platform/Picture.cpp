#include "platform/Picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QTextStream>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "platform/NativeNames.h"
#include "platform/PictureDecode.h"
#include "platform/PictureHeader.h"
#include "platform/RecycledBlock.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace platform {

namespace {

// Files up to this size are read into memory in one go, which suits slow media and lets the
// JPEG decoder work straight from memory; larger ones (no real picture) are read as needed.
constexpr qint64 kMaxBufferedBytes = 256 * 1024 * 1024;
constexpr qint64 kReadPart = 256 * 1024;
// Decodes that need more than this at once, the file read whole included, run one at a time,
// whichever thread asks: the thumbnail sheet's workers and the show's decode ahead would
// otherwise add up their peaks. A decode takes its turn once its file is in memory: a read stuck
// on the medium holds up no other picture.
constexpr qint64 kLargeDecodeBytes = 64LL * 1024 * 1024;
// The files read whole that all threads together hold in memory at once; a larger file is read
// while no other is held.
constexpr qint64 kHeldFileBytes = 256LL * 1024 * 1024;

std::mutex& largeDecodeMutex() {
    static std::mutex mutex;
    return mutex;
}

// Holds the large-decode lock for one decode. On release it first hands what the decode freed
// back to the system: a worker thread's allocator would otherwise keep it, and the next large
// decode, on another thread, would add its own.
class LargeDecodeGuard {
public:
    void acquire() {
        if (!lock_.owns_lock()) {
            lock_ = std::unique_lock<std::mutex>(largeDecodeMutex());
        }
    }
    ~LargeDecodeGuard() {
#if defined(__GLIBC__)
        if (lock_.owns_lock()) {
            malloc_trim(0);
        }
#endif
    }

private:
    std::unique_lock<std::mutex> lock_;
};

// A JPEG's scans: a progressive one has about ten, yet a hostile one may hold tens of thousands,
// each of which makes the decoder go over every block of the picture again, for minutes.
// libjpeg-turbo's own fuzzing stops at 500.
constexpr int kMaxScans = 500;

// The start-of-scan markers of a JPEG's bytes (inside a scan's data 0xFF is followed by 0x00 or
// a restart marker, so every 0xFF 0xDA is one). Found byte by byte with memchr, which passes over
// a camera photo's ten megabytes several times faster than a search for the pair.
int scanCount(const QByteArray& bytes) {
    int scans = 0;
    const char* at = bytes.constData();
    const char* const end = at + bytes.size();
    while (scans <= kMaxScans && end - at >= 2) {
        const auto* mark = static_cast<const char*>(std::memchr(at, 0xFF, size_t(end - at - 1)));
        if (!mark) {
            break;
        }
        if (static_cast<unsigned char>(mark[1]) == 0xDA) {
            ++scans;
        }
        at = mark + 1;
    }
    return scans;
}

// Holds a file's size out of kHeldFileBytes while the file is read and decoded.
class HeldFile {
public:
    // Waits until `bytes` fit beside the files others hold; false when called off meanwhile.
    bool reserve(qint64 bytes, const std::atomic<bool>* abort) {
        std::unique_lock lock(mutex());
        while (held() > 0 && held() + bytes > kHeldFileBytes) {
            if (abort && abort->load()) {
                return false;
            }
            freed().wait_for(lock, std::chrono::milliseconds(50));
        }
        held() += bytes;
        bytes_ = bytes;
        return true;
    }
    ~HeldFile() {
        if (bytes_ > 0) {
            std::lock_guard lock(mutex());
            held() -= bytes_;
            freed().notify_all();
        }
    }

private:
    static std::mutex& mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::condition_variable& freed() {
        static std::condition_variable freed;
        return freed;
    }
    static qint64& held() {
        static qint64 held = 0;
        return held;
    }
    qint64 bytes_ = 0;
};

}  // namespace

void settleAllocator() {
#if defined(__GLIBC__)
    // The C library gives threads arenas of their own (up to sixteen on two cores), each
    // keeping what it freed for its own next use, so that over hours memory creeps up arena by
    // arena. Two arenas, and the blocks of a picture's size always handed back to the system
    // when freed rather than from a threshold that rises with the largest freed, keep it level.
    mallopt(M_ARENA_MAX, 2);
    mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
#endif
}

void reportCannotShow(const QString& path, const QString& why, bool thumbnail) {
    QTextStream(stderr) << "lumosa: cannot show " << (thumbnail ? "thumbnail " : "") << path << ": "
                        << why << Qt::endl;
}

Picture LoadPicture(const QString& path, QSize bound, QString* why,
                    const std::atomic<bool>* abort) {
    return loadPicture(path, bound, why, abort, nullptr, {});
}

Picture loadPicture(const QString& path, QSize bound, QString* why, const std::atomic<bool>* abort,
                    QFile* opened, QByteArray head) {
    const auto fail = [why](const char* reason) {
        if (why) {
            *why = QString::fromLatin1(reason);
        }
        return Picture();
    };
    if (why) {
        why->clear();
    }

    QFile ownFile;
    if (!opened) {
        const FileKind kind = fileStatus(path).kind;
        if (path.isEmpty() || kind == FileKind::Missing) {
            return fail("file not found");
        }
        if (kind == FileKind::Folder) {
            return fail("is a folder");
        }
        if (kind == FileKind::Other) {
            return fail("not a file");  // device or pipe: reading it could block forever
        }
        if (kind == FileKind::Unreachable || !openForReading(ownFile, path)) {
            return fail("cannot be read");
        }
    }
    QFile& file = opened ? *opened : ownFile;
    if (file.size() == 0) {
        return fail("empty file");
    }

    // The header alone first, from the file's first bytes read in one go: a file it refuses
    // is never read whole.
    if (head.isEmpty()) {
        head = file.read(kHeadBytes);
    }
    HeadedFile headed(head, file);
    const Header header = readHeader(headed);
    if (file.error() != QFileDevice::NoError || head.isEmpty()) {
        return fail("cannot be read");
    }
    if (const char* refusal = headerRefusal(header)) {
        return fail(refusal);
    }

    // Declared before the buffer and the reader, so that both outlast them.
    const qint64 bufferedBytes = file.size() <= kMaxBufferedBytes ? file.size() : 0;
    HeldFile heldFile;
    LargeDecodeGuard largeDecode;
    if (!heldFile.reserve(bufferedBytes, abort)) {
        return fail("no longer wanted");
    }
    const RecycledBlock block(bufferedBytes);
    if (bufferedBytes > 0 && !block.data()) {
        return fail("too large");  // no memory to read it into
    }

    // Read once, front to back; the decoder then never waits on the medium.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    const std::atomic<bool> never{false};
    AbortableBuffer abortable(bytes, abort ? *abort : never);
    QIODevice* device = &file;
    if (bufferedBytes == 0) {
        if (!file.seek(0)) {  // read as the decoder goes, from the start
            return fail("cannot be read");
        }
    } else {
        // An error of the medium at any point fails the picture: what was read before it
        // is no picture but a strip of one. A file that simply ends early (cut short, or
        // shrunk since) is decoded as far as it goes. The first bytes are in hand already.
        qint64 got = std::min<qint64>(head.size(), bufferedBytes);
        std::memcpy(block.data(), head.constData(), size_t(got));
        if (!file.seek(got)) {
            return fail("cannot be read");
        }
        while (got < bufferedBytes) {
            // In parts: a read called off stops within one part, which frees a slow medium
            // for the picture wanted instead (a fourteenth of a second on a CD).
            if (abort && abort->load()) {
                return fail("no longer wanted");
            }
            const qint64 n = file.read(block.data() + got, qMin(kReadPart, bufferedBytes - got));
            if (n < 0) {
                return fail("cannot be read");
            }
            if (n == 0) {
                break;
            }
            got += n;
        }
        bytes = QByteArray::fromRawData(block.data(), got);  // never empty: the head is in it
        file.close();
        buffer.open(QIODevice::ReadOnly);
        device = abort ? static_cast<QIODevice*>(&abortable) : &buffer;
    }

    if (header.format == "jpeg" && scanCount(bytes) > kMaxScans) {
        return fail("too many scans");
    }
    // The file read whole counts with the decode towards a large one's turn.
    if (bufferedBytes + decodeBytesEstimate(header, bound) > kLargeDecodeBytes) {
        largeDecode.acquire();
    }
    const char* refusal = nullptr;
    clearAborted();
    Picture picture = decodePicture(*device, bytes, header, bound, refusal, abort);
    clearAborted();
    if (abort && abort->load()) {
        return fail("no longer wanted");
    }
    return refusal ? fail(refusal) : picture;
}

}  // namespace platform
