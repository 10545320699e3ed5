#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "manual_content.h"
#include "manual_design.h"
#include "manual_document.h"
#include "drawing/manual_figures.h"
#include "manual_fonts.h"
#include "drawing/worm_geometry.h"

namespace {

class ApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "manuals_tool_test";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { app.reset(); }

  private:
    std::unique_ptr<QGuiApplication> app;
};

[[maybe_unused]] ::testing::Environment* const applicationEnvironment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

// --- the CJK font's character maps ------------------------------------------

void put16(QByteArray& b, quint32 v) { b.append(char(v >> 8)).append(char(v)); }
void put32(QByteArray& b, quint32 v) { put16(b, v >> 16), put16(b, v & 0xFFFF); }
quint32 get16(const QByteArray& b, qsizetype at) { return quint8(b[at]) << 8 | quint8(b[at + 1]); }
quint32 get32(const QByteArray& b, qsizetype at) { return get16(b, at) << 16 | get16(b, at + 2); }

struct Group {
    quint32 first, last, glyph;
};

QByteArray format12(const std::vector<Group>& groups) {
    QByteArray t;
    put16(t, 12), put16(t, 0), put32(t, 16 + 12 * groups.size()), put32(t, 0),
        put32(t, groups.size());
    for (const Group& g : groups) put32(t, g.first), put32(t, g.last), put32(t, g.glyph);
    return t;
}

// Single-character segments: a glyph by delta, or (array) by glyphIdArray.
struct Segment {
    quint32 code, glyph;
    bool array;
};

QByteArray format4(const std::vector<Segment>& segments) {
    const quint32 n = segments.size() + 1;  // and the closing 0xFFFF segment
    QByteArray ends, starts, deltas, offsets, glyphs;
    int arrayIndex = 0;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const Segment& s = segments[i];
        put16(ends, s.code), put16(starts, s.code);
        put16(deltas, s.array ? 0 : (s.glyph - s.code) & 0xFFFF);
        // from this segment's offset word to its glyph in the array
        put16(offsets, s.array ? 2 * (n - i) + 2 * arrayIndex++ : 0);
        if (s.array) put16(glyphs, s.glyph);
    }
    put16(ends, 0xFFFF), put16(starts, 0xFFFF), put16(deltas, 1), put16(offsets, 0);
    QByteArray t;
    put16(t, 4), put16(t, 16 + 8 * n + glyphs.size()), put16(t, 0), put16(t, 2 * n);
    put16(t, 0), put16(t, 0), put16(t, 0);
    return t + ends + QByteArray(2, 0) + starts + deltas + offsets + glyphs;
}

QByteArray cmap(const QByteArray& sub4, const QByteArray& sub12) {
    QByteArray t;
    put16(t, 0), put16(t, 2);
    put16(t, 3), put16(t, 1), put32(t, 4 + 16);
    put16(t, 3), put16(t, 10), put32(t, 4 + 16 + sub4.size());
    return t + sub4 + sub12;
}

// An OpenType file of `faces` faces (a collection when more than one) that
// all use the one cmap table at its end.
QByteArray font(const QByteArray& table, int faces = 1) {
    const qsizetype header = faces > 1 ? 12 + 4 * faces : 0;
    const qsizetype cmapAt = header + faces * 28;
    QByteArray f;
    if (faces > 1) {
        f.append("ttcf"), put32(f, 0x00010000), put32(f, faces);
        for (int i = 0; i < faces; ++i) put32(f, header + 28 * i);
    }
    for (int i = 0; i < faces; ++i) {
        put32(f, 0x4F54544F), put16(f, 1), put16(f, 16), put16(f, 0), put16(f, 0);
        f.append("cmap"), put32(f, 0), put32(f, cmapAt), put32(f, table.size());
    }
    return f + table;
}

// Glyph of a code point, read independently of the code under test.
quint32 glyph12(const QByteArray& t, qsizetype at, quint32 code) {
    for (quint32 g = 0; g < get32(t, at + 12); ++g) {
        const qsizetype p = at + 16 + 12 * g;
        if (code >= get32(t, p) && code <= get32(t, p + 4))
            return get32(t, p + 8) + code - get32(t, p);
    }
    return 0;
}

