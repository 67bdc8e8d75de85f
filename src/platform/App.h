#pragma once

#include <QIcon>
#include <QString>

namespace platform {

// The program's own properties.
struct App {
    static QString Title() { return QStringLiteral("Lumosa"); }
    static QString Comments() {
        return QStringLiteral(
            "This program will display images that are in any folders in the same location "
            "as the program itself.");
    }
    static constexpr int Major = 1;
    static constexpr int Minor = 0;
    static constexpr int Revision = 0;
    // The program's icon, compiled into it from resources/.
    static QIcon Icon() { return QIcon(QStringLiteral(":/lumosa.ico")); }
};

}  // namespace platform
