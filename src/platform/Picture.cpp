#include "platform/Picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>
#include <QTextStream>
#include <QTransform>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

#include <libexif/exif-data.h>

#include "platform/NativeNames.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

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
// Within that, the coefficients a progressive JPEG makes libjpeg keep (two bytes for each of the
// 64 in a block of every component, at the component's sampling) are bounded apart: up to
// 120 MP they would still cost 360 MB (4:2:0) to 720 MB (4:4:4) from a file of a few bytes.
// 200 MB takes a 4:2:0 picture of about 65 MP, a 4:4:4 one of about 33 MP.
constexpr qint64 kMaxCoefficientBytes = 200LL * 1024 * 1024;
// Decodes that need more than this at once, the file read whole included, run one at a time,
// whichever thread asks: the thumbnail sheet's workers and the show's decode ahead would
// otherwise add up their peaks.
constexpr qint64 kLargeDecodeBytes = 64LL * 1024 * 1024;
// What the readers look at to tell a format by its content: its first bytes.
constexpr qint64 kProbeBytes = 4096;

std::mutex& largeDecodeMutex() {
    static std::mutex mutex;
    return mutex;
}

// Holds the large-decode lock for one decode. On release it first hands what the decode freed
// back to the system: a worker thread's allocator would otherwise keep it, and the next large
// decode, on another thread, would add its own.
class LargeDecodeGuard {
public:
    void acquire() { lock_ = std::unique_lock<std::mutex>(largeDecodeMutex()); }
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

qint64 pixelCount(QSize size) {
    return qint64(size.width()) * qint64(size.height());
}

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

// What the markers of a JPEG before its image data tell.
struct JpegHeader {
    QSize frame;                  // the size of the frame header; invalid when none was found
    bool cutShort = false;        // the file ends before the image data: no picture in it
    qint64 coefficientBytes = 0;  // a progressive frame's coefficient store, 0 for others
    QByteArray exif;              // the first APP1 segment that is an EXIF block, from "Exif"
};

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

thread_local bool abortedHere = false;

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
            abortedHere = true;
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

// The orientation tag of an EXIF block's first directory: 1 (as stored) to 8; 1 when the block
// or the tag is missing, or its value is none of these.
int exifOrientation(const QByteArray& exif) {
    if (exif.isEmpty()) {
        return 1;
    }
    const std::unique_ptr<ExifData, decltype(&exif_data_unref)> data(exif_data_new(),
                                                                     &exif_data_unref);
    if (!data) {
        return 1;
    }
    // Read as it stands: the library would otherwise add the tags it deems mandatory.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(exif.constData()),
                        unsigned(exif.size()));
    const ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (!entry || entry->format != EXIF_FORMAT_SHORT || entry->components != 1 || entry->size < 2) {
        return 1;
    }
    const int orientation = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// What a picture file's first bytes tell, read before the file is read whole.
struct Header {
    QByteArray format;    // as the readers tell it from the content; empty: none of theirs
    QSize claimed;        // the stored size the header claims; invalid when unknown
    JpegHeader jpeg;      // what a JPEG's markers before its image data tell
    int orientation = 1;  // a JPEG's EXIF orientation
};

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

// A picture tagged with a colour profile other than sRGB (Adobe RGB from cameras, Display P3
// from phones) would look dull shown as sRGB: its pixels are converted, once they are at the
// size they are drawn. Untagged and sRGB pictures are left as they are; so is one whose profile
// Qt could not read (damaged, or of a kind it does not handle), which leaves no colour space.
void toSRgb(QImage& image, const QColorSpace& colours) {
    if (!colours.isValid() || colours == QColorSpace(QColorSpace::SRgb)) {
        return;
    }
    image.setColorSpace(colours);  // a quarter turn drops it
    image.convertToColorSpace(QColorSpace::SRgb);
}

// Orientations 5 to 8 turn the stored picture a quarter.
bool quarterTurned(int orientation) {
    return orientation >= 5;
}

// A picture decoded as stored, made upright as its EXIF orientation says: 2 mirrors it left to
// right, 4 top to bottom, 3 both; 5 to 8 turn it a quarter clockwise after mirroring it top to
// bottom (5), not at all (6), left to right (7) or both (8).
QImage upright(QImage image, int orientation) {
    const bool leftRight = orientation == 2 || orientation == 3 || orientation >= 7;
    const bool topBottom =
        orientation == 3 || orientation == 4 || orientation == 5 || orientation == 8;
    if (leftRight || topBottom) {
        image = std::move(image).mirrored(leftRight, topBottom);
    }
    if (quarterTurned(orientation)) {
        image = image.transformed(QTransform().rotate(90));
    }
    return image;
}

// The factor a JPEG stored at `stored` is decoded at to be drawn inside `bound`, upright
// (`turned`: a quarter turn from how it is stored); it is turned after the reduced decode.
int jpegReduction(QSize stored, bool turned, QSize bound) {
    const QSize natural = turned ? stored.transposed() : stored;
    const QSize target = fitInside(natural, bound);
    return jpegScaleDenominator(stored, turned ? target.transposed() : target);
}

// What decoding a picture with this header costs at most, before the reader is asked: a JPEG's
// coefficient store and its image at the decoder's factor, another picture's whole image, 4
// bytes a pixel.
qint64 decodeBytesEstimate(const Header& header, QSize bound) {
    if (!header.claimed.isValid()) {
        return header.jpeg.coefficientBytes;
    }
    const qint64 d = header.format == "jpeg"
                         ? jpegReduction(header.claimed, quarterTurned(header.orientation), bound)
                         : 1;
    return header.jpeg.coefficientBytes + pixelCount(header.claimed) / (d * d) * 4;
}

// Decodes a picture whose header passed from `device`, which holds the whole file; on failure
// returns a null Picture and sets `refusal`.
Picture decodePicture(QIODevice& device, const Header& header, QSize bound, const char*& refusal) {
    const auto fail = [&refusal](const char* reason) {
        refusal = reason;
        return Picture();
    };
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);  // the content decides, never the name
    // The orientation is ours to apply (Qt's reader looks for it only in the first APP1
    // segment), after the reduced decode.
    reader.setAutoTransform(false);
    if (reader.format() != header.format) {
        return fail("not a picture");  // changed since its header was read
    }
    // As stored, before the EXIF orientation. Qt gives a BMP stored top-down its header's
    // negative height; ours is the picture's.
    const QSize stored = header.format == "bmp" ? header.claimed : reader.size();
    if (stored.isEmpty()) {
        return fail("not a picture");
    }
    if (pixelCount(stored) > kMaxStoredPixels) {
        return fail("too large");
    }

