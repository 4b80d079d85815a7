#include "base/session/MainCycle.h"

#include "base/config/Settings.h"
#include "base/dbus/CommandClient.h"
#include "base/delivery/Delivery.h"
#include "base/delivery/OutputTemplate.h"
#include "base/files/ProgramDirectory.h"
#include "base/interfaces/MainView.h"
#include "base/records/Acceptance.h"
#include "base/records/RecordCutter.h"
#include "base/records/RecordValues.h"
#include "base/session/ConnectionControl.h"
#include "base/session/CycleTimer.h"
#include "base/session/MainButtons.h"
#include "base/session/ProgramTitle.h"
#include "base/session/SessionState.h"
#include "base/session/StatusLine.h"
#include "base/texts/LanguageTable.h"
#include "base/texts/LocaleFormats.h"
#include "base/texts/NumberText.h"
#include "base/triggers/TriggerKeys.h"

#include <QCoreApplication>

#include <bit>

namespace {

void letEventsRun() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace

MainCycle::MainCycle(const Parts& parts, QObject* parent)
    : QObject(parent), m_settings(parts.settings), m_view(parts.view), m_status(parts.status),
      m_state(parts.state), m_connection(parts.connection), m_cycleTimer(parts.cycleTimer),
      m_buttons(parts.buttons), m_delivery(parts.delivery), m_dialogs(parts.dialogs),
      m_reader(parts.settings), m_schedule(parts.settings) {
    m_clock.start();
    // Outside the running cycle, whatever the device sends is fetched as it arrives.
    connect(&m_cycleTimer, &CycleTimer::stopped, this, [this] { m_connection.releaseArrivals(); });
}

QString MainCycle::protocolPath() {
    return ProgramDirectory::file(QStringLiteral("protocol.txt"));
}

void MainCycle::end() {
    m_ended = true;
    m_reader.abort();
    m_connection.releaseArrivals();
}

void MainCycle::tick() {
    m_connection.releaseArrivals();
    runTick();
    Q_EMIT valuesChanged();
    if (m_cycleTimer.isRunning() && !m_ended) {
        m_connection.holdArrivals();
    }
}

void MainCycle::pollTriggerKeys() {
    if (!m_keys) {
        return;
    }
    const auto button = m_keys->pollHotkeys();
    letEventsRun();
    if (button) {
        m_state.published().outputText.clear();
        m_buttons.press(*button);
    } else if (const auto row = m_keys->pollDeviceCommandKeys()) {
        m_state.published().outputText.clear();
        m_buttons.sendDeviceCommand(*row);
    }
}

const QString& MainCycle::numberText(double value) {
    // The display and the transfer both write the value; the locale's conversion is among the
    // dearer steps of a value's way, and the locale stays as the program started.
    if (!m_numberText || std::bit_cast<quint64>(m_numberText->first) != std::bit_cast<quint64>(value)) {
        m_numberText = {value, LocaleFormats::numberText(value)};
    }
    return m_numberText->second;
}

void MainCycle::runTick() {
    pollTriggerKeys();
    letEventsRun();
    if (m_ended) {
        return;
    }

    Reading reading;
    FlowMeter::Change change;
    const bool printMode = m_settings.transferMode.is(TransferMode::Print);
    if (printMode || m_connection.isOnline()) {
        reading = readAndShow();
        if (!reading.complete() || m_ended) {
            return;
        }
        const Acceptance::Verdict verdict = Acceptance::check(m_settings, reading.unit, reading.value);
        if (const auto refusal = Acceptance::refusalText(verdict)) {
            // A refusal counts as a value taken only where the value was to be taken.
            if (reading.valueIsNumber && (printMode || m_state.isTransferPending())) {
                Q_EMIT valueTaken({QDateTime::currentDateTime(), reading.value, reading.unit, verdict});
            }
            m_status.setText(languageText(*refusal));
            m_state.cancelTransfer();
            return;
        }
        if (m_view.infoText(MainView::InfoPanel::Caption) != m_rememberedCaption) {
            m_status.setText({});
        }
        applyEndCheck();
        const bool timerRunning = m_settings.transferMode.is(TransferMode::Timer) && m_state.timer().running;
        if (!timerRunning) {
            if (printMode) {
                m_state.requestTransfer();
            }
        } else {
            // The decision counts the value it takes; the flow display needs the count before.
            const bool firstOfRun = m_state.timer().count == 0;
            if (applyDecision() && m_settings.displayMode.is(DisplayMode::Flow)) {
                change = flowDisplay(reading.value, firstOfRun);
            }
        }
    }
    letEventsRun();
    if (m_ended) {
        return;
    }
    if (m_state.isTransferPending()) {
        if (reading.complete() && reading.valueIsNumber) {
            Q_EMIT valueTaken(
                {QDateTime::currentDateTime(), reading.value, reading.unit, Acceptance::Verdict::Accepted});
        }
        transfer(reading, change);
    }
    letEventsRun();
    keepTitleInStep();
}

Reading MainCycle::readAndShow() {
    const Reading reading = m_reader.read(m_connection.link());
    if (!reading.complete()) {
        m_view.setUnitText({});
        m_view.setSignText({});
        return reading;
    }
    if (const auto display = RecordValues::displayOf(reading, m_settings)) {
        m_view.setSignText(display->sign);
        m_view.setValueText(display->value);
        m_view.setUnitText(display->unit);
    }
    if (reading.valueIsNumber) {
        PublishedValues& published = m_state.published();
        published.sign = m_view.signText();
        published.unit = m_view.unitText();
        published.value = QString(numberText(reading.value)).remove(u' ');
    }
    return reading;
}

void MainCycle::applyEndCheck() {
    const TimerSchedule::End end = m_schedule.endCheck(m_state.timer());
    if (end.stopTimer) {
        m_buttons.press(MainButton::TimerStop);
    }
    if (end.status) {
        m_status.setText(*end.status);
    }
}

bool MainCycle::applyDecision() {
    m_view.setButtonEnabled(MainButton::Online, true);
    const TimerSchedule::Decision decision = m_schedule.decide(m_state.timer());
    if (decision.nextDue) {
        m_state.timer().due = *decision.nextDue;
    }
    if (decision.status) {
        m_status.setText(*decision.status);
    }
    if (decision.transfer) {
        ++m_state.timer().count;
        m_state.requestTransfer();
        if (decision.showRunningButtons) {
            m_view.setButtonEnabled(MainButton::TimerStop, true);
            m_view.setButtonEnabled(MainButton::TimerStart, false);
            m_view.setButtonCaption(MainButton::Online, QStringLiteral("O&ffline"));
        }
    } else if (decision.stopTimer) {
        m_state.cancelTransfer();
        m_buttons.press(MainButton::TimerStop);
    }
    return decision.fellDue;
}

FlowMeter::Change MainCycle::flowDisplay(double value, bool firstOfRun) {
    const FlowMeter::Change change = m_flow.take(value, m_clock.elapsed(), firstOfRun);
    m_view.setValueText(
        RecordValues::flowText(value, change.weight, change.seconds, m_settings.densityDivisor()));
    m_view.setUnitText(QStringLiteral("ml"));
    return change;
}

void MainCycle::transfer(const Reading& reading, FlowMeter::Change change) {
    const QString outputText = formatMeasurement(reading.record, change);
    writeProtocol(reading.record, outputText);
    PublishedValues& published = m_state.published();
    published.record = RecordCutter::text(reading.record);
    published.outputText = outputText;
    published.sign = m_view.signText();
    published.unit = reading.unit;
    published.value = numberText(reading.value);
    m_status.setText({});
    if (!m_settings.target.is(TargetKind::DbusCommand)) {
        m_view.setInfoText(MainView::InfoPanel::Target, m_settings.target.text());
        m_view.setInfoText(MainView::InfoPanel::Output, outputText);
        m_delivery.deliver(outputText);
    } else {
        runDbusCommand();
    }
    m_state.cancelTransfer();
    Q_EMIT transferred(outputText);
    Q_EMIT valuesChanged();
    waitForUnloading();
}

void MainCycle::deliverAnswer(const QString& answer) {
    if (m_settings.selectedApplicationName().trimmed() != QLatin1String("*DDE*")) {
        m_view.setInfoText(MainView::InfoPanel::Target, m_settings.target.text());
        m_view.setInfoText(MainView::InfoPanel::Output, answer);
        m_delivery.deliver(answer);
    } else {
        runDbusCommand();
    }
    Q_EMIT valuesChanged();
}

void MainCycle::runDbusCommand() {
    Q_EMIT valuesChanged();
    const CommandClient::Outcome outcome = CommandClient::execute(m_settings, m_dialogs);
    if (outcome == CommandClient::Outcome::InvalidTarget) {
        // Said once for these names, not for every value.
        const QString problem = CommandClient::targetProblem(m_settings.busName, m_settings.objectPath);
        if (problem != m_reportedTargetProblem) {
            m_status.setText(problem);
            m_reportedTargetProblem = problem;
        }
        return;
    }
    m_reportedTargetProblem.clear();
    if (outcome == CommandClient::Outcome::EndProgram) {
        Q_EMIT quitRequested();
    }
}

void MainCycle::waitForUnloading() {
    const auto lower = m_settings.lowerLimit.value();
    if (!m_settings.waitForUnloading || !lower || *lower <= 0.0) {
        return;
    }
    m_status.setText(languageText(TextKey::WaitingForUnloading));
    double value = 0.0;
    do {
        if (m_ended || !m_cycleTimer.isRunning()) {
            return;
        }
        value = readAndShow().value;
    } while (value >= *lower);
}

QString MainCycle::formatMeasurement(const QByteArray& record, FlowMeter::Change change) {
    const Settings& s = m_settings;
    if (RecordCutter::text(record).trimmed().isEmpty()) {
        return {};
    }
    for (int n = 1; n <= Settings::IdCount; ++n) {
        const FieldRange& id = s.ids[static_cast<std::size_t>(n)];
        if (id.first >= 1 && id.last >= id.first) {
            m_measurement.ids[static_cast<std::size_t>(n)] =
                RecordCutter::text(RecordCutter::field(record, id));
        }
    }
    const RecordValues::OutputValue cut =
        RecordValues::inDisplayMode(RecordValues::forOutput(record, s), s, change.weight, change.seconds);
    m_measurement.record = record;
    m_measurement.value = cut.value;
    m_measurement.sign = cut.sign;
    m_measurement.unit = cut.unit;
    m_measurement.valueText =
        NumberText::formatWithMask(cut.value, NumberText::buildNumberMask(cut.decimals, 10));
    return OutputTemplate::render(s.outputTemplate, m_measurement, s.decimalPoint.valueOr(false), m_dialogs);
}

void MainCycle::writeProtocol(const QByteArray& record, const QString& outputText) {
    // Without the log the value is still delivered.
    m_protocol.append(protocolPath(),
                      "Datenstring: " + record + "\r\nCommand: " + outputText.toUtf8() + "\r\n");
}

void MainCycle::keepTitleInStep() {
    const bool minimized = m_view.isMinimized();
    const QString caption = m_view.infoText(MainView::InfoPanel::Caption);
    if (m_settings.transferMode.is(TransferMode::Timer) &&
        (minimized != m_rememberedMinimized || caption != m_rememberedCaption)) {
        if (!minimized) {
            if (minimized != m_rememberedMinimized) {
                m_view.setWindowTitle(ProgramTitle);
            }
        } else {
            m_view.setWindowTitle(m_state.timer().running ? m_view.statusText() : ProgramTitle);
        }
    }
    m_rememberedMinimized = minimized;
    m_rememberedCaption = caption;
}
