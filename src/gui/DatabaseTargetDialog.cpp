#include "gui/DatabaseTargetDialog.h"

#include "base/config/Settings.h"
#include "base/delivery/Database.h"
#include "base/delivery/TargetPath.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

DatabaseTargetDialog::DatabaseTargetDialog(Settings& settings, Dialogs& dialogs, QWidget* parent)
    : FileTargetDialog(settings, dialogs,
                       {QStringLiteral("DatabaseTargetDialog"), QStringLiteral("Access-Datei auswählen"),
                        QStringLiteral("databasePathBox"),
                        QStringLiteral("Datenbanken (*.db *.sqlite *.sqlite3 *.db3);;Alle Dateien (*)")},
                       parent) {
    m_promptLabel = new QLabel(QStringLiteral("Bitte wählen Sie die Access-Datenbank und Tabelle aus"), this);
    m_promptLabel->setObjectName(QStringLiteral("promptLabel"));
    addAbovePath(m_promptLabel);

    m_tableBox = new QComboBox(this);
    m_tableBox->setObjectName(QStringLiteral("tableBox"));
    // A table name may also be typed.
    m_tableBox->setEditable(true);
    m_tableBox->setInsertPolicy(QComboBox::NoInsert);
    addBelowPath(m_tableBox);

    pathBox()->setText(settings.databasePath);
    m_tableBox->setEditText(settings.databaseTable);
    m_listed = settings.databasePath;

    // A server URL cannot come from the file dialog; its tables are listed once it is typed.
    connect(pathBox(), &QLineEdit::editingFinished, this, [this] {
        if (pathBox()->text() != m_listed) {
            listTables(pathBox()->text());
        }
    });
}

void DatabaseTargetDialog::fileChosen(const QString& path) {
    listTables(path);
}

void DatabaseTargetDialog::listTables(const QString& database) {
    m_listed = database;
    m_tableBox->clear();
    m_tableBox->addItems(Database::tableNames(resolveTargetPath(database)));
}

void DatabaseTargetDialog::store(Settings& settings) {
    settings.databasePath = pathBox()->text();
    settings.databaseTable = m_tableBox->currentText();
}
