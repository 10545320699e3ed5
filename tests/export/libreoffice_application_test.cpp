// The spreadsheet application's steps against a real LibreOffice. What it
// stores is read back by python3-xlrd; the processes it leaves are looked up
// in /proc.
#include "export/libreoffice_application.h"
#include "export/parameter_sheets.h"
#include "fake_platform.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include <QUrl>

#include <gtest/gtest.h>

#include "../xls/temp_dir.h"
#include "export/office_process.h"
#include "platform/file_replace.h"

#if WORMPAIR_HAVE_UNO
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>
#endif

extern char** environ;

namespace wormpair {
namespace {

namespace fs = std::filesystem;
using xls::testing::TempDir;
using Clock = std::chrono::steady_clock;

const fs::path kProfile = WORMPAIR_TEST_OFFICE_PROFILE;
const fs::path kTemplate = WORMPAIR_PROGRAM_DIR "1.xls";

std::string userInstallation(const fs::path& profile) {
    return "-env:UserInstallation=" + QUrl::fromLocalFile(QString::fromStdString(profile.string()))
                                          .toString(QUrl::FullyEncoded)
                                          .toStdString();
}

std::vector<std::string> commandLineOf(const std::string& pid) {
    std::ifstream in("/proc/" + pid + "/cmdline", std::ios::binary);
    std::vector<std::string> arguments;
    for (std::string argument; std::getline(in, argument, '\0');) arguments.push_back(argument);
    return arguments;
}

// Processes started with exactly this profile.
std::vector<pid_t> officesUsing(const fs::path& profile) {
    const std::string wanted = userInstallation(profile);
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        for (const std::string& argument : commandLineOf(name)) {
            if (argument == wanted) found.push_back(pid_t(std::stoi(name)));
        }
    }
    return found;
}

// Socket files of pipes named by the offices of process `owner`.
std::vector<fs::path> pipeFilesOf(pid_t owner) {
    const std::string prefix =
        "OSL_PIPE_" + std::to_string(::getuid()) + "_wormpair-" + std::to_string(owner) + "-";
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator("/tmp")) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path());
    }
    return found;
}

// Children of this process, zombies included.
std::vector<pid_t> ourChildren() {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "stat");
        std::string stat;
        if (!std::getline(in, stat)) continue;
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        char state = 0;
        pid_t parent = 0;
        fields >> state >> parent;
        if (parent == ::getpid()) found.push_back(pid_t(std::stoi(entry.path().filename())));
    }
    return found;
}

std::string escaped(const QString& text) {
    std::string out;
    for (const char c : text.toStdString()) {
        out += c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\\' ? "\\\\" : std::string(1, c);
    }
    return out;
}

struct Cell {
    int row;
    int column;
    QString text;
};

// office_cells_check.py's verdict: "OK", or what differs.
std::string checkCells(const fs::path& written, const std::vector<Cell>& cells, const TempDir& dir,
                       const fs::path& templateFile = kTemplate) {
    const fs::path edits = dir / "edits.txt";
    {
        std::ofstream out(edits, std::ios::binary);
        for (const Cell& cell : cells) {
            out << cell.row << '\t' << cell.column << '\t' << escaped(cell.text) << '\n';
        }
    }
    const std::string command = std::string("'") + WORMPAIR_XLRD_PYTHON + "' '" +
                                WORMPAIR_SOURCE_DIR "tests/export/office_cells_check.py' '" +
                                templateFile.string() + "' '" + written.string() + "' '" +
                                edits.string() + "' 2>&1";
    std::string output;
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return "cannot run the checker";
    std::array<char, 4096> buffer;
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        output.append(buffer.data(), n);
    }
    ::pclose(pipe);
    while (!output.empty() && output.back() == '\n') output.pop_back();
    return output;
}

LibreOfficeOptions options(const fs::path& profile = kProfile) {
    LibreOfficeOptions result;
    result.profileFolder = profile;
    result.connectTimeout = std::chrono::seconds(60);
    return result;
}

class LibreOfficeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!LibreOfficeApplications::bridgeAvailable()) {
            GTEST_SKIP()
                << "built without LibreOffice's UNO bridge (libreoffice-dev not installed)";
        }
        if (!office::findProgram("soffice")) {
            GTEST_SKIP() << "LibreOffice is not installed (no soffice in PATH)";
        }
        if (std::string(WORMPAIR_XLRD_PYTHON).empty()) {
            GTEST_SKIP() << "python3 with xlrd is not installed";
        }
    }

    void expectNoOfficeLeft(const fs::path& profile = kProfile) {
        EXPECT_EQ(officesUsing(profile), std::vector<pid_t>());
        EXPECT_EQ(ourChildren(), std::vector<pid_t>());
        EXPECT_EQ(pipeFilesOf(::getpid()), std::vector<fs::path>());
    }
};

