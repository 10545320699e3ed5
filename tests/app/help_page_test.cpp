// Every message the help page quotes is one the program shows, word for word.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSet>

#include "app/document_commands.h"
#include "app/lifecycle_commands.h"
#include "app/main_window.h"
#include "application_environment.h"
#include "calc/calculate.h"
#include "export/parameter_sheets.h"
#include "fake_platform.h"
#include "input/input_rules.h"
#include "platform/text.h"
#include "store/design_file.h"
#include "store/store_messages.h"
#include "updater/update_messages.h"

namespace wormpair {
namespace {

[[maybe_unused]] auto* const environment = testing::installApplication<QApplication>();

TEST(HelpPage, QuotesOnlyTheProgramsOwnMessages) {
    FakePlatform desktop;
    const TForm1 window(desktop.platform(), WORMPAIR_PROGRAM_DIR);
    const QSet<QString> shown = {
        toQString(kRatioMismatchMessage),      toQString(kInvalidNumberMessage),
        toQString(kCentreDistanceMessage),     toQString(kTeethStartsMessage),
        toQString(kRecommendMessage),          toQString(kReliefTableMessage),
        toQString(kDataInitialisationFailed),  toQString(kRulesSaved),
        toQString(kRulesSaveFailed),           toQString(kSaveFailedMessage),
        toQString(kOpenFailedMessage),         toQString(kExportFailedMessage),
        LifecycleCommands::kUnsavedQuestion,   DocumentCommands::kNoReaderMessage,
        DocumentCommands::kUpdaterMessage,     QString::fromUtf8(kNoUpdateServerMessage),
        window.findChild<QLabel*>("Label50")->text()};

    QFile page(WORMPAIR_SOURCE_DIR "data/manuals/help.htm");
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    const QRegularExpression quoted(
        R"re(<span class="msg">"([^"<]+)"</span>|<td class="msg">([^<]+)</td>)re");
    int count = 0;
    for (auto match = quoted.globalMatch(html); match.hasNext(); ++count) {
        const auto m = match.next();
        const QString message = m.captured(1).isEmpty() ? m.captured(2) : m.captured(1);
        EXPECT_TRUE(shown.contains(message)) << message.toStdString();
    }
    EXPECT_GE(count, 20);
}

}  // namespace
}  // namespace wormpair
