#include "core/base/TextRoutines.h"
#include "core/base/TolvekError.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/PathResolver.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace TextRoutines;

class TestTextRoutines : public QObject
{
    Q_OBJECT
private slots:
    void padText_data();
    void padText();
    void networkPath();
    void trailingSeparator();
    void strToInt_data();
    void strToInt();
    void strToIntErrorText();
    void ansiRoundTripsEveryByte();
    void ansiReportsUnencodable();
    void entryParts();
    void nextKey();
    void commandLineFileName_data();
    void commandLineFileName();
    void resolvesWindowsNames();
};

void TestTextRoutines::padText_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pad");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");
    QTest::newRow("photo key") << "R"
                               << "7"
                               << "0" << 5 << "00007";
    QTest::newRow("six digits cut") << "R"
                                    << "123456"
                                    << "0" << 5 << "12345";
    QTest::newRow("left, empty pad") << "L"
                                     << "abc"
                                     << "" << 5 << "abc  ";
    QTest::newRow("fill") << "F"
                          << "ab"
                          << "x" << 3 << "ababab";
    QTest::newRow("width one") << "R"
                               << "42"
                               << "0" << 1 << "4";
    QTest::newRow("lower-case mode") << "r"
                                     << "7"
                                     << "0" << 5 << "";
    QTest::newRow("unknown mode") << "X"
                                  << "7"
                                  << "0" << 5 << "";
    QTest::newRow("exact width") << "R"
                                 << "12345"
                                 << "0" << 5 << "12345";
}

void TestTextRoutines::padText()
{
    QFETCH(QString, mode);
    QFETCH(QString, text);
    QFETCH(QString, pad);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(PadText(mode, text, pad, width), expected);
}

void TestTextRoutines::networkPath()
{
    QVERIFY(IsNetworkPath(QStringLiteral("\\\\server\\share")));
    QVERIFY(IsNetworkPath(QStringLiteral("//server/share")));
    QVERIFY(!IsNetworkPath(QStringLiteral("C:\\foto")));
    QVERIFY(!IsNetworkPath(QStringLiteral("/home/user")));
    QVERIFY(!IsNetworkPath(QStringLiteral("\\")));
}

void TestTextRoutines::trailingSeparator()
{
    QCOMPARE(AddTrailingBackslash(QStringLiteral("/tmp")), QStringLiteral("/tmp/"));
    QCOMPARE(AddTrailingBackslash(QStringLiteral("/tmp/")), QStringLiteral("/tmp/"));
    QCOMPARE(AddTrailingBackslash(QString()), QStringLiteral("/"));
}

void TestTextRoutines::strToInt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("412") << true << 412;
    QTest::newRow("negative") << QByteArray("-87") << true << -87;
    QTest::newRow("plus") << QByteArray("+5") << true << 5;
    QTest::newRow("leading zeros") << QByteArray("00003") << true << 3;
    QTest::newRow("leading blank") << QByteArray(" 12") << true << 12;
    QTest::newRow("max") << QByteArray("2147483647") << true << 2147483647;
    QTest::newRow("min") << QByteArray("-2147483648") << true << int(-2147483648LL);
    QTest::newRow("overflow") << QByteArray("2147483648") << false << 0;
    QTest::newRow("huge") << QByteArray("99999999999999999999999") << false << 0;
    QTest::newRow("empty") << QByteArray("") << false << 0;
    QTest::newRow("sign only") << QByteArray("-") << false << 0;
    QTest::newRow("letters") << QByteArray("abc") << false << 0;
    QTest::newRow("trailing blank") << QByteArray("12 ") << false << 0;
    QTest::newRow("decimal point") << QByteArray("1.5") << false << 0;
}

void TestTextRoutines::strToInt()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    std::int32_t got = 0;
    QCOMPARE(TryStrToInt(text, got), valid);
    if (valid) {
        QCOMPARE(got, value);
        QCOMPARE(StrToInt(text), value);
    } else {
        QVERIFY_THROWS_EXCEPTION(TolvekError, StrToInt(text));
    }
}

