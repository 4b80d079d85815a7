#include "base/delivery/DatabaseConnection.h"

#include "base/delivery/TargetPath.h"

#include <QAtomicInteger>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <sys/stat.h>

DatabaseConnection::DatabaseConnection(const QString& database) : m_target(database) {
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
        db.setConnectOptions(QStringLiteral("connect_timeout=5"));
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(database);
        // A database locked by another program is waited for a while, not failed at once.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
    }
    if (!server && !QFileInfo(database).isFile()) {
        m_error = QStringLiteral("the database file %1 does not exist").arg(database);
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
