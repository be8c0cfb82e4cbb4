// A project saved where its stored names no longer lead to its files, through
// the real main window: Save As into another folder answered each way, a copy
// that fails half-way, the first save of a new project with imported photos,
// a save that fails after the copies were made, a map chosen from outside
// the folder, and a Save As that needs no question.
#include "DialogDriver.h"
#include "MainWindowRun.h"
#include "PhotoTestFiles.h"

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"
#include "gui/map/TKaartForm.h"
#include "gui/photos/PhotoImport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    return PhotoTestFiles::WriteFile(path, bytes);
}

QByteArray jpeg(QColor colour)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(colour);
    return PhotoTestFiles::Jpeg(image);
}

QStringList filesBelow(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = QDir(folder).relativeFilePath(it.next());
        // The lock of the project open there is no file the save made.
        if (!name.startsWith(QLatin1String(".~lock.")))
            out << name;
    }
    out.sort();
    return out;
}

} // namespace

class TestProjectMove : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void saveAsWhereNamesResolve();
    void saveAsIntoAnotherFolder_data();
    void saveAsIntoAnotherFolder();
    void failedCopyChangesNothing();
    void failedSaveTakesBackTheCopies();
    void firstSaveOfANewProject();
    void mapFromOutsideTheFolder();

private:
    QAction *action(const char *name) const { return m_form->findChild<QAction *>(QLatin1String(name)); }
    QString browseOutsideMap();
    void saveAs(const QString &name)
    {
        m_driver->ChooseFile(name);
        action("Opslaanals1")->trigger();
    }

    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
    QString m_project;
    QByteArray m_original;
    QByteArray m_photoBytes[3];
};

void TestProjectMove::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    ProcessFolders::SupportStartup();
}

// A set as users have them: the map and a photo beside the project, one in
// a folder below it, one elsewhere by a relative name, one by a full path.
void TestProjectMove::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString set = m_dir->filePath(QStringLiteral("set"));
    m_photoBytes[0] = jpeg(Qt::red);
    m_photoBytes[1] = jpeg(Qt::green);
    m_photoBytes[2] = jpeg(Qt::blue);
    QImage map(200, 150, QImage::Format_RGB888);
    map.fill(QColor(240, 240, 220));
    QDir().mkpath(set);
    QVERIFY(map.save(set + QStringLiteral("/kaart.bmp"), "BMP"));
    QVERIFY(write(set + QStringLiteral("/voordeur.jpg"), m_photoBytes[0]));
    QVERIFY(write(set + QStringLiteral("/binnen/hal.jpg"), m_photoBytes[1]));
    QVERIFY(write(m_dir->filePath(QStringLiteral("elders/tuin.jpg")), m_photoBytes[2]));
    m_project = set + QStringLiteral("/huis.tvk");
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=20,20,0", "00002=60,60,90", "00003=100,100,180", "00004=150,120,270"};
    doc.NameList = {"00001=voordeur.jpg", "00002=binnen\\hal.jpg", "00003=..\\elders\\tuin.jpg",
                    "00004=" + QFile::encodeName(m_dir->filePath(QStringLiteral("elders/tuin.jpg")))};
    doc.NotesList = {"00001=Voordeur"};
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
    m_original = readAll(m_project);

    // A driver left by a failed test would clear the new one's handlers.
    m_driver.reset();
    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    m_form->Files().ReadDataFile(m_project);
}

void TestProjectMove::cleanup()
{
    MainWindowRun::End(m_form, m_driver);
}

// Beside the original, every stored name still leads to its file: no
// question, and the bytes of the original.
void TestProjectMove::saveAsWhereNamesResolve()
{
    const QString beside = m_dir->filePath(QStringLiteral("set/kopie.tvk"));
    saveAs(beside);
    QCOMPARE(m_driver->dialogs.size(), 0);
    QCOMPARE(readAll(beside), m_original);
    QCOMPARE(m_form->Document().CurrentFileName, beside);
}

void TestProjectMove::saveAsIntoAnotherFolder_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("carry") << QStringLiteral("&Meenemen");
    QTest::newRow("repath") << QStringLiteral("&Paden aanpassen");
    QTest::newRow("cancel") << QStringLiteral("&Annuleren");
}

