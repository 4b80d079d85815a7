#include "gui/ButtonCaptionDialog.h"

#include "base/texts/LanguageTable.h"

#include <QHBoxLayout>
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

    auto* buttons = new QHBoxLayout;
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(languageText(TextKey::ButtonCaptionCancel), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons);

    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

QString ButtonCaptionDialog::caption() const {
    return m_captionBox->text();
}
