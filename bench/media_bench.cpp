// The show on a slow medium, simulated by tools/medium.py (a FUSE file system, files laid out as
// on an ISO 9660 image): the thumbnail sheet of a folder of photos of each kind that cameras and
// phones write (lumosa-samples --kind: their sizes and thumbnails below), on a 24x CD (3.6 MB/s,
// 90 ms a seek), and of the 3:2 camera's on a USB 2 stick (25 MB/s, 1 ms) too; the next photo of
// the show on the CD, decoded after a move that overtook a read ahead of another; and a disc made
// by scripts/make-disc starting from the CD, launch to its first photo on a virtual X server.
// Each is set against the medium's limit, measured through the same mount in the same run:
// reading exactly the bytes that are needed, in the same order (for the sheet, each photo's EXIF
// block where its thumbnail serves, the whole file where it does not; the next photo; the
// bundle's load-order ranges and the first photo for the start).
//
//   media_bench --tools BUILD_DIR [--count N] [--kinds camera,...] [--parts sheet,next,disc]
//
// N photos (100) of each kind whose thumbnail serves, a fifth as many (read whole) of the others.
// The photos are written once into BUILD_DIR/bench-data/media/KIND, the disc and its image into
// BUILD_DIR/bench-data/media-disc.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "BenchSupport.h"
#include "Fixtures.h"
#include "panel/ControlPanel.h"
#include "platform/App.h"
#include "platform/Form.h"
#include "platform/Picture.h"
#include "show/MainForm.h"
#include "thumbs/frmThumbnails.h"

using bench::figure;
using bench::nowMs;
using bench::run;

namespace {

const QString kFolder = QStringLiteral("Photos");
const QString kFinal =
    QStringLiteral(" thumbnails. Click on an image to return to the slideshow at that point.");

struct Speed {
    const char* name;
    const char* rate;
    const char* seekMs;
};
const Speed kCd{"cd", "3.6m", "90"};
const Speed kStick{"stick", "25m", "1"};

// The photos a camera or phone of each kind writes (at quality 95, the setting most of them
// save with), and whether their EXIF thumbnail serves the sheet (one between bands included).
struct PhotoKind {
    const char* name;
    const char* size;
    bool thumbnailServes;
};
const PhotoKind kKinds[] = {
    {"camera", "6000x4000", true},      // 3:2, 24 MP; 160 x 120 between bands of 6 and 7 rows
    {"phone", "4032x3024", true},       // 4:3, 12 MP; 512 x 384
    {"video", "3968x2232", true},       // 16:9 (a compact's 16:9 mode); 160 x 120 with bands
    {"portrait", "6000x4000", true},    // the camera's, held upright: orientation 6
    {"stretched", "6000x4000", false},  // 3:2 squeezed into 160 x 120: the photo is decoded
    {"bare", "6000x4000", false},       // no thumbnail: the photo is decoded
};

// tools/medium.py's options for a speed.
QStringList at(const Speed& speed) {
    return {QStringLiteral("--rate"), QString::fromLatin1(speed.rate), QStringLiteral("--seek"),
            QString::fromLatin1(speed.seekMs)};
}

QString sourceDir;  // the checkout, for tools/medium.py and scripts/make-disc

[[noreturn]] void fail(const QString& message) {
    QTextStream(stderr) << "media_bench: " << message << Qt::endl;
    std::exit(1);
}

void waitUntil(const std::function<bool()>& done, int timeoutMs = 600000) {
    if (!bench::waitUntil(done, timeoutMs)) {
        fail(QStringLiteral("timed out"));
    }
}

// The photos of a kind, written once: the stamp only after every one was.
QString ensurePhotos(const QString& tools, const PhotoKind& kind, int count) {
    const QString disc = QDir(tools).absoluteFilePath(QStringLiteral("bench-data/media/") +
                                                      QString::fromLatin1(kind.name));
    const QString stamp = disc + QStringLiteral("/.photos-%1-q95-complete").arg(count);
    if (!QFile::exists(stamp)) {
        QDir(disc).removeRecursively();
        QTextStream(stderr) << "writing " << count << " " << kind.name << " photos into " << disc
                            << " (once)" << Qt::endl;
        run(QDir(tools).absoluteFilePath(QStringLiteral("lumosa-samples")),
            {QStringLiteral("--photo"), QString::fromLatin1(kind.size), QStringLiteral("--count"),
             QString::number(count), QStringLiteral("--kind"), QString::fromLatin1(kind.name),
             QStringLiteral("--quality"), QStringLiteral("95"), disc + u'/' + kFolder});
        QFile program(disc + QStringLiteral("/lumosa"));  // the show's start-up looks for it
        QFile done(stamp);
        if (!program.open(QIODevice::WriteOnly) || !done.open(QIODevice::WriteOnly)) {
            fail(QStringLiteral("cannot write in %1").arg(disc));
        }
    }
    return disc;
}

QStringList photoNames(const QString& disc) {
    return QDir(disc + u'/' + kFolder)
        .entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name | QDir::IgnoreCase);
}

