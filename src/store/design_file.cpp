#include "store/design_file.h"

#include <QString>

#include "calc/numeric.h"
#include "xls/xls_read_write.h"

namespace wormpair {

namespace {

constexpr int kWholeNumberRow = 13;  // A14

}  // namespace

int designFileGrade(const DesignFileTexts& texts) {
    const std::string& designation = texts.designation();
    if (designation.empty() || designation[0] < '6' || designation[0] > '8') {
        throw DesignFileError("单元格 A9（精度等级）的内容不以精度等级 6、7 或 8 开头");
    }
    return designation[0] - '0';
}

void checkHandOfThread(const DesignFileTexts& texts) {
    const std::string& hand = texts.edits[9];  // A10
    if (hand == kRightHand || hand == kLeftHand) return;
    // the text as it stands, its control characters made visible and a long
    // one cut, so that the message stays readable
    QString shown;
    const QString text = QString::fromStdString(hand);
    qsizetype i = 0;
    for (; i < text.size() && shown.size() < 40; ++i) {
        const QChar c = text[i];
        if (c == u'\n') {
            shown += QStringLiteral("\\n");
        } else if (c == u'\r') {
            shown += QStringLiteral("\\r");
        } else if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QChar('0'));
        } else {
            shown += c;
        }
    }
    if (i < text.size()) shown += QStringLiteral("…");
    throw DesignFileTextError(
        QStringLiteral("单元格 A10（旋向）的内容“%1”不是“右旋”或“左旋”").arg(shown).toStdString());
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
    checkHandOfThread(texts);
    // the grade's tolerances are looked up by the centre distance before
    // anything is calculated; the other numbers Calculate checks and names
    try {
        parseReal(texts.edits[0]);
    } catch (const CalculationError&) {
        QString text = QString::fromStdString(texts.edits[0]);
        if (text.size() > 40) text = text.left(40) + u'…';
        for (QChar& c : text) c = c.isPrint() ? c : QChar(u'?');
        throw DesignFileTextError(
            QStringLiteral("单元格 A1（中心距）的内容“%1”不是数字").arg(text).toStdString());
    }
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
