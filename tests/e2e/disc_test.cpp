// A disc made by scripts/make-disc starts where the system's Qt cannot be loaded: run in a
// mount namespace of its own, in which every Qt library of the system reads as an empty file
// and the system's Qt plugin folders are empty, it shows its pictures, and the process's memory
// map names the disc's libraries and plugins.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
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
    QTemporaryDir work;
    const QString disc = work.filePath(QStringLiteral("MyDisc"));
    QProcess make;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LUMOSA_BUILD_DIR"), QStringLiteral(LUMOSA_BUILD_DIR));
    make.setProcessEnvironment(environment);
    make.setProcessChannelMode(QProcess::MergedChannels);
    make.start(QStringLiteral(LUMOSA_SOURCE_DIR "/scripts/make-disc"),
               {disc, pictures.abs(QStringLiteral("Beach"))});
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
}

QTEST_GUILESS_MAIN(DiscTest)
#include "disc_test.moc"
