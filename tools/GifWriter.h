#pragma once

// Writes a one-frame GIF: Qt reads GIF but cannot write it. Used by the sample-picture tool,
// by the artwork tool, whose button pictures have a transparent colour, and by the tests,
// which need real GIF files of their own.
#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace gifwriter {

class GifBitWriter {
public:
    explicit GifBitWriter(QByteArray& out) : out_(out) {}

    void put(int code, int bits) {
        acc_ |= std::uint32_t(code) << nbits_;
        nbits_ += bits;
        while (nbits_ >= 8) {
            pushByte(std::uint8_t(acc_ & 0xFF));
            acc_ >>= 8;
            nbits_ -= 8;
        }
    }
    void finish() {
        if (nbits_ > 0) {
            pushByte(std::uint8_t(acc_ & 0xFF));
        }
        flushBlock();
        out_.append(char(0));  // block terminator
    }

private:
    void pushByte(std::uint8_t b) {
        block_[blockLen_++] = b;
        if (blockLen_ == 255) {
            flushBlock();
        }
    }
    void flushBlock() {
        if (blockLen_ == 0) {
            return;
        }
        out_.append(char(blockLen_));
        out_.append(reinterpret_cast<const char*>(block_.data()), blockLen_);
        blockLen_ = 0;
    }

    QByteArray& out_;
    std::uint32_t acc_ = 0;
    int nbits_ = 0;
    std::array<std::uint8_t, 255> block_{};
    int blockLen_ = 0;
};

inline void appendLe16(QByteArray& out, int v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

// LZW with 8-bit symbols, as GIF wants it. The code size grows in step with the decoder,
// which adds its table entry one code later than we do.
inline void encodeLzw(const QImage& indexed, QByteArray& out) {
    constexpr int kClear = 256;
    constexpr int kEnd = 257;
    constexpr int kMaxCodes = 4096;
    out.append(char(8));  // minimum code size
    GifBitWriter bits(out);

    // table[prefix * 256 + symbol] = (generation << 12) | code; a stale generation means empty,
    // so a reset costs nothing.
    std::vector<std::uint32_t> table(std::size_t(kMaxCodes) * 256, 0);
    std::uint32_t generation = 1;
    int codeSize = 9;
    int nextCode = kEnd + 1;
    bits.put(kClear, codeSize);

    int prefix = -1;
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* line = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            const int symbol = line[x];
            if (prefix < 0) {
                prefix = symbol;
                continue;
            }
            std::uint32_t& slot = table[std::size_t(prefix) * 256 + std::size_t(symbol)];
            if ((slot >> 12) == generation) {
                prefix = int(slot & 0xFFF);
                continue;
            }
            bits.put(prefix, codeSize);
            if (nextCode < kMaxCodes) {
                slot = (generation << 12) | std::uint32_t(nextCode);
                ++nextCode;
                if (nextCode > (1 << codeSize) && codeSize < 12) {
                    ++codeSize;
                }
            } else {
                bits.put(kClear, codeSize);
                ++generation;
                codeSize = 9;
                nextCode = kEnd + 1;
            }
            prefix = symbol;
        }
    }
    if (prefix >= 0) {
        bits.put(prefix, codeSize);
        // The decoder grows its code size after this last code as after any other.
        if (nextCode < kMaxCodes) {
            ++nextCode;
            if (nextCode > (1 << codeSize) && codeSize < 12) {
                ++codeSize;
            }
        }
    }
    bits.put(kEnd, codeSize);
    bits.finish();
}

// How encode() and save() treat the alpha channel.
enum class Alpha {
    Ignore,            // every pixel is written as its colour
    ZeroIsTransparent  // pixels of alpha 0 are see-through, the others are written opaque
                       // (blend partly covered pixels against their background first)
};

