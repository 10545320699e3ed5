#include "export/parameter_sheets.h"

#include <QFileInfo>

#include <exception>
#include <stdexcept>

#include "calc/numeric.h"
#include "export/spreadsheet_application.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

std::string number(double value) { return formatReal(value); }
std::string rounded3(double value) { return formatReal(roundToDecimals(value, 3)); }

std::string hobChordalThickness(const DesignRecord& r) {
    return formatReal(r.hobNormalChordalThickness);
}
// Formed when the sheet is written.
std::string angleDifference(const DesignRecord& r) {
    return formatReal(Extended(r.pressureAngle) - Extended(r.workingHalfWrapAngle));
}

void showFailure(const ExportDesktop& desktop) {
    desktop.messages.inform(toQString(kExportFailedMessage), QString());
}

}  // namespace

const SheetFiles& sheetFiles(Sheet sheet) {
    static const SheetFiles kFiles[] = {
        {"1.xls", "1m.xls", "wogan", "wogan.xls"},
        {"11.xls", "11m.xls", "gundao", "gundao.xls"},
        {"1111.xls", "1111m.xls", "wolun", "wolun.xls"},
    };
    return kFiles[static_cast<int>(sheet)];
}

QString storedWorkbookPath(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    return name.contains('.') ? path : path + ".xls";
}

std::optional<CellPosition> cellPosition(std::string_view name) {
    std::size_t i = 0;
    int column = 0;
    for (; i < name.size() && i < 3; ++i) {
        char c = name[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c < 'A' || c > 'Z') break;
        column = column * 26 + (c - 'A' + 1);
    }
    if (i == 0 || i == name.size() || name[i] == '0') return std::nullopt;
    int row = 0;
    for (std::size_t j = i; j < name.size(); ++j) {
        if (name[j] < '0' || name[j] > '9' || j - i >= 6) return std::nullopt;
        row = row * 10 + (name[j] - '0');
    }
    if (column > 256 || row > 65536) return std::nullopt;
    return CellPosition{column - 1, row - 1};
}

std::vector<CellText> menuCells(Sheet sheet, const SheetSources& s) {
    const DesignRecord& r = s.record;
    switch (sheet) {
        case Sheet::Worm:
            return {{"C2", s.wormStarts},
                    {"C3", s.wheelTeeth},
                    {"C4", number(r.transverseModule)},
                    {"C5", number(r.wrappedTeeth)},
                    {"C6", r.motherPlaneInclinationText},
                    {"C7", number(r.workingHalfWrapAngle)},
                    {"C8", number(r.throatLeadAngle)},
                    {"C9", number(r.pressureAngle)},
                    {"B10", s.hand},
                    {"B11", s.gradeDesignation},
                    {"C12", number(r.wormNormalChordalThickness)},
                    {"C13", number(r.wormNormalChordalHeight)},
                    {"C14", s.entryRelief},
                    {"C15", s.exitRelief},
                    {"C17", s.grindingIncrement},
                    {"C18", rounded3(r.modifiedCentreDistance)},
                    {"C19", number(r.modifiedRatio)},
                    {"C20", rounded3(r.modifiedMainBaseDiameter)},
                    {"C21", rounded3(r.modifiedInclination)}};
        case Sheet::Hob:
            return {{"C2", s.wormStarts},
                    {"C3", s.wheelTeeth},
                    {"C4", number(r.transverseModule)},
                    {"C5", number(r.hobWrappedTeeth)},
                    {"C6", r.motherPlaneInclinationText},
                    {"C7", number(r.workingHalfWrapAngle)},
                    {"C8", number(r.throatLeadAngle)},
                    {"C9", number(r.pressureAngle)},
                    {"B10", s.hand},
                    {"B11", s.hand},
                    {"C12", hobChordalThickness(r)},
                    {"C13", number(r.hobNormalChordalHeight)}};
        case Sheet::Wheel:
            return {{"C2", s.wormStarts},
                    {"C3", s.wheelTeeth},
                    {"C4", number(r.transverseModule)},
                    {"C5", number(r.throatLeadAngle)},
                    {"C6", number(r.pressureAngle)},
                    {"C7", number(r.workingHalfWrapAngle)},
                    {"C8", angleDifference(r)},
                    {"C9", r.motherPlaneInclinationText},
                    {"B10", s.hand},
                    {"C11", number(r.wrappedTeeth)},
                    {"C12", number(r.backlash)},
                    {"C13", number(r.wheelNormalChordalHeight)},
                    {"C14", number(r.wheelNormalChordalThickness)},
                    {"C15", s.centreDistance},
                    {"C16", ""},
                    {"C17", number(r.mainBaseDiameter)}};
    }
    throw std::logic_error("unknown parameter sheet");
}