void TestProjectMove::saveAsIntoAnotherFolder()
{
    QFETCH(QString, answer);
    const QString moved = m_dir->filePath(QStringLiteral("naar/kopie/huis.tvk"));
    QVERIFY(QDir().mkpath(QFileInfo(moved).path()));
    m_driver->Press(answer);
    saveAs(moved);
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("de overzichtskaart en 3 foto's")),
             qPrintable(m_driver->dialogs[0].texts));
    QCOMPARE(
        m_driver->dialogs[0].buttons,
        (QStringList{QStringLiteral("&Meenemen"), QStringLiteral("&Paden aanpassen"), QStringLiteral("&Annuleren")}));
    const QString set = m_dir->filePath(QStringLiteral("set"));
    const QByteArray elsewhere = QFile::encodeName(m_dir->filePath(QStringLiteral("elders/tuin.jpg")));
    QByteArray expected = m_original;
    if (answer == QStringLiteral("&Annuleren")) {
        QVERIFY(!QFile::exists(moved));
        QCOMPARE(m_form->Document().CurrentFileName, m_project);
        QCOMPARE(DataFile::Serialize(m_form->Document()), m_original);
        return;
    }
    if (answer == QStringLiteral("&Meenemen")) {
        expected.replace("=..\\elders\\tuin.jpg\r\n", "=fotos\\tuin.jpg\r\n");
        expected.replace("=binnen\\hal.jpg\r\n", "=fotos\\hal.jpg\r\n");
        expected.replace("=voordeur.jpg\r\n", "=fotos\\voordeur.jpg\r\n");
        QCOMPARE(filesBelow(QFileInfo(moved).path()),
                 (QStringList{QStringLiteral("fotos/hal.jpg"), QStringLiteral("fotos/tuin.jpg"),
                              QStringLiteral("fotos/voordeur.jpg"), QStringLiteral("huis.tvk"),
                              QStringLiteral("kaart.bmp")}));
        QCOMPARE(readAll(m_dir->filePath(QStringLiteral("naar/kopie/fotos/hal.jpg"))), m_photoBytes[1]);
        QCOMPARE(readAll(m_dir->filePath(QStringLiteral("naar/kopie/kaart.bmp"))),
                 readAll(set + QStringLiteral("/kaart.bmp")));
    } else {
        expected.replace("=kaart.bmp\r\n", "=" + QFile::encodeName(set) + "/kaart.bmp\r\n");
        expected.replace("=..\\elders\\tuin.jpg\r\n", "=" + elsewhere + "\r\n");
        expected.replace("=binnen\\hal.jpg\r\n", "=" + QFile::encodeName(set) + "/binnen/hal.jpg\r\n");
        expected.replace("=voordeur.jpg\r\n", "=" + QFile::encodeName(set) + "/voordeur.jpg\r\n");
        QCOMPARE(filesBelow(QFileInfo(moved).path()), QStringList{QStringLiteral("huis.tvk")});
    }
    QVERIFY(expected != m_original);
    QCOMPARE(readAll(moved), expected);
    // The project it came from is as it was.
    QCOMPARE(readAll(m_project), m_original);

    // Saved there again: every name resolves, no question, the same bytes.
    const QString again = m_dir->filePath(QStringLiteral("naar/kopie/tweede.tvk"));
    saveAs(again);
    QCOMPARE(m_driver->dialogs.size(), 1);
    QCOMPARE(readAll(again), expected);
}

// The third copy cannot be written (files may grow to 1500 bytes only): no
// project file, no copies, and the project as it was.
void TestProjectMove::failedCopyChangesNothing()
{
    const QString moved = m_dir->filePath(QStringLiteral("naar/vol/huis.tvk"));
    QVERIFY(QDir().mkpath(QFileInfo(moved).path()));
    QImage small(8, 8, QImage::Format_RGB888);
    small.fill(Qt::white);
    QVERIFY(small.save(m_dir->filePath(QStringLiteral("set/kaart.bmp")), "BMP"));
    QByteArray big(4000, 'x');
    QVERIFY(write(m_dir->filePath(QStringLiteral("elders/tuin.jpg")), big));
    m_driver->Press(QStringLiteral("&Meenemen"));
    m_driver->Press(QStringLiteral("&OK"));
    struct rlimit before;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = before;
    limited.rlim_cur = 3000;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    saveAs(moved);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldSignal);
    QCOMPARE(m_driver->dialogs.size(), 2);
    QVERIFY2(m_driver->dialogs[1].texts.contains(QStringLiteral("tuin.jpg")), qPrintable(m_driver->dialogs[1].texts));
    QCOMPARE(filesBelow(QFileInfo(moved).path()), QStringList());
    QCOMPARE(m_form->Document().CurrentFileName, m_project);
    QCOMPARE(DataFile::Serialize(m_form->Document()), m_original);
    QVERIFY(!m_form->Document().Modified);
}

