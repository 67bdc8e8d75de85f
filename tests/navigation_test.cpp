// Moving through the show: JumpTo within and across folders, folders that lose their pictures,
// the show's speed, starting and stopping, and the first tick of the timer.
#include <QtTest>

#include <chrono>
#include <filesystem>

#include "show/MainForm.h"
#include "show/ShowOrder.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::lastParts;

namespace {

constexpr int kTick = 10000;  // generous: a loaded machine may be slow

// The show on a disc of pictures (see testsupport::Show).
struct Show : testsupport::Show {
    using testsupport::Show::Show;
    void next(int times = 1) const {
        for (int i = 0; i < times; ++i) {
            form->JumpTo(u"Next"_s);
        }
    }
    // "Folder/name" of the selection; "Folder/" when none is selected.
    QString position() const {
        return lastParts(form->lbDirs.List(form->lbDirs.ListIndex()), 1) + u'/' +
               form->flbImageList.FileName();
    }
};

}  // namespace

class NavigationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void step_data();
    void step();
    void listedOncePerVisit();
    void next_data();
    void next();
    void move_data();
    void move();
    void folderLosesPictures_data();
    void folderLosesPictures();
    void speed_data();
    void speed();
    void firstTick_data();
    void firstTick();
};

void NavigationTest::step_data() {
    QTest::addColumn<QPoint>("from");  // folder, picture (-1: none selected)
    QTest::addColumn<int>("folders");
    QTest::addColumn<int>("pictures");
    QTest::addColumn<QVariant>("where");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("enters");
    const auto row = [](const char* name, QPoint from, int folders, int pictures,
                        const QVariant& where, QPoint to, bool enters) {
        QTest::newRow(name) << from << folders << pictures << where << to << enters;
    };
    row("Next", {1, 0}, 3, 4, u"Next"_s, {1, 1}, false);
    row("Next, nothing selected", {0, -1}, 3, 4, u"Next"_s, {0, 0}, false);
    row("Next past the last", {1, 3}, 3, 4, u"Next"_s, {2, 0}, true);
    row("Next past the last folder", {2, 3}, 3, 4, u"Next"_s, {0, 0}, true);
    row("Next, one folder wraps in it", {0, 3}, 1, 4, u"Next"_s, {0, 0}, false);
    row("Next, empty folder", {1, -1}, 3, 0, u"Next"_s, {2, 0}, true);
    row("Next, no folder", {-1, -1}, 0, 0, u"Next"_s, {-1, 0}, false);
    row("Prev", {1, 2}, 3, 4, u"Prev"_s, {1, 1}, false);
    row("Prev wraps in the folder", {1, 0}, 3, 4, u"Prev"_s, {1, 3}, false);
    row("Prev, nothing selected", {1, -1}, 3, 4, u"Prev"_s, {1, 3}, false);
    row("First", {1, 2}, 3, 4, u"First"_s, {1, 0}, false);
    row("Last", {1, 0}, 3, 4, u"Last"_s, {1, 3}, false);
    row("index", {1, 0}, 3, 4, 2, {1, 2}, false);
    row("index == count", {1, 1}, 3, 4, 4, {1, 1}, false);
    row("index -1", {1, 1}, 3, 4, -1, {1, 1}, false);
    row("letter case counts", {1, 1}, 3, 4, u"next"_s, {1, 1}, false);
}

void NavigationTest::step() {
    QFETCH(QPoint, from);
    QFETCH(int, folders);
    QFETCH(int, pictures);
    QFETCH(QVariant, where);
    QFETCH(QPoint, to);
    QFETCH(bool, enters);
    const auto step = show::ShowOrder::step({from.x(), from.y()}, folders, pictures, where);
    QCOMPARE(QPoint(step.to.folder, step.to.picture), to);
    QCOMPARE(step.entersFolder, enters);
}

