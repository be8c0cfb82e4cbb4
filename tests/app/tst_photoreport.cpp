// The photo report: written by the core for every layout and paper, made
// from the main window's dialog and by tolvek-render, and read back with
// Poppler's tools (pdfinfo, pdftotext, pdfimages, pdffonts).

#include "DialogDriver.h"
#include "ExifTestFiles.h"
#include "PhotoTestFiles.h"
#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/report/ReportLayout.h"
#include "core/report/ReportWriter.h"
#include "gui/report/TFotorapportForm.h"

#include <QAction>
#include <QComboBox>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

namespace {

QString Run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qWarning("%s failed: %s", qPrintable(program), p.readAllStandardError().constData());
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString Info(const QString &pdf, const QString &field)
{
    const QRegularExpression line(QStringLiteral("^%1:\\s*(.*)$").arg(field), QRegularExpression::MultilineOption);
    return line.match(Run(QStringLiteral("pdfinfo"), {pdf})).captured(1).trimmed();
}

// The words of the text, one space between them: lines broken anywhere
// still read as the note.
QString Words(const QString &text)
{
    return text.simplified();
}

QString Text(const QString &pdf, int first = 0, int last = 0)
{
    QStringList args;
    if (first > 0)
        args << QStringLiteral("-f") << QString::number(first) << QStringLiteral("-l") << QString::number(last);
    return Run(QStringLiteral("pdftotext"), args << pdf << QStringLiteral("-"));
}

// A long note: numbered sentences, so that order and completeness show.
QString LongNote()
{
    QStringList sentences;
    for (int i = 1; i <= 90; ++i)
        sentences << QStringLiteral("Zin %1 over de scheur in het metselwerk.").arg(i);
    return sentences.join(QLatin1Char(' '));
}

} // namespace

class TestPhotoReport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void pagesForEachLayoutAndPaper_data();
    void pagesForEachLayoutAndPaper();
    void notesInFullAndInOrder();
    void documentProperties();
    void dialogAndCommandLineAgree();
    void cancelLeavesNothing();
    void projectWithoutMapIsRefused();
    void numbersOnPrintedAndExportedMaps();
    void orderOfTimeTaken();

private:
    // Writes the report of the project with these choices.
    QString write(ReportOptions options, const QString &name, bool longNote = false);
    void openInWindow();
    void trigger() { m_form->findChild<QAction *>(QStringLiteral("Fotorapport1"))->trigger(); }

    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
    ProjectDocument m_doc;
    QString m_project;
    QStringList m_missing; // of the last report written
};

void TestPhotoReport::initTestCase()
{
    // The dialog's choices are kept in the settings: never the user's own.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    ProcessFolders::SupportStartup();
}

void TestPhotoReport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QImage map(800, 600, QImage::Format_RGB888);
    map.fill(QColor(235, 240, 225));
    QVERIFY(map.save(m_dir->filePath(QStringLiteral("plan.bmp")), "BMP"));
    m_doc = ProjectDocument();
    m_doc.MapFileName = "plan.bmp";
    m_doc.Organisation = "Bureau Keuring";
    m_doc.Description1 = "Opname Kerkstraat 4";
    // Seven photos numbered 11 to 17: one EXIF-rotated, one missing, one
    // with the untouched prompt as notes.
    for (int i = 0; i < 7; ++i) {
        const QByteArray key = QByteArray::number(11 + i).rightJustified(5, '0');
        const QString name = QStringLiteral("foto%1.jpg").arg(11 + i);
        QByteArray jpeg;
        if (i == 1)
            jpeg = PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(300, 400).transformed(QTransform().rotate(-90)), 6);
        else
            jpeg = PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(640, 480));
        if (i != 3)
            QVERIFY(PhotoTestFiles::WriteFile(m_dir->filePath(name), jpeg));
        m_doc.PositionList << key + '=' + QByteArray::number(100 + 90 * i) + ',' + QByteArray::number(100 + 60 * i)
                + ",30";
        m_doc.NameList << key + '=' + name.toLatin1();
        m_doc.NotesList << key
                + (i == 4 ? QByteArray("=Type hier uw aantekeningen.")
                          : "=Aantekening bij foto " + QByteArray::number(11 + i) + '.');
    }
    m_project = m_dir->filePath(QStringLiteral("kerkstraat.tvk"));
    m_doc.CurrentFileName = m_project;
    QCOMPARE(DataFile::Write(m_doc, m_project), DataFile::WriteResult::Ok);
}

