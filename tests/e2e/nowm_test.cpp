// With no window manager nobody honours a full-screen request: the show still covers the screen.
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using e2e::XSession;
using namespace Qt::StringLiterals;
using testsupport::Disc;

class NoWindowManagerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void coversTheScreen();
};

void NoWindowManagerTest::coversTheScreen() {
    XSession x(QSize(1280, 1024), false);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    Disc disc;
    disc.settings("showtext=false\ndelay=30\n");
    // Both of the screen's proportions: each reaches every edge.
    disc.picture(u"Pictures/1.bmp"_s, QSize(320, 256), Qt::darkGreen);
    disc.picture(u"Pictures/2.bmp"_s, QSize(640, 512), Qt::darkMagenta);
    QVERIFY(e2e::installProgram(disc.path()));
    x.startShow(disc.path());
    const QString window = x.waitForWindow(u"^Lumosa$"_s);
    QVERIFY(!window.isEmpty());
    QCOMPARE(x.geometry(window), QRect(0, 0, 1280, 1024));

    for (const QColor& colour : {QColor(Qt::darkGreen), QColor(Qt::darkMagenta)}) {
        QVERIFY(x.key(u"6"_s));
        QVERIFY(e2e::waitFor(
            [&] { return e2e::extentOf(x.screenshot(), colour) == QRect(0, 0, 1280, 1024); }));
    }
}

LUMOSA_TEST(NoWindowManagerTest)
#include "nowm_test.moc"
