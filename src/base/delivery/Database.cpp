#include "base/delivery/Database.h"

#include "base/delivery/DatabaseConnection.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <optional>
#include <vector>

namespace {

DeliveryProblem fail(QString* error, const QString& text, DeliveryProblem problem) {
    if (error) {
        *error = text;
    }
    return problem;
}

// SQLite's "database is locked" and "table is locked", with their extended codes. PostgreSQL's
// codes have five characters and never match.
bool isBusy(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    bool number = false;
    const int primary = code.toInt(&number) & 0xff;
    return number && code.size() <= 4 && (primary == 5 || primary == 6);
}

struct Field {
    QString column; // escaped
    QString value;
};

QStringList columnsOf(const std::vector<Field>& fields) {
    QStringList names;
    names.reserve(static_cast<qsizetype>(fields.size()));
    for (const Field& field : fields) {
        names.append(field.column);
    }
    return names;
}

QString insertStatement(const QString& table, const QStringList& names) {
    return names.isEmpty()
               ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
               : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                     .arg(table, names.join(QStringLiteral(", ")),
                          QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
}

// Runs the statement for the row's values. It is prepared again only for a row whose columns
// differ from those it was prepared for.
bool execute(QSqlQuery& query, std::optional<QStringList>& preparedFor, const QString& table,
             const std::vector<Field>& fields) {
    QStringList columns = columnsOf(fields);
    if (columns != preparedFor) {
        preparedFor.reset();
        if (!query.prepare(insertStatement(table, columns))) {
            return false;
        }
        preparedFor = std::move(columns);
    }
    for (std::size_t k = 0; k < fields.size(); ++k) {
        query.bindValue(static_cast<int>(k), fields[k].value);
    }
    return query.exec();
}

// One attempt to add the row inside the open transaction, undone to its savepoint when the
// database refuses it. The database's error on failure.
std::optional<QSqlError> tryInsert(QSqlDatabase& db, const QString& table, const std::vector<Field>& fields) {
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SAVEPOINT kelvane_row"))) {
        return query.lastError();
    }
    std::optional<QStringList> preparedFor;
    const bool added = execute(query, preparedFor, table, fields);
    const QSqlError reason = query.lastError();
    query.finish();
    QSqlQuery(db).exec(added ? QStringLiteral("RELEASE SAVEPOINT kelvane_row")
                             : QStringLiteral("ROLLBACK TO SAVEPOINT kelvane_row"));
    if (added) {
        return std::nullopt;
    }
    return reason;
}

// All rows with one statement and no savepoints, the way a batch nearly always goes in. The
// database's error for the first row it refuses; the transaction is then to be undone.
std::optional<QSqlError> insertAll(QSqlDatabase& db, const QString& table,
                                   const std::vector<std::vector<Field>>& rows) {
    QSqlQuery query(db);
    std::optional<QStringList> preparedFor;
    for (const std::vector<Field>& row : rows) {
        if (!execute(query, preparedFor, table, row)) {
            return query.lastError();
        }
    }
    return std::nullopt;
}

// Adds the row; a field that its column refuses is left out and the row goes in with the others.
// The refused field is the one whose removal lets the row in, or changes what the database
// objects to; a reason that no single field causes (a missing value for a required column)
// refuses the row. A database that another program holds refuses nothing: it is not tried field
// by field.
std::optional<QSqlError> insertLeavingOutRefused(QSqlDatabase& db, const QString& table,
                                                 std::vector<Field> fields) {
    std::optional<QSqlError> reason = tryInsert(db, table, fields);
    while (reason && !isBusy(*reason)) {
        std::optional<std::size_t> refused;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            std::vector<Field> without = fields;
            without.erase(without.begin() + static_cast<std::ptrdiff_t>(k));
            const std::optional<QSqlError> other = tryInsert(db, table, without);
            if (!other) {
                return std::nullopt;
            }
            if (isBusy(*other)) {
                return other;
            }
            if (other->text() != reason->text() && !refused) {
                refused = k;
            }
        }
        if (!refused) {
            return reason;
        }
        fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(*refused));
        reason = tryInsert(db, table, fields);
    }
    return reason;
}

// Why a statement failed: another program holds the database, the connection is gone, or the
// database refuses what was asked.
DeliveryProblem problemOf(const QSqlError& error, const DatabaseConnection& connection,
                          DeliveryProblem refusal) {
    if (isBusy(error)) {
        return DeliveryProblem::Locked;
    }
    return connection.answers() ? refusal : DeliveryProblem::Unreachable;
}

} // namespace

