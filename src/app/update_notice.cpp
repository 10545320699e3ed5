#include "app/update_notice.h"

#include <QFile>
#include <QTime>

#include <stdexcept>

#include "app/window_shell.h"
#include "input/main_form.h"
#include "platform/text.h"

namespace wormpair {

const char* const UpdateNotice::kBaseCaption = "NALVEX蜗杆副设计V8.601";

namespace {

const char* const kNoticePath = "/uploads/guanggao.txt";
const char* const kVersionPath = "/uploads/v.txt";

}  // namespace

UpdateNotice::UpdateNotice(Downloads& downloads, MainForm& form, WindowShell& shell,
                           const ProgramLayout& layout, QString serverAddress)
    : m_downloads(downloads),
      m_form(form),
      m_shell(shell),
      m_layout(layout),
      m_serverAddress(std::move(serverAddress)) {}

QString UpdateNotice::resourceAddress(const QString& path) const {
    if (m_serverAddress.isEmpty()) return {};
    QString base = m_serverAddress;
    while (base.endsWith('/')) base.chop(1);
    return base + path + "?s=suiji" + QTime::currentTime().toString(Qt::ISODateWithMs);
}

void UpdateNotice::downloadNotice() {
    const QString local = m_layout.dataDirectory + "gg";
    if (!m_downloads.download(resourceAddress(kNoticePath), local, kTimeout)) return;
    if (const std::optional<QString> line = firstLineOf(local)) {
        m_form.setText("Label32", line->toStdString());
    }
}

void UpdateNotice::versionCheck() {
    const std::optional<QString> installed = firstLineOf(m_layout.programDirectory + "v.txt");
    if (!installed) throw std::runtime_error("the installed version file v.txt cannot be read");
    const QString local = m_layout.dataDirectory + "v-up.txt";
    if (!m_downloads.download(resourceAddress(kVersionPath), local, kTimeout)) return;
    const std::optional<QString> latest = firstLineOf(local);
    if (!latest) throw std::runtime_error("the downloaded version file v-up.txt cannot be read");
    if (*latest != *installed) {
        m_shell.setCaption(QString::fromUtf8(kBaseCaption) + "  (最新版本" + *latest +
                           "请及时更新)");
    }
}

}  // namespace wormpair
