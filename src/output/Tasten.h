#pragma once

#include <QDialog>
#include <QString>

#include <array>

class Dialogs;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The output definition window ("Ausgabe-Definition"): composes the output template from token
// buttons. It edits a copy of the caller's definition; the caller takes definition() back when
// the window was accepted.
class Tasten : public QDialog {
    Q_OBJECT
public:
    static constexpr int KeyCount = 34;

    Tasten(Dialogs& dialogs, const QString& definition, QWidget* parent = nullptr);

    QString definition() const;

    // The caption of Key_(index) and the token it appends.
    static QString keyCaption(int index);
    static QString keyToken(int index);

private:
    void buildControls();
    void load();
    void append(const QString& token);
    // Appends "{" + the language text of key + "}".
    void appendNamed(const char* key);
    void Command2_Click();

    Dialogs& m_dialogs;
    QLineEdit* m_ausgabe_string = nullptr;
    QPushButton* m_Waagenwert = nullptr;
    QPushButton* m_einheit = nullptr;
    QPushButton* m_Datum = nullptr;
    QPushButton* m_Uhrzeit = nullptr;
    QPushButton* m_Command2 = nullptr;
    QPushButton* m_del_ausgabe_def = nullptr;
    QPushButton* m_Command1 = nullptr;
    QPushButton* m_Command3 = nullptr;
    QGroupBox* m_Frame1 = nullptr;
    std::array<QPushButton*, KeyCount> m_Key_{};
};
