// Runs a program's LUMOSA_TEST classes in turn; `PROGRAM Class [Qt Test options]` runs one.
#include <QApplication>
#include <QTest>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Picture.h"
#include "testsupport.h"

namespace testsupport {

namespace {

// By name: registration follows the link order, the name gives a stable one.
std::map<std::string, QObject* (*)()>& testClasses() {
    static std::map<std::string, QObject* (*)()> classes;
    return classes;
}

}  // namespace

bool registerTest(const char* name, QObject* (*make)()) {
    testClasses().emplace(name, make);
    return true;
}

}  // namespace testsupport

int main(int argc, char** argv) {
    platform::settleAllocator();  // memory is measured as the program holds it
    QApplication app(argc, argv);
    // Sizes in the tests are worked out at 96 dots an inch, whatever the screen says.
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);

    auto classes = testsupport::testClasses();
    std::vector<char*> args(argv, argv + argc);
    if (const auto chosen = classes.find(argc > 1 ? argv[1] : ""); chosen != classes.end()) {
        classes = {*chosen};
        args.erase(args.begin() + 1);
    }
    int failures = 0;
    for (const auto& [name, make] : classes) {
        const std::unique_ptr<QObject> test(make());
        failures += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    return std::min(failures, 127);
}
