#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <filesystem>
#include <vector>

#include "platform/file_replace.h"

// The one check every save and export of a path the user chose makes, in
// the window (its save dialogs) and in the tool (its -o and NAME arguments):
// the program's own files are never the target (see programFileProblem in
// file_replace.h).

namespace wormpair {

// programFileProblem for Qt paths: a Chinese message naming target, or empty.
inline QString programFileProblem(const QString& target, const QStringList& programFolders) {
    std::vector<std::filesystem::path> folders;
    for (const QString& folder : programFolders) {
        if (!folder.isEmpty()) folders.emplace_back(QFile::encodeName(folder).toStdString());
    }
    return QString::fromStdString(
        programFileProblem(std::filesystem::path(QFile::encodeName(target).toStdString()), folders));
}

// The same for a save dialog's answer, whose writer may still append an
// extension of the dialog's filter ("描述|*.xls", "*.ccq|*.ccq", ".xls"):
// the answer and the answer with each such extension are checked.
inline QString chosenFileProblem(const QString& answer, const QString& filter,
                                 const QStringList& programFolders) {
    if (QString problem = programFileProblem(answer, programFolders); !problem.isEmpty()) {
        return problem;
    }
    static const QRegularExpression extension(QStringLiteral("\\.[A-Za-z0-9]+"));
    for (auto match = extension.globalMatch(filter.section('|', -1)); match.hasNext();) {
        const QString withExtension = answer + match.next().captured();
        if (QString problem = programFileProblem(withExtension, programFolders);
            !problem.isEmpty()) {
            return problem;
        }
    }
    return {};
}

}  // namespace wormpair
