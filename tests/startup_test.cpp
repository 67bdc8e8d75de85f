// Start-up of the show window: the settings file, the program-file check, the picture folders
// and the four ways start-up ends.
#include <QtTest>

#include "folders/frmDirectories.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using platform::Forms;
using testsupport::Disc;
using testsupport::Session;

class StartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void withoutProgramFileSaysViewerNotFound();
    void withoutPictureFoldersSaysSo();
    void showsTheFirstOfSeveralFolders();
    void oneFolderStartsTheShowEvenWithFolderSelection();
    void folderSelectionWaitsForTheUser();
    void pictureFolderTest();
    void settingsLines_data();
    void settingsLines();
    void settingsFileNameInCapitals();
    void binarySettingsFileIsHarmless();
    void withoutDelayTheFirstTickComesQuicklyThenTheDefault();
};

void StartupTest::withoutProgramFileSaysViewerNotFound() {
    Disc disc;
    disc.picture(QStringLiteral("Holiday/a.jpg"));
    disc.removeProgramFile();
    // A folder named like the program is not the program file.
    disc.folder(QStringLiteral("lumosa"));
    Session session(disc);
    QCOMPARE(session.start(), nullptr);
    QCOMPARE(session.messages, QStringList{QStringLiteral("Viewer NOT Found")});
    QCOMPARE(session.titles, QStringList{QStringLiteral("Lumosa")});
    QVERIFY(session.ended);
    QCOMPARE(Forms::count(), 0);
}

void StartupTest::withoutPictureFoldersSaysSo() {
    Disc disc;
    disc.picture(QStringLiteral("_hidden/a.jpg"));
    disc.file(QStringLiteral("Docs/readme.txt"), "text");
    disc.picture(QStringLiteral("Docs/scan.png"));
    disc.picture(QStringLiteral("loose.jpg"));
    Session session(disc);
    QCOMPARE(session.start(), nullptr);
    QCOMPARE(session.messages,
             QStringList{QStringLiteral("No folders containing images exist in this location.")});
    QVERIFY(session.ended);
}

void StartupTest::showsTheFirstOfSeveralFolders() {
    Disc disc;
    disc.picture(QStringLiteral("Beta/b1.jpg"));
    disc.picture(QStringLiteral("Alpha/a1.jpg"));
    disc.picture(QStringLiteral("Alpha/a2.jpg"));
    Session session(disc);
    MainForm* show = session.start();
    QVERIFY(show);
    QVERIFY(session.messages.isEmpty());
    QVERIFY(show->isVisible());
    QCOMPARE(show->lbDirs.ListCount(), 2);
    QCOMPARE(show->lbDirs.List(0), disc.abs(QStringLiteral("Alpha")));
    QCOMPARE(show->lbDirs.List(1), disc.abs(QStringLiteral("Beta")));
    QCOMPARE(show->lbDirs.ListIndex(), 0);
    QCOMPARE(show->flbImageList.Path(), disc.abs(QStringLiteral("Alpha")));
    QCOMPARE(show->flbImageList.ListCount(), 2);
    QCOMPARE(show->flbImageList.ListIndex(), -1);
    QVERIFY(show->Timer1.Enabled());
    QCOMPARE(show->Timer1.Interval(), 500);
    QCOMPARE(show->WindowState(), platform::Form::Maximized);
    // Nothing is shown before the first tick: the start-up labels are up.
    QVERIFY(show->lblInfo.Visible());
    QCOMPARE(show->lblInfo.Caption(), QStringLiteral("Loading Image Details"));
    QVERIFY(show->lblInfo2.Visible());
    QVERIFY(show->image1.picture().isNull());
}