quint32 glyph4(const QByteArray& t, qsizetype at, quint32 code) {
    const quint32 n = get16(t, at + 6) / 2;
    for (quint32 s = 0; s < n; ++s) {
        if (code < get16(t, at + 16 + 2 * (n + s)) || code > get16(t, at + 14 + 2 * s)) continue;
        const qsizetype offsetAt = at + 16 + 2 * (3 * n + s);
        const quint32 delta = get16(t, at + 16 + 2 * (2 * n + s));
        if (get16(t, offsetAt) == 0) return (code + delta) & 0xFFFF;
        const quint32 g =
            get16(t, offsetAt + get16(t, offsetAt) + 2 * (code - get16(t, at + 16 + 2 * (n + s))));
        return g ? (g + delta) & 0xFFFF : 0;
    }
    return 0;
}

TEST(ManualFonts, UnmapsCodePointsThatShareTheGlyphOfAnIdeograph) {
    // ⽂ (U+2F42) and 文 (U+6587) share glyph 7, ㇐ (U+31D0) and 一 (U+4E00) glyph 8
    const QByteArray sub4 = format4({{0x41, 1, false},
                                     {0x2F42, 7, false},
                                     {0x31D0, 8, true},
                                     {0x4E00, 8, false},
                                     {0x6587, 7, true}});
    const QByteArray sub12 = format12({{0x41, 0x43, 1},
                                       {0x2F42, 0x2F42, 7},
                                       {0x31D0, 0x31D0, 8},
                                       {0x4E00, 0x4E00, 8},
                                       {0x6587, 0x6587, 7}});
    QByteArray data = font(cmap(sub4, sub12));
    const qsizetype at4 = 28 + 20, at12 = at4 + sub4.size();
    ASSERT_EQ(glyph4(data, at4, 0x2F42), 7u);
    ASSERT_EQ(glyph4(data, at4, 0x31D0), 8u);

    EXPECT_EQ(manuals::unmapCodePointsSharedWithIdeographs(data), 4);
    const struct {
        quint32 code, glyph;
    } expected[] = {{0x41, 1}, {0x2F42, 0}, {0x31D0, 0}, {0x4E00, 8}, {0x6587, 7}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.code);
        EXPECT_EQ(glyph4(data, at4, e.code), e.glyph);
        EXPECT_EQ(glyph12(data, at12, e.code), e.glyph);
    }
    EXPECT_EQ(glyph12(data, at12, 0x43), 3u);  // a run of unique glyphs is left alone
}

TEST(ManualFonts, PatchesATableSharedByTheFacesOfACollectionOnce) {
    QByteArray data =
        font(cmap(format4({}), format12({{0x2F42, 0x2F42, 7}, {0x6587, 0x6587, 7}})), 3);
    EXPECT_EQ(manuals::unmapCodePointsSharedWithIdeographs(data), 1);
}

TEST(ManualFonts, RefusesWhatIsNotAFont) {
    QByteArray text("plain text, not a font");
    EXPECT_THROW(manuals::unmapCodePointsSharedWithIdeographs(text), std::runtime_error);
    QByteArray cut = font(cmap(format4({}), format12({{0x41, 0x41, 1}})));
    cut.chop(10);
    EXPECT_THROW(manuals::unmapCodePointsSharedWithIdeographs(cut), std::runtime_error);
}

// --- filling in {{key}} ------------------------------------------------------

TEST(ManualText, SubstitutesEveryKey) {
    const auto angle = [](const QString& key) { return "<" + key + ">"; };
    const struct {
        const char* name;
        const char* text;
        const char* expected;
    } rows[] = {
        {"no key", "中心距 a", "中心距 a"},   {"one key", "a = {{x}} mm", "a = <x> mm"},
        {"blanks", "{{ x }}", "<x>"},         {"two keys", "{{x}}{{y.z}}", "<x><y.z>"},
        {"brace around", "{{{x}}}", "{<x>}"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(manuals::substitute(QString::fromUtf8(row.text), angle),
                  QString::fromUtf8(row.expected));
    }
}

TEST(ManualText, NamesTheKeyItCannotFill) {
    const auto refuse = [](const QString&) -> QString { throw std::runtime_error("unknown key"); };
    try {
        manuals::substitute("a {{ex.nothing}} b", refuse);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("{{ex.nothing}}"), std::string::npos) << e.what();
    }
    EXPECT_THROW(manuals::substitute("a {{x", [](const QString& k) { return k; }),
                 std::runtime_error);
}

// --- the numbers, from the program's rules and the shipped database ---------

class ManualData : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        data = std::make_unique<manuals::ManualData>(WORMPAIR_PROGRAM_DIR);
    }
    static void TearDownTestSuite() { data.reset(); }
    static std::unique_ptr<manuals::ManualData> data;
};
std::unique_ptr<manuals::ManualData> ManualData::data;

