// Folders marked in the selection by a click and by the keyboard, then a thumbnail clicked.
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

class WindowsTest : public e2e::SessionTest {
    Q_OBJECT

public:
    WindowsTest() : SessionTest(QSize(1280, 1024)) {}

private Q_SLOTS:
    void foldersThenThumbnail();
};

void WindowsTest::foldersThenThumbnail() {
    testsupport::Disc disc;
    disc.settings("showfolders=true\ndelay=30\n");
    disc.picture(u"A/1.bmp"_s, QSize(64, 48), Qt::red);
    disc.picture(u"B/1.bmp"_s, QSize(64, 48), Qt::green);
    const QList<QColor> colours{Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta, Qt::darkRed};
    for (int i = 0; i < colours.size(); ++i) {
        disc.picture(u"C/%1.bmp"_s.arg(i), QSize(64, 48), colours[i]);
    }
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    const QString selection = x_->waitForWindow(u"^Image Directory Selection$"_s);
    QVERIFY(!selection.isEmpty());
    // The show waits, hidden, for the choice.
    QVERIFY(x_->windows(u"^Lumosa$"_s).isEmpty());
    // The first entry (the list at 80, 120 twips) by a click, the third by keys; Tab to OK.
    QVERIFY(x_->click(selection, QPoint(60, 16)));
    QVERIFY(x_->key(u"Down Down space Tab space"_s));
    QVERIFY(x_->waitForNoWindow(u"^Image Directory Selection$"_s));
    QVERIFY(!x_->waitForWindow(u"^Lumosa$"_s).isEmpty());
    // A, then C: never B.
    QVERIFY(x_->key(u"6"_s));
    QVERIFY(x_->waitForCentre(Qt::red));
    QVERIFY(x_->key(u"6"_s));
    QVERIFY(x_->waitForCentre(colours[0]));

    const QString sheet = x_->openSheet();
    QVERIFY(!sheet.isEmpty());
    // Thumbnails left to right, 1500 twips square, 1750 apart; the fourth is C's fourth picture.
    const QPoint fourth((250 + 3 * 1750 + 750) / 15, (250 + 750) / 15);
    QVERIFY(e2e::waitFor([&] {
        const QPoint onScreen = x_->geometry(sheet).topLeft() + fourth;
        return testsupport::nearColour(x_->screenshot().pixelColor(onScreen), colours[3]);
    }));
    QVERIFY(x_->click(sheet, fourth));
    QVERIFY(x_->waitForNoWindow(u"thumbnails"_s));
    QVERIFY(x_->waitForCentre(colours[3]));
}

LUMOSA_TEST(WindowsTest)
#include "windows_test.moc"
