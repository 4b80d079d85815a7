#include "output/select_application.h"

#include "core/MainController.h"
#include "platform/WindowList.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

select_application::select_application(MainController& controller, WindowList* windows, QWidget* parent,
                                       bool* cancelFlag)
    : QDialog(parent), m_controller(controller), m_windows(windows), m_cancelFlag(cancelFlag) {
    setObjectName(QStringLiteral("select_application"));
    setModal(true);
    setWindowTitle(QStringLiteral("Zielanwendung auswählen"));

    auto* layout = new QVBoxLayout(this);
    m_Label1 = new QLabel(QStringLiteral("Bitte starten Sie Ihre Anwendung..."), this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(m_Label1);

    m_lstApplications = new QListWidget(this);
    m_lstApplications->setObjectName(QStringLiteral("lstApplications"));
    layout->addWidget(m_lstApplications);

    m_lblUnavailable = new QLabel(windowListUnavailableText(), this);
    m_lblUnavailable->setObjectName(QStringLiteral("lblUnavailable"));
    m_lblUnavailable->setWordWrap(true);
    m_lblUnavailable->setVisible(m_windows == nullptr);
    layout->addWidget(m_lblUnavailable);

    auto* buttons = new QHBoxLayout;
    m_cmdRefresh = new QPushButton(QStringLiteral("Liste aktualisieren"), this);
    m_cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    m_cmdRefresh->setAutoDefault(false);
    m_cmdGoOn = new QPushButton(QStringLiteral("Ok"), this);
    m_cmdGoOn->setObjectName(QStringLiteral("cmdGoOn"));
    m_cmdGoOn->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    buttons->addWidget(m_cmdRefresh);
    buttons->addStretch();
    buttons->addWidget(m_cmdGoOn);
    buttons->addWidget(m_cmdCancel);
    layout->addLayout(buttons);

    connect(m_cmdRefresh, &QPushButton::clicked, this, &select_application::fillList);
    connect(m_cmdGoOn, &QPushButton::clicked, this, &select_application::cmdGoOn_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &select_application::cmdCancel_Click);
    // Closing the window by its frame counts as "Abbrechen".
    connect(this, &QDialog::rejected, this, [this] {
        if (!m_cancelled) {
            cmdCancel_Click();
        }
    });

    fillList();
}

QString select_application::windowListUnavailableText() {
    return QStringLiteral("The list of application windows needs an X11 display.");
}

void select_application::fillList() {
    m_lstApplications->clear();
    if (!m_windows) {
        return;
    }
    // Only framed windows that are shown; the same title may appear more than once.
    for (const TopLevelWindow& window : m_windows->topLevelWindows()) {
        if (!window.title.isEmpty() && window.visible && window.bordered) {
            m_lstApplications->addItem(window.title);
        }
    }
}

void select_application::cmdGoOn_Click() {
    const QListWidgetItem* selected = m_lstApplications->currentItem();
    m_controller.settings().Anwendung = selected && selected->isSelected() ? selected->text() : QString();
    accept();
}

void select_application::cmdCancel_Click() {
    m_cancelled = true;
    if (m_cancelFlag) {
        *m_cancelFlag = true;
    }
    reject();
}
