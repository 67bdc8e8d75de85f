// The thumbnail sheet of a folder of 200 camera photos (12 megapixels, JPEG), opened offscreen
// through the program's own windows, against two baselines timed in the same run: the naive
// way (every photo decoded at full size, then scaled down) and the sum of reduced-size decodes
// on one thread, what one core can do at best. The sheet is built in a process of its own, so
// that its peak memory is not the naive decode's. The processor time of the sheet and of the
// one-core decodes is printed too: on a busy machine it shows what the wall times cannot.
//
//   thumbnails_bench --tools BUILD_DIR [--count N] [--rounds N]
//
// The photos are written once by BUILD_DIR/lumosa-samples into
// BUILD_DIR/bench-data/thumbnails and reused by later runs.
//
// Then a folder of many small photos (--many, 10 000 by default; 0 leaves it out): the time from
// a close request during the sheet's build to the window gone (goal 100 ms at most), and the
// peak memory of a whole build (goal under 300 MB).
#include <QApplication>
#include <QCloseEvent>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "BenchSupport.h"
#include "panel/ControlPanel.h"
#include "platform/App.h"
#include "platform/Form.h"
#include "platform/Picture.h"
#include "platform/Twips.h"
#include "show/MainForm.h"
#include "thumbs/ThumbLayout.h"
#include "thumbs/frmThumbnails.h"

using bench::figure;
using bench::nowMs;
using bench::waitUntil;

namespace {

const QString kFolder = QStringLiteral("Photos");
const QString kFinal =
    QStringLiteral(" thumbnails. Click on an image to return to the slideshow at that point.");

[[noreturn]] void fail(const QString& message) {
    QTextStream(stderr) << "thumbnails_bench: " << message << Qt::endl;
    std::exit(1);
}

// The size the sheet decodes at, in pixels (offscreen, one device pixel a pixel).
QSize thumbBound() {
    const int side = platform::toPixels(thumbs::kThumbSize);
    return {side, side};
}

// A disc with one folder of `count` photos, written once and reused: the stamp is written
// only after every photo was.
QString ensureDisc(const QString& tools, int count,
                   const QString& name = QStringLiteral("thumbnails"),
                   const QString& size = QStringLiteral("4000x3000")) {
    const QString disc = QDir(tools).absoluteFilePath(QStringLiteral("bench-data/") + name);
    const QString stamp = disc + QStringLiteral("/photos-%1-complete").arg(count);
    if (QFile::exists(stamp)) {
        return disc;
    }
    QDir(disc).removeRecursively();
    QDir().mkpath(disc + QLatin1Char('/') + kFolder);
    QFile program(disc + QStringLiteral("/lumosa"));
    if (!program.open(QIODevice::WriteOnly) || program.write("program file") < 0) {
        fail(QStringLiteral("cannot write in %1").arg(disc));
    }
    program.close();
    QTextStream(stderr) << "writing " << count << " photos into " << disc << " (once)" << Qt::endl;
    // Two writers at once, each its own half with its own seeds and names.
    const int half = (count + 1) / 2;
    QList<QProcess*> writers;
    for (int part = 0; part < 2; ++part) {
        const int n = part == 0 ? half : count - half;
        if (n == 0) {
            continue;
        }
        auto* writer = new QProcess;
        writer->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writer->setStandardOutputFile(QProcess::nullDevice());
        writer->start(
            QDir(tools).absoluteFilePath(QStringLiteral("lumosa-samples")),
            {QStringLiteral("--photo"), size, QStringLiteral("--count"), QString::number(n),
             QStringLiteral("--quality"), QStringLiteral("90"), QStringLiteral("--seed"),
             QString::number(1 + part * half), QStringLiteral("--prefix"),
             part == 0 ? QStringLiteral("p") : QStringLiteral("q"),
             disc + QLatin1Char('/') + kFolder});
        writers.append(writer);
    }
    for (QProcess* writer : writers) {
        if (!writer->waitForFinished(-1) || writer->exitStatus() != QProcess::NormalExit ||
            writer->exitCode() != 0) {
            fail(QStringLiteral("lumosa-samples failed: ") + writer->errorString());
        }
        delete writer;
    }
    QFile done(stamp);
    if (!done.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("cannot write %1").arg(stamp));
    }
    return disc;
}

QStringList photoPaths(const QString& disc) {
    const QDir folder(disc + QLatin1Char('/') + kFolder);
    QStringList paths;
    for (const QString& name :
         folder.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name | QDir::IgnoreCase)) {
        paths.append(folder.absoluteFilePath(name));
    }
    return paths;
}

