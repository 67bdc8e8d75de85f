// LoadPicture: orientation, reduction to a bound, absurd or damaged files, failure reasons.
#include <QColorSpace>
#include <QImageReader>
#include <QPainter>
#include <QtTest>

#include <atomic>
#include <thread>

#include "GifWriter.h"
#include "platform/Picture.h"
#include "testsupport.h"

#ifdef Q_OS_UNIX
#include <sys/stat.h>  // mkfifo
#endif

using platform::LoadPicture;
using testsupport::claiming;
using testsupport::encode;
using testsupport::withOrientation;

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kPatch = qRgb(120, 192, 64);  // a green that JPEG keeps exactly
constexpr int kGifFrame = 781;  // in gifwriter's output: header, screen, 256-colour palette

QImage filled(QSize size, QRgb colour, QImage::Format format = QImage::Format_RGB32) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image.convertToFormat(format);
}

// White, with a red block at the top left and a blue block at the top right (as stored).
QImage marked(QSize size) {
    QImage image = filled(size, kWhite);
    QPainter painter(&image);
    painter.fillRect(0, 0, size.width() / 4, size.height() / 4, QColor(kRed));
    painter.fillRect(size.width() * 3 / 4, 0, size.width() / 4, size.height() / 4, QColor(kBlue));
    return image;
}

// One-pixel stripes, black and white: averaged they are grey, picked they stay apart.
QByteArray stripes(QSize size, const char* format) {
    QImage image = filled(size, kWhite);
    QPainter painter(&image);
    for (int x = 0; x < size.width(); x += 2) {
        painter.fillRect(x, 0, 1, size.height(), Qt::black);
    }
    painter.end();
    return encode(image, format, 100);
}

// The colours near the corners (top left, top right, bottom left, bottom right): r red, b blue,
// w white, g grey (stripes averaged, JPEG data missing), k black, t transparent, ? another.
QByteArray lookOf(const QImage& image) {
    const QRgb colours[] = {kRed, kBlue, kWhite, kGrey, qRgb(0, 0, 0), 0};
    QByteArray look = "????";
    for (int i = 0; i < 4; ++i) {
        const int x = image.width() / 10, y = image.height() / 10;
        const QRgb p =
            image.pixel(i % 2 ? image.width() - 1 - x : x, i / 2 ? image.height() - 1 - y : y);
        for (int c = 0; c < 6; ++c) {
            int distance = 0;  // summed over the four channels
            for (int shift = 0; shift < 32; shift += 8) {
                distance += qAbs(int(p >> shift & 0xFF) - int(colours[c] >> shift & 0xFF));
            }
            look[i] = distance <= 100 ? "rbwgkt"[c] : look[i];
        }
    }
    return look;
}

// The data tag is the file's name.
void loads(const char* tag, const QByteArray& bytes, QSize bound, QSize natural, QSize decoded,
           const char* look) {
    QTest::newRow(tag) << bytes << bound << natural << decoded << QByteArray(look) << QString();
}

void fails(const char* tag, const QByteArray& bytes, const char* why, QSize bound = {}) {
    QTest::newRow(tag) << bytes << bound << QSize() << QSize() << QByteArray() << QString(why);
}

}  // namespace

class PictureTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        QFile file(dir_.filePath(name));
        if (!bytes.isNull() &&
            (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())) {
            qFatal("cannot write %s", qPrintable(name));
        }
        return file.fileName();
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // Damaged and oversized files are the point of several cases; their warnings are noise.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false\nqt.gui.icc=false"));
    }

    void load_data() {
        QTest::addColumn<QByteArray>("bytes");  // null: no file, or one the test made itself
        QTest::addColumn<QSize>("bound");
        QTest::addColumn<QSize>("natural");  // invalid: refused
        QTest::addColumn<QSize>("decoded");
        QTest::addColumn<QByteArray>("look");  // see lookOf(); with t, the format has alpha
        QTest::addColumn<QString>("why");
        // Stored 400 x 300; the bound is wide, so turning before fitting matters.
        const QByteArray jpeg = encode(marked({400, 300}), "jpeg");
        const auto o = [&](int orientation) { return withOrientation(jpeg, orientation); };
        const QSize level(400, 300), upright(300, 400), wide(200, 100);
        loads("1 bound", o(1), wide, level, {133, 100}, "rbww");
        loads("3 bound", o(3), wide, level, {133, 100}, "wwbr");
        loads("6", o(6), {}, upright, upright, "wrwb");
        loads("6 bound", o(6), wide, upright, {75, 100}, "wrwb");
        loads("8 bound", o(8), wide, upright, {75, 100}, "bwrw");
        loads("2 mirrored", o(2), {}, level, level, "brww");
        loads("5 transposed", o(5), wide, upright, {75, 100}, "rwbw");
        // Another APP1 block (XMP) before the EXIF one: the orientation is found all the same.
        const QByteArray xmp = QByteArrayLiteral("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>");
        const QByteArray app1 = QByteArray("\xFF\xE1\0", 3) + char(xmp.size() + 2) + xmp;
        loads("6 after XMP", o(6).insert(2, app1), wide, upright, {75, 100}, "wrwb");
        loads("7 after XMP", o(7).insert(2, app1), wide, upright, {75, 100}, "wbwr");
        // A size no factor divides, turned: the decoder's factor still applies, then the scale.
        const QByteArray odd = withOrientation(encode(marked({803, 601}), "jpeg"), 6);
        loads("6 odd size", odd, {100, 150}, {601, 803}, {100, 134}, "wrwb");
        // Reduced pictures keep their proportions and are smoothed: stripes turn grey.
        const QSize vga(640, 480);
        const QByteArray lines = stripes(vga, "jpeg");
        loads("not enlarged.jpg", lines, {1920, 1080}, vga, vga, "kwkw");
        loads("exactly.jpg", lines, vga, vga, vga, "kwkw");
        loads("width.jpg", lines, {320, 320}, vga, {320, 240}, "gggg");
        loads("height.jpg", lines, {1000, 120}, vga, {160, 120}, "gggg");
        loads("rounded.jpg", stripes({641, 479}, "jpeg"), {99, 99}, {641, 479}, {99, 74}, "gggg");
        loads("1 pixel.jpg", stripes({1000, 8}, "jpeg"), {50, 50}, {1000, 8}, {50, 1}, "gggg");
        loads("reduced.bmp", stripes({403, 301}, "bmp"), {97, 97}, {403, 301}, {97, 72}, "gggg");
        // Rows stored top-down (a negative height): the flipped picture's rows, in that order.
        QByteArray topDown = encode(marked({40, 30}).mirrored(), "bmp");
        qToLittleEndian<qint32>(-30, topDown.data() + 22);
        loads("top-down.bmp", topDown, {20, 20}, {40, 30}, {20, 15}, "rbww");
        loads("not enlarged.gif", stripes({64, 48}, "gif"), vga, {64, 48}, {64, 48}, "kwkw");
        loads("reduced.gif", stripes({64, 48}, "gif"), {16, 100}, {64, 48}, {16, 12}, "gggg");
        // 8000 x 6000 needs 192 MB at full size, past the reader's 128 MB limit: it loads only
        // reduced. Our own guard lets 108 MP through, refuses absurd headers before decoding.
        const QByteArray camera = encode(marked({8000, 6000}), "jpeg", 60);
        const QSize hd(1920, 1080), huge(100000, 100000), most(65535, 65535);
        loads("camera", camera, hd, {8000, 6000}, {1440, 1080}, "rbww");
        loads("camera 6", withOrientation(camera, 6), hd, {6000, 8000}, {810, 1080}, "wrwb");
        fails("camera full size", camera, "too large");
        fails("camera bound too big", camera, "too large", {8000, 8000});
        loads("108 MP", claiming({12000, 9000}, "jpeg"), hd, {12000, 9000}, {1440, 1080}, "gggg");
        const QByteArray whole = encode(filled({256, 256}, kBlue), "jpeg");
        loads("truncated", whole.left(whole.size() / 2), {}, {256, 256}, {256, 256}, "bbgg");
        fails("bmp 100000", claiming(huge, "bmp"), "too large", hd);
        fails("jpeg 65535 bound", claiming(most, "jpeg"), "too large", hd);
        // libjpeg would keep the whole picture's coefficients: gigabytes, whatever the bound.
        const QByteArray progressive =
            claiming({65500, 20000}, "jpeg").replace("\xFF\xC0", "\xFF\xC2");
        fails("progressive", progressive, "too large", hd);
        // Within the pixel limit, 10900 x 10900 at 4:2:0 would still keep 356 MB of them.
        fails("progressive 119 MP",
              claiming({10900, 10900}, "jpeg").replace("\xFF\xC0", "\xFF\xC2"), "too large", hd);
        fails("gif screen 65535", claiming(most, "gif"), "too large");
        // The content decides the format, never the name; the painter gets its own formats.
        const QSize n(16, 16), h(8, 8);
        const QByteArray gif = encode(filled(n, kRed), "gif");
        const QByteArray clear = QByteArray(gif).insert(kGifFrame, "\x21\xF9\x04\x01\0\0\0\0", 8);
        loads("jpeg.bmp", encode(filled(n, kRed), "jpeg"), h, n, h, "rrrr");
        loads("grey.gif", encode(filled(n, kGrey, QImage::Format_Grayscale8), "jpeg"), h, n, h,
              "gggg");
        loads("gif.jpeg", gif, h, n, h, "rrrr");
        loads("transparent.gif", clear, h, n, h, "tttt");
        // Red, then blue as a second frame: its descriptor, then its palette as the frame's own.
        const QByteArray blue = encode(filled({40, 30}, kBlue), "gif");
        QByteArray animated = encode(filled({40, 30}, kRed), "gif").chopped(1) +
                              blue.mid(kGifFrame, 9) + '\x87' + blue.mid(13, 768) +
                              blue.mid(kGifFrame + 10);
        QBuffer buffer(&animated);
        QCOMPARE(QImageReader(&buffer).imageCount(), 2);  // really animated, or this proves nothing
        loads("animated.gif", animated, {20, 20}, {40, 30}, {20, 15}, "rrrr");
        const QByteArray small = encode(filled({64, 48}, kRed), "jpeg");
        fails("missing.jpg", {}, "file not found");
        QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("folder.jpg")));
        fails("folder.jpg", {}, "is a folder");
