#pragma once

#include <string>

#include "drawing/sheet_model.h"

// The sheet as a DXF file of AutoCAD 2007 (AC1021, UTF-8 text), for the CAD
// programs drawing offices use. No DXF library is linked: Debian's C and C++
// ones do not fit this program's licence, so the writer is ours.
//
// The sheet (frame, title block, tables, notes) lies in model space in paper
// millimetres; each view is a block in millimetres of the part, inserted at
// its scale, so that a CAD program measures every dimension as the part's
// size. Dimensions are DIMENSION entities with their style and their
// anonymous geometry blocks (*D…), so that a program that does not
// regenerate them still shows them and an engineer can edit them.

namespace wormpair::drawing {

std::string sheetDxf(const Sheet& sheet);

}  // namespace wormpair::drawing
