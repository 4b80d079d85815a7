#include "gui/DisplayModeDialog.h"

#include "base/config/SettingText.h"
#include "base/texts/LanguageTable.h"
#include "base/texts/LocaleFormats.h"
#include "gui/DialogButtonRow.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

struct ModeEntry {
    DisplayMode mode;
    const char* option;
    const char* label;
    const char* caption;
};

constexpr std::array<ModeEntry, DisplayModeDialog::ModeCount> Modes = {{
    {DisplayMode::Weight, "weightOption", "weightLabel", "Gewicht"},
    {DisplayMode::Volume, "volumeOption", "volumeLabel", "Volumen"},
    {DisplayMode::Flow, "flowOption", "flowLabel", "Durchfluß"},
}};

} // namespace

DisplayModeDialog::DisplayModeDialog(Settings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setObjectName(QStringLiteral("DisplayModeDialog"));
    setModal(true);
    buildControls();
    load();
}

void DisplayModeDialog::buildControls() {
    auto* layout = new QVBoxLayout(this);

    m_modeFrame = new QGroupBox(QStringLiteral(" Modus"), this);
    m_modeFrame->setObjectName(QStringLiteral("modeFrame"));
    auto* grid = new QGridLayout(m_modeFrame);
    for (std::size_t index = 0; index < Modes.size(); ++index) {
        const ModeEntry& entry = Modes[index];
        auto* option = new QRadioButton(m_modeFrame);
        option->setObjectName(QLatin1StringView(entry.option));
        auto* label = new QLabel(QString::fromUtf8(entry.caption), m_modeFrame);
        label->setObjectName(QLatin1StringView(entry.label));
        // The label belongs to its option: clicking it chooses the option.
        label->installEventFilter(this);
        m_modeOptions[index] = option;
        m_modeLabels[index] = label;
        const int row = static_cast<int>(index);
        grid->addWidget(option, row, 0);
        grid->addWidget(label, row, 1);
        connect(option, &QRadioButton::clicked, this, [this, mode = entry.mode] { m_chosenMode = mode; });
    }
    m_densityBox = new QLineEdit(m_modeFrame);
    m_densityBox->setObjectName(QStringLiteral("densityBox"));
    m_densityUnitLabel = new QLabel(QStringLiteral("g/cm³"), m_modeFrame);
    m_densityUnitLabel->setObjectName(QStringLiteral("densityUnitLabel"));
    grid->addWidget(m_densityBox, ModeCount, 1);
    grid->addWidget(m_densityUnitLabel, ModeCount, 2);
    grid->setColumnStretch(1, 1);
    layout->addWidget(m_modeFrame);

    const DialogButtonRow buttons =
        DialogButtonRow::add(this, layout, QStringLiteral("&OK"), QStringLiteral("&Abbrechen"));
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;

    connect(m_okButton, &QPushButton::clicked, this, &DisplayModeDialog::storeAndClose);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void DisplayModeDialog::load() {
    setWindowTitle(languageText(TextKey::DisplayModeTitle));
    m_modeFrame->setTitle(languageText(TextKey::DisplayModeFrame));
    m_modeLabels[0]->setText(languageText(TextKey::DisplayWeight));
    m_modeLabels[1]->setText(languageText(TextKey::DisplayVolume));
    m_modeLabels[2]->setText(languageText(TextKey::DisplayFlow));
    m_cancelButton->setText(languageText(TextKey::DisplayModeCancel));

    if (const auto mode = m_settings.displayMode.value()) {
        m_modeOptions[static_cast<std::size_t>(*mode)]->setChecked(true);
        m_chosenMode = mode;
    }
    m_densityBox->setText(LocaleFormats::numberText(m_settings.density));
}

bool DisplayModeDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (std::size_t index = 0; index < m_modeLabels.size(); ++index) {
            if (watched == m_modeLabels[index]) {
                m_modeOptions[index]->click();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void DisplayModeDialog::storeAndClose() {
    if (m_chosenMode) {
        m_settings.displayMode = SettingText::displayMode(QString::number(static_cast<int>(*m_chosenMode)));
    }
    // Volume and flow divide by the density: a text that is no positive number keeps the
    // density in use.
    const auto density = SettingText::number(m_densityBox->text()).value();
    if (density && std::isfinite(*density) && *density > 0.0) {
        m_settings.density = *density;
    }
    accept();
}
