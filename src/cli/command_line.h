#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>

// What every command of the tool shares: its usage on --help and after
// every mistake, the positional arguments counted, and the table entry that
// names it.

namespace wormpair {

// One command of wormpair-cli: its name, its line in the tool's usage, and
// what runs it with the arguments after its name.
struct Command {
    const char* name;
    const char* summary;
    int (*run)(const QStringList& arguments, const QString& programDirectory, QTextStream& out,
               QTextStream& err);
};

// Says the problem and the usage on err; the exit status of a wrong command line.
int usageError(QTextStream& err, const QString& problem, const QString& usage);

// One command's arguments: its options, the number of positional arguments
// it takes, and the usage text shown for --help and for every mistake.
class CommandLine {
  public:
    // wrongCount: the message when the number of positional arguments is
    // wrong (by default "unexpected argument" or "name one <positionalName>")
    CommandLine(const char* command, QString usage, int positionalCount, const char* positionalName,
                const char* wrongCount = nullptr);

    // The exit status when the command ends here (help shown or a mistake).
    std::optional<int> parse(const QStringList& arguments, QTextStream& out, QTextStream& err);

    int error(QTextStream& err, const QString& problem) const;

    QCommandLineParser parser;

  private:
    const char* m_command;
    QString m_usage;
    int m_positionalCount;
    const char* m_positionalName;
    const char* m_wrongCount;
    QCommandLineOption m_help{QStringList{"h", "help"}};
};

}  // namespace wormpair
