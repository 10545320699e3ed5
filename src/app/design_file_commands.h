#pragma once

#include <QString>
#include <QStringList>

#include "platform/platform.h"

namespace wormpair {

class DesignController;
class MainForm;
class TXLSReadWriteII4;

// Open and Save of design files (*.cqb).
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

    static QString overwriteQuestion(const QString& path);

  private:
    Platform m_platform;
    MainForm& m_form;
    DesignController& m_design;
    TXLSReadWriteII4& m_workbook;
    QString m_programDirectory;
};

}  // namespace wormpair
