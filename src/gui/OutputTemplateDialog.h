#pragma once

#include "base/texts/TextKey.h"

#include <QDialog>
#include <QString>

#include <array>

class Dialogs;
class QGroupBox;
class QLineEdit;
class QPushButton;

// The output template window ("Ausgabe-Definition"): composes the output template from token
// buttons. It edits a copy of the caller's template; the caller takes outputTemplate() back
// when the window was accepted.
class OutputTemplateDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int KeyCount = 34;

    OutputTemplateDialog(Dialogs& dialogs, const QString& outputTemplate, QWidget* parent = nullptr);

    QString outputTemplate() const;

    // The caption of key button index and the token it appends.
    static QString keyCaption(int index);
    static QString keyToken(int index);

private:
    void buildControls();
    void load();
    void append(const QString& token);
    // Appends the token of a data field: its name in the current language, in braces.
    void appendDataToken(TextKey name);
    // Asks for a label and appends a prompt token with it.
    void appendPrompt();

    Dialogs& m_dialogs;
    QLineEdit* m_templateBox = nullptr;
    QPushButton* m_clearButton = nullptr;
    QPushButton* m_valueButton = nullptr;
    QPushButton* m_unitButton = nullptr;
    QPushButton* m_dateButton = nullptr;
    QPushButton* m_timeButton = nullptr;
    QPushButton* m_promptButton = nullptr;
    QGroupBox* m_keysFrame = nullptr;
    std::array<QPushButton*, KeyCount> m_keyButtons{};
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};
