#include "app/model_commands.h"

#include "app/file_saving.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <numbers>

#include <cstdio>
#include <new>
#include <type_traits>
#include <variant>

#include "app/model_view.h"
#include "calc/numeric.h"
#include "input/design_snapshot.h"
#include "platform/file_replace.h"
#include "store/program_layout.h"

namespace wormpair {

namespace {

QString qt(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// The window's progress seen by the plain build.
class ProgressOfBuild : public model::BuildProgress {
  public:
    explicit ProgressOfBuild(WorkProgress& progress) : m_progress(progress) {}
    void report(int done, int total, std::string_view what) override {
        m_progress.report(done, total,
                          QString::fromUtf8(what.data(), static_cast<int>(what.size())));
    }
    bool cancelled() const override { return m_progress.cancelled(); }

  private:
    WorkProgress& m_progress;
};

const model::Colour kWormColour{196, 160, 96};
const model::Colour kWheelColour{176, 112, 72};
const model::Colour kHobColour{120, 140, 170};

struct FileKind {
    model::ModelFormat format;
    const char* filter;
    const char* extension;
};
constexpr FileKind kFiles[] = {
    {model::ModelFormat::Step, "STEP 三维模型|*.step", ".step"},
    {model::ModelFormat::Stl, "STL 三角网格|*.stl", ".stl"},
    {model::ModelFormat::Csv, "测量点 CSV|*.csv", ".csv"},
};
const FileKind& fileKind(model::ModelFormat format) {
    for (const FileKind& k : kFiles)
        if (k.format == format) return k;
    return kFiles[0];
}

// The built parts as the view shows them, each in its colour.
std::vector<ModelView::Item> viewItems(const model::BuiltModel& built) {
    const std::vector<model::BuiltPartSummary> parts = built.parts();
    std::vector<model::TriangleMesh> meshes = built.viewMeshes();
    std::vector<ModelView::Item> items;
    for (std::size_t k = 0; k < parts.size() && k < meshes.size(); ++k) {
        const std::string& name = parts[k].name;
        items.push_back(
            {std::move(meshes[k]), name == model::partName(model::ModelPart::Wheel) ? kWheelColour
                                   : name == model::partName(model::ModelPart::Hob) ? kHobColour
                                                                                    : kWormColour});
    }
    return items;
}

// The design's content as text: every field of the record (numbers in exact
// hexadecimal) and every text the models read, each with its length.
std::string designKey(const DesignSnapshot& d) {
    std::string key;
    const auto add = [&key](const std::string& text) {
        key += std::to_string(text.size()) + ':' + text;
    };
    forEachRecordField(d.record, [&](std::string_view, const RecordFieldValue& value) {
        std::visit(
            [&](const auto& v) {
                using T = std::decay_t<decltype(v)>;
                char number[64];
                if constexpr (std::is_same_v<T, std::string>) {
                    add(v);
                } else if constexpr (std::is_same_v<T, std::int32_t>) {
                    add(std::to_string(v));
                } else {
                    std::snprintf(number, sizeof number, "%La", static_cast<long double>(v));
                    add(number);
                }
            },
            value);
    });
    const AccuracyValues& a = d.accuracy;
    for (const std::string* text :
         {&a.accuracyValue3, &a.accuracyValue4, &a.accuracyValue8, &a.accuracyValue9,
          &a.accuracyValue10, &a.accuracyValue11, &d.centreDistance, &d.wheelTeeth, &d.wormStarts,
          &d.gradeDesignation, &d.hand, &d.entryRelief, &d.exitRelief, &d.grindingIncrement})
        add(*text);
    return key;
}

// The worm's kind matters to the parts with a worm alone.
std::pair<model::ModelPart, model::WormKind> partKey(model::ModelPart part, model::WormKind worm) {
    const bool withWorm = part == model::ModelPart::Worm || part == model::ModelPart::Pair;
    return {part, withWorm ? worm : model::WormKind::Ground};
}

}  // namespace

// The window that shows a built part, turns it and exports it.
class ModelWindow : public QWidget {
  public:
    ModelWindow(ModelCommands& commands, QWidget* parent)
        : QWidget(parent, Qt::Window), m_commands(commands) {
        setObjectName("ModelWindow");
        resize(900, 700);
        m_view = new ModelView(this);
        m_view->setObjectName("ModelView");
        m_summary = new QLabel(this);
        m_summary->setObjectName("ModelSummary");
        m_worm = new QComboBox(this);
        m_worm->setObjectName("ModelWormKind");
        m_worm->addItems(
            {QStringLiteral("磨削修形后的蜗杆"), QStringLiteral("理论蜗杆（未修形）")});
        m_wormLabel = new QLabel(QStringLiteral("蜗杆："), this);
        auto* step = new QPushButton(QStringLiteral("导出 STEP…"), this);
        step->setObjectName("ModelExportStep");
        auto* stl = new QPushButton(QStringLiteral("导出 STL…"), this);
        stl->setObjectName("ModelExportStl");
        auto* close = new QPushButton(QStringLiteral("关闭"), this);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(m_wormLabel);
        buttons->addWidget(m_worm);
        buttons->addStretch();
        buttons->addWidget(step);
        buttons->addWidget(stl);
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_view, 1);
        layout->addWidget(m_summary);
        layout->addLayout(buttons);
        connect(step, &QPushButton::clicked, this,
                [this] { m_commands.exportBuilt(model::ModelFormat::Step); });
        connect(stl, &QPushButton::clicked, this,
                [this] { m_commands.exportBuilt(model::ModelFormat::Stl); });
        connect(close, &QPushButton::clicked, this, &QWidget::close);
        connect(m_worm, &QComboBox::activated, this, [this](int index) {
            const auto kind = index == 0 ? model::WormKind::Ground : model::WormKind::Nominal;
            if (m_commands.build(m_part, kind)) showBuilt(m_part, kind);
        });
    }

