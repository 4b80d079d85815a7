#include "output/select_DDEParameter.h"

#include "core/MainController.h"
#include "language/LanguageTable.h"
#include "output/DdeConnection.h"
#include "settings/Settings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString filledIn(const QString& value, const QString& fallback) {
    return value.trimmed().isEmpty() ? fallback : value;
}

} // namespace

select_DDEParameter::select_DDEParameter(Settings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    setObjectName(QStringLiteral("select_DDEParameter"));
    // The language file has no text of its own for the title; then the designed one stands.
    const QString title = LanguageText(QStringLiteral("TextApplverb"));
    setWindowTitle(title == QLatin1String("TextApplverb") ? QStringLiteral("DDE Parameter") : title);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    const auto row = [this, fields](int line, QLabel*& label, const char* labelName, const QString& caption,
                                    QLineEdit*& field, const char* fieldName) {
        label = new QLabel(caption, this);
        label->setObjectName(QLatin1String(labelName));
        field = new QLineEdit(this);
        field->setObjectName(QLatin1String(fieldName));
        label->setBuddy(field);
        fields->addWidget(label, line, 0);
        fields->addWidget(field, line, 1);
    };
    row(0, m_appltext, "appltext", LanguageText(QStringLiteral("TextApplverbAnw")), m_appl, "appl");
    row(1, m_comtopictext, "comtopictext", LanguageText(QStringLiteral("TextApplverbTopic")), m_comtopic,
        "comtopic");
    row(2, m_befehltext, "befehltext", LanguageText(QStringLiteral("TextApplverbBef")), m_befehl, "befehl");
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    m_txtTipps = new QLabel(
        QStringLiteral("Bitte geben Sie die DDE-Kommunikationsparameter ein. Die Angaben für Anwendung, "
                       "Topic und Makroname entnehmen Sie bitte der Beschreibung Ihrer Zielanwendung."),
        this);
    m_txtTipps->setObjectName(QStringLiteral("txtTipps"));
    m_txtTipps->setWordWrap(true);
    layout->addWidget(m_txtTipps);

    auto* buttons = new QHBoxLayout;
    m_cmdGoOn = new QPushButton(LanguageText(QStringLiteral("TextApplverButton_OK")), this);
    m_cmdGoOn->setObjectName(QStringLiteral("cmdGoOn"));
    m_cmdGoOn->setDefault(true);
    m_cmdCancel = new QPushButton(LanguageText(QStringLiteral("TextCancelAbbrechenButton_Caption")), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_cmdGoOn);
    buttons->addWidget(m_cmdCancel);
    layout->addLayout(buttons);

    connect(m_cmdGoOn, &QPushButton::clicked, this, &select_DDEParameter::cmdGoOn_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &select_DDEParameter::cmdCancel_Click);

    Verbfile_lesen(m_settings);
    m_settings.anwend = filledIn(m_settings.anwend, DdeConnection::DefaultApplication);
    m_settings.topic = filledIn(m_settings.topic, DdeConnection::DefaultTopic);
    m_settings.befehl = filledIn(m_settings.befehl, DdeConnection::DefaultCommand);
    m_appl->setText(m_settings.anwend);
    m_comtopic->setText(m_settings.topic);
    m_befehl->setText(m_settings.befehl);
    resize(440, sizeHint().height());
}

void select_DDEParameter::showFromMenu(MainController& controller, QWidget* parent) {
    const int interval = controller.cycleInterval();
    controller.setCycleInterval(0);
    select_DDEParameter window(controller.settings(), parent);
    window.exec();
    controller.setCycleInterval(interval);
}

void select_DDEParameter::cmdGoOn_Click() {
    m_settings.anwend = m_appl->text();
    m_settings.topic = m_comtopic->text();
    m_settings.befehl = m_befehl->text();
    Verbfile_schreiben(m_settings);
    accept();
}

void select_DDEParameter::cmdCancel_Click() {
    m_cancelled = true;
    reject();
}
