// Every write besides the project's save (which tst_savefaults covers) when
// its folder is full, read-only or gone: the map exported as a metafile and
// as a picture, the web page, the photo report, the photos as GeoJSON and
// KML, the map's calibration beside it, photos copied into the project
// folder by an import, and the recovery copy. The user is told in Dutch which file or
// folder failed; nothing half-written stays behind; an earlier file of the
// same name, the project and its files are as they were.

#include "DialogDriver.h"
#include "MainWindowRun.h"
#include "MapTestFiles.h"
#include "PhotoTestFiles.h"

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/map/MapCalibration.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/project/MovePhotoEdit.h"
#include "core/project/RecoveryCopy.h"
#include "core/project/RecoveryKeeper.h"
#include "gui/map/TKaartIjkenForm.h"
#include "gui/platform/LocaleAndFonts.h"
#include "gui/report/TFotorapportForm.h"
#include "gui/widgets/ElidedLabel.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Write { Metafile, Picture, WebPage, Report, GeoJson, Kml, Calibration, ImportCopies, RecoveryCopy };
enum class Fault { Full, ReadOnly, Vanished };

// Every file below a folder with its bytes.
QMap<QString, QByteArray> Contents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString name = it.next();
        QFile f(name);
        files.insert(QDir(folder).relativeFilePath(name), f.open(QIODevice::ReadOnly) ? f.readAll() : "<unreadable>");
    }
    return files;
}

} // namespace

Q_DECLARE_METATYPE(Write)
Q_DECLARE_METATYPE(Fault)

class TestWriteFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void failedWriteLosesNothing_data();
    void failedWriteLosesNothing();

private:
    // Makes folder full, read-only or gone; false (with the reason) when
    // the machine does not allow it. undo makes it normal again.
    bool Break(const QString &folder, Fault fault, std::function<void()> &undo, QString &why);
    QAction *Action(const char *name) const { return m_form->findChild<QAction *>(QString::fromLatin1(name)); }

    std::unique_ptr<THoofdForm> m_form;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestWriteFaults::initTestCase()
{
    ProcessFolders::SupportStartup();
    LocaleAndFonts::SetUp();
    RecoveryKeeper::SetDelay(0);
}

void TestWriteFaults::cleanup()
{
    MainWindowRun::End(m_form, m_driver);
    m_dir.reset();
}

