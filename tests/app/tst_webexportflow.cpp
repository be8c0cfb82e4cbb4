// "Exporteren als webpagina..." from the main window's menu: the folder
// dialog, the progress dialog (left to finish, or cancelled), the replace
// question and the closing message, all answered through the dialog seam.

#include "DialogDriver.h"
#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/web/WebExportFolder.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QImageWriter>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// The written photos of the page in folder, each file's bytes.
QList<QByteArray> PhotoFiles(const QString &folder)
{
    const QString version = WebExportFolder::VersionOfPage(folder + QStringLiteral("/index.html"));
    const QDir photos(folder + QStringLiteral("/index-bestanden/") + version + QStringLiteral("/fotos"));
    QList<QByteArray> out;
    for (const QString &name : photos.entryList(QDir::Files)) {
        QFile f(photos.filePath(name));
        if (f.open(QIODevice::ReadOnly))
            out << f.readAll();
    }
    return out;
}

} // namespace

class TestWebExportFlow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void exportFromTheMenu();
    void photoMetadataOnlyWhenTicked();
    void cancelLeavesNothing();
    void occupiedAndEarlierFolders();
    void folderGoneWhileAsked();

private:
    void trigger() { m_form->findChild<QAction *>(QStringLiteral("ExporterenWebpagina1"))->trigger(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
};

void TestWebExportFlow::initTestCase()
{
    ProcessFolders::SupportStartup();
}

void TestWebExportFlow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QImage map(400, 300, QImage::Format_RGB888);
    map.fill(QColor(240, 240, 220));
    QVERIFY(map.save(m_dir->filePath(QStringLiteral("kaart.bmp")), "BMP"));
    QImage photo(640, 480, QImage::Format_RGB32);
    photo.fill(QColor(200, 40, 40));
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.Organisation = "Gemeente Zaltbommel";
    // Enough photos that the progress dialog is there for a while.
    for (int i = 1; i <= 24; ++i) {
        const QByteArray key = QByteArray::number(i).rightJustified(5, '0');
        const QString name = QStringLiteral("foto%1.jpg").arg(i);
        // The first as a camera leaves it, with a comment of its own.
        QImageWriter writer(m_dir->filePath(name), "jpeg");
        if (i == 1)
            writer.setText(QStringLiteral("Description"), QStringLiteral("Serienummer 4711"));
        QVERIFY(writer.write(photo));
        doc.PositionList << key + '=' + QByteArray::number(15 * i) + ",100,0";
        doc.NameList << key + '=' + name.toLatin1();
        doc.NotesList << key + "=notitie";
    }
    doc.PositionList << "00025=30,200,90";
    doc.NameList << "00025=kwijt.jpg";
    const QString project = m_dir->filePath(QStringLiteral("kerk.tvk"));
    QCOMPARE(DataFile::Write(doc, project), DataFile::WriteResult::Ok);

    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    m_form->Files().ReadDataFile(project);
}

void TestWebExportFlow::cleanup()
{
    m_form.reset();
    QCOMPARE(m_driver->Pending(), 0);
    m_driver.reset();
}

void TestWebExportFlow::exportFromTheMenu()
{
    const QString out = m_dir->filePath(QStringLiteral("webpagina"));
    m_driver->ChooseFile(out);
    bool sawProgress = false;
    m_driver->Handle([&](QDialog *d) { sawProgress = qobject_cast<QProgressDialog *>(d) != nullptr; });
    m_driver->Press(QStringLiteral("&OK"));
    QDir::setCurrent(QDir::tempPath());
    trigger();

    QCOMPARE(m_driver->fileRequests.size(), 1);
    QCOMPARE(m_driver->fileRequests[0].kind, UserInteraction::FileDialogKind::Folder);
    QCOMPARE(m_driver->fileRequests[0].title, QStringLiteral("Exporteren als webpagina"));
    QVERIFY(sawProgress);
    QCOMPARE(m_driver->dialogs.size(), 2);
    const QString closing = m_driver->dialogs[1].texts;
    QVERIFY2(closing.contains(out + QStringLiteral("/index.html")), qPrintable(closing));
    QVERIFY2(closing.contains(QStringLiteral("kwijt.jpg: het bestand bestaat niet")), qPrintable(closing));
    QCOMPARE(Entries(out), (QStringList{QStringLiteral("index-bestanden"), QStringLiteral("index.html")}));
    QCOMPARE(m_driver->fileRequests[0].option, QStringLiteral("Foto-gegevens (EXIF) &meenemen"));
    // Two contents among the 24 photos: each written once, with its thumbnail.
    const QList<QByteArray> photos = PhotoFiles(out);
    QCOMPARE(photos.size(), 4);
    for (const QByteArray &bytes : photos)
        QVERIFY(!bytes.contains("Serienummer"));
    QVERIFY(QFile(out + QStringLiteral("/index.html")).size() > 0);
    QCOMPARE(QDir::currentPath(), QDir(m_dir->path()).absolutePath());
    QVERIFY(!m_form->Document().Modified);
}

