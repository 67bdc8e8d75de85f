// The description file (ImageList.txt) on arbitrary bytes, read as the show and the thumbnail
// sheet read it.
#include <QByteArray>
#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

#include "platform/FileSystem.h"
#include "show/DiscFiles.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    platform::TextStream stream(bytes);
    QStringList names;
    QStringList descs;
    show::ReadImageList(stream, names, descs);
    if (names.size() != descs.size() || names.size() > bytes.count(',')) {
        std::abort();
    }
    // The first comma ends a name: none holds one.
    for (const QString& name : std::as_const(names)) {
        if (name.contains(u',')) {
            std::abort();
        }
    }
    return 0;
}