void TestPhotoReport::cleanup()
{
    m_form.reset();
    if (m_driver)
        QCOMPARE(m_driver->Pending(), 0);
    m_driver.reset();
}

QString TestPhotoReport::write(ReportOptions options, const QString &name, bool longNote)
{
    ProjectDocument doc = m_doc;
    if (longNote)
        doc.NotesList[0] = "00011=" + LongNote().toLatin1();
    MapImageCache cache;
    const MapScene scene = MapDrawing::Build(doc, false, cache, MapDrawing::MapFilePath(doc));
    options.title = ReportOptions::DefaultTitle(doc);
    options.author = ReportOptions::DefaultAuthor(doc);
    const ReportLayout layout(
        options,
        ReportContent::Build(doc, {}, options.order, ReportContent::MapNorth(doc), ReportContent::CameraTimes()),
        scene.size);
    ReportWriter::Progress progress;
    const QString out = m_dir->filePath(name);
    m_missing = ReportWriter::Write(layout, scene, out, progress).missing;
    return out;
}

void TestPhotoReport::pagesForEachLayoutAndPaper_data()
{
    QTest::addColumn<int>("perPage");
    QTest::addColumn<bool>("letter");
    QTest::addColumn<bool>("landscape");
    QTest::addColumn<int>("pages");
    // A title page, then the seven photos.
    QTest::newRow("1 A4") << 1 << false << false << 8;
    QTest::newRow("2 Letter") << 2 << true << false << 5;
    QTest::newRow("4 A4 liggend") << 4 << false << true << 3;
    QTest::newRow("6 Letter liggend") << 6 << true << true << 3;
}

void TestPhotoReport::pagesForEachLayoutAndPaper()
{
    QFETCH(int, perPage);
    QFETCH(bool, letter);
    QFETCH(bool, landscape);
    QFETCH(int, pages);
    ReportOptions options;
    options.perPage = perPage;
    options.paper = letter ? ReportOptions::Paper::Letter : ReportOptions::Paper::A4;
    options.landscape = landscape;
    options.keyMaps = perPage == 4;
    const QString pdf = write(options, QStringLiteral("rapport.pdf"));
    QCOMPARE(Info(pdf, QStringLiteral("Pages")).toInt(), pages);
    const QString size = Info(pdf, QStringLiteral("Page size"));
    const QString expected = letter
        ? (landscape ? QStringLiteral("792 x 612 pts (letter)") : QStringLiteral("612 x 792 pts (letter)"))
        : (landscape ? QStringLiteral("842 x 595 pts (A4)") : QStringLiteral("595 x 842 pts (A4)"));
    QCOMPARE(size, expected);
    // Every photo's heading, in order, each on a page of its own share.
    const QString text = Words(Text(pdf));
    qsizetype at = 0;
    for (int n = 11; n <= 17; ++n) {
        at = text.indexOf(QStringLiteral("Foto %1").arg(n), at);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("Foto %1").arg(n)));
    }
    // The missing photo has its placeholder naming the file, and is counted.
    QVERIFY(text.contains(QStringLiteral("Foto ontbreekt foto14.jpg het bestand bestaat niet")));
    QCOMPARE(m_missing, QStringList{QStringLiteral("foto14.jpg: het bestand bestaat niet")});
}

