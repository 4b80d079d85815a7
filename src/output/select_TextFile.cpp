#include "output/select_TextFile.h"

#include "core/MainController.h"

#include <QLineEdit>

select_TextFile::select_TextFile(MainController& controller, QWidget* parent)
    : FileTargetDialog(controller,
                       {QStringLiteral("select_TextFile"), QStringLiteral("Text-Datei auswählen"),
                        QStringLiteral("txtTextFile"),
                        QStringLiteral("Text-Dateien (*.txt *.csv);;Alle Dateien (*)")},
                       parent) {
    pathField()->setText(controller.settings().TextFile);
}

void select_TextFile::store(Settings& settings) {
    settings.TextFile = pathField()->text();
}
