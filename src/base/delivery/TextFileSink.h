#pragma once

#include "base/delivery/DeliveryProblem.h"
#include "base/files/AppendOnlyFile.h"

#include <QString>
#include <QStringList>

// Appends output texts as lines (CR LF) to a text file, which is made when it does not exist.
// The file stays open between values and follows its path (see AppendOnlyFile).
class TextFileSink {
public:
    // One write call in append mode: a crash leaves earlier lines whole. TargetMissing when no
    // file is set or its folder does not exist, NotWritable when the file cannot be written now.
    DeliveryProblem append(const QString& path, const QStringList& lines);

private:
    AppendOnlyFile m_file;
};
