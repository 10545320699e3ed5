#pragma once

#include <QString>
#include <QStringList>

#include "platform/platform.h"

namespace wormpair {

class DesignController;
class MainForm;
class TXLSReadWriteII4;

// Open, Save and Save as of design files (*.cqb).
class DesignFileCommands {
  public:
    DesignFileCommands(const Platform& platform, MainForm& form, DesignController& design,
                       TXLSReadWriteII4& workbook, QString programDirectory);

    // Open from the file dialog; a cancelled dialog changes nothing.
    void open();
    // Open the file named on the command line.
    bool openFile(const QString& path);
    // Save to the design's own file, or to a file chosen in the dialog (with
    // ".cqb" appended, asking before an existing file is replaced). Returns
    // true when the file was written.
    bool save();
    // 另存为: always asks for the file, proposing the current file's name;
    // ".cqb" is appended only when missing. The design is then bound to the
    // new file, so that the next Save writes there and the original is kept.
    bool saveAs();
    // The file the design was last opened from or written to; empty for none.
    const QString& currentFile() const { return m_currentFile; }

    static QString overwriteQuestion(const QString& path);

  private:
    bool write(bool chooseFile);

    Platform m_platform;
    MainForm& m_form;
    DesignController& m_design;
    TXLSReadWriteII4& m_workbook;
    QString m_programDirectory;
    QString m_currentFile;
};

}  // namespace wormpair
