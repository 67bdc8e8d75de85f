// The show's own process as a person runs it, on a virtual X server: what it takes in memory,
// threads and open files, at a screen's size and over a long run.
//
//   soak_bench --tools BUILD_DIR [--parts screens,soak] [--minutes N] [--delay SECONDS]
//
// screens: the peak resident memory (VmHWM) of 40 s of a show of 24 MP camera photos at one a
//   second, on screens of 1920 x 1080 and 7680 x 4320, each set against the bytes of one
//   picture the size of that screen.
// soak: N minutes (default 30) at the fastest speed (a tick a millisecond; --delay sets
//   another, in the form of autorun.inf's delay) over 300 mixed
//   pictures served by tools/medium.py: photos, small pictures of each format, photos cut
//   short, damaged and hostile files, photos whose reads fail, photos whose first read stalls
//   for 15 s and three whose reads never end. Resident memory, threads and open files are
//   sampled each second and each minute's median noted; each "*_spread_pct" is the spread of
//   the last half's minutes against their lowest, in percent (flat: under 5).
//
// The pictures are written once into BUILD_DIR/bench-data/soak.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchSupport.h"
#include "Fixtures.h"

using bench::programFile;
using bench::run;

namespace {

constexpr int kPhotos = 20;     // distinct 24 MP photos, linked many times over
constexpr int kFolders = 6;     // of the soak's disc
constexpr int kPerFolder = 50;  // pictures a folder
constexpr int kStallSeconds = 15;

[[noreturn]] void fail(const QString& message) {
    QTextStream(stderr) << "soak_bench: " << message << Qt::endl;
    std::exit(1);
}

QStringList files(const QString& folder) {
    QStringList paths;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name)) {
        paths.append(folder + u'/' + name);
    }
    return paths;
}

// A second name for a file, as a copy that takes no room.
void linkTo(const QString& from, const QString& to) {
    if (::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        fail(QStringLiteral("cannot link ") + to);
    }
}

// The photos, the small pictures, the screens' disc and the soak's, written once.
QString ensureData(const QString& tools) {
    const QString data = QDir(tools).absoluteFilePath(QStringLiteral("bench-data/soak"));
    const QString stamp = data + QStringLiteral("/.complete");
    if (QFile::exists(stamp)) {
        return data;
    }
    QTextStream(stderr) << "soak_bench: writing the pictures into " << data << " (once)"
                        << Qt::endl;
    QDir(data).removeRecursively();
    const QString samples = QDir(tools).absoluteFilePath(QStringLiteral("lumosa-samples"));
    run(samples, {QStringLiteral("--photo"), QStringLiteral("6000x4000"), QStringLiteral("--count"),
                  QString::number(kPhotos), QStringLiteral("--kind"), QStringLiteral("camera"),
                  data + QStringLiteral("/photos")});
    run(samples, {data + QStringLiteral("/small")});  // JPEG, BMP and GIF of many shapes
    const QStringList photos = files(data + QStringLiteral("/photos"));
    const QStringList small = files(data + QStringLiteral("/small"));
    const QStringList hostile =
        files(QStringLiteral(LUMOSA_SOURCE_DIR "/tests/hostile"))
            .filter(QRegularExpression(QStringLiteral("\\.(jpg|bmp|gif)$")));
    if (photos.size() != kPhotos || small.isEmpty() || hostile.isEmpty()) {
        fail(QStringLiteral("the sample pictures are missing"));
    }

    const QString screens = data + QStringLiteral("/screens");
    programFile(screens);
    QDir().mkpath(screens + QStringLiteral("/Photos"));
    for (int i = 0; i < 8; ++i) {
        linkTo(photos[i], screens + QStringLiteral("/Photos/%1.jpg").arg(i));
    }

    const QString soak = data + QStringLiteral("/soak");
    programFile(soak);
    for (int f = 0; f < kFolders; ++f) {
        const QString folder = soak + QStringLiteral("/F%1").arg(f);
        QDir().mkpath(folder);
        for (int i = 0; i < kPerFolder; ++i) {
            const int n = f * kPerFolder + i;
            const QString photo = photos[n % kPhotos];
            const QString at = folder + QStringLiteral("/%1-").arg(i, 2, 10, QLatin1Char('0'));
            if (f == kFolders - 1 && i % 10 == 9 && i < 30) {
                linkTo(photo, at + QStringLiteral("hang.jpg"));
                continue;
            }
            switch (i % 10) {
                case 4:
                case 9: {
                    const QString picture = small[n % small.size()];
                    linkTo(picture, at + QStringLiteral("small.") + QFileInfo(picture).suffix());
                    break;
                }
                case 5: {  // cut short, as a file on a damaged disc
                    QFile whole(photo);
                    QFile cut(at + QStringLiteral("cut.jpg"));
                    if (!whole.open(QIODevice::ReadOnly) || !cut.open(QIODevice::WriteOnly) ||
                        cut.write(whole.read(whole.size() * 55 / 100)) <= 0) {
                        fail(QStringLiteral("cannot write ") + cut.fileName());
                    }
                    break;
                }
                case 6: {
                    const QString bad = hostile[n % hostile.size()];
                    linkTo(bad, at + QStringLiteral("bad-") + QFileInfo(bad).fileName());
                    break;
                }
                case 7:
                    linkTo(photo, at + QStringLiteral("fail.jpg"));
                    break;
                case 8:
                    linkTo(photo, at + QStringLiteral("stall.jpg"));
                    break;
                default:
                    linkTo(photo, at + QStringLiteral("photo.jpg"));
            }
        }
    }
    bench::dateBack(soak);
    QFile done(stamp);
    if (!done.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("cannot write ") + stamp);
    }
    return data;
}

