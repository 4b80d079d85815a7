#include "base/delivery/WorksheetXml.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string_view>

namespace {

// Entity references, line ends and attribute whitespace are kept as written, so the parts of
// the sheet that are not touched are written back unchanged; values are decoded where read.
constexpr unsigned SourceFormParse = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi |
                                     pugi::parse_declaration | pugi::parse_doctype | pugi::parse_ws_pcdata;

std::string_view localName(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? std::string_view(colon + 1) : std::string_view(name);
}

bool isElement(pugi::xml_node node, std::string_view name) {
    return node.type() == pugi::node_element && localName(node.name()) == name;
}

pugi::xml_node childElement(pugi::xml_node parent, std::string_view name) {
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (isElement(child, name)) {
            return child;
        }
    }
    return {};
}

std::optional<int> parseNumber(std::string_view text, int min, int max) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> parseRowNumber(const char* text) {
    return parseNumber(text, 1, WorksheetXml::MaxRow);
}

struct CellPosition {
    int column = 0;
    int row = 0;
};

// "B4", also "$B$4" as it may appear in a dimension reference.
std::optional<CellPosition> parseCellReference(std::string_view text) {
    std::size_t at = 0;
    if (at < text.size() && text[at] == '$') {
        ++at;
    }
    int column = 0;
    const std::size_t lettersStart = at;
    while (at < text.size() && at - lettersStart < 3) {
        const char c = text[at];
        if (c >= 'A' && c <= 'Z') {
            column = column * 26 + (c - 'A' + 1);
        } else if (c >= 'a' && c <= 'z') {
            column = column * 26 + (c - 'a' + 1);
        } else {
            break;
        }
        ++at;
    }
    if (at == lettersStart || column > WorksheetXml::MaxColumn) {
        return std::nullopt;
    }
    if (at < text.size() && text[at] == '$') {
        ++at;
    }
    const std::optional<int> row = parseNumber(text.substr(at), 1, WorksheetXml::MaxRow);
    if (!row) {
        return std::nullopt;
    }
    return CellPosition{column, *row};
}

void appendUtf8(std::string& out, char32_t code) {
    QString text = QString::fromUcs4(&code, 1);
    out += text.toStdString();
}

// Resolves the five predefined entities and character references of source-form text.
std::string decodeEntities(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t at = 0; at < raw.size();) {
        if (raw[at] != '&') {
            out += raw[at++];
            continue;
        }
        const std::size_t semicolon = raw.find(';', at);
        if (semicolon == std::string_view::npos) {
            out += raw.substr(at);
            break;
        }
        const std::string_view entity = raw.substr(at + 1, semicolon - at - 1);
        if (entity == "amp") {
            out += '&';
        } else if (entity == "lt") {
            out += '<';
        } else if (entity == "gt") {
            out += '>';
        } else if (entity == "quot") {
            out += '"';
        } else if (entity == "apos") {
            out += '\'';
        } else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            const std::string_view digits = entity.substr(hex ? 2 : 1);
            unsigned code = 0;
            const auto [end, ec] =
                std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
            if (ec == std::errc() && end == digits.data() + digits.size() && code <= 0x10FFFF) {
                appendUtf8(out, char32_t(code));
            } else {
                out += raw.substr(at, semicolon - at + 1);
            }
        } else {
            out += raw.substr(at, semicolon - at + 1);
        }
        at = semicolon + 1;
    }
    return out;
}

// Blank as the spreadsheet's row search sees it: nothing left after removing spaces. The
// escape _x0020_ of the workbook format is a space as well.
bool isBlank(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == ' ') {
            ++at;
        } else if (text.substr(at, 7) == "_x0020_") {
            at += 7;
        } else {
            return false;
        }
    }
    return true;
}

void appendContent(std::string& out, pugi::xml_node element) {
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata) {
            out += decodeEntities(child.value());
        } else if (child.type() == pugi::node_cdata) {
            out += child.value();
        }
    }
}

// Text of a string item: its own <t>, or the <t> of each rich text run; phonetic runs are not
// part of the value.
std::string stringItemText(pugi::xml_node item) {
    std::string text;
    for (pugi::xml_node child = item.first_child(); child; child = child.next_sibling()) {
        if (isElement(child, "t")) {
            appendContent(text, child);
        } else if (isElement(child, "r")) {
            if (const pugi::xml_node runText = childElement(child, "t")) {
                appendContent(text, runText);
            }
        }
    }
    return text;
}

