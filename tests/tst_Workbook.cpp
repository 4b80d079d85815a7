#include "output/Workbook.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using Error = Workbook::Error;

namespace {

// Builds a workbook with openpyxl. The snippet sees `wb` and `ws` (the sheet "Tabelle1") and
// may set: use_shared (move every text cell into a shared string table, as the spreadsheet
// program stores text), shared (extra shared strings, raw <si> contents, indexed before the
// moved ones), raw (part name -> replacement text), drop (part names to leave out), damage
// (part names whose compressed data gets a byte flipped) and compression.
const char* const MakeScript =
    "import os, re, sys, zipfile, openpyxl\n"
    "from openpyxl.styles import Font\n"
    "path, snippet = sys.argv[1], sys.argv[2]\n"
    "NS = 'xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"'\n"
    "def sheet_xml(rows, dimension=None, prefix=''):\n"
    "    p = prefix + ':' if prefix else ''\n"
    "    ns = NS.replace('xmlns=', 'xmlns:' + prefix + '=') if prefix else NS\n"
    "    dim = '<%sdimension ref=\"%s\"/>' % (p, dimension) if dimension else ''\n"
    "    return ('<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\\r\\n<%sworksheet "
    "%s>%s<%ssheetData>%s</%ssheetData></%sworksheet>'\n"
    "            % (p, ns, dim, p, rows.replace('<', '<' + p).replace('<' + p + '/', '</' + p), p, p))\n"
    "def inline(ref, text):\n"
    "    r = ' r=\"%s\"' % ref if ref else ''\n"
    "    return '<c%s t=\"inlineStr\"><is><t xml:space=\"preserve\">%s</t></is></c>' % (r, text)\n"
    "wb = openpyxl.Workbook()\n"
    "ws = wb.active\n"
    "ws.title = 'Tabelle1'\n"
    "use_shared = False\n"
    "shared = []\n"
    "raw = {}\n"
    "drop = set()\n"
    "damage = set()\n"
    "compression = zipfile.ZIP_DEFLATED\n"
    "exec(snippet)\n"
    "wb.save(path)\n"
    "with zipfile.ZipFile(path) as zin:\n"
    "    parts = [(item, zin.read(item.filename)) for item in zin.infolist()]\n"
    "def text_of(name):\n"
    "    return next(data for item, data in parts if item.filename == name).decode('utf-8')\n"
    "if use_shared:\n"
    "    def move(match):\n"
    "        shared.append('<t%s>%s</t>' % (match.group(1), match.group(2)))\n"
    "        return 't=\"s\"><v>%d</v>' % (len(shared) - 1)\n"
    "    for item, data in parts:\n"
    "        if item.filename.startswith('xl/worksheets/') and item.filename not in raw:\n"
    "            raw[item.filename] = re.sub(r't=\"inlineStr\"><is><t([^>]*)>(.*?)</t></is>', move, "
    "data.decode('utf-8'))\n"
    "if shared or 'xl/sharedStrings.xml' in raw:\n"
    "    raw.setdefault('xl/sharedStrings.xml', '<?xml version=\"1.0\" encoding=\"UTF-8\" "
    "standalone=\"yes\"?>\\r\\n<sst %s count=\"%d\" uniqueCount=\"%d\">%s</sst>'\n"
    "        % (NS, len(shared), len(shared), ''.join('<si>%s</si>' % s for s in shared)))\n"
    "    raw['xl/_rels/workbook.xml.rels'] = "
    "text_of('xl/_rels/workbook.xml.rels').replace('</Relationships>',\n"
    "        '<Relationship Id=\"rIdSst\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
    "Target=\"sharedStrings.xml\"/></Relationships>')\n"
    "    raw['[Content_Types].xml'] = text_of('[Content_Types].xml').replace('</Types>',\n"
    "        '<Override PartName=\"/xl/sharedStrings.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/></"
    "Types>')\n"
    "def encode(text):\n"
    "    return text if isinstance(text, bytes) else text.encode('utf-8')\n"
    "if raw or drop or damage or compression != zipfile.ZIP_DEFLATED:\n"
    "    with zipfile.ZipFile(path, 'w') as zout:\n"
    "        for item, data in parts:\n"
    "            if item.filename in drop:\n"
    "                continue\n"
    "            text = raw.pop(item.filename, None)\n"
    "            item.compress_type = compression\n"
    "            zout.writestr(item, data if text is None else encode(text))\n"
    "        for name, text in raw.items():\n"
    "            zout.writestr(name, encode(text), compression)\n"
    "if damage:\n"
    "    with zipfile.ZipFile(path) as z:\n"
    "        infos = [i for i in z.infolist() if i.filename in damage]\n"
    "    with open(path, 'r+b') as f:\n"
    "        for info in infos:\n"
    "            f.seek(info.header_offset + 26)\n"
    "            lengths = f.read(4)\n"
    "            start = info.header_offset + 30 + int.from_bytes(lengths[:2], 'little') + "
    "int.from_bytes(lengths[2:], 'little')\n"
    "            f.seek(start + info.compress_size // 2)\n"
    "            byte = f.read(1)\n"
    "            f.seek(start + info.compress_size // 2)\n"
    "            f.write(bytes([byte[0] ^ 0x55]))\n";

// Reads a workbook back with openpyxl: every cell of every sheet as "A1|kind|value[|bold]", and
// the raw dimension reference of the part named by argv[2].
const char* const DumpScript =
    "import json, re, sys, zipfile, openpyxl\n"
    "path, part = sys.argv[1], sys.argv[2]\n"
    "wb = openpyxl.load_workbook(path)\n"
    "def kind(c):\n"
    "    v = c.value\n"
    "    if c.data_type == 'f': return 'formula'\n"
    "    if isinstance(v, bool): return 'bool'\n"
    "    if isinstance(v, int): return 'int'\n"
    "    if isinstance(v, float): return 'float'\n"
    "    if isinstance(v, str): return 'str'\n"
    "    return type(v).__name__\n"
    "cells = {}\n"
    "for ws in wb.worksheets:\n"
    "    cells[ws.title] = ['%s|%s|%s%s' % (c.coordinate, kind(c), repr(c.value) if isinstance(c.value, "
    "float) else c.value,\n"
    "                                        '|bold' if c.font is not None and c.font.b else '')\n"
    "                       for row in ws.iter_rows() for c in row if c.value is not None]\n"
    "def text(data):\n"
    "    return data.decode('utf-16') if data[:2] in (b'\\xff\\xfe', b'\\xfe\\xff') else "
    "data.decode('utf-8-sig')\n"
    "with zipfile.ZipFile(path) as z:\n"
    "    m = re.search(r'<(?:\\w+:)?dimension ref=\"([^\"]*)[\"]', text(z.read(part)))\n"
    "print(json.dumps({'cells': cells, 'dimension': m.group(1) if m else ''}))\n";

// The text of one part, as a JSON string.
const char* const PartScript =
    "import json, sys, zipfile\n"
    "print(json.dumps(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]).decode('utf-8')))\n";

// Every zip entry in order: name, compression, checksum and a digest of the stored
// (compressed) bytes.
const char* const EntriesScript =
    "import hashlib, json, sys, zipfile\n"
    "path = sys.argv[1]\n"
    "out = []\n"
    "with zipfile.ZipFile(path) as z, open(path, 'rb') as f:\n"
    "    for info in z.infolist():\n"
    "        f.seek(info.header_offset + 26)\n"
    "        lengths = f.read(4)\n"
    "        f.seek(info.header_offset + 30 + int.from_bytes(lengths[:2], 'little') + "
    "int.from_bytes(lengths[2:], 'little'))\n"
    "        stored = hashlib.sha256(f.read(info.compress_size)).hexdigest()\n"
    "        out.append([info.filename, '%d %08x %s' % (info.compress_type, info.CRC, stored)])\n"
    "print(json.dumps(out))\n";

QString python() {
    static const QString found = [] {
        // Debian's interpreter carries python3-openpyxl even where another python3 comes first.
        for (const QString& candidate : {QStringLiteral("/usr/bin/python3"),
                                         QStandardPaths::findExecutable(QStringLiteral("python3"))}) {
            if (candidate.isEmpty()) {
                continue;
            }
            QProcess probe;
            probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
            if (probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit &&
                probe.exitCode() == 0) {
                return candidate;
            }
        }
        return QString();
    }();
    return found;
}

bool runPython(const char* script, const QStringList& arguments, QByteArray* output, QString* error) {
    QProcess process;
    process.start(python(), QStringList{QStringLiteral("-c"), QString::fromUtf8(script)} + arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *error = QString::fromUtf8(process.readAllStandardError());
        return false;
    }
    if (output) {
        *output = process.readAllStandardOutput();
    }
    return true;
}

QStringList toStringList(const QJsonArray& array) {
    QStringList list;
    for (const QJsonValue& value : array) {
        list.append(value.toString());
    }
    return list;
}

struct Dump {
    QMap<QString, QStringList> cells;
    QString dimension;
};

QStringList folderListing(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Takes capabilities out of the calling thread's effective set for the object's life, so that
// a test running as root meets the same permission checks as a user; they stay permitted and
// come back on destruction.
class WithoutCapabilities {
public:
    explicit WithoutCapabilities(std::initializer_list<int> capabilities) {
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_header.pid = 0;
        if (syscall(SYS_capget, &m_header, m_saved) != 0) {
            return;
        }
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        for (const int capability : capabilities) {
            reduced[capability / 32].effective &= ~(1u << (capability % 32));
        }
        m_header.version = _LINUX_CAPABILITY_VERSION_3;
        m_active = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~WithoutCapabilities() {
        if (m_active) {
            m_header.version = _LINUX_CAPABILITY_VERSION_3;
            syscall(SYS_capset, &m_header, m_saved);
        }
    }
    WithoutCapabilities(const WithoutCapabilities&) = delete;
    WithoutCapabilities& operator=(const WithoutCapabilities&) = delete;
    bool active() const { return m_active; }

private:
    __user_cap_header_struct m_header{};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};

// Makes writes past maxBytes fail with EFBIG instead of killing the process.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t maxBytes) {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = maxBytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

const QString Sheet = QStringLiteral("Tabelle1");
const QString SheetPart = QStringLiteral("xl/worksheets/sheet1.xml");

} // namespace

class tst_Workbook : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_root;
    int m_counter = 0;

    // A fresh folder for each workbook, so leftovers of a failed save can be seen.
    QString newPath(const QString& name = QStringLiteral("book.xlsx")) {
        const QString folder = m_root.filePath(QString::number(++m_counter));
        QDir().mkpath(folder);
        return folder + QLatin1Char('/') + name;
    }

    // Further arguments reach the snippet as sys.argv[3:].
    bool make(const QString& path, const QString& snippet, QString* error, const QStringList& extra = {}) {
        return runPython(MakeScript, QStringList{path, snippet} + extra, nullptr, error);
    }

    std::optional<QString> partText(const QString& path, const QString& part, QString* error) {
        QByteArray output;
        if (!runPython(PartScript, {path, part}, &output, error)) {
            return std::nullopt;
        }
        return QJsonDocument::fromJson("[" + output + "]").array().at(0).toString();
    }

    std::optional<Dump> dump(const QString& path, QString* error, const QString& part = SheetPart) {
        QByteArray output;
        if (!runPython(DumpScript, {path, part}, &output, error)) {
            return std::nullopt;
        }
        const QJsonObject object = QJsonDocument::fromJson(output).object();
        Dump result;
        const QJsonObject cells = object.value(QStringLiteral("cells")).toObject();
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            result.cells.insert(it.key(), toStringList(it.value().toArray()));
        }
        result.dimension = object.value(QStringLiteral("dimension")).toString();
        return result;
    }

