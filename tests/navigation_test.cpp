// The show's order, listings, speed and first tick; what a key or JumpTo leaves on the show
// window; pictures and folders removed and renamed under a running show, then all gone and one
// back: the show never falls over, and goes on once pictures are back.
#include <QtTest>

#include <chrono>
#include <filesystem>

#include "panel/ControlPanel.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "show/ShowOrder.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using platform::Forms;
using testsupport::kWaitMs;

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
        const auto s = show::ShowOrder::step({from.x(), from.y()}, count.x(), count.y(), where);
        QCOMPARE(QPoint(s.to.folder, s.to.picture), to);
        QTEST(s.entersFolder, "enters");
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
        // Halves, a half rounded to even. Slower: the key table and panel_test.
        const testsupport::Show show({u"A/a.jpg"_s});
        QVERIFY(show.form);
        show.form->show().Timer1_Timer();  // the default delay in force
        QList<int> intervals;
        for (int i = 0; i < 14; ++i, intervals.append(show.form->show().interval())) {
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
        QCOMPARE(form.show().interval(), 25);
        QTRY_VERIFY_WITH_TIMEOUT(!form.show().currentImagePath().isEmpty(), testsupport::kWaitMs);
        QCOMPARE(form.show().interval(), 50);
        form.showSpeed(u"Slower"_s);
        const QString at = form.show().currentImagePath();
        QTRY_VERIFY_WITH_TIMEOUT(form.show().currentImagePath() != at, testsupport::kWaitMs);
        QCOMPARE(form.show().interval(), 100);
    }

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
            return form->show().currentImagePath().startsWith(disc.abs(path)) &&
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
        QTest::qWait(500);
        QVERIFY(form->show().ticking());

        // Charlie comes back under its own name with new pictures: the show picks them up.
        disc.picture(u"Charlie/back.gif"_s, QSize(32, 24), Qt::yellow);
        QTRY_VERIFY_WITH_TIMEOUT(at(u"Charlie/back.gif"_s, "yellow"), kWaitMs);
    }

    void action_data() {
        QTest::addColumn<int>("from");         // the picture of A shown before (-1: none yet)
        QTest::addColumn<QVariant>("action");  // a key typed on the show window, or JumpTo's value
        // The picture asked for and shown, "running", the interval unless 500, "panel" if it opens.
        QTest::addColumn<QString>("state");
        const auto row = [](const QByteArray& name, const QVariant& action, const QString& state,
                            int from = 2) {
            QTest::newRow(name.constData()) << from << action << state;
        };
        const auto key = [](QKeyCombination k) { return QVariant(QKeySequence(k)); };
        // A holds a1 to a5, B b1; from a3 unless told. A key, then the keypad's without NumLock.
        using K = std::tuple<Qt::Key, Qt::Key, QString>;
        for (const auto& [k, pad, state] :
             {K{Qt::Key_2, Qt::Key_Down, u"a1"_s}, K{Qt::Key_4, Qt::Key_Left, u"a2"_s},
              K{Qt::Key_5, Qt::Key_Clear, u"a3 running"_s}, K{Qt::Key_6, Qt::Key_Right, u"a4"_s},
              K{Qt::Key_8, Qt::Key_Up, u"a5"_s}, K{Qt::Key_0, Qt::Key_Insert, u"a3 panel"_s}}) {
            row(QKeySequence(k).toString().toLatin1(), key(k), state);
            row("keypad " + QKeySequence(pad).toString().toLatin1(), key(Qt::KeypadModifier | pad),
                state);
        }
        row("+ faster", key(Qt::Key_Plus), u"a3 250"_s);
        row("- slower", key(Qt::Key_Minus), u"a3 1000"_s);
        row("Escape opens the panel", key(Qt::Key_Escape), u"a3 panel"_s);
        row("keypad 6, NumLock on", key(Qt::KeypadModifier | Qt::Key_6), u"a4"_s);
        for (const Qt::Key k : {Qt::Key_1, Qt::Key_3, Qt::Key_7, Qt::Key_9, Qt::Key_Return,
                                Qt::Key_Space, Qt::Key_Up}) {
            row(QKeySequence(k).toString().toLatin1() + " does nothing", key(k), u"a3"_s);
        }
        row("6 past the last enters B", key(Qt::Key_6), u"b1"_s, 4);
        row("JumpTo index", 0, u"a1"_s);
        row("JumpTo index == count shows it again", 5, u"a3"_s);
        row("JumpTo other word shows it again", u"next"_s, u"a3"_s);
        row("JumpTo out of range, none shown yet", 7, QString(), -1);
    }

    void action() {
        QFETCH(int, from);
        QFETCH(QVariant, action);
        QFETCH(QString, state);
        const testsupport::Show show({u"A/a1.bmp"_s, u"A/a2.bmp"_s, u"A/a3.bmp"_s, u"A/a4.bmp"_s,
                                      u"A/a5.bmp"_s, u"B/b1.bmp"_s});
        MainForm* form = show.form;
        QVERIFY(form);
        if (from >= 0) {
            form->JumpTo(from);
            testsupport::settle(form);
        }
        if (action.typeId() == QMetaType::QKeySequence) {
            const QKeyCombination key = action.value<QKeySequence>()[0];
            QTest::keyClick(form, key.key(), key.keyboardModifiers());
        } else {
            form->image1.setPicture({});  // so that a picture shown again must be put up afresh
            form->JumpTo(action);
        }
        const QString picture = state.section(u' ', 0, 0);
        testsupport::settle(form);
        QCOMPARE(QFileInfo(form->show().currentImagePath()).baseName(), picture);
        // A key's picture comes once decoded ahead.
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(form->show().shownImagePath()).baseName(), picture,
                                  testsupport::kWaitMs);
        QCOMPARE(form->image1.picture().isNull(), picture.isEmpty());
        QCOMPARE(form->show().running(), state.contains(u"running"_s));
        const int interval = state.section(u' ', 1, 1).toInt();
        QCOMPARE(form->show().interval(), interval ? interval : 500);
        // Only Escape and 0 open a window (the panel); no key ends the program or asks anything.
        const bool panel = state.contains(u"panel"_s);
        QCOMPARE(Forms::count(), panel ? 2 : 1);
        QCOMPARE(Forms::find<ControlPanel>() != nullptr, panel);
        QVERIFY(form->isVisible() && !show.session.ended && show.session.messages.isEmpty());
    }
};

LUMOSA_TEST(NavigationTest)
#include "navigation_test.moc"
