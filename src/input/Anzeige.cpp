#include "input/Anzeige.h"

#include "core/MainController.h"
#include "input/RecordSample.h"
#include "language/LanguageTable.h"
#include "settings/LocaleFormats.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString text(const char* key) {
    return LanguageText(QLatin1String(key));
}

} // namespace

Anzeige::Anzeige(MainController& controller, QWidget* parent) : QDialog(parent), m_controller(controller) {
    setObjectName(QStringLiteral("Anzeige"));
    setModal(true);
    buildControls();
    load();
}

void Anzeige::buildControls() {
    auto* layout = new QVBoxLayout(this);

    m_frmAnzeige = new QGroupBox(QStringLiteral(" Modus"), this);
    m_frmAnzeige->setObjectName(QStringLiteral("frmAnzeige"));
    auto* grid = new QGridLayout(m_frmAnzeige);
    const std::array<std::pair<const char*, const char*>, ModeCount> options = {
        {{"lblweight", "Gewicht"}, {"lblvolume", "Volumen"}, {"lblflow", "Durchfluß"}}};
    for (int index = 0; index < ModeCount; ++index) {
        const auto slot = static_cast<std::size_t>(index);
        auto* option = new QRadioButton(m_frmAnzeige);
        option->setObjectName(QStringLiteral("Option1(%1)").arg(index));
        auto* label = new QLabel(QString::fromUtf8(options[slot].second), m_frmAnzeige);
        label->setObjectName(QLatin1String(options[slot].first));
        // The label belongs to its option: clicking it chooses the option.
        label->installEventFilter(this);
        m_Option1[slot] = option;
        m_labels[slot] = label;
        grid->addWidget(option, index, 0);
        grid->addWidget(label, index, 1);
        connect(option, &QRadioButton::clicked, this, [this, index] { Option1_Click(index); });
    }
    m_dichte = new QLineEdit(m_frmAnzeige);
    m_dichte->setObjectName(QStringLiteral("dichte"));
    m_Label4 = new QLabel(QStringLiteral("g/cm³"), m_frmAnzeige);
    m_Label4->setObjectName(QStringLiteral("Label4"));
    grid->addWidget(m_dichte, ModeCount, 1);
    grid->addWidget(m_Label4, ModeCount, 2);
    grid->setColumnStretch(1, 1);
    layout->addWidget(m_frmAnzeige);

    auto* buttons = new QHBoxLayout;
    m_cmdOk = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdOk->setObjectName(QStringLiteral("cmdOk"));
    m_cmdOk->setDefault(true);
    m_cmdcancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_cmdcancel->setObjectName(QStringLiteral("cmdcancel"));
    m_cmdcancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_cmdOk);
    buttons->addWidget(m_cmdcancel);
    layout->addLayout(buttons);

    connect(m_cmdOk, &QPushButton::clicked, this, &Anzeige::cmdOk_Click);
    connect(m_cmdcancel, &QPushButton::clicked, this, &QDialog::reject);
}

void Anzeige::load() {
    setWindowTitle(text("TextCancel_Caption"));
    // Of the frame's two texts the second one stays.
    m_frmAnzeige->setTitle(text("TextAnzeige_DisplayCaption"));
    m_frmAnzeige->setTitle(text("AnzeigeFrm_frame1"));
    m_labels[0]->setText(text("Anzeige_weight"));
    m_labels[1]->setText(text("Anzeige_volume"));
    m_labels[2]->setText(text("Anzeige_flow"));
    m_cmdcancel->setText(text("TextAC_Caption"));

    const Settings& settings = m_controller.settings();
    const auto mode = RecordSample::wholeNumber16(settings.anzeigemodus);
    if (mode && *mode >= 0 && *mode < ModeCount) {
        m_Option1[static_cast<std::size_t>(*mode)]->setChecked(true);
        Option1_Click(*mode);
    }
    m_dichte->setText(LocaleFormats::numberText(settings.st_dichte));
}

bool Anzeige::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        for (int index = 0; index < ModeCount; ++index) {
            if (watched == m_labels[static_cast<std::size_t>(index)]) {
                m_Option1[static_cast<std::size_t>(index)]->click();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Anzeige::Option1_Click(int index) {
    m_chosenMode = index;
}

void Anzeige::cmdOk_Click() {
    Settings& settings = m_controller.settings();
    if (m_chosenMode >= 0) {
        settings.anzeigemodus = QString::number(m_chosenMode);
    }
    bool ok = false;
    const double density = LocaleFormats::parseNumber(m_dichte->text(), &ok);
    // Volume and flow divide by the density: a text that is no positive number keeps the
    // density in use.
    if (ok && std::isfinite(density) && density > 0.0) {
        settings.st_dichte = density;
    }
    accept();
}
