#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "series/series_design.h"

// A designed series written out: an Excel 97-2003 workbook for the engineer,
// CSV and JSON for scripts.

namespace wormpair {

enum class SeriesFormat { Workbook, Csv, Json };

// The format a file name asks for by its extension (.xls, .csv, .json, in
// any case), or nothing.
std::optional<SeriesFormat> seriesFormatOf(const std::filesystem::path& path);

// The sheet names of the workbook.
inline constexpr const char* kSeriesSummarySheet = "汇总";
std::string centreDistanceSheetName(const std::string& centreDistance);

// Sheet 汇总 with a caption row and one row per design, numbers as number
// cells and the red cells of the window marked; with sheetPerCentreDistance
// also a sheet of the same columns for each centre distance.
std::vector<std::uint8_t> seriesWorkbook(const std::vector<SeriesRow>& rows,
                                         bool sheetPerCentreDistance);

// A caption row, then one line per design; RFC 4180 quoting, UTF-8, CRLF.
std::string seriesCsv(const std::vector<SeriesRow>& rows);

// {"options", "columns": [{"key", "caption", "numeric"}], "rows": [{"ok",
// "message", "cells": {key: number, text or null}, "warnings": {label:
// reason}, "geometry": [the machines' findings]}]}.
std::string seriesJson(const std::vector<SeriesRow>& rows, const SeriesOptions& options);

// Writes the series in the format given, through the one safe replacement
// of a file. Throws FileReplaceError, or XlsError for a workbook that cannot
// be built.
void writeSeries(const std::filesystem::path& target, SeriesFormat format,
                 const std::vector<SeriesRow>& rows, const SeriesOptions& options,
                 bool sheetPerCentreDistance);

}  // namespace wormpair
