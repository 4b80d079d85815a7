#include "base/session/ProgramController.h"

#include "base/config/ConfigurationFile.h"
#include "base/config/Settings.h"
#include "base/files/AtomicFile.h"
#include "base/files/ProgramDirectory.h"
#include "base/interfaces/Dialogs.h"
#include "base/interfaces/MainView.h"
#include "base/session/ConnectionControl.h"
#include "base/session/CycleTimer.h"
#include "base/session/MainButtons.h"
#include "base/session/ProgramTitle.h"
#include "base/session/SessionState.h"
#include "base/session/StatusLine.h"
#include "base/texts/LanguageTable.h"
#include "base/triggers/TimerSchedule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <utility>

namespace {

const QString SnapshotName = QStringLiteral("tmp.cfg");
const QString StandardName = QStringLiteral("standard.cfg");
const QString KelvaneIniName = QStringLiteral("kelvane.ini");
const QString ConfigurationFilter = QStringLiteral("Kelvane configuration (*.cfg)");

constexpr std::array<std::pair<MainView::Menu, TextKey>, 18> MenuTexts = {{
    {MainView::Menu::File, TextKey::MenuFile},
    {MainView::Menu::LoadConfiguration, TextKey::MenuLoadConfiguration},
    {MainView::Menu::SaveConfiguration, TextKey::MenuSaveConfiguration},
    {MainView::Menu::Quit, TextKey::MenuQuit},
    {MainView::Menu::View, TextKey::MenuView},
    {MainView::Menu::DisplayMode, TextKey::MenuDisplayMode},
    {MainView::Menu::Trend, TextKey::MenuTrend},
    {MainView::Menu::Input, TextKey::MenuInput},
    {MainView::Menu::PortSettings, TextKey::MenuPortSettings},
    {MainView::Menu::RecordLayout, TextKey::MenuRecordLayout},
    {MainView::Menu::Output, TextKey::MenuOutput},
    {MainView::Menu::TransferSettings, TextKey::MenuTransferSettings},
    {MainView::Menu::DbusTarget, TextKey::MenuDbusTarget},
    {MainView::Menu::Extras, TextKey::MenuExtras},
    {MainView::Menu::Language, TextKey::MenuLanguage},
    {MainView::Menu::Help, TextKey::MenuHelp},
    {MainView::Menu::ShowHelp, TextKey::MenuShowHelp},
    {MainView::Menu::About, TextKey::MenuAbout},
}};

bool copyFileAtomically(const QString& source, const QString& destination) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    return AtomicFile::replace(destination, in.readAll());
}

} // namespace

ProgramController::ProgramController(const Parts& parts, QObject* parent)
    : QObject(parent), m_settings(parts.settings), m_view(parts.view), m_dialogs(parts.dialogs),
      m_status(parts.status), m_state(parts.state), m_connection(parts.connection), m_cycle(parts.cycle),
      m_buttons(parts.buttons) {
    connect(&m_buttons, &MainButtons::exitRequested, this, &ProgramController::shutdown);
}

void ProgramController::applyMenuCaptions() {
    for (const auto& [menu, key] : MenuTexts) {
        m_view.setMenuCaption(menu, languageText(key));
    }
}

bool ProgramController::start(const QString& configuration) {
    m_startConfiguration = configuration;
    m_view.createTrayIcon();
    if (!LanguageTable::instance().apply(ProgramDirectory::path(), m_dialogs)) {
        return false;
    }
    applyMenuCaptions();
    m_view.setInfoText(MainView::InfoPanel::Caption, languageText(TextKey::StatusCaption));
    m_status.setText(languageText(TextKey::Starting));
    chooseConfigurationAtStartup(configuration);

    m_view.setUnitText({});
    m_view.setSignText({});
    // Written directly, not through the status line: it does not count as the last status.
    m_view.setStatusText(QStringLiteral("Start über 'online'"));
    m_cycle.setInterval(CycleTimer::WaitingInterval);
    m_view.setUnitText({});
    m_view.setSignText({});

    if (m_connection.serialLink().isOpen()) {
        m_connection.serialLink().close();
        m_connection.showOffline();
    }
    // A port that exists but cannot be opened ends the start-up here; the user goes online
    // with the online button once the device is free.
    if (!m_connection.openAtStartup()) {
        return true;
    }
    m_state.timer().running = false;
    startInMode();
    return true;
}

