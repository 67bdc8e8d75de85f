#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <algorithm>
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
// A band's line is dark when its pixels' brightest channels average at most this: a camera's
// black is stored at 0 to a few levels, and JPEG's ringing next to a bright picture edge lifts
// the band's lines within the same 8 x 8 block by a few tens at most.
constexpr int kDarkLine = 32;

// The mean, over line `i` of `image` (a row, or with `columns` a column), of each pixel's
// brightest channel.
int lineBrightness(const QImage& image, int i, bool columns) {
    const int length = columns ? image.height() : image.width();
    qint64 sum = 0;
    for (int j = 0; j < length; ++j) {
        const QRgb p = columns ? image.pixel(i, j) : image.pixel(j, i);
        sum += std::max({qRed(p), qGreen(p), qBlue(p)});
    }
    return int(sum / std::max(1, length));
}

// The part of `thumbnail` that holds a photo of `proportions` (width over height) fitted
// inside it between two dark bands, above and below or left and right, as cameras store a 3:2
// or 16:9 photo's 4:3 thumbnail; null when its bands are not dark (a thumbnail stretched or
// cropped to its proportions).
QRect pictureArea(const QImage& thumbnail, double proportions) {
    const bool columns = proportions < double(thumbnail.width()) / thumbnail.height();
    const int across = columns ? thumbnail.width() : thumbnail.height();
    const int along = columns ? thumbnail.height() : thumbnail.width();
    const int picture = int(std::lround(columns ? along * proportions : along / proportions));
    const int first = (across - picture) / 2;  // the band before the picture
    const int last = across - picture - first;
    if (first < 2 || last < 2) {
        return {};
    }
    // Every line of the bands dark, but the one next to the picture, which may be either.
    for (int i = 0; i < across; i = i == first - 2 ? across - last + 1 : i + 1) {
        if (lineBrightness(thumbnail, i, columns) > kDarkLine) {
            return {};
        }
    }
    // The line on either side of the picture is left out: a camera splits an odd line between
    // the bands either way, and JPEG's ringing blurs the line where band and picture meet.
    const int begin = first + 1;
    const int end = across - last - 1;
    return columns ? QRect(begin, 0, end - begin, along) : QRect(0, begin, along, end - begin);
}

// The photo's EXIF thumbnail made ready for `bound`; null where LoadPicture has to decide, with
// `file` left open and `head` holding the file's first bytes when it could be read.
Picture embedded(const QString& path, QSize bound, QFile& file, QByteArray& head) {
    if (!bound.isValid() || fileStatus(path).kind != FileKind::File ||
        !openForReading(file, path)) {
        return {};
    }
#ifdef Q_OS_UNIX
    // Only the header is wanted: the kernel's read-ahead would fetch far more from the medium.
    ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_RANDOM);
#endif
    head = file.read(kHeadBytes);
    HeadedFile headed(head, file);
    const Header header = readHeader(headed);
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
    const double proportions = double(stored.width()) / stored.height();
    if (std::abs(double(small.width()) / small.height() / proportions - 1) > kProportionTolerance) {
        const QRect area = pictureArea(image, proportions);
        if (area.width() < needed.width() || area.height() < needed.height()) {
            return {};  // no bands, or too little left between them
        }
        image = image.copy(area);
    }
    image = forDrawing(upright(std::move(image), header.orientation));
    return Picture(image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), natural);
}

}  // namespace

Picture LoadThumbnail(const QString& path, QSize bound, QString* why,
                      const std::atomic<bool>* abort) {
    QFile file;
    QByteArray head;
    Picture picture = embedded(path, bound, file, head);
    if (!picture.isNull()) {
        if (why) {
            why->clear();
        }
        return picture;
    }
    // The photo itself, from the same open file, its first bytes not read again.
#ifdef Q_OS_UNIX
    if (file.isOpen()) {
        ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);  // read whole: read ahead
    }
#endif
    return file.isOpen() && !head.isEmpty() ? loadPicture(path, bound, why, abort, &file, head)
                                            : LoadPicture(path, bound, why, abort);
}

}  // namespace platform
