// Recovery copies of unsaved work: a program killed after an edit is
// started again and offers the copy; restored and saved, the project file is
// exactly what a save before the kill would have written. Later keeps the
// copy, Verwijderen removes it; a running program's copy is never offered to
// another; a save or a dropped project removes the copy.

#include "DialogDriver.h"

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"
#include "core/project/RecoveryCopy.h"
#include "core/project/RecoveryKeeper.h"
#include "gui/platform/LocaleAndFonts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/prctl.h>

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The project of the tests: a few photos, notes over two lines.
ProjectDocument project()
{
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.Organisation = "Oude naam";
    for (int i = 1; i <= 3; ++i) {
        const QByteArray key = QByteArray::number(i).rightJustified(5, '0');
        doc.PositionList << key + '=' + QByteArray::number(i * 40) + ",50,90";
        doc.NameList << key + "=foto" + QByteArray::number(i) + ".jpg";
        doc.NotesList << key + "=Regel een\x9dregel twee";
    }
    return doc;
}

// What saving the project with a new organisation writes.
QByteArray savedWith(const QString &organisation)
{
    ProjectDocument doc = project();
    doc.Organisation = organisation.toLatin1();
    return DataFile::Serialize(doc);
}

QStringList copiesIn(const QString &ending)
{
    return QDir(RecoveryCopy::Folder()).entryList({QStringLiteral("*") + ending}, QDir::Files);
}

// Changes the organisation through the project data dialog of the main window.
void editOrganisation(DialogDriver &driver, THoofdForm &form, const QString &organisation)
{
    driver.Handle([organisation](QDialog *d) {
        d->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(organisation);
        d->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
    });
    form.findChild<QAction *>(QStringLiteral("Projectgegevens1"))->trigger();
}

// The program of the tests that are killed: opens the project in the main
// window, changes it there, says "edited" and runs until it is killed.
int editAndWait(int argc, char **argv)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ProcessFolders::SupportStartup();
    TolvekApplication app(argc, argv);
    DialogDriver driver;
    THoofdForm form;
    form.SetStartupFileName(QString::fromLocal8Bit(argv[2]));
    form.show();
    while (form.Document().CurrentFileName != QString::fromLocal8Bit(argv[2]))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    editOrganisation(driver, form, QString::fromLocal8Bit(argv[3]));
    if (!form.Document().Modified)
        return 3;
    std::fputs("edited\n", stdout);
    std::fflush(stdout);
    return app.exec();
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void killedProgramIsRecoveredAndSaved();
    void laterKeepsTheCopyAndVerwijderenRemovesIt();
    void runningProgramsKeepTheirCopies();
    void copyFollowsUnsavedChangesOnly();

private:
    // Starts the program that edits and waits; returns once it has edited
    // and its copy holds the edit.
    void startEditing(QProcess &child, const QString &organisation);
    void kill(QProcess &child);
    // A new start of the program, answering the recovery question with answer.
    void start(const std::function<void(QDialog *)> &answer = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
    QString m_fileName;
    QByteArray m_original;
};

void TestRecovery::initTestCase()
{
    ProcessFolders::SupportStartup();
    LocaleAndFonts::SetUp();
}

void TestRecovery::init()
{
    QDir(RecoveryCopy::Folder()).removeRecursively();
    m_dir = std::make_unique<QTemporaryDir>();
    m_fileName = m_dir->filePath(QStringLiteral("project.tvk"));
    QCOMPARE(DataFile::Write(project(), m_fileName), DataFile::WriteResult::Ok);
    m_original = readAll(m_fileName);
    m_driver = std::make_unique<DialogDriver>();
}

void TestRecovery::cleanup()
{
    if (m_form) {
        m_form->Session().MarkClean();
        m_form.reset();
    }
    QCOMPARE(m_driver->Pending(), 0);
    m_driver.reset();
}

void TestRecovery::startEditing(QProcess &child, const QString &organisation)
{
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--edit-and-wait"), m_fileName, organisation});
    QVERIFY2(child.waitForReadyRead(30000), "the editing program did not start");
    QCOMPARE(child.readLine().trimmed(), QByteArray("edited"));
    // A few seconds at most after the change, the copy holds it.
    const auto copyBytes = [] {
        const QStringList copies = copiesIn(QStringLiteral(".tvk"));
        return copies.size() == 1 ? readAll(RecoveryCopy::Folder() + QLatin1Char('/') + copies[0]) : QByteArray();
    };
    QTRY_COMPARE_WITH_TIMEOUT(copyBytes(), savedWith(organisation), 5000);
    QCOMPARE(readAll(m_fileName), m_original);
}

void TestRecovery::kill(QProcess &child)
{
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
}

void TestRecovery::start(const std::function<void(QDialog *)> &answer)
{
    m_form.reset();
    if (answer)
        m_driver->Handle(answer);
    m_driver->dialogs.clear();
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    // The copies are offered at the first activation.
    QTest::qWait(200);
}

