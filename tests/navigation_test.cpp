// Moving through the show: JumpTo within and across folders, folders without pictures, the
// show's speed, starting and stopping, and the first tick of the timer.
#include <QtTest>

#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::Disc;
using testsupport::lastParts;
using testsupport::Session;

namespace {

// Generous: ticks come every few tens of milliseconds, but a loaded machine may be slow.
constexpr int kTickTimeout = 10000;

// The show's folder and selected picture as "Folder/name"; "Folder/" when none is selected.
QString position(const MainForm& form) {
    return lastParts(form.lbDirs.List(form.lbDirs.ListIndex()), 1) + u'/' +
           form.flbImageList.FileName();
}

// Starts the show in the disc with its timer stopped, so that only the test moves it.
MainForm* startStill(Session& session) {
    MainForm* form = session.start();
    if (form) {
        form->Timer1.setEnabled(false);
    }
    return form;
}

// The selection lies within the picture list (or there is none), and the picture asked for is
// the selected one.
bool selectionWithinList(const MainForm& form) {
    const int i = form.flbImageList.ListIndex();
    if (i < -1 || i >= form.flbImageList.ListCount()) {
        return false;
    }
    return i < 0 || form.currentImagePath() ==
                        form.flbImageList.Path() + u'/' + form.flbImageList.FileName();
}

// The commands tried on a folder without pictures.
QList<QVariant> noPictureCommands() {
    return {u"First"_s, u"Last"_s, u"Prev"_s, 0, 1, -1, u"Other"_s};
}

void addPictures(const Disc& disc, const QStringList& names) {
    for (const QString& name : names) {
        disc.picture(name);
    }
}

}  // namespace

class NavigationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nextWalksFoldersInOrderAndWraps();
    void oneFolderNextWrapsWithoutLeavingIt();
    void returningToFolderListsItAfresh();
    void moveWithinFolder_data();
    void moveWithinFolder();
    void emptiedFolder_data();
    void emptiedFolder();
    void vanishedFolder_data();
    void vanishedFolder();

    void faster_data();
    void faster();
    void slower_data();
    void slower();
    void fasterFromDefaultDelayReachesZero();
    void slowerFromDefaultDelayStopsAtLargest();
    void zeroIntervalNeverTicks();
    void startStopTogglesOnlyEnabled();
    void stoppedShowWaitsUntilStarted();

    void timerStartsAtDesignInterval();
    void firstTickSetsShowDelay_data();
    void firstTickSetsShowDelay();
    void laterTicksKeepChangedSpeed();
};

void NavigationTest::nextWalksFoldersInOrderAndWraps() {
    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.bmp"_s, u"A/a3.gif"_s, u"B/b1.JPG"_s, u"B/b2.jpeg"_s,
                       u"C/c1.jpg"_s});
    disc.file(u"A/notes.txt"_s, "not a picture");
    disc.file(u"A/ImageList.txt"_s, "a1.jpg,First picture\n");
    disc.file(u"Docs/readme.txt"_s, "no pictures here");
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);

    QCOMPARE(form->lbDirs.ListCount(), 3);
    QCOMPARE(position(*form), u"A/"_s);
    QCOMPARE(form->flbImageList.ListCount(), 3);
    QVERIFY(form->currentImagePath().isEmpty());

    const QStringList expected = {u"A/a1.jpg"_s,  u"A/a2.bmp"_s, u"A/a3.gif"_s, u"B/b1.JPG"_s,
                                  u"B/b2.jpeg"_s, u"C/c1.jpg"_s, u"A/a1.jpg"_s, u"A/a2.bmp"_s};
    for (const QString& next : expected) {
        form->JumpTo(u"Next"_s);
        QCOMPARE(position(*form), next);
        // The picture list is the show's folder, and the picture asked for is the selected one.
        QCOMPARE(form->flbImageList.Path(), form->lbDirs.List(form->lbDirs.ListIndex()));
        QCOMPARE(lastParts(form->currentImagePath()), next);
        QCOMPARE(form->currentImagePath(),
                 form->flbImageList.Path() + u'/' + form->flbImageList.FileName());
    }
}