// The show started in the mounted disc, its first photo on the screen and those it reads ahead
// read: what it reads of the disc by itself.
void settledShow(const QString& disc, int count) {
    if (!bench::startShow(disc, count)) {
        fail(QStringLiteral("the show did not start in %1").arg(disc));
    }
    MainForm& form = platform::Forms::get<MainForm>();
    form.show().pauseShow();  // on its first photo, as its first tick puts it
    form.JumpTo(0);
    waitUntil([&] {
        return !form.show().shownImagePath().isEmpty() && !form.show().waiting() &&
               !form.show().reader().busy();
    });
}

// Child process: the settled show and nothing more.
int startRun(const QString& disc, int count) {
    settledShow(disc, count);
    std::_Exit(0);
}

// Child process: the settled show, its sheet opened from the control panel; prints the time to
// the first screenful of thumbnails and to all of them.
int sheetRun(const QString& disc, int count) {
    settledShow(disc, count);
    const double start = nowMs();
    frmThumbnails* sheet = bench::openSheet();
    waitUntil([&] { return int(sheet->Thumb1.size()) == count; });
    // The cells that show on the sheet's first screen.
    int firstScreen = 0;
    while (firstScreen < count &&
           sheet->Thumb1[size_t(firstScreen)]->widget()->mapTo(sheet, QPoint()).y() <
               sheet->height()) {
        ++firstScreen;
    }
    waitUntil([&] {
        for (int i = 0; i < firstScreen; ++i) {
            if (sheet->Thumb1[size_t(i)]->picture().isNull()) {
                return false;
            }
        }
        return true;
    });
    figure(QStringLiteral("first_screen"), firstScreen, QStringLiteral("thumbnails"));
    figure(QStringLiteral("sheet_first"), nowMs() - start, QStringLiteral("ms"));
    waitUntil([&] { return sheet->Caption() == QString::number(count) + kFinal; });
    figure(QStringLiteral("sheet_all"), nowMs() - start, QStringLiteral("ms"));
    std::fflush(stdout);
    std::_Exit(0);
}

// Child process: the show in the mounted disc, its timer stopped, at its first photo, with the
// second decoded ahead and the last (the one before the first) being read ahead; then it moves
// to the second, and the third, now the most wanted, is timed until it is decoded.
int nextRun(const QString& disc, int count) {
    if (count < 4 || !bench::startShow(disc, count)) {
        fail(QStringLiteral("the show did not start in %1 with 4 photos or more").arg(disc));
    }
    MainForm& form = platform::Forms::get<MainForm>();
    form.show().pauseShow();
    const show::ShowReader& reader = form.show().reader();
    const QStringList names = photoNames(disc);
    const auto held = [&](int i) {
        const QStringList paths = reader.heldPaths();
        return std::any_of(paths.cbegin(), paths.cend(),
                           [&](const QString& path) { return path.endsWith(u'/' + names[i]); });
    };
    form.JumpTo(0);
    waitUntil([&] { return !form.show().waiting() && held(0) && held(1) && reader.busy(); });
    QThread::msleep(300);  // well into the last's read
    const double moved = nowMs();
    form.JumpTo(QStringLiteral("Next"));
    waitUntil([&] { return held(2); });
    figure(QStringLiteral("next_ready"), nowMs() - moved, QStringLiteral("ms"));
    std::fflush(stdout);
    std::_Exit(0);
}

