// The description file (ImageList.txt) on arbitrary bytes: reading it, then looking up
// names as the show and the thumbnail sheet do.
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
    // Lookups as the show makes them, in the case of the file and in other case. The first
    // line always finds its own description; a name holding a comma cannot be in the file
    // (the first comma ends a name).
    for (qsizetype i = 0; i < names.size() && i < 64; ++i) {
        show::FindImageDesc(names, descs, names.at(i).toUpper());
    }
    if (!names.isEmpty() && show::FindImageDesc(names, descs, names.first()) != descs.first()) {
        std::abort();
    }
    if (!show::FindImageDesc(names, descs, QStringLiteral("a,b")).isEmpty()) {
        std::abort();
    }
    return 0;
}
