// Hostile pictures: a folder of damaged, lying and vanishing files among good pictures. The show
// and the thumbnail sheet go over all of it, show every good picture, and stay small.
#include <QtTest>

#include <QImageWriter>
#include <QRandomGenerator>

#include "GifWriter.h"
#include "panel/ControlPanel.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"
#include "thumbs/ThumbDecoder.h"
#include "thumbs/frmThumbnails.h"

using namespace Qt::StringLiterals;
using platform::Forms;
using testsupport::middleColour;
using testsupport::nearColour;

namespace {

constexpr qint64 kPeakLimitKb = 300 * 1024;

QByteArray encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage filled(QSize size, const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

void putLittle(QByteArray& bytes, int at, quint32 value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes[at + i] = char((value >> (8 * i)) & 0xFF);
    }
}

void putBig(QByteArray& bytes, int at, quint32 value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes[at + i] = char((value >> (8 * (width - 1 - i))) & 0xFF);
    }
}

// A BMP with a Windows header as given, followed by `pixelBytes` bytes of pixel data.
QByteArray bmp(qint32 width, qint32 height, int bits, quint32 compression = 0, int pixelBytes = 64,
               quint32 coloursUsed = 0, quint32 offset = 54) {
    QByteArray bytes(54 + pixelBytes, '\x55');
    bytes[0] = 'B';
    bytes[1] = 'M';
    putLittle(bytes, 2, quint32(bytes.size()), 4);
    putLittle(bytes, 6, 0, 4);
    putLittle(bytes, 10, offset, 4);
    putLittle(bytes, 14, 40, 4);
    putLittle(bytes, 18, quint32(width), 4);
    putLittle(bytes, 22, quint32(height), 4);
    putLittle(bytes, 26, 1, 2);
    putLittle(bytes, 28, quint32(bits), 2);
    putLittle(bytes, 30, compression, 4);
    putLittle(bytes, 34, quint32(pixelBytes), 4);
    putLittle(bytes, 38, 2835, 4);
    putLittle(bytes, 42, 2835, 4);
    putLittle(bytes, 46, coloursUsed, 4);
    putLittle(bytes, 50, 0, 4);
    return bytes;
}

QByteArray randomBytes(int size, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes) {
        b = char(random.bounded(256));
    }
    return bytes;
}

