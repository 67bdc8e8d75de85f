// Folders marked in the selection by a click and by the keyboard, then a thumbnail clicked; the
// artwork of every window.
#include <QDir>
#include <QImageReader>
#include <QPainter>
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
    void artworkOfEveryWindow();
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

void WindowsTest::artworkOfEveryWindow() {
    testsupport::Disc disc;
    disc.settings("showfolders=true\ndelay=30\n");
    disc.picture(u"A/1.bmp"_s, QSize(64, 48), Qt::red);
    disc.picture(u"B/1.bmp"_s, QSize(64, 48), Qt::red);
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    // Each window as it is opened in turn, and its artwork: the resource, where it stands inside.
    const QList<std::tuple<QString, std::function<bool()>, QList<std::pair<QString, QPoint>>>>
        windows{{u"^Image Directory Selection$"_s, [] { return true; }, {}},
                {u"^Lumosa$"_s,
                 [this] {
                     return x_->activate(x_->windows(u"^Image Directory Selection$"_s).value(0)) &&
                            x_->key(u"space Tab space"_s);
                 },
                 {}},
                {u"^Lumosa Control Panel$"_s,
                 [this] { return !x_->openPanel().isEmpty(); },
                 {{u"pause"_s, {8, 8}},
                  {u"slower"_s, {56, 8}},
                  {u"first"_s, {96, 8}},
                  {u"prev"_s, {136, 8}},
                  {u"next"_s, {176, 8}},
                  {u"last"_s, {216, 8}},
                  {u"faster"_s, {256, 8}}}},
                {u"^About Lumosa$"_s,
                 [this] {
                     return x_->activate(x_->waitForWindow(u"^Lumosa Control Panel$"_s)) &&
                            x_->key(u"alt+a"_s);
                 },
                 {{u":/lumosa.ico"_s, {16, 8}}}},
                {u"thumbnails"_s,
                 [this] { return x_->key(u"Return"_s) && !x_->openSheet().isEmpty(); },
                 {}}};
    for (const auto& [title, open, artwork] : windows) {
        QVERIFY2(open(), qPrintable(title));
        const QString window = x_->waitForWindow(title);
        QVERIFY2(!window.isEmpty(), qPrintable(title));
        // The program's icon, at both its sizes.
        const QString icon = x_->run(u"xprop"_s, {u"-id"_s, window, u"_NET_WM_ICON"_s});
        QVERIFY2(icon.contains(u"Icon (32 x 32)"_s) && icon.contains(u"Icon (16 x 16)"_s),
                 qPrintable(title + u": "_s + icon.left(80)));
        for (const auto& [name, at] : artwork) {
            const QString path = name.startsWith(u':') ? name : u":/buttons/%1.gif"_s.arg(name);
            const QImage art = QImageReader(path).read();
            QVERIFY2(!art.isNull(), qPrintable(path));
            // Drawn pixel for pixel over the window's background, which shows in its corner.
            QImage shot;
            const bool drawn = e2e::waitFor([&] {
                shot =
                    x_->screenshot().copy(QRect(x_->geometry(window).topLeft() + at, art.size()));
                QImage expected(art.size(), QImage::Format_RGB32);
                expected.fill(shot.pixel(0, 0));
                QPainter(&expected).drawImage(0, 0, art);
                return shot == expected;
            });
            QVERIFY2(drawn || !shot.save(QDir::temp().filePath(u"art.png"_s)),
                     qPrintable(path + u" in "_s + title + u": drawn as in art.png"_s));
        }
    }
}

LUMOSA_TEST(WindowsTest)
#include "windows_test.moc"
