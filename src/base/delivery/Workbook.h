#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// A spreadsheet workbook file (.xlsx) that receives measured values as rows of one worksheet.
// The row written is the first one whose column A cell is missing, empty or only spaces. A
// field that reads as a number becomes a numeric cell, any other field a text cell; nothing is
// ever written as a formula. Only the worksheet written to changes: every other part of the
// file keeps its bytes, and the file is replaced atomically, so a failure at any point leaves
// the old file as it was.
//
// Errors are returned, never thrown.
class Workbook {
public:
    enum class Error {
        None,
        FileMissing,    // no file at that path
        ReadFailed,     // the file exists but cannot be read (a folder, no permission)
        NotAZip,        // empty, or not a zip archive
        CorruptPackage, // a zip, but workbook parts are missing, malformed or fail their checksum
        SheetMissing,   // the workbook has no worksheet of that name
        WriteFailed,    // the new file could not be written; the old one is unchanged
    };

    struct Result {
        Error error = Error::None;
        // 1-based row written; 0 on error.
        int row = 0;
        // Reason for the log, in English; empty on success.
        QString detail;
        bool ok() const { return error == Error::None; }
    };

    Workbook();
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    // Opens the workbook at path and its worksheet named sheetName; an exact name is preferred,
    // otherwise the name is matched without regard to case, as the spreadsheet program does.
    // Nothing is written. The file is read completely and is not kept open.
    Error open(const QString& path, const QString& sheetName);

    // The lowest row (1-based) whose column A is missing, empty or only spaces (U+0020; a tab
    // is content). A cell with a formula counts as filled, whatever its cached value, so a
    // formula is never overwritten. 0 when the workbook is not open or every row is taken.
    int firstEmptyRow() const;

    // Writes field k into column k + 1 of row. An empty field leaves its cell as it is but still
    // takes its column; so does a field of nothing but characters XML cannot carry (control
    // characters other than TAB, LF and CR), which are dropped from any other field. A field
    // is a number when locale or, failing that, the C locale reads it as one; the locale's group
    // separators are not accepted, so "1.234" in a German locale is 1.234 rather than 1234. An
    // existing cell keeps its style and the row's other cells stay. Changes are made in memory
    // until save().
    Error writeRow(int row, const QStringList& fields, const QLocale& locale = QLocale::system());

    // Replaces the file with the changed workbook. Does nothing when nothing was written.
    Error save();

    // Reason for the last error, in English.
    QString errorDetail() const;

    // open(), firstEmptyRow(), writeRow() and save() in one: appends fields as a new row.
    static Result appendRow(const QString& path, const QString& sheetName, const QStringList& fields,
                            const QLocale& locale = QLocale::system());

    // appendRow() that keeps what it read and wrote: while the file is exactly as this object
    // last saved it, the next append neither reads nor parses it again and compresses only the
    // new row. A file changed by anyone else is read anew.
    Result append(const QString& path, const QString& sheetName, const QStringList& fields,
                  const QLocale& locale = QLocale::system());
    // The same for several rows, one below the other, in one save: all of them or none.
    // The result's row is the last one written.
    Result append(const QString& path, const QString& sheetName, const QList<QStringList>& rows,
                  const QLocale& locale = QLocale::system());

    // The number a field stands for, as writeRow() decides it; nullopt for text.
    static std::optional<double> toNumber(const QString& text, const QLocale& locale = QLocale::system());

private:
    struct Private;
    Error fail(Error error, const QString& detail);
    Result appendToOpen(const QList<QStringList>& rows, const QLocale& locale);

    std::unique_ptr<Private> d;
};
