#include "drawing/dxf_writer.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <string_view>
#include <vector>

namespace wormpair::drawing {

namespace {

constexpr const char* kTextStyle = "GB";
constexpr const char* kTrueTypeStyle = "GB_FANGSONG";

// Dimension variables of the GB style: the sizes of GB/T 4458.4 on paper,
// scaled by DIMSCALE for the view a dimension belongs to.
struct DimensionVariable {
    int code;
    double value;
};

std::string number(double value) {
    if (value == 0) return "0.0";  // no "-0"
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

std::string hex(int handle) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, handle, 16);
    std::string text(buffer, result.ptr);
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// ⌀ ° ± as AutoCAD's control codes, so that SHX fonts draw them; a TEXT is
// one line.
std::string dxfText(const QString& text) {
    QString t = singleLineText(text);
    t.replace('%', "%%%");
    t.replace(QChar(0x2300), "%%c");
    t.replace(QChar(0xB0), "%%d");
    t.replace(QChar(0xB1), "%%p");
    return t.toStdString();
}

int lineWeight(double mm) { return static_cast<int>(std::lround(mm * 100)); }

class Output {
  public:
    void tag(int code, std::string_view value) {
        m_text += std::to_string(code);
        m_text += '\n';
        // a line break inside a value would end it and misalign every
        // group after it
        for (const char c : value) m_text += c == '\n' || c == '\r' ? ' ' : c;
        m_text += '\n';
    }
    void tag(int code, const std::string& value) { tag(code, std::string_view(value)); }
    void tag(int code, const char* value) { tag(code, std::string_view(value)); }
    void real(int code, double value) { tag(code, number(value)); }
    void integer(int code, long value) { tag(code, std::to_string(value)); }
    void point(int code, QPointF p) {
        real(code, p.x());
        real(code + 10, p.y());
        real(code + 20, 0);
    }
    std::string& text() { return m_text; }

  private:
    std::string m_text;
};

struct BlockRecord {
    std::string name;
    int record = 0;  // BLOCK_RECORD handle
    int layout = 0;  // its layout, for model and paper space
};

class DxfDocument {
  public:
    explicit DxfDocument(const Sheet& sheet) : m_sheet(sheet) {}

    std::string write();

  private:
    int handle() { return m_next++; }

    void header(Output& o);
    void classes(Output& o);
    void tables(Output& o);
    void blocks(Output& o);
    void entities(Output& o);
    void objects(Output& o);

    void tableHead(Output& o, const char* name, int handle, int count);
    void entityHead(Output& o, const char* type, int owner, const Entity& e, double lineScale);
    void entity(Output& o, const Entity& e, int owner, double lineScale);
    void dimension(Output& o, const Dimension& d, const View& view, int owner,
                   const std::string& block);
    void blockBegin(Output& o, const BlockRecord& b, bool anonymous);
    void blockEnd(Output& o, const BlockRecord& b);
    std::string dimensionStyleName(const Scale& scale) const;

    const Sheet& m_sheet;
    int m_next = 1;

