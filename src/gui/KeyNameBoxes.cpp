#include "gui/KeyNameBoxes.h"

#include "base/config/SettingText.h"
#include "base/triggers/KeyNames.h"

#include <QComboBox>
#include <QGridLayout>

namespace {

void showKeyName(QComboBox* box, const QString& name) {
    box->setCurrentIndex(box->findText(name, Qt::MatchExactly));
    box->setEditText(name);
}

} // namespace

KeyNameBoxes::KeyNameBoxes(QWidget* parent, int row) {
    const std::array<QString, BoxCount> names = {
        QStringLiteral("firstKeyBox"), QStringLiteral("secondKeyBox"), QStringLiteral("thirdKeyBox")};
    const QStringList firstKeys = KeyNames::firstKeyNames();
    const QStringList thirdKeys = KeyNames::thirdKeyNames();
    for (std::size_t index = 0; index < m_boxes.size(); ++index) {
        auto* box = new QComboBox(parent);
        box->setObjectName(names[index] + QString::number(row));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        // The lists are filled before a name is shown: filling a list replaces the shown text.
        box->addItems(index + 1 < m_boxes.size() ? firstKeys : thirdKeys);
        m_boxes[index] = box;
    }
}

void KeyNameBoxes::addTo(QGridLayout* grid, int gridRow, int firstColumn) const {
    for (std::size_t index = 0; index < m_boxes.size(); ++index) {
        grid->addWidget(m_boxes[index], gridRow, firstColumn + static_cast<int>(index));
    }
}

void KeyNameBoxes::show(const TriggerKeyRow& keys) {
    for (std::size_t index = 0; index < m_boxes.size(); ++index) {
        showKeyName(m_boxes[index], keys.keys[index].text());
    }
}

TriggerKeyRow KeyNameBoxes::keys() const {
    return SettingText::triggerKeys(m_boxes[0]->currentText(), m_boxes[1]->currentText(),
                                    m_boxes[2]->currentText());
}

QComboBox* KeyNameBoxes::box(int index) const {
    return index >= 0 && index < BoxCount ? m_boxes[static_cast<std::size_t>(index)] : nullptr;
}
