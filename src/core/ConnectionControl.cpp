// Connection control of MainController: opening and closing the link, the online display and
// the button array.

#include "core/Dialogs.h"
#include "core/MainController.h"
#include "core/MainView.h"
#include "language/LanguageTable.h"
#include "settings/LocaleFormats.h"

#include <QCoreApplication>

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLocale>
#include <QTimer>

namespace {

QString text(const char* key) {
    return LanguageText(QLatin1String(key));
}

// How long a device may take to answer a command.
constexpr int AnswerTimeoutMilliseconds = 5000;

} // namespace

bool MainController::linkOnline() const {
    const QString tag = m_view.buttonTag(7).trimmed();
    return tag.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || tag == QLatin1String("-1");
}

void MainController::setLinkOnline(bool online) {
    m_view.setButtonTag(7, online ? QStringLiteral("True") : QStringLiteral("False"));
}

bool MainController::portnumIsNumber() const {
    bool ok = false;
    QLocale::c().toDouble(m_settings.portnum.trimmed(), &ok);
    return ok;
}

QString MainController::lineSettingsText() const {
    return m_settings.baud + u',' + m_settings.parity.toUpper() + u',' + m_settings.databit + u',' +
           m_settings.stopbit;
}

bool MainController::IsComPortAvailable(int portNumber) const {
    return m_link.portExists(portNumber);
}

void MainController::WaitSeconds(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000.0), &loop, &QEventLoop::quit);
    loop.exec();
}

void MainController::ShowOffline() {
    m_view.setButtonCaption(7, QStringLiteral("O&nline"));
    m_view.setValueText(QStringLiteral("Offline"));
    setLinkOnline(false);
    fnUpdateStatus(text("TextMessgeraetInaktiv"));
}

void MainController::ShowOnline(bool emptyUnitAndSign) {
    m_view.setButtonCaption(7, QStringLiteral("O&ffline"));
    m_view.setValueText(QStringLiteral("Online"));
    if (emptyUnitAndSign) {
        m_view.setUnitText({});
        m_view.setSignText({});
    }
    setLinkOnline(true);
}

void MainController::ShowOnlineAtStartup() {
    // The start-up form swaps the two texts: the button reads "Offline", the display "Online"
    // with its mnemonic marker, as users of the program have always seen it.
    m_view.setButtonCaption(7, QStringLiteral("Offline"));
    m_view.setValueText(QStringLiteral("O&nline"));
    setLinkOnline(true);
}

void MainController::ConnectSocket() {
    bool ok = false;
    const uint port = m_settings.tcpport.trimmed().toUInt(&ok);
    m_link.connectSocket(m_settings.tcpip.trimmed(), ok && port <= 65535 ? static_cast<quint16>(port) : 0);
    QCoreApplication::processEvents();
    fnUpdateStatus(text("TextMessgeraetAktiviert") + QStringLiteral(" TCP/IP ") +
                   QString::number(m_link.socketState()));
}

bool MainController::OpenLink() {
    const bool assignedPortExists = IsComPortAvailable(m_link.portNumber());
    if (m_settings.portnum != QLatin1String("TCP/IP") && !assignedPortExists) {
        return true;
    }
    m_link.setLineSettings(lineSettingsText());
    WaitSeconds(0.05);
    if (!portnumIsNumber()) {
        ConnectSocket();
        return true;
    }
    m_link.setPortNumber(QLocale::c().toDouble(m_settings.portnum.trimmed()));
    m_link.setLineSettings(lineSettingsText());
    if (!m_link.isSerialOpen()) {
        WaitSeconds(0.05);
        if (!m_link.openSerial()) {
            return false;
        }
    }
    ShowOnlineAtStartup();
    fnUpdateStatus(text("TextMessgeraetAktiviert") + QStringLiteral(" COM") + m_settings.portnum);
    return true;
}

void MainController::serialPrologue() {
    if (m_link.isSerialOpen()) {
        m_link.closeSerial();
        ShowOffline();
    }
    m_link.setLineSettings(lineSettingsText());
    WaitSeconds(0.05);
    m_link.openSerial();
    if (!m_link.isSerialOpen()) {
        fnUpdateStatus(text("TextMessgeraetInaktiv"));
    } else {
        fnUpdateStatus(text("TextMessgeraetAktiviert") + QStringLiteral(" COM") + m_settings.portnum);
    }
}

