// Prints the time of appending one row to workbooks of 1, 1 000 and 10 000 rows: "first" is an
// append that reads the file (a fresh Workbook, as after a start or a change by another
// program), "kept" the following appends of the same Workbook, as the workbook target makes them
// while it streams. Beside them, openpyxl's load, append and save of the same workbook in the
// same run, and the ratio. Each append ends with the file replaced and flushed to disk. The
// workbooks are made with openpyxl, in the shape the spreadsheet program saves them (text as
// shared strings), so python3 with openpyxl must be installed. The rows are read back with
// openpyxl at the end: a figure of a workbook that does not read back is not printed.

#include "base/delivery/Workbook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sys/resource.h>
#include <vector>

namespace {

const char* const MakeScript = R"PY(
import re, sys, zipfile, openpyxl
path, rows = sys.argv[1], int(sys.argv[2])
wb = openpyxl.Workbook()
ws = wb.active
ws.title = 'Tabelle1'
for n in range(1, rows + 1):
    ws.append(['Probe %d' % n, n * 0.5, 'g', '=B%d*2' % n])
other = wb.create_sheet('Auswertung')
other['A1'] = '=SUM(Tabelle1!B:B)'
wb.save(path)
# Store text as a shared string table, as the spreadsheet program does.
with zipfile.ZipFile(path) as z:
    parts = [(i, z.read(i.filename)) for i in z.infolist()]
shared = []
def move(m):
    shared.append(m.group(1))
    return 't="s"><v>%d</v>' % (len(shared) - 1)
NS = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
    for info, data in parts:
        if info.filename.startswith('xl/worksheets/'):
            data = re.sub(r't="inlineStr"><is><t>(.*?)</t></is>', move, data.decode()).encode()
        elif info.filename == 'xl/_rels/workbook.xml.rels':
            data = data.replace(b'</Relationships>', b'<Relationship Id="rIdSst" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>')
        elif info.filename == '[Content_Types].xml':
            data = data.replace(b'</Types>', b'<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>')
        z.writestr(info, data)
    z.writestr('xl/sharedStrings.xml', '<sst %s count="%d" uniqueCount="%d">%s</sst>' % (NS, len(shared), len(shared), ''.join('<si><t>%s</t></si>' % s for s in shared)))
)PY";

// Times openpyxl's load, append and save of the workbook in argv[1] (saved to argv[2]) and
// prints the median seconds, then the number of rows of the sheet and its last row.
const char* const OpenpyxlScript = R"PY(
import sys, time, openpyxl
src, out, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
times = []
for _ in range(runs):
    start = time.perf_counter()
    wb = openpyxl.load_workbook(src)
    wb['Tabelle1'].append([12.5, 'g'])
    wb.save(out)
    times.append(time.perf_counter() - start)
