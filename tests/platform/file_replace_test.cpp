// Each test is a fault of a writer that opens "NAME.tmp<random>" with
// fopen("wb") and renames it over the target, or of the first version of
// replaceFile. Tests that act as another user need root (as in CI).
#include "platform/file_replace.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "failing_writer.h"

namespace wormpair {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Names = std::set<std::string>;

const Bytes kOld = {'o', 'l', 'd'};
const Bytes kNew(70000, 'N');

void writeFile(const fs::path& path, const Bytes& bytes, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ::chmod(path.c_str(), mode);
}

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct stat statusOf(const fs::path& path, bool followLink = true) {
    struct stat status {};
    (followLink ? ::stat : ::lstat)(path.c_str(), &status);
    return status;
}

Names namesIn(const fs::path& folder) {
    Names names;
    for (const auto& item : fs::directory_iterator(folder)) names.insert(item.path().filename());
    return names;
}

// Runs `body` in a child process; its exit status (-1 when a signal ended it).
int inChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) _exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FileReplaceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "wormpair-replace-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static bool isRoot() { return ::geteuid() == 0; }

    fs::path m_dir;
};

// Another user fills a shared folder with links at the names a writer may
// pick for its temporary file, all naming a private file elsewhere.
TEST_F(FileReplaceTest, LinksPreparedInAStickyFolderReceiveNothing) {
    const fs::path shared = m_dir / "shared", victim = m_dir / "secret";
    fs::create_directory(shared);
    ::chmod(shared.c_str(), 01777);
    writeFile(victim, kOld, 0600);
    Names links = {"out.xls.tmp", "out.xls~", ".out.xls.swp", "#out.xls#"};
    for (int i = 0; i < 1000; ++i) links.insert("out.xls.tmp" + std::to_string(i));
    for (const std::string& name : links) fs::create_symlink(victim, shared / name);
    for (const char* round : {"new target", "existing target"}) {
        SCOPED_TRACE(round);
        replaceFile(shared / "out.xls", kNew);
        EXPECT_EQ(readFile(shared / "out.xls"), kNew);
        EXPECT_EQ(readFile(victim), kOld);
        Names expected = links;
        expected.insert("out.xls");
        EXPECT_EQ(namesIn(shared), expected);
    }
}

TEST_F(FileReplaceTest, AnExistingTargetKeepsItsPermissionBitsAndOwner) {
    const fs::path target = m_dir / "target";
    for (const mode_t mode : {0600, 0640, 0755}) {
        SCOPED_TRACE(mode);
        writeFile(target, kOld, mode);
        if (isRoot()) ::chown(target.c_str(), 65534, 65534);
        const struct stat before = statusOf(target);
        replaceFile(target, kNew);
        const struct stat after = statusOf(target);
        EXPECT_EQ(readFile(target), kNew);
        EXPECT_EQ(after.st_mode & 07777, mode);
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
        fs::remove(target);
    }
}

// A new file gets 0666 less the umask in force at the time of the call.
TEST_F(FileReplaceTest, ANewFileFollowsTheCurrentUmask) {
    const mode_t saved = ::umask(022);
    for (const auto& [mask, mode] : {std::pair<mode_t, mode_t>{022, 0644}, {077, 0600}}) {
        ::umask(mask);
        replaceFile(m_dir / std::to_string(mask), kNew);
        EXPECT_EQ(statusOf(m_dir / std::to_string(mask)).st_mode & 07777, mode) << mask;
    }
    ::umask(saved);
}

// Each refused target stays exactly as it was and no temporary file is left.
// The FIFO is never opened, so nothing blocks on it.
TEST_F(FileReplaceTest, TargetsThatAreNotWritableRegularFilesAreLeftAlone) {
    const std::pair<const char*, std::function<void(const fs::path&)>> cases[] = {
        {"read-only file", [](const fs::path& p) { writeFile(p, kOld, 0444); }},
        {"FIFO", [](const fs::path& p) { ::mkfifo(p.c_str(), 0666); }},
        {"folder", [](const fs::path& p) { fs::create_directory(p); }},
        {"character device",
         [](const fs::path& p) { ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)); }},
        {"dangling link", [](const fs::path& p) { fs::create_symlink("missing", p); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        const fs::path folder = m_dir / "case", target = folder / "target";
        fs::create_directory(folder);
        make(target);
        if (!fs::exists(fs::symlink_status(target))) continue;  // mknod needs root
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
        EXPECT_EQ(namesIn(folder), Names{"target"});
        fs::remove_all(folder);
    }
}

