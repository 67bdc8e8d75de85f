// The control panel: its place, Play/Pause following the show, what each button does and how it
// looks, one panel at a time, the buttons that close it or end the program, and bad input.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QtTest>

#include "about/frmAbout.h"
#include "panel/ControlPanel.h"
#include "platform/Screen.h"
#include "show/MainForm.h"
#include "testsupport.h"
#include "thumbs/frmThumbnails.h"

using namespace Qt::StringLiterals;
using platform::Forms;
using platform::Screen;

namespace {

constexpr int kWait = 10000;  // generous: a loaded machine may be slow

bool activate(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitFor([window] { return window->isActiveWindow(); }, kWait);
}

// Pictures A/a1..a3 and B/b1, the show at A/a2 every 30 s (stopped unless `running`) and the
// panel opened by Escape and active.
struct Panel {
    testsupport::Disc disc;
    testsupport::Session session{disc};
    MainForm* show = nullptr;
    ControlPanel* panel = nullptr;
    bool ready = false;

    explicit Panel(bool running = false) {
        for (const QString& name : {u"A/a1.bmp"_s, u"A/a2.bmp"_s, u"A/a3.bmp"_s, u"B/b1.bmp"_s}) {
            disc.picture(name);
        }
        show = session.start();
        if (show) {
            show->Timer1.setEnabled(running);
            show->Timer1.setInterval(30000);
            show->JumpTo(1);
            QTest::keyClick(show, Qt::Key_Escape);
            panel = Forms::find<ControlPanel>();
            ready = panel && activate(panel);
        }
    }
    // A button by its name; "iPlayPause" is whichever of Play and Pause is shown.
    platform::Control& control(const QString& name) const {
        ControlPanel& p = *panel;
        if (name == u"iPlayPause"_s) {
            return p.iPause.widget()->isVisible() ? p.iPause : p.iPlay;
        }
        const QHash<QString, platform::Control*> all{
            {u"iPause"_s, &p.iPause},     {u"iPlay"_s, &p.iPlay},     {u"iSlower"_s, &p.iSlower},
            {u"iFirst"_s, &p.iFirst},     {u"iPrev"_s, &p.iPrev},     {u"iNext"_s, &p.iNext},
            {u"iLast"_s, &p.iLast},       {u"iFaster"_s, &p.iFaster}, {u"cbClose"_s, &p.cbClose},
            {u"cbThumbs"_s, &p.cbThumbs}, {u"cbAbout"_s, &p.cbAbout}, {u"cbExit"_s, &p.cbExit}};
        return *all.value(name);
    }
    bool reactivate() const { return activate(show) && activate(panel); }
    // Clicks buttons by name; "5" is key 5 on the show window and the panel activated again,
    // "vanish" removes the show's folder.
    void act(const QStringList& steps) const {
        for (const QString& step : steps) {
            if (step == u"5"_s) {
                QTest::keyClick(show, Qt::Key_5);
                reactivate();
            } else if (step == u"vanish"_s) {
                QDir(show->flbImageList.Path()).removeRecursively();
            } else {
                QTest::mouseClick(control(step).widget(), Qt::LeftButton);
            }
        }
    }
    // Pause is shown, and Play hidden, exactly while the show runs.
    bool playPauseShows(bool running) const {
        return show->Timer1.Enabled() == running && panel->iPause.Visible() == running &&
               panel->iPause.widget()->isVisible() == running &&
               panel->iPlay.Visible() != running && panel->iPlay.widget()->isVisible() != running;
    }
};

}  // namespace

class PanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void placedAtBottomRightOnce();
    void buttons_data();
    void buttons();
    void layout_data();
    void layout();
    void closingButtons_data();
    void closingButtons();
};

