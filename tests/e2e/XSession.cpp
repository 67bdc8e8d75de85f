#include "XSession.h"

#include <QDir>
#include <QRegularExpression>
#include <QTest>
#include <QUuid>
#include <QtEndian>

#include "testsupport.h"

#include <csignal>

#include <sys/prctl.h>

using namespace Qt::StringLiterals;

namespace e2e {

namespace {

const QString kXdotool = u"xdotool"_s;
bool windowManagerDied = false;  // then every wait fails at once

QStringList words(const QString& line) {
    return line.split(u' ', Qt::SkipEmptyParts);
}

void end(QProcess* process) {
    if (process && process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();  // and waited for when the object goes
        }
    }
}

}  // namespace

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    return QTest::qWaitFor([&] { return windowManagerDied || condition(); }, timeoutMs) &&
           !windowManagerDied;
}

XSession::XSession(QSize screenSize, bool windowManager) : screenSize_(screenSize) {
    const QString work = work_.path();
    QDir(work).mkpath(u"fb"_s);
    QDir(work).mkdir(u"runtime"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString authority = work + u"/Xauthority"_s;
    QFile(authority).open(QIODevice::WriteOnly);
    environment_ = QProcessEnvironment::systemEnvironment();
    environment_.remove(u"WAYLAND_DISPLAY"_s);
    environment_.remove(u"QT_QPA_PLATFORMTHEME"_s);
    // Every file a library keeps for itself goes into the session's folder.
    for (const QString& variable :
         {u"QT_QPA_PLATFORM=xcb"_s, u"LC_ALL=C.UTF-8"_s, u"HOME=%1/home"_s.arg(work),
          u"XDG_RUNTIME_DIR=%1/runtime"_s.arg(work), u"XDG_CONFIG_HOME=%1/config"_s.arg(work),
          u"XDG_CACHE_HOME=%1/cache"_s.arg(work), u"XAUTHORITY="_s + authority}) {
        environment_.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    }
    // A cookie keeps other users off; the server picks its display (-displayfd) and reads every
    // cookie of the file, the clients' entry for that display is added once it is known.
    const QString cookie = QString::fromLatin1(QUuid::createUuid().toRfc4122().toHex());
    const auto addCookie = [&](const QString& display) {
        return !run(u"xauth"_s, words(u"-q -f %1 add %2 . %3"_s.arg(authority, display, cookie)))
                    .isNull();
    };
    addCookie(u":0"_s);  // should xauth fail, so does the display's entry below
    server_.reset(
        launch(u"Xvfb"_s, words(u"-displayfd 1 -nolisten tcp -nocursor -noreset -screen "
                                u"0 %1x%2x24 -auth %3 -fbdir %4/fb"_s.arg(screenSize.width())
                                    .arg(screenSize.height())
                                    .arg(authority, work))));
    QByteArray number;
    waitFor([&] {
        number += server_->readAllStandardOutput();
        return number.endsWith('\n') || server_->state() == QProcess::NotRunning;
    });
    const QString display = u':' + QString::fromLatin1(number.trimmed());
    if (!number.endsWith('\n') || !addCookie(display)) {
        error_ = u"the virtual X server did not start: "_s +
                 QString::fromLocal8Bit(server_->readAllStandardError());
        return;
    }
    environment_.insert(u"DISPLAY"_s, display);
    if (!windowManager) {
        return;
    }
    // A window mapped while openbox still starts may never be shown: it says when it is ready.
    const QString ready = work + u"/wm-ready"_s;
    windowManager_.reset(
        launch(u"openbox"_s, {u"--sm-disable"_s, u"--startup"_s, u"touch "_s + ready}));
    QObject::connect(windowManager_.get(), &QProcess::finished, [this] {
        windowManagerDied = true;
        qWarning("the window manager ended: %s", windowManager_->readAllStandardError().data());
    });
    if (!waitFor([&] { return QFileInfo::exists(ready); })) {
        error_ = u"the window manager did not start"_s;
    }
}

XSession::~XSession() {
    if (windowManager_) {
        windowManager_->disconnect();
    }
    end(program_.get());
    end(windowManager_.get());
    end(server_.get());
}

QProcess* XSession::launch(const QString& program, const QStringList& arguments,
                           const QString& folder) {
    auto* process = new QProcess;
    process->setProcessEnvironment(environment_);
    process->setWorkingDirectory(folder);
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process->start(program, arguments);
    process->waitForStarted();
    return process;
}

void XSession::startProgram(const QString& program, const QString& folder,
                            const QStringList& arguments) {
    stopProgram();
    program_.reset(launch(program, arguments, folder));
}

bool XSession::startShow(const QString& disc) {
    if (!installProgram(disc)) {
        return false;
    }
    startProgram(disc + u"/lumosa"_s, disc);
    return true;
}

int XSession::waitForExit() {
    const bool ended = program_ && waitFor([this] { return !running(); });
    return ended && program_->exitStatus() == QProcess::NormalExit ? program_->exitCode() : -1;
}

void XSession::stopProgram() {
    if (!program_) {
        return;
    }
    end(program_.get());
    // Black again: the screen keeps a gone window's last picture for the next program's.
    run(u"xsetroot"_s, {u"-solid"_s, u"black"_s});
}

QImage XSession::screenshot() const {
    // XWD: big-endian 32-bit header fields, the colour map, then pixels in our byte order.
    QFile file(work_.path() + u"/fb/Xvfb_screen0"_s);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    auto field = [&](int index) { return qFromBigEndian<quint32>(bytes.constData() + 4 * index); };
    const qint64 offset = bytes.size() < 100 ? 0 : qint64(field(0)) + qint64(field(19)) * 12;
    if (offset == 0 || field(11) != 32 || offset + qint64(field(12)) * field(5) > bytes.size()) {
        return {};
    }
    // A smaller screen size is the top left part of the frame buffer.
    return QImage(reinterpret_cast<const uchar*>(bytes.constData() + offset), int(field(4)),
                  int(field(5)), int(field(12)), QImage::Format_RGB32)
        .copy(QRect(QPoint(0, 0), screenSize_));
}

QList<int> XSession::watch(const QList<QColor>& colours, int count) const {
    QList<int> seen;
    waitFor(
        [&] {
            const QColor shown =
                screenshot().pixelColor(screenSize_.width() / 2, screenSize_.height() / 2);
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
    // Xvfb offers only the size it started with: others are added as modes first.
    const int w = size.width(), h = size.height();
    const QString mode = u"test-%1x%2"_s.arg(w).arg(h);
    run(u"xrandr"_s, words(u"--newmode %1 60 %2 %3 %4 %5 %6 %7 %8 %9"_s.arg(mode)
                               .arg(w)
                               .arg(w + 40)
                               .arg(w + 170)
                               .arg(w + 260)
                               .arg(h)
                               .arg(h + 1)
                               .arg(h + 5)
                               .arg(h + 28)));
    run(u"xrandr"_s, words(u"--addmode screen "_s + mode));
    const bool switched = !run(u"xrandr"_s, words(u"--output screen --mode "_s + mode)).isNull();
    screenSize_ = switched ? size : screenSize_;
    return switched;
}

QString XSession::run(const QString& tool, const QStringList& arguments, int timeoutMs) const {
    QProcess process;  // killed when it did not end
    process.setProcessEnvironment(environment_);
    process.start(tool, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return {};
    }
    const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
    return out.isNull() ? u""_s : out;
}

QStringList XSession::windows(const QString& titlePattern) const {
    return run(kXdotool, words(u"search --onlyvisible --name"_s) << titlePattern)
        .split(u'\n', Qt::SkipEmptyParts);
}

QString XSession::waitForWindow(const QString& titlePattern) const {
    QStringList found;
    waitFor([&] { return (found = windows(titlePattern)).size() == 1; });
    return found.size() == 1 ? found.front() : QString();
}

QRect XSession::geometry(const QString& window) const {
    // Not xdotool's getwindowgeometry: it counts a window manager's frame twice.
    const QString info = run(u"xwininfo"_s, {u"-id"_s, window});
    auto value = [&](const QString& label) {
        const QRegularExpressionMatch match =
            QRegularExpression(label + u":\\s*(-?\\d+)"_s).match(info);
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    };
    return {value(u"Absolute upper-left X"_s), value(u"Absolute upper-left Y"_s), value(u"Width"_s),
            value(u"Height"_s)};
}

QRect XSession::outer(const QString& window) const {
    const QString info = run(u"xprop"_s, {u"-id"_s, window, u"_NET_FRAME_EXTENTS"_s});
    const QRegularExpressionMatch m =
        QRegularExpression(u"=\\s*(\\d+),\\s*(\\d+),\\s*(\\d+),\\s*(\\d+)"_s).match(info);
    return geometry(window).marginsAdded(QMargins(m.captured(1).toInt(), m.captured(3).toInt(),
                                                  m.captured(2).toInt(), m.captured(4).toInt()));
}

bool XSession::key(const QString& keys) const {
    return !run(kXdotool, words(u"key --delay 50 "_s + keys)).isNull();
}

bool XSession::click(const QString& window, QPoint inside) const {
    // Not mousemove --sync, which blocks long when the pointer is there already.
    const QPoint to = geometry(window).topLeft() + inside;
    const QString x = QString::number(to.x()), y = QString::number(to.y());
    return !run(kXdotool, {u"mousemove"_s, x, y}).isNull() && waitFor([&] {
        return run(kXdotool, words(u"getmouselocation --shell"_s))
            .startsWith(u"X=%1\nY=%2\n"_s.arg(x, y));
    }) && !run(kXdotool, words(u"click 1"_s)).isNull();
}

bool XSession::activate(const QString& window) const {
    return !window.isEmpty() && !run(kXdotool, {u"windowactivate"_s, u"--sync"_s, window}).isNull();
}

QString XSession::openPanel() const {
    return key(u"Escape"_s) ? waitForWindow(u"^Lumosa Control Panel$"_s) : QString();
}

QString XSession::openSheet() const {
    // By key: the panel may still be moving to its place.
    return activate(openPanel()) && key(u"alt+t"_s)
               ? waitForWindow(u"^[0-9]+ thumbnails\\. Click on an image"_s)
               : QString();
}

void SessionTest::initTestCase() {
    x_ = std::make_unique<XSession>(screenSize_, true);
    QVERIFY2(x_->error().isEmpty(), qPrintable(x_->error()));
}

void SessionTest::cleanup() {
    if (QTest::currentTestFailed()) {
        const QString shot = QDir::temp().absoluteFilePath(
            u"lumosa-e2e-%1.png"_s.arg(QString::fromLatin1(QTest::currentTestFunction())));
        qInfo("screen in %s: %d; the program said: %s", qPrintable(shot),
              x_->screenshot().save(shot), qPrintable(x_->programErrors()));
    }
    x_->stopProgram();
}

bool installProgram(const QString& disc) {
    const QString target = disc + u"/lumosa"_s;
    QFile::remove(target);
    return QFile::link(QStringLiteral(LUMOSA_PROGRAM), target);
}

QRect extentOf(const QImage& image, const QColor& colour, bool near) {
    QRect extent;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (testsupport::nearColour(image.pixelColor(x, y), colour) == near) {
                extent |= QRect(x, y, 1, 1);
            }
        }
    }
    return extent;
}

}  // namespace e2e
