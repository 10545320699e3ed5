// The start-up load as the window runs it: the coefficients first, then the
// version check, whose failure fails the load.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <stdexcept>
#include <vector>

#include "app/lifecycle_commands.h"
#include "store/parameter_database.h"

namespace wormpair {
namespace {

TEST(StartupLoadSteps, VersionCheckRunsOnceAfterTheCoefficients) {
    enum class Check { None, Passes, Throws, ThrowsOther };
    struct Case {
        const char* name;
        bool databasePresent;
        Check check;
        bool ok;
        int checks;
    };
    const Case cases[] = {
        {"check passes", true, Check::Passes, true, 1},
        {"no check", true, Check::None, true, 0},
        {"check throws", true, Check::Throws, false, 1},
        {"check throws a non-exception", true, Check::ThrowsOther, false, 1},
        {"coefficients fail: no check", false, Check::Passes, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        if (c.databasePresent) {
            ASSERT_TRUE(QFile::copy(WORMPAIR_PROGRAM_DIR "db1.mdb", dir.path() + "/db1.mdb"));
        }
        CoefficientSet set;
        int checks = 0;
        std::vector<double> atCheck;
        const auto check = [&] {
            ++checks;
            for (std::size_t n = 1; n <= CoefficientSet::kCount; ++n) atCheck.push_back(set[n]);
            if (c.check == Check::Throws) throw std::runtime_error("update check failed");
            if (c.check == Check::ThrowsOther) throw 42;
        };
        const StartupLoadResult result =
            runStartupLoad(ParameterDatabase(dir.path() + u'/'), set,
                           c.check == Check::None ? std::function<void()>() : check);
        EXPECT_EQ(result.ok, c.ok);
        EXPECT_EQ(result.error.isEmpty(), c.ok);
        EXPECT_EQ(checks, c.checks);
        if (checks == 1) {
            // every value is in place when the check runs
            for (std::size_t n = 1; n <= CoefficientSet::kCount; ++n) {
                EXPECT_EQ(atCheck[n - 1], CoefficientSet::factory()[n]);
            }
        }
    }
}

}  // namespace
}  // namespace wormpair
