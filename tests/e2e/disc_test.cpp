// A disc made by scripts/make-disc starts through its launcher and loads the disc's libraries; a
// damaged bundle gives one line, a window and a failure; its image keeps run bits and long names
// and lays the bundle out first, in the order the launcher reads it, and the show starts from a
// copy of the image through autorun.sh. It starts in root file systems of older and newer Debian
// releases, which hold nothing of Qt, or says why it cannot; what its files need of the C
// library, the bundle holds.
#include <QDir>
#include <QDirIterator>
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

class DiscTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void startsFromTheDisc();
    void startsOnOtherSystems_data();
    void startsOnOtherSystems();
    void bundleMeetsItsOwnNeeds();

private:
    QTemporaryDir work_;
    QString disc_;
    QString image_;
    QString longName_;
};

void DiscTest::initTestCase() {
    testsupport::Disc pictures;
    pictures.picture(u"Beach/1.jpg"_s, QSize(64, 48), Qt::red);
    pictures.picture(u"Beach/2.gif"_s, QSize(64, 48), Qt::green);
    // Longer than the names of plain ISO 9660 and of Joliet without its long names, with blanks.
    longName_ = u"3 a picture whose name is longer than sixty-four characters, blanks too.jpg"_s;
    pictures.picture(u"Beach/"_s + longName_, QSize(64, 48), Qt::blue);
    disc_ = work_.filePath(u"MyDisc"_s);
    image_ = work_.filePath(u"MyDisc.iso"_s);
    QProcess make;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LUMOSA_BUILD_DIR"_s, QStringLiteral(LUMOSA_BUILD_DIR));
    make.setProcessEnvironment(environment);
    make.setProcessChannelMode(QProcess::MergedChannels);
    make.start(QStringLiteral(LUMOSA_SOURCE_DIR "/scripts/make-disc"),
               {u"--iso"_s, image_, disc_, pictures.abs(u"Beach"_s)});
    QVERIFY(make.waitForFinished(300000));
    QVERIFY2(make.exitCode() == 0, make.readAll().constData());
}