void NavigationTest::oneFolderNextWrapsWithoutLeavingIt() {
    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s});
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    QCOMPARE(form->lbDirs.ListCount(), 1);

    form->JumpTo(u"Next"_s);
    form->JumpTo(u"Next"_s);
    QCOMPARE(position(*form), u"A/a2.jpg"_s);
    // With a single folder the wrap does not open the folder again, so a picture added
    // meanwhile is not in the list.
    disc.picture(u"A/a0.jpg"_s);
    form->JumpTo(u"Next"_s);
    QCOMPARE(position(*form), u"A/a1.jpg"_s);
    QCOMPARE(form->flbImageList.ListIndex(), 0);
    QCOMPARE(form->flbImageList.ListCount(), 2);
    QCOMPARE(form->lbDirs.ListIndex(), 0);
    QCOMPARE(lastParts(form->currentImagePath()), u"A/a1.jpg"_s);
}

void NavigationTest::returningToFolderListsItAfresh() {
    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"B/b1.jpg"_s});
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);

    form->JumpTo(u"Next"_s);
    form->JumpTo(u"Next"_s);
    disc.picture(u"A/a0.jpg"_s);
    form->JumpTo(u"Next"_s);
    QCOMPARE(position(*form), u"B/b1.jpg"_s);
    // After the last folder the first is opened again, as it is now.
    form->JumpTo(u"Next"_s);
    QCOMPARE(position(*form), u"A/a0.jpg"_s);
    QCOMPARE(form->flbImageList.ListCount(), 3);
    QCOMPARE(form->lbDirs.ListIndex(), 0);
}

void NavigationTest::moveWithinFolder_data() {
    QTest::addColumn<int>("nexts");  // "Next" commands before, from nothing selected
    QTest::addColumn<QVariant>("where");
    QTest::addColumn<QString>("expected");

    // A holds a1 a2 a3, B holds b1 b2; 1 to 3 nexts select in A, 4 and 5 in B.
    QTest::newRow("Prev from the middle") << 2 << QVariant(u"Prev"_s) << u"A/a1.jpg"_s;
    QTest::newRow("Prev from the first wraps to the last")
        << 1 << QVariant(u"Prev"_s) << u"A/a3.jpg"_s;
    QTest::newRow("Prev from the last") << 3 << QVariant(u"Prev"_s) << u"A/a2.jpg"_s;
    QTest::newRow("Prev never leaves the folder") << 4 << QVariant(u"Prev"_s) << u"B/b2.jpg"_s;
    QTest::newRow("Prev with nothing selected") << 0 << QVariant(u"Prev"_s) << u"A/a3.jpg"_s;
    QTest::newRow("First") << 3 << QVariant(u"First"_s) << u"A/a1.jpg"_s;
    QTest::newRow("First in the second folder") << 5 << QVariant(u"First"_s) << u"B/b1.jpg"_s;
    QTest::newRow("First with nothing selected") << 0 << QVariant(u"First"_s) << u"A/a1.jpg"_s;
    QTest::newRow("Last") << 1 << QVariant(u"Last"_s) << u"A/a3.jpg"_s;
    QTest::newRow("Last in the second folder") << 4 << QVariant(u"Last"_s) << u"B/b2.jpg"_s;
    QTest::newRow("Last with nothing selected") << 0 << QVariant(u"Last"_s) << u"A/a3.jpg"_s;

    QTest::newRow("index 0") << 3 << QVariant(0) << u"A/a1.jpg"_s;
    QTest::newRow("index of the last") << 1 << QVariant(2) << u"A/a3.jpg"_s;
    QTest::newRow("index in the second folder") << 4 << QVariant(1) << u"B/b2.jpg"_s;
    QTest::newRow("index with nothing selected") << 0 << QVariant(1) << u"A/a2.jpg"_s;
    QTest::newRow("index of the count stays") << 2 << QVariant(3) << u"A/a2.jpg"_s;
    QTest::newRow("index past the second folder stays") << 4 << QVariant(2) << u"B/b1.jpg"_s;
    QTest::newRow("index -1 stays") << 2 << QVariant(-1) << u"A/a2.jpg"_s;
    QTest::newRow("index far below stays") << 2 << QVariant(-1000) << u"A/a2.jpg"_s;
    QTest::newRow("index far above stays") << 2 << QVariant(1000) << u"A/a2.jpg"_s;
    QTest::newRow("index out of range, nothing selected") << 0 << QVariant(7) << u"A/"_s;

    QTest::newRow("word in small letters") << 2 << QVariant(u"next"_s) << u"A/a2.jpg"_s;
    QTest::newRow("word in capitals") << 2 << QVariant(u"LAST"_s) << u"A/a2.jpg"_s;
    QTest::newRow("word with a blank") << 2 << QVariant(u" First"_s) << u"A/a2.jpg"_s;
    QTest::newRow("unknown word") << 2 << QVariant(u"Forward"_s) << u"A/a2.jpg"_s;
    QTest::newRow("empty word") << 4 << QVariant(QString()) << u"B/b1.jpg"_s;
    QTest::newRow("unknown word, nothing selected") << 0 << QVariant(u"Back"_s) << u"A/"_s;
}

