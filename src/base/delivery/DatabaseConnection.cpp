#include "base/delivery/DatabaseConnection.h"

#include "base/delivery/TargetPath.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <sys/stat.h>

namespace {

int busyTimeoutMs(DatabaseConnection::Patience patience) {
    return patience == DatabaseConnection::Patience::Full ? 100 : 20;
}

} // namespace

DatabaseConnection::DatabaseConnection(const QString& database, Patience patience)
    : m_target(database), m_patience(patience) {
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
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs(patience)));
    }
    if (!server && !QFileInfo(database).isFile()) {
        m_error = QStringLiteral("the database file %1 does not exist").arg(database);
        m_missing = true;
        return;
    }
    m_file = !server;
    struct stat status {};
    if (m_file && ::stat(QFile::encodeName(database).constData(), &status) == 0) {
        m_device = status.st_dev;
        m_inode = status.st_ino;
    }
    m_open = db.open();
    m_error = db.lastError().text();
}

void DatabaseConnection::setPatience(Patience patience) {
    if (patience != m_patience && m_file && m_open) {
        m_patience = patience;
        QSqlQuery(database()).exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeoutMs(patience)));
    }
}

bool DatabaseConnection::isSameDatabase() const {
    if (!m_file) {
        return true;
    }
    struct stat status {};
    return ::stat(QFile::encodeName(m_target).constData(), &status) == 0 && status.st_dev == m_device &&
           status.st_ino == m_inode;
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
