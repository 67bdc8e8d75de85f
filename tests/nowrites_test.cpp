// The program writes nothing: the real program runs a whole show on a virtual X server, driven
// by its keys (the show, the control panel, the thumbnail sheet, the About window, Exit), under
// strace. No file of the disc is created, changed or opened for writing, nothing outside the
// caches that system libraries keep for themselves is opened for writing, and the disc is the
// same byte for byte afterwards.
#include <QtTest>

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QStandardPaths>

#include "testsupport.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kWindowWait = 30000;  // generous: a loaded machine may be slow

// Every file and folder under `root`, hidden ones too, with the hash of each file's bytes.
QMap<QString, QByteArray> fingerprint(const QString& root) {
    QMap<QString, QByteArray> result;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        QByteArray value = "folder";
        if (!info.isDir()) {
            QFile file(info.filePath());
            QCryptographicHash hash(QCryptographicHash::Sha256);
            value = file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result().toHex()
                                                                          : "unreadable";
        }
        result.insert(info.filePath(), value);
    }
    return result;
}

// Runs a helper program to its end; its standard output.
QByteArray run(const QString& program, const QStringList& arguments,
               const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
    return process.readAllStandardOutput();
}

// Ends a process we started: politely, then for sure.
void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished();
    }
}

// One file-system call of the trace that could change a file: the call and each path it names,
// made absolute (strace -y prints the folder a descriptor stands for).
struct Change {
    QString call;
    QStringList paths;
    QString line;
};

