// Narrows a made disc's _lumosa/load-order to the parts of each file that a start reads.
//
//   lumosa-record-start DISC
//
// The libraries are far larger than what a start touches of them (of Qt's widgets, fonts and
// text code only a part runs before the first picture is up), and on a CD every megabyte read
// costs a quarter of a second. So the start is watched once, on this machine, when the disc is
// made: the program is started in DISC on a virtual X server until it has shown its first picture
// and gone quiet, and the pages of the bundle's files present in its memory then (what the start
// touched, with the kernel's fault-around) are written into load-order as ranges, in its order of
// files. Ranges closer than a CD's seek is long are joined: reading through the gap is quicker
// than seeking over it. A page missed here is not lost: the loader reads it from the disc when it
// is touched, as without the launcher.
//
// On failure (no Xvfb, a start that fails) load-order is left as it was, whole files, and the
// exit status is 1 with one line on stderr.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSaveFile>
#include <QStringList>
#include <QTextStream>
#include <QThread>

#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// A gap that a CD (about 3.6 MB/s, 90 ms a seek) reads through faster than it seeks over.
constexpr qint64 kJoin = 256 * 1024;

[[noreturn]] void fail(const QString& why) {
    std::fprintf(stderr, "lumosa-record-start: %s\n", qPrintable(why));
    std::exit(1);
}

struct Range {
    qint64 offset;
    qint64 length;
};

// The pages of the bundle's files that the program has mapped and touched, by file, as ranges
// with short gaps joined, from its memory map and the pages present in it (/proc/PID/pagemap).
// Files it did not map (qt.conf, read once) are taken whole.
// None when the map cannot be read.
std::optional<QMap<QString, std::vector<Range>>> touched(qint64 pid, const QString& bundle) {
    const qint64 page = sysconf(_SC_PAGESIZE);
    QMap<QString, QList<bool>> pages;  // file → whether each page is present
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    QFile pagemap(QStringLiteral("/proc/%1/pagemap").arg(pid));
    if (!maps.open(QIODevice::ReadOnly) || !pagemap.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // Lines "START-END PERMS OFFSET DEVICE INODE PATH", numbers in hex.
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        const QString path = fields.size() >= 6 ? QString::fromUtf8(fields[5]) : QString();
        if (!path.startsWith(bundle)) {
            continue;
        }
        const QList<QByteArray> span = fields[0].split('-');
        const quint64 start = span[0].toULongLong(nullptr, 16);
        const quint64 end = span[1].toULongLong(nullptr, 16);
        const qint64 offset = fields[2].toLongLong(nullptr, 16);
        const qint64 count = qint64(end - start) / page;
        QByteArray entries(count * 8, '\0');
        if (!pagemap.seek(qint64(start / page) * 8) ||
            pagemap.read(entries.data(), entries.size()) != entries.size()) {
            continue;
        }
        QList<bool>& present = pages[path.mid(bundle.size())];
        const qint64 size = QFileInfo(path).size();
        present.resize((size + page - 1) / page);
        for (qint64 i = 0; i < count && offset / page + i < present.size(); ++i) {
            // Bit 63: in memory; bit 62: swapped out, so it was there.
            quint64 entry;
            std::memcpy(&entry, entries.constData() + i * 8, 8);
            if ((entry >> 62) != 0) {
                present[offset / page + i] = true;
            }
        }
    }
    QMap<QString, std::vector<Range>> ranges;
    for (auto file = pages.cbegin(); file != pages.cend(); ++file) {
        const qint64 size = QFileInfo(bundle + file.key()).size();
        std::vector<Range>& out = ranges[file.key()];
        for (qint64 i = 0; i < file.value().size(); ++i) {
            if (!file.value()[i]) {
                continue;
            }
            const qint64 offset = i * page;
            const qint64 length = qMin(page, size - offset);
            if (!out.empty() && offset - (out.back().offset + out.back().length) < kJoin) {
                out.back().length = offset + length - out.back().offset;
            } else {
                out.push_back({offset, length});
            }
        }
    }
    return ranges;
}