TEST_F(LibreOfficeTest, WritesTextCellsAndLeavesTheRestOfTheTemplate) {
    const TempDir dir;
    const auto templateBefore = readWholeFile(kTemplate);
    const std::vector<Cell> cells{
        {2, 3, QStringLiteral("平面二次包络环面蜗杆")},
        {3, 2, QStringLiteral("12.5")},      // stays text, not a number
        {4, 2, QStringLiteral("=A1")},       // stays text, not a formula
        {5, 4, QStringLiteral("0012")},      // keeps its leading zeros
        {1, 1, QString()},                   // the title: emptied, format kept
        {40, 12, QStringLiteral("末行 α")},  // beyond the template's cells
    };
    const fs::path target = dir / "蜗杆 参数.xls";

    LibreOfficeApplications applications(options());
    {
        const auto application = applications.create();
        application->setVisible(false);
        application->openWorkbook(QString::fromStdString(kTemplate.string()));
        for (const Cell& cell : cells) application->setCellValue(cell.row, cell.column, cell.text);
        application->saveActiveWorkbookAs(QString::fromStdString(target.string()));
        application->setActiveWorkbookSaved(true);
        application->closeWorkbooks();
        application->quit();
        expectNoOfficeLeft();
    }

    ASSERT_TRUE(fs::exists(target));
    EXPECT_FALSE(fs::exists(kProfile / "work"));
    EXPECT_EQ(checkCells(target, cells, dir), "OK");
    EXPECT_EQ(readWholeFile(kTemplate), templateBefore);
    EXPECT_EQ(std::set<fs::path>(fs::directory_iterator(dir.path()), {}),
              (std::set<fs::path>{target, dir / "edits.txt"}));
}

// The three menu exports through the real application: every tabled cell
// holds its text, every other cell of the template is as it was, and a name
// without an extension gets the workbook's.
TEST_F(LibreOfficeTest, EachMenuExportWritesItsTable) {
    const TempDir dir;
    SheetSources sources;
    sources.record.transverseModule = 5.667;
    sources.record.motherPlaneInclinationText = "5.772";
    sources.record.pressureAngle = 22.5;
    sources.record.workingHalfWrapAngle = 18.25;
    sources.record.modifiedCentreDistance = 161.1334;
    sources.centreDistance = "250.0";
    sources.wormStarts = "1";
    sources.wheelTeeth = "45";
    sources.gradeDesignation = "7j(GB/T16445-1996)";
    sources.hand = "左旋";
    sources.entryRelief = "0.3 * 3.6";
    LibreOfficeApplications applications(options());
    std::unique_ptr<SpreadsheetApplication> handle;
    for (const Sheet sheet : {Sheet::Worm, Sheet::Hob, Sheet::Wheel}) {
        SCOPED_TRACE(sheetFiles(sheet).templateName);
        FakePlatform desktop;
        // the proposed name taken as it is: the application appends ".xls"
        const fs::path chosen = dir / sheetFiles(sheet).menuProposal;
        const fs::path target = dir / (std::string(sheetFiles(sheet).menuProposal) + ".xls");
        desktop.saveNames = {QString::fromStdString(chosen.string())};
        ASSERT_EQ(exportByMenu(sheet, sources, WORMPAIR_PROGRAM_DIR, applications, handle,
                               {desktop, desktop, desktop}),
                  ExportOutcome::Written)
            << desktop.messages.join(' ').toStdString();
        std::vector<Cell> cells;
        for (const CellText& cell : menuCells(sheet, sources)) {
            const CellPosition at = *cellPosition(cell.cell);
            cells.push_back({at.row + 1, at.column + 1, QString::fromStdString(cell.text)});
        }
        EXPECT_EQ(checkCells(target, cells, dir,
                             fs::path(WORMPAIR_PROGRAM_DIR) / sheetFiles(sheet).menuTemplateName),
                  "OK");
    }
    handle.reset();
    expectNoOfficeLeft();
}

