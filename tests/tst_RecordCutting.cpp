#include "input/MeasurementReader.h"
#include "input/RecordCutter.h"
#include "settings/ConfigurationFile.h"
#include "settings/IniDocument.h"
#include "settings/NumberText.h"

#include <QtTest>

namespace {

Settings defaults() {
    Settings settings;
    ConfigurationFile::read(IniDocument(), IniDocument(), settings);
    return settings;
}

// A 22-byte record of the default layout: sign at 7, value at 11-16, unit at 18-19.
QByteArray record(const char* sign, const char* value, const char* unit) {
    QByteArray bytes = QByteArray("N     ") + sign + "   " + value + " " + unit + " \r\n";
    return bytes;
}

} // namespace

class tst_RecordCutting : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cut_data();
    void cut();
    void field_data();
    void field();
    void plainNumber_data();
    void plainNumber();
    void leadingNumber_data();
    void leadingNumber();
    void acceptance_data();
    void acceptance();
    void outputValue_data();
    void outputValue();
    void mask_data();
    void mask();
    void formatWithMask_data();
    void formatWithMask();
};

void tst_RecordCutting::cut_data() {
    QTest::addColumn<QByteArray>("buffer");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("endChar");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QByteArray>("tail");

    const QByteArray full = record("+", "123.45", "g ");
    QTest::newRow("exact record with CR LF") << full << 22 << "10" << true << full << QByteArray();
    QTest::newRow("too short") << full.left(21) << 22 << "10" << false << QByteArray() << QByteArray();
    QTest::newRow("tail of an earlier record first")
        << (QByteArray("g \r\n") + full) << 22 << "10" << true << full << QByteArray();
    QTest::newRow("record followed by the next one")
        << (full + full.left(5)) << 22 << "10" << true << full << full.left(5);
    QTest::newRow("garbage before the record")
        << (QByteArray("\x00\xff\x01", 3) + full) << 22 << "10" << true << full << QByteArray();
    QTest::newRow("end character missing")
        << QByteArray(30, 'x') << 22 << "10" << false << QByteArray() << QByteArray();
    QTest::newRow("end character zero takes the whole buffer")
        << (full + "xyz") << 22 << "0" << true << (full + "xyz") << QByteArray();
    QTest::newRow("empty end character takes the whole buffer")
        << full << 22 << "" << true << full << QByteArray();
    QTest::newRow("end character zero needs the length")
        << full.left(10) << 22 << "0" << false << QByteArray() << QByteArray();
    QTest::newRow("carriage return as end character")
        << full << 21 << "13" << true << full.left(21) << QByteArray("\n");
    QTest::newRow("STX ETX record") << QByteArray("\x02+0012.50kg\x03", 12) << 12 << "3" << true
                                    << QByteArray("\x02+0012.50kg\x03", 12) << QByteArray();
    QTest::newRow("8-bit end character")
        << QByteArray("abc\xb5") << 4 << "181" << true << QByteArray("abc\xb5") << QByteArray();
    QTest::newRow("end character beyond 255 never matches")
        << QByteArray(30, '\n') << 22 << "266" << false << QByteArray() << QByteArray();
    QTest::newRow("zero length never completes")
        << full << 0 << "10" << false << QByteArray() << QByteArray();
}

void tst_RecordCutting::cut() {
    QFETCH(QByteArray, buffer);
    QFETCH(int, length);
    QFETCH(QString, endChar);
    QFETCH(bool, complete);
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, tail);
    QByteArray actualTail("unset");
    QCOMPARE(RecordCutter::cut(buffer, length, endChar, 0, &actualTail), complete);
    if (complete) {
        QCOMPARE(buffer, record);
        QCOMPARE(actualTail, tail);
    }
}