// Runs this program with `arguments` and returns its figures by name.
QMap<QString, double> figuresOfChild(const QStringList& arguments) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(-1) || child.exitStatus() != QProcess::NormalExit ||
        child.exitCode() != 0) {
        fail(QStringLiteral("the show's run failed"));
    }
    QMap<QString, double> figures;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3) {
            figures[QString::fromLatin1(words[0])] = words[1].toDouble();
        }
    }
    return figures;
}

// Reads `length` bytes from `offset` of `path` in one go; false when they are not there.
bool readRange(const QString& path, qint64 offset, qint64 length) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) && file.seek(offset) &&
           file.read(length).size() == length;
}

// The sheet's limit: each photo's EXIF block (from the start of the file to the end of its APP1
// segment), or with `whole` the whole file, in the sheet's order; the time to the first
// `firstScreen` and to all.
std::pair<double, double> sheetLimit(const QString& disc, int firstScreen, bool whole) {
    const double start = nowMs();
    double first = -1;
    const QStringList names = photoNames(disc);
    for (int i = 0; i < names.size(); ++i) {
        const QString path = disc + u'/' + kFolder + u'/' + names[i];
        QFile file(path);
        QByteArray head;
        if (file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            head = file.read(6);
        }
        if (head.size() < 6 || !head.startsWith("\xFF\xD8\xFF\xE1")) {
            fail(path + QStringLiteral(": no EXIF block first"));
        }
        const qint64 length =
            whole ? file.size() - 4 : qint64(qFromBigEndian<quint16>(head.constData() + 4));
        if (file.read(length - 2).size() != length - 2) {
            fail(path + QStringLiteral(": cut short"));
        }
        if (i + 1 == firstScreen) {
            first = nowMs() - start;
        }
    }
    return {first, nowMs() - start};
}

struct SheetFigures {
    double first = 0, all = 0, firstLimit = 0, allLimit = 0, bytes = 0, fileBytes = 0;
};

SheetFigures sheetOn(const QString& disc, const Speed& speed, int count, bool whole) {
    SheetFigures f;
    int firstScreen = 0;
    qint64 showBytes = 0;  // the show's own first photo and those it reads ahead
    {
        bench::Medium medium(disc, at(speed));
        figuresOfChild({QStringLiteral("--start"), medium.mountPoint(), QStringLiteral("--count"),
                        QString::number(count)});
        showBytes = medium.bytesRead();
    }
    {
        bench::Medium medium(disc, at(speed));
        const QMap<QString, double> sheet =
            figuresOfChild({QStringLiteral("--sheet"), medium.mountPoint(),
                            QStringLiteral("--count"), QString::number(count)});
        f.first = sheet.value(QStringLiteral("sheet_first"));
        f.all = sheet.value(QStringLiteral("sheet_all"));
        firstScreen = int(sheet.value(QStringLiteral("first_screen")));
        figure(QStringLiteral("first_screen"), firstScreen, QStringLiteral("thumbnails"));
        f.bytes = double(medium.bytesRead() - showBytes);
    }
    {
        bench::Medium medium(disc, at(speed));
        std::tie(f.firstLimit, f.allLimit) = sheetLimit(medium.mountPoint(), firstScreen, whole);
    }
    for (const QString& name : photoNames(disc)) {
        f.fileBytes += double(QFileInfo(disc + u'/' + kFolder + u'/' + name).size());
    }
    return f;
}