// An indexed picture (Format_Indexed8) as GIF bytes, its colour table as it is; pixels of
// `transparentIndex` are see-through unless it is negative.
inline QByteArray encodeIndexed(const QImage& indexed, int transparentIndex = -1) {
    QByteArray out("GIF89a");
    appendLe16(out, indexed.width());
    appendLe16(out, indexed.height());
    out.append(char(0xF7));  // global colour table of 256 entries, 8 bits per primary
    out.append(char(0));     // background colour index
    out.append(char(0));     // square pixels
    const QList<QRgb> colours = indexed.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < colours.size() ? colours[i] : qRgb(0, 0, 0);
        out.append(char(qRed(c)));
        out.append(char(qGreen(c)));
        out.append(char(qBlue(c)));
    }
    if (transparentIndex >= 0) {
        out.append("\x21\xF9\x04", 3);  // graphic control extension of 4 bytes
        out.append(char(0x01));         // no disposal given, transparent index present
        appendLe16(out, 0);             // no delay
        out.append(char(transparentIndex));
        out.append(char(0));
    }
    out.append(char(0x2C));  // image descriptor
    appendLe16(out, 0);
    appendLe16(out, 0);
    appendLe16(out, indexed.width());
    appendLe16(out, indexed.height());
    out.append(char(0));  // no local colour table, not interlaced
    encodeLzw(indexed, out);
    out.append(char(0x3B));  // trailer
    return out;
}

// The visible pixels of `image` reduced to 255 colours, exactly when they have no more, with
// the index after the last colour for the pixels of alpha 0.
inline QImage indexedWithHole(const QImage& image, int* transparentIndex) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QList<QRgb> table;
    QHash<QRgb, int> indexOf;
    QRgb someVisible = qRgb(0, 0, 0);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(line[x]) == 0) {
                continue;
            }
            someVisible = line[x] | 0xFF000000u;
            // A 256th colour is collected only to tell that there are too many.
            if (table.size() <= 255 && !indexOf.contains(someVisible)) {
                indexOf.insert(someVisible, int(table.size()));
                table.append(someVisible);
            }
        }
    }
    // Holes take a visible colour, so that they cost the reduction none of its own.
    QImage opaque(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QRgb* to = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            to[x] = qAlpha(from[x]) == 0 ? someVisible : from[x] | 0xFF000000u;
        }
    }
    if (table.isEmpty()) {
        table.append(someVisible);
    } else if (table.size() > 255) {
        // Qt's reduction gives up to 256 colours: the least used one makes room for the hole.
        const QImage reduced = opaque.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
        table = reduced.colorTable();
        if (table.size() > 255) {
            std::vector<int> uses(std::size_t(table.size()), 0);
            for (int y = 0; y < reduced.height(); ++y) {
                for (int x = 0; x < reduced.width(); ++x) {
                    ++uses[reduced.constScanLine(y)[x]];
                }
            }
            table.remove(std::min_element(uses.begin(), uses.end()) - uses.begin());
        }
    }
    QImage indexed = opaque.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    *transparentIndex = int(table.size());
    table.append(qRgba(0, 0, 0, 0));
    indexed.setColorTable(table);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uchar* to = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(from[x]) == 0) {
                to[x] = uchar(*transparentIndex);
            }
        }
    }
    return indexed;
}

// The picture reduced to 256 colours (dithered), as GIF bytes; empty when it is too large.
// With Alpha::ZeroIsTransparent, one colour is kept for the see-through pixels.
inline QByteArray encode(const QImage& image, Alpha alpha = Alpha::Ignore) {
    if (image.width() > 0xFFFF || image.height() > 0xFFFF) {
        return {};
    }
    if (alpha == Alpha::ZeroIsTransparent) {
        int transparentIndex = -1;
        const QImage indexed = indexedWithHole(image, &transparentIndex);
        return encodeIndexed(indexed, transparentIndex);
    }
    return encodeIndexed(image.convertToFormat(QImage::Format_RGB32)
                             .convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither));
}

// Returns an empty string on success, otherwise why the file was not written.
inline QString save(const QImage& image, const QString& path, Alpha alpha = Alpha::Ignore) {
    const QByteArray bytes = encode(image, alpha);
    if (bytes.isEmpty()) {
        return QStringLiteral("too large for GIF");
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        return file.errorString();
    }
    return {};
}

}  // namespace gifwriter
