#pragma once

class QApplication;

namespace wormpair {

// Loads Qt's own Chinese translations, so that its dialogs and buttons
// ("Save As", "Cancel", "Yes", "No") speak Chinese like the rest of the
// program. Returns false when they are not installed.
bool installChineseTranslations(QApplication& application);

}  // namespace wormpair