times.sort()
ws = openpyxl.load_workbook(src)['Tabelle1']
print(times[len(times) // 2], ws.max_row, repr([c.value for c in ws[ws.max_row]][:2]))
)PY";

double cpuMilliseconds() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

QString python() {
    for (const QString& candidate :
         {QStringLiteral("/usr/bin/python3"), QStandardPaths::findExecutable(QStringLiteral("python3"))}) {
        if (!candidate.isEmpty() && QFile::exists(candidate)) {
            QProcess probe;
            probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
            if (probe.waitForFinished(60000) && probe.exitCode() == 0) {
                return candidate;
            }
        }
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString interpreter = python();
    if (interpreter.isEmpty()) {
        std::printf("bench_workbook: python3 with openpyxl not found, nothing measured\n");
        return 0;
    }
    QTemporaryDir folder;
    constexpr int Runs = 21;
    constexpr int OpenpyxlRuns = 3;
    std::printf("%-7s %10s %11s %11s %11s %12s %8s %8s\n", "rows", "file bytes", "first ms", "kept ms",
                "kept cpu ms", "openpyxl ms", "ratio", "first");
    std::map<int, double> keptByRows;
    const QStringList fields{QStringLiteral("12,5"), QStringLiteral("g")};
    const QLocale german(QStringLiteral("de_DE"));
    for (const int rows : {1, 1000, 10000}) {
        const QString path = folder.filePath(QStringLiteral("book%1.xlsx").arg(rows));
        QProcess make;
        make.start(interpreter,
                   {QStringLiteral("-c"), QString::fromUtf8(MakeScript), path, QString::number(rows)});
        if (!make.waitForFinished(300000) || make.exitCode() != 0) {
            std::printf("%-7d could not make the workbook: %s\n", rows,
                        make.readAllStandardError().constData());
            continue;
        }
        const qint64 bytes = QFileInfo(path).size();
        std::vector<double> first;
        std::vector<double> kept;
        std::vector<double> keptCpu;
        bool failed = false;
        // Fresh objects read the file each time.
        for (int run = 0; run < Runs && !failed; ++run) {
            QElapsedTimer timer;
            timer.start();
            const Workbook::Result result =
                Workbook::appendRow(path, QStringLiteral("Tabelle1"), fields, german);
            first.push_back(double(timer.nsecsElapsed()) / 1e6);
            failed = !result.ok();
            if (failed) {
                std::printf("%-7d append failed: %s\n", rows, qPrintable(result.detail));
            }
        }
        Workbook workbook;
        for (int run = 0; run <= Runs && !failed; ++run) {
            QElapsedTimer timer;
            const double cpu = cpuMilliseconds();
            timer.start();
            const Workbook::Result result = workbook.append(path, QStringLiteral("Tabelle1"), fields, german);
            // The first append of this object reads the file; the others are the kept ones.
            if (run > 0) {
                kept.push_back(double(timer.nsecsElapsed()) / 1e6);
                keptCpu.push_back(cpuMilliseconds() - cpu);
            }
            failed = !result.ok();
            if (failed) {
                std::printf("%-7d append failed: %s\n", rows, qPrintable(result.detail));
            }
        }
        if (failed) {
            continue;
        }
        QProcess peer;
        peer.start(interpreter,
                   {QStringLiteral("-c"), QString::fromUtf8(OpenpyxlScript), path,
                    folder.filePath(QStringLiteral("openpyxl.xlsx")), QString::number(OpenpyxlRuns)});
        const QStringList answer =
            peer.waitForFinished(600000) && peer.exitCode() == 0
                ? QString::fromUtf8(peer.readAllStandardOutput()).trimmed().split(u' ', Qt::SkipEmptyParts)
                : QStringList();
        const int expectedRows = rows + 2 * Runs + 1;
        if (answer.size() < 3 || answer.at(1).toInt() != expectedRows ||
            !answer.mid(2).join(u' ').startsWith(QLatin1String("[12.5, 'g']"))) {
            std::printf("%-7d openpyxl does not read back %d rows ending in 12.5, g: %s %s\n", rows,
                        expectedRows, qPrintable(answer.join(u' ')), peer.readAllStandardError().constData());
            continue;
        }
        const double openpyxl = answer.at(0).toDouble() * 1e3;
        std::printf("%-7d %10lld %11.2f %11.2f %11.2f %12.1f %7.0fx %7.0fx\n", rows,
                    static_cast<long long>(bytes), median(first), median(kept), median(keptCpu), openpyxl,
                    openpyxl / median(kept), openpyxl / median(first));
        keptByRows[rows] = median(kept);
    }
    if (keptByRows.count(1000) && keptByRows.count(10000)) {
        std::printf("kept append from 1 000 to 10 000 rows: %.1f times the time (linear growth: 10 times)\n",
                    keptByRows[10000] / keptByRows[1000]);
    }
    std::printf(
        "first: a fresh Workbook that reads the file; kept: the same Workbook's next append; ms are\n"
        "medians of %d appends (wall clock, and processor time for kept); ratio: openpyxl / kept, and\n"
        "openpyxl / first\n",
        Runs);
    return 0;
}
