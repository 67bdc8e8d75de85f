#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cmath>

#include "platform/Exif.h"
#include "platform/NativeNames.h"
#include "platform/Picture.h"
#include "platform/PictureDecode.h"
#include "platform/PictureHeader.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#endif

namespace platform {

namespace {

// How far a thumbnail's proportions may stray from the photo's: a camera rounds its size to
// whole pixels (160 x 120 for 4:3), an edit that crops the photo leaves a stale one further off.
constexpr double kProportionTolerance = 0.03;
// Cameras store 160 x 120 or so; a block claiming more is no thumbnail worth decoding.
constexpr qint64 kMaxThumbnailPixels = 1'000'000;

// The photo's EXIF thumbnail made ready for `bound`; null where LoadPicture has to decide.
Picture embedded(const QString& path, QSize bound) {
    QFile file;
    if (!bound.isValid() || fileStatus(path).kind != FileKind::File ||
        !openForReading(file, path)) {
        return {};
    }
#ifdef Q_OS_UNIX
    // Only the header is wanted: the kernel's read-ahead would fetch far more from the medium.
    ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_RANDOM);
#endif
    const Header header = readHeader(file);
    if (header.format != "jpeg" || headerRefusal(header) || !header.claimed.isValid()) {
        return {};
    }
    QByteArray thumbnail = exifThumbnail(header.jpeg.exif);
    if (!thumbnail.startsWith("\xFF\xD8")) {
        return {};  // none, or not a JPEG: the reader would only complain
    }
    QBuffer buffer(&thumbnail);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    const QSize stored = header.claimed;
    const QSize small = reader.size();
    if (small.isEmpty() || pixelCount(small) > kMaxThumbnailPixels) {
        return {};
    }
    const double proportions = double(stored.width()) / stored.height();
    if (std::abs(double(small.width()) / small.height() / proportions - 1) > kProportionTolerance) {
        return {};
    }
    // Large enough for what would be drawn, which is never more than the photo fitted in `bound`.
    const bool turned = quarterTurned(header.orientation);
    const QSize natural = turned ? stored.transposed() : stored;
    const QSize target = fitInside(natural, bound);
    const QSize needed = turned ? target.transposed() : target;
    QImage image;
    if (small.width() < needed.width() || small.height() < needed.height() ||
        !reader.read(&image)) {
        return {};
    }
    image = forDrawing(upright(std::move(image), header.orientation));
    return Picture(image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), natural);
}

}  // namespace

Picture LoadThumbnail(const QString& path, QSize bound, QString* why,
                      const std::atomic<bool>* abort) {
    Picture picture = embedded(path, bound);
    if (!picture.isNull()) {
        if (why) {
            why->clear();
        }
        return picture;
    }
    return LoadPicture(path, bound, why, abort);
}

}  // namespace platform
