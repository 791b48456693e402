#include <QApplication>

#include "tests/app/TestMain.h"

namespace pixelon::app::test {
std::vector<TestRun>& testRuns() {
    static std::vector<TestRun> runs;
    return runs;
}
} // namespace pixelon::app::test

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    int failed = 0;
    for (auto& run : pixelon::app::test::testRuns())
        failed += run(argc, argv) != 0;
    return failed;
}
