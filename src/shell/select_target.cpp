#include "shell/select_target.h"

#include "core/MainController.h"
#include "input/format_def.h"
#include "input/messwert_def.h"
#include "output/Tasten.h"
#include "output/select_AccessFile.h"
#include "output/select_DDEParameter.h"
#include "output/select_ExcelFile.h"
#include "output/select_TextFile.h"
#include "output/select_application.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Shows a file or database window; true when it was left without continuing.
template <typename Window> bool showFileWindow(MainController& controller, QWidget* parent) {
    Window window(controller, parent);
    window.exec();
    return window.cancelled();
}

// The assistant's last step: the output template, stored as the transfer settings window
// stores a typed one, so that the assistant's result takes effect.
void showOutputDefinition(MainController& controller, QWidget* parent) {
    Settings& settings = controller.settings();
    Tasten window(controller.dialogs(), settings.Format, parent);
    if (window.exec() == QDialog::Accepted) {
        settings.Format = format_def::bracesFromAngles(window.definition());
    }
}

} // namespace

QString select_target::entryText(int target) {
    switch (target) {
    case ActiveApplication:
        return QStringLiteral("aktive Anwendung");
    case DdeChannel:
        return QStringLiteral("DDE-Kanal");
    case ExcelFile:
        return QStringLiteral("Excel-Datei");
    case TextFile:
        return QStringLiteral("Text-Datei");
    case AccessDatabase:
        return QStringLiteral("Access-Datenbank");
    default:
        return {};
    }
}

QString select_target::targetSetting(int target) {
    switch (target) {
    case DdeChannel:
        // The DDE client, not the DDE text field target that is also called "DDE-Kanal".
        return QStringLiteral("*DDE*");
    case ExcelFile:
    case TextFile:
    case AccessDatabase:
        return entryText(target);
    default:
        return {};
    }
}

select_target::select_target(MainController& controller, WindowList* windows, QWidget* parent)
    : QDialog(parent), m_controller(controller), m_windows(windows) {
    setObjectName(QStringLiteral("select_target"));
    setWindowTitle(QStringLiteral("Ziel auswählen"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    m_cboTarget = new QComboBox(this);
    m_cboTarget->setObjectName(QStringLiteral("cboTarget"));
    for (int target = 0; target < TargetCount; ++target) {
        m_cboTarget->addItem(entryText(target));
    }
    // Nothing is chosen until the user chooses; Ok then takes the first entry.
    m_cboTarget->setCurrentIndex(-1);
    layout->addWidget(m_cboTarget);

    auto* buttons = new QHBoxLayout;
    m_cmdGoOn = new QPushButton(QStringLiteral("Ok"), this);
    m_cmdGoOn->setObjectName(QStringLiteral("cmdGoOn"));
    m_cmdGoOn->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(m_cmdGoOn);
    buttons->addWidget(m_cmdCancel);
    layout->addLayout(buttons);

    connect(m_cmdGoOn, &QPushButton::clicked, this, &select_target::cmdGoOn_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &select_target::reject);
    resize(300, sizeHint().height());
}

void select_target::reject() {
    // Abbrechen and closing the window by its frame both end the chain.
    m_cancelled = true;
    QDialog::reject();
}

void select_target::cmdGoOn_Click() {
    m_cancelled = false;
    const int chosen = m_cboTarget->currentIndex();
    showDetailWindow(chosen < 0 ? ActiveApplication : chosen);
    accept();
    if (m_tag != QLatin1String("format_def") && !m_cancelled) {
        showRecordDefinition();
    }
}

void select_target::showDetailWindow(int target) {
    Settings& settings = m_controller.settings();
    if (target != ActiveApplication) {
        settings.Anwendung = targetSetting(target);
    }
    switch (target) {
    case DdeChannel: {
        select_DDEParameter window(settings, this);
        // Closing the window by its frame counts as Abbrechen, as in the other detail windows.
        m_cancelled = window.exec() != QDialog::Accepted || window.cancelled();
        break;
    }
    case ExcelFile:
        m_cancelled = showFileWindow<select_ExcelFile>(m_controller, this);
        break;
    case TextFile:
        m_cancelled = showFileWindow<select_TextFile>(m_controller, this);
        break;
    case AccessDatabase:
        m_cancelled = showFileWindow<select_AccessFile>(m_controller, this);
        break;
    default: {
        select_application window(m_controller, m_windows, this, &m_cancelled);
        window.exec();
        break;
    }
    }
}

void select_target::showRecordDefinition() {
    // This window is closed by now; the following windows belong to the one that opened it.
    QWidget* owner = parentWidget();
    messwert_def window(m_controller, owner);
    window.setTag(QStringLiteral("select_target"));
    MainController& controller = m_controller;
    window.openOutputDefinition = [&controller, owner] { showOutputDefinition(controller, owner); };
    window.exec();
}
