#pragma once

#include "output/FileTargetDialog.h"

class QComboBox;
class QLabel;

// The setup assistant's choice of the database and its table that receive the values. The
// database is an SQLite file or a postgresql:// URL typed into the path field.
class select_AccessFile : public FileTargetDialog {
    Q_OBJECT
public:
    explicit select_AccessFile(MainController& controller, QWidget* parent = nullptr);

protected:
    void fileChosen(const QString& path) override;
    void store(Settings& settings) override;

private:
    void listTables(const QString& database);

    QLabel* m_Label1 = nullptr;
    QComboBox* m_cboTables = nullptr;
    // The database whose tables the list shows.
    QString m_listed;
};
