#include "base/delivery/WorkbookSink.h"

#include "base/delivery/OutputTemplate.h"
#include "base/delivery/Workbook.h"

#include <QDir>
#include <QFileInfo>

WorkbookSink::WorkbookSink() : m_workbook(std::make_unique<Workbook>()) {}

WorkbookSink::~WorkbookSink() = default;

DeliveryProblem WorkbookSink::append(const QString& path, const QString& sheet,
                                     const QStringList& outputTexts) {
    if (isOpenElsewhere(path)) {
        return DeliveryProblem::OpenElsewhere;
    }
    QList<QStringList> rows;
    rows.reserve(outputTexts.size());
    for (const QString& text : outputTexts) {
        // For a workbook a text without any separator is one field.
        rows.append(text.contains(OutputTemplate::FieldSeparator) ? OutputTemplate::fields(text)
                                                                  : QStringList{text});
    }
    switch (m_workbook->append(path, sheet, rows).error) {
    case Workbook::Error::None:
        return DeliveryProblem::None;
    case Workbook::Error::SheetMissing:
        return DeliveryProblem::SheetMissing;
    case Workbook::Error::ReadFailed:
    case Workbook::Error::WriteFailed:
        return DeliveryProblem::NotWritable;
    case Workbook::Error::FileMissing:
    case Workbook::Error::NotAZip:
    case Workbook::Error::CorruptPackage:
        break;
    }
    return DeliveryProblem::TargetMissing;
}

bool WorkbookSink::isOpenElsewhere(const QString& path) {
    const QFileInfo workbook(path);
    const QDir folder = workbook.absoluteDir();
    const QString name = workbook.fileName();
    return QFileInfo::exists(folder.filePath(QStringLiteral(".~lock.") + name + u'#')) ||
           QFileInfo::exists(folder.filePath(QStringLiteral("~$") + name));
}