QList<Change> changesIn(const QString& log, const QString& workingDir) {
    // 1234  openat(AT_FDCWD</disc>, "name", O_RDONLY|O_CLOEXEC) = 3</disc/name>
    static const QRegularExpression callRe(uR"(^(?:\[pid\s+)?\d*\]?\s*(\w+)\((.*))"_s);
    static const QRegularExpression stringRe(u"\"((?:[^\"\\\\]|\\\\.)*)\""_s);
    static const QRegularExpression dirRe(u"<([^>]*)>,\\s*$"_s);
    static const QRegularExpression writeFlags(u"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND"_s);
    const QStringList changing = {u"creat"_s,     u"truncate"_s,  u"rename"_s,   u"renameat"_s,
                                  u"renameat2"_s, u"unlink"_s,    u"unlinkat"_s, u"mkdir"_s,
                                  u"mkdirat"_s,   u"rmdir"_s,     u"link"_s,     u"linkat"_s,
                                  u"symlink"_s,   u"symlinkat"_s, u"chmod"_s,    u"fchmodat"_s,
                                  u"utimensat"_s, u"mknod"_s,     u"mknodat"_s};
    QList<Change> changes;
    for (const QString& line : log.split(u'\n')) {
        const QRegularExpressionMatch call = callRe.match(line);
        if (!call.hasMatch()) {
            continue;  // "<... resumed>" ends and exits carry no new call
        }
        const QString name = call.captured(1);
        const bool opening = name == u"open"_s || name == u"openat"_s || name == u"openat2"_s;
        if (!(opening && writeFlags.match(call.captured(2)).hasMatch()) &&
            !changing.contains(name)) {
            continue;
        }
        Change change{name, {}, line};
        // A relative path is taken from the descriptor before it, or the working folder.
        const QString arguments = call.captured(2);
        qsizetype from = 0;
        auto strings = stringRe.globalMatch(arguments);
        while (strings.hasNext()) {
            const QRegularExpressionMatch string = strings.next();
            const QRegularExpressionMatch dir =
                dirRe.match(arguments.mid(from, string.capturedStart() - from));
            const QString base = dir.hasMatch() ? dir.captured(1) : workingDir;
            change.paths.append(QDir::cleanPath(QDir(base).absoluteFilePath(string.captured(1))));
            from = string.capturedEnd();
        }
        changes.append(change);
    }
    return changes;
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
        QSKIP(
            "strace is not installed (scripts/test installs it): nothing can watch the "
            "program's file calls");
    }
    QStringList missing;
    QMap<QString, QString> tools;
    for (const QString& tool : {u"Xvfb"_s, u"xdotool"_s, u"openbox"_s}) {
        tools.insert(tool, QStandardPaths::findExecutable(tool));
        if (tools.value(tool).isEmpty()) {
            missing.append(tool);
        }
    }
    if (!missing.isEmpty()) {
        QSKIP(
            qPrintable(u"%1 not installed (scripts/test installs them): the program cannot be "
                       u"driven by its keys"_s.arg(missing.join(u", "_s))));
    }

    // The disc: the program file itself, settings, two folders with descriptions.
    testsupport::Disc disc;
    const QString program = disc.abs(u"lumosa"_s);
    QFile::remove(program);
    QVERIFY(QFile::copy(QStringLiteral(LUMOSA_PROGRAM), program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));
    disc.settings("delay=0.3\n");
    for (int i = 0; i < 4; ++i) {
        disc.picture(u"Alpha/a%1.jpg"_s.arg(i), QSize(320, 240), Qt::red);
        disc.picture(u"Bravo/b%1.gif"_s.arg(i), QSize(40, 30), Qt::blue);
    }
    disc.picture(u"Bravo/c.bmp"_s, QSize(40, 30), Qt::green);
    disc.file(u"Alpha/ImageList.txt"_s, "a0.jpg,the first\na1.jpg,the second\n");
    const QMap<QString, QByteArray> before = fingerprint(disc.path());

    // A home of the test's own, so that every cache a library keeps lies in a known place.
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString cacheHome = home.filePath(u"cache"_s);
    const QString runtimeDir = home.filePath(u"runtime"_s);
    QVERIFY(QDir().mkpath(cacheHome) && QDir().mkpath(runtimeDir));
    QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"QT_QPA_PLATFORM"_s);  // the real window system, as a person has it
    environment.insert(u"HOME"_s, home.path());
    environment.insert(u"XDG_CACHE_HOME"_s, cacheHome);
    environment.insert(u"XDG_CONFIG_HOME"_s, home.filePath(u"config"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtimeDir);
    // LeakSanitizer stops the program with ptrace at its end, which a traced program refuses.
    environment.insert(u"ASAN_OPTIONS"_s,
                       environment.value(u"ASAN_OPTIONS"_s) + u":detect_leaks=0"_s);

    // A virtual X server and a window manager. Other tests may start X servers at the same
    // time: each try takes a display of its own choosing, far from the usual ones, and the
    // server is used only once a client has reached it.
    QProcess xvfb;
    bool serverUp = false;
    const int first = 100 + int(QCoreApplication::applicationPid() % 800);
    for (int display = first; display < first + 20 && !serverUp; ++display) {
        stop(xvfb);
        if (QFile::exists(u"/tmp/.X%1-lock"_s.arg(display))) {
            continue;
        }
        const QString name = u":"_s + QString::number(display);
        xvfb.start(tools.value(u"Xvfb"_s), {name, u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s,
                                            u"1024x768x24"_s, u"-nolisten"_s, u"tcp"_s,
                                            // Without it the server resets when the probe
                                            // below leaves, and may cut the window manager off.
                                            u"-noreset"_s});
        // It writes the display's number once it accepts clients, or ends.
        QByteArray ready;
        const bool ended = QTest::qWaitFor(
            [&] {
                ready += xvfb.readAllStandardOutput();
                return ready.contains('\n') || xvfb.state() == QProcess::NotRunning;
            },
            kWindowWait);
        environment.insert(u"DISPLAY"_s, name);
        QProcess probe;
        probe.setProcessEnvironment(environment);
        probe.start(tools.value(u"xdotool"_s), {u"getdisplaygeometry"_s});
        serverUp = ended && ready.trimmed() == QByteArray::number(display) &&
                   probe.waitForFinished() && probe.exitCode() == 0;
    }
    QVERIFY2(serverUp, "no virtual X server could be started");
    QProcess windowManager;
    windowManager.setProcessEnvironment(environment);
    windowManager.start(tools.value(u"openbox"_s), {});
    // A window mapped while the window manager is still starting may never be shown: wait until
    // it announces its desktops.
    QTRY_VERIFY_WITH_TIMEOUT(
        windowManager.state() == QProcess::NotRunning ||
            run(tools.value(u"xdotool"_s), {u"get_num_desktops"_s}, environment).trimmed().toInt() >
                0,
        kWindowWait);
    QVERIFY2(windowManager.state() == QProcess::Running,
             qPrintable(u"the window manager ended: "_s +
                        QString::fromLocal8Bit(windowManager.readAllStandardError())));

    // The program under strace, every process and thread of it, each call that names a file
    // and could change one, descriptors shown with their paths.
    const QString log = home.filePath(u"strace.log"_s);
    QProcess show;
    show.setProcessEnvironment(environment);
    show.setWorkingDirectory(disc.path());
    show.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    show.start(strace, {u"-f"_s, u"-y"_s, u"-qq"_s, u"-o"_s, log, u"-e"_s,
                        u"trace=?open,openat,?openat2,?creat,truncate,?rename,renameat,?renameat2,"
                        u"?unlink,unlinkat,?mkdir,mkdirat,?rmdir,?link,linkat,?symlink,symlinkat,"
                        u"?chmod,fchmodat,utimensat,?mknod,mknodat"_s,
                        u"--"_s, program});
    QVERIFY(show.waitForStarted());
    const auto cleanup = qScopeGuard([&] {
        stop(show);
        stop(windowManager);
        stop(xvfb);
    });

    const QString xdotool = tools.value(u"xdotool"_s);
    // Waits for a visible window whose title matches, brings it to the front and types keys;
    // what went wrong, or nothing.
    const auto keys = [&](const QString& title, const QStringList& sequence) -> QString {
        QByteArray window;
        const bool found = QTest::qWaitFor(
            [&] {
                window =
                    run(xdotool, {u"search"_s, u"--onlyvisible"_s, u"--name"_s, title}, environment)
                        .split('\n')
                        .value(0)
                        .trimmed();
                return !window.isEmpty() || show.state() == QProcess::NotRunning;
            },
            kWindowWait);
        if (!found || window.isEmpty()) {
            const QByteArray windows = run(
                xdotool,
                {u"search"_s, u"--onlyvisible"_s, u"--name"_s, u"."_s, u"getwindowname"_s, u"%@"_s},
                environment);
            QFile trace(log);
            const QByteArray lastCalls =
                trace.open(QIODevice::ReadOnly) ? trace.readAll().right(600) : QByteArray();
            return u"no window \"%1\" (program %2; visible windows: %3; last calls:\n%4)"_s.arg(
                title, show.state() == QProcess::NotRunning ? u"ended"_s : u"running"_s,
                QString::fromUtf8(windows).simplified(), QString::fromUtf8(lastCalls));
        }
        run(xdotool, {u"windowactivate"_s, QString::fromLatin1(window)}, environment);
        QTest::qWait(300);
        for (const QString& key : sequence) {
            run(xdotool, {u"key"_s, key}, environment);
            QTest::qWait(150);
        }
        return {};
    };

    // The show: moving about, faster and slower, stopping and starting; then the panel, the
    // thumbnail sheet (closed by its close box), the About window (closed by Enter), and Exit.
    QCOMPARE(keys(u"^Lumosa$"_s, {u"6"_s, u"6"_s, u"4"_s, u"8"_s, u"2"_s, u"plus"_s, u"minus"_s,
                                  u"5"_s, u"5"_s, u"Escape"_s}),
             QString());
    QCOMPARE(keys(u"^Lumosa Control Panel$"_s, {u"alt+t"_s}), QString());
    QCOMPARE(keys(u"^[0-9]+ thumbnails[.] Click"_s, {u"alt+F4"_s}), QString());
    QCOMPARE(keys(u"^Lumosa$"_s, {u"6"_s, u"0"_s}), QString());
    QCOMPARE(keys(u"^Lumosa Control Panel$"_s, {u"alt+a"_s}), QString());
    QCOMPARE(keys(u"^About Lumosa$"_s, {u"Return"_s}), QString());
    QCOMPARE(keys(u"^Lumosa$"_s, {u"Escape"_s}), QString());
    QCOMPARE(keys(u"^Lumosa Control Panel$"_s, {u"alt+e"_s}), QString());
    QVERIFY2(show.state() == QProcess::NotRunning || show.waitForFinished(kWindowWait),
             "Exit did not end the program");
    QCOMPARE(show.exitStatus(), QProcess::NormalExit);
    QCOMPARE(show.exitCode(), 0);

    QFile traceFile(log);
    QVERIFY(traceFile.open(QIODevice::ReadOnly));
    const QString trace = QString::fromUtf8(traceFile.readAll());
    QVERIFY2(trace.contains(u"/Alpha/a0.jpg"_s), "the trace holds no reading of the pictures");

    // Where the libraries underneath may keep what they write, and why.
    const QStringList allowed = {
        u"/dev/null"_s,               // output thrown away
        cacheHome + u'/',             // the user's cache: fontconfig's font cache, Mesa's shaders
        runtimeDir + u'/',            // the user's runtime folder: sockets and locks of the session
        u"/var/cache/fontconfig/"_s,  // the system's font cache, which fontconfig refreshes as root
        u"/dev/shm/"_s,               // shared memory with the X server
        u"/tmp/.X11-unix/"_s,         // X's sockets
    };
    QStringList faults;
    const QList<Change> changes = changesIn(trace, disc.path());
    qInfo("%lld calls that could change a file, in %lld lines of trace", changes.size(),
          trace.count(u'\n'));
    for (const Change& change : changes) {
        qInfo().noquote() << change.line;
        for (const QString& path : change.paths) {
            const bool onDisc = path == disc.path() || path.startsWith(disc.path() + u'/');
            const bool allowedPath =
                std::any_of(allowed.begin(), allowed.end(), [&path](const QString& place) {
                    return path == QDir::cleanPath(place) || path.startsWith(place);
                });
            if (onDisc || !allowedPath) {
                faults.append(change.line);
            }
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    QCOMPARE(fingerprint(disc.path()), before);
}

QTEST_MAIN(NoWritesTest)
#include "nowrites_test.moc"
