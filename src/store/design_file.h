#pragma once

#include <array>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace wormpair {

class TXLSReadWriteII4;

inline constexpr std::string_view kSaveFailedMessage =
    "保存过程中发生错误,或者您还没安装EXCEL，保存失败........";
inline constexpr std::string_view kOpenFailedMessage = "文件打开错误,或者您还没安装EXCEL.........";
inline constexpr const char* kDesignFileFilter = "设计文件|*.cqb";
inline constexpr const char* kDesignFileExtension = ".cqb";
inline constexpr const char* kDesignTemplate = "111.xls";

// The fourteen texts of a design file (*.cqb), cells A1 to A14 of its first
// sheet: the texts of Edit1 to Edit13, then "zhengshu" when 取整数 is
// checked and the empty text when not.
struct DesignFileTexts {
    static constexpr std::size_t kEditCount = 13;
    static constexpr const char* kWholeNumberMark = "zhengshu";

    std::array<std::string, kEditCount> edits;
    std::string wholeNumber;

    const std::string& designation() const { return edits[8]; }  // A9, the grade text
    bool wholeNumberChecked() const { return wholeNumber == kWholeNumberMark; }
};

class DesignFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A cell whose text the design cannot hold; what() is the Chinese reason
// that names the cell and its text, shown beside the open message.
class DesignFileTextError : public DesignFileError {
  public:
    using DesignFileError::DesignFileError;
};

// The two hands of the thread, the only texts of A10 (旋向).
inline constexpr const char* kRightHand = "右旋";
inline constexpr const char* kLeftHand = "左旋";

// Throws DesignFileTextError unless A10 holds 右旋 or 左旋: the hand is
// written into the sheets and drawings as it stands.
void checkHandOfThread(const DesignFileTexts& texts);

// Reads a design file and checks it before anything uses it: the grade text
// in A9 must begin with 6, 7 or 8, which a workbook that is not a design
// file (a parameter-sheet template, say) does not have, and A10 must name a
// hand. Throws XlsError for a file that is no workbook and DesignFileError
// for one that is no design.
DesignFileTexts readDesignFile(TXLSReadWriteII4& workbook, const std::filesystem::path& path);

// The accuracy grade a design file names: 6, 7 or 8.
int designFileGrade(const DesignFileTexts& texts);

// Reads the starting workbook (the design template or the design's own file)
// and sets the fourteen cells; writeDesignFile then stores it.
void fillDesignWorkbook(TXLSReadWriteII4& workbook, const std::filesystem::path& source,
                        const DesignFileTexts& texts);
void writeDesignFile(TXLSReadWriteII4& workbook, const std::filesystem::path& target);

}  // namespace wormpair