// The malformed files, by name; the names interleave them with the good pictures.
QMap<QString, QByteArray> hostileFiles() {
    QMap<QString, QByteArray> files;
    const QByteArray jpeg = encoded(filled({200, 150}, Qt::magenta), "JPG");
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    const qsizetype dht = jpeg.indexOf("\xFF\xC4");
    const qsizetype dqt = jpeg.indexOf("\xFF\xDB");
    const qsizetype sos = jpeg.indexOf("\xFF\xDA");
    if (sof < 0 || dht < 0 || dqt < 0 || sos < 0) {
        qFatal("the JPEG writer no longer writes the markers this test damages");
    }

    // Cut at ten points, from inside the start marker to just before the end marker.
    for (int k = 0; k < 10; ++k) {
        const qsizetype at = k == 0 ? 1 : jpeg.size() * k / 10;
        files.insert(u"b-cut%1.jpg"_s.arg(k), jpeg.left(at));
    }
    const auto patched = [&jpeg](qsizetype at, const QByteArray& with) {
        QByteArray bytes = jpeg;
        bytes.replace(at, with.size(), with);
        return bytes;
    };
    files.insert(u"c-sof-gone.jpg"_s, patched(sof, "\xFF\x00"));
    files.insert(u"c-sos-gone.jpg"_s, patched(sos, "\xFF\x00"));
    files.insert(u"c-dqt-length0.jpg"_s, patched(dqt + 2, QByteArray(2, '\0')));
    files.insert(u"c-dqt-length-huge.jpg"_s, patched(dqt + 2, "\xFF\xFF"));
    files.insert(u"c-dht-garbage.jpg"_s, patched(dht + 4, randomBytes(40, 1)));
    files.insert(u"c-sof-zero-size.jpg"_s, patched(sof + 5, QByteArray(4, '\0')));
    files.insert(u"c-sof-65535.jpg"_s, patched(sof + 5, "\xFF\xFF\xFF\xFF"));
    files.insert(u"c-sof-30000.jpg"_s, patched(sof + 5, "\x75\x30\x75\x30"));
    files.insert(u"c-sof-no-components.jpg"_s, patched(sof + 9, QByteArray(1, '\0')));
    files.insert(u"c-sof-precision-3.jpg"_s, patched(sof + 4, "\x03"));
    files.insert(u"c-scan-noise.jpg"_s,
                 patched(sos + 20, randomBytes(int(jpeg.size() - sos - 30), 2)));
    files.insert(u"c-only-markers.jpg"_s, QByteArray("\xFF\xD8") + QByteArray(5000, '\xFF'));
    files.insert(u"c-no-end.jpg"_s, jpeg.left(jpeg.size() - 2) + randomBytes(300, 3));
    // Progressive: libjpeg keeps the coefficients of the whole picture, whatever is decoded.
    QByteArray progressive;
    {
        QBuffer buffer(&progressive);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        writer.write(filled({200, 150}, Qt::magenta));
    }
    const qsizetype sof2 = progressive.indexOf("\xFF\xC2");
    if (sof2 < 0) {
        qFatal("the JPEG writer no longer writes progressive JPEGs");
    }
    for (const int side : {10900, 7000}) {
        QByteArray bytes = progressive;
        putBig(bytes, int(sof2 + 5), quint32(side), 2);
        putBig(bytes, int(sof2 + 7), quint32(side), 2);
        files.insert(u"c-progressive-%1.jpg"_s.arg(side), bytes);
    }

    // GIF: the logical screen is what Qt allocates, whatever the frame holds.
    const QByteArray gif = gifwriter::encode(filled({40, 30}, Qt::magenta));
    QByteArray gifScreen = gif;
    putLittle(gifScreen, 6, 0xFFFF, 2);
    putLittle(gifScreen, 8, 0xFFFF, 2);
    files.insert(u"d-screen-65535.gif"_s, gifScreen);
    putLittle(gifScreen, 6, 12000, 2);
    putLittle(gifScreen, 8, 9000, 2);
    files.insert(u"d-screen-12000.gif"_s, gifScreen);
    putLittle(gifScreen, 6, 5000, 2);
    putLittle(gifScreen, 8, 5000, 2);
    files.insert(u"d-screen-5000.gif"_s, gifScreen);
    putLittle(gifScreen, 6, 5460, 2);
    putLittle(gifScreen, 8, 5460, 2);
    files.insert(u"d-screen-5460.gif"_s, gifScreen);
    QByteArray gifZero = gif;
    putLittle(gifZero, 6, 0, 4);
    files.insert(u"d-screen-zero.gif"_s, gifZero);
    files.insert(u"d-header-only.gif"_s, gif.left(13));
    files.insert(u"d-cut.gif"_s, gif.left(gif.size() / 2));
    files.insert(u"d-noise.gif"_s, gif.left(13) + randomBytes(2000, 4));

    // BMP: sizes negative, huge or beyond the data, depths and offsets that make no sense.
    files.insert(u"e-negative-width.bmp"_s, bmp(-64, 48, 24));
    files.insert(u"e-min-height.bmp"_s, bmp(64, std::numeric_limits<qint32>::min(), 24));
    files.insert(u"e-100000.bmp"_s, bmp(100000, 100000, 24));
    files.insert(u"e-max-width.bmp"_s, bmp(std::numeric_limits<qint32>::max(), 1, 24));
    files.insert(u"e-tall-1bit.bmp"_s, bmp(1, 100'000'000, 1));
    files.insert(u"e-10000-8bit.bmp"_s, bmp(10000, 10000, 8, 0, 64, 256));
    files.insert(u"e-5000-8bit.bmp"_s, bmp(5000, 5000, 8, 0, 64, 256));
    files.insert(u"e-10000-4bit-rle.bmp"_s, bmp(10000, 10000, 4, 2, 64, 16));
    files.insert(u"e-7000-32bit.bmp"_s, bmp(7000, 5000, 32));
    files.insert(u"e-depth-0.bmp"_s, bmp(64, 48, 0));
    files.insert(u"e-depth-64.bmp"_s, bmp(64, 48, 64));
    files.insert(u"e-palette-huge.bmp"_s, bmp(64, 48, 8, 0, 64, 0xFFFFFFFF));
    files.insert(u"e-offset-beyond.bmp"_s, bmp(64, 48, 24, 0, 64, 0, 0x7FFFFFFF));
    files.insert(u"e-bitfields-short.bmp"_s, bmp(64, 48, 16, 3, 4));
    QByteArray os2 = bmp(64, 48, 24);
    putLittle(os2, 14, 12, 4);
    putLittle(os2, 18, 0xFFFF, 2);
    putLittle(os2, 20, 0xFFFF, 2);
    files.insert(u"e-os2-65535.bmp"_s, os2);
    files.insert(u"e-header-cut.bmp"_s, bmp(64, 48, 24).left(20));

    // Not pictures at all, or nothing.
    files.insert(u"f-empty.jpg"_s, {});
    files.insert(u"f-zeros.bmp"_s, QByteArray(4096, '\0'));
    files.insert(u"f-random.jpg"_s, randomBytes(10000, 5));
    files.insert(u"f-random.gif"_s, randomBytes(777, 6));
    files.insert(u"f-random.bmp"_s, randomBytes(54, 7));
    files.insert(u"f-soi-random.jpg"_s, QByteArray("\xFF\xD8") + randomBytes(20000, 8));
    files.insert(u"f-bm-random.bmp"_s, QByteArray("BM") + randomBytes(500, 9));
    files.insert(u"f-text.jpg"_s, "This is not a picture.\n");
    files.insert(u"f-png.jpg"_s, encoded(filled({30, 30}, Qt::magenta), "PNG"));
    return files;
}

