#include "gui/AboutDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace {
constexpr int VersionMajor = 4;
constexpr int VersionMinor = 1;
constexpr int VersionRevision = 0;
const QString CompanyName = QStringLiteral("Kelvane Project");
} // namespace

QString AboutDialog::productText() {
    return QStringLiteral("Kelvane \nVersion ") + u' ' + QString::number(VersionMajor) + u'.' +
           QString::number(VersionMinor) + u'.' + QString::number(VersionRevision);
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(CompanyName);
    auto* layout = new QVBoxLayout(this);

    auto* product = new QLabel(productText(), this);
    product->setObjectName(QStringLiteral("productLabel"));
    QFont font = product->font();
    font.setPointSize(font.pointSize() + 6);
    font.setBold(true);
    product->setFont(font);
    layout->addWidget(product);

    const std::array<std::pair<const char*, QString>, 4> lines = {{
        {"makerLabel", CompanyName},
        {"descriptionLabel", QStringLiteral("Data acquisition for balances and gauges")},
        {"editionLabel", QStringLiteral("Linux edition, built with Qt ") + QString::fromLatin1(qVersion())},
        {"helpLabel", QStringLiteral("Help: menu Help, or the README of the installation")},
    }};
    for (const auto& [name, text] : lines) {
        auto* label = new QLabel(text, this);
        label->setObjectName(QLatin1StringView(name));
        layout->addWidget(label);
    }

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}
