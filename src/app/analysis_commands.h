#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "analysis/contact_service.h"
#include "platform/platform.h"

class QWidget;

namespace wormpair {

class DesignController;
class MainForm;
struct ProgramLayout;

// The menu 啮合分析: the marking pattern of the calculated design in a
// dialog where the assembly's errors are set within the grade's limits,
// computed away from the window's thread, drawn on the wheel flank and
// exported as CSV; and the contact lines as CSV. Every file goes through
// the one safe file replacement; and the contact lines drawn on the worm's
// and the wheel's flank, coloured by their lubrication angle, sliding speed
// or induced curvature, exported as CSV or as a report.
class AnalysisCommands {
  public:
    AnalysisCommands(const Platform& platform, const MainForm& form, const DesignController& design,
                     const ProgramLayout& layout, QWidget* parent);

    void showMarkingPattern();
    void showContactLines();

    // The pattern under these settings (nothing when cancelled or refused,
    // the reason shown).
    std::optional<analysis::PatternMap> computePattern(const analysis::PatternSettings& settings);
    // The contact lines likewise.
    std::optional<analysis::ContactMap> computeContactLines(
        const analysis::ContactSettings& settings);
    // Asks for a CSV file and writes the text; false when cancelled or failed.
    bool writeCsv(const QString& proposedName, const std::string& text);

    // Tests answer the pattern dialog: given the limits, they compute and
    // return; nullptr restores the dialog.
    using PatternDialog = std::function<void(const analysis::PatternLimits&)>;
    void setPatternDialog(PatternDialog dialog) { m_dialog = std::move(dialog); }
    // … and the contact lines' dialog.
    void setContactDialog(std::function<void()> dialog) { m_contactDialog = std::move(dialog); }

  private:
    QString proposedName(const QString& what, const QString& extension) const;
    // Runs the work away from the window's thread with the progress window;
    // a refusal is shown as "无法求<what>：reason". False when cancelled or refused.
    bool runAnalysis(const QString& what, const std::function<void()>& work);
    bool savePdf(const QString& proposedName, const QByteArray& pdf);

    Platform m_platform;
    const MainForm& m_form;
    const DesignController& m_design;
    const ProgramLayout& m_layout;
    QWidget* m_parent;
    PatternDialog m_dialog;
    std::function<void()> m_contactDialog;
};

}  // namespace wormpair
