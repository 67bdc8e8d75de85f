// LoadPicture on arbitrary bytes at the bound the show (a full-HD screen) decodes at, and
// LoadThumbnail (a JPEG's own EXIF thumbnail first) at the thumbnail sheet's (100 pixels). They
// read files, so each input is written to one file
// in a memory-backed temporary folder first.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/Picture.h"

namespace {

QString inputPath;

QString memoryBackedTemp() {
    const QString shm = QStringLiteral("/dev/shm");
    return QDir(shm).exists() ? shm : QDir::tempPath();
}

void check(const QString& path, QSize bound, bool thumbnail) {
    const platform::Picture picture =
        thumbnail ? platform::LoadThumbnail(path, bound) : platform::LoadPicture(path, bound);
    if (picture.isNull()) {
        return;
    }
    const QSize size = picture.image().size();
    // Never larger than the bound, and the limits hold for what was handed back.
    if (size.width() > bound.width() || size.height() > bound.height() ||
        picture.naturalSize().isEmpty() ||
        qint64(picture.naturalSize().width()) * picture.naturalSize().height() > 120'000'000) {
        std::fprintf(stderr, "picture %dx%d (natural %dx%d) for bound %dx%d\n", size.width(),
                     size.height(), picture.naturalSize().width(), picture.naturalSize().height(),
                     bound.width(), bound.height());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    // The decoders' complaints about damaged data would cost more time than the decoding.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    static QTemporaryDir dir(memoryBackedTemp() + QStringLiteral("/lumosa-fuzz-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        std::exit(1);
    }
    inputPath = dir.filePath(QStringLiteral("input"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QFile file(inputPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
        std::abort();
    }
    file.close();
    check(inputPath, QSize(1920, 1080), false);
    check(inputPath, QSize(100, 100), true);
    return 0;
}
