#include "gui/TimerSettingsDialog.h"

#include "base/config/SettingText.h"
#include "base/config/Settings.h"
#include "base/interfaces/Dialogs.h"
#include "base/texts/LanguageTable.h"
#include "base/triggers/TimerFields.h"
#include "base/triggers/TimerRun.h"
#include "gui/DialogButtonRow.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <vector>

namespace {

constexpr int StartStopMode = static_cast<int>(TimerMode::StartStop);
constexpr int CountMode = static_cast<int>(TimerMode::Count);

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1StringView(name));
    return label;
}

QLineEdit* makeField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1StringView(name));
    return field;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1StringView(name));
    return frame;
}

} // namespace

TimerSettingsDialog::TimerSettingsDialog(Settings& settings, Dialogs& dialogs, TimerRun& run, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs), m_run(run) {
    setObjectName(QStringLiteral("TimerSettingsDialog"));
    setModal(true);
    buildControls();
    load();
}

void TimerSettingsDialog::buildControls() {
    setWindowTitle(QStringLiteral("Zeitgeber"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);

    m_intervalFrame = makeFrame(this, "intervalFrame", QStringLiteral("Intervall"));
    auto* interval = new QGridLayout(m_intervalFrame);
    m_hoursBox = makeField(m_intervalFrame, "hoursBox");
    m_minutesBox = makeField(m_intervalFrame, "minutesBox");
    m_secondsBox = makeField(m_intervalFrame, "secondsBox");
    m_hoursLabel = makeLabel(m_intervalFrame, "hoursLabel", QStringLiteral("Std."));
    m_minutesLabel = makeLabel(m_intervalFrame, "minutesLabel", QStringLiteral("Min."));
    m_secondsLabel = makeLabel(m_intervalFrame, "secondsLabel", QStringLiteral("Sek."));
    int column = 0;
    for (auto [field, label] : {std::pair{m_hoursBox, m_hoursLabel}, std::pair{m_minutesBox, m_minutesLabel},
                                std::pair{m_secondsBox, m_secondsLabel}}) {
        field->setText(QStringLiteral("0"));
        field->setMaximumWidth(60);
        interval->addWidget(label, 0, column);
        interval->addWidget(field, 1, column);
        ++column;
    }
    top->addWidget(m_intervalFrame);

    m_modeFrame = makeFrame(this, "modeFrame", QStringLiteral("Modus"));
    auto* mode = new QVBoxLayout(m_modeFrame);
    m_autostartBox = new QCheckBox(QStringLiteral("Aktiv bei Programmstart"), m_modeFrame);
    m_autostartBox->setObjectName(QStringLiteral("autostartBox"));
    m_modeOptions[0] = new QRadioButton(QStringLiteral("Start/Stop"), m_modeFrame);
    m_modeOptions[0]->setObjectName(QStringLiteral("startStopOption"));
    m_modeOptions[1] = new QRadioButton(QStringLiteral("Anzahl Messungen"), m_modeFrame);
    m_modeOptions[1]->setObjectName(QStringLiteral("countOption"));
    mode->addWidget(m_autostartBox);
    mode->addWidget(m_modeOptions[0]);
    mode->addWidget(m_modeOptions[1]);
    top->addWidget(m_modeFrame);

    m_startStopFrame = makeFrame(this, "startStopFrame", QStringLiteral("Start/Stop"));
    auto* times = new QGridLayout(m_startStopFrame);
    m_startLabel = makeLabel(m_startStopFrame, "startLabel", QStringLiteral("Start:"));
    m_stopLabel = makeLabel(m_startStopFrame, "stopLabel", QStringLiteral("Stop:"));
    m_dateLabel = makeLabel(m_startStopFrame, "dateLabel", QStringLiteral("Datum:"));
    m_timeLabel = makeLabel(m_startStopFrame, "timeLabel", QStringLiteral("Uhrzeit:"));
    m_startDateBox = makeField(m_startStopFrame, "startDateBox");
    m_startTimeBox = makeField(m_startStopFrame, "startTimeBox");
    m_stopDateBox = makeField(m_startStopFrame, "stopDateBox");
    m_stopTimeBox = makeField(m_startStopFrame, "stopTimeBox");
    m_startTimeBox->setText(QStringLiteral("00:00:00"));
    m_stopTimeBox->setText(QStringLiteral("00:00:00"));
    times->addWidget(m_dateLabel, 0, 1);
    times->addWidget(m_timeLabel, 0, 2);
    times->addWidget(m_startLabel, 1, 0);
    times->addWidget(m_startDateBox, 1, 1);
    times->addWidget(m_startTimeBox, 1, 2);
    times->addWidget(m_stopLabel, 2, 0);
    times->addWidget(m_stopDateBox, 2, 1);
    times->addWidget(m_stopTimeBox, 2, 2);
    layout->addWidget(m_startStopFrame);

    m_countFrame = makeFrame(this, "countFrame", QStringLiteral("Anzahl"));
    auto* count = new QHBoxLayout(m_countFrame);
    m_countBox = makeField(m_countFrame, "countBox");
    m_countBox->setText(QStringLiteral("0"));
    count->addWidget(m_countBox);
    count->addStretch();
    layout->addWidget(m_countFrame);

    const DialogButtonRow buttons =
        DialogButtonRow::add(this, layout, QStringLiteral("&OK"), QStringLiteral("&Abbrechen"), false);
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;

    for (QLineEdit* field : {m_hoursBox, m_minutesBox, m_secondsBox, m_startDateBox, m_startTimeBox,
                             m_stopDateBox, m_stopTimeBox, m_countBox}) {
        field->installEventFilter(this);
    }
    connect(m_okButton, &QPushButton::clicked, this, &TimerSettingsDialog::storeAndClose);
    connect(m_cancelButton, &QPushButton::clicked, this, &TimerSettingsDialog::reject);
}

void TimerSettingsDialog::load() {
    setWindowTitle(languageText(TextKey::TimerTitle));
    m_intervalFrame->setTitle(languageText(TextKey::TimerIntervalFrame));
    m_modeFrame->setTitle(languageText(TextKey::TimerModeFrame));
    m_startStopFrame->setTitle(languageText(TextKey::TimerStartStopFrame));
    m_countFrame->setTitle(languageText(TextKey::TimerCountFrame));
    m_startLabel->setText(languageText(TextKey::TimerStart));
    m_stopLabel->setText(languageText(TextKey::TimerStop));
    m_dateLabel->setText(languageText(TextKey::TimerDate));
    m_timeLabel->setText(languageText(TextKey::TimerTime));
    m_hoursLabel->setText(languageText(TextKey::TimerHours));
    m_minutesLabel->setText(languageText(TextKey::TimerMinutes));
    m_secondsLabel->setText(languageText(TextKey::TimerSeconds));
    m_autostartBox->setText(languageText(TextKey::TimerAutostart));
    m_modeOptions[0]->setText(languageText(TextKey::TimerModeStartStop));
    m_modeOptions[1]->setText(languageText(TextKey::TimerModeCount));
    m_cancelButton->setText(languageText(TextKey::TimerCancel));

    m_hoursBox->setText(m_settings.intervalHours.text());
    m_minutesBox->setText(m_settings.intervalMinutes.text());
    m_secondsBox->setText(m_settings.intervalSeconds.text());
    m_startDateBox->setText(m_settings.startDate.text());
    m_startTimeBox->setText(m_settings.startTime.text());
    m_stopDateBox->setText(m_settings.stopDate.text());
    m_stopTimeBox->setText(m_settings.stopTime.text());
    m_countBox->setText(m_settings.measurementCount.text());
    m_autostartBox->setChecked(m_settings.timerAutostart.valueOr(false));

    // A mode that does not read chooses no option but shows the start/stop fields.
    if (m_settings.timerMode.is(TimerMode::Count)) {
        m_modeOptions[CountMode]->setChecked(true);
        applyMode(CountMode);
    } else {
        if (m_settings.timerMode.is(TimerMode::StartStop)) {
            m_modeOptions[StartStopMode]->setChecked(true);
        }
        applyMode(StartStopMode);
    }

    // Connected after loading: only choices made in the window write the settings.
    for (int index = 0; index < static_cast<int>(m_modeOptions.size()); ++index) {
        connect(m_modeOptions[static_cast<std::size_t>(index)], &QRadioButton::toggled, this,
                [this, index](bool checked) {
                    if (checked) {
                        chooseMode(index);
                    }
                });
    }
    connect(m_autostartBox, &QCheckBox::toggled, this, &TimerSettingsDialog::setAutostart);
}

void TimerSettingsDialog::chooseMode(int index) {
    m_settings.timerMode = SettingText::timerMode(QString::number(index));
    applyMode(index);
}

void TimerSettingsDialog::applyMode(int index) {
    m_startStopFrame->setEnabled(index == StartStopMode);
    m_countFrame->setEnabled(index == CountMode);
}

void TimerSettingsDialog::setAutostart(bool checked) {
    m_settings.timerAutostart =
        SettingText::wholeNumberFlag(checked ? QStringLiteral("1") : QStringLiteral("0"));
}

void TimerSettingsDialog::refocus(QLineEdit* field) {
    m_refocusing = true;
    field->setFocus(Qt::OtherFocusReason);
    m_refocusing = false;
}

bool TimerSettingsDialog::checkField(QLineEdit* field) {
    TimerFields::Kind kind = TimerFields::Kind::Interval;
    if (field == m_countBox) {
        kind = TimerFields::Kind::Count;
    } else if (field == m_startDateBox || field == m_stopDateBox) {
        kind = TimerFields::Kind::Date;
    } else if (field == m_startTimeBox || field == m_stopTimeBox) {
        kind = TimerFields::Kind::Time;
    }
    const TimerFields::Check check = TimerFields::check(kind, field->text());
    if (check.ok) {
        if (check.normalized) {
            field->setText(*check.normalized);
        }
        return true;
    }
    if (check.message) {
        m_dialogs.message(languageText(*check.message));
    }
    if (kind == TimerFields::Kind::Count && !m_countFrame->isEnabled()) {
        // The count is not in use in start/stop mode; the refusal is only a hint.
        return true;
    }
    refocus(field);
    if (kind == TimerFields::Kind::Count) {
        m_modeOptions[CountMode]->setChecked(true);
    }
    return false;
}

bool TimerSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !m_refocusing) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Focus that goes to another window (a message box, another program) or to a popup
        // does not leave the field; neither does the way out through Cancel.
        const bool leaves = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                            QApplication::focusWidget() != m_cancelButton;
        auto* field = qobject_cast<QLineEdit*>(watched);
        if (leaves && field && isVisible()) {
            // Checked once the focus change is complete, so that a message box does not open in
            // the middle of a mouse click.
            m_pending = field;
            QTimer::singleShot(0, this, &TimerSettingsDialog::runPendingCheck);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TimerSettingsDialog::runPendingCheck() {
    QPointer<QLineEdit> field = m_pending;
    m_pending = nullptr;
    if (field && isVisible()) {
        checkField(field);
    }
}

void TimerSettingsDialog::reject() {
    m_pending = nullptr;
    QDialog::reject();
}

void TimerSettingsDialog::storeAndClose() {
    m_pending = nullptr;
    // Leaving the window through OK leaves every field in use: each is checked as it would be.
    std::vector<QLineEdit*> fields = {m_hoursBox, m_minutesBox, m_secondsBox};
    if (m_startStopFrame->isEnabled()) {
        fields.insert(fields.end(), {m_startDateBox, m_startTimeBox, m_stopDateBox, m_stopTimeBox});
    }
    if (m_countFrame->isEnabled()) {
        fields.push_back(m_countBox);
    }
    for (QLineEdit* field : fields) {
        if (!checkField(field)) {
            return;
        }
    }

    m_settings.startDate = SettingText::date(m_startDateBox->text());
    m_settings.startTime = SettingText::time(m_startTimeBox->text());
    m_settings.stopDate = SettingText::date(m_stopDateBox->text());
    m_settings.stopTime = SettingText::time(m_stopTimeBox->text());
    m_settings.intervalHours = SettingText::shortNumber(m_hoursBox->text());
    m_settings.intervalMinutes = SettingText::shortNumber(m_minutesBox->text());
    m_settings.intervalSeconds = SettingText::shortNumber(m_secondsBox->text());
    m_settings.measurementCount = SettingText::wholeNumber(m_countBox->text());
    // Nothing falls due by the old schedule: the timer waits until it is started again.
    m_run.due = {};
    accept();
}
