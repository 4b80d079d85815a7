#include "settings/IniAccess.h"
#include "settings/IniDocument.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

class tst_IniDocument : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data();
    void read();
    void readMissingFile();
    void write_data();
    void write();
    void writeThenReadRoundTrip_data();
    void writeThenReadRoundTrip();
    void failedWriteLeavesFileIntact();
    void writeIntoMissingFolderFails();
};

void tst_IniDocument::read_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("defaultValue");
    QTest::addColumn<QString>("expected");

    const QString d = QStringLiteral("DEF");
    QTest::newRow("plain") << QByteArray("[S]\nk=v\n") << "S"
                           << "k" << d << "v";
    QTest::newRow("section case") << QByteArray("[Port Settings]\nbaud=9600\n") << "port settings"
                                  << "baud" << d << "9600";
    QTest::newRow("key case") << QByteArray("[S]\nFormat={TAB}\n") << "S"
                              << "format" << d << "{TAB}";
    QTest::newRow("blanks around value") << QByteArray("[S]\nk =   v w   \n") << "S"
                                         << "k" << d << "v w";
    QTest::newRow("blanks around names") << QByteArray("  [ S ]  \n   k   = v\n") << "S"
                                         << "k" << d << "v";
    QTest::newRow("double quotes") << QByteArray("[S]\nk=\" a \"\n") << "S"
                                   << "k" << d << " a ";
    QTest::newRow("single quotes") << QByteArray("[S]\nk=' a '\n") << "S"
                                   << "k" << d << " a ";
    QTest::newRow("one blank quoted") << QByteArray("[S]\nk=\" \"\n") << "S"
                                      << "k" << d << " ";
    QTest::newRow("only one pair removed") << QByteArray("[S]\nk=\"\"a\"\"\n") << "S"
                                           << "k" << d << "\"a\"";
    QTest::newRow("mismatched quotes kept") << QByteArray("[S]\nk=\"a'\n") << "S"
                                            << "k" << d << "\"a'";
    QTest::newRow("lone quote kept") << QByteArray("[S]\nk=\"\n") << "S"
                                     << "k" << d << "\"";
    QTest::newRow("empty value") << QByteArray("[S]\nk=\n") << "S"
                                 << "k" << d << "";
    QTest::newRow("value with equals") << QByteArray("[S]\nk=a=b\n") << "S"
                                       << "k" << d << "a=b";
    QTest::newRow("250 characters cut to 199") << (QByteArray("[S]\nk=") + QByteArray(250, 'x') + '\n') << "S"
                                               << "k" << d << QString(199, u'x');
    QTest::newRow("missing key") << QByteArray("[S]\nk=v\n") << "S"
                                 << "other" << d << d;
    QTest::newRow("missing section") << QByteArray("[S]\nk=v\n") << "T"
                                     << "k" << d << d;
    QTest::newRow("key of another section") << QByteArray("[S]\n[T]\nk=v\n") << "S"
                                            << "k" << d << d;
    QTest::newRow("default loses trailing blanks") << QByteArray("") << "S"
                                                   << "k"
                                                   << "abc  "
                                                   << "abc";
    QTest::newRow("default of one blank is empty") << QByteArray("") << "S"
                                                   << "k"
                                                   << " "
                                                   << "";
    QTest::newRow("default keeps leading blanks") << QByteArray("") << "S"
                                                  << "k"
                                                  << "  abc"
                                                  << "  abc";
    QTest::newRow("default cut to 199") << QByteArray("") << "S"
                                        << "k" << QString(300, u'd') << QString(199, u'd');
    QTest::newRow("first duplicate key wins") << QByteArray("[S]\nk=1\nk=2\n") << "S"
                                              << "k" << d << "1";
    QTest::newRow("first duplicate section wins") << QByteArray("[S]\nk=1\n[S]\nk=2\nj=3\n") << "S"
                                                  << "k" << d << "1";
    QTest::newRow("CR LF line ends") << QByteArray("[S]\r\nk=v\r\nj=w\r\n") << "S"
                                     << "j" << d << "w";
    QTest::newRow("no final line end") << QByteArray("[S]\nk=v") << "S"
                                       << "k" << d << "v";
    QTest::newRow("comment is no key") << QByteArray("[S]\n;k=v\n") << "S"
                                       << ";k" << d << d;
    QTest::newRow("line without equals ignored") << QByteArray("[S]\ngarbage\nk=v\n") << "S"
                                                 << "k" << d << "v";
    QTest::newRow("keys before any section ignored") << QByteArray("k=v\n[S]\n") << "S"
                                                     << "k" << d << d;
    QTest::newRow("UTF-8") << QByteArray("[S]\nk=Gr\xc3\xbc\xc3\x9f\x65\n") << "S"
                           << "k" << d << QStringLiteral("Grüße");
    QTest::newRow("UTF-8 with byte order mark") << QByteArray("\xef\xbb\xbf[S]\nk=v\n") << "S"
                                                << "k" << d << "v";
    QTest::newRow("Windows-1252") << QByteArray("[S]\nk=Gr\xfc\xdf\x65 \x80\n") << "S"
                                  << "k" << d << QStringLiteral("Grüße €");
    QTest::newRow("binary garbage") << QByteArray("\x00\x01\xff\xfe[\x00]=\x00\n\x00", 12) << "S"
                                    << "k" << d << d;
    QTest::newRow("truncated section header") << QByteArray("[S\nk=v\n") << "S"
                                              << "k" << d << d;
    QTest::newRow("empty file") << QByteArray() << "S"
                                << "k" << d << d;
}

