// Showing the pictures: the fitting arithmetic, the picture's place in the window, the caption
// line, and pictures or folders that cannot be shown.
#include <QtTest>

#include <cmath>

#include "platform/Form.h"
#include "platform/Picture.h"
#include "platform/Screen.h"
#include "show/Fit.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::Disc;
using testsupport::lastParts;
using testsupport::middleColour;
using testsupport::nearColour;
using testsupport::Session;

namespace {

constexpr int kTickTimeout = 10000;

// Starts the show in the disc with its timer stopped, so that only the test moves it.
MainForm* startStill(Session& session) {
    MainForm* form = session.start();
    if (form) {
        form->Timer1.setEnabled(false);
    }
    return form;
}

QColor shownColour(const MainForm& form) {
    return middleColour(form.image1.picture());
}

struct Geometry {
    float left, top, width, height;
    bool operator==(const Geometry&) const = default;
};

Geometry geometryOf(const platform::Control& control) {
    return {control.Left(), control.Top(), control.Width(), control.Height()};
}

// A JPEG cut in the middle of its compressed pixel data.
QByteArray truncatedJpeg(const Disc& disc, QSize size, QColor color) {
    const QString whole = disc.picture(u"whole/cut.jpg"_s, size, color);
    QFile file(whole);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    file.close();
    QDir(disc.abs(u"whole"_s)).removeRecursively();
    const qsizetype scan = bytes.indexOf("\xFF\xDA");  // start of the pixel data
    if (scan < 0) {
        return {};
    }
    return bytes.left(scan + (bytes.size() - scan) / 2);
}

}  // namespace

class DisplayTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fitAndCentre_data();
    void fitAndCentre();
    void naturalWidthAtHeight_data();
    void naturalWidthAtHeight();

    void pictureFitsWindow_data();
    void pictureFitsWindow();
    void samePictureSameGeometry();
    void unchangedSelectionIsShownAgain_data();
    void unchangedSelectionIsShownAgain();

    void caption_data();
    void caption();
    void captionVisibility_data();
    void captionVisibility();

    void unloadablePictureKeepsPrevious_data();
    void unloadablePictureKeepsPrevious();
    void truncatedJpegIsShown();

    void badFileDoesNotStopShow_data();
    void badFileDoesNotStopShow();
    void folderNamedLikePictureIsNoPicture();
    void removedFolderDoesNotStopShow_data();
    void removedFolderDoesNotStopShow();
    void folderWithoutLoadablePictureIsPassed();
};

void DisplayTest::fitAndCentre_data() {
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("windowWidth");
    QTest::addColumn<float>("windowHeight");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("fittedWidth");
    QTest::addColumn<float>("fittedHeight");

    // 640 x 480 pixels on a 1280 x 1024 screen: twice as large, the height left over shared.
    QTest::newRow("worked example")
        << 9600.f << 7200.f << 19200.f << 15360.f << 0.f << 480.f << 19200.f << 14400.f;
    QTest::newRow("tall") << 1500.f << 4500.f << 12000.f << 9000.f << 4500.f << 0.f << 3000.f
                          << 9000.f;
    QTest::newRow("wide") << 12000.f << 1500.f << 12000.f << 9000.f << 0.f << 3750.f << 12000.f
                          << 1500.f;
    QTest::newRow("small is enlarged")
        << 300.f << 150.f << 12000.f << 9000.f << 0.f << 1500.f << 12000.f << 6000.f;
    QTest::newRow("one pixel") << 15.f << 15.f << 12000.f << 9000.f << 1500.f << 0.f << 9000.f
                               << 9000.f;
    QTest::newRow("large is reduced")
        << 24000.f << 24000.f << 12000.f << 9000.f << 1500.f << 0.f << 9000.f << 9000.f;
    QTest::newRow("large and wide")
        << 48000.f << 6000.f << 12000.f << 9000.f << 0.f << 3750.f << 12000.f << 1500.f;
    QTest::newRow("window's proportions")
        << 4800.f << 3840.f << 19200.f << 15360.f << 0.f << 0.f << 19200.f << 15360.f;
    QTest::newRow("window's size")
        << 12000.f << 9000.f << 12000.f << 9000.f << 0.f << 0.f << 12000.f << 9000.f;
    QTest::newRow("half a twip of margin")
        << 15.f << 30.f << 105.f << 60.f << 37.5f << 0.f << 30.f << 60.f;
    QTest::newRow("portrait window")
        << 9000.f << 6000.f << 9000.f << 12000.f << 0.f << 3000.f << 9000.f << 6000.f;
}

