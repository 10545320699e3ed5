#include "series/series_output.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cctype>
#include <span>

#include "platform/file_replace.h"
#include "xls/workbook_builder.h"

namespace wormpair {

namespace {

QString qt(const std::string& text) { return QString::fromStdString(text); }

// Columns wide enough for their captions on one line: a Chinese character
// takes two widths of a digit.
double columnWidth(const SeriesColumn& column) {
    if (column.kind == SeriesColumnKind::Message) return 48;
    if (column.kind == SeriesColumnKind::Warnings || column.kind == SeriesColumnKind::Generation)
        return 36;
    double width = 0;
    for (std::size_t i = 0; i < column.caption.size();) {
        const auto lead = static_cast<unsigned char>(column.caption[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        width += length == 3 ? 2 : 1;
        i += length;
    }
    return std::clamp(width + 2, 8.0, 40.0);
}

void fillSheet(xls::WorkbookBuilder& book, int sheet, std::span<const SeriesRow* const> rows) {
    const std::vector<SeriesColumn>& columns = seriesColumns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        book.setText(sheet, static_cast<int>(c), 0, columns[c].caption, xls::CellLook::Caption);
    }
    int line = 1;
    for (const SeriesRow* row : rows) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const SeriesCell& cell = row->cells[c];
            const bool failure = columns[c].kind == SeriesColumnKind::Message && !cell.text.empty();
            const xls::CellLook look =
                !cell.warning.empty() || failure ? xls::CellLook::Warning : xls::CellLook::Plain;
            const int column = static_cast<int>(c);
            if (cell.isNumber) {
                book.setNumber(sheet, column, line, cell.number, look);
            } else if (!cell.text.empty()) {
                book.setText(sheet, column, line, cell.text, look);
            }
        }
        ++line;
    }
}

void appendCsvField(std::string& out, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::optional<SeriesFormat> seriesFormatOf(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".xls") return SeriesFormat::Workbook;
    if (extension == ".csv") return SeriesFormat::Csv;
    if (extension == ".json") return SeriesFormat::Json;
    return std::nullopt;
}

std::string centreDistanceSheetName(const std::string& centreDistance) {
    return "中心距 " + centreDistance;
}

std::vector<std::uint8_t> seriesWorkbook(const std::vector<SeriesRow>& rows,
                                         bool sheetPerCentreDistance) {
    xls::SheetLayout layout;
    for (const SeriesColumn& column : seriesColumns()) {
        layout.columnWidths.push_back(columnWidth(column));
    }
    layout.frozenRows = 1;
    xls::WorkbookBuilder book;
    std::vector<const SeriesRow*> all;
    for (const SeriesRow& row : rows) all.push_back(&row);
    fillSheet(book, book.addSheet(kSeriesSummarySheet, layout), all);
    if (sheetPerCentreDistance) {
        std::vector<std::string> centreDistances;
        for (const SeriesRow& row : rows) {
            if (std::find(centreDistances.begin(), centreDistances.end(),
                          row.pair.centreDistance) == centreDistances.end()) {
                centreDistances.push_back(row.pair.centreDistance);
            }
        }
        for (const std::string& centreDistance : centreDistances) {
            std::vector<const SeriesRow*> own;
            for (const SeriesRow* row : all) {
                if (row->pair.centreDistance == centreDistance) own.push_back(row);
            }
            fillSheet(book, book.addSheet(centreDistanceSheetName(centreDistance), layout), own);
        }
    }
    return book.writeToBytes();
}

std::string seriesCsv(const std::vector<SeriesRow>& rows) {
    const std::vector<SeriesColumn>& columns = seriesColumns();
    std::string out;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (c > 0) out += ',';
        appendCsvField(out, columns[c].caption);
    }
    out += "\r\n";
    for (const SeriesRow& row : rows) {
        for (std::size_t c = 0; c < row.cells.size(); ++c) {
            if (c > 0) out += ',';
            appendCsvField(out, row.cells[c].text);
        }
        out += "\r\n";
    }
    return out;
}

std::string seriesJson(const std::vector<SeriesRow>& rows, const SeriesOptions& options) {
    const std::vector<SeriesColumn>& columns = seriesColumns();
    QJsonArray columnList;
    for (const SeriesColumn& column : columns) {
        columnList.append(QJsonObject{
            {"key", qt(column.key)}, {"caption", qt(column.caption)}, {"numeric", column.numeric}});
    }
    QJsonArray rowList;
    for (const SeriesRow& row : rows) {
        QJsonObject cells;
        QJsonObject warnings;
        QJsonValue message = QJsonValue::Null;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const SeriesCell& cell = row.cells[c];
            const SeriesColumnKind kind = columns[c].kind;
            if (kind == SeriesColumnKind::Message) {
                if (!cell.text.empty()) message = qt(cell.text);
                continue;
            }
            if (kind == SeriesColumnKind::Warnings || kind == SeriesColumnKind::Generation)
                continue;
            const QString key = qt(columns[c].key);
            if (cell.isNumber) {
                cells.insert(key, cell.number);
            } else {
                cells.insert(key, cell.text.empty() ? QJsonValue(QJsonValue::Null)
                                                    : QJsonValue(qt(cell.text)));
            }
            if (!cell.warning.empty()) warnings.insert(key, qt(cell.warning));
        }
        QJsonArray geometry;
        for (const std::string& text : row.generation) geometry.append(qt(text));
        rowList.append(QJsonObject{{"ok", row.completed},
                                   {"message", message},
                                   {"cells", cells},
                                   {"warnings", warnings},
                                   {"geometry", geometry}});
    }
    QJsonValue starts = QStringLiteral("auto");
    if (!options.wormStarts.empty()) {
        QJsonArray list;
        for (const int z1 : options.wormStarts) list.append(z1);
        starts = list;
    }
    const QJsonObject series{{"options", QJsonObject{{"grade", options.grade},
                                                     {"standardBacklash", options.standardBacklash},
                                                     {"wholeNumber", options.wholeNumber},
                                                     {"wormStarts", starts}}},
                             {"columns", columnList},
                             {"rows", rowList}};
    return QJsonDocument(series).toJson(QJsonDocument::Indented).toStdString();
}

void writeSeries(const std::filesystem::path& target, SeriesFormat format,
                 const std::vector<SeriesRow>& rows, const SeriesOptions& options,
                 bool sheetPerCentreDistance) {
    switch (format) {
        case SeriesFormat::Workbook:
            replaceFile(target, seriesWorkbook(rows, sheetPerCentreDistance));
            return;
        case SeriesFormat::Csv:
        case SeriesFormat::Json: {
            const std::string text =
                format == SeriesFormat::Csv ? seriesCsv(rows) : seriesJson(rows, options);
            replaceFile(target,
                        std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
            return;
        }
    }
}

}  // namespace wormpair
