// A disc made by scripts/make-disc starts through its launcher with the system's Qt hidden (in a
// mount namespace of its own) and loads the disc's libraries; a damaged bundle gives one line and
// a failure; its image keeps run bits and long names and lays the bundle out first, in the order
// the launcher reads it, and the show starts from a copy of the image through autorun.sh.
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using e2e::XSession;
using namespace Qt::StringLiterals;

namespace {

// Runs the rest of the command line with the system's Qt hidden.
const QString kHideQt = QStringLiteral(
    "for lib in /usr/lib/libQt6*.so* /usr/lib64/libQt6*.so* /usr/lib/*-linux-gnu/libQt6*.so*; do"
    "  if [ -f \"$lib\" ] && [ ! -L \"$lib\" ]; then mount --bind /dev/null \"$lib\" || exit 3; fi;"
    "done;"
    "for dir in /usr/lib/qt6 /usr/lib/*-linux-gnu/qt6 /usr/lib64/qt6; do"
    "  if [ -d \"$dir\" ]; then mount -t tmpfs none \"$dir\" || exit 3; fi;"
    "done;"
    "exec \"$@\"");

QStringList hidden(const QStringList& command) {
    return QStringList{u"--mount"_s, u"--map-root-user"_s, u"sh"_s, u"-c"_s,
                       kHideQt,      u"hide-qt"_s} +
           command;
}

}  // namespace

class DiscTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithoutSystemQt();
};

