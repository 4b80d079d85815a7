#include "gui/HotkeysDialog.h"

#include "base/config/Settings.h"
#include "base/texts/LanguageTable.h"
#include "gui/DialogButtonRow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

} // namespace

HotkeysDialog::HotkeysDialog(Settings& settings, QWidget* parent) : QDialog(parent), m_settings(settings) {
    setObjectName(QStringLiteral("HotkeysDialog"));
    setModal(true);
    buildControls();
    load();
}

void HotkeysDialog::buildControls() {
    setWindowTitle(QStringLiteral("Tastenbelegung"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);

    m_buttonHeader = makeLabel(this, QStringLiteral("buttonHeader"), QStringLiteral("Taste"));
    m_firstKeyHeader = makeLabel(this, QStringLiteral("firstKeyHeader"), QStringLiteral("1.Taste"));
    m_secondKeyHeader = makeLabel(this, QStringLiteral("secondKeyHeader"), QStringLiteral("2.Taste"));
    m_thirdKeyHeader = makeLabel(this, QStringLiteral("thirdKeyHeader"), QStringLiteral("3.Taste"));
    grid->addWidget(m_buttonHeader, 0, 0);
    grid->addWidget(m_firstKeyHeader, 0, 1);
    grid->addWidget(m_secondKeyHeader, 0, 2);
    grid->addWidget(m_thirdKeyHeader, 0, 3);

    // The rows follow the main window's first eight buttons; rows 3 to 5 have no label.
    const QStringList rowLabels = {QStringLiteral("Send"),
                                   QStringLiteral("T Start"),
                                   QStringLiteral("T Stop"),
                                   QString(),
                                   QString(),
                                   QString(),
                                   QStringLiteral("Offline"),
                                   QStringLiteral("Exit")};
    m_rows.reserve(RowCount);
    for (int row = 0; row < RowCount; ++row) {
        grid->addWidget(makeLabel(this, QStringLiteral("buttonLabel%1").arg(row), rowLabels.at(row)), row + 1,
                        0);
        m_rows.emplace_back(this, row).addTo(grid, row + 1, 1);
    }

    const DialogButtonRow buttons =
        DialogButtonRow::add(this, layout, QStringLiteral("&OK"), QStringLiteral("&Abbrechen"));
    m_okButton = buttons.ok;
    m_cancelButton = buttons.cancel;

    connect(m_okButton, &QPushButton::clicked, this, &HotkeysDialog::storeAndClose);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void HotkeysDialog::load() {
    setWindowTitle(languageText(TextKey::HotkeysTitle));
    m_buttonHeader->setText(languageText(TextKey::HotkeysButton));
    m_firstKeyHeader->setText(languageText(TextKey::HotkeysFirstKey));
    m_secondKeyHeader->setText(languageText(TextKey::HotkeysSecondKey));
    m_thirdKeyHeader->setText(languageText(TextKey::HotkeysThirdKey));
    m_cancelButton->setText(languageText(TextKey::HotkeysCancel));

    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        m_rows[row].show(m_settings.hotkeys[row].keys);
    }
}

void HotkeysDialog::storeAndClose() {
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        m_settings.hotkeys[row].keys = m_rows[row].keys();
    }
    accept();
}
