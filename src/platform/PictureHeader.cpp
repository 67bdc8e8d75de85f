#include "platform/PictureHeader.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/Exif.h"

namespace platform {

namespace {

// What the readers look at to tell a format by its content: its first bytes.
constexpr qint64 kProbeBytes = 4096;
// Within that, the coefficients a progressive JPEG makes libjpeg keep (two bytes for each of the
// 64 in a block of every component, at the component's sampling) are bounded apart: up to
// 120 MP they would still cost 360 MB (4:2:0) to 720 MB (4:4:4) from a file of a few bytes.
// 200 MB takes a 4:2:0 picture of about 65 MP, a 4:4:4 one of about 33 MP.
constexpr qint64 kMaxCoefficientBytes = 200LL * 1024 * 1024;
// Unsigned numbers of `width` bytes at `at`, as the formats store them. Byte by byte, with the
// caller having checked the size: no wider read the compiler could not see bounded.
quint32 readLittle(QByteArrayView bytes, qsizetype at, int width) {
    quint32 value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = (value << 8) | quint8(bytes[at + i]);
    }
    return value;
}

quint32 readBig(QByteArrayView bytes, qsizetype at, int width) {
    quint32 value = 0;
    for (int i = 0; i < width; ++i) {
        value = (value << 8) | quint8(bytes[at + i]);
    }
    return value;
}

// The coefficient store libjpeg allocates for a whole progressive frame: every component's
// blocks, at its sampling against the largest, whole MCUs, 64 two-byte coefficients a block.
qint64 progressiveCoefficientBytes(const QByteArray& frame, QSize size) {
    const int components = quint8(frame.at(5));
    if (frame.size() < 6 + 3 * components) {
        return 0;  // cut short: the decoder fails on it without allocating
    }
    int hMax = 1;
    int vMax = 1;
    for (int c = 0; c < components; ++c) {
        const quint8 sampling = quint8(frame.at(6 + 3 * c + 1));
        hMax = std::max(hMax, sampling >> 4);
        vMax = std::max(vMax, sampling & 0x0F);
    }
    const qint64 mcusWide = (size.width() + 8LL * hMax - 1) / (8LL * hMax);
    const qint64 mcusHigh = (size.height() + 8LL * vMax - 1) / (8LL * vMax);
    qint64 blocks = 0;
    for (int c = 0; c < components; ++c) {
        const quint8 sampling = quint8(frame.at(6 + 3 * c + 1));
        blocks += mcusWide * (sampling >> 4) * mcusHigh * (sampling & 0x0F);
    }
    return blocks * 64 * 2;
}

// Walks the JPEG markers up to the image data. Qt's reader gives no size at all for frames
// libjpeg rejects as too big, and we still want to say why. A file that ends inside its
// header is refused here: past the end, libjpeg is fed an end marker two bytes at a time,
// so a segment claiming 64 KB beyond the end would cost tens of thousands of reads, on every
// pass the reader makes over the file. A progressive frame also gives the bytes of its
// coefficient store. The EXIF block is collected wherever it stands: Qt's reader looks only at
// the first APP1 segment, which is often XMP.
JpegHeader readJpegHeader(QIODevice& device) {
    JpegHeader header;
    // Real files reach the image data within a handful of segments; the cap bounds the walk
    // whatever a file holds.
    for (int step = 0; step < 100000; ++step) {
        if (device.atEnd()) {
            header.cutShort = true;
            return header;
        }
        const QByteArray marker = device.read(2);
        if (marker.size() < 2 || quint8(marker.at(0)) != 0xFF) {
            return header;  // stray bytes, which libjpeg skips: leave the verdict to it
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
            return header;  // end of image, or the image data reached
        }
        const QByteArray lengthBytes = device.read(2);
        const quint32 length = lengthBytes.size() < 2 ? 0 : readBig(lengthBytes, 0, 2);
        if (lengthBytes.size() < 2 || device.pos() + length - 2 > device.size()) {
            header.cutShort = true;
            return header;
        }
        if (length < 2) {
            return header;
        }
        const qint64 next = device.pos() + length - 2;
        const bool frame =
            code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame && !header.frame.isValid()) {
            const QByteArray bytes = device.read(length - 2);
            if (bytes.size() >= 6) {
                header.frame = QSize(int(readBig(bytes, 3, 2)), int(readBig(bytes, 1, 2)));
                const bool progressive =
                    code == 0xC2 || code == 0xC6 || code == 0xCA || code == 0xCE;
                if (progressive) {
                    header.coefficientBytes = progressiveCoefficientBytes(bytes, header.frame);
                }
            }
        }
        if (code == 0xE1 && header.exif.isEmpty() &&
            device.peek(6) == QByteArrayLiteral("Exif\0\0")) {
            header.exif = device.read(length - 2);
        }
        if (!device.seek(next)) {
            return header;
        }
    }
    return header;
}

// The stored size a JPEG, BMP or GIF header claims, read without decoding; invalid when the
// file is none of these or the header is cut short. A JPEG also fills `jpeg`.
QSize claimedSize(QIODevice& device, JpegHeader& jpeg) {
    const QByteArray head = device.peek(30);
    if (head.startsWith("GIF8") && head.size() >= 10) {
        // The logical screen: Qt draws the first frame onto a canvas of this size.
        return QSize(int(readLittle(head, 6, 2)), int(readLittle(head, 8, 2)));
    }
    if (head.startsWith("BM") && head.size() >= 26) {
        // An OS/2 core header (12 bytes) holds 16-bit sizes.
        if (readLittle(head, 14, 4) == 12) {
            return QSize(int(readLittle(head, 18, 2)), int(readLittle(head, 20, 2)));
        }
        const qint32 width = qint32(readLittle(head, 18, 4));
        // A negative height: rows stored top-down.
        const qint32 height = qint32(readLittle(head, 22, 4));
        if (width <= 0 || height == std::numeric_limits<qint32>::min()) {
            return {};
        }
        return QSize(width, std::abs(height));
    }
    if (head.startsWith("\xFF\xD8")) {
        device.seek(2);
        jpeg = readJpegHeader(device);
        return jpeg.frame;
    }
    return {};
}

bool isSupportedFormat(const QByteArray& format) {
    return format == "jpeg" || format == "bmp" || format == "gif";
}

}  // namespace

qint64 pixelCount(QSize size) {
    return qint64(size.width()) * qint64(size.height());
}

Header readHeader(QIODevice& device) {
    Header header;
    {
        // The reader probes under a lock of Qt's own: it is given bytes already read, so that a
        // read stuck on the medium holds this thread only, never every other picture's probe.
        QByteArray head = device.peek(kProbeBytes);
        QBuffer buffer(&head);
        buffer.open(QIODevice::ReadOnly);
        QImageReader probe(&buffer);
        probe.setDecideFormatFromContent(true);  // the content decides, never the name
        header.format = probe.format();
    }
    if (device.seek(0)) {
        header.claimed = claimedSize(device, header.jpeg);
        header.orientation = exifOrientation(header.jpeg.exif);
    }
    return header;
}

// Why a file with this header is refused before it is read whole; nullptr when it is not.
const char* headerRefusal(const Header& header) {
    if (header.jpeg.cutShort) {
        return "not a picture";
    }
    if ((header.claimed.isValid() && pixelCount(header.claimed) > kMaxStoredPixels) ||
        header.jpeg.coefficientBytes > kMaxCoefficientBytes) {
        return "too large";
    }
    if (header.format.isEmpty()) {
        return "not a picture";
    }
    if (!isSupportedFormat(header.format)) {
        return "unsupported format";
    }
    return nullptr;
}

}  // namespace platform