// Child process: starts the show in the disc as the program does, opens the sheet from the
// control panel and times its build. Prints its figures and leaves at once. With `close`, asks
// the sheet to close (as the window manager does) once a tenth is built, and times that instead.
int sheetRun(const QString& disc, int count, bool close) {
    if (!bench::startShow(disc, count)) {
        fail(QStringLiteral("the show did not start in %1").arg(disc));
    }
    const double start = nowMs();
    const std::clock_t startCpu = std::clock();
    frmThumbnails* building = bench::openSheet();
    if (close) {
        // "Loading N of …": one pass of the event loop may take several thumbnails, so N can
        // pass a tenth without ever standing at it.
        waitUntil([&] {
            const QString caption = building->Caption();
            return !caption.startsWith(QStringLiteral("Loading ")) ||
                   caption.section(u' ', 1, 1).toInt() > count / 10;
        });
        const double asked = nowMs();
        QCoreApplication::postEvent(building, new QCloseEvent);
        waitUntil([&] { return !platform::Forms::find<frmThumbnails>(); });
        figure(QStringLiteral("close_during_build"), nowMs() - asked, QStringLiteral("ms"));
        std::fflush(stdout);
        std::_Exit(0);
    }
    waitUntil([&] { return building->Caption() == QString::number(count) + kFinal; });
    const double build = nowMs() - start;
    const double cpu = double(std::clock() - startCpu) * 1000.0 / CLOCKS_PER_SEC;
    const frmThumbnails* sheet = platform::Forms::find<frmThumbnails>();
    if (!sheet || sheet->Caption() != QString::number(count) + kFinal ||
        int(sheet->Thumb1.size()) != count) {
        fail(QStringLiteral("the sheet was not built: ") +
             (sheet ? sheet->Caption() : QStringLiteral("no sheet")));
    }
    figure(QStringLiteral("sheet_build"), build, QStringLiteral("ms"));
    figure(QStringLiteral("sheet_cpu"), cpu, QStringLiteral("ms"));
    figure(QStringLiteral("peak_memory"), bench::peakMemoryMb(), QStringLiteral("MB"));
    std::fflush(stdout);
    std::_Exit(0);  // as the program ends: no teardown to wait for
}

struct SheetRun {
    double build = -1;  // wall time
    double cpu = -1;    // processor time of all its threads
    double peak = -1;   // peak memory of the process
};

// Builds the sheet in a process of its own.
SheetRun sheetInChild(const QString& disc, int count) {
    QProcess child;
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--sheet"), disc, QStringLiteral("--count"), QString::number(count)});
    const bool finished = child.waitForFinished(-1);
    const QByteArray errors = child.readAllStandardError();
    if (!finished || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        fail(QStringLiteral("the sheet's run failed: ") + QString::fromLocal8Bit(errors));
    }
    SheetRun run;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() != 3) {
            continue;
        }
        const double value = words[1].toDouble();
        if (words[0] == "sheet_build") {
            run.build = value;
        } else if (words[0] == "sheet_cpu") {
            run.cpu = value;
        } else if (words[0] == "peak_memory") {
            run.peak = value;
        }
    }
    if (run.build <= 0 || run.cpu < 0 || run.peak <= 0) {
        fail(QStringLiteral("the sheet's run printed no figures: ") +
             QString::fromLocal8Bit(errors));
    }
    return run;
}

// The close of a sheet during its build, in a process of its own.
double closeInChild(const QString& disc, int count) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--sheet"), disc, QStringLiteral("--count"), QString::number(count),
                 QStringLiteral("--close")});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        fail(QStringLiteral("the close run failed: ") + child.readAllStandardError());
    }
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("close_during_build ")) {
            return line.split(' ').value(1).toDouble();
        }
    }
    fail(QStringLiteral("the close run gave no figure"));
}

