// Workbooks written after edits, read by programs that share no code with
// ours: python3-xlrd (cell values and XF indexes of every cell of every
// sheet) and LibreOffice (conversion of the first sheet to CSV).
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "corpus_files.h"
#include "synthetic_workbook.h"
#include "temp_dir.h"
#include "xls/xls_read_write.h"

namespace wormpair::xls {
namespace {

using testing::TempDir;

struct Edit {
    int column;
    int row;
    std::string text;
};

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out += c;
        }
    }
    return out + "'";
}

std::pair<int, std::string> run(const std::string& command) {
    std::string output;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return {-1, "cannot start"};
    std::array<char, 4096> buffer;
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        output.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\t') {
            out += "\\t";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

// Runs the checker; 0 = same, 1 = differences, 2 = xlrd cannot read the original.
std::pair<int, std::string> xlrdCheck(const std::filesystem::path& original,
                                      const std::filesystem::path& written,
                                      const std::vector<Edit>& edits, const TempDir& dir) {
    const auto editsFile = dir / "edits.txt";
    {
        std::ofstream out(editsFile, std::ios::binary);
        for (const Edit& edit : edits) {
            out << edit.column << '\t' << edit.row << "\t-2\t" << escaped(edit.text) << '\n';
        }
    }
    return run(quoted(WORMPAIR_XLRD_PYTHON) + " " +
               quoted(WORMPAIR_SOURCE_DIR "tests/xls/xlrd_check.py") + " " +
               quoted(original.string()) + " " + quoted(written.string()) + " " +
               quoted(editsFile.string()));
}

bool haveXlrd() { return std::string(WORMPAIR_XLRD_PYTHON).size() > 0; }

// Edits that reach every case the writer handles: existing texts and numbers,
// cells inside MULRK/MULBLANK runs (found by scanning), new cells in empty
// rows and columns, Chinese, a text past the SST record limit, many strings.
std::vector<Edit> editsFor(const TXLSReadWriteII4& workbook) {
    std::vector<Edit> edits;
    int found = 0;
    for (int row = 0; row < 40 && found < 6; ++row) {
        for (int column = 0; column < 12 && found < 6; ++column) {
            if (!workbook.getCellText(column, row).empty()) {
                edits.push_back({column, row, "replaced " + std::to_string(found++)});
            }
        }
    }
    edits.push_back({0, 0, "A1 文本"});
    edits.push_back({2, 3, "齿轮 Ωμ ü"});
    edits.push_back({6, 5, ""});
    edits.push_back({9, 9, "column or row default"});
    edits.push_back({8, 12, "column default"});
    edits.push_back({40, 300, "far away"});
    edits.push_back({255, 700, "last column"});
    std::string longText;
    for (int i = 0; longText.size() < 30000; ++i) longText += "蜗杆" + std::to_string(i) + " ";
    edits.push_back({1, 20, longText});
    for (int i = 0; i < 300; ++i) edits.push_back({3, 400 + i, "new string " + std::to_string(i)});
    edits.push_back({4, 400, "new string 7"});  // an existing text again
    return edits;
}

void applyEdits(TXLSReadWriteII4& workbook, const std::vector<Edit>& edits) {
    for (const Edit& edit : edits) workbook.setCellText(edit.column, edit.row, edit.text);
}

// The file a later edit of the same cell overrides is not checked twice.
std::vector<Edit> finalEdits(const std::vector<Edit>& edits) {
    std::vector<Edit> result;
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        const bool later = std::any_of(result.begin(), result.end(), [&](const Edit& e) {
            return e.column == it->column && e.row == it->row;
        });
        if (!later) result.push_back(*it);
    }
    return result;
}

class CrossCheck : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(CrossCheck, XlrdSeesUnchangedWorkbookAfterPlainRoundTrip) {
    if (!haveXlrd()) GTEST_SKIP() << "python3 with xlrd not found";
    TempDir dir;
    TXLSReadWriteII4 workbook;
    workbook.setFilename(GetParam());
    workbook.readWorkbook();
    workbook.setFilename(dir / "out.xls");
    workbook.writeWorkbook();
    const auto [status, output] = xlrdCheck(GetParam(), dir / "out.xls", {}, dir);
    if (status == 2) GTEST_SKIP() << output;
    EXPECT_EQ(status, 0) << output;
}

