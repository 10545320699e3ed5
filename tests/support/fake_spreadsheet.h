#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <utility>

#include "export/spreadsheet_application.h"

namespace wormpair {

// A spreadsheet application that records every step it receives, by all the
// applications the factory created, and fails at a chosen step.
class FakeSpreadsheets : public SpreadsheetApplications {
  public:
    // Step names as recorded: "create", "visible=false", "open PATH",
    // "cell R,C=TEXT", "saveas PATH", "saved=true", "close", "quit".
    QStringList steps;
    // The first step whose record starts with this text throws.
    QString failAt;
    // Cells written so far, (row, column) from 1, of the last application.
    std::map<std::pair<int, int>, QString> cells;
    int alive = 0;  // applications created and not yet destroyed

    std::unique_ptr<SpreadsheetApplication> create() override {
        record("create");
        return std::make_unique<Application>(*this);
    }

  private:
    void record(const QString& step) {
        steps.push_back(step);
        if (!failAt.isEmpty() && step.startsWith(failAt)) {
            failAt.clear();
            throw SpreadsheetError(("scripted failure at " + step).toStdString());
        }
    }

    class Application : public SpreadsheetApplication {
      public:
        explicit Application(FakeSpreadsheets& owner) : m_owner(owner) {
            ++m_owner.alive;
            m_owner.cells.clear();
        }
        ~Application() override { --m_owner.alive; }
        void setVisible(bool visible) override {
            m_owner.record(visible ? "visible=true" : "visible=false");
        }
        void openWorkbook(const QString& path) override { m_owner.record("open " + path); }
        void setCellValue(int row, int column, const QString& text) override {
            m_owner.record(QString("cell %1,%2=%3").arg(row).arg(column).arg(text));
            m_owner.cells[{row, column}] = text;
        }
        void saveActiveWorkbookAs(const QString& path) override {
            m_owner.record("saveas " + path);
        }
        void setActiveWorkbookSaved(bool saved) override {
            m_owner.record(saved ? "saved=true" : "saved=false");
        }
        void closeWorkbooks() override { m_owner.record("close"); }
        void quit() override { m_owner.record("quit"); }

      private:
        FakeSpreadsheets& m_owner;
    };
};

}  // namespace wormpair
