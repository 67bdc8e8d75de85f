#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

namespace platform {

// A loaded picture: the pixels as decoded (never larger than they will be drawn) and the
// picture's natural size, upright, in pixels. Copies share the pixels.
class Picture {
public:
    Picture() = default;
    Picture(QImage image, QSize naturalSize)
        : image_(std::move(image)), naturalSize_(naturalSize) {}

    bool isNull() const { return image_.isNull(); }
    const QImage& image() const { return image_; }
    // The upright size of the whole picture in pixels, whatever size it was decoded at.
    QSize naturalSize() const { return naturalSize_; }

private:
    QImage image_;
    QSize naturalSize_;
};

// Reads a JPEG, BMP or GIF (first frame) file with its EXIF orientation applied. When
// `bound` is valid and the upright picture is larger than it, the picture is decoded at the
// largest size that fits inside `bound` with its proportions kept (JPEG through the decoder's
// reduced-size decode); it is never enlarged. On failure returns a null Picture and, when
// `why` is given, a short reason ("file not found", "not a picture", ...).
//
// The reasons: "file not found", "is a folder", "not a file" (a device or pipe), "cannot be
// read", "empty file", "not a picture" (unrecognised or undecodable), "unsupported format"
// (a picture of another kind, such as PNG) and "too large": the header claims more than 120
// million pixels, or the image to decode would pass QImageReader::allocationLimit() (128 MB
// by default, about 33 million pixels; a JPEG counts at its reduced decoding size, see
// jpegScaleDenominator). The header is read first, and a file it refuses is never read whole;
// the rest is read once, in turn with other threads when the file and its decode need over
// 64 MB at once. A JPEG is decoded at a reduced size and then scaled smoothly to exactly the
// size it is drawn at. A picture tagged with a colour profile other than sRGB (a JPEG's ICC
// profile) is converted to sRGB at that size; one Qt cannot read leaves the picture as stored.
// The format comes from the content, never the name. Safe to call from several threads.
// Once `abort` (when given) is set, the decode under way ends early and fails ("no longer
// wanted"): a worker decoding a picture the user has already moved past is free again soon.
Picture LoadPicture(const QString& path, QSize bound = QSize(), QString* why = nullptr,
                    const std::atomic<bool>* abort = nullptr);

// For the thumbnail sheet: a JPEG's own EXIF thumbnail, upright, when it covers what LoadPicture
// would decode for `bound` and has the photo's proportions (within 3 %: a stale one of an edited
// or cropped photo has not); only the file's header is then read, which on a slow medium is a
// small part of a camera photo. Otherwise LoadPicture, with what it says.
Picture LoadThumbnail(const QString& path, QSize bound, QString* why = nullptr,
                      const std::atomic<bool>* abort = nullptr);

// A picture compiled into the program (":/buttons/next.gif"), read through Qt's resource system
// at its natural size. A missing or unreadable one is a fault of the build: it is said on
// standard error, and the picture is null.
Picture ResourcePicture(const QString& path);

// The one line on standard error for a picture that could not be shown (a thumbnail's when
// `thumbnail`), with the reason LoadPicture gave.
void reportCannotShow(const QString& path, const QString& why, bool thumbnail = false);

// Whether the decode under way on this thread is being ended early (see `abort`): the decoder's
// complaints about the data it lacks then are no news.
bool decodeAbortedOnThisThread();

// Sets the C library's allocator up for a program that reads and decodes pictures on worker
// threads, a different one each time: called first thing in main.
void settleAllocator();

// The reduction LoadPicture decodes a JPEG at: the largest of 8, 4 and 2 by which the stored
// size, divided and rounded down, still covers `target` (both as stored), else 1.
int jpegScaleDenominator(QSize stored, QSize target);

}  // namespace platform