void NavigationTest::listedOncePerVisit() {
    // A look ahead lists the next folder; entering it takes that listing while the folder is
    // unchanged since well before, and lists it afresh otherwise.
    testsupport::Disc disc;
    const QString a = disc.folder(u"A"_s);
    disc.picture(u"A/a1.bmp"_s);
    std::filesystem::last_write_time(
        std::filesystem::path(a.toStdString()),
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    QStringList listed;
    show::ShowOrder order([&](const QString& folder) {
        listed.append(lastParts(folder, 1));
        return platform::matchingFileNames(folder, u"*.bmp"_s);
    });
    QCOMPARE(order.peek(a), QStringList{u"a1.bmp"_s});
    QCOMPARE(order.peek(a), QStringList{u"a1.bmp"_s});
    QCOMPARE(order.enter(a), QStringList{u"a1.bmp"_s});
    QCOMPARE(listed, QStringList{u"A"_s});
    QCOMPARE(order.enter(a), QStringList{u"a1.bmp"_s});  // a new visit
    QCOMPARE(listed.size(), 2);
    // Changed right after the look ahead, within the step of the folder's time.
    QCOMPARE(order.peek(a), QStringList{u"a1.bmp"_s});
    disc.picture(u"A/a2.bmp"_s);
    QCOMPARE(order.enter(a), (QStringList{u"a1.bmp"_s, u"a2.bmp"_s}));
    QCOMPARE(listed.size(), 4);
}

void NavigationTest::next_data() {
    QTest::addColumn<QStringList>("pictures");  // A/a0.jpg is added after the second "Next"
    QTest::addColumn<bool>("reopened");         // so it is listed when the loop comes to A
    QTest::newRow("folders in turn, then the first afresh")
        << QStringList{u"A/a1.jpg"_s, u"A/a2.bmp"_s,  u"A/a3.gif"_s,
                       u"B/b1.JPG"_s, u"B/b2.jpeg"_s, u"C/c1.jpg"_s}
        << true;
    QTest::newRow("one folder wraps without opening it again")
        << QStringList{u"A/a1.jpg"_s, u"A/a2.jpg"_s} << false;
}

void NavigationTest::next() {
    QFETCH(QStringList, pictures);
    QFETCH(bool, reopened);
    const Show show(pictures);
    QVERIFY(show.form);
    const QStringList shown = pictures + (reopened ? QStringList{u"A/a0.jpg"_s} : QStringList()) +
                              QStringList{pictures.first()};
    for (qsizetype i = 0; i < shown.size(); ++i) {
        show.next();
        QCOMPARE(show.position(), shown[i]);
        QCOMPARE(lastParts(show.form->currentImagePath()), shown[i]);
        if (i == 1) {
            show.disc.picture(u"A/a0.jpg"_s);
        }
    }
}

void NavigationTest::move_data() {
    QTest::addColumn<int>("nexts");  // from nothing selected; A holds a1..a3, B b1 b2
    QTest::addColumn<QVariant>("where");
    QTest::addColumn<QString>("expected");  // "A/": nothing selected, nothing shown
    const auto row = [](const char* name, int nexts, const QVariant& where, const QString& to) {
        QTest::newRow(name) << nexts << where << to;
    };
    row("Prev", 2, u"Prev"_s, u"A/a1.bmp"_s);
    row("Prev wraps in the folder", 1, u"Prev"_s, u"A/a3.bmp"_s);
    row("Prev stays in the folder", 4, u"Prev"_s, u"B/b2.bmp"_s);
    row("First", 3, u"First"_s, u"A/a1.bmp"_s);
    row("First, second folder", 5, u"First"_s, u"B/b1.bmp"_s);
    row("Last", 1, u"Last"_s, u"A/a3.bmp"_s);
    row("index", 4, 1, u"B/b2.bmp"_s);
    row("index == count shows it again", 2, 3, u"A/a2.bmp"_s);
    row("index -1 shows it again", 2, -1, u"A/a2.bmp"_s);
    row("index out of range, nothing selected", 0, 7, u"A/"_s);
    row("other word shows it again", 2, u"next"_s, u"A/a2.bmp"_s);
    row("empty word shows it again", 4, QString(), u"B/b1.bmp"_s);
}

void NavigationTest::move() {
    QFETCH(int, nexts);
    QFETCH(QVariant, where);
    QFETCH(QString, expected);
    const Show show({u"A/a1.bmp"_s, u"A/a2.bmp"_s, u"A/a3.bmp"_s, u"B/b1.bmp"_s, u"B/b2.bmp"_s});
    QVERIFY(show.form);
    show.next(nexts);
    const int folder = show.form->lbDirs.ListIndex();
    show.form->image1.setPicture({});  // so that the picture must be shown afresh
    show.form->JumpTo(where);
    const bool none = expected.endsWith(u'/');
    QCOMPARE(show.position(), expected);
    QCOMPARE(show.form->lbDirs.ListIndex(), folder);
    QCOMPARE(lastParts(show.form->currentImagePath()), none ? QString() : expected);
    QCOMPARE(show.form->image1.picture().isNull(), none);
}

void NavigationTest::folderLosesPictures_data() {
    QTest::addColumn<bool>("removeFolder");
    QTest::newRow("pictures removed") << false;
    QTest::newRow("folder removed") << true;
}

void NavigationTest::folderLosesPictures() {
    QFETCH(bool, removeFolder);
    const Show show({u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"B/b1.jpg"_s, u"B/b2.gif"_s, u"C/c1.jpg"_s});
    QVERIFY(show.form);
    show.next(2);
    QVERIFY(removeFolder ? QDir(show.disc.abs(u"B"_s)).removeRecursively()
                         : QFile::remove(show.disc.abs(u"B/b1.jpg"_s)) &&
                               QFile::remove(show.disc.abs(u"B/b2.gif"_s)));
    for (const QVariant& where :
         QVariantList{u"Next"_s, u"First"_s, u"Last"_s, u"Prev"_s, 0, 1, -1, u"Other"_s}) {
        show.form->JumpTo(where);
        QCOMPARE(show.form->lbDirs.ListIndex(), 1);
        QVERIFY(show.form->flbImageList.ListIndex() < show.form->flbImageList.ListCount());
        QVERIFY(!lastParts(show.form->currentImagePath()).startsWith(u"B/"_s));
    }
    // "Next" moves on to C.
    for (int i = 0; i < 4 && show.position() != u"C/c1.jpg"_s; ++i) {
        show.next();
    }
    QCOMPARE(show.position(), u"C/c1.jpg"_s);
    QCOMPARE(lastParts(show.form->currentImagePath()), u"C/c1.jpg"_s);
}

void NavigationTest::speed_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("from");
    QTest::addColumn<QList<int>>("intervals");  // after each change
    // Faster halves, a half millisecond rounded to the even neighbour; Slower doubles, capped.
    QTest::newRow("faster to 0") << u"Faster"_s << 3000
                                 << QList<int>{1500, 750, 375, 188, 94, 47, 24,
                                               12,   6,   3,   2,   1,  0,  0};
    QTest::newRow("slower to the largest")
        << u"Slower"_s << 3000 << QList<int>{6000, 12000, 24000, 48000, 65535, 65535};
    QTest::newRow("slower below the largest") << u"Slower"_s << 32767 << QList<int>{65534};
    QTest::newRow("slower from 0") << u"Slower"_s << 0 << QList<int>{0};
}

