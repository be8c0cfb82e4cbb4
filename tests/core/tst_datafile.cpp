#include "core/base/TolvekError.h"
#include "core/project/DataFile.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoLookup.h"
#include "core/project/ProjectDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <QDir>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

bool writeAll(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

ProjectDocument sampleDocument()
{
    ProjectDocument doc;
    doc.MapFileName = "plattegrond.bmp";
    doc.TriangleSize = -12;
    doc.TriangleColour = 255;
    doc.LogoFileName = "logo.bmp";
    doc.WebAddress = "www.voorbeeld.nl";
    doc.Organisation = "Stichting Oud & Nieuw";
    doc.Description1 = "Regel \xe9\xe9n";
    doc.Description2 = "";
    doc.Description3 = "= drie";
    doc.UserHelpText = "Klik!";
    doc.PositionList = {"00001=412,87,330", "00002=-5,0,45"};
    doc.NameList = {"00001=kerk.jpg", "00002=fotos\\a=b.jpg"};
    doc.NotesList = {"00002=a\x9d"
                     "b",
                     "00001=Type hier uw aantekeningen."};
    return doc;
}

} // namespace

class TestDataFile : public QObject
{
    Q_OBJECT
private slots:
    void emptyProjectIsExactly21Lines();
    void roundTripIsByteExact();
    void everyHighByteSurvives();
    void notesEncoding();
    void readsLfAndCrLf();
    void readsSectionsInAnyOrder();
    void lastLineWithoutLineEnd();
    void readEntriesAreIndependentStrings();
    void singleBlankLineIsAnEntry();
    void wrongCaseHeaderIsNotASection();
    void onlyFirstHeaderCounts();
    void formatTagIgnoredOnRead();
    void badIntegerStopsTheLoad();
    void fileWithoutHeadersIsNoProject();
    void missingFileCannotOpen();
    void failedSaveKeepsOldFile();
    void fullDiskIsReported();
    void vanishedFolderIsReported();
};

void TestDataFile::emptyProjectIsExactly21Lines()
{
    ProjectDocument doc;
    const QByteArray expected = "[Databestand voor Tolvek]\r\n"
                                "\r\n"
                                "[Algemene gegevens]\r\n"
                                "00000=100\r\n"
                                "00001=\r\n"
                                "00002=6\r\n"
                                "00003=16711680\r\n"
                                "00004=\r\n"
                                "00005=\r\n"
                                "00006=\r\n"
                                "00007=\r\n"
                                "00008=\r\n"
                                "00009=\r\n"
                                "00010=Klik op driehoek voor foto\r\n"
                                "\r\n"
                                "[Fotopositie]\r\n"
                                "\r\n"
                                "[Fotonaam]\r\n"
                                "\r\n"
                                "[Foto-aantekeningen]\r\n"
                                "\r\n";
    QCOMPARE(DataFile::Serialize(doc), expected);
    QCOMPARE(expected.count("\r\n"), 21);

    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("leeg.tvk"));
    QCOMPARE(DataFile::Write(doc, name), DataFile::WriteResult::Ok);
    QCOMPARE(readAll(name), expected);
}

void TestDataFile::roundTripIsByteExact()
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("a.tvk"));
    const QString second = dir.filePath(QStringLiteral("b.tvk"));
    const ProjectDocument doc = sampleDocument();
    QCOMPARE(DataFile::Write(doc, first), DataFile::WriteResult::Ok);

    ProjectDocument back;
    QCOMPARE(DataFile::Read(back, first), DataFile::ReadResult::Ok);
    QCOMPARE(back.MapFileName, doc.MapFileName);
    QCOMPARE(back.TriangleSize, -12);
    QCOMPARE(back.TriangleColour, 255);
    QCOMPARE(back.Organisation, doc.Organisation);
    QCOMPARE(back.Description1, doc.Description1);
    QCOMPARE(back.Description3, doc.Description3);
    QCOMPARE(back.UserHelpText, doc.UserHelpText);
    QCOMPARE(back.PositionList, doc.PositionList);
    QCOMPARE(back.NameList, doc.NameList);
    QCOMPARE(back.NotesList, doc.NotesList);

    QCOMPARE(DataFile::Write(back, second), DataFile::WriteResult::Ok);
    QCOMPARE(readAll(second), readAll(first));
}