void DisplayTest::fitAndCentre() {
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(float, windowWidth);
    QFETCH(float, windowHeight);
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(float, fittedWidth);
    QFETCH(float, fittedHeight);

    const show::Placement p = show::fitAndCentre(width, height, windowWidth, windowHeight);
    QCOMPARE(p.width, fittedWidth);
    QCOMPARE(p.height, fittedHeight);
    QCOMPARE(p.left, left);
    QCOMPARE(p.top, top);
}

void DisplayTest::naturalWidthAtHeight_data() {
    QTest::addColumn<float>("naturalWidth");
    QTest::addColumn<float>("naturalHeight");
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("expected");

    QTest::newRow("natural height") << 9600.f << 7200.f << 7200.f << 9600.f;
    QTest::newRow("one third") << 1000.f << 3000.f << 3000.f << 1000.f;
    QTest::newRow("twice the height") << 9600.f << 7200.f << 14400.f << 19200.f;
    QTest::newRow("tall") << 15.f << 45.f << 4500.f << 1500.f;
    QTest::newRow("square") << 300.f << 300.f << 150.f << 150.f;
}

void DisplayTest::naturalWidthAtHeight() {
    QFETCH(float, naturalWidth);
    QFETCH(float, naturalHeight);
    QFETCH(float, height);
    QFETCH(float, expected);
    QCOMPARE(show::naturalWidthAtHeight(naturalWidth, naturalHeight, height), expected);
}

void DisplayTest::pictureFitsWindow_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");

    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QTest::newRow("wide") << u"wide.jpg"_s << QSize(800, 100);
    QTest::newRow("tall") << u"tall.bmp"_s << QSize(100, 300);
    QTest::newRow("small") << u"small.gif"_s << QSize(20, 10);
    QTest::newRow("larger than the screen") << u"large.jpg"_s << QSize(1600, 1600);
    QTest::newRow("screen's proportions") << u"half.jpeg"_s << screen / 2;
    QTest::newRow("screen's size") << u"full.bmp"_s << screen;
}

void DisplayTest::pictureFitsWindow() {
    QFETCH(QString, name);
    QFETCH(QSize, size);

    Disc disc;
    disc.picture(u"P/"_s + name, size, Qt::green);
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    QCOMPARE(form->Width(), platform::Screen::Width());
    QCOMPARE(form->Height(), platform::Screen::Height());

    form->JumpTo(u"First"_s);
    QCOMPARE(form->image1.picture().naturalSize(), size);
    QVERIFY(nearColour(shownColour(*form), Qt::green));
    QVERIFY(form->image1.Visible());

    // The picture at its natural size in twips, scaled to fill the window in one direction
    // and centred in the other.
    const double windowWidth = form->Width();
    const double windowHeight = form->Height();
    const double w = size.width() * 15.0;
    const double h = size.height() * 15.0;
    const double s = std::min(windowWidth / w, windowHeight / h);
    const double tolerance = 0.01;  // twips: single precision on values of a few thousand
    const Geometry shown = geometryOf(form->image1);
    QVERIFY2(std::abs(shown.width - w * s) < tolerance, qPrintable(QString::number(shown.width)));
    QVERIFY2(std::abs(shown.height - h * s) < tolerance, qPrintable(QString::number(shown.height)));
    QVERIFY2(std::abs(shown.left - (windowWidth - w * s) / 2) < tolerance,
             qPrintable(QString::number(shown.left)));
    QVERIFY2(std::abs(shown.top - (windowHeight - h * s) / 2) < tolerance,
             qPrintable(QString::number(shown.top)));
}

