#include "platform/PictureDecode.h"

#include <QColorSpace>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <cstring>

#include "platform/JpegHalves.h"
#include "platform/PictureColour.h"
#include "platform/RecycledBlock.h"

namespace platform {

namespace {

thread_local bool abortedHere = false;

// Decodes whose image has fewer pixels than this gain too little from a second thread.
constexpr qint64 kHalvesPixels = 2'000'000;

bool overAllocationLimit(QSize decoded) {
    const qint64 limitMb = QImageReader::allocationLimit();
    // RGB32 or ARGB32, what the readers hand back for colour pictures; a grey JPEG needs less,
    // but this only chooses the words for a refusal that has already happened.
    constexpr qint64 kBytesPerPixel = 4;
    return limitMb > 0 && pixelCount(decoded) * kBytesPerPixel > limitMb * 1024 * 1024;
}

}  // namespace

void markAborted() {
    abortedHere = true;
}

void clearAborted() {
    abortedHere = false;
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

// Formats the painter draws without converting each time.
QImage forDrawing(QImage image) {
    const QImage::Format wanted =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != wanted) {
        image.convertTo(wanted);
    }
    return image;
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
Picture decodePicture(QIODevice& device, const QByteArray& bytes, const Header& header, QSize bound,
                      const char*& refusal, const std::atomic<bool>* abort) {
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

    // Decoded into memory that an earlier picture used: the decoder takes an image of the right
    // size and format as it is. Not one past the allocation limit, which the reader's own
    // image then refuses, nor one too large to be kept.
    const qint64 decodeBytes = pixelCount(decodeSize) * 4;
    const bool kept =
        jpeg && !overAllocationLimit(decodeSize) && decodeBytes <= BlockPool::kKeptBytes;
    QImage image = kept ? BlockPool::shared().image(decodeSize, reader.imageFormat()) : QImage();
    // A large colour photo read into memory, as the screen shows one: in two halves at once. Any
    // other, or one the decoder stumbles on that way, through Qt's reader.
    QByteArray profile;
    const bool halves = kept && image.format() == QImage::Format_RGB32 && !bytes.isEmpty() &&
                        header.jpeg.coefficientBytes == 0 && decodeSize * factor == stored &&
                        pixelCount(decodeSize) >= kHalvesPixels &&
                        decodeJpegInHalves(bytes, factor, image, profile, abort);
    if (abort && abort->load()) {
        return fail("no longer wanted");
    }
    QColorSpace colours;  // the JPEG's ICC profile, if any
    if (halves) {
        colours = profile.isEmpty() ? QColorSpace() : QColorSpace::fromIccProfile(profile);
    } else {
        if (!reader.read(&image)) {
            return fail(overAllocationLimit(decodeSize) ? "too large" : "not a picture");
        }
        if (abortedHere) {
            return fail("no longer wanted");  // not worth turning, scaling or converting
        }
        colours = image.colorSpace();
    }
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

}  // namespace platform