bool cellIsBlank(pugi::xml_node cell, const std::vector<bool>& sharedStringBlank) {
    // A formula's cached value may be missing or stale; a formula is never overwritten.
    if (childElement(cell, "f")) {
        return false;
    }
    const std::string_view type = cell.attribute("t").value();
    const pugi::xml_node value = childElement(cell, "v");
    if (type == "s") {
        std::string index;
        if (value) {
            appendContent(index, value);
        }
        const std::optional<int> at = parseNumber(index, 0, std::numeric_limits<int>::max());
        // A reference to a missing string leaves the content unknown, so the cell is kept.
        return at && std::size_t(*at) < sharedStringBlank.size() && sharedStringBlank[std::size_t(*at)];
    }
    if (type == "inlineStr") {
        if (const pugi::xml_node inlineString = childElement(cell, "is")) {
            return isBlank(stringItemText(inlineString));
        }
    }
    if (!value) {
        return true;
    }
    std::string text;
    appendContent(text, value);
    return isBlank(text);
}

std::optional<int> cellColumn(pugi::xml_node cell, int previousColumn) {
    const pugi::xml_attribute reference = cell.attribute("r");
    if (!reference) {
        // Without a reference a cell follows the one before it.
        return previousColumn < WorksheetXml::MaxColumn ? std::optional<int>(previousColumn + 1)
                                                        : std::nullopt;
    }
    const std::optional<CellPosition> position = parseCellReference(reference.value());
    return position ? std::optional<int>(position->column) : std::nullopt;
}

// Escapes text for an element's content; the text holds only characters XML can carry.
std::string escapeText(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    out.reserve(std::size_t(utf8.size()));
    for (const char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '\r':
            // A literal CR would be read back as a line end; the reference keeps it.
            out += "&#13;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Attribute values are written back inside double quotes without escaping; a value that was
// single-quoted in the source may hold a literal double quote, which must become a reference.
class QuoteFixer : public pugi::xml_tree_walker {
public:
    bool for_each(pugi::xml_node& node) override {
        for (pugi::xml_attribute attribute : node.attributes()) {
            if (std::strchr(attribute.value(), '"')) {
                std::string fixed;
                for (const char* c = attribute.value(); *c; ++c) {
                    fixed += *c == '"' ? std::string("&quot;") : std::string(1, *c);
                }
                attribute.set_value(fixed.c_str());
            }
        }
        return true;
    }
};

class ByteArrayWriter : public pugi::xml_writer {
public:
    explicit ByteArrayWriter(QByteArray& out) : m_out(out) {}
    void write(const void* data, size_t size) override {
        m_out.append(static_cast<const char*>(data), qsizetype(size));
    }

private:
    QByteArray& m_out;
};

void removeAttributesExcept(pugi::xml_node node, std::initializer_list<std::string_view> keep) {
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute;) {
        const pugi::xml_attribute next = attribute.next_attribute();
        if (std::find(keep.begin(), keep.end(), std::string_view(attribute.name())) == keep.end()) {
            node.remove_attribute(attribute);
        }
        attribute = next;
    }
}

void setAttribute(pugi::xml_node node, const char* name, const std::string& value) {
    pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute) {
        attribute = node.append_attribute(name);
    }
    attribute.set_value(value.c_str());
}

} // namespace

bool WorksheetXml::load(const QByteArray& xml, const std::vector<bool>& sharedStringBlank) {
    return parse(xml) && findFilledRows(sharedStringBlank);
}

