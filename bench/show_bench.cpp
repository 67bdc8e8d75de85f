// Show speed: a picture change against the JPEG decoder's own time for the same file.
//
// On a 1920 x 1080 offscreen screen, with photos written by lumosa-samples as a 3:2 camera writes
// them (24 MP at quality 90) and as a phone does (48 MP), generated once into
// build-bench/bench-data/show and reused:
//   limit_ms    libjpeg-turbo alone decoding the file (in memory) at the show's DCT factor, into
//               memory it decoded into before
//   naive_ms    the whole photo decoded, then smoothly scaled to the screen
//   cold_ms     the show's JumpTo to the picture set on the image control, nothing decoded ahead
//   ahead_ms    the same with the picture decoded ahead
//   prev_ms     key 4 after resting on a picture (its neighbours decoded meanwhile), to the
//               picture before on the screen
//   jump_ms     keys 2 and 8 likewise, to the first and the last picture
//   burst_ms    40 presses of key 6, 25 ms apart (an auto-repeating key), from the last press
//               to the 40th picture on the screen
//   cold_icc_ms cold_ms for the same photos tagged with colord-data's Adobe RGB profile, which
//               the show converts to sRGB
//   startup_ms  program start to the first picture, on a disc of 100 folders of 200 pictures,
//               and startup_listing_ms, the folder walks alone
//   peak_mb     peak memory of a process of its own showing 50 photos, decoding ahead
// The *_48mp_ms lines give the same for the 48 MP photo. Times are medians over the photos; each
// change is timed from rest, and cold/limit is the median of each change over its photo's
// limit timed just before it, which a machine shared with others slows alike.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QProcess>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "BenchSupport.h"
#include "Fixtures.h"
#include "platform/Form.h"
#include "platform/Picture.h"
#include "show/MainForm.h"

#ifdef LUMOSA_HAVE_LIBJPEG
#include <jpeglib.h>
#endif

using bench::programFile;

namespace {

constexpr int kPhotos = 50;  // 24 MP photos, all shown by the memory run
constexpr int kTimed = 5;    // of those, timed one by one
constexpr int kNaive = 3;    // the naive way is slow: fewer
const QSize kScreen(1920, 1080);

QTextStream& err() {
    static QTextStream stream(stderr);
    return stream;
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return -1;
    }
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double timed(const std::function<void()>& work) {
    const double start = bench::nowMs();
    work();
    return bench::nowMs() - start;
}

void fail(const QString& why) {
    err() << "show_bench: " << why << Qt::endl;
    std::exit(1);
}

// Runs lumosa-samples unless its files are there already: photos as a camera of `kind` writes
// them, its thumbnail and maker data included.
void samples(const QString& tools, const QString& folder, const QString& size, const char* kind,
             int count, int seed, const QString& prefix) {
    const QString last =
        QStringLiteral("%1/%2-%3.jpg").arg(folder, prefix).arg(count, 4, 10, QLatin1Char('0'));
    if (QFile::exists(last)) {
        return;
    }
    err() << "show_bench: writing " << count << " photos of " << size << " into " << folder
          << " (once)" << Qt::endl;
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(tools + QStringLiteral("/lumosa-samples"),
            {QStringLiteral("--photo"), size, QStringLiteral("--kind"), QString::fromLatin1(kind),
             QStringLiteral("--count"), QString::number(count), QStringLiteral("--seed"),
             QString::number(seed), QStringLiteral("--quality"), QStringLiteral("90"),
             QStringLiteral("--prefix"), prefix, folder});
    if (!p.waitForFinished(-1) || p.exitCode() != 0 || !QFile::exists(last)) {
        fail(QStringLiteral("lumosa-samples failed (is --tools the build-bench folder?)"));
    }
}

QString photo(const QString& folder, const QString& prefix, int i) {
    return QStringLiteral("%1/%2-%3.jpg").arg(folder, prefix).arg(i, 4, 10, QLatin1Char('0'));
}

// Copies of `files` into `folder`, tagged with an Adobe RGB profile: an APP2 segment holding it,
// right after SOI; the image data stays the same. Written once.
void adobeRgbCopies(const QStringList& files, const QString& folder) {
    QFile profile(QStringLiteral("/usr/share/color/icc/colord/AdobeRGB1998.icc"));
    if (!profile.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("no colord-data: cannot read ") + profile.fileName());
    }
    const QByteArray app2 = QByteArray("ICC_PROFILE\0\1\1", 14) + profile.readAll();
    const int length = int(app2.size()) + 2;
    const QByteArray segment =
        QByteArray("\xFF\xE2") + char(length >> 8) + char(length & 0xFF) + app2;
    QDir().mkpath(folder);
    for (const QString& file : files) {
        QFile out(folder + QLatin1Char('/') + QFileInfo(file).fileName());
        if (out.exists()) {
            continue;
        }
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) ||
            out.write(in.readAll().insert(2, segment)) <= 0) {
            fail(QStringLiteral("cannot write ") + out.fileName());
        }
    }
    bench::dateBack(folder);
}

