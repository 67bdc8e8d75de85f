#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <cstdlib>
#include <limits>
#include <utility>

#include "GifWriter.h"
#include "panel/ControlPanel.h"
#include "platform/Form.h"
#include "platform/Picture.h"
#include "show/MainForm.h"
#include "thumbs/frmThumbnails.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace testsupport {

Disc::Disc() {
    file(QStringLiteral("lumosa"), QByteArray("program file"));
}

QString Disc::abs(const QString& relative) const {
    return QDir(dir_.path()).absoluteFilePath(relative);
}

QString Disc::folder(const QString& relative) const {
    QDir(dir_.path()).mkpath(relative);
    return abs(relative);
}

QString Disc::picture(const QString& relative, QSize size, QColor color) const {
    const QString target = abs(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    const QImage image = filled(size, color);
    const QString suffix = QFileInfo(relative).suffix().toLower();
    const QByteArray format = suffix == QLatin1String("jpeg") ? "jpg" : suffix.toLatin1();
    const bool saved = format == "gif" ? gifwriter::save(image, target).isEmpty()
                                       : image.save(target, format.constData());
    if (!saved) {
        qFatal("cannot write test picture %s", qPrintable(target));
    }
    return target;
}

QString Disc::file(const QString& relative, const QByteArray& bytes) const {
    const QString target = abs(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size()) {
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

MainForm* Session::start() {
    return platform::Forms::start<MainForm>();
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
    platform::Forms::get<ControlPanel>().Show();
    platform::Forms::get<ControlPanel>().cbThumbs.click();
    return platform::Forms::find<frmThumbnails>();
}

void runEventLoop(int milliseconds) {
    QTest::qWait(milliseconds);
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

QByteArray withOrientation(QByteArray jpeg, int orientation) {
    const char exif[] =
        "\xFF\xE1\x00\x22"
        "Exif\0\0MM\x00\x2A\x00\x00\x00\x08\x00\x01"
        "\x01\x12\x00\x03\x00\x00\x00\x01";
    return jpeg.insert(2, QByteArray(exif, 28) + '\0' + char(orientation) + QByteArray(6, '\0'));
}

QByteArray claiming(QSize size, const char* format) {
    QByteArray b = encode(filled({64, 48}, Qt::red), format);
    if (b.startsWith("BM")) {
        qToLittleEndian<qint32>(size.width(), b.data() + 18);
        qToLittleEndian<qint32>(size.height(), b.data() + 22);
    } else if (b.startsWith("GIF")) {
        qToLittleEndian<quint16>(quint16(size.width()), b.data() + 6);
        qToLittleEndian<quint16>(quint16(size.height()), b.data() + 8);
    } else {
        const qsizetype frame = b.indexOf("\xFF\xC0");
        qToBigEndian<quint16>(quint16(size.height()), b.data() + frame + 5);
        qToBigEndian<quint16>(quint16(size.width()), b.data() + frame + 7);
    }
    return b;
}

namespace {

// A BMP with a Windows header as given, followed by `data` bytes of pixel data.
struct Bmp {
    const char* name;
    const char* why;
    qint32 width, height;
    int bits;
    quint32 compression = 0, colours = 0, offset = 54;
    int data = 64;
    QByteArray bytes() const {
        QByteArray b;
        QDataStream out(&b, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out << quint16(0x4D42) << quint32(54 + data) << quint32(0) << offset << quint32(40) << width
            << height << quint16(1) << quint16(bits) << compression << quint32(data)
            << quint32(2835) << quint32(2835) << colours << quint32(0);
        return b + QByteArray(data, '\x55');
    }
};

QByteArray randomBytes(int size, quint32 seed) {
    QRandomGenerator random(seed);
    QByteArray bytes(size, '\0');
    for (char& b : bytes) {
        b = char(random.bounded(256));
    }
    return bytes;
}

}  // namespace

QList<HostileFile> hostileFiles() {
    using namespace Qt::StringLiterals;
    QList<HostileFile> files;
    const auto add = [&files](const QString& name, const QByteArray& bytes, const char* why) {
        files.append({name, bytes, QString::fromLatin1(why)});
    };
    const QByteArray jpeg = encode(filled({200, 150}, Qt::magenta), "jpeg");
    QByteArray progressive;  // libjpeg keeps its whole coefficient store, whatever is decoded
    {
        QBuffer buffer(&progressive);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setProgressiveScanWrite(true);
        writer.write(filled({200, 150}, Qt::magenta));
    }
    const qsizetype sof = jpeg.indexOf("\xFF\xC0"), dht = jpeg.indexOf("\xFF\xC4");
    const qsizetype dqt = jpeg.indexOf("\xFF\xDB"), sos = jpeg.indexOf("\xFF\xDA");
    const qsizetype sof2 = progressive.indexOf("\xFF\xC2");
    if (sof < 0 || dht < 0 || dqt < 0 || sos < 0 || sof2 < 0) {
        qFatal("the JPEG writer no longer writes the markers the hostile files damage");
    }
    // Cut at ten points, from inside the start marker to just before the end marker; then
    // inside the header: after APP0, before the image data, a fill byte then a marker without
    // its length, an EXIF block or the tables after the frame header cut short.
    for (int k = 0; k < 10; ++k) {
        const qsizetype at = k == 0 ? 1 : jpeg.size() * k / 10;
        add(u"b-cut%1.jpg"_s.arg(k), jpeg.left(at), at < sos + 14 ? "not a picture" : "");
    }
    add(u"b-app0.jpg"_s, jpeg.left(20), "not a picture");
    add(u"b-nodata.jpg"_s, jpeg.left(sos), "not a picture");
    add(u"b-nolength.jpg"_s, QByteArray("\xFF\xD8\xFF\xFF\xE0", 5), "not a picture");
    add(u"b-cutexif.jpg"_s, withOrientation(jpeg, 6).left(24), "not a picture");
    add(u"b-cuttables.jpg"_s, jpeg.left(dht + 30), "not a picture");
    const auto patched = [&jpeg](qsizetype at, const QByteArray& with) {
        return QByteArray(jpeg).replace(at, with.size(), with);
    };
    add(u"c-sof-gone.jpg"_s, patched(sof, QByteArray("\xFF\0", 2)), "not a picture");
    add(u"c-sos-gone.jpg"_s, patched(sos, QByteArray("\xFF\0", 2)), "not a picture");
    add(u"c-dqt-length0.jpg"_s, patched(dqt + 2, QByteArray(2, '\0')), "not a picture");
    add(u"c-dqt-length-huge.jpg"_s, patched(dqt + 2, "\xFF\xFF"), "not a picture");
    add(u"c-dht-garbage.jpg"_s, patched(dht + 4, randomBytes(40, 1)), "not a picture");
    add(u"c-sof-precision-3.jpg"_s, patched(sof + 4, "\x03"), "not a picture");
    add(u"c-sof-no-components.jpg"_s, patched(sof + 9, QByteArray(1, '\0')), "not a picture");
    add(u"c-scan-noise.jpg"_s, patched(sos + 20, randomBytes(int(jpeg.size() - sos - 30), 2)),
        "not a picture");
    add(u"c-only-markers.jpg"_s, "\xFF\xD8" + QByteArray(5000, '\xFF'), "not a picture");
    add(u"c-no-end.jpg"_s, jpeg.chopped(2) + randomBytes(300, 3), "not a picture");
    // Frame sizes: none, and past any camera; progressive: past the pixel limit, past the
    // coefficients' (10900 x 10900 at 4:2:0 would keep 356 MB of them), and within both.
    using Claim = std::pair<QSize, const char*>;
    for (const auto& [size, why] :
         {Claim{{0, 0}, "not a picture"}, Claim{{65535, 65535}, "too large"},
          Claim{{30000, 30000}, "too large"}}) {
        add(u"c-sof-%1.jpg"_s.arg(size.width()), claiming(size, "jpeg"), why);
    }
    for (const auto& [size, why] : {Claim{{65500, 20000}, "too large"},
                                    Claim{{10900, 10900}, "too large"}, Claim{{7000, 7000}, ""}}) {
        QByteArray bytes = progressive;
        qToBigEndian<quint16>(quint16(size.height()), bytes.data() + sof2 + 5);
        qToBigEndian<quint16>(quint16(size.width()), bytes.data() + sof2 + 7);
        add(u"c-progressive-%1.jpg"_s.arg(size.width()), bytes, why);
    }

    // GIF: the logical screen is what Qt allocates, whatever the frame holds; 0 x 0 gives the
    // frame's. Past the reader's limit the refusal says "not a picture": the reader gives the
    // frame's size, which is not too large.
    for (const auto& [size, why] :
         {Claim{{65535, 65535}, "too large"}, Claim{{12000, 9000}, "not a picture"},
          Claim{{5460, 5460}, ""}, Claim{{5000, 5000}, ""}, Claim{{0, 0}, ""}}) {
        add(u"d-screen-%1.gif"_s.arg(size.width()), claiming(size, "gif"), why);
    }
    const QByteArray gif = encode(filled({40, 30}, Qt::magenta), "gif");
    add(u"d-header-only.gif"_s, gif.left(13), "not a picture");
    add(u"d-no-frames.gif"_s, gif.left(13 + 768) + ';', "not a picture");
    add(u"d-cut.gif"_s, gif.left(gif.size() / 2), "not a picture");
    add(u"d-noise.gif"_s, gif.left(13) + randomBytes(2000, 4), "not a picture");

    // BMP: sizes negative, huge or beyond the data, depths and offsets that make no sense.
    constexpr qint32 kMin = std::numeric_limits<qint32>::min();
    constexpr qint32 kMax = std::numeric_limits<qint32>::max();
    const Bmp bmps[] = {{"negative-width", "not a picture", -64, 48, 24},
                        {"min-height", "not a picture", 64, kMin, 24},
                        {"100000", "too large", 100000, 100000, 24},
                        {"max-width", "too large", kMax, 1, 24},
                        {"tall-1bit", "too large", 1, 100'000'000, 1},
                        {"10000-8bit", "too large", 10000, 10000, 8, 0, 256},
                        {"5000-8bit", "not a picture", 5000, 5000, 8, 0, 256},
                        {"10000-4bit-rle", "too large", 10000, 10000, 4, 2, 16},
                        {"7000-32bit", "too large", 7000, 5000, 32},
                        {"depth-0", "not a picture", 64, 48, 0},
                        {"depth-64", "not a picture", 64, 48, 64},
                        {"palette-huge", "not a picture", 64, 48, 8, 0, 0xFFFFFFFF},
                        {"offset-beyond", "", 64, 48, 24, 0, 0, 0x7FFFFFFF},
                        {"bitfields-short", "not a picture", 64, 48, 16, 3, 0, 54, 4}};
    for (const Bmp& b : bmps) {
        add(u"e-%1.bmp"_s.arg(QLatin1String(b.name)), b.bytes(), b.why);
    }
    const QByteArray plain = Bmp{"", "", 64, 48, 24}.bytes();
    // An OS/2 core header, whose sizes are 16 bits.
    add(u"e-os2-65535.bmp"_s,
        plain.left(14) + QByteArray("\x0C\0\0\0\xFF\xFF\xFF\xFF", 8) + plain.mid(22), "too large");
    add(u"e-header-cut.bmp"_s, plain.left(20), "not a picture");
    add(u"e-no-pixels.bmp"_s, encode(filled({64, 48}, Qt::red), "bmp").left(54), "not a picture");

    // Not pictures at all, or nothing.
    add(u"f-empty.jpg"_s, "", "empty file");
    add(u"f-zeros.bmp"_s, QByteArray(4096, '\0'), "not a picture");
    add(u"f-random.jpg"_s, randomBytes(10000, 5), "not a picture");
    add(u"f-random.gif"_s, randomBytes(777, 6), "not a picture");
    add(u"f-random.bmp"_s, randomBytes(54, 7), "not a picture");
    add(u"f-soi-random.jpg"_s, "\xFF\xD8" + randomBytes(20000, 8), "not a picture");
    add(u"f-bm-random.bmp"_s, "BM" + randomBytes(500, 9), "too large");
    add(u"f-text.jpg"_s, "This is not a picture.\n", "not a picture");
    add(u"f-png.jpg"_s, encode(filled({30, 30}, Qt::magenta), "png"), "unsupported format");
    return files;
}

bool nearColour(const QColor& actual, const QColor& expected) {
    const auto near = [](int a, int b) { return std::abs(a - b) <= 24; };
    return actual.isValid() && expected.isValid() && near(actual.red(), expected.red()) &&
           near(actual.green(), expected.green()) && near(actual.blue(), expected.blue());
}

qint64 processStatusKb(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray& line :
         status.open(QIODevice::ReadOnly) ? status.readAll().split('\n') : QByteArrayList()) {
        if (line.startsWith(prefix)) {  // "VmHWM:     12345 kB"
            bool ok = false;
            const qint64 kb = line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong(&ok);
            return ok ? kb : -1;
        }
    }
    return -1;
}

UnprivilegedScope::UnprivilegedScope() {
#ifdef Q_OS_UNIX
    constexpr uid_t kNobody = 65534;
    active_ = ::geteuid() == 0 && ::seteuid(kNobody) == 0;
#endif
}

UnprivilegedScope::~UnprivilegedScope() {
#ifdef Q_OS_UNIX
    if (active_ && ::seteuid(0) != 0) {
        qFatal("cannot take back root after acting as nobody");
    }
#endif
}

Show::Show(const QStringList& entries, const QByteArray& settings, bool running) {
    for (const QString& entry : entries) {
        const QString colour = entry.section(u':', 1);
        if (const qsizetype eq = entry.indexOf(u'='); eq >= 0) {
            disc.file(entry.left(eq), entry.mid(eq + 1).toUtf8());
        } else if (entry == QStringLiteral("-lumosa")) {
            QFile::remove(disc.abs(QStringLiteral("lumosa")));
        } else if (entry.endsWith(u'/')) {
            disc.folder(entry);
        } else {
            disc.picture(entry.section(u':', 0, 0), {64, 48},
                         colour.isEmpty() ? Qt::red : QColor(colour));
        }
    }
    if (!settings.isEmpty()) {
        disc.settings(settings);
    }
    form = session.start();
    if (form && !running) {
        form->Timer1.setEnabled(false);
    }
}

}  // namespace testsupport