void TestPhotoReport::notesInFullAndInOrder()
{
    ReportOptions options;
    options.perPage = 4;
    const QString pdf = write(options, QStringLiteral("lang.pdf"), true);
    const int pages = Info(pdf, QStringLiteral("Pages")).toInt();
    QVERIFY(pages > 3); // the long note runs on beyond the two photo pages

    // The long note complete and in order, and its continuation on the
    // page after its photo's.
    const QString all = Words(Text(pdf));
    QVERIFY(all.contains(QStringLiteral("Vervolg op de volgende pagina.")));
    qsizetype at = 0;
    for (int i = 1; i <= 90; ++i) {
        const QString sentence = QStringLiteral("Zin %1 over de scheur in het metselwerk.").arg(i);
        // The line where the note breaks off may stand between two sentences.
        const qsizetype found = all.indexOf(sentence, at);
        const qsizetype spread = all.indexOf(
            QRegularExpression(QStringLiteral("Zin %1 over de scheur in het.{0,200}?metselwerk\\.").arg(i)), at);
        QVERIFY2(found >= 0 || spread >= 0, qPrintable(sentence));
        at = found >= 0 ? found : spread;
    }
    QVERIFY(Words(Text(pdf, 3, 3)).contains(QStringLiteral("Foto 11, aantekeningen (vervolg)")));
    QVERIFY(!Words(Text(pdf, 2, 2)).contains(QStringLiteral("Zin 90 ")));

    // Each short note in order; the untouched prompt counts as none.
    at = 0;
    for (int n : {12, 13, 14, 16, 17}) {
        at = all.indexOf(QStringLiteral("Aantekening bij foto %1.").arg(n), at);
        QVERIFY2(at >= 0, qPrintable(QString::number(n)));
    }
    QVERIFY(!all.contains(QStringLiteral("Type hier uw aantekeningen.")));
    QCOMPARE(all.count(QStringLiteral("Geen aantekeningen.")), 1);
}

void TestPhotoReport::documentProperties()
{
    // A map whose north is known: each photo's direction as a compass word.
    QVERIFY(PhotoTestFiles::WriteFile(m_dir->filePath(QStringLiteral("plan.bmp.tolvek")),
                                      "tolvek-map-calibration=1\nnorth=0\n"));
    ReportOptions options;
    options.perPage = 1;
    const QString pdf = write(options, QStringLiteral("eigenschappen.pdf"));
    // The triangles point 60 degrees clockwise from the plan's north: north-east.
    QCOMPARE(Words(Text(pdf)).count(QStringLiteral("Kijkrichting: NO")), 7);
    QCOMPARE(Info(pdf, QStringLiteral("Title")), QStringLiteral("Opname Kerkstraat 4"));
    QCOMPARE(Info(pdf, QStringLiteral("Author")), QStringLiteral("Bureau Keuring"));

    // The title page's map carries every photo's number.
    const QStringList first = Words(Text(pdf, 1, 1)).split(QLatin1Char(' '));
    for (int n = 11; n <= 17; ++n)
        QVERIFY2(first.contains(QString::number(n)), qPrintable(QString::number(n)));

    // Fonts embedded.
    const QStringList fonts = Run(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n')).mid(2);
    int fontCount = 0;
    for (const QString &line : fonts) {
        if (line.trimmed().isEmpty())
            continue;
        ++fontCount;
        QVERIFY2(line.contains(QRegularExpression(QStringLiteral("\\byes\\s+(yes|no)\\s+(yes|no)\\s+\\d+"))),
                 qPrintable(line));
    }
    QVERIFY(fontCount >= 1);

    // Photos as JPEG at their own size where that is smaller than the
    // box, the EXIF-rotated one upright; the missing one has no picture.
    QStringList sizes;
    for (const QString &line :
         Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(QLatin1Char('\n')).mid(2)) {
        const QStringList f = line.simplified().split(QLatin1Char(' '));
        if (f.size() < 9)
            continue;
        QCOMPARE(f[8], QStringLiteral("jpeg"));
        sizes << f[3] + QLatin1Char('x') + f[4];
    }
    QCOMPARE(sizes.size(), 7); // the map and six photos
    QCOMPARE(sizes.mid(1),
             (QStringList{QStringLiteral("640x480"), QStringLiteral("300x400"), QStringLiteral("640x480"),
                          QStringLiteral("640x480"), QStringLiteral("640x480"), QStringLiteral("640x480")}));
    const QString prefix = m_dir->filePath(QStringLiteral("beeld"));
    Run(QStringLiteral("pdfimages"),
        {QStringLiteral("-j"), QStringLiteral("-f"), QStringLiteral("3"), QStringLiteral("-l"), QStringLiteral("3"),
         pdf, prefix});
    const QImage upright(prefix + QStringLiteral("-000.jpg"));
    QCOMPARE(upright.size(), QSize(300, 400));
    QVERIFY(PhotoTestFiles::Near(upright.pixel(20, 20), qRgb(255, 0, 0)));     // red top left
    QVERIFY(PhotoTestFiles::Near(upright.pixel(280, 380), qRgb(255, 255, 0))); // yellow bottom right
}

void TestPhotoReport::openInWindow()
{
    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    m_form->Files().ReadDataFile(m_project);
}

void TestPhotoReport::dialogAndCommandLineAgree()
{
    openInWindow();
    const QString fromDialog = m_dir->filePath(QStringLiteral("dialoog.pdf"));
    int shownPages = 0;
    m_driver->Handle([&](QDialog *d) {
        auto *form = qobject_cast<TFotorapportForm *>(d);
        QVERIFY(form);
        form->IndelingCombo->setCurrentIndex(2); // 4 per page
        form->PapierCombo->setCurrentIndex(0);
        form->OpslaanButton->click();
        shownPages = form->PageCount();
    });
    m_driver->ChooseFile(fromDialog);
    bool sawProgress = false;
    m_driver->Handle([&](QDialog *d) { sawProgress = qobject_cast<QProgressDialog *>(d) != nullptr; });
    m_driver->Press(QStringLiteral("&OK"));
    trigger();
    QVERIFY(sawProgress);
    QCOMPARE(m_driver->dialogs.size(), 3);
    const QString closing = m_driver->dialogs[2].texts;
    QVERIFY2(closing.contains(QStringLiteral("Een foto ontbrak"))
                 && closing.contains(QStringLiteral("foto14.jpg: het bestand bestaat niet")),
             qPrintable(closing));

    const QString fromCommand = m_dir->filePath(QStringLiteral("opdracht.pdf"));
    QProcess render;
    render.start(QStringLiteral(TOLVEK_RENDER_PATH),
                 {QStringLiteral("--report"), QStringLiteral("--layout"), QStringLiteral("4"),
                  QStringLiteral("--paper"), QStringLiteral("a4"), m_project, fromCommand});
    QVERIFY(render.waitForFinished(120000));
    QCOMPARE(render.exitCode(), 0);
    QVERIFY(render.readAllStandardError().contains("foto14.jpg"));

    QCOMPARE(Info(fromDialog, QStringLiteral("Pages")).toInt(), 3);
    QCOMPARE(shownPages, 3);
    QCOMPARE(Info(fromCommand, QStringLiteral("Pages")).toInt(), 3);
    QCOMPARE(Text(fromCommand), Text(fromDialog));

    // The choices come back in the next run of the dialog.
    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TFotorapportForm *>(d);
        QCOMPARE(form->IndelingCombo->currentIndex(), 2);
        form->reject();
    });
    trigger();
}

