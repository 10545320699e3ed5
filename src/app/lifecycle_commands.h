#pragma once

#include <functional>

#include "platform/platform.h"

#include "store/startup_load.h"

namespace wormpair {

class DesignController;
class DesignFileCommands;
class MainForm;
class ParameterDatabase;
class WindowShell;

// The start-up load as the window runs it: the coefficients, then (when they
// loaded) the version check, whose throw fails the load.
StartupLoadResult runStartupLoad(const ParameterDatabase& database, CoefficientSet& coefficients,
                                 const std::function<void()>& versionCheck);

// The program's own life: the start-up load of the rules, closing with and
// without the unsaved-data question, and starting a new design.
class LifecycleCommands {
  public:
    LifecycleCommands(const Platform& platform, MainForm& form, WindowShell& shell,
                      DesignController& design, const ParameterDatabase& database,
                      DesignFileCommands& designFiles);

    // Run inside every start-up load after the coefficients; a throw fails it.
    std::function<void()> versionCheck;

    // Loads the coefficients and raises the modified-rules notice; a failure
    // shows its message and closes the window. Returns true on success.
    bool startupLoad();
    // Asks about unsaved work before the program ends or starts afresh:
    // 是 saves and goes on only when the file was written, 否 goes on, 取消
    // (and Escape) stays. True when the program may go on; nothing is asked
    // when there is nothing unsaved.
    bool mayEnd();
    // 关闭, 退出 and the window's close button: close once mayEnd agrees.
    void closeWithPrompt();
    void exit() { closeWithPrompt(); }
    // Opens a design file in place of the current design, once mayEnd agrees.
    void openDesign();
    // Ends this instance and starts the program again, once the user agrees
    // to close the other windows open (series, drawings) and mayEnd agrees.
    void newDesign();

    static const char* const kUnsavedQuestion;
    static QString closeWindowsQuestion(const QStringList& captions);

  private:
    Platform m_platform;
    MainForm& m_form;
    WindowShell& m_shell;
    DesignController& m_design;
    const ParameterDatabase& m_database;
    DesignFileCommands& m_designFiles;
};

}  // namespace wormpair
