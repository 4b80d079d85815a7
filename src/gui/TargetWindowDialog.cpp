#include "gui/TargetWindowDialog.h"

#include "base/config/SettingText.h"
#include "base/config/Settings.h"
#include "base/interfaces/WindowList.h"
#include "base/texts/LanguageTable.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TargetWindowDialog::TargetWindowDialog(Settings& settings, WindowList* windows, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_windows(windows) {
    setObjectName(QStringLiteral("TargetWindowDialog"));
    setModal(true);
    setWindowTitle(QStringLiteral("Zielanwendung auswählen"));

    auto* layout = new QVBoxLayout(this);
    m_promptLabel = new QLabel(QStringLiteral("Bitte starten Sie Ihre Anwendung..."), this);
    m_promptLabel->setObjectName(QStringLiteral("promptLabel"));
    layout->addWidget(m_promptLabel);

    m_windowList = new QListWidget(this);
    m_windowList->setObjectName(QStringLiteral("windowList"));
    layout->addWidget(m_windowList);

    m_unavailableLabel = new QLabel(windowListUnavailableText(), this);
    m_unavailableLabel->setObjectName(QStringLiteral("unavailableLabel"));
    m_unavailableLabel->setWordWrap(true);
    m_unavailableLabel->setVisible(m_windows == nullptr);
    layout->addWidget(m_unavailableLabel);

    auto* buttons = new QHBoxLayout;
    m_refreshButton = new QPushButton(QStringLiteral("Liste aktualisieren"), this);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    m_refreshButton->setAutoDefault(false);
    m_okButton = new QPushButton(QStringLiteral("Ok"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(false);
    buttons->addWidget(m_refreshButton);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    layout->addLayout(buttons);

    connect(m_refreshButton, &QPushButton::clicked, this, &TargetWindowDialog::fillList);
    connect(m_okButton, &QPushButton::clicked, this, &TargetWindowDialog::storeChoice);
    connect(m_cancelButton, &QPushButton::clicked, this, &TargetWindowDialog::cancel);
    // Closing the window by its frame counts as cancel.
    connect(this, &QDialog::rejected, this, [this] {
        if (!m_cancelled) {
            cancel();
        }
    });

    fillList();
}

QString TargetWindowDialog::windowListUnavailableText() {
    return languageText(TextKey::WindowListNeedsDisplay);
}

void TargetWindowDialog::fillList() {
    m_windowList->clear();
    if (!m_windows) {
        return;
    }
    // Only framed windows that are shown; the same title may appear more than once.
    for (const TopLevelWindow& window : m_windows->topLevelWindows()) {
        if (!window.title.isEmpty() && window.visible && window.bordered) {
            m_windowList->addItem(window.title);
        }
    }
}

void TargetWindowDialog::storeChoice() {
    const QListWidgetItem* selected = m_windowList->currentItem();
    m_settings.target =
        SettingText::target(selected && selected->isSelected() ? selected->text() : QString());
    accept();
}

void TargetWindowDialog::cancel() {
    m_cancelled = true;
    reject();
}
