#include <gtest/gtest.h>

#include <QLineF>
#include <QString>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "calc/numeric.h"
#include "drawing/snapshot_design.h"
#include "input/design_snapshot.h"
#include "drawing/part_sheets.h"
#include "drawing/sheet_frame.h"
#include "drawing/title_block_fields.h"
#include "input/design_file_open.h"
#include "input/headless_session.h"

namespace wormpair::drawing {
namespace {

// A design as the window makes it: typed and recommended, or opened from
// the texts of a design file (for values no recommendation gives).
struct DesignCase {
    const char* name;
    const char *a, *z2, *z1;
    std::vector<std::pair<int, const char*>> edits;  // field number, text, applied after
};

std::optional<Design> designOf(const DesignCase& c) {
    HeadlessSession s(WORMPAIR_PROGRAM_DIR);
    if (!s.load().ok) return std::nullopt;
    s.run([&] {
        s.form.setText("Edit1", c.a);
        s.form.setText("Edit3", c.z2);
        s.form.setText("Edit4", c.z1);
        s.design.speedButton2Click();
        if (c.edits.empty() || !s.succeeded()) return;
        DesignFileTexts texts = designFileTexts(s.form);
        for (const auto& [field, text] : c.edits) texts.edits[std::size_t(field - 1)] = text;
        applyDesignFile(s.form, s.design, texts);
    });
    if (!s.succeeded()) return std::nullopt;
    return drawnDesign(wormpair::designSnapshot(s.form, s.design));
}

bool overlap(const QRectF& a, const QRectF& b, double tolerance) {
    return a.adjusted(tolerance, tolerance, -tolerance, -tolerance).intersects(b);
}

// What a drafting office would send back: views outside the frame or in the
// title block, table or notes, views on each other, texts on each other.
std::vector<std::string> layoutFaults(const Sheet& sheet) {
    std::vector<std::string> faults;
    std::vector<QRectF> views;
    for (const View& view : sheet.views) {
        const QRectF box = viewBounds(view, sheet.size);
        if (!sheet.frame.contains(box)) faults.push_back(view.name.toStdString() + " leaves the frame");
        for (const QRectF& reserved : sheet.reserved) {
            if (overlap(box, reserved, 0.1))
                faults.push_back(view.name.toStdString() + " enters the title block, table or notes");
        }
        for (const QRectF& other : views) {
            if (overlap(box, other, 0.1)) faults.push_back(view.name.toStdString() + " covers a view");
        }
        views.push_back(box);
    }
    // Chinese lettering no lower than 3.5 mm (GB/T 14691)
    auto chineseTooLow = [&](const Entity& e, double scale) {
        const auto* t = std::get_if<TextShape>(&e.shape);
        if (t == nullptr || t->height * scale >= 3.5 - 1e-9) return;
        for (const QChar c : t->text) {
            if (c.unicode() >= 0x2E80) return faults.push_back("Chinese text below 3.5 mm: " + t->text.toStdString());
        }
    };
    for (const Entity& e : sheet.paper) chineseTooLow(e, 1);
    for (const View& view : sheet.views) {
        for (const Entity& e : view.entities) chineseTooLow(e, view.scale.factor);
    }
    // no line of a view or of its dimensions through an upright text
    for (const View& view : sheet.views) {
        std::vector<const TextShape*> labels;
        std::vector<LineShape> lines;
        auto collect = [&](const Entity& e) {
            const auto* t = std::get_if<TextShape>(&e.shape);
            if (t != nullptr && t->angle == 0) labels.push_back(t);
            if (const auto* l = std::get_if<LineShape>(&e.shape)) lines.push_back(*l);
        };
        std::vector<Entity> drawn = view.entities;
        for (const Dimension& d : view.dimensions) {
            for (const Entity& e : dimensionGeometry(d, view.scale.factor, sheet.size)) drawn.push_back(e);
        }
        for (const Entity& e : drawn) collect(e);
        for (const TextShape* t : labels) {
            const QRectF box = textBounds(*t).adjusted(0.15, 0.15, -0.15, -0.15);
            for (const LineShape& l : lines) {
                if (QRectF(l.from, l.to).normalized().intersects(box) &&
                    (box.contains(l.from) || box.contains(l.to) ||
                     QLineF(l.from, l.to).intersects(QLineF(box.topLeft(), box.bottomRight()), nullptr) ==
                         QLineF::BoundedIntersection ||
                     QLineF(l.from, l.to).intersects(QLineF(box.topRight(), box.bottomLeft()), nullptr) ==
                         QLineF::BoundedIntersection))
                    faults.push_back("a line strikes " + t->text.toStdString());
            }
        }
    }
    const std::vector<PlacedText> texts = placedTexts(sheet);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!sheet.frame.contains(texts[i].box) && texts[i].inView)
            faults.push_back("text leaves the frame: " + texts[i].text.toStdString());
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            if (overlap(texts[i].box, texts[j].box, 0.15)) {
                faults.push_back("texts overlap: " + texts[i].text.toStdString() + " / " +
                                 texts[j].text.toStdString());
            }
        }
    }
    return faults;
}