void PanelTest::placedAtBottomRightOnce() {
    const Panel p;
    QVERIFY(p.ready);
    QCOMPARE(p.panel->Caption(), u"Lumosa Control Panel"_s);
    QCOMPARE(p.panel->size(), QSize(300, 81));  // client area 4500 x 1215 twips
    // Moved away, it comes back when activated again, on Escape on the show window, and on 0
    // typed there while the panel stays active; each finds the panel open.
    for (const int again : {0, 1, 2, 3}) {
        if (again > 0) {
            p.panel->setLeft(300);
            p.panel->setTop(450);
            QVERIFY(again == 3 ? p.panel->isActiveWindow() : activate(p.show));
            QCOMPARE(p.panel->Left(), 300.0f);
            if (again == 1) {
                QVERIFY(activate(p.panel));
            } else {
                QTest::keyClick(p.show, again == 2 ? Qt::Key_Escape : Qt::Key_0);
            }
        }
        QCOMPARE(Forms::find<ControlPanel>(), p.panel);
        QTRY_COMPARE_WITH_TIMEOUT(p.panel->Top(), Screen::Height() - p.panel->Height() - 150,
                                  kWait);
        QTRY_COMPARE_WITH_TIMEOUT(p.panel->Left(), Screen::Width() - p.panel->Width() - 100, kWait);
    }
    QCOMPARE(Forms::count(), 2);
    const QWidgetList all = QApplication::topLevelWidgets();
    QCOMPARE(std::ranges::count_if(all, [](QWidget* w) { return qobject_cast<ControlPanel*>(w); }),
             1);
}

void PanelTest::buttons_data() {
    QTest::addColumn<bool>("running");       // the show when the panel opens
    QTest::addColumn<QStringList>("steps");  // see Panel::act
    QTest::addColumn<bool>("expected");      // the show runs afterwards
    QTest::addColumn<int>("interval");       // from 30000
    QTest::addColumn<QString>("picture");    // shown afterwards, from A/a2
    const auto row = [](const char* name, bool running, const QStringList& steps, bool expected,
                        int interval = 30000, const QString& picture = u"A/a2.bmp"_s) {
        QTest::newRow(name) << running << steps << expected << interval << picture;
    };
    const QString pp = u"iPlayPause"_s;
    row("opened running", true, {}, true);
    row("opened stopped", false, {}, false);
    row("paused by 5", true, {u"5"_s}, false);
    row("started by 5", false, {u"5"_s}, true);
    row("Pause clicked", true, {pp}, false);
    row("Play clicked", false, {pp}, true);
    row("clicked twice", true, {pp, pp}, true);
    row("First", false, {u"iLast"_s, u"iFirst"_s}, false, 30000, u"A/a1.bmp"_s);
    row("Prev", false, {u"iPrev"_s}, false, 30000, u"A/a1.bmp"_s);
    row("Prev wraps", false, {u"iPrev"_s, u"iPrev"_s}, false, 30000, u"A/a3.bmp"_s);
    row("Next", false, {u"iNext"_s}, false, 30000, u"A/a3.bmp"_s);
    row("Next into next folder", false, {u"iNext"_s, u"iNext"_s}, false, 30000, u"B/b1.bmp"_s);
    row("Last", false, {u"iFirst"_s, u"iLast"_s}, false, 30000, u"A/a3.bmp"_s);
    row("Faster halves", false, {u"iFaster"_s}, false, 15000);
    row("Slower doubles", false, {u"iSlower"_s}, false, 60000);
    row("Faster down to 0, Pause", true, QStringList(20, u"iFaster"_s) << pp, false, 0);
    row("Slower up to the cap, Play", false, QStringList(20, u"iSlower"_s) << pp, true, 65535);
    // With A gone, Next ends in B and stays there.
    row("folder vanished", true,
        {u"vanish"_s, u"iFirst"_s, u"iPrev"_s, u"iNext"_s, u"iLast"_s, u"iNext"_s, u"iSlower"_s,
         u"iFaster"_s, pp},
        false, 30000, u"B/b1.bmp"_s);
}

void PanelTest::buttons() {
    QFETCH(bool, running);
    QFETCH(QStringList, steps);
    QFETCH(bool, expected);
    QFETCH(int, interval);
    QFETCH(QString, picture);
    const Panel p(running);
    QVERIFY(p.ready);
    QVERIFY(p.playPauseShows(running));
    p.act(steps);
    QVERIFY(p.playPauseShows(expected));
    QCOMPARE(p.show->Timer1.Interval(), interval);
    QCOMPARE(testsupport::lastParts(p.show->currentImagePath()), picture);
    QVERIFY(p.reactivate());
    QVERIFY(p.playPauseShows(expected));
    QVERIFY(!p.session.ended);
}

