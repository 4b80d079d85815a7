#include "gui/MainWindow.h"

#include "base/files/ProgramDirectory.h"
#include "base/session/ProgramSession.h"
#include "base/session/ProgramTitle.h"
#include "gui/AboutDialog.h"
#include "gui/DbusTargetDialog.h"
#include "gui/DisplayModeDialog.h"
#include "gui/HelpWindow.h"
#include "gui/HotkeysDialog.h"
#include "gui/ProgramIcon.h"
#include "gui/RecordLayoutDialog.h"
#include "gui/SetupAssistant.h"
#include "gui/TargetKindDialog.h"
#include "gui/TransferSettingsDialog.h"
#include "gui/TrayIcon.h"
#include "gui/TrendWindow.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* panel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1StringView(name));
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(40);
    label->setTextFormat(Qt::PlainText);
    return label;
}

std::size_t slot(MainButton button) {
    return static_cast<std::size_t>(button) - 1;
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainWindow"));
    QMainWindow::setWindowTitle(ProgramTitle);
    setWindowIcon(ProgramIcon::icon());
    buildMenus();
    buildDisplay();
}

MainWindow::~MainWindow() = default;

QMenu* MainWindow::addMenu(Menu menu, const char* name, const QString& caption) {
    QMenu* created = menuBar()->addMenu(caption);
    created->setObjectName(QLatin1StringView(name));
    m_menus.insert(menu, created);
    return created;
}

QAction* MainWindow::addMenuAction(QMenu* parent, Menu menu, const char* name, const QString& caption) {
    QAction* action = parent->addAction(caption);
    action->setObjectName(QLatin1StringView(name));
    m_actions.insert(menu, action);
    return action;
}

void MainWindow::buildMenus() {
    QMenu* file = addMenu(Menu::File, "fileMenu", QStringLiteral("&Datei"));
    addMenuAction(file, Menu::LoadConfiguration, "loadConfigurationAction",
                  QStringLiteral("Einstellung &laden"));
    addMenuAction(file, Menu::SaveConfiguration, "saveConfigurationAction",
                  QStringLiteral("Einstellung &sichern"));
    m_setupAssistantAction = file->addAction(QStringLiteral("&Installationsassistent"));
    m_setupAssistantAction->setObjectName(QStringLiteral("setupAssistantAction"));
    file->addSeparator()->setObjectName(QStringLiteral("quitSeparator"));
    addMenuAction(file, Menu::Quit, "quitAction", QStringLiteral("&Beenden"));

    QMenu* view = addMenu(Menu::View, "viewMenu", QStringLiteral("&Ansicht"));
    addMenuAction(view, Menu::DisplayMode, "displayModeAction", QStringLiteral("&Modus"));
    addMenuAction(view, Menu::Trend, "trendAction", QStringLiteral("&Trend und Statistik"));

    QMenu* input = addMenu(Menu::Input, "inputMenu", QStringLiteral("&Dateneingang"));
    addMenuAction(input, Menu::PortSettings, "portSettingsAction",
                  QStringLiteral("Konfiguration &Schnittstelle"));
    addMenuAction(input, Menu::RecordLayout, "recordLayoutAction", QStringLiteral("Konfiguration &Daten"));

    QMenu* output = addMenu(Menu::Output, "outputMenu", QStringLiteral("&Datenausgang"));
    addMenuAction(output, Menu::TransferSettings, "transferSettingsAction",
                  QStringLiteral("Konfiguration &Daten"));
    addMenuAction(output, Menu::DbusTarget, "dbusTargetAction", QStringLiteral("DDE-Verbindung"));

    QMenu* extras = addMenu(Menu::Extras, "extrasMenu", QStringLiteral("&Extras"));
    addMenuAction(extras, Menu::Language, "languageAction", QStringLiteral("S&prache"));

    QMenu* help = addMenu(Menu::Help, "helpMenu", QStringLiteral("&Hilfe"));
    addMenuAction(help, Menu::ShowHelp, "showHelpAction", QStringLiteral("&Hilfe"));
    addMenuAction(help, Menu::About, "aboutAction", QStringLiteral("&Info"));
}

