#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <thread>
#include <vector>

#include "platform/Picture.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>  // mkfifo
#endif

using platform::LoadPicture;
using platform::Picture;

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(128, 128, 128);  // what libjpeg shows where data is missing

bool near(QRgb a, QRgb b, int tolerance = 48) {
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

QByteArray encode(const QImage& image, const char* format, int quality = 90,
                  bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    return writer.write(image) ? bytes : QByteArray();
}

// An EXIF block holding nothing but the orientation tag, placed right after SOI.
QByteArray withOrientation(QByteArray jpeg, int orientation) {
    QByteArray app1(
        "\xFF\xE1\x00\x22"
        "Exif\0\0"
        "MM\x00\x2A\x00\x00\x00\x08"         // big-endian TIFF, first IFD at 8
        "\x00\x01"                           // one entry
        "\x01\x12\x00\x03\x00\x00\x00\x01",  // orientation, SHORT, count 1
        28);
    app1 += char(0);
    app1 += char(orientation);
    app1 += QByteArray(6, '\0');  // rest of the value field, then no further IFD
    return jpeg.insert(2, app1);
}

// Rewrites the frame header so the JPEG claims another size; its data stays that of the
// small picture, so decoding runs out early.
QByteArray withFrameSize(QByteArray jpeg, QSize size) {
    for (int at = 2; at + 9 < jpeg.size();) {
        const auto marker = quint8(jpeg[at + 1]);
        if (marker == 0xC0 || marker == 0xC2) {
            jpeg[at + 5] = char(size.height() >> 8);
            jpeg[at + 6] = char(size.height());
            jpeg[at + 7] = char(size.width() >> 8);
            jpeg[at + 8] = char(size.width());
            return jpeg;
        }
        at += 2 + (quint8(jpeg[at + 2]) << 8 | quint8(jpeg[at + 3]));
    }
    return {};
}

void little(QByteArray& bytes, quint32 value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes += char(value >> (8 * i));
    }
}

QByteArray bmpClaiming(QSize size) {
    QByteArray b("BM");
    for (quint32 field : {54u + 1024u, 0u, 54u, 40u}) {
        little(b, field, 4);
    }
    little(b, quint32(size.width()), 4);
    little(b, quint32(size.height()), 4);
    little(b, 1, 2);
    little(b, 24, 2);
    b += QByteArray(24, '\0');
    return b + QByteArray(1024, '\x40');
}

// A GIF whose frames each cover `frame` with one palette index. Codes are 8 bits wide (7-bit
// minimum code size) and a clear code comes every 100 pixels, so the table never grows and
// no real compression is needed.
QByteArray gif(QSize screen, const QList<QRgb>& palette, const QList<int>& frames, QSize frame,
               int transparentIndex = -1) {
    QByteArray b("GIF89a");
    little(b, quint32(screen.width()), 2);
    little(b, quint32(screen.height()), 2);
    b += QByteArray("\xF6\0\0", 3);  // 128-entry global palette
    for (int i = 0; i < 128; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : 0;
        b += char(qRed(c));
        b += char(qGreen(c));
        b += char(qBlue(c));
    }
    for (int index : frames) {
        b += QByteArray("\x21\xF9\x04", 3) + char(transparentIndex >= 0 ? 1 : 0);
        little(b, 10, 2);
        b += char(qMax(transparentIndex, 0));
        b += char(0);
        b += char(0x2C);
        little(b, 0, 4);
        little(b, quint32(frame.width()), 2);
        little(b, quint32(frame.height()), 2);
        b += QByteArray("\0\x07", 2);
        QByteArray codes;
        // A huge frame gets only its first pixels; the rest is simply missing.
        const qint64 pixels = qMin(qint64(frame.width()) * frame.height(), qint64(100000));
        for (qint64 i = 0; i < pixels; ++i) {
            codes += (i % 100 == 0 ? QByteArray("\x80", 1) : QByteArray()) + char(index);
        }
        codes += char(0x81);
        for (int at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            b += char(block.size()) + block;
        }
        b += char(0);
    }
    return b + char(0x3B);
}

QImage filled(QSize size, QRgb colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// White, with a red block at the top left and a blue block at the top right (as stored).
QImage marked(QSize size) {
    QImage image = filled(size, kWhite);
    const int w = size.width() / 4;
    const int h = size.height() / 4;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, kRed);
            image.setPixel(size.width() - 1 - x, y, kBlue);
        }
    }
    return image;
}

enum Corner { TopLeft, TopRight, BottomLeft, BottomRight };

