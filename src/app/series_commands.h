#pragma once

#include <QString>

#include <memory>
#include <vector>

#include "platform/platform.h"
#include "series/series_design.h"

class QWidget;

namespace wormpair {

class DesignController;
class LifecycleCommands;
class MainForm;
class ParameterDatabase;
class TSeriesDialog;

// 系列设计: the dialog, the series designed away from the window's thread
// with the window's own rules, the export of the table, and a row opened as
// the current design the way a design file opens.
class SeriesCommands {
  public:
    SeriesCommands(const Platform& platform, MainForm& form, DesignController& design,
                   const ParameterDatabase& database, LifecycleCommands& lifecycle,
                   QWidget& window);
    ~SeriesCommands();

    // Shows the dialog (made at first use, kept with its table afterwards).
    void showDialog();
    // Designs the lists of the dialog; a list that cannot be used is refused
    // with its reason, a cancelled run keeps the table shown before.
    void designSeries();
    // Writes the table as it is shown (only the rows the filter lets through,
    // in the order of the sort): .xls (the default), .csv or .json by the
    // name chosen.
    void exportSeries();
    // Opens a row as the current design once the unsaved-work question
    // agrees (是 saves first, 否 drops the work, 取消 keeps it).
    void openRow(std::size_t row);

    TSeriesDialog& dialog();
    const std::vector<SeriesRow>& rows() const { return m_rows; }

    static const char* const kTitle;
    static const char* const kExportFilter;

  private:
    Platform m_platform;
    MainForm& m_form;
    DesignController& m_design;
    const ParameterDatabase& m_database;
    LifecycleCommands& m_lifecycle;
    QWidget& m_window;
    std::unique_ptr<TSeriesDialog> m_dialog;
    std::vector<SeriesRow> m_rows;
    SeriesOptions m_options;  // those the rows were designed with
};

}  // namespace wormpair
