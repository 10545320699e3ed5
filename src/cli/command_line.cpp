#include "cli/command_line.h"

#include "cli/cli.h"

namespace wormpair {

int usageError(QTextStream& err, const QString& problem, const QString& usage) {
    err << "wormpair-cli: " << problem << "\n\n" << usage;
    return kExitUsage;
}

CommandLine::CommandLine(const char* command, QString usage, int positionalCount,
                         const char* positionalName, const char* wrongCount)
    : m_command(command),
      m_usage(std::move(usage)),
      m_positionalCount(positionalCount),
      m_positionalName(positionalName),
      m_wrongCount(wrongCount) {
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    parser.addOption(m_help);
}

std::optional<int> CommandLine::parse(const QStringList& arguments, QTextStream& out,
                                      QTextStream& err) {
    if (!parser.parse(QStringList(m_command) + arguments)) return error(err, parser.errorText());
    if (parser.isSet(m_help)) {
        out << m_usage;
        return kExitRan;
    }
    const QStringList positional = parser.positionalArguments();
    if (m_wrongCount && positional.size() != m_positionalCount) return error(err, m_wrongCount);
    if (positional.size() > m_positionalCount) {
        return error(err, "unexpected argument '" + positional.value(m_positionalCount) + "'");
    }
    if (positional.size() < m_positionalCount)
        return error(err, QString("name one ") + m_positionalName);
    return std::nullopt;
}

int CommandLine::error(QTextStream& err, const QString& problem) const {
    return usageError(err, problem, m_usage);
}

}  // namespace wormpair
