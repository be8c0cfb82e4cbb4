// A project file changed behind the program's back (rewritten by the test)
// is not overwritten without a question, on save and when the main window
// becomes active again; each answer does what it says. A project another
// running program has open is offered read-only, and Save then asks for a
// new name.

#include "DialogDriver.h"

#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectLock.h"
#include "core/project/ProjectLockFile.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray projectBytes(const QByteArray &organisation)
{
    ProjectDocument doc;
    doc.Organisation = organisation;
    doc.PositionList << "00001=10,20,30";
    doc.NameList << "00001=foto.jpg";
    doc.NotesList << "00001=Notitie";
    return DataFile::Serialize(doc);
}

// Writes the file as another program would: in place, so only its bytes
// and times tell.
void rewrite(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::ReadWrite | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

const QString kChanged = QStringLiteral("\" is buiten Tolvek gewijzigd. Overschrijven?");

// The program that holds a project open: opens it in its main window, says
// "open" and runs until it is killed.
int openAndWait(int argc, char **argv)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ProcessFolders::SupportStartup();
    TolvekApplication app(argc, argv);
    THoofdForm form;
    form.ReadDataFile(QString::fromLocal8Bit(argv[2]));
    std::fputs("open\n", stdout);
    std::fflush(stdout);
    return app.exec();
}

// Takes the lock beside a project and says how that went (as another user
// when the test runs it so).
int takeLock(char **argv)
{
    ProjectLockFile lock;
    std::printf("%d\n", int(lock.Take(QString::fromLocal8Bit(argv[2]))));
    return 0;
}

} // namespace

class TestOutsideChanges : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void onlyRealChangesAreAskedAbout();
    void changedFileOnSave();
    void changedFileOnActivation();
    void projectOpenInAnotherProgram();
    void lockBesideTheProject();

private:
    // Opens the project and changes it through the project data dialog.
    void openAndEdit(const QByteArray &organisation);
    void save();
    // The main window becomes active again after another window was.
    void reactivate();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
    std::unique_ptr<QWidget> m_other;
    QString m_fileName;
};

void TestOutsideChanges::initTestCase()
{
    ProcessFolders::SupportStartup();
    TolvekApplication::SetUpLocaleAndFonts();
}

void TestOutsideChanges::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_fileName = m_dir->filePath(QStringLiteral("project.tvk"));
    rewrite(m_fileName, projectBytes("Eerste"));
    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTest::qWait(50);
}

void TestOutsideChanges::cleanup()
{
    m_other.reset();
    if (m_form) {
        m_form->Document().Modified = false;
        m_form.reset();
    }
    QCOMPARE(m_driver->Pending(), 0);
    m_driver.reset();
}

void TestOutsideChanges::openAndEdit(const QByteArray &organisation)
{
    m_form->Document().Modified = false;
    m_form->ResetProject();
    m_form->ReadDataFile(m_fileName);
    QCOMPARE(m_form->Document().CurrentFileName, m_fileName);
    m_driver->Handle([organisation](QDialog *d) {
        d->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QString::fromLatin1(organisation));
        d->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
    });
    m_form->findChild<QAction *>(QStringLiteral("Projectgegevens1"))->trigger();
    QVERIFY(m_form->Document().Modified);
    m_driver->dialogs.clear();
}

void TestOutsideChanges::save()
{
    m_form->findChild<QAction *>(QStringLiteral("Opslaan1"))->trigger();
}

void TestOutsideChanges::reactivate()
{
    if (!m_other) {
        m_other = std::make_unique<QWidget>();
        m_other->resize(100, 100);
        m_other->show();
    }
    m_other->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_other.get()));
    // A question asked at the activation takes it over; without one the
    // main window must really be active.
    const qsizetype asked = m_driver->dialogs.size();
    m_form->activateWindow();
    QTest::qWait(50);
    if (m_driver->dialogs.size() == asked)
        QVERIFY(m_form->isActiveWindow());
}

