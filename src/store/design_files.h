#pragma once

#include <QString>

#include <functional>
#include <string>
#include <string_view>

namespace wormpair {

class DesignController;
class MainForm;
class TXLSReadWriteII4;

inline constexpr std::string_view kSaveFailedMessage =
    "保存过程中发生错误,或者您还没安装EXCEL，保存失败........";
inline constexpr std::string_view kOpenFailedMessage =
    "文件打开错误,或者您还没安装EXCEL.........";
inline constexpr const char* kDesignFileFilter = "*.cqb|*.cqb";

// Design files (*.cqb): workbooks holding the fourteen input texts in cells
// A1 to A14 of their first sheet. Opening one sets the texts as if typed,
// locks the main inputs and recalculates.
class DesignFiles {
public:
    // programDirectory ends with '/' and holds the design template 111.xls.
    DesignFiles(MainForm& form, DesignController& design, TXLSReadWriteII4& workbook,
                QString programDirectory);

    // Asks for a target (the proposal is "centre distance-ratio"); an empty
    // answer cancels.
    using TargetChooser = std::function<QString(const QString& proposal)>;

    // Returns true when a file was written.
    bool save(const TargetChooser& chooseTarget);

    // Returns true when the file was read and the design calculated from it.
    bool open(const QString& path);

private:
    void writeCells();
    void readCells(const QString& path);

    MainForm& m_form;
    DesignController& m_design;
    TXLSReadWriteII4& m_workbook;
    QString m_programDirectory;
};

// The file named by up to four command-line arguments, joined with blanks: a
// path with blanks that reached the program unquoted is put back together.
QString designFileFromArguments(const QStringList& arguments);

}  // namespace wormpair
