#include "core/MainController.h"

#include "core/Dialogs.h"
#include "core/MainView.h"
#include "core/ProgramDirectory.h"
#include "language/LanguageFile.h"
#include "language/LanguageTable.h"
#include "settings/AtomicFile.h"
#include "settings/ConfigurationFile.h"
#include "settings/LocaleFormats.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <array>
#include <utility>

namespace {

const QString SnapshotName = QStringLiteral("tmp.cfg");
const QString StandardName = QStringLiteral("standard.cfg");
const QString ConfigurationFilter = QStringLiteral("Kelvane configuration (*.cfg)");

// Menus whose captions come from the language file, with their keys.
constexpr std::array<std::pair<const char*, const char*>, 18> MenuTexts = {{
    {"datei", "TextMenuDatei_"},
    {"load_conf", "TextMenuDatei_EinstellungLaden"},
    {"save_conf", "TextMenuDatei_EinstellungSichern"},
    {"quit", "TextMenuDatei_Schliessen"},
    {"m_Ansicht", "TextMenuAnsicht_"},
    {"m_Modus", "TextMenuAnsicht_Modus"},
    {"options", "TextMenuoptions_"},
    {"port", "TextMenuEinstellungen_Schnittstelle"},
    {"m_KonfigDatenIn", "TextMenuoptions_KonfigurationDaten"},
    {"m_DataOutput", "TextMenuDataOutput_"},
    {"m_KonfigDatenOut", "TextMenum_DataOutput_KonfigDaten"},
    {"dde_conn", "TextMenum_VerbAppl"},
    {"m_Extras", "TextMenuExtras_"},
    {"language", "TextMenuEinstellungen_Sprache"},
    {"help", "TextMenuHilfe_"},
    {"showhelp", "TextMenuHilfe_Hilfe"},
    {"info", "TextMenuHilfe_Info"},
    {"inst_assi", nullptr},
}};

QString text(const char* key) {
    return LanguageText(QLatin1String(key));
}

// Whole-number reading of a setting such as activ or int_modus; nullopt when it is none.
std::optional<int> wholeNumber(const QString& value) {
    bool ok = false;
    const double number = QLocale::c().toDouble(value.trimmed(), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return static_cast<int>(number);
}

bool copyFileAtomically(const QString& source, const QString& destination) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    return AtomicFile::replace(destination, in.readAll());
}

} // namespace

