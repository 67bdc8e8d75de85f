// The lumosa-samples tool: its pictures must decode as what they claim, its GIFs losslessly.
#include <QImageReader>
#include <QProcess>
#include <QtTest>

#include "testsupport.h"

class SamplesTest : public QObject {
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

LUMOSA_TEST(SamplesTest)
#include "samples_test.moc"
