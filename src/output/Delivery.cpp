#include "output/Delivery.h"

#include "core/Dialogs.h"
#include "core/MainController.h"
#include "core/MainView.h"
#include "core/ProgramDirectory.h"
#include "output/KeystrokeOutput.h"
#include "output/Workbook.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString Separator = QStringLiteral("{TAB}");

bool isServerUrl(const QString& database) {
    return database.startsWith(QLatin1String("postgresql://")) ||
           database.startsWith(QLatin1String("postgres://"));
}

// One database connection for the lifetime of the object, removed from Qt's registry after.
class Connection {
public:
    explicit Connection(const QString& database) {
        static QAtomicInteger<int> counter;
        m_name = QStringLiteral("kelvane-delivery-%1").arg(counter.fetchAndAddRelaxed(1));
        QSqlDatabase db;
        if (isServerUrl(database)) {
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
        m_ok = isServerUrl(database) || QFileInfo(database).isFile();
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

Delivery::Delivery(MainController& controller) : m_controller(controller) {}

QStringList Delivery::tabFields(const QString& outputText) {
    QStringList fields = outputText.split(Separator);
    fields.removeLast();
    return fields;
}

QString Delivery::resolvePath(const QString& path) {
    if (path.isEmpty() || isServerUrl(path)) {
        return path;
    }
    return QDir(ProgramDirectory::path()).absoluteFilePath(path);
}

void Delivery::DeliverOutput(const QString& outputText) {
    m_controller.dialogs().beep();
    const Settings& s = m_controller.settings();
    const QString& target = s.Anwendung;
    if (target == QLatin1String("DDE-Kanal")) {
        m_controller.dde.DDESTRING = outputText;
    } else if (target == QLatin1String("Excel-Datei")) {
        deliverToWorkbook(outputText);
    } else if (target == QLatin1String("Text-Datei")) {
        m_controller.view().setStatus1Text(2, s.TextFile);
        appendLine(resolvePath(s.TextFile), outputText);
    } else if (target == QLatin1String("XML-Datei")) {
        // Offered as a target, but it has no output of its own.
    } else if (target == QLatin1String("Access-Datenbank")) {
        if (outputText.contains(Separator)) {
            insertRecord(resolvePath(s.AccessFile), s.AccessTable, tabFields(outputText));
        }
    } else if (m_keystrokes) {
        m_keystrokes->deliverKeystrokes(outputText);
    }
}

void Delivery::deliverToWorkbook(const QString& outputText) {
    const QString path = m_controller.settings().ExcelFile;
    // For a workbook a text without any separator is one field.
    const QStringList fields =
        outputText.contains(Separator) ? tabFields(outputText) : QStringList{outputText};
    const Workbook::Result result =
        Workbook::appendRow(resolvePath(path), QStringLiteral("Tabelle1"), fields);
    switch (result.error) {
    case Workbook::Error::None:
    case Workbook::Error::SheetMissing:
        break;
    default:
        // The workbook cannot be opened or saved: the user must look at the setting.
        m_controller.dialogs().message(
            QStringLiteral("Datei ") + path +
            QStringLiteral(" nicht gefunden, bitte prüfen Sie die Einstellungen für "
                           "Speicherung in einer Excel-Datei"));
        break;
    }
}

bool Delivery::appendLine(const QString& path, const QString& line) {
    if (path.isEmpty()) {
        return false;
    }
    // One write call in append mode: a crash leaves earlier lines whole.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const QByteArray bytes = line.toUtf8() + "\r\n";
    qsizetype written = 0;
    bool ok = true;
    while (written < bytes.size()) {
        const ssize_t result =
            ::write(fd, bytes.constData() + written, static_cast<size_t>(bytes.size() - written));
        if (result < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            break;
        }
        written += result;
    }
    if (!ok && written > 0) {
        // A half-written line must not stay glued to the next one.
        [[maybe_unused]] const auto ignored = ::write(fd, "\r\n", 2);
    }
    ::close(fd);
    return ok;
}

bool Delivery::insertRecord(const QString& database, const QString& table, const QStringList& fields,
                            QString* error) {
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

QStringList Delivery::tableNames(const QString& database, QString* error) {
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