TEST_P(CrossCheck, XlrdSeesEditsAndEverythingElseUnchanged) {
    if (!haveXlrd()) GTEST_SKIP() << "python3 with xlrd not found";
    TempDir dir;
    TXLSReadWriteII4 workbook;
    workbook.setFilename(GetParam());
    workbook.readWorkbook();
    const auto edits = editsFor(workbook);
    applyEdits(workbook, edits);
    workbook.setFilename(dir / "out.xls");
    workbook.writeWorkbook();
    const auto [status, output] = xlrdCheck(GetParam(), dir / "out.xls", finalEdits(edits), dir);
    if (status == 2) GTEST_SKIP() << output;
    EXPECT_EQ(status, 0) << output;
}

INSTANTIATE_TEST_SUITE_P(Corpus, CrossCheck, ::testing::ValuesIn(testing::validCorpusFiles()),
                         [](const auto& info) { return testing::testName(info.param); });

TEST(CrossCheckSynthetic, EveryCellKindReplacedAndNewCellsTakeColumnRowOrDefaultXf) {
    if (!haveXlrd()) GTEST_SKIP() << "python3 with xlrd not found";
    TempDir dir;
    const auto source = dir / "synthetic.xls";
    {
        const auto bytes = testing::syntheticWorkbook();
        std::ofstream(source, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    const std::vector<Edit> edits = {
        {0, 0, "was NUMBER"},     {3, 0, "was LABELSST"}, {4, 0, "was LABEL"},
        {5, 0, "was RSTRING"},    {0, 1, "was RK"},       {1, 2, "inside MULRK"},
        {0, 2, "MULRK start"},    {3, 3, "MULBLANK end"}, {2, 3, "inside MULBLANK"},
        {2, 4, "was BOOLERR"},    {1, 5, "was FORMULA"},  {0, 5, "formula too"},
        {8, 0, "COLINFO column"}, {3, 9, "ROW with XF"},  {8, 9, "column wins"},
        {7, 7, "default XF"},     {4, 1, "中文"},         {6, 6, ""}};
    TXLSReadWriteII4 workbook;
    workbook.setFilename(source);
    workbook.readWorkbook();
    applyEdits(workbook, edits);
    workbook.setFilename(dir / "out.xls");
    workbook.writeWorkbook();
    const auto [status, output] = xlrdCheck(source, dir / "out.xls", edits, dir);
    EXPECT_EQ(status, 0) << output;
}

TEST(CrossCheckLibreOffice, ConvertsWrittenFilesWithTheNewTexts) {
    if (std::string(WORMPAIR_SOFFICE).empty()) GTEST_SKIP() << "LibreOffice not installed";
    TempDir dir;
    for (const char* name :
         {"generated/lo_param_single_zh.xls", "poi-47245_test.xls", "poi-SimpleWithColours.xls"}) {
        SCOPED_TRACE(name);
        TXLSReadWriteII4 workbook;
        workbook.setFilename(testing::corpusDir() / name);
        workbook.readWorkbook();
        workbook.setCellText(0, 0, "蜗轮副 first");
        workbook.setCellText(2, 1, "second, \"quoted\"");
        workbook.setCellText(5, 30, "far cell");
        const auto written = dir / (testing::testName(name) + ".xls");
        workbook.setFilename(written);
        workbook.writeWorkbook();
        const auto [status, output] =
            run(quoted(WORMPAIR_SOFFICE) + " -env:UserInstallation=file://" +
                (dir / "profile").string() +
                " --headless --convert-to csv:\"Text - txt - csv (StarCalc)\":44,34,76 --outdir " +
                quoted(dir.path().string()) + " " + quoted(written.string()));
        ASSERT_EQ(status, 0) << output;
        std::ifstream csv(dir / (testing::testName(name) + ".csv"));
        std::stringstream content;
        content << csv.rdbuf();
        std::istringstream lines(content.str());
        std::vector<std::string> rows;
        for (std::string line; std::getline(lines, line);) rows.push_back(line);
        ASSERT_GT(rows.size(), 30u) << content.str();
        EXPECT_EQ(rows[0].rfind("蜗轮副 first", 0), 0u) << rows[0];
        EXPECT_NE(rows[1].find(",\"second, \"\"quoted\"\"\""), std::string::npos) << rows[1];
        EXPECT_NE(rows[30].find("far cell"), std::string::npos) << rows[30];
    }
}

}  // namespace
}  // namespace wormpair::xls
