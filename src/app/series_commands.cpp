#include "app/series_commands.h"

#include <QFileInfo>

#include <exception>

#include "app/design_file_commands.h"
#include "app/lifecycle_commands.h"
#include "app/series_dialog.h"
#include "input/design_controller.h"
#include "input/design_file_open.h"
#include "input/main_form.h"
#include "series/series_output.h"

namespace wormpair {

const char* const SeriesCommands::kTitle = "系列设计";
const char* const SeriesCommands::kExportFilter = "Excel 97-2003 工作簿|*.xls";

namespace {

// Progress is reported this often: each report crosses to the window's thread.
constexpr std::size_t kReportEvery = 16;

QString qt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

SeriesCommands::SeriesCommands(const Platform& platform, MainForm& form, DesignController& design,
                               const ParameterDatabase& database, LifecycleCommands& lifecycle,
                               QWidget& window)
    : m_platform(platform),
      m_form(form),
      m_design(design),
      m_database(database),
      m_lifecycle(lifecycle),
      m_window(window) {}

SeriesCommands::~SeriesCommands() = default;

TSeriesDialog& SeriesCommands::dialog() {
    if (!m_dialog) {
        m_dialog = std::make_unique<TSeriesDialog>(&m_window);
        m_dialog->setGrade(m_form.currentIndex(kGradeList) + 6);
        const auto guarded = [this](void (SeriesCommands::*command)()) {
            return [this, command] {
                try {
                    (this->*command)();
                } catch (const std::exception& e) {
                    m_platform.messages.inform(QString::fromUtf8(e.what()), QString());
                }
            };
        };
        m_dialog->onDesign = guarded(&SeriesCommands::designSeries);
        m_dialog->onExport = guarded(&SeriesCommands::exportSeries);
        m_dialog->onOpenRow = [this](std::size_t row) {
            try {
                openRow(row);
            } catch (const std::exception& e) {
                m_platform.messages.inform(QString::fromUtf8(e.what()), QString());
            }
        };
    }
    return *m_dialog;
}

void SeriesCommands::showDialog() {
    TSeriesDialog& shown = dialog();
    shown.show();
    shown.raise();
    shown.activateWindow();
}

void SeriesCommands::designSeries() {
    const TSeriesDialog::Request request = dialog().request();
    const auto refuse = [this](const std::string& problem) {
        m_platform.messages.inform(qt(problem), QString::fromUtf8(kTitle));
    };
    const SeriesList centreDistances =
        readSeriesList(request.centreDistances.toStdString(), "中心距");
    if (!centreDistances.ok()) return refuse(centreDistances.problem);
    const SeriesList ratios = readSeriesList(request.ratios.toStdString(), "速比");
    if (!ratios.ok()) return refuse(ratios.problem);
    const StartsChoice starts = readWormStarts(request.starts.toStdString());
    if (!starts.ok()) return refuse(starts.problem);
    SeriesOptions options;
    options.wormStarts = starts.starts;
    options.grade = request.grade;
    options.standardBacklash = request.standardBacklash;
    options.wholeNumber = request.wholeNumber;
    const SeriesPlan plan = planSeries(centreDistances.entries, ratios.entries, options);
    if (!plan.ok()) return refuse(plan.problem);

    // Read here, on the window's thread: the designs then read no file.
    PreloadedRuleTables tables(m_database);
    const CoefficientSet coefficients = m_design.coefficients();
    std::vector<SeriesRow> rows;
    const bool finished =
        m_platform.work.run(QString::fromUtf8(kTitle), [&](WorkProgress& progress) {
            rows = wormpair::designSeries(
                tables, coefficients, plan, options, [&](std::size_t done, std::size_t total) {
                    if (done % kReportEvery == 0) {
                        progress.report(static_cast<int>(done), static_cast<int>(total),
                                        QStringLiteral("正在设计第 %1 对，共 %2 对……")
                                            .arg(done + 1)
                                            .arg(total));
                    }
                    return !progress.cancelled();
                });
        });
    if (!finished) {
        dialog().setStatus(
            m_rows.empty()
                ? QStringLiteral("系列设计已取消")
                : QStringLiteral("系列设计已取消；表中仍是上次的 %1 个设计").arg(m_rows.size()));
        return;
    }
    // the table lets go of the old rows before they are replaced
    dialog().showRows(nullptr, {});
    m_rows = std::move(rows);
    m_options = options;
    dialog().showRows(&m_rows, qt(seriesSummary(m_rows)));
}

void SeriesCommands::exportSeries() {
    if (m_rows.empty()) return;
    // what the table shows, filtered and sorted as it stands
    std::vector<SeriesRow> shown;
    for (const std::size_t index : dialog().shownRows()) shown.push_back(m_rows[index]);
    if (shown.empty()) {
        m_platform.messages.inform(QStringLiteral("表中没有显示任何设计，没有可导出的内容"),
                                   QString::fromUtf8(kTitle));
        return;
    }
    QString path =
        m_platform.files.saveFileName(FileDialogs::Kind::Series, QString::fromUtf8(kExportFilter),
                                      QString::fromUtf8(kTitle));
    if (path.isEmpty()) return;
    std::optional<SeriesFormat> format = seriesFormatOf(path.toStdString());
    if (!format) {
        path += ".xls";
        format = SeriesFormat::Workbook;
    }
    if (QFileInfo::exists(path) &&
        !m_platform.messages.askYesNo(DesignFileCommands::overwriteQuestion(path))) {
        return;
    }
    try {
        writeSeries(path.toStdString(), *format, shown, m_options,
                    dialog().sheetPerCentreDistance());
    } catch (const std::exception&) {
        m_platform.messages.inform(
            QStringLiteral(
                "导出失败：不能写入文件“%1”（文件夹不存在、只读或磁盘已满），原有文件保持不变")
                .arg(path),
            QString::fromUtf8(kTitle));
        return;
    }
    dialog().setStatus(
        shown.size() == m_rows.size()
            ? qt(seriesSummary(m_rows)) + QStringLiteral("，已导出到 ") + path
            : qt(seriesSummary(m_rows)) +
                  QStringLiteral("；已导出表中显示的 %1 个设计到 ").arg(shown.size()) + path);
}

void SeriesCommands::openRow(std::size_t index) {
    if (index >= m_rows.size()) return;
    const SeriesRow& row = m_rows[index];
    if (!row.completed) {
        m_platform.messages.inform(
            QStringLiteral("这一对没有完成设计，不能打开：") + qt(row.cell("message").text),
            QString::fromUtf8(kTitle));
        return;
    }
    if (!m_lifecycle.mayEnd()) return;  // the current design stays
    // the designation of a design file says whether the backlash is the standard one
    m_form.setChecked("CheckBox2", m_options.standardBacklash);
    applyDesignFile(m_form, m_design, seriesRowDesignTexts(row, m_options, m_form.text("Edit10")));
    // a design file only ever ticks 取整数; unticking it calculates the row again
    if (!m_options.wholeNumber) m_form.setChecked("CheckBox1", false);
    // a design of its own, bound to no file: Save asks where it goes
    m_design.document().designFilePath.clear();
    // the design is in view; the table waits for the next 系列设计…
    dialog().hide();
}

}  // namespace wormpair
