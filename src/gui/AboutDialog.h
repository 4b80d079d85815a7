#pragma once

#include <QDialog>
#include <QString>

// The about window: product name, version and maker.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    // The product name and version as the window shows them.
    static QString productText();
};
