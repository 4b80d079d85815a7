#include "output/FileTargetDialog.h"

#include "core/Dialogs.h"
#include "core/MainController.h"

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

FileTargetDialog::FileTargetDialog(MainController& controller, const Description& description,
                                   QWidget* parent)
    : QDialog(parent), m_controller(controller), m_description(description) {
    setObjectName(description.windowName);
    setWindowTitle(description.caption);
    setModal(true);

    m_layout = new QVBoxLayout(this);
    auto* pathRow = new QHBoxLayout;
    m_pathField = new QLineEdit(this);
    m_pathField->setObjectName(description.pathFieldName);
    m_pathField->setMinimumWidth(360);
    m_cmdOpen = makeButton(this, "cmdOpen", QStringLiteral("Öffnen..."));
    pathRow->addWidget(m_pathField, 1);
    pathRow->addWidget(m_cmdOpen);
    m_layout->addLayout(pathRow);
    m_pathRow = 0;

    auto* buttons = new QHBoxLayout;
    m_cmdGoOn = makeButton(this, "cmdGoOn", QStringLiteral("Weiter"));
    m_cmdCancel = makeButton(this, "cmdCancel", QStringLiteral("Abbrechen"));
    buttons->addStretch();
    buttons->addWidget(m_cmdGoOn);
    buttons->addWidget(m_cmdCancel);
    m_layout->addLayout(buttons);

    connect(m_cmdOpen, &QPushButton::clicked, this, &FileTargetDialog::cmdOpen_Click);
    connect(m_cmdGoOn, &QPushButton::clicked, this, &FileTargetDialog::cmdGoOn_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &FileTargetDialog::reject);
}

void FileTargetDialog::addAbovePath(QWidget* widget) {
    m_layout->insertWidget(m_pathRow, widget);
    ++m_pathRow;
}

void FileTargetDialog::addBelowPath(QWidget* widget) {
    m_layout->insertWidget(m_pathRow + 1, widget);
}

void FileTargetDialog::reject() {
    // Closing the window any other way than continue ends the assistant, as Abbrechen does.
    m_cancelled = true;
    QDialog::reject();
}

void FileTargetDialog::fileChosen(const QString&) {}

void FileTargetDialog::cmdOpen_Click() {
    m_cancelled = false;
    const QString current = m_pathField->text().trimmed();
    const QString folder = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const auto chosen = m_controller.dialogs().openFile(m_description.caption, folder, m_description.filter);
    if (!chosen || chosen->isEmpty()) {
        return;
    }
    m_pathField->setText(*chosen);
    fileChosen(*chosen);
}

void FileTargetDialog::cmdGoOn_Click() {
    store(m_controller.settings());
    accept();
}
