#pragma once
// Every test program runs all the QTest classes linked into it. A test file
// registers its class with RAVIK_TEST(ClassName) at the end of the file.
//   test_xxx                 runs every class
//   test_xxx ClassName [...] runs one class, passing the rest to QTest
#include <QObject>
#include <QtTest>
#include <functional>
#include <memory>

namespace ravik_test {
using Factory = std::function<std::unique_ptr<QObject>()>;
int Register(const char* name, Factory factory);
}

#define RAVIK_TEST(Class)                                                                          \
    static const int ravik_test_registered_##Class =                                               \
        ravik_test::Register(#Class, [] { return std::unique_ptr<QObject>(new Class); });
