#pragma once

#include <QDialog>

// The info window: product name, version and maker.
class info_box : public QDialog {
    Q_OBJECT
public:
    explicit info_box(QWidget* parent = nullptr);

    static QString productText();
};
