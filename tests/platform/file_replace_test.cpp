// Each test is a fault of a writer that opens "NAME.tmp<random>" with
// fopen("wb") and renames it over the target.
#include "platform/file_replace.h"

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "failing_writer.h"

namespace wormpair {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const Bytes kOld = {'o', 'l', 'd', '\n'};
const Bytes kNew(70000, 'N');

class FileReplaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "wormpair-replace-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        std::error_code error;
        fs::remove_all(m_dir, error);
    }

    static void writeFile(const fs::path& path, const Bytes& bytes, mode_t mode = 0644) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    }
    static Bytes readFile(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static struct stat statusOf(const fs::path& path, bool followLink = true) {
        struct stat status {};
        (followLink ? ::stat : ::lstat)(path.c_str(), &status);
        return status;
    }
    static std::set<std::string> namesIn(const fs::path& folder) {
        std::set<std::string> names;
        for (const auto& item : fs::directory_iterator(folder)) {
            names.insert(item.path().filename().string());
        }
        return names;
    }
    static bool isRoot() { return ::geteuid() == 0; }

    fs::path m_dir;
};

// Another user fills a shared folder with links at the names a writer may
// pick for its temporary file, all naming a private file elsewhere.
TEST_F(FileReplaceTest, LinksPreparedInAStickyFolderReceiveNothing) {
    const fs::path shared = m_dir / "shared";
    const fs::path victim = m_dir / "private" / "secret";
    fs::create_directories(victim.parent_path());
    fs::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    writeFile(victim, kOld, 0600);
    std::set<std::string> links;
    for (int i = 0; i < 1000; ++i) links.insert("out.xls.tmp" + std::to_string(i));
    for (const char* name : {"out.xls.tmp", "out.xls~", ".out.xls.swp", "#out.xls#", "out.tmp"}) {
        links.insert(name);
    }
    for (const std::string& name : links) fs::create_symlink(victim, shared / name);

    for (const char* round : {"new target", "existing target"}) {
        SCOPED_TRACE(round);
        replaceFile(shared / "out.xls", kNew);
        EXPECT_EQ(readFile(shared / "out.xls"), kNew);
        EXPECT_EQ(readFile(victim), kOld);
        EXPECT_EQ(statusOf(victim).st_mode & 07777, 0600u);
        std::set<std::string> expected = links;
        expected.insert("out.xls");
        EXPECT_EQ(namesIn(shared), expected);
        EXPECT_TRUE(fs::is_symlink(shared / "out.xls.tmp7"));
    }
}

TEST_F(FileReplaceTest, AnExistingTargetKeepsItsPermissionBitsAndOwner) {
    const struct {
        const char* name;
        mode_t mode;
        uid_t owner;  // changed only when running as root
    } cases[] = {
        {"private", 0600, 0},    {"group readable", 0640, 0},     {"group writable", 0660, 0},
        {"executable", 0755, 0}, {"another user's", 0640, 65534},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.owner != 0 && !isRoot()) continue;
        const fs::path target = m_dir / "target";
        writeFile(target, kOld, c.mode);
        if (c.owner != 0) {
            ASSERT_EQ(::chown(target.c_str(), c.owner, c.owner), 0);
        }
        const struct stat before = statusOf(target);
        replaceFile(target, kNew);
        const struct stat after = statusOf(target);
        EXPECT_EQ(readFile(target), kNew);
        EXPECT_EQ(after.st_mode & 07777, c.mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        fs::remove(target);
    }
}

// A new file gets 0666 less the umask in force at the time of the call.
TEST_F(FileReplaceTest, ANewFileFollowsTheCurrentUmask) {
    const mode_t saved = ::umask(022);
    for (const auto& [mask, mode] :
         {std::pair<mode_t, mode_t>{022, 0644}, {077, 0600}, {002, 0664}}) {
        SCOPED_TRACE(mask);
        ::umask(mask);
        const fs::path target = m_dir / ("new" + std::to_string(mask));
        replaceFile(target, kNew);
        EXPECT_EQ(statusOf(target).st_mode & 07777, mode);
    }
    ::umask(saved);
}

