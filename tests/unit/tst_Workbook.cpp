#include "base/delivery/AppendableDeflate.h"
#include "base/delivery/DeliveryProblem.h"
#include "base/delivery/Workbook.h"
#include "base/delivery/WorkbookSink.h"
#include "base/delivery/WorksheetXml.h"
#include "base/delivery/ZipPackage.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

using Error = Workbook::Error;

using namespace Qt::StringLiterals;

namespace {

const QString Sheet = QStringLiteral("Tabelle1");
const QString FirstSheet = QStringLiteral("xl/worksheets/sheet1.xml");
const QString Script = QStringLiteral(KELVANE_SOURCE_DIR "/tests/data/workbook.py");

// The lines of a dump that begin with prefix, without it.
QStringList linesOf(const QStringList& dump, const QString& prefix) {
    const QRegularExpression start(u'^' + QRegularExpression::escape(prefix));
    return QStringList(dump.filter(start)).replaceInStrings(start, QString());
}

QStringList listing(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

// Workbooks are made and read back by openpyxl through tests/data/workbook.py.
class tst_Workbook : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    int m_count = 0;
    QString m_error;

    // A fresh folder for each workbook, so that leftovers of a failed save show.
    QString newPath() {
        const QString folder = m_root.filePath(QString::number(++m_count));
        QDir().mkpath(folder);
        return folder + QStringLiteral("/book.xlsx");
    }

    bool python(const QStringList& arguments, QByteArray* output = nullptr) {
        QProcess process;
        process.start(QStringLiteral("/usr/bin/python3"), arguments);
        const bool ok = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
                        process.exitCode() == 0;
        m_error = QString::fromUtf8(process.readAllStandardError());
        if (output) {
            *output = process.readAllStandardOutput();
        }
        return ok;
    }

    bool make(const QString& path, const QString& snippet) { return python({Script, "make", path, snippet}); }

    // The uncompressed bytes of one part; empty when the package or part cannot be read.
    static QByteArray partOf(const QString& path, const QString& part) {
        ZipPackage package;
        if (package.open(TestFiles::read(path)) != ZipPackage::Status::Ok) {
            return {};
        }
        const std::optional<std::uint64_t> index = package.find(part);
        return index ? package.read(*index).value_or(QByteArray()) : QByteArray();
    }

    // Empty when the workbook cannot be read; m_error says why.
    QStringList dump(const QString& path, const QString& part = FirstSheet) {
        QByteArray output;
        python({Script, "dump", path, part}, &output);
        return QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        // Open for the other file system user of atomicSave().
        QCOMPARE(::chmod(QFile::encodeName(m_root.path()).constData(), 0755), 0);
        QVERIFY2(python({"-c", "import openpyxl"}), "python3-openpyxl makes and reads the workbooks");
    }

    void appendRow_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("dimension");
        using L = QStringList;
        const QString abc = QStringLiteral("ws['A1'] = 'a'; ws['A2'] = 'b'; ws['A3'] = 'c'\n");
        const L abcCells{"A1|str|a", "A2|str|b", "A3|str|c"}, a{"A1|str|a"};
        QTest::newRow("shared strings") << abc + "shared = True" << L{"12,5", "kg"} << "de_DE" << 4
                                        << abcCells + L{"A4|float|12.5", "B4|str|kg"} << "A1:B4";
        QTest::newRow("blank A reused, other cells kept")
            << abc + "ws['A4'] = '   '; ws['B4'] = 'old'; ws['C4'] = 'kept'; shared = True" << L{"7", "new"}
            << "C" << 4 << abcCells + L{"A4|int|7", "B4|str|new", "C4|str|kept"} << "A1:C4";
        QTest::newRow("missing row between") << "ws['A1'] = 'a'; ws['A3'] = 'c'" << L{"x", "y"} << "C" << 2
                                             << L{"A1|str|a", "A2|str|x", "B2|str|y", "A3|str|c"} << "A1:B3";
        QTest::newRow("empty sheet") << "" << L{"1"} << "C" << 1 << L{"A1|int|1"} << "A1";
        QTest::newRow("empty fields keep their columns, past Z")
            << "ws['A1'] = 'a'" << L{"", "kg", "", "5"} + L(23, QString()) + L{"z", ""} << "C" << 2
            << a + L{"B2|str|kg", "D2|int|5", "AB2|str|z"} << "A1:AB2";
        QTest::newRow("numbers in C") << "ws['A1'] = 'a'" << L{"12,5", "0.1", "1E20"} << "C" << 2
                                      << a + L{"A2|str|12,5", "B2|float|0.1", "C2|float|1e+20"} << "A1:C2";
        QTest::newRow("numbers in German")
            << "ws['A1'] = 'a'" << L{"-3,25", "1.234", "1.234,5", "1e999", "=1+1"} << "de_DE" << 2
            << a + L{"A2|float|-3.25", "B2|float|1.234", "C2|str|1.234,5", "D2|str|1e999", "E2|str|=1+1"}
            << "A1:E2";
        QTest::newRow("column style for a new cell")
            << "ws['A1'] = 'a'; ws.column_dimensions['B'].font = Font(bold=True)" << L{"x", "y"} << "C" << 2
            << a + L{"A2|str|x", "B2|str|y|bold"} << "A1:B2";
        QTest::newRow("markup and control characters")
            << "ws['A1'] = 'a'" << L{"<a & b>", QString("a\x01z\x0b"), "x\ty", QString("\x01"), "z"} << "C"
            << 2 << a + L{"A2|str|<a & b>", "B2|str|az", "C2|str|x\ty", "E2|str|z"} << "A1:E2";
        QTest::newRow("style of a replaced cell kept")
            << "ws['A1'] = 'a'; ws['A2'] = ' '; ws['A2'].font = Font(bold=True)" << L{"x"} << "C" << 2
            << a + L{"A2|str|x|bold"} << "A1:A2";
        QTest::newRow("formula in A is kept") << "ws['A1'] = 'a'; ws['A2'] = '=1+1'" << L{"x"} << "C" << 3
                                              << a + L{"A2|formula|=1+1", "A3|str|x"} << "A1:A3";
        QTest::newRow("rows without numbers")
            << "raw['xl/worksheets/sheet1.xml'] = sheet('<row>' + inline(None, 'a') + '</row><row>' + "
               "inline(None, ' ') + '</row><row>' + inline(None, 'c') + '</row>')"
            << L{"x"} << "C" << 2 << L{"A1|str|a", "A2|str|x", "A3|str|c"} << "";
        QTest::newRow("rows and cells out of order")
            << "raw['xl/worksheets/sheet1.xml'] = sheet('<row r=\"2\">' + inline('C2', 'kept') + "
               "inline('A2', ' ') + '</row><row r=\"1\">' + inline('A1', 'a') + '</row>')"
            << L{"x", "y"} << "C" << 2 << L{"A1|str|a", "A2|str|x", "B2|str|y", "C2|str|kept"} << "";
        QTest::newRow("lower-case references")
            << "raw['xl/worksheets/sheet1.xml'] = sheet('<row r=\"1\">' + inline('a1', 'a') + '</row><row "
               "r=\"2\">' + "
               "inline('a2', ' ') + inline('c2', 'kept') + '</row>')"
            << L{"x", "y"} << "C" << 2 << L{"A1|str|a", "A2|str|x", "B2|str|y", "C2|str|kept"} << "";
        QTest::newRow("blank by entities, a leading blank no")
            << "raw['xl/worksheets/sheet1.xml'] = sheet('<row>' + inline(None, ' a') + '</row><row>' + "
               "inline(None, '&#x20;&#32;_x0020_') + '</row>')"
            << L{"x"} << "C" << 2 << L{"A1|str| a", "A2|str|x"} << "";
        QTest::newRow("spans widened")
            << "raw['xl/worksheets/sheet1.xml'] = sheet('<row r=\"1\" spans=\"1:1\">' + inline('A1', 'a') + "
               "'</row><row r=\"2\" spans=\"2:2\">' + inline('B2', 'b') + '</row>')"
            << L{"x", "", "z"} << "C" << 2 << L{"A1|str|a", "A2|str|x", "B2|str|b", "C2|str|z"}
            << " 1=1:1 2=1:3";
        QTest::newRow("blank rich shared string")
            << "shared = True\nraw['xl/worksheets/sheet1.xml'] = sheet('<row r=\"1\"><c r=\"A1\" "
               "t=\"s\"><v>0</v></c>"
               "</row><row r=\"2\"><c r=\"A2\" t=\"s\"><v>1</v></c></row>')\n"
               "raw['xl/sharedStrings.xml'] = '<sst %s><si><t>a</t></si><si><r><t xml:space=\"preserve\"> "
               "</t></r>"
               "<r><t> </t></r></si></sst>' % NS"
            << L{"x"} << "C" << 2 << L{"A1|str|a", "A2|str|x"} << "";
        const QString others = QStringLiteral(
            "other = wb.create_sheet('Daten'); other['A1'] = 'x'; other['B1'] = '=SUM(Tabelle1!B1:B9)'\n");
        QTest::newRow("other sheets, styles and formulas")
            << others + "ws['A1'] = 'W'; ws['A1'].font = Font(bold=True); ws['B1'] = 2.5; ws['C1'] = '=B1'; "
                        "shared = True"
            << L{"1,5", "g"} << "de_DE" << 2
            << L{"A1|str|W|bold", "B1|float|2.5", "C1|formula|=B1", "A2|float|1.5", "B2|str|g"} << "A1:C2";
        QTest::newRow("Tabelle1 not the first sheet")
            << others + "ws.title = 'Erste'; t = wb.create_sheet('Tabelle1'); t['A1'] = 'a'; t['C1'] = '=A1'"
            << L{"1,5", "g"} << "de_DE" << 2 << L{"A1|str|a", "C1|formula|=A1", "A2|float|1.5", "B2|str|g"}
            << "A1:A1";
    }

