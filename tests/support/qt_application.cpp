// One QApplication for the whole test program, made before the first test runs.

#include <QApplication>

#include <gtest/gtest.h>

namespace {

struct QtApplication : testing::Environment {
    void SetUp() override { application = std::make_unique<QApplication>(argc, argv); }
    void TearDown() override { application.reset(); }

    int argc = 1;
    char name[6] = "tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> application;
};

[[maybe_unused]] testing::Environment* const environment = testing::AddGlobalTestEnvironment(new QtApplication);

} // namespace