// The naive way: every photo decoded at full size, then scaled to the thumbnail.
double naiveMs(const QStringList& paths) {
    // A camera photo of 12 megapixels fits in Qt's default limit, larger ones do not: raised
    // here only, so that the naive way decodes whatever the sheet decodes.
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(0);
    const double start = nowMs();
    for (const QString& path : paths) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage full = reader.read();
        const QImage thumb =
            full.scaled(thumbBound(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (thumb.isNull()) {
            fail(QStringLiteral("cannot decode %1: %2").arg(path, reader.errorString()));
        }
    }
    const double spent = nowMs() - start;
    QImageReader::setAllocationLimit(limit);
    return spent;
}

// The sheet's own decodes, one after another on this thread: one core's best. `cpu` receives
// the processor time it took.
double oneCoreMs(const QStringList& paths, double& cpu) {
    const double start = nowMs();
    const std::clock_t startCpu = std::clock();
    for (const QString& path : paths) {
        QString why;
        if (platform::LoadPicture(path, thumbBound(), &why).isNull()) {
            fail(QStringLiteral("cannot decode %1: %2").arg(path, why));
        }
    }
    cpu = double(std::clock() - startCpu) * 1000.0 / CLOCKS_PER_SEC;
    return nowMs() - start;
}

// Reads every file once, so that all three timings find them in the page cache.
void warmCache(const QStringList& paths) {
    for (const QString& path : paths) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            while (!file.read(1 << 20).isEmpty()) {
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    platform::settleAllocator();  // as the program does
    QApplication app(argc, argv);
    QApplication::setApplicationName(platform::App::Title());
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption tools(QStringLiteral("tools"),
                                   QStringLiteral("Build folder holding lumosa-samples."),
                                   QStringLiteral("DIR"));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Number of photos (default 200)."),
                                   QStringLiteral("N"), QStringLiteral("200"));
    const QCommandLineOption sheet(QStringLiteral("sheet"),
                                   QStringLiteral("Only build the sheet of DISC (internal)."),
                                   QStringLiteral("DISC"));
    const QCommandLineOption roundsOption(
        QStringLiteral("rounds"),
        QStringLiteral("Rounds of the sheet and the one-core decodes (default 3)."),
        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption closeOption(QStringLiteral("close"),
                                         QStringLiteral("With --sheet: time a close (internal)."));
    const QCommandLineOption many(QStringLiteral("many"),
                                  QStringLiteral("Small photos of the large folder (default "
                                                 "10000; 0: none)."),
                                  QStringLiteral("N"), QStringLiteral("10000"));
    parser.addOptions({tools, count, sheet, roundsOption, closeOption, many});
    parser.process(app);
    const int n = parser.value(count).toInt();
    if (n < 1) {
        fail(QStringLiteral("--count wants a positive number"));
    }
    if (parser.isSet(sheet)) {
        return sheetRun(parser.value(sheet), n, parser.isSet(closeOption));
    }
    if (!parser.isSet(tools)) {
        fail(QStringLiteral("--tools DIR is required (scripts/bench thumbnails gives it)"));
    }

    const QString disc = ensureDisc(parser.value(tools), n);
    const QStringList paths = photoPaths(disc);
    if (paths.size() != n) {
        fail(QStringLiteral("%1 holds %2 photos, not %3").arg(disc).arg(paths.size()).arg(n));
    }
    warmCache(paths);

    // The machine may be busy with other work: each of the sheet and the one-core decodes is
    // timed in several rounds, taken in turns, and the fastest round of each counts.
    const int rounds = parser.value(roundsOption).toInt();
    SheetRun best;
    double limit = -1;
    double limitCpu = -1;
    double peak = -1;
    for (int round = 0; round < std::max(1, rounds); ++round) {
        const SheetRun run = sheetInChild(disc, n);
        double roundCpu = 0;
        const double roundLimit = oneCoreMs(paths, roundCpu);
        if (best.build < 0 || run.build < best.build) {
            best = run;
        }
        if (limit < 0 || roundLimit < limit) {
            limit = roundLimit;
            limitCpu = roundCpu;
        }
        peak = std::max(peak, run.peak);
    }
    const double build = best.build;
    const double naive = naiveMs(paths);
    figure(QStringLiteral("pictures"), n, QStringLiteral("files"));
    figure(QStringLiteral("cores"), QThread::idealThreadCount(), QStringLiteral("threads"));
    figure(QStringLiteral("sheet_build"), build, QStringLiteral("ms"));
    figure(QStringLiteral("sheet_cpu"), best.cpu, QStringLiteral("ms"));
    figure(QStringLiteral("naive_full_decode"), naive, QStringLiteral("ms"));
    figure(QStringLiteral("one_core_limit"), limit, QStringLiteral("ms"));
    figure(QStringLiteral("one_core_cpu"), limitCpu, QStringLiteral("ms"));
    figure(QStringLiteral("sheet_peak_memory"), peak, QStringLiteral("MB"));
    QTextStream(stdout) << "summary naive/build=" << QString::number(naive / build, 'f', 2)
                        << " build/limit=" << QString::number(build / limit, 'f', 2)
                        << " peak_mb=" << QString::number(peak, 'f', 1) << Qt::endl;

    // A folder of thousands: a close during the build, and the memory of a whole build.
    const int manyCount = parser.value(many).toInt();
    if (manyCount > 0) {
        const QString manyDisc =
            ensureDisc(parser.value(tools), manyCount, QStringLiteral("thumbnails-many"),
                       QStringLiteral("320x240"));
        const SheetRun whole = sheetInChild(manyDisc, manyCount);
        const double closeMs = closeInChild(manyDisc, manyCount);
        figure(QStringLiteral("many_pictures"), manyCount, QStringLiteral("files"));
        figure(QStringLiteral("many_close_during_build"), closeMs, QStringLiteral("ms"));
        figure(QStringLiteral("many_build"), whole.build, QStringLiteral("ms"));
        figure(QStringLiteral("many_peak_memory"), whole.peak, QStringLiteral("MB"));
        QTextStream(stdout) << "summary many=" << manyCount
                            << " close_ms=" << QString::number(closeMs, 'f', 1)
                            << " peak_mb=" << QString::number(whole.peak, 'f', 1) << Qt::endl;
    }
    return 0;
}
