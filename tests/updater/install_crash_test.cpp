// The install killed (kill -9) at every flush and rename, then a start of
// the program: the program directory holds the old release or the new one,
// never a mix, and nothing of the install is left.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "crash_points.h"
#include "folder_snapshot.h"

namespace {

namespace fs = std::filesystem;
using wormpair::testing::runProgram;
using wormpair::testing::snapshot;

void write(const fs::path& path, const std::string& text, fs::perms perms = fs::perms(0644)) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
    fs::permissions(path, perms);
}

class InstallCrash : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!wormpair::testing::straceWorks()) GTEST_SKIP() << "strace cannot trace here";
        m_root = fs::temp_directory_path() / ("wormpair-install-" + std::to_string(::getpid()));
        fs::remove_all(m_root);
    }
    void TearDown() override { fs::remove_all(m_root); }

    // The installed release V8.601.
    fs::path installed(const std::string& name) const {
        const fs::path dir = m_root / name;
        fs::remove_all(dir);
        write(dir / "wormpair", "old program", fs::perms(0755));
        write(dir / "Project11.exe", "old updater", fs::perms(0755));
        write(dir / "1.xls", "old template", fs::perms(0640));
        write(dir / "db1.mdb", "the user's own rules");
        write(dir / "v.txt", "V8.601\n");
        return dir;
    }

    fs::path m_root;
};

TEST_F(InstallCrash, EveryKilledInstallIsCompletedOrUndoneAtTheNextStart) {
    const fs::path clean = installed("clean");
    ASSERT_EQ(runProgram({WORMPAIR_INSTALL_PROBE, clean.string()}).status, 0);
    const auto newRelease = snapshot(clean);
    const fs::path program = installed("program");
    const auto oldRelease = snapshot(program);
    ASSERT_NE(newRelease, oldRelease);

    int completed = 0, undone = 0;
    const int points = wormpair::testing::forEveryKillPoint(
        {WORMPAIR_INSTALL_PROBE, program.string()}, [&] { installed("program"); },
        [&](const std::string& where) {
            SCOPED_TRACE(where);
            ASSERT_EQ(runProgram({WORMPAIR_INSTALL_PROBE, "--start", program.string()}).status, 0);
            const auto now = snapshot(program);
            EXPECT_TRUE(now == oldRelease || now == newRelease);
            (now == newRelease ? completed : undone)++;
        });
    std::printf("%d kill points: %d installs completed at the next start, %d undone\n", points,
                completed, undone);
    EXPECT_GE(points, 10);
    EXPECT_GT(completed, 1);
    EXPECT_GT(undone, 1);
}

// A journal is only a file in the program directory: one naming places
// outside it (directly, by "..", or through a link) is refused at the next
// start and removed; the files there stay as they were.
TEST(InstallJournal, PathsOutsideTheProgramDirectoryAreRefused) {
    const fs::path root = fs::temp_directory_path() / ("wormpair-journal-" + std::to_string(::getpid()));
    const fs::path program = root / "program", outside = root / "outside";
    const struct {
        const char* line;
        bool undo;
    } cases[] = {
        {"add ../outside/victim", false},
        {"replace ../outside/victim", false},
        {"add OUTSIDE/victim", true},
        {"replace elsewhere/victim", false},
        {"folder ../outside/made", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        fs::remove_all(root);
        write(outside / "victim", "the user's file");
        write(program / "v.txt", "V8.601\n");
        fs::create_symlink(outside, program / "elsewhere");
        std::string line = c.line;
        if (const auto at = line.find("OUTSIDE"); at != std::string::npos) {
            line.replace(at, 7, outside.string());
        }
        write(program / ".wp-install" / "journal", "wormpair-install 1\n" + line + "\nend\n");
        // undone: an added file no longer staged is deleted
        write(program / ".wp-install" / (c.undo ? "undo" : "new-0"), "new content");
        EXPECT_EQ(runProgram({WORMPAIR_INSTALL_PROBE, "--start", program.string()}).status, 3);
        std::ifstream in(outside / "victim");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's file");
        EXPECT_FALSE(fs::exists(outside / "made"));
        EXPECT_FALSE(fs::exists(program / ".wp-install"));
    }
    fs::remove_all(root);
}

}  // namespace
