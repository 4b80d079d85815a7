#pragma once

#include "base/config/Settings.h"

#include <array>

class QComboBox;
class QGridLayout;
class QWidget;

// The three key-name boxes of one hotkey or device command row. The first and second key offer
// the modifiers and special keys, the third key only F1 to F12; any typed name is kept as the
// key name.
class KeyNameBoxes {
public:
    static constexpr int BoxCount = 3;

    // Creates the boxes as children of parent, named firstKeyBox<row>, secondKeyBox<row> and
    // thirdKeyBox<row>.
    KeyNameBoxes(QWidget* parent, int row);

    // Places the boxes side by side in gridRow, from firstColumn on.
    void addTo(QGridLayout* grid, int gridRow, int firstColumn) const;

    // Shows the key names of a row as they are written, also names that are not in the lists.
    void show(const TriggerKeyRow& keys);
    // The row as the boxes name it now.
    TriggerKeyRow keys() const;

    QComboBox* box(int index) const;

private:
    std::array<QComboBox*, BoxCount> m_boxes{};
};
