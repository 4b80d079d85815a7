#include "base/delivery/Delivery.h"

#include "base/interfaces/MainView.h"

#include "base/config/Settings.h"
#include "base/delivery/PublishedValues.h"
#include "base/interfaces/Dialogs.h"

Delivery::Delivery(const Settings& settings, MainView& view, Dialogs& dialogs, PublishedValues& published)
    : m_settings(settings), m_dialogs(dialogs), m_published(published), m_textFile(settings, view),
      m_workbook(settings, dialogs, [&view](const QString& text) { view.setStatusText(text); }),
      m_database(settings) {}

void Delivery::deliver(const QString& outputText) {
    m_dialogs.beep();
    switch (m_settings.target.valueOr(TargetKind::Window)) {
    case TargetKind::PublishedItem:
        m_published.outputText = outputText;
        break;
    case TargetKind::Workbook:
        m_workbook.deliver(outputText);
        break;
    case TargetKind::TextFile:
        m_textFile.deliver(outputText);
        break;
    case TargetKind::XmlFile:
        // Offered as a target, but it has no output of its own.
        break;
    case TargetKind::Database:
        m_database.deliver(outputText);
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