// Worked examples of the recommendation rules; relief texts from db1.sql.
TEST_F(ManualData, RecommendsAsTheRecommendButton) {
    const struct {
        const char *a, *z2, *mainBase, *eccentricity, *increment, *entry, *exit;
    } rows[] = {
        {"160", "40", "100", "0", "0.4", "0.35 * 4.5", "0.23 * 3"},  // 99 snapped to 100; i >= 35
        {"125", "10", "72", "18", "0.1", "0.4 * 6", "0.27 * 4"},     // no snap; 72 / 4
        {"80", "8", "45", "17", "0.1", "0.3 * 6", "0.2 * 4"},        // 16.875 written as 17
        {"160", "25", "", "", "0.2", "0.35 * 6", "0.23 * 4"},        // i = 25 takes the second band
        {"100", "30", "", "", "0.3", "0.25 * 6", "0.17 * 4"},        // both bounds select their row
        {"200", "55", "", "", "0.6", "", ""},
        {"200", "75", "", "", "0.7", "", ""},
        {"200", "37", "", "", "0.4", "", ""},
        {"200", "100", "", "", "1", "", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.a) + " / " + row.z2);
        const manuals::Recommendation r = data->recommend(row.a, row.z2, "1");
        if (*row.mainBase) {
            EXPECT_EQ(r.mainBaseDiameter, row.mainBase);
        }
        if (*row.eccentricity) {
            EXPECT_EQ(r.tipEccentricity, row.eccentricity);
        }
        EXPECT_EQ(r.grindingIncrement, row.increment);
        if (*row.entry) {
            EXPECT_EQ(r.entryRelief, row.entry);
        }
        if (*row.exit) {
            EXPECT_EQ(r.exitRelief, row.exit);
        }
    }
}

TEST_F(ManualData, FailsWhereTheProgramHasNoAnswer) {
    EXPECT_THROW(data->recommend("1700", "40", "1"), std::exception);  // beyond the relief table
    EXPECT_THROW(data->design("160", "4x", "1"), std::exception);
    const manuals::Design d = data->design("160", "45", "1");
    EXPECT_THROW(d.value("Label99"), std::runtime_error);
}

TEST_F(ManualData, WithoutGrindingIncrementTheModifiedPairIsThePair) {
    const manuals::Design d = data->withGrindingIncrement(data->design("160", "45", "1"), "0");
    EXPECT_EQ(d.value("Label42"), "45");
    EXPECT_EQ(d.value("Label51"), "160");
}

TEST_F(ManualData, ContentIsReadFromTheDatabase) {
    const manuals::Design example = data->design("160", "45", "1");
    const manuals::Content content(*data, example, {{"80", "160"}, {"10", "40"}});
    EXPECT_EQ(content.resolve("coef.1"), "0.875");
    EXPECT_EQ(content.resolve("coef.16"), "9");
    EXPECT_EQ(content.resolve("ex.Edit1"), "160");
    EXPECT_EQ(content.resolve("ex.FPX"), "18");  // 7ji, 80 < a <= 160
    EXPECT_EQ(content.resolve("ex.record.wheelReferenceDiameter"), content.resolve("ex.Label23"));
    for (const char* unknown :
         {"coef.17", "ex.Label99", "ex.record.nothing", "grade.9", "nothing"}) {
        SCOPED_TRACE(unknown);
        EXPECT_THROW(content.resolve(unknown), std::runtime_error);
    }
    const QString grade = content.resolve("grade.7");
    EXPECT_TRUE(grade.contains(
        QStringLiteral("| 项目 | 代号 | 单位 | ≤80 | >80~160 | >160~315 | >315~630 | "
                       ">630~1250 | >1250~1600 |")))
        << grade.toStdString();
    EXPECT_TRUE(grade.contains(
        QStringLiteral("| 蜗杆轴向齿距极限偏差 | ±fpx | μm | 14 | 18 | 24 | 30 | 40 | 50 |")));
    EXPECT_TRUE(content.resolve("table.xiuyuan").contains("| ≤100 | 0.3 | 0.25 | 0.2 | 0.2 |"));
    const QString table = content.resolve("recommended.table");
    EXPECT_EQ(table.count(QRegularExpression("^\\| ", QRegularExpression::MultilineOption)),
              2 + 2 * 2);
    EXPECT_TRUE(table.contains("| 160 | 40 | 100 | 65 | 0 | 0.4 | 0.35 * 4.5 | 0.23 * 3 | 0.15 |"));
}

