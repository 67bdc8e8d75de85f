// The artwork compiled into the program reads as the windows expect; the GIF writer keeps holes;
// the lumosa-samples tool's pictures decode as what they claim, its GIFs losslessly.
#include <QImageReader>
#include <QProcess>
#include <QtTest>
#include "GifWriter.h"
#include "testsupport.h"

class ArtworkTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString at(const char* path) const { return dir_.filePath(QString::fromLatin1(path)); }

    static int run(const QStringList& args) {
        QProcess tool;
        tool.start(QCoreApplication::applicationDirPath() + "/../lumosa-samples", args);
        const bool ended = tool.waitForFinished(-1) && tool.exitStatus() == QProcess::NormalExit;
        return ended ? tool.exitCode() : -1;
    }

private Q_SLOTS:
    void resources_data() {
        QTest::addColumn<QByteArray>("format");  // Qt reads CUR as ICO
        QTest::addColumn<QList<int>>("sides");   // of its square images, in order
        QTest::addColumn<QPoint>("solid");       // opaque in the first: the pointer's hotspot
        for (const char* name : {"pause", "next", "slower", "first", "prev", "last", "faster"}) {
            QTest::newRow(qPrintable(QStringLiteral(":/buttons/%1.gif").arg(name)))
                << QByteArray("gif") << QList<int>{35} << QPoint(17, 4);
        }
        QTest::newRow(":/lumosa.ico") << QByteArray("ico") << QList<int>{32, 16} << QPoint(16, 8);
        QTest::newRow(":/remote.cur") << QByteArray("ico") << QList<int>{32} << QPoint(16, 0);
    }

    void resources() {
        QFETCH(QList<int>, sides);
        QFETCH(QPoint, solid);
        QImageReader reader(QString::fromLatin1(QTest::currentDataTag()));
        QTEST(reader.format(), "format");
        QCOMPARE(reader.imageCount(), sides.size());
        for (int i = 0; i < sides.size(); ++i) {
            const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
            reader.jumpToNextImage();
            QCOMPARE(image.size(), QSize(sides[i], sides[i]));
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);  // all of them round, or pointed
            QVERIFY(i > 0 || qAlpha(image.pixel(solid)) == 255);
        }
    }

    void gifKeepsTransparencyWhenReducingColours() {
        // More colours than a GIF holds, and a hole: the hole must stay exactly where it was.
        QImage image(40, 40, QImage::Format_ARGB32);
        for (int i = 0; i < 40 * 40; ++i) {
            const int x = i % 40, y = i / 40;
            image.setPixel(x, y, (x + y) % 7 == 0 ? 0 : qRgb(x * 6, y * 6, (x * y) % 256));
        }
        const QImage read =
            QImage::fromData(gifwriter::encode(image, gifwriter::Alpha::ZeroIsTransparent), "gif")
                .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(read.size(), image.size());
        for (int i = 0; i < 40 * 40; ++i) {
            const QRgb was = image.pixel(i % 40, i / 40), is = read.pixel(i % 40, i / 40);
            QVERIFY(qAlpha(is) == qAlpha(was) &&
                    (qAlpha(was) == 0 || qAbs(qGray(is) - qGray(was)) < 40));
        }
    }

    void demoSet() {
        QCOMPARE(run({"--tag=Test", at("demo")}), 0);
        QStringList found;  // every file's name, format and size as decoded
        for (const QString& name : QDir(at("demo")).entryList(QDir::Files)) {
            QImageReader reader(QDir(at("demo")).filePath(name));
            const QByteArray format = reader.format();
            const QSize size = reader.read().size();
            found << QString::asprintf("%s %s %dx%d", qPrintable(name), format.constData(),
                                       size.width(), size.height());
        }
        QCOMPARE(found, QStringList({"1-landscape.jpg jpeg 1600x900",
                                     "2-portrait.jpg jpeg 720x1280", "3-square.bmp bmp 1000x1000",
                                     "4-small.gif gif 320x240", "5-large.jpg jpeg 4000x3000",
                                     "6-panorama.gif gif 1800x450", "7-tiny.bmp bmp 160x120"}));
    }

    // Each photo its own scene; a GIF is exactly the BMP of its seed in 256 colours.
    void photos() {
        QCOMPARE(run({"--photo=640x480", "--count=2", "--format=bmp", at("photos")}), 0);
        QCOMPARE(run({"--photo=640x480", "--format=gif", at("photos")}), 0);
        const QImage bmp(at("photos/photo-0001.bmp"), "bmp");
        const QImage gif(at("photos/photo-0001.gif"), "gif");
        QCOMPARE(gif.convertToFormat(QImage::Format_RGB32),
                 bmp.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither)
                     .convertToFormat(QImage::Format_RGB32));
        QVERIFY(QImage(at("photos/photo-0002.bmp"), "bmp") != bmp);
    }
};

LUMOSA_TEST(ArtworkTest)
#include "artwork_test.moc"
