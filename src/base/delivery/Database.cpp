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

bool fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return false;
}

struct Field {
    QString column; // escaped
    QString value;
};

// One attempt to add the row inside the open transaction, undone to its savepoint when the
// database refuses it. The database's reason on failure.
std::optional<QString> tryInsert(QSqlDatabase& db, const QString& table, const std::vector<Field>& fields) {
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
        return query.lastError().text();
    }
    bool added = query.prepare(statement);
    if (added) {
        for (const Field& field : fields) {
            query.addBindValue(field.value);
        }
        added = query.exec();
    }
    const QString reason = query.lastError().text();
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
// refuses the row.
std::optional<QString> insertLeavingOutRefused(QSqlDatabase& db, const QString& table,
                                               std::vector<Field> fields) {
    std::optional<QString> reason = tryInsert(db, table, fields);
    while (reason) {
        std::optional<std::size_t> refused;
        for (std::size_t k = 0; k < fields.size(); ++k) {
            std::vector<Field> without = fields;
            without.erase(without.begin() + static_cast<std::ptrdiff_t>(k));
            const std::optional<QString> other = tryInsert(db, table, without);
            if (!other) {
                return std::nullopt;
            }
            if (*other != *reason && !refused) {
                refused = k;
            }
        }
        if (!refused) {
            return reason;
        }
        fields.erase(fields.begin() + static_cast<std::ptrdiff_t>(*refused));
        reason = tryInsert(db, table, fields);
    }
    return std::nullopt;
}

} // namespace

namespace Database {

bool insertRecord(const QString& database, const QString& table, const QStringList& fields, QString* error) {
    DatabaseConnection connection(database);
    return insertRecord(connection, table, fields, error);
}

bool insertRecord(const DatabaseConnection& connection, const QString& table, const QStringList& fields,
                  QString* error) {
    if (!connection.isOpen()) {
        return fail(error, connection.error());
    }
    QSqlDatabase db = connection.database();
    const QSqlRecord columns = db.record(table);
    if (columns.isEmpty()) {
        return fail(error, QStringLiteral("the table %1 does not exist").arg(table));
    }
    std::vector<Field> row;
    for (int k = 0; k < fields.size() && k < columns.count(); ++k) {
        if (!fields.at(k).isEmpty()) {
            row.push_back(
                {db.driver()->escapeIdentifier(columns.fieldName(k), QSqlDriver::FieldName), fields.at(k)});
        }
    }
    if (!db.transaction()) {
        return fail(error, db.lastError().text());
    }
    const QString tableName = db.driver()->escapeIdentifier(table, QSqlDriver::TableName);
    if (const std::optional<QString> reason = insertLeavingOutRefused(db, tableName, std::move(row))) {
        db.rollback();
        return fail(error, *reason);
    }
    if (!db.commit()) {
        return fail(error, db.lastError().text());
    }
    return true;
}

QStringList tableNames(const QString& database, QString* error) {
    const DatabaseConnection connection(database);
    if (!connection.isOpen()) {
        fail(error, connection.error());
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
