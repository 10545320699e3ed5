#include "app/program.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/qt_platform.h"
#include "export/spreadsheet_application.h"
#include "store/program_layout.h"

namespace wormpair {

QString DesktopProgram::builtInServerAddress() { return QStringLiteral(WORMPAIR_SERVER_URL); }

DesktopProgram::DesktopProgram(const QString& programDirectory, const QStringList& arguments,
                               const QString& serverAddress)
    : m_desktop(std::make_unique<QtPlatform>(
          programLayout(programDirectory).dataDirectory + QStringLiteral("folders.txt"),
          programFolders(programDirectory))),
      m_progress(std::make_unique<TForm2>()),
      m_spreadsheets(installedSpreadsheets()) {
    m_window =
        std::make_unique<TForm1>(m_desktop->platform(*m_progress, *m_spreadsheets),
                                 programDirectory, arguments, serverAddress);
}

DesktopProgram::~DesktopProgram() = default;

namespace {

// Texts of Qt's file dialogs that its Chinese translation leaves in English.
class FileDialogTexts : public QTranslator {
  public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* /*disambiguation*/,
                      int /*n*/) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
        static const std::pair<const char*, const char*> kTexts[] = {
            {"Folder", "文件夹"}, {"File Folder", "文件夹"}, {"Drive", "驱动器"},
            {"Shortcut", "快捷方式"}, {"Alias", "别名"}, {"Unknown", "未知"}};
        for (const auto& [english, chinese] : kTexts) {
            if (qstrcmp(sourceText, english) == 0) return QString::fromUtf8(chinese);
        }
        return {};
    }
};

}  // namespace

ChineseLocale::ChineseLocale() : m_original(qgetenv("LC_ALL")), m_wasSet(qEnvironmentVariableIsSet("LC_ALL")) {
    // LC_ALL outranks every other setting Qt looks at
    qputenv("LC_ALL", "zh_CN.UTF-8");
    // read now, while the environment says Chinese; Qt keeps what it read
    const QLocale system = QLocale::system();
    Q_UNUSED(system);
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
}

void ChineseLocale::restoreEnvironment() {
    if (m_wasSet) {
        qputenv("LC_ALL", m_original);
    } else {
        qunsetenv("LC_ALL");
    }
}

bool installChineseTranslations(QApplication& application) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    QLocale::setDefault(chinese);
    QApplication::installTranslator(new FileDialogTexts(&application));
    auto* translator = new QTranslator(&application);
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QApplication::installTranslator(translator);
}

}  // namespace wormpair
