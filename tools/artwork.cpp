// lumosa-artwork: draws the program's artwork and writes it into OUTDIR: the program icon
// (lumosa.ico), the mouse pointer (remote.cur) and the pictures of the control buttons
// (buttons/*.gif). The files in resources/ are its output: `lumosa-artwork resources/`.

#include <QByteArray>
#include <QColor>
#include <QConicalGradient>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLineF>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPoint>
#include <QPolygonF>
#include <QString>
#include <QTextStream>
#include "GifWriter.h"

#include <array>
#include <initializer_list>
#include <utility>

namespace {

// ---- Icons and pointers: 16 colours and a mask, as the ICO and CUR formats hold them ----

// Index 0 is black: a masked pixel is shown as (screen AND 1) XOR its colour, which leaves
// the screen alone only for black.
using Palette = std::array<QRgb, 16>;

int nearestIndex(const Palette& palette, QRgb c) {
    int best = 0;
    int bestDistance = -1;
    for (int i = 0; i < int(palette.size()); ++i) {
        const int dr = qRed(c) - qRed(palette[i]);
        const int dg = qGreen(c) - qGreen(palette[i]);
        const int db = qBlue(c) - qBlue(palette[i]);
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

// Pixels at least half covered are shown in their nearest colour of the palette, no dither
// (it would only be noise at these sizes); the others are masked.
QImage quantized(const QImage& drawing, const Palette& palette) {
    const QImage argb = drawing.convertToFormat(QImage::Format_ARGB32);
    QImage out(argb.size(), QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QRgb* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            to[x] = qAlpha(from[x]) < 128 ? qRgba(0, 0, 0, 0)
                                          : palette[std::size_t(nearestIndex(palette, from[x]))];
        }
    }
    return out;
}

void appendLe16(QByteArray& out, int v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void appendLe32(QByteArray& out, quint32 v) {
    appendLe16(out, int(v & 0xFFFF));
    appendLe16(out, int(v >> 16));
}

// The bitmap of one image: header, palette, 4-bit colours and 1-bit mask, rows bottom-up and
// padded to 4 bytes. `image` holds only colours of the palette and fully transparent pixels.
QByteArray iconBitmap(const QImage& image, const Palette& palette) {
    const int w = image.width();
    const int h = image.height();
    const int colourRow = ((w * 4 + 31) / 32) * 4;
    const int maskRow = ((w + 31) / 32) * 4;
    QByteArray out;
    appendLe32(out, 40);  // BITMAPINFOHEADER
    appendLe32(out, quint32(w));
    appendLe32(out, quint32(2 * h));  // colours and mask, one above the other
    appendLe16(out, 1);               // planes
    appendLe16(out, 4);               // bits per pixel
    appendLe32(out, 0);               // uncompressed
    appendLe32(out, quint32((colourRow + maskRow) * h));
    appendLe32(out, 0);
    appendLe32(out, 0);
    appendLe32(out, 16);  // colours used
    appendLe32(out, 0);
    for (QRgb c : palette) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }
    QByteArray colours(colourRow * h, char(0));
    QByteArray mask(maskRow * h, char(0));
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const int row = h - 1 - y;
        for (int x = 0; x < w; ++x) {
            if (qAlpha(line[x]) == 0) {
                mask[row * maskRow + x / 8] = char(mask[row * maskRow + x / 8] | (0x80 >> (x % 8)));
                continue;
            }
            const int index = nearestIndex(palette, line[x]);
            char& pair = colours[row * colourRow + x / 2];
            pair = char(pair | (x % 2 == 0 ? index << 4 : index));
        }
    }
    return out + colours + mask;
}

// An icon file (ICO) of several sizes, or with a hotspot a pointer file (CUR).
QByteArray iconFile(const QList<QImage>& images, const Palette& palette,
                    const QPoint* hotspot = nullptr) {
    QByteArray out;
    appendLe16(out, 0);
    appendLe16(out, hotspot ? 2 : 1);
    appendLe16(out, int(images.size()));
    QByteArray bitmaps;
    int offset = 6 + 16 * int(images.size());
    for (const QImage& image : images) {
        const QByteArray bitmap = iconBitmap(image, palette);
        out.append(char(image.width()));
        out.append(char(image.height()));
        out.append(char(16));  // colours
        out.append(char(0));
        appendLe16(out, hotspot ? hotspot->x() : 1);  // planes of an icon
        appendLe16(out, hotspot ? hotspot->y() : 4);  // bits per pixel of an icon
        appendLe32(out, quint32(bitmap.size()));
        appendLe32(out, quint32(offset));
        offset += int(bitmap.size());
        bitmaps += bitmap;
    }
    return out + bitmaps;
}

QImage transparentImage(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// ---- The program icon: a compact disc ----

// Black for the mask, the edges, the greys of the silver and the pastel hues of its reflections.
const Palette kDiscPalette = {
    qRgb(0, 0, 0),       qRgb(84, 89, 98),    qRgb(132, 138, 148), qRgb(170, 175, 184),
    qRgb(200, 204, 211), qRgb(224, 227, 231), qRgb(246, 247, 249), qRgb(255, 255, 255),
    qRgb(150, 214, 236), qRgb(140, 170, 236), qRgb(190, 160, 232), qRgb(240, 166, 206),
    qRgb(244, 226, 150), qRgb(176, 228, 164), qRgb(246, 194, 150), qRgb(112, 118, 128),
};

QImage disc(int size) {
    QImage image = transparentImage(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(size / 2.0, size / 2.0);
    const double radius = size / 2.0 - 0.1;

    // The recorded side: silver, with the colours of the tracks where light falls on it.
    QConicalGradient surface(centre, 110);
    const QColor light(228, 231, 235);
    const QColor silver(212, 215, 220);
    const QColor shade(160, 166, 175);
    const QColor blue(140, 170, 236), cyan(150, 214, 236), green(176, 228, 164);
    const QColor yellow(244, 226, 150), pink(240, 166, 206), violet(190, 160, 232);
    const std::array<std::pair<double, QColor>, 16> stops = {{
        {0.00, light},
        {0.05, blue},
        {0.09, cyan},
        {0.13, green},
        {0.17, yellow},
        {0.21, pink},
        {0.26, silver},
        {0.37, shade},
        {0.50, light},
        {0.55, violet},
        {0.59, pink},
        {0.63, yellow},
        {0.67, cyan},
        {0.72, silver},
        {0.86, shade},
        {1.00, light},
    }};
    for (const auto& [at, colour] : stops) {
        surface.setColorAt(at, colour);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(surface);
    p.drawEllipse(centre, radius, radius);

    // The clear middle with its ring, and the hole.
    const double hub = radius * 0.36;
    p.setBrush(QColor(112, 118, 128));
    p.drawEllipse(centre, hub, hub);
    p.setBrush(QColor(224, 227, 231));
    const double ring = size >= 32 ? 1.0 : 0.8;
    p.drawEllipse(centre, hub - ring, hub - ring);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    const double hole = radius * 0.19;
    p.drawEllipse(centre, hole, hole);
    p.end();

    // A pixel-wide edge all round, dark outside and lighter at the hole, drawn on the pixels
    // that the mask leaves so that it stays one pixel wide everywhere.
    const QImage flat = quantized(image, kDiscPalette);
    QImage out = flat;
    const auto seeThrough = [&flat](int x, int y) {
        return !flat.rect().contains(x, y) || qAlpha(flat.pixel(x, y)) == 0;
    };
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (!seeThrough(x, y) && (seeThrough(x - 1, y) || seeThrough(x + 1, y) ||
                                      seeThrough(x, y - 1) || seeThrough(x, y + 1))) {
                const bool outer = QLineF(centre, QPointF(x + 0.5, y + 0.5)).length() > hub;
                out.setPixel(x, y, outer ? kDiscPalette[1] : kDiscPalette[15]);
            }
        }
    }
    return out;
}

// ---- The mouse pointer: a remote control, pointing with its top ----

// The middle of the top edge, where the remote points. CUR files carry it; the windows give it
// to QCursor along with the picture.
const QPoint kRemoteHotspot(16, 0);

// Black for the mask, the dark body and its light edge, the keys, the red infrared window.
const Palette kRemotePalette = {
    qRgb(0, 0, 0),       qRgb(38, 40, 46),    qRgb(60, 63, 71),    qRgb(92, 96, 106),
    qRgb(154, 160, 170), qRgb(200, 204, 210), qRgb(240, 241, 243), qRgb(224, 48, 58),
    qRgb(106, 14, 24),   qRgb(160, 42, 54),   qRgb(60, 192, 74),   qRgb(240, 208, 48),
    qRgb(58, 120, 224),  qRgb(255, 255, 255), qRgb(110, 115, 124), qRgb(18, 19, 22),
};

QImage remote() {
    QImage image = transparentImage(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // A light edge keeps the dark body visible on the dark show.
    p.setBrush(QColor(240, 241, 243));
    p.drawRoundedRect(QRectF(9, 0, 15, 32), 4, 4);
    QPainterPath body;
    body.addRoundedRect(QRectF(10, 1, 13, 30), 3, 3);
    p.fillPath(body, QColor(38, 40, 46));
    p.setClipPath(body);
    p.fillRect(QRectF(10, 1, 1, 30), QColor(60, 63, 71));
    p.fillRect(QRectF(22, 1, 1, 30), QColor(18, 19, 22));

    // The window of the infrared light at the top.
    p.fillRect(QRectF(10, 1, 13, 4), QColor(106, 14, 24));
    p.fillRect(QRectF(13, 2, 7, 1), QColor(160, 42, 54));
    p.setClipping(false);

    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(19, 6, 2, 2), QColor(224, 48, 58));  // on and off

    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(154, 160, 170));
    p.drawEllipse(QPointF(16.5, 12.5), 3.5, 3.5);
    p.setBrush(QColor(200, 204, 210));
    p.drawEllipse(QPointF(16.5, 12.5), 1.5, 1.5);

    p.setRenderHint(QPainter::Antialiasing, false);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            p.fillRect(QRect(11 + 4 * column, 18 + 3 * row, 3, 2), QColor(110, 115, 124));
        }
    }
    const std::array<QColor, 4> colours = {QColor(224, 48, 58), QColor(60, 192, 74),
                                           QColor(240, 208, 48), QColor(58, 120, 224)};
    for (int i = 0; i < int(colours.size()); ++i) {
        p.fillRect(QRect(11 + 3 * i, 27, 2, 2), colours[std::size_t(i)]);
    }
    p.end();
    return quantized(image, kRemotePalette);
}

