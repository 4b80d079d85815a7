#include "core/MainCycle.h"

#include "core/Dialogs.h"
#include "core/MainController.h"
#include "core/MainView.h"
#include "core/ProgramDirectory.h"
#include "input/RecordCutter.h"
#include "output/OutputRenderer.h"
#include "settings/LocaleFormats.h"
#include "settings/NumberText.h"
#include "triggers/TriggerKeys.h"

#include <QCoreApplication>
#include <QFile>

MainCycle::MainCycle(MainController& controller, QObject* parent)
    : QObject(parent), m_controller(controller), m_reader(controller), m_timer(controller),
      m_delivery(controller) {
    m_clock.start();
    connect(&controller, &MainController::tick, this, &MainCycle::tick);
    connect(&controller, &MainController::deliveryRequested, this,
            [this](const QString& text) { m_delivery.DeliverOutput(text); });
}

QString MainCycle::protocolPath() {
    return ProgramDirectory::file(QStringLiteral("protocol.txt"));
}

void MainCycle::letEventsRun() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void MainCycle::tick() {
    MainController& c = m_controller;
    MainView& view = c.view();
    const Settings& s = c.settings();

    // 1. Trigger keys.
    if (m_keys) {
        const int button = m_keys->PollHotkeys();
        letEventsRun();
        if (button != -1) {
            c.dde.DDESTRING.clear();
            c.Command5_Click(button);
        } else {
            const int row = m_keys->PollDeviceCommandKeys();
            if (row != -1) {
                c.dde.DDESTRING.clear();
                c.Command5_Click(9 + row);
            }
        }
    }
    letEventsRun();
    if (c.isUnloaded()) {
        return;
    }

    QByteArray record;
    QString unit;
    double value = 0.0;
    double weightChange = 0.0;
    double seconds = 0.0;

    // 4. Reading.
    const bool online = c.linkOnline();
    if (s.modus == QLatin1String("PRINT") || online) {
        value = m_reader.ReadMeasurement(record, unit);
        if (record.isEmpty() || c.isUnloaded()) {
            return;
        }
        if (!m_reader.AcceptMeasurement(unit, value)) {
            return;
        }
        if (view.status1Text(1) != m_rememberedStatus1) {
            c.fnUpdateStatus({});
        }
        m_timer.endCheck();
        if (!(s.modus == QLatin1String("TIMER") && c.TimerRunning)) {
            if (s.modus == QLatin1String("PRINT")) {
                c.TransferPending = true;
            }
        } else if (m_timer.decide() && s.anzeigemodus == QLatin1String("2")) {
            flowDisplay(value, weightChange, seconds);
        }
    }
    letEventsRun();
    if (c.isUnloaded()) {
        return;
    }

    // 6. Transfer.
    if (c.TransferPending) {
        c.OutputText.clear();
        c.OutputText = FormatMeasurement(record, weightChange, seconds);
        writeProtocol(record);
        c.dde.DDEDirect = RecordCutter::text(record);
        c.dde.DDESTRING = c.OutputText;
        c.dde.DDESign = view.signText();
        c.dde.DDEUnit = unit;
        c.dde.DDEValue = LocaleFormats::numberText(value);
        c.fnUpdateStatus({});
        if (s.Anwendung != QLatin1String("*DDE*")) {
            view.setStatus1Text(2, s.Anwendung);
            view.setStatus1Text(3, c.OutputText);
            m_delivery.DeliverOutput(c.OutputText);
        } else {
            Q_EMIT c.ddeCommandRequested();
        }
        c.TransferPending = false;
        Q_EMIT transferred();
        m_reader.waitForUnloading();
    }
    letEventsRun();
    keepTitleInStep();
}

void MainCycle::flowDisplay(double value, double& weightChange, double& seconds) {
    MainController& c = m_controller;
    const qint64 now = m_clock.elapsed();
    QString text = QStringLiteral("0");
    if (c.TimerCount > 0) {
        seconds = static_cast<double>(now - m_flowTick) / 1000.0;
        weightChange = value - m_flowValue;
    }
    m_flowTick = now;
    m_flowValue = value;
    if (weightChange != 0.0) {
        const QString valueText = LocaleFormats::numberText(value).remove(u' ');
        const qsizetype comma = valueText.indexOf(u',');
        const int decimals = static_cast<int>(valueText.size() - (comma < 0 ? 0 : comma + 1));
        const double density = c.settings().st_dichte == 0.0 ? 1.0 : c.settings().st_dichte;
        const double elapsed = seconds == 0.0 ? 1.0 : seconds;
        text = NumberText::formatWithMask(weightChange / density / elapsed,
                                          NumberText::BuildNumberMask(decimals, 10));
    }
    c.view().setValueText(text.trimmed());
    c.view().setUnitText(QStringLiteral("ml"));
}

QString MainCycle::FormatMeasurement(const QByteArray& record, double weightChange, double seconds) {
    const Settings& s = m_controller.settings();
    if (RecordCutter::text(record).trimmed().isEmpty()) {
        return {};
    }
    for (int n = 1; n <= Settings::IdCount; ++n) {
        if (s.ID_anf[n] >= 1 && s.ID_end[n] >= s.ID_anf[n]) {
            m_measurement.ids[n] = RecordCutter::text(RecordCutter::field(record, s.ID_anf[n], s.ID_end[n]));
        }
    }
    const MeasurementReader::OutputValue cut = MeasurementReader::cutForOutput(s, record);
    const QString mask = NumberText::BuildNumberMask(cut.decimals, 10);
    double value = cut.value;
    QString unit = cut.unit;
    const double density = s.st_dichte == 0.0 ? 1.0 : s.st_dichte;
    if (s.anzeigemodus == QLatin1String("1")) {
        value = NumberText::readFormatted(NumberText::formatWithMask(value / density, mask));
        unit = QStringLiteral("ml");
    } else if (s.anzeigemodus == QLatin1String("2")) {
        const double elapsed = seconds == 0.0 ? 1.0 : seconds;
        value = NumberText::readFormatted(NumberText::formatWithMask(weightChange / density / elapsed, mask));
        unit = QStringLiteral("ml");
    }
    m_measurement.record = record;
    m_measurement.value = value;
    m_measurement.sign = cut.sign;
    m_measurement.unit = unit;
    m_measurement.ValueText = NumberText::formatWithMask(value, mask);
    return OutputRenderer::RenderOutput(s.Format, m_measurement, s.TRZ, m_controller.dialogs());
}

void MainCycle::writeProtocol(const QByteArray& record) {
    QFile file(protocolPath());
    // Without the log the value is still delivered.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        return;
    }
    file.write("Datenstring: " + record + "\r\nCommand: " + m_controller.OutputText.toUtf8() + "\r\n");
}

void MainCycle::keepTitleInStep() {
    MainController& c = m_controller;
    MainView& view = c.view();
    const bool minimized = view.isMinimized();
    const QString status1 = view.status1Text(1);
    if (c.settings().modus == QLatin1String("TIMER") &&
        (minimized != m_rememberedMinimized || status1 != m_rememberedStatus1)) {
        if (!minimized) {
            if (minimized != m_rememberedMinimized) {
                view.setWindowTitle(MainController::ProgramTitle);
            }
        } else {
            view.setWindowTitle(c.TimerRunning ? view.statusText() : MainController::ProgramTitle);
        }
    }
    m_rememberedMinimized = minimized;
    m_rememberedStatus1 = status1;
}
