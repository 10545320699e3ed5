// The online upgrade against a loopback HTTP server: a good signed release
// installs and restarts the program; every kind of bad release, broken
// transfer or unwritable directory leaves the installed program byte for
// byte as it was.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>

#include "application_environment.h"
#include "failing_writer.h"
#include "fake_platform.h"
#include "folder_snapshot.h"
#include "loopback_server.h"
#include "updater/qt_release_downloader.h"
#include "updater/release_manifest.h"
#include "updater/release_signature.h"
#include "updater/release_update.h"

namespace wormpair::updater {
void PrintTo(UpdateOutcome outcome, std::ostream* out) {
    static const char* const names[] = {
        "NotConfigured", "VersionUnknown", "ServerFailed",   "BadSignature",
        "BadManifest",   "UpToDate",       "Older",          "Declined",       "Busy",
        "Unwritable",    "UnsafePath",     "DownloadFailed", "HashMismatch",
        "Restored",      "Damaged",        "Failed",         "Installed"};
    *out << names[static_cast<int>(outcome)];
}
}  // namespace wormpair::updater

namespace {

namespace fs = std::filesystem;
using namespace wormpair;
using namespace wormpair::updater;
using namespace std::chrono_literals;

[[maybe_unused]] auto* const environment =
    wormpair::testing::installApplication<QCoreApplication>();

using wormpair::testing::LoopbackServer;
using wormpair::testing::snapshot;

void write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

QByteArray bytes(const char* text) { return QByteArray(text); }

// An installed program in programDir, a folder beside it that nothing may
// reach, and release V8.602 that replaces two files and adds two.
struct Scenario {
    fs::path programDir;
    fs::path outside;
    ReleaseManifest manifest;
    std::vector<QByteArray> contents;
    KeyPair signer;
    QByteArray trusted;
    UpdateSettings settings;
    bool answer = true;

    void add(const char* path, const QByteArray& content, bool executable = false) {
        manifest.files.push_back({path, content.size(), sha256(content), executable});
        contents.push_back(content);
    }
    void publish(LoopbackServer& server) const {
        const QByteArray manifestBytes = writeManifest(manifest);
        server.files[kManifestPath] = manifestBytes;
        server.files[kSignaturePath] = signMessage(manifestBytes, signer.secretKey);
        for (std::size_t i = 0; i < contents.size(); ++i)
            server.files[fileAddress(i)] = contents[i];
    }
    QString fileAddress(std::size_t i) const {
        return kFilesPath + QString::fromLatin1(manifest.files[i].sha256.toHex());
    }
};

const KeyPair& vendorKey() {
    static const KeyPair pair = generateKeyPair();
    return pair;
}

struct Case {
    const char* name;
    friend void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }
    UpdateOutcome expected;
    std::function<void(Scenario&)> prepare;                       // before publishing
    std::function<void(Scenario&, LoopbackServer&)> tamper = {};  // after
};

class UpdateRun : public ::testing::TestWithParam<Case> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_scenario.programDir = fs::path(m_dir.path().toStdString()) / "prog";
        m_scenario.outside = fs::path(m_dir.path().toStdString()) / "outside";
        const fs::path& p = m_scenario.programDir;
        write(p / "wormpair", "old program");
        fs::permissions(p / "wormpair", fs::perms(0755));
        write(p / "Project11.exe", "old updater");
        write(p / "1.xls", "old template");
        write(p / "db1.mdb", "the user's own rules");
        write(p / "v.txt", "V8.601\r\nbuilt in spring\r\n");
        write(m_scenario.outside / "target", "not ours");
        Scenario& s = m_scenario;
        s.manifest.version = "V8.602";
        s.manifest.notes = QString::fromUtf8("新增命令行工具。\n<b>修正</b>了蜗轮参数表。");
        s.add("wormpair", bytes("new program"), true);
        s.add("1.xls", bytes("new template"));
        s.add("canshu.pdf", bytes("%PDF new manual"));
        s.add("tools/wormpair-cli", QByteArray(100000, 'x'), true);
        s.signer = vendorKey();
        s.trusted = vendorKey().publicKey;
        s.settings.programDir = QString::fromStdString(p.string());
        s.settings.serverUrl = m_server.base() + "/";
        s.settings.idleTimeout = 500ms;
        s.settings.fixedTimeout = 3s;
    }
    void TearDown() override {
        // a read-only copy must still be removable
        ::chmod(m_scenario.programDir.c_str(), 0755);
    }

    UpdateOutcome run() {
        m_scenario.settings.publicKey = m_scenario.trusted;
        m_platform.answers = {m_scenario.answer};
        QtReleaseDownloader downloader;
        return runUpdate(m_scenario.settings, {downloader, m_platform, m_platform, {}});
    }

    QTemporaryDir m_dir;
    LoopbackServer m_server;
    Scenario m_scenario;
    FakePlatform m_platform;
};