std::vector<CellText> toolbarCells(Sheet sheet, const SheetSources& s) {
    const DesignRecord& r = s.record;
    const AccuracyValues& a = s.accuracy;
    switch (sheet) {
        case Sheet::Worm:
            return {{"C2", s.wormStarts},
                    {"C3", s.wheelTeeth},
                    {"C4", number(r.transverseModule)},
                    {"C5", number(r.wrappedTeeth)},
                    {"C6", r.motherPlaneInclinationText},
                    {"C7", number(r.workingHalfWrapAngle)},
                    {"C8", number(r.throatLeadAngle)},
                    {"C9", number(r.pressureAngle)},
                    {"B10", s.hand},
                    {"B11", s.gradeDesignation},
                    {"C12", number(r.wormNormalChordalThickness)},
                    {"D13", "-" + a.accuracyValue8},
                    {"C14", number(r.wormNormalChordalHeight)},
                    {"C15", s.entryRelief},
                    {"C16", s.exitRelief},
                    {"C17", a.accuracyValue3},
                    {"C18", a.accuracyValue4},
                    {"C20", s.grindingIncrement},
                    {"C21", rounded3(r.modifiedCentreDistance)},
                    {"C22", number(r.modifiedRatio)},
                    {"C23", rounded3(r.modifiedMainBaseDiameter)},
                    {"C24", rounded3(r.modifiedInclination)}};
        case Sheet::Hob:
            return {{"C2", s.wormStarts},
                    {"C3", s.wheelTeeth},
                    {"C4", number(r.transverseModule)},
                    {"C5", number(r.hobWrappedTeeth)},
                    {"C6", r.motherPlaneInclinationText},
                    {"C7", number(r.workingHalfWrapAngle)},
                    {"C8", number(r.throatLeadAngle)},
                    {"C9", number(r.pressureAngle)},
                    {"B10", s.hand},
                    {"C11", hobChordalThickness(r)},
                    {"D11", "+" + a.accuracyValue11},
                    {"C13", number(r.hobNormalChordalHeight)}};
        case Sheet::Wheel:
            return {{"C2", s.wormStarts},
                    {"C3", s.wheelTeeth},
                    {"C4", number(r.transverseModule)},
                    {"C5", number(r.throatLeadAngle)},
                    {"C6", number(r.pressureAngle)},
                    {"C7", number(r.workingHalfWrapAngle)},
                    {"C8", angleDifference(r)},
                    {"C9", r.motherPlaneInclinationText},
                    {"B10", s.hand},
                    {"C11", number(r.wrappedTeeth)},
                    {"C12", number(r.backlash)},
                    {"C13", number(r.wheelNormalChordalHeight)},
                    {"C14", number(r.wheelNormalChordalThickness)},
                    {"D15", "-" + a.accuracyValue11},
                    {"C16", s.centreDistance},
                    {"C17", a.accuracyValue9},
                    {"C18", a.accuracyValue10}};
    }
    throw std::logic_error("unknown parameter sheet");
}

ExportOutcome exportByToolbar(Sheet sheet, const SheetSources& sources,
                              const QString& programDirectory, TXLSReadWriteII4& workbook,
                              const ExportDesktop& desktop) {
    const SheetFiles& files = sheetFiles(sheet);
    try {
        workbook.setFilename((programDirectory + files.templateName).toStdString());
        workbook.readWorkbook();
        for (const CellText& cell : toolbarCells(sheet, sources)) {
            const CellPosition at = *cellPosition(cell.cell);
            workbook.setCellText(at.column, at.row, cell.text);
        }
        const QString target = desktop.files.saveFileName(FileDialogs::Kind::Sheet, kSheetFilter,
                                                                files.toolbarProposal);
        if (!target.isEmpty()) {
            desktop.progress.show();
            workbook.setFilename(target.toStdString());
            workbook.writeWorkbook();
        }
        desktop.progress.close();
        return target.isEmpty() ? ExportOutcome::Cancelled : ExportOutcome::Written;
    } catch (const std::exception&) {
        showFailure(desktop);
        return ExportOutcome::Failed;
    }
}

ExportOutcome exportByMenu(Sheet sheet, const SheetSources& sources,
                           const QString& programDirectory, SpreadsheetApplications& applications,
                           std::unique_ptr<SpreadsheetApplication>& handle,
                           const ExportDesktop& desktop) {
    const SheetFiles& files = sheetFiles(sheet);
    try {
        const QString templatePath = programDirectory + files.menuTemplateName;
        const std::vector<CellText> cells = menuCells(sheet, sources);
        // Starting the office takes seconds: ask for the target first, so a
        // cancelled dialog starts nothing and the window never waits before
        // it; a missing template still fails before the dialog.
        if (!QFileInfo::exists(templatePath)) throw SpreadsheetError("template missing");
        const QString target = desktop.files.saveFileName(FileDialogs::Kind::Sheet, kSheetFilter,
                                                            files.menuProposal);
        if (target.isEmpty()) return ExportOutcome::Cancelled;
        // the earlier application ends first, so the new one finds its
        // profile free
        handle.reset();
        handle = applications.create();
        SpreadsheetApplication& application = *handle;
        application.setVisible(false);
        application.openWorkbook(templatePath);
        for (const CellText& cell : cells) {
            const CellPosition at = *cellPosition(cell.cell);
            application.setCellValue(at.row + 1, at.column + 1, QString::fromStdString(cell.text));
        }
        desktop.progress.show();
        application.saveActiveWorkbookAs(target);
        application.setActiveWorkbookSaved(true);
        application.closeWorkbooks();
        application.quit();
        desktop.progress.close();
        return ExportOutcome::Written;
    } catch (const std::exception&) {
        showFailure(desktop);
        return ExportOutcome::Failed;
    }
}

}  // namespace wormpair
