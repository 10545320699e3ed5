#include "store/program_layout.h"

#include <QDir>
#include <QFileInfo>

#include "platform/file_replace.h"

namespace wormpair {

QString userDataDirectory() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) base = QDir::homePath() + "/.local/share";
    return QDir::cleanPath(base + "/wormpair") + '/';
}

ProgramLayout programLayout(const QString& programDirectory) {
    if (mayBeWritten(QFile::encodeName(programDirectory).toStdString())) {
        removeAbandonedTemporaries(QFile::encodeName(programDirectory).toStdString());
        return {programDirectory, programDirectory};
    }
    const ProgramLayout layout{programDirectory, userDataDirectory()};
    QDir().mkpath(layout.dataDirectory);
    // what a killed run of this program left while writing there
    removeAbandonedTemporaries(QFile::encodeName(layout.dataDirectory).toStdString());
    const QString database = layout.dataDirectory + "db1.mdb";
    if (!QFileInfo::exists(database)) {
        try {
            copyFileSafely((programDirectory + "db1.mdb").toStdString(), database.toStdString());
        } catch (const FileReplaceError&) {
            // the start-up load reports the missing database
        }
    }
    return layout;
}

}  // namespace wormpair
