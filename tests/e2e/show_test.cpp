// As the screen changes size under the show, it covers the screen, the picture is fitted again,
// and the caption line and the open control panel move to their places; a picture is drawn
// pixel for pixel at every scale factor; every window opens on the show's monitor; without a
// window manager the show still covers the screen. How the program ends other than by its own
// buttons: a start-up message's OK, the show window closed from outside, no display at all.
#include <QDebug>
#include <QDir>
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::Disc;

class ShowTest : public e2e::SessionTest {
    Q_OBJECT

public:
    ShowTest() : SessionTest(QSize(1600, 1200)) {}

private Q_SLOTS:
    void message();
    void closedFromOutside_data();
    void closedFromOutside();
    void noDisplay();
    void placesOnEveryScreenSize();
    void pixelForPixel_data();
    void pixelForPixel();
    void opensOnTheShowsMonitor();
    void staysAboveTheShow_data();
    void staysAboveTheShow();
    void coversTheScreenWithoutWindowManager();
};

void ShowTest::message() {
    // Started from a folder that is not its own: the program is not found there. The messages'
    // texts are the start-up test's.
    QTemporaryDir other;
    x_->startProgram(QStringLiteral(LUMOSA_PROGRAM), other.path());
    // A box titled as the program, on the screen, the only window; OK at its bottom right.
    const QString window = x_->waitForWindow(u"^Lumosa$"_s);
    QVERIFY(!window.isEmpty());
    const QRect inside = x_->geometry(window);
    QVERIFY2(QRect(0, 0, 1600, 1200).contains(inside), "message box off screen");
    QVERIFY(inside.width() > 60 && inside.height() > 30 && inside.width() < 600);
    QCOMPARE(x_->windows(u"."_s).size(), 1);
    QVERIFY(x_->running());
    QVERIFY(x_->click(window, QPoint(inside.width() - 30, inside.height() - 22)));
    QCOMPARE(x_->waitForExit(), 0);
}

void ShowTest::closedFromOutside_data() {  // nothing may go on running unseen, holding the disc
    QTest::addColumn<bool>("sheet");       // the thumbnail sheet open, else the control panel
    QTest::addColumn<bool>("destroy");     // the window destroyed rather than asked to close
    QTest::newRow("Alt+F4, panel open") << false << false;
    QTest::newRow("Alt+F4, sheet open") << true << false;
    QTest::newRow("destroyed, panel open") << false << true;
}

void ShowTest::closedFromOutside() {
    QFETCH(bool, sheet);
    QFETCH(bool, destroy);
    const Disc disc({u"autorun.inf=delay=30\n"_s, u"Pictures/a.bmp"_s});
    QVERIFY(x_->startShow(disc.path()));
    const QString show = x_->waitForWindow(u"^Lumosa$"_s);
    QVERIFY(!show.isEmpty());
    QVERIFY(!(sheet ? x_->openSheet() : x_->openPanel()).isEmpty());
    QVERIFY(destroy ? !x_->run(u"xdotool"_s, {u"windowclose"_s, show}).isNull()
                    : x_->activate(show) && x_->key(u"alt+F4"_s));
    QCOMPARE(x_->waitForExit(), 0);
}

void ShowTest::noDisplay() {
    const Disc disc({u"Pictures/a.bmp"_s});
    QProcess program;
    program.setWorkingDirectory(disc.path());
    program.start(u"env"_s, {u"-u"_s, u"DISPLAY"_s, u"-u"_s, u"WAYLAND_DISPLAY"_s, u"-u"_s,
                             u"QT_QPA_PLATFORM"_s, QStringLiteral(LUMOSA_PROGRAM)});
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 1);
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()),
             u"lumosa: cannot open the display (DISPLAY is not set)\n"_s);
}