    void showBuilt(model::ModelPart part, model::WormKind kind) {
        m_part = part;
        const model::BuiltModel& built = *m_commands.built();
        const bool withWorm = part == model::ModelPart::Worm || part == model::ModelPart::Pair;
        m_wormLabel->setVisible(withWorm);
        m_worm->setVisible(withWorm);
        m_worm->setCurrentIndex(kind == model::WormKind::Ground ? 0 : 1);
        setWindowTitle(QStringLiteral("三维模型 — ") + qt(model::partName(part)));
        QString summary;
        for (const model::BuiltPartSummary& p : built.parts()) {
            summary += QStringLiteral("%1：齿面拟合误差 %2 mm（法向 %3°）  ")
                           .arg(qt(p.name))
                           .arg(p.flankFit.distance, 0, 'f', 6)
                           .arg(p.flankFit.normalAngle * 180 / std::numbers::pi, 0, 'f', 4);
            if (!p.flankMakeup.empty()) summary += qt(p.flankMakeup) + QStringLiteral("  ");
        }
        m_summary->setText(summary + QStringLiteral("左键旋转，右键平移，滚轮缩放"));
        m_view->setView(model::ViewAngles{});
        m_view->setItems(m_commands.takeViewItems());
        show();
        raise();
    }

    ModelView& view() { return *m_view; }

