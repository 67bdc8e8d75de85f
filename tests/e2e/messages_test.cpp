// How the program ends other than by its own buttons: the two messages at start-up, on a real
// screen under a window manager; closed from outside; no display at all.
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

class MessagesTest : public e2e::SessionTest {
    Q_OBJECT

public:
    MessagesTest() : SessionTest(QSize(1024, 768)) {}

private Q_SLOTS:
    void viewerNotFound();
    void noPictureFolders();
    void closedFromOutside_data();
    void closedFromOutside();
    void noDisplay();

private:
    // Checks the message window: its title, its size on the screen and its text.
    void checkMessage(const QString& window, const QString& text);
};

void MessagesTest::checkMessage(const QString& window, const QString& text) {
    QVERIFY2(!window.isEmpty(), "no message window");
    QCOMPARE(x_->title(window), QStringLiteral("Lumosa"));
    const QRect inside = x_->geometry(window);
    QVERIFY2(QRect(QPoint(0, 0), x_->screenSize()).contains(inside), "message box off screen");
    QVERIFY(inside.width() > 60 && inside.height() > 30);
    // The message is the only window: nothing else is on the screen.
    QCOMPARE(x_->windows(QStringLiteral(".")).size(), 1);
    const QString read = x_->readText(x_->screenshot().copy(inside));
    QVERIFY2(read.contains(text), qPrintable(QStringLiteral("read: ") + read));
}

void MessagesTest::viewerNotFound() {
    // Started from a folder that is not its own: the program file is elsewhere.
    QTemporaryDir elsewhere;
    testsupport::Disc disc;
    disc.picture(QStringLiteral("Pictures/a.bmp"));
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startProgram(disc.abs(QStringLiteral("lumosa")), elsewhere.path());
    const QString window = x_->waitForWindow(QStringLiteral("^Lumosa$"));
    checkMessage(window, QStringLiteral("Viewer NOT Found"));
    if (QTest::currentTestFailed()) {
        return;
    }
    QVERIFY(x_->running());
    QVERIFY(x_->key(QStringLiteral("Return")));
    QCOMPARE(x_->waitForExit(), 0);
}

void MessagesTest::noPictureFolders() {
    testsupport::Disc disc;
    disc.picture(QStringLiteral("_hidden/a.bmp"));
    disc.file(QStringLiteral("Notes/readme.txt"), "no pictures here");
    disc.picture(QStringLiteral("Empty/Deeper/b.bmp"));
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    const QString window = x_->waitForWindow(QStringLiteral("^Lumosa$"));
    checkMessage(window, QStringLiteral("No folders containing images exist in this location."));
    if (QTest::currentTestFailed()) {
        return;
    }
    QVERIFY(x_->running());
    // The OK button is the only one, at the bottom right of the box (clicked, not typed).
    const QRect inside = x_->geometry(window);
    QVERIFY(x_->click(window, QPoint(inside.width() - 30, inside.height() - 22)));
    QCOMPARE(x_->waitForExit(), 0);
}

void MessagesTest::closedFromOutside_data() {
    QTest::addColumn<QString>("open");  // keys that open other windows first
    QTest::addColumn<bool>("destroy");  // the window destroyed rather than asked to close
    QTest::newRow("Alt+F4") << QString() << false;
    QTest::newRow("Alt+F4, panel open") << QStringLiteral("Escape") << false;
    QTest::newRow("Alt+F4, sheet open") << QStringLiteral("Escape alt+t") << false;
    QTest::newRow("destroyed") << QString() << true;
    QTest::newRow("destroyed, panel open") << QStringLiteral("Escape") << true;
}

void MessagesTest::closedFromOutside() {
    // The show window closed by the window manager ends the program, whatever else is open:
    // nothing may go on running unseen, holding the disc.
    QFETCH(QString, open);
    QFETCH(bool, destroy);
    testsupport::Disc disc;
    disc.settings("delay=30\n");
    disc.picture(QStringLiteral("Pictures/a.bmp"));
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    const QString show = x_->waitForWindow(QStringLiteral("^Lumosa$"));
    QVERIFY(!show.isEmpty());
    if (!open.isEmpty()) {
        QVERIFY(x_->key(open));
        QVERIFY(!x_->waitForWindow(open.contains(QStringLiteral("alt+t"))
                                       ? QStringLiteral("thumbnails")
                                       : QStringLiteral("Control Panel"))
                     .isEmpty());
    }
    if (destroy) {
        QVERIFY(
            !x_->run(QStringLiteral("xdotool"), {QStringLiteral("windowclose"), show}).isNull());
    } else {
        QVERIFY(!x_->run(QStringLiteral("xdotool"),
                         {QStringLiteral("windowactivate"), QStringLiteral("--sync"), show})
                     .isNull());
        QVERIFY(x_->key(QStringLiteral("alt+F4")));
    }
    QCOMPARE(x_->waitForExit(), 0);
}

void MessagesTest::noDisplay() {
    // Started where no display can be opened: one line that says so, and status 1.
    testsupport::Disc disc;
    disc.picture(QStringLiteral("Pictures/a.bmp"));
    QVERIFY(e2e::installProgram(disc.path()));
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(name));
    }
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(disc.path());
    program.start(disc.abs(QStringLiteral("lumosa")), {});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()),
             QStringLiteral("lumosa: cannot open the display (DISPLAY is not set)\n"));
}

QTEST_GUILESS_MAIN(MessagesTest)
#include "messages_test.moc"
