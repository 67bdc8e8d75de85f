#include "Fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QtEndian>

#include <cstdlib>

#include "BenchSupport.h"

namespace bench {

namespace {

[[noreturn]] void fail(const QString& message) {
    QTextStream(stderr) << QCoreApplication::applicationName() << ": " << message << Qt::endl;
    std::exit(1);
}

}  // namespace

void run(const QString& program, const QStringList& arguments, const QString& folder) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        fail(program + QStringLiteral(" failed"));
    }
}

void programFile(const QString& disc) {
    QDir().mkpath(disc);
    QFile file(disc + QStringLiteral("/lumosa"));
    if (!file.exists() && (!file.open(QIODevice::WriteOnly) || file.write("bench") != 5)) {
        fail(QStringLiteral("cannot write ") + file.fileName());
    }
}

Medium::Medium(const QString& source, const QStringList& options) {
    if (!mount_.isValid() || !log_.isValid()) {
        fail(QStringLiteral("no temporary folder"));
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral(LUMOSA_SOURCE_DIR "/tools/medium.py"),
                   QStringList{source, mountPoint(), QStringLiteral("--log"),
                               log_.path() + QStringLiteral("/reads")} +
                       options);
    waitUntil(
        [&] {
            return process_.state() == QProcess::NotRunning ||
                   QDir(mountPoint()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() > 0;
        },
        10000);
    if (process_.state() == QProcess::NotRunning) {
        fail(QStringLiteral("tools/medium.py did not start"));
    }
}

Medium::~Medium() {
    // Unmounted first: the mount point's removal then never waits on the file system.
    QProcess::execute(QStringLiteral("fusermount3"),
                      {QStringLiteral("-u"), QStringLiteral("-z"), mountPoint()});
    process_.terminate();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

qint64 Medium::bytesRead() const {
    QFile file(log_.path() + QStringLiteral("/reads"));
    qint64 bytes = 0;
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            bytes += line.mid(line.lastIndexOf(' ') + 1).toLongLong();
        }
    }
    return bytes;
}

VirtualScreen::VirtualScreen(QSize size) : size_(size) {
    server_.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                   QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                   QStringLiteral("%1x%2x24").arg(size.width()).arg(size.height()),
                   QStringLiteral("-fbdir"), dir_.path()});
    QByteArray number;
    waitUntil(
        [&] {
            number += server_.readAllStandardOutput();
            return number.endsWith('\n') || server_.state() == QProcess::NotRunning;
        },
        10000);
    if (!number.endsWith('\n')) {
        fail(QStringLiteral("Xvfb did not start"));
    }
    display_ = u':' + QString::fromLatin1(number.trimmed());
}

VirtualScreen::~VirtualScreen() {
    server_.terminate();
    server_.waitForFinished(5000);
}

bool VirtualScreen::showsPicture() const {
    QFile file(dir_.path() + QStringLiteral("/Xvfb_screen0"));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (bytes.size() < 100) {
        return false;
    }
    // An XWD file: header length, then bytes a line, then a 12-byte colour entry each.
    const auto field = [&](int i) { return qFromBigEndian<quint32>(bytes.constData() + 4 * i); };
    const qint64 offset = qint64(field(0)) + qint64(field(19)) * 12;
    const qint64 perLine = field(12);
    // A grid over the middle of the screen, a tenth in from each edge.
    int lit = 0, seen = 0;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 20; ++column) {
            const qint64 y = size_.height() / 10 + row * size_.height() * 8 / 10 / 16;
            const qint64 x = size_.width() / 10 + column * size_.width() * 8 / 10 / 20;
            const qint64 at = offset + y * perLine + 4 * x;
            if (at + 4 > bytes.size()) {
                return false;
            }
            ++seen;
            lit += (quint8(bytes[at]) | quint8(bytes[at + 1]) | quint8(bytes[at + 2])) > 16;
        }
    }
    return lit * 2 > seen;
}

}  // namespace bench