#ifdef Q_OS_UNIX  // opening a pipe would wait for a writer forever
        const QString pipe = dir_.filePath(QStringLiteral("pipe.jpg"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        fails("pipe.jpg", {}, "not a file");
#endif
        fails("empty.jpg", "", "empty file");
        fails("text.gif", "just some words\n", "not a picture");
        fails("head.jpg", small.left(20), "not a picture");
        fails("nodata.jpg", small.left(small.indexOf("\xFF\xDA")), "not a picture");
        // Ending inside a segment before the image data: a fill byte, then a marker without its
        // length; an EXIF block, or the tables after the frame header, cut short.
        fails("nolength.jpg", QByteArray("\xFF\xD8\xFF\xFF\xE0", 5), "not a picture");
        fails("cutexif.jpg", withOrientation(small, 6).left(24), "not a picture");
        fails("cuttables.jpg", small.left(small.indexOf("\xFF\xC4") + 30), "not a picture");
        fails("nopixels.bmp", encode(filled({64, 48}, kRed), "bmp").left(54), "not a picture");
        fails("noframes.gif", gif.left(kGifFrame) + ';', "not a picture");
        fails("picture.png", encode(filled({8, 8}, kRed), "png"), "unsupported format");
    }

    void load() {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, bound);
        QFETCH(QSize, natural);
        QFETCH(QByteArray, look);
        const QString path = write(QString::fromLatin1(QTest::currentDataTag()), bytes);
        QString why = QStringLiteral("left over");
        const auto picture = LoadPicture(path, bound, &why);
        QTEST(why, "why");
        QCOMPARE(picture.naturalSize(), natural);
        QCOMPARE(picture.isNull(), !natural.isValid());
        if (!picture.isNull()) {
            QTEST(picture.image().size(), "decoded");
            QCOMPARE(picture.image().format(), look.contains('t')
                                                   ? QImage::Format_ARGB32_Premultiplied
                                                   : QImage::Format_RGB32);
            QCOMPARE(lookOf(picture.image()), look);
        }
    }

    // A flat patch of kPatch tagged with colord's profiles. The expected values are lcms2's, worked
    // out once: `echo 120 192 64 | transicc -s -t1 -i AdobeRGB1998.icc -o '*sRGB'` gives 65.2
    // 193.4 45.6, from ProPhotoRGB.icc 70.3 215.1 7.6 (ImageMagick's -profile agrees). Pure Adobe
    // RGB green would clip to 0 255 0, what it shows untagged: it proves nothing.
    void colourProfile_data() {
        QTest::addColumn<QByteArray>("profile");  // in an APP2 segment; null: none
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QRgb>("colour");  // every pixel, within 3 a channel
        QFile adobe(QStringLiteral("/usr/share/color/icc/colord/AdobeRGB1998.icc"));
        QFile proPhoto(QStringLiteral("/usr/share/color/icc/colord/ProPhotoRGB.icc"));
        QFile sRgb(QStringLiteral("/usr/share/color/icc/colord/sRGB.icc"));
        QVERIFY2(adobe.open(QIODevice::ReadOnly) && proPhoto.open(QIODevice::ReadOnly) &&
                     sRgb.open(QIODevice::ReadOnly),
                 "colord-data's profiles are missing (scripts/lib/packages.sh)");
        const QByteArray adobeRgb = adobe.readAll();
        QTest::newRow("untagged") << QByteArray() << 1 << kPatch;
        QTest::newRow("sRGB") << sRgb.readAll() << 1 << kPatch;
        QTest::newRow("garbage") << QByteArray(200, 'x') << 1 << kPatch;
        QTest::newRow("cut short") << adobeRgb.left(300) << 1 << kPatch;
        QTest::newRow("Adobe RGB") << adobeRgb << 1 << qRgb(65, 193, 46);
        QTest::newRow("Adobe RGB 6") << adobeRgb << 6 << qRgb(65, 193, 46);  // turned after reading
        QTest::newRow("ProPhoto RGB") << proPhoto.readAll() << 1 << qRgb(70, 215, 8);
    }

    void colourProfile() {
        QFETCH(QByteArray, profile);
        QFETCH(int, orientation);
        QFETCH(QRgb, colour);
        QByteArray bytes = encode(filled({16, 16}, kPatch), "jpeg", 100);
        const QImage plain = QImage::fromData(bytes).convertToFormat(QImage::Format_RGB32);
        if (!profile.isNull()) {
            const QByteArray app2 = QByteArray("ICC_PROFILE\0\1\1", 14) + profile;
            bytes.insert(2, "\xFF\xE2" + QByteArray(1, char((app2.size() + 2) >> 8)) +
                                char(app2.size() + 2) + app2);
        }
        QString why;
        QImage image =
            LoadPicture(write(QTest::currentDataTag(), withOrientation(bytes, orientation)), {},
                        &why)
                .image();
        QCOMPARE(why, QString());
        int worst = 0;
        for (int i = 0; i < 16 * 16; ++i) {
            for (int shift = 0; shift < 24; shift += 8) {
                const QRgb p = image.pixel(i % 16, i / 16);
                worst = std::max(worst, qAbs(int(p >> shift & 0xFF) - int(colour >> shift & 0xFF)));
            }
        }
        QVERIFY2(worst <= 3, qPrintable(QString::number(image.pixel(8, 8), 16)));
        if (colour == kPatch) {  // left as it is: Qt's own decode, bit for bit
            image.setColorSpace(QColorSpace());
            QCOMPARE(image, plain);
        }
    }

    void decodeScale_data() {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<QSize>("target");
        QTest::addColumn<int>("denominator");
        QTest::newRow("24 MP on 1080 lines") << QSize(6000, 4000) << QSize(1620, 1080) << 2;
        QTest::newRow("48 MP on 1080 lines") << QSize(8000, 6000) << QSize(1440, 1080) << 4;
        QTest::newRow("exactly an eighth") << QSize(6000, 4000) << QSize(750, 500) << 8;
        QTest::newRow("a pixel over an eighth") << QSize(6000, 4000) << QSize(751, 500) << 4;
        QTest::newRow("odd size, rounded down") << QSize(801, 601) << QSize(401, 300) << 1;
        QTest::newRow("tiny target") << QSize(100, 100) << QSize(1, 1) << 8;
        QTest::newRow("not reduced") << QSize(640, 480) << QSize(640, 480) << 1;
        QTest::newRow("no target") << QSize(640, 480) << QSize() << 1;
    }

    void decodeScale() {
        QFETCH(QSize, stored);
        QFETCH(QSize, target);
        QTEST(platform::jpegScaleDenominator(stored, target), "denominator");
    }

    // The reader's allocation limit tells the decoding size apart: 6000 x 4000 at 1/2 needs
    // 24 MB, at full size 96 MB, at the 3/8 the reader would choose by itself 13.5 MB.
    void decodesAtHalf() {
        const QString path =
            write(QStringLiteral("24mp.jpg"), encode(marked({6000, 4000}), "jpeg"));
        const int limit = QImageReader::allocationLimit();
        const auto loadWithin = [&](int mb) {
            QImageReader::setAllocationLimit(mb);
            QString why;
            const QImage image = LoadPicture(path, {1920, 1080}, &why).image();
            QImageReader::setAllocationLimit(limit);
            return why.isEmpty() ? image : QImage();
        };
        const QImage half = loadWithin(30);
        QCOMPARE(half.size(), QSize(1620, 1080));
        QCOMPARE(lookOf(half), QByteArray("rbww"));
        QVERIFY(loadWithin(20).isNull());
    }

    void unreadableFile_data() {
        QTest::addColumn<int>("fileMode");    // QFile::Permissions
        QTest::addColumn<int>("folderMode");  // of the folder that holds it
        QTest::newRow("file closed to all") << 0 << 0x7755;
        QTest::newRow("folder listed, not entered") << 0x6644 << 0x4444;
    }

    void unreadableFile() {
        QFETCH(int, fileMode);
        QFETCH(int, folderMode);
        const QString folder = QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(QDir(dir_.path()).mkdir(folder));
        const QString path =
            write(folder + QStringLiteral("/locked.jpg"), encode(filled({8, 8}, kRed), "jpeg"));
        QVERIFY(QFile::setPermissions(path, QFile::Permissions(fileMode)));
        QVERIFY(QFile::setPermissions(dir_.filePath(folder), QFile::Permissions(folderMode)));
        // The test's own folder open to others (0755), so that only the row's modes count.
        QVERIFY(QFile::setPermissions(dir_.path(), QFile::Permissions(0x7755)));
        const auto reopen = qScopeGuard(
            [&] { QFile::setPermissions(dir_.filePath(folder), QFile::Permissions(0x7755)); });
        const testsupport::UnprivilegedScope unprivileged;
#ifndef Q_OS_UNIX
        if (QFile(path).open(QIODevice::ReadOnly)) {
            QSKIP("this file system ignores permissions");
        }
#endif
        QString why;
        QVERIFY2(LoadPicture(path, {}, &why).isNull(),
                 unprivileged.active() ? "read as nobody" : "read, as a user who reads all");
        QCOMPARE(why, QStringLiteral("cannot be read"));
    }

    // Loads run on worker threads; concurrent loads must give what one at a time gives.
    void concurrentLoads() {
        const QList<QSize> bounds = {{100, 100}, {50, 200}, {}, {33, 33}};
        const QByteArray jpeg = encode(marked({320, 240}), "jpeg");
        QList<QString> paths;
        QList<QImage> expected;
        for (int i = 0; i < 4; ++i) {
            paths << write(QStringLiteral("t%1.jpg").arg(i), withOrientation(jpeg, 1 + 2 * i));
            expected << LoadPicture(paths[i], bounds[i]).image();
        }
        std::atomic<int> mismatches = 0;
        const auto loadAll = [&](int first) {
            for (int round = 0; round < 10; ++round) {
                const int i = (first + round) % 4;
                mismatches += LoadPicture(paths[i], bounds[i]).image() != expected[i];
            }
        };
        { std::jthread a(loadAll, 0), b(loadAll, 1), c(loadAll, 2), d(loadAll, 3); }
        QCOMPARE(mismatches.load(), 0);
    }
};

LUMOSA_TEST(PictureTest)
#include "picture_test.moc"
