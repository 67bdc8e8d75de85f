#pragma once

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QImage>
#include <QSize>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/Picture.h"
#include "platform/PictureHeader.h"

namespace platform {

// The largest size inside `bound` with the proportions of `natural`, rounded to the nearest
// pixel; `natural` itself when it already fits, since pictures are never enlarged.
QSize fitInside(QSize natural, QSize bound);

// Orientations 5 to 8 turn the stored picture a quarter.
bool quarterTurned(int orientation);

// A picture decoded as stored, made upright as its EXIF orientation says: 2 mirrors it left to
// right, 4 top to bottom, 3 both; 5 to 8 turn it a quarter clockwise after mirroring it top to
// bottom (5), not at all (6), left to right (7) or both (8).
QImage upright(QImage image, int orientation);

// Formats the painter draws without converting each time.
QImage forDrawing(QImage image);

// What decoding a picture with this header costs at most, before the reader is asked: a JPEG's
// coefficient store and its image at the decoder's factor, another picture's whole image, 4
// bytes a pixel.
qint64 decodeBytesEstimate(const Header& header, QSize bound);

// Decodes a picture whose header passed from `device`, which holds the whole file (as `bytes`
// does, when it was read into memory); on failure returns a null Picture and sets `refusal`.
Picture decodePicture(QIODevice& device, const QByteArray& bytes, const Header& header, QSize bound,
                      const char*& refusal, const std::atomic<bool>* abort);

// What a picture file's first read takes: its header in one go, an EXIF block (at most 64 KB)
// included. A second read would wait behind other pictures' reads on a disc with one head.
inline constexpr qint64 kHeadBytes = 66 * 1024;

// LoadPicture for `file`, open on `path`, whose first bytes `head` holds (from the start; none
// read yet when empty): they are not read a second time. With no `file`, it is opened here.
Picture loadPicture(const QString& path, QSize bound, QString* why, const std::atomic<bool>* abort,
                    QFile* file, QByteArray head);

// A file whose first bytes were read already: served from `head` as far as it goes, from the
// file beyond it, so that its header is read without reading those bytes again.
class HeadedFile : public QIODevice {
public:
    HeadedFile(const QByteArray& head, QFile& file) : head_(head), file_(file) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return std::max<qint64>(file_.size(), head_.size()); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        qint64 done = 0;
        if (pos() < head_.size()) {
            done = std::min(maxSize, qint64(head_.size()) - pos());
            std::memcpy(data, head_.constData() + pos(), size_t(done));
        }
        if (done == maxSize) {
            return done;
        }
        if (!file_.seek(pos() + done)) {
            return done > 0 ? done : -1;
        }
        const qint64 more = file_.read(data + done, maxSize - done);
        return more < 0 ? (done > 0 ? done : -1) : done + more;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray& head_;
    QFile& file_;
};

// Marks, or clears, the decode under way on this thread as ended early by its abort flag.
void markAborted();
void clearAborted();

// A file read into memory, served to the decoder a piece at a time, and no more once `abort` is
// set: the decoder then takes the end of its data and finishes early. (Qt's JPEG reader takes
// a QBuffer's bytes in one go, which leaves nothing to stop.)
class AbortableBuffer : public QIODevice {
public:
    AbortableBuffer(const QByteArray& bytes, const std::atomic<bool>& abort)
        : bytes_(bytes), abort_(abort) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return false; }
    qint64 size() const override { return bytes_.size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (abort_.load(std::memory_order_relaxed)) {
            markAborted();
            return 0;
        }
        const qint64 n = std::min(maxSize, qint64(bytes_.size()) - pos());
        std::memcpy(data, bytes_.constData() + pos(), size_t(std::max<qint64>(0, n)));
        return std::max<qint64>(0, n);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray& bytes_;
    const std::atomic<bool>& abort_;
};

}  // namespace platform