void tst_RecordCutting::field_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("inside") << 3 << 5 << QByteArray("cde");
    QTest::newRow("one character") << 1 << 1 << QByteArray("a");
    QTest::newRow("reaching past the end") << 8 << 12 << QByteArray("hij");
    QTest::newRow("wholly outside") << 20 << 25 << QByteArray();
    QTest::newRow("first of zero") << 0 << 3 << QByteArray();
    QTest::newRow("negative first") << -2 << 3 << QByteArray();
    QTest::newRow("last before first") << 5 << 4 << QByteArray();
}

void tst_RecordCutting::field() {
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(QByteArray, expected);
    QCOMPARE(RecordCutter::field("abcdefghij", first, last), expected);
}

void tst_RecordCutting::plainNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("digits") << "123" << true;
    QTest::newRow("blanks and point") << "  12.50" << true;
    QTest::newRow("sign") << "-1.5" << true;
    QTest::newRow("sign and blanks") << "+  1.5 " << true;
    QTest::newRow("two points") << "1.234.5" << false;
    QTest::newRow("blanks only") << "      " << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters") << "12a" << false;
    QTest::newRow("overload marks") << "------" << false;
    QTest::newRow("comma") << "1,5" << false;
    QTest::newRow("point only") << "." << false;
    QTest::newRow("trailing point") << "12." << true;
}

void tst_RecordCutting::plainNumber() {
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(NumberText::isPlainNumber(text), expected);
}

void tst_RecordCutting::leadingNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("number") << "12.5" << 12.5;
    QTest::newRow("leading blanks") << "   7" << 7.0;
    QTest::newRow("blanks inside") << "1 2.5" << 12.5;
    QTest::newRow("stops at letter") << "3kg" << 3.0;
    QTest::newRow("second point stops") << "1.234.5" << 1.234;
    QTest::newRow("comma stops") << "12,5" << 12.0;
    QTest::newRow("negative") << "-0.5" << -0.5;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
}

void tst_RecordCutting::leadingNumber() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(NumberText::leadingNumber(text), expected);
}

void tst_RecordCutting::acceptance_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("stillstand");
    QTest::addColumn<QString>("otg");
    QTest::addColumn<QString>("utg");
    QTest::addColumn<int>("verdict");
    using V = MeasurementReader::Verdict;
    QTest::newRow("stable, no limits") << "g" << 5.0 << true << "0"
                                       << "0" << int(V::Accepted);
    QTest::newRow("no unit is not stable") << "" << 5.0 << true << "0"
                                           << "0" << int(V::NotStable);
    QTest::newRow("no unit, stability not required") << "" << 5.0 << false << "0"
                                                     << "0" << int(V::Accepted);
    QTest::newRow("equal to the upper limit") << "g" << 100.0 << true << "100"
                                              << "0" << int(V::Accepted);
    QTest::newRow("above the upper limit") << "g" << 100.01 << true << "100"
                                           << "0" << int(V::AboveMaximum);
    QTest::newRow("equal to the lower limit") << "g" << 10.0 << true << "0"
                                              << "10" << int(V::Accepted);
    QTest::newRow("below the lower limit") << "g" << 9.99 << true << "0"
                                           << "10" << int(V::BelowMinimum);
    QTest::newRow("not a number refused by a lower limit")
        << "g" << MeasurementReader::NotANumber << true << "0"
        << "1" << int(V::BelowMinimum);
    QTest::newRow("not a number passes without limits") << "g" << MeasurementReader::NotANumber << true << "0"
                                                        << "0" << int(V::Accepted);
    QTest::newRow("stability checked first") << "" << 500.0 << true << "100"
                                             << "0" << int(V::NotStable);
    QTest::newRow("negative value below a negative limit") << "g" << -5.0 << true << "0"
                                                           << "-2" << int(V::BelowMinimum);
    QTest::newRow("limit that is no number is off") << "g" << 500.0 << true << "many"
                                                    << "0" << int(V::Accepted);
}