void TestPhotoReport::cancelLeavesNothing()
{
    openInWindow();
    const QString out = m_dir->filePath(QStringLiteral("eerder.pdf"));
    QVERIFY(PhotoTestFiles::WriteFile(out, "eerder rapport"));
    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TFotorapportForm *>(d);
        form->OpslaanButton->click();
        // A cancelled report leaves the dialog open for another try.
        QVERIFY(form->isVisible());
        form->reject();
    });
    m_driver->ChooseFile(out);
    m_driver->Press(QStringLiteral("&Overschrijven")); // replace the earlier file
    m_driver->Press(QStringLiteral("&Annuleren"));
    trigger();
    QCOMPARE(m_driver->dialogs.size(), 3); // report, overwrite question, progress: no message after it
    QFile kept(out);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("eerder rapport"));
    const QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".pdf"));
    QCOMPARE(left, QStringList{QStringLiteral("eerder.pdf")});
}

void TestPhotoReport::projectWithoutMapIsRefused()
{
    m_doc.MapFileName.clear();
    QCOMPARE(DataFile::Write(m_doc, m_project), DataFile::WriteResult::Ok);
    openInWindow();
    m_driver->Press(QStringLiteral("&OK"));
    trigger();
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("geen overzichtskaart")),
             qPrintable(m_driver->dialogs[0].texts));
}

