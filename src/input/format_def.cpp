#include "input/format_def.h"

#include "core/Dialogs.h"
#include "core/MainController.h"
#include "core/MainView.h"
#include "input/getkey_def.h"
#include "language/LanguageTable.h"
#include "output/Tasten.h"
#include "settings/LocaleFormats.h"
#include "triggers/timer_def.h"

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

// Buttons of the main window that follow the mode.
constexpr int SendButton = 1;
constexpr int TimerStartButton = 2;
constexpr int TimerStopButton = 3;

QString text(const char* key) {
    return LanguageText(QLatin1String(key));
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    return frame;
}

QLineEdit* makeBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

} // namespace

QString format_def::bracesFromAngles(const QString& definition) {
    QString stored = definition;
    stored.replace(u'<', u'{');
    stored.replace(u'>', u'}');
    return stored;
}

QString format_def::modeText(int index) {
    switch (index) {
    case 0:
        return QStringLiteral("HOTKEY");
    case 1:
        return QStringLiteral("PRINT");
    case 2:
        return QStringLiteral("TIMER");
    default:
        return {};
    }
}

format_def::format_def(MainController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setObjectName(QStringLiteral("format_def"));
    setModal(true);
    buildControls();
    load();
}

void format_def::buildControls() {
    setWindowTitle(QStringLiteral("Übertragung"));
    auto* layout = new QGridLayout(this);

    m_mode = makeFrame(this, "mode", QStringLiteral("Mode"));
    auto* mode = new QGridLayout(m_mode);
    const std::array<const char*, ModeCount> modeCaptions = {"Hotkey/Taste", "manuell", "Timer"};
    for (int index = 0; index < ModeCount; ++index) {
        auto* option =
            new QRadioButton(QString::fromUtf8(modeCaptions[static_cast<std::size_t>(index)]), m_mode);
        option->setObjectName(QStringLiteral("modus(%1)").arg(index));
        m_modus[static_cast<std::size_t>(index)] = option;
        mode->addWidget(option, index, 0);
    }
    m_cmdHotkey = makeButton(m_mode, "cmdHotkey", QStringLiteral("..."));
    m_Command2 = makeButton(m_mode, "Command2", QStringLiteral("..."));
    mode->addWidget(m_cmdHotkey, 0, 1);
    mode->addWidget(m_Command2, 2, 1);
    layout->addWidget(m_mode, 0, 0);

    m_Frame1 = makeFrame(this, "Frame1", QStringLiteral("Messwerttoleranzen"));
    auto* tolerances = new QGridLayout(m_Frame1);
    m_Label3 = new QLabel(QStringLiteral("OTG"), m_Frame1);
    m_Label3->setObjectName(QStringLiteral("Label3"));
    m_OTG = makeBox(m_Frame1, "OTG");
    m_Label2 = new QLabel(QStringLiteral("UTG:"), m_Frame1);
    m_Label2->setObjectName(QStringLiteral("Label2"));
    m_UTG = makeBox(m_Frame1, "UTG");
    tolerances->addWidget(m_Label3, 0, 0);
    tolerances->addWidget(m_OTG, 0, 1);
    tolerances->addWidget(m_Label2, 1, 0);
    tolerances->addWidget(m_UTG, 1, 1);
    layout->addWidget(m_Frame1, 0, 1);

    m_Frame3 = makeFrame(this, "Frame3", QStringLiteral("Datenübernahme"));
    auto* acceptance = new QVBoxLayout(m_Frame3);
    m_stillstand = new QCheckBox(QStringLiteral("bei Stillstand"), m_Frame3);
    m_stillstand->setObjectName(QStringLiteral("stillstand"));
    m_entlastung = new QCheckBox(QStringLiteral("nach Entlastung"), m_Frame3);
    m_entlastung->setObjectName(QStringLiteral("entlastung"));
    acceptance->addWidget(m_stillstand);
    acceptance->addWidget(m_entlastung);
    layout->addWidget(m_Frame3, 1, 0);

    m_Frame2 = makeFrame(this, "Frame2", QStringLiteral("Dezimalzeichen"));
    auto* separator = new QVBoxLayout(m_Frame2);
    m_Option1[0] = new QRadioButton(QStringLiteral("Komma"), m_Frame2);
    m_Option1[1] = new QRadioButton(QStringLiteral("Punkt"), m_Frame2);
    for (int index = 0; index < 2; ++index) {
        m_Option1[static_cast<std::size_t>(index)]->setObjectName(QStringLiteral("Option1(%1)").arg(index));
        separator->addWidget(m_Option1[static_cast<std::size_t>(index)]);
    }
    layout->addWidget(m_Frame2, 1, 1);

    m_Frame4 = makeFrame(this, "Frame4", QStringLiteral("Datenausgabe"));
    auto* output = new QHBoxLayout(m_Frame4);
    m_ausgabe_string = makeBox(m_Frame4, "ausgabe_string");
    m_Ausgabe_def = new QPushButton(m_Frame4);
    m_Ausgabe_def->setObjectName(QStringLiteral("Ausgabe_def"));
    m_Ausgabe_def->setAutoDefault(false);
    m_Ausgabe_def->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    output->addWidget(m_ausgabe_string, 1);
    output->addWidget(m_Ausgabe_def);
    layout->addWidget(m_Frame4, 2, 0, 1, 2);

    m_Frame5 = makeFrame(this, "Frame5", QStringLiteral("Ziel"));
    auto* target = new QHBoxLayout(m_Frame5);
    m_anwendung_set = makeBox(m_Frame5, "anwendung_set");
    m_Command1 = makeButton(m_Frame5, "Command1", QStringLiteral("..."));
    target->addWidget(m_anwendung_set, 1);
    target->addWidget(m_Command1);
    layout->addWidget(m_Frame5, 3, 0, 1, 2);

    m_Frame6 = makeFrame(this, "Frame6", QStringLiteral("Optionen"));
    auto* options = new QHBoxLayout(m_Frame6);
    m_cmdBefehle = makeButton(m_Frame6, "cmdBefehle", QStringLiteral("&Befehle"));
    options->addWidget(m_cmdBefehle);
    options->addStretch();
    layout->addWidget(m_Frame6, 4, 0, 1, 2);

    auto* buttons = new QHBoxLayout;
    m_ok = makeButton(this, "ok", QStringLiteral("&OK"));
    m_ok->setDefault(true);
    m_Command3 = makeButton(this, "Command3", QStringLiteral("Abb&rechen"));
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_Command3);
    layout->addLayout(buttons, 5, 0, 1, 2);

    connect(m_cmdHotkey, &QPushButton::clicked, this, &format_def::cmdHotkey_Click);
    connect(m_Command2, &QPushButton::clicked, this, &format_def::Command2_Click);
    connect(m_Ausgabe_def, &QPushButton::clicked, this, &format_def::Ausgabe_def_Click);
    connect(m_Command1, &QPushButton::clicked, this, &format_def::Command1_Click);
    connect(m_cmdBefehle, &QPushButton::clicked, this, &format_def::cmdBefehle_Click);
    connect(m_ok, &QPushButton::clicked, this, &format_def::ok_Click);
    connect(m_Command3, &QPushButton::clicked, this, &QDialog::reject);
}

