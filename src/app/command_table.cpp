#include "app/command_table.h"

#include "app/analysis_commands.h"
#include "app/design_file_commands.h"
#include "app/document_commands.h"
#include "app/drawing_commands.h"
#include "app/lifecycle_commands.h"
#include "app/model_commands.h"
#include "app/parameter_sheet_commands.h"
#include "app/series_commands.h"
#include "app/settings_commands.h"

namespace wormpair {

namespace {

// The usual keys of a Linux desktop for new, open, save, save as and quit.
constexpr std::string_view kNoKey;

// clang-format off
const CommandRow kCommands[] = {
    // 文件
    {"N11", "打开", "", -1, true, false, "Ctrl+O",
     [](CommandFamilies& c) { c.lifecycle.openDesign(); }},
    {"N3", "导出蜗杆参数", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.sheets.exportByMenu(Sheet::Worm); }},
    {"N14", "导出蜗轮参数", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.sheets.exportByMenu(Sheet::Wheel); }},
    {"N4", "导出滚刀参数", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.sheets.exportByMenu(Sheet::Hob); }},
    {"NSeries", "系列设计…", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.series.showDialog(); }},
    {"N5", "保存", "", -1, false, true, "Ctrl+S",
     [](CommandFamilies& c) { c.designFiles.save(); }},
    {"NSaveAs", "另存为…", "", -1, false, true, "Ctrl+Shift+S",
     [](CommandFamilies& c) { c.designFiles.saveAs(); }},
    {"N6", "退出", "", -1, true, false, "Ctrl+Q",
     [](CommandFamilies& c) { c.lifecycle.exit(); }},
    // 图纸
    {"DrawingWorm", "蜗杆零件图", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.drawings.showSheet(drawing::SheetKind::Worm); }},
    {"DrawingWheel", "蜗轮零件图", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.drawings.showSheet(drawing::SheetKind::Wheel); }},
    {"DrawingHob", "滚刀图", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.drawings.showSheet(drawing::SheetKind::Hob); }},
    {"DrawingMesh", "啮合图", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.drawings.showSheet(drawing::SheetKind::Mesh); }},
    {"DrawingSettings", "图纸设置…", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.drawings.editTitleBlock(); }},
    // 三维模型
    {"ModelWorm", "蜗杆", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.models.showPart(model::ModelPart::Worm); }},
    {"ModelWheel", "蜗轮", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.models.showPart(model::ModelPart::Wheel); }},
    {"ModelHob", "滚刀", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.models.showPart(model::ModelPart::Hob); }},
    {"ModelPair", "啮合副", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.models.showPart(model::ModelPart::Pair); }},
    {"ModelPoints", "测量点…", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.models.exportInspectionPoints(); }},
    // 啮合分析
    {"AnalysisPattern", "接触斑点…", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.analysis.showMarkingPattern(); }},
    {"AnalysisLines", "接触线…", "", -1, false, true, kNoKey,
     [](CommandFamilies& c) { c.analysis.showContactLines(); }},
    // 设置
    {"N13", "计算法则参数设置", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.settings.showRuleSettings(); }},
    {"N15", "还原默认设置", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.settings.restoreDefaults(); }},
    {"N16", "加载用户设置", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.settings.loadUserSettings(); }},
    {"N17", "另存用户设置", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.settings.saveUserSettings(); }},
    // 更新
    {"N18", "在线升级", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.onlineUpgrade(); }},
    // 设计手册
    {"N20", "推荐参数", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("canshu.pdf"); }},
    {"N21", "技术资料", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("jishu.pdf"); }},
    {"N22", "传动精度", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("jingdu.pdf"); }},
    {"N23", "制图示例", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("tuzhi.pdf"); }},
    {"N24", "修形原理", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("xiuxing.pdf"); }},
    // 帮助
    {"N26", "关于本软件", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.about(); }},
    {"N2", "帮助", "", -1, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.help(); }},

    // the toolbar, left to right
    {"ToolButton15", "", "新建", 0, true, false, "Ctrl+N",
     [](CommandFamilies& c) { c.lifecycle.newDesign(); }},
    {"ToolButton3", "", "打开", 11, true, false, kNoKey,
     [](CommandFamilies& c) { c.lifecycle.openDesign(); }},
    {"ToolButton11", "", "保存", 1, false, true, kNoKey,
     [](CommandFamilies& c) { c.designFiles.save(); }},
    {"ToolButton5", "", "导出蜗杆参数表", 2, false, true, kNoKey,
     [](CommandFamilies& c) { c.sheets.exportByToolbar(Sheet::Worm); }},
    {"ToolButton1", "", "导出蜗轮参数表", 3, false, true, kNoKey,
     [](CommandFamilies& c) { c.sheets.exportByToolbar(Sheet::Wheel); }},
    {"ToolButton4", "", "导出滚刀参数表", 4, false, true, kNoKey,
     [](CommandFamilies& c) { c.sheets.exportByToolbar(Sheet::Hob); }},
    {"ToolButton7", "", "技术资料", 5, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("jishu.pdf"); }},
    {"ToolButton8", "", "推荐参数", 6, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("canshu.pdf"); }},
    {"ToolButton9", "", "精度等级", 7, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("jingdu.pdf"); }},
    {"ToolButton10", "", "绘图示例", 8, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("tuzhi.pdf"); }},
    {"ToolButton12", "", "修形原理", 9, true, false, kNoKey,
     [](CommandFamilies& c) { c.documents.openManual("xiuxing.pdf"); }},
    {"ToolButton13", "", "关闭", 10, true, false, kNoKey,
     [](CommandFamilies& c) { c.lifecycle.closeWithPrompt(); }},
};
// clang-format on

}  // namespace

std::span<const CommandRow> commandTable() { return kCommands; }

std::vector<std::string_view> resultCommands() {
    std::vector<std::string_view> names;
    for (const CommandRow& row : kCommands) {
        if (row.resultCommand) names.push_back(row.control);
    }
    return names;
}

}  // namespace wormpair
