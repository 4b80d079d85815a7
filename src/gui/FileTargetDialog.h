#pragma once

#include <QDialog>
#include <QString>

class Dialogs;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
struct Settings;

// What the setup assistant's file windows share: an open button with the file dialog, the path
// box, continue and cancel. Continue stores the window's fields into the settings; cancel
// raises the flag that ends the assistant.
class FileTargetDialog : public QDialog {
    Q_OBJECT
public:
    // Set by cancel (and by closing the window any other way), cleared by the open button.
    bool cancelled() const { return m_cancelled; }

    void reject() override;

protected:
    struct Description {
        QString objectName;
        QString title;
        QString pathBoxName;
        // File dialog patterns, in QFileDialog's filter syntax.
        QString filter;
    };

    FileTargetDialog(Settings& settings, Dialogs& dialogs, const Description& description, QWidget* parent);

    Settings& settings() const { return m_settings; }
    QLineEdit* pathBox() const { return m_pathBox; }
    // Places content above or below the row of the path box.
    void addAbovePath(QWidget* widget);
    void addBelowPath(QWidget* widget);

    // A path was chosen in the file dialog and is in the path box.
    virtual void fileChosen(const QString& path);
    // Continue: the window's fields go into the settings.
    virtual void store(Settings& settings) = 0;

private:
    void chooseFile();
    void storeAndContinue();

    Settings& m_settings;
    Dialogs& m_dialogs;
    Description m_description;
    QVBoxLayout* m_layout = nullptr;
    QLineEdit* m_pathBox = nullptr;
    QPushButton* m_openButton = nullptr;
    QPushButton* m_continueButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    int m_pathRow = 0;
    bool m_cancelled = false;
};
