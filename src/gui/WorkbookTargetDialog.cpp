#include "gui/WorkbookTargetDialog.h"

#include "base/config/Settings.h"

#include <QLineEdit>

WorkbookTargetDialog::WorkbookTargetDialog(Settings& settings, Dialogs& dialogs, QWidget* parent)
    : FileTargetDialog(settings, dialogs,
                       {QStringLiteral("WorkbookTargetDialog"), QStringLiteral("Excel-Datei auswählen"),
                        QStringLiteral("workbookPathBox"),
                        QStringLiteral("Excel-Dateien (*.xlsx *.xlsm);;Alle Dateien (*)")},
                       parent) {
    pathBox()->setText(settings.workbookPath);
}

void WorkbookTargetDialog::store(Settings& settings) {
    settings.workbookPath = pathBox()->text();
}
