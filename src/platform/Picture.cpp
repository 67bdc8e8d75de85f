#include "platform/Picture.h"

namespace platform {

Picture LoadPicture(const QString& path, QSize bound, QString* why) {
    Q_UNUSED(path);
    Q_UNUSED(bound);
    if (why) {
        *why = QStringLiteral("not implemented");
    }
    return {};
}

}  // namespace platform