bool WorksheetXml::parse(const QByteArray& xml) {
    m_source.clear();
    m_sourceCuts.reset();
    m_buffer = xml;
    m_buffer.detach();
    m_hadBom = m_buffer.startsWith("\xEF\xBB\xBF") || m_buffer.startsWith("\xFF\xFE") ||
               m_buffer.startsWith("\xFE\xFF");
    const pugi::xml_parse_result result = m_document.load_buffer_inplace(
        m_buffer.data(), std::size_t(m_buffer.size()), SourceFormParse, pugi::encoding_auto);
    if (!result) {
        return false;
    }
    m_encoding = result.encoding;
    const pugi::xml_node root = m_document.document_element();
    if (localName(root.name()) != "worksheet") {
        return false;
    }
    // The prolog (declaration, line ends, byte order mark) is kept as bytes: the parser does
    // not keep the whitespace around the declaration.
    m_prolog.clear();
    m_keepProlog = false;
    // The parser counts offsets after a UTF-8 byte order mark; a converted document has none.
    const std::size_t nameLength = std::strlen(root.name());
    for (const std::ptrdiff_t offset : {root.offset_debug(), root.offset_debug() + 3}) {
        if (root.offset_debug() > 0 && offset + qsizetype(nameLength) <= xml.size() &&
            xml.at(offset - 1) == '<' &&
            std::string_view(xml.constData() + offset, nameLength) == root.name()) {
            m_prolog = xml.left(offset - 1);
            m_keepProlog = true;
            break;
        }
    }
    const std::string_view rootName = root.name();
    m_prefix = std::string(rootName.substr(0, rootName.size() - localName(root.name()).size()));
    m_sheetData = childElement(root, "sheetData");
    if (!m_sheetData) {
        return false;
    }
    m_dimension = childElement(root, "dimension");

    m_columnStyles.clear();
    for (pugi::xml_node columns = root.first_child(); columns; columns = columns.next_sibling()) {
        if (!isElement(columns, "cols")) {
            continue;
        }
        for (pugi::xml_node column = columns.first_child(); column; column = column.next_sibling()) {
            const std::optional<int> first = parseNumber(column.attribute("min").value(), 1, MaxColumn);
            const std::optional<int> last = parseNumber(column.attribute("max").value(), 1, MaxColumn);
            const std::string style = column.attribute("style").value();
            if (isElement(column, "col") && first && last && !style.empty() && style != "0") {
                m_columnStyles.push_back({*first, *last, style});
            }
        }
    }

    m_filled.clear();
    m_filledBelow = 1;
    m_highestRow = 0;
    m_appendedRows.clear();
    m_otherChange = false;
    m_lastRow = m_sheetData.last_child();
    while (m_lastRow && !isElement(m_lastRow, "row")) {
        m_lastRow = m_lastRow.previous_sibling();
    }
    m_source = xml;
    m_sourceCuts = cutsInSource();
    if (!m_sourceCuts) {
        m_source.clear();
    }
    m_singleQuoted = xml.contains('\'');
    m_modified = false;
    return true;
}

bool WorksheetXml::findFilledRows(const std::vector<bool>& sharedStringBlank) {
    int rowNumber = 0;
    for (pugi::xml_node row = m_sheetData.first_child(); row; row = row.next_sibling()) {
        if (!isElement(row, "row")) {
            continue;
        }
        // Without a number a row follows the one before it.
        const pugi::xml_attribute reference = row.attribute("r");
        const std::optional<int> number =
            reference ? parseRowNumber(reference.value())
                      : (rowNumber < MaxRow ? std::optional<int>(rowNumber + 1) : std::nullopt);
        if (!number) {
            return false;
        }
        rowNumber = *number;
        int column = 0;
        bool filled = false;
        for (pugi::xml_node cell = row.first_child(); cell; cell = cell.next_sibling()) {
            if (!isElement(cell, "c")) {
                continue;
            }
            const std::optional<int> at = cellColumn(cell, column);
            if (!at) {
                return false;
            }
            column = *at;
            if (column == 1 && !cellIsBlank(cell, sharedStringBlank)) {
                filled = true;
            }
        }
        if (filled) {
            markColumnA(rowNumber, true);
        }
        m_highestRow = std::max(m_highestRow, rowNumber);
    }
    // Only a single-quoted attribute can hold a double quote; most sheets have none, and the
    // walk over every attribute is a good part of loading a large sheet.
    if (m_singleQuoted) {
        QuoteFixer fixer;
        m_document.traverse(fixer);
    }
    return true;
}

std::optional<WorksheetXml::Pieces> WorksheetXml::sourcePieces() const {
    if (!m_sourceCuts) {
        return std::nullopt;
    }
    const Cuts& cuts = *m_sourceCuts;
    const QByteArrayView text(m_source);
    return Pieces{text.first(cuts.referenceStart),
                  text.sliced(cuts.referenceStart, cuts.referenceEnd - cuts.referenceStart),
                  text.sliced(cuts.referenceEnd, cuts.rowsEnd - cuts.referenceEnd),
                  text.sliced(cuts.rowsEnd)};
}