void NavigationTest::moveWithinFolder() {
    QFETCH(int, nexts);
    QFETCH(QVariant, where);
    QFETCH(QString, expected);

    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"A/a3.jpg"_s, u"B/b1.jpg"_s, u"B/b2.jpg"_s});
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    for (int i = 0; i < nexts; ++i) {
        form->JumpTo(u"Next"_s);
    }
    const QString folder = form->lbDirs.List(form->lbDirs.ListIndex());

    form->JumpTo(where);
    QCOMPARE(position(*form), expected);
    QCOMPARE(form->lbDirs.List(form->lbDirs.ListIndex()), folder);
    QCOMPARE(form->flbImageList.Path(), folder);
    if (expected.endsWith(u'/')) {
        QCOMPARE(form->flbImageList.ListIndex(), -1);
        QVERIFY(form->currentImagePath().isEmpty());
    } else {
        QCOMPARE(lastParts(form->currentImagePath()), expected);
    }
}

void NavigationTest::emptiedFolder_data() {
    QTest::addColumn<QVariant>("where");
    for (const QVariant& where : noPictureCommands()) {
        QTest::newRow(qPrintable(where.toString())) << where;
    }
}

void NavigationTest::emptiedFolder() {
    QFETCH(QVariant, where);

    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"B/b1.jpg"_s, u"B/b2.gif"_s, u"C/c1.jpg"_s});
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    form->JumpTo(u"Next"_s);
    form->JumpTo(u"Next"_s);
    QCOMPARE(position(*form), u"A/a2.jpg"_s);

    QVERIFY(QFile::remove(disc.abs(u"B/b1.jpg"_s)));
    QVERIFY(QFile::remove(disc.abs(u"B/b2.gif"_s)));
    // The show moves on to B, which holds no picture now.
    form->JumpTo(u"Next"_s);
    QCOMPARE(position(*form), u"B/"_s);
    QCOMPARE(form->flbImageList.Path(), form->lbDirs.List(1));
    QCOMPARE(form->flbImageList.ListCount(), 0);
    QCOMPARE(form->flbImageList.ListIndex(), -1);
    QCOMPARE(lastParts(form->currentImagePath()), u"A/a2.jpg"_s);

    // No command selects a position outside the empty list.
    form->JumpTo(where);
    QCOMPARE(position(*form), u"B/"_s);
    QCOMPARE(form->flbImageList.ListIndex(), -1);
    QCOMPARE(lastParts(form->currentImagePath()), u"A/a2.jpg"_s);

    // "Next" moves on to the next folder.
    form->JumpTo(u"Next"_s);
    QCOMPARE(position(*form), u"C/c1.jpg"_s);
    QCOMPARE(lastParts(form->currentImagePath()), u"C/c1.jpg"_s);
}

void NavigationTest::vanishedFolder_data() {
    QTest::addColumn<QVariant>("where");
    for (const QVariant& where : noPictureCommands()) {
        QTest::newRow(qPrintable(where.toString())) << where;
    }
}

void NavigationTest::vanishedFolder() {
    QFETCH(QVariant, where);

    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"B/b1.jpg"_s, u"B/b2.gif"_s, u"C/c1.jpg"_s});
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    form->JumpTo(u"Next"_s);
    form->JumpTo(u"Next"_s);
    QCOMPARE(position(*form), u"A/a2.jpg"_s);

    QVERIFY(QDir(disc.abs(u"B"_s)).removeRecursively());
    form->JumpTo(u"Next"_s);
    QCOMPARE(form->lbDirs.ListIndex(), 1);
    QVERIFY(selectionWithinList(*form));
    form->JumpTo(where);
    QVERIFY(selectionWithinList(*form));

    // "Next" goes on to the folder after it, asking for nothing of the vanished one.
    bool reached = false;
    for (int i = 0; i < 6 && !reached; ++i) {
        form->JumpTo(u"Next"_s);
        QVERIFY(selectionWithinList(*form));
        QVERIFY2(!lastParts(form->currentImagePath()).startsWith(u"B/"_s),
                 qPrintable(form->currentImagePath()));
        reached = position(*form) == u"C/c1.jpg"_s;
    }
    QVERIFY(reached);
    QCOMPARE(form->lbDirs.ListIndex(), 2);
}

