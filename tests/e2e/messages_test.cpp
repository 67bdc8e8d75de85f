// How the program ends other than by its own buttons: a start-up message's OK, the show window
// closed from outside, no display at all. The messages' texts are the start-up test's.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

class MessagesTest : public e2e::SessionTest {
    Q_OBJECT

public:
    MessagesTest() : SessionTest(QSize(1024, 768)) {}

private Q_SLOTS:
    void message_data();
    void message();
    void closedFromOutside_data();
    void closedFromOutside();
    void noDisplay();
};

void MessagesTest::message_data() {
    QTest::addColumn<bool>("elsewhere");  // started from a folder that is not its own
    QTest::addColumn<bool>("click");      // OK clicked rather than Enter typed
    QTest::newRow("viewer not found, Enter") << true << false;
    QTest::newRow("no picture folders, OK clicked") << false << true;
}

void MessagesTest::message() {
    QFETCH(bool, elsewhere);
    QFETCH(bool, click);
    QTemporaryDir other;
    testsupport::Disc disc;
    disc.file(u"Notes/readme.txt"_s, "no pictures here");
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startProgram(disc.abs(u"lumosa"_s), elsewhere ? other.path() : disc.path());
    // A box titled as the program, on the screen, the only window; OK at its bottom right.
    const QString window = x_->waitForWindow(u"^Lumosa$"_s);
    QVERIFY(!window.isEmpty());
    const QRect inside = x_->geometry(window);
    QVERIFY2(QRect(QPoint(0, 0), QSize(1024, 768)).contains(inside), "message box off screen");
    QVERIFY(inside.width() > 60 && inside.height() > 30 && inside.width() < 600);
    QCOMPARE(x_->windows(u"."_s).size(), 1);
    QVERIFY(x_->running());
    QVERIFY(click ? x_->click(window, QPoint(inside.width() - 30, inside.height() - 22))
                  : x_->key(u"Return"_s));
    QCOMPARE(x_->waitForExit(), 0);
}

void MessagesTest::closedFromOutside_data() {
    QTest::addColumn<bool>("sheet");    // the thumbnail sheet open, else the control panel
    QTest::addColumn<bool>("destroy");  // the window destroyed rather than asked to close
    QTest::newRow("Alt+F4, panel open") << false << false;
    QTest::newRow("Alt+F4, sheet open") << true << false;
    QTest::newRow("destroyed, panel open") << false << true;
}

void MessagesTest::closedFromOutside() {
    // Nothing may go on running unseen, holding the disc.
    QFETCH(bool, sheet);
    QFETCH(bool, destroy);
    testsupport::Disc disc;
    disc.settings("delay=30\n");
    disc.picture(u"Pictures/a.bmp"_s);
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    const QString show = x_->waitForWindow(u"^Lumosa$"_s);
    QVERIFY(!show.isEmpty());
    QVERIFY(!(sheet ? x_->openSheet() : x_->openPanel()).isEmpty());
    if (destroy) {
        QVERIFY(!x_->run(u"xdotool"_s, {u"windowclose"_s, show}).isNull());
    } else {
        QVERIFY(x_->activate(show));
        QVERIFY(x_->key(u"alt+F4"_s));
    }
    QCOMPARE(x_->waitForExit(), 0);
}

void MessagesTest::noDisplay() {
    testsupport::Disc disc;
    disc.picture(u"Pictures/a.bmp"_s);
    QVERIFY(e2e::installProgram(disc.path()));
    QProcess program;
    program.setWorkingDirectory(disc.path());
    program.start(u"env"_s, {u"-u"_s, u"DISPLAY"_s, u"-u"_s, u"WAYLAND_DISPLAY"_s, u"-u"_s,
                             u"QT_QPA_PLATFORM"_s, disc.abs(u"lumosa"_s)});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()),
             u"lumosa: cannot open the display (DISPLAY is not set)\n"_s);
}

LUMOSA_TEST(MessagesTest)
#include "messages_test.moc"
