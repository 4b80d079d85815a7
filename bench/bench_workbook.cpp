// Prints the median time of appending one row to workbooks of 1, 1 000 and 10 000 rows.
// The workbooks are made with openpyxl, in the shape the spreadsheet program saves them
// (text as shared strings), so python3 with openpyxl must be installed.

#include "base/delivery/Workbook.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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
    constexpr int Runs = 15;
    std::printf("%-10s %12s %12s %12s %12s\n", "rows", "file bytes", "median ms", "min ms", "max ms");
    for (const int rows : {1, 1000, 10000}) {
        const QString path = folder.filePath(QStringLiteral("book%1.xlsx").arg(rows));
        QProcess make;
        make.start(interpreter,
                   {QStringLiteral("-c"), QString::fromUtf8(MakeScript), path, QString::number(rows)});
        if (!make.waitForFinished(300000) || make.exitCode() != 0) {
            std::printf("%-10d could not make the workbook: %s\n", rows,
                        make.readAllStandardError().constData());
            continue;
        }
        const qint64 bytes = QFileInfo(path).size();
        std::vector<double> times;
        for (int run = 0; run < Runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            const Workbook::Result result = Workbook::appendRow(path, QStringLiteral("Tabelle1"),
                                                                {QStringLiteral("12,5"), QStringLiteral("g")},
                                                                QLocale(QStringLiteral("de_DE")));
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            if (!result.ok()) {
                std::printf("%-10d append failed: %s\n", rows, qPrintable(result.detail));
                break;
            }
            times.push_back(ms);
        }
        if (times.empty()) {
            continue;
        }
        std::sort(times.begin(), times.end());
        std::printf("%-10d %12lld %12.2f %12.2f %12.2f\n", rows, static_cast<long long>(bytes),
                    times[times.size() / 2], times.front(), times.back());
    }
    return 0;
}