void NavigationTest::faster_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("expected");
    // Half of the interval, a half millisecond rounded to the even neighbour.
    QTest::newRow("even") << 3000 << 1500;
    QTest::newRow("odd, half rounds up to even") << 375 << 188;
    QTest::newRow("odd, half rounds down to even") << 189 << 94;
    QTest::newRow("odd 187") << 187 << 94;
    QTest::newRow("5") << 5 << 2;
    QTest::newRow("7") << 7 << 4;
    QTest::newRow("3") << 3 << 2;
    QTest::newRow("2") << 2 << 1;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("0 stays") << 0 << 0;
    QTest::newRow("largest") << 65535 << 32768;
    QTest::newRow("65533") << 65533 << 32766;
}

void NavigationTest::faster() {
    QFETCH(int, interval);
    QFETCH(int, expected);
    Disc disc;
    disc.picture(u"A/a.jpg"_s);
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    form->Timer1.setInterval(interval);
    form->showSpeed(u"Faster"_s);
    QCOMPARE(form->Timer1.Interval(), expected);
    QCOMPARE(form->Timer1.Enabled(), false);
}

void NavigationTest::slower_data() {
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("expected");
    QTest::newRow("3000") << 3000 << 6000;
    QTest::newRow("1") << 1 << 2;
    QTest::newRow("odd") << 375 << 750;
    QTest::newRow("0 stays") << 0 << 0;
    QTest::newRow("just below the largest") << 32767 << 65534;
    QTest::newRow("double just above the largest") << 32768 << 65535;
    QTest::newRow("far above the largest") << 50000 << 65535;
    QTest::newRow("largest stays") << 65535 << 65535;
}

void NavigationTest::slower() {
    QFETCH(int, interval);
    QFETCH(int, expected);
    Disc disc;
    disc.picture(u"A/a.jpg"_s);
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    form->Timer1.setInterval(interval);
    form->showSpeed(u"Slower"_s);
    QCOMPARE(form->Timer1.Interval(), expected);
}

void NavigationTest::fasterFromDefaultDelayReachesZero() {
    Disc disc;
    disc.picture(u"A/a.jpg"_s);
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    form->Timer1.setInterval(3000);
    const QList<int> expected = {1500, 750, 375, 188, 94, 47, 24, 12, 6, 3, 2, 1, 0, 0};
    QList<int> actual;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        form->showSpeed(u"Faster"_s);
        actual.append(form->Timer1.Interval());
    }
    QCOMPARE(actual, expected);
}

void NavigationTest::slowerFromDefaultDelayStopsAtLargest() {
    Disc disc;
    disc.picture(u"A/a.jpg"_s);
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    form->Timer1.setInterval(3000);
    const QList<int> expected = {6000, 12000, 24000, 48000, 65535, 65535};
    QList<int> actual;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        form->showSpeed(u"Slower"_s);
        actual.append(form->Timer1.Interval());
    }
    QCOMPARE(actual, expected);
    // Half of the largest and back again stays within the timer's range.
    form->showSpeed(u"Faster"_s);
    QCOMPARE(form->Timer1.Interval(), 32768);
    form->showSpeed(u"Slower"_s);
    QCOMPARE(form->Timer1.Interval(), 65535);
}

void NavigationTest::zeroIntervalNeverTicks() {
    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s});
    disc.settings("delay=0.05\n");
    Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    // Faster until 0, before the first tick: the show never starts.
    for (int i = 0; i < 32 && form->Timer1.Interval() > 0; ++i) {
        form->showSpeed(u"Faster"_s);
    }
    QCOMPARE(form->Timer1.Interval(), 0);
    QVERIFY(form->Timer1.Enabled());
    QVERIFY(!form->Timer1.isTicking());
    form->showSpeed(u"Slower"_s);
    QCOMPARE(form->Timer1.Interval(), 0);
    form->ShowStartStop();
    form->ShowStartStop();
    QVERIFY(form->Timer1.Enabled());
    QVERIFY(!form->Timer1.isTicking());
    // A timer of 0 that fired would fire at once, again and again.
    testsupport::runEventLoop(200);
    QCOMPARE(form->flbImageList.ListIndex(), -1);
    QVERIFY(form->currentImagePath().isEmpty());
}

