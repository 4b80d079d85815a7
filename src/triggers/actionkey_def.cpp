#include "triggers/actionkey_def.h"

#include "core/MainController.h"
#include "language/LanguageTable.h"
#include "triggers/KeyChoices.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString text(const char* key) {
    return LanguageText(QLatin1String(key));
}

QString indexed(const char* name, int index) {
    return QLatin1String(name) + u'(' + QString::number(index) + u')';
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

QStringList actionkey_def::firstKeyNames() {
    return KeyChoices::firstKeyNames();
}

QStringList actionkey_def::thirdKeyNames() {
    return KeyChoices::thirdKeyNames();
}

actionkey_def::actionkey_def(MainController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setObjectName(QStringLiteral("actionkey_def"));
    setModal(true);
    buildControls();
    load();
}

void actionkey_def::buildControls() {
    setWindowTitle(QStringLiteral("Tastenbelegung"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);

    m_Label1 = makeLabel(this, QStringLiteral("Label1"), QStringLiteral("Taste"));
    m_Label2 = makeLabel(this, QStringLiteral("Label2"), QStringLiteral("1.Taste"));
    m_Label3 = makeLabel(this, QStringLiteral("Label3"), QStringLiteral("2.Taste"));
    m_Label6 = makeLabel(this, QStringLiteral("Label6"), QStringLiteral("3.Taste"));
    grid->addWidget(m_Label1, 0, 0);
    grid->addWidget(m_Label2, 0, 1);
    grid->addWidget(m_Label3, 0, 2);
    grid->addWidget(m_Label6, 0, 3);

    // The rows follow the main window's first eight buttons; rows 3 to 5 have no label.
    const QStringList rowLabels = {QStringLiteral("Send"),
                                   QStringLiteral("T Start"),
                                   QStringLiteral("T Stop"),
                                   QString(),
                                   QString(),
                                   QString(),
                                   QStringLiteral("Offline"),
                                   QStringLiteral("Exit")};
    for (int row = 0; row < RowCount; ++row) {
        m_lblButton[row] = makeLabel(this, indexed("lblButton", row), rowLabels.at(row));
        grid->addWidget(m_lblButton[row], row + 1, 0);
        for (int column = 0; column < 3; ++column) {
            const int index = row + column * RowCount;
            auto* box = new QComboBox(this);
            box->setObjectName(indexed("Combo1", index));
            // Any typed text is stored as the key name.
            box->setEditable(true);
            box->setInsertPolicy(QComboBox::NoInsert);
            m_Combo1[index] = box;
            grid->addWidget(box, row + 1, 1 + column);
        }
    }

    auto* buttons = new QHBoxLayout;
    m_OKButton = new QPushButton(QStringLiteral("&OK"), this);
    m_OKButton->setObjectName(QStringLiteral("OKButton"));
    m_OKButton->setDefault(true);
    m_AbbrechenButton = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_AbbrechenButton->setObjectName(QStringLiteral("AbbrechenButton"));
    m_AbbrechenButton->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_OKButton);
    buttons->addWidget(m_AbbrechenButton);
    layout->addLayout(buttons);

    connect(m_OKButton, &QPushButton::clicked, this, &actionkey_def::OKButton_Click);
    connect(m_AbbrechenButton, &QPushButton::clicked, this, &QDialog::reject);
}

void actionkey_def::load() {
    setWindowTitle(text("TextFrmActionKeyDef_Caption"));
    m_Label1->setText(text("TextFrmActionKeyDef_Label1Caption"));
    m_Label2->setText(text("TextFrmActionKeyDef_Label2Caption"));
    m_Label3->setText(text("TextFrmActionKeyDef_Label3Caption"));
    m_Label6->setText(text("TextFrmActionKeyDef_Label6Caption"));
    m_AbbrechenButton->setText(text("TextactionKeyAbbrechenButton_Caption"));

    // The lists come first: filling a list would replace the text the box shows.
    const QStringList first = firstKeyNames();
    const QStringList third = thirdKeyNames();
    for (int index = 0; index < ComboCount; ++index) {
        m_Combo1[index]->addItems(index < 2 * RowCount ? first : third);
    }
    const Settings& settings = m_controller.settings();
    for (int row = 0; row < RowCount; ++row) {
        const auto& cells = settings.Hotkeys[row];
        KeyChoices::showKeyName(m_Combo1[row], cells[1]);
        KeyChoices::showKeyName(m_Combo1[row + RowCount], cells[2]);
        KeyChoices::showKeyName(m_Combo1[row + 2 * RowCount], cells[3]);
    }
}

void actionkey_def::OKButton_Click() {
    Settings& settings = m_controller.settings();
    for (int row = 0; row < RowCount; ++row) {
        auto& cells = settings.Hotkeys[row];
        cells[1] = m_Combo1[row]->currentText();
        cells[2] = m_Combo1[row + RowCount]->currentText();
        cells[3] = m_Combo1[row + 2 * RowCount]->currentText();
    }
    accept();
}
