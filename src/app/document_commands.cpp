#include "app/document_commands.h"

#include "app/window_shell.h"
#include "updater/update_messages.h"

namespace wormpair {

const char* const DocumentCommands::kNoReaderMessage =
    "未安装PDF阅读器(Adobe Reader)或者技术资料丢失....";
const char* const DocumentCommands::kUpdaterMessage = "升级程序错误，请重新安装软件....";
const char* const DocumentCommands::kUpdaterName = "Project11.exe";
const char* const DocumentCommands::kPackageManagerMessage =
    "本软件以软件包方式安装，请使用系统的软件包管理器（例如“软件更新”或 apt）升级........";

DocumentCommands::DocumentCommands(const Platform& platform, WindowShell& shell,
                                   const ProgramLayout& layout, QString serverAddress,
                                   std::function<void()> showAbout, std::function<bool()> mayEnd)
    : m_platform(platform),
      m_shell(shell),
      m_layout(layout),
      m_serverAddress(std::move(serverAddress)),
      m_showAbout(std::move(showAbout)),
      m_mayEnd(std::move(mayEnd)) {}

void DocumentCommands::openManual(const char* fileName) {
    if (!m_platform.documents.open(m_layout.programDirectory + fileName)) {
        m_platform.messages.inform(QString::fromUtf8(kNoReaderMessage), QString());
    }
}

void DocumentCommands::help() { m_platform.documents.open(m_layout.programDirectory + "help.htm"); }

void DocumentCommands::about() {
    if (m_showAbout) m_showAbout();
}

void DocumentCommands::onlineUpgrade() {
    if (m_layout.perUserData()) {
        m_platform.messages.inform(QString::fromUtf8(kPackageManagerMessage), QString());
        return;
    }
    if (m_serverAddress.trimmed().isEmpty()) {
        m_platform.messages.inform(QString::fromUtf8(kNoUpdateServerMessage), QString());
        return;
    }
    if (m_mayEnd && !m_mayEnd()) return;
    if (!m_platform.processes.start(m_layout.programDirectory + kUpdaterName, {})) {
        m_platform.messages.inform(QString::fromUtf8(kUpdaterMessage), QString());
        return;
    }
    m_shell.closeWindow();
}

}  // namespace wormpair
