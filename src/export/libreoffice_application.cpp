#include "export/libreoffice_application.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <future>
#include <mutex>
#include <random>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QFile>
#include <QUrl>

#include "export/office_process.h"
#include "platform/file_replace.h"

#if WORMPAIR_HAVE_UNO
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>
#endif

namespace wormpair {

namespace fs = std::filesystem;

bool LibreOfficeApplications::bridgeAvailable() { return WORMPAIR_HAVE_UNO != 0; }

fs::path LibreOfficeApplications::defaultProfileFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    fs::path base;
    if (cache && *cache == '/') {
        base = cache;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home && *home ? home : "/tmp") / ".cache";
    }
    return base / "wormpair" / "libreoffice";
}

#if !WORMPAIR_HAVE_UNO

std::unique_ptr<SpreadsheetApplication> LibreOfficeApplications::create() {
    throw SpreadsheetError("This program was built without LibreOffice's UNO bridge");
}

#else

namespace {

namespace css = com::sun::star;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

using Clock = std::chrono::steady_clock;

fs::path localPath(const QString& path) { return fs::path(QFile::encodeName(path).toStdString()); }

std::string utf8(const QString& text) { return text.toStdString(); }

// Exit statuses with which the office asks its launcher to start it again
// (it does so once after setting up an empty profile).
constexpr int kRestartAfterCrash = 79;
constexpr int kRestart = 81;
constexpr int kMaxRestarts = 3;

OUString toOUString(const QString& text) {
    return OUString(reinterpret_cast<const sal_Unicode*>(text.utf16()), sal_Int32(text.size()));
}

std::string utf8(const OUString& text) {
    const rtl::OString bytes = rtl::OUStringToOString(text, RTL_TEXTENCODING_UTF8);
    return std::string(bytes.getStr(), std::size_t(bytes.getLength()));
}

OUString fileUrl(const fs::path& path) {
    return toOUString(
        QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path.string())))
            .toString(QUrl::FullyEncoded));
}

css::beans::PropertyValue property(const char* name, const css::uno::Any& value) {
    css::beans::PropertyValue result;
    result.Name = OUString::createFromAscii(name);
    result.Value = value;
    return result;
}

template <class... Values>
css::uno::Sequence<css::beans::PropertyValue> properties(const Values&... values) {
    const css::beans::PropertyValue list[] = {values...};
    return css::uno::Sequence<css::beans::PropertyValue>(list, sal_Int32(sizeof...(Values)));
}

// The bridge's end in this process. Made once and never released: the
// bridge's threads may still run while the program exits.
Reference<css::uno::XComponentContext> localContext() {
    static std::mutex mutex;
    static Reference<css::uno::XComponentContext>* context = nullptr;
    const std::lock_guard lock(mutex);
    if (!context) {
        const std::string folder = WORMPAIR_URE_PROGRAM_DIR;
        rtl::Bootstrap::set(
            OUString::createFromAscii("URE_BOOTSTRAP"),
            OUString::fromUtf8(("vnd.sun.star.pathname:" + folder + "fundamentalrc").c_str()));
        context = new Reference<css::uno::XComponentContext>(
            cppu::defaultBootstrap_InitialComponentContext(fileUrl(folder + "unorc")));
    }
    return *context;
}

// Where LibreOffice makes the socket files of its pipes, and their names.
const char* const kPipeFolders[] = {"/tmp/", "/var/tmp/"};
std::string pipeFilePrefix() { return "OSL_PIPE_" + std::to_string(::getuid()) + "_"; }
constexpr char kPipePrefix[] = "wormpair-";

// The socket file of the office's end of our pipe, which an office that was
// killed leaves behind. The name is ours alone.
void removePipeFile(const std::string& pipe) {
    for (const char* folder : kPipeFolders) ::unlink((folder + pipeFilePrefix() + pipe).c_str());
}

// Those of earlier runs killed with their office: the name holds the pid.
void removeAbandonedPipes() {
    office::removeAbandonedPipeFiles({kPipeFolders[0], kPipeFolders[1]},
                                     pipeFilePrefix() + kPipePrefix);
}

std::string pipeName() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    return kPipePrefix + std::to_string(::getpid()) + "-" + std::to_string(++counter) + "-" +
           std::to_string(random());
}

// Runs one step; what LibreOffice or the file system reports becomes a
// SpreadsheetError that names the step.
template <class Step>
void step(const std::string& what, Step&& body) {
    try {
        body();
    } catch (const SpreadsheetError&) {
        throw;
    } catch (const css::uno::Exception& error) {
        throw SpreadsheetError(what + ": " + utf8(error.Message));
    } catch (const FileReplaceError& error) {
        throw SpreadsheetError(what + ": " + error.what());
    } catch (const std::exception& error) {
        throw SpreadsheetError(what + ": " + error.what());
    }
}

