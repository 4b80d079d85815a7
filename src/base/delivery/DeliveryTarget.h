#pragma once

#include <QString>

// A target that keeps what it takes: a text file, a worksheet of a workbook or a table of a
// database. Values that wait for one go to it and nowhere else, even when the settings have
// changed since.
struct DeliveryTarget {
    enum class Kind { TextFile, Workbook, Database };

    Kind kind = Kind::TextFile;
    // The file's path as resolved, or the database server's URL.
    QString location;
    // The worksheet or the table; empty for a text file.
    QString part;

    // The location as the user may see it: a server URL without its password.
    QString displayName() const;

    friend bool operator==(const DeliveryTarget&, const DeliveryTarget&) = default;
};