void format_def::load() {
    setWindowTitle(text("TextFrmFormatDef_Caption"));
    m_modus[0]->setText(text("TextFrmFormatDef_Modus0Caption"));
    m_modus[1]->setText(text("TextFrmFormatDef_Modus1Caption"));
    m_modus[2]->setText(text("TextFrmFormatDef_Modus2Caption"));
    m_Frame1->setTitle(text("TextFrmFormatDef_Frame1Caption"));
    m_Label3->setText(text("TextFrmFormatDef_Label3Caption"));
    m_Label2->setText(text("TextFrmFormatDef_Label2Caption"));
    m_Frame3->setTitle(text("TextFrmFormatDef_Frame3Caption"));
    m_stillstand->setText(text("TextFrmFormatDef_StillstandCaption"));
    m_entlastung->setText(text("TextFrmFormatDef_EntlastungCaption"));
    m_Frame2->setTitle(text("TextFrmFormatDef_Frame2Caption"));
    m_Option1[0]->setText(text("TextFrmFormatDef_Option0Caption"));
    m_Option1[1]->setText(text("TextFrmFormatDef_Option1Caption"));
    m_Frame4->setTitle(text("TextFrmFormatDef_AusgabeCaption"));
    m_Frame5->setTitle(text("TextFrmFormatDef_Label1Caption"));
    m_Frame6->setTitle(text("TextFrmFormatdef_OptionenCaption"));
    m_cmdBefehle->setText(text("TextCommandButton_Caption"));
    m_Command3->setText(text("TextCancelFormatButton_Caption"));
    m_Ausgabe_def->setToolTip(text("TextFrmFormatDef_AusgabeDefCaption"));
    m_Command1->setToolTip(text("TextFrmFormatDef_Command1Caption"));

    const Settings& s = m_controller.settings();
    m_entlastung->setChecked(s.entlastung);
    m_stillstand->setChecked(s.stillstand);
    m_Option1[s.TRZ.trimmed() == QLatin1String("0") ? 0 : 1]->setChecked(true);
    m_OTG->setText(s.OTG);
    m_UTG->setText(s.UTG);
    for (int index = 0; index < ModeCount; ++index) {
        if (s.modus == modeText(index)) {
            m_modus[static_cast<std::size_t>(index)]->setChecked(true);
        }
    }
    m_anwendung_set->setText(s.Anwendung);
    m_ausgabe_string->setText(s.Format);

    // Connected after loading: only what is done in the window writes the settings.
    for (int index = 0; index < ModeCount; ++index) {
        connect(m_modus[static_cast<std::size_t>(index)], &QRadioButton::toggled, this,
                [this, index](bool checked) {
                    if (checked) {
                        modus_Click(index);
                    }
                });
    }
    for (int index = 0; index < 2; ++index) {
        connect(m_Option1[static_cast<std::size_t>(index)], &QRadioButton::toggled, this,
                [this, index](bool checked) {
                    if (checked) {
                        Option1_Click(index);
                    }
                });
    }
    connect(m_stillstand, &QCheckBox::toggled, this,
            [this](bool checked) { m_controller.settings().stillstand = checked; });
    connect(m_entlastung, &QCheckBox::toggled, this,
            [this](bool checked) { m_controller.settings().entlastung = checked; });
    connect(m_OTG, &QLineEdit::textChanged, this, [this] { toleranceChanged(m_OTG); });
    connect(m_UTG, &QLineEdit::textChanged, this, [this] { toleranceChanged(m_UTG); });
    updateOpenButtons();
}

