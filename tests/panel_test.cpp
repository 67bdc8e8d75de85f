// The control panel's buttons and what each does to the show (its place: end to end); About, which
// pauses the show, and what its ways of closing leave; the folder selection over A to E: marks
// taken in list order, OK refused without one, Abort.
#include <QPointer>
#include <QtTest>

#include "about/frmAbout.h"
#include "folders/frmDirectories.h"
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

    void aboutCloses_data() {
        QTest::addColumn<QString>("steps");  // the show, running or not; 5 typed; Show About again
        QTest::addColumn<QString>("close");  // OK, Enter, Escape, close (the box) or Exit
        QTest::addColumn<bool>("expected");  // the show runs afterwards
        QTest::newRow("OK restarts") << u"running"_s << u"OK"_s << true;
        QTest::newRow("OK stops what 5 started") << u"stopped 5"_s << u"OK"_s << false;
        QTest::newRow("Show again keeps what it saved") << u"stopped 5 Show"_s << u"OK"_s << false;
        QTest::newRow("Enter restarts") << u"running"_s << u"Enter"_s << true;
        QTest::newRow("Escape stops what 5 started") << u"stopped 5"_s << u"Escape"_s << false;
        QTest::newRow("close box leaves paused") << u"running"_s << u"close"_s << false;
        QTest::newRow("close box leaves started") << u"stopped 5"_s << u"close"_s << true;
        QTest::newRow("Exit ends the program") << u"running"_s << u"Exit"_s << false;
    }

    void aboutCloses() {
        QFETCH(QString, steps);
        QFETCH(QString, close);
        QFETCH(bool, expected);
        const testsupport::Show show({u"A/a1.bmp"_s}, steps.startsWith(u"running"_s));
        QVERIFY(show.form);
        Forms::get<frmAbout>().Show();
        frmAbout* about = Forms::find<frmAbout>();
        QVERIFY(about && !show.form->show().running());
        for (const char* key : {"2 = ", "4 = ", "5 = ", "6 = ", "8 = ", "+ = ", "- = "}) {
            QVERIFY2(about->lblInfo.Caption().contains(QLatin1String(key)), key);
        }
        for (const QString& step : steps.split(u' ').mid(1)) {
            step == u"5"_s ? QTest::keyClick(show.form, Qt::Key_5) : Forms::get<frmAbout>().Show();
        }
        QCOMPARE(Forms::find<frmAbout>(), about);
        if (close == u"Enter"_s || close == u"Escape"_s) {
            QTest::keyClick(about, close == u"Enter"_s ? Qt::Key_Return : Qt::Key_Escape);
        } else {
            close == u"close"_s ? void(about->close())
                                : (close == u"OK"_s ? about->cmdOK : about->cbExit).click();
        }
        QCOMPARE(show.session.ended, close == u"Exit"_s);
        QCOMPARE(Forms::find<frmAbout>(), nullptr);
        QVERIFY(show.session.ended || show.form->show().ticking() == expected);
    }

    void foldersChosen_data() {
        QTest::addColumn<QString>("actions");  // a digit marks that entry; the rest are buttons
        QTest::addColumn<QString>("folders");  // the show's afterwards, by name; "-" ended
        QTest::addColumn<int>("refusals");
        QTest::newRow("two marked") << u"3 1 OK"_s << u"BD"_s << 0;
        QTest::newRow("Select All") << u"All OK"_s << u"ABCDE"_s << 0;
        QTest::newRow("Deselect All, refused") << u"All None OK"_s << QString() << 1;
        QTest::newRow("a mark after the refusal") << u"All None OK 4 OK"_s << u"E"_s << 1;
        QTest::newRow("Abort") << u"1 Abort"_s << u"-"_s << 0;
        QTest::newRow("the close box ends like Abort") << u"1 close"_s << u"-"_s << 0;
    }

    void foldersChosen() {
        QFETCH(QString, actions);
        QFETCH(QString, folders);
        QFETCH(int, refusals);
        const testsupport::Show show({u"A/a.jpg"_s, u"B/a.jpg"_s, u"C/a.jpg"_s, u"D/a.jpg"_s,
                                      u"E/a.jpg"_s, u"autorun.inf=showfolders=true\n"_s});
        frmDirectories* w = Forms::find<frmDirectories>();
        QVERIFY(show.form && w);
        const QStringList words{u"OK"_s, u"All"_s, u"None"_s, u"Abort"_s};
        platform::CommandButton* buttons[] = {&w->cbOK, &w->cbSelect, &w->cdDeselect, &w->cbAbort};
        for (const QString& a : actions.split(u' ')) {
            if (a[0].isDigit()) {
                w->List1.setSelected(a.toInt(), true);
            } else {
                a == u"close"_s ? void(w->close()) : buttons[words.indexOf(a)]->click();
            }
        }
        QCOMPARE(show.session.messages,
                 QStringList(refusals, u"At least one directory of images must be selected"_s));
        QCOMPARE(show.session.ended, folders == u"-"_s);
        if (show.session.ended) {
            QCOMPARE(Forms::count(), 0);
            return;
        }
        QString names;
        for (const QString& folder : show.form->show().folders()) {
            names += QFileInfo(folder).fileName();
        }
        QCOMPARE(names, folders);
        // Refused: the selection stays over the hidden show. Taken: the first folder's show runs.
        QCOMPARE((QList<bool>{!Forms::find<frmDirectories>(), show.form->isVisible(),
                              show.form->show().running()}),
                 QList<bool>(3, !folders.isEmpty()));
        if (!folders.isEmpty()) {
            testsupport::settle(show.form);
            QCOMPARE(show.form->show().pictures().Path(), show.disc.abs(folders.first(1)));
        }
    }
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
    QFETCH(QString, window);
    testsupport::Show s(
        {u"A/a1.bmp"_s, u"A/a2.bmp"_s, u"A/a3.bmp"_s, u"B/b1.bmp"_s, u"autorun.inf=delay=30\n"_s},
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
    QCOMPARE(show->show().running(), expected);
    QTEST(show->show().interval(), "interval");
    QTEST(testsupport::lastParts(show->show().currentImagePath()), "picture");
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
