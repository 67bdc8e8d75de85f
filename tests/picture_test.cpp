// LoadPicture: orientation, reduction to a bound, colour profiles, why it refuses a file; the
// thumbnail sheet's LoadThumbnail, which takes a photo's own EXIF thumbnail when it is fit.
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QtTest>

#include "CameraThumbnail.h"
#include "ExifWriter.h"
#include "platform/Picture.h"
#include "platform/RecycledBlock.h"
#include "testsupport.h"

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <sys/stat.h>  // mkfifo
#include <unistd.h>    // seteuid

using exifwriter::withExif;
using platform::LoadPicture;
using testsupport::encode;
using testsupport::filled;

namespace {

// Damage is the point of many files here: the readers' complaints are not shown.
const QString kQuiet = QStringLiteral("qt.gui.imageio*=false\nqt.gui.icc=false");

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(128, 128, 128);
const QRgb kPatch = qRgb(120, 192, 64);  // a green that JPEG keeps exactly
constexpr int kGifFrame = 781;  // in gifwriter's output: header, screen, 256-colour palette

// White (or `base`), with a red block at the top left and a blue block at the top right (as
// stored).
QImage marked(QSize size, QRgb base = kWhite) {
    QImage image = filled(size, base);
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
    const int x = image.width() / 10, y = image.height() / 10;
    for (int i = 0; i < 4; ++i) {
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

    testsupport::Disc disc_;

    QString write(const QString& name, const QByteArray& bytes) {  // null: no file
        return bytes.isNull() ? disc_.abs(name) : disc_.file(name, bytes);
    }

private Q_SLOTS:
    void initTestCase() { QLoggingCategory::setFilterRules(kQuiet); }

    void cleanupTestCase() {  // so that the folder can be removed
        QFile::setPermissions(disc_.abs(QStringLiteral("unentered")), QFile::Permissions(0x7755));
    }

    void load_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("bound");
        QTest::addColumn<QSize>("natural");  // invalid: refused
        QTest::addColumn<QSize>("decoded");
        QTest::addColumn<QByteArray>("look");  // see lookOf(); with t, the format has alpha
        QTest::addColumn<QString>("why");
        // Stored 400 x 300, EXIF orientations 1 to 8 and none; a wide bound: turned, then fitted.
        const QByteArray jpeg = encode(marked({400, 300}), "jpeg");
        const QSize level(400, 300), upright(300, 400), wide(200, 100);
        const char* turned[] = {"rbww", "brww", "wwbr", "wwrb", "rwbw", "wrwb", "wbwr", "bwrw"};
        for (int o = 1; o <= 8; ++o) {
            const QByteArray tag = QByteArray::number(o) + " bound";
            loads(tag.constData(), withExif(jpeg, o), wide, o < 5 ? level : upright,
                  o < 5 ? QSize(133, 100) : QSize(75, 100), turned[o - 1]);
        }
        loads("6", withExif(jpeg, 6), {}, upright, upright, "wrwb");
        for (const char* tag : {"0", "9", "255"}) {  // no orientation: as stored
            loads(tag, withExif(jpeg, QByteArray(tag).toInt()), wide, level, {133, 100}, "rbww");
        }
        const QByteArray xmp = QByteArrayLiteral("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>");
        const QByteArray app1 = QByteArray("\xFF\xE1\0", 3) + char(xmp.size() + 2) + xmp;
        loads("6 after XMP", withExif(jpeg, 6).insert(2, app1), wide, upright, {75, 100}, "wrwb");
        // Three comments of 60 KB before the EXIF block: the header runs past the first read.
        const QByteArray comment = QByteArray("\xFF\xFE\xEA\x62", 4) + QByteArray(60000, 'c');
        loads("6 after 180 KB", withExif(jpeg, 6).insert(2, comment.repeated(3)), wide, upright,
              {75, 100}, "wrwb");
        // A size no factor divides, turned: the decoder's factor, then the scale.
        const QByteArray odd = withExif(encode(marked({803, 601}), "jpeg"), 6);
        loads("6 odd size", odd, {100, 150}, {601, 803}, {100, 134}, "wrwb");
        // For the sheet ("sheet" rows: LoadThumbnail), a grey thumbnail where it is fit.
        const auto withThumbnail = [&](int orientation, QSize size) {
            return exifwriter::withExif(jpeg, orientation, encode(marked(size, kGrey), "jpeg"));
        };
        const QSize cell(100, 100), landscape(100, 75);
        loads("sheet: thumbnail", withThumbnail(1, {160, 120}), cell, level, landscape, "rbgg");
        loads("sheet: thumbnail 6", withThumbnail(6, {160, 120}), cell, upright, {75, 100}, "grgb");
        loads("sheet: thumbnail too small", withThumbnail(1, {80, 60}), cell, level, landscape,
              "rbww");
        loads("sheet: thumbnail 16:9", withThumbnail(1, {160, 90}), cell, level, landscape, "rbww");
        loads("sheet: no thumbnail", exifwriter::withExif(jpeg, 1), cell, level, landscape, "rbww");
        // A camera's 160 x 120 thumbnail of a 3:2 photo holds it in 160 x 107 between bands of
        // 6 and 7 rows (7 and 6 by some); a 4:3 photo's 16:9 one in 120 x 90 between columns of
        // 20. Taken where the bands are dark, cut to the picture.
        const auto banded = [&](QSize picture, QPoint at, QRgb band, QSize size = {160, 120}) {
            QImage small = filled(size, band);
            QPainter(&small).drawImage(at, marked(picture, kGrey));
            return encode(small, "jpeg");
        };
        const QByteArray wide32 = encode(marked({600, 400}), "jpeg");
        const QRgb black = qRgb(0, 0, 0);
        loads("sheet: 3:2, bands 7 and 6", withExif(wide32, 1, banded({160, 107}, {0, 7}, black)),
              cell, {600, 400}, {100, 67}, "rbgg");
        loads("sheet: 4:3 in 16:9, bands 20 and 20",
              withExif(jpeg, 1, banded({120, 90}, {20, 0}, black, {160, 90})), cell, level,
              landscape, "rbgg");
        loads("sheet: 3:2, grey bands", withExif(wide32, 1, banded({160, 107}, {0, 6}, kGrey)),
              cell, {600, 400}, {100, 67}, "rbww");
        // Photos as cameras and phones write them, damaged past their EXIF block: where the
        // thumbnail is taken they show whole, otherwise grey.
        const std::map<std::string, std::tuple<QSize, QSize, const char*>> kinds{
            {"camera", {{600, 400}, {100, 67}, "rbww"}},
            {"phone", {{640, 480}, {100, 75}, "rbww"}},
            {"video", {{640, 360}, {100, 56}, "rbww"}},
            {"stretched", {{600, 400}, {100, 67}, "gggg"}},
            {"bare", {{600, 400}, {100, 67}, "gggg"}},
            {"portrait", {{600, 400}, {67, 100}, "wrwb"}}};
        for (const camerathumbnail::Kind& kind : camerathumbnail::kKinds) {
            const auto& [size, decoded, look] = kinds.at(kind.name);
            const QImage photo = marked(size);
            const QImage small = camerathumbnail::thumbnail(photo, kind);
            QByteArray bytes = withExif(encode(photo, "jpeg"), kind.orientation,
                                        small.isNull() ? QByteArray() : encode(small, "jpeg"));
            bytes.truncate(bytes.lastIndexOf("\xFF\xDA") + 30);
            const QByteArray tag = "sheet: " + QByteArray(kind.name) + ", damaged past its EXIF";
            loads(tag.constData(), bytes, cell, kind.orientation == 6 ? size.transposed() : size,
                  decoded, look);
        }
        QByteArray damaged = withThumbnail(1, {160, 120});
        damaged.replace(damaged.indexOf("\xFF\xD8", 4) + 2, 20, QByteArray(20, 'x'));
        loads("sheet: thumbnail damaged", damaged, cell, level, landscape, "rbww");
        // Reduced: proportions kept, smoothed (stripes turn grey).
        const QSize vga(640, 480);
        const QByteArray lines = stripes(vga, "jpeg");
        loads("not enlarged.jpg", lines, {1920, 1080}, vga, vga, "kwkw");
        loads("exactly.jpg", lines, vga, vga, vga, "kwkw");
        loads("width.jpg", lines, {320, 320}, vga, {320, 240}, "gggg");
        loads("height.jpg", lines, {1000, 120}, vga, {160, 120}, "gggg");
        loads("rounded.jpg", stripes({641, 479}, "jpeg"), {99, 99}, {641, 479}, {99, 74}, "gggg");
        loads("1 pixel.jpg", stripes({1000, 8}, "jpeg"), {50, 50}, {1000, 8}, {50, 1}, "gggg");
        loads("reduced.bmp", stripes({403, 301}, "bmp"), {97, 97}, {403, 301}, {97, 72}, "gggg");
        QByteArray topDown = encode(marked({40, 30}).mirrored(), "bmp");
        qToLittleEndian<qint32>(-30, topDown.data() + 22);
        loads("top-down.bmp", topDown, {20, 20}, {40, 30}, {20, 15}, "rbww");
        loads("not enlarged.gif", stripes({64, 48}, "gif"), vga, {64, 48}, {64, 48}, "kwkw");
        loads("reduced.gif", stripes({64, 48}, "gif"), {16, 100}, {64, 48}, {16, 12}, "gggg");
        // 8000 x 6000 needs 192 MB, past the reader's 128 MB: only reduced. 108 MP pass our guard.
        const QByteArray camera = encode(marked({8000, 6000}), "jpeg", 60);
        const QSize hd(1920, 1080);
        loads("camera", camera, hd, {8000, 6000}, {1440, 1080}, "rbww");
        loads("camera 6", withExif(camera, 6), hd, {6000, 8000}, {810, 1080}, "wrwb");
        fails("camera full size", camera, "too large");
        fails("camera bound too big", camera, "too large", {8000, 8000});
        loads("108 MP", testsupport::hostileFile("c-sof-12000.jpg"), hd, {12000, 9000},
              {1440, 1080}, "gggg");
        const QByteArray whole = encode(filled({256, 256}, kBlue), "jpeg");
        loads("truncated", whole.left(whole.size() / 2), {}, {256, 256}, {256, 256}, "bbgg");
        // A progressive JPEG whose last scan comes 501 times more: refused before its decode.
        QByteArray scans;
        QBuffer out(&scans);
        QImageWriter progressive(&out, "jpeg");
        progressive.setProgressiveScanWrite(true);
        QVERIFY(progressive.write(filled({64, 48}, kBlue)));
        const qsizetype last = scans.lastIndexOf("\xFF\xDA"), end = scans.lastIndexOf("\xFF\xD9");
        fails("over 500 scans", scans.insert(end, scans.mid(last, end - last).repeated(501)),
              "too many scans");
        const QSize n(16, 16), h(8, 8);
        const QByteArray gif = encode(filled(n, kRed), "gif");
        const QByteArray clear = QByteArray(gif).insert(kGifFrame, "\x21\xF9\x04\x01\0\0\0\0", 8);
        const QImage grey = filled(n, kGrey).convertToFormat(QImage::Format_Grayscale8);
        loads("grey.gif", encode(grey, "jpeg"), h, n, h, "gggg");
        loads("gif.jpeg", gif, h, n, h, "rrrr");
        loads("transparent.gif", clear, h, n, h, "tttt");
        const QByteArray blue = encode(filled({40, 30}, kBlue), "gif");
        QByteArray animated = encode(filled({40, 30}, kRed), "gif").chopped(1) +
                              blue.mid(kGifFrame, 9) + '\x87' + blue.mid(13, 768) +
                              blue.mid(kGifFrame + 10);
        QBuffer buffer(&animated);
        QCOMPARE(QImageReader(&buffer).imageCount(), 2);  // really animated, or this proves nothing
        loads("animated.gif", animated, {20, 20}, {40, 30}, {20, 15}, "rrrr");
        fails("missing.jpg", {}, "file not found");
        QVERIFY(QDir(disc_.path()).mkdir(QStringLiteral("folder.jpg")));
        fails("folder.jpg", {}, "is a folder");
        // Opening a pipe would wait for a writer forever.
        const QString pipe = disc_.abs(QStringLiteral("pipe.jpg"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        fails("pipe.jpg", {}, "not a file");
        // A file closed to all, and one in a folder that can be listed but not entered.
        QVERIFY(QFile::setPermissions(disc_.path(), QFile::Permissions(0x7755)));
        for (const auto& [folder, file, dir] :
             {std::tuple{"closed", 0x0000, 0x7755}, std::tuple{"unentered", 0x6644, 0x4444}}) {
            const QString name = QLatin1String(folder) + QStringLiteral("/locked.jpg");
            QVERIFY(
                QFile::setPermissions(write(name, encode(filled({8, 8}, Qt::red), "jpeg")),
                                      QFile::Permissions(file)) &&
                QFile::setPermissions(disc_.abs(QLatin1String(folder)), QFile::Permissions(dir)));
            fails(qPrintable(name), {}, "cannot be read");
        }
    }

    void load() {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, bound);
        QFETCH(QSize, natural);
        QFETCH(QByteArray, look);
        const QString path = write(QString::fromLatin1(QTest::currentDataTag()), bytes);
        QString why = QStringLiteral("left over");
        // A photo as cameras write it is read without a word on the terminal.
        const QByteArray tag(QTest::currentDataTag());
        const auto requiet = qScopeGuard([] { QLoggingCategory::setFilterRules(kQuiet); });
        if (tag.startsWith("sheet") && !tag.contains("damaged")) {
            QLoggingCategory::setFilterRules(QString());
            QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        }
        // Root would read the locked files: the user nobody meanwhile.
        const bool nobody =
            path.endsWith(u"locked.jpg") && ::geteuid() == 0 && ::seteuid(65534) == 0;
        const auto picture = tag.startsWith("sheet") ? platform::LoadThumbnail(path, bound, &why)
                                                     : LoadPicture(path, bound, &why);
        if (nobody && ::seteuid(0) != 0) {
            qFatal("cannot take back root after acting as nobody");
        }
        QTEST(why, "why");
        QCOMPARE(picture.naturalSize(), natural);
        QCOMPARE(picture.isNull(), !natural.isValid());
        if (!picture.isNull()) {
            QTEST(picture.image().size(), "decoded");
            QCOMPARE(picture.image().format(), look.contains('t')
                                                   ? QImage::Format_ARGB32_Premultiplied
                                                   : QImage::Format_RGB32);
            QCOMPARE(lookOf(picture.image()), look);
            // Nothing of a thumbnail's bands is left at the picture's edges.
            const QImage& image = picture.image();
            for (const QRect edge : {QRect(0, 0, image.width(), 1), QRect(0, 0, 1, image.height()),
                                     QRect(0, image.height() - 1, image.width(), 1),
                                     QRect(image.width() - 1, 0, 1, image.height())}) {
                const QImage line =
                    image.copy(edge).scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                QVERIFY(qGray(line.pixel(0, 0)) > 40 || !tag.startsWith("sheet"));
            }
        }
    }

    void hostile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        for (const testsupport::HostileFile& file : testsupport::hostileFiles()) {
            QTest::newRow(qPrintable(file.name)) << file.bytes << file.why;
        }
    }

    void hostile() {
        QFETCH(QByteArray, bytes);
        QString why = QStringLiteral("left over");
        const auto picture = LoadPicture(write(QTest::currentDataTag(), bytes), {1920, 1080}, &why);
        QTEST(why, "why");
        QCOMPARE(picture.isNull(), !why.isEmpty());
    }

    // kPatch tagged with colord's profiles; lcms2's transicc gives 65.2 193.4 45.6 from Adobe RGB,
    // 70.3 215.1 7.6 from ProPhoto (a pure green would clip, proving nothing).
    void colourProfile_data() {
        QTest::addColumn<QByteArray>("profile");  // in an APP2 segment; null: none
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QRgb>("colour");  // every pixel, within 3 a channel
        const auto icc = [](const char* name) {
            QFile file(QStringLiteral("/usr/share/color/icc/colord/%1.icc").arg(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray adobe = icc("AdobeRGB1998"), proPhoto = icc("ProPhotoRGB");
        QVERIFY2(!adobe.isEmpty() && !proPhoto.isEmpty(), "colord-data's profiles are missing");
        QTest::newRow("untagged") << QByteArray() << 1 << kPatch;
        QTest::newRow("cut short") << adobe.left(300) << 1 << kPatch;
        QTest::newRow("Adobe RGB") << adobe << 1 << qRgb(65, 193, 46);
        QTest::newRow("Adobe RGB 6") << adobe << 6 << qRgb(65, 193, 46);  // turned after reading
        QTest::newRow("ProPhoto RGB") << proPhoto << 1 << qRgb(70, 215, 8);
    }

    void colourProfile() {
        QFETCH(QByteArray, profile);
        QFETCH(int, orientation);
        QFETCH(QRgb, colour);
        QByteArray bytes = encode(filled({16, 16}, kPatch), "jpeg", 100);
        if (!profile.isNull()) {
            const QByteArray app2 = QByteArray("ICC_PROFILE\0\1\1", 14) + profile;
            bytes.insert(2, "\xFF\xE2" + QByteArray(1, char((app2.size() + 2) >> 8)) +
                                char(app2.size() + 2) + app2);
        }
        const QString path = write(QTest::currentDataTag(), withExif(bytes, orientation));
        const QImage image = LoadPicture(path).image();
        const QRgb p = image.pixel(8, 8);  // the patch is flat
        QVERIFY2(qAbs(qRed(p) - qRed(colour)) <= 3 && qAbs(qGreen(p) - qGreen(colour)) <= 3 &&
                     qAbs(qBlue(p) - qBlue(colour)) <= 3,
                 qPrintable(QString::number(p, 16)));
    }

    void decodeScale_data() {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<QSize>("target");
        QTest::addColumn<int>("denominator");
        QTest::newRow("24 MP on 1080 lines") << QSize(6000, 4000) << QSize(1620, 1080) << 2;
        QTest::newRow("exactly an eighth") << QSize(6000, 4000) << QSize(750, 500) << 8;
        QTest::newRow("a pixel over an eighth") << QSize(6000, 4000) << QSize(751, 500) << 4;
        QTest::newRow("odd size, rounded down") << QSize(801, 601) << QSize(401, 300) << 1;
        QTest::newRow("tiny target") << QSize(100, 100) << QSize(1, 1) << 8;
        QTest::newRow("no target") << QSize(640, 480) << QSize() << 1;
    }

    void decodeScale() {
        QFETCH(QSize, stored);
        QFETCH(QSize, target);
        QTEST(platform::jpegScaleDenominator(stored, target), "denominator");
    }

    // A large photo decoded in two halves at once comes out as the reader decodes it whole.
    void halvesAsWhole() {
        QImage photo(4000, 3000, QImage::Format_RGB32);
        for (int y = 0; y < photo.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
            for (int x = 0; x < photo.width(); ++x) {
                line[x] = qRgb((x * 7 + y) & 0xFF, (y * 3) & 0xFF, (x ^ y) & 0xFF);
            }
        }
        QByteArray bytes = encode(photo, "jpeg");
        const platform::Picture halves =
            LoadPicture(write(QStringLiteral("halves.jpg"), bytes), {2000, 1500});
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        reader.setScaledSize({2000, 1500});
        QCOMPARE(halves.image(), reader.read().convertToFormat(QImage::Format_RGB32));
    }

    // The memory of pictures read and decoded is used again, within a bound.
    void recycledBlocks() {
        using platform::BlockPool;
        using platform::RecycledBlock;
        constexpr qsizetype kMb = 1024 * 1024;
        BlockPool pool;
        const void* used = nullptr;
        {
            const RecycledBlock block(3 * kMb, pool);
            used = block.data();
        }
        QCOMPARE(pool.keptBytes(), 3 * kMb);
        {
            const RecycledBlock small(kMb, pool);  // less than half: a block of its own
            QVERIFY(small.data() != used);
            const RecycledBlock fitting(5 * kMb / 2, pool);
            QCOMPARE(static_cast<const void*>(fitting.data()), used);
        }
        // One too large to keep takes the place of all those kept, and is not kept itself.
        { const RecycledBlock large(BlockPool::kKeptBytes + 1, pool); }
        QCOMPARE(pool.keptBytes(), 0);
        // An image's block comes back when its last copy ends: 1000 x 1000 x 4 bytes, in 4 MB.
        QImage image = pool.image({1000, 1000}, QImage::Format_RGB32);
        QImage copy = image;
        image = QImage();
        QCOMPARE(pool.keptBytes(), 0);
        copy = QImage();
        QCOMPARE(pool.keptBytes(), 4 * kMb);
        // Five of 20 MB handed back: the last three are kept, 60 MB of the 64 allowed.
        {
            std::vector<std::unique_ptr<RecycledBlock>> blocks;
            for (int i = 0; i < 5; ++i) {
                blocks.push_back(std::make_unique<RecycledBlock>(20 * kMb, pool));
            }
        }
        QCOMPARE(pool.keptBytes(), 60 * kMb);
    }
};

LUMOSA_TEST(PictureTest)
#include "picture_test.moc"
