#include "input/getkey_def.h"

#include "core/MainController.h"
#include "core/MainView.h"
#include "input/RecordSample.h"
#include "input/getButtonText.h"
#include "language/LanguageTable.h"
#include "triggers/KeyChoices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Index of the main window's first device command button.
constexpr int FirstCommandButton = 9;

QString text(const char* key) {
    return LanguageText(QLatin1String(key));
}

QString indexed(const char* name, int index) {
    return QLatin1String(name) + u'(' + QString::number(index) + u')';
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

} // namespace

QStringList getkey_def::firstKeyNames() {
    return KeyChoices::firstKeyNames();
}

QStringList getkey_def::thirdKeyNames() {
    return KeyChoices::thirdKeyNames();
}

getkey_def::getkey_def(MainController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setObjectName(QStringLiteral("getkey_def"));
    setModal(true);
    buildControls();
    load();
}

void getkey_def::buildControls() {
    setWindowTitle(QStringLiteral("Datenanforderung/Befehle"));
    auto* layout = new QVBoxLayout(this);

    m_Frame1 = new QGroupBox(QStringLiteral("Befehle"), this);
    m_Frame1->setObjectName(QStringLiteral("Frame1"));
    auto* grid = new QGridLayout(m_Frame1);
    layout->addWidget(m_Frame1);

    m_Label1 = makeLabel(m_Frame1, "Label1", QStringLiteral("Taste"));
    m_Label5 = makeLabel(m_Frame1, "Label5", QStringLiteral("Befehl"));
    m_Label4 = makeLabel(m_Frame1, "Label4", QStringLiteral("1. Taste"));
    m_Label2 = makeLabel(m_Frame1, "Label2", QStringLiteral("2. Taste"));
    m_Label3 = makeLabel(m_Frame1, "Label3", QStringLiteral("3. Taste"));
    m_Label6 = makeLabel(m_Frame1, "Label6", QStringLiteral("Ergebnis senden"));
    grid->addWidget(m_Label1, 0, 2, 1, 3, Qt::AlignHCenter);
    grid->addWidget(m_Label5, 1, 0, 1, 2);
    grid->addWidget(m_Label4, 1, 2);
    grid->addWidget(m_Label2, 1, 3);
    grid->addWidget(m_Label3, 1, 4);
    grid->addWidget(m_Label6, 1, 5);

    const QStringList designed = {QString(),
                                  QString(),
                                  QString(),
                                  QStringLiteral("Tarieren"),
                                  QStringLiteral("Kalibrieren"),
                                  QStringLiteral("GLP Start"),
                                  QStringLiteral("GLP Stop"),
                                  QStringLiteral("Send")};
    for (int row = 0; row < RowCount; ++row) {
        const int gridRow = row + 2;
        m_Command1[row] = new QPushButton(designed.at(row), m_Frame1);
        m_Command1[row]->setObjectName(indexed("Command1", row));
        m_Command1[row]->setAutoDefault(false);
        m_Command1[row]->setMinimumWidth(110);
        connect(m_Command1[row], &QPushButton::clicked, this, [this, row] { Command1_Click(row); });
        grid->addWidget(m_Command1[row], gridRow, 0);

        m_Text4[row] = new QLineEdit(m_Frame1);
        m_Text4[row]->setObjectName(indexed("Text4", row));
        grid->addWidget(m_Text4[row], gridRow, 1);

        for (int column = 0; column < 3; ++column) {
            const int index = row + column * RowCount;
            auto* box = new QComboBox(m_Frame1);
            box->setObjectName(indexed("Combo1", index));
            // Any typed text is stored as the key name.
            box->setEditable(true);
            box->setInsertPolicy(QComboBox::NoInsert);
            m_Combo1[index] = box;
            grid->addWidget(box, gridRow, 2 + column);
        }

        m_Check1[row] = new QCheckBox(m_Frame1);
        m_Check1[row]->setObjectName(indexed("Check1", row));
        grid->addWidget(m_Check1[row], gridRow, 5, Qt::AlignHCenter);
    }
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    m_Command2 = new QPushButton(QStringLiteral("&OK"), this);
    m_Command2->setObjectName(QStringLiteral("Command2"));
    m_Command2->setDefault(true);
    m_cmdclose = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_cmdclose->setObjectName(QStringLiteral("cmdclose"));
    m_cmdclose->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_Command2);
    buttons->addWidget(m_cmdclose);
    layout->addLayout(buttons);

    connect(m_Command2, &QPushButton::clicked, this, &getkey_def::Command2_Click);
    connect(m_cmdclose, &QPushButton::clicked, this, &QDialog::reject);
}

void getkey_def::load() {
    setWindowTitle(text("TextFrmGetKeyDef_Caption"));
    m_Label5->setText(text("TextFrmGetKeyDef_Label5Caption"));
    m_Label4->setText(text("TextFrmGetKeyDef_Label4Caption"));
    m_Label2->setText(text("TextFrmGetKeyDef_Label2Caption"));
    m_Label3->setText(text("TextFrmGetKeyDef_Label3Caption"));
    m_Label6->setText(text("TextFrmGetKeyDef_Label6Caption"));
    m_Label1->setText(text("TextFrmGetKeyDef_Label1Caption"));
    m_Frame1->setTitle(QString());
    m_cmdclose->setText(text("TextFrmGetKey_cmdcloseCaption"));

    // The lists come first: filling a list would replace the text the box shows.
    const QStringList first = firstKeyNames();
    const QStringList third = thirdKeyNames();
    for (int index = 0; index < ComboCount; ++index) {
        m_Combo1[index]->addItems(index < 2 * RowCount ? first : third);
    }

    const Settings& settings = m_controller.settings();
    for (int row = 0; row < RowCount; ++row) {
        const auto& cells = settings.Action[row];
        KeyChoices::showKeyName(m_Combo1[row], cells[1]);
        KeyChoices::showKeyName(m_Combo1[row + RowCount], cells[2]);
        KeyChoices::showKeyName(m_Combo1[row + 2 * RowCount], cells[3]);
        m_Text4[row]->setText(cells[4]);
        m_Command1[row]->setText(cells[5]);
        const auto sendResult = RecordSample::wholeNumber16(cells[6]);
        m_Check1[row]->setChecked(sendResult && *sendResult == 1);
    }
}

QString getkey_def::commandCaption(int row) const {
    return row >= 0 && row < RowCount ? m_Command1[row]->text() : QString();
}

void getkey_def::setCommandCaption(int row, const QString& caption) {
    if (row >= 0 && row < RowCount) {
        m_Command1[row]->setText(caption);
    }
}

void getkey_def::Command1_Click(int row) {
    getButtonText window(*this, row, this);
    window.exec();
}

void getkey_def::Command2_Click() {
    Settings& settings = m_controller.settings();
    for (int row = 0; row < RowCount; ++row) {
        auto& cells = settings.Action[row];
        cells[1] = m_Combo1[row]->currentText();
        cells[2] = m_Combo1[row + RowCount]->currentText();
        cells[3] = m_Combo1[row + 2 * RowCount]->currentText();
        cells[4] = m_Text4[row]->text();
        cells[5] = m_Command1[row]->text();
        cells[6] = m_Check1[row]->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
        m_controller.view().setButtonCaption(row + FirstCommandButton, cells[5]);
    }
    accept();
}