void ProgramController::startInMode() {
    if (!m_settings.transferMode.is(TransferMode::Timer)) {
        m_view.setButtonEnabled(MainButton::TimerStart, false);
        m_view.setButtonEnabled(MainButton::TimerStop, false);
        m_cycle.setInterval(CycleTimer::RunningInterval);
        return;
    }
    m_view.setButtonEnabled(MainButton::Send, false);
    if (!m_settings.timerAutostart.valueOr(false)) {
        m_view.setButtonEnabled(MainButton::TimerStart, true);
        m_view.setButtonEnabled(MainButton::TimerStop, false);
        m_view.setButtonCaption(MainButton::Online, QStringLiteral("O&ffline"));
        return;
    }
    m_buttons.press(MainButton::TimerStart);
    const QDateTime now = QDateTime::currentDateTime();
    if (m_settings.timerMode.is(TimerMode::Count)) {
        // The first timed value is taken at once.
        m_state.requestTransfer();
        m_state.timer().due = now;
    } else if (m_settings.timerMode.is(TimerMode::StartStop)) {
        const QDateTime start = TimerSchedule::startOf(m_settings);
        const QDateTime stop = TimerSchedule::stopOf(m_settings);
        if (start.isValid() && stop.isValid() && now > start && now < stop) {
            m_state.requestTransfer();
            m_state.timer().due = now;
        }
    }
}

void ProgramController::chooseConfigurationAtStartup(const QString& configuration) {
    const QString name = configuration.isEmpty() ? StandardName : configuration;
    m_settings.configurationPath = QDir(ProgramDirectory::path()).filePath(name);
    if (QFileInfo(m_settings.configurationPath).isFile()) {
        loadConfiguration(m_settings.configurationPath);
        return;
    }
    m_dialogs.message(languageText(TextKey::ConfigurationMissing));
    const QString chosen = showLoadDialog();
    m_settings.configurationPath = chosen;
    if (!chosen.isEmpty()) {
        loadConfiguration(chosen);
    }
}

void ProgramController::loadConfiguration(const QString& path) {
    m_view.setWindowTitle(ProgramTitle);
    ConfigurationFile::read(path, ProgramDirectory::file(KelvaneIniName), m_settings);

    m_view.setButtonEnabled(MainButton::TimerStop, false);
    m_view.setButtonEnabled(MainButton::TimerStart, m_settings.transferMode.is(TransferMode::Timer));
    m_connection.setOnline(true);
    m_view.setButtonCaption(MainButton::Online, QStringLiteral("O&ffline"));

    m_connection.applySettings();

    for (int row = 0; row < Settings::CommandRowCount; ++row) {
        const QString& caption = m_settings.deviceCommands[static_cast<std::size_t>(row)].caption;
        if (!caption.isEmpty()) {
            m_view.setCommandButtonCaption(row, caption);
        }
    }
    m_view.setInfoText(MainView::InfoPanel::Target, m_settings.target.text());
    m_view.setInfoText(MainView::InfoPanel::Output, m_settings.outputTemplate);
    if (!path.isEmpty()) {
        Q_EMIT configurationLoaded();
    }
}

bool ProgramController::saveConfiguration(const QString& path) {
    if (QFileInfo::exists(path) && !ConfigurationFile::isSnapshotPath(path)) {
        if (m_dialogs.askYesNoCancel(QStringLiteral("Einstellungen überschreiben?")) !=
            Dialogs::Answer::Yes) {
            return false;
        }
    }
    m_view.setWindowTitle(ProgramTitle);
    if (!ConfigurationFile::save(m_settings, path)) {
        if (!ConfigurationFile::isSnapshotPath(path)) {
            reportWriteFailure(path);
        }
        return false;
    }
    return true;
}