std::optional<WorksheetXml::Cuts> WorksheetXml::cutsInSource() const {
    // The parser leaves names and values where they stand in the text of a UTF-8 document, so
    // their addresses are offsets into it.
    const char* const begin = m_buffer.constData();
    const char* const end = begin + m_buffer.size();
    const auto offsetOf = [begin, end](const char* text) -> std::optional<qsizetype> {
        return text >= begin && text < end ? std::optional<qsizetype>(text - begin) : std::nullopt;
    };
    const std::optional<qsizetype> lastRowAt = offsetOf(m_lastRow.name());
    if (m_encoding != pugi::encoding_utf8 || !lastRowAt) {
        return std::nullopt;
    }
    // New rows go after the last one; only whitespace may stand between it and the end.
    const pugi::xml_node afterRows = m_lastRow.next_sibling();
    for (pugi::xml_node node = afterRows; node; node = node.next_sibling()) {
        if (node.type() != pugi::node_pcdata) {
            return std::nullopt;
        }
    }
    Cuts cuts;
    if (afterRows) {
        const std::optional<qsizetype> at = offsetOf(afterRows.value());
        if (!at) {
            return std::nullopt;
        }
        cuts.rowsEnd = *at;
    } else {
        // The rows end where the sheet data's end tag begins, after the last name or value of
        // the last row.
        qsizetype from = *lastRowAt;
        const auto passText = [&](const char* text) {
            if (const std::optional<qsizetype> at = offsetOf(text)) {
                from = std::max(from, *at + qsizetype(std::strlen(text)));
            }
        };
        for (pugi::xml_node node = m_lastRow; node;) {
            passText(node.name());
            passText(node.value());
            for (const pugi::xml_attribute attribute : node.attributes()) {
                passText(attribute.name());
                passText(attribute.value());
            }
            if (node.first_child()) {
                node = node.first_child();
                continue;
            }
            while (node && node != m_lastRow && !node.next_sibling()) {
                node = node.parent();
            }
            node = node == m_lastRow ? pugi::xml_node() : node.next_sibling();
        }
        const QByteArray endTag = "</" + QByteArray::fromStdString(elementName("sheetData"));
        cuts.rowsEnd = m_source.indexOf(endTag, from);
        if (cuts.rowsEnd < 0) {
            return std::nullopt;
        }
    }
    if (const pugi::xml_attribute reference = m_dimension.attribute("ref")) {
        const std::optional<qsizetype> at = offsetOf(reference.value());
        if (!at || *at >= *lastRowAt) {
            return std::nullopt;
        }
        cuts.referenceStart = *at;
        cuts.referenceEnd = *at + qsizetype(std::strlen(reference.value()));
    }
    return cuts;
}

int WorksheetXml::firstEmptyRow() const {
    // Rows are filled from the top, so the search goes on where the last one ended.
    for (int row = m_filledBelow; row <= MaxRow; ++row) {
        if (std::size_t(row) >= m_filled.size() || !m_filled[std::size_t(row)]) {
            m_filledBelow = row;
            return row;
        }
    }
    return 0;
}

void WorksheetXml::markColumnA(int row, bool filled) {
    if (std::size_t(row) >= m_filled.size()) {
        if (!filled) {
            return;
        }
        m_filled.resize(std::size_t(row) + 1, false);
    }
    m_filled[std::size_t(row)] = filled;
    if (!filled) {
        m_filledBelow = std::min(m_filledBelow, row);
    }
}

