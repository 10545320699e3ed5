#include "app/analysis_commands.h"

#include "app/file_saving.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

#include "analysis/contact_report.h"
#include "analysis/pattern_report.h"
#include "drawing/sheet_painter.h"
#include "input/design_snapshot.h"
#include "input/form_state.h"
#include "model/model_types.h"
#include "store/program_layout.h"

namespace wormpair {

namespace {

QString qt(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// The wheel flank as the marking test leaves it: across the face width left
// to right, root (bottom) to tip (top); the marked samples red, the others
// the darker the nearer the worm came, white where it never passed; the
// plane's contact lines blue.
QPixmap patternPicture(const analysis::PatternMap& map, QSize size) {
    QPixmap picture(size);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    const QRectF area(40, 10, size.width() - 50, size.height() - 40);
    const double w = area.width() / map.heights, h = area.height() / map.radii;
    for (int j = 0; j < map.heights; ++j) {
        for (int i = 0; i < map.radii; ++i) {
            const std::size_t k = static_cast<std::size_t>(j * map.radii + i);
            const double gap = map.gaps[k];
            QColor colour = Qt::white;
            if (map.marked[k]) {
                colour = QColor(200, 30, 30);
            } else if (!std::isnan(gap)) {
                const int shade = 120 + static_cast<int>(135 * std::min(1.0, gap / 0.05));
                colour = QColor(shade, shade, shade);
            }
            painter.fillRect(
                QRectF(area.left() + j * w, area.bottom() - (i + 1) * h, w + 0.5, h + 0.5), colour);
        }
    }
    // the plane's contact lines at seven positions of one pitch
    painter.setPen(QPen(QColor(20, 60, 200), 1.2));
    for (const auto& line : analysis::contactLinesInCells(map)) {
        QPolygonF polyline;
        for (const auto& [x, y] : line)
            polyline << QPointF(area.left() + x * w, area.bottom() - y * h);
        painter.drawPolyline(polyline);
    }
    painter.setPen(Qt::black);
    painter.drawRect(area);
    painter.drawText(QRectF(area.left(), area.bottom() + 4, area.width(), 20), Qt::AlignCenter,
                     QStringLiteral("齿宽方向（左：-z，右：+z）"));
    painter.save();
    painter.translate(area.left() - 8, area.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-area.height() / 2, -20, area.height(), 20), Qt::AlignCenter,
                     QStringLiteral("齿根 → 齿顶"));
    painter.restore();
    return picture;
}

// What both analysis dialogs share: the settings' form beside the picture,
// the numbers below, and 计算, 导出CSV…, 导出报告… (the exports once something
// is computed) and 关闭.
struct AnalysisDialog {
    QLabel* picture;
    QLabel* numbers;
    QPushButton *compute, *save, *report;