    void appendRow() {
        QFETCH(QString, setup);
        QFETCH(QStringList, fields);
        QFETCH(QString, locale);
        QFETCH(QString, dimension);
        const QString path = newPath();
        QVERIFY2(make(path, setup), qPrintable(m_error));
        const QStringList before = dump(path);
        const Workbook::Result result = Workbook::appendRow(path, Sheet, fields, QLocale(locale));
        QVERIFY2(result.ok(), qPrintable(result.detail));
        QTEST(result.row, "row");
        const QStringList after = dump(path);
        QVERIFY2(!after.isEmpty(), qPrintable(m_error));
        QTEST(linesOf(after, Sheet + u'!'), "cells");
        QCOMPARE(linesOf(after, QStringLiteral("dimension ")), QStringList{dimension});
        QCOMPARE(listing(QFileInfo(path).path()), QStringList{"book.xlsx"});
        // Nothing else changes: not the other sheets, and of the zip entries only the stored bytes of
        // the sheet written to.
        const QRegularExpression rest(QStringLiteral("^(?!dimension |Tabelle1!)"));
        QStringList changed = after.filter(rest);
        for (const QString& line : before.filter(rest)) {
            changed.removeOne(line);
        }
        QCOMPARE(after.filter(rest).size(), before.filter(rest).size());
        QCOMPARE(changed.size(), 1);
        QVERIFY2(changed.first().startsWith(QLatin1String("entry xl/worksheets/sheet")),
                 qPrintable(changed.first()));
    }

