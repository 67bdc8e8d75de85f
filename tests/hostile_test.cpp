// The hostile corpus, good pictures and two files that vanish: the show and the sheet stay small.
#include <QtTest>

#include "platform/Workers.h"
#include "show/MainForm.h"
#include "testsupport.h"
#include "thumbs/ThumbDecoder.h"
#include "thumbs/frmThumbnails.h"

using namespace Qt::StringLiterals;
using testsupport::middleColour;
using testsupport::nearColour;

namespace {

// The good pictures among them, as Disc takes them: each shown in its colour.
const QStringList kGood = {u"a-red.bmp:red"_s,         u"b-green.jpg:lime"_s,
                           u"c-blue.gif:blue"_s,       u"d-yellow.jpeg:yellow:3000x2000"_s,
                           u"e-cyan.bmp:cyan:48x64"_s, u"f-white.JPG:white:10x10"_s,
                           u"g-grey.gif:gray:300x20"_s};

QColor goodColour(const QString& name) {  // invalid for the others
    const auto good = std::find_if(kGood.begin(), kGood.end(),
                                   [&](const QString& g) { return g.startsWith(name + u':'); });
    return good == kGood.end() ? QColor() : QColor(good->section(u':', 1, 1));
}

void checkPeak(const char* what) {
    const qint64 peak = testsupport::processStatusKb("VmHWM"), limit = 300 * 1024;
    qInfo("%s: peak memory (VmHWM) %lld kB, limit %lld kB", what, peak, limit);
    QVERIFY(peak > 0 && (peak < limit || !testsupport::kMemoryFiguresMeaningful));
}

// tools/medium.py serving `source` at `mount` with `options` while it lives.
struct Medium {
    Medium(const QString& source, const QString& mountPoint, const QStringList& options)
        : mount(mountPoint) {
        process.start(
            u"/usr/bin/python3"_s,
            QStringList{QStringLiteral(LUMOSA_SOURCE_DIR "/tools/medium.py"), source, mount} +
                options);
    }
    ~Medium() {
        QProcess::execute(u"fusermount3"_s, {u"-u"_s, u"-z"_s, mount});
        process.terminate();
        process.waitForFinished(5000);  // a stuck read then fails and its thread ends
    }
    QProcess process;
    QString mount;
};

}  // namespace

class HostileTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showAndSheetOverEverything() {
        QLoggingCategory::setFilterRules(u"qt.gui.imageio*=false"_s);  // damage is the point
        const QStringList vanishing{u"Mixed/b-vanishing.jpg"_s, u"Mixed/f-vanishing.bmp"_s};
        QStringList entries = vanishing;
        for (const QString& good : kGood) {
            entries.append(u"Mixed/"_s + good);
        }
        const testsupport::Disc disc(entries);
        const QList<testsupport::HostileFile> hostile = testsupport::hostileFiles();
        for (const auto& file : hostile) {
            disc.file(u"Mixed/"_s + file.name, file.bytes);
        }
        testsupport::Session session(disc);
        MainForm* form = session.start(false);
        QVERIFY(form);
        const int files = form->show().pictures().ListCount();
        QCOMPARE(files, hostile.size() + kGood.size() + vanishing.size());
        for (const QString& name : vanishing) {
            QVERIFY(QFile::remove(disc.abs(name)));
        }

        // Twice round: every good picture in its colour.
        QSet<QString> seen;
        for (int i = 0; i < 2 * files; ++i) {
            form->JumpTo(u"Next"_s);
            testsupport::settle(form);
            const QString name = QFileInfo(form->show().currentImagePath()).fileName();
            if (goodColour(name).isValid()) {
                seen.insert(name);
                const QColor shown = middleColour(form->image1.picture());
                QVERIFY2(nearColour(shown, goodColour(name)),
                         qPrintable(name + u" shows "_s + shown.name()));
                QVERIFY(form->image1.Visible());
            }
        }
        QCOMPARE(seen.size(), kGood.size());

