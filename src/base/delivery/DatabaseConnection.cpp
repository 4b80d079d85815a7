#include "base/delivery/DatabaseConnection.h"

#include "base/delivery/TargetPath.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

DatabaseConnection::DatabaseConnection(const QString& database, Patience patience) : m_target(database) {
    static QAtomicInteger<int> counter;
    m_name = QStringLiteral("kelvane-delivery-%1").arg(counter.fetchAndAddRelaxed(1));
    QSqlDatabase db;
    const bool server = isDatabaseServerUrl(database);
    if (server) {
        const QUrl url(database);
        db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_name);
        db.setHostName(url.host());
        db.setPort(url.port(5432));
        db.setUserName(url.userName());
        db.setPassword(url.password());
        db.setDatabaseName(url.path().mid(1));
        // libpq waits at least 2 s.
        db.setConnectOptions(patience == Patience::Full ? QStringLiteral("connect_timeout=5")
                                                        : QStringLiteral("connect_timeout=2"));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(database);
        // Another program's short write is waited for; a longer lock is not, since the main cycle
        // would lose the records a streaming device sends meanwhile: the value waits in the
        // outbox instead.
        db.setConnectOptions(patience == Patience::Full ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=100")
                                                        : QStringLiteral("QSQLITE_BUSY_TIMEOUT=20"));
    }
    if (!server && !QFileInfo(database).isFile()) {
        m_error = QStringLiteral("the database file %1 does not exist").arg(database);
        m_missing = true;
        return;
    }
    m_open = db.open();
    m_error = db.lastError().text();
}

DatabaseConnection::~DatabaseConnection() {
    {
        QSqlDatabase db = database();
        if (db.isOpen()) {
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool DatabaseConnection::answers() const {
    QSqlQuery probe(database());
    return m_open && probe.exec(QStringLiteral("SELECT 1"));
}