void NavigationTest::startStopTogglesOnlyEnabled() {
    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s});
    Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    form->Timer1.setInterval(6000);
    form->JumpTo(1);
    QVERIFY(form->Timer1.Enabled());

    form->ShowStartStop();
    QVERIFY(!form->Timer1.Enabled());
    QVERIFY(!form->Timer1.isTicking());
    QCOMPARE(form->Timer1.Interval(), 6000);
    QCOMPARE(position(*form), u"A/a2.jpg"_s);

    form->ShowStartStop();
    QVERIFY(form->Timer1.Enabled());
    QVERIFY(form->Timer1.isTicking());
    QCOMPARE(form->Timer1.Interval(), 6000);
    QCOMPARE(position(*form), u"A/a2.jpg"_s);
}

void NavigationTest::stoppedShowWaitsUntilStarted() {
    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"A/a3.jpg"_s, u"A/a4.jpg"_s, u"A/a5.jpg"_s});
    disc.settings("delay=0.05\n");
    Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    QTRY_VERIFY_WITH_TIMEOUT(form->flbImageList.ListIndex() >= 0, kTickTimeout);

    form->ShowStartStop();
    const QString stoppedAt = position(*form);
    const QString stoppedPath = form->currentImagePath();
    // Several intervals pass without a tick.
    testsupport::runEventLoop(300);
    QCOMPARE(position(*form), stoppedAt);
    QCOMPARE(form->currentImagePath(), stoppedPath);

    form->ShowStartStop();
    QTRY_VERIFY_WITH_TIMEOUT(position(*form) != stoppedAt, kTickTimeout);
    QCOMPARE(form->Timer1.Interval(), 50);
}

void NavigationTest::timerStartsAtDesignInterval() {
    Disc disc;
    disc.picture(u"A/a.jpg"_s);
    Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    QCOMPARE(form->Timer1.Interval(), 500);
    QVERIFY(form->Timer1.Enabled());
    QVERIFY(form->Timer1.isTicking());
    // Nothing is selected before the first tick.
    QCOMPARE(form->flbImageList.ListIndex(), -1);
}

void NavigationTest::firstTickSetsShowDelay_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("before");  // speed changes before the first tick
    QTest::addColumn<int>("expected");

    QTest::newRow("default delay") << QByteArray() << QStringList() << 3000;
    QTest::newRow("default delay, faster before")
        << QByteArray() << QStringList{u"Faster"_s, u"Faster"_s} << 3000;
    QTest::newRow("delay from settings") << QByteArray("delay=0.05\n") << QStringList() << 50;
    QTest::newRow("delay from settings, faster before")
        << QByteArray("delay=0.05\n") << QStringList{u"Faster"_s} << 50;
    QTest::newRow("delay from settings, slower before")
        << QByteArray("delay=0.05\n") << QStringList{u"Slower"_s} << 50;
}

void NavigationTest::firstTickSetsShowDelay() {
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, before);
    QFETCH(int, expected);

    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"B/b1.jpg"_s});
    if (!settings.isEmpty()) {
        disc.settings(settings);
    }
    Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    const int startInterval = form->Timer1.Interval();
    for (const QString& change : before) {
        form->showSpeed(change);
    }
    if (!before.isEmpty()) {
        QVERIFY(form->Timer1.Interval() != startInterval);
    }
    QCOMPARE(form->flbImageList.ListIndex(), -1);

    // The first tick shows the first picture and sets the show's delay.
    QTRY_VERIFY_WITH_TIMEOUT(form->flbImageList.ListIndex() >= 0, kTickTimeout);
    QCOMPARE(form->Timer1.Interval(), expected);
    QVERIFY(form->Timer1.Enabled());
    QVERIFY(!form->currentImagePath().isEmpty());
    if (expected >= 1000) {
        // No second tick is due yet.
        QCOMPARE(position(*form), u"A/a1.jpg"_s);
    }
}

void NavigationTest::laterTicksKeepChangedSpeed() {
    Disc disc;
    addPictures(disc, {u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"A/a3.jpg"_s, u"A/a4.jpg"_s, u"A/a5.jpg"_s});
    disc.settings("delay=0.05\n");
    Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    QTRY_VERIFY_WITH_TIMEOUT(form->flbImageList.ListIndex() >= 0, kTickTimeout);
    QCOMPARE(form->Timer1.Interval(), 50);

    form->showSpeed(u"Slower"_s);
    form->showSpeed(u"Slower"_s);
    QCOMPARE(form->Timer1.Interval(), 200);
    const QString before = position(*form);
    QTRY_VERIFY_WITH_TIMEOUT(position(*form) != before, kTickTimeout);
    QCOMPARE(form->Timer1.Interval(), 200);
}

QTEST_MAIN(NavigationTest)
#include "navigation_test.moc"