TEST_P(UpdateRun, InstallsOnlyAGoodReleaseAndRestarts) {
    const Case& c = GetParam();
    Scenario& s = m_scenario;
    c.prepare(s);
    s.publish(m_server);
    if (c.tamper) c.tamper(s, m_server);
    const auto before = snapshot(s.programDir);
    const auto outsideBefore = snapshot(s.outside);

    EXPECT_EQ(run(), c.expected) << m_platform.messages.join("|").toStdString();

    ASSERT_EQ(m_platform.started.size(), 1u);
    EXPECT_EQ(m_platform.started[0].first,
              QString::fromStdString((s.programDir / "wormpair").string()));
    EXPECT_TRUE(m_platform.started[0].second.isEmpty());
    EXPECT_EQ(m_platform.messages.size(), c.expected == UpdateOutcome::Declined ? 0 : 1)
        << m_platform.messages.join("|").toStdString();
    EXPECT_EQ(snapshot(s.outside), outsideBefore);
    if (c.expected != UpdateOutcome::Installed) {
        EXPECT_EQ(snapshot(s.programDir), before);
        return;
    }
    auto after = snapshot(s.programDir);
    EXPECT_EQ(after["v.txt"].substr(after["v.txt"].find(' ') + 1), "V8.602\n");
    for (std::size_t i = 0; i < s.contents.size(); ++i) {
        const std::string& entry = after[s.manifest.files[i].path.toStdString()];
        EXPECT_EQ(entry.substr(entry.find(' ') + 1), s.contents[i].toStdString());
    }
    EXPECT_NE(fs::status(s.programDir / "tools/wormpair-cli").permissions() & fs::perms::owner_exec,
              fs::perms::none);
    for (const char* kept : {"db1.mdb", "Project11.exe", "."})
        EXPECT_EQ(after[kept], before.at(kept));
    EXPECT_EQ(after.size(), before.size() + 3);  // canshu.pdf, tools/, tools/wormpair-cli
    ASSERT_EQ(m_platform.questions.size(), 1);
    EXPECT_TRUE(m_platform.questions[0].contains("V8.602"));
}

