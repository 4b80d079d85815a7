#include "gui/TransferSettingsDialog.h"

#include "base/config/SettingText.h"
#include "base/config/Settings.h"
#include "base/delivery/OutputTemplate.h"
#include "base/interfaces/Dialogs.h"
#include "base/interfaces/MainView.h"
#include "base/session/StatusLine.h"
#include "base/texts/LanguageTable.h"
#include "gui/DeviceCommandsDialog.h"
#include "gui/OutputTemplateDialog.h"
#include "gui/TimerSettingsDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The transfer modes in the order of their options.
constexpr std::array<TransferMode, 3> Modes = {TransferMode::Hotkey, TransferMode::Print,
                                               TransferMode::Timer};
constexpr int TimerOption = 2;

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1StringView(name));
    button->setAutoDefault(false);
    return button;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1StringView(name));
    return frame;
}

QLineEdit* makeBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1StringView(name));
    return box;
}

} // namespace

TransferSettingsDialog::TransferSettingsDialog(Settings& settings, MainView& view, StatusLine& status,
                                               Dialogs& dialogs, TimerRun& run, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_view(view), m_status(status), m_dialogs(dialogs), m_run(run) {
    setObjectName(QStringLiteral("TransferSettingsDialog"));
    setModal(true);
    buildControls();
    load();
}

void TransferSettingsDialog::buildControls() {
    setWindowTitle(QStringLiteral("Übertragung"));
    auto* layout = new QGridLayout(this);

    m_modeFrame = makeFrame(this, "modeFrame", QStringLiteral("Mode"));
    auto* mode = new QGridLayout(m_modeFrame);
    const std::array<std::pair<const char*, const char*>, 3> modeOptions = {
        {{"hotkeyModeOption", "Hotkey/Taste"}, {"printModeOption", "manuell"}, {"timerModeOption", "Timer"}}};
    for (std::size_t index = 0; index < modeOptions.size(); ++index) {
        auto* option = new QRadioButton(QString::fromUtf8(modeOptions[index].second), m_modeFrame);
        option->setObjectName(QLatin1StringView(modeOptions[index].first));
        m_modeOptions[index] = option;
        mode->addWidget(option, static_cast<int>(index), 0);
    }
    m_hotkeysButton = makeButton(m_modeFrame, "hotkeysButton", QStringLiteral("..."));
    m_timerButton = makeButton(m_modeFrame, "timerButton", QStringLiteral("..."));
    mode->addWidget(m_hotkeysButton, 0, 1);
    mode->addWidget(m_timerButton, 2, 1);
    layout->addWidget(m_modeFrame, 0, 0);

    m_toleranceFrame = makeFrame(this, "toleranceFrame", QStringLiteral("Messwerttoleranzen"));
    auto* tolerances = new QGridLayout(m_toleranceFrame);
    m_upperLimitLabel = new QLabel(QStringLiteral("OTG"), m_toleranceFrame);
    m_upperLimitLabel->setObjectName(QStringLiteral("upperLimitLabel"));
    m_upperLimitBox = makeBox(m_toleranceFrame, "upperLimitBox");
    m_lowerLimitLabel = new QLabel(QStringLiteral("UTG:"), m_toleranceFrame);
    m_lowerLimitLabel->setObjectName(QStringLiteral("lowerLimitLabel"));
    m_lowerLimitBox = makeBox(m_toleranceFrame, "lowerLimitBox");
    tolerances->addWidget(m_upperLimitLabel, 0, 0);
    tolerances->addWidget(m_upperLimitBox, 0, 1);
    tolerances->addWidget(m_lowerLimitLabel, 1, 0);
    tolerances->addWidget(m_lowerLimitBox, 1, 1);
    layout->addWidget(m_toleranceFrame, 0, 1);

    m_acceptanceFrame = makeFrame(this, "acceptanceFrame", QStringLiteral("Datenübernahme"));
    auto* acceptance = new QVBoxLayout(m_acceptanceFrame);
    m_standstillBox = new QCheckBox(QStringLiteral("bei Stillstand"), m_acceptanceFrame);
    m_standstillBox->setObjectName(QStringLiteral("standstillBox"));
    m_unloadingBox = new QCheckBox(QStringLiteral("nach Entlastung"), m_acceptanceFrame);
    m_unloadingBox->setObjectName(QStringLiteral("unloadingBox"));
    acceptance->addWidget(m_standstillBox);
    acceptance->addWidget(m_unloadingBox);
    layout->addWidget(m_acceptanceFrame, 1, 0);

    m_separatorFrame = makeFrame(this, "separatorFrame", QStringLiteral("Dezimalzeichen"));
    auto* separator = new QVBoxLayout(m_separatorFrame);
    m_commaOption = new QRadioButton(QStringLiteral("Komma"), m_separatorFrame);
    m_commaOption->setObjectName(QStringLiteral("commaOption"));
    m_pointOption = new QRadioButton(QStringLiteral("Punkt"), m_separatorFrame);
    m_pointOption->setObjectName(QStringLiteral("pointOption"));
    separator->addWidget(m_commaOption);
    separator->addWidget(m_pointOption);
    layout->addWidget(m_separatorFrame, 1, 1);

    m_outputFrame = makeFrame(this, "outputFrame", QStringLiteral("Datenausgabe"));
    auto* output = new QHBoxLayout(m_outputFrame);
    m_outputTemplateBox = makeBox(m_outputFrame, "outputTemplateBox");
    m_editTemplateButton = makeButton(m_outputFrame, "editTemplateButton", QString());
    m_editTemplateButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    output->addWidget(m_outputTemplateBox, 1);
    output->addWidget(m_editTemplateButton);
    layout->addWidget(m_outputFrame, 2, 0, 1, 2);

    m_targetFrame = makeFrame(this, "targetFrame", QStringLiteral("Ziel"));
    auto* target = new QHBoxLayout(m_targetFrame);
    m_targetBox = makeBox(m_targetFrame, "targetBox");
    m_chooseTargetButton = makeButton(m_targetFrame, "chooseTargetButton", QStringLiteral("..."));
    target->addWidget(m_targetBox, 1);
    target->addWidget(m_chooseTargetButton);
    layout->addWidget(m_targetFrame, 3, 0, 1, 2);

    m_optionsFrame = makeFrame(this, "optionsFrame", QStringLiteral("Optionen"));
    auto* options = new QHBoxLayout(m_optionsFrame);
    m_deviceCommandsButton = makeButton(m_optionsFrame, "deviceCommandsButton", QStringLiteral("&Befehle"));
    options->addWidget(m_deviceCommandsButton);
    options->addStretch();
    layout->addWidget(m_optionsFrame, 4, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    m_okButton = makeButton(this, "okButton", QStringLiteral("&OK"));
    m_okButton->setDefault(true);
    m_cancelButton = makeButton(this, "cancelButton", QStringLiteral("Abb&rechen"));
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons, 5, 0, 1, 2);

    connect(m_hotkeysButton, &QPushButton::clicked, this, &TransferSettingsDialog::showHotkeys);
    connect(m_timerButton, &QPushButton::clicked, this, &TransferSettingsDialog::showTimer);
    connect(m_editTemplateButton, &QPushButton::clicked, this, &TransferSettingsDialog::editOutputTemplate);
    connect(m_chooseTargetButton, &QPushButton::clicked, this, &TransferSettingsDialog::chooseTarget);
    connect(m_deviceCommandsButton, &QPushButton::clicked, this, &TransferSettingsDialog::showDeviceCommands);
    connect(m_okButton, &QPushButton::clicked, this, &TransferSettingsDialog::storeAndClose);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TransferSettingsDialog::load() {
    setWindowTitle(languageText(TextKey::TransferTitle));
    m_modeOptions[0]->setText(languageText(TextKey::TransferModeHotkey));
    m_modeOptions[1]->setText(languageText(TextKey::TransferModeManual));
    m_modeOptions[2]->setText(languageText(TextKey::TransferModeTimer));
    m_toleranceFrame->setTitle(languageText(TextKey::TransferToleranceFrame));
    m_upperLimitLabel->setText(languageText(TextKey::TransferUpperLimit));
    m_lowerLimitLabel->setText(languageText(TextKey::TransferLowerLimit));
    m_acceptanceFrame->setTitle(languageText(TextKey::TransferAcceptanceFrame));
    m_standstillBox->setText(languageText(TextKey::TransferStandstill));
    m_unloadingBox->setText(languageText(TextKey::TransferUnloading));
    m_separatorFrame->setTitle(languageText(TextKey::TransferSeparatorFrame));
    m_commaOption->setText(languageText(TextKey::TransferComma));
    m_pointOption->setText(languageText(TextKey::TransferPoint));
    m_outputFrame->setTitle(languageText(TextKey::TransferOutputFrame));
    m_targetFrame->setTitle(languageText(TextKey::TransferTargetFrame));
    m_optionsFrame->setTitle(languageText(TextKey::TransferOptionsFrame));
    m_deviceCommandsButton->setText(languageText(TextKey::TransferCommands));
    m_cancelButton->setText(languageText(TextKey::TransferCancel));
    m_editTemplateButton->setToolTip(languageText(TextKey::TransferEditTemplateTip));
    m_chooseTargetButton->setToolTip(languageText(TextKey::TransferChooseTargetTip));

    m_unloadingBox->setChecked(m_settings.waitForUnloading);
    m_standstillBox->setChecked(m_settings.requireStandstill);
    (m_settings.decimalPoint.valueOr(false) ? m_pointOption : m_commaOption)->setChecked(true);
    m_upperLimitBox->setText(m_settings.upperLimit.text());
    m_lowerLimitBox->setText(m_settings.lowerLimit.text());
    for (std::size_t index = 0; index < Modes.size(); ++index) {
        if (m_settings.transferMode.is(Modes[index])) {
            m_modeOptions[index]->setChecked(true);
        }
    }
    m_targetBox->setText(m_settings.target.text());
    m_outputTemplateBox->setText(m_settings.outputTemplate);

    // Connected after loading: only what is done in the window writes the settings.
    for (int index = 0; index < static_cast<int>(m_modeOptions.size()); ++index) {
        connect(m_modeOptions[static_cast<std::size_t>(index)], &QRadioButton::toggled, this,
                [this, index](bool checked) {
                    if (checked) {
                        chooseTransferMode(index);
                    }
                });
    }
    connect(m_commaOption, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) {
            chooseSeparator(false);
        }
    });
    connect(m_pointOption, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked) {
            chooseSeparator(true);
        }
    });
    connect(m_standstillBox, &QCheckBox::toggled, this,
            [this](bool checked) { m_settings.requireStandstill = checked; });
    connect(m_unloadingBox, &QCheckBox::toggled, this,
            [this](bool checked) { m_settings.waitForUnloading = checked; });
    connect(m_upperLimitBox, &QLineEdit::textChanged, this, [this] { checkLimit(m_upperLimitBox); });
    connect(m_lowerLimitBox, &QLineEdit::textChanged, this, [this] { checkLimit(m_lowerLimitBox); });
    updateOpenButtons();
}