        // The sheet: every good picture in its cell, something in every other one.
        frmThumbnails* sheet = testsupport::openSheet();
        QVERIFY(sheet);
        QTRY_VERIFY_WITH_TIMEOUT(sheet->Caption().startsWith(QString::number(files) + u' '), 60000);
        QCOMPARE(int(sheet->Thumb1.size()), files);
        for (int i = 0; i < files; ++i) {
            const platform::Picture& thumb = sheet->Thumb1[i]->picture();
            if (const QString name = form->show().pictures().List(i); goodColour(name).isValid()) {
                QTRY_VERIFY2_WITH_TIMEOUT(nearColour(middleColour(thumb), goodColour(name)),
                                          qPrintable(name), testsupport::kWaitMs);
            } else {  // decoded or the placeholder
                QTRY_VERIFY_WITH_TIMEOUT(!thumb.isNull(), testsupport::kWaitMs);
            }
        }
        checkPeak("hostile show and thumbnail sheet");
    }

    // Files of 200 MB behind a good JPEG, by more workers than files: one in memory at a time.
    void largeFilesSideBySide() {
        QTemporaryDir dir;
        const QByteArray jpeg =
            testsupport::encode(testsupport::filled({64, 48}, Qt::green), "jpeg");
        QStringList paths;
        for (int i = 0; i < 4; ++i) {
            QFile file(dir.filePath(u"large%1.jpg"_s.arg(i)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(jpeg) == jpeg.size());
            QVERIFY(file.resize(200LL * 1024 * 1024));  // zeros, left sparse: quick to make
            paths << file.fileName();
        }
        thumbs::ThumbDecoder decoder(paths, QSize(100, 100), 8);
        QSignalSpy spy(&decoder, &thumbs::ThumbDecoder::decoded);
        QTRY_COMPARE_WITH_TIMEOUT(spy.size(), paths.size(), testsupport::kWaitMs);
        for (const QList<QVariant>& arguments : std::as_const(spy)) {
            QVERIFY(
                nearColour(middleColour(arguments.at(1).value<platform::Picture>()), Qt::green));
        }
        checkPeak("four 200 MB files, eight workers");
    }

    // A 36 MB picture whose read hangs past its first 64 KB holds up no other large picture.
    void stuckReadHoldsNoTurn() {
        QTemporaryDir served, mount;
        const QImage large = testsupport::filled({4000, 3000}, Qt::blue);
        QVERIFY(large.save(served.filePath(u"stuck.bmp"_s)) &&
                large.save(served.filePath(u"local.bmp"_s)));
        const Medium medium(served.path(), mount.path(), {u"--hang-after"_s, u"stuck.bmp:65536"_s});
        QTRY_VERIFY(QFile::exists(mount.filePath(u"local.bmp"_s)));
        const QSize screen(1920, 1080);
        platform::startDetached([path = mount.filePath(u"stuck.bmp"_s), screen] {
            platform::LoadPicture(path, screen);
        });
        QTest::qWait(1000);  // its header read, its body under way
        auto local = std::make_shared<std::atomic<bool>>(false);
        platform::startDetached([path = served.filePath(u"local.bmp"_s), screen, local] {
            *local = !platform::LoadPicture(path, screen).isNull();
        });
        QTRY_VERIFY_WITH_TIMEOUT(local->load(), testsupport::kWaitMs);
    }

    // A sheet closed while a thumbnail's file (6 MB at 2 MB/s) is read: the read stops within a
    // part of it, where it went on to the end before.
    void closedSheetStopsReading() {
        QTemporaryDir served, mount, logs;
        QVERIFY(testsupport::filled({2000, 1000}, Qt::red).save(served.filePath(u"big.bmp"_s)));
        const QString log = logs.filePath(u"reads"_s);
        const Medium medium(served.path(), mount.path(), {u"--rate"_s, u"2m"_s, u"--log"_s, log});
        QTRY_VERIFY(QFile::exists(mount.filePath(u"big.bmp"_s)));
        auto decoder = std::make_unique<thumbs::ThumbDecoder>(
            QStringList{mount.filePath(u"big.bmp"_s)}, QSize(100, 100), 1);
        QTest::qWait(500);
        decoder.reset();
        QTest::qWait(4000);  // the whole file would have been read meanwhile
        QFile reads(log);
        QVERIFY(reads.open(QIODevice::ReadOnly));
        qint64 bytes = 0;
        for (const QByteArray& line : reads.readAll().split('\n')) {
            bytes += line.split(' ').value(2).toLongLong();
        }
        QVERIFY2(bytes > 0 && bytes < 2'000'000, qPrintable(QString::number(bytes)));
    }
};

LUMOSA_TEST(HostileTest)
#include "hostile_test.moc"
