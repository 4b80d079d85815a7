#include "shell/info_box.h"

#include "language/LanguageTable.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int VersionMajor = 4;
constexpr int VersionMinor = 1;
constexpr int VersionRevision = 0;
const QString CompanyName = QStringLiteral("Kelvane Project");
} // namespace

QString info_box::productText() {
    return QStringLiteral("Kelvane \nVersion ") + u' ' + QString::number(VersionMajor) + u'.' +
           QString::number(VersionMinor) + u'.' + QString::number(VersionRevision);
}

info_box::info_box(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("info_box"));
    setWindowTitle(CompanyName);
    auto* layout = new QVBoxLayout(this);

    auto* product = new QLabel(productText(), this);
    product->setObjectName(QStringLiteral("lblProduct"));
    QFont font = product->font();
    font.setPointSize(font.pointSize() + 6);
    font.setBold(true);
    product->setFont(font);
    layout->addWidget(product);

    const QStringList maker = {CompanyName, QStringLiteral("Data acquisition for balances and gauges"),
                               QStringLiteral("Linux edition, built with Qt ") +
                                   QString::fromLatin1(qVersion()),
                               QStringLiteral("Help: menu Help, or the README of the installation")};
    for (int i = 0; i < maker.size(); ++i) {
        auto* label = new QLabel(maker.at(i), this);
        label->setObjectName(QStringLiteral("Label") + QString::number(i + 1));
        layout->addWidget(label);
    }

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}
