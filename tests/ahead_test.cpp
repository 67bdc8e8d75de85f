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
        QVERIFY(s.held().size() <= 5);
    }

    // While a picture is shown, its neighbours are decoded, the one in the direction of the
    // last move first, then the first and the last of the folder (keys 2 and 8); five at most
    // are held, and what no longer lies ahead is dropped.
    void decodeOrder_data() {
        QTest::addColumn<QStringList>("moves");    // after JumpTo(3); "sheet": its first picture
        QTest::addColumn<QStringList>("decoded");  // after the last move, in order
        QTest::addColumn<QStringList>("held");
        QTest::newRow("index 3") << QStringList() << QStringList{u"A/p4.bmp"_s, u"A/p2.bmp"_s}
                                 << QStringList{u"A/p0.bmp"_s, u"A/p2.bmp"_s, u"A/p3.bmp"_s,
                                                u"A/p4.bmp"_s, u"A/p7.bmp"_s};
        QTest::newRow("2") << QStringList{u"2"_s} << QStringList{u"A/p1.bmp"_s}
                           << QStringList{u"A/p0.bmp"_s, u"A/p1.bmp"_s, u"A/p7.bmp"_s};
        QTest::newRow("sheet") << QStringList{u"sheet"_s} << QStringList{u"A/p1.bmp"_s}
                               << QStringList{u"A/p0.bmp"_s, u"A/p1.bmp"_s, u"A/p7.bmp"_s};
        QTest::newRow("8") << QStringList{u"8"_s} << QStringList{u"B/b.bmp"_s, u"A/p6.bmp"_s}
                           << QStringList{u"A/p0.bmp"_s, u"A/p6.bmp"_s, u"A/p7.bmp"_s,
                                          u"B/b.bmp"_s};
        // "4" on the first picture wraps to the last: going back, the one before comes first.
        QTest::newRow("2 4") << QStringList{u"2"_s, u"4"_s}
                             << QStringList{u"A/p6.bmp"_s, u"B/b.bmp"_s}
                             << QStringList{u"A/p0.bmp"_s, u"A/p6.bmp"_s, u"A/p7.bmp"_s,
                                            u"B/b.bmp"_s};
    }

    void decodeOrder() {
        QFETCH(QStringList, moves);
        QFETCH(QStringList, decoded);
        QFETCH(QStringList, held);
        QStringList entries{u"B/b.bmp:magenta"_s};
        for (int i = 0; i < 8; ++i) {
            entries.append(u"A/p%1.bmp:red"_s.arg(i));
        }
        const Show s(entries);
        QVERIFY(s.form);
        QSignalSpy spy(&s.ahead(), &show::DecodeAhead::decoded);
        const auto order = [&spy] {
            QStringList paths;
            for (const QList<QVariant>& arguments : std::as_const(spy)) {
                paths.append(lastParts(arguments.at(0).toString()));
            }
            spy.clear();
            return paths;
        };
        // Before the first tick: the first picture, which it shows, and the last.
        QTRY_VERIFY_WITH_TIMEOUT(s.idle() && spy.size() == 2, kWait);
        QCOMPARE(order(), (QStringList{u"A/p0.bmp"_s, u"A/p7.bmp"_s}));
        s.form->JumpTo(3);
        for (const QString& move : moves) {
            QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWait);
            spy.clear();
            if (move == u"sheet"_s) {
                platform::Forms::get<ControlPanel>().Show();
                platform::Forms::get<ControlPanel>().cbThumbs.click();
                auto* sheet = platform::Forms::find<frmThumbnails>();
                QVERIFY(sheet);
                QTRY_VERIFY_WITH_TIMEOUT(!sheet->Thumb1.empty(), kWait);
                QTest::mouseClick(sheet->Thumb1.at(0)->widget(), Qt::LeftButton);
            } else {
                QTest::keyClick(s.form, Qt::Key(Qt::Key_0 + move.toInt()));
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWait);
        QTest::qWait(50);  // a decode wrongly started late would show here
        QVERIFY(s.idle());
        QCOMPARE(order(), decoded);
        QCOMPARE(s.held(), held);
    }

    // Keys faster than decodes: each moves the show at once, pictures passed over are never
    // decoded, the last one comes on the screen and nothing changes after it.
    void keyBurst() {
        const QStringList colours{u"red"_s,  u"lime"_s,   u"blue"_s,   u"yellow"_s,
                                  u"cyan"_s, u"white"_s,  u"maroon"_s, u"olive"_s,
                                  u"navy"_s, u"purple"_s, u"teal"_s,   u"silver"_s};
        QStringList entries;
        for (int i = 0; i < colours.size(); ++i) {
            entries.append(u"A/p%1.jpg:%2"_s.arg(i, 2, 10, QChar(u'0')).arg(colours[i]));
        }
        const Show s(entries);
        QVERIFY(s.form);
        s.form->JumpTo(u"First"_s);
        QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWait);
        QSignalSpy spy(&s.ahead(), &show::DecodeAhead::decoded);
        for (int i = 1; i <= 9; ++i) {
            QTest::keyClick(s.form, Qt::Key_6);
            QCOMPARE(lastParts(s.form->currentImagePath()),
                     u"A/p%1.jpg"_s.arg(i, 2, 10, QChar(u'0')));
        }
        QTRY_VERIFY_WITH_TIMEOUT(nearColour(s.shown().pixelColor(0, 0), QColor(u"purple"_s)), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWait);
        const qint64 last = s.shown().cacheKey();
        QTest::qWait(100);
        QCOMPARE(s.shown().cacheKey(), last);
        QStringList decoded;
        for (const QList<QVariant>& arguments : std::as_const(spy)) {
            decoded.append(lastParts(arguments.at(0).toString()));
        }
        QCOMPARE(decoded.first(), u"A/p09.jpg"_s);
        for (int i = 2; i <= 7; ++i) {
            QVERIFY2(!decoded.contains(u"A/p%1.jpg"_s.arg(i, 2, 10, QChar(u'0'))),
                     qPrintable(decoded.join(u' ')));
        }
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

LUMOSA_TEST(AheadTest)
#include "ahead_test.moc"
