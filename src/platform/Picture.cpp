#include "platform/Picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace platform {

namespace {

// Files up to this size are read into memory in one go, which suits slow media and lets the
// JPEG decoder work straight from memory; larger ones (no real picture) are read as needed.
constexpr qint64 kMaxBufferedBytes = 256 * 1024 * 1024;

// Pictures whose header claims more pixels than this are refused before any decoding. The
// decoder's own allocation limit only guards the image it hands back; a progressive JPEG
// makes libjpeg keep every coefficient of the whole picture (about 3-6 bytes a pixel) however
// small it is decoded, so a crafted header alone could cost gigabytes. 120 million pixels
// lets the largest camera photos (about 100 MP, 11648 x 8736) through.
constexpr qint64 kMaxStoredPixels = 120'000'000;

qint64 pixelCount(QSize size) {
    return qint64(size.width()) * qint64(size.height());
}

quint32 readLittle(const QByteArray& bytes, int at, int width) {
    quint32 value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | quint8(bytes.at(at + i));
    }
    return value;
}

quint32 readBig(const QByteArray& bytes, int at, int width) {
    quint32 value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | quint8(bytes.at(at + i));
    }
    return value;
}

// Walks the JPEG markers up to the frame header. Qt's reader gives no size at all for frames
// libjpeg rejects as too big, and we still want to say why.
QSize jpegFrameSize(QIODevice& device) {
    // Real files reach the frame header within a handful of segments; the cap bounds the walk
    // whatever a file holds.
    for (int step = 0; step < 100000 && !device.atEnd(); ++step) {
        const QByteArray marker = device.read(2);
        if (marker.size() < 2 || quint8(marker.at(0)) != 0xFF) {
            return {};
        }
        const quint8 code = quint8(marker.at(1));
        if (code == 0xFF) {
            device.seek(device.pos() - 1);  // fill byte before the marker proper
            continue;
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD8)) {
            continue;  // markers without a segment
        }
        if (code == 0xD9 || code == 0xDA) {
            return {};  // image data or end reached without a frame header
        }
        const QByteArray lengthBytes = device.read(2);
        if (lengthBytes.size() < 2) {
            return {};
        }
        const quint32 length = readBig(lengthBytes, 0, 2);
        const bool frame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame) {
            const QByteArray header = device.read(5);
            if (header.size() < 5) {
                return {};
            }
            return QSize(int(readBig(header, 3, 2)), int(readBig(header, 1, 2)));
        }
        if (length < 2 || !device.seek(device.pos() + length - 2)) {
            return {};
        }
    }
    return {};
}

// The stored size a JPEG, BMP or GIF header claims, read without decoding; invalid when the
// file is none of these or the header is cut short.
QSize claimedSize(QIODevice& device) {
    const QByteArray head = device.peek(30);
    if (head.startsWith("GIF8") && head.size() >= 10) {
        // The logical screen: Qt draws the first frame onto a canvas of this size.
        return QSize(int(readLittle(head, 6, 2)), int(readLittle(head, 8, 2)));
    }
    if (head.startsWith("BM") && head.size() >= 26) {
        if (readLittle(head, 14, 4) == 12) {  // OS/2 core header with 16-bit sizes
            return QSize(int(readLittle(head, 18, 2)), int(readLittle(head, 20, 2)));
        }
        const qint32 width = qint32(readLittle(head, 18, 4));
        const qint32 height = qint32(readLittle(head, 22, 4));  // negative: rows top-down
        if (width <= 0 || height == std::numeric_limits<qint32>::min()) {
            return {};
        }
        return QSize(width, std::abs(height));
    }
    if (head.startsWith("\xFF\xD8")) {
        device.seek(2);
        return jpegFrameSize(device);
    }
    return {};
}

// The largest size inside `bound` with the proportions of `natural`, rounded to the nearest
// pixel; `natural` itself when it already fits, since pictures are never enlarged.
QSize fitInside(QSize natural, QSize bound) {
    if (!bound.isValid() ||
        (natural.width() <= bound.width() && natural.height() <= bound.height())) {
        return natural;
    }
    const qint64 w = natural.width();
    const qint64 h = natural.height();
    const qint64 bw = bound.width();
    const qint64 bh = bound.height();
    qint64 fitW = bw;
    qint64 fitH = bh;
    // Integer arithmetic keeps the rounding exact: w/h compared with bw/bh by cross products.
    if (bw * h <= bh * w) {
        fitH = (2 * h * bw + w) / (2 * w);
    } else {
        fitW = (2 * w * bh + h) / (2 * h);
    }
    return QSize(int(std::max<qint64>(1, fitW)), int(std::max<qint64>(1, fitH)));
}