void DisplayTest::samePictureSameGeometry() {
    Disc disc;
    disc.picture(u"P/a.jpg"_s, QSize(800, 100), Qt::red);
    disc.picture(u"P/b.bmp"_s, QSize(100, 300), Qt::green);
    disc.picture(u"P/c.gif"_s, QSize(20, 10), Qt::blue);
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);

    QList<Geometry> first;
    QList<QString> captions;
    for (int i = 0; i < 3; ++i) {
        form->JumpTo(i);
        first.append(geometryOf(form->image1));
        captions.append(form->lblInfo.Caption());
    }
    // The three shapes are placed differently.
    QVERIFY(first.at(0) != first.at(1));
    QVERIFY(first.at(1) != first.at(2));
    QVERIFY(first.at(0) != first.at(2));

    // Shown again, straight after itself or after the others, each lands where it did.
    for (const int i : {0, 0, 2, 1, 1, 0, 2, 2}) {
        form->JumpTo(i);
        QVERIFY2(geometryOf(form->image1) == first.at(i), qPrintable(QString::number(i)));
        QCOMPARE(form->lblInfo.Caption(), captions.at(i));
    }
}

void DisplayTest::unchangedSelectionIsShownAgain_data() {
    QTest::addColumn<int>("selected");
    QTest::addColumn<QVariant>("where");
    QTest::newRow("index out of range") << 0 << QVariant(5);
    QTest::newRow("negative index") << 1 << QVariant(-3);
    QTest::newRow("other word") << 0 << QVariant(u"Again"_s);
    QTest::newRow("First on the first") << 0 << QVariant(u"First"_s);
    QTest::newRow("Last on the last") << 1 << QVariant(u"Last"_s);
    QTest::newRow("its own index") << 1 << QVariant(1);
}

void DisplayTest::unchangedSelectionIsShownAgain() {
    QFETCH(int, selected);
    QFETCH(QVariant, where);

    Disc disc;
    disc.picture(u"P/a.bmp"_s, QSize(64, 48), Qt::red);
    disc.picture(u"P/b.bmp"_s, QSize(64, 48), Qt::red);
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    form->JumpTo(selected);
    QVERIFY(nearColour(shownColour(*form), Qt::red));

    // The file changes on the disc; showing the selection again shows it as it is now.
    const QString name = form->flbImageList.FileName();
    disc.picture(u"P/"_s + name, QSize(30, 90), Qt::blue);
    form->JumpTo(where);
    QCOMPARE(form->flbImageList.FileName(), name);
    QVERIFY(nearColour(shownColour(*form), Qt::blue));
    QCOMPARE(form->image1.picture().naturalSize(), QSize(30, 90));
}

void DisplayTest::caption_data() {
    QTest::addColumn<QByteArray>("imageList");  // null: no description file
    QTest::addColumn<QString>("caption");

    QTest::newRow("no description file") << QByteArray() << u"  a.jpg  "_s;
    QTest::newRow("described") << QByteArray("a.jpg,Harbour at dawn\n")
                               << u"  a.jpg  -  Harbour at dawn"_s;
    QTest::newRow("description holding a comma")
        << QByteArray("a.jpg,Harbour, at dawn\n") << u"  a.jpg  -  Harbour, at dawn"_s;
    QTest::newRow("among other lines")
        << QByteArray("b.jpg,Boats\na.jpg,Harbour\nc.jpg,Cliffs\n") << u"  a.jpg  -  Harbour"_s;
    QTest::newRow("CR LF lines") << QByteArray("a.jpg,Harbour\r\nb.jpg,Boats\r\n")
                                 << u"  a.jpg  -  Harbour"_s;
    QTest::newRow("only another picture described")
        << QByteArray("b.jpg,Boats\n") << u"  a.jpg  "_s;
    QTest::newRow("empty description file") << QByteArray("") << u"  a.jpg  "_s;
}