    const bool turned = quarterTurned(header.orientation);
    const QSize natural = turned ? stored.transposed() : stored;
    const QSize target = fitInside(natural, bound);

    // JPEG decodes at 1/2, 1/4 or 1/8 for little more than the entropy decoding, with the
    // decoder's SIMD code; other factors (which the reader would pick by itself) run plain C.
    // So ask for the smallest of those that still covers the target, and scale the rest.
    QSize decodeSize = stored;
    const bool jpeg = header.format == "jpeg";
    const int factor = jpeg ? jpegReduction(stored, turned, bound) : 1;
    if (factor > 1) {
        decodeSize = QSize(stored.width() / factor, stored.height() / factor);
        if (stored.width() % factor != 0 || stored.height() % factor != 0) {
            // Without the clip the reader would take another factor for the odd size; this
            // leaves out fewer than `factor` pixels at the right and bottom, under one decoded
            // pixel.
            reader.setClipRect(
                QRect(0, 0, decodeSize.width() * factor, decodeSize.height() * factor));
        }
        reader.setScaledSize(decodeSize);
    }

    QImage image;
    if (!reader.read(&image)) {
        return fail(overAllocationLimit(decodeSize) ? "too large" : "not a picture");
    }
    if (abortedHere) {
        return fail("no longer wanted");  // not worth turning, scaling or converting
    }

    const QColorSpace colours = image.colorSpace();  // the JPEG's ICC profile, if any
    image = forDrawing(upright(std::move(image), header.orientation));
    // A JPEG is the whole picture, upright; a GIF frame comes on its logical screen.
    const QSize pictureSize = jpeg ? natural : image.size();
    const QSize shown = jpeg ? target : fitInside(pictureSize, bound);
    if (image.size() != shown) {
        image = image.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (image.isNull()) {
            return fail("too large");
        }
    }
    toSRgb(image, colours);
    return Picture(std::move(image), pictureSize);
}

}  // namespace

void reportCannotShow(const QString& path, const QString& why, bool thumbnail) {
    QTextStream(stderr) << "lumosa: cannot show " << (thumbnail ? "thumbnail " : "") << path << ": "
                        << why << Qt::endl;
}

bool decodeAbortedOnThisThread() {
    return abortedHere;
}

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

Picture LoadPicture(const QString& path, QSize bound, QString* why,
                    const std::atomic<bool>* abort) {
    const auto fail = [why](const char* reason) {
        if (why) {
            *why = QString::fromLatin1(reason);
        }
        return Picture();
    };
    if (why) {
        why->clear();
    }

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
    QFile file;
    if (kind == FileKind::Unreachable || !openForReading(file, path)) {
        return fail("cannot be read");
    }
    if (file.size() == 0) {
        return fail("empty file");
    }

    // The header alone first: a file it refuses is never read whole.
    const Header header = readHeader(file);
    if (file.error() != QFileDevice::NoError || !file.seek(0)) {
        return fail("cannot be read");
    }
    if (const char* refusal = headerRefusal(header)) {
        return fail(refusal);
    }

    // The file read whole counts with the decode towards a large one's turn, taken before the
    // reading. Declared before the buffer and the reader, so that the turn outlasts them.
    const qint64 bufferedBytes = file.size() <= kMaxBufferedBytes ? file.size() : 0;
    LargeDecodeGuard largeDecode;
    if (bufferedBytes + decodeBytesEstimate(header, bound) > kLargeDecodeBytes) {
        largeDecode.acquire();
    }

    // Read once, front to back; the decoder then never waits on the medium.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    const std::atomic<bool> never{false};
    AbortableBuffer abortable(bytes, abort ? *abort : never);
    QIODevice* device = &file;
    if (bufferedBytes > 0) {
        // An error of the medium at any point fails the picture: what was read before it
        // is no picture but a strip of one. A file that simply ends early (cut short, or
        // shrunk since) is decoded as far as it goes.
        bytes.resize(bufferedBytes);
        qint64 got = 0;
        while (got < bufferedBytes) {
            const qint64 n = file.read(bytes.data() + got, bufferedBytes - got);
            if (n < 0) {
                return fail("cannot be read");
            }
            if (n == 0) {
                break;
            }
            got += n;
        }
        bytes.truncate(got);
        file.close();
        if (bytes.isEmpty()) {
            return fail("cannot be read");
        }
        buffer.open(QIODevice::ReadOnly);
        device = abort ? static_cast<QIODevice*>(&abortable) : &buffer;
    }

    const char* refusal = nullptr;
    abortedHere = false;
    Picture picture = decodePicture(*device, header, bound, refusal);
    abortedHere = false;
    if (abort && abort->load()) {
        return fail("no longer wanted");
    }
    return refusal ? fail(refusal) : picture;
}

}  // namespace platform