bool overAllocationLimit(QSize decoded) {
    const qint64 limitMb = QImageReader::allocationLimit();
    // RGB32 or ARGB32, what the readers hand back for colour pictures; a grey JPEG needs less,
    // but this only chooses the words for a refusal that has already happened.
    constexpr qint64 kBytesPerPixel = 4;
    return limitMb > 0 && pixelCount(decoded) * kBytesPerPixel > limitMb * 1024 * 1024;
}

bool isSupportedFormat(const QByteArray& format) {
    return format == "jpeg" || format == "bmp" || format == "gif";
}

// Formats the painter draws without converting each time.
QImage forDrawing(QImage image) {
    const QImage::Format wanted =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != wanted) {
        image.convertTo(wanted);
    }
    return image;
}

}  // namespace

int jpegScaleDenominator(QSize stored, QSize target) {
    if (!stored.isValid() || !target.isValid()) {
        return 1;
    }
    for (int d = 8; d > 1; d /= 2) {
        if (stored.width() / d >= target.width() && stored.height() / d >= target.height()) {
            return d;
        }
    }
    return 1;
}

Picture LoadPicture(const QString& path, QSize bound, QString* why) {
    const auto fail = [why](const char* reason) {
        if (why) {
            *why = QString::fromLatin1(reason);
        }
        return Picture();
    };
    if (why) {
        why->clear();
    }

    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        return fail("file not found");
    }
    if (info.isDir()) {
        return fail("is a folder");
    }
    if (!info.isFile()) {
        return fail("not a file");  // device or pipe: reading it could block forever
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail("cannot be read");
    }
    if (file.size() == 0) {
        return fail("empty file");
    }
    // Read once, front to back; the decoder then never waits on the medium.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QIODevice* device = &file;
    if (file.size() <= kMaxBufferedBytes) {
        bytes = file.readAll();
        file.close();
        if (bytes.isEmpty()) {
            return fail("cannot be read");
        }
        buffer.open(QIODevice::ReadOnly);
        device = &buffer;
    }

    const QSize claimed = claimedSize(*device);
    if (!device->seek(0)) {
        return fail("cannot be read");
    }
    if (claimed.isValid() && pixelCount(claimed) > kMaxStoredPixels) {
        return fail("too large");
    }

    QImageReader reader(device);
    reader.setDecideFormatFromContent(true);  // the content decides, never the name
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (format.isEmpty()) {
        return fail("not a picture");
    }
    if (!isSupportedFormat(format)) {
        return fail("unsupported format");
    }
    const QSize stored = reader.size();  // as stored, before the EXIF orientation
    if (stored.isEmpty()) {
        return fail("not a picture");
    }
    if (pixelCount(stored) > kMaxStoredPixels) {
        return fail("too large");
    }

    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    const QSize natural = turned ? stored.transposed() : stored;
    const QSize target = fitInside(natural, bound);

    // JPEG decodes at 1/2, 1/4 or 1/8 for little more than the entropy decoding, with the
    // decoder's SIMD code; other factors (which the reader would pick by itself) run plain C.
    // So ask for the smallest of those that still covers the target, and scale the rest.
    const bool jpeg = format == "jpeg";
    QSize decodeSize = stored;
    if (jpeg && target != natural) {
        // The reader scales before it turns the picture upright.
        const int d = jpegScaleDenominator(stored, turned ? target.transposed() : target);
        if (d > 1) {
            decodeSize = QSize(stored.width() / d, stored.height() / d);
            if (stored.width() % d != 0 || stored.height() % d != 0) {
                // Without the clip the reader would take another factor for the odd size; this
                // leaves out fewer than d pixels at the right and bottom, under one decoded pixel.
                reader.setClipRect(QRect(0, 0, decodeSize.width() * d, decodeSize.height() * d));
            }
            reader.setScaledSize(decodeSize);
        }
    }

    QImage image;
    if (!reader.read(&image)) {
        return fail(overAllocationLimit(decodeSize) ? "too large" : "not a picture");
    }

    image = forDrawing(std::move(image));
    // A JPEG is the whole picture, upright; a GIF frame comes on its logical screen.
    const QSize pictureSize = jpeg ? natural : image.size();
    const QSize shown = jpeg ? target : fitInside(pictureSize, bound);
    if (image.size() != shown) {
        image = image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (image.isNull()) {
            return fail("too large");
        }
    }
    return Picture(std::move(image), pictureSize);
}

}  // namespace platform
