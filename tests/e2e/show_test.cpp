// As the screen changes size under the show, it covers the screen, the picture is fitted again,
// and the caption line and the open control panel move to their places; a picture is drawn
// pixel for pixel at every scale factor; every window opens on the show's monitor.
#include <QDebug>
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

class ShowTest : public e2e::SessionTest {
    Q_OBJECT

public:
    ShowTest() : SessionTest(QSize(1600, 1200)) {}

private Q_SLOTS:
    void placesOnEveryScreenSize();
    void pixelForPixel_data();
    void pixelForPixel();
    void opensOnTheShowsMonitor();
};

void ShowTest::placesOnEveryScreenSize() {
    QVERIFY(x_->setScreenSize(QSize(1024, 768)));
    testsupport::Disc disc;
    disc.settings("delay=30\n");
    disc.picture(u"Tall/a.bmp"_s, QSize(300, 400), Qt::darkGreen);
    disc.picture(u"Wide/b.bmp"_s, QSize(400, 100), Qt::darkGreen);
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    const QString show = x_->waitForWindow(u"^Lumosa$"_s);
    QVERIFY(!show.isEmpty());
    QVERIFY(x_->key(u"6"_s));
    const QString panel = x_->openPanel();
    QVERIFY(!panel.isEmpty());
    QCOMPARE(x_->geometry(panel).size(), QSize(300, 81));  // 4500 x 1215 twips inside
    // The 3:4 picture spans the height, centred; the caption's box 500 twips above the screen's
    // bottom, also under the 4:1 picture, which ends far above it.
    const QList<std::tuple<QSize, QString, QRect, int>> steps{
        {{1024, 768}, {}, {224, 0, 576, 768}, 735},
        {{800, 600}, {}, {175, 0, 450, 600}, 567},
        {{1600, 1200}, {}, {350, 0, 900, 1200}, 1167},
        {{1600, 1200}, u"6"_s, {0, 400, 1600, 400}, 1167}};
    for (const auto& [size, keys, picture, captionTop] : steps) {
        QVERIFY(x_->setScreenSize(size));
        QVERIFY(keys.isEmpty() || (x_->activate(show) && x_->key(keys)));
        const QString at = QDebug::toString(size);
        QRect shown;
        const bool fitted = e2e::waitFor([&] {
            shown = e2e::extentOf(x_->screenshot(), Qt::darkGreen);
            return x_->geometry(show) == QRect(QPoint(), size) && shown == picture;
        });
        QVERIFY2(fitted, qPrintable(at + u": picture at "_s + QDebug::toString(shown)));
        // Left of the panel, which lies over the picture's bottom right.
        const QRect below(picture.left(), captionTop - 10, size.width() * 6 / 10 - picture.left(),
                          size.height() - captionTop + 10);
        // Over the picture, the black band's top; over the black screen, its white text, inside
        // the band's 240 twips.
        const bool behind = picture.bottom() >= captionTop;
        const QImage shot = x_->screenshot().copy(below);
        const QRect band =
            (behind ? e2e::extentOf(shot, Qt::darkGreen, false) : e2e::extentOf(shot, Qt::white))
                .translated(below.topLeft());
        QVERIFY2((behind ? std::abs(band.top() - captionTop) <= 1
                         : band.top() >= captionTop && band.bottom() < captionTop + 16) &&
                     std::abs(band.center().x() - size.width() / 2) <= 2,
                 qPrintable(at + u": caption at "_s + QDebug::toString(band)));
        // The panel's frame 100 twips from the screen's right edge, 150 above its bottom.
        QRect outer;
        const bool placed = e2e::waitFor([&] {
            outer = x_->geometry(panel).marginsAdded(x_->frameExtents(panel));
            return std::abs(size.width() - (outer.x() + outer.width()) - 100.0 / 15) <= 1 &&
                   std::abs(size.height() - (outer.y() + outer.height()) - 150.0 / 15) <= 1;
        });
        QVERIFY2(placed, qPrintable(at + u": panel at "_s + QDebug::toString(outer)));
    }
}

void ShowTest::pixelForPixel_data() {
    QTest::addColumn<QString>("scale");
    for (const char* scale : {"1.25", "1.5", "1.75", "2"}) {
        QTest::newRow(scale) << QString::fromLatin1(scale);
    }
}

