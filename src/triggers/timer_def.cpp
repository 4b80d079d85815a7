#include "triggers/timer_def.h"

#include "core/Dialogs.h"
#include "core/MainController.h"
#include "language/LanguageTable.h"
#include "settings/LocaleFormats.h"

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

#include <cmath>
#include <optional>
#include <vector>

namespace {

QString text(const char* key) {
    return LanguageText(QLatin1String(key));
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLineEdit* makeField(QWidget* parent, const char* name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    return field;
}

QGroupBox* makeFrame(QWidget* parent, const char* name, const QString& caption) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(QLatin1String(name));
    return frame;
}

std::optional<double> number(const QString& text) {
    bool ok = false;
    const double value = LocaleFormats::parseNumber(text, &ok);
    if (!ok || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

timer_def::timer_def(MainController& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller) {
    setObjectName(QStringLiteral("timer_def"));
    setModal(true);
    buildControls();
    load();
}

void timer_def::buildControls() {
    setWindowTitle(QStringLiteral("Zeitgeber"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);

    m_Frame1 = makeFrame(this, "Frame1", QStringLiteral("Intervall"));
    auto* interval = new QGridLayout(m_Frame1);
    m_Stunden = makeField(m_Frame1, "Stunden");
    m_minuten = makeField(m_Frame1, "minuten");
    m_sekunden = makeField(m_Frame1, "sekunden");
    m_Label7 = makeLabel(m_Frame1, "Label7", QStringLiteral("Std."));
    m_Label8 = makeLabel(m_Frame1, "Label8", QStringLiteral("Min."));
    m_Label9 = makeLabel(m_Frame1, "Label9", QStringLiteral("Sek."));
    int column = 0;
    for (auto [field, label] :
         {std::pair{m_Stunden, m_Label7}, std::pair{m_minuten, m_Label8}, std::pair{m_sekunden, m_Label9}}) {
        field->setText(QStringLiteral("0"));
        field->setMaximumWidth(60);
        interval->addWidget(label, 0, column);
        interval->addWidget(field, 1, column);
        ++column;
    }
    top->addWidget(m_Frame1);

    m_Frame2 = makeFrame(this, "Frame2", QStringLiteral("Modus"));
    auto* mode = new QVBoxLayout(m_Frame2);
    m_Check1 = new QCheckBox(QStringLiteral("Aktiv bei Programmstart"), m_Frame2);
    m_Check1->setObjectName(QStringLiteral("Check1"));
    m_TimerModus[0] = new QRadioButton(QStringLiteral("Start/Stop"), m_Frame2);
    m_TimerModus[1] = new QRadioButton(QStringLiteral("Anzahl Messungen"), m_Frame2);
    mode->addWidget(m_Check1);
    for (int index = 0; index < 2; ++index) {
        QRadioButton* option = m_TimerModus[static_cast<std::size_t>(index)];
        option->setObjectName(QStringLiteral("TimerModus(%1)").arg(index));
        mode->addWidget(option);
    }
    top->addWidget(m_Frame2);

    m_Frame3 = makeFrame(this, "Frame3", QStringLiteral("Start/Stop"));
    auto* times = new QGridLayout(m_Frame3);
    m_Label1 = makeLabel(m_Frame3, "Label1", QStringLiteral("Start:"));
    m_Label2 = makeLabel(m_Frame3, "Label2", QStringLiteral("Stop:"));
    m_Label3 = makeLabel(m_Frame3, "Label3", QStringLiteral("Datum:"));
    m_Label4 = makeLabel(m_Frame3, "Label4", QStringLiteral("Uhrzeit:"));
    m_Startdate = makeField(m_Frame3, "Startdate");
    m_starttime = makeField(m_Frame3, "starttime");
    m_stopdate = makeField(m_Frame3, "stopdate");
    m_stoptime = makeField(m_Frame3, "stoptime");
    m_starttime->setText(QStringLiteral("00:00:00"));
    m_stoptime->setText(QStringLiteral("00:00:00"));
    times->addWidget(m_Label3, 0, 1);
    times->addWidget(m_Label4, 0, 2);
    times->addWidget(m_Label1, 1, 0);
    times->addWidget(m_Startdate, 1, 1);
    times->addWidget(m_starttime, 1, 2);
    times->addWidget(m_Label2, 2, 0);
    times->addWidget(m_stopdate, 2, 1);
    times->addWidget(m_stoptime, 2, 2);
    layout->addWidget(m_Frame3);

    m_Frame4 = makeFrame(this, "Frame4", QStringLiteral("Anzahl"));
    auto* count = new QHBoxLayout(m_Frame4);
    m_anz_messungen = makeField(m_Frame4, "anz_messungen");
    m_anz_messungen->setText(QStringLiteral("0"));
    count->addWidget(m_anz_messungen);
    count->addStretch();
    layout->addWidget(m_Frame4);

    auto* buttons = new QHBoxLayout;
    m_cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setAutoDefault(false);
    m_cmdCancel = new QPushButton(QStringLiteral("&Abbrechen"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdCancel);
    layout->addLayout(buttons);

    for (QLineEdit* field : {m_Stunden, m_minuten, m_sekunden, m_Startdate, m_starttime, m_stopdate,
                             m_stoptime, m_anz_messungen}) {
        field->installEventFilter(this);
    }
    connect(m_cmdOK, &QPushButton::clicked, this, &timer_def::cmdOK_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &timer_def::reject);
}

void timer_def::load() {
    setWindowTitle(text("TextFrmTimerDef_Caption"));
    m_Frame1->setTitle(text("TextFrmTimerDef_Frame1Caption"));
    m_Frame2->setTitle(text("TextFrmTimerDef_Frame2Caption"));
    m_Frame3->setTitle(text("TextFrmTimerDef_Frame3Caption"));
    m_Frame4->setTitle(text("TextFrmTimerDef_Frame4Caption"));
    m_Label1->setText(text("TextFrmTimerDef_Label1Caption"));
    m_Label2->setText(text("TextFrmTimerDef_Label2Caption"));
    m_Label3->setText(text("TextFrmTimerDef_Label3Caption"));
    m_Label4->setText(text("TextFrmTimerDef_Label4Caption"));
    m_Label7->setText(text("TextFrmTimerDef_Label7Caption"));
    m_Label8->setText(text("TextFrmTimerDef_Label8Caption"));
    m_Label9->setText(text("TextFrmTimerDef_Label9Caption"));
    m_Check1->setText(text("TextFrmTimerDef_Check1Caption"));
    m_TimerModus[0]->setText(text("TextFrmTimerDef_TimerModus0Caption"));
    m_TimerModus[1]->setText(text("TextFrmTimerDef_TimerModus1Caption"));
    m_cmdCancel->setText(text("TextCancelTimerButton_Caption"));

    const Settings& s = m_controller.settings();
    m_Stunden->setText(s.int_std);
    m_minuten->setText(s.int_min);
    m_sekunden->setText(s.int_sek);
    m_Startdate->setText(s.d_start);
    m_starttime->setText(s.t_start);
    m_stopdate->setText(s.d_end);
    m_stoptime->setText(s.t_end);
    m_anz_messungen->setText(s.anz_mess);
    m_Check1->setChecked(s.activ.trimmed() == QLatin1String("1"));

    const QString mode = s.int_modus.trimmed();
    if (mode == QLatin1String("1")) {
        m_TimerModus[1]->setChecked(true);
        applyMode(1);
    } else {
        if (mode == QLatin1String("0")) {
            m_TimerModus[0]->setChecked(true);
        }
        applyMode(0);
    }

    // Connected after loading: only choices made in the window write the settings.
    for (int index = 0; index < 2; ++index) {
        connect(m_TimerModus[static_cast<std::size_t>(index)], &QRadioButton::toggled, this,
                [this, index](bool checked) {
                    if (checked) {
                        TimerModus_Click(index);
                    }
                });
    }
    connect(m_Check1, &QCheckBox::toggled, this, &timer_def::Check1_Click);
}

void timer_def::TimerModus_Click(int index) {
    m_controller.settings().int_modus = QString::number(index);
    applyMode(index);
}

void timer_def::applyMode(int index) {
    m_Frame3->setEnabled(index == 0);
    m_Frame4->setEnabled(index == 1);
}

void timer_def::Check1_Click(bool checked) {
    m_controller.settings().activ = checked ? QStringLiteral("1") : QStringLiteral("0");
}

timer_def::Kind timer_def::kindOf(const QLineEdit* field) const {
    if (field == m_anz_messungen) {
        return Kind::Count;
    }
    if (field == m_Startdate || field == m_stopdate) {
        return Kind::Date;
    }
    if (field == m_starttime || field == m_stoptime) {
        return Kind::Time;
    }
    return Kind::Interval;
}

void timer_def::refocus(QLineEdit* field) {
    m_refocusing = true;
    field->setFocus(Qt::OtherFocusReason);
    m_refocusing = false;
}

bool timer_def::checkField(QLineEdit* field) {
    Dialogs& dialogs = m_controller.dialogs();
    switch (kindOf(field)) {
    case Kind::Interval:
        if (!number(field->text())) {
            dialogs.message(text("TextBitteZahlEingeben"));
            refocus(field);
            return false;
        }
        return true;
    case Kind::Count: {
        const auto count = number(field->text());
        if (count && *count > 0) {
            return true;
        }
        dialogs.message(count ? text("TextBitteZahlGroesser0Eingeben") : text("TextBitteZahlEingeben"));
        if (!m_Frame4->isEnabled()) {
            // The count is not in use in start/stop mode; the refusal is only a hint.
            return true;
        }
        refocus(field);
        m_TimerModus[1]->setChecked(true);
        return false;
    }
    case Kind::Date:
        if (!LocaleFormats::isDate(field->text())) {
            dialogs.message(text("TextBitteDatumEingeben"));
            refocus(field);
            return false;
        }
        return true;
    case Kind::Time: {
        const QTime time = LocaleFormats::parseTime(field->text());
        if (!time.isValid()) {
            dialogs.message(text("TextBitteUhrzeitEingeben"));
            refocus(field);
            return false;
        }
        field->setText(LocaleFormats::timeText(time));
        return true;
    }
    }
    return true;
}

bool timer_def::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !m_refocusing) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Focus that goes to another window (a message box, another program) or to a popup
        // does not leave the field; neither does the way out through Abbrechen.
        const bool leaves = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                            QApplication::focusWidget() != m_cmdCancel;
        auto* field = qobject_cast<QLineEdit*>(watched);
        if (leaves && field && isVisible()) {
            // Checked once the focus change is complete, so that a message box does not open in
            // the middle of a mouse click.
            m_pending = field;
            QTimer::singleShot(0, this, &timer_def::runPendingCheck);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void timer_def::runPendingCheck() {
    QPointer<QLineEdit> field = m_pending;
    m_pending = nullptr;
    if (field && isVisible()) {
        checkField(field);
    }
}

void timer_def::reject() {
    m_pending = nullptr;
    QDialog::reject();
}

void timer_def::cmdOK_Click() {
    m_pending = nullptr;
    // Leaving the window through OK leaves every field in use: each is checked as it would be.
    std::vector<QLineEdit*> fields = {m_Stunden, m_minuten, m_sekunden};
    if (m_Frame3->isEnabled()) {
        fields.insert(fields.end(), {m_Startdate, m_starttime, m_stopdate, m_stoptime});
    }
    if (m_Frame4->isEnabled()) {
        fields.push_back(m_anz_messungen);
    }
    for (QLineEdit* field : fields) {
        if (!checkField(field)) {
            return;
        }
    }

    Settings& s = m_controller.settings();
    s.d_start = m_Startdate->text();
    s.t_start = m_starttime->text();
    s.d_end = m_stopdate->text();
    s.t_end = m_stoptime->text();
    s.int_std = m_Stunden->text();
    s.int_min = m_minuten->text();
    s.int_sek = m_sekunden->text();
    s.anz_mess = m_anz_messungen->text();
    m_controller.TimerDue = QDateTime();
    accept();
}
