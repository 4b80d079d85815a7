#include "base/delivery/Database.h"

#include "base/delivery/TargetPath.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

namespace {

// One database connection for the lifetime of the object, removed from Qt's registry after.
class Connection {
public:
    explicit Connection(const QString& database) {
        static QAtomicInteger<int> counter;
        m_name = QStringLiteral("kelvane-delivery-%1").arg(counter.fetchAndAddRelaxed(1));
        QSqlDatabase db;
        if (isDatabaseServerUrl(database)) {
            const QUrl url(database);
            db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
            db.setHostName(url.host());
            db.setPort(url.port(5432));
            db.setUserName(url.userName());
            db.setPassword(url.password());
            db.setDatabaseName(url.path().mid(1));
            db.setConnectOptions(QStringLiteral("connect_timeout=5"));
        } else {
            db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
            db.setDatabaseName(database);
            // A database locked by another program is waited for a while, not failed at once.
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        }
        m_ok = isDatabaseServerUrl(database) || QFileInfo(database).isFile();
        if (m_ok) {
            m_ok = db.open();
            m_error = db.lastError().text();
        } else {
            m_error = QStringLiteral("the database file %1 does not exist").arg(database);
        }
    }
    ~Connection() {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            if (db.isOpen()) {
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool isOpen() const { return m_ok; }
    QString error() const { return m_error; }
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

private:
    QString m_name;
    QString m_error;
    bool m_ok = false;
};

bool fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return false;
}

} // namespace

namespace Database {

bool insertRecord(const QString& database, const QString& table, const QStringList& fields, QString* error) {
    Connection connection(database);
    if (!connection.isOpen()) {
        return fail(error, connection.error());
    }
    QSqlDatabase db = connection.database();
    const QSqlRecord columns = db.record(table);
    if (columns.isEmpty()) {
        return fail(error, QStringLiteral("the table %1 does not exist").arg(table));
    }
    QStringList names;
    QStringList values;
    for (int k = 0; k < fields.size() && k < columns.count(); ++k) {
        if (!fields.at(k).isEmpty()) {
            names.append(db.driver()->escapeIdentifier(columns.fieldName(k), QSqlDriver::FieldName));
            values.append(fields.at(k));
        }
    }
    const QString tableName = db.driver()->escapeIdentifier(table, QSqlDriver::TableName);
    QString statement;
    if (names.isEmpty()) {
        statement = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(tableName);
    } else {
        statement = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                        .arg(tableName, names.join(QStringLiteral(", ")),
                             QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    }
    if (!db.transaction()) {
        return fail(error, db.lastError().text());
    }
    QSqlQuery query(db);
    if (!query.prepare(statement)) {
        db.rollback();
        return fail(error, query.lastError().text());
    }
    for (const QString& value : values) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        const QString text = query.lastError().text();
        query.finish();
        db.rollback();
        return fail(error, text);
    }
    query.finish();
    if (!db.commit()) {
        return fail(error, db.lastError().text());
    }
    return true;
}

QStringList tableNames(const QString& database, QString* error) {
    Connection connection(database);
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
