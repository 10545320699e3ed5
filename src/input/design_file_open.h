#pragma once

#include <QString>
#include <QStringList>

#include "store/design_file.h"

namespace wormpair {

class DesignController;
class MainForm;
class TXLSReadWriteII4;

// The fourteen texts of the form as a design file holds them.
DesignFileTexts designFileTexts(const MainForm& form);

// Puts a design file's texts into the form as if typed (each field's change
// handling runs), selects its grade, locks the main inputs and recalculates.
void applyDesignFile(MainForm& form, DesignController& design, const DesignFileTexts& texts);

// Open: reads and checks the whole file before touching a control, applies
// it and binds the design to the file. A file that cannot be read, or is not
// a design file, shows the open message once and changes nothing. Returns
// true when the design was opened.
bool openDesignFile(MainForm& form, DesignController& design, TXLSReadWriteII4& workbook,
                    const QString& path);

// The file named by up to four command-line arguments, joined with blanks: a
// path with blanks that reached the program unquoted is put back together.
QString designFileFromArguments(const QStringList& arguments);

}  // namespace wormpair
