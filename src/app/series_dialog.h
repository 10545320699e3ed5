#pragma once

#include <QDialog>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace Ui {
class TSeriesDialog;
}

class QTableView;

namespace wormpair {

struct SeriesRow;
class SeriesTableModel;
class SeriesRowFilter;

// 系列设计: the two lists with the starts, the grade and the options, and the
// table of the designed pairs (sortable, red cells with their reason in the
// tip, "只显示无警告"). The buttons and a double-click on a row call the
// handlers; the dialog itself designs nothing.
class TSeriesDialog : public QDialog {
    Q_OBJECT

  public:
    explicit TSeriesDialog(QWidget* parent = nullptr);
    ~TSeriesDialog() override;

    // What the user typed and chose.
    struct Request {
        QString centreDistances;
        QString ratios;
        QString starts;  // "自动", "1", "2" or "4"
        int grade = 7;
        bool standardBacklash = true;
        bool wholeNumber = false;
    };
    Request request() const;
    void setGrade(int grade);
    bool sheetPerCentreDistance() const;

    // Shows these rows (kept by the caller while shown) and the summary.
    void showRows(const std::vector<SeriesRow>* rows, const QString& summary);
    void setStatus(const QString& text);

    std::function<void()> onDesign;
    std::function<void()> onExport;
    std::function<void(std::size_t row)> onOpenRow;  // index into the rows shown

    QTableView& table();
    // The rows the table shows, as indices into the rows, in the order shown
    // (the filter and the sort applied).
    std::vector<std::size_t> shownRows() const;

  private:
    std::unique_ptr<Ui::TSeriesDialog> m_ui;
    SeriesTableModel* m_model = nullptr;
    SeriesRowFilter* m_filter = nullptr;
};

}  // namespace wormpair
