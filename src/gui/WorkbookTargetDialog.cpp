#include "gui/WorkbookTargetDialog.h"

#include "base/config/Settings.h"

#include <QLabel>
#include <QLineEdit>

WorkbookTargetDialog::WorkbookTargetDialog(Settings& settings, Dialogs& dialogs, QWidget* parent)
    : FileTargetDialog(settings, dialogs,
                       {QStringLiteral("WorkbookTargetDialog"), QStringLiteral("Excel-Datei auswählen"),
                        QStringLiteral("workbookPathBox"),
                        QStringLiteral("Excel-Dateien (*.xlsx *.xlsm);;Alle Dateien (*)")},
                       parent) {
    pathBox()->setText(settings.workbookPath);
    auto* sheet =
        new QLabel(QStringLiteral("Tabellenblatt: %1 (kelvane.ini)").arg(settings.workbookSheet), this);
    sheet->setObjectName(QStringLiteral("sheetLabel"));
    sheet->setTextFormat(Qt::PlainText);
    addBelowPath(sheet);
}

void WorkbookTargetDialog::store(Settings& settings) {
    settings.workbookPath = pathBox()->text();
}