// Every text on the sheet's paper (frame, table, requirements), run together
// so that a requirement broken over lines reads as one.
QString paperText(const Sheet& sheet) {
    QString all;
    for (const Entity& e : sheet.paper) {
        if (const auto* t = std::get_if<TextShape>(&e.shape)) all += t->text;
    }
    return all;
}

// What a CAD program measures between a dimension's definition points.
double measured(const Dimension& d) {
    const auto length = [](QPointF v) { return std::hypot(v.x(), v.y()); };
    switch (d.kind) {
        case DimensionKind::Linear: {
            const double a = d.direction * 3.14159265358979323846 / 180;
            const QPointF v = d.p2 - d.p1;
            return std::abs(v.x() * std::cos(a) + v.y() * std::sin(a));
        }
        case DimensionKind::Diameter:
        case DimensionKind::Radius:
            return length(d.p2 - d.p1);
        case DimensionKind::Angular: {
            double sweep = (std::atan2(d.p2.y() - d.vertex.y(), d.p2.x() - d.vertex.x()) -
                            std::atan2(d.p1.y() - d.vertex.y(), d.p1.x() - d.vertex.x())) *
                           180 / 3.14159265358979323846;
            return sweep < 0 ? sweep + 360 : sweep;
        }
    }
    return -1;
}

const DesignCase kDesigns[] = {
    {"160/45/1", "160", "45", "1", {}},
    {"250/50/2", "250", "50", "2", {}},
    {"100/31/1", "100", "31", "1", {}},
    {"500/63/1", "500", "63", "1", {}},
    {"315/82/2", "315", "82", "2", {}},  // a rim wider than the hob reaches
};

// What the wheel's sheet must show: no open outline (the root) beyond the
// outside diameter, the throat arc's centre marked where its radius
// dimension puts it, the centre distance as a reference dimension.
std::vector<std::string> wheelFaults(const Sheet& sheet, const Design& design) {
    std::vector<std::string> faults;
    const double outside = std::stod(design.value("Label33")) / 2;
    const QString a = QString::fromStdString(formatReal(design.record.centreDistance));
    bool reference = false;
    for (const View& view : sheet.views) {
        std::vector<QPointF> middles;
        for (const Entity& e : view.entities) {
            if (const auto* l = std::get_if<LineShape>(&e.shape)) middles.push_back((l->from + l->to) / 2);
            const auto* line = std::get_if<PolylineShape>(&e.shape);
            if (e.layer != Layer::Outline || line == nullptr || line->closed) continue;
            for (const QPointF& p : line->points) {
                if (std::abs(p.y()) > outside + 1e-9) faults.push_back("root beyond the blank");
            }
        }
        for (const Dimension& d : view.dimensions) {
            if (d.text == "(" + a + ")") reference = true;
            const auto marks = std::count_if(middles.begin(), middles.end(), [&](QPointF m) {
                return std::hypot(m.x() - d.p1.x(), m.y() - d.p1.y()) < 1e-6;
            });
            if (d.kind == DimensionKind::Radius && marks < 2) faults.push_back("arc centre unmarked");
        }
    }
    if (!reference) faults.push_back("no reference centre distance");
    return faults;
}

// The four designs of the documentation: every sheet on every size is laid
// out cleanly, with the dimensions the sheet lists.
TEST(DrawingSheets, TheDesignsDrawCleanlyOnEverySize) {
    for (const DesignCase& c : kDesigns) {
        const std::optional<Design> design = designOf(c);
        ASSERT_TRUE(design) << c.name;
        for (const SheetKindInfo& kind : sheetKinds()) {
            for (const SheetFormat& format : sheetFormats()) {
                SCOPED_TRACE(std::string(c.name) + " " + kind.command + " " + format.name);
                const Sheet sheet = buildSheet(*design, {kind.kind, format.size, {}});
                EXPECT_EQ(layoutFaults(sheet), std::vector<std::string>());
                int dimensions = 0;
                for (const View& view : sheet.views) {
                    for (const Dimension& d : view.dimensions) {
                        EXPECT_NEAR(measured(d), d.value, 1e-9) << d.text.toStdString();
                        EXPECT_TRUE(d.text.contains(QString::fromStdString(formatReal(d.value))))
                            << d.text.toStdString();
                        ++dimensions;
                    }
                }
                EXPECT_GE(dimensions, kind.kind == SheetKind::Wheel ? 6 : 5);
                EXPECT_TRUE(paperText(sheet).contains(QStringLiteral("重量比例")) &&
                            paperText(sheet).contains(QStringLiteral("共 1 张第 1 张")));
                if (kind.kind == SheetKind::Mesh) {  // the parts list and the parts' numbers
                    EXPECT_TRUE(paperText(sheet).contains(QStringLiteral(
                        "序号代号名称数量材料1平面二次包络环面蜗杆12平面二次包络环面蜗轮1")));
                    int numbers = 0;
                    for (const Entity& e : sheet.views.front().entities) {
                        const auto* t = std::get_if<TextShape>(&e.shape);
                        numbers += t != nullptr && (t->text == "1" || t->text == "2");
                    }
                    EXPECT_EQ(numbers, 2);
                }
                if (kind.kind == SheetKind::Wheel) {
                    EXPECT_EQ(wheelFaults(sheet, *design), std::vector<std::string>());
                }
            }
        }
    }
}