  private:
    ModelCommands& m_commands;
    ModelView* m_view;
    QLabel* m_summary;
    QLabel* m_wormLabel;
    QComboBox* m_worm;
    model::ModelPart m_part = model::ModelPart::Worm;
};

ModelCommands::ModelCommands(const Platform& platform, const MainForm& form,
                             const DesignController& design, const ProgramLayout& layout,
                             QWidget* parent)
    : m_platform(platform), m_form(form), m_design(design), m_layout(layout), m_parent(parent) {}

ModelCommands::~ModelCommands() = default;

std::vector<ModelView::Item> ModelCommands::takeViewItems() { return std::move(m_items); }

model::DesignModels& ModelCommands::modelsFor(const DesignSnapshot& design) {
    std::string key = designKey(design);
    if (!m_models || key != m_keptDesign) {
        // the old design's parts go before the new design's evaluators come
        m_kept.clear();
        m_models.reset();
        m_keptDesign.clear();
        m_models = model::modelService(m_layout.programDirectory.toStdString()).models(design);
        m_keptDesign = std::move(key);
    }
    return *m_models;
}

void ModelCommands::releaseOtherDesigns() {
    if (!m_models || designKey(designSnapshot(m_form, m_design)) == m_keptDesign) return;
    m_kept.clear();
    m_models.reset();
    m_keptDesign.clear();
}

bool ModelCommands::build(model::ModelPart part, model::WormKind worm) {
    const DesignSnapshot snapshot = designSnapshot(m_form, m_design);
    try {
        model::DesignModels& models = modelsFor(snapshot);
        if (const auto found = m_kept.find(partKey(part, worm)); found != m_kept.end()) {
            m_built = found->second.built;
            m_items = found->second.items;
            m_part = part;
            return true;
        }
        std::unique_ptr<model::BuiltModel> result;
        std::vector<ModelView::Item> items;
        const bool finished =
            m_platform.work.run(QStringLiteral("生成三维模型：") + qt(model::partName(part)),
                                [&](WorkProgress& progress) {
                                    ProgressOfBuild adapter(progress);
                                    result = models.build(part, worm, &adapter);
                                    // the view's triangles too, away from the window's thread
                                    items = viewItems(*result);
                                });
        if (!finished || !result) return false;
        m_built = std::move(result);
        m_kept[partKey(part, worm)] = {m_built, items};
        m_items = std::move(items);
        m_part = part;
        return true;
    } catch (const model::BuildCancelled&) {
        return false;
    } catch (const model::ModelError& e) {
        m_platform.messages.inform(
            QStringLiteral("无法生成三维模型：") + QString::fromUtf8(e.what()), QString());
        return false;
    } catch (const std::bad_alloc&) {
        m_platform.messages.inform(
            QStringLiteral("无法生成三维模型：") +
                qt(model::outOfMemoryMessage(snapshot.record, part)),
            QString());
        return false;
    }
}

void ModelCommands::showPart(model::ModelPart part) {
    if (!build(part, model::WormKind::Ground)) return;
    if (!m_window) m_window = new ModelWindow(*this, m_parent);
    m_window->showBuilt(part, model::WormKind::Ground);
}

QString ModelCommands::proposedName(const QString& what, const char* extension) const {
    const DesignRecord& r = designSnapshot(m_form, m_design).record;
    return QStringLiteral("%1-%2-%3%4")
        .arg(qt(formatReal(r.centreDistance)), qt(formatReal(r.actualRatio)), what,
             QString::fromLatin1(extension));
}

// Asks for a file of the format's kind and writes what `bytes` makes.
static bool writeFile(const Platform& platform, const QString& proposed, model::ModelFormat format,
                      const std::function<std::vector<std::uint8_t>()>& bytes) {
    const FileKind& kind = fileKind(format);
    return saveChosenFile(platform, FileDialogs::Kind::Model, QString::fromUtf8(kind.filter),
                          QString::fromLatin1(kind.extension), proposed, bytes);
}

bool ModelCommands::exportBuilt(model::ModelFormat format) {
    if (!m_built) return false;
    const model::BuiltModel& built = *m_built;
    return writeFile(m_platform,
                     proposedName(qt(model::partName(m_part)), fileKind(format).extension), format,
                     [&] { return built.fileBytes(format); });
}

std::optional<InspectionRequest> ModelCommands::chooseInspection() {
    if (m_chooser) return m_chooser();
    QDialog dialog(m_parent);
    dialog.setWindowTitle(QStringLiteral("测量点"));
    auto* flank = new QComboBox(&dialog);
    for (auto f : {model::InspectedFlank::WormFirst, model::InspectedFlank::WormSecond,
                   model::InspectedFlank::Wheel, model::InspectedFlank::HobFirst,
                   model::InspectedFlank::HobSecond})
        flank->addItem(qt(model::inspectedFlankName(f)), static_cast<int>(f));
    auto* worm = new QComboBox(&dialog);
    worm->addItems({QStringLiteral("磨削修形后的蜗杆"), QStringLiteral("理论蜗杆（未修形）")});
    auto* rows = new QSpinBox(&dialog);
    auto* columns = new QSpinBox(&dialog);
    for (QSpinBox* box : {rows, columns}) {
        box->setRange(2, 200);
        box->setValue(9);
    }
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("齿面："), flank);
    form->addRow(QStringLiteral("蜗杆："), worm);
    form->addRow(QStringLiteral("行数（沿轴向或齿宽）："), rows);
    form->addRow(QStringLiteral("列数（齿根到齿顶）："), columns);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    InspectionRequest request;
    request.flank = static_cast<model::InspectedFlank>(flank->currentData().toInt());
    request.worm = worm->currentIndex() == 0 ? model::WormKind::Ground : model::WormKind::Nominal;
    request.grid = {rows->value(), columns->value()};
    return request;
}

void ModelCommands::exportInspectionPoints() {
    const std::optional<InspectionRequest> request = chooseInspection();
    if (!request) return;
    const DesignSnapshot snapshot = designSnapshot(m_form, m_design);
    try {
        model::DesignModels& models = modelsFor(snapshot);
        QString name = qt(model::inspectedFlankName(request->flank));
        name = name.left(name.indexOf(QStringLiteral("（")));
        writeFile(m_platform, proposedName(name, ".csv"), model::ModelFormat::Csv, [&] {
            const std::string csv =
                models.inspectionCsv(request->flank, request->worm, request->grid);
            return std::vector<std::uint8_t>(csv.begin(), csv.end());
        });
    } catch (const model::ModelError& e) {
        m_platform.messages.inform(QStringLiteral("无法生成测量点：") + QString::fromUtf8(e.what()),
                                   QString());
    }
}

}  // namespace wormpair
