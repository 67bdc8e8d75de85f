// Showing the pictures: the fitting arithmetic, the picture's place in the window, the caption
// line, and pictures or folders that cannot be shown.
#include <QtTest>

#include <cmath>
#include <filesystem>

#include "show/DecodeAhead.h"
#include "show/Fit.h"
#include "show/MainForm.h"
#include "testsupport.h"

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;
using testsupport::Disc;
using testsupport::lastParts;
using testsupport::nearColour;
using testsupport::Session;

namespace {

constexpr int kTick = 10000;  // generous: a loaded machine may be slow

// The show on a disc of test entries (see testsupport::Show).
struct Show : testsupport::Show {
    using testsupport::Show::Show;
    // Whether the picture shown is near `colour` at its top left (a cut JPEG keeps its top).
    bool shows(const QColor& colour) const {
        const QImage& image = form->image1.picture().image();
        return !image.isNull() && nearColour(image.pixelColor(0, 0), colour);
    }
};

QRectF geometryOf(const platform::Control& control) {
    return {control.Left(), control.Top(), control.Width(), control.Height()};
}

}  // namespace

class DisplayTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fit_data();
    void fit();
    void pictureFitsWindow();
    void caption_data();
    void caption();
    void failedLoadKeepsPrevious_data();
    void failedLoadKeepsPrevious();
    void unreadablePictureKeepsPrevious();
    void badInputNeverStopsShow_data();
    void badInputNeverStopsShow();
    void namesInWindows1252_data();
    void namesInWindows1252();
};

void DisplayTest::fit_data() {
    QTest::addColumn<QSizeF>("picture");  // twips, as are the others
    QTest::addColumn<QSizeF>("window");
    QTest::addColumn<QRectF>("expected");
    const auto row = [](const char* name, QSizeF picture, QSizeF window, QRectF expected) {
        QTest::newRow(name) << picture << window << expected;
    };
    // 640 x 480 pixels on 1280 x 1024: twice as large, the height left over shared.
    row("worked example", {9600, 7200}, {19200, 15360}, {0, 480, 19200, 14400});
    row("tall", {1500, 4500}, {12000, 9000}, {4500, 0, 3000, 9000});
    row("wide", {12000, 1500}, {12000, 9000}, {0, 3750, 12000, 1500});
    row("small is enlarged", {300, 150}, {12000, 9000}, {0, 1500, 12000, 6000});
    row("large is reduced", {24000, 24000}, {12000, 9000}, {1500, 0, 9000, 9000});
    row("exact", {12000, 9000}, {12000, 9000}, {0, 0, 12000, 9000});
    row("half a twip of margin", {15, 30}, {105, 60}, {37.5, 0, 30, 60});
    row("portrait window", {9000, 6000}, {9000, 12000}, {0, 3000, 9000, 6000});
}

void DisplayTest::fit() {
    QFETCH(QSizeF, picture);
    QFETCH(QSizeF, window);
    QFETCH(QRectF, expected);
    const auto w = float(picture.width());
    const auto h = float(picture.height());
    const show::Placement p =
        show::fitAndCentre(w, h, float(window.width()), float(window.height()));
    QCOMPARE(QRectF(p.left, p.top, p.width, p.height), expected);
    // The width at the fitted height keeps the picture's proportions.
    QCOMPARE(show::naturalWidthAtHeight(w, h, p.height), p.width);
}

void DisplayTest::pictureFitsWindow() {
    const QList<QSize> sizes = {{1600, 1600}, {20, 10}, {100, 300}, {800, 100}};
    Disc disc;
    for (int i = 0; i < sizes.size(); ++i) {
        disc.picture(u"P/%1.jpg"_s.arg(i), sizes[i]);
    }
    Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    form->Timer1.setEnabled(false);
    const double windowWidth = form->Width();
    const double windowHeight = form->Height();

    QList<QRectF> placed;
    for (int i = 0; i < sizes.size(); ++i) {
        form->JumpTo(i);
        QCOMPARE(form->image1.picture().naturalSize(), sizes[i]);
        // Natural size in twips, scaled to fill the window one way and centred the other.
        const double w = sizes[i].width() * 15.0;
        const double h = sizes[i].height() * 15.0;
        const double s = std::min(windowWidth / w, windowHeight / h);
        const QRectF at = geometryOf(form->image1);
        QVERIFY2(std::abs(at.left() - (windowWidth - w * s) / 2) < 0.01 &&
                     std::abs(at.top() - (windowHeight - h * s) / 2) < 0.01 &&
                     std::abs(at.width() - w * s) < 0.01 && std::abs(at.height() - h * s) < 0.01,
                 qPrintable(QString::number(i)));
        placed.append(at);
    }
    // Shown again, after itself or after others, each lands where it did.
    for (const int i : {0, 0, 3, 1, 1, 2, 0}) {
        form->JumpTo(i);
        QCOMPARE(geometryOf(form->image1), placed[i]);
    }
}