Reference<css::sheet::XSpreadsheet> activeSheetOf(
    const Reference<css::lang::XComponent>& document) {
    const Reference<css::sheet::XSpreadsheetDocument> workbook(document, UNO_QUERY);
    const Reference<css::frame::XModel> model(document, UNO_QUERY);
    if (!workbook.is() || !model.is()) return {};
    const Reference<css::sheet::XSpreadsheetView> view(model->getCurrentController(), UNO_QUERY);
    if (view.is()) return view->getActiveSheet();
    // Without a view the first sheet stands in for the active one.
    const Reference<css::container::XIndexAccess> sheets(workbook->getSheets(), UNO_QUERY_THROW);
    if (sheets->getCount() == 0) return {};
    return Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(0), UNO_QUERY);
}

class LibreOfficeApplication final : public SpreadsheetApplication {
  public:
    LibreOfficeApplication(office::ProfileFolder profile, std::unique_ptr<office::WorkFolder> work,
                           std::string pipe, std::unique_ptr<office::OfficeProcess> process,
                           Reference<css::frame::XDesktop2> desktop)
        : m_profile(std::move(profile)),
          m_work(std::move(work)),
          m_pipe(std::move(pipe)),
          m_process(std::move(process)),
          m_desktop(std::move(desktop)) {}

