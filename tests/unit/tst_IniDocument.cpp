#include "base/files/AtomicFile.h"
#include "base/files/IniDocument.h"
#include "base/files/IniFile.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// Each case of a table is a row that names its place in the table.
template <typename Case, std::size_t N> void rows(const Case (&cases)[N]) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i) {
        QTest::newRow(cases[i].name) << int(i);
    }
}

const QString D = QStringLiteral("DEF");
const QByteArray X199(199, 'x');

// clang-format off
const struct {
    const char* name; QByteArray content; QString section, key, defaultValue, expected; bool found;
} ReadCases[] = {
    {"plain", "[S]\nk=v\n", "S", "k", D, "v", true},
    {"section case", "[Port Settings]\nbaud=9600\n", "port SETTINGS", "baud", D, "9600", true},
    {"key case", "[S]\nFormat={TAB}\n", "S", "FORMAT", D, "{TAB}", true},
    {"blanks around value", "[S]\nk = \t v w  \n", "S", "k", D, "v w", true},
    {"blanks around names", "  [ S ]  \n   k   = v\n", " S ", " k ", D, "v", true},
    {"double quotes", "[S]\nk=\" a \"\n", "S", "k", D, " a ", true},
    {"single quotes", "[S]\nk=' a '\n", "S", "k", D, " a ", true},
    {"only one pair removed", "[S]\nk=\"\"a\"\"\n", "S", "k", D, "\"a\"", true},
    {"mismatched quotes kept", "[S]\nk=\"a'\n", "S", "k", D, "\"a'", true},
    {"lone quote kept", "[S]\nk=\"\n", "S", "k", D, "\"", true},
    {"empty quotes", "[S]\nk=\"\"\n", "S", "k", D, "", true},
    {"value with equals", "[S]\nk=a=b\n", "S", "k", D, "a=b", true},
    {"199 characters kept", "[S]\nk=" + X199, "S", "k", D, X199, true},
    {"200 characters cut", "[S]\nk=" + X199 + "y", "S", "k", D, X199, true},
    {"quotes go before the cut", "[S]\nk=\"" + X199 + "y\"", "S", "k", D, X199, true},
    {"missing key", "[S]\nk=v\n", "S", "other", D, D, false},
    {"missing section", "[S]\nk=v\n", "T", "k", D, D, false},
    {"key of another section", "[S]\n[T]\nk=v\n", "S", "k", D, D, false},
    {"default loses trailing blanks", "", "S", "k", "abc  ", "abc", false},
    {"default of one blank is empty", "", "S", "k", " ", "", false},
    {"default keeps leading blanks", "", "S", "k", "  abc", "  abc", false},
    {"default cut", "", "S", "k", QString(300, u'd'), QString(199, u'd'), false},
    {"first duplicate key wins", "[S]\nk=1\nk=2\n", "S", "k", D, "1", true},
    {"first duplicate section wins", "[S]\nk=1\n[S]\nj=3\n", "S", "j", D, D, false},
    {"CR line ends", "[S]\rk=v\rj=w\r", "S", "j", D, "w", true},
    {"comment is no key", "[S]\n;k=v\n", "S", ";k", D, D, false},
    {"empty key name", "[S]\n=v\n", "S", "", D, D, false},
    {"line without equals", "[S]\ngarbage\nk=v", "S", "k", D, "v", true},
    {"keys before any section", "k=v\n[S]\n", "S", "k", D, D, false},
    {"truncated section header", "[S\nk=v\n", "S", "k", D, D, false},
    {"UTF-8", "[S]\nk=Gr\xc3\xbc\xc3\x9f\x65\n", "S", "k", D, "Grüße", true},
    {"UTF-8 byte order mark", "\xef\xbb\xbf[S]\nk=v\n", "S", "k", D, "v", true},
    {"Windows-1252", "[S]\nk=Gr\xfc\xdf\x65 \x80\n", "S", "k", D, "Grüße €", true},
    {"Windows-1252 edges", "[S]\nk=\x7f\x80\x9f\xa1\n", "S", "k", D, "\x7f€Ÿ¡", true},
    {"binary garbage", "\x01\xff\xfe[\x02]=\x03\n", "S", "k", D, D, false},
};

