// The show on a real screen under a window manager: where pictures land, the caption line,
// the keys and the control panel.
#include <QTest>

#include <cmath>

#include "XSession.h"
#include "platform/Twips.h"
#include "show/Fit.h"
#include "testsupport.h"

using testsupport::Disc;
using testsupport::nearColour;

namespace {

const QString kShow = QStringLiteral("^Lumosa$");
const QString kPanel = QStringLiteral("^Lumosa Control Panel$");

// Where a picture of `natural` pixels lands on a screen of `screen` pixels, by the show's own
// arithmetic in twips, each edge rounded to a pixel as the controls place their widgets.
QRectF expectedPlacement(QSize natural, QSize screen) {
    const float height = platform::toTwips(natural.height());
    const float width =
        show::naturalWidthAtHeight(platform::toTwips(natural.width()), height, height);
    const show::Placement p = show::fitAndCentre(width, height, platform::toTwips(screen.width()),
                                                 platform::toTwips(screen.height()));
    const float k = platform::kTwipsPerPixel;
    return {p.left / k, p.top / k, p.width / k, p.height / k};
}

bool within(const QRect& actual, const QRectF& expected, double pixels) {
    return std::abs(actual.left() - expected.left()) <= pixels &&
           std::abs(actual.top() - expected.top()) <= pixels &&
           std::abs(actual.left() + actual.width() - expected.right()) <= pixels &&
           std::abs(actual.top() + actual.height() - expected.bottom()) <= pixels;
}

QString describe(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString describe(const QRectF& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

}  // namespace

class ShowTest : public e2e::SessionTest {
    Q_OBJECT

public:
    ShowTest() : SessionTest(QSize(1024, 768)) {}

private Q_SLOTS:
    void placementWithoutCaption();
    void captionLine();
    void keys();
    void controlPanel();
    void screenChanges();

private:
    // Waits for the screen's centre to show `colour`.
    bool waitForCentre(const QColor& colour);
    // Starts the show on `disc` and waits for its window.
    bool startShow(const Disc& disc);
};

bool ShowTest::waitForCentre(const QColor& colour) {
    return e2e::waitFor([&] { return nearColour(x_->centreColour(), colour); });
}

bool ShowTest::startShow(const Disc& disc) {
    if (!e2e::installProgram(disc.path())) {
        return false;
    }
    x_->startShow(disc.path());
    return !x_->waitForWindow(kShow).isEmpty();
}

void ShowTest::placementWithoutCaption() {
    // A wide, a tall and a small picture, each fitted to the screen and centred, on black,
    // with no caption line (nothing else on the screen). The first comes with the first tick.
    Disc disc;
    disc.settings("; no caption line\nshowtext=false\n");
    struct Case {
        QString name;
        QSize size;
        QColor colour;
    };
    const QList<Case> cases{{QStringLiteral("1-wide.jpg"), {400, 100}, Qt::red},
                            {QStringLiteral("2-tall.gif"), {100, 400}, Qt::green},
                            {QStringLiteral("3-small.bmp"), {30, 20}, Qt::blue}};
    for (const Case& c : cases) {
        disc.picture(QStringLiteral("Pictures/") + c.name, c.size, c.colour);
    }
    QVERIFY(startShow(disc));
    for (int i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        if (i == 0) {
            QVERIFY2(waitForCentre(c.colour), "the first tick showed no picture");
            // Paused and steered from here on, so each picture stays while it is measured.
            QVERIFY(x_->key(QStringLiteral("5 2")));
        } else {
            QVERIFY(x_->key(QStringLiteral("6")));
        }
        QVERIFY2(waitForCentre(c.colour), qPrintable(c.name));
        const QRect shown = e2e::boundsOf(x_->screenshot(), Qt::black);
        const QRectF expected = expectedPlacement(c.size, x_->screenSize());
        QVERIFY2(within(shown, expected, 1.0),
                 qPrintable(QStringLiteral("%1 shown at %2, expected %3")
                                .arg(c.name, describe(shown), describe(expected))));
    }
}

void ShowTest::captionLine() {
    // A picture of the screen's proportions fills it; the caption line lies over it, 500
    // twips above the bottom, centred, white on black.
    Disc disc;
    disc.picture(QStringLiteral("Harbour/dawn.bmp"), QSize(256, 192), Qt::darkCyan);
    disc.file(QStringLiteral("Harbour/ImageList.txt"), "DAWN.BMP,Boats at the pier\n");
    QVERIFY(startShow(disc));
    QVERIFY(waitForCentre(Qt::darkCyan));
    const QImage screen = x_->screenshot();
    const int top = static_cast<int>(std::lround(x_->screenSize().height() - 500.0 / 15));
    const QRect band =
        e2e::boundsOf(screen.copy(0, top, screen.width(), screen.height() - top), Qt::darkCyan);
    QVERIFY2(band.isValid(), "no caption line");
    QVERIFY2(std::abs(band.top()) <= 1, qPrintable(describe(band)));
    QVERIFY2(std::abs(band.center().x() - screen.width() / 2) <= 2, qPrintable(describe(band)));
    QVERIFY(band.width() < screen.width() / 2);
    // Nowhere else does anything lie over the picture.
    QCOMPARE(e2e::boundsOf(screen.copy(0, 0, screen.width(), top), Qt::darkCyan), QRect());
    QImage text = screen.copy(band.translated(0, top));
    text.invertPixels();
    const QString read = x_->readText(text.scaled(text.size() * 2));
    QVERIFY2(read.contains(QStringLiteral("dawn.bmp - Boats at the pier")),
             qPrintable(QStringLiteral("read: ") + read));
}

void ShowTest::keys() {
    Disc disc;
    disc.settings("delay=1\n");
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow};
    for (int i = 0; i < colours.size(); ++i) {
        disc.picture(QStringLiteral("Only/%1.bmp").arg(i), QSize(64, 48), colours[i]);
    }
    QVERIFY(startShow(disc));
    QVERIFY(waitForCentre(colours[0]));
    // 5 pauses; then each key moves at once: first, last, previous, next, and next past the
    // last picture of the only folder goes back to its first.
    const QList<std::pair<QString, int>> steps{{QStringLiteral("5 2"), 0}, {QStringLiteral("8"), 3},
                                               {QStringLiteral("4"), 2},   {QStringLiteral("6"), 3},
                                               {QStringLiteral("6"), 0},   {QStringLiteral("4"), 3},
                                               {QStringLiteral("2"), 0}};
    for (const auto& [keys, expected] : steps) {
        QVERIFY(x_->key(keys));
        QVERIFY2(waitForCentre(colours[expected]), qPrintable(keys));
    }
    // Paused: three times the delay goes by without a change.
    QVERIFY(!e2e::waitFor([&] { return !nearColour(x_->centreColour(), colours[0]); }, 3500));
    // 5 again: the show runs on by itself.
    QVERIFY(x_->key(QStringLiteral("5")));
    QVERIFY(waitForCentre(colours[1]));
    QVERIFY(waitForCentre(colours[2]));
    // Escape opens the control panel, the show window keeps running behind it.
    QVERIFY(x_->windows(kPanel).isEmpty());
    QVERIFY(x_->key(QStringLiteral("Escape")));
    QVERIFY(!x_->waitForWindow(kPanel).isEmpty());
    QVERIFY(x_->running());
}

void ShowTest::controlPanel() {
    Disc disc;
    disc.settings("delay=30\n");
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < colours.size(); ++i) {
        disc.picture(QStringLiteral("Only/%1.bmp").arg(i), QSize(64, 48), colours[i]);
    }
    QVERIFY(startShow(disc));
    // Nothing shown yet for 30 s: the first picture comes with the key.
    QVERIFY(x_->key(QStringLiteral("6")));
    QVERIFY(waitForCentre(colours[0]));