void PanelTest::layout_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("left");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("caption");  // none for the pictures
    const auto row = [](const QString& button, int left, const QString& tip, const QString& cap) {
        QTest::newRow(button.toLatin1().constData()) << button << left << tip << cap;
    };
    row(u"iPause"_s, 120, u"Pause"_s, {});
    row(u"iPlay"_s, 120, u"Play"_s, {});
    row(u"iSlower"_s, 840, u"Decrease Show Speed"_s, {});
    row(u"iFirst"_s, 1440, u"Go To First Picture"_s, {});
    row(u"iPrev"_s, 2040, u"Previous"_s, {});
    row(u"iNext"_s, 2640, u"Next"_s, {});
    row(u"iLast"_s, 3240, u"Go To Last Picture"_s, {});
    row(u"iFaster"_s, 3840, u"Increase Display Speed"_s, {});
    row(u"cbClose"_s, 120, u"Close Control Panel"_s, u"&Close"_s);
    row(u"cbThumbs"_s, 1200, u"Display Screen of Thumbnails"_s, u"&Thumbnail"_s);
    row(u"cbAbout"_s, 2280, u"Display Information About Lumosa"_s, u"&About"_s);
    row(u"cbExit"_s, 3360, u"Exit Lumosa"_s, u"&Exit"_s);
}

void PanelTest::layout() {
    QFETCH(QString, button);
    QFETCH(int, left);
    QFETCH(QString, toolTip);
    QFETCH(QString, caption);
    const Panel p;
    QVERIFY(p.ready);
    const platform::Control& control = p.control(button);
    const bool picture = caption.isEmpty();
    const QRect twips(left, picture ? 120 : 720, picture ? 525 : 975, picture ? 525 : 375);
    QCOMPARE(QRectF(control.Left(), control.Top(), control.Width(), control.Height()),
             QRectF(twips));
    QCOMPARE(control.widget()->geometry(), QRect(twips.topLeft() / 15, twips.size() / 15));
    QCOMPARE(control.widget()->toolTip(), toolTip);
    if (picture) {
        QCOMPARE(control.widget()->cursor().shape(), Qt::BitmapCursor);
    } else {
        QCOMPARE(qobject_cast<QAbstractButton*>(control.widget())->text(), caption);
    }
}

void PanelTest::closingButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("about");   // opens the About window
    QTest::addColumn<bool>("thumbs");  // opens the thumbnail sheet
    QTest::addColumn<bool>("ended");   // ends the program
    QTest::newRow("Close") << u"cbClose"_s << false << false << false;
    QTest::newRow("Thumbnail") << u"cbThumbs"_s << false << true << false;
    QTest::newRow("About") << u"cbAbout"_s << true << false << false;
    QTest::newRow("Exit") << u"cbExit"_s << false << false << true;
}

void PanelTest::closingButtons() {
    QFETCH(QString, button);
    QFETCH(bool, about);
    QFETCH(bool, thumbs);
    QFETCH(bool, ended);
    Panel p(true);
    QVERIFY(p.ready);
    const QPointer<ControlPanel> old = p.panel;
    p.act({button});
    QCOMPARE(p.session.ended, ended);
    QVERIFY(p.session.messages.isEmpty());
    QCOMPARE(Forms::find<ControlPanel>(), nullptr);
    QVERIFY(!old->isVisible());
    const frmAbout* shown = Forms::find<frmAbout>();
    QCOMPARE(shown && shown->isVisible(), about);
    const frmThumbnails* sheet = Forms::find<frmThumbnails>();
    QCOMPARE(sheet && sheet->isVisible(), thumbs);
    QCOMPARE(Forms::count(), ended ? 0 : 1 + int(about) + int(thumbs));
    QTRY_VERIFY_WITH_TIMEOUT(old.isNull(), kWait);
    if (!ended) {
        // Escape opens a fresh panel, placed and showing the show's state.
        QTest::keyClick(p.show, Qt::Key_Escape);
        p.panel = Forms::find<ControlPanel>();
        QVERIFY(p.panel && p.panel->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(p.panel->Left(), Screen::Width() - p.panel->Width() - 100, kWait);
        // Both the About window and the sheet pause the show while they are open.
        QVERIFY(p.playPauseShows(!about && !thumbs));
    }
}

QTEST_MAIN(PanelTest)
#include "panel_test.moc"
