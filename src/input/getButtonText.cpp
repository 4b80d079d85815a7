#include "input/getButtonText.h"

#include "input/getkey_def.h"
#include "language/LanguageTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

getButtonText::getButtonText(getkey_def& keyWindow, int row, QWidget* parent)
    : QDialog(parent ? parent : &keyWindow), m_keyWindow(keyWindow), m_row(row) {
    setObjectName(QStringLiteral("getButtonText"));
    setWindowTitle(QStringLiteral("Button Text"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    m_Label1 = new QLabel(LanguageText(QStringLiteral("TextFrmGetButtonText_Label1Caption")), this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(m_Label1);

    m_Text1 = new QLineEdit(keyWindow.commandCaption(row), this);
    m_Text1->setObjectName(QStringLiteral("Text1"));
    m_Text1->selectAll();
    layout->addWidget(m_Text1);

    auto* buttons = new QHBoxLayout;
    m_OKButton = new QPushButton(QStringLiteral("OK"), this);
    m_OKButton->setObjectName(QStringLiteral("OKButton"));
    m_OKButton->setDefault(true);
    m_CancelButton =
        new QPushButton(LanguageText(QStringLiteral("TextFrmGetButtonText_CancelCaption")), this);
    m_CancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_CancelButton->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_OKButton);
    buttons->addWidget(m_CancelButton);
    layout->addLayout(buttons);

    connect(m_OKButton, &QPushButton::clicked, this, &getButtonText::OKButton_Click);
    connect(m_CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void getButtonText::OKButton_Click() {
    m_keyWindow.setCommandCaption(m_row, m_Text1->text());
    accept();
}
