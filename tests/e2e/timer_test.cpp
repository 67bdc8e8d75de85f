// The show left to its timer: folder after folder and round, passing over files that hold no
// picture, until the control panel's Exit ends it.
#include <QFile>
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

class TimerTest : public e2e::SessionTest {
    Q_OBJECT

public:
    TimerTest() : SessionTest(QSize(800, 600)) {}

private Q_SLOTS:
    void acrossFoldersAndRound();
};

void TimerTest::acrossFoldersAndRound() {
    testsupport::Disc disc;
    disc.settings("delay=2\n");
    // Listed without regard to case: alpha, Bravo, charlie; "_" folders never shown.
    disc.picture(u"charlie/1.jpg"_s, QSize(64, 48), Qt::yellow);
    disc.picture(u"alpha/2.bmp"_s, QSize(64, 48), Qt::green);
    disc.picture(u"alpha/1.gif"_s, QSize(64, 48), Qt::red);
    disc.file(u"alpha/3-empty.jpg"_s, QByteArray());
    disc.picture(u"Bravo/1.bmp"_s, QSize(48, 64), Qt::blue);
    // A JPEG cut off inside its header: nothing of it can be decoded.
    QFile whole(disc.picture(u"whole.jpg"_s, QSize(640, 480), Qt::white));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    disc.file(u"Bravo/2-truncated.jpg"_s, whole.read(120));
    disc.file(u"Bravo/3-text.gif"_s, "This is not a picture.\n");
    disc.picture(u"_extra/1.bmp"_s, QSize(64, 48), Qt::magenta);
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    const QList<int> seen = x_->watch({Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta}, 6);
    QCOMPARE(seen, (QList<int>{0, 1, 2, 3, 0, 1}));
    const QString errors = x_->programErrors();
    for (const char* name : {"3-empty.jpg", "2-truncated.jpg", "3-text.gif"}) {
        QVERIFY2(errors.contains(QLatin1String(name)), qPrintable(errors));
    }
    QVERIFY2(!errors.contains(u"1.gif"_s), qPrintable(errors));
    // The panel's Exit, by its key.
    QVERIFY(x_->activate(x_->openPanel()));
    QVERIFY(x_->key(u"alt+e"_s));
    QCOMPARE(x_->waitForExit(), 0);
}

LUMOSA_TEST(TimerTest)
#include "timer_test.moc"