// Two at once: the second finds the profile in use and gets a fresh one.
// The first fails to save and is dropped without being told to quit.
TEST_F(LibreOfficeTest, FailedSaveLeavesNothingAndDroppingTheHandleEndsTheOffice) {
    const TempDir dir;
    LibreOfficeApplications applications(options());
    auto first = applications.create();
    auto second = applications.create();
    std::vector<fs::path> fresh;
    for (const auto& entry : fs::directory_iterator(kProfile.parent_path())) {
        const std::string name = entry.path().filename().string();
        const std::string prefix = kProfile.filename().string() + "-";
        if (name.size() == prefix.size() + 6 && name.rfind(prefix, 0) == 0) {
            fresh.push_back(entry.path());
        }
    }
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(officesUsing(fresh[0]).size(), 1u);

    for (const auto& application : {first.get(), second.get()}) {
        application->openWorkbook(QString::fromStdString(kTemplate.string()));
        application->setCellValue(2, 3, QStringLiteral("蜗杆"));
    }
    const fs::path missing = dir / "missing" / "wogan.xls";
    EXPECT_THROW(first->saveActiveWorkbookAs(QString::fromStdString(missing.string())),
                 SpreadsheetError);
    EXPECT_FALSE(fs::exists(missing.parent_path()));
    first.reset();
    EXPECT_EQ(officesUsing(kProfile), std::vector<pid_t>());

    const fs::path target = dir / "wogan.xls";
    second->saveActiveWorkbookAs(QString::fromStdString(target.string()));
    second->setActiveWorkbookSaved(true);
    second->closeWorkbooks();
    second->quit();
    second.reset();
    EXPECT_EQ(checkCells(target, {{2, 3, QStringLiteral("蜗杆")}}, dir), "OK");
    EXPECT_FALSE(fs::exists(fresh[0]));
    expectNoOfficeLeft(fresh[0]);
    expectNoOfficeLeft();
}