// --- the worm's geometry -------------------------------------------------------

// The complete run of the calculation rules: a = 160, d1 = 56, db = 104, e = 0.5.
wormpair::drawing::WormGeometry exampleWorm() {
    wormpair::DesignRecord r;
    r.centreDistance = 160, r.tipEccentricity = 0.5, r.wormRootArcRadius = 137.28;
    r.wormTipArcRadius = 128.393, r.wheelReferenceDiameter = 264, r.mainBaseDiameter = 104;
    r.wormWorkingLength = 75, r.shoulder = 7, r.angularPitch = 8, r.workingHalfWrapAngle = 16.2;
    r.wormToothThickness = 8.094;
    return wormpair::drawing::wormGeometry(r);
}

double distance(QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

TEST(WormGeometry, MeetsTheCalculatedDiameters) {
    const wormpair::drawing::WormGeometry g = exampleWorm();
    EXPECT_NEAR(2 * g.rootY(0), 45.44, 1e-9);             // df1
    EXPECT_NEAR(2 * g.tipY(g.halfLength), 75.411, 5e-4);  // largest tip diameter
}

TEST(WormGeometry, FlanksAreTangentToTheMainBaseCircle) {
    const wormpair::drawing::WormGeometry g = exampleWorm();
    const std::vector<double> angles = g.toothAngles();
    ASSERT_EQ(angles.size(), 7u);  // 0, ±8, ±16, ±24: within the wrap and one pitch beyond
    for (const double psi : angles) {
        for (const bool left : {true, false}) {
            SCOPED_TRACE(std::to_string(psi) + (left ? " left" : " right"));
            const wormpair::drawing::WormGeometry::Flank f = g.flank(psi, left);
            const QPointF d = wormpair::drawing::unit(f.tip - f.pitchPoint);
            const QPointF c = g.centre() - f.pitchPoint;
            EXPECT_NEAR(std::abs(d.x() * c.y() - d.y() * c.x()), 52, 1e-9);
            EXPECT_NEAR(distance(f.tip, g.tipCentre()), 128.393, 1e-9);
            EXPECT_NEAR(distance(f.root, g.centre()), 137.28, 1e-9);
            const QPointF radius = wormpair::drawing::unit(c);
            EXPECT_NEAR(wormpair::drawing::degrees(std::acos(d.x() * radius.x() + d.y() * radius.y())), 23.2,
                        5e-3);
        }
        const wormpair::drawing::WormGeometry::Flank l = g.flank(psi, true), r = g.flank(psi, false);
        EXPECT_LT(distance(l.tip, r.tip), distance(l.root, r.root));
    }
}

TEST(WormGeometry, SectionStaysInsideTheWorm) {
    const wormpair::drawing::WormGeometry g = exampleWorm();
    const QRectF box =
        wormpair::drawing::axialSection(g, -g.halfLength, g.halfLength, 0).boundingRect();
    EXPECT_GE(box.left(), -g.halfLength - 1e-6);
    EXPECT_LE(box.right(), g.halfLength + 1e-6);
    EXPECT_GE(box.top(), -1e-6);
    EXPECT_LE(box.bottom(), g.tipMax() + 1e-6);
    EXPECT_GT(box.bottom(), g.tipY(0));
}

TEST(DrawingScale, LargestStandardScaleThatFits) {
    const struct {
        QSizeF part, room;
        double largest;
        const char* scale;
    } rows[] = {
        {{120, 80}, {100, 60}, 1, "1:1.5"},
        {{50, 40}, {200, 200}, 1, "1:1"},
        {{50, 40}, {200, 200}, 5, "4:1"},
        {{5000, 10}, {100, 100}, 1, "1:10"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scale);
        EXPECT_STREQ(wormpair::drawing::fitScale(row.part, row.room, row.largest).text, row.scale);
    }
}

// Every drawing keeps inside the rectangle it is given.
TEST_F(ManualData, DrawingsStayInsideTheirRectangles) {
    const manuals::Design example = data->design("160", "45", "1");
    std::vector<manuals::ChartSeries> chart{{"10", {}}, {"40", {}}};
    for (manuals::ChartSeries& s : chart) {
        for (const char* a : {"80", "160", "315"})
            s.points.push_back(data->recommend(a, s.ratio.toStdString(), "1"));
    }
    const wormpair::drawing::Drawings drawings(example, chart);
    const double k = 4;  // px per mm
    const double margin = 20;
    for (const char* name : {"pair", "modification", "chart", "worm-sheet", "wheel-sheet"}) {
        SCOPED_TRACE(name);
        const QSizeF mm = drawings.figureSize(name, {267, 178});
        ASSERT_FALSE(mm.isEmpty());
        QImage image(int(mm.width() * k + 2 * margin), int(mm.height() * k + 2 * margin),
                     QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        drawings.drawFigure(painter, QRectF(margin, margin, mm.width() * k, mm.height() * k), name,
                            k);
        painter.end();
        int inside = 0, outside = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) == qRgb(255, 255, 255)) continue;
                const bool in = x >= margin - 1 && y >= margin - 1 && x <= image.width() - margin &&
                                y <= image.height() - margin;
                (in ? inside : outside)++;
            }
        }
        EXPECT_GT(inside, 1000);
        EXPECT_EQ(outside, 0);
    }
    EXPECT_TRUE(drawings.figureSize("nothing", {267, 178}).isEmpty());
}

