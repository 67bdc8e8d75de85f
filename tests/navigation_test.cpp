// The show without a window: its moves, ticks and speed, and the listing of a folder once per
// visit; what a key on the show window does; pictures and folders removed and renamed under a
// running show, then all gone and one back: the show never falls over, and goes on once
// pictures are back.
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
using testsupport::Disc;
using testsupport::kWaitMs;

class NavigationTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void moves_data() {
        // The show without a window on A (a1 to a4), B (b1), C (c1, c2), stopped once started.
        QTest::addColumn<QString>("setup");  // "autorun.inf" line, or the show's folders instead
        // Moves, "tick", "Faster", "Slower", "5" (start/stop: the show then runs), each once the
        // show has its picture; "x+y": y while x's picture is read or its folder listed.
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QString>("shown");  // the picture drawn last; empty: none
        QTest::addColumn<QString>("told");   // the folders entered, as the show tells them
        QTest::addColumn<int>("interval");
        const auto row = [](const char* name, const QString& commands, const QString& shown,
                            const QString& told = u"A"_s, int interval = 500,
                            const QString& setup = {}) {
            QTest::newRow(name) << setup << commands << shown << told << interval;
        };
        row("Next, nothing selected", u"Next"_s, u"A/a1.bmp"_s);
        row("Prev, nothing selected", u"Prev"_s, u"A/a4.bmp"_s);
        row("Prev wraps in the folder", u"First Prev"_s, u"A/a4.bmp"_s);
        row("index -1, == count, another word: stays", u"2 -1 4 next"_s, u"A/a3.bmp"_s);
        row("out of range, none shown yet", u"7"_s, QString());
        row("Next past a folder's last enters the next", u"Last Next"_s, u"B/b1.bmp"_s, u"A B"_s);
        row("Next past the last folder", u"Last Next Next Next Next"_s, u"A/a1.bmp"_s,
            u"A B C A"_s);
        row("one folder wraps in it", u"Next Next"_s, u"B/b1.bmp"_s, u"B"_s, 500, u"B"_s);
        row("Next from an empty folder", u"Next"_s, u"C/c1.bmp"_s, u"Empty C"_s, 500, u"Empty C"_s);
        row("a move while entering, from there", u"Last Next+Next"_s, u"C/c1.bmp"_s, u"A B C"_s);
        row("a tick while entering is dropped", u"Last Next+tick"_s, u"B/b1.bmp"_s, u"A B"_s, 3000);
        row("first tick: Next and the delay", u"tick"_s, u"A/a1.bmp"_s, u"A"_s, 3000);
        row("a tick while a picture is read moves on", u"Next+tick"_s, u"A/a2.bmp"_s, u"A"_s, 3000);
        row("the settings' delay over a change before", u"Faster tick"_s, u"A/a1.bmp"_s, u"A"_s, 50,
            u"delay=0.05"_s);
        row("Slower after the first tick", u"tick Slower"_s, u"A/a1.bmp"_s, u"A"_s, 100,
            u"delay=0.05"_s);
        // Halves round to even: 187.5 to 188, 1.5 to 2 (on the way to 1), 0.5 to 0.
        const QString faster = u" Faster"_s;
        row("4 Faster from 3000", u"tick"_s + faster.repeated(4), u"A/a1.bmp"_s, u"A"_s, 188);
        row("12 Faster from 3000", u"tick"_s + faster.repeated(12), u"A/a1.bmp"_s, u"A"_s, 1);
        row("13 Faster: 0, and Slower keeps it", u"tick"_s + faster.repeated(13) + u" Slower"_s,
            u"A/a1.bmp"_s, u"A"_s, 0);
        row("Slower stops at the largest", u"tick"_s + u" Slower"_s.repeated(5), u"A/a1.bmp"_s,
            u"A"_s, 65535);
        row("5 starts, the delay kept", u"Faster 5"_s, QString(), u"A"_s, 250);
    }

    void moves() {
        QFETCH(QString, setup);
        QFETCH(QString, commands);
        const Disc disc({u"A/a1.bmp"_s, u"A/a2.bmp"_s, u"A/a3.bmp"_s, u"A/a4.bmp"_s, u"B/b1.bmp"_s,
                         u"C/c1.bmp"_s, u"C/c2.bmp"_s, u"Empty/"_s,
                         u"autorun.inf="_s + (setup.contains(u'=') ? setup : QString())});
        const testsupport::Session session(disc);
        show::Slideshow show;
        show.setBound([] { return QSize(64, 48); });
        QStringList told;
        QString drawn;
        connect(&show, &show::Slideshow::folderChanged, this,
                [&](const QString& folder) { told.append(QFileInfo(folder).fileName()); });
        connect(&show, &show::Slideshow::pictureChanged, this,
                [&](const QString& path) { drawn = path; });
        QVERIFY(show.start().message.isEmpty() && show.folders().size() == 3);
        if (!setup.isEmpty() && !setup.contains(u'=')) {
            show.setFolders(setup.split(u' '));  // named from the disc, the current folder
        }
        show.pauseShow();
        for (const QString& command : commands.split(u' ')) {
            testsupport::settle(&show);
            for (const QString& part : command.split(u'+')) {
                bool isNumber = false;
                const int index = part.toInt(&isNumber);
                if (part == u"tick"_s) {
                    show.Timer1_Timer();
                } else if (part == u"Faster"_s || part == u"Slower"_s) {
                    show.showSpeed(part);
                } else if (part == u"5"_s) {
                    show.ShowStartStop();
                } else {
                    show.JumpTo(isNumber ? QVariant(index) : QVariant(part));
                }
            }
        }
        testsupport::settle(&show);
        QTEST(testsupport::lastParts(drawn), "shown");
        QCOMPARE(drawn, show.shownImagePath());
        QCOMPARE(show.currentImagePath(), drawn);  // where the show stands
        QTEST(told.join(u' '), "told");
        QTEST(show.interval(), "interval");
        QCOMPARE(show.running(), commands.contains(u'5'));
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

    void discVanishesAndComesBack() {
        const testsupport::Show show(
            {u"Alpha/p0.jpg:red"_s, u"Alpha/p1.jpg:red"_s, u"Alpha/p2.jpg:red"_s,
             u"Bravo/p0.jpg:lime"_s, u"Bravo/p1.jpg:lime"_s,
             u"Bravo/ImageList.txt=p0.jpg,first\n"_s, u"Charlie/p0.jpg:blue"_s,
             u"Charlie/p1.jpg:blue"_s, u"autorun.inf=delay=0.02\n"_s},
            true);
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

    void keys_data() {
        QTest::addColumn<QKeySequence>("key");  // typed on the show window
        // The picture asked for and shown, "running", the interval unless 500, "panel" if it opens.
        QTest::addColumn<QString>("state");
        const auto row = [](const QByteArray& name, QKeyCombination key, const QString& state) {
            QTest::newRow(name.constData()) << QKeySequence(key) << state;
        };
        // A holds a1 to a5; from a3. A key, then the keypad's without NumLock.
        using K = std::tuple<Qt::Key, Qt::Key, QString>;
        for (const auto& [k, pad, state] :
             {K{Qt::Key_2, Qt::Key_Down, u"a1"_s}, K{Qt::Key_4, Qt::Key_Left, u"a2"_s},
              K{Qt::Key_5, Qt::Key_Clear, u"a3 running"_s}, K{Qt::Key_6, Qt::Key_Right, u"a4"_s},
              K{Qt::Key_8, Qt::Key_Up, u"a5"_s}, K{Qt::Key_0, Qt::Key_Insert, u"a3 panel"_s}}) {
            row(QKeySequence(k).toString().toLatin1(), k, state);
            row("keypad " + QKeySequence(pad).toString().toLatin1(), Qt::KeypadModifier | pad,
                state);
        }
        row("+ faster", Qt::Key_Plus, u"a3 250"_s);
        row("- slower", Qt::Key_Minus, u"a3 1000"_s);
        row("Escape opens the panel", Qt::Key_Escape, u"a3 panel"_s);
        row("keypad 6, NumLock on", Qt::KeypadModifier | Qt::Key_6, u"a4"_s);
        for (const Qt::Key k : {Qt::Key_1, Qt::Key_3, Qt::Key_7, Qt::Key_9, Qt::Key_Return,
                                Qt::Key_Space, Qt::Key_Up}) {
            row(QKeySequence(k).toString().toLatin1() + " does nothing", k, u"a3"_s);
        }
    }

    void keys() {
        QFETCH(QKeySequence, key);
        QFETCH(QString, state);
        const testsupport::Show show(
            {u"A/a1.bmp"_s, u"A/a2.bmp"_s, u"A/a3.bmp"_s, u"A/a4.bmp"_s, u"A/a5.bmp"_s});
        MainForm* form = show.form;
        QVERIFY(form);
        form->JumpTo(2);
        testsupport::settle(form);
        QTest::keyClick(form, key[0].key(), key[0].keyboardModifiers());
        const QString picture = state.section(u' ', 0, 0);
        testsupport::settle(form);
        QCOMPARE(QFileInfo(form->show().currentImagePath()).baseName(), picture);
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
