// The artwork of every window; a disc whose reads hang or fail, served by tools/medium.py.
#include <QDir>
#include <QElapsedTimer>
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
    void artworkOfEveryWindow();
    void failingMedium_data();
    void failingMedium();
};

void WindowsTest::artworkOfEveryWindow() {
    const testsupport::Disc disc(
        {u"autorun.inf=showfolders=true\ndelay=30\n"_s, u"A/1.bmp"_s, u"B/1.bmp"_s});
    QVERIFY(x_->startShow(disc.path()));
    // Each window as it is opened in turn: the program's icon at both its sizes, and its artwork
    // (the resource, where it stands inside) drawn pixel for pixel over the window's background,
    // which shows in its corner.
    const auto check = [&](const QString& title, const QList<std::pair<QString, QPoint>>& artwork) {
        const QString window = x_->waitForWindow(title);
        const QString icon = x_->run(u"xprop"_s, {u"-id"_s, window, u"_NET_WM_ICON"_s});
        QVERIFY2(icon.contains(u"Icon (32 x 32)"_s) && icon.contains(u"Icon (16 x 16)"_s),
                 qPrintable(title + u": "_s + icon.left(80)));
        for (const auto& [name, at] : artwork) {
            const QString path = name.startsWith(u':') ? name : u":/buttons/%1.gif"_s.arg(name);
            const QImage art = QImageReader(path).read();
            QVERIFY2(!art.isNull(), qPrintable(path));
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
    };
    const QString selection = u"^Image Directory Selection$"_s, panel = u"^Lumosa Control Panel$"_s;
    check(selection, {});
    QVERIFY(x_->activate(x_->waitForWindow(selection)) && x_->key(u"space Tab space"_s));
    check(u"^Lumosa$"_s, {});
    QVERIFY(!x_->openPanel().isEmpty());
    check(panel, {{u"pause"_s, {8, 8}},
                  {u"slower"_s, {56, 8}},
                  {u"first"_s, {96, 8}},
                  {u"prev"_s, {136, 8}},
                  {u"next"_s, {176, 8}},
                  {u"last"_s, {216, 8}},
                  {u"faster"_s, {256, 8}}});
    QVERIFY(x_->activate(x_->waitForWindow(panel)) && x_->key(u"alt+a"_s));
    check(u"^About Lumosa$"_s, {{u":/lumosa.ico"_s, {16, 8}}});
    QVERIFY(x_->key(u"Return"_s) && !x_->openSheet().isEmpty());
    check(u"thumbnails"_s, {});
}

void WindowsTest::failingMedium_data() {
    // Pressed while a read hangs, after opening the "panel" or the "sheet" when named first.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("window");  // what comes within 1 s; empty: the program ends
    QTest::newRow("Escape") << u"Escape"_s << u"^Lumosa Control Panel$"_s;
    QTest::newRow("the panel's Exit") << u"panel alt+e"_s << QString();
    QTest::newRow("Alt+F4") << u"alt+F4"_s << QString();
    QTest::newRow("the sheet's close (over the hanging file)")
        << u"sheet alt+F4"_s << u"^Lumosa$"_s;
}

void WindowsTest::failingMedium() {
    QFETCH(QString, keys);
    QFETCH(QString, window);
    // A/1.jpg hangs, A/2.jpg fails after 8 KB, B's descriptions hang.
    const testsupport::Disc disc({u"autorun.inf=delay=1\n"_s, u"A/0.bmp:red"_s, u"A/1.jpg:lime"_s,
                                  u"A/2.jpg:cyan:2000x1500"_s, u"A/3.bmp:blue"_s,
                                  u"B/0.bmp:yellow"_s, u"B/ImageList.txt=0.bmp,Yellow\n"_s});
    QVERIFY(QFileInfo(disc.abs(u"A/2.jpg"_s)).size() > 2 * 8192);
    QVERIFY(e2e::installProgram(disc.path()));
    QTemporaryDir mount;
    QProcess medium;
    medium.setProcessChannelMode(QProcess::ForwardedChannels);
    medium.start(u"/usr/bin/python3"_s,
                 {QStringLiteral(LUMOSA_SOURCE_DIR "/tools/medium.py"), disc.path(), mount.path(),
                  u"--hang"_s, u"A/1.jpg"_s, u"--hang"_s, u"B/ImageList.txt"_s, u"--fail"_s,
                  u"A/2.jpg:8192"_s});
    const auto unmount = qScopeGuard([&] {
        x_->stopProgram();
        QProcess::execute(u"fusermount3"_s, {u"-u"_s, u"-z"_s, mount.path()});
        medium.terminate();
        medium.waitForFinished(5000);  // stopped, it gives up the reads it holds
    });
    QVERIFY(e2e::waitFor([&] { return QFile::exists(mount.path() + u"/A/3.bmp"_s); }, 10000));
    x_->startProgram(mount.path() + u"/lumosa"_s, mount.path());
    // Every picture that can be read comes, a second apart: never 1.jpg, never 2.jpg's strip.
    const QList<QColor> colours{Qt::red, Qt::blue, Qt::yellow, Qt::green, Qt::cyan};
    QCOMPARE(x_->watch(colours, 4), (QList<int>{0, 1, 2, 0}));
    const QString errors = x_->programErrors();
    QVERIFY2(errors.contains(u"A/2.jpg: cannot be read"_s), qPrintable(errors));
    QVERIFY(x_->activate(x_->waitForWindow(u"^Lumosa$"_s)));
    const QString first = keys.section(u' ', 0, 0);
    if (first == u"sheet"_s || first == u"panel"_s) {
        QVERIFY(x_->activate(x_->openPanel()));
        // The sheet never ends its build: its title counts up to the hanging file.
        QVERIFY(first == u"panel"_s ||
                (x_->key(u"alt+t"_s) && x_->activate(x_->waitForWindow(u"thumbnails$"_s))));
        keys = keys.section(u' ', 1);
    }
    QElapsedTimer answered;
    answered.start();
    QVERIFY(x_->key(keys));
    if (window.isEmpty()) {
        QCOMPARE(x_->waitForExit(), 0);
    } else {
        QVERIFY(e2e::waitFor([&] {
            return x_->windows(window).size() == 1 && x_->windows(u"thumbnails"_s).isEmpty();
        }));
    }
    QVERIFY2(answered.elapsed() < 1000, qPrintable(QString::number(answered.elapsed())));
}

LUMOSA_TEST(WindowsTest)
#include "windows_test.moc"
