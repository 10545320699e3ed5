#pragma once

#include <QString>

#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>

#include "drawing/drawn_design.h"
#include "drawing/sheet_model.h"

// The working drawings of a calculated design: the worm, the wheel, the hob
// that cuts the wheel, and the pair in mesh. Every number on them is the
// design's own, printed as its result label prints it.

namespace wormpair::drawing {

enum class SheetKind { Worm, Wheel, Hob, Mesh };

struct SheetKindInfo {
    SheetKind kind;
    const char* command;   // worm, wheel, hob, mesh
    const char* title;     // 蜗杆零件图 …, as the menu names it
    const char* fileWord;  // in the proposed file name: 蜗杆, 蜗轮, 滚刀, 啮合图
    const char* partName;  // in the title block
};
std::span<const SheetKindInfo> sheetKinds();
const SheetKindInfo& sheetKind(SheetKind kind);
std::optional<SheetKind> sheetKindNamed(std::string_view command);

// What the user chose for a sheet: its size and the free fields of the title
// block.
struct SheetRequest {
    SheetKind kind = SheetKind::Worm;
    SheetSize size = SheetSize::A3;
    std::map<TitleField, QString> fields;
};

// A design whose values make a view degenerate, or views that no standard
// scale fits onto the sheet; what() is the Chinese message for the user.
class DrawingError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Builds the sheet; throws DrawingError.
Sheet buildSheet(const Design& design, const SheetRequest& request);

// The name the save dialog proposes: "<中心距>-<速比>-蜗杆.dxf".
QString proposedFileName(const Design& design, SheetKind kind, const QString& extension);

}  // namespace wormpair::drawing