// A refusal says, in Chinese, what is wrong with which path.
TEST_F(FileReplaceTest, RefusalsNameTheRealCause) {
    writeFile(m_dir / "file", kOld);
    fs::create_directories(m_dir / "folder");
    fs::create_directories(m_dir / "readonly");
    ::chmod((m_dir / "readonly").c_str(), 0555);
    fs::create_symlink("missing", m_dir / "dangling");
    const std::pair<fs::path, std::string> cases[] = {
        {m_dir / "missing/x", "文件夹“" + (m_dir / "missing").string() + "”不存在"},
        {m_dir / "file/x", "“" + (m_dir / "file").string() + "”不是文件夹"},
        {m_dir / "folder", "是文件夹，不是普通文件"},
        {m_dir / "dangling", "指向的文件不存在"},
        {m_dir / "readonly/x", "是只读的"},
    };
    for (const auto& [target, cause] : cases) {
        SCOPED_TRACE(target.string());
        try {
            replaceFile(target, kNew);
            ADD_FAILURE() << "written";
        } catch (const FileReplaceError& e) {
            EXPECT_NE(std::string(e.what()).find(cause), std::string::npos) << e.what();
        }
    }
    try {
        readWholeFile(m_dir / "folder");
        ADD_FAILURE() << "read";
    } catch (const FileReplaceError& e) {
        EXPECT_NE(std::string(e.what()).find("不是普通文件"), std::string::npos) << e.what();
    }
}

TEST_F(FileReplaceTest, ALinkStaysALinkAndTheFileItNamesIsReplaced) {
    const fs::path files = m_dir / "files", links = m_dir / "links";
    fs::create_directory(files);
    fs::create_directory(links);
    fs::create_symlink(files / "a.xls", links / "first");
    for (const fs::path& linkTarget :
         {files / "a.xls", fs::path("../files/a.xls"), links / "first"}) {
        SCOPED_TRACE(linkTarget);
        writeFile(files / "a.xls", kOld, 0640);
        fs::create_symlink(linkTarget, links / "link");
        replaceFile(links / "link", kNew);
        EXPECT_EQ(fs::read_symlink(links / "link"), linkTarget);
        EXPECT_EQ(readFile(files / "a.xls"), kNew);
        EXPECT_EQ(statusOf(files / "a.xls").st_mode & 07777, 0640u);
        EXPECT_EQ(namesIn(files), Names{"a.xls"});
        fs::remove(links / "link");
    }
}

// The kernel follows a link in a sticky world-writable folder only when it
// belongs to the follower or to the folder's owner; so does replaceFile.
TEST_F(FileReplaceTest, AnotherUsersLinkInAStickyFolderIsNotFollowed) {
    if (!isRoot()) GTEST_SKIP() << "needs root to give links to another user";
    const fs::path victim = m_dir / "victim", shared = m_dir / "shared", link = shared / "a.xls";
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
        fs::create_directory(shared);
        ::chown(shared.c_str(), c.folderOwner, c.folderOwner);
        ::chmod(shared.c_str(), 01777);
        fs::create_symlink(victim, link);
        ::lchown(link.c_str(), c.linkOwner, c.linkOwner);
        if (c.followed) {
            replaceFile(link, kNew);
        } else {
            EXPECT_THROW(replaceFile(link, kNew), FileReplaceError);
        }
        EXPECT_EQ(readFile(victim), c.followed ? kNew : kOld);
        EXPECT_EQ(namesIn(shared), Names{"a.xls"});
        EXPECT_TRUE(fs::is_symlink(link));
        fs::remove_all(shared);
    }
}

// A writer that may not keep the owner of a group's file keeps its group.
TEST_F(FileReplaceTest, AGroupsFileWrittenByAnotherMemberKeepsItsGroup) {
    if (!isRoot()) GTEST_SKIP() << "needs root to act as another user";
    constexpr gid_t kGroup = 4242;
    const fs::path target = m_dir / "shared.xls";
    writeFile(target, kOld, 0660);
    ::chown(target.c_str(), 0, kGroup);
    ::chmod(m_dir.c_str(), 0777);
    const int status = inChild([&] {
        // user 65534, a member of the group
        if (::setgroups(1, &kGroup) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) return 3;
        replaceFile(target, kNew);
        return 0;
    });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(readFile(target), kNew);
    EXPECT_EQ(statusOf(target).st_gid, kGroup);
    EXPECT_EQ(statusOf(target).st_mode & 07777, 0660u);
}

// The temporary name must fit beside a name at the 255-byte limit.
TEST_F(FileReplaceTest, NamesUpToTheFileSystemLimitWork) {
    for (const std::size_t length : {250, 254, 255}) {
        const fs::path target = m_dir / std::string(length, 'n');
        replaceFile(target, kNew);  // new
        replaceFile(target, kOld);  // existing
        EXPECT_EQ(readFile(target), kOld) << length;
        EXPECT_EQ(namesIn(m_dir), Names{target.filename()}) << length;
        fs::remove(target);
    }
    EXPECT_THROW(replaceFile(m_dir / std::string(256, 'n'), kNew), FileReplaceError);
    EXPECT_TRUE(namesIn(m_dir).empty());
}

TEST_F(FileReplaceTest, AWriteFailingPartWayLeavesTheTargetAsItWas) {
    const fs::path target = m_dir / "target";
    for (const std::size_t limit : {std::size_t{0}, std::size_t{4096}, kNew.size() - 1}) {
        for (const bool exists : {true, false}) {
            SCOPED_TRACE(::testing::Message() << limit << (exists ? " existing" : " new"));
            if (exists) writeFile(target, kOld);
            EXPECT_THROW(replaceFile(target, kNew, testing::failingAfter(limit)), FileReplaceError);
            EXPECT_EQ(readFile(target), exists ? kOld : Bytes{});
            EXPECT_EQ(namesIn(m_dir), exists ? Names{"target"} : Names{});
            fs::remove(target);
        }
    }
}

