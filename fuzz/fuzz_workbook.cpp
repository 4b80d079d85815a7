// A whole .xlsx file: opened, its first empty row found, a row written and the file saved.
#include "FuzzInput.h"
#include "base/delivery/Workbook.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = FuzzInput::file(FuzzInput::bytes(data, size), QStringLiteral("workbook.xlsx"));
    Workbook workbook;
    if (workbook.open(path, QStringLiteral("Tabelle1")) == Workbook::Error::None) {
        const int row = workbook.firstEmptyRow();
        if (row > 0 &&
            workbook.writeRow(row, {QStringLiteral("12,5"), QStringLiteral("g"), QStringLiteral("<&>")},
                              QLocale::c()) == Workbook::Error::None) {
            (void)workbook.save();
        }
    }
    return 0;
}