void format_def::showEvent(QShowEvent* event) {
    // The functions are set after construction, before the window is shown.
    updateOpenButtons();
    QDialog::showEvent(event);
}

void format_def::updateOpenButtons() {
    m_cmdHotkey->setEnabled(static_cast<bool>(openHotkeys));
    m_Command1->setEnabled(static_cast<bool>(openTarget));
}

void format_def::reactivated() {
    // The target may have been changed by the window that just closed.
    m_anwendung_set->setText(m_controller.settings().Anwendung);
}

void format_def::modus_Click(int index) {
    m_controller.settings().modus = modeText(index);
    MainView& view = m_controller.view();
    const bool timer = index == 2;
    view.setButtonEnabled(SendButton, !timer);
    view.setButtonEnabled(TimerStartButton, timer);
    view.setButtonEnabled(TimerStopButton, false);
}

void format_def::Option1_Click(int index) {
    m_controller.settings().TRZ = index == 1 ? QStringLiteral("1") : QStringLiteral("0");
}

void format_def::toleranceChanged(QLineEdit* box) {
    if (box->text().isEmpty()) {
        // An empty limit is switched off; setting it runs this check once more.
        box->setText(QStringLiteral("0"));
        return;
    }
    bool ok = false;
    LocaleFormats::parseNumber(box->text(), &ok);
    if (!ok) {
        // The text stays as typed: "-" on the way to "-5" is refused but kept.
        m_controller.dialogs().message(text("TextBitteZahlEingeben"));
        box->setFocus(Qt::OtherFocusReason);
    }
}

void format_def::cmdHotkey_Click() {
    if (openHotkeys) {
        openHotkeys();
        reactivated();
    }
}

void format_def::Command2_Click() {
    if (!m_modus[2]->isChecked()) {
        return;
    }
    timer_def window(m_controller, this);
    window.exec();
    reactivated();
}

void format_def::Ausgabe_def_Click() {
    Tasten window(m_controller.dialogs(), m_ausgabe_string->text(), this);
    if (window.exec() == QDialog::Accepted) {
        m_ausgabe_string->setText(window.definition());
    }
    reactivated();
}

void format_def::Command1_Click() {
    if (!openTarget) {
        return;
    }
    MainView& view = m_controller.view();
    view.setValueText(QStringLiteral("Offline"));
    m_controller.fnUpdateStatus({});
    view.setUnitText({});
    view.setSignText({});
    openTarget();
    reactivated();
}

void format_def::cmdBefehle_Click() {
    getkey_def window(m_controller, this);
    window.exec();
    reactivated();
}

void format_def::ok_Click() {
    Settings& s = m_controller.settings();
    s.OTG = m_OTG->text();
    s.UTG = m_UTG->text();
    s.Anwendung = m_anwendung_set->text();
    // The last entry whose name contains the target is the selected application; entry 0 is
    // not looked at.
    for (std::size_t entry = 1; entry < s.applicationList.size(); ++entry) {
        if (s.applicationList[entry].name.contains(s.Anwendung)) {
            s.selectedApplication = static_cast<int>(entry);
        }
    }
    s.Format = bracesFromAngles(m_ausgabe_string->text());
    accept();
}
