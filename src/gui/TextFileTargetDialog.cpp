#include "gui/TextFileTargetDialog.h"

#include "base/config/Settings.h"

#include <QLineEdit>

TextFileTargetDialog::TextFileTargetDialog(Settings& settings, Dialogs& dialogs, QWidget* parent)
    : FileTargetDialog(settings, dialogs,
                       {QStringLiteral("TextFileTargetDialog"), QStringLiteral("Text-Datei auswählen"),
                        QStringLiteral("textFilePathBox"),
                        QStringLiteral("Text-Dateien (*.txt *.csv);;Alle Dateien (*)")},
                       parent) {
    pathBox()->setText(settings.textFilePath);
}

void TextFileTargetDialog::store(Settings& settings) {
    settings.textFilePath = pathBox()->text();
}
