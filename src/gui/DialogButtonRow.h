#pragma once

#include <QString>

class QBoxLayout;
class QPushButton;
class QWidget;

// The OK and cancel buttons at the right end of a dialog's last row.
struct DialogButtonRow {
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;

    // OK is the default button unless the dialog's fields take Return for themselves.
    static DialogButtonRow add(QWidget* dialog, QBoxLayout* layout, const QString& okText,
                               const QString& cancelText, bool okIsDefault = true);
};