void TestDataFile::everyHighByteSurvives()
{
    QByteArray high;
    for (int b = 0x80; b <= 0xFF; ++b)
        if (b != 0x9D) // 0x9D is the line break of notes
            high += static_cast<char>(b);
    ProjectDocument doc;
    doc.Organisation = high;
    doc.NameList = {"00001=" + high};
    doc.PositionList = {"00001=1,1,0"};
    doc.NotesList = {"00001=" + high};

    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("hoog.tvk"));
    QCOMPARE(DataFile::Write(doc, first), DataFile::WriteResult::Ok);
    ProjectDocument back;
    DataFile::Read(back, first);
    QCOMPARE(back.Organisation, high);
    QCOMPARE(back.NameList.value(0), "00001=" + high);
    QCOMPARE(back.NotesList.value(0), "00001=" + high);
    const QString second = dir.filePath(QStringLiteral("hoog2.tvk"));
    DataFile::Write(back, second);
    QCOMPARE(readAll(second), readAll(first));
}

void TestDataFile::notesEncoding()
{
    QCOMPARE(PhotoEntry::EncodeNotes("00001=a\r\nb"),
             QByteArray("00001=a\x9d"
                        "b"));
    QCOMPARE(PhotoEntry::DecodeNotes("00001=a\x9d"
                                     "b"),
             QByteArray("00001=a\r\nb"));
    QCOMPARE(PhotoEntry::EncodeNotes("00001=a\nb"), QByteArray("00001=ab")); // lone LF is lost
    QCOMPARE(PhotoEntry::EncodeNotes("00001=a\rb"),
             QByteArray("00001=a\x9d"
                        "b")); // lone CR comes back as CR LF
    QCOMPARE(PhotoEntry::DecodeNotes("00001=x=y"), QByteArray("00001=x=y"));

    // The project holds notes as the file does; a CR or LF that got into
    // one all the same is encoded on the way out, so it cannot split a line.
    ProjectDocument doc;
    doc.NotesList = {"00001=a\r\nb\x9d"
                     "c=d"};
    ProjectDocument back;
    DataFile::Parse(back, DataFile::Serialize(doc));
    QCOMPARE(back.NotesList,
             QList<QByteArray>{"00001=a\x9d"
                               "b\x9d"
                               "c=d"});
    QCOMPARE(PhotoLookup::NotesFor(back.NotesList, 1), QByteArray("a\r\nb\r\nc=d"));

    // Several breaks of every kind, at the ends too, in saved files and back.
    QCOMPARE(PhotoEntry::EncodeNotes("\r\n00002=\n\r\r\nx\n\ny\r"),
             QByteArray("\x9d"
                        "00002=\x9d\x9dxy\x9d"));
    QCOMPARE(PhotoEntry::DecodeNotes("\x9d"
                                     "00002=\x9d\x9dxy\x9d"),
             QByteArray("\r\n00002=\r\n\r\nxy\r\n"));
    doc.NotesList = {"00003=\r\n\r\nregel\nnog\r", "00004=geen", "00005=\n"};
    const QByteArray saved = DataFile::Serialize(doc);
    QVERIFY(saved.contains("\r\n00003=\x9d\x9dregelnog\x9d\r\n00004=geen\r\n00005=\r\n"));
    back = ProjectDocument();
    DataFile::Parse(back, saved);
    QCOMPARE(back.NotesList, (QList<QByteArray>{"00003=\x9d\x9dregelnog\x9d", "00004=geen", "00005="}));
    QCOMPARE(PhotoLookup::NotesFor(back.NotesList, 3), QByteArray("\r\n\r\nregelnog\r\n"));
    // Saved again, byte for byte the same.
    QCOMPARE(DataFile::Serialize(back), saved);
}

void TestDataFile::readsLfAndCrLf()
{
    const QByteArray crlf = "[Algemene gegevens]\r\n00006=Kerk\r\n00002=8\r\n[Fotopositie]\r\n00001=1,2,0\r\n";
    QByteArray lf = crlf;
    lf.replace("\r\n", "\n");
    for (const QByteArray &contents : {crlf, lf}) {
        ProjectDocument doc;
        DataFile::Parse(doc, contents);
        QCOMPARE(doc.Organisation, QByteArray("Kerk"));
        QCOMPARE(doc.TriangleSize, 8);
        QCOMPARE(doc.PositionList, QList<QByteArray>{"00001=1,2,0"});
    }
}

void TestDataFile::readsSectionsInAnyOrder()
{
    const QByteArray contents = "[Foto-aantekeningen]\r\n00002=twee\r\n00001=een\r\n\r\n"
                                "[Fotonaam]\r\n00001=a.jpg\r\n00002=b.jpg\r\n"
                                "[Fotopositie]\r\n00001=1,1,0\r\n00002=2,2,30\r\n"
                                "[Algemene gegevens]\r\n00010=Hulp\r\n";
    ProjectDocument doc;
    DataFile::Parse(doc, contents);
    QCOMPARE(doc.UserHelpText, QByteArray("Hulp"));
    QCOMPARE(doc.PositionList, (QList<QByteArray>{"00001=1,1,0", "00002=2,2,30"}));
    QCOMPARE(doc.NameList, (QList<QByteArray>{"00001=a.jpg", "00002=b.jpg"}));
    QCOMPARE(doc.NotesList, (QList<QByteArray>{"00002=twee", "00001=een"}));
}

