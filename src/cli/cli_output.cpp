#include "cli/cli_output.h"

#include <QJsonArray>
#include <QJsonValue>

#include <variant>

#include "calc/result_labels.h"
#include "input/design_controller.h"
#include "input/form_state.h"
#include "input/input_rules.h"
#include "model/generation_checks.h"

namespace wormpair {

QJsonObject resultJson(const CalculationResult& result, const ResultCollector& view) {
    QJsonObject labels;
    for (const auto& [label, text] : view.texts) {
        labels.insert(QString::fromStdString(label), QString::fromStdString(text));
    }
    QJsonArray warnings;
    for (const std::string& label : view.warnings) warnings.append(QString::fromStdString(label));
    QJsonObject object;
    object.insert("ok", result.completed());
    object.insert("message", result.completed()
                                 ? QJsonValue(QJsonValue::Null)
                                 : QJsonValue(QString::fromStdString(result.message)));
    object.insert("labels", labels);
    object.insert("warnings", warnings);
    return object;
}

QJsonObject recordJson(const DesignRecord& record) {
    QJsonObject object;
    forEachRecordField(record, [&](std::string_view name, const RecordFieldValue& value) {
        const QString key = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<T, std::string>) {
                    object.insert(key, QString::fromStdString(v));
                } else {
                    object.insert(key, static_cast<double>(v));
                }
            },
            value);
    });
    return object;
}

void addRangeNotice(QJsonObject& object, std::string_view rangeNotice) {
    if (rangeNotice.empty()) return;
    object.insert("rangeNotice",
                  QString::fromUtf8(rangeNotice.data(), qsizetype(rangeNotice.size())));
}

void printResultGroups(const CalculationResult& result, const ResultCollector& view,
                       QTextStream& out, std::string_view rangeNotice) {
    if (!result.completed()) out << "计算失败：" << QString::fromStdString(result.message) << "\n";
    if (!rangeNotice.empty()) {
        out << "注意：" << QString::fromUtf8(rangeNotice.data(), qsizetype(rangeNotice.size()))
            << "\n";
    }
    if (!result.completed()) {
        if (view.texts.empty()) return;
        out << "失败前已写出的结果：\n";
    }
    for (const ResultGroup& group : resultGroups()) {
        bool captionWritten = false;
        for (const ResultLabel& label : group.labels) {
            const auto text = view.texts.find(std::string(label.name));
            if (text == view.texts.end()) continue;
            if (!captionWritten) {
                out << "\n" << QString::fromUtf8(group.caption.data()).trimmed() << "\n";
                captionWritten = true;
            }
            out << "  " << QString::fromStdString(text->second);
            if (view.warnings.count(std::string(label.name))) out << "    <-- 超出推荐范围（红色）";
            out << "\n";
        }
    }
}

namespace {

QString qt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QJsonObject designJson(const FormState& form, const DesignController& design,
                       const ResultCollector& view, bool ok) {
    QJsonObject inputs;
    for (const char* field : kEditFields) inputs.insert(field, qt(form.text(field)));
    const AccuracyValues& a = design.accuracyValues();
    const QJsonObject accuracy{
        {"accuracyValue3", qt(a.accuracyValue3)},   {"accuracyValue4", qt(a.accuracyValue4)},
        {"accuracyValue8", qt(a.accuracyValue8)},   {"accuracyValue9", qt(a.accuracyValue9)},
        {"accuracyValue10", qt(a.accuracyValue10)}, {"accuracyValue11", qt(a.accuracyValue11)}};
    QJsonArray messages;
    for (const std::string& message : form.messages) messages.append(qt(message));

    QJsonObject object = resultJson(CalculationResult{}, view);
    object.insert("ok", ok);
    object.insert("message", form.messages.empty() ? QJsonValue(QJsonValue::Null)
                                                   : QJsonValue(qt(form.messages.back())));
    object.insert("messages", messages);
    object.insert("inputs", inputs);
    object.insert("accuracy", accuracy);
    addRangeNotice(object, designRangeNotice(form.text("Edit1"), form.text("Edit2")));
    if (ok) {
        QJsonArray geometry;
        for (const std::string& text : model::generationFindingTexts(design.record(), form.text("Edit10")))
            geometry.append(qt(text));
        object.insert("geometry", geometry);
    }
    return object;
}

void printDesign(const FormState& form, const DesignController& design, const ResultCollector& view,
                 bool ok, QTextStream& out) {
    out << "输入与推荐参数\n";
    for (std::size_t i = 0; i < kEditFields.size(); ++i) {
        out << "  " << QString::fromUtf8(kEditFieldCaptions[i]).leftJustified(6, QChar(0x3000))
            << qt(form.text(kEditFields[i])) << "\n";
    }
    const AccuracyValues& a = design.accuracyValues();
    out << "精度公差  " << qt(a.accuracyValue3) << " / " << qt(a.accuracyValue4) << " / "
        << qt(a.accuracyValue8) << " / " << qt(a.accuracyValue9) << " / " << qt(a.accuracyValue10)
        << " / " << qt(a.accuracyValue11) << "\n";
    for (const std::string& message : form.messages) out << "提示：" << qt(message) << "\n";
    printResultGroups(CalculationResult{}, view, out,
                      designRangeNotice(form.text("Edit1"), form.text("Edit2")));
    if (!ok) return;
    const auto findings = model::generationFindingTexts(design.record(), form.text("Edit10"));
    if (!findings.empty()) out << "\n加工检查\n";
    for (const std::string& text : findings) out << "  " << qt(text) << "\n";
}

}  // namespace wormpair