// On the CD: the time until the next photo is decoded after a move that overtook a read ahead,
// and its limit, that photo read alone through a fresh mount (a seek, then the file).
std::pair<double, double> nextOn(const QString& disc, int count) {
    double ready = 0;
    {
        bench::Medium medium(disc, at(kCd));
        ready = figuresOfChild({QStringLiteral("--next"), medium.mountPoint(),
                                QStringLiteral("--count"), QString::number(count)})
                    .value(QStringLiteral("next_ready"));
    }
    bench::Medium medium(disc, at(kCd));
    const QString third = medium.mountPoint() + u'/' + kFolder + u'/' + photoNames(disc).value(2);
    const double began = nowMs();
    if (!readRange(third, 0, QFileInfo(third).size())) {
        fail(QStringLiteral("cannot read %1").arg(third));
    }
    return {ready, nowMs() - began};
}

// A disc made by scripts/make-disc with the first three photos, its ISO image, the image's tree
// and where its files lie (a "BLOCK PATH" line each): made once.
QString ensureDisc(const QString& tools, const QString& photos) {
    const QString base = QDir(tools).absoluteFilePath(QStringLiteral("bench-data/media-disc"));
    const QString stamp = base + QStringLiteral("/.complete");
    if (QFile::exists(stamp)) {
        return base;
    }
    QDir(base).removeRecursively();
    QDir().mkpath(base + QStringLiteral("/pictures/") + kFolder);
    const QStringList names = photoNames(photos);
    for (int i = 0; i < 3 && i < names.size(); ++i) {
        QFile::copy(photos + u'/' + kFolder + u'/' + names[i],
                    base + QStringLiteral("/pictures/") + kFolder + u'/' + names[i]);
    }
    bench::dateBack(base);
    qputenv("LUMOSA_BUILD_DIR", QFile::encodeName(tools));  // the disc of this build
    run(sourceDir + QStringLiteral("/scripts/make-disc"),
        {QStringLiteral("--iso"), base + QStringLiteral("/disc.iso"),
         base + QStringLiteral("/made"), base + QStringLiteral("/pictures/") + kFolder});
    run(QStringLiteral("xorriso"),
        {QStringLiteral("-osirrox"), QStringLiteral("on"), QStringLiteral("-indev"),
         base + QStringLiteral("/disc.iso"), QStringLiteral("-extract"), QStringLiteral("/"),
         base + QStringLiteral("/tree")});
    QProcess report;
    report.start(
        QStringLiteral("xorriso"),
        {QStringLiteral("-indev"), base + QStringLiteral("/disc.iso"), QStringLiteral("-find"),
         QStringLiteral("/"), QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-exec"),
         QStringLiteral("report_lba"), QStringLiteral("--")});
    report.waitForFinished(-1);
    // "File data lba:  0 ,      33 ,       4 ,       8192 , '/path'"
    QFile layout(base + QStringLiteral("/layout"));
    if (!layout.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("cannot write %1").arg(layout.fileName()));
    }
    for (const QByteArray& line : report.readAllStandardOutput().split('\n')) {
        if (!line.startsWith("File data lba:")) {
            continue;
        }
        const QList<QByteArray> fields = line.mid(14).split(',');
        const QByteArray path = line.mid(line.indexOf('\'') + 1).chopped(1);
        layout.write(fields.value(1).trimmed() + ' ' + path.mid(1) + '\n');
    }
    layout.close();
    QFile done(stamp);
    if (!done.open(QIODevice::WriteOnly)) {
        fail(QStringLiteral("cannot write %1").arg(stamp));
    }
    return base;
}

