#pragma once

#include "base/delivery/DeliveryProblem.h"

#include <QString>
#include <QStringList>

#include <memory>

class Workbook;

// Appends output texts as rows of a worksheet of a workbook, one field per column. A workbook
// that another program has open is left alone: that program's next save would undo the row.
class WorkbookSink {
public:
    WorkbookSink();
    ~WorkbookSink();
    WorkbookSink(const WorkbookSink&) = delete;
    WorkbookSink& operator=(const WorkbookSink&) = delete;

    // Appends a row for each text, all in one save. OpenElsewhere while a lock file is beside
    // the workbook, SheetMissing without the worksheet, TargetMissing when the file is missing or
    // no workbook, NotWritable when it cannot be read or replaced; then no row is added.
    DeliveryProblem append(const QString& path, const QString& sheet, const QStringList& outputTexts);

    // LibreOffice's lock file ".~lock.NAME#" or Excel's owner file "~$NAME" beside the workbook.
    static bool isOpenElsewhere(const QString& path);

private:
    // Kept between values, so a workbook nobody else touches is not read again for each row.
    std::unique_ptr<Workbook> m_workbook;
};
