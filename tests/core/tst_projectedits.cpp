// The project's edits and the one path they take: each edit applied and
// reverted gives back the file's exact bytes, and the session says what
// followed.

#include "core/base/TolvekError.h"
#include "core/project/AddPhotoEdit.h"
#include "core/project/DataFile.h"
#include "core/project/DeletePhotoEdit.h"
#include "core/project/DeletePhotosEdit.h"
#include "core/project/MapFileEdit.h"
#include "core/project/MovePhotoEdit.h"
#include "core/project/ProjectDataEdit.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/RenamePhotosEdit.h"
#include "core/project/ReplacePositionsEdit.h"
#include "core/project/StoreNotesEdit.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// A project as a Windows-made file holds one: keys out of order, a key
// written with fewer digits, notes with line breaks, an entry whose notes
// are missing.
ProjectDocument sampleProject()
{
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.Organisation = "Gemeente";
    doc.PositionList = {"00003=120,40,90", "00001=10,20,330", "00007=300,200,180"};
    doc.NameList = {"00001=fotos\\kerk.jpg", "00003=Serre.JPG", "7=7.jpg"};
    doc.NotesList = {"00003=Eerste regel\x9dtweede", "7=Caf\xe9"};
    return doc;
}

} // namespace

class TestProjectEdits : public QObject
{
    Q_OBJECT

private slots:
    // Every edit, applied and then reverted, leaves the file's bytes as they
    // were; applied again it gives the same bytes as the first time.
    void revertGivesBackTheBytes_data()
    {
        QTest::addColumn<std::function<std::unique_ptr<ProjectEdit>(const ProjectDocument &)>>("make");
        QTest::addColumn<QByteArray>("changedLine");
        using Make = std::function<std::unique_ptr<ProjectEdit>(const ProjectDocument &)>;
        QTest::newRow("add") << Make([](const ProjectDocument &d) -> std::unique_ptr<ProjectEdit> {
            return AddPhotoEdit::Make(d, {{5, 6, 60, "nieuw.jpg"}});
        }) << QByteArray("00008=5,6,60");
        QTest::newRow("add two") << Make([](const ProjectDocument &d) -> std::unique_ptr<ProjectEdit> {
            return AddPhotoEdit::Make(d, {{5, 6, 60, "a.jpg"}, {7, 8, 90, "b.jpg"}});
        }) << QByteArray("00009=b.jpg");
        QTest::newRow("delete") << Make([](const ProjectDocument &) {
            return std::make_unique<DeletePhotoEdit>("00003");
        }) << QByteArray();
        QTest::newRow("delete short key")
            << Make([](const ProjectDocument &) { return std::make_unique<DeletePhotoEdit>("7"); }) << QByteArray();
        QTest::newRow("notes replaced") << Make([](const ProjectDocument &) {
            return std::make_unique<StoreNotesEdit>(7, "Nieuw\r\nook");
        }) << QByteArray("00007=Nieuw\x9dook");
        QTest::newRow("notes appended") << Make([](const ProjectDocument &) {
            return std::make_unique<StoreNotesEdit>(1, "Kerk");
        }) << QByteArray("00001=Kerk");
        QTest::newRow("move") << Make([](const ProjectDocument &) {
            return std::make_unique<MovePhotoEdit>(2, 301, 202, std::nullopt);
        }) << QByteArray("00007=301,202,180");
        QTest::newRow("turn") << Make([](const ProjectDocument &) {
            return std::make_unique<MovePhotoEdit>(1, std::nullopt, std::nullopt, 45);
        }) << QByteArray("00001=10,20,45");
        QTest::newRow("all positions") << Make([](const ProjectDocument &) {
            return std::make_unique<ReplacePositionsEdit>(QList<QByteArray>{"00003=1,1,90"}, true);
        }) << QByteArray("00003=1,1,90");
        QTest::newRow("project data") << Make([](const ProjectDocument &d) {
            ProjectDataEdit::Fields f = ProjectDataEdit::Of(d);
            f.description2 = "Tweede";
            return std::make_unique<ProjectDataEdit>(f, true);
        }) << QByteArray("00008=Tweede");
        QTest::newRow("map file") << Make([](const ProjectDocument &) {
            return std::make_unique<MapFileEdit>("plan.bmp", true);
        }) << QByteArray("00001=plan.bmp");
        // Mended names keep each entry's key as written.
        QTest::newRow("rename") << Make([](const ProjectDocument &d) {
            return std::make_unique<RenamePhotosEdit>(
                d, QList<RenamePhotosEdit::Rename>{{2, "beelden\\7.jpg"}, {0, "beelden\\kerk.jpg"}});
        }) << QByteArray("7=beelden\\7.jpg");
        // Several deleted at once, each by the one rule (key text compared as
        // text: "7" leaves "00007=" alone); the last taken is put back first.
        QTest::newRow("delete several")
            << Make([](const ProjectDocument &) {
                   return std::make_unique<DeletePhotosEdit>(QList<QByteArray>{"00003", "7"});
               })
            << QByteArray("[Fotopositie]\r\n00001=10,20,330\r\n00007=300,200,180\r\n\r\n[Fotonaam]\r\n"
                          "00001=fotos\\kerk.jpg\r\n\r\n[Foto-aantekeningen]");
    }
    void revertGivesBackTheBytes()
    {
        QFETCH(std::function<std::unique_ptr<ProjectEdit>(const ProjectDocument &)>, make);
        QFETCH(QByteArray, changedLine);
        ProjectDocument doc = sampleProject();
        const QByteArray before = DataFile::Serialize(doc);
        std::unique_ptr<ProjectEdit> edit = make(doc);
        QVERIFY(edit);
        edit->Apply(doc);
        const QByteArray after = DataFile::Serialize(doc);
        QVERIFY(after != before);
        if (!changedLine.isEmpty())
            QVERIFY2(after.contains("\r\n" + changedLine + "\r\n"), after.constData());
        QVERIFY(!edit->Name().isEmpty());
        edit->Revert(doc);
        QCOMPARE(DataFile::Serialize(doc), before);
        edit->Apply(doc);
        QCOMPARE(DataFile::Serialize(doc), after);
    }