void DiscTest::startsWithoutSystemQt() {
    // The control: with the system's Qt hidden, the program built against it cannot start.
    QProcess control;
    control.start(u"unshare"_s, hidden({QStringLiteral(LUMOSA_PROGRAM)}));
    QVERIFY(control.waitForFinished());
    if (control.exitCode() == 1) {
        QSKIP("no user namespaces here: the system's Qt cannot be hidden");
    }
    QCOMPARE(control.exitCode(), 127);

    testsupport::Disc pictures;
    pictures.picture(u"Beach/1.jpg"_s, QSize(64, 48), Qt::red);
    pictures.picture(u"Beach/2.gif"_s, QSize(64, 48), Qt::green);
    // Longer than the names of plain ISO 9660 and of Joliet without its long names, with blanks.
    const QString longName =
        u"3 a picture whose name is longer than sixty-four characters, blanks too.jpg"_s;
    pictures.picture(u"Beach/"_s + longName, QSize(64, 48), Qt::blue);
    QTemporaryDir work;
    const QString disc = work.filePath(u"MyDisc"_s);
    const QString image = work.filePath(u"MyDisc.iso"_s);
    QProcess make;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LUMOSA_BUILD_DIR"_s, QStringLiteral(LUMOSA_BUILD_DIR));
    make.setProcessEnvironment(environment);
    make.setProcessChannelMode(QProcess::MergedChannels);
    make.start(QStringLiteral(LUMOSA_SOURCE_DIR "/scripts/make-disc"),
               {u"--iso"_s, image, disc, pictures.abs(u"Beach"_s)});
    QVERIFY(make.waitForFinished(300000));
    QVERIFY2(make.exitCode() == 0, make.readAll().constData());

    // The C library is left to the machine.
    QVERIFY(!QFile::exists(disc + u"/_lumosa/libc.so.6"_s));

    XSession x(QSize(1024, 768), true);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    x.startProgram(u"unshare"_s, disc, hidden({u"./lumosa"_s}));
    QVERIFY(!x.waitForWindow(u"^Lumosa$"_s).isEmpty());
    // The JPEG, then the GIF: both readers came from the disc.
    QCOMPARE(x.watch({Qt::red, Qt::green}, 2), (QList<int>{0, 1}));

    QFile maps(u"/proc/%1/maps"_s.arg(x.program().processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QString loaded = QString::fromLocal8Bit(maps.readAll());
    for (const char* file :
         {"/_lumosa/libQt6Core.so.6", "/_lumosa/libQt6Gui.so.6",
          "/_lumosa/plugins/platforms/libqxcb.so", "/_lumosa/plugins/imageformats/libqjpeg.so"}) {
        QVERIFY2(loaded.contains(disc + QLatin1String(file)), file);
    }
    QVERIFY(!loaded.contains(QRegularExpression(u"/usr/lib/.*libQt6"_s)));
    // The launcher gave way to the program itself, in the same process.
    QCOMPARE(QFileInfo(u"/proc/%1/exe"_s.arg(x.program().processId())).symLinkTarget(),
             disc + u"/_lumosa/lumosa"_s);
    x.stopProgram();

    // Readable by all, runnable where it was, on the image. Listing lines end "... '/lumosa'".
    const QRegularExpression line(u"^(\\S{10}) .* '(/[^']*)'$"_s,
                                  QRegularExpression::MultilineOption);
    QMap<QString, QString> modes;
    for (const QRegularExpressionMatch& match : line.globalMatch(x.run(
             u"xorriso"_s, {u"-indev"_s, image, u"-find"_s, u"/"_s, u"-exec"_s, u"lsdl"_s}))) {
        modes.insert(match.captured(2), match.captured(1));
    }
    QCOMPARE(modes.value(u"/lumosa"_s), u"-r-xr-xr-x"_s);
    QCOMPARE(modes.value(u"/autorun.sh"_s), u"-r-xr-xr-x"_s);
    QCOMPARE(modes.value(u"/Beach/1.jpg"_s), u"-r--r--r--"_s);
    QCOMPARE(modes.value(u"/_lumosa"_s), u"dr-xr-xr-x"_s);
    // Systems without Rock Ridge read the Joliet names, long ones too.
    QVERIFY(x.run(u"xorriso"_s,
                  {u"-read_fs"_s, u"norock"_s, u"-indev"_s, image, u"-find"_s, u"/Beach"_s})
                .contains(u"/Beach/"_s + longName));

    // The launcher, then the bundle's files in the order it reads them, then the pictures.
    // Lines read "File data lba:  0 ,  START ,  BLOCKS ,  SIZE , '/path'".
    QMap<QString, qint64> starts;
    const QRegularExpression lba(u"^File data lba: +\\d+ , +(\\d+) ,.*'(/[^']*)'$"_s,
                                 QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch& match :
         lba.globalMatch(x.run(u"xorriso"_s, {u"-indev"_s, image, u"-find"_s, u"/"_s, u"-exec"_s,
                                              u"report_lba"_s}))) {
        starts.insert(match.captured(2), match.captured(1).toLongLong());
    }
    QFile order(disc + u"/_lumosa/load-order"_s);
    QVERIFY(order.open(QIODevice::ReadOnly));
    const QStringList ranges = QString::fromUtf8(order.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(ranges.size() > 50);
    QVERIFY(ranges.first().endsWith(u" lumosa"_s));
    qint64 previous = starts.value(u"/lumosa"_s);
    for (const QString& range : ranges) {
        const QString file = u"/_lumosa/"_s + range.section(u' ', 2);
        QVERIFY2(starts.contains(file) && starts.value(file) >= previous, qPrintable(file));
        previous = starts.value(file);
    }
    QVERIFY(starts.value(u"/Beach/1.jpg"_s) > previous);
    // Only what a start touches, watched when the disc was made: Qt's widgets library from its
    // header on, but not all of it.
    qint64 widgets = 0;
    for (const QString& range : ranges.filter(u" libQt6Widgets.so"_s)) {
        widgets += range.section(u' ', 1, 1).toLongLong();
    }
    QVERIFY(ranges.filter(QRegularExpression(u"^0 \\d+ libQt6Widgets\\.so"_s)).size() == 1);
    QVERIFY(widgets > 0 && widgets < QFileInfo(disc + u"/_lumosa/libQt6Widgets.so.6"_s).size());

    // The image's tree, as a mounted disc shows it, in a folder with blanks in its path.
    const QString copy = work.filePath(u"copy of the disc"_s);
    QVERIFY(!x.run(u"xorriso"_s,
                   {u"-osirrox"_s, u"on"_s, u"-indev"_s, image, u"-extract"_s, u"/"_s, copy},
                   120000)
                 .isNull());
    // Read-only like the disc: writable again, so that it can be removed.
    const auto writable = qScopeGuard([&] {
        QProcess::execute(u"chmod"_s, {u"-R"_s, u"u+w"_s, copy});
    });
    // Through autorun.sh, by a relative path with blanks from another folder.
    x.startProgram(u"unshare"_s, work.path(), hidden({u"copy of the disc/autorun.sh"_s}));
    QCOMPARE(x.watch({Qt::blue}, 1), QList<int>{0});
    x.stopProgram();

    // A damaged bundle: one line naming the file, a failure, and no wait.
    const auto failsWith = [&](const QString& message) {
        QProcess damaged;
        damaged.start(disc + u"/lumosa"_s);
        return damaged.waitForFinished(10000) && damaged.exitCode() == 1 &&
               QString::fromLocal8Bit(damaged.readAllStandardError()) ==
                   u"lumosa: cannot start, the disc is damaged: _lumosa/"_s + message + u'\n';
    };
    const QString gui = QFileInfo(disc + u"/_lumosa/libQt6Gui.so.6"_s).canonicalFilePath();
    const QString name = QFileInfo(gui).fileName();
    QVERIFY(QFile::rename(gui, gui + u".whole"_s));
    QVERIFY(QFile::copy(gui + u".whole"_s, gui) && QFile::resize(gui, 4096));
    QVERIFY(failsWith(name + u" is shorter than it should be"_s));
    QVERIFY(QFile::remove(gui) && QFile::rename(gui + u".whole"_s, gui));
    QVERIFY(QFile::remove(disc + u"/_lumosa/plugins/imageformats/libqjpeg.so"_s));
    QVERIFY(failsWith(u"plugins/imageformats/libqjpeg.so is missing"_s));
}

LUMOSA_TEST(DiscTest)
#include "disc_test.moc"