    // handles assigned before writing, so that owners are known
    int m_rootDictionary = 0, m_groups = 0, m_layouts = 0, m_lineStyles = 0, m_plotSettings = 0,
        m_plotStyles = 0, m_plotStyleNormal = 0, m_lineStyleStandard = 0;
    int m_vportTable = 0, m_ltypeTable = 0, m_layerTable = 0, m_styleTable = 0, m_viewTable = 0,
        m_ucsTable = 0, m_appidTable = 0, m_dimstyleTable = 0, m_blockTable = 0;
    int m_textStyle = 0;
    BlockRecord m_model, m_paper;
    std::vector<BlockRecord> m_views;                   // one per view
    std::vector<std::vector<BlockRecord>> m_dimensions;  // per view, one per dimension
    std::vector<Scale> m_scales;                         // one dimension style each
};

std::string DxfDocument::dimensionStyleName(const Scale& scale) const {
    std::string name = std::string("GB_") + scale.text;
    for (char& c : name) {
        if (c == ':') c = '-';
    }
    return name;
}

void DxfDocument::tableHead(Output& o, const char* name, int h, int count) {
    o.tag(0, "TABLE");
    o.tag(2, name);
    o.tag(5, hex(h));
    o.tag(330, "0");
    o.tag(100, "AcDbSymbolTable");
    o.integer(70, count);
}

void DxfDocument::header(Output& o) {
    const SheetFormat& f = sheetFormat(m_sheet.size);
    o.tag(0, "SECTION");
    o.tag(2, "HEADER");
    const auto variable = [&](const char* name) { o.tag(9, name); };
    variable("$ACADVER");
    o.tag(1, "AC1021");
    variable("$DWGCODEPAGE");
    o.tag(3, "ANSI_936");
    variable("$INSBASE");
    o.point(10, {0, 0});
    variable("$EXTMIN");
    o.point(10, {0, 0});
    variable("$EXTMAX");
    o.point(10, {f.width, f.height});
    variable("$LIMMIN");
    o.real(10, 0);
    o.real(20, 0);
    variable("$LIMMAX");
    o.real(10, f.width);
    o.real(20, f.height);
    variable("$LTSCALE");
    o.real(40, 1);
    variable("$PSLTSCALE");
    o.integer(70, 1);
    variable("$CLAYER");
    o.tag(8, "0");
    variable("$TEXTSTYLE");
    o.tag(7, kTextStyle);
    variable("$DIMSTYLE");
    o.tag(2, dimensionStyleName(naturalScale()));
    variable("$LUNITS");
    o.integer(70, 2);
    variable("$LUPREC");
    o.integer(70, 3);
    variable("$AUNITS");
    o.integer(70, 0);
    variable("$AUPREC");
    o.integer(70, 3);
    variable("$INSUNITS");
    o.integer(70, 4);  // millimetres
    variable("$MEASUREMENT");
    o.integer(70, 1);  // metric
    variable("$LWDISPLAY");
    o.integer(290, 1);
    variable("$HANDSEED");
    o.tag(5, hex(m_next));
    o.tag(0, "ENDSEC");
}

void DxfDocument::classes(Output& o) {
    o.tag(0, "SECTION");
    o.tag(2, "CLASSES");
    const struct {
        const char* name;
        const char* cpp;
        int flags;
    } rows[] = {{"ACDBDICTIONARYWDFLT", "AcDbDictionaryWithDefault", 0},
                {"ACDBPLACEHOLDER", "AcDbPlaceHolder", 0},
                {"LAYOUT", "AcDbLayout", 0}};
    for (const auto& row : rows) {
        o.tag(0, "CLASS");
        o.tag(1, row.name);
        o.tag(2, row.cpp);
        o.tag(3, "ObjectDBX Classes");
        o.integer(90, row.flags);
        o.integer(91, 0);
        o.integer(280, 0);
        o.integer(281, 0);
    }
    o.tag(0, "ENDSEC");
}

void DxfDocument::tables(Output& o) {
    const SheetFormat& f = sheetFormat(m_sheet.size);
    o.tag(0, "SECTION");
    o.tag(2, "TABLES");
    auto record = [&](const char* type, int owner, const char* subclass, int h = 0) {
        o.tag(0, type);
        o.tag(type == std::string_view("DIMSTYLE") ? 105 : 5, hex(h ? h : handle()));
        o.tag(330, hex(owner));
        o.tag(100, "AcDbSymbolTableRecord");
        o.tag(100, subclass);
    };

    tableHead(o, "VPORT", m_vportTable, 1);
    record("VPORT", m_vportTable, "AcDbViewportTableRecord");
    o.tag(2, "*Active");
    o.integer(70, 0);
    o.real(10, 0);
    o.real(20, 0);
    o.real(11, 1);
    o.real(21, 1);
    o.real(12, f.width / 2);
    o.real(22, f.height / 2);
    o.real(13, 0);
    o.real(23, 0);
    o.real(14, 10);
    o.real(24, 10);
    o.real(15, 10);
    o.real(25, 10);
    o.real(16, 0);
    o.real(26, 0);
    o.real(36, 1);
    o.real(17, 0);
    o.real(27, 0);
    o.real(37, 0);
    o.real(40, f.height * 1.05);
    o.real(41, f.width / f.height);
    o.real(42, 50);
    o.real(43, 0);
    o.real(44, 0);
    o.real(50, 0);
    o.real(51, 0);
    o.integer(71, 0);
    o.integer(72, 1000);
    o.integer(73, 1);
    o.integer(74, 3);
    o.integer(75, 0);
    o.integer(76, 0);
    o.integer(77, 0);
    o.integer(78, 0);
    o.tag(0, "ENDTAB");

    // line types: the two of GB/T 4457.4 besides the continuous line
    tableHead(o, "LTYPE", m_ltypeTable, static_cast<int>(lineTypes().size()) + 2);
    for (const char* name : {"ByBlock", "ByLayer"}) {
        record("LTYPE", m_ltypeTable, "AcDbLinetypeTableRecord");
        o.tag(2, name);
        o.integer(70, 0);
        o.tag(3, "");
        o.integer(72, 65);
        o.integer(73, 0);
        o.real(40, 0);
    }
    for (const LineTypeDefinition& type : lineTypes()) {
        record("LTYPE", m_ltypeTable, "AcDbLinetypeTableRecord");
        o.tag(2, type.dxfName);
        o.integer(70, 0);
        o.tag(3, type.description);
        o.integer(72, 65);
        o.integer(73, static_cast<long>(type.pattern.size()));
        double total = 0;
        for (const double dash : type.pattern) total += std::abs(dash);
        o.real(40, total);
        for (const double dash : type.pattern) {
            o.real(49, dash);
            o.integer(74, 0);
        }
    }
    o.tag(0, "ENDTAB");

    tableHead(o, "LAYER", m_layerTable, static_cast<int>(layers().size()) + 2);
    auto layer = [&](const char* name, int colour, const char* type, int weight, bool plot) {
        record("LAYER", m_layerTable, "AcDbLayerTableRecord");
        o.tag(2, name);
        o.integer(70, 0);
        o.integer(62, colour);
        o.tag(6, type);
        if (!plot) o.integer(290, 0);
        o.integer(370, weight);
        o.tag(390, hex(m_plotStyleNormal));
    };
    layer("0", 7, "Continuous", -3, true);
    layer("Defpoints", 7, "Continuous", -3, false);
    for (const LayerDefinition& l : layers()) {
        layer(l.name, l.colour, lineType(l.lineType).dxfName, lineWeight(l.width), true);
    }
    o.tag(0, "ENDTAB");

    // lettering: the Chinese CAD fonts of GB/T 14691, and a TrueType 仿宋
    // style for a program that lacks them
    tableHead(o, "STYLE", m_styleTable, 3);
    const struct {
        const char* name;
        const char* font;
        const char* bigFont;
        double width;
        int handle;
    } styles[] = {{"Standard", "txt", "", 1, 0},
                  {kTextStyle, "gbenor.shx", "gbcbig.shx", 1, m_textStyle},
                  {kTrueTypeStyle, "simfang.ttf", "", 0.7, 0}};
    for (const auto& style : styles) {
        record("STYLE", m_styleTable, "AcDbTextStyleTableRecord", style.handle);
        o.tag(2, style.name);
        o.integer(70, 0);
        o.real(40, 0);
        o.real(41, style.width);
        o.real(50, 0);
        o.integer(71, 0);
        o.real(42, 3.5);
        o.tag(3, style.font);
        o.tag(4, style.bigFont);
        if (style.name == std::string_view(kTrueTypeStyle)) {
            o.tag(1001, "ACAD");
            o.tag(1000, "仿宋");
            o.integer(1071, 34);
        }
    }
    o.tag(0, "ENDTAB");

    tableHead(o, "VIEW", m_viewTable, 0);
    o.tag(0, "ENDTAB");
    tableHead(o, "UCS", m_ucsTable, 0);
    o.tag(0, "ENDTAB");
    tableHead(o, "APPID", m_appidTable, 1);
    record("APPID", m_appidTable, "AcDbRegAppTableRecord");
    o.tag(2, "ACAD");
    o.integer(70, 0);
    o.tag(0, "ENDTAB");

    // one GB dimension style for each scale of a view on the sheet
    const DimensionStyle& ds = dimensionStyle();
    const double textH = textHeight(TextRole::Dimension, m_sheet.size);
    tableHead(o, "DIMSTYLE", m_dimstyleTable, static_cast<int>(m_scales.size()) + 1);
    o.tag(100, "AcDbDimStyleTable");
    std::vector<std::pair<std::string, double>> styleScales{{"Standard", 1}};
    for (const Scale& s : m_scales) styleScales.emplace_back(dimensionStyleName(s), 1 / s.factor);
    for (const auto& [name, dimscale] : styleScales) {
        record("DIMSTYLE", m_dimstyleTable, "AcDbDimStyleTableRecord");
        o.tag(2, name);
        o.integer(70, 0);
        const DimensionVariable reals[] = {
            {40, dimscale},       {41, ds.arrowLength}, {42, 0},     {43, ds.spacing},
            {44, ds.extensionBeyond}, {45, 0},          {46, 0},     {47, 0},
            {48, 0},              {140, textH},         {141, 0},    {142, 0},
            {143, 1 / 25.4},      {144, 1},             {145, 0},    {146, 0.7},
            {147, ds.textGap}};
        for (const DimensionVariable& v : reals) o.real(v.code, v.value);
        const DimensionVariable integers[] = {
            {71, 0},  {72, 0},   {73, 0},   {74, 0},   {75, 0},   {76, 0},   {77, 1},
            {78, 8},  {79, 2},   {170, 0},  {171, 3},  {172, 1},  {173, 0},  {174, 0},
            {175, 0}, {176, 256}, {177, 256}, {178, 256}, {179, 3}, {271, 3}, {272, 3},
            {273, 2}, {274, 3},  {275, 0},  {276, 0},  {277, 2},  {278, 46}, {279, 0},
            {280, 0}, {281, 0},  {282, 0},  {283, 1},  {284, 8},  {285, 0},  {286, 0},
            {288, 0}, {289, 3}};
        for (const DimensionVariable& v : integers) o.integer(v.code, std::lround(v.value));
        o.tag(340, hex(m_textStyle));
        o.integer(371, -2);
        o.integer(372, -2);
    }
    o.tag(0, "ENDTAB");

    std::vector<const BlockRecord*> records{&m_model, &m_paper};
    for (const BlockRecord& b : m_views) records.push_back(&b);
    for (const auto& list : m_dimensions) {
        for (const BlockRecord& b : list) records.push_back(&b);
    }
    tableHead(o, "BLOCK_RECORD", m_blockTable, static_cast<int>(records.size()));
    for (const BlockRecord* b : records) {
        record("BLOCK_RECORD", m_blockTable, "AcDbBlockTableRecord", b->record);
        o.tag(2, b->name);
        o.tag(340, hex(b->layout));
        o.integer(70, 4);  // insertion units: millimetres
        o.integer(280, 1);
        o.integer(281, 0);
    }
    o.tag(0, "ENDTAB");
    o.tag(0, "ENDSEC");
}

void DxfDocument::blockBegin(Output& o, const BlockRecord& b, bool anonymous) {
    o.tag(0, "BLOCK");
    o.tag(5, hex(handle()));
    o.tag(330, hex(b.record));
    o.tag(100, "AcDbEntity");
    o.tag(8, "0");
    o.tag(100, "AcDbBlockBegin");
    o.tag(2, b.name);
    o.integer(70, anonymous ? 1 : 0);
    o.point(10, {0, 0});
    o.tag(3, b.name);
    o.tag(1, "");
}

void DxfDocument::blockEnd(Output& o, const BlockRecord& b) {
    o.tag(0, "ENDBLK");
    o.tag(5, hex(handle()));
    o.tag(330, hex(b.record));
    o.tag(100, "AcDbEntity");
    o.tag(8, "0");
    o.tag(100, "AcDbBlockEnd");
}

void DxfDocument::entityHead(Output& o, const char* type, int owner, const Entity& e,
                             double lineScale) {
    o.tag(0, type);
    o.tag(5, hex(handle()));
    o.tag(330, hex(owner));
    o.tag(100, "AcDbEntity");
    o.tag(8, layerDefinition(e.layer).name);
    if (e.colour != Entity::kLayerColour) o.integer(420, e.colour);  // true colour
    if (e.weight != Weight::ByLayer) {
        o.integer(370, lineWeight(e.weight == Weight::Thick ? kThickWidth : kThinWidth));
    }
    if (lineScale != 1) o.real(48, lineScale);
}

void DxfDocument::entity(Output& o, const Entity& e, int owner, double lineScale) {
    struct Visitor {
        DxfDocument& doc;
        Output& o;
        const Entity& e;
        int owner;
        double lineScale;

        void operator()(const LineShape& s) const {
            doc.entityHead(o, "LINE", owner, e, lineScale);
            o.tag(100, "AcDbLine");
            o.point(10, s.from);
            o.point(11, s.to);
        }
        void operator()(const ArcShape& s) const {
            doc.entityHead(o, "ARC", owner, e, lineScale);
            o.tag(100, "AcDbCircle");
            o.point(10, s.centre);
            o.real(40, s.radius);
            o.tag(100, "AcDbArc");
            o.real(50, s.startAngle);
            o.real(51, s.endAngle);
        }
        void operator()(const CircleShape& s) const {
            doc.entityHead(o, "CIRCLE", owner, e, lineScale);
            o.tag(100, "AcDbCircle");
            o.point(10, s.centre);
            o.real(40, s.radius);
        }
        void operator()(const PolylineShape& s) const {
            doc.entityHead(o, "LWPOLYLINE", owner, e, lineScale);
            o.tag(100, "AcDbPolyline");
            o.integer(90, static_cast<long>(s.points.size()));
            o.integer(70, s.closed ? 1 : 0);
            for (const QPointF& p : s.points) {
                o.real(10, p.x());
                o.real(20, p.y());
            }
        }
        void operator()(const HatchShape& s) const {
            // ANSI31: 45° lines; its spacing of 3.175 scaled to the sheet's
            const double spacing = s.spacing * lineScale;
            const double scale = spacing / 3.175;
            doc.entityHead(o, "HATCH", owner, e, 1);
            o.tag(100, "AcDbHatch");
            o.point(10, {0, 0});
            o.real(210, 0);
            o.real(220, 0);
            o.real(230, 1);
            o.tag(2, "ANSI31");
            o.integer(70, 0);
            o.integer(71, 0);
            o.integer(91, static_cast<long>(s.loops.size()));
            bool first = true;
            for (const auto& loop : s.loops) {
                o.integer(92, first ? 3 : 2);
                first = false;
                o.integer(72, 0);
                o.integer(73, 1);
                o.integer(93, static_cast<long>(loop.size()));
                for (const QPointF& p : loop) {
                    o.real(10, p.x());
                    o.real(20, p.y());
                }
                o.integer(97, 0);
            }
            o.integer(75, 0);
            o.integer(76, 1);
            o.real(52, 0);
            o.real(41, scale);
            o.integer(77, 0);
            o.integer(78, 1);
            o.real(53, 45);
            o.real(43, 0);
            o.real(44, 0);
            o.real(45, -spacing * std::sqrt(0.5));
            o.real(46, spacing * std::sqrt(0.5));
            o.integer(79, 0);
            o.integer(98, 0);
        }
        void operator()(const SolidShape& s) const {
            doc.entityHead(o, "SOLID", owner, e, 1);
            o.tag(100, "AcDbTrace");
            o.point(10, s.corners[0]);
            o.point(11, s.corners[1]);
            o.point(12, s.corners[2]);
            o.point(13, s.corners[2]);
        }
        void operator()(const TextShape& s) const {
            doc.entityHead(o, "TEXT", owner, e, 1);
            o.tag(100, "AcDbText");
            o.point(10, s.at);
            o.real(40, s.height);
            o.tag(1, dxfText(s.text));
            if (s.angle != 0) o.real(50, s.angle);
            if (s.widthFactor != 1) o.real(41, s.widthFactor);
            o.tag(7, kTextStyle);
            const int h = s.h == HAlign::Left ? 0 : s.h == HAlign::Centre ? 1 : 2;
            const int v = s.v == VAlign::Baseline ? 0 : s.v == VAlign::Middle ? 2 : 3;
            if (h != 0) o.integer(72, h);
            if (h != 0 || v != 0) o.point(11, s.at);
            o.tag(100, "AcDbText");
            if (v != 0) o.integer(73, v);
        }
    };
    std::visit(Visitor{*this, o, e, owner, lineScale}, e.shape);
}

void DxfDocument::dimension(Output& o, const Dimension& d, const View& view, int owner,
                            const std::string& block) {
    o.tag(0, "DIMENSION");
    o.tag(5, hex(handle()));
    o.tag(330, hex(owner));
    o.tag(100, "AcDbEntity");
    o.tag(8, layerDefinition(Layer::Dimension).name);
    o.tag(100, "AcDbDimension");
    o.tag(2, block);
    o.tag(3, dimensionStyleName(view.scale));
    // the text's place: the middle of the value's text in the block
    QPointF textMiddle = d.linePoint;
    for (const Entity& e : dimensionGeometry(d, view.scale.factor, m_sheet.size)) {
        if (const auto* t = std::get_if<TextShape>(&e.shape)) {
            textMiddle = textBounds(*t).center();
            break;
        }
    }
    std::string text = dxfText(d.text);
    if (!d.upper.isEmpty() || !d.lower.isEmpty()) {
        text += "{\\H0.7x;\\S" + dxfText(d.upper) + "^" + dxfText(d.lower) + ";}";
    }
    const int flags = 32 | 128;  // geometry block of its own; text where the block has it
    switch (d.kind) {
        case DimensionKind::Linear: {
            const QPointF u(std::cos(d.direction * std::numbers::pi / 180),
                            std::sin(d.direction * std::numbers::pi / 180));
            const QPointF n(-u.y(), u.x());
            const QPointF onLine =
                d.p2 + n * ((d.linePoint - d.p2).x() * n.x() + (d.linePoint - d.p2).y() * n.y());
            o.point(10, onLine);
            o.point(11, textMiddle);
            o.integer(70, flags | 0);
            o.integer(71, 5);
            o.real(42, d.value);
            o.tag(1, text);
            o.tag(100, "AcDbAlignedDimension");
            o.point(13, d.p1);
            o.point(14, d.p2);
            o.real(50, d.direction);
            o.tag(100, "AcDbRotatedDimension");
            break;
        }
        case DimensionKind::Diameter:
            o.point(10, d.p1);
            o.point(11, textMiddle);
            o.integer(70, flags | 3);
            o.integer(71, 5);
            o.real(42, d.value);
            o.tag(1, text);
            o.tag(100, "AcDbDiametricDimension");
            o.point(15, d.p2);
            o.real(40, 0);
            break;
        case DimensionKind::Radius:
            o.point(10, d.p1);
            o.point(11, textMiddle);
            o.integer(70, flags | 4);
            o.integer(71, 5);
            o.real(42, d.value);
            o.tag(1, text);
            o.tag(100, "AcDbRadialDimension");
            o.point(15, d.p2);
            o.real(40, d.leader / view.scale.factor);
            break;
        case DimensionKind::Angular:
            o.point(10, d.linePoint);
            o.point(11, textMiddle);
            o.integer(70, flags | 5);
            o.integer(71, 5);
            o.real(42, d.value * std::numbers::pi / 180);
            o.tag(1, text);
            o.tag(100, "AcDb3PointAngularDimension");
            o.point(13, d.p1);
            o.point(14, d.p2);
            o.point(15, d.vertex);
            break;
    }
}

void DxfDocument::blocks(Output& o) {
    o.tag(0, "SECTION");
    o.tag(2, "BLOCKS");
    for (const BlockRecord* space : {&m_model, &m_paper}) {
        blockBegin(o, *space, false);
        blockEnd(o, *space);
    }
    for (std::size_t v = 0; v < m_sheet.views.size(); ++v) {
        const View& view = m_sheet.views[v];
        const double lineScale = 1 / view.scale.factor;
        blockBegin(o, m_views[v], false);
        for (const Entity& e : view.entities) entity(o, e, m_views[v].record, lineScale);
        for (std::size_t i = 0; i < view.dimensions.size(); ++i) {
            dimension(o, view.dimensions[i], view, m_views[v].record, m_dimensions[v][i].name);
        }
        blockEnd(o, m_views[v]);
        for (std::size_t i = 0; i < view.dimensions.size(); ++i) {
            const BlockRecord& b = m_dimensions[v][i];
            blockBegin(o, b, true);
            for (const Entity& e :
                 dimensionGeometry(view.dimensions[i], view.scale.factor, m_sheet.size)) {
                entity(o, e, b.record, 1);
            }
            blockEnd(o, b);
        }
    }
    o.tag(0, "ENDSEC");
}

void DxfDocument::entities(Output& o) {
    o.tag(0, "SECTION");
    o.tag(2, "ENTITIES");
    for (const Entity& e : m_sheet.paper) entity(o, e, m_model.record, 1);
    for (std::size_t v = 0; v < m_sheet.views.size(); ++v) {
        const View& view = m_sheet.views[v];
        o.tag(0, "INSERT");
        o.tag(5, hex(handle()));
        o.tag(330, hex(m_model.record));
        o.tag(100, "AcDbEntity");
        o.tag(8, "0");
        o.tag(100, "AcDbBlockReference");
        o.tag(2, m_views[v].name);
        o.point(10, view.origin);
        o.real(41, view.scale.factor);
        o.real(42, view.scale.factor);
        o.real(43, view.scale.factor);
    }
    o.tag(0, "ENDSEC");
}

void DxfDocument::objects(Output& o) {
    const SheetFormat& f = sheetFormat(m_sheet.size);
    o.tag(0, "SECTION");
    o.tag(2, "OBJECTS");
    auto dictionary = [&](int h, int owner, std::vector<std::pair<const char*, int>> entries) {
        o.tag(0, "DICTIONARY");
        o.tag(5, hex(h));
        o.tag(330, hex(owner));
        o.tag(100, "AcDbDictionary");
        o.integer(281, 1);
        for (const auto& [name, target] : entries) {
            o.tag(3, name);
            o.tag(350, hex(target));
        }
    };
    dictionary(m_rootDictionary, 0,
               {{"ACAD_GROUP", m_groups},
                {"ACAD_LAYOUT", m_layouts},
                {"ACAD_MLINESTYLE", m_lineStyles},
                {"ACAD_PLOTSETTINGS", m_plotSettings},
                {"ACAD_PLOTSTYLENAME", m_plotStyles}});
    dictionary(m_groups, m_rootDictionary, {});
    dictionary(m_layouts, m_rootDictionary, {{"Model", m_model.layout}, {"Layout1", m_paper.layout}});
    dictionary(m_lineStyles, m_rootDictionary, {{"Standard", m_lineStyleStandard}});
    dictionary(m_plotSettings, m_rootDictionary, {});
    o.tag(0, "ACDBDICTIONARYWDFLT");
    o.tag(5, hex(m_plotStyles));
    o.tag(330, hex(m_rootDictionary));
    o.tag(100, "AcDbDictionary");
    o.integer(281, 1);
    o.tag(3, "Normal");
    o.tag(350, hex(m_plotStyleNormal));
    o.tag(100, "AcDbDictionaryWithDefault");
    o.tag(340, hex(m_plotStyleNormal));
    o.tag(0, "ACDBPLACEHOLDER");
    o.tag(5, hex(m_plotStyleNormal));
    o.tag(330, hex(m_plotStyles));

    // the layouts plot the sheet on its paper at 1:1
    for (const BlockRecord* space : {&m_model, &m_paper}) {
        const bool model = space == &m_model;
        o.tag(0, "LAYOUT");
        o.tag(5, hex(space->layout));
        o.tag(330, hex(m_layouts));
        o.tag(100, "AcDbPlotSettings");
        o.tag(1, "");
        o.tag(2, "none_device");
        o.tag(4, std::string("ISO_full_bleed_") + f.name + "_(" +
                     std::to_string(std::lround(f.width)) + ".00_x_" +
                     std::to_string(std::lround(f.height)) + ".00_MM)");
        o.tag(6, "");
        for (const int code : {40, 41, 42, 43}) o.real(code, 0);
        o.real(44, f.width);
        o.real(45, f.height);
        for (const int code : {46, 47, 48, 49, 140, 141}) o.real(code, 0);
        o.real(142, 1);
        o.real(143, 1);
        o.integer(70, model ? 1024 : 0);
        o.integer(72, 1);  // millimetres
        o.integer(73, 0);
        o.integer(74, 1);  // plot the extents
        o.tag(7, "");
        o.integer(75, 16);  // 1:1
        o.integer(76, 0);
        o.integer(77, 2);
        o.integer(78, 300);
        o.real(147, 1);
        o.real(148, 0);
        o.real(149, 0);
        o.tag(100, "AcDbLayout");
        o.tag(1, model ? "Model" : "Layout1");
        o.integer(70, 1);
        o.integer(71, model ? 0 : 1);
        o.real(10, 0);
        o.real(20, 0);
        o.real(11, f.width);
        o.real(21, f.height);
        o.point(12, {0, 0});
        o.point(14, {0, 0});
        o.point(15, {f.width, f.height});
        o.real(146, 0);
        o.point(13, {0, 0});
        o.real(16, 1);
        o.real(26, 0);
        o.real(36, 0);
        o.real(17, 0);
        o.real(27, 1);
        o.real(37, 0);
        o.integer(76, 1);
        o.tag(330, hex(space->record));
    }
    o.tag(0, "MLINESTYLE");
    o.tag(5, hex(m_lineStyleStandard));
    o.tag(330, hex(m_lineStyles));
    o.tag(100, "AcDbMlineStyle");
    o.tag(2, "Standard");
    o.integer(70, 0);
    o.tag(3, "");
    o.integer(62, 256);
    o.real(51, 90);
    o.real(52, 90);
    o.integer(71, 2);
    o.real(49, 0.5);
    o.integer(62, 256);
    o.tag(6, "BYLAYER");
    o.real(49, -0.5);
    o.integer(62, 256);
    o.tag(6, "BYLAYER");
    o.tag(0, "ENDSEC");
}

std::string DxfDocument::write() {
    for (int* h : {&m_rootDictionary, &m_groups, &m_layouts, &m_lineStyles, &m_plotSettings,
                   &m_plotStyles, &m_plotStyleNormal, &m_lineStyleStandard, &m_vportTable,
                   &m_ltypeTable, &m_layerTable, &m_styleTable, &m_viewTable, &m_ucsTable,
                   &m_appidTable, &m_dimstyleTable, &m_blockTable, &m_textStyle}) {
        *h = handle();
    }
    m_model = {"*Model_Space", handle(), handle()};
    m_paper = {"*Paper_Space", handle(), handle()};
    int anonymous = 0;
    for (const View& view : m_sheet.views) {
        m_views.push_back({view.name.toStdString(), handle(), 0});
        std::vector<BlockRecord> dims;
        for (std::size_t i = 0; i < view.dimensions.size(); ++i) {
            dims.push_back({"*D" + std::to_string(++anonymous), handle(), 0});
        }
        m_dimensions.push_back(std::move(dims));
        bool known = false;
        for (const Scale& s : m_scales) known = known || std::string_view(s.text) == view.scale.text;
        if (!known) m_scales.push_back(view.scale);
    }
    // the style the header names as current: 1:1
    bool hasNatural = false;
    for (const Scale& s : m_scales) hasNatural = hasNatural || std::string_view(s.text) == "1:1";
    if (!hasNatural) m_scales.push_back(naturalScale());

    Output body;
    classes(body);
    tables(body);
    blocks(body);
    entities(body);
    objects(body);
    body.tag(0, "EOF");
    Output head;
    header(head);
    return head.text() + body.text();
}

}  // namespace

std::string sheetDxf(const Sheet& sheet) { return DxfDocument(sheet).write(); }

}  // namespace wormpair::drawing
