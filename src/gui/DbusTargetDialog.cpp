#include "gui/DbusTargetDialog.h"

#include "base/config/ConfigurationFile.h"
#include "base/config/Settings.h"
#include "base/dbus/BusNames.h"
#include "base/dbus/CommandClient.h"
#include "base/interfaces/Dialogs.h"
#include "base/session/CycleTimer.h"
#include "base/texts/LanguageTable.h"
#include "gui/DialogButtonRow.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString filledIn(const QString& value, const QString& fallback) {
    return value.trimmed().isEmpty() ? fallback : value;
}

} // namespace

DbusTargetDialog::DbusTargetDialog(Settings& settings, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("DbusTargetDialog"));
    // The language file has no text of its own for the title; then the designed one stands.
    const QString title = languageText(TextKey::DbusTargetTitle);
    setWindowTitle(title == languageKey(TextKey::DbusTargetTitle) ? QStringLiteral("DDE Parameter") : title);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    const auto row = [this, fields](int line, QLabel*& label, const char* labelName, const QString& caption,
                                    QLineEdit*& box, const char* boxName) {
        label = new QLabel(caption, this);
        label->setObjectName(QLatin1String(labelName));
        box = new QLineEdit(this);
        box->setObjectName(QLatin1String(boxName));
        label->setBuddy(box);
        fields->addWidget(label, line, 0);
        fields->addWidget(box, line, 1);
    };
    row(0, m_busNameLabel, "busNameLabel", languageText(TextKey::DbusTargetBusName), m_busNameBox,
        "busNameBox");
    row(1, m_objectPathLabel, "objectPathLabel", languageText(TextKey::DbusTargetObjectPath), m_objectPathBox,
        "objectPathBox");
    row(2, m_commandLabel, "commandLabel", languageText(TextKey::DbusTargetCommand), m_commandBox,
        "commandBox");
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    m_hintLabel = new QLabel(
        QStringLiteral("Bitte geben Sie die DDE-Kommunikationsparameter ein. Die Angaben für Anwendung, "
                       "Topic und Makroname entnehmen Sie bitte der Beschreibung Ihrer Zielanwendung."),
        this);
    m_hintLabel->setObjectName(QStringLiteral("hintLabel"));
    m_hintLabel->setWordWrap(true);
    layout->addWidget(m_hintLabel);

    const DialogButtonRow buttons = DialogButtonRow::add(this, layout, languageText(TextKey::DbusTargetOk),
                                                         languageText(TextKey::DbusTargetCancel));
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;

    connect(m_okButton, &QPushButton::clicked, this, &DbusTargetDialog::storeAndClose);
    connect(m_cancelButton, &QPushButton::clicked, this, &DbusTargetDialog::cancel);

    ConfigurationFile::readBusTarget(m_settings);
    m_busNameBox->setPlaceholderText(CommandClient::ExampleBusName);
    m_settings.objectPath = filledIn(m_settings.objectPath, CommandClient::DefaultObjectPath);
    m_settings.busCommand = filledIn(m_settings.busCommand, CommandClient::DefaultCommand);
    m_busNameBox->setText(m_settings.busName);
    m_objectPathBox->setText(m_settings.objectPath);
    m_commandBox->setText(m_settings.busCommand);
    resize(440, sizeHint().height());
}

void DbusTargetDialog::showFromMenu(Settings& settings, Dialogs& dialogs, CycleTimer& cycle,
                                    QWidget* parent) {
    const int interval = cycle.interval();
    cycle.stop();
    DbusTargetDialog window(settings, dialogs, parent);
    window.exec();
    cycle.setInterval(interval);
}

void DbusTargetDialog::storeAndClose() {
    const QString busName = m_busNameBox->text().trimmed();
    const QString objectPath = m_objectPathBox->text().trimmed();
    const QString problem = CommandClient::targetProblem(busName, objectPath);
    if (!problem.isEmpty()) {
        m_dialogs.message(problem);
        (BusNames::isValidBusName(busName) ? m_objectPathBox : m_busNameBox)->setFocus();
        return;
    }
    m_settings.busName = busName;
    m_settings.objectPath = objectPath;
    m_settings.busCommand = m_commandBox->text();
    ConfigurationFile::writeBusTarget(m_settings);
    accept();
}

void DbusTargetDialog::cancel() {
    m_cancelled = true;
    reject();
}