    void computed(const QString& text) const {
        numbers->setText(text);
        save->setEnabled(true);
        report->setEnabled(true);
    }
};

AnalysisDialog analysisDialog(QDialog& dialog, QFormLayout* form, QSize picture,
                              const QString& prompt) {
    AnalysisDialog parts{};
    parts.picture = new QLabel(&dialog);
    parts.picture->setMinimumSize(picture);
    parts.numbers = new QLabel(prompt, &dialog);
    parts.numbers->setWordWrap(true);
    parts.numbers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    parts.compute = buttons->addButton(QStringLiteral("计算"), QDialogButtonBox::ActionRole);
    parts.save = buttons->addButton(QStringLiteral("导出CSV…"), QDialogButtonBox::ActionRole);
    parts.report = buttons->addButton(QStringLiteral("导出报告…"), QDialogButtonBox::ActionRole);
    parts.save->setEnabled(false);
    parts.report->setEnabled(false);
    auto* top = new QHBoxLayout;
    top->addLayout(form);
    top->addWidget(parts.picture, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(top);
    layout->addWidget(parts.numbers);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return parts;
}

QString summary(const analysis::PatternMap& map) {
    const auto percent = [](double share) { return QString::number(100 * share, 'f', 1) + "%"; };
    return QStringLiteral(
               "接触斑点占齿面 %1，沿齿长 %2，沿齿高 %3；中心距中间平面 %4 mm，"
               "半径 %5 mm；最先接触处转过侧隙前的法向间隙 %6 mm（节点处 %7 mm）")
        .arg(percent(map.flankShare), percent(map.lengthShare), percent(map.heightShare))
        .arg(map.centre.z, 0, 'f', 3)
        .arg(std::hypot(map.centre.x, map.centre.y), 0, 'f', 3)
        .arg(map.firstContact, 0, 'f', 4)
        .arg(map.pitchClearance, 0, 'f', 4);
}

}  // namespace

AnalysisCommands::AnalysisCommands(const Platform& platform, const MainForm& form,
                                   const DesignController& design, const ProgramLayout& layout,
                                   QWidget* parent)
    : m_platform(platform), m_form(form), m_design(design), m_layout(layout), m_parent(parent) {}

QString AnalysisCommands::proposedName(const QString& what, const QString& extension) const {
    const DesignSnapshot s = designSnapshot(m_form, m_design);
    return qt(s.centreDistance) + "-" + qt(s.wheelTeeth) + "-" + what + extension;
}

bool AnalysisCommands::writeCsv(const QString& proposed, const std::string& text) {
    return saveChosenFile(m_platform, FileDialogs::Kind::Model, QStringLiteral("CSV 文件|*.csv"),
                          ".csv", proposed,
                          [&] { return std::vector<std::uint8_t>(text.begin(), text.end()); });
}

bool AnalysisCommands::runAnalysis(const QString& what, const std::function<void()>& work) {
    try {
        return m_platform.work.run(what, [&](WorkProgress&) { work(); });
    } catch (const std::exception& e) {
        m_platform.messages.inform(
            QStringLiteral("无法求") + what + QStringLiteral("：") + QString::fromUtf8(e.what()),
            QString());
        return false;
    }
}

bool AnalysisCommands::savePdf(const QString& proposed, const QByteArray& pdf) {
    return saveChosenFile(m_platform, FileDialogs::Kind::Model, QStringLiteral("PDF 文件|*.pdf"),
                          ".pdf", proposed,
                          [&] { return std::vector<std::uint8_t>(pdf.begin(), pdf.end()); });
}

std::optional<analysis::PatternMap> AnalysisCommands::computePattern(
    const analysis::PatternSettings& settings) {
    const DesignSnapshot design = designSnapshot(m_form, m_design);
    const std::string directory = m_layout.programDirectory.toStdString();
    std::optional<analysis::PatternMap> map;
    if (!runAnalysis(QStringLiteral("接触斑点"),
                     [&] { map = analysis::markingPattern(directory, design, settings); }))
        return std::nullopt;
    return map;
}

std::optional<analysis::ContactMap> AnalysisCommands::computeContactLines(
    const analysis::ContactSettings& settings) {
    const DesignSnapshot design = designSnapshot(m_form, m_design);
    const std::string directory = m_layout.programDirectory.toStdString();
    std::optional<analysis::ContactMap> map;
    if (!runAnalysis(QStringLiteral("接触线"),
                     [&] { map = analysis::contactMap(directory, design, settings); }))
        return std::nullopt;
    return map;
}

void AnalysisCommands::showContactLines() {
    if (m_contactDialog) {
        m_contactDialog();
        return;
    }
    QDialog dialog(m_parent);
    dialog.setWindowTitle(QStringLiteral("接触线"));
    auto* worm = new QComboBox(&dialog);
    worm->addItem(QStringLiteral("磨削修形后的蜗杆"));
    worm->addItem(QStringLiteral("理论蜗杆（未修形）"));
    auto* positions = new QSpinBox(&dialog);
    positions->setRange(1, 60);
    positions->setValue(7);
    positions->setToolTip(QStringLiteral("一个蜗轮齿距内均分的位置数；位置越多，色图越满"));
    auto* speed = new QDoubleSpinBox(&dialog);
    speed->setDecimals(0);
    speed->setRange(1, 100000);
    speed->setValue(1000);
    speed->setSuffix(" r/min");
    auto* quantity = new QComboBox(&dialog);
    for (const analysis::ContactQuantity q : analysis::kContactQuantities)
        quantity->addItem(analysis::contactQuantityCaption(q), static_cast<int>(q));
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("蜗杆"), worm);
    form->addRow(QStringLiteral("位置数"), positions);
    form->addRow(QStringLiteral("蜗杆转速"), speed);
    form->addRow(QStringLiteral("着色"), quantity);
    const AnalysisDialog parts =
        analysisDialog(dialog, form, {720, 510}, QStringLiteral("按“计算”求接触线。"));
    QLabel* picture = parts.picture;
    std::optional<analysis::ContactMap> shown;
    analysis::ContactSettings settings;
    const auto draw = [&] {
        if (!shown) return;
        QPixmap pixmap(picture->size());
        pixmap.fill(Qt::white);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        drawing::paintSheet(
            painter,
            drawing::contactMapsSheet(analysis::contactMaps(
                *shown, static_cast<analysis::ContactQuantity>(quantity->currentData().toInt()))),
            QRectF(QPointF(0, 0), QSizeF(pixmap.size())));
        painter.end();
        picture->setPixmap(pixmap);
    };
    QObject::connect(parts.compute, &QPushButton::clicked, &dialog, [&] {
        settings.worm =
            worm->currentIndex() == 0 ? model::WormKind::Ground : model::WormKind::Nominal;
        settings.positions = positions->value();
        settings.wormSpeed = speed->value();
        if (auto map = computeContactLines(settings)) {
            shown = std::move(map);
            draw();
            parts.computed(analysis::contactSummary(*shown));
        }
    });
    QObject::connect(quantity, &QComboBox::currentIndexChanged, &dialog, [&] { draw(); });
    QObject::connect(parts.save, &QPushButton::clicked, &dialog, [&] {
        if (shown) writeCsv(proposedName(QStringLiteral("接触线"), ".csv"), shown->csv);
    });
    QObject::connect(parts.report, &QPushButton::clicked, &dialog, [&] {
        if (!shown) return;
        savePdf(proposedName(QStringLiteral("接触线报告"), ".pdf"),
                drawing::sheetPdf(
                    analysis::contactReport(designSnapshot(m_form, m_design), *shown, settings)));
    });
    dialog.exec();
}

void AnalysisCommands::showMarkingPattern() {
    std::optional<analysis::PatternLimits> limits;
    try {
        limits = analysis::patternLimits(m_layout, designSnapshot(m_form, m_design));
    } catch (const std::exception& e) {
        m_platform.messages.inform(QString::fromUtf8(e.what()), QString());
        return;
    }
    if (!limits) {
        m_platform.messages.inform(
            QStringLiteral("精度表中没有本设计中心距的装配公差，无法限定装配误差"), QString());
        return;
    }
    if (m_dialog) {
        m_dialog(*limits);
        return;
    }
    QDialog dialog(m_parent);
    dialog.setWindowTitle(QStringLiteral("接触斑点"));
    auto* worm = new QComboBox(&dialog);
    worm->addItem(QStringLiteral("磨削修形后的蜗杆"));
    worm->addItem(QStringLiteral("理论蜗杆（未修形）"));
    const auto field = [&](double limit, int decimals, const QString& unit, const QString& symbol) {
        auto* box = new QDoubleSpinBox(&dialog);
        box->setDecimals(decimals);
        box->setRange(-limit, limit);
        box->setSingleStep(limit / 4);
        box->setSuffix(" " + unit);
        box->setToolTip(
            QStringLiteral("本设计精度允许 ±%1 %2（%3）").arg(limit, 0, 'g', 6).arg(unit, symbol));
        return box;
    };
    auto* deltaA = field(limits->centreDistance, 4, "mm", "±fa");
    auto* wheelShift = field(limits->shift, 4, "mm", "±fx");
    auto* wormShift = field(limits->shift, 4, "mm", "±fx");
    auto* shaftAngle = field(limits->shaftAngle, 5, "°", "±fΣ");
    auto* compound = new QDoubleSpinBox(&dialog);
    compound->setDecimals(4);
    compound->setRange(0.001, 0.1);
    compound->setSingleStep(0.001);
    compound->setValue(0.006);
    compound->setSuffix(" mm");
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("蜗杆"), worm);
    form->addRow(QStringLiteral("中心距误差 Δa"), deltaA);
    form->addRow(QStringLiteral("蜗轮轴向位移"), wheelShift);
    form->addRow(QStringLiteral("蜗杆轴向位移"), wormShift);
    form->addRow(QStringLiteral("轴交角误差"), shaftAngle);
    form->addRow(QStringLiteral("涂料厚度"), compound);
    const AnalysisDialog parts =
        analysisDialog(dialog, form, {460, 260}, QStringLiteral("设定装配误差后按“计算”。"));
    QLabel* picture = parts.picture;
    std::optional<analysis::PatternMap> shown;
    analysis::PatternSettings settings;
    QObject::connect(parts.compute, &QPushButton::clicked, &dialog, [&] {
        settings.worm =
            worm->currentIndex() == 0 ? model::WormKind::Ground : model::WormKind::Nominal;
        settings.centreDistanceError = deltaA->value();
        settings.wheelShift = wheelShift->value();
        settings.wormShift = wormShift->value();
        settings.shaftAngleError = shaftAngle->value();
        settings.compound = compound->value();
        if (auto map = computePattern(settings)) {
            shown = std::move(map);
            picture->setPixmap(patternPicture(*shown, picture->size()));
            parts.computed(summary(*shown));
        }
    });
    QObject::connect(parts.save, &QPushButton::clicked, &dialog, [&] {
        if (shown) writeCsv(proposedName(QStringLiteral("接触斑点"), ".csv"), shown->csv);
    });
    QObject::connect(parts.report, &QPushButton::clicked, &dialog, [&] {
        if (!shown) return;
        savePdf(proposedName(QStringLiteral("啮合分析报告"), ".pdf"),
                drawing::sheetPdf(
                    analysis::patternReport(designSnapshot(m_form, m_design), *shown, settings)));
    });
    dialog.exec();
}

}  // namespace wormpair