void DisplayTest::caption() {
    QFETCH(QByteArray, imageList);
    QFETCH(QString, caption);

    Disc disc;
    disc.picture(u"P/a.jpg"_s);
    disc.picture(u"P/b.jpg"_s);
    if (!imageList.isNull()) {
        disc.file(u"P/ImageList.txt"_s, imageList);
    }
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    form->JumpTo(u"First"_s);

    QCOMPARE(form->lblInfo.Caption(), caption);
    QVERIFY(form->lblInfo.Visible());
    QVERIFY(form->lblInfo.widget()->isVisible());
    QVERIFY(!form->lblInfo2.Visible());
    QCOMPARE(form->lblInfo.Top(), form->Height() - 500);
    // Centred: as much room on the left as on the right.
    const float right = form->Width() - (form->lblInfo.Left() + form->lblInfo.Width());
    QCOMPARE(form->lblInfo.Left(), right);
    QVERIFY(form->lblInfo.Width() > 0);
}

void DisplayTest::captionVisibility_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<bool>("captionShown");
    QTest::newRow("no settings") << QByteArray() << true;
    QTest::newRow("showtext=true") << QByteArray("showtext=true\n") << true;
    QTest::newRow("showtext=false") << QByteArray("showtext=false\n") << false;
    QTest::newRow("showtext=false among others")
        << QByteArray("delay=4\r\nshowtext=false\r\n") << false;
}

void DisplayTest::captionVisibility() {
    QFETCH(QByteArray, settings);
    QFETCH(bool, captionShown);

    Disc disc;
    disc.picture(u"P/a.jpg"_s);
    disc.picture(u"P/b.jpg"_s, QSize(48, 64));
    if (!settings.isNull()) {
        disc.settings(settings);
    }
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    // The key hint is up until the first picture comes.
    QVERIFY(form->lblInfo2.Visible());

    for (const QString& where : {u"First"_s, u"Next"_s, u"Next"_s}) {
        form->JumpTo(where);
        QCOMPARE(form->lblInfo.Visible(), captionShown);
        QCOMPARE(form->lblInfo.widget()->isVisible(), captionShown);
        QVERIFY(!form->lblInfo2.Visible());
        QVERIFY(!form->lblInfo2.widget()->isVisible());
        QVERIFY(form->image1.Visible());
    }
}

void DisplayTest::unloadablePictureKeepsPrevious_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("zero-byte jpg") << u"b.jpg"_s << QByteArray("");
    QTest::newRow("text named gif") << u"b.gif"_s << QByteArray("This is not a picture.\n");
    QTest::newRow("text named bmp") << u"b.bmp"_s << QByteArray("Not a bitmap either.\n");
    QTest::newRow("jpeg start only") << u"b.jpeg"_s << QByteArray("\xFF\xD8\xFF");
}

void DisplayTest::unloadablePictureKeepsPrevious() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);

    Disc disc;
    disc.picture(u"P/a.bmp"_s, QSize(64, 48), Qt::red);
    disc.file(u"P/"_s + name, bytes);
    disc.picture(u"P/c.bmp"_s, QSize(48, 96), Qt::blue);
    disc.file(u"P/ImageList.txt"_s, "a.bmp,Red\n" + name.toUtf8() + ",Broken\n");
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    QCOMPARE(form->flbImageList.ListCount(), 3);

    form->JumpTo(u"First"_s);
    QVERIFY(nearColour(shownColour(*form), Qt::red));
    const qint64 picture = form->image1.picture().image().cacheKey();
    const Geometry geometry = geometryOf(form->image1);
    const Geometry captionGeometry = geometryOf(form->lblInfo);
    QCOMPARE(form->lblInfo.Caption(), u"  a.bmp  -  Red"_s);

    form->JumpTo(u"Next"_s);
    QCOMPARE(lastParts(form->currentImagePath()), u"P/"_s + name);
    QCOMPARE(form->image1.picture().image().cacheKey(), picture);
    QCOMPARE(form->image1.picture().naturalSize(), QSize(64, 48));
    QVERIFY(geometryOf(form->image1) == geometry);
    QVERIFY(form->image1.Visible());
    QCOMPARE(form->lblInfo.Caption(), u"  a.bmp  -  Red"_s);
    QVERIFY(geometryOf(form->lblInfo) == captionGeometry);
    QVERIFY(form->lblInfo.Visible());

    // The next command shows the next picture; the failure keeps that one in turn.
    form->JumpTo(u"Next"_s);
    QVERIFY(nearColour(shownColour(*form), Qt::blue));
    QCOMPARE(form->lblInfo.Caption(), u"  c.bmp  "_s);
    form->JumpTo(u"Prev"_s);
    QCOMPARE(lastParts(form->currentImagePath()), u"P/"_s + name);
    QVERIFY(nearColour(shownColour(*form), Qt::blue));
    QCOMPARE(form->lblInfo.Caption(), u"  c.bmp  "_s);
}

