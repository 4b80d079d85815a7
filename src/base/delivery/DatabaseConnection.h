#pragma once

#include <QSqlDatabase>
#include <QString>

#include <sys/types.h>

// One open connection to an SQLite file or a PostgreSQL server ("postgresql://user:password@
// host:port/dbname"), from construction to destruction, removed from Qt's registry after.
class DatabaseConnection {
public:
    // How long a database that another program holds, or a server that does not answer, is
    // waited for: long enough for a new value, briefly for one tried again, so that retries never
    // hold up the main cycle.
    enum class Patience { Full, Brief };

    explicit DatabaseConnection(const QString& database, Patience patience = Patience::Full);
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection&) = delete;
    DatabaseConnection& operator=(const DatabaseConnection&) = delete;

    const QString& target() const { return m_target; }
    bool isOpen() const { return m_open; }
    // Whether it did not open because the database file does not exist.
    bool isMissing() const { return m_missing; }
    // Why the connection did not open.
    const QString& error() const { return m_error; }
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    // How long a locked database file is waited for by the statements from now on.
    void setPatience(Patience patience);
    // Asks the database whether the connection still works: a server restarts, a network fails.
    bool answers() const;
    // Whether the target is still the database this connection opened: always for a server; for
    // a file, false once it was removed or replaced, which an open connection would not notice.
    bool isSameDatabase() const;

private:
    QString m_target;
    QString m_name;
    QString m_error;
    bool m_open = false;
    bool m_missing = false;
    Patience m_patience = Patience::Full;
    bool m_file = false;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};