void StartupTest::oneFolderStartsTheShowEvenWithFolderSelection() {
    Disc disc;
    disc.settings("showfolders=true\n");
    disc.picture(QStringLiteral("Only/a.gif"));
    Session session(disc);
    MainForm* show = session.start();
    QVERIFY(show);
    QCOMPARE(Forms::find<frmDirectories>(), nullptr);
    QCOMPARE(show->lbDirs.ListCount(), 1);
    QCOMPARE(show->lbDirs.ListIndex(), 0);
    QVERIFY(show->lbDirs.Selected(0));
    QCOMPARE(show->flbImageList.Path(), disc.abs(QStringLiteral("Only")));
    QVERIFY(show->Timer1.Enabled());
    QVERIFY(show->isVisible());
}

void StartupTest::folderSelectionWaitsForTheUser() {
    Disc disc;
    disc.settings("showfolders=true\n");
    disc.picture(QStringLiteral("zebra/a.jpg"));
    disc.picture(QStringLiteral("Apes/a.jpg"));
    Session session(disc);
    MainForm* show = session.start();
    QVERIFY(show);
    QVERIFY(!show->isVisible());
    QVERIFY(!show->Timer1.Enabled());
    QCOMPARE(show->lbDirs.ListCount(), 0);
    auto* selection = Forms::find<frmDirectories>();
    QVERIFY(selection);
    QVERIFY(selection->isVisible());
    QCOMPARE(selection->Caption(), QStringLiteral("Image Directory Selection"));
    QCOMPARE(selection->List1.ListCount(), 2);
    QCOMPARE(selection->List1.List(0), disc.abs(QStringLiteral("Apes")));
    QCOMPARE(selection->List1.List(1), disc.abs(QStringLiteral("zebra")));
    QVERIFY(!selection->List1.Selected(0));
    QVERIFY(!selection->List1.Selected(1));
}

void StartupTest::pictureFolderTest() {
    Disc disc;
    disc.picture(QStringLiteral("_Private/a.jpg"));  // never offered
    disc.picture(QStringLiteral(".cache/a.jpg"));    // hidden
    disc.picture(QStringLiteral("Scans/a.png"));     // other types only
    disc.file(QStringLiteral("Scans/notes.txt"), "x");
    disc.picture(QStringLiteral("Nested/Deeper/a.jpg"));  // pictures only further down
    disc.folder(QStringLiteral("Tricky/x.jpg"));          // a folder is not a picture
    disc.picture(QStringLiteral("upper/A.JPG"));
    disc.picture(QStringLiteral("mixed/b.Gif"));
    disc.picture(QStringLiteral("Bitmaps/c.bmp"));
    disc.picture(QStringLiteral("long/d.jpeg"));
    disc.picture(QStringLiteral("a_b/e.jpg"));  // "_" only at the start counts
    Session session(disc);
    MainForm* show = session.start();
    QVERIFY(show);
    QStringList folders;
    for (int i = 0; i < show->lbDirs.ListCount(); ++i) {
        folders.append(QFileInfo(show->lbDirs.List(i)).fileName());
    }
    // Alphabetical without regard to letter case.
    QCOMPARE(folders, (QStringList{"a_b", "Bitmaps", "long", "mixed", "upper"}));
}

