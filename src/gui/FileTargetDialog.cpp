#include "gui/FileTargetDialog.h"

#include "base/interfaces/Dialogs.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

FileTargetDialog::FileTargetDialog(Settings& settings, Dialogs& dialogs, const Description& description,
                                   QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs), m_description(description) {
    setObjectName(description.objectName);
    setWindowTitle(description.title);
    setModal(true);

    m_layout = new QVBoxLayout(this);
    auto* pathRow = new QHBoxLayout;
    m_pathBox = new QLineEdit(this);
    m_pathBox->setObjectName(description.pathBoxName);
    m_pathBox->setMinimumWidth(360);
    m_openButton = makeButton(this, "openButton", QStringLiteral("Öffnen..."));
    pathRow->addWidget(m_pathBox, 1);
    pathRow->addWidget(m_openButton);
    m_layout->addLayout(pathRow);
    m_pathRow = 0;

    auto* buttons = new QHBoxLayout;
    m_continueButton = makeButton(this, "continueButton", QStringLiteral("Weiter"));
    m_cancelButton = makeButton(this, "cancelButton", QStringLiteral("Abbrechen"));
    buttons->addStretch();
    buttons->addWidget(m_continueButton);
    buttons->addWidget(m_cancelButton);
    m_layout->addLayout(buttons);

    connect(m_openButton, &QPushButton::clicked, this, &FileTargetDialog::chooseFile);
    connect(m_continueButton, &QPushButton::clicked, this, &FileTargetDialog::storeAndContinue);
    connect(m_cancelButton, &QPushButton::clicked, this, &FileTargetDialog::reject);
}

void FileTargetDialog::addAbovePath(QWidget* widget) {
    m_layout->insertWidget(m_pathRow, widget);
    ++m_pathRow;
}

void FileTargetDialog::addBelowPath(QWidget* widget) {
    m_layout->insertWidget(m_pathRow + 1, widget);
}

void FileTargetDialog::reject() {
    // Closing the window any other way than continue ends the assistant, as cancel does.
    m_cancelled = true;
    QDialog::reject();
}

void FileTargetDialog::fileChosen(const QString&) {}

void FileTargetDialog::chooseFile() {
    m_cancelled = false;
    const QString current = m_pathBox->text().trimmed();
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const auto chosen = m_dialogs.openFile(m_description.title, folder, m_description.filter);
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    m_pathBox->setText(*chosen);
    fileChosen(*chosen);
}

void FileTargetDialog::storeAndContinue() {
    store(m_settings);
    accept();
}
