#include "base/session/MainButtons.h"

#include "base/config/Settings.h"
#include "base/interfaces/Dialogs.h"
#include "base/interfaces/MainView.h"
#include "base/session/ConnectionControl.h"
#include "base/session/CycleTimer.h"
#include "base/session/SessionState.h"
#include "base/session/StatusLine.h"
#include "base/texts/LanguageTable.h"
#include "base/texts/LocaleFormats.h"

namespace {

constexpr int DeviceCommandRowLimit = 9;

} // namespace

MainButtons::MainButtons(const Settings& settings, MainView& view, StatusLine& status, SessionState& state,
                         ConnectionControl& connection, CycleTimer& cycle, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_settings(settings), m_view(view), m_status(status), m_state(state),
      m_connection(connection), m_cycle(cycle), m_dialogs(dialogs) {}

void MainButtons::pressNumber(int number) {
    if (number >= 1 && number <= MainButtonCount) {
        press(static_cast<MainButton>(number));
    } else if (number > MainButtonCount && number <= MainButtonCount + DeviceCommandRowLimit) {
        sendDeviceCommand(number - MainButtonCount - 1);
    }
}

void MainButtons::press(MainButton button) {
    m_state.cancelTransfer();
    if (button <= MainButton::Hide) {
        m_connection.reopen();
    }
    switch (button) {
    case MainButton::Send:
        m_state.requestTransfer();
        break;
    case MainButton::TimerStart:
        startTimer();
        break;
    case MainButton::TimerStop:
        stopTimer();
        break;
    case MainButton::Unused4:
    case MainButton::Unused5:
        break;
    case MainButton::Hide:
        m_view.hideToTray();
        break;
    case MainButton::Online:
        switchOnline();
        break;
    case MainButton::Exit:
        m_view.releaseTrayIcon();
        Q_EMIT exitRequested();
        break;
    }
}

void MainButtons::startTimer() {
    m_cycle.setInterval(CycleTimer::RunningInterval);
    m_connection.showOnline(false);
    m_status.setText(languageText(TextKey::DeviceActivated));
    if (!m_settings.transferMode.is(TransferMode::Timer)) {
        return;
    }
    TimerRun& timer = m_state.timer();
    timer.count = 0;
    timer.due = QDateTime(m_settings.startDate.value().value_or(QDate()),
                          m_settings.startTime.value().value_or(QTime()));
    const QString startText = languageText(TextKey::TimerActiveFrom) +
                              LocaleFormats::dateText(timer.due.date()) + u' ' +
                              LocaleFormats::timeText(timer.due.time());
    if (m_view.isMinimized()) {
        m_view.setWindowTitle(startText);
    } else {
        m_status.setText(startText);
    }
    m_connection.showOnline(true);
    m_view.setButtonEnabled(MainButton::TimerStart, false);
    m_view.setButtonEnabled(MainButton::TimerStop, true);
    timer.running = true;
}

void MainButtons::stopTimer() {
    m_view.setButtonEnabled(MainButton::TimerStart, true);
    m_view.setButtonEnabled(MainButton::TimerStop, false);
    m_status.setText({});
    m_state.timer().due = QDateTime();
    m_state.timer().running = false;
}

void MainButtons::switchOnline() {
    if (m_connection.isOnline()) {
        m_cycle.stop();
        m_connection.goOffline();
    } else {
        m_connection.goOnline();
        m_cycle.setInterval(CycleTimer::RunningInterval);
    }
    m_view.setUnitText({});
    m_view.setSignText({});
}

QByteArray MainButtons::commandBytes(const QString& command) {
    QByteArray bytes = command.toLatin1();
    const qsizetype position = std::max<qsizetype>(0, bytes.indexOf("ESC"));
    return bytes.left(position) + '\x1b' + bytes.mid(position + 3) + "\r\n";
}

void MainButtons::sendDeviceCommand(int row) {
    m_state.cancelTransfer();
    if (!m_connection.isOnline()) {
        m_connection.reopenForCommand();
    }
    if (row < 0 || row >= Settings::CommandRowCount) {
        return;
    }
    const DeviceCommand& command = m_settings.deviceCommands[static_cast<std::size_t>(row)];
    if (command.caption.trimmed().isEmpty()) {
        return;
    }
    const bool awaitsAnswer = command.deliversAnswer.valueOr(false);
    m_connection.sendCommand(commandBytes(command.command), awaitsAnswer);
    if (!awaitsAnswer) {
        return;
    }
    const QByteArray answer = m_connection.waitForAnswerLine();
    if (answer.isNull()) {
        m_dialogs.message(languageText(TextKey::DeviceTimeout));
        m_status.setText({});
        m_view.setUnitText({});
        m_view.setSignText({});
        return;
    }
    Q_EMIT answerReceived(QString::fromLatin1(answer));
}