// Designs whose values push a view to the edge: each sheet draws cleanly or
// is refused with a Chinese message; nothing leaves the frame.
TEST(DrawingSheets, HostileDesignsDrawOrAreRefusedInChinese) {
    const DesignCase cases[] = {
        {"a = 1500", "1500", "63", "1", {}},
        {"tiny module", "80", "140", "1", {}},
        {"eccentricity 30", "160", "45", "1", {{6, "30"}}},
        {"eccentricity -15", "160", "45", "1", {{6, "-15"}}},
        {"thin worm", "160", "45", "1", {{7, "12"}}},
        {"wide base circle", "160", "45", "1", {{5, "150"}}},
    };
    int drawn = 0;
    for (const DesignCase& c : cases) {
        const std::optional<Design> design = designOf(c);
        if (!design) continue;  // the calculation itself refuses it
        for (const SheetKindInfo& kind : sheetKinds()) {
            SCOPED_TRACE(std::string(c.name) + " " + kind.command);
            try {
                const Sheet sheet = buildSheet(*design, {kind.kind, SheetSize::A3, {}});
                for (const View& view : sheet.views) {
                    EXPECT_TRUE(sheet.frame.contains(viewBounds(view, sheet.size)))
                        << view.name.toStdString();
                }
                ++drawn;
            } catch (const DrawingError& e) {
                EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("不能成图")) ||
                            QString::fromUtf8(e.what()).contains(QStringLiteral("放不下")))
                    << e.what();
            }
        }
    }
    EXPECT_GT(drawn, 8);
}

// The shop reads on every sheet what the calculation warned of and what the
// grinding and the hob make of the design; a clean design adds nothing, and
// no requirement states a value of zero to set up.
TEST(DrawingSheets, RequirementsListTheDesignsWarningsAndFindings) {
    const struct {
        DesignCase design;
        int warnings, findings;
        const char* named;   // in a requirement of every sheet
        const char* tipArc;  // where the worm's and hob's tip arc centre lies
    } rows[] = {
        {{"160/45/1 (e = 0)", "160", "45", "1", {}}, 0, 0, "", "与之同心"},
        {{"100/10/1", "100", "10", "1", {}}, 1, 1, "蜗杆喉部齿根直径", "较之外移"},
        {{"315/82/2", "315", "82", "2", {}}, 0, 1, "未被滚刀切到", "与之同心"},
    };
    for (const auto& row : rows) {
        const std::optional<Design> design = designOf(row.design);
        ASSERT_TRUE(design) << row.design.name;
        for (const SheetKindInfo& kind : sheetKinds()) {
            SCOPED_TRACE(std::string(row.design.name) + " " + kind.command);
            const Sheet sheet = buildSheet(*design, {kind.kind, SheetSize::A3, {}});
            EXPECT_EQ(layoutFaults(sheet), std::vector<std::string>());
            const QString text = paperText(sheet);
            EXPECT_EQ(text.count(QStringLiteral("计算警告")), row.warnings);
            EXPECT_EQ(text.count(QStringLiteral("加工检查")), row.findings);
            EXPECT_TRUE(text.contains(QString::fromUtf8(row.named)));
            EXPECT_FALSE(text.contains(QStringLiteral("外移 0")) || text.contains(QStringLiteral("偏心量 0")));
            if (kind.kind == SheetKind::Worm || kind.kind == SheetKind::Hob) {
                EXPECT_TRUE(text.contains(QString::fromUtf8(row.tipArc)));
            }
        }
    }
}