void MainWindow::buildDisplay() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* display = new QFrame(central);
    display->setObjectName(QStringLiteral("valueFrame"));
    display->setFrameShape(QFrame::StyledPanel);
    auto* displayLayout = new QHBoxLayout(display);
    QFont big = font();
    big.setPointSize(36);
    big.setBold(true);
    const auto valueLabel = [&](const char* name, const QString& text, Qt::Alignment alignment) {
        auto* label = new QLabel(text, display);
        label->setObjectName(QLatin1StringView(name));
        label->setFont(big);
        label->setAlignment(alignment | Qt::AlignVCenter);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    m_signLabel = valueLabel("signLabel", {}, Qt::AlignRight);
    m_valueLabel = valueLabel("valueLabel", QStringLiteral("00000000.00"), Qt::AlignRight);
    m_unitLabel = valueLabel("unitLabel", {}, Qt::AlignLeft);
    m_signLabel->setMinimumWidth(50);
    m_unitLabel->setMinimumWidth(110);
    displayLayout->addWidget(m_signLabel);
    displayLayout->addWidget(m_valueLabel, 1);
    displayLayout->addWidget(m_unitLabel);
    layout->addWidget(display, 1);

    struct ButtonEntry {
        MainButton button;
        const char* name;
        const char* caption;
    };
    constexpr std::array<ButtonEntry, MainButtonCount> Entries = {{
        {MainButton::Send, "sendButton", "&Send"},
        {MainButton::TimerStart, "timerStartButton", "T-St&art"},
        {MainButton::TimerStop, "timerStopButton", "T-St&op"},
        {MainButton::Unused4, "unused4Button", ""},
        {MainButton::Unused5, "unused5Button", ""},
        {MainButton::Hide, "hideButton", "Hide"},
        {MainButton::Online, "onlineButton", "O&nline"},
        {MainButton::Exit, "exitButton", "E&xit"},
    }};
    auto* buttons = new QGridLayout();
    for (const ButtonEntry& entry : Entries) {
        auto* button = new QPushButton(QString::fromLatin1(entry.caption), central);
        button->setObjectName(QLatin1StringView(entry.name));
        button->setMinimumWidth(80);
        buttons->addWidget(button, 0, static_cast<int>(slot(entry.button)));
        connect(button, &QPushButton::clicked, this, [this, which = entry.button] {
            if (m_session) {
                m_session->buttons().press(which);
            }
        });
        m_buttons[slot(entry.button)] = button;
    }
    for (int row = 0; row < DeviceCommandButtonCount; ++row) {
        auto* button = new QPushButton(central);
        button->setObjectName(QStringLiteral("commandButton%1").arg(row));
        button->setMinimumWidth(80);
        buttons->addWidget(button, 1, row);
        connect(button, &QPushButton::clicked, this, [this, row] {
            if (m_session) {
                m_session->buttons().sendDeviceCommand(row);
            }
        });
        m_commandButtons[static_cast<std::size_t>(row)] = button;
    }
    layout->addLayout(buttons);

    auto* statusRow = new QWidget(central);
    statusRow->setObjectName(QStringLiteral("statusRow"));
    auto* statusLayout = new QHBoxLayout(statusRow);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    m_statusPanel = panel("statusPanel", statusRow);
    statusLayout->addWidget(m_statusPanel);
    layout->addWidget(statusRow);

    auto* infoRow = new QWidget(central);
    infoRow->setObjectName(QStringLiteral("infoRow"));
    auto* infoLayout = new QHBoxLayout(infoRow);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    m_infoPanels = {panel("captionPanel", infoRow), panel("targetPanel", infoRow),
                    panel("outputPanel", infoRow)};
    infoLayout->addWidget(m_infoPanels[0], 1);
    infoLayout->addWidget(m_infoPanels[1], 1);
    infoLayout->addWidget(m_infoPanels[2], 3);
    layout->addWidget(infoRow);

    setCentralWidget(central);
    resize(760, 300);
}