void TestWebExportFlow::photoMetadataOnlyWhenTicked()
{
    // Qt's own folder dialog, its check box ticked as a user would.
    const QString out = m_dir->filePath(QStringLiteral("met-gegevens"));
    QVERIFY(QDir().mkdir(out));
    m_driver->UseRealFileDialogs();
    QString caption;
    m_driver->Handle([&](QDialog *d) {
        auto *box = d->findChild<QCheckBox *>(QStringLiteral("FolderOption"));
        QVERIFY(box && !box->isChecked());
        caption = box->text();
        box->setChecked(true);
        d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(out);
        QMetaObject::invokeMethod(d, "accept");
    });
    m_driver->Handle([](QDialog *) {});
    m_driver->Press(QStringLiteral("&OK"));
    trigger();
    QCOMPARE(caption, QStringLiteral("Foto-gegevens (EXIF) &meenemen"));
    const QList<QByteArray> photos = PhotoFiles(out);
    QCOMPARE(photos.size(), 4);
    QCOMPARE(std::count_if(photos.begin(), photos.end(), [](const QByteArray &b) { return b.contains("Serienummer"); }),
             1);
}

void TestWebExportFlow::cancelLeavesNothing()
{
    const QString out = m_dir->filePath(QStringLiteral("nieuw"));
    m_driver->ChooseFile(out);
    m_driver->Press(QStringLiteral("&Annuleren"));
    trigger();
    QCOMPARE(m_driver->dialogs.size(), 1); // the progress dialog, and no message after it
    QVERIFY(!QFileInfo::exists(out));
    QCOMPARE(Entries(m_dir->path()).filter(QStringLiteral("tolvek-webpagina")), QStringList());
}

void TestWebExportFlow::occupiedAndEarlierFolders()
{
    const QString mine = m_dir->filePath(QStringLiteral("mijn"));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("mijn")));
    QFile letter(mine + QStringLiteral("/brief.txt"));
    QVERIFY(letter.open(QIODevice::WriteOnly));
    letter.close();
    m_driver->ChooseFile(mine);
    m_driver->Press(QStringLiteral("&OK"));
    trigger();
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("is niet leeg")),
             qPrintable(m_driver->dialogs[0].texts));
    QCOMPARE(Entries(mine), QStringList{QStringLiteral("brief.txt")});

    // An earlier export: asked first, "&Niet vervangen" keeps it.
    const QString web = m_dir->filePath(QStringLiteral("web"));
    m_driver->ChooseFile(web);
    m_driver->Handle([](QDialog *) {});
    m_driver->Press(QStringLiteral("&OK"));
    trigger();
    const QDateTime written = QFileInfo(web + QStringLiteral("/index.html")).lastModified();
    m_driver->ChooseFile(web);
    m_driver->Press(QStringLiteral("&Niet vervangen"));
    trigger();
    QCOMPARE(m_driver->dialogs.size(), 4);
    QCOMPARE(m_driver->dialogs[3].buttons.contains(QStringLiteral("&Vervangen")), true);
    QCOMPARE(QFileInfo(web + QStringLiteral("/index.html")).lastModified(), written);
}

void TestWebExportFlow::folderGoneWhileAsked()
{
    // The folder of an earlier export goes (a stick pulled) while the
    // replace question is open: the user is told, and it is not made anew,
    // so the stick's folder can come back.
    const QString web = m_dir->filePath(QStringLiteral("web"));
    m_driver->ChooseFile(web);
    m_driver->Handle([](QDialog *) {});
    m_driver->Press(QStringLiteral("&OK"));
    trigger();
    QVERIFY(QFileInfo(web + QStringLiteral("/index.html")).isFile());
    const QStringList before = Entries(web);

    const QString moved = m_dir->filePath(QStringLiteral("weg"));
    m_driver->ChooseFile(web);
    m_driver->Handle([&](QDialog *d) {
        QVERIFY(QDir().rename(web, moved));
        for (QAbstractButton *b : d->findChildren<QAbstractButton *>())
            if (b->text() == QLatin1String("&Vervangen"))
                return b->click();
    });
    m_driver->Handle([](QDialog *) {});
    m_driver->Press(QStringLiteral("&OK"));
    trigger();
    QCOMPARE(m_driver->dialogs.size(), 5);
    const QString told = m_driver->dialogs[4].texts;
    QVERIFY2(told.contains(QStringLiteral("De map \"%1\" bestaat niet meer.").arg(QDir::toNativeSeparators(web))),
             qPrintable(told));
    QVERIFY(!QFileInfo::exists(web) && !QFileInfo(web).isSymLink());
    QCOMPARE(Entries(moved), before);
}

int main(int argc, char *argv[])
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TolvekApplication app(argc, argv);
    TestWebExportFlow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_webexportflow.moc"
