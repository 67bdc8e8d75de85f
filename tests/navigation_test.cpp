// The order of the show: where each move leads, a folder listed once per visit, the loop
// through the folders, the speed and the first tick. Keys and JumpTo on the window: keys_test.
#include <QtTest>

#include <chrono>
#include <filesystem>

#include "show/MainForm.h"
#include "show/ShowOrder.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::kWaitMs;
using testsupport::lastParts;

class NavigationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void step_data();
    void step();
    void listedOncePerVisit();
    void loop();
    void speed();
    void firstTick_data();
    void firstTick();
};

// Where each move leads; the plain moves are rows of keys_test, on the window.
void NavigationTest::step_data() {
    QTest::addColumn<QPoint>("from");   // folder, picture (-1: none selected)
    QTest::addColumn<QPoint>("count");  // folders, pictures in the current one
    QTest::addColumn<QVariant>("where");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("enters");  // another folder is opened
    const auto row = [](const char* name, QPoint from, const QVariant& where, QPoint to,
                        bool enters = false, QPoint count = {3, 4}) {
        QTest::newRow(name) << from << count << where << to << enters;
    };
    row("Next", {1, 0}, u"Next"_s, {1, 1});
    row("Next, nothing selected", {0, -1}, u"Next"_s, {0, 0});
    row("Next past the last", {1, 3}, u"Next"_s, {2, 0}, true);
    row("Next past the last folder", {2, 3}, u"Next"_s, {0, 0}, true);
    row("Next, one folder wraps in it", {0, 3}, u"Next"_s, {0, 0}, false, {1, 4});
    row("Next, empty folder", {1, -1}, u"Next"_s, {2, 0}, true, {3, 0});
    row("Next, no folder", {-1, -1}, u"Next"_s, {-1, 0}, false, {0, 0});
    row("Prev wraps in the folder", {1, 0}, u"Prev"_s, {1, 3});
    row("Prev, nothing selected", {1, -1}, u"Prev"_s, {1, 3});
    row("index -1", {1, 1}, -1, {1, 1});
    row("letter case counts", {1, 1}, u"next"_s, {1, 1});
}

void NavigationTest::step() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, count);
    QFETCH(QVariant, where);
    QFETCH(QPoint, to);
    QFETCH(bool, enters);
    const auto s = show::ShowOrder::step({from.x(), from.y()}, count.x(), count.y(), where);
    QCOMPARE(QPoint(s.to.folder, s.to.picture), to);
    QCOMPARE(s.entersFolder, enters);
}

void NavigationTest::listedOncePerVisit() {
    // A look ahead's listing serves the visit that follows while the folder is unchanged since
    // well before it; otherwise the folder is listed afresh.
    testsupport::Disc disc;
    const QString a = disc.folder(u"A"_s);
    disc.picture(u"A/a1.bmp"_s);
    std::filesystem::last_write_time(
        std::filesystem::path(a.toStdString()),
        std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    int listings = 0;
    show::ShowOrder order([&](const QString& folder) {
        ++listings;
        return platform::matchingFileNames(folder, u"*.bmp"_s);
    });
    const QStringList one{u"a1.bmp"_s};
    QCOMPARE(order.peek(a), one);
    QCOMPARE(order.enter(a), one);
    QCOMPARE(order.enter(a), one);  // a new visit
    QCOMPARE(listings, 2);
    // Changed right after the look ahead, within the step of the folder's time.
    QCOMPARE(order.peek(a), one);
    disc.picture(u"A/a2.bmp"_s);
    QCOMPARE(order.enter(a), (QStringList{u"a1.bmp"_s, u"a2.bmp"_s}));
    QCOMPARE(listings, 4);
}

void NavigationTest::loop() {
    // The folders in turn, then the first again, listed afresh: A/a0.jpg, added after the
    // second step, comes in its place.
    const QStringList pictures{u"A/a1.jpg"_s, u"A/a2.bmp"_s,  u"A/a3.gif"_s,
                               u"B/b1.JPG"_s, u"B/b2.jpeg"_s, u"C/c1.jpg"_s};
    const testsupport::Show show(pictures);
    QVERIFY(show.form);
    for (const QString& expected : pictures + QStringList{u"A/a0.jpg"_s, u"A/a1.jpg"_s}) {
        show.form->JumpTo(u"Next"_s);
        QCOMPARE(lastParts(show.form->currentImagePath()), expected);
        if (expected == u"A/a2.bmp"_s) {
            show.disc.picture(u"A/a0.jpg"_s);
        }
    }
}

void NavigationTest::speed() {
    // Faster halves, a half millisecond rounded to the even neighbour; Slower doubles, capped.
    const testsupport::Show show({u"A/a.jpg"_s});
    QVERIFY(show.form);
    const auto intervals = [&](const QString& change, int times) {
        show.form->Timer1.setInterval(3000);
        QList<int> after;
        while (after.size() < times) {
            show.form->showSpeed(change);
            after.append(show.form->Timer1.Interval());
        }
        return after;
    };
    QCOMPARE(intervals(u"Faster"_s, 14),
             (QList<int>{1500, 750, 375, 188, 94, 47, 24, 12, 6, 3, 2, 1, 0, 0}));
    QCOMPARE(intervals(u"Slower"_s, 6), (QList<int>{6000, 12000, 24000, 48000, 65535, 65535}));
}

void NavigationTest::firstTick_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("change");  // before the first tick, undone by it
    QTest::addColumn<int>("delay");
    QTest::newRow("default, slower before") << QByteArray() << u"Slower"_s << 3000;
    QTest::newRow("delay=0.05, faster before") << QByteArray("delay=0.05\n") << u"Faster"_s << 50;
}

// The first tick shows the first picture and sets the delay; a change of speed after it stays.
void NavigationTest::firstTick() {
    QFETCH(QByteArray, settings);
    QFETCH(QString, change);
    QFETCH(int, delay);
    const testsupport::Show show({u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"B/b1.jpg"_s}, settings, true);
    QVERIFY(show.form);
    MainForm& form = *show.form;
    form.showSpeed(change);
    QVERIFY(form.Timer1.Interval() != delay);
    QTRY_VERIFY_WITH_TIMEOUT(!form.currentImagePath().isEmpty(), kWaitMs);
    QCOMPARE(form.Timer1.Interval(), delay);
    if (delay >= 1000) {  // no second tick is due yet
        QCOMPARE(lastParts(form.currentImagePath()), u"A/a1.jpg"_s);
    }
    form.showSpeed(u"Slower"_s);
    const QString at = form.currentImagePath();
    if (delay < 1000) {
        QTRY_VERIFY_WITH_TIMEOUT(form.currentImagePath() != at, kWaitMs);
    }
    QCOMPARE(form.Timer1.Interval(), delay * 2);
}

QTEST_MAIN(NavigationTest)
#include "navigation_test.moc"
