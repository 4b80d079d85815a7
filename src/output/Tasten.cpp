#include "output/Tasten.h"

#include "core/Dialogs.h"
#include "language/LanguageTable.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int KeyColumns = 8;

// Key_(12) to Key_(23): caption and key name of the token.
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
constexpr int FirstNamedKey = 12;
constexpr int FirstIdKey = FirstNamedKey + static_cast<int>(NamedKeys.size());

QString text(const char* key) {
    return LanguageText(QLatin1String(key));
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// The key name of Key_(index) without braces.
QString keyName(int index) {
    if (index < FirstNamedKey) {
        return u'F' + QString::number(index + 1);
    }
    if (index < FirstIdKey) {
        return QLatin1String(NamedKeys[static_cast<std::size_t>(index - FirstNamedKey)].second);
    }
    return QStringLiteral("ID_") + QString::number(index - FirstIdKey + 1);
}

} // namespace

QString Tasten::keyCaption(int index) {
    if (index < 0 || index >= KeyCount) {
        return {};
    }
    if (index >= FirstNamedKey && index < FirstIdKey) {
        return QLatin1String(NamedKeys[static_cast<std::size_t>(index - FirstNamedKey)].first);
    }
    return keyName(index);
}

QString Tasten::keyToken(int index) {
    if (index < 0 || index >= KeyCount) {
        return {};
    }
    return u'{' + keyName(index) + u'}';
}

Tasten::Tasten(Dialogs& dialogs, const QString& definition, QWidget* parent)
    : QDialog(parent), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("Tasten"));
    setModal(true);
    buildControls();
    m_ausgabe_string->setText(definition);
    load();
}

void Tasten::buildControls() {
    setWindowTitle(QStringLiteral("Ausgabe-Definition"));
    auto* layout = new QVBoxLayout(this);

    auto* definitionRow = new QHBoxLayout;
    m_ausgabe_string = new QLineEdit(this);
    m_ausgabe_string->setObjectName(QStringLiteral("ausgabe_string"));
    m_ausgabe_string->setMinimumWidth(420);
    m_del_ausgabe_def = makeButton(this, QStringLiteral("del_ausgabe_def"), QStringLiteral("&Löschen"));
    definitionRow->addWidget(m_ausgabe_string, 1);
    definitionRow->addWidget(m_del_ausgabe_def);
    layout->addLayout(definitionRow);

    auto* dataRow = new QHBoxLayout;
    m_Waagenwert = makeButton(this, QStringLiteral("Waagenwert"), QStringLiteral("Messwert"));
    m_einheit = makeButton(this, QStringLiteral("einheit"), QStringLiteral("Einheit"));
    m_Datum = makeButton(this, QStringLiteral("Datum"), QStringLiteral("Datum"));
    m_Uhrzeit = makeButton(this, QStringLiteral("Uhrzeit"), QStringLiteral("Uhrzeit"));
    m_Command2 = makeButton(this, QStringLiteral("Command2"), QStringLiteral("?"));
    for (QPushButton* button : {m_Waagenwert, m_einheit, m_Datum, m_Uhrzeit, m_Command2}) {
        dataRow->addWidget(button);
    }
    dataRow->addStretch();
    layout->addLayout(dataRow);

    m_Frame1 = new QGroupBox(QStringLiteral("Tastenauswahl"), this);
    m_Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* keys = new QGridLayout(m_Frame1);
    for (int index = 0; index < KeyCount; ++index) {
        QPushButton* button = makeButton(m_Frame1, QStringLiteral("Key_(%1)").arg(index), keyCaption(index));
        m_Key_[static_cast<std::size_t>(index)] = button;
        keys->addWidget(button, index / KeyColumns, index % KeyColumns);
        connect(button, &QPushButton::clicked, this, [this, index] { append(keyToken(index)); });
    }
    layout->addWidget(m_Frame1);

    auto* buttons = new QHBoxLayout;
    m_Command1 = makeButton(this, QStringLiteral("Command1"), QStringLiteral("&OK"));
    m_Command1->setDefault(true);
    m_Command3 = makeButton(this, QStringLiteral("Command3"), QStringLiteral("&Abbrechen"));
    buttons->addStretch();
    buttons->addWidget(m_Command1);
    buttons->addWidget(m_Command3);
    layout->addLayout(buttons);

    connect(m_Waagenwert, &QPushButton::clicked, this, [this] { appendNamed("TextMesswert"); });
    connect(m_einheit, &QPushButton::clicked, this, [this] { appendNamed("TextEinheit"); });
    connect(m_Datum, &QPushButton::clicked, this, [this] { appendNamed("TextDatum"); });
    connect(m_Uhrzeit, &QPushButton::clicked, this, [this] { appendNamed("TextUhrzeit"); });
    connect(m_Command2, &QPushButton::clicked, this, &Tasten::Command2_Click);
    connect(m_del_ausgabe_def, &QPushButton::clicked, m_ausgabe_string, &QLineEdit::clear);
    connect(m_Command1, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_Command3, &QPushButton::clicked, this, &QDialog::reject);
}

void Tasten::load() {
    setWindowTitle(text("TextFrmTasten_Caption"));
    m_Frame1->setTitle(text("TextFrmTasten_Frame1Caption"));
    m_del_ausgabe_def->setText(text("TextFrmTasten_DelAusgabeDefCaption"));
    m_Uhrzeit->setText(text("TextFrmTasten_UhrzeitCaption"));
    m_Datum->setText(text("TextFrmTasten_DatumCaption"));
    m_einheit->setText(text("TextFrmTasten_EinheitCaption"));
    m_Waagenwert->setText(text("TextFrmTasten_MesswertCaption"));
    m_Command1->setText(text("TextFrmTasten_OKCaption"));
    m_Command3->setText(text("TextFrmTastencmdClose_Caption"));
}

QString Tasten::definition() const {
    return m_ausgabe_string->text();
}

void Tasten::append(const QString& token) {
    // Tokens always go to the end, wherever the caret stands.
    m_ausgabe_string->setText(m_ausgabe_string->text() + token);
}

void Tasten::appendNamed(const char* key) {
    append(u'{' + text(key) + u'}');
}

void Tasten::Command2_Click() {
    const auto label =
        m_dialogs.inputBox(text("TextBitteParameterbezEingeben"), text("TextParametertextCaption"), {});
    // A cancelled box still leaves a prompt token, with an empty label.
    append(QStringLiteral("{?") + label.value_or(QString()) + u'}');
}