// --- the laid-out document ------------------------------------------------------

class BoxFigure : public manuals::FigureSource {
  public:
    QSizeF figureSize(const QString& name, const QSizeF&) const override {
        return name == "box" ? QSizeF(100, 50) : QSizeF();
    }
    void drawFigure(QPainter&, const QRectF& rect, const QString&, double pxPerMm) const override {
        drawn.push_back(rect.size() / pxPerMm);
    }
    mutable std::vector<QSizeF> drawn;
};

int pages(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return int(QString::fromLatin1(file.readAll()).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

TEST(ManualDocument, PlacesFiguresAndBreaksPages) {
    QTemporaryDir dir;
    BoxFigure figure;
    const QString path = dir.filePath("m.pdf");
    manuals::writeManual({"测试", "# 标题\n\n![图](figure:box)\n\n图 1　说明\n\n正文", false},
                         figure, path);
    ASSERT_EQ(figure.drawn.size(), 1u);
    EXPECT_NEAR(figure.drawn[0].width(), 100, 1e-3);  // the caption is drawn below, outside
    EXPECT_NEAR(figure.drawn[0].height(), 50, 1e-3);
    EXPECT_EQ(pages(path), 1);

    const QString breaks =
        "一\n\n" + manuals::kPageBreak + "\n\n二\n\n" + manuals::kPageBreak + "\n\n三";
    manuals::writeManual({"测试", breaks, true}, figure, path);
    EXPECT_EQ(pages(path), 3);
    EXPECT_THROW(manuals::writeManual({"测试", "![图](figure:other)", false}, figure, path),
                 std::runtime_error);
}

// Whether any row of the first table runs over a page end.
bool rowBroken(QTextDocument& doc, double pageHeight) {
    QTextTable* table = QTextCursor(&doc).currentTable();
    for (QTextBlock b = doc.begin(); b.isValid() && !table; b = b.next())
        table = QTextCursor(b).currentTable();
    for (int row = 0; row < table->rows(); ++row) {
        const QRectF r = doc.documentLayout()->blockBoundingRect(
            table->cellAt(row, 1).firstCursorPosition().block());
        if (std::floor(r.top() / pageHeight) != std::floor((r.bottom() - 1) / pageHeight))
            return true;
    }
    return false;
}

TEST(ManualDocument, ATableRowIsNotBrokenOverTwoPages) {
    const double pageHeight = 600;
    QString rows;
    // the second column wraps to several lines in a page 500 wide
    for (int i = 0; i < 6; ++i)
        rows += QString("| %1 | %2 |\n").arg(i).arg(QString("一行很长的说明文字").repeated(6));
    int broken = 0;
    for (int filler = 1; filler < 40; ++filler) {
        QTextDocument doc;
        doc.setMarkdown(
            QString("正文\n\n").repeated(filler) + "下表：\n\n| 序号 | 说明 |\n|---|---|\n" + rows,
            QTextDocument::MarkdownDialectGitHub);
        doc.setPageSize(QSizeF(500, pageHeight));
        doc.documentLayout()->documentSize();
        if (!rowBroken(doc, pageHeight)) continue;
        ++broken;
        manuals::keepRowsTogether(doc, pageHeight);
        doc.documentLayout()->documentSize();
        EXPECT_FALSE(rowBroken(doc, pageHeight)) << filler << " paragraphs before the table";
        const QTextBlock lead = doc.findBlock(doc.toPlainText().indexOf(QStringLiteral("下表")));
        EXPECT_TRUE(lead.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
    }
    EXPECT_GT(broken, 0) << "no layout broke a row: the test proves nothing";
}

}  // namespace
