#include "cli/design_session.h"

#include <QJsonDocument>

#include "cli/cli_output.h"

#include "input/design_file_open.h"
#include "platform/program_files.h"
#include "store/program_layout.h"
#include "store/store_messages.h"
#include "xls/xls_read_write.h"

namespace wormpair {

bool writableTarget(const QString& target, const QString& programDirectory, QTextStream& err) {
    const QString problem = programFileProblem(target, programFolders(programDirectory));
    if (problem.isEmpty()) return true;
    err << "wormpair-cli: " << problem << "\n";
    return false;
}

std::unique_ptr<HeadlessSession> openCalculatedDesign(const QString& programDirectory,
                                                      const QString& designFile,
                                                      QTextStream& err) {
    auto session = std::make_unique<HeadlessSession>(programDirectory);
    if (!session->load().ok) {
        err << "wormpair-cli: " << QString::fromUtf8(kDataInitialisationFailed.data()) << "\n";
        return nullptr;
    }
    TXLSReadWriteII4 workbook;
    if (!openDesignFile(session->form, session->design, workbook, designFile) ||
        !session->succeeded()) {
        err << "wormpair-cli: " << designFile << ": "
            << (session->form.messages.empty()
                    ? QString("设计未计算")
                    : QString::fromStdString(session->form.messages.back()))
            << "\n";
        return nullptr;
    }
    return session;
}

bool loadSession(HeadlessSession& session, QTextStream& err) {
    const StartupLoadResult result = session.load();
    if (!result.ok) {
        err << "wormpair-cli: " << QString::fromUtf8(kDataInitialisationFailed.data()) << " ("
            << result.error << ")\n";
    }
    return result.ok;
}

void printSession(const HeadlessSession& session, bool json, QTextStream& out) {
    if (json) {
        out << QJsonDocument(
                   designJson(session.form, session.design, session.view, session.succeeded()))
                   .toJson(QJsonDocument::Indented);
    } else {
        printDesign(session.form, session.design, session.view, session.succeeded(), out);
    }
}

}  // namespace wormpair