void TestPhotoReport::numbersOnPrintedAndExportedMaps()
{
    openInWindow();
    auto act = [&](const char *name) { m_form->findChild<QAction *>(QLatin1String(name))->trigger(); };
    auto exportAs = [&](const QString &name) {
        m_driver->ChooseFile(m_dir->filePath(name));
        act("ExporterenAfbeelding1");
        return m_dir->filePath(name);
    };
    auto numbersIn = [](const QString &pdf) {
        const QStringList words = Words(Text(pdf)).split(QLatin1Char(' '));
        int found = 0;
        for (int n = 11; n <= 17; ++n)
            found += words.contains(QString::number(n)) ? 1 : 0;
        return found;
    };
    const QString plainPng = exportAs(QStringLiteral("kaart.png"));
    QCOMPARE(numbersIn(exportAs(QStringLiteral("kaart.pdf"))), 0);

    act("NummersMiddel1");
    QCOMPARE(numbersIn(exportAs(QStringLiteral("genummerd.pdf"))), 7);
    const QString printed = m_dir->filePath(QStringLiteral("afdruk.pdf"));
    m_driver->PrintToPdf(printed);
    act("Afdrukken1");
    QCOMPARE(numbersIn(printed), 7);
    QFile plain(plainPng), numbered(exportAs(QStringLiteral("genummerd.png")));
    QVERIFY(plain.open(QIODevice::ReadOnly) && numbered.open(QIODevice::ReadOnly));
    QVERIFY(plain.readAll() != numbered.readAll());

    // Back to none: the picture is again the one without numbers, byte for byte.
    act("NummersGeen1");
    QFile again(exportAs(QStringLiteral("weer.png")));
    QVERIFY(again.open(QIODevice::ReadOnly) && plain.seek(0));
    QCOMPARE(again.readAll(), plain.readAll());
}

void TestPhotoReport::orderOfTimeTaken()
{
    // Taken in another order than numbered, two a second apart, one with
    // its clock's offset from UTC (11:30 at +04:00 is before 09:00 UTC).
    // 14 is missing and 16 has no time: both last, by number.
    const QList<QPair<int, ExifTestFiles::Tags>> taken = {
        {11, {{QStringLiteral("Exif.Photo.DateTimeOriginal"), QStringLiteral("2024:05:03 09:00:00")}}},
        {12, {{QStringLiteral("Exif.Photo.DateTimeOriginal"), QStringLiteral("2024:05:01 16:45:10")}}},
        {13,
         {{QStringLiteral("Exif.Photo.DateTimeOriginal"), QStringLiteral("2024:05:03 11:30:00")},
          {QStringLiteral("Exif.Photo.OffsetTimeOriginal"), QStringLiteral("+04:00")}}},
        {15, {{QStringLiteral("Exif.Photo.DateTimeOriginal"), QStringLiteral("2024:05:01 07:30:00")}}},
        {17, {{QStringLiteral("Exif.Photo.DateTimeOriginal"), QStringLiteral("2024:05:01 16:45:09")}}}};
    for (const auto &[n, tags] : taken) {
        const QByteArray jpeg = ExifTestFiles::Jpeg(tags);
        QVERIFY(!jpeg.isEmpty());
        QVERIFY(PhotoTestFiles::WriteFile(m_dir->filePath(QStringLiteral("foto%1.jpg").arg(n)), jpeg));
    }
    openInWindow();
    const QString pdf = m_dir->filePath(QStringLiteral("tijd.pdf"));
    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TFotorapportForm *>(d);
        QVERIFY(form);
        // Offered once the photos tell when they were taken.
        const auto *model = qobject_cast<const QStandardItemModel *>(form->VolgordeCombo->model());
        QVERIFY(model && model->item(2)->isEnabled());
        form->VolgordeCombo->setCurrentIndex(2);
        form->IndelingCombo->setCurrentIndex(0); // one photo a page: one heading a page
        form->OpslaanButton->click();
    });
    m_driver->ChooseFile(pdf);
    m_driver->Handle([](QDialog *) {});     // progress
    m_driver->Press(QStringLiteral("&OK")); // one photo missing
    trigger();

    // Each photo page's heading, below the page's header.
    const QRegularExpression heading(QStringLiteral("\\bFoto \\d+\\b"));
    QStringList order;
    for (int page = 2; page <= 8; ++page)
        order << heading.match(Words(Text(pdf, page, page))).captured();
    QCOMPARE(order,
             (QStringList{QStringLiteral("Foto 15"), QStringLiteral("Foto 17"), QStringLiteral("Foto 12"),
                          QStringLiteral("Foto 13"), QStringLiteral("Foto 11"), QStringLiteral("Foto 14"),
                          QStringLiteral("Foto 16")}));
    QVERIFY(Words(Text(pdf, 2, 2)).contains(QStringLiteral("Opgenomen: 1 mei 2024 07:30")));
}

int main(int argc, char *argv[])
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TolvekApplication app(argc, argv);
    TestPhotoReport test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_photoreport.moc"