    std::optional<QList<QPair<QString, QString>>> entries(const QString& path, QString* error) {
        QByteArray output;
        if (!runPython(EntriesScript, {path}, &output, error)) {
            return std::nullopt;
        }
        QList<QPair<QString, QString>> list;
        for (const QJsonValue& entry : QJsonDocument::fromJson(output).array()) {
            list.append({entry.toArray().at(0).toString(), entry.toArray().at(1).toString()});
        }
        return list;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        QVERIFY2(!python().isEmpty(),
                 "python3 with openpyxl (python3-openpyxl) is needed to make and read workbooks");
    }

    void toNumber_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("isNumber");
        QTest::addColumn<double>("value");

        QTest::newRow("German decimal comma") << "de_DE"
                                              << "12,5" << true << 12.5;
        QTest::newRow("decimal point under German") << "de_DE"
                                                    << "12.5" << true << 12.5;
        QTest::newRow("German negative") << "de_DE"
                                         << "-3,25" << true << -3.25;
        QTest::newRow("German grouping is not read") << "de_DE"
                                                     << "1.234" << true << 1.234;
        QTest::newRow("German grouped decimal is text") << "de_DE"
                                                        << "1.234,5" << false << 0.0;
        QTest::newRow("comma in C locale is text") << "C"
                                                   << "12,5" << false << 0.0;
        QTest::newRow("C grouping is text") << "C"
                                            << "1,234" << false << 0.0;
        QTest::newRow("integer") << "C"
                                 << "42" << true << 42.0;
        QTest::newRow("surrounding blanks") << "C"
                                            << " 7.5 " << true << 7.5;
        QTest::newRow("exponent") << "C"
                                  << "1e3" << true << 1000.0;
        QTest::newRow("unit is text") << "C"
                                      << "12.5 g" << false << 0.0;
        QTest::newRow("word") << "de_DE"
                              << "kg" << false << 0.0;
        QTest::newRow("infinity is text") << "C"
                                          << "inf" << false << 0.0;
        QTest::newRow("nan is text") << "C"
                                     << "nan" << false << 0.0;
        QTest::newRow("overflow is text") << "C"
                                          << "1e999" << false << 0.0;
        QTest::newRow("formula is text") << "C"
                                         << "=1+1" << false << 0.0;
    }

    void toNumber() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(bool, isNumber);
        QFETCH(double, value);
        const std::optional<double> number = Workbook::toNumber(text, QLocale(locale));
        QCOMPARE(number.has_value(), isNumber);
        if (isNumber) {
            QCOMPARE(*number, value);
        }
    }

    void appendRow_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("dimension");

        const QString abc = QStringLiteral("ws['A1'] = 'a'; ws['A2'] = 'b'; ws['A3'] = 'c'\n");
        const QStringList abcCells{"A1|str|a", "A2|str|b", "A3|str|c"};

        QTest::newRow("A1:A3 filled, shared strings")
            << QString(abc + "use_shared = True") << QStringList{"12,5", "kg"} << "de_DE" << 4
            << abcCells + QStringList{"A4|float|12.5", "B4|str|kg"} << "A1:B4";
        QTest::newRow("A1:A3 filled, inline strings")
            << abc << QStringList{"12,5", "kg"} << "de_DE" << 4
            << abcCells + QStringList{"A4|float|12.5", "B4|str|kg"} << "A1:B4";
        QTest::newRow("blank A cell reused, other cells kept")
            << QString(abc + "ws['A4'] = '   '; ws['B4'] = 'alt'; ws['C4'] = 'bleibt'; use_shared = True")
            << QStringList{"7", "neu"} << "C" << 4
            << abcCells + QStringList{"A4|int|7", "B4|str|neu", "C4|str|bleibt"} << "A1:C4";
        QTest::newRow("blank row between filled rows")
            << "ws['A1'] = 'a'; ws['A2'] = ' '; ws['A3'] = 'c'" << QStringList{"x"} << "C" << 2
            << QStringList{"A1|str|a", "A2|str|x", "A3|str|c"} << "A1:A3";
        QTest::newRow("missing row between filled rows")
            << "ws['A1'] = 'a'; ws['A3'] = 'c'" << QStringList{"x", "y"} << "C" << 2
            << QStringList{"A1|str|a", "A2|str|x", "B2|str|y", "A3|str|c"} << "A1:B3";
        QTest::newRow("row without an A cell")
            << "ws['A1'] = 'a'; ws['B2'] = 'b'; ws['C2'] = 'c'" << QStringList{"x"} << "C" << 2
            << QStringList{"A1|str|a", "A2|str|x", "B2|str|b", "C2|str|c"} << "A1:C2";
        QTest::newRow("empty sheet") << "" << QStringList{"1"} << "C" << 1 << QStringList{"A1|int|1"} << "A1";
        QTest::newRow("empty fields skip columns")
            << "ws['A1'] = 'a'" << QStringList{"", "kg", "", "5", ""} << "C" << 2
            << QStringList{"A1|str|a", "B2|str|kg", "D2|int|5"} << "A1:D2";
        QTest::newRow("decimal point under German locale")
            << "ws['A1'] = 'a'" << QStringList{"12.5"} << "de_DE" << 2
            << QStringList{"A1|str|a", "A2|float|12.5"} << "A1:A2";
        QTest::newRow("decimal comma under C locale is text")
            << "ws['A1'] = 'a'" << QStringList{"12,5"} << "C" << 2 << QStringList{"A1|str|a", "A2|str|12,5"}
            << "A1:A2";
        QTest::newRow("grouped German number is text")
            << "ws['A1'] = 'a'" << QStringList{"1.234,5", "-3,5"} << "de_DE" << 2
            << QStringList{"A1|str|a", "A2|str|1.234,5", "B2|float|-3.5"} << "A1:B2";
        QTest::newRow("shortest round trip")
            << "ws['A1'] = 'a'" << QStringList{"0.1", "0.30000000000000004", "1E20", "-0.000001"} << "C" << 2
            << QStringList{"A1|str|a", "A2|float|0.1", "B2|float|0.30000000000000004", "C2|float|1e+20",
                           "D2|float|-1e-06"}
            << "A1:D2";
        QTest::newRow("text stays text")
            << "ws['A1'] = 'a'" << QStringList{"12,5 kg", "  spaced  ", "0x10"} << "C" << 2
            << QStringList{"A1|str|a", "A2|str|12,5 kg", "B2|str|  spaced  ", "C2|str|0x10"} << "A1:C2";
        QTest::newRow("formula text is not a formula")
            << "ws['A1'] = 'a'" << QStringList{"=SUM(A1:A3)", "=1+1"} << "C" << 2
            << QStringList{"A1|str|a", "A2|str|=SUM(A1:A3)", "B2|str|=1+1"} << "A1:B2";
        QTest::newRow("markup characters")
            << "ws['A1'] = 'a'" << QStringList{"<a & b>", "\"q\" 'r' ]]>"} << "C" << 2
            << QStringList{"A1|str|a", "A2|str|<a & b>", "B2|str|\"q\" 'r' ]]>"} << "A1:B2";
        QTest::newRow("control characters")
            << "ws['A1'] = 'a'"
            << QStringList{QStringLiteral("a\x01"
                                          "b\x0b"
                                          "c\x1f"),
                           QStringLiteral("x\ty"), QStringLiteral("l1\r\nl2")}
            << "C" << 2 << QStringList{"A1|str|a", "A2|str|abc", "B2|str|x\ty", "C2|str|l1\r\nl2"} << "A1:C2";
        QTest::newRow("unpaired surrogate")
            << "ws['A1'] = 'a'"
            << QStringList{QString(QString(QChar(0xD800)) + "z"), QString::fromUtf8("\xF0\x9F\x98\x80 ä")}
            << "C" << 2 << QStringList{"A1|str|a", "A2|str|z", QString::fromUtf8("B2|str|\xF0\x9F\x98\x80 ä")}
            << "A1:B2";
        QTest::newRow("only control characters leave A blank")
            << "ws['A1'] = 'a'" << QStringList{QStringLiteral("\x01"), "kg"} << "C" << 2
            << QStringList{"A1|str|a", "B2|str|kg"} << "A1:B2";
        QTest::newRow("style of a replaced cell kept")
            << "ws['A1'] = 'a'; ws['A2'] = ' '; ws['A2'].font = Font(bold=True)" << QStringList{"x"} << "C"
            << 2 << QStringList{"A1|str|a", "A2|str|x|bold"} << "A1:A2";
        QTest::newRow("formula without value in A is kept")
            << "ws['A1'] = 'a'; ws['A2'] = '=1+1'" << QStringList{"x"} << "C" << 3
            << QStringList{"A1|str|a", "A2|formula|=1+1", "A3|str|x"} << "A1:A3";
        QTest::newRow("tab in A is not blank") << "ws['A1'] = '\\t'" << QStringList{"x"} << "C" << 2
                                               << QStringList{"A1|str|\t", "A2|str|x"} << "A1:A2";

        // Parts written by hand, for forms openpyxl does not produce.
        QTest::newRow("rows without numbers")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row>' + inline(None, 'a') + '</row><row>' + "
               "inline(None, "
               "'b') + '</row>', 'A1:A2')"
            << QStringList{"x"} << "C" << 3 << QStringList{"A1|str|a", "A2|str|b", "A3|str|x"} << "A1:A3";
        QTest::newRow("rows out of order")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"3\">' + inline('A3', 'c') + "
               "'</row><row r=\"1\">' "
               "+ inline('A1', 'a') + '</row><row r=\"2\">' + inline('A2', 'b') + '</row>')"
            << QStringList{"x"} << "C" << 4 << abcCells + QStringList{"A4|str|x"} << "";
        QTest::newRow("row number only on a later row")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row>' + inline(None, 'a') + '</row><row "
               "r=\"3\">' + "
               "inline(None, 'c') + '</row><row>' + inline(None, 'd') + '</row>', 'A1:A4')"
            << QStringList{"x"} << "C" << 2 << QStringList{"A1|str|a", "A2|str|x", "A3|str|c", "A4|str|d"}
            << "A1:A4";
        QTest::newRow("cells without references keep their columns")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row>' + inline(None, 'a') + '</row><row><c/>' "
               "+ "
               "inline(None, 'keep') + '<c/>' + inline(None, 'd') + '</row>', 'A1:D2')"
            << QStringList{"x", "", "z"} << "C" << 2
            << QStringList{"A1|str|a", "A2|str|x", "B2|str|keep", "C2|str|z", "D2|str|d"} << "A1:D2";
        QTest::newRow("cells out of order")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"1\">' + inline('A1', 'a') + "
               "'</row><row r=\"2\">' "
               "+ inline('C2', 'keep') + inline('A2', '  ') + inline('B2', 'old') + '</row>', 'A1:C2')"
            << QStringList{"x", "y"} << "C" << 2
            << QStringList{"A1|str|a", "A2|str|x", "B2|str|y", "C2|str|keep"} << "A1:C2";
        QTest::newRow("blank rich inline string")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"1\">' + inline('A1', 'a') + "
               "'</row><row r=\"2\"><c "
               "r=\"A2\" t=\"inlineStr\"><is><r><t> </t></r><r><t xml:space=\"preserve\">  "
               "</t></r></is></c></row>', 'A1:A2')"
            << QStringList{"x"} << "C" << 2 << QStringList{"A1|str|a", "A2|str|x"} << "A1:A2";
        QTest::newRow("rich shared strings")
            << "shared = ['<r><t>a</t></r><r><t>b</t></r>', '<r><t xml:space=\"preserve\"> </t></r><r><t "
               "xml:space=\"preserve\"> </t></r>', '<t>c</t>']\n"
               "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"1\"><c r=\"A1\" "
               "t=\"s\"><v>0</v></c></row><row "
               "r=\"2\"><c r=\"A2\" t=\"s\"><v>1</v></c><c r=\"B2\" t=\"s\"><v>2</v></c></row>', 'A1:B2')"
            << QStringList{"x"} << "C" << 2 << QStringList{"A1|str|ab", "A2|str|x", "B2|str|c"} << "A1:B2";
        QTest::newRow("space written as character reference")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"1\">' + inline('A1', '&#32;&#x20;') + "
               "'</row><row r=\"2\">' + inline('A2', '&amp;') + '</row>')"
            << QStringList{"x"} << "C" << 1 << QStringList{"A1|str|x", "A2|str|&"} << "";
        QTest::newRow("UTF-8 sheet with byte order mark")
            << "raw['xl/worksheets/sheet1.xml'] = b'\\xef\\xbb\\xbf' + sheet_xml('<row r=\"1\">' + "
               "inline('A1', 'ä') + "
               "'</row>', 'A1').encode('utf-8')"
            << QStringList{"x"} << "C" << 2 << QStringList{"A1|str|ä", "A2|str|x"} << "A1:A2";
        QTest::newRow("UTF-16 sheet")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"1\">' + inline('A1', 'ä') + '</row>', "
               "'A1').replace('UTF-8', 'UTF-16').encode('utf-16')"
            << QStringList{"x"} << "C" << 2 << QStringList{"A1|str|ä", "A2|str|x"} << "A1:A2";
        QTest::newRow("prefixed elements")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"1\"><c r=\"A1\"><v>1</v></c></row><row "
               "r=\"2\"><c r=\"A2\"><v>2</v></c></row>', 'A1:A2', prefix='x')"
            << QStringList{"3", "kg"} << "C" << 3
            << QStringList{"A1|int|1", "A2|int|2", "A3|int|3", "B3|str|kg"} << "A1:B3";
    }

    void appendRow() {
        QFETCH(QString, setup);
        QFETCH(QStringList, fields);
        QFETCH(QString, locale);
        QFETCH(int, row);
        QFETCH(QStringList, cells);
        QFETCH(QString, dimension);

        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, setup, &error), qPrintable(error));

        const Workbook::Result result = Workbook::appendRow(path, Sheet, fields, QLocale(locale));
        QVERIFY2(result.ok(), qPrintable(result.detail));
        QCOMPARE(result.row, row);

        const std::optional<Dump> after = dump(path, &error);
        QVERIFY2(after, qPrintable(error));
        QCOMPARE(after->cells.value(Sheet), cells);
        QCOMPARE(after->dimension, dimension);
        QCOMPARE(folderListing(QFileInfo(path).absolutePath()), QStringList{"book.xlsx"});
    }

    void otherPartsUnchanged_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("sheetPart");

        const QString rich = QStringLiteral(
            "ws['A1'] = 'Gewicht'; ws['A1'].font = Font(bold=True); ws['B1'] = 2.5; ws['C1'] = '=B1*2'\n"
            "other = wb.create_sheet('Daten'); other['A1'] = 'x'; other['B1'] = '=SUM(Tabelle1!B1:B9)'\n"
            "wb.create_sheet('Leer')\n");
        QTest::newRow("sheets, styles, formulas, shared strings")
            << QString(rich + "use_shared = True") << SheetPart;
        QTest::newRow("stored entries") << QString(rich + "compression = zipfile.ZIP_STORED") << SheetPart;
        QTest::newRow("Tabelle1 not the first sheet")
            << "ws.title = 'Erste'; ws['A1'] = 'first'; t = wb.create_sheet('Tabelle1'); t['A1'] = 'a'; "
               "t['C1'] = "
               "'=A1'; use_shared = True"
            << "xl/worksheets/sheet2.xml";
    }

    void otherPartsUnchanged() {
        QFETCH(QString, setup);
        QFETCH(QString, sheetPart);

        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, setup, &error), qPrintable(error));
        const auto before = entries(path, &error);
        QVERIFY2(before, qPrintable(error));
        const std::optional<Dump> cellsBefore = dump(path, &error, sheetPart);
        QVERIFY2(cellsBefore, qPrintable(error));

        const Workbook::Result result =
            Workbook::appendRow(path, Sheet, {"1,5", "g"}, QLocale(QStringLiteral("de_DE")));
        QVERIFY2(result.ok(), qPrintable(result.detail));

        const auto after = entries(path, &error);
        QVERIFY2(after, qPrintable(error));
        QCOMPARE(after->size(), before->size());
        bool sheetSeen = false;
        for (qsizetype at = 0; at < before->size(); ++at) {
            QCOMPARE(after->at(at).first, before->at(at).first);
            if (before->at(at).first == sheetPart) {
                sheetSeen = true;
                QVERIFY(after->at(at).second != before->at(at).second);
            } else {
                QCOMPARE(after->at(at).second, before->at(at).second);
            }
        }
        QVERIFY(sheetSeen);

        const std::optional<Dump> cellsAfter = dump(path, &error, sheetPart);
        QVERIFY2(cellsAfter, qPrintable(error));
        for (auto it = cellsBefore->cells.begin(); it != cellsBefore->cells.end(); ++it) {
            if (it.key() != Sheet) {
                QCOMPARE(cellsAfter->cells.value(it.key()), it.value());
            }
        }
        const QStringList written = cellsAfter->cells.value(Sheet);
        QCOMPARE(written.mid(0, written.size() - 2), cellsBefore->cells.value(Sheet));
        QCOMPARE(written.mid(written.size() - 2), (QStringList{"A2|float|1.5", "B2|str|g"}));
    }

    void faults_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("error");

        QTest::newRow("missing file") << "" << QByteArray() << false << int(Error::FileMissing);
        QTest::newRow("empty file") << "" << QByteArray() << true << int(Error::NotAZip);
        QTest::newRow("text file") << "" << QByteArray("Gewicht;12,5\r\n") << true << int(Error::NotAZip);
        QTest::newRow("zip without workbook")
            << "wb.save(path); drop = {n for n in zipfile.ZipFile(path).namelist()}; raw['hello.txt'] = 'hi'"
            << QByteArray() << true << int(Error::CorruptPackage);
        QTest::newRow("workbook part missing")
            << "drop = {'xl/workbook.xml'}" << QByteArray() << true << int(Error::CorruptPackage);
        QTest::newRow("no sheet Tabelle1")
            << "ws.title = 'Sheet1'; ws['A1'] = 'a'" << QByteArray() << true << int(Error::SheetMissing);
        QTest::newRow("Tabelle1 is a chart sheet") << "ws.title = 'Daten'; wb.create_chartsheet('Tabelle1')"
                                                   << QByteArray() << true << int(Error::SheetMissing);
        QTest::newRow("sheet part missing") << "ws['A1'] = 'a'; drop = {'xl/worksheets/sheet1.xml'}"
                                            << QByteArray() << true << int(Error::CorruptPackage);
        QTest::newRow("malformed sheet")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"1\"><c r=\"A1\"><v>1</v></c>')"
            << QByteArray() << true << int(Error::CorruptPackage);
        QTest::newRow("unreadable cell reference")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"1\"><c r=\"1A\"><v>1</v></c></row>')"
            << QByteArray() << true << int(Error::CorruptPackage);
        QTest::newRow("unreadable row number")
            << "raw['xl/worksheets/sheet1.xml'] = sheet_xml('<row r=\"x\"><c r=\"A1\"><v>1</v></c></row>')"
            << QByteArray() << true << int(Error::CorruptPackage);
        QTest::newRow("malformed workbook part") << "raw['xl/workbook.xml'] = '<workbook><sheets>'"
                                                 << QByteArray() << true << int(Error::CorruptPackage);
        QTest::newRow("malformed shared strings")
            << "ws['A1'] = 'a'; use_shared = True; raw['xl/sharedStrings.xml'] = '<sst><si><t>a</si>'"
            << QByteArray() << true << int(Error::CorruptPackage);
        QTest::newRow("damaged sheet data") << "ws['A1'] = 'a' * 2000; damage = {'xl/worksheets/sheet1.xml'}"
                                            << QByteArray() << true << int(Error::CorruptPackage);
    }

    void faults() {
        QFETCH(QString, setup);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, exists);
        QFETCH(int, error);

        const QString path = newPath();
        QString pythonError;
        if (!setup.isEmpty()) {
            QVERIFY2(make(path, setup, &pythonError), qPrintable(pythonError));
        } else if (exists) {
            QVERIFY(TestFiles::write(path, bytes));
        }
        const QByteArray original = TestFiles::read(path);

        const Workbook::Result result = Workbook::appendRow(path, Sheet, {"1", "x"});
        QCOMPARE(int(result.error), error);
        QCOMPARE(result.row, 0);
        QVERIFY(!result.detail.isEmpty());
        QCOMPARE(QFileInfo::exists(path), exists);
        QCOMPARE(TestFiles::read(path), original);
        QCOMPARE(folderListing(QFileInfo(path).absolutePath()),
                 exists ? QStringList{"book.xlsx"} : QStringList{});
    }

    void folderInsteadOfFile() {
        const QString path = newPath();
        QVERIFY(QDir().mkpath(path));
        const Workbook::Result result = Workbook::appendRow(path, Sheet, {"1"});
        QCOMPARE(result.error, Error::ReadFailed);
        QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(folderListing(path), QStringList{});
    }

    void truncatedFile() {
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "ws['A1'] = 'a'", &error), qPrintable(error));
        const QByteArray whole = TestFiles::read(path);
        const QByteArray half = whole.left(whole.size() / 2);
        QVERIFY(TestFiles::write(path, half));

        const Workbook::Result result = Workbook::appendRow(path, Sheet, {"1"});
        QVERIFY(result.error == Error::NotAZip || result.error == Error::CorruptPackage);
        QCOMPARE(TestFiles::read(path), half);
    }

    void readOnlyFolder() {
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "ws['A1'] = 'a'", &error), qPrintable(error));
        const QByteArray original = TestFiles::read(path);
        const QString folder = QFileInfo(path).absolutePath();
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0555) == 0);
        Workbook::Result result;
        {
            // Root writes anywhere unless it gives up overriding permissions.
            std::optional<WithoutCapabilities> user;
            if (::geteuid() == 0) {
                user.emplace(std::initializer_list<int>{CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER});
                QVERIFY(user->active());
            }
            QFile probe(folder + QStringLiteral("/probe"));
            QVERIFY2(!probe.open(QIODevice::WriteOnly), "the folder must not be writable for this test");
            result = Workbook::appendRow(path, Sheet, {"1"});
        }
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        QCOMPARE(result.error, Error::WriteFailed);
        QCOMPARE(result.row, 0);
        QCOMPARE(TestFiles::read(path), original);
        QCOMPARE(folderListing(folder), QStringList{"book.xlsx"});
    }

    void temporaryFileWriteFails() {
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "ws['A1'] = 'a'", &error), qPrintable(error));
        const QByteArray original = TestFiles::read(path);
        Workbook::Result result;
        {
            // The new package is about as large as the old one, so it cannot be written in full.
            FileSizeLimit limit(rlim_t(original.size() / 2));
            QVERIFY(limit.active());
            result = Workbook::appendRow(path, Sheet, {"1"});
        }
        QCOMPARE(result.error, Error::WriteFailed);
        QCOMPARE(TestFiles::read(path), original);
        QCOMPARE(folderListing(QFileInfo(path).absolutePath()), QStringList{"book.xlsx"});
    }

    void renameFails() {
        if (::geteuid() != 0) {
            QSKIP("a workbook owned by another user in a shared folder needs root to set up");
        }
        // In a sticky folder only a file's owner may replace it: the temporary file can be
        // written, the rename over the other user's workbook is refused.
        const QString made = newPath();
        QString error;
        QVERIFY2(make(made, "ws['A1'] = 'a'", &error), qPrintable(error));
        const QByteArray original = TestFiles::read(made);
        const QString folder = m_root.filePath(QStringLiteral("sticky"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/book.xlsx");
        QVERIFY(TestFiles::write(path, original));
        const uid_t nobody = 65534;
        QVERIFY(::chown(QFile::encodeName(path).constData(), nobody, nobody) == 0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0);
        QVERIFY(::chown(QFile::encodeName(folder).constData(), nobody, nobody) == 0);
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 01777) == 0);

        Workbook::Result result;
        {
            WithoutCapabilities user({CAP_CHOWN, CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER});
            QVERIFY(user.active());
            const QString probe = folder + QStringLiteral("/probe");
            QVERIFY(TestFiles::write(probe, "x"));
            const bool renamed =
                ::rename(QFile::encodeName(probe).constData(), QFile::encodeName(path).constData()) == 0;
            QFile::remove(probe);
            QVERIFY2(!renamed, "replacing the other user's file must be refused for this test");
            result = Workbook::appendRow(path, Sheet, {"1"});
        }
        QCOMPARE(result.error, Error::WriteFailed);
        QCOMPARE(TestFiles::read(path), original);
        QCOMPARE(folderListing(folder), QStringList{"book.xlsx"});
    }

    void repeatedAppends() {
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "ws['A1'] = 'a'; ws['A2'] = 'b'; ws['A3'] = 'c'; use_shared = True", &error),
                 qPrintable(error));
        QStringList expected{"A1|str|a", "A2|str|b", "A3|str|c"};
        for (int n = 0; n < 3; ++n) {
            const Workbook::Result result =
                Workbook::appendRow(path, Sheet, {QString::number(n) + ",5", "Probe " + QString::number(n)},
                                    QLocale(QStringLiteral("de_DE")));
            QVERIFY2(result.ok(), qPrintable(result.detail));
            QCOMPARE(result.row, 4 + n);
            const QString row = QString::number(4 + n);
            expected << "A" + row + "|float|" + QString::number(n) + ".5"
                     << "B" + row + "|str|Probe " + QString::number(n);
        }
        const std::optional<Dump> after = dump(path, &error);
        QVERIFY2(after, qPrintable(error));
        QCOMPARE(after->cells.value(Sheet), expected);
        QCOMPARE(after->dimension, QStringLiteral("A1:B6"));
    }

    void sourceFormKept() {
        // Entity references, comments, line ends and quoting of the parts not written stay as
        // they were; a single-quoted value holding a double quote is still well-formed.
        const QString sheet = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
            "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">\r\n"
            "<sheetPr codeName='x\"y'/>\r\n<dimension ref=\"A1:B1\"/>\r\n<sheetData>\r\n<!-- kept -->\r\n"
            "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&lt;b&gt; &amp;&#13;</t></is></c>"
            "<c r='B1' t=\"inlineStr\"><is><t xml:space=\"preserve\">  two  </t></is></c></row>\r\n"
            "</sheetData>\r\n</worksheet>");
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "raw['xl/worksheets/sheet1.xml'] = sys.argv[3]", &error, {sheet}),
                 qPrintable(error));

        const Workbook::Result result = Workbook::appendRow(path, Sheet, {"x"});
        QVERIFY2(result.ok(), qPrintable(result.detail));
        QCOMPARE(result.row, 2);

        const std::optional<Dump> after = dump(path, &error);
        QVERIFY2(after, qPrintable(error));
        QCOMPARE(after->cells.value(Sheet), (QStringList{"A1|str|<b> &\r", "B1|str|  two  ", "A2|str|x"}));
        QCOMPARE(after->dimension, QStringLiteral("A1:B2"));
        const std::optional<QString> written = partText(path, SheetPart, &error);
        QVERIFY2(written, qPrintable(error));
        QVERIFY(written->startsWith(sheet.left(sheet.indexOf(QStringLiteral("<sheetPr")))));
        QVERIFY(written->contains(QStringLiteral("codeName=\"x&quot;y\"")));
        QVERIFY(
            written->contains(QStringLiteral("<sheetData>\r\n<!-- kept -->\r\n<row r=\"1\"><c r=\"A1\" "
                                             "t=\"inlineStr\"><is><t>&lt;b&gt; &amp;&#13;</t></is></c>")));
        QVERIFY(written->contains(QStringLiteral("</row>\r\n</sheetData>\r\n</worksheet>")));
    }

    void severalRowsInOneSave() {
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "ws['A1'] = 'a'; ws['A3'] = 'c'", &error), qPrintable(error));
        Workbook workbook;
        QCOMPARE(workbook.open(path, Sheet), Error::None);
        QCOMPARE(workbook.firstEmptyRow(), 2);
        QCOMPARE(workbook.writeRow(2, {"1"}, QLocale::c()), Error::None);
        QCOMPARE(workbook.firstEmptyRow(), 4);
        QCOMPARE(workbook.writeRow(4, {"", "no A"}, QLocale::c()), Error::None);
        QCOMPARE(workbook.firstEmptyRow(), 4);
        QCOMPARE(workbook.writeRow(4, {"2"}, QLocale::c()), Error::None);
        QCOMPARE(workbook.firstEmptyRow(), 5);
        QCOMPARE(workbook.save(), Error::None);

        const std::optional<Dump> after = dump(path, &error);
        QVERIFY2(after, qPrintable(error));
        QCOMPARE(after->cells.value(Sheet),
                 (QStringList{"A1|str|a", "A2|int|1", "A3|str|c", "A4|int|2", "B4|str|no A"}));
    }

    void sheetNameWithoutCase() {
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "ws.title = 'Daten'; wb.create_sheet('TABELLE1')['A1'] = 'a'", &error),
                 qPrintable(error));
        const Workbook::Result result = Workbook::appendRow(path, Sheet, {"x"});
        QVERIFY2(result.ok(), qPrintable(result.detail));
        const std::optional<Dump> after = dump(path, &error);
        QVERIFY2(after, qPrintable(error));
        QCOMPARE(after->cells.value(QStringLiteral("TABELLE1")), (QStringList{"A1|str|a", "A2|str|x"}));
    }

    void nothingToWrite() {
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "ws['A1'] = 'a'", &error), qPrintable(error));
        const QByteArray original = TestFiles::read(path);
        const QDateTime modified = QFileInfo(path).lastModified();
        const Workbook::Result result = Workbook::appendRow(path, Sheet, {"", ""});
        QVERIFY2(result.ok(), qPrintable(result.detail));
        QCOMPARE(result.row, 2);
        QCOMPARE(TestFiles::read(path), original);
        QCOMPARE(QFileInfo(path).lastModified(), modified);
    }

    void permissionsKept() {
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "ws['A1'] = 'a'", &error), qPrintable(error));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0604) == 0);
        QVERIFY(Workbook::appendRow(path, Sheet, {"1"}).ok());
        struct stat info;
        QVERIFY(::stat(QFile::encodeName(path).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0604));
    }

    void symbolicLinkKept() {
        const QString target = newPath();
        QString error;
        QVERIFY2(make(target, "ws['A1'] = 'a'", &error), qPrintable(error));
        const QString link = newPath(QStringLiteral("link.xlsx"));
        QVERIFY(QFile::link(target, link));
        const Workbook::Result result = Workbook::appendRow(link, Sheet, {"1"});
        QVERIFY2(result.ok(), qPrintable(result.detail));
        QVERIFY(QFileInfo(link).isSymLink());
        const std::optional<Dump> after = dump(target, &error);
        QVERIFY2(after, qPrintable(error));
        QCOMPARE(after->cells.value(Sheet), (QStringList{"A1|str|a", "A2|int|1"}));
    }

    void systemLocaleByDefault() {
        // Whatever the system locale is, a number it writes is read as a number.
        const QString path = newPath();
        QString error;
        QVERIFY2(make(path, "ws['A1'] = 'a'", &error), qPrintable(error));
        const QString field = QLocale::system().toString(2.5);
        const Workbook::Result result = Workbook::appendRow(path, Sheet, {field});
        QVERIFY2(result.ok(), qPrintable(result.detail));
        const std::optional<Dump> after = dump(path, &error);
        QVERIFY2(after, qPrintable(error));
        QCOMPARE(after->cells.value(Sheet), (QStringList{"A1|str|a", "A2|float|2.5"}));
    }
};

QTEST_GUILESS_MAIN(tst_Workbook)
#include "tst_Workbook.moc"
