// The secondary windows on a real screen under a window manager: the thumbnail sheet, the
// About window and the folder selection.
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using testsupport::Disc;
using testsupport::nearColour;

namespace {

const QString kPanel = QStringLiteral("^Lumosa Control Panel$");

// The middle of a control given in twips inside its window.
QPoint middle(int left, int top, int width, int height) {
    return {(left + width / 2) / 15, (top + height / 2) / 15};
}

}  // namespace

class WindowsTest : public e2e::SessionTest {
    Q_OBJECT

public:
    WindowsTest() : SessionTest(QSize(1280, 1024)) {}

private Q_SLOTS:
    void thumbnailClick();
    void aboutPausesTheShow();
    void folderSelection();

private:
    // Starts the show on a disc of one folder of pictures in `colours`.
    bool startShow(Disc& disc, const QList<QColor>& colours);
    // Opens the control panel and clicks one of its command buttons (left edge in twips).
    bool panelCommand(int left);
};

bool WindowsTest::startShow(Disc& disc, const QList<QColor>& colours) {
    for (int i = 0; i < colours.size(); ++i) {
        disc.picture(QStringLiteral("Pictures/%1.bmp").arg(i), QSize(64, 48), colours[i]);
    }
    if (!e2e::installProgram(disc.path())) {
        return false;
    }
    x_->startShow(disc.path());
    return !x_->waitForWindow(QStringLiteral("^Lumosa$")).isEmpty();
}

bool WindowsTest::panelCommand(int left) {
    if (!x_->key(QStringLiteral("Escape"))) {
        return false;
    }
    const QString panel = x_->waitForWindow(kPanel);
    return !panel.isEmpty() && x_->click(panel, middle(left, 720, 975, 375)) &&
           x_->waitForNoWindow(kPanel);
}

void WindowsTest::thumbnailClick() {
    Disc disc;
    disc.settings("delay=30\n");
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    QVERIFY(startShow(disc, colours));
    QVERIFY(x_->key(QStringLiteral("6")));
    QVERIFY(e2e::waitFor([&] { return nearColour(x_->centreColour(), colours[0]); }));

    QVERIFY(panelCommand(1200));
    const QString sheet = x_->waitForWindow(
        QStringLiteral("^5 thumbnails\\. Click on an image to return to the slideshow at that "
                       "point\\.$"));
    QVERIFY(!sheet.isEmpty());
    // Thumbnails left to right, 1500 twips square, 1750 apart; the fourth is the fourth picture.
    const QPoint fourth = middle(250 + 3 * 1750, 250, 1500, 1500);
    const QRect inside = x_->geometry(sheet);
    QVERIFY(nearColour(x_->colourAt(inside.topLeft() + fourth), colours[3]));
    QVERIFY(x_->click(sheet, fourth));
    QVERIFY(x_->waitForNoWindow(QStringLiteral("thumbnails")));
    QVERIFY(e2e::waitFor([&] { return nearColour(x_->centreColour(), colours[3]); }));
    // The show was running and runs on from there: 6 then moves to the fifth.
    QVERIFY(x_->key(QStringLiteral("6")));
    QVERIFY(e2e::waitFor([&] { return nearColour(x_->centreColour(), colours[4]); }));
}

void WindowsTest::aboutPausesTheShow() {
    Disc disc;
    disc.settings("delay=1\n");
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue};
    QVERIFY(startShow(disc, colours));
    // Left of the About window, which sits in the middle of the screen.
    const QPoint beside(x_->screenSize().width() / 8, x_->screenSize().height() / 2);
    QVERIFY(!x_->watch(colours, 1, beside).isEmpty());

    QVERIFY(panelCommand(2280));
    const QString about = x_->waitForWindow(QStringLiteral("^About Lumosa$"));
    QVERIFY(!about.isEmpty());
    const QColor paused = x_->colourAt(beside);
    // Three times the delay without a change.
    QVERIFY(!e2e::waitFor([&] { return !nearColour(x_->colourAt(beside), paused); }, 3500));
    const QString text = x_->readText(x_->screenshot().copy(x_->geometry(about)));
    QVERIFY2(text.contains(QStringLiteral("Version 1.0.0")), qPrintable(text));
    // OK (Enter) closes it and the show runs on.
    QVERIFY(x_->key(QStringLiteral("Return")));
    QVERIFY(x_->waitForNoWindow(QStringLiteral("^About Lumosa$")));
    QVERIFY(e2e::waitFor([&] { return !nearColour(x_->colourAt(beside), paused); }));
}

void WindowsTest::folderSelection() {
    Disc disc;
    disc.settings("showfolders=true\ndelay=1\n");
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue};
    const QStringList folders{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
    for (int i = 0; i < colours.size(); ++i) {
        disc.picture(folders[i] + QStringLiteral("/1.bmp"), QSize(64, 48), colours[i]);
    }
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    const QString selection = x_->waitForWindow(QStringLiteral("^Image Directory Selection$"));
    QVERIFY(!selection.isEmpty());
    // The show waits, hidden, for the choice.
    QVERIFY(x_->windows(QStringLiteral("^Lumosa$")).isEmpty());

    // The list's first entry (the list at 80, 120 twips) marked by a click, the third by the
    // keyboard; Tab goes on to OK.
    QVERIFY(x_->click(selection, QPoint(60, 16)));
    QVERIFY(x_->key(QStringLiteral("Down Down space Tab space")));
    QVERIFY(x_->waitForNoWindow(QStringLiteral("^Image Directory Selection$")));
    QVERIFY(!x_->waitForWindow(QStringLiteral("^Lumosa$")).isEmpty());
    // A and C in turn, never B.
    QCOMPARE(x_->watch(colours, 4), (QList<int>{0, 2, 0, 2}));
}

QTEST_GUILESS_MAIN(WindowsTest)
#include "windows_test.moc"
