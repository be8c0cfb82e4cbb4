// The file workflow on its own, without the main window: a plain window,
// the session and the dialogs answered through the dialog driver. What
// follows on the screen must follow from the session's signal alone.

#include "DialogDriver.h"
#include "SessionEdits.h"

#include "app/ProjectFileCommands.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/RecentProjects.h"
#include "gui/project/ProjectHost.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestProjectFileCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { ProcessFolders::SupportStartup(); }

    // Open, change, save as, new: the caption, the recent projects, the
    // bytes on disk and the signal that everyone else follows.
    void openSaveAsAndNew()
    {
        QTemporaryDir dir;
        DialogDriver driver;
        ProjectDocument doc;
        ProjectSession session(doc);
        QWidget window;
        ProjectHost host(session, &window);
        ProjectFileCommands files(host, &window, QStringLiteral("1.0"));
        QSignalSpy changed(&session, &ProjectSession::Changed);
        files.ResetProject();
        QCOMPARE(window.windowTitle(), QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));

        const QString name = dir.filePath(QStringLiteral("kerk.tvk"));
        ProjectDocument written;
        written.MapFileName = "kaart.bmp";
        written.Organisation = "Bureau";
        written.PositionList = {"00001=10,20,90"};
        written.NameList = {"00001=a.jpg"};
        written.NotesList = {"00001=een\x9dtwee"};
        QCOMPARE(DataFile::Write(written, name), DataFile::WriteResult::Ok);
        const QByteArray bytes = readAll(name);
        driver.ChooseFile(name);
        changed.clear();
        files.Openen1Click();
        QCOMPARE(window.windowTitle(), QStringLiteral("Tolvek - kerk.tvk"));
        QCOMPARE(RecentProjects::Files().value(0), name);
        QVERIFY(!changed.isEmpty());
        QVERIFY(changed.last().at(0).value<ProjectChanges>().testFlag(ProjectChange::Whole));

        // Saved under a new name without a change: the same bytes.
        const QString copy = dir.filePath(QStringLiteral("kopie"));
        driver.ChooseFile(copy);
        files.Opslaanals1Click();
        QCOMPARE(readAll(copy + QStringLiteral(".tvk")), bytes);
        QCOMPARE(window.windowTitle(), QStringLiteral("Tolvek - kopie.tvk"));

        // New with a change: the question; "Niet opslaan" drops it.
        SessionEdits::SetOrganisation(session, "Anders");
        driver.Press(QStringLiteral("&Niet opslaan"));
        files.Nieuw1Click();
        QVERIFY(doc.IsUntitled());
        QVERIFY(doc.PositionList.isEmpty());
        QCOMPARE(window.windowTitle(), QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));
        QCOMPARE(readAll(copy + QStringLiteral(".tvk")), bytes);
        QCOMPARE(driver.Pending(), 0);
    }
};

QTEST_MAIN(TestProjectFileCommands)
#include "tst_projectfilecommands.moc"