    // Deleting takes the first entry of exactly that key text from each list;
    // entries elsewhere keep their order when it is put back.
    void deleteTakesFirstOfEachList()
    {
        ProjectDocument doc = sampleProject();
        doc.NameList.append("00003=tweede.jpg");
        DeletePhotoEdit edit("00003");
        edit.Apply(doc);
        QCOMPARE(doc.PositionList, (QList<QByteArray>{"00001=10,20,330", "00007=300,200,180"}));
        QCOMPARE(doc.NameList, (QList<QByteArray>{"00001=fotos\\kerk.jpg", "7=7.jpg", "00003=tweede.jpg"}));
        QCOMPARE(doc.NotesList, (QList<QByteArray>{"7=Caf\xe9"}));
    }

    // New photos get consecutive keys after the largest; none are made when
    // the five digits run out, and a bad key is reported.
    void addPhotoKeys()
    {
        ProjectDocument doc = sampleProject();
        auto edit = AddPhotoEdit::Make(doc, {{1, 2, 0, "a.jpg"}});
        QCOMPARE(edit->FirstKey(), 8);
        edit->Apply(doc);
        QCOMPARE(doc.NotesList.last(), QByteArray("00008=Type hier uw aantekeningen."));
        doc.PositionList.append("99998=1,1,0");
        QVERIFY(AddPhotoEdit::Make(doc, {{1, 2, 0, "a.jpg"}}));
        QVERIFY(!AddPhotoEdit::Make(doc, {{1, 2, 0, "a.jpg"}, {1, 2, 0, "b.jpg"}}));
        doc.PositionList.append("abc=1,1,0");
        QVERIFY_THROWS_EXCEPTION(TolvekError, AddPhotoEdit::Make(doc, {{1, 2, 0, "a.jpg"}}));
    }

