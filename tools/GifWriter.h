#pragma once

// Writes a one-frame GIF with giflib: Qt reads GIF but cannot write it. Used by the
// sample-picture tool, by the artwork tool, whose button pictures have a transparent colour,
// and by the tests, which need real GIF files of their own.
#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <vector>

#include <gif_lib.h>

namespace gifwriter {

// How encode() and save() treat the alpha channel.
enum class Alpha {
    Ignore,            // every pixel is written as its colour
    ZeroIsTransparent  // pixels of alpha 0 are see-through, the others are written opaque
                       // (blend partly covered pixels against their background first)
};

// An indexed picture (Format_Indexed8) as GIF bytes, its colour table as it is; pixels of
// `transparentIndex` are see-through unless it is negative. Empty when giflib fails.
inline QByteArray encodeIndexed(const QImage& indexed, int transparentIndex = -1) {
    QByteArray out;
    const auto append = [](GifFileType* gif, const GifByteType* data, int length) {
        static_cast<QByteArray*>(gif->UserData)
            ->append(reinterpret_cast<const char*>(data), length);
        return length;
    };
    int error = 0;
    GifFileType* gif = EGifOpen(&out, append, &error);
    if (!gif) {
        return {};
    }
    // Always a table of 256 entries, unused ones black.
    std::array<GifColorType, 256> colours{};
    const QList<QRgb> table = indexed.colorTable();
    for (int i = 0; i < std::min(int(table.size()), 256); ++i) {
        colours[i] = {GifByteType(qRed(table[i])), GifByteType(qGreen(table[i])),
                      GifByteType(qBlue(table[i]))};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifSetGifVersion(gif, true);
    const int width = indexed.width(), height = indexed.height();
    bool ok = map && EGifPutScreenDesc(gif, width, height, 8, 0, map) == GIF_OK;
    if (ok && transparentIndex >= 0) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = transparentIndex;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    // giflib masks the line it is given in place: it gets a copy.
    std::vector<GifPixelType> line(std::size_t(std::max(width, 1)));
    for (int y = 0; ok && y < height; ++y) {
        std::copy_n(indexed.constScanLine(y), width, line.begin());
        ok = EGifPutLine(gif, line.data(), width) == GIF_OK;
    }
    GifFreeMapObject(map);
    ok = EGifCloseFile(gif, &error) == GIF_OK && ok;
    return ok ? out : QByteArray();
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
    if (image.width() > 0xFFFF || image.height() > 0xFFFF) {
        return QStringLiteral("too large for GIF");
    }
    const QByteArray bytes = encode(image, alpha);
    if (bytes.isEmpty()) {
        return QStringLiteral("giflib could not encode it");
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        return file.errorString();
    }
    return {};
}

}  // namespace gifwriter
