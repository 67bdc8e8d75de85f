// The two messages that end the program at start-up, on a real screen under a window manager.
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

QTEST_GUILESS_MAIN(MessagesTest)
#include "messages_test.moc"
