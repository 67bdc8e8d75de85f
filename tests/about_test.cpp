// About pauses the show; what OK, Enter, Escape, the close box or Exit leave; its help names keys.
#include <QtTest>

#include "about/frmAbout.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using platform::Forms;

class AboutTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void close_data() {
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

    void close() {
        QFETCH(QString, steps);
        QFETCH(QString, close);
        QFETCH(bool, expected);
        const testsupport::Show show({u"A/a1.bmp"_s}, {}, steps.startsWith(u"running"_s));
        QVERIFY(show.form);
        Forms::get<frmAbout>().Show();
        frmAbout* about = Forms::find<frmAbout>();
        QVERIFY(about && !show.form->Timer1.Enabled());
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
        QVERIFY(show.session.ended || show.form->Timer1.isTicking() == expected);
    }
};

LUMOSA_TEST(AboutTest)
#include "about_test.moc"