void TestDataFile::lastLineWithoutLineEnd()
{
    ProjectDocument doc;
    DataFile::Parse(doc, "[Fotonaam]\r\n00001=a.jpg\r\n00002=b.jpg");
    QCOMPARE(doc.NameList, (QList<QByteArray>{"00001=a.jpg", "00002=b.jpg"}));
}

// Read entries share the file's bytes: each must still behave as a string
// of its own, whatever is done to the others or to the file's text.
void TestDataFile::readEntriesAreIndependentStrings()
{
    QByteArray contents = "[Fotopositie]\r\n00001=1,1,0\r\n00002=2,2,30\n00003=3,3,60\r\r\n"
                          "[Foto-aantekeningen]\r\n00001=een\x9d"
                          "twee\r\n00002=drie\r\n"
                          "[Fotonaam]\n00001=a.jpg\n00002=b.jpg";
    const QByteArray original = contents;
    ProjectDocument doc;
    DataFile::Parse(doc, contents);
    QCOMPARE(contents, original); // the caller's bytes are left alone
    contents.fill('x');
    QCOMPARE(doc.PositionList, (QList<QByteArray>{"00001=1,1,0", "00002=2,2,30", "00003=3,3,60\r"}));
    QCOMPARE(doc.NotesList,
             (QList<QByteArray>{"00001=een\x9d"
                                "twee",
                                "00002=drie"}));
    QCOMPARE(doc.NameList, (QList<QByteArray>{"00001=a.jpg", "00002=b.jpg"}));
    // Every entry ends in the zero C functions look for.
    for (const auto *list : {&doc.PositionList, &doc.NameList, &doc.NotesList})
        for (const QByteArray &e : *list)
            QCOMPARE(qstrlen(e.constData()), size_t(e.size()));

    // Changing one entry changes no other, nor does growing it.
    doc.PositionList[0][6] = '9';
    doc.PositionList[1].append(",lang verhaal dat de volgende regel zou overschrijven");
    QCOMPARE(doc.PositionList[0], QByteArray("00001=9,1,0"));
    QCOMPARE(doc.PositionList[2], QByteArray("00003=3,3,60\r"));
    QCOMPARE(doc.NameList[0], QByteArray("00001=a.jpg"));

    // The last entry left of the file may grow in place: nothing else is there.
    QByteArray last = doc.NameList[1];
    doc = ProjectDocument();
    last.append("-nieuw");
    QCOMPARE(last, QByteArray("00002=b.jpg-nieuw"));
    QCOMPARE(qstrlen(last.constData()), size_t(last.size()));

    // And a project read from disk writes back byte for byte.
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("p.tvk"));
    QVERIFY(DataFile::Write(sampleDocument(), name) == DataFile::WriteResult::Ok);
    ProjectDocument read;
    QVERIFY(DataFile::Read(read, name) == DataFile::ReadResult::Ok);
    QCOMPARE(DataFile::Serialize(read), readAll(name));
}

void TestDataFile::singleBlankLineIsAnEntry()
{
    ProjectDocument doc;
    DataFile::Parse(doc, "[Fotonaam]\r\n\r\n \r\n00001=a.jpg\r\n");
    QCOMPARE(doc.NameList, (QList<QByteArray>{" ", "00001=a.jpg"}));
}

void TestDataFile::wrongCaseHeaderIsNotASection()
{
    ProjectDocument doc;
    DataFile::Parse(doc, "[fotopositie]\r\n00001=1,1,0\r\n[ALGEMENE GEGEVENS]\r\n00006=X\r\n");
    QVERIFY(doc.PositionList.isEmpty());
    QVERIFY(doc.Organisation.isEmpty());
}

void TestDataFile::onlyFirstHeaderCounts()
{
    ProjectDocument doc;
    DataFile::Parse(doc,
                    "[Fotonaam]\r\n00001=eerste.jpg\r\n[Iets anders]\r\n00009=x\r\n[Fotonaam]\r\n00002=tweede.jpg\r\n");
    QCOMPARE(doc.NameList, QList<QByteArray>{"00001=eerste.jpg"});
    // A key that occurs twice takes its last value; the section ends after a "[" line.
    ProjectDocument g;
    DataFile::Parse(g, "[Algemene gegevens]\r\n00006=A\r\n00006=B\r\n[Fotonaam]\r\n00007=niet\r\n");
    QCOMPARE(g.Organisation, QByteArray("B"));
    QVERIFY(g.Description1.isEmpty());
}

