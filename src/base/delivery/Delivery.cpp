#include "base/delivery/Delivery.h"

#include "base/config/Settings.h"
#include "base/delivery/DeliverySink.h"
#include "base/delivery/PublishedValues.h"
#include "base/delivery/TargetPath.h"
#include "base/delivery/WorkbookSink.h"
#include "base/files/ProgramDirectory.h"
#include "base/interfaces/Dialogs.h"
#include "base/interfaces/MainView.h"
#include "base/texts/LanguageTable.h"

#include <QDir>

#include <algorithm>

Delivery::Delivery(const Settings& settings, MainView& view, StatusReport status, Dialogs& dialogs,
                   PublishedValues& published)
    : m_settings(settings), m_view(view), m_status(std::move(status)), m_dialogs(dialogs),
      m_published(published) {
    m_retry.setInterval(RetryIntervalMs);
    QObject::connect(&m_retry, &QTimer::timeout, &m_retry, [this] { deliverWaiting(); });
    m_nextRound.setSingleShot(true);
    m_nextRound.setInterval(PauseBetweenRoundsMs);
    QObject::connect(&m_nextRound, &QTimer::timeout, &m_nextRound, [this] { deliverWaiting(); });
    m_saveHeld.setSingleShot(true);
    QObject::connect(&m_saveHeld, &QTimer::timeout, &m_saveHeld,
                     [this] { deliverWaiting(RoundMs, DatabaseConnection::Patience::Full); });
}

void Delivery::deliver(const QString& outputText) {
    m_dialogs.beep();
    switch (m_settings.target.valueOr(TargetKind::Window)) {
    case TargetKind::PublishedItem:
        m_published.outputText = outputText;
        break;
    case TargetKind::TextFile:
        m_view.setInfoText(MainView::InfoPanel::Target, m_settings.textFilePath);
        [[fallthrough]];
    case TargetKind::Workbook:
    case TargetKind::Database:
        if (const std::optional<DeliveryTarget> target = targetOfSettings()) {
            deliverKept(*target, outputText);
        }
        break;
    case TargetKind::XmlFile:
        // Offered as a target, but it has no output of its own.
        break;
    case TargetKind::Window:
    case TargetKind::FocusedWindow:
    case TargetKind::DbusCommand:
        if (m_keystrokes) {
            m_keystrokes->deliver(outputText);
        }
        break;
    }
}

std::optional<DeliveryTarget> Delivery::targetOfSettings() const {
    switch (m_settings.target.valueOr(TargetKind::Window)) {
    case TargetKind::TextFile:
        if (m_settings.textFilePath.isEmpty()) {
            return std::nullopt;
        }
        return DeliveryTarget{DeliveryTarget::Kind::TextFile, resolveTargetPath(m_settings.textFilePath), {}};
    case TargetKind::Workbook:
        return DeliveryTarget{DeliveryTarget::Kind::Workbook, resolveTargetPath(m_settings.workbookPath),
                              m_settings.workbookSheet};
    case TargetKind::Database:
        return DeliveryTarget{DeliveryTarget::Kind::Database, resolveTargetPath(m_settings.databasePath),
                              m_settings.databaseTable};
    default:
        return std::nullopt;
    }
}

void Delivery::deliverKept(const DeliveryTarget& target, const QString& outputText) {
    const bool costly = target.kind != DeliveryTarget::Kind::TextFile;
    if (costly &&
        (m_saveHeld.isActive() || (m_lastSave.isValid() && m_lastSave.elapsed() < StreamSaveIntervalMs))) {
        // Values stream: this one goes in with the next save.
        if (keep(target, outputText, OutboxJournal::Sync::Later) && !m_saveHeld.isActive()) {
            m_saveHeld.start(
                static_cast<int>(std::max<qint64>(0, StreamSaveIntervalMs - m_lastSave.elapsed())));
        }
        return;
    }
    if (outbox().waitingFor(target) > 0) {
        deliverWaiting();
    }
    if (outbox().waitingFor(target) > 0) {
        // Behind the values that still wait, so that the order stays.
        keep(target, outputText);
        showWaiting(DeliveryProblem::None, target);
        return;
    }
    const BatchOutcome outcome = attempt(target, {outputText}, DatabaseConnection::Patience::Full);
    const DeliveryProblem problem = outcome.refused.isEmpty() ? outcome.problem : DeliveryProblem::Refused;
    if (target.kind == DeliveryTarget::Kind::Workbook &&
        (problem == DeliveryProblem::TargetMissing || problem == DeliveryProblem::NotWritable)) {
        // The workbook cannot be opened or saved: the user must look at the setting.
        m_dialogs.message(QStringLiteral("Datei ") + m_settings.workbookPath +
                          QStringLiteral(" nicht gefunden, bitte prüfen Sie die Einstellungen für "
                                         "Speicherung in einer Excel-Datei"));
    }
    if (isPassing(problem)) {
        keep(target, outputText);
        showWaiting(problem, target);
    }
    if (problem == DeliveryProblem::None && outbox().waitingCount() > 0) {
        // Every delivery gives the other targets' values a chance too.
        deliverWaiting();
    }
}

