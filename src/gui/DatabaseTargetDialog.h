#pragma once

#include "gui/FileTargetDialog.h"

class QComboBox;
class QLabel;

// The setup assistant's choice of the database and its table that receive the values. The
// database is an SQLite file or a postgresql:// URL typed into the path box.
class DatabaseTargetDialog : public FileTargetDialog {
    Q_OBJECT
public:
    DatabaseTargetDialog(Settings& settings, Dialogs& dialogs, QWidget* parent = nullptr);

protected:
    void fileChosen(const QString& path) override;
    void store(Settings& settings) override;

private:
    void listTables(const QString& database);

    QLabel* m_promptLabel = nullptr;
    QComboBox* m_tableBox = nullptr;
    // The database whose tables the list shows.
    QString m_listed;
};
