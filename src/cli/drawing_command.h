#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <cstdint>
#include <vector>

#include "drawing/sheet_model.h"

namespace wormpair {

// Whether this build writes a sheet in the format the file's ending names.
bool sheetFormatWritable(const QString& path);

// The sheet as the file's ending names it (dxf; pdf and svg where this
// build paints); empty for any other ending.
std::vector<std::uint8_t> sheetFileBytes(const drawing::Sheet& sheet, const QString& path);

// Whether the command line asks for a drawing painted through Qt Gui (PDF or
// SVG): the tool then starts as a QGuiApplication, without a display.
bool drawingNeedsPainting(const QStringList& arguments);

}  // namespace wormpair
