#include "base/config/SettingText.h"
#include "base/link/TcpLink.h"
#include "base/records/Acceptance.h"
#include "base/records/FlowMeter.h"
#include "base/records/RecordCutter.h"
#include "base/records/RecordReader.h"
#include "base/records/RecordText.h"
#include "base/records/RecordValues.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// A 22-byte record of the usual layout: sign at 7, value at 11-16, unit at 18-19, CR LF.
QByteArray record(const char* sign, const char* value, const char* unit = "g ") {
    return QByteArray("N     ") + sign + "   " + value + " " + unit + " \r\n";
}

const QString Usual = QStringLiteral("11-16 7-7 18-19");

// Value, sign and unit field as "first-last" each, e.g. "11-16 7-7 18-19".
Settings layout(const QString& fields = Usual) {
    Settings s;
    FieldRange* ranges[] = {&s.value, &s.sign, &s.unit};
    for (int i = 0; i < 3; ++i) {
        const QStringList ends = fields.section(u' ', i, i).split(u'-');
        *ranges[i] = {std::int16_t(ends.at(0).toInt()), std::int16_t(ends.at(1).toInt())};
    }
    s.recordLength = SettingText::leadingWholeNumber(QStringLiteral("22"));
    s.recordEnd = SettingText::recordEnd(QStringLiteral("10"));
    return s;
}

// A reader on a TCP/IP link to a device played by a loopback server.
struct Bench {
    Settings settings = layout();
    QTcpServer server;
    TcpLink link;
    QTcpSocket* device = nullptr;
    RecordReader reader{settings};

    bool connect() {
        server.listen(QHostAddress::LocalHost);
        link.setPeer(QStringLiteral("127.0.0.1"), server.serverPort());
        link.open();
        const bool up = QTest::qWaitFor([this] { return link.state() == TcpLink::Connected; });
        return up && QTest::qWaitFor([this] { return (device = server.nextPendingConnection()) != nullptr; });
    }
    void sendLater(int ms, const QByteArray& bytes) {
        QTimer::singleShot(ms, device, [this, bytes] { device->write(bytes); });
    }
};

} // namespace

