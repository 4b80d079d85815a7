#include "gui/LanguageDialog.h"

#include "base/texts/LanguageFile.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

LanguageDialog::LanguageDialog(QString programDirectory, QWidget* parent)
    : QDialog(parent), m_programDirectory(std::move(programDirectory)), m_languageBox(new QComboBox(this)) {
    setObjectName(QStringLiteral("LanguageDialog"));
    setWindowTitle(QStringLiteral("Sprachauswahl"));
    auto* layout = new QVBoxLayout(this);
    // The prompt stands in both languages: the window may open before any language is chosen.
    auto* english = new QLabel(QStringLiteral("Please choice the Language"), this);
    english->setObjectName(QStringLiteral("englishPrompt"));
    auto* german = new QLabel(QStringLiteral("Bitte Sprache auswählen"), this);
    german->setObjectName(QStringLiteral("germanPrompt"));
    layout->addWidget(english);
    layout->addWidget(german);

    const QString file = LanguageFile::path(m_programDirectory);
    m_languageBox->setObjectName(QStringLiteral("languageBox"));
    m_languageBox->setEditable(true);
    m_languageBox->addItems(LanguageFile::availableLanguages(file));
    m_languageBox->setCurrentText(LanguageFile::presetLanguage(file));
    layout->addWidget(m_languageBox);

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &LanguageDialog::storeAndClose);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

void LanguageDialog::storeAndClose() {
    LanguageFile::chooseLanguage(m_programDirectory, m_languageBox->currentText().trimmed());
    accept();
}