// Past the file-size limit the kernel sends SIGXFSZ, which would end the
// process with the temporary file still there.
TEST_F(FileReplaceTest, TheFileSizeLimitFailsCleanly) {
    const fs::path target = m_dir / "target";
    writeFile(target, kOld);
    const int status = inChild([&] {
        const rlimit limit{4096, 4096};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
        try {
            replaceFile(target, kNew);
        } catch (const FileReplaceError&) {
            return 0;
        }
        return 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFile(target), kOld);
    EXPECT_EQ(namesIn(m_dir), Names{"target"});
}

// A writer killed while it writes leaves no file at all: the new content
// has no name until it is complete.
TEST_F(FileReplaceTest, AWriterKilledWhileWritingLeavesNothing) {
    const fs::path target = m_dir / "target";
    writeFile(target, kOld);
    const pid_t child = ::fork();
    if (child == 0) {
        replaceFile(target, kNew, [](int fd, const void* data, std::size_t size) -> long {
            const long n = ::write(fd, data, size / 2);
            ::raise(SIGKILL);
            return n;
        });
        _exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(namesIn(m_dir), Names{"target"});
    EXPECT_EQ(readFile(target), kOld);
}

// What a killed writer left under a temporary name (named just before its
// rename, or where the file system has no unnamed files) is removed by the
// next write into the folder; a living writer's file, another user's file
// and anything not a file are kept.
TEST_F(FileReplaceTest, TheNextWriteRemovesWhatAKilledWriterLeft) {
    const pid_t gone = ::fork();
    if (gone == 0) _exit(0);
    ::waitpid(gone, nullptr, 0);
    const std::string dead = ".wp-" + std::to_string(gone) + "-";
    const std::string living = ".wp-" + std::to_string(::getpid()) + "-";
    for (const std::string& name :
         {dead + "abcdef", dead + "locked", living + "abcdef", std::string(".wp-oldAge"),
          std::string(".wp-young1"), dead + "theirs", living + "unlocked"}) {
        writeFile(m_dir / name, kOld);
    }
    fs::create_directory(m_dir / (dead + "folder"));
    // unlocked for two minutes: whatever process now has that number is no writer
    const timespec twoMinutesAgo[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
    for (const std::string& old : {std::string(".wp-oldAge"), living + "unlocked"}) {
        ::utimensat(AT_FDCWD, (m_dir / old).c_str(), twoMinutesAgo, 0);
    }
    // a writer that lives under a number not its own still holds its lock
    const int held = ::open((m_dir / (dead + "locked")).c_str(), O_RDONLY);
    ::flock(held, LOCK_EX);
    if (isRoot()) ::chown((m_dir / (dead + "theirs")).c_str(), 65534, 65534);

    replaceFile(m_dir / "target", kNew);
    Names expected = {"target", dead + "locked", living + "abcdef", ".wp-young1", dead + "folder"};
    if (isRoot()) expected.insert(dead + "theirs");
    EXPECT_EQ(namesIn(m_dir), expected);
    ::close(held);
}

// What a save or export the user chose may not target: the program's own
// files however they are reached; what the user keeps beside them may be.
TEST_F(FileReplaceTest, TheProgramsOwnFilesAreNoSaveTarget) {
    const fs::path program = m_dir / "program", data = m_dir / "data", user = m_dir / "user";
    for (const fs::path& folder : {program / "modules", data, user}) fs::create_directories(folder);
    for (const char* name : {"1.xls", "db1.ccq", "help.htm", "mine.xls", "modules/libm.so"}) {
        writeFile(program / name, kOld);
    }
    writeFile(program / "wormpair", kOld, 0755);
    writeFile(data / "db1.mdb", kOld);
    fs::create_symlink(program / "1.xls", user / "link.xls");
    fs::create_symlink(program, user / "folder");
    fs::create_hard_link(program / "db1.ccq", user / "hard.ccq");
    const std::pair<fs::path, bool> cases[] = {
        {program / "1.xls", true},          {program / "db1.ccq", true},
        {program / "wormpair", true},       {program / "modules/libm.so", true},
        {data / "db1.mdb", true},           {data / "db1.mdb-journal", true},
        {user / "link.xls", true},          {user / "folder/help.htm", true},
        {user / "hard.ccq", true},          {program / "mine.xls", false},
        {program / "new.xls", false},       {user / "sheet.xls", false},
    };
    for (const auto& [target, refused] : cases) {
        SCOPED_TRACE(target.string());
        const std::string problem = programFileProblem(target, {program, data});
        EXPECT_EQ(!problem.empty(), refused);
        if (refused) {
            EXPECT_NE(problem.find(target.string()), std::string::npos) << "names the file";
        }
    }
}

}  // namespace
}  // namespace wormpair
