#include "TestMain.h"

#include "Application.h"

#include <QByteArray>
#include <QStandardPaths>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace ravik_test {
namespace {
std::vector<std::pair<std::string, Factory>>& Registry()
{
    static std::vector<std::pair<std::string, Factory>> registry;
    return registry;
}
}

int Register(const char* name, Factory factory)
{
    Registry().emplace_back(name, std::move(factory));
    return static_cast<int>(Registry().size());
}
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    // Tests never read the user's own settings (the publish rules among them).
    QStandardPaths::setTestModeEnabled(true);

    std::string only;
    // A crash must end the run at once: Qt's crash handler would start a
    // debugger and leave the test program hanging until CTest's timeout.
    static char noCrashHandler[] = "-nocrashhandler";
    std::vector<char*> rest{argv[0], noCrashHandler};
    for (int i = 1; i < argc; ++i) {
        if (only.empty() && argv[i][0] != '-')
            only = argv[i];
        else
            rest.push_back(argv[i]);
    }

    int failed = 0;
    int run = 0;
    for (auto& [name, factory] : ravik_test::Registry()) {
        if (!only.empty() && only != name)
            continue;
        auto object = factory();
        ++run;
        if (QTest::qExec(object.get(), static_cast<int>(rest.size()), rest.data()) != 0) {
            ++failed;
            std::fprintf(stderr, "FAILED: %s\n", name.c_str());
        }
    }
    std::printf("%d test classes run, %d failed\n", run, failed);
    return failed == 0 && run > 0 ? 0 : 1;
}
