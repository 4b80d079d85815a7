#pragma once

#include <QDialog>
#include <QString>

class MainController;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
struct Settings;

// What the setup assistant's file windows share: an Open button with the file dialog, the path
// field, continue and cancel. Continue stores the window's fields into the settings; cancel
// raises the flag that ends the assistant.
class FileTargetDialog : public QDialog {
    Q_OBJECT
public:
    // Set by cmdCancel (and by closing the window otherwise), cleared by cmdOpen.
    bool cancelled() const { return m_cancelled; }

    void reject() override;

protected:
    struct Description {
        QString windowName;
        QString caption;
        QString pathFieldName;
        // File dialog patterns, in QFileDialog's filter syntax.
        QString filter;
    };

    FileTargetDialog(MainController& controller, const Description& description, QWidget* parent);

    MainController& controller() const { return m_controller; }
    QLineEdit* pathField() const { return m_pathField; }
    // Places content above or below the row of the path field.
    void addAbovePath(QWidget* widget);
    void addBelowPath(QWidget* widget);

    // A path was chosen in the file dialog and is in the path field.
    virtual void fileChosen(const QString& path);
    // cmdGoOn: the window's fields go into the settings.
    virtual void store(Settings& settings) = 0;

private:
    void cmdOpen_Click();
    void cmdGoOn_Click();

    MainController& m_controller;
    Description m_description;
    QVBoxLayout* m_layout = nullptr;
    QLineEdit* m_pathField = nullptr;
    QPushButton* m_cmdOpen = nullptr;
    QPushButton* m_cmdGoOn = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    int m_pathRow = 0;
    bool m_cancelled = false;
};
