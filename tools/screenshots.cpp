// lumosa-screenshots OUTDIR: runs the show on a demo disc on a virtual X server under a window
// manager and saves PNG screenshots of its windows into OUTDIR (scripts/screenshots, for the
// README).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdio>

#include "XSession.h"

using e2e::XSession;

namespace {

// Waits for the screen to stop changing (two looks a while apart agree).
void settle(const XSession& x) {
    QImage before = x.screenshot();
    e2e::waitFor([&] {
        QTest::qWait(400);
        const QImage now = x.screenshot();
        const bool same = now == before;
        before = now;
        return same;
    });
}

bool samples(const QString& folder, const QStringList& arguments) {
    QProcess tool;
    tool.start(QStringLiteral(LUMOSA_SAMPLES), arguments + QStringList{folder});
    return tool.waitForFinished(120000) && tool.exitCode() == 0;
}

class Shooter {
public:
    explicit Shooter(const QString& out) : out_(out) {}
    bool ok = true;

    void check(bool condition, const char* what) {
        if (ok && !condition) {
            std::fprintf(stderr, "lumosa-screenshots: %s\n", what);
            ok = false;
        }
    }
    void save(const XSession& x, const QString& name) {
        if (!ok) {
            return;
        }
        settle(x);
        const QString file = QDir(out_).filePath(name);
        check(x.screenshot().save(file), "cannot write a screenshot");
        std::printf("%s\n", qPrintable(file));
    }

private:
    QString out_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    // At a plain place, since the folder selection shows the folders' full paths.
    QDir disc(QDir::temp().filePath(QStringLiteral("Lumosa demo disc")));
    disc.removeRecursively();
    disc.mkpath(QStringLiteral("."));
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(disc.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    if (!samples(disc.filePath(QStringLiteral("Harbour")),
                 {QStringLiteral("--tag"), QStringLiteral("Harbour")}) ||
        !samples(disc.filePath(QStringLiteral("Mountains")),
                 {QStringLiteral("--tag"), QStringLiteral("Mountains"), QStringLiteral("--only"),
                  QStringLiteral("landscape,panorama")}) ||
        !samples(disc.filePath(QStringLiteral("Village")),
                 {QStringLiteral("--tag"), QStringLiteral("Village"), QStringLiteral("--only"),
                  QStringLiteral("portrait,tiny")})) {
        std::fprintf(stderr, "lumosa-screenshots: cannot write the sample pictures\n");
        return 1;
    }
    // A long delay: the pictures stay while they are taken, yet the show runs.
    if (!write(QStringLiteral("Harbour/ImageList.txt"),
               "1-landscape.jpg,The harbour at dawn, seen from the pier\n") ||
        !write(QStringLiteral("autorun.inf"), "delay=60\n") || !e2e::installProgram(disc.path())) {
        std::fprintf(stderr, "lumosa-screenshots: cannot put the program on the disc\n");
        return 1;
    }

    Shooter shots(out);
    {
        XSession x(QSize(1024, 768), true);
        shots.check(x.error().isEmpty(), qPrintable(x.error()));
        x.startShow(disc.path());
        shots.check(!x.waitForWindow(QStringLiteral("^Lumosa$")).isEmpty(), "no show window");
        shots.check(x.key(QStringLiteral("6")), "xdotool failed");
        shots.save(x, QStringLiteral("show.png"));

        shots.check(x.key(QStringLiteral("Escape")), "xdotool failed");
        const QString panel = x.waitForWindow(QStringLiteral("^Lumosa Control Panel$"));
        shots.check(!panel.isEmpty(), "no control panel");
        shots.save(x, QStringLiteral("panel.png"));

        // Thumbnail, then back to the show and About.
        shots.check(x.click(panel, QPoint((1200 + 487) / 15, (720 + 187) / 15)), "click failed");
        shots.check(!x.waitForWindow(QStringLiteral("^[0-9]+ thumbnails\\.")).isEmpty(),
                    "no thumbnail sheet");
        shots.save(x, QStringLiteral("thumbnails.png"));
        shots.check(x.click(x.waitForWindow(QStringLiteral("^[0-9]+ thumbnails\\.")),
                            QPoint(4500 / 15, 1000 / 15)),
                    "click failed");
        shots.check(x.waitForNoWindow(QStringLiteral("thumbnails")), "the sheet stayed");
        shots.check(x.key(QStringLiteral("Escape")), "xdotool failed");
        const QString again = x.waitForWindow(QStringLiteral("^Lumosa Control Panel$"));
        shots.check(x.click(again, QPoint((2280 + 487) / 15, (720 + 187) / 15)), "click failed");
        shots.check(!x.waitForWindow(QStringLiteral("^About Lumosa$")).isEmpty(),
                    "no About window");
        shots.save(x, QStringLiteral("about.png"));
    }
    {
        shots.check(write(QStringLiteral("autorun.inf"), "showfolders=true\n"),
                    "cannot write autorun.inf");
        XSession x(QSize(1024, 768), true);
        shots.check(x.error().isEmpty(), qPrintable(x.error()));
        x.startShow(disc.path());
        const QString selection = x.waitForWindow(QStringLiteral("^Image Directory Selection$"));
        shots.check(!selection.isEmpty(), "no folder selection");
        shots.check(x.click(selection, QPoint(60, 16)), "click failed");
        shots.check(x.key(QStringLiteral("Down Down space")), "xdotool failed");
        shots.save(x, QStringLiteral("folders.png"));
    }
    disc.removeRecursively();
    return shots.ok ? 0 : 1;
}