const Case kCases[] = {
    {"GoodRelease", UpdateOutcome::Installed, [](Scenario&) {}},
    {"SameVersion", UpdateOutcome::UpToDate, [](Scenario& s) { s.manifest.version = "V8.601"; }},
    {"OlderRelease", UpdateOutcome::Older, [](Scenario& s) { s.manifest.version = "V8.52"; }},
    {"OlderAsADecimal", UpdateOutcome::Older, [](Scenario& s) { s.manifest.version = "V8.6"; }},
    {"SameVersionWithAnExtraDigit", UpdateOutcome::BadManifest,
     [](Scenario& s) { s.manifest.version = "V8.6010"; }},
    {"VersionAfterABlank", UpdateOutcome::BadManifest,
     [](Scenario& s) { s.manifest.version = " V8.601"; }},
    {"VersionInThreeParts", UpdateOutcome::BadManifest,
     [](Scenario& s) { s.manifest.version = "V8.5.0"; }},
    {"InstalledVersionUnreadable", UpdateOutcome::VersionUnknown,
     [](Scenario& s) { write(s.programDir / "v.txt", "V8.601 beta\n"); }},
    {"UserDeclines", UpdateOutcome::Declined, [](Scenario& s) { s.answer = false; }},
    {"NoServer", UpdateOutcome::NotConfigured, [](Scenario& s) { s.settings.serverUrl.clear(); }},
    {"NoKey", UpdateOutcome::NotConfigured, [](Scenario& s) { s.trusted.clear(); }},
    {"TamperedFile", UpdateOutcome::HashMismatch, [](Scenario&) {},
     [](Scenario& s, LoopbackServer& server) { server.files[s.fileAddress(1)] = "bad template"; }},
    {"FileLongerThanAnnounced", UpdateOutcome::DownloadFailed, [](Scenario&) {},
     [](Scenario& s, LoopbackServer& server) { server.files[s.fileAddress(2)] += "more"; }},
    {"TamperedManifest", UpdateOutcome::BadSignature, [](Scenario&) {},
     [](Scenario&, LoopbackServer& server) {
         server.files[kManifestPath].replace("V8.602", "V8.603");
     }},
    {"WrongKey", UpdateOutcome::BadSignature, [](Scenario& s) { s.signer = generateKeyPair(); }},
    {"ConnectionCut", UpdateOutcome::DownloadFailed, [](Scenario&) {},
     [](Scenario& s, LoopbackServer& server) {
         server.behaviour[s.fileAddress(3)] = LoopbackServer::Behaviour::Cut;
     }},
    {"ServerNeverAnswers", UpdateOutcome::ServerFailed, [](Scenario&) {},
     [](Scenario&, LoopbackServer& server) {
         server.behaviour[kManifestPath] = LoopbackServer::Behaviour::Silent;
     }},
    {"ReadOnlyProgramDirectory", UpdateOutcome::Unwritable,
     [](Scenario& s) { ::chmod(s.programDir.c_str(), 0555); }},
    {"ReadOnlyFile", UpdateOutcome::Unwritable,
     [](Scenario& s) { ::chmod((s.programDir / "1.xls").c_str(), 0444); }},
    {"DiskFullPartWay", UpdateOutcome::Restored,
     [](Scenario& s) { s.settings.write = wormpair::testing::failingAfter(50000); }},
    {"PathUpwards", UpdateOutcome::BadManifest,
     [](Scenario& s) { s.manifest.files[2].path = "../outside/target"; }},
    {"AbsolutePath", UpdateOutcome::BadManifest,
     [](Scenario& s) {
         s.manifest.files[2].path = QString::fromStdString((s.outside / "target").string());
     }},
    {"UserRuleSet", UpdateOutcome::BadManifest,
     [](Scenario& s) { s.manifest.files[2].path = "db1.mdb"; }},
    {"FolderIsALink", UpdateOutcome::UnsafePath,
     [](Scenario& s) { fs::create_directory_symlink(s.outside, s.programDir / "tools"); }},
    {"FileIsALink", UpdateOutcome::UnsafePath,
     [](Scenario& s) { fs::create_symlink(s.outside / "target", s.programDir / "canshu.pdf"); }},
};

INSTANTIATE_TEST_SUITE_P(Releases, UpdateRun, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReleaseVersions, OnlyTheFormOfVTxtIsRead) {
    for (const char* good : {"V8.601", "V8.1", "V9.0", "V0.5", "V10.25"}) {
        EXPECT_TRUE(parseVersion(good)) << good;
    }
    for (const char* bad : {"V8.6010", "V8.60", " V8.601", "V8.601 ", "v8.601", "8.601", "V8",
                            "V8.", "V.6", "V08.601", "V8.5.0", "V+8.6", "V8.6e1", "V１.2", ""}) {
        EXPECT_FALSE(parseVersion(bad)) << bad;
    }
}

