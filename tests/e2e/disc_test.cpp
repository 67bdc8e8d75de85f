// A disc made by scripts/make-disc starts where the system's Qt cannot be loaded: run in a
// mount namespace of its own, in which every Qt library of the system reads as an empty file
// and the system's Qt plugin folders are empty, it shows its pictures, and the process's memory
// map names the disc's libraries and plugins. Its image holds the same files with their run
// bits and long names, and the show starts from a copy of the image's tree, also through
// autorun.sh from any other folder.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using e2e::XSession;

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
    return QStringList{QStringLiteral("--mount"),
                       QStringLiteral("--map-root-user"),
                       QStringLiteral("sh"),
                       QStringLiteral("-c"),
                       kHideQt,
                       QStringLiteral("hide-qt")} +
           command;
}

// The image's files by their paths, each with its mode as `ls -l` writes it.
QMap<QString, QString> imageListing(const XSession& x, const QString& image) {
    const QString listing =
        x.run(QStringLiteral("xorriso"),
              {QStringLiteral("-indev"), image, QStringLiteral("-find"), QStringLiteral("/"),
               QStringLiteral("-exec"), QStringLiteral("lsdl")});
    // "-r-xr-xr-x  1 0  0  428448 Dec  7 03:17 '/lumosa'", links followed by " -> 'target'".
    const QRegularExpression line(QStringLiteral("^(\\S{10}) .* '(/[^']*)'( -> '.*')?$"),
                                  QRegularExpression::MultilineOption);
    QMap<QString, QString> modes;
    for (const QRegularExpressionMatch& match : line.globalMatch(listing)) {
        modes.insert(match.captured(2), match.captured(1));
    }
    return modes;
}

}  // namespace

class DiscTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsWithoutSystemQt();
};