const struct {
    const char* name; QByteArray before; QString section, key, value; QByteArray after; QString readBack;
} WriteCases[] = {
    {"new file", {}, "Port settings", "baud", "9600", "[Port settings]\nbaud=9600\n", "9600"},
    {"new section at end", "[A]\nx=1\n", "B", "y", "2", "[A]\nx=1\n[B]\ny=2\n", "2"},
    {"new key at end of its section", "[A]\nx=1\n[B]\n", "a", "z", "3", "[A]\nx=1\nz=3\n[B]\n", "3"},
    {"new key above blank lines", "[A]\nx=1\n\n[B]\n", "A", "z", "3", "[A]\nx=1\nz=3\n\n[B]\n", "3"},
    {"new key above trailing blanks", "[A]\nx=1\n\n\n", "A", "z", "3", "[A]\nx=1\nz=3\n\n\n", "3"},
    {"new key into empty section", "[A]\n\n[B]\n", "A", "z", "3", "[A]\nz=3\n\n[B]\n", "3"},
    {"update in place takes passed case", "[S]\nKEY=1\nb=2\n", "s", "key", "9", "[S]\nkey=9\nb=2\n", "9"},
    {"update keeps comments", ";n\n[S]\na=1\n;k\nb=2\n", "S", "b", "x", ";n\n[S]\na=1\n;k\nb=x\n", "x"},
    {"first duplicate updated", "[S]\nk=1\nk=2\n", "S", "k", "3", "[S]\nk=3\nk=2\n", "3"},
    {"CR LF kept on update", "[S]\r\na=1\r\nb=2\r\n", "S", "a", "x", "[S]\r\na=x\r\nb=2\r\n", "x"},
    {"CR LF kept for a new key", "[S]\r\na=1\r\n", "S", "b", "2", "[S]\r\na=1\r\nb=2\r\n", "2"},
    {"CR line ends become LF", "[S]\ra=1\r", "S", "b", "2", "[S]\na=1\nb=2\n", "2"},
    {"keys before any section stay", "k=v\n", "S", "k", "1", "k=v\n[S]\nk=1\n", "1"},
    {"line break cannot split the file", {}, "S", "a", "x\r\ny", "[S]\na=x  y\n", "x  y"},
    {"Windows-1252 rewritten as UTF-8", "[S]\na=\xfc\n", "S", "b", "ä", "[S]\na=\xc3\xbc\nb=\xc3\xa4\n",
        "ä"},
    {"blanks written, trimmed when read", {}, "S", "k", " x ", "[S]\nk= x \n", "x"},
    {"quoted blank", {}, "S", "k", "\" \"", "[S]\nk=\" \"\n", " "},
};
// clang-format on

} // namespace

class tst_IniDocument : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data() { rows(ReadCases); }
    void read() {
        QFETCH(int, row);
        const auto& c = ReadCases[row];
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("test.ini"));
        QVERIFY(TestFiles::write(path, c.content));
        QCOMPARE(IniFile::read(path, c.section, c.key, c.defaultValue), c.expected);
        QCOMPARE(IniDocument::fromBytes(c.content).contains(c.section, c.key), c.found);
    }
    void sizeLimit() {
        // A file is read up to 16 MiB; what is larger is no configuration file.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.ini"));
        for (const qint64 size : {qint64(16 << 20), qint64(16 << 20) + 1}) {
            QVERIFY(TestFiles::write(path, "[S]\nk=v\n;" + QByteArray(size - 9, 'x')));
            QCOMPARE(IniFile::read(path, QStringLiteral("S"), QStringLiteral("k"), D),
                     size == 16 << 20 ? "v" : D);
        }
        QCOMPARE(IniFile::read(dir.path(), QStringLiteral("S"), QStringLiteral("k"), D), D);
    }
    void write_data() { rows(WriteCases); }
    void write() {
        QFETCH(int, row);
        const auto& c = WriteCases[row];
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("test.ini"));
        QVERIFY(c.before.isNull() || TestFiles::write(path, c.before));
        QVERIFY(IniFile::write(path, c.section, c.key, c.value));
        QCOMPARE(TestFiles::read(path), c.after);
        QCOMPARE(IniFile::read(path, c.section, c.key, D), c.readBack);
    }
    void keysInFileOrder() {
        const IniDocument document =
            IniDocument::fromBytes("[T]\nt=1\n[S]\n;c=1\nB=2\nnone\n\na=3\n[U]\nu=4\n");
        QCOMPARE(document.keys(QStringLiteral("s")), (QStringList{"B", "a"}));
        QCOMPARE(document.keys(QStringLiteral("T")), QStringList{"t"});
        QCOMPARE(document.keys(QStringLiteral("V")), QStringList{});
    }
    void failedSaveLeavesOldFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("sizeLimit");
        // A file size limit makes the write fail half way, as a full disk would, even for root.
        QTest::newRow("write fails half way") << "test.ini" << true;
        QTest::newRow("missing folder") << "missing/test.ini" << false;
    }
    void failedSaveLeavesOldFile() {
        QFETCH(QString, name);
        QFETCH(bool, sizeLimit);
        QTemporaryDir dir;
        const QByteArray original("[S]\nk=old\n");
        QVERIFY(TestFiles::write(dir.filePath(QStringLiteral("test.ini")), original));
        IniDocument document = IniDocument::fromFile(dir.filePath(QStringLiteral("test.ini")));
        document.setValue(QStringLiteral("S"), QStringLiteral("k"), QString(4000, u'n'));
        struct rlimit saved {};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = 1024;
        QVERIFY(!sizeLimit || ::setrlimit(RLIMIT_FSIZE, &limited) == 0);
        const bool documentSaved = document.save(dir.filePath(name));
        QString error;
        const bool replaced = AtomicFile::replace(dir.filePath(name), document.toBytes(), &error);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(!documentSaved && !replaced && !document.save(QString()));
        QVERIFY(!error.isEmpty());
        QCOMPARE(TestFiles::read(dir.filePath(QStringLiteral("test.ini"))), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"test.ini"});
    }
};

QTEST_GUILESS_MAIN(tst_IniDocument)
#include "tst_IniDocument.moc"
