// Checks the artwork compiled into the program (resources/, drawn by lumosa-artwork): the
// button pictures, the program icon and the mouse pointer must be in the binary and read as
// the windows expect them. Also the GIF writer's transparent colour, which the buttons use.

#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QtTest>
#include "GifWriter.h"
#include "testsupport.h"

namespace {

bool clear(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y)) == 0;
}

// Pixels of one row from x to x + length: '#' dark, '.' light, ' ' transparent.
QString row(const QImage& image, int y, int x, int length) {
    QString out;
    for (int i = x; i < x + length; ++i) {
        const QRgb c = image.pixel(i, y);
        out += qAlpha(c) == 0   ? QLatin1Char(' ')
               : qGray(c) < 128 ? QLatin1Char('#')
                                : QLatin1Char('.');
    }
    return out;
}

int colourCount(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!clear(image, x, y)) {
                colours.insert(image.pixel(x, y));
            }
        }
    }
    return int(colours.size());
}

QList<QImage> readAll(const QString& path) {
    QImageReader reader(path);
    QList<QImage> images;
    for (int i = 0; i < reader.imageCount(); ++i) {
        images.append(reader.read().convertToFormat(QImage::Format_ARGB32));
        reader.jumpToNextImage();
    }
    return images;
}

}  // namespace

class ArtworkTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buttons_data() {
        // Rows 14 and 17 (the middle) of the symbol: which way it points and where it sits.
        QTest::addColumn<QString>("upper");
        QTest::addColumn<QString>("middle");
        QTest::newRow("pause") << "....####...####...."
                               << "....####...####....";
        QTest::newRow("next") << ".....######........"
                              << ".....###########...";
        QTest::newRow("slower") << ".....####....####.."
                                << ".################..";
        QTest::newRow("first") << "..###......######.."
                               << "..###.###########..";
        QTest::newRow("prev") << "........######....."
                              << "...###########.....";
        QTest::newRow("last") << "..######......###.."
                              << "..###########.###..";
        QTest::newRow("faster") << "..####....####....."
                                << "..################.";
    }

    void buttons() {
        QFETCH(QString, upper);
        QFETCH(QString, middle);
        const QString path =
            QStringLiteral(":/buttons/%1.gif").arg(QLatin1String(QTest::currentDataTag()));
        QVERIFY(QFile::exists(path));
        QCOMPARE(QImageReader(path).format(), QByteArray("gif"));
        const QList<QImage> frames = readAll(path);
        QCOMPARE(frames.size(), 1);
        const QImage& image = frames[0];
        QCOMPARE(image.size(), QSize(35, 35));
        QVERIFY(clear(image, 0, 0) && clear(image, 34, 0) && clear(image, 0, 34) &&
                clear(image, 34, 34));
        // Opaque silver at the four sides of the disc, inside its rim.
        for (const QPoint at : {QPoint(17, 4), QPoint(17, 30), QPoint(4, 17), QPoint(30, 17)}) {
            const QColor c = QColor::fromRgba(image.pixel(at));
            QCOMPARE(c.alpha(), 255);
            QVERIFY2(c.hsvSaturation() < 40 && c.value() > 150, qPrintable(c.name()));
        }
        QCOMPARE(row(image, 14, 8, 19), upper);
        QCOMPARE(row(image, 17, 8, 19), middle);
    }

    void programIcon() {
        const QString path = QStringLiteral(":/lumosa.ico");
        QCOMPARE(QImageReader(path).format(), QByteArray("ico"));
        const QList<QImage> images = readAll(path);
        QCOMPARE(images.size(), 2);
        QSet<int> sizes;
        for (const QImage& image : images) {
            const int s = image.width();
            QCOMPARE(image.height(), s);
            sizes.insert(s);
            QVERIFY(colourCount(image) <= 16);
            QVERIFY(clear(image, 0, 0));                                         // round
            QVERIFY(clear(image, s / 2, s / 2) && !clear(image, s / 2, s / 4));  // the hole
            bool coloured = false;                                               // the reflections
            for (int i = 0; i < s * s; ++i) {
                coloured |= QColor(image.pixel(i % s, i / s)).hsvSaturation() > 60;
            }
            QVERIFY(coloured);
        }
        QCOMPARE(sizes, QSet<int>({32, 16}));
    }

    void pointer() {
        const QString path = QStringLiteral(":/remote.cur");
        QCOMPARE(QImageReader(path).format(), QByteArray("ico"));  // Qt reads CUR as ICO
        const QList<QImage> images = readAll(path);
        QCOMPARE(images.size(), 1);
        const QImage& image = images[0];
        QCOMPARE(image.size(), QSize(32, 32));
        QVERIFY(colourCount(image) <= 16);
        QVERIFY(clear(image, 0, 0) && clear(image, 31, 31));
        QVERIFY(!clear(image, 16, 0));  // the hotspot the windows give the pointer
    }

    void gifKeepsTransparencyWhenReducingColours() {
        // More colours than a GIF holds, and a hole: the hole must stay exactly where it was.
        QImage image(40, 40, QImage::Format_ARGB32);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) {
                image.setPixel(
                    x, y, (x + y) % 7 == 0 ? qRgba(0, 0, 0, 0) : qRgb(x * 6, y * 6, (x * y) % 256));
            }
        }
        const QImage read =
            QImage::fromData(gifwriter::encode(image, gifwriter::Alpha::ZeroIsTransparent), "gif")
                .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(read.size(), image.size());
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) {
                QCOMPARE(clear(read, x, y), clear(image, x, y));
                if (!clear(image, x, y)) {
                    QVERIFY(qAbs(qGray(read.pixel(x, y)) - qGray(image.pixel(x, y))) < 40);
                }
            }
        }
    }
};

LUMOSA_TEST(ArtworkTest)
#include "artwork_test.moc"
