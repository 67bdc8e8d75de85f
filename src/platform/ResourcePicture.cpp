#include <QImageReader>
#include <QTextStream>

#include "platform/Picture.h"

namespace platform {

// Apart from LoadPicture, which opens the disc's files by the bytes of their names: Qt's resource
// paths exist only inside Qt's own file access.
Picture ResourcePicture(const QString& path) {
    QImageReader reader(path);
    QImage image;
    if (!reader.read(&image)) {
        QTextStream(stderr) << "lumosa: missing artwork " << path << ": " << reader.errorString()
                            << Qt::endl;
        return {};
    }
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    return Picture(image.convertToFormat(format), image.size());
}

}  // namespace platform
