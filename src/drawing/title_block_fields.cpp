#include "drawing/title_block_fields.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/file_replace.h"

namespace wormpair::drawing {

namespace {

const TitleFieldDefinition& definition(TitleField field) {
    for (const TitleFieldDefinition& d : titleFields()) {
        if (d.field == field) return d;
    }
    throw std::logic_error("unknown title block field");
}

}  // namespace

QString TitleBlockFields::value(SheetKind kind, TitleField field) const {
    if (definition(field).perSheet) {
        const auto sheet = m_perSheet.find(kind);
        if (sheet == m_perSheet.end()) return {};
        const auto found = sheet->second.find(field);
        return found == sheet->second.end() ? QString() : found->second;
    }
    const auto found = m_common.find(field);
    return found == m_common.end() ? QString() : found->second;
}

void TitleBlockFields::set(SheetKind kind, TitleField field, const QString& value) {
    auto& fields = definition(field).perSheet ? m_perSheet[kind] : m_common;
    if (value.isEmpty()) {
        fields.erase(field);
    } else {
        fields[field] = value;
    }
}

std::map<TitleField, QString> TitleBlockFields::forSheet(SheetKind kind) const {
    std::map<TitleField, QString> fields;
    for (const TitleFieldDefinition& d : titleFields()) {
        const QString v = value(kind, d.field);
        if (!v.isEmpty()) fields[d.field] = v;
    }
    return fields;
}

QByteArray TitleBlockFields::toJson() const {
    QJsonObject root;
    QJsonObject common;
    for (const auto& [field, value] : m_common) common.insert(definition(field).key, value);
    root.insert("common", common);
    for (const SheetKindInfo& info : sheetKinds()) {
        QJsonObject sheet;
        const auto found = m_perSheet.find(info.kind);
        if (found == m_perSheet.end()) continue;
        for (const auto& [field, value] : found->second) sheet.insert(definition(field).key, value);
        root.insert(info.command, sheet);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

TitleBlockFields TitleBlockFields::fromJson(const QByteArray& json) {
    TitleBlockFields fields;
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    auto read = [&](const QJsonObject& object, SheetKind kind, bool perSheet) {
        for (const TitleFieldDefinition& d : titleFields()) {
            if (d.perSheet != perSheet) continue;
            const QJsonValue v = object.value(d.key);
            if (v.isString()) fields.set(kind, d.field, v.toString());
        }
    };
    read(root.value("common").toObject(), SheetKind::Worm, false);
    for (const SheetKindInfo& info : sheetKinds()) {
        read(root.value(info.command).toObject(), info.kind, true);
    }
    return fields;
}

TitleBlockFields loadTitleBlockFields(const QString& dataDirectory) {
    QFile file(dataDirectory + kTitleBlockFile);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return TitleBlockFields::fromJson(file.read(1 << 20));
}

void saveTitleBlockFields(const QString& dataDirectory, const TitleBlockFields& fields) {
    const QByteArray json = fields.toJson();
    replaceFile((dataDirectory + kTitleBlockFile).toStdString(),
                {reinterpret_cast<const std::uint8_t*>(json.constData()),
                 static_cast<std::size_t>(json.size())});
}

}  // namespace wormpair::drawing
