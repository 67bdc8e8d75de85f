// The About window: its texts and Exit, the show paused while it is open and what OK, Enter,
// Escape and the close box leave behind, and a second Show while it is open.
#include <QtTest>

#include "about/frmAbout.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using platform::Forms;

namespace {

// The show started on one folder, running or not, and the About window opened by Show (the
// panel's About button is tested with the panel).
struct About {
    testsupport::Disc disc;
    testsupport::Session session{disc};
    MainForm* show = nullptr;
    frmAbout* about = nullptr;
    bool ready = false;  // the About window is active (waited for generously)

    explicit About(bool running) {
        disc.picture(u"A/a1.bmp"_s);
        disc.picture(u"A/a2.bmp"_s);
        show = session.start();
        if (show) {
            show->Timer1.setEnabled(running);
            Forms::get<frmAbout>().Show();
            about = Forms::find<frmAbout>();
            ready = about && QTest::qWaitFor([this] { return about->isActiveWindow(); }, 10000);
        }
    }
};

}  // namespace

class AboutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void textsAndExit();
    void pauseAndRestore_data();
    void pauseAndRestore();
    void secondShowKeepsFirstState();
};

void AboutTest::textsAndExit() {
    const About a(true);
    QVERIFY(a.ready);
    QCOMPARE(a.about->Caption(), u"About Lumosa"_s);
    QCOMPARE(a.about->lblTitle.Caption(), u"Lumosa"_s);
    QCOMPARE(a.about->lblVersion.Caption(), u"Version 1.0.0"_s);
    QCOMPARE(a.about->lblDescription.Caption(),
             u"This program will display images that are in any folders in the same location as "
             u"the program itself."_s);
    QCOMPARE(a.about->lblInfo.Caption(),
             u"Numeric keypad control options.\r\n"
             u"The keys below can be used instead of using the panel to control the show. \r\n"
             u"\r\n"
             u"                          8 = Last Image\r\n"
             u"\r\n"
             u" 4 = Previous     5 = Start/Stop     6 = Next \r\n"
             u"\r\n"
             u"                          2 = First Image\r\n"
             u"\r\n"
             u"    + = Speed up display   - = Slow down display"_s);
    QTest::mouseClick(a.about->cbExit.widget(), Qt::LeftButton);
    QVERIFY(a.session.ended);
    QVERIFY(a.session.messages.isEmpty());
    QCOMPARE(Forms::count(), 0);
}

void AboutTest::pauseAndRestore_data() {
    QTest::addColumn<bool>("running");   // the show when the window opens
    QTest::addColumn<bool>("key5");      // '5' on the show window while it is open
    QTest::addColumn<QString>("close");  // OK, Enter, Escape or the close box
    QTest::addColumn<bool>("expected");  // the show runs afterwards
    QTest::newRow("OK restarts") << true << false << u"OK"_s << true;
    QTest::newRow("OK keeps stopped") << false << false << u"OK"_s << false;
    QTest::newRow("OK stops what 5 started") << false << true << u"OK"_s << false;
    QTest::newRow("Enter restarts") << true << false << u"Enter"_s << true;
    QTest::newRow("Escape restarts") << true << false << u"Escape"_s << true;
    QTest::newRow("Escape stops what 5 started") << false << true << u"Escape"_s << false;
    QTest::newRow("close box leaves paused") << true << false << u"close"_s << false;
    QTest::newRow("close box leaves started") << false << true << u"close"_s << true;
}

void AboutTest::pauseAndRestore() {
    QFETCH(bool, running);
    QFETCH(bool, key5);
    QFETCH(QString, close);
    QFETCH(bool, expected);
    const About a(running);
    QVERIFY(a.ready);
    QVERIFY(!a.show->Timer1.Enabled());
    if (key5) {
        QTest::keyClick(a.show, Qt::Key_5);
        QVERIFY(a.show->Timer1.Enabled());
    }
    if (close == u"OK"_s) {
        QTest::mouseClick(a.about->cmdOK.widget(), Qt::LeftButton);
    } else if (close == u"close"_s) {
        a.about->close();
    } else {
        QTest::keyClick(a.about, close == u"Enter"_s ? Qt::Key_Return : Qt::Key_Escape);
    }
    QCOMPARE(Forms::find<frmAbout>(), nullptr);
    QVERIFY(!a.about->isVisible());  // destroyed later
    QCOMPARE(a.show->Timer1.Enabled(), expected);
    QCOMPARE(a.show->Timer1.isTicking(), expected);
    QVERIFY(!a.session.ended);
}

void AboutTest::secondShowKeepsFirstState() {
    // Opened stopped, started by '5': a Form_Load run again would remember "running".
    const About a(false);
    QVERIFY(a.ready);
    QTest::keyClick(a.show, Qt::Key_5);
    Forms::get<frmAbout>().Show();
    QCOMPARE(Forms::find<frmAbout>(), a.about);
    QVERIFY(a.show->Timer1.Enabled());
    a.about->cmdOK.click();
    QVERIFY(!a.show->Timer1.Enabled());
}

QTEST_MAIN(AboutTest)
#include "about_test.moc"