pugi::xml_node WorksheetXml::rowElement(int row) {
    if (!m_appendedRows.empty() && m_appendedRows.back() == m_lastRow &&
        m_lastRow.attribute("r").as_int() == row) {
        return m_lastRow;
    }
    if (row > m_highestRow) {
        // Above every row: it goes after the last one, as the search below would find.
        pugi::xml_node appended = m_lastRow ? m_sheetData.insert_child_after(pugi::node_element, m_lastRow)
                                            : m_sheetData.append_child(pugi::node_element);
        appended.set_name(elementName("row").c_str());
        appended.append_attribute("r").set_value(row);
        m_lastRow = appended;
        m_highestRow = row;
        m_appendedRows.push_back(appended);
        return appended;
    }
    m_otherChange = true;
    // Rows may stand out of order, so the row itself is looked for before a place for it.
    int number = 0;
    for (pugi::xml_node node = m_sheetData.first_child(); node; node = node.next_sibling()) {
        if (!isElement(node, "row")) {
            continue;
        }
        const pugi::xml_attribute reference = node.attribute("r");
        number = reference ? *parseRowNumber(reference.value()) : number + 1;
        if (number == row) {
            return node;
        }
    }
    pugi::xml_node lastRow;
    number = 0;
    for (pugi::xml_node node = m_sheetData.first_child(); node; node = node.next_sibling()) {
        if (!isElement(node, "row")) {
            continue;
        }
        const pugi::xml_attribute reference = node.attribute("r");
        number = reference ? *parseRowNumber(reference.value()) : number + 1;
        if (number > row) {
            // As with cells, this row has a number of its own, so none after it shifts.
            pugi::xml_node inserted = m_sheetData.insert_child_before(pugi::node_element, node);
            inserted.set_name(elementName("row").c_str());
            inserted.append_attribute("r").set_value(row);
            return inserted;
        }
        lastRow = node;
    }
    pugi::xml_node appended = lastRow ? m_sheetData.insert_child_after(pugi::node_element, lastRow)
                                      : m_sheetData.append_child(pugi::node_element);
    appended.set_name(elementName("row").c_str());
    appended.append_attribute("r").set_value(row);
    m_lastRow = appended;
    return appended;
}

pugi::xml_node WorksheetXml::cellElement(pugi::xml_node rowNode, int row, int column) {
    // A new cell goes before the first one further right. That one always has a reference: a
    // cell without one directly follows its neighbour, which would then be the cell written or
    // itself further right. So no cell positioned by order alone shifts.
    int number = 0;
    pugi::xml_node existing;
    pugi::xml_node following;
    pugi::xml_node lastCell;
    for (pugi::xml_node cell = rowNode.first_child(); cell; cell = cell.next_sibling()) {
        if (!isElement(cell, "c")) {
            continue;
        }
        number = *cellColumn(cell, number);
        if (number == column && !existing) {
            existing = cell;
        } else if (number > column && !following) {
            following = cell;
        }
        lastCell = cell;
    }
    if (existing) {
        m_replacedFormula = m_replacedFormula || bool(childElement(existing, "f"));
        removeAttributesExcept(existing, {"r", "s"});
        while (existing.first_child()) {
            existing.remove_child(existing.first_child());
        }
        return existing;
    }

    pugi::xml_node cell;
    if (following) {
        cell = rowNode.insert_child_before(pugi::node_element, following);
    } else if (lastCell) {
        cell = rowNode.insert_child_after(pugi::node_element, lastCell);
    } else {
        cell = rowNode.prepend_child(pugi::node_element);
    }
    cell.set_name(elementName("c").c_str());
    cell.append_attribute("r").set_value((columnName(column) + std::to_string(row)).c_str());
    const std::string style = newCellStyle(rowNode, column);
    if (!style.empty()) {
        cell.append_attribute("s").set_value(style.c_str());
    }

    // The spans hint must cover every cell of the row.
    if (const pugi::xml_attribute spans = rowNode.attribute("spans")) {
        int low = column;
        int high = column;
        bool readable = true;
        const std::string_view list = spans.value();
        for (std::size_t at = 0; at < list.size() && readable;) {
            const std::size_t end = std::min(list.find(' ', at), list.size());
            const std::string_view span = list.substr(at, end - at);
            const std::size_t colon = span.find(':');
            const std::optional<int> first = colon == std::string_view::npos
                                                 ? std::nullopt
                                                 : parseNumber(span.substr(0, colon), 1, MaxColumn);
            const std::optional<int> last = colon == std::string_view::npos
                                                ? std::nullopt
                                                : parseNumber(span.substr(colon + 1), 1, MaxColumn);
            if (!span.empty()) {
                readable = first && last;
                if (readable) {
                    low = std::min(low, *first);
                    high = std::max(high, *last);
                }
            }
            at = end + 1;
        }
        if (readable) {
            setAttribute(rowNode, "spans", std::to_string(low) + ':' + std::to_string(high));
        } else {
            rowNode.remove_attribute("spans");
        }
    }
    return cell;
}

std::string WorksheetXml::newCellStyle(pugi::xml_node rowNode, int column) const {
    // A new cell takes the format its row or column shows, as one typed in would.
    const std::string_view customFormat = rowNode.attribute("customFormat").value();
    if ((customFormat == "1" || customFormat == "true") && rowNode.attribute("s")) {
        return rowNode.attribute("s").value();
    }
    for (const ColumnStyle& style : m_columnStyles) {
        if (column >= style.first && column <= style.last) {
            return style.style;
        }
    }
    return {};
}