void MainController::Command5_Click(int index) {
    TransferPending = false;

    if (index >= 1 && index <= 6) {
        if (portnumIsNumber()) {
            serialPrologue();
        } else {
            ConnectSocket();
        }
        if (!linkOnline()) {
            ShowOnline(true);
            fnUpdateStatus(text("TextMessgeraetAktiviert"));
        }
    }

    switch (index) {
    case 1:
        TransferPending = true;
        break;
    case 2:
        setCycleInterval(RunningInterval);
        ShowOnline(false);
        fnUpdateStatus(text("TextMessgeraetAktiviert"));
        if (m_settings.modus == QLatin1String("TIMER")) {
            TimerCount = 0;
            TimerDue = QDateTime(LocaleFormats::parseDate(m_settings.d_start),
                                 LocaleFormats::parseTime(m_settings.t_start));
            const QString startText = text("TextTimerAktivStart") + LocaleFormats::dateText(TimerDue.date()) +
                                      u' ' + LocaleFormats::timeText(TimerDue.time());
            if (m_view.isMinimized()) {
                m_view.setWindowTitle(startText);
            } else {
                fnUpdateStatus(startText);
            }
            ShowOnline(true);
            m_view.setButtonEnabled(2, false);
            m_view.setButtonEnabled(3, true);
            TimerRunning = true;
        }
        break;
    case 3:
        m_view.setButtonEnabled(2, true);
        m_view.setButtonEnabled(3, false);
        fnUpdateStatus({});
        TimerDue = QDateTime();
        TimerRunning = false;
        break;
    case 6:
        m_view.hideToTray();
        break;
    case 7:
        onlineSwitch();
        break;
    case 8:
        m_view.releaseTrayIcon();
        formUnload();
        break;
    default:
        if (index >= 9 && index <= 17) {
            SendDeviceCommand(index - 9);
        }
        break;
    }
}

void MainController::onlineSwitch() {
    if (linkOnline()) {
        setCycleInterval(0);
        ShowOffline();
        if (portnumIsNumber()) {
            m_link.closeSerial();
            m_link.setLineSettings(lineSettingsText());
            WaitSeconds(0.05);
            m_link.closeSerial();
            ShowOffline();
        } else {
            m_link.closeSocket();
            WaitSeconds(0.05);
        }
    } else {
        if (portnumIsNumber()) {
            m_link.setPortNumber(QLocale::c().toDouble(m_settings.portnum.trimmed()));
            m_link.openSerial();
        } else {
            ConnectSocket();
        }
        setCycleInterval(RunningInterval);
        ShowOnline(false);
        fnUpdateStatus(text("TextMessgeraetAktiviert") + u' ' +
                       (portnumIsNumber() ? QStringLiteral("COM") + m_settings.portnum : m_settings.portnum));
    }
    m_view.setUnitText({});
    m_view.setSignText({});
}

void MainController::SendDeviceCommand(int row) {
    if (!linkOnline()) {
        if (m_link.isSerialOpen()) {
            m_link.closeSerial();
            ShowOffline();
        }
        m_link.setLineSettings(lineSettingsText());
        WaitSeconds(0.05);
        if (portnumIsNumber()) {
            if (!m_link.openSerial()) {
                m_dialogs.message(m_link.lastError());
            }
        } else {
            ConnectSocket();
        }
        ShowOnline(true);
        fnUpdateStatus(text("TextMessgeraetAktiviert"));
    }
    if (row < 0 || row >= Settings::RowCount || m_settings.Action[row][5].trimmed().isEmpty()) {
        return;
    }

    // "ESC" in the command text stands for the escape character; a text without it has its
    // first three characters replaced by one.
    QByteArray command = m_settings.Action[row][4].toLatin1();
    qsizetype position = command.indexOf("ESC");
    if (position < 0) {
        position = 0;
    }
    command = command.left(position) + '\x1b' + command.mid(position + 3);
    command += "\r\n";

    bool sent = false;
    if (portnumIsNumber()) {
        m_link.readSerial();
        sent = m_link.writeSerial(command);
    } else {
        m_link.receiveBuffer().clear();
        sent = m_link.sendSocket(command);
    }
    if (!sent) {
        m_dialogs.message(m_link.lastError());
    }

    bool answerWanted = false;
    const int flag = m_settings.Action[row][6].trimmed().toInt(&answerWanted);
    if (!answerWanted || flag != 1) {
        return;
    }
    const QByteArray answer = waitForAnswerLine();
    if (answer.isNull()) {
        m_dialogs.message(text("TextSchnittstellentimeout"));
        fnUpdateStatus({});
        m_view.setUnitText({});
        m_view.setSignText({});
        return;
    }
    OutputText = QString::fromLatin1(answer);
    const auto selected = static_cast<std::size_t>(m_settings.selectedApplication);
    const QString selectedName = selected < m_settings.applicationList.size()
                                     ? m_settings.applicationList[selected].name.trimmed()
                                     : QString();
    if (selectedName != QLatin1String("*DDE*")) {
        m_view.setStatus1Text(2, m_settings.Anwendung);
        m_view.setStatus1Text(3, OutputText);
        Q_EMIT deliveryRequested(OutputText);
    } else {
        Q_EMIT ddeCommandRequested();
    }
}

QByteArray MainController::waitForAnswerLine() {
    WaitSeconds(0.2);
    const bool serial = portnumIsNumber();
    QByteArray answer;
    const QDeadlineTimer deadline(AnswerTimeoutMilliseconds);
    while (true) {
        if (serial) {
            answer += m_link.readSerial();
        } else {
            answer = m_link.receiveBuffer();
        }
        const qsizetype lineFeed = answer.indexOf('\n');
        if (lineFeed >= 0) {
            if (!serial) {
                m_link.receiveBuffer().remove(0, lineFeed + 1);
            }
            // The carriage return before the line feed stays part of the answer.
            QByteArray line = answer.left(lineFeed);
            line.detach();
            return line.isNull() ? QByteArray("") : line;
        }
        if (deadline.hasExpired()) {
            return {};
        }
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        connect(&m_link, &DeviceLink::dataArrived, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        loop.exec();
    }
}