    // The session marks the project modified only for edits that count,
    // and tells once per change what must follow.
    void sessionSignals()
    {
        ProjectDocument doc = sampleProject();
        ProjectSession session(doc);
        QSignalSpy spy(&session, &ProjectSession::Changed);

        session.Perform(std::make_unique<ProjectDataEdit>(ProjectDataEdit::Of(doc), false));
        QVERIFY(!doc.Modified);
        QCOMPARE(spy.size(), 0);

        session.Perform(std::make_unique<ReplacePositionsEdit>(QList<QByteArray>{"00003=1,1,90"}, false));
        QVERIFY(!doc.Modified);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.takeFirst().at(0).value<ProjectChanges>(), ProjectChanges(ProjectChange::Photos));

        session.Perform(std::make_unique<StoreNotesEdit>(3, "x"));
        QVERIFY(doc.Modified);
        QCOMPARE(spy.takeFirst().at(0).value<ProjectChanges>(), ProjectChange::State | ProjectChange::Photos);

        session.Perform(std::make_unique<MapFileEdit>("kaart.bmp", false));
        QCOMPARE(spy.takeFirst().at(0).value<ProjectChanges>(), ProjectChange::State | ProjectChange::Map);

        // Another project in place of this one says everything followed, so
        // whoever follows the signal needs no other call; a failed open too,
        // since the project was reset before it.
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("p.tvk"));
        QCOMPARE(DataFile::Write(sampleProject(), name), DataFile::WriteResult::Ok);
        const auto whole = [&spy] {
            const ProjectChanges changes = spy.takeFirst().at(0).value<ProjectChanges>();
            return spy.isEmpty() && changes.testFlag(ProjectChange::Whole) && (changes & ProjectChange::Map)
                && (changes & ProjectChange::State) && (changes & ProjectChange::Photos);
        };
        session.Reset();
        QVERIFY(whole());
        QCOMPARE(session.Load(name), DataFile::ReadResult::Ok);
        QVERIFY(whole());
        session.Reset();
        QVERIFY(whole());
        QCOMPARE(session.Load(dir.filePath(QStringLiteral("weg.tvk"))), DataFile::ReadResult::CannotOpen);
        QVERIFY(whole());
        QCOMPARE(session.Recover(name, name, FileStamp::Of(name)), DataFile::ReadResult::Ok);
        QVERIFY(whole());
        QVERIFY(doc.Modified);
        // An edit's changes never read as a whole project.
        session.Perform(std::make_unique<MovePhotoEdit>(0, 5, 5, std::nullopt));
        QVERIFY(!spy.takeFirst().at(0).value<ProjectChanges>().testFlag(ProjectChange::Whole));

        // Marked clean: not modified, and undoing back past that point
        // makes it modified again.
        session.MarkClean();
        QVERIFY(!doc.Modified);
        QCOMPARE(spy.takeFirst().at(0).value<ProjectChanges>(), ProjectChanges(ProjectChange::State));
        session.Undo();
        QVERIFY(doc.Modified);
    }

    // Saving and opening through the session: the name and Modified follow.
    void sessionSaveAndLoad()
    {
        QTemporaryDir dir;
        ProjectDocument doc = sampleProject();
        doc.Modified = true;
        ProjectSession session(doc);
        const QString name = dir.filePath(QStringLiteral("p.tvk"));
        QCOMPARE(session.Save(name), DataFile::WriteResult::Ok);
        QCOMPARE(doc.CurrentFileName, name);
        QVERIFY(!doc.Modified);

        QString reason;
        QCOMPARE(session.Save(dir.filePath(QStringLiteral("weg/p.tvk")), &reason), DataFile::WriteResult::CannotWrite);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(doc.CurrentFileName, name);

        session.Reset();
        QVERIFY(doc.IsUntitled());
        QVERIFY(doc.PositionList.isEmpty());
        QCOMPARE(session.Load(name), DataFile::ReadResult::Ok);
        QCOMPARE(doc.CurrentFileName, name);
        QCOMPARE(DataFile::Serialize(doc), DataFile::Serialize(sampleProject()));
    }
};

QTEST_GUILESS_MAIN(TestProjectEdits)
#include "tst_projectedits.moc"
