#include "app/rule_settings_dialog.h"

#include <QDataWidgetMapper>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QStyledItemDelegate>

#include "app/forms/form_look.h"
#include "platform/platform.h"
#include "platform/text.h"
#include "store/parameter_database.h"
#include "store/parameter_schema.h"
#include "store/store_messages.h"
#include "ui_form5.h"

namespace wormpair {

const char* const TForm5::kSavedMessage = kRulesSaved.data();
const char* const TForm5::kSaveFailedMessage = kRulesSaveFailed.data();

namespace {

// N goes back into the table as a number, as it is stored; a text that is no
// number stays text, for Save to refuse.
class ValueDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (edit == nullptr) return QStyledItemDelegate::setModelData(editor, model, index);
        const std::optional<double> number = finiteNumberOf(edit->text());
        model->setData(index, number ? QVariant(*number) : QVariant(edit->text()));
    }
};

// Long formula texts are read in full from the cell's tip.
class TipProxy : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::ToolTipRole) return QIdentityProxyModel::data(index, Qt::DisplayRole);
        return QIdentityProxyModel::data(index, role);
    }
};

}  // namespace

TForm5::TForm5(MessageBoxes& messages, const ParameterDatabase& database,
               std::function<void()> reload, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::TForm5>()),
      m_messages(messages),
      m_database(database),
      m_reload(std::move(reload)) {
    m_ui->setupUi(this);
    forms::fixWindow(*this, true, true);
    setFixedSize(627, 384);
    setModal(true);
    QTableView& grid = *m_ui->DBGrid1;
    grid.verticalHeader()->setDefaultSectionSize(18);
    grid.verticalHeader()->setMinimumSectionSize(18);
    grid.horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid.horizontalHeader()->setFixedHeight(20);
    grid.setWordWrap(false);
    m_ui->DBText1->setTextInteractionFlags(Qt::NoTextInteraction);
    // the refusal's cause, as the failure message itself is fixed
    m_saveProblem = new QLabel(this);
    m_saveProblem->setObjectName(QStringLiteral("saveProblem"));
    m_saveProblem->setGeometry(529, 24, 94, 280);
    m_saveProblem->setWordWrap(true);
    m_saveProblem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_saveProblem->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0)"));
    connect(m_ui->Button1, &QPushButton::clicked, this, &TForm5::save);
    connect(m_ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TForm5::~TForm5() { closeTable(); }

void TForm5::run() {
    closeTable();
    if (!openTable()) {
        closeTable();
        m_messages.inform(toQString(kDataInitialisationFailed), toQString(kPromptCaption));
        return;
    }
    forms::centre(*this);
    exec();
}

bool TForm5::openTable() {
    ParameterTable table;
    try {
        table = m_database.readTable(schema::nzhi::kTable);
    } catch (const DatabaseError&) {
        return false;
    }
    m_valueColumn = static_cast<int>(table.columnNames().indexOf(schema::nzhi::kValueName));
    const int formulaColumn = static_cast<int>(table.columnNames().indexOf(schema::nzhi::kFormulaName));
    if (table.rowCount() == 0 || m_valueColumn < 0 || formulaColumn < 0) return false;

    m_model = new QStandardItemModel(table.rowCount(), table.columnCount(), this);
    m_model->setHorizontalHeaderLabels(table.columnNames());
    m_storedValues.clear();
    for (int row = 0; row < table.rowCount(); ++row) {
        for (int column = 0; column < table.columnCount(); ++column) {
            auto* item = new QStandardItem;
            item->setData(table.value(row, column), Qt::EditRole);
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            m_model->setItem(row, column, item);
        }
        m_storedValues.push_back(table.value(row, m_valueColumn));
    }

    auto* proxy = new TipProxy(m_model);
    proxy->setSourceModel(m_model);
    QTableView& grid = *m_ui->DBGrid1;
    grid.setModel(proxy);
    // the formula column takes what the others leave
    int used = 0;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (column == formulaColumn) continue;
        grid.resizeColumnToContents(column);
        used += grid.columnWidth(column);
    }
    const int available = grid.viewport()->width() - grid.verticalHeader()->width() - used;
    grid.setColumnWidth(formulaColumn, std::max(120, available + grid.verticalHeader()->width()));

    m_mapper = new QDataWidgetMapper(m_model);
    m_mapper->setModel(m_model);
    m_mapper->setItemDelegate(new ValueDelegate(m_mapper));
    m_mapper->setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    m_mapper->addMapping(m_ui->DBEdit1, m_valueColumn);
    m_mapper->addMapping(m_ui->DBText1, formulaColumn, "text");
    // a formula longer than the field is read in full from its tip
    connect(m_mapper, &QDataWidgetMapper::currentIndexChanged, m_ui->DBText1,
            [this] { m_ui->DBText1->setToolTip(m_ui->DBText1->text()); });
    connect(grid.selectionModel(), &QItemSelectionModel::currentRowChanged, m_mapper,
            [this](const QModelIndex& current) {
                // leaving a row posts its edit into the grid's model
                m_mapper->submit();
                m_mapper->setCurrentIndex(current.row());
            });
    grid.selectRow(0);
    m_mapper->setCurrentIndex(0);
    m_ui->DBEdit1->setFocus();
    return true;
}

std::optional<QString> TForm5::editedValues(std::vector<std::pair<int, double>>& values) const {
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QVariant value = m_model->item(row, m_valueColumn)->data(Qt::EditRole);
        if (value == m_storedValues[static_cast<std::size_t>(row)]) continue;
        // rows past the sixteenth are never read and only need to be numbers
        if (row < schema::nzhi::kRowCount) {
            if (auto problem = coefficientProblem(row + 1, value)) return problem;
        } else if (!finiteNumberOf(value)) {
            return QStringLiteral("数据表 nzhi 第 %1 行 N 列的值不是数字").arg(row + 1);
        }
        values.emplace_back(row + 1, *finiteNumberOf(value));
    }
    return std::nullopt;
}

void TForm5::save() {
    if (m_model == nullptr) return;
    m_mapper->submit();
    const int row = m_mapper->currentIndex();
    bool saved = false;
    std::vector<std::pair<int, double>> values;
    // a value that is no number would keep every later start from loading
    std::optional<QString> problem = editedValues(values);
    if (!problem) {
        try {
            m_database.writeCoefficientValues(values);
            saved = true;
        } catch (const DatabaseError& error) {
            problem = databaseFailureText(error);
        }
    }
    m_saveProblem->setText(problem.value_or(QString()));
    if (saved) {
        for (const auto& [number, value] : values) {
            m_storedValues[static_cast<std::size_t>(number - 1)] = value;
        }
        m_ui->DBGrid1->selectRow(row);
        m_mapper->setCurrentIndex(row);
    }
    m_messages.inform(toQString(saved ? kRulesSaved : kRulesSaveFailed), toQString(kPromptCaption));
    if (m_reload) m_reload();
}

void TForm5::done(int result) {
    closeTable();
    QDialog::done(result);
}

void TForm5::closeTable() {
    if (m_model != nullptr) {
        m_ui->DBGrid1->setModel(nullptr);
        delete m_model;  // the mapper and the proxy go with it; edits are discarded
        m_model = nullptr;
        m_mapper = nullptr;
    }
    m_storedValues.clear();
    m_saveProblem->clear();
    m_ui->DBEdit1->clear();
    m_ui->DBText1->clear();
}

}  // namespace wormpair