// The program's processor time so far, in clock ticks (all its threads).
qint64 cpuTicks(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // After "PID (NAME) ", whose name may hold blanks: utime and stime are fields 14 and 15.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields[11].toLongLong() + fields[12].toLongLong() : -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        fail(QStringLiteral("usage: lumosa-record-start DISC"));
    }
    const QString disc = args[1];
    const QString bundle = disc + QStringLiteral("/_lumosa/");
    QFile orderFile(bundle + QStringLiteral("load-order"));
    if (!orderFile.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("%1: %2").arg(orderFile.fileName(), orderFile.errorString()));
    }
    // The files in the order of load-order, each once.
    QStringList files;
    for (const QByteArray& line : orderFile.readAll().split('\n')) {
        const QString file = QString::fromUtf8(line).section(u' ', 2);
        if (!file.isEmpty() && !files.contains(file)) {
            files.append(file);
        }
    }
    orderFile.close();

    // Both end with this program however it ends, killed included.
    const auto endWithUs = [] { prctl(PR_SET_PDEATHSIG, SIGKILL); };
    QProcess server;
    server.setChildProcessModifier(endWithUs);
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                  QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                  QStringLiteral("tcp")});
    if (!server.waitForStarted(10000) || !server.waitForReadyRead(30000)) {
        fail(QStringLiteral("no virtual X server (Xvfb): %1").arg(server.errorString()));
    }
    const QString display = u':' + QString::fromLatin1(server.readLine().trimmed());

    QProcess show;
    show.setChildProcessModifier(endWithUs);
    // Nothing started here outlives this program, whatever ends it.
    const auto giveUp = [&](const QString& why) {
        show.kill();
        show.waitForFinished(5000);
        server.kill();
        server.waitForFinished(5000);
        fail(why);
    };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    show.setProcessEnvironment(environment);
    show.setWorkingDirectory(disc);
    show.setProcessChannelMode(QProcess::ForwardedChannels);
    // Through the disc's own loader and C library, so that the pages of those are recorded too;
    // a machine whose C library serves skips them (src/launcher.c).
    show.start(bundle + QStringLiteral("glibc/ld-linux-x86-64.so.2"),
               {QStringLiteral("--library-path"), bundle + QStringLiteral("glibc"),
                bundle + QStringLiteral("lumosa")});
    if (!show.waitForStarted(10000)) {
        giveUp(QStringLiteral("the program did not start: %1").arg(show.errorString()));
    }
    // Quiet: no processor time used for a second, once it has had two seconds to start; the
    // show then waits for its next picture's turn.
    const QDeadlineTimer deadline(60000);
    qint64 last = -1;
    int quiet = 0;
    for (int tick = 0; quiet < 4 && !deadline.hasExpired(); ++tick) {
        QThread::msleep(250);
        const qint64 now = cpuTicks(show.processId());
        if (now < 0 || show.state() != QProcess::Running) {
            giveUp(QStringLiteral("the program ended before its first picture"));
        }
        quiet = tick >= 8 && now == last ? quiet + 1 : 0;
        last = now;
    }

    const std::optional<QMap<QString, std::vector<Range>>> ranges =
        touched(show.processId(), QFileInfo(bundle).canonicalFilePath() + u'/');
    show.kill();
    show.waitForFinished(5000);
    server.terminate();
    server.waitForFinished(5000);
    if (!ranges) {
        fail(QStringLiteral("cannot read the program's memory map"));
    }
    QSaveFile out(bundle + QStringLiteral("load-order"));
    if (!out.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("%1: %2").arg(out.fileName(), out.errorString()));
    }
    QTextStream text(&out);
    qint64 total = 0;
    for (const QString& file : files) {
        const qint64 size = QFileInfo(bundle + file).size();
        for (const Range& range : ranges->value(file, {{0, size}})) {
            text << range.offset << u' ' << range.length << u' ' << file << u'\n';
            total += range.length;
        }
    }
    text.flush();
    if (!out.commit()) {
        fail(QStringLiteral("%1: %2").arg(out.fileName(), out.errorString()));
    }
    std::printf("a start reads %.1f MB of the bundle\n", double(total) / 1e6);
    return 0;
}
