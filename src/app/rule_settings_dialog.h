#pragma once

#include <QDialog>
#include <QString>

#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace Ui {
class TForm5;
}

class QDataWidgetMapper;
class QLabel;
class QStandardItemModel;

namespace wormpair {

class MessageBoxes;
class ParameterDatabase;
class ParameterTable;

// The calculation-rule settings: table nzhi in a grid, field N of the
// current row in DBEdit1 and its formula in DBText1. The table is read
// through the parameter database layer; edits stay in the grid's model until
// Save writes the changed values in one transaction; Close discards them.
class TForm5 : public QDialog {
    Q_OBJECT

  public:
    static const char* const kSavedMessage;
    static const char* const kSaveFailedMessage;

    // reload: the main window's start-up load, run after every Save.
    TForm5(MessageBoxes& messages, const ParameterDatabase& database, std::function<void()> reload,
           QWidget* parent = nullptr);
    ~TForm5() override;

    // Opens the table and shows the dialog modally; when the database
    // cannot be opened, says so and shows nothing.
    void run();

    void save();

  protected:
    void done(int result) override;

  private:
    bool openTable();
    void closeTable();
    // The rows (1-based) whose N was edited, with their new values; why
    // not, when an edited N is no number within its range.
    std::optional<QString> editedValues(std::vector<std::pair<int, double>>& values) const;

    std::unique_ptr<Ui::TForm5> m_ui;
    MessageBoxes& m_messages;
    const ParameterDatabase& m_database;
    std::function<void()> m_reload;
    QStandardItemModel* m_model = nullptr;
    QDataWidgetMapper* m_mapper = nullptr;
    std::vector<QVariant> m_storedValues;  // N of each row as read
    int m_valueColumn = -1;
    QLabel* m_saveProblem = nullptr;  // why the last Save was refused, beside the buttons
};

}  // namespace wormpair
