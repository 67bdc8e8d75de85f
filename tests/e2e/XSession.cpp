#include "XSession.h"

#include "testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

#ifdef Q_OS_LINUX
#include <csignal>

#include <sys/prctl.h>
#endif

namespace e2e {

namespace {

constexpr int kPollMs = 25;

// The file the server keeps its screen in (XWD format), refreshed as it draws.
QString frameBufferFile(const QString& folder) {
    return folder + QStringLiteral("/Xvfb_screen0");
}

QString randomCookie() {
    QString cookie;
    for (int i = 0; i < 4; ++i) {
        cookie += QStringLiteral("%1").arg(QRandomGenerator::system()->generate(), 8, 16,
                                           QLatin1Char('0'));
    }
    return cookie;
}

}  // namespace

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer waited;
    waited.start();
    while (!condition()) {
        if (waited.elapsed() > timeoutMs) {
            return false;
        }
        QTest::qWait(kPollMs);
    }
    return true;
}

XSession::XSession(QSize screenSize, bool windowManager) : screenSize_(screenSize) {
    const QString work = work_.path();
    QDir(work).mkpath(QStringLiteral("fb"));
    QDir(work).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(work + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment_.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
    environment_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment_.insert(QStringLiteral("XDG_RUNTIME_DIR"), work + QStringLiteral("/runtime"));
    environment_.insert(QStringLiteral("XDG_CONFIG_HOME"), work + QStringLiteral("/config"));
    environment_.insert(QStringLiteral("XDG_CACHE_HOME"), work + QStringLiteral("/cache"));
    environment_.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const QString authority = work + QStringLiteral("/Xauthority");
    environment_.insert(QStringLiteral("XAUTHORITY"), authority);
    QFile(authority).open(QIODevice::WriteOnly);

    // A cookie keeps other local users off the server. The server reads every cookie of its
    // file whatever display it names, and picks a free display itself, so the clients' entry
    // for the real number is added once that is known.
    const QString cookie = randomCookie();
    if (run(QStringLiteral("xauth"),
            {QStringLiteral("-q"), QStringLiteral("-f"), authority, QStringLiteral("add"),
             QStringLiteral(":0"), QStringLiteral("."), cookie})
            .isNull()) {
        error_ = QStringLiteral("xauth failed");
        return;
    }
    const QString size =
        QStringLiteral("%1x%2x24").arg(screenSize.width()).arg(screenSize.height());
    server_.reset(
        launch(QStringLiteral("Xvfb"),
               {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                QStringLiteral("0"), size, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                QStringLiteral("-nocursor"), QStringLiteral("-noreset"), QStringLiteral("-auth"),
                authority, QStringLiteral("-fbdir"), work + QStringLiteral("/fb")}));
    QByteArray number;
    waitFor([&] {
        number += server_->readAllStandardOutput();
        return number.endsWith('\n') || server_->state() == QProcess::NotRunning;
    });
    if (!number.endsWith('\n')) {
        error_ = QStringLiteral("the virtual X server did not start: ") +
                 QString::fromLocal8Bit(server_->readAllStandardError());
        return;
    }
    const QString display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    run(QStringLiteral("xauth"), {QStringLiteral("-q"), QStringLiteral("-f"), authority,
                                  QStringLiteral("add"), display, QStringLiteral("."), cookie});
    environment_.insert(QStringLiteral("DISPLAY"), display);

    if (windowManager) {
        const QString ready = work + QStringLiteral("/wm-ready");
        windowManager_.reset(launch(QStringLiteral("openbox"),
                                    {QStringLiteral("--sm-disable"), QStringLiteral("--startup"),
                                     QStringLiteral("touch ") + ready}));
        if (!waitFor([&] {
                return QFileInfo::exists(ready) || windowManager_->state() == QProcess::NotRunning;
            }) ||
            !QFileInfo::exists(ready)) {
            error_ = QStringLiteral("the window manager did not start: ") +
                     QString::fromLocal8Bit(windowManager_->readAllStandardError());
        }
    }
}

XSession::~XSession() {
    end(program_.get());
    end(windowManager_.get());
    end(server_.get());
}

QProcess* XSession::launch(const QString& program, const QStringList& arguments,
                           const QString& folder) {
    auto* process = new QProcess;
    process->setProcessEnvironment(environment_);
    if (!folder.isEmpty()) {
        process->setWorkingDirectory(folder);
    }
#ifdef Q_OS_LINUX
    // Nothing we start outlives a test process that dies.
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
    process->start(program, arguments);
    process->waitForStarted();
    return process;
}

void XSession::end(QProcess* process) {
    if (!process || process->state() == QProcess::NotRunning) {
        return;
    }
    process->terminate();
    if (!process->waitForFinished(5000)) {
        process->kill();
        process->waitForFinished(5000);
    }
}

void XSession::startProgram(const QString& program, const QString& folder,
                            const QStringList& arguments) {
    stopProgram();
    programErrors_.clear();
    program_.reset(launch(program, arguments, folder));
}

void XSession::startShow(const QString& disc) {
    startProgram(disc + QStringLiteral("/lumosa"), disc);
}

bool XSession::running() const {
    return program_ && program_->state() != QProcess::NotRunning;
}

int XSession::waitForExit(int timeoutMs) {
    if (!program_) {
        return -1;
    }
    if (!waitFor([this] { return !running(); }, timeoutMs)) {
        return -1;
    }
    return program_->exitStatus() == QProcess::NormalExit ? program_->exitCode() : -1;
}

void XSession::stopProgram() {
    if (!program_) {
        return;
    }
    end(program_.get());
    // The screen keeps the last picture of a window that is gone until something draws over
    // it: black again, so that the next program's pictures are not confused with it.
    run(QStringLiteral("xsetroot"), {QStringLiteral("-solid"), QStringLiteral("black")});
}

QString XSession::programErrors() {
    if (program_) {
        programErrors_ += program_->readAllStandardError();
    }
    return QString::fromLocal8Bit(programErrors_);
}

QImage XSession::screenshot() const {
    QFile file(frameBufferFile(work_.path() + QStringLiteral("/fb")));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    // The XWD header: big-endian 32-bit fields, then the colour map, then the pixels.
    constexpr int kFields = 25;
    if (bytes.size() < kFields * 4) {
        return {};
    }
    auto field = [&](int index) { return qFromBigEndian<quint32>(bytes.constData() + 4 * index); };
    const quint32 headerSize = field(0);
    const quint32 width = field(4);
    const quint32 height = field(5);
    const quint32 byteOrder = field(7);
    const quint32 bitsPerPixel = field(11);
    const quint32 bytesPerLine = field(12);
    const quint32 colours = field(19);
    constexpr quint32 kColourEntry = 12;
    const qint64 offset = qint64(headerSize) + qint64(colours) * kColourEntry;
    // 32-bit pixels in the order of the machine the server runs on, which is ours.
    const quint32 ours = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? 0 : 1;
    if (bitsPerPixel != 32 || byteOrder != ours ||
        offset + qint64(bytesPerLine) * height > bytes.size()) {
        return {};
    }
    const QImage view(reinterpret_cast<const uchar*>(bytes.constData() + offset), int(width),
                      int(height), int(bytesPerLine), QImage::Format_RGB32);
    // After a switch to a smaller size the screen is the top left part of the frame buffer.
    return view.copy(QRect(QPoint(0, 0), screenSize_));
}

QColor XSession::centreColour() const {
    return colourAt(QPoint(screenSize_.width() / 2, screenSize_.height() / 2));
}

QList<int> XSession::watch(const QList<QColor>& colours, int count, QPoint point) {
    if (point == QPoint(-1, -1)) {
        point = QPoint(screenSize_.width() / 2, screenSize_.height() / 2);
    }
    QList<int> seen;
    waitFor(
        [&] {
            const QColor shown = colourAt(point);
            for (int i = 0; i < colours.size(); ++i) {
                if (testsupport::nearColour(shown, colours[i]) &&
                    (seen.isEmpty() || seen.back() != i)) {
                    seen.append(i);
                }
            }
            return seen.size() >= count || !running();
        },
        120000);
    return seen;
}

bool XSession::setScreenSize(QSize size) {
    // Xvfb offers only the size it started with: the others are added as modes first.
    const QString mode = QStringLiteral("test-%1x%2").arg(size.width()).arg(size.height());
    const auto number = [](int n) { return QString::number(n); };
    run(QStringLiteral("xrandr"),
        {QStringLiteral("--newmode"), mode, QStringLiteral("60"), number(size.width()),
         number(size.width() + 40), number(size.width() + 170), number(size.width() + 260),
         number(size.height()), number(size.height() + 1), number(size.height() + 5),
         number(size.height() + 28)});
    run(QStringLiteral("xrandr"), {QStringLiteral("--addmode"), QStringLiteral("screen"), mode});
    if (run(QStringLiteral("xrandr"),
            {QStringLiteral("--output"), QStringLiteral("screen"), QStringLiteral("--mode"), mode})
            .isNull()) {
        return false;
    }
    screenSize_ = size;
    return true;
}

QString XSession::run(const QString& tool, const QStringList& arguments, int timeoutMs) const {
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.start(tool, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return {};
    }
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    return out.isNull() ? QStringLiteral("") : out;
}

QStringList XSession::windows(const QString& titlePattern) const {
    // No match is an error for the tool: an empty list.
    return run(QStringLiteral("xdotool"),
               {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                titlePattern})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString XSession::waitForWindow(const QString& titlePattern, int timeoutMs) const {
    QStringList found;
    waitFor(
        [&] {
            found = windows(titlePattern);
            return found.size() == 1;
        },
        timeoutMs);
    if (found.size() != 1) {
        // Say what was there instead, for whoever reads a failure.
        qInfo("waited %d ms for one window titled %s: found %lld; the program is %s", timeoutMs,
              qPrintable(titlePattern), qlonglong(found.size()),
              running() ? "running" : "not running");
        return QString();
    }
    return found.front();
}

bool XSession::waitForNoWindow(const QString& titlePattern, int timeoutMs) const {
    return waitFor([&] { return windows(titlePattern).isEmpty(); }, timeoutMs);
}

QString XSession::title(const QString& window) const {
    return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), window}).trimmed();
}