#if WORMPAIR_HAVE_UNO
// An office of the user's own: started the way a user starts it (through the
// launcher script), with a profile and a pipe of its own, and a document
// opened in it.
class UsersOffice {
  public:
    UsersOffice(const fs::path& profile, const fs::path& document) {
        using namespace com::sun::star;
        const std::string pipe = "wormpair-test-user-" + std::to_string(::getpid());
        std::vector<std::string> arguments{"soffice", "--headless", "--norestore",
                                           userInstallation(profile),
                                           "--accept=pipe,name=" + pipe + ";urp;"};
        std::vector<char*> argv;
        for (std::string& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        const int spawned =
            ::posix_spawnp(&m_pid, "soffice", nullptr, &attributes, argv.data(), environ);
        posix_spawnattr_destroy(&attributes);
        if (spawned != 0) throw std::runtime_error("cannot start soffice");

        rtl::Bootstrap::set("URE_BOOTSTRAP",
                            "vnd.sun.star.pathname:" WORMPAIR_URE_PROGRAM_DIR "fundamentalrc");
        const auto local = cppu::defaultBootstrap_InitialComponentContext();
        const auto resolver = bridge::UnoUrlResolver::create(local);
        uno::Reference<uno::XInterface> remote;
        for (const auto start = Clock::now(); !remote.is();) {
            try {
                remote = resolver->resolve(rtl::OUString::createFromAscii(
                    ("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext").c_str()));
            } catch (const uno::Exception&) {
                if (Clock::now() - start > std::chrono::seconds(60)) throw;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
        m_desktop = frame::Desktop::create(
            uno::Reference<uno::XComponentContext>(remote, uno::UNO_QUERY_THROW));
        beans::PropertyValue hidden;
        hidden.Name = "Hidden";
        hidden.Value <<= true;
        m_document = m_desktop->loadComponentFromURL(
            rtl::OUString::createFromAscii(url(document).c_str()), "_blank", 0,
            uno::Sequence<beans::PropertyValue>(&hidden, 1));
    }

    ~UsersOffice() {
        using namespace com::sun::star;
        try {
            uno::Reference<util::XCloseable>(m_document, uno::UNO_QUERY_THROW)->close(true);
            m_desktop->terminate();
        } catch (const uno::Exception&) {
        }
        m_document.clear();
        m_desktop.clear();
        for (const auto start = Clock::now(); ::waitpid(m_pid, nullptr, WNOHANG) == 0 &&
                                              Clock::now() - start < std::chrono::seconds(5);) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(-m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }

    bool running() { return ::waitpid(m_pid, nullptr, WNOHANG) == 0; }

    // The document is still open there, unmodified.
    bool documentOpen(const fs::path& document) {
        using namespace com::sun::star;
        const auto components = m_desktop->getComponents()->createEnumeration();
        while (components->hasMoreElements()) {
            const uno::Reference<frame::XModel> model(components->nextElement(), uno::UNO_QUERY);
            if (model.is() &&
                model->getURL() == rtl::OUString::createFromAscii(url(document).c_str())) {
                return !uno::Reference<util::XModifiable>(model, uno::UNO_QUERY_THROW)
                            ->isModified();
            }
        }
        return false;
    }

  private:
    static std::string url(const fs::path& path) {
        return QUrl::fromLocalFile(QString::fromStdString(path.string()))
            .toString(QUrl::FullyEncoded)
            .toStdString();
    }

    pid_t m_pid = -1;
    com::sun::star::uno::Reference<com::sun::star::frame::XDesktop2> m_desktop;
    com::sun::star::uno::Reference<com::sun::star::lang::XComponent> m_document;
};

TEST_F(LibreOfficeTest, LeavesTheUsersOwnOfficeAlone) {
    const TempDir dir;
    const fs::path document = dir / "mine.xls";
    copyFileSafely(kTemplate, document);
    const auto documentBefore = readWholeFile(document);
    UsersOffice users(kProfile.parent_path() / "users-office-profile", document);
    ASSERT_TRUE(users.documentOpen(document));

    {
        LibreOfficeApplications applications(options());
        const auto application = applications.create();
        application->setVisible(false);
        application->openWorkbook(QString::fromStdString(document.string()));
        application->setCellValue(2, 3, QStringLiteral("蜗杆"));
        application->saveActiveWorkbookAs(QString::fromStdString((dir / "wogan.xls").string()));
        application->setActiveWorkbookSaved(true);
        application->closeWorkbooks();
        application->quit();
    }
    EXPECT_EQ(officesUsing(kProfile), std::vector<pid_t>());
    EXPECT_TRUE(users.running());
    EXPECT_TRUE(users.documentOpen(document));
    EXPECT_EQ(readWholeFile(document), documentBefore);
}
#endif

TEST_F(LibreOfficeTest, StepOneFailsWithinItsTimeOutWhenNoOfficeAnswers) {
    const TempDir dir;
    const fs::path silent = dir / "silent-office";
    {
        std::ofstream out(silent);
        out << "#!/bin/sh\nexec sleep 60\n";
    }
    fs::permissions(silent, fs::perms::owner_all);
    struct Case {
        const char* name;
        QString program;
        std::chrono::milliseconds timeOut;
    };
    for (const Case& c :
         {Case{"no such program", QStringLiteral("/nonexistent/soffice"), std::chrono::seconds(60)},
          Case{"a program that ends at once", QStringLiteral("false"), std::chrono::seconds(60)},
          Case{"a program that never answers", QString::fromStdString(silent.string()),
               std::chrono::milliseconds(1500)}}) {
        SCOPED_TRACE(c.name);
        LibreOfficeOptions o = options(dir / "profile");
        o.program = c.program;
        o.connectTimeout = c.timeOut;
        const auto start = Clock::now();
        EXPECT_THROW(LibreOfficeApplications(o).create(), SpreadsheetError);
        EXPECT_LT(Clock::now() - start,
                  std::min<Clock::duration>(c.timeOut + std::chrono::seconds(5),
                                            std::chrono::seconds(10)));
        EXPECT_EQ(ourChildren(), std::vector<pid_t>());
    }
}

// Run by CrashOfTheProgramEndsItsOffice in a process of its own, which dies
// with an office running.
TEST_F(LibreOfficeTest, CrashingHelper) {
    const char* profile = std::getenv("WORMPAIR_CRASHING_HELPER_PROFILE");
    if (!profile) GTEST_SKIP() << "runs only as the helper of CrashOfTheProgramEndsItsOffice";
    auto application = LibreOfficeApplications(options(profile)).create().release();
    application->openWorkbook(QString::fromStdString(kTemplate.string()));
    ::raise(SIGKILL);
}

TEST_F(LibreOfficeTest, CrashOfTheProgramEndsItsOffice) {
    const fs::path profile = kProfile.parent_path() / "crashing-office-profile";
    const std::string variable = "WORMPAIR_CRASHING_HELPER_PROFILE=" + profile.string();
    std::vector<char*> environment;
    for (char** entry = environ; *entry; ++entry) environment.push_back(*entry);
    environment.push_back(const_cast<char*>(variable.c_str()));
    environment.push_back(nullptr);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=LibreOfficeTest.CrashingHelper";
    std::vector<char*> argv{self.data(), filter.data(), nullptr};
    pid_t helper = -1;
    ASSERT_EQ(
        ::posix_spawn(&helper, self.c_str(), nullptr, nullptr, argv.data(), environment.data()), 0);
    int status = 0;
    ::waitpid(helper, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the helper did not crash";
    for (const auto start = Clock::now();
         !officesUsing(profile).empty() && Clock::now() - start < std::chrono::seconds(10);) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(officesUsing(profile), std::vector<pid_t>());
    // the killed office could not remove its pipe; the next office started does
    EXPECT_FALSE(pipeFilesOf(helper).empty());
    LibreOfficeApplications(options(profile)).create()->quit();
    EXPECT_EQ(pipeFilesOf(helper), std::vector<fs::path>());
}

}  // namespace
}  // namespace wormpair
