// lumosa-samples: writes generated sample pictures, either a labelled demo set for demo
// discs or camera-like photos for benchmarks. Run with --help for the options.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include "CameraThumbnail.h"
#include "ExifWriter.h"
#include "GifWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// A small generator of our own: std's distributions differ between libraries, and the
// pictures should be the same everywhere for a given seed.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
    int below(int n) { return int(next() % std::uint64_t(n)); }

private:
    std::uint64_t state_;
};

std::uint64_t hashText(const QString& text) {
    // FNV-1a: qHash is seeded per process, which would change the pictures on every run.
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (QChar c : text) {
        h ^= c.unicode();
        h *= 0x100000001B3ull;
    }
    return h;
}

enum class Format { Jpeg, Bmp, Gif };

QString extensionOf(Format f) {
    switch (f) {
        case Format::Jpeg:
            return QStringLiteral("jpg");
        case Format::Bmp:
            return QStringLiteral("bmp");
        case Format::Gif:
            return QStringLiteral("gif");
    }
    return {};
}

// With `kind`, a JPEG carries an EXIF block as a camera of that kind writes it: its orientation
// and its thumbnail.
bool writePicture(const QImage& image, const QString& path, Format format, int quality,
                  QString* why, const camerathumbnail::Kind* kind = nullptr) {
    if (format == Format::Gif) {
        *why = gifwriter::save(image, path);
        return why->isEmpty();
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format == Format::Jpeg ? "jpeg" : "bmp");
    if (format == Format::Jpeg) {
        writer.setQuality(quality);
    }
    if (!writer.write(image.convertToFormat(QImage::Format_RGB32))) {
        *why = writer.errorString();
        return false;
    }
    QByteArray bytes = buffer.data();
    if (kind && format == Format::Jpeg) {
        const QImage thumbnail = camerathumbnail::thumbnail(image, *kind);
        QBuffer small;
        small.open(QIODevice::WriteOnly);
        if ((!thumbnail.isNull() && !thumbnail.save(&small, "jpeg", 75)) ||
            (bytes = exifwriter::withExif(bytes, kind->orientation, small.data())).isEmpty()) {
            *why = QStringLiteral("the EXIF block could not be written");
            return false;
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

// ---- Pictures ----

// Sensor-like noise on every channel; it is what makes decoding cost what a real photo costs.
void addNoise(QImage& image, Rng& rng, int amplitude) {
    if (amplitude <= 0) {
        return;
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const std::uint64_t r = rng.next();
            // Two uniform draws per channel give a softer, roughly bell-shaped spread.
            auto jitter = [&](int shift) {
                const int a = int((r >> shift) & 0xFF);
                const int b = int((r >> (shift + 8)) & 0xFF);
                return ((a + b - 255) * amplitude) / 255;
            };
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + jitter(0), 0, 255),
                           std::clamp(qGreen(p) + jitter(16), 0, 255),
                           std::clamp(qBlue(p) + jitter(32), 0, 255));
        }
    }
}

QColor randomColour(Rng& rng, double satLo, double satHi, double valLo, double valHi) {
    return QColor::fromHsvF(float(rng.unit()), float(rng.range(satLo, satHi)),
                            float(rng.range(valLo, valHi)));
}