void DisplayTest::caption_data() {
    QTest::addColumn<QStringList>("files");  // description and settings files
    QTest::addColumn<QString>("caption");    // empty: hidden
    QTest::newRow("no description file") << QStringList() << u"  a.jpg  "_s;
    QTest::newRow("described among others")
        << QStringList{u"P/ImageList.txt=b.jpg,Boats\r\na.jpg,Harbour, at dawn\r\n"_s,
                       u"autorun.inf=showtext=true\n"_s}
        << u"  a.jpg  -  Harbour, at dawn"_s;
    QTest::newRow("only another described")
        << QStringList{u"P/ImageList.txt=b.jpg,Boats\n"_s} << u"  a.jpg  "_s;
    QTest::newRow("showtext=false") << QStringList{u"P/ImageList.txt=a.jpg,Harbour\n"_s,
                                                   u"autorun.inf=delay=4\nshowtext=false\n"_s}
                                    << QString();
}

void DisplayTest::caption() {
    QFETCH(QStringList, files);
    QFETCH(QString, caption);
    const Show show(QStringList{u"P/a.jpg:red"_s, u"P/b.jpg:blue"_s} + files);
    MainForm* form = show.form;
    QVERIFY(form);
    QVERIFY(form->lblInfo2.Visible());  // the key hint, until the first picture
    form->JumpTo(u"First"_s);
    QVERIFY(!form->lblInfo2.Visible());
    QVERIFY(form->image1.Visible());
    QCOMPARE(form->lblInfo.widget()->isVisible(), !caption.isEmpty());
    if (!caption.isEmpty()) {
        QCOMPARE(form->lblInfo.Caption(), caption);
        QCOMPARE(form->lblInfo.Top(), form->Height() - 500);
        const float right = form->Width() - (form->lblInfo.Left() + form->lblInfo.Width());
        QCOMPARE(form->lblInfo.Left(), right);
    }
}

void DisplayTest::failedLoadKeepsPrevious_data() {
    QTest::addColumn<QString>("bad");
    QTest::newRow("zero-byte jpg") << u"b.jpg="_s;
    QTest::newRow("text named gif") << u"b.gif=not a picture"_s;
}

void DisplayTest::failedLoadKeepsPrevious() {
    QFETCH(QString, bad);
    const QString name = bad.section(u'=', 0, 0);
    const Show show({u"P/a.bmp:red"_s, u"P/"_s + bad, u"P/c.bmp:blue"_s,
                     u"P/ImageList.txt=a.bmp,Red\n"_s + name + u",Broken\n"_s});
    MainForm* form = show.form;
    QVERIFY(form);
    form->JumpTo(u"First"_s);
    QVERIFY(show.shows(Qt::red));
    const qint64 picture = form->image1.picture().image().cacheKey();
    const QRectF geometry = geometryOf(form->image1);

    form->JumpTo(u"Next"_s);
    QCOMPARE(lastParts(form->currentImagePath()), u"P/"_s + name);
    QCOMPARE(form->image1.picture().image().cacheKey(), picture);
    QCOMPARE(geometryOf(form->image1), geometry);
    QVERIFY(form->image1.Visible());
    QCOMPARE(form->lblInfo.Caption(), u"  a.bmp  -  Red"_s);
    QVERIFY(form->lblInfo.Visible());
    // The failure keeps whichever picture came before it.
    form->JumpTo(u"Next"_s);
    form->JumpTo(u"Prev"_s);
    QCOMPARE(lastParts(form->currentImagePath()), u"P/"_s + name);
    QVERIFY(show.shows(Qt::blue));
    QCOMPARE(form->lblInfo.Caption(), u"  c.bmp  "_s);
}

void DisplayTest::unreadablePictureKeepsPrevious() {
    const Show show({u"P/a.bmp:red"_s, u"P/b.bmp:blue"_s});
    const auto open = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                      QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(show.disc.path(), open));
    QVERIFY(QFile::setPermissions(show.disc.abs(u"P"_s), open));
    QVERIFY(QFile::setPermissions(show.disc.abs(u"P/b.bmp"_s), QFileDevice::Permissions()));
    show.form->JumpTo(u"First"_s);
    QVERIFY(show.shows(Qt::red));
    {
        // Tests may run as root, who reads every file: act as an ordinary user.
        const testsupport::UnprivilegedScope user;
        QFile probe(show.disc.abs(u"P/b.bmp"_s));
        if (probe.open(QIODevice::ReadOnly)) {
            QSKIP("this user reads files whatever their permissions");
        }
        show.form->JumpTo(u"Next"_s);
    }
    QCOMPARE(lastParts(show.form->currentImagePath()), u"P/b.bmp"_s);
    QVERIFY(show.shows(Qt::red));
}