namespace Database {

DeliveryProblem insertRecord(const QString& database, const QString& table, const QStringList& fields,
                             QString* error) {
    const DatabaseConnection connection(database);
    const BatchOutcome outcome = insertRecords(connection, table, {fields}, error);
    return outcome.refused.isEmpty() ? outcome.problem : DeliveryProblem::Refused;
}

BatchOutcome insertRecords(const DatabaseConnection& connection, const QString& table,
                           const QList<QStringList>& records, QString* error) {
    const auto failed = [error](const QString& text, DeliveryProblem problem) {
        return BatchOutcome{fail(error, text, problem), {}};
    };
    if (!connection.isOpen()) {
        return failed(connection.error(),
                      connection.isMissing() ? DeliveryProblem::TargetMissing : DeliveryProblem::Unreachable);
    }
    QSqlDatabase db = connection.database();
    const QString tableName = db.driver()->escapeIdentifier(table, QSqlDriver::TableName);
    // A query rather than the driver's table lookup, which cannot tell a locked database from a
    // missing table.
    QSqlQuery columnsQuery(db);
    if (!columnsQuery.exec(QStringLiteral("SELECT * FROM %1 WHERE 1 = 0").arg(tableName))) {
        return failed(columnsQuery.lastError().text(),
                      problemOf(columnsQuery.lastError(), connection, DeliveryProblem::TargetMissing));
    }
    const QSqlRecord columns = columnsQuery.record();
    columnsQuery.finish();
    const auto notBegun = [&] {
        return failed(db.lastError().text(),
                      problemOf(db.lastError(), connection, DeliveryProblem::Unreachable));
    };
    if (!db.transaction()) {
        return notBegun();
    }
    QStringList columnNames;
    for (int k = 0; k < columns.count(); ++k) {
        columnNames.append(db.driver()->escapeIdentifier(columns.fieldName(k), QSqlDriver::FieldName));
    }
    std::vector<std::vector<Field>> rows;
    rows.reserve(static_cast<std::size_t>(records.size()));
    for (const QStringList& fields : records) {
        std::vector<Field>& row = rows.emplace_back();
        for (qsizetype k = 0; k < fields.size() && k < columnNames.size(); ++k) {
            if (!fields.at(k).isEmpty()) {
                row.push_back({columnNames.at(k), fields.at(k)});
            }
        }
    }
    BatchOutcome outcome;
    if (const std::optional<QSqlError> reason = insertAll(db, tableName, rows)) {
        // Undone before asking why: a server keeps a transaction with a failed statement
        // unusable, even for the question whether it still answers.
        db.rollback();
        const DeliveryProblem problem = problemOf(*reason, connection, DeliveryProblem::Refused);
        if (problem != DeliveryProblem::Refused) {
            return failed(reason->text(), problem);
        }
        // A record was refused: again from the start, each record to a savepoint of its own, so
        // that the refused ones are left out (or the fields their columns refuse) and the others
        // go in.
        if (!db.transaction()) {
            return notBegun();
        }
        for (qsizetype index = 0; index < records.size(); ++index) {
            const std::optional<QSqlError> refusal =
                insertLeavingOutRefused(db, tableName, rows[static_cast<std::size_t>(index)]);
            if (!refusal) {
                continue;
            }
            const DeliveryProblem cause = problemOf(*refusal, connection, DeliveryProblem::Refused);
            if (cause != DeliveryProblem::Refused) {
                db.rollback();
                return failed(refusal->text(), cause);
            }
            // Undone to its savepoint: the transaction goes on with the next record.
            fail(error, refusal->text(), cause);
            outcome.refused.append(index);
        }
    }
    if (!db.commit()) {
        const QSqlError reason = db.lastError();
        db.rollback();
        return failed(reason.text(), problemOf(reason, connection, DeliveryProblem::Unreachable));
    }
    return outcome;
}

QStringList tableNames(const QString& database, QString* error) {
    const DatabaseConnection connection(database);
    if (!connection.isOpen()) {
        fail(error, connection.error(), DeliveryProblem::Unreachable);
        return {};
    }
    QStringList names;
    for (const QString& name : connection.database().tables(QSql::Tables)) {
        if (!name.startsWith(QLatin1String("MSys")) && !name.startsWith(QLatin1String("sqlite_"))) {
            names.append(name);
        }
    }
    return names;
}

} // namespace Database
