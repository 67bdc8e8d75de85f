// Checks the lumosa-samples tool that makes the pictures of the demo disc and benchmarks:
// the files must decode as what they claim to be, and its own GIF encoder must be lossless.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

class SamplesTest : public QObject {
    Q_OBJECT

private:
    // The tool is built beside the tests' folder; LUMOSA_SAMPLES overrides that.
    static QString toolPath() {
        const QString fromEnv = qEnvironmentVariable("LUMOSA_SAMPLES");
        if (!fromEnv.isEmpty()) {
            return fromEnv;
        }
        return QDir(QCoreApplication::applicationDirPath())
            .absoluteFilePath(QStringLiteral("../lumosa-samples"));
    }

    struct Run {
        int exitCode = -1;
        QStringList written;
    };

    static Run runTool(const QStringList& args) {
        QProcess p;
        p.start(toolPath(), args);
        Run run;
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit) {
            return run;
        }
        run.exitCode = p.exitCode();
        run.written = QString::fromLocal8Bit(p.readAllStandardOutput())
                          .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return run;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QFileInfo(toolPath()).isExecutable(),
                 qPrintable(QStringLiteral("lumosa-samples not built at ") + toolPath()));
    }

    void demoSetHasEveryKind() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const Run run = runTool({QStringLiteral("--tag"), QStringLiteral("Test"), dir.path()});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.written.size(), 7);

        struct Expected {
            const char* name;
            QByteArray format;
            QSize size;
        };
        const Expected expected[] = {
            {"1-landscape.jpg", "jpeg", {1600, 900}}, {"2-portrait.jpg", "jpeg", {720, 1280}},
            {"3-square.bmp", "bmp", {1000, 1000}},    {"4-small.gif", "gif", {320, 240}},
            {"5-large.jpg", "jpeg", {4000, 3000}},    {"6-panorama.gif", "gif", {1800, 450}},
            {"7-tiny.bmp", "bmp", {160, 120}},
        };
        for (const Expected& e : expected) {
            const QString path = QDir(dir.path()).filePath(QString::fromLatin1(e.name));
            QVERIFY2(run.written.contains(path), e.name);
            QImageReader reader(path);
            QCOMPARE(reader.format(), e.format);
            QCOMPARE(reader.size(), e.size);
            QVERIFY2(!reader.read().isNull(), e.name);
        }
    }

    void onlyPicksKinds() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const Run run =
            runTool({QStringLiteral("--only"), QStringLiteral("tiny,small"), dir.path()});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
                 QStringList({QStringLiteral("4-small.gif"), QStringLiteral("7-tiny.bmp")}));
    }

    void gifKeepsEveryPixel_data() {
        QTest::addColumn<QString>("size");
        QTest::newRow("wide") << QStringLiteral("640x480");  // many LZW table resets
        QTest::newRow("odd") << QStringLiteral("333x17");
    }

    // The GIF must decode to exactly what the same picture quantized to 256 colours is; the
    // BMP (lossless) of the same seed gives that picture.
    void gifKeepsEveryPixel() {
        QFETCH(QString, size);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (const char* format : {"bmp", "gif"}) {
            const Run run = runTool({QStringLiteral("--photo"), size, QStringLiteral("--seed"),
                                     QStringLiteral("5"), QStringLiteral("--format"),
                                     QString::fromLatin1(format), dir.path()});
            QCOMPARE(run.exitCode, 0);
        }
        const QImage source(QDir(dir.path()).filePath(QStringLiteral("photo-0001.bmp")));
        QVERIFY(!source.isNull());
        const QImage expected = source.convertToFormat(QImage::Format_RGB32)
                                    .convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither)
                                    .convertToFormat(QImage::Format_RGB32);
        QImageReader reader(QDir(dir.path()).filePath(QStringLiteral("photo-0001.gif")));
        QCOMPARE(reader.format(), QByteArray("gif"));
        const QImage gif = reader.read().convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!gif.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(gif.size(), expected.size());
        QVERIFY(gif == expected);
    }

    // Benchmarks need photos that cost what a camera's cost to decode: not flat colour.
    void photosAreDetailed() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const Run run = runTool({QStringLiteral("--photo"), QStringLiteral("800x600"),
                                 QStringLiteral("--count"), QStringLiteral("2"),
                                 QStringLiteral("--quality"), QStringLiteral("85"),
                                 QStringLiteral("--prefix"), QStringLiteral("cam"), dir.path()});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.written.size(), 2);
        const QString first = QDir(dir.path()).filePath(QStringLiteral("cam-0001.jpg"));
        const QString second = QDir(dir.path()).filePath(QStringLiteral("cam-0002.jpg"));
        const QImage image(first);
        QCOMPARE(image.size(), QSize(800, 600));
        // About 1.5 bits a pixel or more, as photos of this quality have.
        QVERIFY(QFileInfo(first).size() > 800 * 600 / 6);
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3) {
            for (int x = 0; x < image.width(); x += 3) {
                colours.insert(image.pixel(x, y));
            }
        }
        QVERIFY(colours.size() > 5000);
        QVERIFY(QImage(second) != image);  // each photo its own scene
    }

    void rejectsBadArguments() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QCOMPARE(runTool({QStringLiteral("--photo"), QStringLiteral("12"), dir.path()}).exitCode,
                 2);
        QCOMPARE(runTool({QStringLiteral("--quality"), QStringLiteral("0"), dir.path()}).exitCode,
                 2);
        QCOMPARE(runTool({QStringLiteral("--only"), QStringLiteral("huge"), dir.path()}).exitCode,
                 2);
        QCOMPARE(runTool({}).exitCode, 2);
        QVERIFY(QDir(dir.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(SamplesTest)
#include "samples_test.moc"