void DisplayTest::truncatedJpegIsShown() {
    Disc disc;
    disc.picture(u"P/a.bmp"_s, QSize(64, 48), Qt::red);
    const QByteArray cut = truncatedJpeg(disc, QSize(120, 160), Qt::blue);
    QVERIFY(!cut.isEmpty());
    disc.file(u"P/b.jpg"_s, cut);
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);

    form->JumpTo(u"First"_s);
    QVERIFY(nearColour(shownColour(*form), Qt::red));
    const Geometry before = geometryOf(form->image1);
    form->JumpTo(u"Next"_s);
    QCOMPARE(lastParts(form->currentImagePath()), u"P/b.jpg"_s);
    QCOMPARE(form->image1.picture().naturalSize(), QSize(120, 160));
    // The part before the cut is there.
    QVERIFY(nearColour(form->image1.picture().image().pixelColor(0, 0), Qt::blue));
    QVERIFY(geometryOf(form->image1) != before);
    QCOMPARE(form->lblInfo.Caption(), u"  b.jpg  "_s);
}

void DisplayTest::badFileDoesNotStopShow_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // null: a truncated JPEG
    QTest::newRow("zero-byte jpg") << u"m.jpg"_s << QByteArray("");
    QTest::newRow("zero-byte jpg first") << u"0.jpg"_s << QByteArray("");
    QTest::newRow("truncated jpeg") << u"m.jpg"_s << QByteArray();
    QTest::newRow("text named gif") << u"x.gif"_s << QByteArray("GIF? No, text.\n");
}

void DisplayTest::badFileDoesNotStopShow() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);

    Disc disc;
    disc.picture(u"P/a.bmp"_s, QSize(64, 48), Qt::red);
    disc.file(u"P/"_s + name,
              bytes.isNull() ? truncatedJpeg(disc, QSize(64, 64), Qt::green) : bytes);
    disc.picture(u"P/z.bmp"_s, QSize(48, 64), Qt::blue);
    disc.settings("delay=0.05\n");
    // The good pictures load, or there is nothing to wait for.
    QVERIFY(!platform::LoadPicture(disc.abs(u"P/a.bmp"_s)).isNull());
    Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    QCOMPARE(form->flbImageList.ListCount(), 3);

    // The ticks carry the show past the bad file, round and round.
    for (const QColor colour : {Qt::blue, Qt::red, Qt::blue, Qt::red}) {
        QTRY_VERIFY_WITH_TIMEOUT(nearColour(shownColour(*form), colour), kTickTimeout);
    }
    QVERIFY(form->Timer1.isTicking());
    QVERIFY(!session.ended);
    QVERIFY(session.messages.isEmpty());
}

void DisplayTest::folderNamedLikePictureIsNoPicture() {
    Disc disc;
    disc.picture(u"P/a.bmp"_s, QSize(64, 48), Qt::red);
    disc.picture(u"P/m.jpg/inside.bmp"_s, QSize(64, 48), Qt::green);
    disc.picture(u"P/z.bmp"_s, QSize(48, 64), Qt::blue);
    // A folder whose only "picture" is a folder holds no picture.
    disc.picture(u"Q/x.jpg/inside.bmp"_s, QSize(64, 48), Qt::green);
    disc.settings("delay=0.05\n");
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    QCOMPARE(form->lbDirs.ListCount(), 1);
    QCOMPARE(lastParts(form->lbDirs.List(0), 1), u"P"_s);
    QCOMPARE(form->flbImageList.ListCount(), 2);

    QStringList shown;
    for (const QColor colour : {Qt::red, Qt::blue, Qt::red, Qt::blue}) {
        form->JumpTo(u"Next"_s);
        shown.append(lastParts(form->currentImagePath()));
        QVERIFY(nearColour(shownColour(*form), colour));
    }
    QCOMPARE(shown, (QStringList{u"P/a.bmp"_s, u"P/z.bmp"_s, u"P/a.bmp"_s, u"P/z.bmp"_s}));

    form->ShowStartStop();
    for (const QColor colour : {Qt::red, Qt::blue, Qt::red}) {
        QTRY_VERIFY_WITH_TIMEOUT(nearColour(shownColour(*form), colour), kTickTimeout);
    }
}