    // An office never told to quit is ended the way quit ends it, so that it
    // leaves no pipes and a tidy profile behind. One that has not ended
    // after a grace period is killed, which also ends a call it hangs in.
    ~LibreOfficeApplication() override {
        if (m_desktop.is() && !m_process->exitStatus()) {
            try {
                auto ending = std::async(
                    std::launch::async, [documents = m_documents, desktop = m_desktop]() mutable {
                        try {
                            for (const auto& document : documents) {
                                Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)
                                    ->close(true);
                            }
                            desktop->terminate();
                        } catch (const css::uno::Exception&) {
                        }
                        documents.clear();
                        desktop.clear();
                    });
                releaseDocuments();
                m_desktop.clear();
                m_process->waitOrKill(std::chrono::seconds(2));
                ending.wait();
            } catch (const std::system_error&) {
                // no thread to spare: straight to the signals
            }
        }
        releaseDocuments();
        m_desktop.clear();
        m_process->end(std::chrono::seconds(3));
        removePipeFile(m_pipe);
    }

    void setVisible(bool visible) override {
        requireRunning();
        // Documents are always opened hidden; a headless office has nothing
        // to show.
        if (visible) throw SpreadsheetError("A headless LibreOffice cannot be made visible");
    }

    void openWorkbook(const QString& path) override {
        requireRunning();
        step("LibreOffice could not open " + utf8(path), [&] {
            // The office works on a private copy: the template is never
            // locked or written, and one in a read-only folder still opens
            // for editing.
            const fs::path source = localPath(path);
            std::string extension = source.extension().string();
            if (!std::all_of(extension.begin(), extension.end(),
                             [](unsigned char c) { return std::isalnum(c) || c == '.'; })) {
                extension.clear();  // the office sees plain names only
            }
            const fs::path copy =
                m_work->path() / ("workbook-" + std::to_string(++m_opened) + extension);
            copyFileSafely(source, copy);
            const Reference<css::lang::XComponent> document = m_desktop->loadComponentFromURL(
                fileUrl(copy), OUString::createFromAscii("_blank"), 0,
                properties(property("Hidden", css::uno::Any(true)),
                           property("MacroExecutionMode",
                                    css::uno::Any(css::document::MacroExecMode::NEVER_EXECUTE)),
                           property("UpdateDocMode",
                                    css::uno::Any(css::document::UpdateDocMode::NO_UPDATE))));
            if (!document.is()) throw SpreadsheetError("LibreOffice cannot open " + utf8(path));
            const Reference<css::sheet::XSpreadsheet> sheet = activeSheetOf(document);
            if (!sheet.is()) {
                Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
                throw SpreadsheetError(utf8(path) + " is not a workbook");
            }
            m_documents.push_back(document);
            m_activeDocument = document;
            m_activeSheet = sheet;
        });
    }

    void setCellValue(int row, int column, const QString& text) override {
        requireActiveWorkbook();
        if (row < 1 || column < 1) throw SpreadsheetError("Cell rows and columns count from 1");
        step("LibreOffice could not write a cell", [&] {
            const Reference<css::table::XCell> cell =
                m_activeSheet->getCellByPosition(column - 1, row - 1);
            if (text.isEmpty()) {
                // Clears what the cell holds; its format and its comment stay.
                using namespace css::sheet::CellFlags;
                Reference<css::sheet::XSheetOperation>(cell, UNO_QUERY_THROW)
                    ->clearContents(VALUE | DATETIME | STRING | FORMULA);
            } else {
                // As text, never parsed into a number or a formula. Calc gives
                // a text that looks like a number the text format; the cell's
                // own number format is put back.
                const Reference<css::beans::XPropertySet> cellProperties(cell, UNO_QUERY_THROW);
                const OUString numberFormat = OUString::createFromAscii("NumberFormat");
                const css::uno::Any format = cellProperties->getPropertyValue(numberFormat);
                Reference<css::text::XText>(cell, UNO_QUERY_THROW)->setString(toOUString(text));
                cellProperties->setPropertyValue(numberFormat, format);
            }
        });
    }

    void saveActiveWorkbookAs(const QString& path) override {
        requireActiveWorkbook();
        if (path.isEmpty()) throw SpreadsheetError("No file name to save the workbook as");
        step("LibreOffice could not save " + utf8(path), [&] {
            // Stored privately first, then put in place whole: a failed store
            // leaves no half file, and the target is replaced only once
            // complete.
            const fs::path stored = m_work->path() / "stored.xls";
            fs::remove(stored);
            Reference<css::frame::XStorable>(m_activeDocument, UNO_QUERY_THROW)
                ->storeToURL(
                    fileUrl(stored),
                    properties(property("FilterName",
                                        css::uno::Any(OUString::createFromAscii("MS Excel 97"))),
                               property("Overwrite", css::uno::Any(true))));
            const std::vector<std::uint8_t> bytes = readWholeFile(stored);
            fs::remove(stored);
            replaceFile(localPath(storedWorkbookPath(path)), bytes);
        });
    }

    void setActiveWorkbookSaved(bool saved) override {
        requireActiveWorkbook();
        step("LibreOffice could not mark the workbook", [&] {
            Reference<css::util::XModifiable>(m_activeDocument, UNO_QUERY_THROW)
                ->setModified(!saved);
        });
    }

    void closeWorkbooks() override {
        requireRunning();
        std::string failure;
        for (const Reference<css::lang::XComponent>& document : m_documents) {
            try {
                Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
            } catch (const css::lang::DisposedException&) {
                // already closed
            } catch (const css::uno::Exception& error) {
                if (failure.empty()) failure = utf8(error.Message);
            }
        }
        releaseDocuments();
        if (!failure.empty())
            throw SpreadsheetError("LibreOffice could not close a workbook: " + failure);
    }

    void quit() override {
        if (!m_desktop.is()) return;
        releaseDocuments();
        bool ending = true;
        try {
            ending = m_desktop->terminate();
        } catch (const css::uno::RuntimeException&) {
            // The bridge goes down while the office ends.
        } catch (const css::uno::Exception&) {
            ending = false;
        }
        m_desktop.clear();
        if (ending) {
            m_process->waitOrKill(std::chrono::seconds(5));
        } else {
            m_process->end(std::chrono::seconds(1));
        }
        removePipeFile(m_pipe);
    }

  private:
    void requireRunning() {
        if (!m_desktop.is()) throw SpreadsheetError("LibreOffice has already ended");
        if (const auto status = m_process->exitStatus()) {
            releaseDocuments();
            m_desktop.clear();
            m_process->waitOrKill(std::chrono::milliseconds(0));
            throw SpreadsheetError("LibreOffice ended unexpectedly (status " +
                                   std::to_string(*status) + ")");
        }
    }

    void requireActiveWorkbook() {
        requireRunning();
        if (!m_activeDocument.is()) throw SpreadsheetError("No workbook is open");
    }

    void releaseDocuments() {
        m_activeSheet.clear();
        m_activeDocument.clear();
        m_documents.clear();
    }

    // Destroyed in reverse: the references, then the process (ended), then
    // the folders it used.
    office::ProfileFolder m_profile;
    std::unique_ptr<office::WorkFolder> m_work;
    std::string m_pipe;
    std::unique_ptr<office::OfficeProcess> m_process;
    Reference<css::frame::XDesktop2> m_desktop;
    std::vector<Reference<css::lang::XComponent> > m_documents;
    Reference<css::lang::XComponent> m_activeDocument;
    Reference<css::sheet::XSpreadsheet> m_activeSheet;
    int m_opened = 0;
};

