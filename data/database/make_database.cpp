// Build tool: creates a fresh SQLite parameter database from an SQL script.
//
//   make_database <script.sql> <output database>
//
// Any old output is deleted first. The statements run in one transaction; on
// the first failing statement the tool reports it, deletes the partial output
// and exits with status 1.

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace {

void report(const QString& message) {
    std::fprintf(stderr, "make_database: %s\n", message.toUtf8().constData());
}

// Splits a script into statements at semicolons outside quoted text and
// comments. Comments are dropped; empty statements are skipped.
QStringList splitStatements(const QString& script) {
    QStringList statements;
    QString current;
    const qsizetype n = script.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = script[i];
        const QChar next = i + 1 < n ? script[i + 1] : QChar();
        if (c == u'-' && next == u'-') {
            while (i < n && script[i] != u'\n') ++i;
            current += u'\n';
        } else if (c == u'/' && next == u'*') {
            i += 2;
            while (i + 1 < n && !(script[i] == u'*' && script[i + 1] == u'/')) ++i;
            ++i;
            current += u' ';
        } else if (c == u'\'' || c == u'"' || c == u'[' || c == u'`') {
            // quoted text up to the closing quote; a doubled quote stays inside
            const QChar close = c == u'[' ? QChar(u']') : c;
            current += c;
            ++i;
            while (i < n) {
                current += script[i];
                if (script[i] == close) {
                    if (close != u']' && i + 1 < n && script[i + 1] == close) {
                        current += script[++i];
                    } else {
                        break;
                    }
                }
                ++i;
            }
        } else if (c == u';') {
            if (!current.trimmed().isEmpty()) statements << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.trimmed().isEmpty()) statements << current.trimmed();
    return statements;
}

// Runs the script into a new database file; returns an error text or an empty
// string on success.
QString build(const QStringList& statements, const QString& output) {
    QSqlDatabase db =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make_database"));
    db.setDatabaseName(output);
    if (!db.open())
        return QStringLiteral("cannot create %1: %2").arg(output, db.lastError().text());

    QSqlQuery query(db);
    // one self-contained file: rollback journal deleted after each commit
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=DELETE"))) {
        return QStringLiteral("cannot set the journal mode: %1").arg(query.lastError().text());
    }
    if (!db.transaction()) {
        return QStringLiteral("cannot begin a transaction: %1").arg(db.lastError().text());
    }
    for (qsizetype k = 0; k < statements.size(); ++k) {
        if (!query.exec(statements[k])) {
            const QString error = query.lastError().text();
            db.rollback();
            return QStringLiteral("statement %1 failed: %2\n  %3")
                .arg(k + 1)
                .arg(error, statements[k].left(200));
        }
    }
    if (!db.commit()) return QStringLiteral("cannot commit: %1").arg(db.lastError().text());
    return QString();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        report(QStringLiteral("usage: make_database <script.sql> <output database>"));
        return 2;
    }
    const QString scriptPath = args[1];
    const QString output = args[2];

    QFile scriptFile(scriptPath);
    if (!scriptFile.open(QIODevice::ReadOnly)) {
        report(QStringLiteral("cannot read %1: %2").arg(scriptPath, scriptFile.errorString()));
        return 1;
    }
    QString script = QString::fromUtf8(scriptFile.readAll());
    if (script.startsWith(QChar(0xFEFF))) script.remove(0, 1);

    if (QFile::exists(output) && !QFile::remove(output)) {
        report(QStringLiteral("cannot delete the old %1").arg(output));
        return 1;
    }

    const QString error = build(splitStatements(script), output);
    QSqlDatabase::removeDatabase(QStringLiteral("make_database"));
    if (!error.isEmpty()) {
        report(QStringLiteral("%1: %2").arg(scriptPath, error));
        QFile::remove(output);
        QFile::remove(output + QStringLiteral("-journal"));
        return 1;
    }
    return 0;
}