void StartupTest::settingsLines_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<int>("interval");  // Timer1's interval right after start-up
    QTest::addColumn<bool>("selection");

    QTest::newRow("none") << QByteArray() << 500 << false;
    QTest::newRow("delay") << QByteArray("delay=5\n") << 5000 << false;
    QTest::newRow("fraction") << QByteArray("delay=2.5\n") << 2500 << false;
    QTest::newRow("blank before value") << QByteArray("delay= 4\n") << 4000 << false;
    QTest::newRow("not a number") << QByteArray("delay=abc\n") << 3000 << false;
    QTest::newRow("empty value") << QByteArray("delay=\n") << 3000 << false;
    QTest::newRow("key alone") << QByteArray("delay\n") << 3000 << false;
    QTest::newRow("capital key") << QByteArray("Delay=5\n") << 500 << false;
    QTest::newRow("leading blank") << QByteArray(" delay=5\n") << 500 << false;
    QTest::newRow("longer word") << QByteArray("delayed=7\n") << 7000 << false;
    QTest::newRow("last wins") << QByteArray("delay=5\ndelay=2\n") << 2000 << false;
    QTest::newRow("zero") << QByteArray("delay=0\n") << 3000 << false;
    QTest::newRow("negative") << QByteArray("delay=-2\n") << 3000 << false;
    QTest::newRow("too long") << QByteArray("delay=100\n") << 65535 << false;
    QTest::newRow("crlf and other lines")
        << QByteArray("[autorun]\r\nopen=lumosa\r\nicon=disc.ico\r\ndelay=6\r\n") << 6000 << false;
    QTest::newRow("byte-order mark") << QByteArray(
                                            "\xEF\xBB\xBF"
                                            "delay=8\n")
                                     << 8000 << false;
    QTest::newRow("no final line end") << QByteArray("delay=9") << 9000 << false;
    QTest::newRow("showfolders") << QByteArray("showfolders=true\n") << 500 << true;
    QTest::newRow("showfolders True") << QByteArray("showfolders=True\n") << 500 << false;
    QTest::newRow("showfolders yes") << QByteArray("showfolders=yes\n") << 500 << false;
    QTest::newRow("showfolders blank") << QByteArray("showfolders=true \n") << 500 << false;
    QTest::newRow("showfolders alone") << QByteArray("showfolders\n") << 500 << false;
    QTest::newRow("showfolders last wins")
        << QByteArray("showfolders=true\nshowfolders=no\n") << 500 << false;
    QTest::newRow("showfolders with crlf") << QByteArray("showfolders=true\r\n") << 500 << true;
}

void StartupTest::settingsLines() {
    QFETCH(QByteArray, settings);
    QFETCH(int, interval);
    QFETCH(bool, selection);
    Disc disc;
    if (!settings.isEmpty()) {
        disc.settings(settings);
    }
    disc.picture(QStringLiteral("One/a.jpg"));
    disc.picture(QStringLiteral("Two/b.jpg"));
    Session session(disc);
    MainForm* show = session.start();
    QVERIFY(show);
    QCOMPARE(show->Timer1.Interval(), interval);
    QCOMPARE(Forms::find<frmDirectories>() != nullptr, selection);
    QCOMPARE(show->Timer1.Enabled(), !selection);
}

void StartupTest::settingsFileNameInCapitals() {
    Disc disc;
    disc.file(QStringLiteral("AUTORUN.INF"), "delay=4\n");
    disc.picture(QStringLiteral("One/a.jpg"));
    Session session(disc);
    MainForm* show = session.start();
    QVERIFY(show);
    QCOMPARE(show->Timer1.Interval(), 4000);
}

void StartupTest::binarySettingsFileIsHarmless() {
    QByteArray garbage;
    quint32 seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        garbage.append(static_cast<char>(seed >> 24));
    }
    Disc disc;
    disc.settings(garbage);
    disc.picture(QStringLiteral("One/a.jpg"));
    Session session(disc);
    MainForm* show = session.start();
    QVERIFY(show);
    QVERIFY(session.messages.isEmpty());
    QVERIFY(show->Timer1.Enabled());
}

void StartupTest::withoutDelayTheFirstTickComesQuicklyThenTheDefault() {
    Disc disc;
    disc.picture(QStringLiteral("One/a.jpg"));
    disc.picture(QStringLiteral("One/b.jpg"));
    Session session(disc);
    MainForm* show = session.start();
    QVERIFY(show);
    // A change of speed before the first tick is undone by it.
    show->showSpeed(QStringLiteral("Slower"));
    QCOMPARE(show->Timer1.Interval(), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(show->flbImageList.ListIndex(), 0, 5000);
    QCOMPARE(show->Timer1.Interval(), 3000);
}

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
