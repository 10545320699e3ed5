#include "app/rule_settings_dialog.h"

#include <QApplication>
#include <QDataWidgetMapper>
#include <QFileInfo>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStyledItemDelegate>

#include <atomic>

#include "app/forms/form_look.h"
#include "platform/platform.h"
#include "store/parameter_database.h"
#include "ui_form5.h"

namespace wormpair {

const char* const TForm5::kSavedMessage = "数据保存成功......";
const char* const TForm5::kSaveFailedMessage = "数据保存失败.......";

namespace {

const char* const kOpenFailedMessage = "数据初始化失败，程序将关闭";
const char* const kPromptCaption = "提示";

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

TForm5::TForm5(MessageBoxes& messages, QString databasePath, std::function<void()> reload,
               QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::TForm5>()),
      m_messages(messages),
      m_databasePath(std::move(databasePath)),
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
    connect(m_ui->Button1, &QPushButton::clicked, this, &TForm5::save);
    connect(m_ui->Button2, &QPushButton::clicked, this, &QDialog::reject);
}

TForm5::~TForm5() { closeTable(); }

void TForm5::run() {
    closeTable();
    if (!openTable()) {
        closeTable();
        m_messages.inform(QString::fromUtf8(kOpenFailedMessage), QString::fromUtf8(kPromptCaption));
        return;
    }
    forms::centre(*this);
    exec();
}

bool TForm5::openTable() {
    if (!QFileInfo(m_databasePath).isFile()) return false;
    static std::atomic<unsigned> counter{0};
    m_connection = QStringLiteral("wormpair_settings_%1").arg(++counter);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(m_databasePath);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) return false;

    m_model = new QSqlTableModel(this, db);
    m_model->setTable(QStringLiteral("nzhi"));
    m_model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    if (!m_model->select() || m_model->rowCount() == 0) return false;
    m_valueColumn = m_model->fieldIndex(QStringLiteral("N"));
    const int formulaColumn = m_model->fieldIndex(QStringLiteral("JSGS"));
    if (m_valueColumn < 0 || formulaColumn < 0) return false;

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
                // leaving a row posts its edit into the cache
                m_mapper->submit();
                m_mapper->setCurrentIndex(current.row());
            });
    grid.selectRow(0);
    m_mapper->setCurrentIndex(0);
    m_ui->DBEdit1->setFocus();
    return true;
}

bool TForm5::cachedValuesAreNumbers() const {
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (m_model->isDirty(m_model->index(row, m_valueColumn)) &&
            !finiteNumberOf(m_model->data(m_model->index(row, m_valueColumn)))) {
            return false;
        }
    }
    return true;
}

void TForm5::save() {
    if (m_model == nullptr) return;
    m_mapper->submit();
    const int row = m_mapper->currentIndex();
    bool saved = false;
    // a value that is no number would keep every later start from loading
    if (cachedValuesAreNumbers()) {
        QSqlDatabase db = m_model->database();
        if (db.transaction()) {
            saved = m_model->submitAll() && db.commit();
            if (!saved) db.rollback();
        }
    }
    if (saved) {
        m_ui->DBGrid1->selectRow(row);
        m_mapper->setCurrentIndex(row);
    }
    m_messages.inform(QString::fromUtf8(saved ? kSavedMessage : kSaveFailedMessage),
                      QString::fromUtf8(kPromptCaption));
    if (m_reload) m_reload();
}

void TForm5::done(int result) {
    closeTable();
    QDialog::done(result);
}

void TForm5::closeTable() {
    if (m_model != nullptr) {
        m_model->revertAll();
        m_ui->DBGrid1->setModel(nullptr);
        delete m_model;  // the mapper and the proxy go with it
        m_model = nullptr;
        m_mapper = nullptr;
    }
    m_ui->DBEdit1->clear();
    m_ui->DBText1->clear();
    if (!m_connection.isEmpty()) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
        m_connection.clear();
    }
}

}  // namespace wormpair
