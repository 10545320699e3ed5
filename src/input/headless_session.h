#pragma once

#include <QString>

#include <functional>

#include "calc/result_collector.h"
#include "input/design_controller.h"
#include "input/form_state.h"
#include "store/parameter_database.h"
#include "store/program_layout.h"
#include "store/startup_load.h"

namespace wormpair {

// The main window's controls and commands without a window, on the database
// of a program directory (or the user's own copy of it, for an installed
// program): what the command-line tool and the tests drive.
class HeadlessSession {
  public:
    explicit HeadlessSession(const QString& programDirectory);

    HeadlessSession(const HeadlessSession&) = delete;
    HeadlessSession& operator=(const HeadlessSession&) = delete;

    // The start-up load of the coefficients (without the version check).
    StartupLoadResult load();

    // Runs a command the way the window does: a failure the command does not
    // handle itself is shown as a message with its own text.
    void run(const std::function<void()>& command);

    // True when the results are shown and no message was raised.
    bool succeeded() const { return view.resultsShown && form.messages.empty(); }

    ProgramLayout layout;
    ParameterDatabase database;
    FormState form;
    ResultCollector view;
    DesignController design;
};

}  // namespace wormpair