void TestOutsideChanges::onlyRealChangesAreAskedAbout()
{
    openAndEdit("Hier");
    // The same bytes written again (a synchronised folder, a touch): no question.
    const QDateTime later = QDateTime::currentDateTime().addSecs(60);
    rewrite(m_fileName, projectBytes("Eerste"));
    {
        QFile f(m_fileName);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(later, QFileDevice::FileModificationTime));
    }
    reactivate();
    save();
    QCOMPARE(m_driver->dialogs.size(), 0);
    QCOMPARE(readAll(m_fileName), projectBytes("Hier"));

    // Other bytes of the same size, with the old time put back: asked.
    const QDateTime saved = QFileInfo(m_fileName).lastModified();
    rewrite(m_fileName, projectBytes("Daar"));
    {
        QFile f(m_fileName);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(saved, QFileDevice::FileModificationTime));
    }
    QCOMPARE(QFileInfo(m_fileName).size(), projectBytes("Hier").size());
    m_driver->Press(QStringLiteral("&Annuleren"));
    reactivate();
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("Bestand \"") + m_fileName + kChanged),
             qPrintable(m_driver->dialogs[0].texts));
    QCOMPARE(m_driver->dialogs[0].buttons,
             (QStringList{QStringLiteral("&Overschrijven"), QStringLiteral("Opnieuw &laden"),
                          QStringLiteral("&Annuleren")}));
}

void TestOutsideChanges::changedFileOnSave()
{
    struct Case
    {
        QStringList answers;
        QByteArray onDisk;       // afterwards
        QByteArray organisation; // of the project afterwards
        bool modified;
    };
    const Case cases[] = {
        {{QStringLiteral("&Overschrijven")}, projectBytes("Hier"), "Hier", false},
        {{QStringLiteral("&Annuleren")}, projectBytes("Buiten"), "Hier", true},
        // Reloading drops the changes only after a second question.
        {{QStringLiteral("Opnieuw &laden"), QStringLiteral("&Annuleren")}, projectBytes("Buiten"), "Hier", true},
        {{QStringLiteral("Opnieuw &laden"), QStringLiteral("Opnieuw &laden")}, projectBytes("Buiten"), "Buiten", false},
    };
    for (const Case &c : cases) {
        rewrite(m_fileName, projectBytes("Eerste"));
        openAndEdit("Hier");
        rewrite(m_fileName, projectBytes("Buiten"));
        for (const QString &a : c.answers)
            m_driver->Press(a);
        save();
        const QString which = c.answers.join(QLatin1Char('+'));
        QCOMPARE(m_driver->dialogs.size(), c.answers.size());
        QVERIFY2(m_driver->dialogs[0].texts.contains(kChanged), qPrintable(which));
        QVERIFY2(readAll(m_fileName) == c.onDisk, qPrintable(which));
        QVERIFY2(m_form->Document().Organisation == c.organisation, qPrintable(which));
        QVERIFY2(m_form->Document().Modified == c.modified, qPrintable(which));
        QCOMPARE(m_form->Opslaan1->isEnabled(), c.modified);
        QCOMPARE(m_form->Document().CurrentFileName, m_fileName);
    }
    // Once overwritten or reloaded, the next save asks nothing.
    openAndEdit("Tot slot");
    save();
    QCOMPARE(m_driver->dialogs.size(), 0);
    QCOMPARE(readAll(m_fileName), projectBytes("Tot slot"));
}

void TestOutsideChanges::changedFileOnActivation()
{
    m_form->ReadDataFile(m_fileName);
    reactivate();
    QCOMPARE(m_driver->dialogs.size(), 0);

    // Left alone, the same change is not asked about again.
    rewrite(m_fileName, projectBytes("Buiten 1"));
    m_driver->Press(QStringLiteral("&Annuleren"));
    reactivate();
    QCOMPARE(m_driver->dialogs.size(), 1);
    reactivate();
    QCOMPARE(m_driver->dialogs.size(), 1);
    QCOMPARE(m_form->Document().Organisation, QByteArray("Eerste"));

    // Changed once more: asked; without changes here, reloading asks nothing more.
    rewrite(m_fileName, projectBytes("Buiten 2"));
    m_driver->Press(QStringLiteral("Opnieuw &laden"));
    reactivate();
    QCOMPARE(m_driver->dialogs.size(), 2);
    QCOMPARE(m_form->Document().Organisation, QByteArray("Buiten 2"));
    QVERIFY(!m_form->Document().Modified);
    QCOMPARE(m_form->Label1->text(), QStringLiteral("Buiten 2"));

    // Overwrite writes the project as it is here.
    m_driver->Handle([](QDialog *d) {
        d->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("Hier"));
        d->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
    });
    m_form->findChild<QAction *>(QStringLiteral("Projectgegevens1"))->trigger();
    rewrite(m_fileName, projectBytes("Buiten 3"));
    m_driver->Press(QStringLiteral("&Overschrijven"));
    reactivate();
    QCOMPARE(m_driver->dialogs.size(), 4);
    QVERIFY(m_driver->dialogs[3].texts.contains(kChanged));
    QCOMPARE(readAll(m_fileName), projectBytes("Hier"));
    QVERIFY(!m_form->Document().Modified);
}