    QVERIFY(x_->key(QStringLiteral("Escape")));
    const QString panel = x_->waitForWindow(kPanel);
    QVERIFY(!panel.isEmpty());
    // Its frame's bottom edge 150 twips above the screen's, its right edge 100 twips left of
    // the screen's.
    const QSize screen = x_->screenSize();
    QRect outer;
    const bool placed = e2e::waitFor([&] {
        outer = x_->geometry(panel).marginsAdded(x_->frameExtents(panel));
        return std::abs(screen.width() - (outer.x() + outer.width()) - 100.0 / 15) <= 1 &&
               std::abs(screen.height() - (outer.y() + outer.height()) - 150.0 / 15) <= 1;
    });
    QVERIFY2(placed, qPrintable(QStringLiteral("panel at ") + describe(outer)));
    // Inside: 4500 x 1215 twips.
    QCOMPARE(x_->geometry(panel).size(), QSize(300, 81));

    // Next (the round button at 2640, 120 twips, 525 wide) moves on.
    QVERIFY(x_->click(panel, QPoint((2640 + 262) / 15, (120 + 262) / 15)));
    QVERIFY(waitForCentre(colours[1]));
    QVERIFY(x_->click(panel, QPoint((2640 + 262) / 15, (120 + 262) / 15)));
    QVERIFY(waitForCentre(colours[2]));
    // Exit (3360, 720 twips, 975 x 375) ends the program.
    QVERIFY(x_->click(panel, QPoint((3360 + 487) / 15, (720 + 187) / 15)));
    QCOMPARE(x_->waitForExit(), 0);
}