void TestTextRoutines::strToIntErrorText()
{
    try {
        StrToInt(QByteArray("ab\xe9"));
        QFAIL("no error");
    } catch (const TolvekError &e) {
        QCOMPARE(e.message(), QString::fromUtf8("'ab\u00e9' is not a valid integer value"));
    }
}

void TestTextRoutines::ansiRoundTripsEveryByte()
{
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all += static_cast<char>(b);
    const QString text = AnsiCodec::toUnicode(all);
    QCOMPARE(text.size(), all.size());
    QCOMPARE(AnsiCodec::fromUnicode(text), all);
    QCOMPARE(AnsiCodec::toUnicode(QByteArray("\x80")), QString(QChar(0x20AC)));
    QCOMPARE(AnsiCodec::toUnicode(QByteArray("\x81")), QString(QChar(0x0081)));
    QCOMPARE(AnsiCodec::toUnicode(QByteArray("\x9d")), QString(QChar(0x009D)));
    QCOMPARE(AnsiCodec::toUnicode(QByteArray("\xeb")), QString(QChar(0x00EB)));
}

void TestTextRoutines::ansiReportsUnencodable()
{
    const QString text = QString::fromUtf8("caf\u00e9 \u20ac \u0141\u00f3d\u017a \u0141 \U0001F600");
    QCOMPARE(AnsiCodec::unencodableCharacters(text), QString::fromUtf8("\u0141\u017a\U0001F600"));
    QVERIFY(AnsiCodec::unencodableCharacters(QString::fromUtf8("\u20ac\u0153\u00ff")).isEmpty());
}

void TestTextRoutines::entryParts()
{
    QCOMPARE(PhotoEntry::KeyText("00003=kerk.jpg"), QByteArray("00003"));
    QCOMPARE(PhotoEntry::Value("00003=a=b.jpg"), QByteArray("a=b.jpg"));
    QCOMPARE(PhotoEntry::Value("geen sleutel"), QByteArray());
    QCOMPARE(PhotoEntry::Key("00003=x"), 3);
    QVERIFY_THROWS_EXCEPTION(TolvekError, PhotoEntry::Key("=x"));

    const auto p = PhotoEntry::ParsePosition("00003=412,87,330");
    QCOMPARE(p.x, 412);
    QCOMPARE(p.y, 87);
    QCOMPARE(p.direction, 330);
    const auto n = PhotoEntry::ParsePosition("7=-5,-6,45");
    QCOMPARE(n.x, -5);
    QCOMPARE(n.y, -6);
    QCOMPARE(n.direction, 45);
    // The direction is everything after the second comma.
    try {
        PhotoEntry::ParsePosition("00001=1,2,3,4");
        QFAIL("no error");
    } catch (const TolvekError &e) {
        QCOMPARE(e.message(), QStringLiteral("'3,4' is not a valid integer value"));
    }
    try {
        PhotoEntry::ParsePosition("00001=1");
        QFAIL("no error");
    } catch (const TolvekError &e) {
        QCOMPARE(e.message(), QStringLiteral("'' is not a valid integer value"));
    }
    QCOMPARE(PhotoEntry::MakePosition("00012", -3, 4, 90), QByteArray("00012=-3,4,90"));
}

void TestTextRoutines::nextKey()
{
    ProjectDocument doc;
    QCOMPARE(PhotoEntry::NextKey(doc), 1);
    doc.PositionList = {"00001=1,1,0", "00003=1,1,0"};
    QCOMPARE(PhotoEntry::NextKey(doc), 4);
    QCOMPARE(PhotoEntry::KeyTextFor(4), QByteArray("00004"));
    doc.PositionList = {"00001=1,1,0", "99999=1,1,0"};
    QCOMPARE(PhotoEntry::NextKey(doc), 0); // no five-digit key left
    doc.PositionList = {"0000x=1,1,0"};
    QVERIFY_THROWS_EXCEPTION(TolvekError, PhotoEntry::NextKey(doc));
}

