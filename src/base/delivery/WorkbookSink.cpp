#include "base/delivery/WorkbookSink.h"

#include "base/config/Settings.h"
#include "base/delivery/OutputTemplate.h"
#include "base/delivery/TargetPath.h"
#include "base/delivery/Workbook.h"
#include "base/interfaces/Dialogs.h"
#include "base/texts/LanguageTable.h"

WorkbookSink::WorkbookSink(const Settings& settings, Dialogs& dialogs, StatusReport status)
    : m_settings(settings), m_dialogs(dialogs), m_status(std::move(status)),
      m_workbook(std::make_unique<Workbook>()) {}

WorkbookSink::~WorkbookSink() = default;

bool WorkbookSink::deliver(const QString& outputText) {
    const QString& path = m_settings.workbookPath;
    // For a workbook a text without any separator is one field.
    const QStringList fields = outputText.contains(OutputTemplate::FieldSeparator)
                                   ? OutputTemplate::fields(outputText)
                                   : QStringList{outputText};
    const Workbook::Result result =
        m_workbook->append(resolveTargetPath(path), m_settings.workbookSheet, fields);
    switch (result.error) {
    case Workbook::Error::None:
        return true;
    case Workbook::Error::SheetMissing:
        if (m_status) {
            m_status(languageText(TextKey::WorkbookSheetMissing).arg(m_settings.workbookSheet, path));
        }
        return false;
    default:
        // The workbook cannot be opened or saved: the user must look at the setting.
        m_dialogs.message(QStringLiteral("Datei ") + path +
                          QStringLiteral(" nicht gefunden, bitte prüfen Sie die Einstellungen für "
                                         "Speicherung in einer Excel-Datei"));
        return false;
    }
}
