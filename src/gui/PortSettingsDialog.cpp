#include "gui/PortSettingsDialog.h"

#include "base/config/SettingText.h"
#include "base/config/Settings.h"
#include "base/interfaces/Dialogs.h"
#include "base/session/ConnectionControl.h"
#include "base/texts/NumberText.h"
#include "gui/DialogButtonRow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString ComPrefix = QStringLiteral("COM");

// Shows text in an editable list: the matching entry when there is one, else the bare text, so
// a stored value that the list does not offer is still shown.
void showText(QComboBox* box, const QString& text) {
    const int index = box->findText(text, Qt::MatchExactly);
    box->setCurrentIndex(index);
    if (index < 0) {
        box->setEditText(text);
    }
}

} // namespace

PortSettingsDialog::PortSettingsDialog(Settings& settings, ConnectionControl& connection, Dialogs& dialogs,
                                       Caller caller, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_connection(connection), m_dialogs(dialogs), m_caller(caller) {
    setObjectName(QStringLiteral("PortSettingsDialog"));
    setWindowTitle(QStringLiteral("Schnittstellenparameter"));
    setModal(true);
    buildControls();
    load();
}

std::optional<ConfigValue<int>> PortSettingsDialog::portSetting(const QString& entry) {
    // The number follows the three letters of "COM".
    const QString number = entry.mid(ComPrefix.size());
    if (NumberText::isPlainNumber(number)) {
        return SettingText::wholeNumber(number.trimmed());
    }
    if (entry == TcpIpEntry) {
        return SettingText::wholeNumber(TcpIpEntry);
    }
    return std::nullopt;
}

void PortSettingsDialog::buildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QGridLayout;
    int row = 0;
    const auto addRow = [this, fields, &row](QLabel*& label, const char* labelName, const QString& caption,
                                             QWidget* field) {
        label = new QLabel(caption, this);
        label->setObjectName(QLatin1String(labelName));
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1);
        ++row;
    };
    const auto makeList = [this](const char* name) {
        auto* box = new QComboBox(this);
        box->setObjectName(QLatin1String(name));
        // Editable, so that a stored value that is not in the list is still shown and kept.
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        return box;
    };
    const auto makeBox = [this](const char* name) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QLatin1String(name));
        return box;
    };

    m_portBox = makeList("portBox");
    m_baudRateBox = makeList("baudRateBox");
    m_dataBitsBox = makeList("dataBitsBox");
    m_parityBox = makeList("parityBox");
    m_stopBitsBox = makeList("stopBitsBox");
    m_handshakeBox = makeList("handshakeBox");
    m_hostBox = makeBox("hostBox");
    m_tcpPortBox = makeBox("tcpPortBox");
    addRow(m_portLabel, "portLabel", QStringLiteral("Port"), m_portBox);
    addRow(m_baudRateLabel, "baudRateLabel", QStringLiteral("Baud"), m_baudRateBox);
    addRow(m_dataBitsLabel, "dataBitsLabel", QStringLiteral("Datenbits"), m_dataBitsBox);
    addRow(m_parityLabel, "parityLabel", QStringLiteral("Parität"), m_parityBox);
    addRow(m_stopBitsLabel, "stopBitsLabel", QStringLiteral("Stopbits"), m_stopBitsBox);
    addRow(m_handshakeLabel, "handshakeLabel", QStringLiteral("Handshake"), m_handshakeBox);
    addRow(m_hostLabel, "hostLabel", QStringLiteral("IP-Adresse"), m_hostBox);
    addRow(m_tcpPortLabel, "tcpPortLabel", QStringLiteral("Port"), m_tcpPortBox);
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    const DialogButtonRow buttons =
        DialogButtonRow::add(this, layout, QStringLiteral("Ok"), QStringLiteral("Abbrechen"));
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;

    m_portSearchTimer = new QTimer(this);
    m_portSearchTimer->setObjectName(QStringLiteral("portSearchTimer"));
    m_portSearchTimer->setSingleShot(true);
    m_portSearchTimer->setInterval(0);

    connect(m_portSearchTimer, &QTimer::timeout, this, &PortSettingsDialog::listPorts);
    // Only a choice from the list switches the fields, not typing or filling the list.
    connect(m_portBox, &QComboBox::textActivated, this, &PortSettingsDialog::portChosen);
    connect(m_okButton, &QPushButton::clicked, this, &PortSettingsDialog::storeAndContinue);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    resize(320, sizeHint().height());
}