MainController::MainController(MainView& view, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_view(view), m_dialogs(dialogs),
      m_link(ProgramDirectory::file(QStringLiteral("kelvane.ini")), this) {
    m_timer1.setTimerType(Qt::PreciseTimer);
    connect(&m_timer1, &QTimer::timeout, this, &MainController::onTimer1);
    connect(&m_link, &DeviceLink::linkLost, this, [this](const QString& reason) {
        ShowOffline();
        fnUpdateStatus(LanguageText(QStringLiteral("TextSchnittstelleNichtVerfuegbar")) +
                       QStringLiteral(": ") + reason);
    });
}

MainController::~MainController() = default;

bool MainController::fnUpdateStatus(const QString& status) {
    if (status != LastStatusText) {
        LastStatusText = status;
        m_view.setStatusText(status);
    }
    return true;
}

void MainController::applyMenuCaptions() {
    for (const auto& [menu, key] : MenuTexts) {
        if (key) {
            m_view.setMenuCaption(QLatin1String(menu), text(key));
        }
    }
}

bool MainController::formLoad(const QString& configArgument) {
    m_view.createTrayIcon();
    if (!LanguageTable::instance().apply(ProgramDirectory::path(), m_dialogs)) {
        return false;
    }
    applyMenuCaptions();
    m_view.setStatus1Text(1, text("TextStatus"));
    fnUpdateStatus(text("TextFrmJSLink_Label1Caption"));
    chooseConfigurationAtStartup(configArgument);

    m_view.setUnitText({});
    m_view.setSignText({});
    m_view.setStatusText(QStringLiteral("Start über 'online'"));
    setCycleInterval(WaitingInterval);
    m_view.setUnitText({});
    m_view.setSignText({});

    if (m_link.isSerialOpen()) {
        m_link.closeSerial();
        ShowOffline();
    }
    // A port that exists but cannot be opened ends the start-up here; the user goes online
    // with the online button once the device is free.
    if (!OpenLink()) {
        return true;
    }

    TimerRunning = false;

    if (m_settings.modus != QLatin1String("TIMER")) {
        m_view.setButtonEnabled(2, false);
        m_view.setButtonEnabled(3, false);
        setCycleInterval(RunningInterval);
        return true;
    }
    m_view.setButtonEnabled(1, false);
    const auto activ = wholeNumber(m_settings.activ);
    const auto intervalMode = wholeNumber(m_settings.int_modus);
    if (activ == 1) {
        Command5_Click(2);
        if (intervalMode == 1) {
            TransferPending = true;
            TimerDue = QDateTime::currentDateTime();
        } else if (intervalMode == 0) {
            const QDateTime now = QDateTime::currentDateTime();
            const QDateTime start(LocaleFormats::parseDate(m_settings.d_start),
                                  LocaleFormats::parseTime(m_settings.t_start));
            const QDateTime end(LocaleFormats::parseDate(m_settings.d_end),
                                LocaleFormats::parseTime(m_settings.t_end));
            if (start.isValid() && end.isValid() && now > start && now < end) {
                TransferPending = true;
                TimerDue = now;
            }
        }
    } else {
        m_view.setButtonEnabled(2, true);
        m_view.setButtonTag(2, QStringLiteral("True"));
        m_view.setButtonEnabled(3, false);
        m_view.setButtonCaption(7, QStringLiteral("O&ffline"));
    }
    return true;
}

void MainController::chooseConfigurationAtStartup(const QString& configArgument) {
    const QString name = configArgument.isEmpty() ? StandardName : configArgument;
    m_settings.ConfigFilePath = QDir(ProgramDirectory::path()).filePath(name);
    if (QFileInfo(m_settings.ConfigFilePath).isFile()) {
        LoadConfiguration(m_settings.ConfigFilePath);
        return;
    }
    m_dialogs.message(text("TextStandardCfgNichtVorhanden"));
    const QString chosen = showLoadDialog();
    m_settings.ConfigFilePath = chosen;
    if (!chosen.isEmpty()) {
        LoadConfiguration(chosen);
    }
}

void MainController::LoadConfiguration(const QString& path) {
    m_view.setWindowTitle(ProgramTitle);
    ConfigurationFile::read(path, ProgramDirectory::file(QStringLiteral("kelvane.ini")), m_settings);

    m_view.setButtonEnabled(3, false);
    m_view.setButtonEnabled(2, m_settings.modus == QLatin1String("TIMER"));
    m_view.setButtonTag(2, QStringLiteral("True"));
    setLinkOnline(true);
    m_view.setButtonCaption(7, QStringLiteral("O&ffline"));

    applyLinkSettings();

    for (int r = 0; r < Settings::RowCount; ++r) {
        if (!m_settings.Action[r][5].isEmpty()) {
            m_view.setButtonCaption(r + 9, m_settings.Action[r][5]);
        }
    }
    m_view.setStatus1Text(2, m_settings.Anwendung);
    m_view.setStatus1Text(3, m_settings.Format);
    if (!path.isEmpty()) {
        Q_EMIT targetLookupRequested();
    }
}

void MainController::applyLinkSettings() {
    if (IsComPortAvailable(m_link.portNumber()) && m_link.isSerialOpen()) {
        m_link.closeSerial();
    }
    if (!portnumIsNumber()) {
        ConnectSocket();
        return;
    }
    m_link.setPortNumber(*wholeNumber(m_settings.portnum));
    m_link.setLineSettings(lineSettingsText());
    if (m_link.portExists(m_link.portNumber()) && !m_link.isSerialOpen()) {
        WaitSeconds(0.05);
        if (!m_link.openSerial() && m_link.lastErrorWasUnavailable()) {
            m_dialogs.showPortSettings(QStringLiteral("mainform"));
        }
    }
    if (m_link.isSerialOpen()) {
        ShowOnlineAtStartup();
        fnUpdateStatus(text("TextMessgeraetAktiviert") + QStringLiteral(" COM") + m_settings.portnum);
    }
}

bool MainController::SaveConfiguration(const QString& path) {
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

void MainController::reportWriteFailure(const QString& path) {
    const QFileInfo info(path);
    QString reason = QStringLiteral("the folder cannot be written");
    if (!QFileInfo(info.absolutePath()).exists()) {
        reason = QStringLiteral("the folder does not exist");
    } else if (info.exists() && !info.isWritable()) {
        reason = QStringLiteral("the file is write-protected");
    }
    m_dialogs.message(
        QStringLiteral("The configuration could not be saved to %1: %2. The previous file is unchanged.")
            .arg(QDir::toNativeSeparators(path), reason));
}

QString MainController::showLoadDialog() {
    return m_dialogs.openFile(text("TextFrmLoadSet_Caption"), ProgramDirectory::path(), ConfigurationFilter)
        .value_or(QString());
}

void MainController::showSaveDialog() {
    const QString preset = m_settings.ConfigFilePath.isEmpty() ? ProgramDirectory::file(StandardName)
                                                               : m_settings.ConfigFilePath;
    const auto chosen = m_dialogs.saveFile(text("TextFrmSaveSet_Caption"), preset, ConfigurationFilter,
                                           QStringLiteral("cfg"));
    if (!chosen) {
        return;
    }
    m_settings.ConfigFilePath = *chosen;
    SaveConfiguration(m_settings.ConfigFilePath);
}

void MainController::showOfflineState() {
    m_view.setButtonCaption(7, QStringLiteral("O&nline"));
    m_view.setValueText(QStringLiteral("Offline"));
    fnUpdateStatus({});
    m_view.setUnitText({});
    m_view.setSignText({});
}

void MainController::stopCycleAndShowOffline() {
    setCycleInterval(0);
    showOfflineState();
}

void MainController::loadConfMenu() {
    stopCycleAndShowOffline();
    const QString chosen = showLoadDialog();
    m_settings.ConfigFilePath = chosen;
    if (!chosen.isEmpty()) {
        LoadConfiguration(chosen);
    }
}

void MainController::saveConfMenu() {
    showOfflineState();
    showSaveDialog();
}

void MainController::quitMenu() {
    setCycleInterval(0);
    formUnload();
}

void MainController::languageMenu() {
    setCycleInterval(0);
    m_dialogs.showLanguageWindow();
    const QString standard = ProgramDirectory::file(StandardName);
    // The start-up runs again on the configuration in use.
    QString argument;
    if (!m_settings.ConfigFilePath.isEmpty() && QFileInfo(m_settings.ConfigFilePath) != QFileInfo(standard)) {
        argument = m_settings.ConfigFilePath;
    }
    if (!formLoad(argument)) {
        formUnload();
    }
}

bool MainController::FilesEqual(const QString& first, const QString& second) {
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

void MainController::writeShutdownSnapshot() {
    const QString snapshot = ProgramDirectory::file(SnapshotName);
    const QFileInfo configuration(m_settings.ConfigFilePath);
    if (!m_settings.ConfigFilePath.isEmpty() && configuration.isFile()) {
        if (configuration != QFileInfo(snapshot)) {
            copyFileAtomically(m_settings.ConfigFilePath, snapshot);
        }
    } else {
        // Nothing to start from: the snapshot holds the settings alone.
        QFile::remove(snapshot);
    }
    SaveConfiguration(snapshot);
}

void MainController::formUnload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    setCycleInterval(0);
    writeShutdownSnapshot();

    m_link.closeSocket();
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&m_link, &DeviceLink::socketStateChanged, &loop, [&loop](int state) {
        if (state == DeviceLink::Closed || state == DeviceLink::Closing) {
            loop.quit();
        }
    });
    const int state = m_link.socketState();
    if (state != DeviceLink::Closed && state != DeviceLink::Closing) {
        deadline.start(3000);
        loop.exec();
    }

    const QString snapshot = ProgramDirectory::file(SnapshotName);
    const bool changed = m_settings.ConfigFilePath.isEmpty() ||
                         !QFileInfo(m_settings.ConfigFilePath).isFile() ||
                         !FilesEqual(snapshot, m_settings.ConfigFilePath);
    if (changed && m_dialogs.askYesNo(text("TextAenderungenSpeichern")) == Dialogs::Answer::Yes) {
        showSaveDialog();
    }
    m_view.releaseTrayIcon();
    Q_EMIT ended();
}

void MainController::setCycleInterval(int milliseconds) {
    if (milliseconds <= 0) {
        m_timer1.stop();
        return;
    }
    m_timer1.start(milliseconds);
}

int MainController::cycleInterval() const {
    return m_timer1.isActive() ? m_timer1.interval() : 0;
}

void MainController::onTimer1() {
    // A tick that falls due while another is still letting events run is skipped.
    if (m_inTick) {
        return;
    }
    m_inTick = true;
    Q_EMIT tick();
    m_inTick = false;
}