    // A formula that a row overwrites must not stay in the calculation chain, or the spreadsheet
    // program reports the file as damaged: the chain goes with its relationship and content type.
    // A chain whose formulas stay is left alone.
    void calculationChain_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("dropped");
        const QString formulaInB2 = QStringLiteral(
            "chain = ['B2']\nraw['xl/worksheets/sheet1.xml'] = sheet('<row r=\"1\">' + inline('A1', 'a') + "
            "'</row><row r=\"2\"><c r=\"B2\"><f>1+1</f><v>2</v></c></row>')");
        QTest::newRow("formula overwritten") << formulaInB2 << true;
        QTest::newRow("formula kept")
            << formulaInB2 + QStringLiteral("\nraw['xl/worksheets/sheet1.xml'] = "
                                            "raw['xl/worksheets/sheet1.xml'].replace("
                                            "'<c r=\"B2\">', inline('A2', 'b') + '<c r=\"B2\">')")
            << false;
    }

    void calculationChain() {
        QFETCH(QString, setup);
        QFETCH(bool, dropped);
        const QString path = newPath();
        QVERIFY2(make(path, setup), qPrintable(m_error));
        const QStringList before = dump(path);
        const Workbook::Result result = Workbook::appendRow(path, Sheet, {"x", "7"}, QLocale::c());
        QVERIFY2(result.ok(), qPrintable(result.detail));
        QCOMPARE(result.row, dropped ? 2 : 3);
        const QStringList after = dump(path);
        QVERIFY2(!after.isEmpty(), qPrintable(m_error));
        QCOMPARE(linesOf(after, Sheet + u'!').contains(u"B2|int|7"_s), dropped);
        const auto part = [&path](const char* name) { return partOf(path, QString::fromLatin1(name)); };
        QCOMPARE(part("xl/calcChain.xml").isEmpty(), dropped);
        QCOMPARE(part("xl/_rels/workbook.xml.rels").contains("calcChain"), !dropped);
        QCOMPARE(part("[Content_Types].xml").contains("calcChain"), !dropped);
        // The relationships and content types are all there but the chain's.
        QVERIFY(part("xl/_rels/workbook.xml.rels").contains("worksheets/sheet1.xml"));
        QVERIFY(part("[Content_Types].xml").contains("/xl/worksheets/sheet1.xml"));
        const QStringList entries = after.filter(QRegularExpression(u"^entry (?!xl/worksheets/)"_s));
        QCOMPARE(entries.size(), before.filter(QRegularExpression(u"^entry (?!xl/worksheets/)"_s)).size() -
                                     (dropped ? 1 : 0));
        for (const QString& entry : entries) {
            const bool rewritten = entry.startsWith(u"entry xl/_rels/workbook.xml.rels "_s) ||
                                   entry.startsWith(u"entry [Content_Types].xml "_s);
            QVERIFY2(before.contains(entry) == !(dropped && rewritten), qPrintable(entry));
        }
    }

    // The sink leaves a workbook alone while another program has it open, and says which sheet
    // it misses; the file keeps its bytes until the row can go in.
    void sinkWaits_data() {
        QTest::addColumn<QString>("beside"); // a file beside book.xlsx
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<int>("problem");
        QTest::newRow("LibreOffice lock file") << ".~lock.book.xlsx#"
                                               << "Tabelle1" << int(DeliveryProblem::OpenElsewhere);
        QTest::newRow("Excel owner file") << "~$book.xlsx"
                                          << "Tabelle1" << int(DeliveryProblem::OpenElsewhere);
        QTest::newRow("another workbook's lock") << ".~lock.other.xlsx#"
                                                 << "Tabelle1" << int(DeliveryProblem::None);
        QTest::newRow("sheet missing") << ""
                                       << "Sheet1" << int(DeliveryProblem::SheetMissing);
    }

    void sinkWaits() {
        QFETCH(QString, beside);
        QFETCH(QString, sheet);
        const QString path = newPath();
        QVERIFY2(make(path, QStringLiteral("ws['A1'] = 'a'")), qPrintable(m_error));
        const QString lock = QFileInfo(path).absoluteDir().filePath(beside);
        QVERIFY(beside.isEmpty() || TestFiles::write(lock, "owner"));
        const QByteArray before = TestFiles::read(path);
        WorkbookSink sink;
        QTEST(int(sink.append(path, sheet, {u"x{TAB}7{TAB}"_s})), "problem");
        if (QTest::currentDataTag() != "another workbook's lock"_L1) {
            QCOMPARE(TestFiles::read(path), before);
            QVERIFY(beside.isEmpty() || QFile::remove(lock));
            QCOMPARE(sink.append(path, Sheet, {u"x{TAB}7{TAB}"_s}), DeliveryProblem::None);
        }
        QCOMPARE(linesOf(dump(path), Sheet + u'!'), (QStringList{"A1|str|a", "A2|str|x", "B2|int|7"}));
    }

    void faults_data() {
        QTest::addColumn<QString>("setup"); // "bytes:" followed by the file's content, "none" or "folder"
        QTest::addColumn<int>("error");
        QTest::newRow("missing file") << "none" << int(Error::FileMissing);
        QTest::newRow("folder") << "folder" << int(Error::ReadFailed);
        QTest::newRow("empty file") << "bytes:" << int(Error::NotAZip);
        QTest::newRow("text file") << "bytes:Gewicht;12,5\n" << int(Error::NotAZip);
        QTest::newRow("zip without workbook")
            << "wb.save(path); drop = set(zipfile.ZipFile(path).namelist()); raw['hello.txt'] = 'hi'"
            << int(Error::CorruptPackage);
        QTest::newRow("no sheet Tabelle1") << "ws.title = 'Sheet1'" << int(Error::SheetMissing);
        QTest::newRow("sheet part missing")
            << "drop = {'xl/worksheets/sheet1.xml'}" << int(Error::CorruptPackage);
        QTest::newRow("no sheet data")
            << "raw['xl/worksheets/sheet1.xml'] = '<worksheet %s/>' % NS" << int(Error::CorruptPackage);
        QTest::newRow("malformed sheet")
            << "raw['xl/worksheets/sheet1.xml'] = sheet('<row r=\"1\"><c r=\"A1\"><v>1</v></c>')"
            << int(Error::CorruptPackage);
        QTest::newRow("unreadable cell reference")
            << "raw['xl/worksheets/sheet1.xml'] = sheet('<row><c r=\"1A\"><v>1</v></c></row>')"
            << int(Error::CorruptPackage);
        QTest::newRow("malformed shared strings")
            << "ws['A1'] = 'a'; shared = True; raw['xl/sharedStrings.xml'] = '<sst><si><t>a</si>'"
            << int(Error::CorruptPackage);
        QTest::newRow("damaged sheet data")
            << "ws['A1'] = 'a' * 2000; damage = {'xl/worksheets/sheet1.xml'}" << int(Error::CorruptPackage);
    }

    void faults() {
        QFETCH(QString, setup);
        const QString path = newPath();
        if (setup == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (setup.startsWith(QLatin1String("bytes:"))) {
            QVERIFY(TestFiles::write(path, setup.mid(6).toUtf8()));
        } else if (setup != QLatin1String("none")) {
            QVERIFY2(make(path, setup), qPrintable(m_error));
        }
        const QByteArray original = TestFiles::read(path);
        const Workbook::Result result = Workbook::appendRow(path, Sheet, {"1", "x"});
        QTEST(int(result.error), "error");
        QCOMPARE(result.row, 0);
        QVERIFY(!result.detail.isEmpty());
        QCOMPARE(TestFiles::read(path), original);
        QCOMPARE(listing(QFileInfo(path).path()),
                 (setup == "none" ? QStringList() : QStringList{"book.xlsx"}));
    }

    // The new package goes to a temporary file beside the old one that replaces it in one rename:
    // whatever fails on the way, the old file stays as it was and nothing is left behind.
    void atomicSave_data() {
        QTest::addColumn<QString>("failure");
        QTest::newRow("folder not writable") << "read-only";
        QTest::newRow("disk full") << "size limit";
        QTest::newRow("rename refused") << "sticky";
    }

    void atomicSave() {
        QFETCH(QString, failure);
        const bool root = ::geteuid() == 0;
        if (failure == QLatin1String("sticky") && !root) {
            QSKIP("a workbook of another user in a shared folder needs root to set up");
        }
        const QString path = newPath();
        QVERIFY2(make(path, "ws['A1'] = 'a'"), qPrintable(m_error));
        const QByteArray original = TestFiles::read(path);
        const QByteArray folder = QFile::encodeName(QFileInfo(path).path());
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        if (failure == QLatin1String("read-only")) {
            QCOMPARE(::chmod(folder.constData(), 0555), 0);
        } else if (failure == QLatin1String("size limit")) {
            const rlimit limited{rlim_t(original.size() / 2), saved.rlim_max};
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        } else {
            // In a sticky folder only the owner of a file may replace it.
            QCOMPARE(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0666), 0);
            QCOMPARE(::chmod(folder.constData(), 01777), 0);
        }
        // Root passes every permission check; another file system user does not.
        if (root && failure != QLatin1String("size limit")) {
            setfsuid(65533);
        }
        const Workbook::Result result = Workbook::appendRow(path, Sheet, {"1"});
        setfsuid(0);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, handler);
        ::chmod(folder.constData(), 0755);
        QCOMPARE(result.error, Error::WriteFailed);
        QCOMPARE(result.row, 0);
        QCOMPARE(TestFiles::read(path), original);
        QCOMPARE(listing(QString::fromLocal8Bit(folder)), QStringList{"book.xlsx"});
    }

    // A workbook object kept between appends reuses what it wrote only while the file is exactly
    // that; whatever another program did to the file in between is read, never overwritten. The
    // sheet comes out as appends by fresh objects, which read the file every time, write it.
    void appendKept_data() {
        QTest::addColumn<QString>("between"); // python with the path in p, run after the first append
        QTest::addColumn<QStringList>("cells");
        using L = QStringList;
        // The cells of the values x2 to x4 from row on.
        const auto later = [](int row) {
            L cells;
            for (int value = 2; value <= 4; ++value, ++row) {
                cells << u"A%1|str|x%2"_s.arg(row).arg(value) << u"B%1|int|%2"_s.arg(row).arg(value);
            }
            return cells;
        };
        const L ours{"A1|str|a", "A2|str|x1", "B2|int|1"};
        QTest::newRow("untouched") << "" << ours + later(3);
        QTest::newRow("touched") << "os.utime(p)" << ours + later(3);
        QTest::newRow("saved by a spreadsheet program")
            << "wb = openpyxl.load_workbook(p); wb['Tabelle1']['A3'] = 'ext'; wb.save(p + '.new'); "
               "os.replace(p + '.new', p)"
            << ours + L{"A3|str|ext"} + later(4);
        QTest::newRow("older copy written into the same file")
            << "shutil.copyfile(p + '.orig', p)" << L{"A1|str|a"} + later(2);
        QTest::newRow("row deleted, written into the same file")
            << "wb = openpyxl.load_workbook(p); wb['Tabelle1'].delete_rows(2); b = io.BytesIO(); wb.save(b); "
               "f = open(p, 'r+b'); f.write(b.getvalue()); f.truncate(); f.close()"
            << L{"A1|str|a"} + later(2);
    }

    // x2 and x3 go in with one save, and the result is the same as of saving them one by one.
    void appendKept() {
        QFETCH(QString, between);
        const QString kept = newPath();
        const QString fresh = newPath();
        QVERIFY2(make(kept, QStringLiteral("ws['A1'] = 'a'; shared = True")), qPrintable(m_error));
        QVERIFY(QFile::copy(kept, fresh) && QFile::copy(kept, kept + ".orig") &&
                QFile::copy(kept, fresh + ".orig"));
        const auto fields = [](int value) {
            return QStringList{u"x%1"_s.arg(value), QString::number(value)};
        };
        Workbook book;
        for (const QList<int>& values : QList<QList<int>>{{1}, {2, 3}, {4}}) {
            QList<QStringList> rows;
            for (const int value : values) {
                rows.append(fields(value));
                QVERIFY(Workbook::appendRow(fresh, Sheet, fields(value), QLocale::c()).ok());
            }
            const Workbook::Result result = book.append(kept, Sheet, rows, QLocale::c());
            QVERIFY2(result.ok(), qPrintable(result.detail));
            if (values.first() == 1 && !between.isEmpty()) {
                for (const QString& path : {kept, fresh}) {
                    QVERIFY2(
                        python({"-c", "import io, os, shutil, sys, openpyxl; p = sys.argv[1]; " + between,
                                path}),
                        qPrintable(m_error));
                }
            }
        }
        QTEST(linesOf(dump(kept), Sheet + u'!'), "cells");
        QCOMPARE(partOf(kept, FirstSheet), partOf(fresh, FirstSheet));
    }

    // An append can be spliced into the text the sheet was saved as: the rows added go where the
    // cuts say, the new reference replaces the old one, and the result is what the same append
    // to the sheet as read writes. Where cuts are found, the text as read is saved as it was;
    // where none are, the sheet is saved whole.
    void splicedAppend_data() {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<bool>("cuttable");
        const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
        const QByteArray head = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
        const QByteArray row = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a</t></is></c></row>";
        QTest::newRow("plain") << head + "<worksheet " + ns + "><dimension ref=\"A1\"/><sheetData>" + row +
                                      "</sheetData></worksheet>"
                               << true;
        QTest::newRow("prefix, attributes, whitespace and parts after the rows")
            << head +
                   "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                   "xmlns:r=\"r\">\n  <x:sheetPr/><x:dimension x:other=\"1\" ref=\"A1:B1\"/>\n  "
                   "<x:sheetData>\n" +
                   QByteArray(row).replace("<", "<x:").replace("<x:/", "</x:") +
                   "\n  </x:sheetData>\n  <x:pageMargins left=\"0.7\"/><!-- </x:sheetData> "
                   "-->\n</x:worksheet>\n<!-- end -->"
            << true;
        QTest::newRow("single quotes")
            << head + "<worksheet " + ns + " a='say \"hi\"'><dimension ref='A1'/><sheetData>" + row +
                   "</sheetData></worksheet>"
            << true;
        QTest::newRow("byte order mark, the end tag inside the last row")
            << "\xEF\xBB\xBF" + head + "<worksheet " + ns + "><dimension ref=\"A1\"/><sheetData>" +
                   QByteArray(row).replace("</row>", "<!-- </sheetData> --></row>") +
                   "</sheetData></worksheet>"
            << true;
        QTest::newRow("no dimension")
            << head + "<worksheet " + ns + "><sheetData>" + row + "</sheetData></worksheet>" << true;
        QTest::newRow("comment after the last row")
            << head + "<worksheet " + ns + "><dimension ref=\"A1\"/><sheetData>" + row +
                   "<!-- x --></sheetData></worksheet>"
            << false;
        QTest::newRow("no row") << head + "<worksheet " + ns +
                                       "><dimension ref=\"A1\"/><sheetData/></worksheet>"
                                << false;
    }

    void splicedAppend() {
        QFETCH(QByteArray, xml);
        WorksheetXml sheet;
        QVERIFY(sheet.load(xml, {}));
        std::optional<WorksheetXml::Cuts> cuts;
        const QByteArray saved = sheet.save(&cuts);
        QCOMPARE(saved, sheet.save());
        QTEST(cuts.has_value(), "cuttable");
        const auto append = [](WorksheetXml& target) {
            const int row = target.firstEmptyRow();
            target.setNumber(row, 1, 2.5);
            target.setText(row, 3, u"g"_s);
        };
        sheet.markSaved();
        append(sheet);
        const std::optional<WorksheetXml::Appended> appended = sheet.appended();
        QVERIFY(appended.has_value());
        if (!cuts) {
            return;
        }
        QCOMPARE(saved, xml);
        const QByteArray spliced = saved.left(cuts->referenceStart) + appended->reference +
                                   saved.mid(cuts->referenceEnd, cuts->rowsEnd - cuts->referenceEnd) +
                                   appended->rows + saved.mid(cuts->rowsEnd);
        WorksheetXml asRead;
        QVERIFY(asRead.load(xml, {}));
        append(asRead);
        QCOMPARE(spliced, asRead.save());
        QVERIFY(appended->rows.contains(">2.5</"));
        // The new row is one of the sheet's rows, not hidden in a part around them.
        WorksheetXml reread;
        QVERIFY(reread.load(spliced, {}));
        QCOMPARE(reread.firstEmptyRow(), 3);
    }

    // The pieces of a text deflated apart are one deflate stream of the whole text, however many
    // appends follow.
    void deflatedPieces_data() {
        QTest::addColumn<QList<QByteArray>>(
            "pieces"); // head, piece, body, tail, then piece and addition pairs
        using B = QList<QByteArray>;
        const QByteArray row = "<row r=\"7\"><c r=\"A7\"><v>12.5</v></c></row>";
        QTest::newRow("empty") << B{"", "", "", ""};
        QTest::newRow("no appends") << B{"<a ref=\"", "A1", "\"><rows>", "</rows></a>"};
        QTest::newRow("appends") << B{"<a ref=\"", "A1", "\"><rows>", "</rows></a>", "A1:B2", row, "A1:B3",
                                      row,         "",   ""};
        QTest::newRow("large body") << B{"h", "p", row.repeated(20000), "t", "q", row.repeated(3000)};
    }

    void deflatedPieces() {
        QFETCH(QList<QByteArray>, pieces);
        AppendableDeflate deflate;
        QVERIFY(deflate.start(pieces[0], pieces[1], pieces[2], pieces[3]));
        QByteArray piece = pieces[1];
        QByteArray body = pieces[2];
        for (qsizetype at = 4; at + 1 < pieces.size(); at += 2) {
            QVERIFY(deflate.append(pieces[at], pieces[at + 1]));
            piece = pieces[at];
            body += pieces[at + 1];
        }
        const QByteArray text = pieces[0] + piece + body + pieces[3];
        const ZipPackage::Deflated deflated = deflate.deflated();
        QCOMPARE(deflated.size, std::uint64_t(text.size()));
        QCOMPARE(deflated.crc, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(text.constData()),
                                                   uInt(text.size()))));
        z_stream stream{};
        QCOMPARE(inflateInit2(&stream, -15), Z_OK);
        QByteArray inflated(text.size() + 16, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data.constData()));
        stream.avail_in = uInt(deflated.data.size());
        stream.next_out = reinterpret_cast<Bytef*>(inflated.data());
        stream.avail_out = uInt(inflated.size());
        const int status = inflate(&stream, Z_FINISH);
        inflated.truncate(qsizetype(stream.total_out));
        const uInt left = stream.avail_in;
        inflateEnd(&stream);
        // The stream ends exactly where its data ends: the last piece alone is final.
        QCOMPARE(status, Z_STREAM_END);
        QCOMPARE(left, 0u);
        QCOMPARE(inflated, text);
    }

    // Writes change the first empty row as they fill column A, or not.
    void firstEmptyRowAfterWrites() {
        const QString path = newPath();
        QVERIFY2(make(path, "ws['A1'] = 'a'; ws['A3'] = 'c'"), qPrintable(m_error));
        Workbook book;
        QCOMPARE(book.firstEmptyRow(), 0);
        QCOMPARE(book.open(path, QStringLiteral("TABELLE1")), Error::None);
        const QList<std::tuple<int, QStringList, int>> writes{
            {2, {"1"}, 4}, {4, {"", "B"}, 4}, {4, {" "}, 4}, {4, {"x"}, 5}, {2, {" "}, 2}, {2, {"2"}, 5}};
        for (const auto& [row, fields, firstEmpty] : writes) {
            QCOMPARE(book.writeRow(row, fields, QLocale::c()), Error::None);
            QCOMPARE(book.firstEmptyRow(), firstEmpty);
        }
        QCOMPARE(book.writeRow(5, QStringList(16385, "1"), QLocale::c()),
                 Error::WriteFailed); // one column too many
        QCOMPARE(book.save(), Error::None);
        QCOMPARE(linesOf(dump(path), Sheet + u'!'),
                 (QStringList{"A1|str|a", "A2|int|2", "A3|str|c", "A4|str|x", "B4|str|B"}));
    }
};

QTEST_GUILESS_MAIN(tst_Workbook)
#include "tst_Workbook.moc"
