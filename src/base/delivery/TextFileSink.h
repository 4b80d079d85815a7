#pragma once

#include "base/delivery/DeliveryProblem.h"

#include <QString>
#include <QStringList>

// Appends output texts as lines (CR LF) to a text file, which is made when it does not exist.
class TextFileSink {
public:
    // One write call in append mode: a crash leaves earlier lines whole. TargetMissing when no
    // file is set or its folder does not exist, NotWritable when the file cannot be written now.
    static DeliveryProblem append(const QString& path, const QStringList& lines);
};
