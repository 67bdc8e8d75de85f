// Pictures and folders removed and renamed under a running show, then all gone and one back:
// the show never falls over, and goes on once pictures are back.
#include <QtTest>

#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::kWaitMs;

class VanishingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void discVanishesAndComesBack() {
        const testsupport::Show show(
            {u"Alpha/p0.jpg:red"_s, u"Alpha/p1.jpg:red"_s, u"Alpha/p2.jpg:red"_s,
             u"Bravo/p0.jpg:lime"_s, u"Bravo/p1.jpg:lime"_s,
             u"Bravo/ImageList.txt=p0.jpg,first\n"_s, u"Charlie/p0.jpg:blue"_s,
             u"Charlie/p1.jpg:blue"_s},
            "delay=0.02\n", true);
        MainForm* form = show.form;
        QVERIFY(form);
        const testsupport::Disc& disc = show.disc;
        // At `path` (under the disc), its picture in `colour` on the screen.
        const auto at = [&](const QString& path, const char* colour) {
            return form->currentImagePath().startsWith(disc.abs(path)) &&
                   testsupport::nearColour(testsupport::middleColour(form->image1.picture()),
                                           QColor(QLatin1String(colour)));
        };
        QTRY_VERIFY_WITH_TIMEOUT(at(u"Bravo/"_s, "lime"), kWaitMs);

        // Pictures go and change names, Bravo becomes a file, Charlie moves away.
        QVERIFY(QFile::remove(disc.abs(u"Alpha/p1.jpg"_s)));
        QVERIFY(QFile::rename(disc.abs(u"Alpha/p2.jpg"_s), disc.abs(u"Alpha/renamed.jpg"_s)));
        QVERIFY(QDir(disc.abs(u"Bravo"_s)).removeRecursively());
        disc.file(u"Bravo"_s, "not a folder any more");
        QVERIFY(QDir(disc.path()).rename(u"Charlie"_s, u"Charlie moved"_s));
        // Alpha alone is left of the show's folders; it comes round again.
        QTRY_VERIFY_WITH_TIMEOUT(at(u"Alpha/renamed.jpg"_s, "red"), kWaitMs);

        // Every folder gone: the timer goes on ticking over nothing.
        QVERIFY(QFile::remove(disc.abs(u"Bravo"_s)));
        QVERIFY(QDir(disc.abs(u"Alpha"_s)).removeRecursively());
        QVERIFY(QDir(disc.abs(u"Charlie moved"_s)).removeRecursively());
        testsupport::runEventLoop(500);
        QVERIFY(form->Timer1.isTicking());

        // Charlie comes back under its own name with new pictures: the show picks them up.
        disc.picture(u"Charlie/back.gif"_s, QSize(32, 24), Qt::yellow);
        QTRY_VERIFY_WITH_TIMEOUT(at(u"Charlie/back.gif"_s, "yellow"), kWaitMs);
    }
};

LUMOSA_TEST(VanishingTest)
#include "vanishing_test.moc"