// Targets that are refused: each stays exactly as it was and no temporary
// file is left. The FIFO is never opened, so nothing blocks on it.
TEST_F(FileReplaceTest, TargetsThatAreNotWritableRegularFilesAreLeftAlone) {
    const fs::path outside = m_dir / "outside";
    writeFile(outside, kOld);
    const struct {
        const char* name;
        std::function<void(const fs::path&)> make;
        bool needsRoot;
    } cases[] = {
        {"read-only file", [](const fs::path& p) { writeFile(p, kOld, 0444); }, false},
        {"FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); }, false},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }, false},
        {"character device",
         [](const fs::path& p) { ASSERT_EQ(::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0); },
         true},
        {"dangling link", [](const fs::path& p) { fs::create_symlink("missing", p); }, false},
        {"link to a read-only file",
         [&](const fs::path& p) {
             ASSERT_EQ(::chmod(outside.c_str(), 0444), 0);
             fs::create_symlink(outside, p);
         },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.needsRoot && !isRoot()) continue;
        const fs::path folder = m_dir / "case";
        fs::create_directory(folder);
        const fs::path target = folder / "target";
        c.make(target);
        const struct stat before = statusOf(target, false);
        ::alarm(10);  // a blocking open would end the test here
        EXPECT_THROW(replaceFile(target, kNew), FileReplaceError);
        ::alarm(0);
        const struct stat after = statusOf(target, false);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
        if (S_ISREG(before.st_mode)) {
            EXPECT_EQ(readFile(target), kOld);
        }
        EXPECT_EQ(namesIn(folder), std::set<std::string>{"target"});
        EXPECT_FALSE(fs::exists(folder / "missing"));
        EXPECT_EQ(readFile(outside), kOld);
        fs::remove_all(folder);
    }
}

TEST_F(FileReplaceTest, ALinkStaysALinkAndTheFileItNamesIsReplaced) {
    const fs::path files = m_dir / "files";
    const fs::path links = m_dir / "links";
    fs::create_directory(files);
    fs::create_directory(links);
    const struct {
        const char* name;
        fs::path linkTarget;
    } cases[] = {
        {"absolute link", files / "a.xls"},
        {"relative link", "../files/a.xls"},
        {"link to a link", links / "first"},
    };
    fs::create_symlink(files / "a.xls", links / "first");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(files / "a.xls", kOld, 0640);
        const fs::path link = links / "link";
        fs::create_symlink(c.linkTarget, link);
        replaceFile(link, kNew);
        EXPECT_EQ(fs::read_symlink(link), c.linkTarget);
        EXPECT_EQ(readFile(files / "a.xls"), kNew);
        EXPECT_EQ(statusOf(files / "a.xls").st_mode & 07777, 0640u);
        EXPECT_EQ(namesIn(files), std::set<std::string>{"a.xls"});
        EXPECT_EQ(namesIn(links), (std::set<std::string>{"first", "link"}));
        fs::remove(link);
    }
}