void TransferSettingsDialog::showEvent(QShowEvent* event) {
    // The functions are set after construction, before the window is shown.
    updateOpenButtons();
    QDialog::showEvent(event);
}

void TransferSettingsDialog::updateOpenButtons() {
    m_hotkeysButton->setEnabled(static_cast<bool>(openHotkeys));
    m_chooseTargetButton->setEnabled(static_cast<bool>(openTarget));
}

void TransferSettingsDialog::reactivated() {
    // The target may have been changed by the window that just closed.
    m_targetBox->setText(m_settings.target.text());
}

void TransferSettingsDialog::chooseTransferMode(int index) {
    m_settings.transferMode =
        SettingText::transferMode(SettingText::text(Modes[static_cast<std::size_t>(index)]));
    // The main window's buttons follow the mode.
    const bool timer = index == TimerOption;
    m_view.setButtonEnabled(MainButton::Send, !timer);
    m_view.setButtonEnabled(MainButton::TimerStart, timer);
    m_view.setButtonEnabled(MainButton::TimerStop, false);
}

void TransferSettingsDialog::chooseSeparator(bool decimalPoint) {
    m_settings.decimalPoint = SettingText::flag(decimalPoint ? QStringLiteral("1") : QStringLiteral("0"));
}

void TransferSettingsDialog::checkLimit(QLineEdit* box) {
    if (box->text().isEmpty()) {
        // An empty limit is switched off; setting it runs this check once more.
        box->setText(QStringLiteral("0"));
        return;
    }
    if (!SettingText::number(box->text()).value()) {
        // The text stays as typed: "-" on the way to "-5" is refused but kept.
        m_dialogs.message(languageText(TextKey::EnterNumber));
        box->setFocus(Qt::OtherFocusReason);
    }
}

