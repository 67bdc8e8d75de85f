#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <cstdlib>

#include "GifWriter.h"
#include "panel/ControlPanel.h"
#include "platform/Form.h"
#include "platform/Picture.h"
#include "show/MainForm.h"
#include "thumbs/frmThumbnails.h"
#include "windows/Open.h"

using namespace Qt::StringLiterals;

namespace testsupport {

Disc::Disc(const QStringList& entries) {
    file(QStringLiteral("lumosa"), QByteArray("program file"));
    for (const QString& entry : entries) {
        const QStringList parts = entry.split(u':');
        const QStringList size = parts.value(2, u"64x48"_s).split(u'x');
        if (const qsizetype eq = entry.indexOf(u'='); eq >= 0) {
            file(entry.left(eq), entry.mid(eq + 1).toUtf8());
        } else if (entry == u"-lumosa"_s) {
            QFile::remove(abs(u"lumosa"_s));
        } else if (entry.endsWith(u'/')) {
            folder(entry);
        } else {
            const QString colour = parts.value(1);
            picture(parts[0], {size[0].toInt(), size[1].toInt()},
                    QColor(colour.isEmpty() ? u"red"_s : colour));
        }
    }
}

QString Disc::abs(const QString& relative) const {
    return QDir(dir_.path()).absoluteFilePath(relative);
}

QString Disc::folder(const QString& relative) const {
    QDir(dir_.path()).mkpath(relative);
    return abs(relative);
}

QString Disc::picture(const QString& relative, QSize size, QColor color) const {
    const QByteArray format = QFileInfo(relative).suffix().toLower().toLatin1();
    const QByteArray bytes = encode(filled(size, color), format == "jpg" ? "jpeg" : format);
    if (bytes.isEmpty()) {
        qFatal("cannot make test picture %s", qPrintable(relative));
    }
    return file(relative, bytes);
}

QString Disc::file(const QString& relative, const QByteArray& bytes) const {
    const QString target = abs(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile out(target);
    // Dated a minute back, as a file copied a while ago: the show waits for one written just now.
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size() ||
        !out.flush() ||
        !out.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-60),
                         QFileDevice::FileModificationTime)) {
        qFatal("cannot write test file %s", qPrintable(target));
    }
    return target;
}

Session::Session(const Disc& disc) : previousDir_(QDir::currentPath()) {
    QDir::setCurrent(disc.path());
    platform::setEndHook([this] { ended = true; });
    qApp->installEventFilter(this);
}

Session::~Session() {
    qApp->removeEventFilter(this);
    platform::Forms::discardAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::setEndHook(nullptr);
    QDir::setCurrent(previousDir_);
}

MainForm* Session::start(bool running) {
    MainForm* form = platform::Forms::start<MainForm>();
    if (form) {
        // Stopped before any event is handled: on a slow machine the first tick would otherwise
        // come while the show settles.
        if (!running) {
            form->show().pauseShow();
        }
        settle(form);
    }
    return form;
}

bool Session::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) {
        if (auto* box = qobject_cast<QMessageBox*>(watched)) {
            messages.append(box->text());
            QTimer::singleShot(0, box, [box] { box->button(QMessageBox::Ok)->click(); });
        }
    }
    return QObject::eventFilter(watched, event);
}

frmThumbnails* openSheet() {
    windows::openControlPanel();
    platform::Forms::get<ControlPanel>().cbThumbs.click();
    return platform::Forms::find<frmThumbnails>();
}

void settle(MainForm* form) {
    // The program may have ended already.
    settle(platform::Forms::find<MainForm>() == form ? &form->show() : nullptr);
}

void settle(const QPointer<show::Slideshow>& show) {
    const auto settled = [&show] {
        return !show || (!show->waiting() && !show->reader().describing());
    };
    // Woken by each answer of a worker, not by a poll: long runs settle thousands of times.
    QTimer wake;
    wake.start(50);
    const QDeadlineTimer deadline(kWaitMs);
    while (!settled() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QVERIFY(settled());
}

QString lastParts(const QString& path) {
    return path.section(QLatin1Char('/'), -2);
}

QColor middleColour(const platform::Picture& picture) {
    const QImage& image = picture.image();
    return image.isNull() ? QColor() : image.pixelColor(image.width() / 2, image.height() / 2);
}

QImage filled(QSize size, const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QByteArray encode(const QImage& image, const char* format, int quality) {
    if (qstrcmp(format, "gif") == 0) {
        return gifwriter::encode(image);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, format, quality) ? buffer.data() : QByteArray();
}

QByteArray hostileFile(const QString& name) {
    QFile file(QStringLiteral(LUMOSA_SOURCE_DIR "/tests/hostile/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("cannot read %s", qPrintable(file.fileName()));
    }
    const QByteArray bytes = file.readAll();
    return bytes.isNull() ? QByteArray("") : bytes;  // never null: the tests write no file for null
}

QList<HostileFile> hostileFiles() {
    QList<HostileFile> files;
    for (const QString& line : QString::fromUtf8(hostileFile(u"reasons.txt"_s)).split(u'\n')) {
        const QString name = line.section(u' ', 0, 0);
        if (!name.isEmpty() && !name.startsWith(u'#')) {
            files.append({name, hostileFile(name), line.section(u' ', 1).trimmed()});
        }
    }
    return files;
}

bool nearColour(const QColor& actual, const QColor& expected) {
    const auto near = [](int a, int b) { return std::abs(a - b) <= 24; };
    return actual.isValid() && expected.isValid() && near(actual.red(), expected.red()) &&
           near(actual.green(), expected.green()) && near(actual.blue(), expected.blue());
}

qint64 processStatusKb(const char* field) {
    QFile status(u"/proc/self/status"_s);  // "VmHWM:     12345 kB"
    const QRegularExpressionMatch match =
        QRegularExpression(u"^%1:\\s*(\\d+) kB$"_s.arg(QLatin1String(field)),
                           QRegularExpression::MultilineOption)
            .match(QString::fromLatin1(status.open(QIODevice::ReadOnly) ? status.readAll() : ""));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

Show::Show(const QStringList& entries, bool running) : disc(entries) {
    form = session.start(running);
}

}  // namespace testsupport