// Tries to reach the office's bridge until told to stop. Runs on its own
// thread, so an office that accepts the pipe but never completes the
// handshake cannot hold up step 1 beyond its time-out: killing the office
// ends the attempt.
Reference<css::uno::XInterface> connectUntil(
    const Reference<css::bridge::XUnoUrlResolver>& resolver, const OUString& url,
    const std::atomic<bool>& stop) {
    while (!stop) {
        try {
            return resolver->resolve(url);
        } catch (const css::uno::Exception&) {
            // not listening yet, or an office that is restarting
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
}

}  // namespace

std::unique_ptr<SpreadsheetApplication> LibreOfficeApplications::create() {
    const std::optional<fs::path> program =
        office::findProgram(localPath(m_options.program).string());
    if (!program) {
        throw SpreadsheetError("LibreOffice is not installed (no program " +
                               utf8(m_options.program) + ")");
    }
    const fs::path binary = office::officeBinaryFor(*program);
    try {
        const Reference<css::uno::XComponentContext> context = localContext();
        office::ProfileFolder profile = office::ProfileFolder::acquire(
            m_options.profileFolder.empty() ? defaultProfileFolder() : m_options.profileFolder);
        // Beside the profile, so that what a crash leaves there is removed
        // by the next program to use the profile.
        auto work = std::make_unique<office::WorkFolder>(profile.path() / "work");
        fs::create_directory(work->path() / "tmp");

        removeAbandonedPipes();
        const std::string pipe = pipeName();
        const std::vector<std::string> arguments{
            "--headless",
            "--invisible",
            "--nologo",
            "--nodefault",
            "--norestore",
            "--nolockcheck",  // the profile is ours alone: ProfileFolder locks it
            "-env:UserInstallation=" + utf8(fileUrl(profile.path())),
            "--accept=pipe,name=" + pipe + ";urp;"};
        // What the launcher script would set; the office's own temporary
        // files go where they are removed with the work folder.
        const std::vector<std::string> environment{"SAL_ENABLE_FILE_LOCKING=1",
                                                   "TMPDIR=" + (work->path() / "tmp").string()};

        const Reference<css::bridge::XUnoUrlResolver> resolver =
            css::bridge::UnoUrlResolver::create(context);
        const OUString url = OUString::fromUtf8(
            ("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext").c_str());
        const auto deadline = Clock::now() + m_options.connectTimeout;

        auto process = std::make_unique<office::OfficeProcess>(binary, arguments, environment,
                                                               profile.lockDescriptor());
        std::atomic<bool> stop{false};
        std::future<Reference<css::uno::XInterface> > connecting =
            std::async(std::launch::async, connectUntil, resolver, url, std::cref(stop));
        // Whatever ends this attempt early, the connecting thread must stop
        // (the future waits for it) and the office must end.
        struct Abandon {
            std::atomic<bool>& stop;
            std::unique_ptr<office::OfficeProcess>& process;
            const std::string& pipe;
            bool armed = true;
            ~Abandon() {
                if (!armed) return;
                stop = true;
                process->end(std::chrono::milliseconds(500));
                removePipeFile(pipe);
            }
        } abandon{stop, process, pipe};
        int restarts = 0;
        std::string failure;
        while (connecting.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
            if (const auto status = process->exitStatus()) {
                process->waitOrKill(std::chrono::milliseconds(0));
                if ((*status == kRestart || *status == kRestartAfterCrash) &&
                    ++restarts <= kMaxRestarts) {
                    process = std::make_unique<office::OfficeProcess>(
                        binary, arguments, environment, profile.lockDescriptor());
                    continue;
                }
                failure =
                    "LibreOffice ended (status " + std::to_string(*status) + ") before it answered";
                break;
            }
            if (Clock::now() >= deadline) {
                failure = "LibreOffice did not answer within " +
                          std::to_string(m_options.connectTimeout.count()) + " ms";
                break;
            }
        }
        if (!failure.empty()) throw SpreadsheetError(failure);
        const Reference<css::uno::XComponentContext> remote(connecting.get(), UNO_QUERY_THROW);
        Reference<css::frame::XDesktop2> desktop = css::frame::Desktop::create(remote);
        abandon.armed = false;
        return std::make_unique<LibreOfficeApplication>(std::move(profile), std::move(work), pipe,
                                                        std::move(process), std::move(desktop));
    } catch (const SpreadsheetError&) {
        throw;
    } catch (const css::uno::Exception& error) {
        throw SpreadsheetError("Cannot reach LibreOffice: " + utf8(error.Message));
    } catch (const std::exception& error) {
        throw SpreadsheetError(std::string("Cannot start LibreOffice: ") + error.what());
    }
}

#endif

}  // namespace wormpair
