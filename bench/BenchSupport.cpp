#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include "panel/ControlPanel.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "thumbs/frmThumbnails.h"
#include "windows/Open.h"

namespace bench {

double peakMemoryMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (line.startsWith("VmHWM:")) {
            bool ok = false;
            const double kb = line.mid(6).trimmed().split(' ').value(0).toDouble(&ok);
            return ok ? kb / 1024.0 : -1;
        }
    }
    return -1;
}

double nowMs() {
    static QElapsedTimer clock;
    if (!clock.isValid()) {
        clock.start();
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QTimer wake;  // so that `done` is asked again even when no event comes
    wake.start(5);
    const double until = nowMs() + timeoutMs;
    while (!done()) {
        if (timeoutMs >= 0 && nowMs() > until) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void dateBack(const QString& folder) {
    const QDateTime then = QDateTime::currentDateTimeUtc().addSecs(-60);
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (file.fileTime(QFileDevice::FileModificationTime) > then) {
            file.open(QIODevice::Append);
            file.setFileTime(then, QFileDevice::FileModificationTime);
        }
    }
}

bool startShow(const QString& disc, int count) {
    QDir::setCurrent(disc);
    if (!platform::Forms::start<MainForm>()) {
        return false;
    }
    const MainForm& show = platform::Forms::get<MainForm>();
    waitUntil([&] { return show.show().pictures().ListCount() == count; });
    return true;
}

frmThumbnails* openSheet() {
    windows::openControlPanel();
    platform::Forms::get<ControlPanel>().cbThumbs.click();
    return platform::Forms::find<frmThumbnails>();
}

void figure(const QString& name, double value, const QString& unit) {
    QTextStream(stdout) << name << ' ' << QString::number(value, 'f', value < 10 ? 2 : 1) << ' '
                        << unit << Qt::endl;
}

}  // namespace bench