void TestRecovery::killedProgramIsRecoveredAndSaved()
{
    QProcess child;
    startEditing(child, QStringLiteral("Nieuwe naam"));
    kill(child);

    start([](QDialog *d) {
        // Enter restores.
        QTest::keyClick(d, Qt::Key_Return);
    });
    QCOMPARE(m_driver->dialogs.size(), 1);
    const DialogDriver::Seen &offer = m_driver->dialogs[0];
    QCOMPARE(offer.buttons,
             (QStringList{QStringLiteral("&Herstellen"), QStringLiteral("&Later"), QStringLiteral("&Verwijderen")}));
    QVERIFY2(offer.texts.contains(QStringLiteral("\"") + m_fileName + QStringLiteral("\"")), qPrintable(offer.texts));
    QVERIFY2(offer.texts.contains(QStringLiteral("Laatste wijziging: ")
                                  + QLocale().toString(QDate::currentDate(), QStringLiteral("d MMMM yyyy"))),
             qPrintable(offer.texts));

    // Restored as the original project, modified; nothing written or removed yet.
    QCOMPARE(m_form->Document().CurrentFileName, m_fileName);
    QVERIFY(m_form->Document().Modified);
    QVERIFY(m_form->Opslaan1->isEnabled());
    QCOMPARE(m_form->Document().Organisation, QByteArray("Nieuwe naam"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - project.tvk"));
    QCOMPARE(readAll(m_fileName), m_original);
    QCOMPARE(copiesIn(QStringLiteral(".tvk")).size(), 1);

    // Save writes it where it belongs, as a save before the kill would have.
    m_driver->dialogs.clear();
    m_form->findChild<QAction *>(QStringLiteral("Opslaan1"))->trigger();
    QCOMPARE(m_driver->dialogs.size(), 0);
    QVERIFY(!m_form->Document().Modified);
    QCOMPARE(readAll(m_fileName), savedWith(QStringLiteral("Nieuwe naam")));
    QCOMPARE(copiesIn(QStringLiteral(".tvk")), QStringList());
    QCOMPARE(copiesIn(QStringLiteral(".info")), QStringList());

    // Nothing is offered at the next start.
    start();
    QCOMPARE(m_driver->dialogs.size(), 0);
}

void TestRecovery::laterKeepsTheCopyAndVerwijderenRemovesIt()
{
    QProcess child;
    startEditing(child, QStringLiteral("Nieuwe naam"));
    kill(child);
    const QStringList copies = copiesIn(QStringLiteral(".tvk"));
    QCOMPARE(copies.size(), 1);

    // Later, and Escape, leave the copy for the next start.
    start([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("Later"))->click(); });
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY(m_form->Document().IsUntitled());
    QVERIFY(!m_form->Document().Modified);
    start([](QDialog *d) { QTest::keyClick(d, Qt::Key_Escape); });
    QCOMPARE(m_driver->dialogs.size(), 1);
    QCOMPARE(copiesIn(QStringLiteral(".tvk")), copies);

    start([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("Verwijderen"))->click(); });
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY(m_form->Document().IsUntitled());
    QCOMPARE(QDir(RecoveryCopy::Folder()).entryList(QDir::Files), QStringList());
    QCOMPARE(readAll(m_fileName), m_original);

    start();
    QCOMPARE(m_driver->dialogs.size(), 0);
}

void TestRecovery::runningProgramsKeepTheirCopies()
{
    QProcess child;
    startEditing(child, QStringLiteral("Van de ander"));
    const QStringList theirs = QDir(RecoveryCopy::Folder()).entryList(QDir::Files);

    // A second program started meanwhile neither offers nor touches it.
    start();
    QCOMPARE(m_driver->dialogs.size(), 0);
    QCOMPARE(QDir(RecoveryCopy::Folder()).entryList(QDir::Files), theirs);
    QVERIFY(child.state() == QProcess::Running);

    // Once that program is gone, it is offered.
    kill(child);
    start([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("Verwijderen"))->click(); });
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY(m_driver->dialogs[0].texts.contains(m_fileName));
}

void TestRecovery::copyFollowsUnsavedChangesOnly()
{
    start();
    RecoveryKeeper::SetDelay(50);
    auto back = qScopeGuard([] { RecoveryKeeper::SetDelay(RecoveryKeeper::DefaultDelayMs); });
    const auto copy = [this] {
        m_form->Files().Recovery().Wait();
        const QString name = m_form->Files().Recovery().CopyFileName();
        return name.isEmpty() ? QByteArray() : readAll(name);
    };
    m_form->Files().ReadDataFile(m_fileName);
    QTest::qWait(200);
    QCOMPARE(copiesIn(QStringLiteral(".tvk")), QStringList());

    // Each way of leaving the changes removes the copy.
    const std::function<void()> leave[] = {
        [this] { m_form->findChild<QAction *>(QStringLiteral("Opslaan1"))->trigger(); },
        [this] {
            m_driver->Press(QStringLiteral("&Niet opslaan"));
            m_form->findChild<QAction *>(QStringLiteral("Nieuw1"))->trigger();
        },
        [this] {
            m_driver->Press(QStringLiteral("&Niet opslaan"));
            m_driver->ChooseFile(m_fileName);
            m_form->findChild<QAction *>(QStringLiteral("Openen1"))->trigger();
        },
        [this] {
            m_driver->Press(QStringLiteral("&Niet opslaan"));
            QVERIFY(m_form->close());
        },
    };
    int round = 0;
    for (const auto &leaveChanges : leave) {
        if (m_form->Document().IsUntitled())
            m_form->Files().ReadDataFile(m_fileName);
        const QString organisation = QStringLiteral("Ronde %1").arg(++round);
        editOrganisation(*m_driver, *m_form, organisation);
        QTRY_COMPARE_WITH_TIMEOUT(copy(), savedWith(organisation), 5000);
        leaveChanges();
        QCOMPARE(copiesIn(QStringLiteral(".tvk")), QStringList());
        QCOMPARE(copiesIn(QStringLiteral(".info")), QStringList());
    }
}

int main(int argc, char **argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "--edit-and-wait") == 0)
        return editAndWait(argc, argv);
    // The test's own state and runtime folders, inherited by the programs it starts.
    QTemporaryDir xdg;
    qputenv("XDG_STATE_HOME", QFile::encodeName(xdg.filePath(QStringLiteral("state"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(xdg.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.filePath(QStringLiteral("config"))));
    QApplication app(argc, argv);
    TestRecovery test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