void DiscTest::startsWithoutSystemQt() {
    QProcess probe;
    probe.start(
        QStringLiteral("unshare"),
        {QStringLiteral("--mount"), QStringLiteral("--map-root-user"), QStringLiteral("true")});
    if (!probe.waitForFinished() || probe.exitCode() != 0) {
        QSKIP("no user namespaces here: the system's Qt cannot be hidden");
    }
    // The control: with the system's Qt hidden, the program built against it cannot start.
    QProcess control;
    control.start(QStringLiteral("unshare"), hidden({QStringLiteral(LUMOSA_PROGRAM)}));
    QVERIFY(control.waitForFinished());
    QCOMPARE(control.exitCode(), 127);

    testsupport::Disc pictures;
    pictures.picture(QStringLiteral("Beach/1.jpg"), QSize(64, 48), Qt::red);
    pictures.picture(QStringLiteral("Beach/2.gif"), QSize(64, 48), Qt::green);
    // Longer than the names of plain ISO 9660 and of Joliet without its long names, with blanks.
    const QString longName = QStringLiteral(
        "3 a picture whose name is longer than sixty-four characters, blanks too.jpg");
    pictures.picture(QStringLiteral("Beach/") + longName, QSize(64, 48), Qt::blue);
    QTemporaryDir work;
    const QString disc = work.filePath(QStringLiteral("MyDisc"));
    const QString image = work.filePath(QStringLiteral("MyDisc.iso"));
    QProcess make;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LUMOSA_BUILD_DIR"), QStringLiteral(LUMOSA_BUILD_DIR));
    make.setProcessEnvironment(environment);
    make.setProcessChannelMode(QProcess::MergedChannels);
    make.start(QStringLiteral(LUMOSA_SOURCE_DIR "/scripts/make-disc"),
               {QStringLiteral("--iso"), image, disc, pictures.abs(QStringLiteral("Beach"))});
    QVERIFY(make.waitForFinished(300000));
    QVERIFY2(make.exitCode() == 0, make.readAll().constData());

    const QDir libs(disc + QStringLiteral("/_lumosa"));
    for (const char* file : {"libQt6Core.so.6", "libQt6Widgets.so.6", "libQt6XcbQpa.so.6",
                             "plugins/platforms/libqxcb.so", "plugins/imageformats/libqjpeg.so",
                             "plugins/imageformats/libqgif.so"}) {
        QVERIFY2(libs.exists(QLatin1String(file)), file);
    }
    QVERIFY(!libs.exists(QStringLiteral("libc.so.6")));
    // Every line of autorun.inf is a comment or a setting with a value the program takes.
    QFile settings(disc + QStringLiteral("/autorun.inf"));
    QVERIFY(settings.open(QIODevice::ReadOnly | QIODevice::Text));
    const QRegularExpression valid(QStringLiteral(
        "^(;.*|delay=\\d+(\\.\\d+)?|showfolders=(true|false)|showtext=(true|false))$"));
    int values = 0;
    for (const QByteArray& line : settings.readAll().split('\n')) {
        QVERIFY2(line.isEmpty() || valid.match(QString::fromUtf8(line)).hasMatch(),
                 line.constData());
        values += !line.isEmpty() && !line.startsWith(';');
    }
    QCOMPARE(values, 3);

    XSession x(QSize(1024, 768), true);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    x.startProgram(QStringLiteral("unshare"), disc, hidden({QStringLiteral("./lumosa")}));
    QVERIFY(!x.waitForWindow(QStringLiteral("^Lumosa$")).isEmpty());
    // The JPEG, then the GIF: both readers came from the disc.
    QCOMPARE(x.watch({Qt::red, Qt::green}, 2), (QList<int>{0, 1}));

    QFile maps(QStringLiteral("/proc/%1/maps").arg(x.program().processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QString loaded = QString::fromLocal8Bit(maps.readAll());
    for (const char* file :
         {"/_lumosa/libQt6Core.so.6", "/_lumosa/libQt6Gui.so.6",
          "/_lumosa/plugins/platforms/libqxcb.so", "/_lumosa/plugins/imageformats/libqjpeg.so"}) {
        QVERIFY2(loaded.contains(disc + QLatin1String(file)), file);
    }
    QVERIFY(!loaded.contains(QRegularExpression(QStringLiteral("/usr/lib/.*libQt6"))));
    x.stopProgram();

    // The image: every file of the folder, of the same kind, readable by all as on a pressed
    // disc, runnable by all where it was runnable, and nothing else.
    const QMap<QString, QString> modes = imageListing(x, image);
    QCOMPARE(modes.value(QStringLiteral("/lumosa")), QStringLiteral("-r-xr-xr-x"));
    QCOMPARE(modes.value(QStringLiteral("/autorun.sh")), QStringLiteral("-r-xr-xr-x"));
    QCOMPARE(modes.value(QStringLiteral("/autorun.inf")), QStringLiteral("-r--r--r--"));
    QCOMPARE(modes.value(QStringLiteral("/Beach/") + longName), QStringLiteral("-r--r--r--"));
    QCOMPARE(modes.value(QStringLiteral("/_lumosa")), QStringLiteral("dr-xr-xr-x"));
    QDirIterator files(disc, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                       QDirIterator::Subdirectories);
    int count = 0;
    for (; files.hasNext(); ++count) {
        const QFileInfo file = files.nextFileInfo();
        const QString mode = modes.value(file.filePath().mid(disc.size()));
        QVERIFY2(!mode.isEmpty(), qPrintable(file.filePath()));
        if (file.isSymLink()) {
            QCOMPARE(mode.front(), QLatin1Char('l'));
        } else {
            QCOMPARE(mode, file.isDir()          ? QStringLiteral("dr-xr-xr-x")
                           : file.isExecutable() ? QStringLiteral("-r-xr-xr-x")
                                                 : QStringLiteral("-r--r--r--"));
        }
    }
    QVERIFY(count > 70);                // _lumosa/ alone holds some 60 libraries
    QCOMPARE(modes.size(), count + 1);  // and the top folder
    // Systems without Rock Ridge read the Joliet names, long ones too.
    QVERIFY(x.run(QStringLiteral("xorriso"),
                  {QStringLiteral("-read_fs"), QStringLiteral("norock"), QStringLiteral("-indev"),
                   image, QStringLiteral("-find"), QStringLiteral("/Beach")})
                .contains(QStringLiteral("/Beach/") + longName));

    // A copy of the image's tree, as a mounted disc shows it, in a folder with blanks in its path.
    const QString copy = work.filePath(QStringLiteral("copy of the disc"));
    QVERIFY(!x.run(QStringLiteral("xorriso"),
                   {QStringLiteral("-osirrox"), QStringLiteral("on"), QStringLiteral("-indev"),
                    image, QStringLiteral("-extract"), QStringLiteral("/"), copy},
                   120000)
                 .isNull());
    // Its folders are read-only like the disc's: writable again, so that it can be removed.
    const auto writable = qScopeGuard([&] {
        QProcess::execute(QStringLiteral("chmod"),
                          {QStringLiteral("-R"), QStringLiteral("u+w"), copy});
    });
    x.startProgram(QStringLiteral("unshare"), copy, hidden({QStringLiteral("./lumosa")}));
    QCOMPARE(x.watch({Qt::red, Qt::green}, 2), (QList<int>{0, 1}));
    // autorun.sh by its full path from the top folder, and by a relative one with blanks.
    for (const auto& [folder, script] :
         {std::pair{QStringLiteral("/"), copy + QStringLiteral("/autorun.sh")},
          std::pair{work.path(), QStringLiteral("copy of the disc/autorun.sh")}}) {
        x.startProgram(QStringLiteral("unshare"), folder, hidden({script}));
        QCOMPARE(x.watch({Qt::blue}, 1), QList<int>{0});
    }
    x.stopProgram();
}

QTEST_GUILESS_MAIN(DiscTest)
#include "disc_test.moc"
