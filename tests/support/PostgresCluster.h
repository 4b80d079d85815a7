#pragma once

#include <QString>
#include <QTemporaryDir>

// A throwaway PostgreSQL cluster on loopback, owned by the test: created with initdb in a
// temporary folder, started on a free port, stopped and removed at the end. As root the server
// runs as the postgres user, which it insists on.
class PostgresCluster {
public:
    PostgresCluster();
    ~PostgresCluster();

    // False (with reason()) when no PostgreSQL server is installed or it does not start.
    bool start();
    // Stops the server, which ends every connection, and starts it again on the same port after
    // pauseMs, during which events are processed.
    bool restart(int pauseMs = 0);
    QString url(const QString& database = QStringLiteral("kelvane")) const;
    // Runs SQL through psql; returns its output, tuples only, fields separated by "|".
    QString psql(const QString& sql) const;
    QString reason() const { return m_reason; }

private:
    QString binary(const QString& name) const;
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) const;

    QString serverOptions() const;

    QTemporaryDir m_dir;
    QString m_binaries;
    quint16 m_port = 0;
    bool m_running = false;
    QString m_reason;
};