// A made-up outdoor scene: sky, sun, hills, buildings, trees and grass, then noise.
QImage makePhoto(int width, int height, std::uint64_t seed) {
    Rng rng(seed);
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width;
    const double h = height;
    const double horizon = h * rng.range(0.38, 0.62);

    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, QColor::fromHsvF(float(rng.range(0.55, 0.65)), 0.7f, 0.65f));
    sky.setColorAt(1, QColor::fromHsvF(float(rng.range(0.05, 0.15)), 0.25f, 0.95f));
    p.fillRect(QRectF(0, 0, w, horizon + 1), sky);

    const QPointF sun(rng.range(0.1, 0.9) * w, horizon * rng.range(0.2, 0.7));
    const double sunRadius = std::min(w, h) * rng.range(0.05, 0.12);
    QRadialGradient glow(sun, sunRadius * 3);
    glow.setColorAt(0, QColor(255, 250, 220, 255));
    glow.setColorAt(0.3, QColor(255, 230, 170, 160));
    glow.setColorAt(1, QColor(255, 200, 150, 0));
    p.fillRect(QRectF(0, 0, w, horizon), glow);

    // Hills, far (pale) to near (dark), each a jagged band reaching below the horizon.
    for (int layer = 0; layer < 4; ++layer) {
        QPolygonF hill;
        const double base = horizon + h * 0.05 * layer;
        hill << QPointF(0, h);
        const int steps = 12 + rng.below(12);
        for (int i = 0; i <= steps; ++i) {
            hill << QPointF(w * i / steps, base - h * rng.range(0.02, 0.18) / (layer + 1));
        }
        hill << QPointF(w, h);
        QLinearGradient fill(0, base - h * 0.2, 0, h);
        fill.setColorAt(
            0, QColor::fromHsvF(float(rng.range(0.2, 0.4)), 0.5f, float(0.75 - 0.12 * layer)));
        fill.setColorAt(
            1, QColor::fromHsvF(float(rng.range(0.08, 0.3)), 0.6f, float(0.45 - 0.08 * layer)));
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawPolygon(hill);
    }

    // Counts do not depend on the size: shapes scale with the picture, so every size of the
    // same seed shows the same kind of scene.
    const int buildings = 10 + rng.below(8);
    for (int i = 0; i < buildings; ++i) {
        const double bw = w * rng.range(0.02, 0.07);
        const double bh = h * rng.range(0.05, 0.3);
        const double bx = rng.range(0, w - bw);
        const double by = horizon + h * rng.range(0.0, 0.12) - bh;
        QLinearGradient side(bx, 0, bx + bw, 0);
        const QColor wall = randomColour(rng, 0.05, 0.35, 0.45, 0.85);
        side.setColorAt(0, wall);
        side.setColorAt(1, wall.darker(150));
        p.setBrush(side);
        p.drawRect(QRectF(bx, by, bw, bh));
        p.setBrush(QColor(40, 50, 70, 200));
        const double win = bw / 7;
        for (double wy = by + win; wy + win < by + bh; wy += win * 2) {
            for (double wx = bx + win; wx + win < bx + bw; wx += win * 2) {
                p.drawRect(QRectF(wx, wy, win, win));
            }
        }
    }

    const int trees = 40 + rng.below(30);
    for (int i = 0; i < trees; ++i) {
        const double r = std::min(w, h) * rng.range(0.01, 0.05);
        const QPointF c(rng.range(0, w), rng.range(horizon, h));
        QRadialGradient leaf(c - QPointF(r * 0.3, r * 0.3), r * 1.2);
        const QColor green = QColor::fromHsvF(
            float(rng.range(0.22, 0.38)), float(rng.range(0.5, 0.9)), float(rng.range(0.3, 0.7)));
        leaf.setColorAt(0, green.lighter(140));
        leaf.setColorAt(1, green.darker(160));
        p.setBrush(QColor(70, 45, 25));
        p.drawRect(QRectF(c.x() - r * 0.12, c.y(), r * 0.24, r * 1.3));
        p.setBrush(leaf);
        p.drawEllipse(c, r, r * rng.range(0.9, 1.4));
    }

    // Fine strokes give the high-frequency detail of real foliage.
    const int blades = 6000;
    for (int i = 0; i < blades; ++i) {
        const QPointF root(rng.range(0, w), rng.range(horizon, h));
        const double len = h * rng.range(0.005, 0.02) * (0.5 + (root.y() - horizon) / h);
        p.setPen(
            QPen(QColor::fromHsvF(float(rng.range(0.18, 0.35)), 0.7f, float(rng.range(0.25, 0.75))),
                 std::max(1.0, w / 2000.0)));
        p.drawLine(root, root + QPointF(rng.range(-0.4, 0.4) * len, -len));
    }
    p.end();

    addNoise(image, rng, 14);
    return image;
}

struct DemoKind {
    int number;
    const char* name;
    int width;
    int height;
    Format format;
};

constexpr DemoKind kDemoKinds[] = {
    {1, "landscape", 1600, 900, Format::Jpeg}, {2, "portrait", 720, 1280, Format::Jpeg},
    {3, "square", 1000, 1000, Format::Bmp},    {4, "small", 320, 240, Format::Gif},
    {5, "large", 4000, 3000, Format::Jpeg},    {6, "panorama", 1800, 450, Format::Gif},
    {7, "tiny", 160, 120, Format::Bmp},
};