void MainWindow::setSession(ProgramSession* session) {
    m_session = session;
    if (session) {
        connectMenus(*session);
    }
}

void MainWindow::connectMenus(ProgramSession& session) {
    ProgramController& controller = session.controller();
    const auto on = [this](QAction* action, auto handler) {
        connect(action, &QAction::triggered, this, handler);
    };
    on(menuAction(Menu::LoadConfiguration), [&controller] { controller.loadConfigurationFromMenu(); });
    on(menuAction(Menu::SaveConfiguration), [&controller] { controller.saveConfigurationFromMenu(); });
    on(menuAction(Menu::Quit), [&controller] { controller.quit(); });
    on(menuAction(Menu::Language), [&controller] { controller.chooseLanguage(); });
    on(menuAction(Menu::About), [this] { showAbout(); });
    on(menuAction(Menu::Trend), [this, &session] { showTrend(session); });
    on(menuAction(Menu::ShowHelp), [this] { showHelp(); });
    // Keys pressed while one of the next three windows was open must not fire as hotkeys now.
    on(menuAction(Menu::DbusTarget), [this, &session] {
        DbusTargetDialog::showFromMenu(session.settings(), session.dialogs(), session.cycleTimer(), this);
        session.triggerKeys().discardStalePresses();
    });
    on(m_setupAssistantAction, [this, &session] {
        SetupAssistant::run(session, this);
        session.triggerKeys().discardStalePresses();
    });
    on(menuAction(Menu::PortSettings), [this, &session] {
        SetupAssistant::showPortSettingsFromMenu(session, this);
        session.triggerKeys().discardStalePresses();
    });
    on(menuAction(Menu::DisplayMode), [this, &session] { showDisplayMode(session); });
    on(menuAction(Menu::TransferSettings), [this, &session] { showTransferSettings(session); });
    on(menuAction(Menu::RecordLayout), [this, &session] { showRecordLayout(session); });
}

void MainWindow::showDisplayMode(ProgramSession& session) {
    session.cycleTimer().stop();
    DisplayModeDialog window(session.settings(), this);
    window.exec();
}

void MainWindow::showRecordLayout(ProgramSession& session) {
    session.cycleTimer().stop();
    RecordLayoutDialog window(session.settings(), session.connection(), session.cycleTimer(),
                              session.status(), this);
    window.exec();
}

void MainWindow::showTransferSettings(ProgramSession& session) {
    session.cycleTimer().stop();
    TransferSettingsDialog window(session.settings(), session.view(), session.status(), session.dialogs(),
                                  session.state().timer(), this);
    window.openHotkeys = [&session, &window] {
        HotkeysDialog hotkeys(session.settings(), &window);
        hotkeys.exec();
    };
    window.openTarget = [&session, &window] {
        SetupAssistant::showTarget(session, &window, TargetKindDialog::Caller::TransferSettings);
    };
    window.exec();
}

void MainWindow::showAbout() {
    m_session->controller().stopCycleAndShowOffline();
    AboutDialog box(this);
    box.exec();
}

void MainWindow::showTrend(ProgramSession& session) {
    if (!m_trend) {
        m_trend =
            std::make_unique<TrendWindow>(session.series(), session.settings(), session.dialogs(), this);
    }
    m_trend->applyTexts();
    m_trend->show();
    m_trend->raise();
    m_trend->activateWindow();
}

void MainWindow::showHelp() {
    m_session->controller().showOfflineState();
    auto* help = new HelpWindow(this);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->openPage(HelpWindow::startPage(ProgramDirectory::path()));
    help->show();
}

QAction* MainWindow::menuAction(MainView::Menu menu) const {
    if (QMenu* opened = m_menus.value(menu)) {
        return opened->menuAction();
    }
    return m_actions.value(menu);
}

QMenu* MainWindow::menu(MainView::Menu menu) const {
    return m_menus.value(menu);
}

QPushButton* MainWindow::button(MainButton button) const {
    const std::size_t index = slot(button);
    return index < m_buttons.size() ? m_buttons[index] : nullptr;
}