void TestTextRoutines::commandLineFileName_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << "/opt/tolvek/tolvek /data/kerk.tvk"
                           << "/opt/tolvek/tolvek"
                           << "/data/kerk.tvk";
    QTest::newRow("quoted") << "/opt/tolvek/tolvek \"/data/mijn kerk.tvk\""
                            << "/opt/tolvek/tolvek"
                            << "/data/mijn kerk.tvk";
    QTest::newRow("unquoted spaces") << "\"/opt/tolvek/tolvek\" /data/mijn kerk.tvk  "
                                     << "/opt/tolvek/tolvek"
                                     << "/data/mijn kerk.tvk";
    QTest::newRow("case-insensitive name") << "/opt/TOLVEK a.tvk"
                                           << "/opt/tolvek"
                                           << "a.tvk";
    QTest::newRow("no arguments") << "/opt/tolvek/tolvek"
                                  << "/opt/tolvek/tolvek"
                                  << "";
}

void TestTextRoutines::commandLineFileName()
{
    QFETCH(QString, commandLine);
    QFETCH(QString, program);
    QFETCH(QString, expected);
    QCOMPARE(ProcessFolders::CommandLineFileNameFrom(commandLine, program), expected);
    QCOMPARE(ProcessFolders::CommandLineFileName({QStringLiteral("/x/tolvek")}), QString());
    QCOMPARE(ProcessFolders::CommandLineFileName(
                 {QStringLiteral("/x/tolvek"), QStringLiteral("mijn"), QStringLiteral("kerk.tvk")}),
             QStringLiteral("mijn kerk.tvk"));
}

void TestTextRoutines::resolvesWindowsNames()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("Fotos/Toren")));
    QFile f(dir.filePath(QStringLiteral("Fotos/Toren/Kerk.JPG")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QString expected = dir.filePath(QStringLiteral("Fotos/Toren/Kerk.JPG"));
    QCOMPARE(PathResolver::Resolve("fotos\\toren\\kerk.jpg", dir.path()), expected);
    QCOMPARE(PathResolver::Resolve("Fotos/Toren/Kerk.JPG", dir.path()), expected);
    QCOMPARE(PathResolver::Resolve(expected.toUtf8()), expected);
    // Nothing matches: the plain path comes back, so the caller reports that name.
    QCOMPARE(PathResolver::Resolve("fotos\\weg.jpg", dir.path()), dir.filePath(QStringLiteral("fotos/weg.jpg")));
    // Relative to the current folder when no base is given.
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QCOMPARE(PathResolver::Resolve("FOTOS\\TOREN\\KERK.jpg"), expected);
    QDir::setCurrent(old);

    // One resolver asked for many names remembers the folders it listed:
    // each answer must still be that name's own, found or not.
    QFile g(dir.filePath(QStringLiteral("Fotos/Toren/Gracht.jpg")));
    QVERIFY(g.open(QIODevice::WriteOnly));
    g.close();
    PathResolver resolver;
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(resolver.Find("fotos\\toren\\kerk.jpg", dir.path()), expected);
        QCOMPARE(resolver.Find("FOTOS\\TOREN\\GRACHT.JPG", dir.path()),
                 dir.filePath(QStringLiteral("Fotos/Toren/Gracht.jpg")));
        QCOMPARE(resolver.Find("fotos\\toren\\weg.jpg", dir.path()),
                 dir.filePath(QStringLiteral("fotos/toren/weg.jpg")));
        QCOMPARE(resolver.Find("fotos\\poort\\kerk.jpg", dir.path()),
                 dir.filePath(QStringLiteral("fotos/poort/kerk.jpg")));
    }
}

QTEST_GUILESS_MAIN(TestTextRoutines)
#include "tst_textroutines.moc"
