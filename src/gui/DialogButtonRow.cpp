#include "gui/DialogButtonRow.h"

#include <QBoxLayout>
#include <QPushButton>

DialogButtonRow DialogButtonRow::add(QWidget* dialog, QBoxLayout* layout, const QString& okText,
                                     const QString& cancelText, bool okIsDefault) {
    DialogButtonRow row;
    row.ok = new QPushButton(okText, dialog);
    row.ok->setObjectName(QStringLiteral("okButton"));
    if (okIsDefault) {
        row.ok->setDefault(true);
    } else {
        row.ok->setAutoDefault(false);
    }
    row.cancel = new QPushButton(cancelText, dialog);
    row.cancel->setObjectName(QStringLiteral("cancelButton"));
    row.cancel->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(row.ok);
    buttons->addWidget(row.cancel);
    layout->addLayout(buttons);
    return row;
}