// Launch to the first photo on the screen, from the disc's tree on the CD, cold; and the
// limit: the load-order ranges the launcher reads and the first photo, read in order through a
// fresh mount.
std::pair<double, double> discStart(const QString& base) {
    const QStringList layout{QStringLiteral("--layout"), base + QStringLiteral("/layout"),
                             QStringLiteral("--cache")};
    double start = 0;
    {
        bench::Medium medium(base + QStringLiteral("/tree"), at(kCd) + layout);
        bench::VirtualScreen screen(QSize(1024, 768));
        QProcess show;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), screen.display());
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        show.setProcessEnvironment(environment);
        show.setWorkingDirectory(medium.mountPoint());
        show.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const double launched = nowMs();
        show.start(medium.mountPoint() + QStringLiteral("/lumosa"));
        waitUntil([&] { return screen.showsPicture() || show.state() == QProcess::NotRunning; },
                  300000);
        start = nowMs() - launched;
        if (show.state() == QProcess::NotRunning) {
            fail(QStringLiteral("the disc's show ended before its first photo"));
        }
        show.kill();
        show.waitForFinished(5000);
    }
    bench::Medium medium(base + QStringLiteral("/tree"), at(kCd) + layout);
    const QString tree = medium.mountPoint();
    const double began = nowMs();
    QFile order(tree + QStringLiteral("/_lumosa/load-order"));
    if (!order.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("the disc has no load-order"));
    }
    for (const QByteArray& line : order.readAll().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        // The disc's own C library is read only where the machine's does not serve, not here.
        if (words.size() == 3 && !words[2].startsWith("glibc/") &&
            !readRange(tree + QStringLiteral("/_lumosa/") + QString::fromUtf8(words[2]),
                       words[0].toLongLong(), words[1].toLongLong())) {
            fail(QStringLiteral("cannot read %1").arg(QString::fromUtf8(line)));
        }
    }
    const QString first = tree + u'/' + kFolder + u'/' + photoNames(tree).value(0);
    if (!readRange(first, 0, QFileInfo(first).size())) {
        fail(QStringLiteral("cannot read %1").arg(first));
    }
    return {start, nowMs() - began};
}

