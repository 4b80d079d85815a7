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

// One attempt to add the row inside the open transaction, undone to its savepoint when the
// database refuses it. The database's error on failure.
std::optional<QSqlError> tryInsert(QSqlDatabase& db, const QString& table, const std::vector<Field>& fields) {
    QStringList names;
    for (const Field& field : fields) {
        names.append(field.column);
    }
    const QString statement =
        names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                              .arg(table, names.join(QStringLiteral(", ")),
                                   QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SAVEPOINT kelvane_row"))) {
        return query.lastError();
    }
    bool added = query.prepare(statement);
    if (added) {
        for (const Field& field : fields) {
            query.addBindValue(field.value);
        }
        added = query.exec();
    }
    const QSqlError reason = query.lastError();
    query.finish();
    QSqlQuery(db).exec(added ? QStringLiteral("RELEASE SAVEPOINT kelvane_row")
                             : QStringLiteral("ROLLBACK TO SAVEPOINT kelvane_row"));
    if (added) {
        return std::nullopt;
    }
    return reason;
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
    if (!db.transaction()) {
        return failed(db.lastError().text(),
                      problemOf(db.lastError(), connection, DeliveryProblem::Unreachable));
    }
    BatchOutcome outcome;
    for (qsizetype index = 0; index < records.size(); ++index) {
        const QStringList& fields = records.at(index);
        std::vector<Field> row;
        for (int k = 0; k < fields.size() && k < columns.count(); ++k) {
            if (!fields.at(k).isEmpty()) {
                row.push_back({db.driver()->escapeIdentifier(columns.fieldName(k), QSqlDriver::FieldName),
                               fields.at(k)});
            }
        }
        if (const std::optional<QSqlError> reason = insertLeavingOutRefused(db, tableName, std::move(row))) {
            const DeliveryProblem problem = problemOf(*reason, connection, DeliveryProblem::Refused);
            if (problem != DeliveryProblem::Refused) {
                db.rollback();
                return failed(reason->text(), problem);
            }
            // Undone to its savepoint: the transaction goes on with the next record.
            fail(error, reason->text(), problem);
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
