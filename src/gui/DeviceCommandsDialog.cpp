#include "gui/DeviceCommandsDialog.h"

#include "base/config/SettingText.h"
#include "base/config/Settings.h"
#include "base/interfaces/MainView.h"
#include "base/texts/LanguageTable.h"
#include "gui/ButtonCaptionDialog.h"
#include "gui/DialogButtonRow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1StringView(name));
    return label;
}

} // namespace

DeviceCommandsDialog::DeviceCommandsDialog(Settings& settings, MainView& view, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_view(view) {
    setObjectName(QStringLiteral("DeviceCommandsDialog"));
    setModal(true);
    buildControls();
    load();
}

void DeviceCommandsDialog::buildControls() {
    setWindowTitle(QStringLiteral("Datenanforderung/Befehle"));
    auto* layout = new QVBoxLayout(this);

    m_commandsFrame = new QGroupBox(QStringLiteral("Befehle"), this);
    m_commandsFrame->setObjectName(QStringLiteral("commandsFrame"));
    auto* grid = new QGridLayout(m_commandsFrame);
    layout->addWidget(m_commandsFrame);

    m_keyHeader = makeLabel(m_commandsFrame, "keyHeader", QStringLiteral("Taste"));
    m_commandHeader = makeLabel(m_commandsFrame, "commandHeader", QStringLiteral("Befehl"));
    m_firstKeyHeader = makeLabel(m_commandsFrame, "firstKeyHeader", QStringLiteral("1. Taste"));
    m_secondKeyHeader = makeLabel(m_commandsFrame, "secondKeyHeader", QStringLiteral("2. Taste"));
    m_thirdKeyHeader = makeLabel(m_commandsFrame, "thirdKeyHeader", QStringLiteral("3. Taste"));
    m_sendResultHeader = makeLabel(m_commandsFrame, "sendResultHeader", QStringLiteral("Ergebnis senden"));
    grid->addWidget(m_keyHeader, 0, 2, 1, 3, Qt::AlignHCenter);
    grid->addWidget(m_commandHeader, 1, 0, 1, 2);
    grid->addWidget(m_firstKeyHeader, 1, 2);
    grid->addWidget(m_secondKeyHeader, 1, 3);
    grid->addWidget(m_thirdKeyHeader, 1, 4);
    grid->addWidget(m_sendResultHeader, 1, 5);

    // The captions the buttons have until the settings are shown.
    const QStringList designed = {QString(),
                                  QString(),
                                  QString(),
                                  QStringLiteral("Tarieren"),
                                  QStringLiteral("Kalibrieren"),
                                  QStringLiteral("GLP Start"),
                                  QStringLiteral("GLP Stop"),
                                  QStringLiteral("Send")};
    m_keyBoxes.reserve(RowCount);
    for (int row = 0; row < RowCount; ++row) {
        const auto slot = static_cast<std::size_t>(row);
        const int gridRow = row + 2;
        auto* captionButton = new QPushButton(designed.at(row), m_commandsFrame);
        captionButton->setObjectName(QStringLiteral("captionButton%1").arg(row));
        captionButton->setAutoDefault(false);
        captionButton->setMinimumWidth(110);
        connect(captionButton, &QPushButton::clicked, this, [this, row] { editCaption(row); });
        grid->addWidget(captionButton, gridRow, 0);
        m_captionButtons[slot] = captionButton;

        auto* commandBox = new QLineEdit(m_commandsFrame);
        commandBox->setObjectName(QStringLiteral("commandBox%1").arg(row));
        grid->addWidget(commandBox, gridRow, 1);
        m_commandBoxes[slot] = commandBox;

        m_keyBoxes.emplace_back(m_commandsFrame, row).addTo(grid, gridRow, 2);

        auto* sendResultBox = new QCheckBox(m_commandsFrame);
        sendResultBox->setObjectName(QStringLiteral("sendResultBox%1").arg(row));
        grid->addWidget(sendResultBox, gridRow, 5, Qt::AlignHCenter);
        m_sendResultBoxes[slot] = sendResultBox;
    }
    grid->setColumnStretch(1, 1);

    const DialogButtonRow buttons =
        DialogButtonRow::add(this, layout, QStringLiteral("&OK"), QStringLiteral("&Abbrechen"));
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;

    connect(m_okButton, &QPushButton::clicked, this, &DeviceCommandsDialog::storeAndClose);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void DeviceCommandsDialog::load() {
    setWindowTitle(languageText(TextKey::CommandsTitle));
    m_commandHeader->setText(languageText(TextKey::CommandsCommand));
    m_firstKeyHeader->setText(languageText(TextKey::CommandsFirstKey));
    m_secondKeyHeader->setText(languageText(TextKey::CommandsSecondKey));
    m_thirdKeyHeader->setText(languageText(TextKey::CommandsThirdKey));
    m_sendResultHeader->setText(languageText(TextKey::CommandsSendResult));
    m_keyHeader->setText(languageText(TextKey::CommandsKey));
    m_commandsFrame->setTitle(QString());
    m_cancelButton->setText(languageText(TextKey::CommandsCancel));

    for (std::size_t row = 0; row < RowCount; ++row) {
        const DeviceCommand& command = m_settings.deviceCommands[row];
        m_keyBoxes[row].show(command.keys);
        m_commandBoxes[row]->setText(command.command);
        m_captionButtons[row]->setText(command.caption);
        m_sendResultBoxes[row]->setChecked(command.deliversAnswer.valueOr(false));
    }
}

QString DeviceCommandsDialog::commandCaption(int row) const {
    return row >= 0 && row < RowCount ? m_captionButtons[static_cast<std::size_t>(row)]->text() : QString();
}

void DeviceCommandsDialog::editCaption(int row) {
    QPushButton* captionButton = m_captionButtons[static_cast<std::size_t>(row)];
    ButtonCaptionDialog window(captionButton->text(), this);
    if (window.exec() == QDialog::Accepted) {
        captionButton->setText(window.caption());
    }
}

void DeviceCommandsDialog::storeAndClose() {
    for (std::size_t row = 0; row < RowCount; ++row) {
        DeviceCommand& command = m_settings.deviceCommands[row];
        command.keys = m_keyBoxes[row].keys();
        command.command = m_commandBoxes[row]->text();
        command.caption = m_captionButtons[row]->text();
        command.deliversAnswer = SettingText::answerFlag(
            m_sendResultBoxes[row]->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
        m_view.setCommandButtonCaption(static_cast<int>(row), command.caption);
    }
    accept();
}