bool TestWriteFaults::Break(const QString &folder, Fault fault, std::function<void()> &undo, QString &why)
{
    const QByteArray name = QFile::encodeName(folder);
    switch (fault) {
    case Fault::Full: {
        // A small file system of its own, filled up; else a file-size
        // limit, which makes writes fail part-way just as a full disk does.
        const QString moved = folder + QStringLiteral(".inhoud");
        if (!QDir().rename(folder, moved) || !QDir().mkdir(folder))
            return why = QStringLiteral("cannot move the folder aside"), false;
        if (::mount("tolvek-test", name.constData(), "tmpfs", 0, "size=512k") == 0) {
            // The folder's files onto the small file system, then fill it.
            for (auto [file, bytes] : Contents(moved).asKeyValueRange()) {
                QDir().mkpath(QFileInfo(folder + QLatin1Char('/') + file).path());
                QFile f(folder + QLatin1Char('/') + file);
                if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
                    return why = QStringLiteral("the folder's files do not fit"), false;
            }
            QFile filler(folder + QStringLiteral("/.vulling"));
            filler.open(QIODevice::WriteOnly);
            const QByteArray block(1024, 'x');
            while (filler.write(block) == block.size() && filler.flush()) {
            }
            filler.close();
            undo = [name, folder, moved] {
                ::umount2(name.constData(), MNT_DETACH);
                QDir().rmdir(folder);
                QDir().rename(moved, folder);
            };
            return true;
        }
        QDir().rmdir(folder);
        QDir().rename(moved, folder);
        struct rlimit saved;
        ::getrlimit(RLIMIT_FSIZE, &saved);
        struct rlimit small = saved;
        small.rlim_cur = 100;
        const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
        if (::setrlimit(RLIMIT_FSIZE, &small) != 0)
            return why = QStringLiteral("neither a small file system nor a file-size limit"), false;
        undo = [saved, oldHandler] {
            ::setrlimit(RLIMIT_FSIZE, &saved);
            ::signal(SIGXFSZ, oldHandler);
        };
        return true;
    }
    case Fault::ReadOnly:
        // Permissions do not stop root: a read-only mount of the folder
        // stands in for them.
        if (::geteuid() != 0) {
            ::chmod(name.constData(), 0555);
            undo = [name] { ::chmod(name.constData(), 0755); };
            return true;
        }
        if (::mount(name.constData(), name.constData(), nullptr, MS_BIND, nullptr) != 0)
            return why = QStringLiteral("running as root without mounts"), false;
        if (::mount(nullptr, name.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            ::umount2(name.constData(), MNT_DETACH);
            return why = QStringLiteral("cannot make a read-only mount"), false;
        }
        undo = [name] { ::umount2(name.constData(), MNT_DETACH); };
        return true;
    case Fault::Vanished: {
        // Moved away after it was chosen (a pulled stick, a share gone).
        const QString moved = folder + QStringLiteral(".weg");
        if (!QDir().rename(folder, moved))
            return why = QStringLiteral("cannot move the folder away"), false;
        undo = [folder, moved] { QDir().rename(moved, folder); };
        return true;
    }
    }
    return false;
}

void TestWriteFaults::failedWriteLosesNothing_data()
{
    QTest::addColumn<Write>("write");
    QTest::addColumn<Fault>("fault");
    const std::pair<const char *, Write> writes[] = {
        {"metafile", Write::Metafile},         {"picture", Write::Picture},
        {"web page", Write::WebPage},          {"photo report", Write::Report},
        {"GeoJSON", Write::GeoJson},           {"KML", Write::Kml},
        {"calibration", Write::Calibration},   {"import copies", Write::ImportCopies},
        {"recovery copy", Write::RecoveryCopy}};
    const std::pair<const char *, Fault> faults[] = {
        {"full", Fault::Full}, {"read-only", Fault::ReadOnly}, {"vanished", Fault::Vanished}};
    for (const auto &[w, write] : writes)
        for (const auto &[f, fault] : faults)
            // A vanished project folder is made anew by an import, as the
            // save would, and the program's own recovery folder by the
            // next copy; nothing to lose there.
            if (fault != Fault::Vanished || (write != Write::ImportCopies && write != Write::RecoveryCopy))
                QTest::addRow("%s, %s", w, f) << write << fault;
}

void TestWriteFaults::failedWriteLosesNothing()
{
    QFETCH(Write, write);
    QFETCH(Fault, fault);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString project = m_dir->filePath(QStringLiteral("project"));
    const QString out = m_dir->filePath(QStringLiteral("uit"));
    const QString sources = m_dir->filePath(QStringLiteral("bron"));
    QVERIFY(QDir().mkpath(project + QStringLiteral("/fotos")) && QDir().mkpath(out) && QDir().mkpath(sources));
    MapTestFiles::WriteBmp(project + QStringLiteral("/kaart.bmp"), 300, 200);
    const QByteArray jpeg = PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(64, 48));
    QVERIFY(PhotoTestFiles::WriteFile(project + QStringLiteral("/fotos/toren.jpg"), jpeg));
    // Bigger than what is left of a full disk, and than a file-size limit.
    const QByteArray big = PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(400, 300), 0, false, 100);
    QVERIFY(PhotoTestFiles::WriteFile(sources + QStringLiteral("/a.jpg"), big));
    QVERIFY(PhotoTestFiles::WriteFile(sources + QStringLiteral("/b.jpg"), big));
    // Earlier outputs of the same name must survive a failed export.
    QVERIFY(PhotoTestFiles::WriteFile(out + QStringLiteral("/kaart.emf"), "oude export"));
    QVERIFY(PhotoTestFiles::WriteFile(out + QStringLiteral("/kaart.png"), "oude afbeelding"));
    QVERIFY(PhotoTestFiles::WriteFile(out + QStringLiteral("/fotos.geojson"), "oude GeoJSON"));
    QVERIFY(PhotoTestFiles::WriteFile(out + QStringLiteral("/fotos.kml"), "oude KML"));
    // The map has a place on Earth, for the exports for GIS; none when its
    // calibration is what is written.
    MapCalibration calibration;
    MapGeoreference georeference;
    georeference.points = {{QPointF(0, 0), {5.12, 52.09}, true},
                           {QPointF(300, 0), {5.1222, 52.09}, true},
                           {QPointF(0, 200), {5.12, 52.0891}, true}};
    QVERIFY(georeference.Fit(nullptr));
    calibration.SetGeoreference(georeference);
    QString reason;
    if (write != Write::Calibration)
        QVERIFY2(calibration.Save(project + QStringLiteral("/kaart.bmp"), &reason), qPrintable(reason));
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=50,60,90", "00002=150,100,0"};
    doc.NameList = {"00001=fotos\\toren.jpg", "00002=fotos\\toren.jpg"};
    doc.NotesList = {"00001=Toren", "00002=Nog eens"};
    const QString projectFile = project + QStringLiteral("/kerk.tvk");
    QCOMPARE(DataFile::Write(doc, projectFile), DataFile::WriteResult::Ok);

    m_driver = std::make_unique<DialogDriver>();
    // Whatever asks is answered the one way that goes on writing; a
    // progress dialog runs its course.
    QStringList told;
    UserInteraction::SetModalHandler([&told](QDialog *d) {
        QStringList texts;
        for (QLabel *l : d->findChildren<QLabel *>())
            texts << l->text();
        told << texts.join(QLatin1Char('|'));
        if (auto *calibrate = qobject_cast<TKaartIjkenForm *>(d)) {
            // A north arrow for a map that has none.
            calibrate->NoordpijlEdit->setText(QStringLiteral("30"));
            return calibrate->Button1->click();
        }
        if (auto *report = qobject_cast<TFotorapportForm *>(d)) {
            // Saved (or not), the report's dialog stays for another try.
            report->OpslaanButton->click();
            return report->reject();
        }
        // (The KML asks whether to lay the map itself under the points.)
        for (const QString &go : {QStringLiteral("&Overschrijven"), QStringLiteral("&Kopi\u00ebren"),
                                  QStringLiteral("&OK"), QStringLiteral("&Nee")})
            for (QAbstractButton *b : d->findChildren<QAbstractButton *>())
                if (b->text() == go && b->isVisible())
                    return b->click();
    });
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    m_driver->ChooseFile(projectFile);
    Action("Openen1")->trigger();
    QCOMPARE(m_form->Document().CurrentFileName, projectFile);

    // The recovery copy is written only for changes: one made, and its copy
    // written, first.
    if (write == Write::RecoveryCopy) {
        m_form->Session().Perform(std::make_unique<MovePhotoEdit>(0, 70, 80, std::nullopt));
        QTRY_VERIFY(QFileInfo::exists(m_form->Files().Recovery().CopyFileName()));
        m_form->Files().Recovery().Wait();
    }
    const QByteArray projectBefore = DataFile::Serialize(m_form->Document());
    const bool modifiedBefore = m_form->Document().Modified;
    QString folder;
    switch (write) {
    case Write::Metafile:
    case Write::Picture:
    case Write::WebPage:
    case Write::Report:
    case Write::GeoJson:
    case Write::Kml:
        folder = out;
        break;
    case Write::Calibration:
    case Write::ImportCopies:
        folder = project;
        break;
    case Write::RecoveryCopy:
        folder = RecoveryCopy::Folder();
        break;
    }
    QVERIFY(QDir().mkpath(folder));
    const QMap<QString, QByteArray> filesBefore = Contents(folder);

    std::function<void()> undo;
    QString why;
    if (!Break(folder, fault, undo, why))
        QSKIP(qPrintable(why));
    auto restore = qScopeGuard([&] {
        if (undo)
            std::exchange(undo, nullptr)();
    });

    // What the user is told must name what could not be written.
    QString named;
    switch (write) {
    case Write::Metafile:
        m_driver->ChooseFile(out + QStringLiteral("/kaart"));
        Action("Exporteren1")->trigger();
        named = QStringLiteral("kaart.emf");
        break;
    case Write::Picture:
        m_driver->ChooseFile(out + QStringLiteral("/kaart.png"));
        Action("ExporterenAfbeelding1")->trigger();
        named = QStringLiteral("kaart.png");
        break;
    case Write::WebPage:
        m_driver->ChooseFile(out + QStringLiteral("/web"));
        Action("ExporterenWebpagina1")->trigger();
        named = QStringLiteral("web");
        break;
    case Write::Report:
        m_driver->ChooseFile(out + QStringLiteral("/rapport.pdf"));
        Action("Fotorapport1")->trigger();
        named = QStringLiteral("rapport.pdf");
        break;
    case Write::GeoJson:
        m_driver->ChooseFile(out + QStringLiteral("/fotos.geojson"));
        Action("ExporterenGeoJson1")->trigger();
        named = QStringLiteral("fotos.geojson");
        break;
    case Write::Kml:
        m_driver->ChooseFile(out + QStringLiteral("/fotos.kml"));
        Action("ExporterenKml1")->trigger();
        named = QStringLiteral("fotos.kml");
        break;
    case Write::Calibration:
        Action("KaartIjken1")->trigger();
        named = QStringLiteral("kaart.bmp.tolvek");
        break;
    case Write::ImportCopies:
        m_driver->ChooseFile(QStringLiteral("\"%1\" \"%2\"")
                                 .arg(sources + QStringLiteral("/a.jpg"), sources + QStringLiteral("/b.jpg")));
        Action("FotosImporteren1")->trigger();
        named = QStringLiteral("a.jpg");
        break;
    case Write::RecoveryCopy:
        // The next copy is due at once, and fails.
        m_form->Session().Perform(std::make_unique<MovePhotoEdit>(1, 90, 95, std::nullopt));
        QTest::qWait(100);
        m_form->Files().Recovery().Wait();
        break;
    }
    QCOMPARE(m_driver->Pending(), 0);

    if (write == Write::RecoveryCopy) {
        // No dialog mid-work, a line in the status bar; the project is what it was.
        QVERIFY(m_form->Document().Modified);
        const QString status = m_form->StatusText->Text();
        QVERIFY2(status.contains(QStringLiteral("herstelkopie")) && status.contains(QDir::toNativeSeparators(folder)),
                 qPrintable(status));
    } else {
        QVERIFY(!told.isEmpty());
        QVERIFY2(told.last().contains(named), qPrintable(told.join(QLatin1Char('\n'))));
        // In the program's words: not Qt's English ones.
        QVERIFY2(!told.last().contains(QLatin1String("Cannot")) && !told.last().contains(QLatin1String("..")),
                 qPrintable(told.last()));
        QCOMPARE(DataFile::Serialize(m_form->Document()), projectBefore);
        QCOMPARE(m_form->Document().Modified, modifiedBefore);
    }

    restore.dismiss();
    std::exchange(undo, nullptr)();
    // Nothing half-written, nothing earlier lost, in the folder or beside it.
    QCOMPARE(Contents(folder), filesBefore);
    // A vanished folder is not made anew: the moved one comes back.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             (QStringList{QStringLiteral("bron"), QStringLiteral("project"), QStringLiteral("uit")}));
}

QTEST_MAIN(TestWriteFaults)
#include "tst_writefaults.moc"