QPushButton* MainWindow::commandButton(int row) const {
    return row >= 0 && row < DeviceCommandButtonCount ? m_commandButtons[static_cast<std::size_t>(row)]
                                                      : nullptr;
}

void MainWindow::setWindowTitle(const QString& title) {
    QMainWindow::setWindowTitle(title);
}

QString MainWindow::windowTitle() const {
    return QMainWindow::windowTitle();
}

void MainWindow::setValueText(const QString& text) {
    m_valueLabel->setText(text);
}

QString MainWindow::valueText() const {
    return m_valueLabel->text();
}

void MainWindow::setSignText(const QString& text) {
    m_signLabel->setText(text);
}

QString MainWindow::signText() const {
    return m_signLabel->text();
}

void MainWindow::setUnitText(const QString& text) {
    m_unitLabel->setText(text);
}

QString MainWindow::unitText() const {
    return m_unitLabel->text();
}

void MainWindow::setStatusText(const QString& text) {
    m_statusPanel->setText(text);
}

QString MainWindow::statusText() const {
    return m_statusPanel->text();
}

void MainWindow::setInfoText(InfoPanel panel, const QString& text) {
    // A tick may set a panel twice (the target's kind, then the file it writes to); the panels
    // take the last texts when events next run, where they would be laid out and painted, so a
    // panel that ends as it was is neither laid out nor painted again.
    m_infoTexts[static_cast<std::size_t>(panel)] = text;
    if (!m_infoTextsPosted) {
        m_infoTextsPosted = true;
        QMetaObject::invokeMethod(this, &MainWindow::showInfoTexts, Qt::QueuedConnection);
    }
}

QString MainWindow::infoText(InfoPanel panel) const {
    return m_infoTexts[static_cast<std::size_t>(panel)];
}

void MainWindow::showInfoTexts() {
    m_infoTextsPosted = false;
    for (std::size_t i = 0; i < m_infoPanels.size(); ++i) {
        m_infoPanels[i]->setText(m_infoTexts[i]);
    }
}

void MainWindow::setButtonCaption(MainButton which, const QString& caption) {
    if (QPushButton* b = button(which)) {
        b->setText(caption);
    }
}

QString MainWindow::buttonCaption(MainButton which) const {
    const QPushButton* b = button(which);
    return b ? b->text() : QString();
}

void MainWindow::setButtonEnabled(MainButton which, bool enabled) {
    if (QPushButton* b = button(which)) {
        b->setEnabled(enabled);
    }
}

bool MainWindow::isButtonEnabled(MainButton which) const {
    const QPushButton* b = button(which);
    return b && b->isEnabled();
}

void MainWindow::setCommandButtonCaption(int row, const QString& caption) {
    if (QPushButton* b = commandButton(row)) {
        b->setText(caption);
    }
}

QString MainWindow::commandButtonCaption(int row) const {
    const QPushButton* b = commandButton(row);
    return b ? b->text() : QString();
}

void MainWindow::setMenuCaption(Menu which, const QString& caption) {
    if (QMenu* m = m_menus.value(which)) {
        m->setTitle(caption);
    } else if (QAction* a = m_actions.value(which)) {
        a->setText(caption);
    }
    // The captions follow a change of language; so does an open trend window.
    if (which == Menu::Trend && m_trend) {
        m_trend->applyTexts();
    }
}

bool MainWindow::isMinimized() const {
    return QMainWindow::isMinimized();
}

void MainWindow::createTrayIcon() {
    m_tray = std::make_unique<TrayIcon>(this);
}

void MainWindow::hideToTray() {
    showMinimized();
    // Without a notification area there is nothing to return from: the window stays minimised.
    if (!TrayIcon::isAvailable()) {
        return;
    }
    hide();
    if (!m_tray) {
        createTrayIcon();
    }
    m_tray->show(this);
}

void MainWindow::releaseTrayIcon() {
    if (m_tray) {
        m_tray->remove();
    }
}

bool MainWindow::isHiddenInTray() const {
    return m_tray && m_tray->hasIcon();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_session && !m_session->controller().hasEnded()) {
        m_session->controller().shutdown();
    }
    event->accept();
}
