#include "base/session/ConnectionControl.h"

#include "base/config/Settings.h"
#include "base/interfaces/Dialogs.h"
#include "base/interfaces/MainView.h"
#include "base/session/EventWait.h"
#include "base/session/StatusLine.h"
#include "base/texts/LanguageTable.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace {

// How long a device may take to answer a command.
constexpr int AnswerTimeoutMilliseconds = 5000;
// The pause between assigning line settings and opening a port.
constexpr double SettleSeconds = 0.05;

} // namespace

ConnectionControl::ConnectionControl(const Settings& settings, MainView& view, StatusLine& status,
                                     Dialogs& dialogs, const QString& kelvaneIniPath, QObject* parent)
    : QObject(parent), m_settings(settings), m_view(view), m_status(status), m_dialogs(dialogs),
      m_serial(kelvaneIniPath) {
    for (DeviceLink* link : {static_cast<DeviceLink*>(&m_serial), static_cast<DeviceLink*>(&m_tcp)}) {
        connect(link, &DeviceLink::linkLost, this, &ConnectionControl::onLinkLost);
    }
    m_reconnect.setInterval(ReconnectIntervalMs);
    connect(&m_reconnect, &QTimer::timeout, this, &ConnectionControl::tryReconnect);
    connect(&m_tcp, &TcpLink::stateChanged, this, [this](TcpLink::State state) {
        if (state != TcpLink::Connected) {
            return;
        }
        m_tcpConnected = true;
        if (m_reconnect.isActive()) {
            restored();
        }
    });
}

bool ConnectionControl::openSerial() {
    if (m_serial.open()) {
        return true;
    }
    if (const std::optional<QString>& group = m_serial.groupToJoin()) {
        const QString text = languageText(TextKey::PortAccessDenied)
                                 .arg(QString::number(m_serial.port()), m_serial.devicePath(), *group);
        m_status.setText(text);
        // Told once per port: the remedy takes a new login, not another try.
        if (m_accessReportedPort != m_serial.port()) {
            m_accessReportedPort = m_serial.port();
            m_dialogs.message(text);
        }
    }
    return false;
}

DeviceLink& ConnectionControl::link() {
    return m_settings.isTcp() ? static_cast<DeviceLink&>(m_tcp) : m_serial;
}

void ConnectionControl::onLinkLost(LinkLoss cause) {
    // A link that was up and online is tried again; a failed attempt is lost once more and keeps
    // trying. A TCP/IP peer that never answered is not: the address may be wrong.
    const bool wasUp = !m_settings.isTcp() || m_tcpConnected;
    m_tcpConnected = false;
    const bool tryAgain = m_settings.reconnect && ((m_online && wasUp) || m_reconnect.isActive());
    showOffline();
    const std::pair<LinkLoss, TextKey> causes[] = {{LinkLoss::PeerClosed, TextKey::LinkPeerClosed},
                                                   {LinkLoss::Refused, TextKey::LinkRefused},
                                                   {LinkLoss::HostNotFound, TextKey::LinkHostNotFound},
                                                   {LinkLoss::DeviceRemoved, TextKey::LinkDeviceRemoved}};
    TextKey why = TextKey::LinkFailed;
    for (const auto& [loss, key] : causes) {
        if (loss == cause) {
            why = key;
        }
    }
    m_status.setText(languageText(TextKey::PortUnavailable) + u' ' + languageText(why));
    if (tryAgain && !m_reconnect.isActive()) {
        m_reconnectAttempts = 0;
        m_reconnect.start();
    }
}

void ConnectionControl::tryReconnect() {
    ++m_reconnectAttempts;
    m_status.setText(languageText(TextKey::LinkReconnecting).arg(m_reconnectAttempts));
    if (m_settings.isTcp()) {
        // Success shows as the connected state, failure as another lost link.
        m_tcp.open();
    } else if (m_serial.portExists(m_serial.port()) && m_serial.open()) {
        restored();
    }
}

void ConnectionControl::restored() {
    m_reconnect.stop();
    // A record the device had begun before the loss is never glued to one after it.
    link().received().clear();
    showOnline(true);
    m_status.setText(m_settings.isTcp() ? tcpStatus() : serialPortStatus());
    Q_EMIT linkRestored();
}

void ConnectionControl::stopReconnecting() {
    m_reconnect.stop();
}

// The socket's state is shown by its number.
QString ConnectionControl::tcpStatus() const {
    return languageText(TextKey::DeviceActivated) + QStringLiteral(" TCP/IP ") +
           QString::number(m_tcp.state());
}

QString ConnectionControl::serialPortStatus() const {
    return languageText(TextKey::DeviceActivated) + QStringLiteral(" COM") + m_settings.serialPort.text();
}

void ConnectionControl::showOffline() {
    m_view.setButtonCaption(MainButton::Online, QStringLiteral("O&nline"));
    m_view.setValueText(QStringLiteral("Offline"));
    m_online = false;
    m_status.setText(languageText(TextKey::DeviceInactive));
}

void ConnectionControl::showOnline(bool clearUnitAndSign) {
    m_view.setButtonCaption(MainButton::Online, QStringLiteral("O&ffline"));
    m_view.setValueText(QStringLiteral("Online"));
    if (clearUnitAndSign) {
        m_view.setUnitText({});
        m_view.setSignText({});
    }
    m_online = true;
}

void ConnectionControl::showOnlineAtStartup() {
    // The start-up form: the button reads "Offline" without its mnemonic, the display "Online".
    m_view.setButtonCaption(MainButton::Online, QStringLiteral("Offline"));
    m_view.setValueText(QStringLiteral("Online"));
    m_online = true;
}

