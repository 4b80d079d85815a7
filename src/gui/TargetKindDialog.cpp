#include "gui/TargetKindDialog.h"

#include "base/config/SettingText.h"
#include "gui/DatabaseTargetDialog.h"
#include "gui/DbusTargetDialog.h"
#include "gui/DialogButtonRow.h"
#include "gui/TargetWindowDialog.h"
#include "gui/TextFileTargetDialog.h"
#include "gui/WorkbookTargetDialog.h"

#include <QComboBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Shows a file or database window; true when it was left without continuing.
template <typename Window> bool showFileWindow(Settings& settings, Dialogs& dialogs, QWidget* parent) {
    Window window(settings, dialogs, parent);
    window.exec();
    return window.cancelled();
}

} // namespace

QString TargetKindDialog::entryText(Entry entry) {
    switch (entry) {
    case ActiveApplication:
        return QStringLiteral("aktive Anwendung");
    case DbusCommand:
        return QStringLiteral("DDE-Kanal");
    case Workbook:
        return QStringLiteral("Excel-Datei");
    case TextFile:
        return QStringLiteral("Text-Datei");
    case Database:
        return QStringLiteral("Access-Datenbank");
    case EntryCount:
        break;
    }
    return {};
}

std::optional<TargetKind> TargetKindDialog::targetOf(Entry entry) {
    switch (entry) {
    case DbusCommand:
        // The D-Bus command client, not the published item that is also called "DDE-Kanal".
        return TargetKind::DbusCommand;
    case Workbook:
        return TargetKind::Workbook;
    case TextFile:
        return TargetKind::TextFile;
    case Database:
        return TargetKind::Database;
    case ActiveApplication:
    case EntryCount:
        break;
    }
    return std::nullopt;
}

TargetKindDialog::TargetKindDialog(Settings& settings, Dialogs& dialogs, WindowList* windows, Caller caller,
                                   QWidget* parent)
    : QDialog(parent), m_settings(settings), m_dialogs(dialogs), m_windows(windows), m_caller(caller) {
    setObjectName(QStringLiteral("TargetKindDialog"));
    setWindowTitle(QStringLiteral("Ziel auswählen"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    m_targetBox = new QComboBox(this);
    m_targetBox->setObjectName(QStringLiteral("targetBox"));
    for (int entry = 0; entry < EntryCount; ++entry) {
        m_targetBox->addItem(entryText(static_cast<Entry>(entry)));
    }
    // Nothing is chosen until the user chooses; OK then takes the first entry.
    m_targetBox->setCurrentIndex(-1);
    layout->addWidget(m_targetBox);

    const DialogButtonRow buttons =
        DialogButtonRow::add(this, layout, QStringLiteral("Ok"), QStringLiteral("Abbrechen"));
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;

    connect(m_okButton, &QPushButton::clicked, this, &TargetKindDialog::continueWithChoice);
    connect(m_cancelButton, &QPushButton::clicked, this, &TargetKindDialog::reject);
    resize(300, sizeHint().height());
}

void TargetKindDialog::reject() {
    // Cancel and closing the window by its frame both end the chain.
    m_cancelled = true;
    QDialog::reject();
}

void TargetKindDialog::continueWithChoice() {
    m_cancelled = false;
    const int chosen = m_targetBox->currentIndex();
    showDetailWindow(chosen < 0 ? ActiveApplication : static_cast<Entry>(chosen));
    accept();
    if (m_caller == Caller::Assistant && !m_cancelled && openRecordLayout) {
        // This window is closed by now; the following windows belong to the one that opened it.
        openRecordLayout(parentWidget());
    }
}

void TargetKindDialog::showDetailWindow(Entry entry) {
    if (const auto target = targetOf(entry)) {
        m_settings.target = SettingText::target(SettingText::text(*target));
    }
    switch (entry) {
    case DbusCommand: {
        DbusTargetDialog window(m_settings, m_dialogs, this);
        // Closing the window by its frame counts as cancel, as in the other detail windows.
        m_cancelled = window.exec() != QDialog::Accepted || window.cancelled();
        break;
    }
    case Workbook:
        m_cancelled = showFileWindow<WorkbookTargetDialog>(m_settings, m_dialogs, this);
        break;
    case TextFile:
        m_cancelled = showFileWindow<TextFileTargetDialog>(m_settings, m_dialogs, this);
        break;
    case Database:
        m_cancelled = showFileWindow<DatabaseTargetDialog>(m_settings, m_dialogs, this);
        break;
    case ActiveApplication:
    case EntryCount: {
        TargetWindowDialog window(m_settings, m_windows, this);
        window.exec();
        m_cancelled = window.cancelled();
        break;
    }
    }
}