void WorksheetXml::widenDimension(int row, int column) {
    pugi::xml_attribute reference = m_dimension.attribute("ref");
    if (!reference) {
        return;
    }
    const std::string_view text = reference.value();
    const std::size_t colon = text.find(':');
    const std::optional<CellPosition> first = parseCellReference(text.substr(0, colon));
    const std::optional<CellPosition> last =
        colon == std::string_view::npos ? first : parseCellReference(text.substr(colon + 1));
    if (!first || !last) {
        return;
    }
    const CellPosition low{std::min({first->column, last->column, column}),
                           std::min({first->row, last->row, row})};
    const CellPosition high{std::max({first->column, last->column, column}),
                            std::max({first->row, last->row, row})};
    std::string widened = columnName(low.column) + std::to_string(low.row);
    if (low.column != high.column || low.row != high.row) {
        widened += ':' + columnName(high.column) + std::to_string(high.row);
    }
    if (widened != text) {
        reference.set_value(widened.c_str());
    }
}

void WorksheetXml::setNumber(int row, int column, double value) {
    pugi::xml_node cell = cellElement(rowElement(row), row, column);
    pugi::xml_node content = cell.append_child(elementName("v").c_str());
    content.append_child(pugi::node_pcdata).set_value(formatNumber(value).c_str());
    widenDimension(row, column);
    if (column == 1) {
        markColumnA(row, true);
    }
    m_modified = true;
}

void WorksheetXml::setText(int row, int column, const QString& text) {
    pugi::xml_node cell = cellElement(rowElement(row), row, column);
    cell.append_attribute("t").set_value("inlineStr");
    pugi::xml_node item = cell.append_child(elementName("is").c_str());
    pugi::xml_node textElement = item.append_child(elementName("t").c_str());
    textElement.append_attribute("xml:space").set_value("preserve");
    const QString storable = storableText(text);
    textElement.append_child(pugi::node_pcdata).set_value(escapeText(storable).c_str());
    widenDimension(row, column);
    if (column == 1) {
        markColumnA(row, !isBlank(storable.toStdString()));
    }
    m_modified = true;
}

QByteArray WorksheetXml::save(std::optional<Cuts>* cuts) const {
    if (cuts) {
        cuts->reset();
    }
    QByteArray out;
    out.reserve(m_buffer.size() + 4096);
    ByteArrayWriter writer(out);
    // Values are written in their source form, escaped where this class wrote them.
    const unsigned flags = pugi::format_raw | pugi::format_no_escapes | pugi::format_no_declaration;
    if (const std::optional<Pieces> source = sourcePieces(); source && !m_otherChange) {
        // Only rows after the last one were added since the text was read: they and the
        // dimension's reference go into that text, and everything else stays as it was.
        out.append(source->head);
        // Without a reference in the text as read none was added: the piece stays empty.
        out.append(m_dimension.attribute("ref").value());
        Cuts found{source->head.size(), out.size(), 0};
        out.append(source->body);
        for (const pugi::xml_node row : m_appendedRows) {
            row.print(writer, "", flags, pugi::encoding_utf8);
        }
        found.rowsEnd = out.size();
        out.append(source->tail);
        if (cuts) {
            *cuts = found;
        }
        return out;
    }
    if (!m_keepProlog) {
        m_document.save(writer, "", m_hadBom ? flags | pugi::format_write_bom : flags, m_encoding);
        return out;
    }
    out.append(m_prolog);
    const pugi::xml_node root = m_document.document_element();
    if (!cuts || m_encoding != pugi::encoding_utf8 || !m_lastRow) {
        for (pugi::xml_node node = root; node; node = node.next_sibling()) {
            node.print(writer, "", flags, m_encoding);
        }
        return out;
    }
    // The root and the sheet data are written tag by tag, as the parser's printer writes them,
    // to learn where the dimension's reference and the end of the rows fall in the text.
    const auto startTag = [&out](pugi::xml_node element) {
        out += '<';
        out += element.name();
        for (const pugi::xml_attribute attribute : element.attributes()) {
            out += ' ';
            out += attribute.name();
            out += "=\"";
            out += attribute.value();
            out += '"';
        }
        out += element.first_child() ? ">" : "/>";
    };
    const auto endTag = [&out](pugi::xml_node element) {
        out += "</";
        out += element.name();
        out += '>';
    };
    Cuts found;
    bool cuttable = true;
    bool rowsSeen = false;
    startTag(root);
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (child == m_sheetData) {
            startTag(child);
            for (pugi::xml_node row = child.first_child(); row; row = row.next_sibling()) {
                // New rows go after the last one; only whitespace may stand between it and the end.
                cuttable = cuttable && (found.rowsEnd == 0 || row.type() == pugi::node_pcdata);
                row.print(writer, "", flags, pugi::encoding_utf8);
                if (row == m_lastRow) {
                    found.rowsEnd = out.size();
                }
            }
            endTag(child);
            rowsSeen = true;
            continue;
        }
        const qsizetype start = out.size();
        child.print(writer, "", flags, pugi::encoding_utf8);
        const pugi::xml_attribute reference = m_dimension.attribute("ref");
        if (child == m_dimension && reference) {
            // An attribute value holds no double quote, so this is the attribute itself.
            const qsizetype at = out.indexOf(" ref=\"", start);
            const qsizetype length = qsizetype(std::strlen(reference.value()));
            cuttable =
                cuttable && !rowsSeen && at >= 0 &&
                std::string_view(out.constData() + at + 6,
                                 std::size_t(std::min(length, out.size() - at - 6))) == reference.value();
            found.referenceStart = at + 6;
            found.referenceEnd = found.referenceStart + length;
        }
    }
    endTag(root);
    for (pugi::xml_node node = root.next_sibling(); node; node = node.next_sibling()) {
        node.print(writer, "", flags, pugi::encoding_utf8);
    }
    if (cuttable && found.rowsEnd > found.referenceEnd) {
        *cuts = found;
    }
    return out;
}