void tst_IniDocument::read() {
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, defaultValue);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test.ini"));
    QVERIFY(TestFiles::write(path, content));
    QCOMPARE(ReadIniValue(section, key, defaultValue, path), expected);
}

void tst_IniDocument::readMissingFile() {
    QTemporaryDir dir;
    QCOMPARE(ReadIniValue(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("x "),
                          dir.filePath("none.ini")),
             QStringLiteral("x"));
    QCOMPARE(ReadIniValue(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("x"), dir.path()),
             QStringLiteral("x"));
}

void tst_IniDocument::write_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << "Port settings"
                              << "baud"
                              << "9600" << QByteArray("[Port settings]\nbaud=9600\n");
    QTest::newRow("new section at end") << QByteArray("[A]\nx=1\n") << "B"
                                        << "y"
                                        << "2" << QByteArray("[A]\nx=1\n[B]\ny=2\n");
    QTest::newRow("new key at end of its section") << QByteArray("[A]\nx=1\n[B]\ny=2\n") << "a"
                                                   << "z"
                                                   << "3" << QByteArray("[A]\nx=1\nz=3\n[B]\ny=2\n");
    QTest::newRow("new key above blank lines") << QByteArray("[A]\nx=1\n\n[B]\ny=2\n") << "A"
                                               << "z"
                                               << "3" << QByteArray("[A]\nx=1\nz=3\n\n[B]\ny=2\n");
    QTest::newRow("update in place takes passed case") << QByteArray("[S]\nKEY=1\nb=2\n") << "s"
                                                       << "key"
                                                       << "9" << QByteArray("[S]\nkey=9\nb=2\n");
    QTest::newRow("update keeps comments and other lines")
        << QByteArray("; note\n[S]\na=1\n; keep\nb=2\n") << "S"
        << "b"
        << "x" << QByteArray("; note\n[S]\na=1\n; keep\nb=x\n");
    QTest::newRow("CR LF kept") << QByteArray("[S]\r\na=1\r\n") << "S"
                                << "b"
                                << "2" << QByteArray("[S]\r\na=1\r\nb=2\r\n");
    QTest::newRow("line break in value cannot split the file") << QByteArray() << "S"
                                                               << "a"
                                                               << "x\ny" << QByteArray("[S]\na=x y\n");
    QTest::newRow("Windows-1252 file rewritten as UTF-8")
        << QByteArray("[S]\na=\xfc\n") << "S"
        << "b"
        << "\xc3\xa4" << QByteArray("[S]\na=\xc3\xbc\nb=\xc3\xa4\n");
}

void tst_IniDocument::write() {
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test.ini"));
    if (!before.isNull()) {
        QVERIFY(TestFiles::write(path, before));
    }
    QVERIFY(WriteIniValue(section, key, value, path));
    QCOMPARE(TestFiles::read(path), after);
}

void tst_IniDocument::writeThenReadRoundTrip_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << QStringLiteral("abc");
    QTest::newRow("umlauts") << QStringLiteral("Wägung µg °C");
    QTest::newRow("braces") << QStringLiteral("{Messwert}{TAB}{ENTER}");
    QTest::newRow("quoted blank") << QStringLiteral("\" \"");
    QTest::newRow("semicolon inside") << QStringLiteral("a;b");
}

void tst_IniDocument::writeThenReadRoundTrip() {
    QFETCH(QString, value);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test.ini"));
    QVERIFY(WriteIniValue(QStringLiteral("S"), QStringLiteral("k"), value, path));
    QString expected = value;
    if (value == QLatin1String("\" \"")) {
        expected = QStringLiteral(" ");
    }
    QCOMPARE(ReadIniValue(QStringLiteral("S"), QStringLiteral("k"), {}, path), expected);
}

void tst_IniDocument::failedWriteLeavesFileIntact() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test.ini"));
    const QByteArray original("[S]\nk=old\n");
    QVERIFY(TestFiles::write(path, original));

    IniDocument document = IniDocument::fromFile(path);
    document.setValue(QStringLiteral("S"), QStringLiteral("k"), QString(4000, u'n'));

    // A file size limit makes the write fail half way, as a full disk would, even for root.
    struct rlimit saved {};
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 1024;
    QVERIFY(::setrlimit(RLIMIT_FSIZE, &limited) == 0);
    const bool saved_ok = document.save(path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!saved_ok);
    QCOMPARE(TestFiles::read(path), original);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("test.ini")});
}

void tst_IniDocument::writeIntoMissingFolderFails() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("missing/test.ini"));
    QVERIFY(!WriteIniValue(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v"), path));
    QVERIFY(!QFileInfo::exists(path));
}

QTEST_GUILESS_MAIN(tst_IniDocument)
#include "tst_IniDocument.moc"