TEST(DrawingSheets, TitleBlockFieldsSurviveTheirFileAndIgnoreStrangers) {
    TitleBlockFields fields;
    fields.set(SheetKind::Worm, TitleField::DrawingNumber, QStringLiteral("WP-01"));
    fields.set(SheetKind::Wheel, TitleField::Material, QStringLiteral("ZCuSn10Pb1"));
    fields.set(SheetKind::Hob, TitleField::Designer, QStringLiteral("张工"));
    EXPECT_EQ(TitleBlockFields::fromJson(fields.toJson()), fields);
    // common fields reach every sheet, the others only their own
    EXPECT_EQ(fields.value(SheetKind::Mesh, TitleField::Designer), QStringLiteral("张工"));
    EXPECT_TRUE(fields.value(SheetKind::Mesh, TitleField::Material).isEmpty());
    EXPECT_EQ(fields.forSheet(SheetKind::Worm).size(), 2u);
    const TitleBlockFields strange = TitleBlockFields::fromJson(
        R"({"common": {"designer": 7, "checker": "李工", "nickname": "x"}, "gear": {}, "worm": []})");
    EXPECT_EQ(strange.forSheet(SheetKind::Worm),
              (std::map<TitleField, QString>{{TitleField::Checker, QStringLiteral("李工")}}));
    EXPECT_EQ(TitleBlockFields::fromJson("not json"), TitleBlockFields());
}

TEST(DrawingSheets, RequirementsBreakBetweenWordsNotInsideNumbers) {
    const QStringList lines = wrapText(
        QStringLiteral("2. 齿根圆弧 R132.6 的圆心在蜗轮轴线上，距蜗杆轴线 160；齿顶圆弧 R123.533 "
                       "的圆心较之外移齿顶偏心量 0。"),
        60, 3.5);
    ASSERT_GT(lines.size(), 1);
    for (const QString& line : lines) {
        EXPECT_LE(textWidth(line, 3.5), 60 + 3.5) << line.toStdString();
        EXPECT_FALSE(line.startsWith(QStringLiteral("，"))) << line.toStdString();
    }
    EXPECT_TRUE(lines.join("").contains(QStringLiteral("R123.533")));
    for (const QString& number : {QStringLiteral("R132.6"), QStringLiteral("R123.533")}) {
        EXPECT_EQ(lines.join("\n").count(number), 1) << number.toStdString();
    }
}

// Segments of one polyline that cross (neighbours and repeated points aside).
int selfCrossings(const PolylineShape& line) {
    std::vector<QPointF> p;
    for (const QPointF& q : line.points)
        if (p.empty() || QLineF(p.back(), q).length() > 1e-9) p.push_back(q);
    const std::size_t n = p.size(), segments = line.closed ? n : n - 1;
    int crossings = 0;
    for (std::size_t i = 0; n >= 3 && i < segments; ++i) {
        for (std::size_t j = i + 2; j < segments; ++j) {
            if (line.closed && i == 0 && j == segments - 1) continue;
            QPointF at;
            crossings += QLineF(p[i], p[(i + 1) % n]).intersects(QLineF(p[j], p[(j + 1) % n]), &at) ==
                         QLineF::BoundedIntersection;
        }
    }
    return crossings;
}

// Every recommended design of the standard series draws on A3, no line of
// any sheet crossing itself; the wheels whose blank the rules make wider
// than their throat arc are refused with the reason.
TEST(DrawingSheets, TheStandardSeriesDrawsWithoutSelfCrossingLines) {
    const char* const ratios[][2] = {{"10", "1"}, {"25", "2"}, {"16", "1"}, {"20", "1"},
                                     {"25", "1"}, {"63", "2"}, {"40", "1"}, {"50", "1"},
                                     {"63", "1"}, {"80", "1"}, {"100", "1"}, {"125", "1"}};
    int refused = 0;
    for (const char* a : {"80", "100", "125", "160", "200", "250", "280", "315", "355", "400", "450",
                          "500", "560", "630"}) {
        for (const auto& [z2, z1] : ratios) {
            const auto design = designOf({"series", a, z2, z1, {}});
            ASSERT_TRUE(design);
            for (const SheetKindInfo& kind : sheetKinds()) {
                SCOPED_TRACE(std::string(a) + "/" + z2 + "/" + z1 + " " + kind.command);
                try {
                    const Sheet sheet = buildSheet(*design, {kind.kind, SheetSize::A3, {}});
                    for (const View& view : sheet.views) {
                        for (const Entity& e : view.entities) {
                            if (const auto* line = std::get_if<PolylineShape>(&e.shape)) {
                                EXPECT_EQ(selfCrossings(*line), 0) << view.name.toStdString();
                            }
                        }
                    }
                } catch (const DrawingError& e) {
                    EXPECT_EQ(kind.kind, SheetKind::Wheel) << e.what();
                    EXPECT_NE(std::string(e.what()).find("齿圈宽度"), std::string::npos);
                    ++refused;
                }
            }
        }
    }
    EXPECT_LE(refused, 3);
}

}  // namespace
}  // namespace wormpair::drawing
