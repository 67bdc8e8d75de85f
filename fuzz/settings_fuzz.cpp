// The settings file (autorun.inf) on arbitrary bytes, read as the show window reads it.
#include <QByteArray>
#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

#include "platform/FileSystem.h"
#include "show/DiscFiles.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The delay's decimal separator comes from the locale, as in the program.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::TextStream stream(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const show::Settings settings = show::ReadSettings(stream);
    // Whatever the file says, the timer gets an interval it can hold and that fires.
    if (settings.delay && (*settings.delay < 1 || *settings.delay > 65535)) {
        std::abort();
    }
    return 0;
}
