// A vanishing disc: pictures and folders removed and renamed under a running show of several
// folders, then every folder gone and one brought back. The show never falls over, idles
// without spinning while there is nothing to show, and goes on once pictures are back.
#include <QtTest>

#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::middleColour;
using testsupport::nearColour;

namespace {

constexpr int kPoll = 20000;  // generous: a loaded machine may be slow
constexpr double kCpuShareLimit = 0.5;

// Whether the show has put up a picture of `folder` in `colour`.
bool showsFrom(const MainForm* form, const QString& folder, const QColor& colour) {
    return form->currentImagePath().startsWith(folder + u'/') &&
           nearColour(middleColour(form->image1.picture()), colour);
}

}  // namespace

class VanishingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void discVanishesAndComesBack();
};

void VanishingTest::discVanishesAndComesBack() {
    testsupport::Disc disc;
    const QStringList names = {u"Alpha"_s, u"Bravo"_s, u"Charlie"_s};
    const QList<QColor> colours = {Qt::red, Qt::green, Qt::blue};
    for (int f = 0; f < names.size(); ++f) {
        for (int i = 0; i < 4; ++i) {
            disc.picture(u"%1/p%2.jpg"_s.arg(names[f]).arg(i), QSize(32, 24), colours[f]);
        }
    }
    disc.file(u"Bravo/ImageList.txt"_s, "p0.jpg,first\np1.jpg,second\n");
    disc.settings("delay=0.02\n");
    testsupport::Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    QVERIFY(form->Timer1.Enabled());
    QTRY_VERIFY_WITH_TIMEOUT(showsFrom(form, disc.abs(u"Bravo"_s), Qt::green), kPoll);

    // Pictures go and change names in every folder, Bravo becomes a file, Charlie moves away.
    QVERIFY(QFile::remove(disc.abs(u"Alpha/p1.jpg"_s)));
    QVERIFY(QFile::rename(disc.abs(u"Alpha/p2.jpg"_s), disc.abs(u"Alpha/renamed.jpg"_s)));
    QVERIFY(QFile::remove(disc.abs(u"Bravo/ImageList.txt"_s)));
    QVERIFY(QDir(disc.abs(u"Bravo"_s)).removeRecursively());
    disc.file(u"Bravo"_s, "not a folder any more");
    QVERIFY(QDir(disc.path()).rename(u"Charlie"_s, u"Charlie moved"_s));
    QVERIFY(QFile::remove(disc.abs(u"Charlie moved/p0.jpg"_s)));
    // Alpha alone is left of the show's folders; it comes round again.
    QTRY_VERIFY_WITH_TIMEOUT(showsFrom(form, disc.abs(u"Alpha"_s), Qt::red), kPoll);
    QTRY_VERIFY_WITH_TIMEOUT(form->currentImagePath().endsWith(u"Alpha/renamed.jpg"_s), kPoll);

    // Every folder gone: the timer goes on ticking, but the process does little.
    QVERIFY(QFile::remove(disc.abs(u"Bravo"_s)));
    QVERIFY(QDir(disc.abs(u"Alpha"_s)).removeRecursively());
    QVERIFY(QDir(disc.abs(u"Charlie moved"_s)).removeRecursively());
    testsupport::runEventLoop(200);
    const qint64 cpuBefore = testsupport::processCpuMilliseconds();
    QElapsedTimer wall;
    wall.start();
    testsupport::runEventLoop(2000);
    const qint64 cpu = testsupport::processCpuMilliseconds() - cpuBefore;
    const qint64 elapsed = wall.elapsed();
    QVERIFY(form->Timer1.Enabled());
    qInfo(
        "every folder gone: %lld ms of processor time in %lld ms with the timer at %d ms "
        "(%.1f %%, limit %.0f %%)",
        cpu, elapsed, form->Timer1.Interval(), 100.0 * double(cpu) / double(elapsed),
        100 * kCpuShareLimit);
    if (cpuBefore < 0) {
        QSKIP("this system gives no processor time figure");
    }
    QVERIFY2(double(cpu) < kCpuShareLimit * double(elapsed),
             qPrintable(u"%1 ms of %2 ms"_s.arg(cpu).arg(elapsed)));

    // Charlie comes back under its own name with new pictures: the show picks it up.
    disc.picture(u"Charlie/back.gif"_s, QSize(32, 24), Qt::yellow);
    disc.picture(u"Charlie/back2.bmp"_s, QSize(32, 24), Qt::yellow);
    QTRY_VERIFY_WITH_TIMEOUT(showsFrom(form, disc.abs(u"Charlie"_s), Qt::yellow), kPoll);
    QTRY_VERIFY_WITH_TIMEOUT(form->currentImagePath().endsWith(u"/back2.bmp"_s), kPoll);
    QTRY_VERIFY_WITH_TIMEOUT(form->currentImagePath().endsWith(u"/back.gif"_s), kPoll);
}

QTEST_MAIN(VanishingTest)
#include "vanishing_test.moc"