void TestDataFile::formatTagIgnoredOnRead()
{
    ProjectDocument doc;
    DataFile::Parse(doc, "[Algemene gegevens]\r\n00000=999\r\n00001=\r\n");
    QCOMPARE(doc.FormatTag, QByteArray("100"));
    QVERIFY(DataFile::Serialize(doc).contains("\r\n00000=100\r\n"));
}

void TestDataFile::badIntegerStopsTheLoad()
{
    ProjectDocument doc;
    try {
        DataFile::Parse(doc,
                        "[Algemene gegevens]\r\n00006=Voor\r\n00002=abc\r\n00007=Na\r\n[Fotonaam]\r\n00001=a.jpg\r\n");
        QFAIL("no error");
    } catch (const TolvekError &e) {
        QCOMPARE(e.message(), QStringLiteral("'abc' is not a valid integer value"));
    }
    QCOMPARE(doc.Organisation, QByteArray("Voor")); // read before the bad line
    QVERIFY(doc.Description1.isEmpty());
    QVERIFY(doc.NameList.isEmpty());

    ProjectDocument empty;
    QVERIFY_THROWS_EXCEPTION(TolvekError, DataFile::Parse(empty, "[Algemene gegevens]\r\n00003=\r\n"));
}

void TestDataFile::fileWithoutHeadersIsNoProject()
{
    ProjectDocument doc;
    QVERIFY(!DataFile::Parse(doc, "zomaar een tekst\r\n00006=geen sectie\r\n[Fotonamen]\r\n00001=a.jpg\r\n"));
    QVERIFY(doc.Organisation.isEmpty());
    QVERIFY(doc.NameList.isEmpty());
    QCOMPARE(doc.UserHelpText, ProjectDocument::DefaultUserHelpText());

    // Read from disk: refused, and the project is left as it was.
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("brief.txt"));
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("Beste lezer,\r\n00006=geen project\r\n");
    f.close();
    doc.Organisation = "blijft";
    QCOMPARE(DataFile::Read(doc, name), DataFile::ReadResult::NotAProject);
    QCOMPARE(doc.Organisation, QByteArray("blijft"));

    // One header of the four is enough, wherever it stands.
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("Beste lezer,\r\n[Foto-aantekeningen]\r\n00001=x\r\n");
    f.close();
    QCOMPARE(DataFile::Read(doc, name), DataFile::ReadResult::Ok);
    QCOMPARE(doc.NotesList, QList<QByteArray>{"00001=x"});
}

void TestDataFile::missingFileCannotOpen()
{
    QTemporaryDir dir;
    ProjectDocument doc;
    doc.Organisation = "blijft";
    QCOMPARE(DataFile::Read(doc, dir.filePath(QStringLiteral("bestaat-niet.tvk"))), DataFile::ReadResult::CannotOpen);
    QCOMPARE(doc.Organisation, QByteArray("blijft"));
}

void TestDataFile::failedSaveKeepsOldFile()
{
    if (geteuid() == 0)
        QSKIP("root ignores folder permissions; the full-disk case covers failed writes");
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("oud.tvk"));
    QVERIFY(writeAll(name, "oude inhoud"));
    QVERIFY(chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0);
    QString reason;
    const auto result = DataFile::Write(sampleDocument(), name, &reason);
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
    QCOMPARE(result, DataFile::WriteResult::CannotWrite);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(readAll(name), QByteArray("oude inhoud"));
}

void TestDataFile::fullDiskIsReported()
{
    // A file-size limit makes writes fail part-way, as a full disk does.
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("vol.tvk"));
    QVERIFY(writeAll(name, "oude inhoud"));
    struct rlimit saved;
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    struct rlimit small = saved;
    small.rlim_cur = 100;
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
    QString reason;
    const auto result = DataFile::Write(sampleDocument(), name, &reason);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    QCOMPARE(result, DataFile::WriteResult::CannotWrite);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(readAll(name), QByteArray("oude inhoud"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("vol.tvk")}); // no temporary left
}

void TestDataFile::vanishedFolderIsReported()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("weg"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QDir(folder).removeRecursively());
    QString reason;
    QCOMPARE(DataFile::Write(sampleDocument(), folder + QStringLiteral("/p.tvk"), &reason),
             DataFile::WriteResult::CannotWrite);
    QVERIFY(!reason.isEmpty());
    // A name below a plain file fails too, also for root.
    QCOMPARE(DataFile::Write(sampleDocument(), QStringLiteral("/dev/null/p.tvk")), DataFile::WriteResult::CannotWrite);
}

QTEST_GUILESS_MAIN(TestDataFile)
#include "tst_datafile.moc"