TEST(ReleaseVersions, CompareAsDecimalNumbers) {
    const struct {
        const char *a, *b;
        int order;
    } cases[] = {
        {"V8.601", "V8.602", -1}, {"V8.61", "V8.601", 1}, {"V8.6", "V8.601", -1},
        {"V9.0", "V8.999", 1},    {"V10.1", "V9.9", 1},   {"V8.601", "V8.601", 0},
    };
    for (const auto& c : cases) {
        const int order = compareVersions(*parseVersion(c.a), *parseVersion(c.b));
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a << " " << c.b;
    }
}

// The publisher's script makes from a build what this updater installs.
TEST(MakeRelease, ScriptOutputInstallsFromTheServer) {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    QProcess keygen;
    keygen.start(WORMPAIR_SIGN_TOOL, {"keygen", QString::fromStdString((root / "key").string())});
    ASSERT_TRUE(keygen.waitForFinished());
    ASSERT_EQ(keygen.exitCode(), 0) << keygen.readAllStandardError().toStdString();
    const QByteArray publicKey = keyFromHex(keygen.readAllStandardOutput(), kPublicKeyBytes);
    ASSERT_EQ(publicKey.size(), kPublicKeyBytes);
    EXPECT_EQ(fs::status(root / "key").permissions(), fs::perms(0600));

    const fs::path build = root / "build";
    write(build / "wormpair", "released program");
    write(build / "Project11.exe", "released updater");
    fs::permissions(build / "Project11.exe", fs::perms(0755));
    write(build / "1.xls", "released template");
    write(build / "db1.mdb", "the publisher's own test rules");
    write(build / "CMakeCache.txt",
          "WORMPAIR_UPDATE_PUBLIC_KEY:STRING=" + publicKey.toHex().toStdString() + "\n");
    write(root / "notes.txt", "修正了蜗轮参数表的格式。\n");
    QProcess script;
    script.setProcessEnvironment([] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("WORMPAIR_SIGN", WORMPAIR_SIGN_TOOL);
        return env;
    }());
    script.start("bash", {WORMPAIR_SOURCE_DIR "scripts/make-release.sh",
                          QString::fromStdString(build.string()), "V8.602",
                          QString::fromStdString((root / "notes.txt").string()),
                          QString::fromStdString((root / "key").string()),
                          QString::fromStdString((root / "out").string())});
    ASSERT_TRUE(script.waitForFinished());
    ASSERT_EQ(script.exitCode(), 0) << script.readAllStandardError().toStdString();

    LoopbackServer server;
    for (const auto& entry : fs::recursive_directory_iterator(root / "out")) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        server.files["/" +
                     QString::fromStdString(fs::relative(entry.path(), root / "out").string())] =
            QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
    }
    EXPECT_EQ(server.files["/uploads/v.txt"], "V8.602\n");

    const fs::path program = root / "prog";
    write(program / "wormpair", "old program");
    write(program / "db1.mdb", "the user's own rules");
    write(program / "v.txt", "V8.601\n");
    FakePlatform platform;
    platform.answers = {true};
    QtReleaseDownloader downloader;
    UpdateSettings settings;
    settings.programDir = QString::fromStdString(program.string());
    settings.serverUrl = server.base();
    settings.publicKey = publicKey;
    ASSERT_EQ(runUpdate(settings, {downloader, platform, platform, {}}), UpdateOutcome::Installed)
        << platform.messages.join("|").toStdString();
    EXPECT_TRUE(platform.questions.value(0).contains("修正了蜗轮参数表的格式。"));
    const auto installed = snapshot(program);
    EXPECT_EQ(installed.at("wormpair").substr(installed.at("wormpair").find(' ') + 1),
              "released program");
    EXPECT_EQ(installed.at("db1.mdb").substr(installed.at("db1.mdb").find(' ') + 1),
              "the user's own rules");
    EXPECT_NE(fs::status(program / "Project11.exe").permissions() & fs::perms::owner_exec,
              fs::perms::none);
}

}  // namespace