QString ratio(double a, double b) {
    return QString::number(b > 0 ? a / b : 0, 'f', 2);
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
    const QCommandLineOption countOption(QStringLiteral("count"),
                                         QStringLiteral("Number of photos (default 100)."),
                                         QStringLiteral("N"), QStringLiteral("100"));
    const QCommandLineOption sheet(QStringLiteral("sheet"),
                                   QStringLiteral("Only open the sheet of DISC (internal)."),
                                   QStringLiteral("DISC"));
    const QCommandLineOption startOption(QStringLiteral("start"),
                                         QStringLiteral("Only start the show in DISC (internal)."),
                                         QStringLiteral("DISC"));
    const QCommandLineOption next(QStringLiteral("next"),
                                  QStringLiteral("Only time the next photo in DISC (internal)."),
                                  QStringLiteral("DISC"));
    const QCommandLineOption parts(
        QStringLiteral("parts"),
        QStringLiteral("What to time: sheet, next, disc, any of them (default all)."),
        QStringLiteral("PARTS"), QStringLiteral("sheet,next,disc"));
    QStringList allKinds;
    for (const PhotoKind& kind : kKinds) {
        allKinds << QString::fromLatin1(kind.name);
    }
    const QCommandLineOption kindsOption(
        QStringLiteral("kinds"),
        QStringLiteral("The kinds of photo whose sheet is timed (default all: %1).")
            .arg(allKinds.join(u',')),
        QStringLiteral("KINDS"), allKinds.join(u','));
    parser.addOptions({tools, countOption, sheet, startOption, next, parts, kindsOption});
    parser.process(app);
    const int count = parser.value(countOption).toInt();
    if (count < 1) {
        fail(QStringLiteral("--count wants a positive number"));
    }
    if (parser.isSet(sheet)) {
        return sheetRun(parser.value(sheet), count);
    }
    if (parser.isSet(startOption)) {
        return startRun(parser.value(startOption), count);
    }
    if (parser.isSet(next)) {
        return nextRun(parser.value(next), count);
    }
    if (!parser.isSet(tools)) {
        fail(QStringLiteral("--tools DIR is required (scripts/bench media gives it)"));
    }
    sourceDir = QDir(QStringLiteral(LUMOSA_SOURCE_DIR)).absolutePath();
    // The camera's photos serve the stick, the next photo and the disc as well.
    const QString photos = ensurePhotos(parser.value(tools), kKinds[0], count);

    const QStringList wanted = parser.value(parts).split(u',');
    const QStringList kinds = parser.value(kindsOption).split(u',');
    QStringList verdicts;
    for (const PhotoKind& kind : kKinds) {
        const QString name = QString::fromLatin1(kind.name);
        if (!wanted.contains(QStringLiteral("sheet")) || !kinds.contains(name)) {
            continue;
        }
        // Photos read whole take long on a CD: a fifth as many tell as much.
        const int n = kind.thumbnailServes ? count : std::max(1, count / 5);
        const QString disc = ensurePhotos(parser.value(tools), kind, n);
        for (const Speed& speed : {kCd, kStick}) {
            if (qstrcmp(speed.name, kStick.name) == 0 && &kind != &kKinds[0]) {
                break;
            }
            const SheetFigures f = sheetOn(disc, speed, n, !kind.thumbnailServes);
            const QString prefix = QString::fromLatin1(speed.name) + u'_' + name;
            figure(prefix + QStringLiteral("_sheet_first"), f.first, QStringLiteral("ms"));
            figure(prefix + QStringLiteral("_sheet_first_limit"), f.firstLimit,
                   QStringLiteral("ms"));
            figure(prefix + QStringLiteral("_sheet_all"), f.all, QStringLiteral("ms"));
            figure(prefix + QStringLiteral("_sheet_all_limit"), f.allLimit, QStringLiteral("ms"));
            figure(prefix + QStringLiteral("_sheet_bytes"), f.bytes / 1e6, QStringLiteral("MB"));
            figure(prefix + QStringLiteral("_sheet_files"), f.fileBytes / 1e6,
                   QStringLiteral("MB"));
            verdicts << QStringLiteral(
                            "%1 %2 photos (%3): sheet_first/limit=%4 sheet_all/limit=%5 "
                            "sheet_bytes/files=%6")
                            .arg(prefix)
                            .arg(n)
                            .arg(kind.thumbnailServes ? QStringLiteral("their thumbnails")
                                                      : QStringLiteral("read whole"),
                                 ratio(f.first, f.firstLimit), ratio(f.all, f.allLimit),
                                 QString::number(f.bytes / f.fileBytes, 'f', 4));
        }
    }
    const auto [nextReady, nextLimit] = wanted.contains(QStringLiteral("next"))
                                            ? nextOn(photos, count)
                                            : std::pair<double, double>(0, 0);
    figure(QStringLiteral("cd_next_ready"), nextReady, QStringLiteral("ms"));
    figure(QStringLiteral("cd_next_ready_limit"), nextLimit, QStringLiteral("ms"));
    const auto [start, startLimit] = wanted.contains(QStringLiteral("disc"))
                                         ? discStart(ensureDisc(parser.value(tools), photos))
                                         : std::pair<double, double>(0, 0);
    figure(QStringLiteral("disc_start_cd"), start, QStringLiteral("ms"));
    figure(QStringLiteral("disc_start_cd_limit"), startLimit, QStringLiteral("ms"));
    for (const QString& verdict : std::as_const(verdicts)) {
        QTextStream(stdout) << verdict << Qt::endl;
    }
    QTextStream(stdout) << "summary next_ready/limit=" << ratio(nextReady, nextLimit)
                        << " disc_start_cd_s=" << QString::number(start / 1000, 'f', 1)
                        << " disc_start/limit=" << ratio(start, startLimit) << Qt::endl;
    return 0;
}
