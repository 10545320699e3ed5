#include "drawing/part_sheets.h"

#include <algorithm>
#include <cmath>

#include "calc/numeric.h"
#include "calc/result_labels.h"
#include "drawing/sheet_builders.h"
#include "drawing/sheet_frame.h"
#include "model/generation_checks.h"
#include "store/parameter_schema.h"

namespace wormpair::drawing {

namespace {

constexpr SheetKindInfo kKinds[] = {
    {SheetKind::Worm, "worm", "蜗杆零件图", "蜗杆", "平面二次包络环面蜗杆"},
    {SheetKind::Wheel, "wheel", "蜗轮零件图", "蜗轮", "平面二次包络环面蜗轮"},
    {SheetKind::Hob, "hob", "滚刀图", "滚刀", "平面二次包络蜗轮滚刀"},
    {SheetKind::Mesh, "mesh", "啮合图", "啮合图", "平面二次包络环面蜗杆副"},
};

QString q(const std::string& text) { return QString::fromStdString(text); }
QString label(const Design& d, const char* name) { return labelNumber(d, name).text; }
QString real(double value) { return QString::fromStdString(formatReal(value)); }
QString whole(std::int32_t value) { return QString::fromStdString(formatInteger(value)); }
const QString kDegree = QStringLiteral("°");

// A tolerance of the grade as the grade table names it, with its text.
TableRow tolerance(int position, const QString& value) {
    const schema::grade::ToleranceField& f = schema::grade::toleranceField(position);
    return {QString::fromUtf8(f.name), QString::fromUtf8(f.symbol), value,
            QString::fromUtf8(f.unit)};
}

std::vector<TableRow> modificationRows(const Design& d) {
    return {{QStringLiteral("修形参数"), "", "", ""},
            {QStringLiteral("磨齿增量"), QStringLiteral("Δz"), real(d.record.grindingIncrement), ""},
            {QStringLiteral("修形中心距"), QStringLiteral("a′"), label(d, "Label51"), "mm"},
            {QStringLiteral("修形传动比"), QStringLiteral("i′"), label(d, "Label42"), ""},
            {QStringLiteral("修形主基圆直径"), QStringLiteral("db′"), label(d, "Label52"), "mm"},
            {QStringLiteral("修形母平面倾斜角"), QStringLiteral("β′"), label(d, "Label41"), kDegree}};
}

// Where the tip arc's centre lies against the root arc's: moved out by the
// eccentricity, or the same centre when there is none (a shop reads
// "偏心量 0" as a value to set up).
QString tipArcCentre(const Design& d, const QString& movedBy) {
    const Number e = labelNumber(d, "Label24");
    return e.value == 0 ? QStringLiteral("与之同心") : movedBy + e.text;
}

SheetText wormText(const Design& d) {
    const DesignRecord& r = d.record;
    const AccuracyValues& t = d.accuracy;
    SheetText s;
    s.tableTitle = QStringLiteral("蜗杆参数");
    s.rows = {
        {QStringLiteral("中心距"), "a", real(r.centreDistance), "mm"},
        {QStringLiteral("蜗杆头数"), "z1", whole(r.wormStarts), ""},
        {QStringLiteral("蜗轮齿数"), "z2", whole(r.wheelTeeth), ""},
        {QStringLiteral("端面模数"), "mt", label(d, "Label25"), "mm"},
        {QStringLiteral("包围齿数"), "K", label(d, "Label26"), ""},
        {QStringLiteral("母平面倾斜角"), QStringLiteral("β"), label(d, "Label13"), kDegree},
        {QStringLiteral("工作半包角"), QStringLiteral("φ"), label(d, "Label27"), kDegree},
        {QStringLiteral("喉部导程角"), QStringLiteral("γ"), label(d, "Label28"), kDegree},
        {QStringLiteral("分度圆齿形角"), QStringLiteral("α"), label(d, "Label14"), kDegree},
        {QStringLiteral("主基圆直径"), "db", label(d, "Label12"), "mm"},
        {QStringLiteral("蜗杆分度圆直径"), "d1", real(r.wormReferenceDiameter), "mm"},
        {QStringLiteral("齿顶圆弧偏心量"), "e", label(d, "Label24"), "mm"},
        {QStringLiteral("旋向"), "", q(d.hand), ""},
        {QStringLiteral("精度等级"), "", q(d.designation), ""},
        {QStringLiteral("法向弦齿厚"), QStringLiteral("sn1"), label(d, "Label16"), "mm"},
        tolerance(schema::grade::kWormThicknessTolerance, "-" + q(t.accuracyValue8)),
        {QStringLiteral("法向弦齿高"), QStringLiteral("ha1"), label(d, "Label17"), "mm"},
        {QStringLiteral("入口修缘（量×长）"), QStringLiteral("Δe×le"),
         q(d.recommendation.entryRelief), ""},
        {QStringLiteral("出口修缘（量×长）"), QStringLiteral("Δx×lx"),
         q(d.recommendation.exitRelief), ""},
        tolerance(schema::grade::kAxialPitchDeviation, q(t.accuracyValue3)),
        tolerance(schema::grade::kAxialPitchCumulative, q(t.accuracyValue4)),
    };
    const std::vector<TableRow> modification = modificationRows(d);
    s.rows.insert(s.rows.end(), modification.begin(), modification.end());
    s.notes = {
        QStringLiteral("1. 齿面按平面二次包络原理加工：母平面与主基圆 ⌀%1 相切，母平面倾斜角 %2°。")
            .arg(label(d, "Label12"), label(d, "Label13")),
        QStringLiteral("2. 齿根圆弧 R%1 的圆心在蜗轮轴线上，距蜗杆轴线 %2；齿顶圆弧 R%3 %4。")
            .arg(label(d, "Label8"), real(r.centreDistance), label(d, "Label9"),
                 tipArcCentre(d, QStringLiteral("的圆心较之外移齿顶偏心量 "))),
        QStringLiteral("3. 入口修缘 %1，出口修缘 %2；修形参数见参数表。")
            .arg(q(d.recommendation.entryRelief), q(d.recommendation.exitRelief)),
        QStringLiteral("4. 轴颈、键槽等结构按整机设计确定，图中以断裂线省略。"),
    };
    return s;
}

SheetText hobText(const Design& d) {
    const DesignRecord& r = d.record;
    const AccuracyValues& t = d.accuracy;
    SheetText s;
    s.tableTitle = QStringLiteral("滚刀参数");
    s.rows = {
        {QStringLiteral("中心距"), "a", real(r.centreDistance), "mm"},
        {QStringLiteral("蜗杆头数"), "z1", whole(r.wormStarts), ""},
        {QStringLiteral("蜗轮齿数"), "z2", whole(r.wheelTeeth), ""},
        {QStringLiteral("端面模数"), "mt", label(d, "Label25"), "mm"},
        {QStringLiteral("滚刀包围齿数"), "Kh", label(d, "Label29"), ""},
        {QStringLiteral("母平面倾斜角"), QStringLiteral("β"), label(d, "Label13"), kDegree},
        {QStringLiteral("工作半包角"), QStringLiteral("φ"), label(d, "Label27"), kDegree},
        {QStringLiteral("喉部导程角"), QStringLiteral("γ"), label(d, "Label28"), kDegree},
        {QStringLiteral("分度圆齿形角"), QStringLiteral("α"), label(d, "Label14"), kDegree},
        {QStringLiteral("主基圆直径"), "db", label(d, "Label12"), "mm"},
        {QStringLiteral("齿顶圆弧半径"), "Rh", label(d, "Label18"), "mm"},
        {QStringLiteral("齿根圆弧半径"), "Rfh", label(d, "Label19"), "mm"},
        {QStringLiteral("有效长度"), "Lh", label(d, "Label20"), "mm"},
        {QStringLiteral("旋向"), "", q(d.hand), ""},
        {QStringLiteral("法向弦齿厚"), QStringLiteral("sn"), label(d, "Label21"), "mm"},
        {QStringLiteral("法向弦齿厚公差"), "Ts", "+" + q(t.accuracyValue11), "mm"},
        {QStringLiteral("法向弦齿高"), QStringLiteral("ha"), label(d, "Label22"), "mm"},
    };
    s.notes = {
        QStringLiteral("1. 刀齿按平面二次包络原理磨制：母平面与主基圆 ⌀%1 相切，母平面倾斜角 %2°；"
                       "包围齿数 %3。")
            .arg(label(d, "Label12"), label(d, "Label13"), label(d, "Label29")),
        QStringLiteral("2. 齿根圆弧 R%1 的圆心在蜗轮轴线上，齿顶圆弧 R%2 %3，与所配蜗杆相同。")
            .arg(label(d, "Label19"), label(d, "Label18"),
                 tipArcCentre(d, QStringLiteral("的圆心较之外移 "))),
        QStringLiteral("3. 容屑槽数、前角、后角与刀体结构按滚刀设计规范确定，图中以断裂线省略。"),
    };
    return s;
}

SheetText wheelText(const Design& d) {
    const DesignRecord& r = d.record;
    const AccuracyValues& t = d.accuracy;
    SheetText s;
    s.tableTitle = QStringLiteral("蜗轮参数");
    s.rows = {
        {QStringLiteral("蜗杆头数"), "z1", whole(r.wormStarts), ""},
        {QStringLiteral("蜗轮齿数"), "z2", whole(r.wheelTeeth), ""},
        {QStringLiteral("端面模数"), "mt", label(d, "Label25"), "mm"},
        {QStringLiteral("喉部导程角"), QStringLiteral("γ"), label(d, "Label28"), kDegree},
        {QStringLiteral("分度圆齿形角"), QStringLiteral("α"), label(d, "Label14"), kDegree},
        {QStringLiteral("工作半包角"), QStringLiteral("φ"), label(d, "Label27"), kDegree},
        {QStringLiteral("母平面倾斜角"), QStringLiteral("β"), label(d, "Label13"), kDegree},
        {QStringLiteral("主基圆直径"), "db", label(d, "Label12"), "mm"},
        {QStringLiteral("旋向"), "", q(d.hand), ""},
        {QStringLiteral("包围齿数"), "K", label(d, "Label26"), ""},
        {QStringLiteral("法向侧隙"), "jn", real(r.backlash), "mm"},
        {QStringLiteral("蜗轮法向弦齿高"), QStringLiteral("ha2"), label(d, "Label45"), "mm"},
        {QStringLiteral("蜗轮法向弦齿厚"), QStringLiteral("sn2"), label(d, "Label44"), "mm"},
        tolerance(schema::grade::kWheelThicknessTolerance, "-" + q(t.accuracyValue11)),
        {QStringLiteral("中心距"), "a", real(r.centreDistance), "mm"},
        tolerance(schema::grade::kWheelPitchDeviation, q(t.accuracyValue9)),
        tolerance(schema::grade::kWheelPitchCumulative, q(t.accuracyValue10)),
        {QStringLiteral("精度等级"), "", q(d.designation), ""},
    };
    s.notes = {
        QStringLiteral("1. 轮齿用按本设计滚刀图制造的滚刀，在中心距 %1 下展成加工。")
            .arg(real(r.centreDistance)),
        QStringLiteral("2. 喉部圆弧 R%1 与喉径 ⌀%2 相切，两侧升至最大外圆 ⌀%3。")
            .arg(label(d, "Label40"), label(d, "Label35"), label(d, "Label33")),
        QStringLiteral("3. 轮毂、辐板与孔的结构按整机设计确定，图中只按比例示意，未注尺寸。"),
    };
    return s;
}

SheetText meshText(const Design& d) {
    const DesignRecord& r = d.record;
    SheetText s;
    s.tableTitle = QStringLiteral("蜗杆副参数");
    s.rows = {
        {QStringLiteral("中心距"), "a", real(r.centreDistance), "mm"},
        {QStringLiteral("传动比"), "i", real(r.actualRatio), ""},
        {QStringLiteral("蜗杆头数"), "z1", whole(r.wormStarts), ""},
        {QStringLiteral("蜗轮齿数"), "z2", whole(r.wheelTeeth), ""},
        {QStringLiteral("端面模数"), "mt", label(d, "Label25"), "mm"},
        {QStringLiteral("蜗杆分度圆直径"), "d1", real(r.wormReferenceDiameter), "mm"},
        {QStringLiteral("蜗轮分度圆直径"), "d2", label(d, "Label23"), "mm"},
        {QStringLiteral("主基圆直径"), "db", label(d, "Label12"), "mm"},
        {QStringLiteral("分度圆齿形角"), QStringLiteral("α"), label(d, "Label14"), kDegree},
        {QStringLiteral("母平面倾斜角"), QStringLiteral("β"), label(d, "Label13"), kDegree},
        {QStringLiteral("工作半包角"), QStringLiteral("φ"), label(d, "Label27"), kDegree},
        {QStringLiteral("包围齿数"), "K", label(d, "Label26"), ""},
        {QStringLiteral("蜗杆工作长度"), "L", label(d, "Label10"), "mm"},
        {QStringLiteral("喉部导程角"), QStringLiteral("γ"), label(d, "Label28"), kDegree},
        {QStringLiteral("法向侧隙"), "jn", real(r.backlash), "mm"},
        {QStringLiteral("精度等级"), "", q(d.designation), ""},
    };
    const std::vector<TableRow> modification = modificationRows(d);
    s.rows.insert(s.rows.end(), modification.begin(), modification.end());
    s.notes = {
        QStringLiteral("1. 蜗杆喉部的中间平面应与蜗轮的中间平面重合，中心距 %1。")
            .arg(real(r.centreDistance)),
        QStringLiteral("2. 母平面与主基圆 ⌀%1 相切，其倾斜角 %2° 见 A 向视图。")
            .arg(label(d, "Label12"), label(d, "Label13")),
        QStringLiteral("3. 修形后按修形中心距 %1 、修形传动比 %2 配磨。")
            .arg(label(d, "Label51"), label(d, "Label42")),
    };
    // the parts the balloons of the view number (代号 and 材料 are the part sheets')
    s.parts = {{"1", "", QString::fromUtf8(kKinds[0].partName), "1", ""},
               {"2", "", QString::fromUtf8(kKinds[1].partName), "1", ""}};
    return s;
}

// What the shop must know before it cuts: the results outside their
// recommended range and what the grinding and the hob make of the design,
// each a numbered requirement after the sheet's own.
void addDesignFindings(SheetText& s, const Design& d) {
    QStringList found;
    for (const RecommendedRange& range : recommendedRanges()) {
        const std::string reason = warningReason(d.record, range.label);
        if (!reason.empty()) found << QStringLiteral("计算警告：%1。").arg(q(reason));
    }
    for (const std::string& finding : model::generationFindingTexts(d.record, d.hand))
        found << QStringLiteral("加工检查：%1。").arg(q(finding));
    for (const QString& text : found)
        s.notes << QStringLiteral("%1. %2").arg(s.notes.size() + 1).arg(text);
}

}  // namespace

std::span<const SheetKindInfo> sheetKinds() { return kKinds; }

const SheetKindInfo& sheetKind(SheetKind kind) {
    for (const SheetKindInfo& info : kKinds) {
        if (info.kind == kind) return info;
    }
    throw std::logic_error("unknown kind of sheet");
}

std::optional<SheetKind> sheetKindNamed(std::string_view command) {
    for (const SheetKindInfo& info : kKinds) {
        if (command == info.command) return info.kind;
    }
    return std::nullopt;
}

double captionHeight(SheetSize size, bool withScale) {
    const double h = textHeight(TextRole::Heading, size);
    return withScale ? 2 * h + 4 : h + 2;
}

void addViewCaption(Sheet& sheet, QPointF centreBottom, const QString& name,
                    const QString& scale) {
    const double h = textHeight(TextRole::Heading, sheet.size);
    if (scale.isEmpty()) {
        sheet.paper.push_back({Layer::Text, TextShape{centreBottom + QPointF(0, 1), name, h, 0,
                                                      HAlign::Centre, VAlign::Baseline}});
        return;
    }
    const double width = std::max(textWidth(name, h), textWidth(scale, h)) + 2;
    const QPointF rule = centreBottom + QPointF(0, h + 2);
    sheet.paper.push_back({Layer::Text, TextShape{centreBottom, scale, h, 0, HAlign::Centre,
                                                  VAlign::Baseline}});
    sheet.paper.push_back(
        {Layer::Thin, LineShape{rule - QPointF(width / 2, 0), rule + QPointF(width / 2, 0)}});
    sheet.paper.push_back({Layer::Text, TextShape{rule + QPointF(0, 1.2), name, h, 0,
                                                  HAlign::Centre, VAlign::Baseline}});
}

void requireFit(const FittedView& fitted, const char* what) {
    if (!fitted.fits) {
        throw DrawingError(std::string(what) +
                           "的视图在最小的标准比例下也放不下，请选用更大的图幅");
    }
}

Sheet buildSheet(const Design& design, const SheetRequest& request) {
    const SheetKindInfo& info = sheetKind(request.kind);
    Sheet sheet;
    sheet.size = request.size;
    sheet.title = QString::fromUtf8(info.title);
    sheet.partName = QString::fromUtf8(info.partName);
    sheet.fields = request.fields;
    SheetText text;
    switch (request.kind) {
        case SheetKind::Worm:
            text = wormText(design);
            break;
        case SheetKind::Wheel:
            text = wheelText(design);
            break;
        case SheetKind::Hob:
            text = hobText(design);
            break;
        case SheetKind::Mesh:
            text = meshText(design);
            break;
    }
    addDesignFindings(text, design);
    text.title = sheet.title;
    text.partName = sheet.partName;
    const SheetRegions regions = sheetRegions(sheet.size, text);
    Scale scale = naturalScale();
    switch (request.kind) {
        case SheetKind::Worm:
            scale = drawWormViews(sheet, design, regions.views);
            break;
        case SheetKind::Wheel:
            scale = drawWheelViews(sheet, design, regions.views);
            break;
        case SheetKind::Hob:
            scale = drawHobViews(sheet, design, regions.views);
            break;
        case SheetKind::Mesh:
            scale = drawMeshViews(sheet, design, regions.views);
            break;
    }
    drawSheetFrame(sheet, regions, text, scale);
    return sheet;
}

QString proposedFileName(const Design& design, SheetKind kind, const QString& extension) {
    return QStringLiteral("%1-%2-%3%4")
        .arg(QString::fromStdString(design.recommendation.centreDistance),
             QString::fromStdString(design.recommendation.ratio),
             QString::fromUtf8(sheetKind(kind).fileWord), extension);
}

}  // namespace wormpair::drawing