QRect XSession::geometry(const QString& window) const {
    // Not xdotool's getwindowgeometry: under a window manager it counts the frame twice.
    const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window});
    auto value = [&](const QString& label) {
        const QRegularExpression pattern(QRegularExpression::escape(label) +
                                         QStringLiteral(":\\s*(-?\\d+)"));
        const QRegularExpressionMatch match = pattern.match(info);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    return {value(QStringLiteral("Absolute upper-left X")),
            value(QStringLiteral("Absolute upper-left Y")), value(QStringLiteral("Width")),
            value(QStringLiteral("Height"))};
}

QMargins XSession::frameExtents(const QString& window) const {
    const QString info = run(QStringLiteral("xprop"),
                             {QStringLiteral("-id"), window, QStringLiteral("_NET_FRAME_EXTENTS")});
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"))
            .match(info);
    if (!match.hasMatch()) {
        return {};
    }
    // The property lists left, right, top, bottom.
    return {match.captured(1).toInt(), match.captured(3).toInt(), match.captured(2).toInt(),
            match.captured(4).toInt()};
}

bool XSession::key(const QString& keys) const {
    return !run(QStringLiteral("xdotool"),
                QStringList{QStringLiteral("key"), QStringLiteral("--delay"),
                            QStringLiteral("50")} +
                    keys.split(QLatin1Char(' '), Qt::SkipEmptyParts))
                .isNull();
}

