#include "shell/select_settings.h"

#include "core/Dialogs.h"
#include "core/MainController.h"
#include "settings/NumberText.h"
#include "shell/select_target.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString TcpIpEntry = QStringLiteral("TCP/IP");

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

select_settings::select_settings(MainController& controller, WindowList* windows, QWidget* parent)
    : QDialog(parent), m_controller(controller), m_windows(windows) {
    setObjectName(QStringLiteral("select_settings"));
    setWindowTitle(QStringLiteral("Schnittstellenparameter"));
    setModal(true);
    buildControls();
    load();
}

void select_settings::buildControls() {
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

    m_cboCOM = makeList("cboCOM");
    m_cboBaud = makeList("cboBaud");
    m_cboDataBits = makeList("cboDataBits");
    m_cboParity = makeList("cboParity");
    m_cboStopBits = makeList("cboStopBits");
    m_cboHandshake = makeList("cboHandshake");
    m_txtIP = makeBox("txtIP");
    m_txtPort = makeBox("txtPort");
    addRow(m_lblCOM, "lblCOM", QStringLiteral("Port"), m_cboCOM);
    addRow(m_lblBaud, "lblBaud", QStringLiteral("Baud"), m_cboBaud);
    addRow(m_lblDataBits, "lblDataBits", QStringLiteral("Datenbits"), m_cboDataBits);
    addRow(m_lblParity, "lblParity", QStringLiteral("Parität"), m_cboParity);
    addRow(m_lblStopBits, "lblStopBits", QStringLiteral("Stopbits"), m_cboStopBits);
    addRow(m_lblHandshake, "lblHandshake", QStringLiteral("Handshake"), m_cboHandshake);
    addRow(m_lblIP, "lblIP", QStringLiteral("IP-Adresse"), m_txtIP);
    addRow(m_lblPort, "lblPort", QStringLiteral("Port"), m_txtPort);
    fields->setColumnStretch(1, 1);
    layout->addLayout(fields);

    auto* buttons = new QHBoxLayout;
    m_cmdGoOn = new QPushButton(QStringLiteral("Ok"), this);
    m_cmdGoOn->setObjectName(QStringLiteral("cmdGoOn"));
    m_cmdGoOn->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_cmdGoOn);
    buttons->addWidget(m_cmdCancel);
    layout->addLayout(buttons);

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setSingleShot(true);
    m_Timer1->setInterval(0);

    connect(m_Timer1, &QTimer::timeout, this, &select_settings::Timer1_Timer);
    // Only a choice from the list switches the fields, not typing or filling the list.
    connect(m_cboCOM, &QComboBox::textActivated, this, &select_settings::cboCOM_Click);
    connect(m_cmdGoOn, &QPushButton::clicked, this, &select_settings::cmdGoOn_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(320, sizeHint().height());
}

void select_settings::load() {
    const Settings& s = m_controller.settings();
    if (s.portnum == TcpIpEntry) {
        showSerialFields(false);
    } else {
        showSerialFields(true);
        m_cboBaud->addItems({QStringLiteral("300"), QStringLiteral("600"), QStringLiteral("1200"),
                             QStringLiteral("2400"), QStringLiteral("4800"), QStringLiteral("9600"),
                             QStringLiteral("19200"), QStringLiteral("38400")});
        m_cboDataBits->addItems(
            {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")});
        m_cboParity->addItems({QStringLiteral("even"), QStringLiteral("odd"), QStringLiteral("none")});
        m_cboStopBits->addItems({QStringLiteral("1"), QStringLiteral("2")});
        m_cboHandshake->addItems(
            {QStringLiteral("Xon/Xoff"), QStringLiteral("Hardware"), QStringLiteral("none")});
    }
    showText(m_cboBaud, s.baud);
    showText(m_cboDataBits, s.databit);
    showText(m_cboParity, s.parity);
    showText(m_cboStopBits, s.stopbit);
    showText(m_cboHandshake, s.handshake);
    m_txtIP->setText(s.tcpip);
    m_txtPort->setText(s.tcpport);
}

void select_settings::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The ports are looked for once, after the window has appeared.
    if (!m_portSearchStarted) {
        m_portSearchStarted = true;
        m_Timer1->start();
    }
}

void select_settings::showSerialFields(bool serial) {
    for (QWidget* widget : std::initializer_list<QWidget*>{m_lblBaud, m_cboBaud, m_lblDataBits, m_cboDataBits,
                                                           m_lblParity, m_cboParity, m_lblStopBits,
                                                           m_cboStopBits, m_lblHandshake, m_cboHandshake}) {
        widget->setVisible(serial);
    }
    for (QWidget* widget : std::initializer_list<QWidget*>{m_lblIP, m_txtIP, m_lblPort, m_txtPort}) {
        widget->setVisible(!serial);
    }
}

void select_settings::Timer1_Timer() {
    m_cboCOM->clear();
    for (int port = 1; port <= HighestPort; ++port) {
        if (m_controller.IsComPortAvailable(port)) {
            m_cboCOM->addItem(QStringLiteral("COM") + QString::number(port));
        }
    }
    m_cboCOM->addItem(TcpIpEntry);
    m_Timer1->stop();
    const QString portnum = m_controller.settings().portnum;
    showText(m_cboCOM, m_controller.portnumIsNumber() ? QStringLiteral("COM") + portnum.trimmed() : portnum);
}

void select_settings::cboCOM_Click(const QString& entry) {
    if (entry == TcpIpEntry) {
        const Settings& s = m_controller.settings();
        m_txtIP->setText(s.tcpip);
        m_txtPort->setText(s.tcpport);
        showSerialFields(false);
    } else {
        showSerialFields(true);
    }
}

void select_settings::cmdGoOn_Click() {
    Settings& s = m_controller.settings();
    s.baud = m_cboBaud->currentText();
    s.databit = m_cboDataBits->currentText();
    s.stopbit = m_cboStopBits->currentText();
    s.parity = m_cboParity->currentText();
    s.handshake = m_cboHandshake->currentText();
    s.tcpip = m_txtIP->text();
    s.tcpport = m_txtPort->text();

    const QString port = m_cboCOM->currentText();
    // "COM3" names port 3: the number follows the three letters.
    const QString number = port.mid(3);
    if (NumberText::isPlainNumber(number)) {
        s.portnum = number.trimmed();
    } else if (port == TcpIpEntry) {
        s.portnum = TcpIpEntry;
    } else {
        m_controller.dialogs().message(QStringLiteral("Bitte Schnittstelle auswählen"));
        reject();
        return;
    }

    if (m_tag != QLatin1String("mainform")) {
        select_target target(m_controller, m_windows, this);
        target.setTag(QStringLiteral("select_settings"));
        target.exec();
    }
    accept();
}