void DisplayTest::removedFolderDoesNotStopShow_data() {
    QTest::addColumn<QString>("removed");
    QTest::addColumn<QList<QColor>>("colours");  // shown in this order after the removal
    QTest::newRow("the folder being shown")
        << u"A"_s << QList<QColor>{Qt::green, Qt::blue, Qt::green, Qt::blue};
    QTest::newRow("the next folder")
        << u"B"_s << QList<QColor>{Qt::blue, Qt::red, Qt::blue, Qt::red};
}

void DisplayTest::removedFolderDoesNotStopShow() {
    QFETCH(QString, removed);
    QFETCH(QList<QColor>, colours);

    Disc disc;
    disc.picture(u"A/a1.bmp"_s, QSize(64, 48), Qt::red);
    disc.picture(u"A/a2.bmp"_s, QSize(64, 48), Qt::red);
    disc.picture(u"B/b1.bmp"_s, QSize(64, 48), Qt::green);
    disc.picture(u"B/b2.bmp"_s, QSize(64, 48), Qt::green);
    disc.picture(u"C/c1.bmp"_s, QSize(64, 48), Qt::blue);
    disc.settings("delay=0.05\n");
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    form->JumpTo(u"Next"_s);
    QVERIFY(nearColour(shownColour(*form), Qt::red));

    QVERIFY(QDir(disc.abs(removed)).removeRecursively());
    form->ShowStartStop();
    for (const QColor& colour : colours) {
        QTRY_VERIFY_WITH_TIMEOUT(nearColour(shownColour(*form), colour), kTickTimeout);
    }
    QVERIFY(form->Timer1.isTicking());
    QVERIFY(!session.ended);
}

void DisplayTest::folderWithoutLoadablePictureIsPassed() {
    Disc disc;
    disc.picture(u"A/a.bmp"_s, QSize(64, 48), Qt::red);
    disc.file(u"B/x.jpg"_s, "");
    disc.file(u"B/y.gif"_s, "text\n");
    disc.file(u"B/z.bmp"_s, "BM and nothing of a bitmap");
    disc.picture(u"C/c.bmp"_s, QSize(48, 64), Qt::blue);
    disc.settings("delay=0.05\n");
    Session session(disc);
    MainForm* form = startStill(session);
    QVERIFY(form);
    QCOMPARE(form->lbDirs.ListCount(), 3);

    form->JumpTo(u"Next"_s);
    QVERIFY(nearColour(shownColour(*form), Qt::red));
    const QString caption = form->lblInfo.Caption();
    for (const QString& name : {u"B/x.jpg"_s, u"B/y.gif"_s, u"B/z.bmp"_s}) {
        form->JumpTo(u"Next"_s);
        QCOMPARE(lastParts(form->currentImagePath()), name);
        QVERIFY(nearColour(shownColour(*form), Qt::red));
        QCOMPARE(form->lblInfo.Caption(), caption);
    }
    form->JumpTo(u"Next"_s);
    QCOMPARE(lastParts(form->currentImagePath()), u"C/c.bmp"_s);
    QVERIFY(nearColour(shownColour(*form), Qt::blue));

    // The ticks go round the folders, past B each time.
    form->ShowStartStop();
    for (const QColor colour : {Qt::red, Qt::blue, Qt::red, Qt::blue}) {
        QTRY_VERIFY_WITH_TIMEOUT(nearColour(shownColour(*form), colour), kTickTimeout);
    }
    QVERIFY(form->Timer1.isTicking());
}

QTEST_MAIN(DisplayTest)
#include "display_test.moc"
