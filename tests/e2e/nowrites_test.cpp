// The program writes nothing: a whole show driven by its keys (the show, the panel, the sheet,
// About, Exit) under strace opens no file of the disc, nor anything outside the libraries' caches,
// for writing.
#include <QtTest>

#include <QRegularExpression>
#include <QStandardPaths>

#include "XSession.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

namespace {

// The trace's lines whose call could change a file on the disc or outside the `allowed` places;
// a relative path is taken from the folder strace -y prints for the descriptor before it.
QStringList faults(const QString& trace, const QString& disc, const QStringList& allowed) {
    // 1234  openat(AT_FDCWD</disc>, "name", O_RDONLY|O_CLOEXEC) = 3</disc/name>
    static const QRegularExpression callRe(uR"(^(?:\[pid\s+)?\d*\]?\s*(\w+)\((.*))"_s);
    static const QRegularExpression stringRe(u"\"((?:[^\"\\\\]|\\\\.)*)\""_s);
    static const QRegularExpression dirRe(u"<([^>]*)>,\\s*$"_s);
    static const QRegularExpression writeFlags(u"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND"_s);
    QStringList found;
    for (const QString& line : trace.split(u'\n')) {
        const QRegularExpressionMatch call = callRe.match(line);
        const QString arguments = call.captured(2);
        if (!call.hasMatch() ||
            (call.captured(1).startsWith(u"open"_s) && !writeFlags.match(arguments).hasMatch())) {
            continue;
        }
        qInfo().noquote() << line;
        qsizetype from = 0;
        for (const QRegularExpressionMatch& string : stringRe.globalMatch(arguments)) {
            const QRegularExpressionMatch dir =
                dirRe.match(arguments.mid(from, string.capturedStart() - from));
            from = string.capturedEnd();
            const QString path = QDir::cleanPath(
                QDir(dir.hasMatch() ? dir.captured(1) : disc).absoluteFilePath(string.captured(1)));
            const bool allowedPath =
                std::any_of(allowed.begin(), allowed.end(), [&](const auto& place) {
                    return path == QDir::cleanPath(place) || path.startsWith(place);
                });
            if (path == disc || path.startsWith(disc + u'/') || !allowedPath) {
                found.append(line);
            }
        }
    }
    return found;
}

}  // namespace

class NoWritesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wholeShowWritesNothing();
};

void NoWritesTest::wholeShowWritesNothing() {
    const QString strace = QStandardPaths::findExecutable(u"strace"_s);
    if (strace.isEmpty()) {
        QSKIP("strace is not installed (scripts/test installs it): nothing can watch the program");
    }
    QStringList entries{u"-lumosa"_s, u"autorun.inf=delay=0.3\n"_s, u"Bravo/c.bmp:lime:40x30"_s,
                        u"Alpha/ImageList.txt=a0.jpg,the first\na1.jpg,the second\n"_s};
    for (int i = 0; i < 4; ++i) {
        entries << u"Alpha/a%1.jpg:red:320x240"_s.arg(i) << u"Bravo/b%1.gif:blue:40x30"_s.arg(i);
    }
    const testsupport::Disc disc(entries);
    const QString program = disc.abs(u"lumosa"_s);
    QVERIFY(QFile::copy(QStringLiteral(LUMOSA_PROGRAM), program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));

    e2e::XSession x(QSize(1024, 768), true);
    QVERIFY2(x.error().isEmpty(), qPrintable(x.error()));
    QTemporaryDir work;
    const QString log = work.filePath(u"strace.log"_s);
    // Every thread, each call that could change a file; LeakSanitizer's ptrace would fail.
    x.startProgram(
        strace, disc.path(),
        {u"-f"_s, u"-y"_s, u"-qq"_s, u"-o"_s, log, u"-E"_s,
         u"ASAN_OPTIONS=%1:detect_leaks=0"_s.arg(qEnvironmentVariable("ASAN_OPTIONS")), u"-e"_s,
         u"trace=?open,openat,?openat2,?creat,truncate,?rename,renameat,?renameat2,"
         u"?unlink,unlinkat,?mkdir,mkdirat,?rmdir,?link,linkat,?symlink,symlinkat,"
         u"?chmod,fchmodat,utimensat,?mknod,mknodat"_s,
         u"--"_s, program});
    const auto keys = [&](const QString& title, const QString& sequence) {
        return x.activate(x.waitForWindow(title)) && x.key(sequence);
    };
    QVERIFY(keys(u"^Lumosa$"_s, u"6 6 4 8 2 plus minus 5 5"_s));
    QVERIFY(!x.openSheet().isEmpty());
    QVERIFY(keys(u"thumbnails\\. Click"_s, u"alt+F4"_s));
    QVERIFY(keys(u"^Lumosa$"_s, u"6 0"_s));
    QVERIFY(keys(u"^Lumosa Control Panel$"_s, u"alt+a"_s));
    QVERIFY(keys(u"^About Lumosa$"_s, u"Return"_s));
    QVERIFY(keys(u"^Lumosa$"_s, u"Escape"_s));
    QVERIFY(keys(u"^Lumosa Control Panel$"_s, u"alt+e"_s));
    QCOMPARE(x.waitForExit(), 0);

    QFile traceFile(log);
    QVERIFY(traceFile.open(QIODevice::ReadOnly));
    const QString trace = QString::fromUtf8(traceFile.readAll());
    QVERIFY2(trace.contains(u"/Alpha/a0.jpg"_s), "the trace holds no reading of the pictures");

    // Font and shader caches, the session's sockets and locks, shared memory with the server.
    const QStringList found =
        faults(trace, disc.path(),
               {u"/dev/null"_s, x.environment().value(u"XDG_CACHE_HOME"_s) + u'/',
                x.environment().value(u"XDG_RUNTIME_DIR"_s) + u'/', u"/var/cache/fontconfig/"_s,
                u"/dev/shm/"_s, u"/tmp/.X11-unix/"_s});
    QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
}

LUMOSA_TEST(NoWritesTest)
#include "nowrites_test.moc"