// The kernel follows a link in a sticky world-writable folder only when it
// belongs to the follower or to the folder's owner; so does replaceFile.
TEST_F(FileReplaceTest, AnotherUsersLinkInAStickyFolderIsNotFollowed) {
    if (!isRoot()) GTEST_SKIP() << "needs root to give files to another user";
    const fs::path victim = m_dir / "victim";
    const struct {
        const char* name;
        uid_t linkOwner, folderOwner;
        bool followed;
    } cases[] = {
        {"another user's link", 65534, 0, false},
        {"own link", 0, 0, true},
        {"the folder owner's link", 65534, 65534, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(victim, kOld, 0600);
        const fs::path shared = m_dir / "shared";
        fs::create_directory(shared);
        ASSERT_EQ(::chown(shared.c_str(), c.folderOwner, c.folderOwner), 0);
        ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
        fs::create_symlink(victim, shared / "report.xls");
        ASSERT_EQ(::lchown((shared / "report.xls").c_str(), c.linkOwner, c.linkOwner), 0);
        if (c.followed) {
            replaceFile(shared / "report.xls", kNew);
        } else {
            EXPECT_THROW(replaceFile(shared / "report.xls", kNew), FileReplaceError);
        }
        EXPECT_EQ(readFile(victim), c.followed ? kNew : kOld);
        EXPECT_TRUE(fs::is_symlink(shared / "report.xls"));
        EXPECT_EQ(namesIn(shared), std::set<std::string>{"report.xls"});
        fs::remove_all(shared);
    }
}

// A writer that may not keep the owner of a group's file keeps its group.
TEST_F(FileReplaceTest, AGroupsFileWrittenByAnotherMemberKeepsItsGroup) {
    if (!isRoot()) GTEST_SKIP() << "needs root to act as another user";
    constexpr gid_t kGroup = 4242;
    const fs::path target = m_dir / "shared.xls";
    writeFile(target, kOld, 0660);
    ASSERT_EQ(::chown(target.c_str(), 0, kGroup), 0);
    ASSERT_EQ(::chmod(m_dir.c_str(), 0777), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // user 65534 in the group
        if (::setgroups(1, &kGroup) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(3);
        try {
            replaceFile(target, kNew);
        } catch (const FileReplaceError&) {
            _exit(2);
        }
        _exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(target), kNew);
    EXPECT_EQ(statusOf(target).st_gid, kGroup);
    EXPECT_EQ(statusOf(target).st_mode & 07777, 0660u);
}

// The temporary name must fit beside a name at the 255-byte limit.
TEST_F(FileReplaceTest, NamesUpToTheFileSystemLimitWork) {
    for (const std::size_t length : {250, 254, 255}) {
        SCOPED_TRACE(length);
        const fs::path target = m_dir / (std::string(length - 4, 'n') + ".xls");
        replaceFile(target, kNew);  // new
        replaceFile(target, kOld);  // existing
        EXPECT_EQ(readFile(target), kOld);
        EXPECT_EQ(namesIn(m_dir), std::set<std::string>{target.filename().string()});
        fs::remove(target);
    }
    EXPECT_THROW(replaceFile(m_dir / std::string(256, 'n'), kNew), FileReplaceError);
    EXPECT_TRUE(namesIn(m_dir).empty());
}

TEST_F(FileReplaceTest, AWriteFailingPartWayLeavesTheTargetAsItWas) {
    for (const std::size_t limit :
         {std::size_t{0}, std::size_t{1}, std::size_t{4096}, kNew.size() - 1}) {
        for (const bool exists : {true, false}) {
            SCOPED_TRACE(::testing::Message() << limit << (exists ? " existing" : " new"));
            const fs::path target = m_dir / "target";
            if (exists) writeFile(target, kOld);
            EXPECT_THROW(replaceFile(target, kNew, testing::failingAfter(limit)), FileReplaceError);
            if (exists) {
                EXPECT_EQ(readFile(target), kOld);
                EXPECT_EQ(namesIn(m_dir), std::set<std::string>{"target"});
            } else {
                EXPECT_TRUE(namesIn(m_dir).empty());
            }
            fs::remove(target);
        }
    }
}

// Past the file-size limit the kernel sends SIGXFSZ, which would end the
// process with the temporary file still there.
TEST_F(FileReplaceTest, TheFileSizeLimitFailsCleanly) {
    const fs::path target = m_dir / "target";
    writeFile(target, kOld);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{4096, 4096};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
        try {
            replaceFile(target, kNew);
        } catch (const FileReplaceError&) {
            _exit(0);
        }
        _exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(target), kOld);
    EXPECT_EQ(namesIn(m_dir), std::set<std::string>{"target"});
}

}  // namespace
}  // namespace wormpair