// The good pictures, by name and colour: each format, and one a camera would write large.
struct Good {
    QString name;
    QColor colour;
    QSize size;
};
const QList<Good> kGood = {
    {u"a-red.bmp"_s, Qt::red, {64, 48}},        {u"b-green.jpg"_s, Qt::green, {64, 48}},
    {u"c-blue.gif"_s, Qt::blue, {64, 48}},      {u"d-yellow.jpeg"_s, Qt::yellow, {3000, 2000}},
    {u"e-cyan.bmp"_s, Qt::cyan, {48, 64}},      {u"f-white.JPG"_s, Qt::white, {10, 10}},
    {u"g-grey.gif"_s, Qt::darkGray, {300, 20}},
};

// The hostile folder, with one file of it (and one good-looking name) to vanish after listing.
struct Hostile {
    testsupport::Disc disc;
    testsupport::Session session{disc};
    MainForm* form = nullptr;
    int files = 0;

    Hostile() {
        const auto bad = hostileFiles();
        for (auto it = bad.begin(); it != bad.end(); ++it) {
            disc.file(u"Mixed/"_s + it.key(), it.value());
        }
        for (const Good& good : kGood) {
            disc.picture(u"Mixed/"_s + good.name, good.size, good.colour);
        }
        disc.picture(u"Mixed/b-vanishing.jpg"_s);
        disc.picture(u"Mixed/f-vanishing.bmp"_s);
        form = session.start();
        if (form) {
            form->Timer1.setEnabled(false);
            files = form->flbImageList.ListCount();
            QFile::remove(disc.abs(u"Mixed/b-vanishing.jpg"_s));
            QFile::remove(disc.abs(u"Mixed/f-vanishing.bmp"_s));
        }
    }
    // The good picture at this path, or nullptr.
    static const Good* good(const QString& path) {
        for (const Good& g : kGood) {
            if (path.endsWith(u'/' + g.name)) {
                return &g;
            }
        }
        return nullptr;
    }
};

void reportPeak(const char* what) {
    const qint64 peak = testsupport::processStatusKb("VmHWM");
    qInfo("%s: peak memory (VmHWM) %lld kB, limit %lld kB", what, peak, kPeakLimitKb);
    if (peak < 0) {
        QSKIP("this system gives no peak memory figure");
    }
    if (!testsupport::kMemoryFiguresMeaningful) {
        return;  // the run itself is what counts under the sanitizer
    }
    QVERIFY2(peak < kPeakLimitKb, qPrintable(u"peak memory %1 kB"_s.arg(peak)));
}

}  // namespace

class HostileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showGoesOverEverything();
    void thumbnailSheetOverEverything();
    void largeFilesSideBySide();
};