void TestOutsideChanges::projectOpenInAnotherProgram()
{
    QProcess other;
    other.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    other.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--open-and-wait"), m_fileName});
    QVERIFY2(other.waitForReadyRead(30000), "the other program did not start");
    QCOMPARE(other.readLine().trimmed(), QByteArray("open"));
    const QString where =
        QStringLiteral("is al geopend in Tolvek op %1 (proces %2)").arg(ProcessLock::HostName()).arg(other.processId());

    // Cancelled: not opened.
    m_driver->Press(QStringLiteral("&Annuleren"));
    m_form->ReadDataFile(m_fileName);
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(where), qPrintable(m_driver->dialogs[0].texts));
    QCOMPARE(
        m_driver->dialogs[0].buttons,
        (QStringList{QStringLiteral("&Alleen-lezen"), QStringLiteral("&Toch bewerken"), QStringLiteral("&Annuleren")}));
    QVERIFY(m_form->Document().IsUntitled());

    // Read-only: Save asks for a name, and not that of the other program's project.
    m_driver->Press(QStringLiteral("&Alleen-lezen"));
    openAndEdit("Hier");
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - project.tvk (alleen-lezen)"));
    m_driver->ChooseFile(m_fileName);
    m_driver->Press(QStringLiteral("&OK"));
    save();
    QCOMPARE(m_driver->fileRequests.size(), 1);
    QCOMPARE(m_driver->fileRequests[0].kind, UserInteraction::FileDialogKind::Save);
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("wordt niet overschreven")),
             qPrintable(m_driver->dialogs[0].texts));
    QCOMPARE(readAll(m_fileName), projectBytes("Eerste"));
    QVERIFY(m_form->Document().Modified);

    const QString copy = m_dir->filePath(QStringLiteral("kopie.tvk"));
    m_driver->ChooseFile(copy);
    save();
    QCOMPARE(readAll(copy), projectBytes("Hier"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - kopie.tvk"));
    QVERIFY(QFile::exists(ProjectLock::LockFileName(copy)));
    QCOMPARE(readAll(m_fileName), projectBytes("Eerste"));

    // Edited all the same: saved in place.
    m_driver->Press(QStringLiteral("&Toch bewerken"));
    openAndEdit("Toch");
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - project.tvk"));
    save();
    QCOMPARE(readAll(m_fileName), projectBytes("Toch"));

    // The other program gone (killed), its lock is stale: no question.
    ::kill(pid_t(other.processId()), SIGKILL);
    QVERIFY(other.waitForFinished(30000));
    m_form->ResetProject();
    m_driver->dialogs.clear();
    m_form->ReadDataFile(m_fileName);
    QCOMPARE(m_driver->dialogs.size(), 0);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - project.tvk"));
    // Held here now, and given up when the project is closed.
    QVERIFY(QFile::exists(ProjectLock::LockFileName(m_fileName)));
    m_form->ResetProject();
    QVERIFY(!QFile::exists(ProjectLock::LockFileName(m_fileName)));
    // And when the program ends with the project open.
    m_form->ReadDataFile(m_fileName);
    QVERIFY(QFile::exists(ProjectLock::LockFileName(m_fileName)));
    m_form.reset();
    QVERIFY(!QFile::exists(ProjectLock::LockFileName(m_fileName)));
}

// The lock beside the project, as programs on other computers that share
// the folder see it: another host's lock is offered read-only, naming who and
// since when; one older than a day may be broken; a lock this computer left
// when its program ended is taken over without a question; a folder that
// cannot be written gets no lock and no error.
void TestOutsideChanges::lockBesideTheProject()
{
    const QString lock = ProjectLockFile::FileName(m_fileName);
    QCOMPARE(lock, m_dir->filePath(QStringLiteral(".~lock.project.tvk#")));
    const auto writeLock = [&lock](const QString &host, qint64 pid, const QDateTime &since) {
        rewrite(lock,
                host.toUtf8() + '\n' + QByteArray::number(pid) + "\npiet\n" + since.toString(Qt::ISODate).toLatin1()
                    + '\n');
    };
    const QDateTime now = QDateTime::currentDateTimeUtc();
    writeLock(QStringLiteral("andere-pc"), 4711, now.addSecs(-7200));
    const QByteArray theirs = readAll(lock);
    m_driver->Press(QStringLiteral("&Alleen-lezen"));
    m_form->ReadDataFile(m_fileName);
    QCOMPARE(m_driver->dialogs.size(), 1);
    const QString who = QStringLiteral("op andere-pc (proces 4711), door piet, sinds %1")
                            .arg(now.addSecs(-7200).toLocalTime().toString(QStringLiteral("d-M-yyyy HH:mm")));
    QVERIFY2(m_driver->dialogs[0].texts.contains(who), qPrintable(m_driver->dialogs[0].texts));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - project.tvk (alleen-lezen)"));
    m_form->ResetProject();
    QCOMPARE(readAll(lock), theirs);

    writeLock(QStringLiteral("andere-pc"), 4711, now.addDays(-2));
    m_driver->Press(QStringLiteral("&Vergrendeling opheffen"));
    m_form->ReadDataFile(m_fileName);
    QCOMPARE(m_driver->dialogs.size(), 2);
    QCOMPARE(m_driver->dialogs[1].buttons,
             (QStringList{QStringLiteral("&Alleen-lezen"), QStringLiteral("&Vergrendeling opheffen"),
                          QStringLiteral("&Annuleren")}));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - project.tvk"));
    ProcessLock::Holder mine = ProcessLock::Parse(readAll(lock));
    QCOMPARE(mine.host, ProcessLock::HostName());
    QCOMPARE(mine.processId, qint64(::getpid()));
    QCOMPARE(mine.user, ProcessLock::UserName());
    QVERIFY(qAbs(mine.since.secsTo(QDateTime::currentDateTimeUtc())) < 60);
    m_form->ResetProject();
    QVERIFY(!QFile::exists(lock));

    QProcess ended;
    ended.start(QStringLiteral("true"));
    QVERIFY(ended.waitForFinished(30000));
    writeLock(ProcessLock::HostName(), ended.processId(), now);
    m_form->ReadDataFile(m_fileName);
    QCOMPARE(m_driver->dialogs.size(), 2);
    QCOMPARE(ProcessLock::Parse(readAll(lock)).processId, qint64(::getpid()));
    m_form.reset();
    QVERIFY(!QFile::exists(lock));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("project.tvk")});

    // Read-only (root writes anywhere: then the lock is taken as nobody).
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("cd")));
    const QString onDisc = m_dir->filePath(QStringLiteral("cd/project.tvk"));
    QVERIFY(QFile::copy(m_fileName, onDisc));
    QVERIFY(QFile::setPermissions(m_dir->filePath(QStringLiteral("cd")),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                      | QFileDevice::ExeOther));
    QVERIFY(QFile::setPermissions(m_dir->path(),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                      | QFileDevice::ReadOther | QFileDevice::ExeOther));
    QStringList args{QCoreApplication::applicationFilePath(), QStringLiteral("--take-lock"), onDisc};
    if (::geteuid() == 0)
        args = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                           QStringLiteral("--clear-groups")}
            + args;
    QProcess taker;
    taker.start(::geteuid() == 0 ? QStringLiteral("setpriv") : args.takeFirst(), args);
    QVERIFY(taker.waitForFinished(30000));
    QCOMPARE(taker.readAllStandardOutput().trimmed(), QByteArray::number(int(ProjectLockFile::Result::NotWritten)));
    QCOMPARE(
        QDir(m_dir->filePath(QStringLiteral("cd"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("project.tvk")});
    QFile::setPermissions(m_dir->filePath(QStringLiteral("cd")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--open-and-wait") == 0)
        return openAndWait(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "--take-lock") == 0)
        return takeLock(argv);
    // The test's own state and runtime folders, inherited by the programs it starts.
    QTemporaryDir xdg;
    qputenv("XDG_STATE_HOME", QFile::encodeName(xdg.filePath(QStringLiteral("state"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(xdg.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(xdg.filePath(QStringLiteral("config"))));
    QApplication app(argc, argv);
    TestOutsideChanges test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_outsidechanges.moc"