class tst_Records : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cut_data() {
        QTest::addColumn<QByteArray>("buffer");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QByteArray>("cut"); // record|tail; empty while no record is complete
        const QByteArray full = record("+", "123.45"), none;
        QTest::newRow("exact record") << full << 22 << "10" << full + '|';
        QTest::newRow("one byte short") << full.left(21) << 22 << "10" << none;
        QTest::newRow("tail of the last record first") << "g \r\n" + full << 22 << "10" << full + '|';
        QTest::newRow("next record begins") << full + full.left(5) << 22 << "10" << full + '|' + full.left(5);
        QTest::newRow("no end character") << QByteArray(30, 'x') << 22 << "10" << none;
        QTest::newRow("end character at R") << QByteArray("abc\n") << 4 << "10" << QByteArray("abc\n|");
        QTest::newRow("before and at R") << QByteArray("\nabc\n") << 5 << "10" << none;
        QTest::newRow("before and after R") << QByteArray("\nabcd\nz") << 5 << "10" << QByteArray("abcd\n|z");
        QTest::newRow("CR") << full << 21 << "13" << full.left(21) + "|\n";
        QTest::newRow("8-bit end character")
            << QByteArray("ab\xb5z\xb5") << 3 << "181" << QByteArray("ab\xb5|z\xb5");
        QTest::newRow("0: the whole buffer") << full + "xyz" << 22 << "0" << full + "xyz|";
        QTest::newRow("empty: the whole buffer") << full << 22 << "" << full + '|';
        QTest::newRow("length 1") << QByteArray("\n") << 1 << "10" << QByteArray("\n|");
        QTest::newRow("length 0") << full << 0 << "0" << none;
    }

    void cut() {
        QFETCH(QByteArray, buffer);
        QFETCH(int, length);
        QFETCH(QString, end);
        QFETCH(QByteArray, cut);
        const QByteArray before = buffer;
        QByteArray tail("unset");
        const bool complete =
            RecordCutter::cut(buffer, length, SettingText::recordEnd(end).valueOr({}), &tail);
        QCOMPARE(complete, !cut.isEmpty());
        QCOMPARE(complete ? QByteArray(buffer + '|' + tail) : buffer, complete ? cut : before);
    }

    // The reader's sign|unit|value field ("none" without one) and value, and the output's
    // value|sign|unit|decimals.
    void fields_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("read");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("output");
        const double nan = Reading::NotANumber;
        QTest::newRow("plain") << record("+", "123.45") << Usual << "+|g|123.45" << 123.45 << "123.45|+|g|2";
        QTest::newRow("negative") << record("-", "  12.5", "kg") << Usual << "-|kg|  12.5" << -12.5
                                  << "-12.5|-|kg|1";
        QTest::newRow("comma") << record("-", " 12,50") << Usual << "-|g| 12.50" << -12.5 << "-12.5|-|g|2";
        QTest::newRow("commas") << record("+", "1,2,50") << Usual << "+|g|1.2.50" << nan << "1.2|+|g|4";
        QTest::newRow("no number") << record("-", "------") << Usual << "-|g|------" << nan << "0|-|g|6";
        QTest::newRow("no point") << record("+", "  1234") << Usual << "+|g|  1234" << 1234.0 << "1234|+|g|4";
        QTest::newRow("last sign position wins")
            << record("-", "  12.5") << QString("11-16 7-1 18-19") << "N|g|  12.5" << 12.5 << "12.5|N|g|1";
        QTest::newRow("first sign position alone")
            << record("-", "  12.5") << QString("11-16 7-0 18-19") << "-|g|  12.5" << -12.5 << "12.5||g|1";
        QTest::newRow("no value field")
            << record("-", "  12.5") << QString("0-16 7-7 18-19") << "-|g|none" << 0.0 << "0|-|g|0";
        QTest::newRow("no unit field")
            << record("+", "  12.5") << QString("11-16 7-7 0-19") << "+||  12.5" << 12.5 << "12.5|+||1";
        QTest::newRow("short record") << QByteArray("N     -   1") << Usual << "-||1" << -1.0 << "-1|-||1";
    }

    void fields() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, fields);
        QFETCH(double, value);
        const Reading reading = RecordReader::fieldsOf(bytes, layout(fields));
        QTEST(QStringList({reading.sign, reading.unit, reading.valueField.value_or("none")}).join(u'|'),
              "read");
        QCOMPARE(reading.value, value);
        QCOMPARE(reading.valueIsNumber, value != Reading::NotANumber);
        const RecordValues::OutputValue out = RecordValues::forOutput(bytes, layout(fields));
        QTEST(QStringList({QString::number(out.value), out.sign, out.unit, QString::number(out.decimals)})
                  .join(u'|'),
              "output");
    }

    // Two reads of a running cycle; a late record always arrives 300 ms into the second.
    void read_data() {
        QTest::addColumn<QList<QByteArray>>("packets"); // 100 ms apart from the start of read 1
        QTest::addColumn<int>("abort");                 // ms into read 1; 0 for never
        QTest::addColumn<QByteArray>("between");        // arrives between the reads
        QTest::addColumn<int>("pause");                 // ms before read 2
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        using P = QList<QByteArray>;
        const QByteArray r1 = record("+", "  1.00"), r2 = record("+", "  2.00"), late = record("+", "  9.00"),
                         no;
        const QByteArray letters("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
        QTest::newRow("one each") << P{r1} << 0 << no << 0 << r1 << late;
        QTest::newRow("split") << P{r1.left(9), r1.mid(9, 7), r1.mid(16)} << 0 << no << 0 << r1 << late;
        QTest::newRow("two in one packet") << P{r1 + r2} << 0 << no << 0 << r1 << r2;
        QTest::newRow("two waiting") << P{r1} << 0 << r2 + r1 << 0 << r1 << r2;
        QTest::newRow("three waiting: streaming") << P{r1} << 0 << r2 + r1 + r1 << 0 << r1 << late;
        QTest::newRow("stale after 1.5 s") << P{r1 + r2} << 0 << no << 1600 << r1 << late;
        QTest::newRow("nothing in time") << P{} << 0 << no << 0 << no << late;
        QTest::newRow("part completed next") << P{r1.left(10)} << 0 << r1.mid(10) << 0 << no << r1;
        QTest::newRow("what can begin a record kept")
            << P{letters} << 0 << QByteArray("\n") << 0 << no << letters.right(21) + '\n';
        QTest::newRow("aborted") << P{no, no, r1} << 50 << no << 0 << no << no;
    }

    void read() {
        QFETCH(QList<QByteArray>, packets);
        QFETCH(int, abort);
        QFETCH(QByteArray, between);
        QFETCH(int, pause);
        Bench bench;
        QVERIFY(bench.connect());
        bench.settings.recordWaitSeconds = 1.0;
        for (int i = 0; i < packets.size(); ++i) {
            bench.sendLater(100 * i, packets.at(i));
        }
        if (abort > 0) {
            QTimer::singleShot(abort, [&bench] { bench.reader.abort(); });
        }
        QTEST(bench.reader.read(bench.link).record, "first");
        bench.sendLater(0, between);
        QVERIFY(QTest::qWaitFor([&] { return bench.link.received().endsWith(between); }));
        QTest::qWait(pause);
        bench.sendLater(300, record("+", "  9.00"));
        QTEST(bench.reader.read(bench.link).record, "second");
    }

    void acceptance_data() {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("standstill");
        QTest::addColumn<QString>("limits"); // upper and lower
        QTest::addColumn<int>("refusal");    // the status text; -1 for an accepted value
        const int still = int(TextKey::NotStable), above = int(TextKey::AboveUpperLimit);
        const int below = int(TextKey::BelowLowerLimit);
        QTest::newRow("stable, no limits") << "g" << 5.0 << true << "0 0" << -1;
        QTest::newRow("no unit") << "" << 5.0 << true << "0 0" << still;
        QTest::newRow("on the upper limit") << "g" << 100.0 << true << "100 0" << -1;
        QTest::newRow("above the upper limit") << "g" << 100.01 << true << "100 0" << above;
        QTest::newRow("on the lower limit") << "g" << 10.0 << true << "0 10" << -1;
        QTest::newRow("below the lower limit") << "g" << 9.99 << true << "0 10" << below;
        QTest::newRow("upper before lower") << "g" << 50.0 << true << "20 80" << above;
        QTest::newRow("limit no number") << "g" << 500.0 << true << "viel viel" << -1;
    }

    void acceptance() {
        QFETCH(QString, unit);
        QFETCH(double, value);
        QFETCH(QString, limits);
        Settings settings;
        QFETCH(bool, standstill);
        settings.requireStandstill = standstill;
        settings.upperLimit = SettingText::number(limits.section(u' ', 0, 0));
        settings.lowerLimit = SettingText::number(limits.section(u' ', 1, 1));
        const Acceptance::Verdict verdict = Acceptance::check(settings, unit, value);
        const auto refusal = Acceptance::refusalText(verdict);
        QTEST(refusal ? int(*refusal) : -1, "refusal");
    }

    // What the value display shows: sign, value and unit, or the volume; empty where it is not
    // changed (flow mode, whose display the timed values fill).
    void display_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<double>("density");
        QTest::addColumn<QStringList>("shown");
        using S = QStringList;
        QTest::newRow("weight") << record("-", " 12,50", "kg") << "0" << 1.0 << S{"-", "12.50", "kg"};
        QTest::newRow("no number") << record("+", "------") << "0" << 1.0 << S{};
        QTest::newRow("volume, unsigned") << record("-", "  12.5") << "1" << 2.0 << S{"-", "6,3", "ml"};
        QTest::newRow("volume, 3 decimals")
            << record("+", "12,345") << "1" << 0.998 << S{"+", "12,370", "ml"};
        QTest::newRow("volume, whole number")
            << record("+", "  1234") << "1" << 2.0 << S{"+", "617,0000", "ml"};
        QTest::newRow("flow: the timed values fill it") << record("+", "123.45") << "2" << 1.0 << S{};
    }

    void display() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, mode);
        QFETCH(double, density);
        Settings settings = layout();
        settings.displayMode = SettingText::displayMode(mode);
        settings.density = density;
        const Reading reading = RecordReader::fieldsOf(bytes, settings);
        const auto shown = RecordValues::displayOf(reading, settings);
        const QStringList parts =
            shown ? QStringList({shown->sign, shown->value, shown->unit}) : QStringList();
        QTEST(parts, "shown");
    }

    // Five timed values over two timer runs, each as "display|output|reference": the display, the
    // value and unit the output takes, and the weight the flow meter then holds. The first value of
    // each run shows no flow and is measured against nothing before it; no time passed counts as 1 s.
    void timedValuesInEachMode_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<double>("density");
        QTest::addColumn<QStringList>("steps");
        using S = QStringList;
        QTest::newRow("weight") << "0" << 1.0
                                << S{"100.00|100 g|100", "150.00|150 g|150", "400.00|400 g|400",
                                     "390.00|390 g|390", "395.00|395 g|395"};
        QTest::newRow("volume") << "1" << 2.0
                                << S{"50,000|50 ml|100", "75,000|75 ml|150", "200,000|200 ml|400",
                                     "195,000|195 ml|390", "197,500|197.5 ml|395"};
        QTest::newRow("flow") << "2" << 1.0
                              << S{"0|0 ml|100", "5,000|5 ml|150", "0|0 ml|400", "-5,000|-5 ml|390",
                                   "5,000|5 ml|395"};
        QTest::newRow("flow as volume")
            << "2" << 0.5
            << S{"0|0 ml|100", "10,000|10 ml|150", "0|0 ml|400", "-10,000|-10 ml|390", "10,000|10 ml|395"};
    }
    void timedValuesInEachMode() {
        QFETCH(QString, mode);
        QFETCH(double, density);
        Settings settings = layout();
        settings.displayMode = SettingText::displayMode(mode);
        settings.density = density;
        const struct {
            bool firstOfRun;
            const char* value;
            qint64 milliseconds;
        } timed[] = {{true, "100.00", 0},
                     {false, "150.00", 10000},
                     {true, "400.00", 60000},
                     {false, "390.00", 62000},
                     {false, "395.00", 62000}};
        FlowMeter meter;
        QStringList steps;
        for (const auto& [firstOfRun, value, milliseconds] : timed) {
            const QByteArray bytes = record("+", value);
            const Reading reading = RecordReader::fieldsOf(bytes, settings);
            const FlowMeter::Change change = meter.take(reading.value, milliseconds, firstOfRun);
            const auto shown = RecordValues::displayOf(reading, settings);
            const QString display = shown ? shown->value
                                          : RecordValues::flowText(reading.value, change.weight,
                                                                   change.seconds, settings.densityDivisor());
            const RecordValues::OutputValue out = RecordValues::inDisplayMode(
                RecordValues::forOutput(bytes, settings), settings, change.weight, change.seconds);
            steps << display + u'|' + QString::number(out.value) + u' ' + out.unit + u'|' +
                         QString::number(meter.referenceValue());
        }
        QTEST(steps, "steps");
    }

    // A sample record as the layout window shows it, read back, and its end character.
    void recordText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("end");        // -1 for none
        QTest::addColumn<bool>("displayed"); // false: typed into the sample box, never shown so
        const QString controls = QString::fromUtf8("␂+1␃␍␊␡");
        QTest::newRow("control bytes") << QByteArray("\x02+1\x03\r\n\x7f") << controls << 0x7f << true;
        QTest::newRow("NUL and 31") << QByteArray("\0\x1f ", 3) << QString::fromUtf8("␀␟ ") << 32 << true;
        QTest::newRow("Latin-1") << QByteArray("12 \xb5\xff") << QString::fromUtf8("12 µÿ") << 0xff << true;
        QTest::newRow("empty") << QByteArray() << QString() << -1 << true;
        QTest::newRow("line breaks") << QByteArray("a\nb\n") << QString::fromUtf8("a\u2029b\u2028") << 10
                                     << false;
        QTest::newRow("no Latin-1") << QByteArray("?1?") << QString::fromUtf8("€1\u2420") << int('?')
                                    << false;
    }

    void recordText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(RecordText::bytes(shown), bytes);
        QTEST(RecordText::display(bytes) == shown, "displayed");
        QTEST(RecordText::endCharacterOf(shown).value_or(-1), "end");
    }

    void marking_data() {
        QTest::addColumn<int>("rule"); // 0 cut, 1 whole number, 2 marked field
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QString>("result"); // "none" for nothing
        QTest::newRow("cut") << 0 << "abcdef" << 2 << 3 << "bcd";
        QTest::newRow("cut from 0") << 0 << "abcdef" << 0 << 2 << "none";
        QTest::newRow("cut negative length") << 0 << "abcdef" << 2 << -1 << "none";
        QTest::newRow("number in blanks") << 1 << " +709 " << 0 << 0 << "709";
        QTest::newRow("16-bit maximum") << 1 << "32767" << 0 << 0 << "32767";
        QTest::newRow("above 16 bits") << 1 << "32768" << 0 << 0 << "none";
        QTest::newRow("below 16 bits") << 1 << "-32769" << 0 << 0 << "none";
        QTest::newRow("marked") << 2 << "" << 10 << 6 << "11-16";
        QTest::newRow("nothing marked") << 2 << "" << 5 << 0 << "none";
        QTest::newRow("before the record") << 2 << "" << -1 << 3 << "none";
        QTest::newRow("last 16-bit position") << 2 << "" << 32766 << 1 << "32767-32767";
        QTest::newRow("past 16 bits") << 2 << "" << 32766 << 2 << "none";
    }

    void marking() {
        QFETCH(int, rule);
        QFETCH(QString, text);
        QFETCH(int, a);
        QFETCH(int, b);
        const QString none = QStringLiteral("none");
        const auto number = RecordText::wholeNumber16(text);
        const auto field = RecordText::markedField(a, b);
        const QString result = rule == 0   ? RecordText::cut(text, a, b).value_or(none)
                               : rule == 1 ? (number ? QString::number(*number) : none)
                               : field     ? QStringLiteral("%1-%2").arg(field->first).arg(field->last)
                                           : none;
        QTEST(result, "result");
    }
};

int main(int argc, char** argv) {
    // The value display writes numbers as the German locale does.
    qputenv("LC_ALL", "de_DE.UTF-8");
    QCoreApplication app(argc, argv);
    tst_Records test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Records.moc"
