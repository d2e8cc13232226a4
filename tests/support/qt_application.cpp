// One QApplication for the whole test program, made before the first test runs; off-screen
// unless the environment names another platform.

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct QtApplication : testing::Environment {
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { application.reset(); }

    int argc = 1;
    char name[6] = "tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> application;
};

[[maybe_unused]] testing::Environment* const environment = testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
