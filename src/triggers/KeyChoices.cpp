#include "triggers/KeyChoices.h"

#include <QComboBox>

namespace KeyChoices {

QStringList firstKeyNames() {
    QStringList names = {QStringLiteral("CTRL"), QStringLiteral("ALT"), QStringLiteral("SHIFT"),
                         QStringLiteral("ESC"), QStringLiteral("PRINT")};
    names += thirdKeyNames();
    return names;
}

QStringList thirdKeyNames() {
    QStringList names;
    for (int key = 1; key <= 12; ++key) {
        names.append(u'F' + QString::number(key));
    }
    return names;
}

void showKeyName(QComboBox* box, const QString& name) {
    box->setCurrentIndex(box->findText(name, Qt::MatchExactly));
    box->setEditText(name);
}

} // namespace KeyChoices
