#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <pugixml.hpp>

#include <optional>
#include <string>
#include <vector>

// One worksheet part of a workbook, edited so that whatever is not written stays as it was: the
// XML keeps its source form (entity references, line ends, whitespace) and only the written
// cells, their row and the sheet's dimension change.
class WorksheetXml {
public:
    static constexpr int MaxRow = 1048576;
    static constexpr int MaxColumn = 16384;

    WorksheetXml() = default;
    WorksheetXml(const WorksheetXml&) = delete;
    WorksheetXml& operator=(const WorksheetXml&) = delete;

    // False when the part is not well-formed, is no worksheet, or holds an unreadable row or
    // cell position. sharedStringBlank[i] tells whether shared string i is empty or blank.
    bool load(const QByteArray& xml, const std::vector<bool>& sharedStringBlank);
    // load() in two steps, for a caller that has work to do in between: parse() checks the
    // document, findFilledRows() the rows and cells.
    bool parse(const QByteArray& xml);
    bool findFilledRows(const std::vector<bool>& sharedStringBlank);

    // Row (1-based) whose column A cell is missing, empty or only spaces, the lowest such row;
    // 0 when every row of the sheet is taken.
    int firstEmptyRow() const;

    // A cell that exists keeps its style and loses its old value, type and formula. A number
    // must be finite. Text loses what storableText() removes.
    void setNumber(int row, int column, double value);
    void setText(int row, int column, const QString& text);

    // Text without the characters XML 1.0 cannot carry at all: control characters other than
    // TAB, LF and CR, unpaired surrogates, U+FFFE and U+FFFF.
    static QString storableText(const QString& text);

    // Shortest text that reads back as the same value, independent of locale: "12.5", "1e-06".
    static std::string formatNumber(double value);

    bool isModified() const { return m_modified; }
    // Whether a cell written since load() or markSaved() held a formula, which the calculation
    // chain may still list.
    bool replacedFormula() const { return m_replacedFormula; }
    // Where appends change the text save() writes: the dimension's reference spans
    // [referenceStart, referenceEnd) (both 0 without one) and new rows go at rowsEnd.
    struct Cuts {
        qsizetype referenceStart = 0;
        qsizetype referenceEnd = 0;
        qsizetype rowsEnd = 0;
    };
    // The sheet's text. With cuts, also where appends change it, unless the text is not UTF-8,
    // has no row, or holds anything but whitespace after its last row; the text is the same.
    QByteArray save(std::optional<Cuts>* cuts = nullptr) const;

    // What changed since load() or markSaved() when that was only rows added after the last row:
    // their text and the dimension's reference, as save() writes them. nullopt after any other
    // change.
    struct Appended {
        QByteArray rows;
        QByteArray reference;
    };
    std::optional<Appended> appended() const;
    // From parse() to the first save, the text as read, cut where an append changes it, as
    // AppendableDeflate::start() takes it; nullopt where save() gives no cuts.
    struct Pieces {
        QByteArrayView head;
        QByteArrayView piece;
        QByteArrayView body;
        QByteArrayView tail;
    };
    std::optional<Pieces> sourcePieces() const;
    void markSaved();

    // For each shared string of a shared string table part, whether it is empty or blank;
    // nullopt when the part is not well-formed.
    static std::optional<std::vector<bool>> sharedStringBlankness(const QByteArray& xml);

    // "A", "B", ..., "Z", "AA", ...
    static std::string columnName(int column);

private:
    struct ColumnStyle {
        int first = 0;
        int last = 0;
        std::string style;
    };

    pugi::xml_node rowElement(int row);
    pugi::xml_node cellElement(pugi::xml_node rowNode, int row, int column);
    std::string newCellStyle(pugi::xml_node rowNode, int column) const;
    void widenDimension(int row, int column);
    void markColumnA(int row, bool filled);
    std::optional<Cuts> cutsInSource() const;
    std::string elementName(const char* localName) const { return m_prefix + localName; }

    QByteArray m_buffer;
    // The text as read, with its cuts, until the first save: rows appended after the last one
    // go into it, so that everything else is saved as it was read.
    QByteArray m_source;
    std::optional<Cuts> m_sourceCuts;
    bool m_singleQuoted = false;
    pugi::xml_document m_document;
    pugi::xml_encoding m_encoding = pugi::encoding_utf8;
    bool m_hadBom = false;
    QByteArray m_prolog;
    bool m_keepProlog = false;
    std::string m_prefix;
    pugi::xml_node m_sheetData;
    pugi::xml_node m_dimension;
    std::vector<ColumnStyle> m_columnStyles;
    // Indexed by row: true where column A holds something that is not blank.
    std::vector<bool> m_filled;
    // Column A is filled in every row above this one (1-based).
    mutable int m_filledBelow = 1;
    // The last row element of the sheet data and the highest row number of any: a row above it
    // goes after the last one without a search.
    pugi::xml_node m_lastRow;
    int m_highestRow = 0;
    std::vector<pugi::xml_node> m_appendedRows;
    bool m_otherChange = false;
    bool m_modified = false;
    bool m_replacedFormula = false;
};
