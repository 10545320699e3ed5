#include "store/design_file.h"

#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

constexpr int kWholeNumberRow = 13;  // A14

}  // namespace

int designFileGrade(const DesignFileTexts& texts) {
    const std::string& designation = texts.designation();
    if (designation.empty() || designation[0] < '6' || designation[0] > '8') {
        throw DesignFileError("A9 does not name accuracy grade 6, 7 or 8");
    }
    return designation[0] - '0';
}

DesignFileTexts readDesignFile(TXLSReadWriteII4& workbook, const std::filesystem::path& path) {
    workbook.setFilename(path);
    workbook.readWorkbook();
    DesignFileTexts texts;
    for (std::size_t row = 0; row < DesignFileTexts::kEditCount; ++row) {
        texts.edits[row] = workbook.getCellText(0, static_cast<int>(row));
    }
    texts.wholeNumber = workbook.getCellText(0, kWholeNumberRow);
    designFileGrade(texts);
    return texts;
}

void fillDesignWorkbook(TXLSReadWriteII4& workbook, const std::filesystem::path& source,
                        const DesignFileTexts& texts) {
    workbook.setFilename(source);
    workbook.readWorkbook();
    for (std::size_t row = 0; row < DesignFileTexts::kEditCount; ++row) {
        workbook.setCellText(0, static_cast<int>(row), texts.edits[row]);
    }
    workbook.setCellText(0, kWholeNumberRow, texts.wholeNumber);
}

void writeDesignFile(TXLSReadWriteII4& workbook, const std::filesystem::path& target) {
    workbook.setFilename(target);
    workbook.writeWorkbook();
}

}  // namespace wormpair
