#include "gui/ButtonCaptionDialog.h"

#include "base/texts/LanguageTable.h"
#include "gui/DialogButtonRow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ButtonCaptionDialog::ButtonCaptionDialog(const QString& caption, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ButtonCaptionDialog"));
    setWindowTitle(QStringLiteral("Button Text"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    m_promptLabel = new QLabel(languageText(TextKey::ButtonCaptionPrompt), this);
    m_promptLabel->setObjectName(QStringLiteral("promptLabel"));
    layout->addWidget(m_promptLabel);

    m_captionBox = new QLineEdit(caption, this);
    m_captionBox->setObjectName(QStringLiteral("captionBox"));
    m_captionBox->selectAll();
    layout->addWidget(m_captionBox);

    const DialogButtonRow buttons =
        DialogButtonRow::add(this, layout, QStringLiteral("OK"), languageText(TextKey::ButtonCaptionCancel));
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;

    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QString ButtonCaptionDialog::caption() const {
    return m_captionBox->text();
}