void tst_RecordCutting::acceptance() {
    QFETCH(QString, unit);
    QFETCH(double, value);
    QFETCH(bool, stillstand);
    QFETCH(QString, otg);
    QFETCH(QString, utg);
    QFETCH(int, verdict);
    Settings settings = defaults();
    settings.stillstand = stillstand;
    settings.OTG = otg;
    settings.UTG = utg;
    QCOMPARE(int(MeasurementReader::check(settings, unit, value)), verdict);
}

void tst_RecordCutting::outputValue_data() {
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("unit");
    QTest::newRow("plain") << record("+", "123.45", "g ") << 123.45 << 2 << "g";
    QTest::newRow("negative") << record("-", "  12.5", "kg") << -12.5 << 1 << "kg";
    QTest::newRow("decimal comma") << record("+", " 12,50", "g ") << 12.5 << 2 << "g";
    QTest::newRow("only the first comma") << record("+", "1,2,50", "g ") << 1.2 << 4 << "g";
    QTest::newRow("no point counts every digit") << record("+", "  1234", "g ") << 1234.0 << 4 << "g";
    QTest::newRow("not a number reads as 0") << record("+", "------", "g ") << 0.0 << 6 << "g";
    QTest::newRow("unstable") << record("+", "  5.00", "  ") << 5.0 << 2 << "";
    QTest::newRow("short record") << QByteArray("N     +   1") << 1.0 << 1 << "";
}

void tst_RecordCutting::outputValue() {
    QFETCH(QByteArray, record);
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, unit);
    const auto cut = MeasurementReader::cutForOutput(defaults(), record);
    QCOMPARE(cut.value, value);
    QCOMPARE(cut.decimals, decimals);
    QCOMPARE(cut.unit, unit);
}

void tst_RecordCutting::mask_data() {
    QTest::addColumn<int>("decimals");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two decimals") << 2 << 10 << "######0.00";
    QTest::newRow("no decimals") << 0 << 10 << "#########0";
    QTest::newRow("three decimals") << 3 << 10 << "#####0.000";
    QTest::newRow("width grows") << 9 << 10 << "#0.000000000";
    QTest::newRow("negative decimals") << -1 << 10 << "#########0";
}

void tst_RecordCutting::mask() {
    QFETCH(int, decimals);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(NumberText::BuildNumberMask(decimals, width), expected);
}

void tst_RecordCutting::formatWithMask_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("German comma") << 12.5 << 2 << "de_DE"
                                  << "12,50";
    QTest::newRow("C point") << 12.5 << 2 << "C"
                             << "12.50";
    QTest::newRow("half away from zero") << 2.675 << 2 << "C"
                                         << "2.68";
    QTest::newRow("half of a negative") << -2.675 << 2 << "C"
                                        << "-2.68";
    QTest::newRow("round up carries") << 9.995 << 2 << "C"
                                      << "10.00";
    QTest::newRow("no decimals") << 1234.5 << 0 << "C"
                                 << "1235";
    QTest::newRow("small value keeps one zero") << 0.05 << 1 << "C"
                                                << "0.1";
    QTest::newRow("tiny negative shows no minus") << -0.001 << 2 << "C"
                                                  << "0.00";
    QTest::newRow("large value") << 123456789.0 << 2 << "de_DE"
                                 << "123456789,00";
    QTest::newRow("four decimals of a whole number") << 1234.0 << 4 << "C"
                                                     << "1234.0000";
    QTest::newRow("value of many digits") << 0.1 + 0.2 << 3 << "C"
                                          << "0.300";
}

void tst_RecordCutting::formatWithMask() {
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    const QLocale l(locale);
    const QString text = NumberText::formatWithMask(value, NumberText::BuildNumberMask(decimals, 10), l);
    QCOMPARE(text, expected);
    bool ok = false;
    QCOMPARE(NumberText::readFormatted(text, l, &ok),
             QLocale::c().toDouble(QString(text).replace(u',', u'.')));
    QVERIFY(ok);
}

QTEST_GUILESS_MAIN(tst_RecordCutting)
#include "tst_RecordCutting.moc"
