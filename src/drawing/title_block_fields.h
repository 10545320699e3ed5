#pragma once

#include <QByteArray>
#include <QString>

#include <map>

#include "drawing/part_sheets.h"

// The free fields of the title block, filled once in 图纸设置… and kept per
// user: 设计, 审核, 日期 and 单位名称 for every sheet, 图号, 材料 and 重量 for
// each kind of sheet. They go into the drawings, never into the design file.

namespace wormpair::drawing {

inline constexpr const char* kTitleBlockFile = "title-block.json";

class TitleBlockFields {
  public:
    QString value(SheetKind kind, TitleField field) const;
    void set(SheetKind kind, TitleField field, const QString& value);
    // Every field a sheet of that kind shows.
    std::map<TitleField, QString> forSheet(SheetKind kind) const;

    QByteArray toJson() const;
    // Unknown keys and values that are no text are passed over.
    static TitleBlockFields fromJson(const QByteArray& json);

    bool operator==(const TitleBlockFields&) const = default;

  private:
    std::map<TitleField, QString> m_common;
    std::map<SheetKind, std::map<TitleField, QString>> m_perSheet;
};

// The user's fields from the data directory; none when the file is missing
// or unreadable.
TitleBlockFields loadTitleBlockFields(const QString& dataDirectory);
// Writes them through the program's one safe file replacement; throws
// FileReplaceError.
void saveTitleBlockFields(const QString& dataDirectory, const TitleBlockFields& fields);

}  // namespace wormpair::drawing
