// The show's order, listings, speed and first tick; keys and JumpTo on the window: keys_test.
#include <QtTest>

#include <chrono>
#include <filesystem>

#include "show/MainForm.h"
#include "show/ShowOrder.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

class NavigationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void step_data() {
        QTest::addColumn<QPoint>("from");   // folder, picture (-1: none selected)
        QTest::addColumn<QPoint>("count");  // folders, pictures in the current one
        QTest::addColumn<QVariant>("where");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<bool>("enters");  // another folder is opened
        const auto row = [](const char* name, QPoint from, const QVariant& where, QPoint to,
                            bool enters = false, QPoint count = {3, 4}) {
            QTest::newRow(name) << from << count << where << to << enters;
        };
        row("Next, nothing selected", {0, -1}, u"Next"_s, {0, 0});
        row("Next past the last folder", {2, 3}, u"Next"_s, {0, 0}, true);
        row("Next, one folder wraps in it", {0, 3}, u"Next"_s, {0, 0}, false, {1, 4});
        row("Next, empty folder", {1, -1}, u"Next"_s, {2, 0}, true, {3, 0});
        row("Prev wraps in the folder", {1, 0}, u"Prev"_s, {1, 3});
        row("Prev, nothing selected", {1, -1}, u"Prev"_s, {1, 3});
        row("index -1", {1, 1}, -1, {1, 1});
        row("index == count", {1, 1}, 4, {1, 1});
    }

    void step() {
        QFETCH(QPoint, from);
        QFETCH(QPoint, count);
        QFETCH(QVariant, where);
        QFETCH(QPoint, to);
        QFETCH(bool, enters);
        const auto s = show::ShowOrder::step({from.x(), from.y()}, count.x(), count.y(), where);
        QCOMPARE(QPoint(s.to.folder, s.to.picture), to);
        QCOMPARE(s.entersFolder, enters);
    }

    void listedOncePerVisit() {
        // A look ahead's listing serves the next visit only if the folder is long unchanged.
        testsupport::Disc disc;
        const QString a = QFileInfo(disc.picture(u"A/a1.bmp"_s)).path();
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
        QCOMPARE(order.peek(a), one);  // then changed, within the step of the folder's time
        disc.picture(u"A/a2.bmp"_s);
        QCOMPARE(order.enter(a), (QStringList{u"a1.bmp"_s, u"a2.bmp"_s}));
        QCOMPARE(listings, 4);
    }

    void faster() {
        // Halves, a half rounded to even. Slower: keys_test and panel_test.
        const testsupport::Show show({u"A/a.jpg"_s});
        QVERIFY(show.form);
        show.form->Timer1.setInterval(3000);
        QList<int> intervals;
        for (int i = 0; i < 14; ++i, intervals.append(show.form->Timer1.Interval())) {
            show.form->showSpeed(u"Faster"_s);
        }
        QCOMPARE(intervals, (QList<int>{1500, 750, 375, 188, 94, 47, 24, 12, 6, 3, 2, 1, 0, 0}));
    }

    void firstTick() {
        // The first tick comes soon and sets the settings' delay over a change before it, not
        // after.
        const testsupport::Show show({u"A/a1.jpg"_s, u"A/a2.jpg"_s}, "delay=0.05\n", true);
        QVERIFY(show.form);
        MainForm& form = *show.form;
        form.showSpeed(u"Faster"_s);
        QCOMPARE(form.Timer1.Interval(), 25);
        QTRY_VERIFY_WITH_TIMEOUT(!form.currentImagePath().isEmpty(), testsupport::kWaitMs);
        QCOMPARE(form.Timer1.Interval(), 50);
        form.showSpeed(u"Slower"_s);
        const QString at = form.currentImagePath();
        QTRY_VERIFY_WITH_TIMEOUT(form.currentImagePath() != at, testsupport::kWaitMs);
        QCOMPARE(form.Timer1.Interval(), 100);
    }
};

LUMOSA_TEST(NavigationTest)
#include "navigation_test.moc"