// 100 folders of 200 pictures: the first a real photo, the rest small JPEGs never read.
void startupDisc(const QString& disc, const QString& firstPhoto) {
    const QString done = disc + QStringLiteral("/_complete");
    if (QFile::exists(done)) {
        return;
    }
    err() << "show_bench: writing the 100 x 200 start-up disc (once)" << Qt::endl;
    QDir(disc).removeRecursively();
    programFile(disc);
    QImage small(64, 48, QImage::Format_RGB32);
    small.fill(Qt::darkGreen);
    const QString smallFile = disc + QStringLiteral("/_small.jpg");
    small.save(smallFile, "JPG");
    for (int f = 0; f < 100; ++f) {
        const QString folder = QStringLiteral("%1/F%2").arg(disc).arg(f, 3, 10, QLatin1Char('0'));
        QDir().mkpath(folder);
        for (int i = 0; i < 200; ++i) {
            const QString name =
                QStringLiteral("%1/p%2.jpg").arg(folder).arg(i, 3, 10, QLatin1Char('0'));
            if (!QFile::copy(f == 0 && i == 0 ? firstPhoto : smallFile, name)) {
                fail(QStringLiteral("cannot write ") + name);
            }
        }
    }
    bench::dateBack(disc);
    QFile(done).open(QIODevice::WriteOnly);
}