void HostileTest::showGoesOverEverything() {
    const Hostile h;
    QVERIFY(h.form);
    QVERIFY2(h.files >= 40 + kGood.size(), qPrintable(QString::number(h.files)));
    qInfo("hostile folder: %d files listed, %lld of them good pictures", h.files, kGood.size());
    // Twice round, forwards, then backwards and by index: every good picture shows in its colour.
    QSet<QString> seen;
    const auto check = [&] {
        const QString path = h.form->currentImagePath();
        if (const Good* g = Hostile::good(path)) {
            seen.insert(g->name);
            const QColor shown = middleColour(h.form->image1.picture());
            QVERIFY2(nearColour(shown, g->colour), qPrintable(path + u" shows "_s + shown.name()));
            QVERIFY(h.form->image1.Visible());
        }
    };
    for (int i = 0; i < 2 * h.files; ++i) {
        h.form->JumpTo(u"Next"_s);
        check();
    }
    QCOMPARE(seen.size(), kGood.size());
    for (int i = 0; i < h.files; ++i) {
        h.form->JumpTo(u"Prev"_s);
        check();
        h.form->JumpTo((i * 7) % h.files);
        check();
    }
    for (const QString& word : {u"Last"_s, u"First"_s}) {
        h.form->JumpTo(word);
        check();
    }
    // The show still runs on its timer.
    h.form->Timer1.setInterval(1);
    h.form->Timer1.setEnabled(true);
    const QString before = h.form->currentImagePath();
    QTRY_VERIFY_WITH_TIMEOUT(h.form->currentImagePath() != before, 10000);
    h.form->Timer1.setEnabled(false);
    reportPeak("hostile show");
}

void HostileTest::thumbnailSheetOverEverything() {
    const Hostile h;
    QVERIFY(h.form);
    Forms::get<ControlPanel>().Show();
    Forms::get<ControlPanel>().cbThumbs.click();
    frmThumbnails* sheet = Forms::find<frmThumbnails>();
    QVERIFY(sheet);
    QTRY_VERIFY_WITH_TIMEOUT(sheet->Caption().startsWith(QString::number(h.files) + u' '), 60000);
    QCOMPARE(int(sheet->Thumb1.size()), h.files);
    const auto& list = h.form->flbImageList;
    for (int i = 0; i < h.files; ++i) {
        if (const Good* g = Hostile::good(list.FullPath(i))) {
            QTRY_VERIFY2_WITH_TIMEOUT(
                nearColour(middleColour(sheet->Thumb1[i]->picture()), g->colour),
                qPrintable(g->name), 10000);
        } else {
            // Something stands in every cell, decoded or the placeholder.
            QTRY_VERIFY_WITH_TIMEOUT(!sheet->Thumb1[i]->picture().isNull(), 10000);
        }
    }
    // A click on a good picture goes back to the show at it.
    int green = 0;
    while (green < h.files && list.List(green) != u"b-green.jpg"_s) {
        ++green;
    }
    QVERIFY(green < h.files);
    QTest::mouseClick(sheet->Thumb1[green]->widget(), Qt::LeftButton);
    QTRY_VERIFY(!Forms::find<frmThumbnails>());
    QVERIFY(h.form->currentImagePath().endsWith(u"/b-green.jpg"_s));
    QVERIFY(nearColour(middleColour(h.form->image1.picture()), Qt::green));
    reportPeak("hostile thumbnail sheet");
}

// Files of 200 MB behind a good JPEG, decoded side by side by more workers than there are
// files: only one of them is in memory at a time, however many cores the machine has.
void HostileTest::largeFilesSideBySide() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray jpeg = encoded(filled({64, 48}, Qt::green), "JPG");
    QStringList paths;
    for (int i = 0; i < 4; ++i) {
        QFile file(dir.filePath(u"large%1.jpg"_s.arg(i)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(jpeg), jpeg.size());
        QVERIFY(file.resize(200LL * 1024 * 1024));  // zeros, left sparse: quick to make
        paths << file.fileName();
    }
    thumbs::ThumbDecoder decoder(paths, QSize(100, 100), 8);
    for (int i = 0; i < paths.size(); ++i) {
        QVERIFY(nearColour(middleColour(decoder.next().picture), Qt::green));
    }
    reportPeak("four 200 MB files, eight workers");
}

LUMOSA_TEST(HostileTest)
#include "hostile_test.moc"
