// The show left to its timer on a real screen: folder after folder and round again, also on a
// disc with broken pictures among good ones.
#include <QFile>
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using testsupport::Disc;

class TimerTest : public e2e::SessionTest {
    Q_OBJECT

public:
    TimerTest() : SessionTest(QSize(800, 600)) {}

private Q_SLOTS:
    void acrossFoldersAndRound();
    void brokenPictures();
};

void TimerTest::acrossFoldersAndRound() {
    Disc disc;
    disc.settings("delay=2.5\n");
    // Listed without regard to case: alpha, Bravo, charlie; "_" folders never shown.
    disc.picture(QStringLiteral("charlie/1.jpg"), QSize(64, 48), Qt::yellow);
    disc.picture(QStringLiteral("alpha/2.bmp"), QSize(64, 48), Qt::green);
    disc.picture(QStringLiteral("alpha/1.gif"), QSize(64, 48), Qt::red);
    disc.picture(QStringLiteral("Bravo/1.bmp"), QSize(48, 64), Qt::blue);
    disc.picture(QStringLiteral("_extra/1.bmp"), QSize(64, 48), Qt::magenta);
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta};
    const QList<int> seen = x_->watch(colours, 6);
    QCOMPARE(seen, (QList<int>{0, 1, 2, 3, 0, 1}));
}

void TimerTest::brokenPictures() {
    Disc disc;
    disc.settings("delay=2\n");
    disc.picture(QStringLiteral("Mixed/1-red.bmp"), QSize(64, 48), Qt::red);
    disc.file(QStringLiteral("Mixed/2-empty.jpg"), QByteArray());
    disc.picture(QStringLiteral("Mixed/3-green.jpg"), QSize(64, 48), Qt::green);
    // A JPEG cut off inside its header: nothing of it can be decoded.
    const QString whole = disc.picture(QStringLiteral("whole.jpg"), QSize(640, 480), Qt::white);
    QFile source(whole);
    QVERIFY(source.open(QIODevice::ReadOnly));
    disc.file(QStringLiteral("Mixed/4-truncated.jpg"), source.read(120));
    disc.file(QStringLiteral("Mixed/5-text.gif"), "This is not a picture.\n");
    disc.picture(QStringLiteral("Mixed/6-blue.gif"), QSize(48, 64), Qt::blue);
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());

    const QList<int> seen = x_->watch({Qt::red, Qt::green, Qt::blue}, 7);
    QCOMPARE(seen, (QList<int>{0, 1, 2, 0, 1, 2, 0}));
    QVERIFY(x_->running());
    const QString errors = x_->programErrors();
    for (const char* name : {"2-empty.jpg", "4-truncated.jpg", "5-text.gif"}) {
        QVERIFY2(errors.contains(QLatin1String(name)), qPrintable(errors));
    }
    QVERIFY2(!errors.contains(QLatin1String("red")), qPrintable(errors));
    // Until told to end: the control panel's Exit.
    QVERIFY(x_->key(QStringLiteral("Escape")));
    const QString panel = x_->waitForWindow(QStringLiteral("^Lumosa Control Panel$"));
    QVERIFY(!panel.isEmpty());
    QVERIFY(x_->click(panel, QPoint((3360 + 487) / 15, (720 + 187) / 15)));
    QCOMPARE(x_->waitForExit(), 0);
}

QTEST_GUILESS_MAIN(TimerTest)
#include "timer_test.moc"