bool XSession::click(const QString& window, QPoint inside) const {
    return !run(QStringLiteral("xdotool"),
                {QStringLiteral("mousemove"), QStringLiteral("--sync"), QStringLiteral("--window"),
                 window, QString::number(inside.x()), QString::number(inside.y()),
                 QStringLiteral("click"), QStringLiteral("1")})
                .isNull();
}

void XSession::report(const QString& name) {
    const QString shot =
        QDir::temp().absoluteFilePath(QStringLiteral("lumosa-e2e-%1.png").arg(name));
    if (screenshot().save(shot)) {
        qInfo("screen saved in %s", qPrintable(shot));
    }
    const QString errors = programErrors();
    if (!errors.isEmpty()) {
        qInfo("the program said: %s", qPrintable(errors));
    }
}

QString XSession::readText(const QImage& image) const {
    const QString file = work_.path() + QStringLiteral("/ocr.png");
    if (!image.convertToFormat(QImage::Format_Grayscale8).save(file)) {
        return {};
    }
    // One block of text: the message and its button.
    return run(QStringLiteral("tesseract"),
               {file, QStringLiteral("-"), QStringLiteral("--psm"), QStringLiteral("6")})
        .simplified();
}

void SessionTest::initTestCase() {
    x_ = std::make_unique<XSession>(screenSize_, true);
    QVERIFY2(x_->error().isEmpty(), qPrintable(x_->error()));
}

void SessionTest::cleanup() {
    if (QTest::currentTestFailed()) {
        x_->report(QString::fromLatin1(QTest::currentTestFunction()));
    }
    x_->stopProgram();
}

bool installProgram(const QString& disc) {
    const QString target = disc + QStringLiteral("/lumosa");
    QFile::remove(target);
    return QFile::link(QStringLiteral(LUMOSA_PROGRAM), target);
}

namespace {

QRect boundsWhere(const QImage& image, const QColor& colour, bool near) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        int first = -1;
        int last = -1;
        for (int x = 0; x < image.width(); ++x) {
            if (testsupport::nearColour(image.pixelColor(x, y), colour) == near) {
                if (first < 0) {
                    first = x;
                }
                last = x;
            }
        }
        if (first >= 0) {
            bounds |= QRect(first, y, last - first + 1, 1);
        }
    }
    return bounds;
}

}  // namespace

QRect boundsOf(const QImage& image, const QColor& background) {
    return boundsWhere(image, background, false);
}

QRect extentOf(const QImage& image, const QColor& colour) {
    return boundsWhere(image, colour, true);
}

}  // namespace e2e
