#pragma once

#include <QObject>
#include <QTest>

#include <functional>
#include <vector>

namespace pixelon::app::test {

// Every Qt Test class of this program registers itself; main runs them all.
using TestRun = std::function<int(int argc, char** argv)>;
std::vector<TestRun>& testRuns();

template <class T> struct Register {
    Register() {
        testRuns().push_back([](int argc, char** argv) {
            T t;
            return QTest::qExec(&t, argc, argv);
        });
    }
};

} // namespace pixelon::app::test

#define PIXELON_QT_TEST(Class) static pixelon::app::test::Register<Class> register_##Class;