void PortSettingsDialog::load() {
    const Settings& s = m_settings;
    if (s.serialPort.text() == TcpIpEntry) {
        showSerialFields(false);
    } else {
        showSerialFields(true);
        m_baudRateBox->addItems({QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"),
                                 QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
                                 QStringLiteral("19200"), QStringLiteral("38400")});
        m_dataBitsBox->addItems(
            {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")});
        m_parityBox->addItems({QStringLiteral("even"), QStringLiteral("odd"), QStringLiteral("none")});
        m_stopBitsBox->addItems({QStringLiteral("1"), QStringLiteral("2")});
        m_handshakeBox->addItems(
            {QStringLiteral("Xon/Xoff"), QStringLiteral("Hardware"), QStringLiteral("none")});
    }
    showText(m_baudRateBox, s.baudRate.text());
    showText(m_dataBitsBox, s.dataBits.text());
    showText(m_parityBox, s.parity.text());
    showText(m_stopBitsBox, s.stopBits.text());
    showText(m_handshakeBox, s.handshake);
    m_hostBox->setText(s.host);
    m_tcpPortBox->setText(s.tcpPort.text());
}

void PortSettingsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The ports are looked for once, after the window has appeared.
    if (!m_portSearchStarted) {
        m_portSearchStarted = true;
        m_portSearchTimer->start();
    }
}

void PortSettingsDialog::showSerialFields(bool serial) {
    for (QWidget* widget : std::initializer_list<QWidget*>{
             m_baudRateLabel, m_baudRateBox, m_dataBitsLabel, m_dataBitsBox, m_parityLabel, m_parityBox,
             m_stopBitsLabel, m_stopBitsBox, m_handshakeLabel, m_handshakeBox}) {
        widget->setVisible(serial);
    }
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_hostLabel, m_hostBox, m_tcpPortLabel, m_tcpPortBox}) {
        widget->setVisible(!serial);
    }
}

void PortSettingsDialog::listPorts() {
    m_portBox->clear();
    for (int port = 1; port <= HighestPort; ++port) {
        if (m_connection.portExists(port)) {
            m_portBox->addItem(ComPrefix + QString::number(port));
        }
    }
    m_portBox->addItem(TcpIpEntry);
    m_portSearchTimer->stop();
    const QString port = m_settings.serialPort.text();
    showText(m_portBox, m_settings.isTcp() ? port : ComPrefix + port.trimmed());
}

void PortSettingsDialog::portChosen(const QString& entry) {
    if (entry == TcpIpEntry) {
        m_hostBox->setText(m_settings.host);
        m_tcpPortBox->setText(m_settings.tcpPort.text());
        showSerialFields(false);
    } else {
        showSerialFields(true);
    }
}

void PortSettingsDialog::storeAndContinue() {
    Settings& s = m_settings;
    s.baudRate = SettingText::baudRate(m_baudRateBox->currentText());
    s.dataBits = SettingText::dataBits(m_dataBitsBox->currentText());
    s.stopBits = SettingText::stopBits(m_stopBitsBox->currentText());
    s.parity = SettingText::parity(m_parityBox->currentText());
    s.handshake = m_handshakeBox->currentText();
    s.host = m_hostBox->text();
    s.tcpPort = SettingText::tcpPort(m_tcpPortBox->text());

    const auto port = portSetting(m_portBox->currentText());
    if (!port) {
        m_dialogs.message(QStringLiteral("Bitte Schnittstelle auswählen"));
        reject();
        return;
    }
    s.serialPort = *port;

    if (m_caller == Caller::Assistant && openTarget) {
        openTarget(this);
    }
    accept();
}
