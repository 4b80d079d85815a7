#include "output/select_AccessFile.h"

#include "core/MainController.h"
#include "output/Delivery.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

select_AccessFile::select_AccessFile(MainController& controller, QWidget* parent)
    : FileTargetDialog(controller,
                       {QStringLiteral("select_AccessFile"), QStringLiteral("Access-Datei auswählen"),
                        QStringLiteral("txtAccessFile"),
                        QStringLiteral("Datenbanken (*.db *.sqlite *.sqlite3 *.db3);;Alle Dateien (*)")},
                       parent) {
    m_Label1 = new QLabel(QStringLiteral("Bitte wählen Sie die Access-Datenbank und Tabelle aus"), this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    addAbovePath(m_Label1);

    m_cboTables = new QComboBox(this);
    m_cboTables->setObjectName(QStringLiteral("cboTables"));
    // A table name may also be typed.
    m_cboTables->setEditable(true);
    m_cboTables->setInsertPolicy(QComboBox::NoInsert);
    addBelowPath(m_cboTables);

    const Settings& settings = controller.settings();
    pathField()->setText(settings.AccessFile);
    m_cboTables->setEditText(settings.AccessTable);
    m_listed = settings.AccessFile;

    // A server URL cannot come from the file dialog; its tables are listed once it is typed.
    connect(pathField(), &QLineEdit::editingFinished, this, [this] {
        if (pathField()->text() != m_listed) {
            listTables(pathField()->text());
        }
    });
}

void select_AccessFile::fileChosen(const QString& path) {
    listTables(path);
}

void select_AccessFile::listTables(const QString& database) {
    m_listed = database;
    m_cboTables->clear();
    m_cboTables->addItems(Delivery::tableNames(Delivery::resolvePath(database)));
}

void select_AccessFile::store(Settings& settings) {
    settings.AccessFile = pathField()->text();
    settings.AccessTable = m_cboTables->currentText();
}