void TransferSettingsDialog::showHotkeys() {
    if (openHotkeys) {
        openHotkeys();
        reactivated();
    }
}

void TransferSettingsDialog::showTimer() {
    if (!m_modeOptions[TimerOption]->isChecked()) {
        return;
    }
    TimerSettingsDialog window(m_settings, m_dialogs, m_run, this);
    window.exec();
    reactivated();
}

void TransferSettingsDialog::editOutputTemplate() {
    OutputTemplateDialog window(m_dialogs, m_outputTemplateBox->text(), this);
    if (window.exec() == QDialog::Accepted) {
        m_outputTemplateBox->setText(window.outputTemplate());
    }
    reactivated();
}

void TransferSettingsDialog::chooseTarget() {
    if (!openTarget) {
        return;
    }
    m_view.setValueText(QStringLiteral("Offline"));
    m_status.setText({});
    m_view.setUnitText({});
    m_view.setSignText({});
    openTarget();
    reactivated();
}

void TransferSettingsDialog::showDeviceCommands() {
    DeviceCommandsDialog window(m_settings, m_view, this);
    window.exec();
    reactivated();
}

void TransferSettingsDialog::storeAndClose() {
    m_settings.upperLimit = SettingText::number(m_upperLimitBox->text());
    m_settings.lowerLimit = SettingText::number(m_lowerLimitBox->text());
    m_settings.target = SettingText::target(m_targetBox->text());
    m_settings.selectApplicationForTarget();
    m_settings.outputTemplate = OutputTemplate::bracesFromAngles(m_outputTemplateBox->text());
    accept();
}