void ShowTest::screenChanges() {
    // The screen changes size under the running show (another resolution, a projector): the
    // show covers the new screen, the picture is fitted to it again, the caption line and the
    // open control panel move to their places.
    e2e::XSession x(QSize(1600, 1200), true);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    QVERIFY(x.setScreenSize(QSize(1024, 768)));
    Disc disc;
    disc.settings("delay=30\n");
    disc.picture(QStringLiteral("Wide/a.bmp"), QSize(640, 240), Qt::darkGreen);
    QVERIFY(e2e::installProgram(disc.path()));
    x.startShow(disc.path());
    const QString show = x.waitForWindow(kShow);
    QVERIFY(!show.isEmpty());
    QVERIFY(x.key(QStringLiteral("6 Escape")));
    const QString panel = x.waitForWindow(kPanel);
    QVERIFY(!panel.isEmpty());
    // The 8:3 picture spans the width, centred from top to bottom.
    const QList<std::pair<QSize, QRect>> steps{{{800, 600}, {0, 150, 800, 300}},
                                               {{1600, 1200}, {0, 300, 1600, 600}}};
    for (const auto& [size, picture] : steps) {
        QVERIFY(x.setScreenSize(size));
        const QString at = describe(QRect(QPoint(), size));
        QRect shown;
        const bool fitted = e2e::waitFor([&] {
            shown = e2e::extentOf(x.screenshot(), Qt::darkGreen);
            return x.geometry(show) == QRect(QPoint(), size) && shown == picture;
        });
        QVERIFY2(fitted, qPrintable(at + QStringLiteral(": picture at ") + describe(shown)));
        // The caption's text: in the band 500 twips above the bottom, centred.
        const int top = size.height() - 34;
        const QRect band = e2e::extentOf(
            x.screenshot().copy(0, top, size.width() * 6 / 10, size.height() - top), Qt::white);
        QVERIFY2(band.isValid() && band.top() <= 10 &&
                     std::abs(band.center().x() - size.width() / 2) <= 2,
                 qPrintable(at + QStringLiteral(": caption at ") + describe(band)));
        QRect outer;
        const bool placed = e2e::waitFor([&] {
            outer = x.geometry(panel).marginsAdded(x.frameExtents(panel));
            return std::abs(size.width() - (outer.x() + outer.width()) - 100.0 / 15) <= 1 &&
                   std::abs(size.height() - (outer.y() + outer.height()) - 150.0 / 15) <= 1;
        });
        QVERIFY2(placed, qPrintable(at + QStringLiteral(": panel at ") + describe(outer)));
    }
}

QTEST_GUILESS_MAIN(ShowTest)
#include "show_test.moc"
