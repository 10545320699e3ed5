#include "app/program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/qt_platform.h"
#include "export/spreadsheet_application.h"

namespace wormpair {

QString DesktopProgram::builtInServerAddress() { return QStringLiteral(WORMPAIR_SERVER_URL); }

DesktopProgram::DesktopProgram(const QString& programDirectory, const QStringList& arguments,
                               const QString& serverAddress)
    : m_desktop(std::make_unique<QtPlatform>()),
      m_progress(std::make_unique<TForm2>()),
      m_spreadsheets(installedSpreadsheets()) {
    m_window =
        std::make_unique<TForm1>(m_desktop->platform(*m_progress, *m_spreadsheets),
                                 programDirectory, arguments, serverAddress);
}

DesktopProgram::~DesktopProgram() = default;

bool installChineseTranslations(QApplication& application) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    auto* translator = new QTranslator(&application);
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QApplication::installTranslator(translator);
}

}  // namespace wormpair