BatchOutcome Delivery::attempt(const DeliveryTarget& target, const QStringList& outputTexts,
                               DatabaseConnection::Patience patience) {
    BatchOutcome outcome{DeliveryProblem::TargetMissing, {}};
    switch (target.kind) {
    case DeliveryTarget::Kind::TextFile:
        return {m_textFile.append(target.location, outputTexts), {}};
    case DeliveryTarget::Kind::Workbook:
        outcome.problem = m_workbook.append(target.location, target.part, outputTexts);
        break;
    case DeliveryTarget::Kind::Database:
        outcome = m_database.insert(target.location, target.part, outputTexts, patience);
        break;
    }
    if (outcome.problem == DeliveryProblem::None) {
        m_lastSave.start();
    }
    return outcome;
}

bool Delivery::keep(const DeliveryTarget& target, const QString& outputText, OutboxJournal::Sync sync) {
    Outbox& box = outbox();
    box.setLimit(m_settings.outboxLimit);
    QString error;
    const Outbox::Kept kept = box.keep(target, outputText, sync, &error);
    switch (kept) {
    case Outbox::Kept::Yes:
        m_reportedFull = false;
        break;
    case Outbox::Kept::Full:
        // Once, not for every value that follows: the status goes on counting.
        if (!m_reportedFull) {
            m_reportedFull = true;
            m_dialogs.message(languageText(TextKey::OutboxFull).arg(target.displayName()).arg(box.limit()));
        }
        break;
    case Outbox::Kept::Failed:
        m_dialogs.message(languageText(TextKey::OutboxNotKept).arg(outputText, target.displayName(), error));
        break;
    }
    if (!m_retry.isActive() && box.waitingCount() > 0) {
        m_retry.start();
    }
    return kept == Outbox::Kept::Yes;
}

void Delivery::deliverWaiting(int roundMs, DatabaseConnection::Patience patience) {
    // A retry that falls due while a value is being delivered waits for the next one.
    if (m_retrying) {
        return;
    }
    m_retrying = true;
    m_saveHeld.stop();
    const Outbox::Round round = outbox().deliverWaiting(
        [this, patience](const DeliveryTarget& target, const QStringList& texts) {
            return attempt(target, texts, patience);
        },
        QDeadlineTimer(roundMs));
    m_retrying = false;
    if (round.blocked) {
        // The values that were to go in with this save wait longer: on disk, then.
        outbox().sync();
    }
    if (round.unfinished) {
        m_nextRound.start();
    }
    for (const QString& text : round.refused) {
        m_dialogs.message(languageText(TextKey::OutboxValueRefused).arg(text));
    }
    showWaiting(round.problem, round.blocked.value_or(DeliveryTarget()));
}

void Delivery::showWaiting(DeliveryProblem problem, const DeliveryTarget& target) {
    const qsizetype count = outbox().waitingCount();
    if (count == 0) {
        m_retry.stop();
        m_nextRound.stop();
        if (m_showedWaiting) {
            m_showedWaiting = false;
            report(languageText(TextKey::OutboxEmpty));
        }
        return;
    }
    if (isPassing(problem)) {
        m_lastReason = reason(problem, target);
    }
    m_showedWaiting = true;
    report(count == 1 ? languageText(TextKey::OneValueWaiting).arg(m_lastReason)
                      : languageText(TextKey::ValuesWaiting).arg(count).arg(m_lastReason));
    if (!m_retry.isActive()) {
        m_retry.start();
    }
}

void Delivery::report(const QString& text) {
    if (m_status) {
        m_status(text);
    }
}

QString Delivery::reason(DeliveryProblem problem, const DeliveryTarget& target) const {
    const QString name = target.displayName();
    switch (problem) {
    case DeliveryProblem::OpenElsewhere:
        return languageText(TextKey::WorkbookOpenElsewhere);
    case DeliveryProblem::SheetMissing:
        return languageText(TextKey::WorkbookSheetMissing).arg(target.part, name);
    case DeliveryProblem::Locked:
        return languageText(TextKey::DatabaseLocked).arg(name);
    case DeliveryProblem::Unreachable:
        return languageText(TextKey::DatabaseUnreachable).arg(name);
    case DeliveryProblem::TargetMissing:
        return languageText(TextKey::TargetMissing).arg(name);
    case DeliveryProblem::None:
    case DeliveryProblem::Refused:
    case DeliveryProblem::NotWritable:
        break;
    }
    return languageText(TextKey::TargetNotWritable).arg(name);
}

void Delivery::resumeWaiting() {
    if (outbox().waitingCount() > 0) {
        // The user hears when the values of the earlier run have gone in.
        m_showedWaiting = true;
        deliverWaiting();
    }
}

void Delivery::finish() {
    m_retry.stop();
    m_saveHeld.stop();
    if (!m_outbox || m_outbox->waitingCount() == 0) {
        return;
    }
    // The cycle has stopped: nothing waits for the delivery but the user.
    deliverWaiting(FinalRoundMs);
    m_retry.stop();
    m_nextRound.stop();
    const qsizetype count = m_outbox->waitingCount();
    if (count > 0) {
        m_dialogs.message(languageText(TextKey::ValuesWaitingAtEnd).arg(count).arg(m_lastReason));
    }
}

Outbox& Delivery::outbox() {
    if (!m_outbox) {
        m_outbox.emplace(ProgramDirectory::file(QStringLiteral("outbox")), m_settings.outboxLimit);
        for (const Outbox::Damage& damage : m_outbox->load()) {
            m_dialogs.message(languageText(TextKey::OutboxDamaged)
                                  .arg(QDir::toNativeSeparators(damage.journal))
                                  .arg(damage.valuesRead)
                                  .arg(QDir::toNativeSeparators(damage.setAside)));
        }
    }
    return *m_outbox;
}
