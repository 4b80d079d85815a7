#include "gui/OutputTemplateDialog.h"

#include "base/interfaces/Dialogs.h"
#include "base/texts/LanguageTable.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int KeyColumns = 8;

// Key buttons 12 to 23: caption and key name of the token.
constexpr std::array<std::pair<const char*, const char*>, 12> NamedKeys = {{{"TAB", "TAB"},
                                                                            {"ENTER", "ENTER"},
                                                                            {"BACK", "BS"},
                                                                            {"PGUP", "PGUP"},
                                                                            {"PGDN", "PGDN"},
                                                                            {"DEL", "DEL"},
                                                                            {"HOME", "HOME"},
                                                                            {"END", "END"},
                                                                            {"UP", "UP"},
                                                                            {"DOWN", "DOWN"},
                                                                            {"LEFT", "LEFT"},
                                                                            {"RIGHT", "RIGHT"}}};
// Buttons 0 to 11 are F1 to F12, 24 to 33 the ID fields 1 to 10.
constexpr int FirstNamedKey = 12;
constexpr int FirstIdKey = FirstNamedKey + static_cast<int>(NamedKeys.size());

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// The key name of key button index, without braces.
QString keyName(int index) {
    if (index < FirstNamedKey) {
        return u'F' + QString::number(index + 1);
    }
    if (index < FirstIdKey) {
        return QLatin1StringView(NamedKeys[static_cast<std::size_t>(index - FirstNamedKey)].second);
    }
    return QStringLiteral("ID_") + QString::number(index - FirstIdKey + 1);
}

} // namespace

QString OutputTemplateDialog::keyCaption(int index) {
    if (index < 0 || index >= KeyCount) {
        return {};
    }
    if (index >= FirstNamedKey && index < FirstIdKey) {
        return QLatin1StringView(NamedKeys[static_cast<std::size_t>(index - FirstNamedKey)].first);
    }
    return keyName(index);
}

QString OutputTemplateDialog::keyToken(int index) {
    if (index < 0 || index >= KeyCount) {
        return {};
    }
    return u'{' + keyName(index) + u'}';
}

OutputTemplateDialog::OutputTemplateDialog(Dialogs& dialogs, const QString& outputTemplate, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("OutputTemplateDialog"));
    setModal(true);
    buildControls();
    m_templateBox->setText(outputTemplate);
    load();
}

void OutputTemplateDialog::buildControls() {
    setWindowTitle(QStringLiteral("Ausgabe-Definition"));
    auto* layout = new QVBoxLayout(this);

    auto* templateRow = new QHBoxLayout;
    m_templateBox = new QLineEdit(this);
    m_templateBox->setObjectName(QStringLiteral("templateBox"));
    m_templateBox->setMinimumWidth(420);
    m_clearButton = makeButton(this, QStringLiteral("clearButton"), QStringLiteral("&Löschen"));
    templateRow->addWidget(m_templateBox, 1);
    templateRow->addWidget(m_clearButton);
    layout->addLayout(templateRow);

    auto* dataRow = new QHBoxLayout;
    m_valueButton = makeButton(this, QStringLiteral("valueButton"), QStringLiteral("Messwert"));
    m_unitButton = makeButton(this, QStringLiteral("unitButton"), QStringLiteral("Einheit"));
    m_dateButton = makeButton(this, QStringLiteral("dateButton"), QStringLiteral("Datum"));
    m_timeButton = makeButton(this, QStringLiteral("timeButton"), QStringLiteral("Uhrzeit"));
    m_promptButton = makeButton(this, QStringLiteral("promptButton"), QStringLiteral("?"));
    for (QPushButton* button : {m_valueButton, m_unitButton, m_dateButton, m_timeButton, m_promptButton}) {
        dataRow->addWidget(button);
    }
    dataRow->addStretch();
    layout->addLayout(dataRow);

    m_keysFrame = new QGroupBox(QStringLiteral("Tastenauswahl"), this);
    m_keysFrame->setObjectName(QStringLiteral("keysFrame"));
    auto* keys = new QGridLayout(m_keysFrame);
    for (int index = 0; index < KeyCount; ++index) {
        QPushButton* button =
            makeButton(m_keysFrame, QStringLiteral("keyButton%1").arg(index), keyCaption(index));
        m_keyButtons[static_cast<std::size_t>(index)] = button;
        keys->addWidget(button, index / KeyColumns, index % KeyColumns);
        connect(button, &QPushButton::clicked, this, [this, index] { append(keyToken(index)); });
    }
    layout->addWidget(m_keysFrame);

    auto* buttons = new QHBoxLayout;
    m_okButton = makeButton(this, QStringLiteral("okButton"), QStringLiteral("&OK"));
    m_okButton->setDefault(true);
    m_cancelButton = makeButton(this, QStringLiteral("cancelButton"), QStringLiteral("&Abbrechen"));
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons);

    connect(m_valueButton, &QPushButton::clicked, this, [this] { appendDataToken(TextKey::ValueToken); });
    connect(m_unitButton, &QPushButton::clicked, this, [this] { appendDataToken(TextKey::UnitToken); });
    connect(m_dateButton, &QPushButton::clicked, this, [this] { appendDataToken(TextKey::DateToken); });
    connect(m_timeButton, &QPushButton::clicked, this, [this] { appendDataToken(TextKey::TimeToken); });
    connect(m_promptButton, &QPushButton::clicked, this, &OutputTemplateDialog::appendPrompt);
    connect(m_clearButton, &QPushButton::clicked, m_templateBox, &QLineEdit::clear);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void OutputTemplateDialog::load() {
    setWindowTitle(languageText(TextKey::TemplateTitle));
    m_keysFrame->setTitle(languageText(TextKey::TemplateKeysFrame));
    m_clearButton->setText(languageText(TextKey::TemplateClear));
    m_timeButton->setText(languageText(TextKey::TemplateTime));
    m_dateButton->setText(languageText(TextKey::TemplateDate));
    m_unitButton->setText(languageText(TextKey::TemplateUnit));
    m_valueButton->setText(languageText(TextKey::TemplateValue));
    m_okButton->setText(languageText(TextKey::TemplateOk));
    m_cancelButton->setText(languageText(TextKey::TemplateCancel));
}

QString OutputTemplateDialog::outputTemplate() const {
    return m_templateBox->text();
}

void OutputTemplateDialog::append(const QString& token) {
    // Tokens always go to the end, wherever the caret stands.
    m_templateBox->setText(m_templateBox->text() + token);
}

void OutputTemplateDialog::appendDataToken(TextKey name) {
    append(u'{' + languageText(name) + u'}');
}

void OutputTemplateDialog::appendPrompt() {
    const auto label = m_dialogs.inputBox(languageText(TextKey::PromptLabelQuestion),
                                          languageText(TextKey::PromptTitle), {});
    // A cancelled box still leaves a prompt token, with an empty label.
    append(QStringLiteral("{?") + label.value_or(QString()) + u'}');
}