void DiscTest::startsFromTheDisc() {
    QTemporaryDir work;

    // The disc's C library lies off the program's search path: the machine's loader, when it
    // serves, must never meet it.
    QVERIFY(!QFile::exists(disc_ + u"/_lumosa/libc.so.6"_s));

    XSession x(QSize(1024, 768), true);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    x.startProgram(disc_ + u"/lumosa"_s, disc_);
    QVERIFY(!x.waitForWindow(u"^Lumosa$"_s).isEmpty());
    // The JPEG, then the GIF: both readers came from the disc.
    QCOMPARE(x.watch({Qt::red, Qt::green}, 2), (QList<int>{0, 1}));

    QFile maps(u"/proc/%1/maps"_s.arg(x.program().processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QString loaded = QString::fromLocal8Bit(maps.readAll());
    for (const char* file :
         {"/_lumosa/libQt6Core.so.6", "/_lumosa/libQt6Gui.so.6",
          "/_lumosa/plugins/platforms/libqxcb.so", "/_lumosa/plugins/imageformats/libqjpeg.so"}) {
        QVERIFY2(loaded.contains(disc_ + QLatin1String(file)), file);
    }
    QVERIFY(!loaded.contains(QRegularExpression(u"/usr/lib/.*libQt6"_s)));
    // The launcher gave way to the program itself, in the same process.
    QCOMPARE(QFileInfo(u"/proc/%1/exe"_s.arg(x.program().processId())).symLinkTarget(),
             disc_ + u"/_lumosa/lumosa"_s);
    x.stopProgram();

    // Readable by all, runnable where it was, on the image. Listing lines end "... '/lumosa'".
    const QRegularExpression line(u"^(\\S{10}) .* '(/[^']*)'$"_s,
                                  QRegularExpression::MultilineOption);
    QMap<QString, QString> modes;
    for (const QRegularExpressionMatch& match : line.globalMatch(x.run(
             u"xorriso"_s, {u"-indev"_s, image_, u"-find"_s, u"/"_s, u"-exec"_s, u"lsdl"_s}))) {
        modes.insert(match.captured(2), match.captured(1));
    }
    QCOMPARE(modes.value(u"/lumosa"_s), u"-r-xr-xr-x"_s);
    QCOMPARE(modes.value(u"/autorun.sh"_s), u"-r-xr-xr-x"_s);
    QCOMPARE(modes.value(u"/Beach/1.jpg"_s), u"-r--r--r--"_s);
    QCOMPARE(modes.value(u"/_lumosa"_s), u"dr-xr-xr-x"_s);
    // Systems without Rock Ridge read the Joliet names, long ones too.
    QVERIFY(x.run(u"xorriso"_s,
                  {u"-read_fs"_s, u"norock"_s, u"-indev"_s, image_, u"-find"_s, u"/Beach"_s})
                .contains(u"/Beach/"_s + longName_));

    // The launcher, then the bundle's files in the order it reads them, then the pictures.
    // Lines read "File data lba:  0 ,  START ,  BLOCKS ,  SIZE , '/path'".
    QMap<QString, qint64> starts;
    const QRegularExpression lba(u"^File data lba: +\\d+ , +(\\d+) ,.*'(/[^']*)'$"_s,
                                 QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch& match :
         lba.globalMatch(x.run(u"xorriso"_s, {u"-indev"_s, image_, u"-find"_s, u"/"_s, u"-exec"_s,
                                              u"report_lba"_s}))) {
        starts.insert(match.captured(2), match.captured(1).toLongLong());
    }
    QFile order(disc_ + u"/_lumosa/load-order"_s);
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
    QVERIFY(widgets > 0 && widgets < QFileInfo(disc_ + u"/_lumosa/libQt6Widgets.so.6"_s).size());

    // The image's tree, as a mounted disc shows it, in a folder with blanks in its path.
    const QString copy = work.filePath(u"copy of the disc"_s);
    QVERIFY(!x.run(u"xorriso"_s,
                   {u"-osirrox"_s, u"on"_s, u"-indev"_s, image_, u"-extract"_s, u"/"_s, copy},
                   120000)
                 .isNull());
    // Read-only like the disc: writable again, so that it can be removed.
    const auto writable = qScopeGuard([&] {
        QProcess::execute(u"chmod"_s, {u"-R"_s, u"u+w"_s, copy});
    });
    // Through autorun.sh, by a relative path with blanks from another folder.
    x.startProgram(u"env"_s, work.path(), {u"copy of the disc/autorun.sh"_s});
    QCOMPARE(x.watch({Qt::blue}, 1), QList<int>{0});
    x.stopProgram();

    // On a machine of another kind (as an ARM one's uname answers), autorun.sh says why.
    QProcess other;
    other.start(u"env"_s,
                {u"-u"_s, u"DISPLAY"_s, u"sh"_s, u"-c"_s,
                 u"uname() { [ \"$1\" = -m ] && echo aarch64 || echo Linux; }; . \"$0\""_s,
                 disc_ + u"/autorun.sh"_s});
    QVERIFY(other.waitForFinished() && other.exitCode() == 1);
    QCOMPARE(QString::fromLocal8Bit(other.readAllStandardError()),
             u"lumosa: cannot start: this disc's program runs on x86-64 Linux, and this machine "
             u"is Linux aarch64\n"_s);

    // A damaged bundle: one line naming the file, the same in a window, a failure on its OK;
    // started from another folder, it finds the bundle beside itself all the same.
    const auto failsWith = [&](const QString& message) {
        x.startProgram(disc_ + u"/lumosa"_s, work.path());
        return x.activate(x.waitForWindow(u"^Lumosa$"_s)) && x.key(u"Return"_s) &&
               x.waitForExit() == 1 &&
               x.programErrors() ==
                   u"lumosa: cannot start, the disc is damaged: _lumosa/"_s + message + u'\n';
    };
    const QString gui = QFileInfo(disc_ + u"/_lumosa/libQt6Gui.so.6"_s).canonicalFilePath();
    const QString name = QFileInfo(gui).fileName();
    QVERIFY(QFile::rename(gui, gui + u".whole"_s));
    QVERIFY(QFile::copy(gui + u".whole"_s, gui) && QFile::resize(gui, 4096));
    QVERIFY(failsWith(name + u" is shorter than it should be"_s));
    QVERIFY(QFile::remove(gui) && QFile::rename(gui + u".whole"_s, gui));
    const QString jpeg = disc_ + u"/_lumosa/plugins/imageformats/libqjpeg.so"_s;
    QVERIFY(QFile::rename(jpeg, jpeg + u".gone"_s));
    QVERIFY(failsWith(u"plugins/imageformats/libqjpeg.so is missing"_s));
    QVERIFY(QFile::rename(jpeg + u".gone"_s, jpeg));
}

void DiscTest::startsOnOtherSystems_data() {
    QTest::addColumn<QString>("system");   // a root file system of tools/make-rootfs
    QTest::addColumn<bool>("display");     // DISPLAY set
    QTest::addColumn<QString>("refusal");  // the launcher's line, a pattern; empty: it starts
    // An older C library than the disc's (the disc's serves), and newer ones (the machine's).
    QTest::newRow("Debian 11") << u"debian11"_s << true << QString();
    QTest::newRow("Debian 13") << u"debian13"_s << true << QString();
    QTest::newRow("Debian testing") << u"testing"_s << true << QString();
    QTest::newRow("no OpenGL") << u"debian11-nogl"_s << true
                               << u"^lumosa: cannot start: this machine lacks the OpenGL library "
                                  u"lib(GL|EGL|OpenGL)\\w*\\.so\\.\\d; install .*\\n$"_s;
    QTest::newRow("no display")
        << u"debian11"_s << false
        << u"^lumosa: cannot open the display \\(DISPLAY is not set\\)\\n$"_s;
}

void DiscTest::startsOnOtherSystems() {
    QFETCH(QString, system);
    QFETCH(bool, display);
    QFETCH(QString, refusal);
    QProcess make;  // made once per machine: minutes on a fresh one
    make.start(QStringLiteral(LUMOSA_SOURCE_DIR "/tools/make-rootfs"), {system});
    QVERIFY2(make.waitForFinished(1800000) && make.exitCode() == 0,
             make.readAllStandardError().constData());
    const QString root = QString::fromLocal8Bit(make.readAllStandardOutput()).trimmed();

    // In the root, in a mount namespace that sees our temporary folder (disc, cookie) and /dev.
    XSession x(QSize(800, 600), true);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    const QString inRoot =
        uR"(r=$1 tmp=$2 disc=$3; shift 3
mkdir -p "$r$tmp" && mount --rbind "$tmp" "$r$tmp" && mount -t proc proc "$r/proc" &&
mount --rbind /dev "$r/dev" || exit 3
exec chroot "$r" env "$@" sh -c 'cd "$0" && exec ./lumosa' "$disc")"_s;
    x.startProgram(u"unshare"_s, disc_,
                   QStringList{u"--mount"_s, u"sh"_s, u"-c"_s, inRoot, u"in-root"_s, root,
                               QDir::tempPath(), disc_} +
                       (display ? QStringList() : QStringList{u"-u"_s, u"DISPLAY"_s}));
    if (refusal.isEmpty()) {
        QVERIFY(x.activate(x.waitForWindow(u"^Lumosa$"_s)));
        QCOMPARE(x.watch({Qt::red}, 1), QList<int>{0});
        // The last picture at once, not the next one on the timer's tick.
        QVERIFY(x.key(u"8"_s));
        QCOMPARE(x.watch({Qt::green, Qt::blue}, 1), QList<int>{1});
        QVERIFY(x.activate(x.openPanel()) && x.key(u"alt+e"_s));
        QCOMPARE(x.waitForExit(), 0);
        return;
    }
    QVERIFY(!display || (x.activate(x.waitForWindow(u"^Lumosa$"_s)) && x.key(u"Return"_s)));
    QCOMPARE(x.waitForExit(), 1);
    const QString said = x.programErrors();
    QVERIFY2(QRegularExpression(refusal).match(said).hasMatch(), qPrintable(said));
}

void DiscTest::bundleMeetsItsOwnNeeds() {
    // Read from the files themselves (objdump -p): which versions each library defines, and
    // which each file needs of which library.
    QStringList files{disc_ + u"/lumosa"_s};
    QDirIterator all(disc_ + u"/_lumosa"_s, {u"*.so*"_s, u"lumosa"_s, u"lumosa-alert"_s},
                     QDir::Files, QDirIterator::Subdirectories);
    while (all.hasNext()) {
        files << all.next();
    }
    QProcess objdump;
    objdump.start(u"objdump"_s, QStringList{u"-p"_s} + files);
    QVERIFY(objdump.waitForFinished(60000) && objdump.exitCode() == 0);
    QMap<QString, QStringList> defined;                   // library → versions
    QMap<QString, QList<QPair<QString, QString>>> needs;  // file → (library, version)
    QString file, soname, from;
    const QRegularExpression line(
        u"^(?:(/\\S+):\\s+file format.*|  SONAME\\s+(\\S+)|"
        u"\\d+ 0x0\\d 0x\\w+ (\\S+)|  required from (\\S+):|"
        u"    0x\\w+ 0x\\w+ \\d+ (\\S+))$"_s,
        QRegularExpression::MultilineOption);
    for (const QRegularExpressionMatch& m : line.globalMatch(objdump.readAll())) {
        file = m.hasCaptured(1) ? m.captured(1) : file;
        soname = m.hasCaptured(2) ? m.captured(2) : soname;
        from = m.hasCaptured(4) ? m.captured(4) : from;
        if (m.hasCaptured(3)) {
            defined[soname] << m.captured(3);
            // The C library's files lie off the program's search path.
            QVERIFY2(!m.captured(3).startsWith(u"GLIBC_2"_s) || file.contains(u"/_lumosa/glibc/"_s),
                     qPrintable(file));
        } else if (m.hasCaptured(5)) {
            needs[file] << qMakePair(from, m.captured(5));
        }
    }
    QVERIFY(defined.value(u"libc.so.6"_s).contains(u"GLIBC_2.34"_s) && needs.size() > 50);
    // The launcher, run by the machine's loader where it is dynamic, asks for nothing after 2.28;
    // what the bundle's files need, the bundle defines.
    for (const auto& [library, version] : needs.take(disc_ + u"/lumosa"_s)) {
        QVERIFY2(!version.startsWith(u"GLIBC_2."_s) || version.mid(8).toDouble() <= 28,
                 qPrintable(version));
    }
    for (auto need = needs.cbegin(); need != needs.cend(); ++need) {
        for (const auto& [library, version] : need.value()) {
            QVERIFY2(defined.value(library).contains(version),
                     qPrintable(need.key() + u" needs "_s + library + u' ' + version));
        }
    }
}

LUMOSA_TEST(DiscTest)
#include "disc_test.moc"