void ProgramController::reportWriteFailure(const QString& path) {
    const QFileInfo info(path);
    TextKey reason = TextKey::SaveFolderNotWritable;
    if (!QFileInfo(info.absolutePath()).exists()) {
        reason = TextKey::SaveFolderMissing;
    } else if (info.exists() && !info.isWritable()) {
        reason = TextKey::SaveFileWriteProtected;
    }
    m_dialogs.message(languageText(TextKey::ConfigurationNotSaved)
                          .arg(QDir::toNativeSeparators(path), languageText(reason)));
}

QString ProgramController::showLoadDialog() {
    return m_dialogs
        .openFile(languageText(TextKey::LoadConfigurationTitle), ProgramDirectory::path(),
                  ConfigurationFilter)
        .value_or(QString());
}

void ProgramController::showSaveDialog() {
    const QString preset = m_settings.configurationPath.isEmpty() ? ProgramDirectory::file(StandardName)
                                                                  : m_settings.configurationPath;
    const auto chosen = m_dialogs.saveFile(languageText(TextKey::SaveConfigurationTitle), preset,
                                           ConfigurationFilter, QStringLiteral("cfg"));
    if (!chosen) {
        return;
    }
    m_settings.configurationPath = *chosen;
    saveConfiguration(m_settings.configurationPath);
}

void ProgramController::showOfflineState() {
    m_view.setButtonCaption(MainButton::Online, QStringLiteral("O&nline"));
    m_view.setValueText(QStringLiteral("Offline"));
    m_status.setText({});
    m_view.setUnitText({});
    m_view.setSignText({});
}

void ProgramController::stopCycleAndShowOffline() {
    m_cycle.stop();
    showOfflineState();
}

void ProgramController::loadConfigurationFromMenu() {
    stopCycleAndShowOffline();
    const QString chosen = showLoadDialog();
    m_settings.configurationPath = chosen;
    if (!chosen.isEmpty()) {
        loadConfiguration(chosen);
    }
}

void ProgramController::saveConfigurationFromMenu() {
    showOfflineState();
    showSaveDialog();
}

void ProgramController::quit() {
    m_cycle.stop();
    shutdown();
}

void ProgramController::chooseLanguage() {
    m_cycle.stop();
    m_dialogs.showLanguageWindow();
    // The whole start-up runs again, on the configuration the program was started with.
    if (!start(m_startConfiguration)) {
        shutdown();
    }
}

bool ProgramController::filesEqual(const QString& first, const QString& second) {
    QFile a(first);
    QFile b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly)) {
        return false;
    }
    if (a.size() != b.size()) {
        return false;
    }
    constexpr qint64 BlockSize = 4096;
    while (!a.atEnd()) {
        if (a.read(BlockSize) != b.read(BlockSize)) {
            return false;
        }
    }
    return true;
}

void ProgramController::writeShutdownSnapshot() {
    const QString snapshot = ProgramDirectory::file(SnapshotName);
    const QFileInfo configuration(m_settings.configurationPath);
    if (!m_settings.configurationPath.isEmpty() && configuration.isFile()) {
        if (configuration != QFileInfo(snapshot)) {
            copyFileAtomically(m_settings.configurationPath, snapshot);
        }
    } else {
        // Nothing to start from: the snapshot holds the settings alone.
        QFile::remove(snapshot);
    }
    saveConfiguration(snapshot);
}

void ProgramController::shutdown() {
    if (m_ended) {
        return;
    }
    m_ended = true;
    Q_EMIT shutdownStarted();
    m_cycle.stop();
    writeShutdownSnapshot();
    m_connection.closeForShutdown();

    const QString snapshot = ProgramDirectory::file(SnapshotName);
    const bool changed = m_settings.configurationPath.isEmpty() ||
                         !QFileInfo(m_settings.configurationPath).isFile() ||
                         !filesEqual(snapshot, m_settings.configurationPath);
    if (changed && m_dialogs.askYesNo(languageText(TextKey::SaveChanges)) == Dialogs::Answer::Yes) {
        showSaveDialog();
    }
    m_view.releaseTrayIcon();
    Q_EMIT ended();
}