// The copies were made, then the project file could not be written (a
// folder has its name): the copies go again, and the new names for good.
void TestProjectMove::failedSaveTakesBackTheCopies()
{
    const QString moved = m_dir->filePath(QStringLiteral("naar/bezet/huis.tvk"));
    QVERIFY(QDir().mkpath(moved));
    m_driver->Press(QStringLiteral("&Overschrijven"));
    m_driver->Press(QStringLiteral("&Meenemen"));
    m_driver->Press(QStringLiteral("&OK"));
    saveAs(moved);
    QCOMPARE(m_driver->dialogs.size(), 3);
    QVERIFY2(m_driver->dialogs[2].texts.contains(QStringLiteral("niet opgeslagen")),
             qPrintable(m_driver->dialogs[2].texts));
    QCOMPARE(filesBelow(QFileInfo(moved).path()), QStringList());
    QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("naar/bezet/fotos"))));
    QCOMPARE(m_form->Document().CurrentFileName, m_project);
    QCOMPARE(DataFile::Serialize(m_form->Document()), m_original);
    QVERIFY(!m_form->Document().Modified);
    QVERIFY(!m_form->Session().CanRedo());
}

// Photos imported into a project without a file are named by their full
// paths, and so is a map browsed from elsewhere; its first save asks as a
// Save As does.
void TestProjectMove::firstSaveOfANewProject()
{
    m_form->Files().ResetProject();
    const QString photo = m_dir->filePath(QStringLiteral("elders/tuin.jpg"));
    PhotoImport import(m_form->Host());
    QVERIFY(import.ImportPaths({photo}, PhotoImport::Placement(), 0));
    QCOMPARE(m_form->Document().NameList, QList<QByteArray>{"00001=" + QFile::encodeName(photo)});
    const QString plan = browseOutsideMap();
    action("OverzichtskaartEigenschappen1")->trigger();
    QCOMPARE(m_form->Document().MapFileName, QFile::encodeName(plan));
    const QString first = m_dir->filePath(QStringLiteral("nieuw/eerste.tvk"));
    QVERIFY(QDir().mkpath(QFileInfo(first).path()));
    m_driver->Press(QStringLiteral("&Meenemen"));
    m_driver->ChooseFile(first);
    action("Opslaan1")->trigger();
    QCOMPARE(m_driver->dialogs.size(), 2);
    QVERIFY2(m_driver->dialogs[1].texts.contains(QStringLiteral("de overzichtskaart en 1 foto ")),
             qPrintable(m_driver->dialogs[1].texts));
    QCOMPARE(m_form->Document().NameList, QList<QByteArray>{"00001=fotos\\tuin.jpg"});
    QCOMPARE(m_form->Document().MapFileName, QByteArray("plan.bmp"));
    QCOMPARE(readAll(m_dir->filePath(QStringLiteral("nieuw/fotos/tuin.jpg"))), m_photoBytes[2]);
    QCOMPARE(readAll(m_dir->filePath(QStringLiteral("nieuw/plan.bmp"))), readAll(plan));
    QVERIFY(readAll(first).contains("\r\n00001=fotos\\tuin.jpg\r\n"));
}

// The map dialog's next showing browses a map in another folder, with
// "Zonder pad-aanduiding" ticked as it is by default.
QString TestProjectMove::browseOutsideMap()
{
    const QString outside = m_dir->filePath(QStringLiteral("elders/plan.bmp"));
    QImage map(300, 200, QImage::Format_RGB888);
    map.fill(Qt::white);
    map.save(outside, "BMP");
    m_driver->ChooseFile(outside);
    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TKaartForm *>(d);
        QVERIFY(form);
        QVERIFY(form->CheckBox1->isChecked());
        form->SpeedButton1->click();
        QCOMPARE(form->Edit1->text(), QStringLiteral("plan.bmp"));
        form->Button1->click();
    });
    return outside;
}

// A map browsed from outside the project's folder with only its name kept
// would not be found: asked, and carried beside the project.
void TestProjectMove::mapFromOutsideTheFolder()
{
    const QString outside = browseOutsideMap();
    // Asked from within the dialog, after its OK.
    m_driver->Press(QStringLiteral("&Meenemen"));
    action("OverzichtskaartEigenschappen1")->trigger();
    QCOMPARE(m_form->Document().MapFileName, QByteArray("plan.bmp"));
    QCOMPARE(readAll(m_dir->filePath(QStringLiteral("set/plan.bmp"))), readAll(outside));
    QCOMPARE(m_driver->dialogs.size(), 2);
    QVERIFY2(m_driver->dialogs[1].texts.contains(QStringLiteral("De gekozen overzichtskaart staat niet")),
             qPrintable(m_driver->dialogs[1].texts));
    QCOMPARE(m_form->MapPictureSize(), QSize(300, 200));
}

QTEST_MAIN(TestProjectMove)
#include "tst_projectmove.moc"
