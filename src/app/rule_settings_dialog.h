#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

namespace Ui {
class TForm5;
}

class QDataWidgetMapper;
class QSqlTableModel;

namespace wormpair {

class MessageBoxes;

// The calculation-rule settings: table nzhi in a grid, field N of the
// current row in DBEdit1 and its formula in DBText1. Edits stay in the
// model's cache until Save writes them all in one transaction; Close
// discards them.
class TForm5 : public QDialog {
    Q_OBJECT

  public:
    static const char* const kSavedMessage;
    static const char* const kSaveFailedMessage;

    // reload: the main window's start-up load, run after every Save.
    TForm5(MessageBoxes& messages, QString databasePath, std::function<void()> reload,
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
    // True when every cached N reads as a finite number.
    bool cachedValuesAreNumbers() const;

    std::unique_ptr<Ui::TForm5> m_ui;
    MessageBoxes& m_messages;
    QString m_databasePath;
    std::function<void()> m_reload;
    QString m_connection;
    QSqlTableModel* m_model = nullptr;
    QDataWidgetMapper* m_mapper = nullptr;
    int m_valueColumn = -1;
};

}  // namespace wormpair