// Processes events until `done` holds, at most `ms`.
bool waitFor(const std::function<bool()>& done, int ms = 20000) {
    QElapsedTimer clock;
    clock.start();
    // Asleep until something comes (a picture read on a worker): no spinning beside the decode.
    QTimer wake;
    wake.start(5);
    while (!done()) {
        if (clock.elapsed() > ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The show started on `disc` (its current folder while it runs), its timer stopped.
MainForm* startShow(const QString& disc) {
    platform::Forms::discardAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QDir::setCurrent(disc);
    MainForm* form = platform::Forms::start<MainForm>();
    if (!form) {
        fail(QStringLiteral("the show did not start on ") + disc);
    }
    form->show().pauseShow();
    return form;
}

// The size a photo is drawn at on the screen.
QSize drawnSize(const QString& file) {
    return QImageReader(file).size().scaled(kScreen, Qt::KeepAspectRatio);
}

double libjpegMs(const QString& file) {
#ifdef LUMOSA_HAVE_LIBJPEG
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read ") + file);
    }
    const QByteArray bytes = in.readAll();
    const QSize stored = QImageReader(file).size();
    const int d = platform::jpegScaleDenominator(stored, drawnSize(file));
    // Into memory touched before: the decoder's own time, not the system's for fresh pages.
    std::vector<unsigned char> image(size_t((stored.width() + d - 1) / d) *
                                     size_t((stored.height() + d - 1) / d) * 4);
    return timed([&] {
        jpeg_decompress_struct info;
        jpeg_error_mgr error;
        info.err = jpeg_std_error(&error);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                     static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&info, TRUE);
        info.scale_num = 1;
        info.scale_denom = static_cast<unsigned int>(d);
        info.out_color_space = JCS_EXT_BGRX;  // the pixel layout the show draws
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = image.data() + size_t(info.output_scanline) * info.output_width * 4;
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
    });
#else
    Q_UNUSED(file);
    return -1;
#endif
}

double naiveMs(const QString& file) {
    const int limit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(0);  // a 48 MP photo passes the default at full size
    QImage shown;
    const double ms = timed([&] {
        QImage whole = QImageReader(file).read();
        shown = whole.scaled(drawnSize(file), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    });
    QImageReader::setAllocationLimit(limit);
    if (shown.size() != drawnSize(file)) {
        fail(QStringLiteral("naive decode failed: ") + file);
    }
    return ms;
}

struct ShowTimes {
    double cold;
    double ahead;
    double limit;      // the decoder alone on the same photos, each timed just before its change
    double coldRatio;  // the median of each change's time over its photo's limit
};

// At a person's pace: what the change before left to do (drawing its picture) is done before
// the next is timed.
void rest() {
    const double until = bench::nowMs() + 30;
    waitFor([until] { return bench::nowMs() >= until; });
}

// A key pressed on the show, as the window system hands it over.
void press(MainForm* form, Qt::Key key, const QString& text) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(form, &event);
}

bool shows(MainForm* form, int i) {
    const QString path = form->show().pictures().FullPath(i);
    return form->show().shownImagePath() == path && !form->image1.picture().isNull() &&
           form->image1.picture().image().size() == drawnSize(path);
}

// Keys 4, 2 and 8, each after resting on a middle picture of the folder until its neighbours
// are decoded: the medians of "4" and of "2" and "8" together.
std::pair<double, double> keyTimes(MainForm* form, int count) {
    std::vector<double> prev, jump;
    const auto rest = [form](int i) {
        form->JumpTo(i);
        if (!waitFor([form] { return !form->show().reader().busy() && !form->show().waiting(); })) {
            fail(QStringLiteral("decoding ahead did not finish"));
        }
    };
    const auto keyTo = [form](Qt::Key key, const QString& text, int to) {
        return timed([&] {
            press(form, key, text);
            if (!waitFor([&] { return shows(form, to); })) {
                fail(QStringLiteral("key %1 did not show picture %2").arg(text).arg(to));
            }
        });
    };
    for (int round = 0; round < 3; ++round) {
        for (int i = 1; i + 1 < count; ++i) {
            rest(i);
            prev.push_back(keyTo(Qt::Key_4, QStringLiteral("4"), i - 1));
            rest(i);
            jump.push_back(keyTo(Qt::Key_2, QStringLiteral("2"), 0));
            rest(i);
            jump.push_back(keyTo(Qt::Key_8, QStringLiteral("8"), count - 1));
        }
    }
    return {median(prev), median(jump)};
}

// 40 presses of key 6, 25 ms apart, from the first picture: the time from the last press to
// the 40th picture on the screen.
double burstTime(MainForm* form) {
    constexpr int kPresses = 40;
    form->JumpTo(0);
    waitFor([form] { return !form->show().reader().busy() && !form->show().waiting(); });
    double lastPress = 0;
    for (int k = 0; k < kPresses; ++k) {
        QTimer::singleShot(25 * k, form, [form, k, &lastPress] {
            QCoreApplication::postEvent(form, new QKeyEvent(QEvent::KeyPress, Qt::Key_6,
                                                            Qt::NoModifier, QStringLiteral("6")));
            if (k == kPresses - 1) {
                lastPress = bench::nowMs();
            }
        });
    }
    if (!waitFor([&] { return lastPress > 0 && shows(form, kPresses); }, 60000)) {
        fail(QStringLiteral("the burst did not end on picture %1").arg(kPresses));
    }
    return bench::nowMs() - lastPress;
}

// Pictures 0..count-1 of the show's current folder, each reached by "Next": first (three times
// round) with nothing decoded ahead, each change timed right after the decoder alone on its
// photo, so that both see the machine alike; then (twice round) each decoded ahead while the
// one before is on the screen.
ShowTimes showTimes(MainForm* form, int count) {
    std::vector<double> cold, ahead, limits, ratios;
    const auto shownIs = [form](int i) {
        return form->show().pictures().ListIndex() == i &&
               form->show().shownImagePath() == form->show().currentImagePath() &&
               !form->image1.picture().isNull() &&
               form->image1.picture().image().size() == drawnSize(form->show().currentImagePath());
    };
    // From the change to its picture placed on the window (read on a worker), as before the
    // show read on its own thread; the drawing that follows is the same either way.
    double placedAt = 0;
    const QMetaObject::Connection placed =
        QObject::connect(&form->show().reader(), &show::ShowReader::arrived,
                         [&placedAt] { placedAt = bench::nowMs(); });
    const auto change = [&](int i) {
        const double start = bench::nowMs();
        form->JumpTo(QStringLiteral("Next"));
        waitFor([&] { return shownIs(i); });
        return placedAt - start;
    };
    form->show().reader().setEnabled(false);
    form->JumpTo(count - 1);
    for (int k = 0; k < 3 * count; ++k) {
        const int i = k % count;
        rest();
        limits.push_back(libjpegMs(form->show().pictures().FullPath(i)));
        rest();
        cold.push_back(change(i));
        if (!shownIs(i)) {
            fail(QStringLiteral("the show did not show picture %1").arg(i));
        }
        ratios.push_back(limits.back() > 0 ? cold.back() / limits.back() : -1);
    }
    form->show().reader().setEnabled(true);
    form->JumpTo(count - 1);
    // Cheap to time: twice round the folder, for a steadier median.
    for (int i = 0; i < 2 * count; ++i) {
        if (!waitFor([form] { return !form->show().reader().busy() && !form->show().waiting(); })) {
            fail(QStringLiteral("decoding ahead did not finish"));
        }
        ahead.push_back(change(i % count));
        if (!shownIs(i % count)) {
            fail(QStringLiteral("the show did not show picture %1").arg(i));
        }
    }
    QObject::disconnect(placed);
    return {median(cold), median(ahead), median(limits), median(ratios)};
}

// The child process: 50 photos shown with decoding ahead, as the timer would show them.
int peakRun(const QString& disc) {
    MainForm* form = startShow(disc);
    form->JumpTo(0);
    for (int i = 1; i < kPhotos; ++i) {
        waitFor([form] { return !form->show().reader().busy() && !form->show().waiting(); });
        form->JumpTo(QStringLiteral("Next"));
    }
    QTextStream(stdout) << "peak_mb " << bench::peakMemoryMb() << Qt::endl;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QString tools;
    QString peakDisc;
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "--tools") == 0) {
            tools = QString::fromLocal8Bit(argv[i + 1]);
        } else if (qstrcmp(argv[i], "--peak") == 0) {
            peakDisc = QString::fromLocal8Bit(argv[i + 1]);
        }
    }
    if (tools.isEmpty()) {
        std::fputs("Usage: show_bench --tools BUILD-DIR (the folder holding lumosa-samples)\n",
                   stderr);
        return 2;
    }
    const QString data = QDir(tools).absoluteFilePath(QStringLiteral("bench-data/show"));
    QDir().mkpath(data);
    // An offscreen screen of 1920 x 1080, whatever the machine has.
    const QString screen = data + QStringLiteral("/screen.json");
    {
        QFile config(screen);
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            fail(QStringLiteral("cannot write ") + screen);
        }
        config.write(R"({"screens": [{"name": "bench", "x": 0, "y": 0, "width": 1920,
                         "height": 1080, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screen));
    platform::settleAllocator();  // as the program does
    QApplication app(argc, argv);
    platform::setEndHook([] { fail(QStringLiteral("the show ended")); });
    if (QGuiApplication::primaryScreen()->geometry().size() != kScreen) {
        fail(QStringLiteral("the offscreen screen is not 1920 x 1080"));
    }
    if (!peakDisc.isEmpty()) {
        return peakRun(peakDisc);
    }

    const QString disc = data + QStringLiteral("/disc");
    const QString photos = disc + QStringLiteral("/Photos");
    const QString disc48 = data + QStringLiteral("/disc48");
    const QString photos48 = disc48 + QStringLiteral("/Big");
    programFile(disc);
    programFile(disc48);
    // A 3:2 camera's 24 MP photos, and a phone's 48 MP ones.
    samples(tools, photos, QStringLiteral("6000x4000"), "camera", kPhotos, 1, QStringLiteral("p"));
    samples(tools, photos48, QStringLiteral("8000x6000"), "phone", 2, 1, QStringLiteral("big"));
    const QString startup = data + QStringLiteral("/startup");
    startupDisc(startup, photo(photos, QStringLiteral("p"), 1));

    // Start-up first, on a fresh process's caches for the show itself.
    {
        platform::Forms::discardAll();
        QDir::setCurrent(startup);
        MainForm* form = nullptr;
        const double start = bench::nowMs();
        form = platform::Forms::start<MainForm>();
        const double listed = bench::nowMs();
        if (!form || !waitFor([form] { return !form->image1.picture().isNull(); })) {
            fail(QStringLiteral("no first picture on the start-up disc"));
        }
        const double first = bench::nowMs();
        if (int(form->show().folders().size()) != 100) {
            fail(QStringLiteral("the start-up disc does not show 100 folders"));
        }
        bench::figure(QStringLiteral("startup_ms"), first - start, QStringLiteral("ms"));
        bench::figure(QStringLiteral("startup_listing_ms"), listed - start, QStringLiteral("ms"));
    }

    const auto naiveFigure = [&](const QStringList& files, int naiveCount) {
        std::vector<double> n;
        for (int i = 0; i < naiveCount && i < files.size(); ++i) {
            n.push_back(naiveMs(files[i]));
        }
        return median(n);
    };
    QStringList timedFiles;
    for (int i = 1; i <= kTimed; ++i) {
        timedFiles << photo(photos, QStringLiteral("p"), i);
    }
    const QStringList bigFiles = {photo(photos48, QStringLiteral("big"), 1),
                                  photo(photos48, QStringLiteral("big"), 2)};

    // The show on a folder of only the timed photos, so that "Next" stays among them.
    const QString timedDisc = data + QStringLiteral("/timed");
    programFile(timedDisc);
    QDir().mkpath(timedDisc + QStringLiteral("/Photos"));
    for (const QString& file : timedFiles) {
        const QString link = timedDisc + QStringLiteral("/Photos/") + QFileInfo(file).fileName();
        if (!QFileInfo::exists(link)) {
            QFile::link(file, link);
        }
    }

    // The same photos with a colour profile to convert.
    const QString iccDisc = data + QStringLiteral("/icc");
    programFile(iccDisc);
    adobeRgbCopies(timedFiles, iccDisc + QStringLiteral("/Photos"));

    const double naive = naiveFigure(timedFiles, kNaive);
    const double naive48 = naiveFigure(bigFiles, 1);
    const ShowTimes show24 = showTimes(startShow(timedDisc), kTimed);
    const double limit = show24.limit;
    const auto [prevMs, jumpMs] = keyTimes(startShow(timedDisc), kTimed);
    std::vector<double> bursts;
    for (int round = 0; round < 3; ++round) {
        bursts.push_back(burstTime(startShow(disc)));
    }
    const double burstMs = median(bursts);
    const ShowTimes show48 = showTimes(startShow(disc48), 2);
    const ShowTimes showIcc = showTimes(startShow(iccDisc), kTimed);
    platform::Forms::discardAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const QString ms = QStringLiteral("ms");
    bench::figure(QStringLiteral("limit_ms"), limit, ms);
    bench::figure(QStringLiteral("naive_ms"), naive, ms);
    bench::figure(QStringLiteral("cold_ms"), show24.cold, ms);
    bench::figure(QStringLiteral("cold_icc_ms"), showIcc.cold, ms);
    bench::figure(QStringLiteral("ahead_ms"), show24.ahead, ms);
    bench::figure(QStringLiteral("prev_ms"), prevMs, ms);
    bench::figure(QStringLiteral("jump_ms"), jumpMs, ms);
    bench::figure(QStringLiteral("burst_ms"), burstMs, ms);
    bench::figure(QStringLiteral("limit_48mp_ms"), show48.limit, ms);
    bench::figure(QStringLiteral("naive_48mp_ms"), naive48, ms);
    bench::figure(QStringLiteral("cold_48mp_ms"), show48.cold, ms);
    bench::figure(QStringLiteral("ahead_48mp_ms"), show48.ahead, ms);

    // Peak memory in a process of its own, which never decodes a photo whole.
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--tools"), tools, QStringLiteral("--peak"), disc});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        fail(QStringLiteral("the memory run failed"));
    }
    const QByteArray out = child.readAllStandardOutput().trimmed();
    bool ok = false;
    const double peak = out.startsWith("peak_mb ") ? out.mid(8).toDouble(&ok) : -1;
    if (!ok) {
        fail(QStringLiteral("the memory run printed no figure"));
    }
    bench::figure(QStringLiteral("peak_mb"), peak, QStringLiteral("MB"));

    const auto ratio = [](double a, double b) {
        return a > 0 && b > 0 ? QString::number(a / b, 'f', 2) : QStringLiteral("n/a");
    };
    // The full decode's time swings with how the kernel maps fresh memory: no yardstick.
    QTextStream(stdout) << "naive/cold=" << ratio(naive, show24.cold) << Qt::endl;
    const auto pairs = [](double r) {
        return r > 0 ? QString::number(r, 'f', 2) : QStringLiteral("n/a");
    };
    QTextStream(stdout) << "summary cold/limit=" << pairs(show24.coldRatio)
                        << " cold_icc/limit=" << pairs(showIcc.coldRatio)
                        << " cold_48mp/limit=" << pairs(show48.coldRatio)
                        << " ahead/limit=" << ratio(show24.ahead, limit)
                        << " prev/limit=" << ratio(prevMs, limit)
                        << " jump/limit=" << ratio(jumpMs, limit)
                        << " burst/limit=" << ratio(burstMs, limit)
                        << " peak_mb=" << QString::number(peak, 'f', 1) << Qt::endl;
    return 0;
}