void DisplayTest::badInputNeverStopsShow_data() {
    QTest::addColumn<QString>("entries");  // separated by blanks
    QTest::addColumn<QString>("removed");  // a folder removed once the show runs
    QTest::addColumn<QString>("colours");  // come in this order, with real ticks
    QTest::newRow("bad files")
        << u"A/a.bmp:red A/b.jpg= A/m.jpg:cut A/x.gif=text A/x.jpg/in.bmp:red A/z.bmp:blue "
           u"B/x.jpg= B/y.gif=text B/z.bmp=BM C/c.bmp:yellow"_s
        << QString() << u"red green blue yellow red"_s;
    QTest::newRow("folder removed")
        << u"A/a1.bmp:red A/a2.bmp:red B/b1.bmp:green B/b2.bmp:green C/c1.bmp:blue"_s << u"A"_s
        << u"green blue green blue"_s;
}

void DisplayTest::badInputNeverStopsShow() {
    QFETCH(QString, entries);
    QFETCH(QString, removed);
    QFETCH(QString, colours);
    const Show show(entries.split(u' ') + QStringList{u"autorun.inf=delay=0.1"_s}, {}, true);
    QVERIFY(show.form);
    QCOMPARE(show.form->lbDirs.ListCount(), 3);
    if (!removed.isEmpty()) {
        QVERIFY(QDir(show.disc.abs(removed)).removeRecursively());
    }
    for (const QString& colour : colours.split(u' ')) {
        QTRY_VERIFY2_WITH_TIMEOUT(show.shows(QColor(colour)), qPrintable(colour), kTick);
    }
    QVERIFY(show.form->Timer1.isTicking());
    QVERIFY(!show.session.ended);
    QVERIFY(show.session.messages.isEmpty());
}

void DisplayTest::namesInWindows1252_data() {
    QTest::addColumn<QByteArray>("discFolder");  // its bytes on disk
    QTest::addColumn<QString>("discName");       // as read
    QTest::newRow("disc folder in ASCII") << QByteArray("Disc") << u"Disc"_s;
    QTest::newRow("disc folder in Windows-1252")
        << QByteArray("Sch\xF6n \x80") << u"Sch\u00F6n \u20AC"_s;
}

void DisplayTest::namesInWindows1252() {
#ifndef Q_OS_UNIX
    QSKIP("names are text on this system");
#else
    QFETCH(QByteArray, discFolder);
    QFETCH(QString, discName);
    // Names copied from an old Windows disc: bytes that are not UTF-8, Windows-1252 text.
    Disc outer;
    Session session(outer);
    const auto cleanUp = qScopeGuard([&] {
        std::filesystem::remove_all(outer.path().toStdString() + '/' + discFolder.toStdString());
    });
    const QByteArray folder = discFolder + "/Fotos_caf\xE9/";
    QVERIFY(::mkdir(discFolder.constData(), 0755) == 0 && ::mkdir(folder.constData(), 0755) == 0);
    const auto put = [](const QByteArray& path, const QByteArray& bytes) {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        const bool written = fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) ==
                                            ssize_t(bytes.size());
        return ::close(fd) == 0 && written;
    };
    const auto picture = [](QColor colour) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(colour);
        return testsupport::encode(image, "jpeg");
    };
    QVERIFY(put(discFolder + "/lumosa", "program file"));
    QVERIFY(put(folder + "b.jpg", picture(Qt::blue)));
    QVERIFY(put(folder + "caf\xE9.jpg", picture(Qt::red)));
    QVERIFY(put(folder + "\x80uro.jpg", picture(Qt::green)));  // € sorts after É as text
    QVERIFY(put(folder + "\xC9t\xE9.jpg", picture(Qt::green)));
    QVERIFY(put(folder + "ImageList.txt", "CAF\xC9.JPG,Kaffee \x80 2\r\n"));
    QVERIFY(::chdir(discFolder.constData()) == 0);

    MainForm* form = session.start();
    QVERIFY(form);
    form->Timer1.setEnabled(false);
    QCOMPARE(session.messages, QStringList());
    QCOMPARE(form->lbDirs.ListCount(), 1);
    QCOMPARE(lastParts(form->lbDirs.List(0)), discName + u"/Fotos_caf\u00E9"_s);
    QStringList names;
    for (int i = 0; i < form->flbImageList.ListCount(); ++i) {
        names.append(form->flbImageList.List(i));
    }
    QCOMPARE(names, (QStringList{u"b.jpg"_s, u"caf\u00E9.jpg"_s, u"\u00C9t\u00E9.jpg"_s,
                                 u"\u20ACuro.jpg"_s}));
    form->JumpTo(u"First"_s);
    form->JumpTo(u"Next"_s);
    QVERIFY(nearColour(form->image1.picture().image().pixelColor(0, 0), Qt::red));
    QCOMPARE(form->lblInfo.Caption(), u"  caf\u00E9.jpg  -  Kaffee \u20AC 2"_s);
    QVERIFY(show::FileStamp::of(form->currentImagePath()).size > 0);
#endif
}

QTEST_MAIN(DisplayTest)
#include "display_test.moc"
