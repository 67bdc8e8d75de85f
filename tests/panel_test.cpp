// The control panel's buttons and what each does to the show; its place is checked end to end.
#include <QPointer>
#include <QtTest>

#include "about/frmAbout.h"
#include "panel/ControlPanel.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using platform::Forms;

namespace {

bool activate(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitFor([window] { return window->isActiveWindow(); }, 10000);
}

// Pause is shown, and Play hidden, exactly while the show runs.
bool playPauseShows(const ControlPanel& panel, bool running) {
    return panel.iPause.Visible() == running && panel.iPause.widget()->isVisible() == running &&
           panel.iPlay.Visible() != running && panel.iPlay.widget()->isVisible() != running;
}

}  // namespace

class PanelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buttons_data();
    void buttons();
};

void PanelTest::buttons_data() {
    // Pictures A/a1..a3 and B/b1, the show at A/a2 every 30 s, the panel opened by Escape.
    QTest::addColumn<bool>("running");       // the show when the panel opens
    QTest::addColumn<QStringList>("steps");  // buttons clicked; "5" is key 5 on the show
    QTest::addColumn<bool>("expected");      // the show runs afterwards
    QTest::addColumn<int>("interval");
    QTest::addColumn<QString>("picture");  // shown afterwards
    QTest::addColumn<QString>("window");   // open afterwards besides the show, or "ended"
    const auto row = [](const char* name, bool running, const QStringList& steps, bool expected,
                        int interval, const QString& picture, const QString& window) {
        QTest::newRow(name) << running << steps << expected << interval << picture << window;
    };
    const QString a1 = u"A/a1.bmp"_s, a2 = u"A/a2.bmp"_s, a3 = u"A/a3.bmp"_s;
    const QString panel = u"panel"_s;
    row("paused by 5", true, {u"5"_s}, false, 30000, a2, panel);
    row("started by 5", false, {u"5"_s}, true, 30000, a2, panel);
    row("Pause", true, {u"iPause"_s}, false, 30000, a2, panel);
    row("Play", false, {u"iPlay"_s}, true, 30000, a2, panel);
    row("Last, First", false, {u"iLast"_s, u"iFirst"_s}, false, 30000, a1, panel);
    row("Last, Prev", false, {u"iLast"_s, u"iPrev"_s}, false, 30000, a2, panel);
    row("First, Next", false, {u"iFirst"_s, u"iNext"_s}, false, 30000, a2, panel);
    row("First, Last", false, {u"iFirst"_s, u"iLast"_s}, false, 30000, a3, panel);
    row("Faster", true, {u"iFaster"_s}, true, 15000, a2, panel);
    row("Slower", false, {u"iSlower"_s}, false, 60000, a2, panel);
    // About pauses the show while it is open (the sheet: the thumbnail test).
    row("Close", true, {u"cbClose"_s}, true, 30000, a2, {});
    row("About", true, {u"cbAbout"_s}, false, 30000, a2, u"about"_s);
    row("Exit", true, {u"cbExit"_s}, false, 30000, a2, u"ended"_s);
}

void PanelTest::buttons() {
    QFETCH(bool, running);
    QFETCH(QStringList, steps);
    QFETCH(bool, expected);
    QFETCH(int, interval);
    QFETCH(QString, picture);
    QFETCH(QString, window);
    testsupport::Show s({u"A/a1.bmp"_s, u"A/a2.bmp"_s, u"A/a3.bmp"_s, u"B/b1.bmp"_s}, "delay=30\n",
                        running);
    MainForm* show = s.form;
    const testsupport::Session& session = s.session;
    QVERIFY(show);
    show->JumpTo(1);
    QTest::keyClick(show, Qt::Key_Escape);
    const QPointer<ControlPanel> panel = Forms::find<ControlPanel>();
    QVERIFY(panel && activate(panel));
    QVERIFY(playPauseShows(*panel, running));
    const QHash<QString, platform::Control*> buttons{
        {u"iPause"_s, &panel->iPause},   {u"iPlay"_s, &panel->iPlay},
        {u"iSlower"_s, &panel->iSlower}, {u"iFirst"_s, &panel->iFirst},
        {u"iPrev"_s, &panel->iPrev},     {u"iNext"_s, &panel->iNext},
        {u"iLast"_s, &panel->iLast},     {u"iFaster"_s, &panel->iFaster},
        {u"cbClose"_s, &panel->cbClose}, {u"cbAbout"_s, &panel->cbAbout},
        {u"cbExit"_s, &panel->cbExit}};
    for (const QString& step : steps) {
        if (step == u"5"_s) {
            QTest::keyClick(show, Qt::Key_5);
            QVERIFY(activate(show) && activate(panel));
        } else {
            QTest::mouseClick(buttons.value(step)->widget(), Qt::LeftButton);
        }
    }
    QCOMPARE(session.ended, window == u"ended"_s);
    QVERIFY(session.messages.isEmpty());
    if (session.ended) {
        QCOMPARE(Forms::count(), 0);
        return;
    }
    testsupport::settle(show);
    QCOMPARE(show->Timer1.Enabled(), expected);
    QCOMPARE(show->Timer1.Interval(), interval);
    QCOMPARE(testsupport::lastParts(show->currentImagePath()), picture);
    const frmAbout* about = Forms::find<frmAbout>();
    QCOMPARE(about && about->isVisible(), window == u"about"_s);
    QCOMPARE(Forms::count(), window.isEmpty() ? 1 : 2);
    if (window != u"panel"_s) {
        // Closed for good; Escape opens a fresh one.
        QVERIFY(!Forms::find<ControlPanel>());
        QTRY_VERIFY_WITH_TIMEOUT(panel.isNull(), 10000);
        QTest::keyClick(show, Qt::Key_Escape);
    } else {
        QVERIFY(activate(show) && activate(panel));
    }
    // One panel at a time, showing the show's state.
    const ControlPanel* shown = Forms::find<ControlPanel>();
    QVERIFY(shown && shown->isVisible() && (window != u"panel"_s || shown == panel));
    QTRY_VERIFY_WITH_TIMEOUT(playPauseShows(*shown, expected), 10000);
}

LUMOSA_TEST(PanelTest)
#include "panel_test.moc"