QRgb cornerOf(const QImage& image, Corner corner) {
    const int dx = image.width() / 10;
    const int dy = image.height() / 10;
    const bool right = corner == TopRight || corner == BottomRight;
    const bool bottom = corner == BottomLeft || corner == BottomRight;
    return image.pixel(right ? image.width() - 1 - dx : dx, bottom ? image.height() - 1 - dy : dy);
}

}  // namespace

class PictureTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // Damaged and oversized files are the point of several cases; their warnings are noise.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    }

    void orientation_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("bound");
        QTest::addColumn<QSize>("natural");
        QTest::addColumn<QSize>("decoded");
        QTest::addColumn<int>("red");
        QTest::addColumn<int>("blue");
        // Stored 400 x 300; the bound is wide, so turning before fitting matters.
        const QSize wide(200, 100);
        QTest::newRow("1") << 1 << QSize() << QSize(400, 300) << QSize(400, 300) << +TopLeft
                           << +TopRight;
        QTest::newRow("1 bound") << 1 << wide << QSize(400, 300) << QSize(133, 100) << +TopLeft
                                 << +TopRight;
        QTest::newRow("3") << 3 << QSize() << QSize(400, 300) << QSize(400, 300) << +BottomRight
                           << +BottomLeft;
        QTest::newRow("3 bound") << 3 << wide << QSize(400, 300) << QSize(133, 100) << +BottomRight
                                 << +BottomLeft;
        QTest::newRow("6") << 6 << QSize() << QSize(300, 400) << QSize(300, 400) << +TopRight
                           << +BottomRight;
        QTest::newRow("6 bound") << 6 << wide << QSize(300, 400) << QSize(75, 100) << +TopRight
                                 << +BottomRight;
        QTest::newRow("8") << 8 << QSize() << QSize(300, 400) << QSize(300, 400) << +BottomLeft
                           << +TopLeft;
        QTest::newRow("8 bound") << 8 << wide << QSize(300, 400) << QSize(75, 100) << +BottomLeft
                                 << +TopLeft;
        QTest::newRow("2 mirrored")
            << 2 << QSize() << QSize(400, 300) << QSize(400, 300) << +TopRight << +TopLeft;
        QTest::newRow("5 transposed")
            << 5 << wide << QSize(300, 400) << QSize(75, 100) << +TopLeft << +BottomLeft;
    }

    void orientation() {
        QFETCH(int, orientation);
        QFETCH(QSize, bound);
        const QString path =
            write(QStringLiteral("o%1.jpg").arg(orientation),
                  withOrientation(encode(marked({400, 300}), "jpeg"), orientation));
        const Picture picture = LoadPicture(path, bound);
        QVERIFY(!picture.isNull());
        QTEST(picture.naturalSize(), "natural");
        QTEST(picture.image().size(), "decoded");
        QFETCH(int, red);
        QFETCH(int, blue);
        const QImage& image = picture.image();
        for (Corner corner : {TopLeft, TopRight, BottomLeft, BottomRight}) {
            const QRgb expected = corner == red ? kRed : corner == blue ? kBlue : kWhite;
            QVERIFY2(near(cornerOf(image, corner), expected),
                     qPrintable(QStringLiteral("corner %1 is %2")
                                    .arg(corner)
                                    .arg(cornerOf(image, corner), 8, 16)));
        }
    }

    void bound_data() {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<QSize>("bound");
        QTest::addColumn<QSize>("decoded");
        QTest::newRow("jpeg no bound")
            << QByteArray("jpeg") << QSize(640, 480) << QSize() << QSize(640, 480);
        QTest::newRow("jpeg never enlarged")
            << QByteArray("jpeg") << QSize(640, 480) << QSize(1920, 1080) << QSize(640, 480);
        QTest::newRow("jpeg exactly the bound")
            << QByteArray("jpeg") << QSize(640, 480) << QSize(640, 480) << QSize(640, 480);
        QTest::newRow("jpeg width limits")
            << QByteArray("jpeg") << QSize(640, 480) << QSize(320, 320) << QSize(320, 240);
        QTest::newRow("jpeg height limits")
            << QByteArray("jpeg") << QSize(640, 480) << QSize(1000, 120) << QSize(160, 120);
        QTest::newRow("jpeg one side too big")
            << QByteArray("jpeg") << QSize(640, 480) << QSize(1000, 479) << QSize(639, 479);
        QTest::newRow("jpeg rounds to nearest")
            << QByteArray("jpeg") << QSize(641, 479) << QSize(100, 100) << QSize(100, 75);
        QTest::newRow("jpeg portrait on screen")
            << QByteArray("jpeg") << QSize(1200, 1600) << QSize(1920, 1080) << QSize(810, 1080);
        QTest::newRow("jpeg at least a pixel")
            << QByteArray("jpeg") << QSize(1000, 8) << QSize(50, 50) << QSize(50, 1);
        QTest::newRow("bmp no bound")
            << QByteArray("bmp") << QSize(640, 480) << QSize() << QSize(640, 480);
        QTest::newRow("bmp never enlarged")
            << QByteArray("bmp") << QSize(640, 480) << QSize(1920, 1080) << QSize(640, 480);
        QTest::newRow("bmp reduced")
            << QByteArray("bmp") << QSize(640, 480) << QSize(320, 320) << QSize(320, 240);
        QTest::newRow("gif never enlarged")
            << QByteArray("gif") << QSize(64, 48) << QSize(1920, 1080) << QSize(64, 48);
        QTest::newRow("gif reduced")
            << QByteArray("gif") << QSize(64, 48) << QSize(16, 100) << QSize(16, 12);
    }

    void bound() {
        QFETCH(QByteArray, format);
        QFETCH(QSize, stored);
        QFETCH(QSize, bound);
        const QByteArray bytes = format == "gif" ? gif(stored, {kRed}, {0}, stored)
                                                 : encode(filled(stored, kRed), format.constData());
        const Picture picture = LoadPicture(write(QStringLiteral("b.") + format, bytes), bound);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.naturalSize(), stored);
        QTEST(picture.image().size(), "decoded");
        QVERIFY(near(picture.image().pixel(0, 0), kRed));
    }

    void smoothReduction_data() {
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("jpeg") << QByteArray("jpeg");
        QTest::newRow("bmp") << QByteArray("bmp");
    }

    // One-pixel stripes reduced must average to grey; picking pixels would keep them black or
    // white.
    void smoothReduction() {
        QFETCH(QByteArray, format);
        QImage stripes = filled({403, 301}, kWhite);
        for (int y = 0; y < stripes.height(); ++y) {
            for (int x = 0; x < stripes.width(); x += 2) {
                stripes.setPixel(x, y, qRgb(0, 0, 0));
            }
        }
        const Picture picture = LoadPicture(
            write(QStringLiteral("s.") + format, encode(stripes, format.constData(), 100)),
            QSize(97, 97));
        QCOMPARE(picture.image().size(), QSize(97, 72));
        for (int x = 10; x < 20; ++x) {
            QVERIFY(near(picture.image().pixel(x, 36), kGrey, 40));
        }
    }

    // An 8000 x 6000 camera photo: at full size its 192 MB are past the reader's 128 MB limit,
    // which we keep, so it only loads reduced.
    void cameraPicture_data() {
        QImage big = filled(QSize(8000, 6000), kWhite);
        for (int y = 0; y < 1500; ++y) {
            std::fill_n(reinterpret_cast<QRgb*>(big.scanLine(y)), 2000, kRed);
        }
        const QByteArray jpeg = encode(big, "jpeg", 60);
        const QString level = write(QStringLiteral("camera.jpg"), jpeg);
        const QString turned = write(QStringLiteral("turned.jpg"), withOrientation(jpeg, 6));
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("bound");
        QTest::addColumn<QSize>("natural");
        QTest::addColumn<QSize>("decoded");
        QTest::addColumn<int>("red");
        QTest::newRow("screen") << level << QSize(1920, 1080) << QSize(8000, 6000)
                                << QSize(1440, 1080) << +TopLeft;
        QTest::newRow("screen, upright")
            << turned << QSize(1920, 1080) << QSize(6000, 8000) << QSize(810, 1080) << +TopRight;
        QTest::newRow("full size") << level << QSize() << QSize() << QSize() << 0;
        QTest::newRow("bound past the limit")
            << level << QSize(8000, 8000) << QSize() << QSize() << 0;
    }

    void cameraPicture() {
        QFETCH(QString, path);
        QFETCH(QSize, bound);
        QFETCH(QSize, decoded);
        QFETCH(int, red);
        QString why;
        const Picture picture = LoadPicture(path, bound, &why);
        QTEST(picture.naturalSize(), "natural");
        if (decoded.isValid()) {
            QCOMPARE(picture.image().size(), decoded);
            QVERIFY(why.isEmpty());
            QVERIFY(near(cornerOf(picture.image(), Corner(red)), kRed));
            QVERIFY(near(cornerOf(picture.image(), BottomLeft), kWhite));
        } else {
            QVERIFY(picture.isNull());
            QCOMPARE(why, QStringLiteral("too large"));
        }
    }

    void absurdSizes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("bound");
        const QByteArray jpeg = encode(filled({64, 48}, kRed), "jpeg");
        const QByteArray progressive = encode(filled({64, 48}, kRed), "jpeg", 90, true);
        const QSize screen(1920, 1080);
        QTest::newRow("bmp 100000") << bmpClaiming({100000, 100000}) << QSize();
        QTest::newRow("bmp 100000 bound") << bmpClaiming({100000, 100000}) << screen;
        QTest::newRow("bmp 200 MP") << bmpClaiming({20000, 10000}) << screen;
        QTest::newRow("jpeg 65535") << withFrameSize(jpeg, {65535, 65535}) << QSize();
        QTest::newRow("jpeg 65535 bound") << withFrameSize(jpeg, {65535, 65535}) << screen;
        QTest::newRow("jpeg 65500 bound") << withFrameSize(jpeg, {65500, 65500}) << screen;
        // libjpeg would keep the whole picture's coefficients: gigabytes, whatever the bound.
        QTest::newRow("progressive jpeg 1.3 GP bound")
            << withFrameSize(progressive, {65500, 20000}) << screen;
        QTest::newRow("gif 65535") << gif({65535, 65535}, {kRed}, {0}, {65535, 65535}) << screen;
        QTest::newRow("gif screen 65535") << gif({65535, 65535}, {kRed}, {0}, {2, 2}) << QSize();
    }

    void absurdSizes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, bound);
        QVERIFY(!bytes.isEmpty());
        QString why;
        const Picture picture = LoadPicture(write(QStringLiteral("absurd"), bytes), bound, &why);
        QVERIFY(picture.isNull());
        QCOMPARE(why, QStringLiteral("too large"));
    }

    // Our own pixel guard must not turn away the biggest camera photos.
    void hundredMegapixelsLoad() {
        const QByteArray bytes =
            withFrameSize(encode(filled({64, 48}, kRed), "jpeg"), {12000, 9000});
        const Picture picture =
            LoadPicture(write(QStringLiteral("108mp.jpg"), bytes), {1920, 1080});
        QCOMPARE(picture.naturalSize(), QSize(12000, 9000));
        QCOMPARE(picture.image().size(), QSize(1440, 1080));
    }

    void truncatedJpeg() {
        QImage image = filled({256, 256}, kBlue);
        const QByteArray whole = encode(image, "jpeg");
        const Picture picture =
            LoadPicture(write(QStringLiteral("cut.jpg"), whole.left(whole.size() / 2)));
        QCOMPARE(picture.naturalSize(), QSize(256, 256));
        QVERIFY(near(cornerOf(picture.image(), TopLeft), kBlue));
        QVERIFY(near(cornerOf(picture.image(), BottomRight), kGrey, 8));
    }

    void failures_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        const QByteArray jpeg = encode(filled({64, 48}, kRed), "jpeg");
        QTest::newRow("missing") << "missing.jpg" << QByteArray() << "file not found";
        QTest::newRow("empty") << "empty.jpg" << QByteArray("") << "empty file";
        QTest::newRow("text named gif")
            << "text.gif" << QByteArray("just some words\n") << "not a picture";
        QTest::newRow("noise named bmp")
            << "noise.bmp" << QByteArray(2000, '\x5A') << "not a picture";
        QTest::newRow("jpeg cut in its header") << "head.jpg" << jpeg.left(20) << "not a picture";
        QTest::newRow("jpeg without image data")
            << "nodata.jpg" << jpeg.left(jpeg.indexOf("\xFF\xDA")) << "not a picture";
        QTest::newRow("bmp without pixels")
            << "nopixels.bmp" << encode(filled({64, 48}, kRed), "bmp").left(54) << "not a picture";
        QTest::newRow("gif without frames")
            << "noframes.gif" << gif({4, 4}, {kRed}, {}, {4, 4}) << "not a picture";
        QTest::newRow("png") << "picture.png" << encode(filled({8, 8}, kRed), "png")
                             << "unsupported format";
    }

    void failures() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = bytes.isNull() ? dir_.filePath(name) : write(name, bytes);
        QString why;
        QVERIFY(LoadPicture(path, {}, &why).isNull());
        QTEST(why, "why");
    }

    void folderNamedLikePicture() {
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("folder.jpg")));
        QString why;
        QVERIFY(LoadPicture(dir_.filePath(QStringLiteral("folder.jpg")), {}, &why).isNull());
        QCOMPARE(why, QStringLiteral("is a folder"));
    }

    // Opening a pipe named like a picture would wait for a writer forever.
    void pipeNamedLikePicture() {
#ifdef Q_OS_UNIX
        const QString path = dir_.filePath(QStringLiteral("pipe.jpg"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        QString why;
        QVERIFY(LoadPicture(path, {}, &why).isNull());
        QCOMPARE(why, QStringLiteral("not a file"));
#else
        QSKIP("no named pipes in this file system");
#endif
    }

    void unreadableFile() {
        const QString path =
            write(QStringLiteral("locked.jpg"), encode(filled({8, 8}, kRed), "jpeg"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly)) {
            QSKIP("this user reads files whatever their permissions (root, or no POSIX modes)");
        }
        QString why;
        QVERIFY(LoadPicture(path, {}, &why).isNull());
        QCOMPARE(why, QStringLiteral("cannot be read"));
    }

    // The content decides the format, never the name.
    void formatByContent_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("jpeg named bmp") << "j.bmp" << encode(filled({30, 20}, kRed), "jpeg");
        QTest::newRow("bmp named jpg") << "b.jpg" << encode(filled({30, 20}, kRed), "bmp");
        QTest::newRow("gif named jpeg") << "g.jpeg" << gif({30, 20}, {kRed}, {0}, {30, 20});
        QTest::newRow("jpeg without suffix") << "j" << encode(filled({30, 20}, kRed), "jpeg");
    }

    void formatByContent() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QString why = QStringLiteral("left over");
        const Picture picture = LoadPicture(write(name, bytes), {}, &why);
        QCOMPARE(picture.naturalSize(), QSize(30, 20));
        QVERIFY(near(picture.image().pixel(15, 10), kRed));
        QVERIFY(why.isEmpty());
    }

    void drawingFormat_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("format");
        QImage gray(16, 16, QImage::Format_Grayscale8);
        gray.fill(100);
        QImage indexed(16, 16, QImage::Format_Indexed8);
        indexed.setColorTable({kBlue});
        indexed.fill(0);
        QTest::newRow("jpeg") << encode(filled({16, 16}, kRed), "jpeg") << +QImage::Format_RGB32;
        QTest::newRow("grey jpeg") << encode(gray, "jpeg") << +QImage::Format_RGB32;
        QTest::newRow("indexed bmp") << encode(indexed, "bmp") << +QImage::Format_RGB32;
        QTest::newRow("gif") << gif({16, 16}, {kRed}, {0}, {16, 16}) << +QImage::Format_RGB32;
        QTest::newRow("transparent gif") << gif({16, 16}, {kRed, kBlue}, {1}, {16, 16}, 1)
                                         << +QImage::Format_ARGB32_Premultiplied;
    }

    void drawingFormat() {
        QFETCH(QByteArray, bytes);
        const Picture picture = LoadPicture(write(QStringLiteral("f"), bytes), {8, 8});
        QTEST(int(picture.image().format()), "format");
        QCOMPARE(picture.image().size(), QSize(8, 8));
    }

    void gifFirstFrame() {
        const QString path =
            write(QStringLiteral("anim.gif"), gif({40, 30}, {kRed, kBlue}, {0, 1, 1}, {40, 30}));
        QImageReader reader(path);
        QCOMPARE(reader.imageCount(), 3);  // really animated, or this proves nothing
        const Picture picture = LoadPicture(path, {20, 20});
        QCOMPARE(picture.naturalSize(), QSize(40, 30));
        QCOMPARE(picture.image().size(), QSize(20, 15));
        QVERIFY(near(picture.image().pixel(10, 7), kRed, 0));
    }

    // Loads run on worker threads later; concurrent loads must give what one at a time gives.
    void concurrentLoads() {
        QList<QString> paths;
        QList<QSize> bounds = {{100, 100}, {50, 200}, {}, {33, 33}};
        for (int i = 0; i < 4; ++i) {
            const QByteArray jpeg = encode(marked({320 + 16 * i, 240}), "jpeg");
            paths << write(QStringLiteral("t%1.jpg").arg(i), withOrientation(jpeg, 1 + 2 * i));
        }
        QList<QImage> expected;
        for (int i = 0; i < 4; ++i) {
            expected << LoadPicture(paths[i], bounds[i]).image();
        }
        std::vector<int> mismatches(4, 0);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int round = 0; round < 10; ++round) {
                    const int i = (t + round) % 4;
                    mismatches[size_t(t)] +=
                        LoadPicture(paths[i], bounds[i]).image() != expected[i];
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        QCOMPARE(mismatches, std::vector<int>(4, 0));
    }
};

QTEST_GUILESS_MAIN(PictureTest)
#include "picture_test.moc"