// ---- The control buttons: a black symbol on a silver disc ----

constexpr int kButtonSize = 35;

enum class Shape { Bar, Right, Left, Gap };

// A symbol of shapes 13 pixels high and of the given widths, placed left to right from `x`;
// upright edges lie on whole pixels so that they stay sharp.
QPainterPath symbol(std::initializer_list<std::pair<Shape, double>> shapes, double x) {
    constexpr double top = 11;
    constexpr double bottom = 24;
    constexpr double middle = (top + bottom) / 2;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const auto& [shape, width] : shapes) {
        switch (shape) {
            case Shape::Bar:
                path.addRect(QRectF(x, top, width, bottom - top));
                break;
            case Shape::Right:
                path.addPolygon(
                    QPolygonF({QPointF(x, top), QPointF(x + width, middle), QPointF(x, bottom)}));
                break;
            case Shape::Left:
                path.addPolygon(QPolygonF(
                    {QPointF(x + width, top), QPointF(x, middle), QPointF(x + width, bottom)}));
                break;
            case Shape::Gap:
                break;
        }
        path.closeSubpath();
        x += width;
    }
    return path;
}

QImage button(const QPainterPath& mark) {
    QImage image = transparentImage(kButtonSize, kButtonSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const QPointF centre(kButtonSize / 2.0, kButtonSize / 2.0);
    const double radius = kButtonSize / 2.0 - 0.5;

    // Rim, then a face lit from the upper left, a little sunk into it.
    QLinearGradient rim(0, 0, kButtonSize, kButtonSize);
    rim.setColorAt(0, QColor(250, 251, 252));
    rim.setColorAt(1, QColor(128, 133, 141));
    p.setBrush(QColor(120, 125, 133));
    p.drawEllipse(centre, radius, radius);
    p.setBrush(rim);
    p.drawEllipse(centre, radius - 1, radius - 1);
    QLinearGradient face(0, 0, kButtonSize, kButtonSize);
    face.setColorAt(0.0, QColor(212, 215, 220));
    face.setColorAt(0.35, QColor(246, 247, 248));
    face.setColorAt(0.5, QColor(224, 227, 231));
    face.setColorAt(0.68, QColor(204, 208, 214));
    face.setColorAt(1.0, QColor(236, 238, 241));
    p.setBrush(face);
    p.drawEllipse(centre, radius - 2.5, radius - 2.5);

    p.setBrush(Qt::black);
    p.drawPath(mark);
    p.end();

    // Against the white window the edge is blended; outside, the picture is transparent.
    QImage out(image.size(), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* from = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb* to = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int white = 255 - qAlpha(from[x]);
            to[x] = qAlpha(from[x]) == 0 ? qRgba(0, 0, 0, 0)
                                         : qRgb(qRed(from[x]) + white, qGreen(from[x]) + white,
                                                qBlue(from[x]) + white);
        }
    }
    return out;
}