void ShowTest::placesOnEveryScreenSize() {
    QVERIFY(x_->setScreenSize(QSize(1024, 768)));
    const Disc disc({u"autorun.inf=delay=30\n"_s, u"Tall/a.bmp:darkgreen:300x400"_s,
                     u"Wide/b.bmp:darkgreen:400x100"_s});
    QVERIFY(x_->startShow(disc.path()));
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
    const QColor green(u"darkgreen"_s);
    for (const auto& [size, keys, picture, captionTop] : steps) {
        QVERIFY(x_->setScreenSize(size));
        QVERIFY(keys.isEmpty() || (x_->activate(show) && x_->key(keys)));
        const QString at = QDebug::toString(size);
        QRect shown;
        const bool fitted = e2e::waitFor([&] {
            shown = e2e::extentOf(x_->screenshot(), green);
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
            (behind ? e2e::extentOf(shot, green, false) : e2e::extentOf(shot, Qt::white))
                .translated(below.topLeft());
        QVERIFY2((behind ? std::abs(band.top() - captionTop) <= 1
                         : band.top() >= captionTop && band.bottom() < captionTop + 16) &&
                     std::abs(band.center().x() - size.width() / 2) <= 2,
                 qPrintable(at + u": caption at "_s + QDebug::toString(band)));
        // The panel's frame 100 twips from the screen's right edge, 150 above its bottom.
        QRect outer;
        const bool placed = e2e::waitFor([&] {
            outer = x_->outer(panel);
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
    const Disc disc({u"autorun.inf=showtext=false\ndelay=30\n"_s});
    disc.file(u"Board/board.bmp"_s, testsupport::encode(board, "bmp"));
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startProgram(u"env"_s, disc.path(), {u"QT_SCALE_FACTOR="_s + scale, disc.abs(u"lumosa"_s)});
    QVERIFY(!x_->waitForWindow(u"^Lumosa$"_s).isEmpty());
    QVERIFY(x_->key(u"6"_s));
    QImage shot;
    const bool drawn = e2e::waitFor([&] { return (shot = x_->screenshot()) == board; });
    QVERIFY2(drawn || !shot.save(QDir::temp().filePath(u"board.png"_s)),
             "not drawn pixel for pixel: the screen in board.png");
}

void ShowTest::opensOnTheShowsMonitor() {
    // One screen as two monitors side by side; the right one is the primary, under the pointer.
    e2e::XSession x(QSize(3840, 1080), true);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    for (const QString& command : {u"xrandr --setmonitor L 1920/508x1080/286+0+0 none"_s,
                                   u"xrandr --setmonitor *R 1920/508x1080/286+1920+0 screen"_s,
                                   u"xdotool mousemove 2880 540"_s}) {
        QVERIFY(!x.run(command.section(u' ', 0, 0), command.section(u' ', 1).split(u' ')).isNull());
    }
    const Disc disc({u"autorun.inf=showfolders=true\ndelay=30\n"_s, u"A/1.bmp"_s, u"B/1.bmp"_s});
    QVERIFY(x.startShow(disc.path()));
    const QRect right(1920, 0, 1920, 1080);
    // Centred on the right monitor, give or take the frame, which is not known when it is placed;
    // the panel 100 twips from its right edge, 150 above its bottom.
    QRect outer;  // the last seen, for a failure's message
    const auto placed = [&](const QString& window, bool corner) {
        return e2e::waitFor([&] {
            outer = x.outer(window);
            const QPoint gap = right.bottomRight() - outer.bottomRight();
            return corner
                       ? std::abs(gap.x() - 100.0 / 15) <= 1 && std::abs(gap.y() - 150.0 / 15) <= 1
                       : right.contains(outer) &&
                             (outer.center() - right.center()).manhattanLength() <= 24;
        });
    };
    const QString selection = x.waitForWindow(u"^Image Directory Selection$"_s);
    QVERIFY2(placed(selection, false), qPrintable(QDebug::toString(outer)));
    QVERIFY(x.activate(selection) && x.key(u"space Tab space"_s));
    const QString show = x.waitForWindow(u"^Lumosa$"_s);
    QVERIFY(e2e::waitFor([&] { return x.geometry(show) == right; }));
    const QString panel = x.openPanel();
    QVERIFY2(placed(panel, true), qPrintable(QDebug::toString(outer)));
    QVERIFY(x.activate(panel) && x.key(u"alt+a"_s));
    QVERIFY2(placed(x.waitForWindow(u"^About Lumosa$"_s), false),
             qPrintable(QDebug::toString(outer)));
    QVERIFY(x.key(u"Return"_s));
    const QString sheet = x.openSheet();
    QVERIFY(e2e::waitFor([&] { return right.contains(x.outer(sheet)); }));
}

void ShowTest::coversTheScreenWithoutWindowManager() {
    // Nobody honours a full-screen request; pictures of both the screen's proportions reach every
    // edge.
    e2e::XSession x(QSize(1280, 1024), false);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    const Disc disc({u"autorun.inf=showtext=false\ndelay=30\n"_s,
                     u"Pictures/1.bmp:darkgreen:320x256"_s,
                     u"Pictures/2.bmp:darkmagenta:640x512"_s});
    QVERIFY(x.startShow(disc.path()));
    const QString window = x.waitForWindow(u"^Lumosa$"_s);
    QVERIFY(!window.isEmpty());
    QCOMPARE(x.geometry(window), QRect(0, 0, 1280, 1024));
    for (const char* colour : {"darkgreen", "darkmagenta"}) {
        QVERIFY(x.key(u"6"_s));
        QVERIFY(e2e::waitFor(
            [&] { return e2e::extentOf(x.screenshot(), QColor(colour)) == x.geometry(window); }));
    }
}

void ShowTest::staysAboveTheShow_data() {
    QTest::addColumn<bool>("windowManager");
    QTest::addColumn<bool>("about");  // About opened from the panel, else the panel alone
    QTest::newRow("panel") << true << false;
    QTest::newRow("About") << true << true;
    QTest::newRow("panel, no window manager") << false << false;
    QTest::newRow("About, no window manager") << false << true;
}

void ShowTest::staysAboveTheShow() {
    // A click on the picture leaves the panel, or About, above it, whole and in reach.
    QFETCH(bool, windowManager);
    QFETCH(bool, about);
    e2e::XSession x(QSize(1024, 768), windowManager);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    const Disc disc({u"autorun.inf=showtext=false\n"_s, u"P/1.bmp:darkgreen:1024x768"_s});
    QVERIFY(x.startShow(disc.path()));
    const QColor green(u"darkgreen"_s);
    QCOMPARE(x.watch({green}, 1), QList<int>{0});
    QString window = x.openPanel();
    if (about) {  // by its button: without a window manager nothing activates the panel
        window = x.click(window, {184, 60}) ? x.waitForWindow(u"^About Lumosa$"_s) : QString();
    }
    QVERIFY(!window.isEmpty() && x.click(x.waitForWindow(u"^Lumosa$"_s), QPoint(100, 100)));
    QTest::qWait(500);
    QVERIFY(e2e::extentOf(x.screenshot().copy(x.geometry(window)), green).isEmpty());
}

LUMOSA_TEST(ShowTest)
#include "show_test.moc"
