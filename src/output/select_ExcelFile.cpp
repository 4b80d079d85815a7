#include "output/select_ExcelFile.h"

#include "core/MainController.h"

#include <QLineEdit>

select_ExcelFile::select_ExcelFile(MainController& controller, QWidget* parent)
    : FileTargetDialog(controller,
                       {QStringLiteral("select_ExcelFile"), QStringLiteral("Excel-Datei auswählen"),
                        QStringLiteral("txtExcelFile"),
                        QStringLiteral("Excel-Dateien (*.xlsx *.xlsm);;Alle Dateien (*)")},
                       parent) {
    pathField()->setText(controller.settings().ExcelFile);
}

void select_ExcelFile::store(Settings& settings) {
    settings.ExcelFile = pathField()->text();
}