void ConnectionControl::connectSocket() {
    stopReconnecting();
    m_tcp.setPeer(m_settings.host.trimmed(), m_settings.tcpPort.valueOr(0));
    m_tcp.open();
    QCoreApplication::processEvents();
    m_status.setText(tcpStatus());
}

bool ConnectionControl::openAtStartup() {
    stopReconnecting();
    const bool assignedPortExists = portExists(m_serial.port());
    if (m_settings.serialPort.text() != QLatin1String("TCP/IP") && !assignedPortExists) {
        return true;
    }
    // Line settings and the pause after them concern a serial port only.
    if (m_settings.isTcp()) {
        connectSocket();
        return true;
    }
    m_serial.setLineSettings(LineSettings::of(m_settings));
    EventWait::seconds(SettleSeconds);
    m_serial.setPort(*m_settings.serialPort.value());
    m_serial.setLineSettings(LineSettings::of(m_settings));
    if (!m_serial.isOpen()) {
        EventWait::seconds(SettleSeconds);
        if (!openSerial()) {
            return false;
        }
    }
    showOnlineAtStartup();
    m_status.setText(serialPortStatus());
    return true;
}

void ConnectionControl::applySettings() {
    stopReconnecting();
    if (portExists(m_serial.port()) && m_serial.isOpen()) {
        m_serial.close();
    }
    if (m_settings.isTcp()) {
        connectSocket();
        return;
    }
    m_serial.setPort(*m_settings.serialPort.value());
    m_serial.setLineSettings(LineSettings::of(m_settings));
    if (portExists(m_serial.port()) && !m_serial.isOpen()) {
        EventWait::seconds(SettleSeconds);
        if (!openSerial() && m_serial.lastErrorWasUnavailable()) {
            m_dialogs.showPortSettings();
        }
    }
    if (m_serial.isOpen()) {
        showOnlineAtStartup();
        m_status.setText(serialPortStatus());
    }
}

void ConnectionControl::reopen() {
    stopReconnecting();
    if (m_settings.isTcp()) {
        connectSocket();
    } else {
        if (m_serial.isOpen()) {
            m_serial.close();
            showOffline();
        }
        // The port number is not assigned again here.
        m_serial.setLineSettings(LineSettings::of(m_settings));
        EventWait::seconds(SettleSeconds);
        openSerial();
        m_status.setText(m_serial.isOpen() ? serialPortStatus() : languageText(TextKey::DeviceInactive));
    }
    if (!m_online) {
        showOnline(true);
        m_status.setText(languageText(TextKey::DeviceActivated));
    }
}

void ConnectionControl::goOffline() {
    stopReconnecting();
    showOffline();
    if (m_settings.isTcp()) {
        m_tcp.close();
        EventWait::seconds(SettleSeconds);
    } else {
        m_serial.close();
        m_serial.setLineSettings(LineSettings::of(m_settings));
        EventWait::seconds(SettleSeconds);
        m_serial.close();
        showOffline();
    }
}

void ConnectionControl::goOnline() {
    stopReconnecting();
    if (m_settings.isTcp()) {
        connectSocket();
    } else {
        // The line settings are not assigned again here.
        m_serial.setPort(*m_settings.serialPort.value());
        openSerial();
    }
    showOnline(false);
    m_status.setText(languageText(TextKey::DeviceActivated) + u' ' +
                     (m_settings.isTcp() ? m_settings.serialPort.text()
                                         : QStringLiteral("COM") + m_settings.serialPort.text()));
}

void ConnectionControl::reopenForCommand() {
    stopReconnecting();
    if (m_serial.isOpen()) {
        m_serial.close();
        showOffline();
    }
    m_serial.setLineSettings(LineSettings::of(m_settings));
    EventWait::seconds(SettleSeconds);
    if (m_settings.isTcp()) {
        connectSocket();
    } else if (!openSerial() && !m_serial.groupToJoin()) {
        m_dialogs.message(m_serial.lastError());
    }
    showOnline(true);
    m_status.setText(languageText(TextKey::DeviceActivated));
}

void ConnectionControl::sendCommand(const QByteArray& command, bool awaitsAnswer) {
    DeviceLink& device = link();
    // The serial input is discarded before a command, and so is everything before an answer, which
    // is the next line. Otherwise a TCP/IP buffer keeps what it holds: the start of a record.
    if (awaitsAnswer || !m_settings.isTcp()) {
        device.received().clear();
    }
    if (!device.write(command)) {
        m_dialogs.message(device.lastError());
    }
}

QByteArray ConnectionControl::waitForAnswerLine() {
    DeviceLink& device = link();
    const DeviceLink::WaitingReader waiting(device);
    EventWait::seconds(0.2);
    const QDeadlineTimer deadline(AnswerTimeoutMilliseconds);
    while (true) {
        QByteArray& received = device.received();
        const qsizetype lineFeed = received.indexOf('\n');
        if (lineFeed >= 0) {
            // The carriage return before the line feed stays part of the answer.
            QByteArray line = received.left(lineFeed);
            received.remove(0, lineFeed + 1);
            return line.isNull() ? QByteArray("") : line;
        }
        if (deadline.hasExpired()) {
            return {};
        }
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(&device, &DeviceLink::dataArrived, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        loop.exec();
    }
}

void ConnectionControl::closeForShutdown() {
    stopReconnecting();
    m_tcp.close();
    const auto closed = [this] {
        return m_tcp.state() == TcpLink::Closed || m_tcp.state() == TcpLink::Closing;
    };
    if (closed()) {
        return;
    }
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_tcp, &TcpLink::stateChanged, &loop, [&loop, &closed] {
        if (closed()) {
            loop.quit();
        }
    });
    deadline.start(3000);
    loop.exec();
}