QString formatName(Format f) {
    switch (f) {
        case Format::Jpeg:
            return QStringLiteral("JPEG");
        case Format::Bmp:
            return QStringLiteral("BMP");
        case Format::Gif:
            return QStringLiteral("GIF");
    }
    return {};
}

// Largest pixel size at which `text` fits in `box`.
double fittingPixelSize(const QString& text, QFont font, QSizeF box) {
    font.setPixelSize(100);
    const QRectF at100 = QFontMetricsF(font).boundingRect(text);
    const double scale = std::min(box.width() / at100.width(), box.height() / at100.height());
    return std::max(1.0, 100 * scale);
}

void drawOutlinedText(QPainter& p, const QString& text, QFont font, QRectF box, QColor fill,
                      double outline) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF bounds = path.boundingRect();
    path.translate(box.center() - bounds.center());
    p.setPen(QPen(QColor(0, 0, 0, 190), outline, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path);
}

// A calm gradient with soft circles, a frame, a "top" mark and a big label, so that a
// screenshot tells at once which picture is shown, how it is scaled and which way is up.
QImage makeDemo(const DemoKind& kind, const QString& tag, bool warning) {
    const std::uint64_t seed = hashText(tag) ^ std::uint64_t(kind.number * 7919);
    Rng rng(seed);
    const double w = kind.width;
    const double h = kind.height;
    QImage image(kind.width, kind.height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    const double hue = std::fmod(double(hashText(tag) % 1000) / 1000.0 + kind.number * 0.09, 1.0);
    QLinearGradient bg(0, 0, w, h);
    bg.setColorAt(0, QColor::fromHsvF(float(hue), 0.55f, 0.85f));
    bg.setColorAt(1, QColor::fromHsvF(float(std::fmod(hue + 0.12, 1.0)), 0.75f, 0.45f));
    p.fillRect(image.rect(), bg);
    if (warning) {
        // Pictures that must never be shown look alarming, so a screenshot cannot miss them.
        p.fillRect(image.rect(), QBrush(QColor(200, 0, 0, 120), Qt::BDiagPattern));
    }

    p.setPen(Qt::NoPen);
    const double unit = std::min(w, h);
    for (int i = 0; i < 14; ++i) {
        const QPointF c(rng.range(0, w), rng.range(0, h));
        const double r = unit * rng.range(0.05, 0.3);
        QRadialGradient soft(c, r);
        soft.setColorAt(0, QColor::fromHsvF(float(std::fmod(hue + rng.range(-0.15, 0.15) + 1, 1)),
                                            0.35f, 1.0f, 0.45f));
        soft.setColorAt(1, QColor(255, 255, 255, 0));
        p.setBrush(soft);
        p.drawEllipse(c, r, r);
    }

    const double margin = std::max(2.0, unit * 0.025);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 220), std::max(1.0, unit * 0.01)));
    p.drawRect(QRectF(margin, margin, w - 2 * margin, h - 2 * margin));

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);

    // "top" mark: a triangle and the word, centred under the upper edge.
    const double mark = std::max(4.0, unit * 0.05);
    QPolygonF tri;
    tri << QPointF(w / 2, margin * 2) << QPointF(w / 2 - mark * 0.6, margin * 2 + mark)
        << QPointF(w / 2 + mark * 0.6, margin * 2 + mark);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawPolygon(tri);
    QFont small = font;
    small.setPixelSize(std::max(6, int(mark * 0.7)));
    p.setFont(small);
    p.setPen(QColor(255, 255, 255, 230));
    p.drawText(QRectF(0, margin * 2 + mark, w, mark), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("top"));

    const QString label = QStringLiteral("%1 %2").arg(tag).arg(kind.number);
    const QRectF inner(margin * 3, h * 0.22, w - margin * 6, h * 0.42);
    QFont big = font;
    big.setPixelSize(int(fittingPixelSize(label, big, inner.size())));
    drawOutlinedText(p, label, big, inner, warning ? QColor(255, 80, 80) : Qt::white,
                     std::max(1.0, big.pixelSize() * 0.06));

    const QString detail = QStringLiteral("%1 \u00d7 %2  %3  %4")
                               .arg(kind.width)
                               .arg(kind.height)
                               .arg(formatName(kind.format), QString::fromLatin1(kind.name));
    const QRectF lower(margin * 3, h * 0.68, w - margin * 6, h * 0.12);
    QFont mid = font;
    mid.setBold(false);
    mid.setPixelSize(int(fittingPixelSize(detail, mid, lower.size())));
    drawOutlinedText(p, detail, mid, lower, QColor(255, 255, 255, 235),
                     std::max(1.0, mid.pixelSize() * 0.08));
    p.end();

    addNoise(image, rng, 4);
    return image;
}

