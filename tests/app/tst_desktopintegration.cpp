// What the program keeps between runs and how it meets the desktop: recent
// projects (also in the desktop's recent files), the main window's layout,
// the file dialogs' last folders; and overview maps in every format through
// the map dialog, a broken one reported while the map stays.
// Each run gets empty settings and desktop folders of its own.

#include "DialogDriver.h"
#include "MapFormatFiles.h"

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/base/TolvekError.h"
#include "core/map/PdfMapRenderer.h"
#include "core/platform/DesktopRecentFiles.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/RecentProjects.h"
#include "gui/map/MapView.h"
#include "gui/map/TKaartForm.h"
#include "gui/platform/LocaleAndFonts.h"
#include "gui/project/RecentProjectsMenu.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <QXmlStreamReader>

namespace {

QTemporaryDir *g_home = nullptr;

const QByteArray kProject =
    "[Databestand voor Tolvek]\r\n\r\n[Algemene gegevens]\r\n00000=100\r\n00001=\r\n"
    "00002=6\r\n00003=16711680\r\n00004=\r\n00005=\r\n00006=\r\n00007=\r\n00008=\r\n"
    "00009=\r\n00010=\r\n\r\n[Fotopositie]\r\n\r\n[Fotonaam]\r\n\r\n[Foto-aantekeningen]\r\n\r\n";

QString WriteProject(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(kProject) != kProject.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// The preview gives no reason for an empty picture; the renderer does.
QString WhyNoPage(const QString &pdf)
{
    try {
        PdfMapRenderer::Render(pdf, 1'000'000);
        return QStringLiteral("no preview, though the page renders");
    } catch (const TolvekError &e) {
        return QStringLiteral("no preview: ") + e.message();
    }
}

// Bytes with their NULs.
template <std::size_t N>
QByteArray Bytes(const char (&text)[N])
{
    return QByteArray(text, qsizetype(N - 1));
}

QStringList Captions(QMenu *menu)
{
    QStringList captions;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            captions << a->text();
    return captions;
}

} // namespace

class TestDesktopIntegration : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<DialogDriver> m_driver;

    std::unique_ptr<THoofdForm> NewRun()
    {
        auto form = std::make_unique<THoofdForm>();
        form->RestoreWindowLayout();
        return form;
    }

