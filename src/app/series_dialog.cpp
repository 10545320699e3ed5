#include "app/series_dialog.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QSortFilterProxyModel>

#include "app/forms/form_look.h"
#include "calc/numeric.h"
#include "series/series_design.h"
#include "ui_series_dialog.h"

namespace wormpair {

// The rows as a table: texts to show, numbers to sort by, red cells with
// their reason as the tip.
class SeriesTableModel : public QAbstractTableModel {
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(const std::vector<SeriesRow>* rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    const SeriesRow& row(int index) const { return (*m_rows)[static_cast<std::size_t>(index)]; }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || m_rows == nullptr ? 0 : static_cast<int>(m_rows->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(seriesColumns().size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || m_rows == nullptr) return {};
        const SeriesColumn& column = seriesColumns()[static_cast<std::size_t>(index.column())];
        const SeriesCell& cell = row(index.row()).cells[static_cast<std::size_t>(index.column())];
        const bool failure = column.kind == SeriesColumnKind::Message && !cell.text.empty();
        switch (role) {
            case Qt::DisplayRole:
                return QString::fromStdString(cell.text);
            case kSortRole:
                if (cell.isNumber) return cell.number;
                return QString::fromStdString(cell.text);
            case Qt::ToolTipRole:
                if (!cell.warning.empty()) return QString::fromStdString(cell.warning);
                if (failure) return QString::fromStdString(cell.text);
                return {};
            case Qt::BackgroundRole:
                if (!cell.warning.empty() || failure) return forms::warningColour();
                return {};
            case Qt::TextAlignmentRole:
                if (cell.isNumber) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
                return {};
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
            return QAbstractTableModel::headerData(section, orientation, role);
        }
        return QString::fromStdString(seriesColumns()[static_cast<std::size_t>(section)].caption);
    }

    static constexpr int kSortRole = Qt::UserRole;

  private:
    const std::vector<SeriesRow>* m_rows = nullptr;
};

// "只显示无警告": hides the rows with a warning or a failure.
class SeriesRowFilter : public QSortFilterProxyModel {
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setCleanOnly(bool cleanOnly) {
        m_cleanOnly = cleanOnly;
        invalidateRowsFilter();
    }

  protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex&) const override {
        if (!m_cleanOnly) return true;
        return static_cast<const SeriesTableModel*>(sourceModel())->row(sourceRow).clean();
    }

  private:
    bool m_cleanOnly = false;
};

TSeriesDialog::TSeriesDialog(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TSeriesDialog>()) {
    m_ui->setupUi(this);
    m_model = new SeriesTableModel(this);
    m_filter = new SeriesRowFilter(this);
    m_filter->setSourceModel(m_model);
    m_filter->setSortRole(SeriesTableModel::kSortRole);
    m_ui->ResultsTable->setModel(m_filter);
    m_ui->ResultsTable->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    // a line of text a row: a series is read many rows at a time
    m_ui->ResultsTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_ui->ResultsTable->sortByColumn(-1, Qt::AscendingOrder);  // the order designed until asked

    const auto standardSeries = [this] {
        m_ui->CentreDistancesEdit->setText(QString::fromStdString(standardCentreDistancesText()));
        m_ui->RatiosEdit->setText(QString::fromStdString(standardRatiosText()));
    };
    standardSeries();
    // full-width numbers of an input method shown as they will be read
    for (QLineEdit* list : {m_ui->CentreDistancesEdit, m_ui->RatiosEdit}) {
        connect(list, &QLineEdit::textEdited, this, [list](const QString& typed) {
            const QString ascii = QString::fromStdString(asciiNumberText(typed.toStdString()));
            if (ascii == typed) return;
            const int cursor = list->cursorPosition();  // one character for one
            list->setText(ascii);
            list->setCursorPosition(cursor);
        });
    }
    connect(m_ui->StandardSeriesButton, &QPushButton::clicked, this, standardSeries);
    connect(m_ui->DesignButton, &QPushButton::clicked, this, [this] {
        if (onDesign) onDesign();
    });
    connect(m_ui->ExportButton, &QPushButton::clicked, this, [this] {
        if (onExport) onExport();
    });
    connect(m_ui->CloseButton, &QPushButton::clicked, this, &QDialog::close);
    connect(m_ui->CleanOnlyBox, &QCheckBox::toggled, this,
            [this](bool checked) { m_filter->setCleanOnly(checked); });
    connect(m_ui->ResultsTable, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        const QModelIndex source = m_filter->mapToSource(index);
        if (source.isValid() && onOpenRow) onOpenRow(static_cast<std::size_t>(source.row()));
    });
}

TSeriesDialog::~TSeriesDialog() = default;

TSeriesDialog::Request TSeriesDialog::request() const {
    Request r;
    r.centreDistances = m_ui->CentreDistancesEdit->text();
    r.ratios = m_ui->RatiosEdit->text();
    r.starts = m_ui->StartsList->currentText();
    r.grade = m_ui->GradeList->currentText().toInt();
    r.standardBacklash = m_ui->StandardBacklashBox->isChecked();
    r.wholeNumber = m_ui->WholeNumberBox->isChecked();
    return r;
}

void TSeriesDialog::setGrade(int grade) { m_ui->GradeList->setCurrentIndex(grade - 6); }

bool TSeriesDialog::sheetPerCentreDistance() const {
    return m_ui->SheetPerCentreDistanceBox->isChecked();
}

void TSeriesDialog::showRows(const std::vector<SeriesRow>* rows, const QString& summary) {
    m_model->setRows(rows);
    m_ui->ResultsTable->resizeColumnsToContents();
    m_ui->ExportButton->setEnabled(rows != nullptr && !rows->empty());
    setStatus(summary);
}

void TSeriesDialog::setStatus(const QString& text) { m_ui->SummaryLabel->setText(text); }

QTableView& TSeriesDialog::table() { return *m_ui->ResultsTable; }

std::vector<std::size_t> TSeriesDialog::shownRows() const {
    std::vector<std::size_t> shown;
    shown.reserve(static_cast<std::size_t>(m_filter->rowCount()));
    for (int r = 0; r < m_filter->rowCount(); ++r) {
        shown.push_back(static_cast<std::size_t>(m_filter->mapToSource(m_filter->index(r, 0)).row()));
    }
    return shown;
}

}  // namespace wormpair
