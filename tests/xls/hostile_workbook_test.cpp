#include "xls/xls_read_write.h"

#include <gtest/gtest.h>

#include "hostile_workbooks.h"
#include "xls/shared_string_table.h"

namespace wormpair::xls {
namespace {

namespace hostile = wormpair::testing::hostile;

TEST(HostileWorkbook, StructuresTheFormatCannotHoldAreRefusedOnRead) {
    const std::pair<const char*, hostile::Bytes> cases[] = {
        {"streams share sectors", hostile::sharedSectors(16384, 3)},
        {"streams share mini sectors", hostile::sharedSectors(600, 3)},
        {"a cell in column 0xFFFF", hostile::cellInColumnFFFF()},
        {"a MULBLANK past column 255", hostile::mulBlankPastColumn255()},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        TXLSReadWriteII4 workbook;
        // The user reads the message: Chinese, naming the structure.
        try {
            workbook.readFromBytes(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const XlsError& error) {
            const std::string message = error.what();
            EXPECT_TRUE(message.starts_with("复合文档已损坏：") ||
                        message.starts_with("工作簿已损坏："))
                << message;
        }
        EXPECT_EQ(workbook.version(), XlsVersion::None);
    }
    // The same files without the fault load.
    TXLSReadWriteII4 workbook;
    EXPECT_NO_THROW(workbook.readFromBytes(hostile::sharedSectors(16384, 0)));
    EXPECT_NO_THROW(workbook.readFromBytes(hostile::workbook({}, hostile::numberCell(3, 255))));
    EXPECT_EQ(workbook.getCellText(255, 3), "1");
}

// Row 0's cells, as records, must stay within the 16-bit distance a row
// block gives from one row's first cell to the next one's.
TEST(HostileWorkbook, ARowTooLargeForItsRowBlockIsNotWritten) {
    for (const std::size_t cells : {8, 9}) {
        SCOPED_TRACE(cells);
        TXLSReadWriteII4 workbook;
        workbook.readFromBytes(hostile::oversizedRow(cells));
        EXPECT_EQ(workbook.getCellText(0, 1), "1");
        if (cells == 8) {
            TXLSReadWriteII4 again;
            again.readFromBytes(workbook.writeToBytes());
            EXPECT_EQ(again.getCellText(0, 1), "1");
            EXPECT_EQ(again.getCellText(7, 0), std::string(8000, 'x'));
        } else {
            EXPECT_THROW((void)workbook.writeToBytes(), XlsError);
        }
    }
}

// An EXTSST record holds at most 1027 buckets, and their size in 16 bits.
TEST(HostileWorkbook, ExtSstBucketSizeStopsAtWhatSixteenBitsHold) {
    const std::pair<std::size_t, std::uint16_t> cases[] = {
        {0, 8}, {8216, 8}, {8217, 16}, {16432, 16}, {16433, 32}, {1027u * 32768, 32768},
    };
    for (const auto& [strings, perBucket] : cases) {
        SCOPED_TRACE(strings);
        EXPECT_EQ(extSstStringsPerBucket(strings), perBucket);
    }
    EXPECT_THROW(extSstStringsPerBucket(1027u * 32768 + 1), XlsError);
}

}  // namespace
}  // namespace wormpair::xls
