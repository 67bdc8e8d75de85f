// Runs a program's LUMOSA_TEST classes in turn; `PROGRAM Class [Qt Test options]` runs one.
#include <QApplication>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "testsupport.h"

namespace testsupport {

namespace {

using TestClass = std::pair<const char*, QObject* (*)()>;

std::vector<TestClass>& testClasses() {
    static std::vector<TestClass> classes;
    return classes;
}

}  // namespace

bool registerTest(const char* name, QObject* (*make)()) {
    testClasses().emplace_back(name, make);
    return true;
}

}  // namespace testsupport

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Sizes in the tests are worked out at 96 dots an inch, whatever the screen says.
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);

    std::vector<testsupport::TestClass> classes = testsupport::testClasses();
    // Registration follows the link order: the name gives a stable one.
    std::sort(classes.begin(), classes.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.first, b.first) < 0; });
    std::vector<char*> args(argv, argv + argc);
    const auto chosen = std::find_if(classes.begin(), classes.end(), [&](const auto& c) {
        return argc > 1 && std::strcmp(c.first, argv[1]) == 0;
    });
    if (chosen != classes.end()) {
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