struct Sample {
    double rssMb = 0, peakMb = 0;
    int threads = 0, files = 0;
};

Sample sample(qint64 pid) {
    Sample s;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("the show ended"));
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        const double value =
            line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toDouble();
        if (line.startsWith("VmRSS:")) {
            s.rssMb = value / 1024;
        } else if (line.startsWith("VmHWM:")) {
            s.peakMb = value / 1024;
        } else if (line.startsWith("Threads:")) {
            s.threads = int(value);
        }
    }
    s.files = int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                      .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
                      .size());
    return s;
}

// The show started in `disc` on `screen`, its messages (a line a bad picture) dropped.
class Show {
public:
    Show(const QString& tools, const QString& disc, const bench::VirtualScreen& screen) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), screen.display());
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process_.setProcessEnvironment(environment);
        process_.setWorkingDirectory(disc);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(tools + QStringLiteral("/lumosa"));
        if (!process_.waitForStarted()) {
            fail(QStringLiteral("the show did not start"));
        }
    }
    ~Show() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    qint64 pid() const { return process_.processId(); }
    void waitSeconds(double seconds) {
        bench::waitUntil([&] { return process_.state() == QProcess::NotRunning; },
                         int(seconds * 1000));
        if (process_.state() == QProcess::NotRunning) {
            fail(QStringLiteral("the show ended"));
        }
    }

private:
    QProcess process_;
};

void writeAutorun(const QString& disc, const QByteArray& text) {
    QFile autorun(disc + QStringLiteral("/autorun.inf"));
    if (!autorun.open(QIODevice::WriteOnly | QIODevice::Truncate) || autorun.write(text) < 0) {
        fail(QStringLiteral("cannot write ") + autorun.fileName());
    }
}

void screens(const QString& tools, const QString& data) {
    const QString disc = data + QStringLiteral("/screens");
    writeAutorun(disc, "delay=1\n");
    QString summary;
    for (const QSize size : {QSize(1920, 1080), QSize(7680, 4320)}) {
        const bench::VirtualScreen screen(size);
        Show show(tools, disc, screen);
        show.waitSeconds(40);
        const double peak = sample(show.pid()).peakMb;
        const double screenMb = double(size.width()) * size.height() * 4 / (1024 * 1024);
        const QString name = QStringLiteral("peak_%1p_mb").arg(size.height());
        bench::figure(name, peak, QStringLiteral("MB"));
        summary += QStringLiteral(" peak_%1p/screen=%2")
                       .arg(size.height())
                       .arg(peak / screenMb, 0, 'f', 2);
    }
    QTextStream(stdout) << "summary" << summary << Qt::endl;
}