    QString Path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        ProcessFolders::SupportStartup();
        LocaleAndFonts::SetUp();
    }

    void init() { m_driver = std::make_unique<DialogDriver>(); }

    void cleanup()
    {
        QCOMPARE(m_driver->Pending(), 0);
        m_driver.reset();
    }

    void recentProjects()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("recent & oud"));
        auto form = NewRun();
        RecentProjectsMenu *menu = form->RecenteProjecten1;
        QVERIFY(menu);
        QCOMPARE(menu->title(), QStringLiteral("&Recente projecten"));
        QCOMPARE(form->findChild<QMenu *>(QStringLiteral("Bestand1"))->actions().at(2)->menu(), menu);
        menu->Rebuild();
        QCOMPARE(Captions(menu), QStringList{QStringLiteral("(geen)")});

        // Ten projects opened through the open dialog, the last one saved under a new name.
        QStringList files;
        for (int i = 1; i <= 10; ++i)
            files << WriteProject(Path(QStringLiteral("recent & oud/p%1.tvk").arg(i)));
        for (const QString &file : files) {
            m_driver->ChooseFile(file);
            form->findChild<QAction *>(QStringLiteral("Openen1"))->trigger();
            QCOMPARE(form->Document().CurrentFileName, file);
        }
        m_driver->ChooseFile(Path(QStringLiteral("opgeslagen")));
        form->findChild<QAction *>(QStringLiteral("Opslaanals1"))->trigger();
        const QString saved = Path(QStringLiteral("opgeslagen.tvk"));
        QVERIFY(QFile::exists(saved));
        // Reopening one moves it to the top without a double.
        m_driver->ChooseFile(files[4]);
        form->findChild<QAction *>(QStringLiteral("Openen1"))->trigger();

        const QStringList expected = {files[4], saved, files[9], files[8], files[7], files[6], files[5], files[3]};
        QCOMPARE(RecentProjects::Files(), expected);
        menu->Rebuild();
        QStringList captions;
        for (int i = 0; i < 8; ++i)
            captions << QStringLiteral("&%1 %2").arg(i + 1).arg(
                QString(expected[i]).replace(QLatin1String("&"), QLatin1String("&&")));
        captions << QStringLiteral("Lijst &wissen");
        QCOMPARE(Captions(menu), captions);

        // A new run sees the same list; a project that has gone is greyed.
        form.reset();
        QVERIFY(QFile::remove(files[9]));
        form = NewRun();
        menu = form->RecenteProjecten1;
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 10); // eight, a line, "Lijst &wissen"
        QVERIFY(menu->actions().at(0)->isEnabled());
        QVERIFY(!menu->actions().at(2)->isEnabled());

        // Alt+2 in the open menu opens the second.
        menu->popup(QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QTest::keyClick(menu, Qt::Key_2, Qt::AltModifier);
        QTRY_COMPARE(form->Document().CurrentFileName, saved);
        QCOMPARE(form->windowTitle(), QStringLiteral("Tolvek - opgeslagen.tvk"));
        QCOMPARE(RecentProjects::Files().first(), saved);

        // Gone between the menu and the click: the error, the open project stays.
        emit menu->aboutToShow();
        QVERIFY(QFile::remove(files[4]));
        m_driver->Press(QStringLiteral("&OK"));
        menu->actions().at(1)->trigger();
        QCOMPARE(m_driver->dialogs.size(), 1);
        QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("Kan bestand \"%1\" niet openen.").arg(files[4])),
                 qPrintable(m_driver->dialogs[0].texts));
        QCOMPARE(form->Document().CurrentFileName, saved);

        // The desktop's recent files hold the projects with their type and this program.
        QFile xbel(DesktopRecentFiles::FileName());
        QVERIFY(xbel.fileName().startsWith(g_home->path()));
        QVERIFY(xbel.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&xbel);
        QStringList bookmarked;
        QString type;
        QString application;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("bookmark"))
                bookmarked << QUrl(xml.attributes().value(QLatin1String("href")).toString()).toLocalFile();
            else if (xml.name() == QLatin1String("mime-type"))
                type = xml.attributes().value(QLatin1String("type")).toString();
            else if (xml.name() == QLatin1String("application"))
                application = xml.attributes().value(QLatin1String("name")).toString();
        }
        QVERIFY(!xml.hasError());
        QVERIFY(bookmarked.contains(saved));
        QVERIFY(bookmarked.contains(files[0]));
        QCOMPARE(type, QStringLiteral("application/x-tolvek"));
        QCOMPARE(application, QStringLiteral("Tolvek"));

        menu->findChild<QAction *>(QStringLiteral("RecentProjectsClear"))->trigger();
        QVERIFY(RecentProjects::Files().isEmpty());
    }

    void windowLayoutBetweenRuns()
    {
        // The first run has the designed size and is centred.
        auto form = std::make_unique<THoofdForm>();
        const QSize designed = form->size();
        QVERIFY(!form->RestoreWindowLayout());
        QCOMPARE(form->size(), designed);

        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->resize(803, 517);
        form->move(41, 37);
        const QRect placed = form->geometry();
        QVERIFY(form->close());

        form = NewRun();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->geometry(), placed);
        form->showMaximized();
        QTRY_VERIFY(form->isMaximized());
        QVERIFY(form->close());

        form = NewRun();
        form->show();
        QTRY_VERIFY(form->isMaximized());
        QVERIFY(form->close());
    }

    void fileDialogsOpenInTheirLastFolder()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("projecten"));
        QDir(m_dir.path()).mkpath(QStringLiteral("kaarten"));
        const QString project = WriteProject(Path(QStringLiteral("projecten/p.tvk")));
        auto form = NewRun();
        m_driver->ChooseFile(project);
        form->findChild<QAction *>(QStringLiteral("Openen1"))->trigger();

        // A later run: the open and save dialogs start where the project was
        // chosen; the map dialog, of another kind, does not.
        form = NewRun();
        m_driver->CancelFile();
        form->findChild<QAction *>(QStringLiteral("Openen1"))->trigger();
        m_driver->CancelFile();
        form->findChild<QAction *>(QStringLiteral("Opslaanals1"))->trigger();
        m_driver->Handle([](QDialog *d) {
            d->findChild<QToolButton *>(QStringLiteral("SpeedButton1"))->click();
            QTest::keyClick(d, Qt::Key_Escape);
        });
        m_driver->CancelFile();
        form->findChild<QAction *>(QStringLiteral("OverzichtskaartEigenschappen1"))->trigger();
        QCOMPARE(m_driver->fileRequests.size(), 4);
        QCOMPARE(m_driver->fileRequests[1].directory, Path(QStringLiteral("projecten")));
        QCOMPARE(m_driver->fileRequests[2].directory, Path(QStringLiteral("projecten")));
        QCOMPARE(m_driver->fileRequests[3].directory, QString());
    }

    void mapsInEveryFormatThroughTheMapDialog()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("kaart"));
        const QString pdf = Path(QStringLiteral("kaart/plattegrond.pdf"));
        QVERIFY(MapFormatFiles::WritePdf(pdf, 288, 144));
        auto form = NewRun();
        form->Files().ReadDataFile(WriteProject(Path(QStringLiteral("kaart/project.tvk"))));

        // Browse: the filter offers every format, the preview shows a PDF.
        m_driver->Handle([&](QDialog *d) {
            d->findChild<QToolButton *>(QStringLiteral("SpeedButton1"))->click();
            d->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
        });
        m_driver->ChooseFile(pdf);
        form->findChild<QAction *>(QStringLiteral("OverzichtskaartEigenschappen1"))->trigger();
        const UserInteraction::FileRequest request = m_driver->fileRequests.last();
        QCOMPARE(request.title, QStringLiteral("Achtergrondafbeelding"));
        const QString firstKind = request.filter.section(QLatin1Char('|'), 1, 1);
        for (const char *pattern : {"*.bmp", "*.png", "*.jpg", "*.jpeg", "*.tif", "*.tiff", "*.webp", "*.gif", "*.pdf"})
            QVERIFY2(firstKind.split(QLatin1Char(';')).contains(QLatin1String(pattern)), pattern);
        QVERIFY(request.preview);
        const QImage preview = request.preview(pdf, QSize(196, 196));
        QVERIFY2(!preview.isNull(), qPrintable(WhyNoPage(pdf)));
        QCOMPARE(preview.size(), QSize(196, 98));
        QCOMPARE(form->Document().MapFileName, QByteArray("plattegrond.pdf"));

        // The map's properties tell the true size: 4 by 2 inches at 150 dpi.
        m_driver->Press(QStringLiteral("&OK"));
        form->findChild<QAction *>(QStringLiteral("Eigenschappenkaart1"))->trigger();
        QVERIFY2(m_driver->dialogs.last().texts.contains(QStringLiteral("Breedte: 600 pixels\nHoogte: 300 pixels")),
                 qPrintable(m_driver->dialogs.last().texts));

        // A broken file of each kind: the error box names it and why; the map stays.
        const struct
        {
            const char *name;
            QByteArray bytes;
            const char *reason;
        } broken[] = {
            {"kapot.bmp", Bytes("BM\x10\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0kapot"), "BMP"},
            {"kapot.png", Bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDRkapot"), "PNG"},
            {"kapot.jpg", Bytes("\xFF\xD8\xFF\xE0kapot"), ""},
            {"kapot.tif", Bytes("II*\0\x08\0\0\0\xFF\xFFkapot"), "TIFF"},
            {"kapot.webp", Bytes("RIFF\x20\0\0\0WEBPVP8 kapot"), "WEBP"},
            {"kapot.gif", Bytes("GIF89a\x10\0\x10\0kapot"), "GIF"},
            {"kapot.pdf", Bytes("%PDF-1.7\nkapot\n"), "PDF-document"},
            {"tekst.bmp", Bytes("Dit is geen kaart."), "geen afbeelding in een bekend formaat"},
        };
        for (const auto &b : broken) {
            const QString file = Path(QStringLiteral("kaart/%1").arg(QLatin1String(b.name)));
            QVERIFY(PhotoTestFiles::WriteFile(file, b.bytes));
            const int before = m_driver->dialogs.size();
            m_driver->Handle([&](QDialog *d) {
                d->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QLatin1String(b.name));
                d->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
            });
            m_driver->Press(QStringLiteral("&OK"));
            form->findChild<QAction *>(QStringLiteral("OverzichtskaartEigenschappen1"))->trigger();
            QCOMPARE(m_driver->dialogs.size(), before + 2);
            const QString text = m_driver->dialogs.last().texts;
            QVERIFY2(text.contains(QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen: ").arg(file)),
                     qPrintable(text));
            QVERIFY2(text.contains(QLatin1String(b.reason)), qPrintable(text));
            QCOMPARE(form->MapPictureSize(), QSize(600, 300));
            QVERIFY(MapFormatFiles::ShowsQuadrants(form->OverzichtsImage->Scene().map));
        }
        form->Session().MarkClean();
    }
};

int main(int argc, char *argv[])
{
    // Settings and the desktop's recent files of this run only.
    QTemporaryDir home;
    g_home = &home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    TolvekApplication app(argc, argv);
    TestDesktopIntegration test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktopintegration.moc"
