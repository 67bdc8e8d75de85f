// Decoding ahead: the show takes the picture decoded while the previous one was on the screen,
// in the show's order, and never one that no longer matches its file or its place.
#include <QtTest>

#include "panel/ControlPanel.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"
#include "thumbs/frmThumbnails.h"

using namespace Qt::StringLiterals;
using testsupport::Disc;
using testsupport::lastParts;
using testsupport::nearColour;
using testsupport::Session;

namespace {

constexpr int kWait = 10000;  // generous: a loaded machine may be slow

QImage filled(QSize size, const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A show on a disc of "Folder/name.ext:colour" pictures (64 x 48), its timer stopped.
struct Show : testsupport::Show {
    using testsupport::Show::Show;
    show::DecodeAhead& ahead() const { return form->decodeAhead(); }
    QStringList held() const {
        QStringList names;
        for (const QString& path : ahead().heldPaths()) {
            names.append(lastParts(path));
        }
        names.sort();
        return names;
    }
    bool idle() const { return !ahead().busy(); }
    const QImage& shown() const { return form->image1.picture().image(); }
};

}  // namespace

class AheadTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // Damaged files are the point of several cases; the reader's warnings are noise.
        QLoggingCategory::setFilterRules(u"qt.gui.imageio*=false"_s);
    }

    // Real ticks go through the folders and back to the first, as without decoding ahead.
    void ticksKeepOrder() {
        const Show s({u"A/a1.bmp:red"_s, u"A/a2.jpg:lime"_s, u"B/b1.gif:blue"_s}, "delay=0.2\n",
                     true);
        QVERIFY(s.form);
        for (const char* expected : {"A/a1.bmp", "A/a2.jpg", "B/b1.gif", "A/a1.bmp", "A/a2.jpg"}) {
            QTRY_COMPARE_WITH_TIMEOUT(lastParts(s.form->currentImagePath()),
                                      QString::fromLatin1(expected), kWait);
        }
        QTRY_VERIFY_WITH_TIMEOUT(nearColour(s.shown().pixelColor(0, 0), QColor(u"lime"_s)), kWait);
    }

    // Each change takes the very picture decoded ahead, across the folder boundary and the
    // loop; "4" right after a change takes the one kept from before.
    void changeTakesPictureDecodedAhead() {
        const Show s({u"A/a1.bmp:red"_s, u"A/a2.jpg:lime"_s, u"B/b1.gif:blue"_s});
        QVERIFY(s.form);
        s.form->JumpTo(u"First"_s);
        for (const QString& next : {u"A/a2.jpg"_s, u"B/b1.gif"_s, u"A/a1.bmp"_s, u"A/a2.jpg"_s}) {
            QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWait);
            const QImage ready = s.ahead().held(s.disc.abs(next)).image();
            QVERIFY2(!ready.isNull(), qPrintable(next));
            const QString before = s.form->currentImagePath();
            const qint64 shownBefore = s.shown().cacheKey();
            QTest::keyClick(s.form, Qt::Key_6);
            QCOMPARE(lastParts(s.form->currentImagePath()), next);
            QCOMPARE(s.shown().cacheKey(), ready.cacheKey());

            // "4" stays in the folder: it goes back to where it came from within one.
            if (next.startsWith(lastParts(before).left(2))) {
                QTest::keyClick(s.form, Qt::Key_4);
                QCOMPARE(s.form->currentImagePath(), before);
                QCOMPARE(s.shown().cacheKey(), shownBefore);
                s.form->JumpTo(u"Next"_s);
                QCOMPARE(s.shown().cacheKey(), ready.cacheKey());
            }
        }
        QVERIFY(s.held().size() <= 3);
    }

    // A jump elsewhere drops the picture decoded ahead that no longer comes next.
    void jumpDropsAhead_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("held");  // once decoded ahead again
        QTest::newRow("2") << u"2"_s << u"A/p0.bmp"_s << QStringList{u"A/p0.bmp"_s, u"A/p1.bmp"_s};
        QTest::newRow("8") << u"8"_s << u"A/p4.bmp"_s << QStringList{u"A/p4.bmp"_s, u"B/b.bmp"_s};
        QTest::newRow("thumbnail")
            << u"thumbnail"_s << u"A/p0.bmp"_s << QStringList{u"A/p0.bmp"_s, u"A/p1.bmp"_s};
    }

    void jumpDropsAhead() {
        QFETCH(QString, how);
        QFETCH(QString, shown);
        QFETCH(QStringList, held);
        const Show s({u"A/p0.bmp:red"_s, u"A/p1.bmp:lime"_s, u"A/p2.bmp:blue"_s,
                      u"A/p3.bmp:yellow"_s, u"A/p4.bmp:cyan"_s, u"B/b.bmp:magenta"_s});
        QVERIFY(s.form);
        // The first picture is decoded while the first tick is awaited.
        QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWait);
        QCOMPARE(s.held(), QStringList{u"A/p0.bmp"_s});
        s.form->JumpTo(1);
        QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWait);
        QCOMPARE(s.held(), (QStringList{u"A/p0.bmp"_s, u"A/p1.bmp"_s, u"A/p2.bmp"_s}));
        if (how == u"thumbnail"_s) {
            platform::Forms::get<ControlPanel>().Show();
            platform::Forms::get<ControlPanel>().cbThumbs.click();
            auto* sheet = platform::Forms::find<frmThumbnails>();
            QVERIFY(sheet);
            QTRY_VERIFY_WITH_TIMEOUT(!sheet->Thumb1.empty(), kWait);
            QTest::mouseClick(sheet->Thumb1.at(0)->widget(), Qt::LeftButton);
        } else {
            QTest::keyClick(s.form, how == u"2"_s ? Qt::Key_2 : Qt::Key_8);
        }
        QCOMPARE(lastParts(s.form->currentImagePath()), shown);
        QVERIFY(!s.held().contains(u"A/p2.bmp"_s));
        QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWait);
        QCOMPARE(s.held(), held);
    }

    // The picture that follows a decode ahead is the one the file holds when it is shown: a
    // file changed, removed or still being written meanwhile is read again, and bad files
    // fail or show as they do without decoding ahead.
    void fileAsShown_data() {
        QTest::addColumn<QByteArray>("early");  // b.jpg while the show decodes it ahead
        QTest::addColumn<QByteArray>("late");   // b.jpg when it is shown; null: removed
        const QByteArray red = testsupport::encode(filled({64, 48}, Qt::red), "jpeg");
        const QByteArray blue = testsupport::encode(filled({80, 60}, Qt::blue), "jpeg");
        const QByteArray half = blue.left(blue.indexOf("\xFF\xDA") + 200);
        QTest::newRow("replaced") << red << blue;
        QTest::newRow("removed") << red << QByteArray();
        QTest::newRow("being written") << half << blue;
        QTest::newRow("truncated") << half << half;
        QTest::newRow("65000 x 65000")
            << QByteArray() << testsupport::claiming({65000, 65000}, "jpeg");
        for (const int orientation : {0, 9, 255}) {
            const QByteArray turned = testsupport::withOrientation(blue, orientation);
            QTest::newRow(qPrintable(u"orientation %1"_s.arg(orientation))) << turned << turned;
        }
    }

    void fileAsShown() {
        QFETCH(QByteArray, early);
        QFETCH(QByteArray, late);
        Show s({u"A/a.bmp:lime"_s, u"A/c.bmp:yellow"_s});
        QVERIFY(s.form);
        const QString b = s.disc.file(u"A/b.jpg"_s, early.isNull() ? late : early);
        s.form->display_directory(s.disc.abs(u"A"_s));  // list b.jpg too
        s.form->JumpTo(0);
        QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWait);
        const qint64 before = s.shown().cacheKey();
        // Decoded ahead when it can be decoded at all.
        QCOMPARE(s.ahead().held(b).isNull(), platform::LoadPicture(b).isNull());
        if (late.isNull()) {
            QVERIFY(QFile::remove(b));
        } else if (late != early) {
            s.disc.file(u"A/b.jpg"_s, late);
        }

        s.form->JumpTo(u"Next"_s);
        QCOMPARE(lastParts(s.form->currentImagePath()), u"A/b.jpg"_s);
        // Smaller than the window: decoded at its own size, as here.
        const QImage expected = platform::LoadPicture(b).image();
        if (expected.isNull()) {
            QCOMPARE(s.shown().cacheKey(), before);
        } else {
            QCOMPARE(s.shown(), expected);
        }
        s.form->JumpTo(u"Next"_s);
        QVERIFY(nearColour(s.shown().pixelColor(0, 0), Qt::yellow));
    }

    // Quitting while a picture is decoded ahead never lets it arrive; the decode's thread goes
    // with the show rather than staying with the application.
    void quitDuringDecode() {
        Show s({u"A/a.bmp:lime"_s});
        QVERIFY(s.form);
        s.disc.file(u"A/big.jpg"_s, testsupport::encode(filled({6000, 4000}, Qt::blue), "jpeg"));
        s.form->display_directory(s.disc.abs(u"A"_s));
        s.form->JumpTo(0);
        QCoreApplication::processEvents();  // hands the decode to the worker
        QVERIFY(s.ahead().busy());
        platform::End();
        QVERIFY(s.session.ended);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!platform::Forms::find<MainForm>());
        QVERIFY(QCoreApplication::instance()->findChildren<QThreadPool*>().isEmpty());
        testsupport::runEventLoop(200);  // the decode ends meanwhile, with nowhere to go
    }
};

QTEST_MAIN(AheadTest)
#include "ahead_test.moc"
