#include "core/mainform.h"

#include "core/MainController.h"
#include "core/ProgramDirectory.h"
#include "input/Anzeige.h"
#include "input/format_def.h"
#include "input/messwert_def.h"
#include "output/select_DDEParameter.h"
#include "shell/HelpWindow.h"
#include "shell/SetupAssistant.h"
#include "shell/clsSysTray.h"
#include "shell/info_box.h"
#include "triggers/TriggerKeyPoller.h"
#include "triggers/actionkey_def.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const TagProperty = "Tag";

QIcon programIcon() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1f, 0x5f, 0x8b));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(4, 4, 56, 56, 10, 10);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(40);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("K"));
    return QIcon(pixmap);
}

QLabel* panel(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(40);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

mainform::mainform(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainform"));
    QMainWindow::setWindowTitle(MainController::ProgramTitle);
    setWindowIcon(programIcon());
    buildMenus();
    buildDisplay();
}

mainform::~mainform() = default;

QAction* mainform::addMenuAction(QMenu* menu, const char* name, const QString& caption) {
    auto* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    m_actions.insert(QLatin1String(name), action);
    return action;
}

void mainform::buildMenus() {
    const auto addMenu = [this](const char* name, const QString& caption) {
        QMenu* menu = menuBar()->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        m_menus.insert(QLatin1String(name), menu);
        return menu;
    };
    QMenu* datei = addMenu("datei", QStringLiteral("&Datei"));
    addMenuAction(datei, "load_conf", QStringLiteral("Einstellung &laden"));
    addMenuAction(datei, "save_conf", QStringLiteral("Einstellung &sichern"));
    addMenuAction(datei, "inst_assi", QStringLiteral("&Installationsassistent"));
    datei->addSeparator()->setObjectName(QStringLiteral("m_Line1"));
    addMenuAction(datei, "quit", QStringLiteral("&Beenden"));

    QMenu* ansicht = addMenu("m_Ansicht", QStringLiteral("&Ansicht"));
    addMenuAction(ansicht, "m_Modus", QStringLiteral("&Modus"));

    QMenu* options = addMenu("options", QStringLiteral("&Dateneingang"));
    addMenuAction(options, "port", QStringLiteral("Konfiguration &Schnittstelle"));
    addMenuAction(options, "m_KonfigDatenIn", QStringLiteral("Konfiguration &Daten"));

    QMenu* output = addMenu("m_DataOutput", QStringLiteral("&Datenausgang"));
    addMenuAction(output, "m_KonfigDatenOut", QStringLiteral("Konfiguration &Daten"));
    addMenuAction(output, "dde_conn", QStringLiteral("DDE-Verbindung"));

    QMenu* extras = addMenu("m_Extras", QStringLiteral("&Extras"));
    addMenuAction(extras, "language", QStringLiteral("S&prache"));

    QMenu* help = addMenu("help", QStringLiteral("&Hilfe"));
    addMenuAction(help, "showhelp", QStringLiteral("&Hilfe"));
    addMenuAction(help, "info", QStringLiteral("&Info"));
}

void mainform::buildDisplay() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* display = new QFrame(central);
    display->setObjectName(QStringLiteral("ValueFrame"));
    display->setFrameShape(QFrame::StyledPanel);
    auto* displayLayout = new QHBoxLayout(display);
    QFont big = font();
    big.setPointSize(36);
    big.setBold(true);
    const auto valueLabel = [&](const char* name, const QString& text, Qt::Alignment alignment) {
        auto* label = new QLabel(text, display);
        label->setObjectName(QLatin1String(name));
        label->setFont(big);
        label->setAlignment(alignment | Qt::AlignVCenter);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    m_Vorzeichen = valueLabel("Vorzeichen", {}, Qt::AlignRight);
    m_MesswertAnzeige = valueLabel("MesswertAnzeige", QStringLiteral("00000000.00"), Qt::AlignRight);
    m_einheit = valueLabel("einheit", {}, Qt::AlignLeft);
    m_Vorzeichen->setMinimumWidth(50);
    m_einheit->setMinimumWidth(110);
    displayLayout->addWidget(m_Vorzeichen);
    displayLayout->addWidget(m_MesswertAnzeige, 1);
    displayLayout->addWidget(m_einheit);
    layout->addWidget(display, 1);

    const std::array<const char*, 9> captions = {"", "&Send", "T-St&art", "T-St&op", "",
                                                 "", "Hide",  "O&nline",  "E&xit"};
    auto* buttons = new QGridLayout();
    for (int index = 1; index <= ButtonCount; ++index) {
        auto* button = new QPushButton(index < 9 ? QString::fromLatin1(captions[index]) : QString(), central);
        button->setObjectName(QStringLiteral("Command5(%1)").arg(index));
        button->setMinimumWidth(80);
        buttons->addWidget(button, index <= 8 ? 0 : 1, (index - 1) % 8);
        connect(button, &QPushButton::clicked, this, [this, index] {
            if (m_controller) {
                m_controller->Command5_Click(index);
            }
        });
        m_buttons[index] = button;
    }
    layout->addLayout(buttons);

    auto* statusBar = new QWidget(central);
    statusBar->setObjectName(QStringLiteral("Status"));
    auto* statusLayout = new QHBoxLayout(statusBar);
    statusLayout->setContentsMargins(0, 0, 0, 0);
    m_statusPanel = panel(QStringLiteral("Status_Panel1"), statusBar);
    statusLayout->addWidget(m_statusPanel);
    layout->addWidget(statusBar);

    auto* status1Bar = new QWidget(central);
    status1Bar->setObjectName(QStringLiteral("Status1"));
    auto* status1Layout = new QHBoxLayout(status1Bar);
    status1Layout->setContentsMargins(0, 0, 0, 0);
    for (int i = 1; i <= 3; ++i) {
        m_status1Panels[i] = panel(QStringLiteral("Status1_Panel%1").arg(i), status1Bar);
        status1Layout->addWidget(m_status1Panels[i], i == 3 ? 3 : 1);
    }
    layout->addWidget(status1Bar);

    setCentralWidget(central);
    resize(760, 300);
}

void mainform::setController(MainController* controller) {
    m_controller = controller;
    const auto on = [this](const char* name, auto handler) {
        connect(m_actions.value(QLatin1String(name)), &QAction::triggered, this, handler);
    };
    on("load_conf", [this] { m_controller->loadConfMenu(); });
    on("save_conf", [this] { m_controller->saveConfMenu(); });
    on("quit", [this] { m_controller->quitMenu(); });
    on("language", [this] { m_controller->languageMenu(); });
    on("info", [this] { showInfo(); });
    on("dde_conn", [this] {
        select_DDEParameter::showFromMenu(*m_controller, this);
        // Keys pressed while the window was open must not fire as hotkeys now.
        if (m_triggerKeys) {
            m_triggerKeys->discardStalePresses();
        }
    });
    on("inst_assi", [this] {
        SetupAssistant::run(*m_controller, m_windows, this);
        if (m_triggerKeys) {
            m_triggerKeys->discardStalePresses();
        }
    });
    on("port", [this] {
        SetupAssistant::portMenu(*m_controller, m_windows, this);
        if (m_triggerKeys) {
            m_triggerKeys->discardStalePresses();
        }
    });
    on("m_Modus", [this] {
        m_controller->setCycleInterval(0);
        Anzeige window(*m_controller, this);
        window.exec();
    });
    on("m_KonfigDatenOut", [this] {
        m_controller->setCycleInterval(0);
        format_def window(*m_controller, this);
        window.openHotkeys = [this, &window] {
            actionkey_def hotkeys(*m_controller, &window);
            hotkeys.exec();
        };
        window.openTarget = [this, &window] {
            SetupAssistant::showTarget(*m_controller, m_windows, &window, QStringLiteral("format_def"));
        };
        window.exec();
    });
    on("m_KonfigDatenIn", [this] {
        m_controller->setCycleInterval(0);
        messwert_def window(*m_controller, this);
        window.exec();
    });
    on("showhelp", [this] { showHelp(); });
}

void mainform::showInfo() {
    m_controller->stopCycleAndShowOffline();
    info_box box(this);
    box.exec();
}

void mainform::showHelp() {
    m_controller->showOfflineState();
    auto* help = new HelpWindow(this);
    help->setAttribute(Qt::WA_DeleteOnClose);
    help->openPage(HelpWindow::startPage(ProgramDirectory::path()));
    help->show();
}

void mainform::setDesktop(WindowList* windows, TriggerKeyPoller* triggerKeys) {
    m_windows = windows;
    m_triggerKeys = triggerKeys;
}

QAction* mainform::menuAction(const QString& name) const {
    return m_actions.value(name);
}

QMenu* mainform::menu(const QString& name) const {
    return m_menus.value(name);
}

QPushButton* mainform::button(int index) const {
    return index >= 1 && index <= ButtonCount ? m_buttons[index] : nullptr;
}

void mainform::setWindowTitle(const QString& title) {
    QMainWindow::setWindowTitle(title);
}
QString mainform::windowTitle() const {
    return QMainWindow::windowTitle();
}
void mainform::setValueText(const QString& text) {
    m_MesswertAnzeige->setText(text);
}
QString mainform::valueText() const {
    return m_MesswertAnzeige->text();
}
void mainform::setSignText(const QString& text) {
    m_Vorzeichen->setText(text);
}
QString mainform::signText() const {
    return m_Vorzeichen->text();
}
void mainform::setUnitText(const QString& text) {
    m_einheit->setText(text);
}
QString mainform::unitText() const {
    return m_einheit->text();
}
void mainform::setStatusText(const QString& text) {
    m_statusPanel->setText(text);
}
QString mainform::statusText() const {
    return m_statusPanel->text();
}

void mainform::setStatus1Text(int panel, const QString& text) {
    if (panel >= 1 && panel <= 3) {
        m_status1Panels[panel]->setText(text);
    }
}

QString mainform::status1Text(int panel) const {
    return panel >= 1 && panel <= 3 ? m_status1Panels[panel]->text() : QString();
}

void mainform::setButtonCaption(int index, const QString& caption) {
    if (QPushButton* b = button(index)) {
        b->setText(caption);
    }
}

QString mainform::buttonCaption(int index) const {
    const QPushButton* b = button(index);
    return b ? b->text() : QString();
}

void mainform::setButtonEnabled(int index, bool enabled) {
    if (QPushButton* b = button(index)) {
        b->setEnabled(enabled);
    }
}

bool mainform::isButtonEnabled(int index) const {
    const QPushButton* b = button(index);
    return b && b->isEnabled();
}

void mainform::setButtonTag(int index, const QString& tag) {
    if (QPushButton* b = button(index)) {
        b->setProperty(TagProperty, tag);
    }
}

QString mainform::buttonTag(int index) const {
    const QPushButton* b = button(index);
    return b ? b->property(TagProperty).toString() : QString();
}

void mainform::setMenuCaption(const QString& menuName, const QString& caption) {
    if (QMenu* m = m_menus.value(menuName)) {
        m->setTitle(caption);
    } else if (QAction* a = m_actions.value(menuName)) {
        a->setText(caption);
    }
}

bool mainform::isMinimized() const {
    return QMainWindow::isMinimized();
}

void mainform::createTrayIcon() {
    m_tray = std::make_unique<clsSysTray>(this);
}

void mainform::hideToTray() {
    showMinimized();
    // Without a notification area there is nothing to return from: the window stays minimised.
    if (!clsSysTray::isAvailable()) {
        return;
    }
    hide();
    if (!m_tray) {
        createTrayIcon();
    }
    m_tray->Init(this);
}

void mainform::releaseTrayIcon() {
    if (m_tray) {
        m_tray->deleteIcon();
    }
}

bool mainform::isHiddenInTray() const {
    return m_tray && m_tray->hasIcon();
}

void mainform::closeEvent(QCloseEvent* event) {
    if (m_controller && !m_controller->isUnloaded()) {
        m_controller->formUnload();
    }
    event->accept();
}
