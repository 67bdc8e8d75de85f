// The main of each test program: a program holds the test classes of one part of Lumosa, each
// registered with LUMOSA_TEST, and runs them in turn under one application object.
// `PROGRAM Class [Qt Test options]` runs one class alone.
#include <QApplication>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "testsupport.h"

namespace testsupport {

namespace {

struct TestClass {
    const char* name;
    QObject* (*make)();
};

std::vector<TestClass>& testClasses() {
    static std::vector<TestClass> classes;
    return classes;
}

}  // namespace

bool registerTest(const char* name, QObject* (*make)()) {
    testClasses().push_back({name, make});
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
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    std::vector<char*> args(argv, argv + argc);
    if (argc > 1) {
        const auto chosen = std::find_if(classes.begin(), classes.end(), [&](const auto& c) {
            return std::strcmp(c.name, argv[1]) == 0;
        });
        if (chosen != classes.end()) {
            classes = {*chosen};
            args.erase(args.begin() + 1);
        }
    }
    int failures = 0;
    for (const testsupport::TestClass& testClass : classes) {
        const std::unique_ptr<QObject> test(testClass.make());
        failures += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    return std::min(failures, 127);
}