std::optional<WorksheetXml::Appended> WorksheetXml::appended() const {
    if (m_otherChange || m_encoding != pugi::encoding_utf8) {
        return std::nullopt;
    }
    Appended appended;
    ByteArrayWriter writer(appended.rows);
    const unsigned flags = pugi::format_raw | pugi::format_no_escapes | pugi::format_no_declaration;
    for (const pugi::xml_node row : m_appendedRows) {
        row.print(writer, "", flags, pugi::encoding_utf8);
    }
    appended.reference = m_dimension.attribute("ref").value();
    return appended;
}

void WorksheetXml::markSaved() {
    // From now on the text as read is not the sheet's text any more.
    m_source.clear();
    m_sourceCuts.reset();
    m_appendedRows.clear();
    m_otherChange = false;
    m_modified = false;
    m_replacedFormula = false;
}

std::optional<std::vector<bool>> WorksheetXml::sharedStringBlankness(const QByteArray& xml) {
    pugi::xml_document document;
    if (!document.load_buffer(xml.constData(), std::size_t(xml.size()), SourceFormParse,
                              pugi::encoding_auto)) {
        return std::nullopt;
    }
    const pugi::xml_node root = document.document_element();
    if (localName(root.name()) != "sst") {
        return std::nullopt;
    }
    std::vector<bool> blank;
    for (pugi::xml_node item = root.first_child(); item; item = item.next_sibling()) {
        if (isElement(item, "si")) {
            blank.push_back(isBlank(stringItemText(item)));
        }
    }
    return blank;
}

QString WorksheetXml::storableText(const QString& text) {
    QString kept;
    kept.reserve(text.size());
    const auto size = text.size();
    for (qsizetype at = 0; at < size; ++at) {
        const char16_t c = text.at(at).unicode();
        if (QChar::isHighSurrogate(c)) {
            if (at + 1 < size && QChar::isLowSurrogate(text.at(at + 1).unicode())) {
                kept += text.at(at);
                kept += text.at(++at);
            }
        } else if ((c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') && !QChar::isLowSurrogate(c) &&
                   c != 0xFFFE && c != 0xFFFF) {
            kept += text.at(at);
        }
    }
    return kept;
}

std::string WorksheetXml::formatNumber(double value) {
    // Shortest text that reads back as the same double, without locale.
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string WorksheetXml::columnName(int column) {
    std::string name;
    while (column > 0) {
        const int digit = (column - 1) % 26;
        name.insert(name.begin(), char('A' + digit));
        column = (column - 1) / 26;
    }
    return name;
}