void ShowTest::pixelForPixel() {
    // A checkerboard of single pixels the size of the screen in device pixels: any resampling
    // turns it grey.
    QFETCH(QString, scale);
    const QSize screen(1600, 1200);
    QVERIFY(x_->setScreenSize(screen));
    QImage board(screen, QImage::Format_RGB32);
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            board.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
    }
    testsupport::Disc disc;
    disc.settings("showtext=false\ndelay=30\n");
    QVERIFY(board.save(disc.folder(u"Board"_s) + u"/board.bmp"_s));
    QVERIFY(e2e::installProgram(disc.path()));
    x_->setVariable(u"QT_SCALE_FACTOR"_s, scale);
    x_->startShow(disc.path());
    x_->setVariable(u"QT_SCALE_FACTOR"_s, QString());
    QVERIFY(!x_->waitForWindow(u"^Lumosa$"_s).isEmpty());
    QVERIFY(x_->key(u"6"_s));
    qsizetype exact = 0;
    const bool drawn = e2e::waitFor([&] {
        const QImage shot = x_->screenshot();
        exact = 0;
        for (int y = 0; y < screen.height(); ++y) {
            const QRgb* is = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
            const QRgb* was = reinterpret_cast<const QRgb*>(board.constScanLine(y));
            for (int x = 0; x < screen.width(); ++x) {
                exact += (is[x] & 0xFFFFFF) == (was[x] & 0xFFFFFF);
            }
        }
        return exact == qsizetype(screen.width()) * screen.height();
    });
    QVERIFY2(drawn, qPrintable(u"%1 of %2 pixels exact"_s.arg(exact).arg(1600 * 1200)));
}

void ShowTest::opensOnTheShowsMonitor() {
    // One screen as two monitors side by side; the right one is the primary, under the pointer.
    e2e::XSession x(QSize(3840, 1080), true);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    QVERIFY(
        !x.run(u"xrandr"_s, u"--setmonitor L 1920/508x1080/286+0+0 none"_s.split(u' ')).isNull());
    QVERIFY(!x.run(u"xrandr"_s, u"--setmonitor *R 1920/508x1080/286+1920+0 screen"_s.split(u' '))
                 .isNull());
    QVERIFY(!x.run(u"xdotool"_s, u"mousemove 2880 540"_s.split(u' ')).isNull());
    testsupport::Disc disc;
    disc.settings("showfolders=true\ndelay=30\n");
    disc.picture(u"A/1.bmp"_s, QSize(64, 48), Qt::red);
    disc.picture(u"B/1.bmp"_s, QSize(64, 48), Qt::red);
    QVERIFY(e2e::installProgram(disc.path()));
    x.startShow(disc.path());
    const QRect right(1920, 0, 1920, 1080);
    // Centred on the right monitor, give or take the frame, which is not known when it is placed.
    QRect outer;  // the last seen, for a failure's message
    const auto centred = [&](const QString& window) {
        outer = x.geometry(window).marginsAdded(x.frameExtents(window));
        return right.contains(outer) && (outer.center() - right.center()).manhattanLength() <= 24;
    };
    const QString selection = x.waitForWindow(u"^Image Directory Selection$"_s);
    QVERIFY(!selection.isEmpty());
    QVERIFY2(e2e::waitFor([&] { return centred(selection); }), qPrintable(QDebug::toString(outer)));
    QVERIFY(x.activate(selection) && x.key(u"space Tab space"_s));
    const QString show = x.waitForWindow(u"^Lumosa$"_s);
    QVERIFY(e2e::waitFor([&] { return x.geometry(show) == right; }));
    const QString panel = x.openPanel();
    QVERIFY(!panel.isEmpty());
    QVERIFY2(
        e2e::waitFor([&] {
            outer = x.geometry(panel).marginsAdded(x.frameExtents(panel));
            return std::abs(right.right() + 1 - (outer.x() + outer.width()) - 100.0 / 15) <= 1 &&
                   std::abs(right.bottom() + 1 - (outer.y() + outer.height()) - 150.0 / 15) <= 1;
        }),
        qPrintable(QDebug::toString(outer)));
    QVERIFY(x.activate(panel) && x.key(u"alt+a"_s));
    const QString about = x.waitForWindow(u"^About Lumosa$"_s);
    QVERIFY(!about.isEmpty());
    QVERIFY2(e2e::waitFor([&] { return centred(about); }), qPrintable(QDebug::toString(outer)));
    QVERIFY(x.key(u"Return"_s));
    const QString sheet = x.openSheet();
    QVERIFY(!sheet.isEmpty());
    QVERIFY(e2e::waitFor(
        [&] { return right.contains(x.geometry(sheet).marginsAdded(x.frameExtents(sheet))); }));
}

LUMOSA_TEST(ShowTest)
#include "show_test.moc"