// ---- Command line ----

int usageError(const QString& message) {
    QTextStream(stderr) << "lumosa-samples: " << message << "\n"
                        << "Try 'lumosa-samples --help'.\n";
    return 2;
}

bool parseInt(const QString& text, int lo, int hi, int* out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) {
        return false;
    }
    *out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Text needs fonts and fonts need a GUI application; the offscreen platform gives one
    // without a display, and this tool never opens a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("lumosa-samples"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes generated sample pictures into OUTDIR (made if missing) and prints\n"
                       "each file written.\n"
                       "Without --photo: the labelled demo set, one picture of each kind:\n"
                       "  1-landscape.jpg 1600x900, 2-portrait.jpg 720x1280, "
                       "3-square.bmp 1000x1000,\n"
                       "  4-small.gif 320x240, 5-large.jpg 4000x3000, 6-panorama.gif 1800x450,\n"
                       "  7-tiny.bmp 160x120; each shows the label \"TAG N\".\n"
                       "With --photo: camera-like pictures (scenery, fine detail, noise),\n"
                       "named PREFIX-0001.EXT and on."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("OUTDIR"), QStringLiteral("Folder to write to."));
    const QCommandLineOption tagOpt(QStringLiteral("tag"),
                                    QStringLiteral("Label on the demo pictures (default Sample)."),
                                    QStringLiteral("TEXT"), QStringLiteral("Sample"));
    const QCommandLineOption onlyOpt(
        QStringLiteral("only"),
        QStringLiteral("Demo kinds to write, comma-separated (default all): landscape, portrait, "
                       "square, small, large, panorama, tiny."),
        QStringLiteral("KINDS"));
    const QCommandLineOption warnOpt(
        QStringLiteral("warning"),
        QStringLiteral("Demo pictures in alarming red, for folders that must not be shown."));
    const QCommandLineOption photoOpt(QStringLiteral("photo"),
                                      QStringLiteral("Write camera-like pictures of this size."),
                                      QStringLiteral("WIDTHxHEIGHT"));
    const QCommandLineOption countOpt(QStringLiteral("count"),
                                      QStringLiteral("Number of photos (default 1)."),
                                      QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption qualityOpt(QStringLiteral("quality"),
                                        QStringLiteral("JPEG quality 1-100 (default 90)."),
                                        QStringLiteral("Q"), QStringLiteral("90"));
    const QCommandLineOption formatOpt(QStringLiteral("format"),
                                       QStringLiteral("Photo file format: jpg, bmp or gif "
                                                      "(default jpg)."),
                                       QStringLiteral("FORMAT"), QStringLiteral("jpg"));
    const QCommandLineOption seedOpt(
        QStringLiteral("seed"),
        QStringLiteral("Seed of the first photo, the next ones count up (default 1). The same "
                       "seed and size give the same picture."),
        QStringLiteral("S"), QStringLiteral("1"));
    const QCommandLineOption kindOpt(
        QStringLiteral("kind"),
        QStringLiteral("JPEG photos carry an EXIF block as a camera of this kind writes it: "
                       "camera (a 3:2 photo's 160x120 thumbnail between black bands), phone "
                       "(512x384), video (16:9, banded), stretched (to 160x120), bare (no "
                       "thumbnail), portrait (orientation 6, the thumbnail banded and unturned)."),
        QStringLiteral("KIND"));
    const QCommandLineOption prefixOpt(QStringLiteral("prefix"),
                                       QStringLiteral("Photo file name prefix (default photo)."),
                                       QStringLiteral("NAME"), QStringLiteral("photo"));
    parser.addOptions({tagOpt, onlyOpt, warnOpt, photoOpt, countOpt, qualityOpt, formatOpt, seedOpt,
                       prefixOpt, kindOpt});
    parser.process(app);

    const camerathumbnail::Kind* camera = nullptr;
    for (const camerathumbnail::Kind& k : camerathumbnail::kKinds) {
        if (parser.value(kindOpt) == QLatin1String(k.name)) {
            camera = &k;
        }
    }
    if (parser.isSet(kindOpt) && !camera) {
        return usageError(QStringLiteral("unknown --kind '%1'").arg(parser.value(kindOpt)));
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        return usageError(QStringLiteral("give exactly one OUTDIR"));
    }
    const QString outDir = positional.first();
    int quality = 0;
    if (!parseInt(parser.value(qualityOpt), 1, 100, &quality)) {
        return usageError(QStringLiteral("--quality wants a number from 1 to 100"));
    }
    if (!QDir().mkpath(outDir)) {
        QTextStream(stderr) << "lumosa-samples: cannot make folder " << outDir << "\n";
        return 1;
    }
    const QDir dir(outDir);
    QTextStream out(stdout);

    auto save = [&](const QImage& image, const QString& name, Format format) {
        const QString path = dir.filePath(name);
        QString why;
        // Dated as photos copied from a camera's card with their times kept; a show waits for
        // a file written moments ago, as it may still be being copied.
        QFile written(path);
        if (!writePicture(image, path, format, quality, &why, camera) ||
            !written.open(QIODevice::Append) ||
            !written.setFileTime(
                QDateTime::fromString(QStringLiteral("2024-06-15T10:00:00Z"), Qt::ISODate),
                QFileDevice::FileModificationTime)) {
            why = why.isEmpty() ? written.errorString() : why;
            QTextStream(stderr) << "lumosa-samples: cannot write " << path << ": " << why << "\n";
            return false;
        }
        out << path << "\n";
        out.flush();
        return true;
    };

    if (parser.isSet(photoOpt)) {
        const QRegularExpression sizeRe(QStringLiteral("^(\\d{1,5})[xX](\\d{1,5})$"));
        const QRegularExpressionMatch m = sizeRe.match(parser.value(photoOpt));
        const int width = m.hasMatch() ? m.captured(1).toInt() : 0;
        const int height = m.hasMatch() ? m.captured(2).toInt() : 0;
        if (width < 16 || height < 16 || width > 20000 || height > 20000) {
            return usageError(QStringLiteral(
                "--photo wants WIDTHxHEIGHT, each from 16 to 20000, e.g. 4000x3000"));
        }
        int count = 0;
        if (!parseInt(parser.value(countOpt), 1, 100000, &count)) {
            return usageError(QStringLiteral("--count wants a number from 1 to 100000"));
        }
        int seed = 0;
        if (!parseInt(parser.value(seedOpt), 0, 1 << 30, &seed)) {
            return usageError(QStringLiteral("--seed wants a number from 0 to 1073741824"));
        }
        const QString fmt = parser.value(formatOpt).toLower();
        Format format = Format::Jpeg;
        if (fmt == QLatin1String("bmp")) {
            format = Format::Bmp;
        } else if (fmt == QLatin1String("gif")) {
            format = Format::Gif;
        } else if (fmt != QLatin1String("jpg") && fmt != QLatin1String("jpeg")) {
            return usageError(QStringLiteral("--format wants jpg, bmp or gif"));
        }
        for (int i = 0; i < count; ++i) {
            const QString name = QStringLiteral("%1-%2.%3")
                                     .arg(parser.value(prefixOpt))
                                     .arg(i + 1, 4, 10, QLatin1Char('0'))
                                     .arg(extensionOf(format));
            if (!save(makePhoto(width, height, std::uint64_t(seed) + std::uint64_t(i)), name,
                      format)) {
                return 1;
            }
        }
        return 0;
    }

    QStringList wanted;
    if (parser.isSet(onlyOpt)) {
        wanted = parser.value(onlyOpt).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (QString& name : wanted) {
            name = name.trimmed().toLower();
            const bool known = std::any_of(std::begin(kDemoKinds), std::end(kDemoKinds),
                                           [&](const DemoKind& k) { return name == k.name; });
            if (!known) {
                return usageError(QStringLiteral("unknown demo kind '%1'").arg(name));
            }
        }
    }
    for (const DemoKind& kind : kDemoKinds) {
        if (!wanted.isEmpty() && !wanted.contains(QString::fromLatin1(kind.name))) {
            continue;
        }
        const QString name = QStringLiteral("%1-%2.%3")
                                 .arg(kind.number)
                                 .arg(QString::fromLatin1(kind.name), extensionOf(kind.format));
        if (!save(makeDemo(kind, parser.value(tagOpt), parser.isSet(warnOpt)), name, kind.format)) {
            return 1;
        }
    }
    return 0;
}
