#pragma once

// Writes a one-frame GIF: Qt reads GIF but cannot write it. Used by the sample-picture tool
// and by the tests, which need real GIF files of their own.
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QList>
#include <QString>

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

// The picture reduced to 256 colours (dithered), as GIF bytes; empty when it is too large.
inline QByteArray encode(const QImage& image) {
    if (image.width() > 0xFFFF || image.height() > 0xFFFF) {
        return {};
    }
    const QImage indexed = image.convertToFormat(QImage::Format_RGB32)
                               .convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
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

// Returns an empty string on success, otherwise why the file was not written.
inline QString save(const QImage& image, const QString& path) {
    const QByteArray bytes = encode(image);
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