struct ButtonPicture {
    const char* name;
    QPainterPath mark;
};

QList<ButtonPicture> buttons() {
    using S = Shape;
    return {
        {"pause", symbol({{S::Bar, 4}, {S::Gap, 3}, {S::Bar, 4}}, 12)},
        {"next", symbol({{S::Right, 11}}, 13)},
        {"slower", symbol({{S::Left, 8}, {S::Left, 8}}, 9)},
        {"first", symbol({{S::Bar, 3}, {S::Gap, 1}, {S::Left, 11}}, 10)},
        {"prev", symbol({{S::Left, 11}}, 11)},
        {"last", symbol({{S::Right, 11}, {S::Gap, 1}, {S::Bar, 3}}, 10)},
        {"faster", symbol({{S::Right, 8}, {S::Right, 8}}, 10)},
    };
}

// ---- Writing ----

bool writeFile(const QString& path, const QByteArray& bytes, QTextStream& err) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        err << path << ": " << file.errorString() << '\n';
        return false;
    }
    return true;
}

// Qt must read back every image as drawn, or the program would show something else.
bool readsBack(const QString& path, const QList<QImage>& images, QTextStream& err) {
    QImageReader reader(path);
    for (const QImage& expected : images) {
        const QImage read = reader.read().convertToFormat(QImage::Format_ARGB32);
        if (read != expected.convertToFormat(QImage::Format_ARGB32)) {
            err << path << ": Qt reads back another picture: " << reader.errorString() << '\n';
            return false;
        }
        reader.jumpToNextImage();
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2 || args[1].startsWith(QLatin1Char('-'))) {
        err << "usage: lumosa-artwork OUTDIR\n"
               "Draws the program icon, the mouse pointer and the button pictures into OUTDIR.\n";
        return 2;
    }
    const QDir dir(args[1]);
    if (!dir.mkpath(QStringLiteral("buttons"))) {
        err << dir.path() << ": cannot make the folder\n";
        return 1;
    }

    struct Output {
        QString name;
        QByteArray bytes;
        QList<QImage> images;
    };
    QList<Output> outputs;
    const QList<QImage> icon = {disc(32), disc(16)};
    outputs.append({QStringLiteral("lumosa.ico"), iconFile(icon, kDiscPalette), icon});
    const QImage pointer = remote();
    outputs.append({QStringLiteral("remote.cur"),
                    iconFile({pointer}, kRemotePalette, &kRemoteHotspot),
                    {pointer}});
    for (const ButtonPicture& b : buttons()) {
        const QImage picture = button(b.mark);
        outputs.append({QStringLiteral("buttons/%1.gif").arg(QLatin1String(b.name)),
                        gifwriter::encode(picture, gifwriter::Alpha::ZeroIsTransparent),
                        {picture}});
    }
    for (const Output& o : outputs) {
        const QString path = dir.filePath(o.name);
        if (!writeFile(path, o.bytes, err) || !readsBack(path, o.images, err)) {
            return 1;
        }
        out << path << '\n';
    }
    return 0;
}
