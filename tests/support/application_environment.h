#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <memory>

namespace wormpair::testing {

// The Qt application of a test program: made before the first test and gone
// after the last, before the program's exit handlers run (the database
// layer's globals must still exist when it shuts down).
template <typename Application>
class ApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "wormpair_test";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<Application>(argc, argv);
        // windows the tests close must not end the application
        if constexpr (requires { Application::setQuitOnLastWindowClosed(false); }) {
            Application::setQuitOnLastWindowClosed(false);
        }
    }
    void TearDown() override { app.reset(); }

    std::unique_ptr<Application> app;
};

template <typename Application>
ApplicationEnvironment<Application>* installApplication() {
    return static_cast<ApplicationEnvironment<Application>*>(
        ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment<Application>));
}

}  // namespace wormpair::testing
