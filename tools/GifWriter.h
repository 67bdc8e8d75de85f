#pragma once

// Writes a one-frame GIF (Qt reads GIF but does not write it). Colours are mapped to a
// 6 x 6 x 6 cube; the LZW stream sends every pixel as a literal code and restarts the code
// table before it grows, which every decoder reads and which keeps the writer tiny.
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

namespace gifwriter {

inline QByteArray encode(const QImage& source, int transparentIndex = -1) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    QByteArray out("GIF89a");
    auto put16 = [&out](int v) {
        out.append(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>((v >> 8) & 0xFF));
    };
    put16(w);
    put16(h);
    out.append(static_cast<char>(0xF7));  // global colour table of 256 entries
    out.append('\0');
    out.append('\0');
    for (int i = 0; i < 256; ++i) {
        const int c = i < 216 ? i : 0;
        out.append(static_cast<char>((c / 36) * 51));
        out.append(static_cast<char>(((c / 6) % 6) * 51));
        out.append(static_cast<char>((c % 6) * 51));
    }
    if (transparentIndex >= 0) {
        out.append("\x21\xF9\x04\x01\x00\x00", 6);
        out.append(static_cast<char>(transparentIndex));
        out.append('\0');
    }
    out.append(',');
    put16(0);
    put16(0);
    put16(w);
    put16(h);
    out.append('\0');
    out.append('\x08');  // minimum code size

    QByteArray data;
    quint32 bits = 0;
    int bitCount = 0;
    auto emitCode = [&](int code) {
        bits |= static_cast<quint32>(code) << bitCount;
        bitCount += 9;
        while (bitCount >= 8) {
            data.append(static_cast<char>(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    int sinceClear = 0;
    emitCode(256);
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            if (sinceClear == 253) {
                emitCode(256);
                sinceClear = 0;
            }
            const QRgb p = line[x];
            const int index =
                ((qRed(p) + 25) / 51) * 36 + ((qGreen(p) + 25) / 51) * 6 + (qBlue(p) + 25) / 51;
            emitCode(index);
            ++sinceClear;
        }
    }
    emitCode(257);
    if (bitCount > 0) {
        data.append(static_cast<char>(bits & 0xFF));
    }
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const qsizetype n = std::min<qsizetype>(255, data.size() - i);
        out.append(static_cast<char>(n));
        out.append(data.mid(i, n));
    }
    out.append('\0');
    out.append(';');
    return out;
}

inline bool save(const QImage& image, const QString& path) {
    QFile file(path);
    const QByteArray bytes = encode(image);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

}  // namespace gifwriter