// The spread of `values` against their lowest, in percent.
double spreadPct(const std::vector<double>& values) {
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return *low > 0 ? (*high - *low) / *low * 100 : -1;
}

void soak(const QString& tools, const QString& data, int minutes, const QString& delay) {
    const QString disc = data + QStringLiteral("/soak");
    writeAutorun(disc, "delay=" + delay.toLatin1() + '\n');
    bench::dateBack(disc);
    const bench::Medium medium(
        disc, {QStringLiteral("--hang"), QStringLiteral("*-hang.jpg"), QStringLiteral("--fail"),
               QStringLiteral("*-fail.jpg:64k"), QStringLiteral("--stall"),
               QStringLiteral("*-stall.jpg:%1").arg(kStallSeconds)});
    const bench::VirtualScreen screen(QSize(1920, 1080));
    Show show(tools, medium.mountPoint(), screen);
    std::vector<double> rss, threads, files;
    QTextStream out(stdout);
    out << "minute rss_mb threads files" << Qt::endl;
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    for (int minute = 1; minute <= minutes; ++minute) {
        // A sample a second, the minute's median kept: a worker that just ended or a picture
        // being decoded is a moment's state, not the level.
        std::vector<double> minuteRss, minuteThreads, minuteFiles;
        for (int second = 0; second < 60; ++second) {
            show.waitSeconds(1);
            const Sample s = sample(show.pid());
            minuteRss.push_back(s.rssMb);
            minuteThreads.push_back(s.threads);
            minuteFiles.push_back(s.files);
        }
        rss.push_back(median(minuteRss));
        threads.push_back(median(minuteThreads));
        files.push_back(median(minuteFiles));
        out << minute << ' ' << QString::number(rss.back(), 'f', 1) << ' ' << threads.back() << ' '
            << files.back() << Qt::endl;
    }
    bench::figure(QStringLiteral("rss_peak_mb"), sample(show.pid()).peakMb, QStringLiteral("MB"));
    const auto lastHalf = [](const std::vector<double>& v) {
        return std::vector<double>(v.begin() + long(v.size() / 2), v.end());
    };
    bench::figure(QStringLiteral("rss_first_mb"), rss.front(), QStringLiteral("MB"));
    bench::figure(QStringLiteral("rss_last_mb"), rss.back(), QStringLiteral("MB"));
    bench::figure(QStringLiteral("rss_spread_pct"), spreadPct(lastHalf(rss)), QStringLiteral("%"));
    bench::figure(QStringLiteral("threads_spread_pct"), spreadPct(lastHalf(threads)),
                  QStringLiteral("%"));
    bench::figure(QStringLiteral("files_spread_pct"), spreadPct(lastHalf(files)),
                  QStringLiteral("%"));
    out << "summary last/first rss=" << QString::number(rss.back() / rss.front(), 'f', 2)
        << " threads=" << QString::number(threads.back() / threads.front(), 'f', 2)
        << " files=" << QString::number(files.back() / files.front(), 'f', 2) << Qt::endl;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("soak_bench"));
    QString tools;
    QStringList parts{QStringLiteral("screens"), QStringLiteral("soak")};
    int minutes = 30;
    QString delay = QStringLiteral("0.001");
    for (int i = 1; i + 1 < argc; ++i) {
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (qstrcmp(argv[i], "--tools") == 0) {
            tools = value;
        } else if (qstrcmp(argv[i], "--parts") == 0) {
            parts = value.split(u',');
        } else if (qstrcmp(argv[i], "--minutes") == 0) {
            minutes = value.toInt();
        } else if (qstrcmp(argv[i], "--delay") == 0) {
            delay = value;
        }
    }
    if (tools.isEmpty() || minutes < 2) {
        std::fputs(
            "Usage: soak_bench --tools BUILD-DIR [--parts screens,soak] [--minutes N>=2] "
            "[--delay SECONDS]\n",
            stderr);
        return 2;
    }
    const QString data = ensureData(tools);
    if (parts.contains(QStringLiteral("screens"))) {
        screens(tools, data);
    }
    if (parts.contains(QStringLiteral("soak"))) {
        soak(tools, data, minutes, delay);
    }
    return 0;
}