void NavigationTest::speed() {
    QFETCH(QString, change);
    QFETCH(int, from);
    QFETCH(QList<int>, intervals);
    const Show show({u"A/a.jpg"_s});
    QVERIFY(show.form);
    show.form->Timer1.setInterval(from);
    QList<int> actual;
    for (qsizetype i = 0; i < intervals.size(); ++i) {
        show.form->showSpeed(change);
        actual.append(show.form->Timer1.Interval());
    }
    QCOMPARE(actual, intervals);
    show.form->ShowStartStop();  // changes nothing but Enabled; a timer of 0 never ticks
    QVERIFY(show.form->Timer1.Enabled());
    QCOMPARE(show.form->Timer1.Interval(), intervals.last());
    QCOMPARE(show.form->Timer1.isTicking(), intervals.last() > 0);
}

void NavigationTest::firstTick_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("change");  // before the first tick, undone by it
    QTest::addColumn<int>("delay");
    QTest::newRow("default") << QByteArray() << QString() << 3000;
    QTest::newRow("default, faster before") << QByteArray() << u"Faster"_s << 3000;
    QTest::newRow("delay=0.05, slower before") << QByteArray("delay=0.05\n") << u"Slower"_s << 50;
}

// The first tick shows picture 0 and sets the delay; a later change of speed stays, and
// stopping and starting changes only whether the timer runs.
void NavigationTest::firstTick() {
    QFETCH(QByteArray, settings);
    QFETCH(QString, change);
    QFETCH(int, delay);
    const Show show({u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"B/b1.jpg"_s}, settings, true);
    QVERIFY(show.form);
    if (!change.isEmpty()) {
        show.form->showSpeed(change);
    }
    QVERIFY(show.form->Timer1.Interval() != delay);
    QCOMPARE(show.form->flbImageList.ListIndex(), -1);
    QTRY_VERIFY_WITH_TIMEOUT(show.form->flbImageList.ListIndex() >= 0, kTick);
    QCOMPARE(show.form->Timer1.Interval(), delay);
    if (delay >= 1000) {  // no second tick is due yet
        QCOMPARE(lastParts(show.form->currentImagePath()), u"A/a1.jpg"_s);
    }
    show.form->showSpeed(u"Slower"_s);
    show.form->ShowStartStop();
    QVERIFY(!show.form->Timer1.isTicking());
    const QString at = show.position();
    show.form->ShowStartStop();
    QVERIFY(show.form->Timer1.isTicking());
    QCOMPARE(show.position(), at);
    if (delay < 1000) {
        QTRY_VERIFY_WITH_TIMEOUT(show.position() != at, kTick);
    }
    QCOMPARE(show.form->Timer1.Interval(), delay * 2);
}

QTEST_MAIN(NavigationTest)
#include "navigation_test.moc"
