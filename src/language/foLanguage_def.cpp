#include "language/foLanguage_def.h"

#include "language/LanguageFile.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

foLanguage_def::foLanguage_def(QString programDirectory, QWidget* parent)
    : QDialog(parent), m_programDirectory(std::move(programDirectory)), m_cboLanguage(new QComboBox(this)) {
    setObjectName(QStringLiteral("foLanguage_def"));
    setWindowTitle(QStringLiteral("Sprachauswahl"));
    auto* layout = new QVBoxLayout(this);
    auto* english = new QLabel(QStringLiteral("Please choice the Language"), this);
    english->setObjectName(QStringLiteral("Label1"));
    auto* german = new QLabel(QStringLiteral("Bitte Sprache auswählen"), this);
    german->setObjectName(QStringLiteral("Label2"));
    layout->addWidget(english);
    layout->addWidget(german);

    const QString file = LanguageFile::path(m_programDirectory);
    m_cboLanguage->setObjectName(QStringLiteral("cboLanguage"));
    m_cboLanguage->setEditable(true);
    m_cboLanguage->addItems(LanguageFile::availableLanguages(file));
    m_cboLanguage->setCurrentText(LanguageFile::presetLanguage(file));
    layout->addWidget(m_cboLanguage);

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &foLanguage_def::cmdOK_Click);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

void foLanguage_def::cmdOK_Click() {
    LanguageFile::chooseLanguage(m_programDirectory, m_cboLanguage->currentText().trimmed());
    accept();
}
