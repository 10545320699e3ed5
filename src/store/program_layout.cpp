#include "store/program_layout.h"

#include <QDir>
#include <QFileInfo>

#include "platform/file_replace.h"
#include "store/parameter_database.h"

namespace wormpair {

QString userDataDirectory() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + "/.local/share";
    return QDir::cleanPath(base + "/wormpair") + '/';
}

QStringList programFolders(const QString& programDirectory) {
    return {programDirectory, userDataDirectory()};
}

ProgramLayout programLayout(const QString& programDirectory) {
    if (mayBeWritten(QFile::encodeName(programDirectory).toStdString())) {
        removeAbandonedTemporaries(QFile::encodeName(programDirectory).toStdString());
        const ProgramLayout layout{programDirectory, programDirectory};
        ParameterDatabase(layout).removeLeftoverJournal();
        return layout;
    }
    const ProgramLayout layout{programDirectory, userDataDirectory()};
    QDir().mkpath(layout.dataDirectory);
    // what a killed run of this program left while writing there
    removeAbandonedTemporaries(QFile::encodeName(layout.dataDirectory).toStdString());
    ParameterDatabase(layout).removeLeftoverJournal();
    if (!QFileInfo::exists(layout.dataDirectory + "db1.mdb")) {
        try {
            const std::vector<std::uint8_t> image =
                readWholeFile(QFile::encodeName(programDirectory + "db1.mdb").toStdString());
            ParameterDatabase(layout).createIfMissing(image);
        } catch (const std::runtime_error&) {
            // the start-up load reports the missing database
        }
    }
    return layout;
}

}  // namespace wormpair
