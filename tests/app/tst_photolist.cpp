// The photo list beside the map and the commands that take photos in,
// through the real main window: the list following every change, the
// filter, selection in both directions, Enter and Delete, the marks of
// missing and unreadable files, importing a folder (and cancelling it),
// files dropped on the window, mending a moved photo set, and the dock's
// place kept between runs.
#include "DialogDriver.h"
#include "MainWindowRun.h"
#include "PhotoTestFiles.h"

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/AddPhotoEdit.h"
#include "core/project/DataFile.h"
#include "core/project/DeletePhotoEdit.h"
#include "core/project/StoreNotesEdit.h"
#include "gui/map/MapView.h"
#include "gui/map/TAlleFotoEigenschappenForm.h"
#include "gui/photos/PhotoImport.h"
#include "gui/photos/PhotoListDock.h"
#include "gui/photos/PhotoListModel.h"
#include "gui/photos/PhotoViewArea.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoKijkerForm.h"
#include "gui/photos/TFotoToevoegenForm.h"
#include "gui/photos/TFotoVerwijderenForm.h"
#include "gui/photos/TOntbrekendeFotosForm.h"

#include <QAction>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeJpeg(const QString &path, QColor colour, int w = 160, int h = 120)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QDir().mkpath(QFileInfo(path).path());
    return PhotoTestFiles::WriteFile(path, PhotoTestFiles::Jpeg(image));
}

bool writeMap(const QString &path, QSize size)
{
    QImage map(size, QImage::Format_RGB888);
    map.fill(QColor(240, 240, 220));
    QDir().mkpath(QFileInfo(path).path());
    return map.save(path, "BMP");
}

// The highlight's orange in a square around p.
int orangePixelsAround(const QImage &img, QPoint p, int r)
{
    int n = 0;
    for (int y = p.y() - r; y <= p.y() + r; ++y)
        for (int x = p.x() - r; x <= p.x() + r; ++x)
            if (img.rect().contains(x, y)) {
                const QColor c = img.pixelColor(x, y);
                if (c.red() > 220 && c.green() > 80 && c.green() < 170 && c.blue() < 60)
                    ++n;
            }
    return n;
}

} // namespace

class TestPhotoList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listFollowsEveryChange();
    void filterByWordsIgnoringCaseAndAccents();
    void selectionMarksTheMapAndClicksSelectRows();
    void enterOpensAndDeleteAsks();
    void missingAndUnreadableFilesAreMarked();
    void importFolderWithPicturesOthersAndSubfolder();
    void cancelledImportChangesNothing();
    void droppedImagesAndProjectFile();
    void mendMovedPhotoSet();
    void missingMapStaysClickableAndIsFound();
    void dockPlaceIsRemembered();
    void viewerStepsInListOrderAndNotesUndo();
    void everyKindOfPhotoInListAndWindow();

private:
    PhotoListDock *dock() const { return m_form->FotosDock; }
    PhotoListModel &model() const { return m_form->FotosDock->Model(); }
    QStringList rows() const;
    void writeProject(const ProjectDocument &doc);
    void open();
    QAction *action(const char *name) const { return m_form->findChild<QAction *>(QLatin1String(name)); }

    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
    QString m_set;     // the project's folder
    QString m_project; // its data file
};

void TestPhotoList::initTestCase()
{
    // The window's layout is kept in the settings: never the user's own.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    ProcessFolders::SupportStartup();
}

QStringList TestPhotoList::rows() const
{
    QStringList out;
    for (int r = 0; r < model().rowCount(); ++r)
        out << model().data(model().index(r)).toString();
    return out;
}

void TestPhotoList::writeProject(const ProjectDocument &doc)
{
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
}

void TestPhotoList::open()
{
    m_form->Files().ResetProject();
    m_form->Files().ReadDataFile(m_project);
}

void TestPhotoList::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_set = m_dir->filePath(QStringLiteral("set"));
    QVERIFY(writeMap(m_set + QStringLiteral("/kaart.bmp"), QSize(400, 300)));
    QVERIFY(writeJpeg(m_set + QStringLiteral("/fotos/kerk.jpg"), QColor(40, 90, 160)));
    QVERIFY(writeJpeg(m_set + QStringLiteral("/fotos/toren.jpg"), Qt::green));
    QVERIFY(writeJpeg(m_set + QStringLiteral("/serre.jpg"), Qt::blue));
    m_project = m_set + QStringLiteral("/kerk.tvk");
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=60,50,90", "00002=200,120,0", "00003=300,200,180"};
    doc.NameList = {"00001=fotos\\kerk.jpg", "00002=fotos\\toren.jpg", "00003=serre.jpg"};
    doc.NotesList = {"00001=Kerk aan het plein", "00002=Toren\x9dmet klok", "00003=Terras van het Caf\xe9"};
    writeProject(doc);

    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    open();
}

void TestPhotoList::cleanup()
{
    MainWindowRun::End(m_form, m_driver);
}

// Add, notes, change all, delete, a new project and an open: the rows follow,
// and the selection stays with its photo.
void TestPhotoList::listFollowsEveryChange()
{
    QCOMPARE(rows(), (QStringList{"00001  fotos\\kerk.jpg", "00002  fotos\\toren.jpg", "00003  serre.jpg"}));
    QCOMPARE(dock()->CountLabel()->text(), QStringLiteral("3 foto's"));
    QCOMPARE(model().data(model().index(1), PhotoListModel::NotesLineRole).toString(), QStringLiteral("Toren"));

    ProjectSession &session = m_form->Session();
    session.Perform(AddPhotoEdit::Make(m_form->Document(), {{10, 10, 90, "nieuw.jpg"}}));
    QCOMPARE(rows().last(), QStringLiteral("00004  nieuw.jpg"));
    QCOMPARE(dock()->CountLabel()->text(), QStringLiteral("4 foto's"));

    session.Perform(std::make_unique<StoreNotesEdit>(2, "Nieuwe toren\r\nen klok"));
    QCOMPARE(model().data(model().index(1), PhotoListModel::NotesLineRole).toString(), QStringLiteral("Nieuwe toren"));

    // Photo 3 selected; "Eigenschappen alle foto's wijzigen..." shifts every photo.
    dock()->SelectPositions({2});
    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TAlleFotoEigenschappenForm *>(d);
        QVERIFY(form);
        form->RadioButton1->setChecked(true);
        form->SpinEdit1->setValue(10);
        form->SpinEdit2->setValue(5);
        form->Button1->click();
    });
    action("Eigenschappenallefotoswijzigen1")->trigger();
    QCOMPARE(m_form->Document().PositionList[2], QByteArray("00003=310,205,180"));
    QCOMPARE(dock()->SelectedPositions(), QList<qsizetype>{2});

    // Deleting photo 1 moves photo 3 up one place; it stays selected and marked.
    session.Perform(std::make_unique<DeletePhotoEdit>("00001"));
    QCOMPARE(rows(), (QStringList{"00002  fotos\\toren.jpg", "00003  serre.jpg", "00004  nieuw.jpg"}));
    QCOMPARE(dock()->SelectedPositions(), QList<qsizetype>{1});
    QCOMPARE(m_form->OverzichtsImage->HighlightedPhotos(), QList<qsizetype>{1});

    m_driver->Press(QStringLiteral("&Niet opslaan"));
    action("Nieuw1")->trigger();
    QCOMPARE(model().rowCount(), 0);
    QCOMPARE(dock()->CountLabel()->text(), QStringLiteral("0 foto's"));
    QVERIFY(m_form->OverzichtsImage->HighlightedPhotos().isEmpty());

    m_driver->ChooseFile(m_project);
    action("Openen1")->trigger();
    QCOMPARE(rows().size(), 3);
}

void TestPhotoList::filterByWordsIgnoringCaseAndAccents()
{
    QLineEdit *filter = dock()->FilterEdit();
    QTest::keyClicks(filter, QStringLiteral("cafe"));
    QCOMPARE(rows(), QStringList{"00003  serre.jpg"});
    QCOMPARE(dock()->CountLabel()->text(), QStringLiteral("1 van 3"));

    filter->clear();
    QTest::keyClicks(filter, QStringLiteral("KERK"));
    QCOMPARE(rows(), QStringList{"00001  fotos\\kerk.jpg"});

    // Words anywhere in name or notes, the notes' second line included.
    filter->clear();
    QTest::keyClicks(filter, QStringLiteral("toren klok"));
    QCOMPARE(rows(), QStringList{"00002  fotos\\toren.jpg"});
    filter->clear();
    QTest::keyClicks(filter, QStringLiteral("fotos"));
    QCOMPARE(dock()->CountLabel()->text(), QStringLiteral("2 van 3"));
    filter->clear();
    QCOMPARE(dock()->CountLabel()->text(), QStringLiteral("3 foto's"));

    // The prompt a new photo gets is no note: not found, not shown. Notes
    // that only begin with it are the user's.
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=60,50,90", "00002=200,120,0"};
    doc.NameList = {"00001=fotos\\kerk.jpg", "00002=fotos\\toren.jpg"};
    doc.NotesList = {"00001=Type hier uw aantekeningen.", "00002=Type hier uw aantekeningen. Bij de toren"};
    writeProject(doc);
    open();
    QCOMPARE(model().data(model().index(0), PhotoListModel::NotesLineRole).toString(), QString());
    QTest::keyClicks(filter, QStringLiteral("aantekeningen"));
    QCOMPARE(rows(), QStringList{"00002  fotos\\toren.jpg"});
    QCOMPARE(model().data(model().index(0), PhotoListModel::NotesLineRole).toString(),
             QStringLiteral("Type hier uw aantekeningen. Bij de toren"));
    filter->clear();

    // Ctrl+F from the map brings the cursor into the field.
    m_form->activateWindow();
    QApplication::setActiveWindow(m_form.get());
    m_form->OverzichtsScrollBox->setFocus();
    QTest::keyClick(m_form.get(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(filter->hasFocus());
}

void TestPhotoList::selectionMarksTheMapAndClicksSelectRows()
{
    MapView *map = m_form->OverzichtsImage;
    QCOMPARE(orangePixelsAround(map->grab().toImage(), QPoint(200, 120), 16), 0);
    QString withMark = m_dir->filePath(QStringLiteral("met"));
    QString without = m_dir->filePath(QStringLiteral("zonder"));
    m_driver->ChooseFile(without);
    action("Exporteren1")->trigger();

    dock()->View()->setCurrentIndex(model().index(1));
    QCOMPARE(map->HighlightedPhotos(), QList<qsizetype>{1});
    const QImage shown = map->grab().toImage();
    QVERIFY(orangePixelsAround(shown, QPoint(200, 120), 16) > 10);
    QCOMPARE(orangePixelsAround(shown, QPoint(60, 50), 16), 0);
    // The mark is the screen's alone: the exported map is the same.
    m_driver->ChooseFile(withMark);
    action("Exporteren1")->trigger();
    QCOMPARE(readAll(withMark + QStringLiteral(".emf")), readAll(without + QStringLiteral(".emf")));

    // A click on a triangle selects its row (and opens the photo, as always).
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(300, 200));
    QCOMPARE(dock()->SelectedPositions(), QList<qsizetype>{2});
    QCOMPARE(dock()->View()->currentIndex().row(), 2);
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);

    // On a map larger than the view, the selected photo is scrolled into view.
    QVERIFY(writeMap(m_set + QStringLiteral("/kaart.bmp"), QSize(2000, 1500)));
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=60,50,90", "00002=1900,1400,0"};
    doc.NameList = {"00001=fotos\\kerk.jpg", "00002=fotos\\toren.jpg"};
    writeProject(doc);
    open();
    QWidget *viewport = m_form->OverzichtsScrollBox->viewport();
    QVERIFY(!viewport->rect().contains(map->mapTo(viewport, QPoint(1900, 1400))));
    dock()->View()->setCurrentIndex(model().index(1));
    QVERIFY(viewport->rect().contains(map->mapTo(viewport, QPoint(1900, 1400))));
    // ... with the smallest move: its mark touches the window's edge.
    const QRect mark = map->ShownPhotoRect(1).translated(map->pos());
    QVERIFY(viewport->rect().contains(mark));
    QVERIFY(mark.right() == viewport->width() - 1 || mark.bottom() == viewport->height() - 1);

    // A click on a triangle near the window's edge selects its row without
    // moving the map under the pointer.
    dock()->View()->setCurrentIndex(model().index(0));
    QScrollBar *h = m_form->OverzichtsScrollBox->horizontalScrollBar();
    QScrollBar *v = m_form->OverzichtsScrollBox->verticalScrollBar();
    h->setValue(1900 - viewport->width() + 12);
    v->setValue(1400 - viewport->height() + 12);
    const QPoint hOld(h->value(), v->value());
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(1900, 1400));
    QCOMPARE(dock()->View()->currentIndex().row(), 1);
    QCOMPARE(QPoint(h->value(), v->value()), hOld);
}

void TestPhotoList::enterOpensAndDeleteAsks()
{
    QListView *view = dock()->View();
    view->setFocus();
    view->setCurrentIndex(model().index(1));
    QTest::keyClick(view, Qt::Key_Return);
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    QCOMPARE(TFotoForm::OpenWindows().first()->AantekeningenMemo->toPlainText(), QStringLiteral("Toren\nmet klok"));
    delete TFotoForm::OpenWindows().first();

    // Delete on one photo: the delete-photo dialog, with that photo picked.
    QString shown;
    m_driver->Handle([&shown](QDialog *d) {
        auto *form = qobject_cast<TFotoVerwijderenForm *>(d);
        QVERIFY(form);
        shown = form->Label1->text();
        form->Button1->click();
    });
    view->setCurrentIndex(model().index(0));
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(shown, QStringLiteral("fotos\\kerk.jpg"));
    const ProjectDocument &doc = m_form->Document();
    QCOMPARE(doc.PositionList, (QList<QByteArray>{"00002=200,120,0", "00003=300,200,180"}));
    QCOMPARE(doc.NotesList, (QList<QByteArray>{"00002=Toren\x9dmet klok", "00003=Terras van het Caf\xe9"}));

    // Delete on two: one question; cancelled, nothing goes.
    view->selectAll();
    m_driver->Press(QStringLiteral("&Annuleren"));
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(doc.PositionList.size(), 2);
    QVERIFY2(m_driver->dialogs.last().texts.contains(QStringLiteral("2 foto's verwijderen?")),
             qPrintable(m_driver->dialogs.last().texts));
    m_driver->Press(QStringLiteral("&Verwijderen"));
    QTest::keyClick(view, Qt::Key_Delete);
    QVERIFY(doc.PositionList.isEmpty());
    QVERIFY(doc.NameList.isEmpty());
    QVERIFY(doc.NotesList.isEmpty());
    QCOMPARE(model().rowCount(), 0);
}

void TestPhotoList::missingAndUnreadableFilesAreMarked()
{
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/kapot.jpg"), QByteArray(3000, 'x')));
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=60,50,90", "00002=200,120,0", "00003=300,200,180"};
    // Found as Windows finds it: "\" and another letter case.
    doc.NameList = {"00001=FOTOS\\Kerk.JPG", "00002=weg.jpg", "00003=kapot.jpg"};
    writeProject(doc);
    open();
    using State = PhotoListModel::FileState;
    auto state = [this](int row) {
        return State(model().data(model().index(row), PhotoListModel::FileStateRole).toInt());
    };
    QTRY_COMPARE(state(0), State::Ready);
    QTRY_COMPARE(state(1), State::Missing);
    QTRY_COMPARE(state(2), State::Broken);
    QVERIFY(
        model().data(model().index(1), Qt::ToolTipRole).toString().startsWith(QStringLiteral("Bestand niet gevonden")));
    QVERIFY(model().data(model().index(2), Qt::ToolTipRole).toString().contains(QStringLiteral("kapot.jpg")));

    // The rows show the marks: red where the thumbnail would be.
    QListView *view = dock()->View();
    const QImage list = view->viewport()->grab().toImage();
    auto redIn = [&list](const QRect &r) {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right() && x < list.width() && y < list.height(); ++x) {
                const QColor c = list.pixelColor(x, y);
                n += c.red() > 150 && c.green() < 60 && c.blue() < 60;
            }
        return n;
    };
    QCOMPARE(redIn(view->visualRect(model().index(0))), 0);
    QVERIFY(redIn(view->visualRect(model().index(1))) > 20);
    QVERIFY(redIn(view->visualRect(model().index(2))) > 20);
}

void TestPhotoList::importFolderWithPicturesOthersAndSubfolder()
{
    const QString folder = m_dir->filePath(QStringLiteral("camera"));
    QVERIFY(writeJpeg(folder + QStringLiteral("/b.jpg"), Qt::yellow));
    QVERIFY(writeJpeg(folder + QStringLiteral("/a.jpg"), Qt::cyan));
    QVERIFY(QImage(QSize(30, 20), QImage::Format_RGB888).save(folder + QStringLiteral("/c.bmp"), "BMP"));
    QVERIFY(PhotoTestFiles::WriteFile(folder + QStringLiteral("/lees.txt"), "geen foto"));
    QVERIFY(writeJpeg(folder + QStringLiteral("/sub/d.jpg"), Qt::magenta));

    // New photos look where the add-photo dialog last pointed: 3 o'clock.
    m_form->CreateOtherWindows();
    m_form->FotoToevoegenForm->RadioButtons[2]->setChecked(true);

    m_driver->ChooseFile(folder);
    m_driver->Press(QStringLiteral("&Met submappen"));
    m_driver->Press(QStringLiteral("&Kopi\u00ebren"));
    m_driver->Press(QStringLiteral("&OK"));
    action("MapImporteren1")->trigger();

    const ProjectDocument &doc = m_form->Document();
    // Around the middle of what the map view shows (all of this small map).
    QCOMPARE(doc.PositionList.mid(3),
             (QList<QByteArray>{"00004=190,140,0", "00005=208,140,0", "00006=190,158,0", "00007=208,158,0"}));
    QCOMPARE(
        doc.NameList.mid(3),
        (QList<QByteArray>{"00004=fotos\\a.jpg", "00005=fotos\\b.jpg", "00006=fotos\\c.bmp", "00007=fotos\\d.jpg"}));
    QCOMPARE(doc.NotesList.last(), QByteArray("00007=Type hier uw aantekeningen."));
    QCOMPARE(readAll(m_set + QStringLiteral("/fotos/d.jpg")), readAll(folder + QStringLiteral("/sub/d.jpg")));
    QVERIFY(doc.Modified);
    const QString report = m_driver->dialogs.last().texts;
    QVERIFY2(report.contains(QStringLiteral("4 foto's ge\u00efmporteerd.")), qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("1 bestand overgeslagen:")), qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("lees.txt")), qPrintable(report));
    // All new ones selected, to be dragged to their places; and marked.
    QCOMPARE(dock()->SelectedPositions(), (QList<qsizetype>{3, 4, 5, 6}));
    QCOMPARE(m_form->OverzichtsImage->HighlightedPhotos(), (QList<qsizetype>{3, 4, 5, 6}));

    // The whole import is one step to undo and redo; the list follows.
    const QByteArray imported = DataFile::Serialize(doc);
    action("Ongedaanmaken1")->trigger();
    QCOMPARE(doc.PositionList.size(), 3);
    QCOMPARE(model().rowCount(), 3);
    action("Opnieuw1")->trigger();
    QCOMPARE(DataFile::Serialize(doc), imported);
    QCOMPARE(model().rowCount(), 7);

    // Several files in the dialog's name field; one kept where it is, one
    // already in the project (allowed, but said).
    m_driver->ChooseFile(QStringLiteral("\"%1\" \"%2\"")
                             .arg(folder + QStringLiteral("/a.jpg"), m_set + QStringLiteral("/fotos/kerk.jpg")));
    m_driver->Press(QStringLiteral("&Laten staan"));
    m_driver->Press(QStringLiteral("&OK"));
    action("FotosImporteren1")->trigger();
    QCOMPARE(doc.NameList.mid(7),
             (QList<QByteArray>{QByteArray("00008=") + QFile::encodeName(folder) + "/a.jpg", "00009=fotos\\kerk.jpg"}));
    QVERIFY2(m_driver->dialogs.last().texts.contains(QStringLiteral("1 foto stond al in het project")),
             qPrintable(m_driver->dialogs.last().texts));
}

void TestPhotoList::cancelledImportChangesNothing()
{
    const QString folder = m_dir->filePath(QStringLiteral("veel"));
    // Enough work that the progress dialog is up long before it is done.
    for (int i = 0; i < 40; ++i)
        QVERIFY(writeJpeg(folder + QStringLiteral("/foto%1.jpg").arg(i), QColor(i * 6, 100, 200), 1600, 1200));
    const QByteArray before = DataFile::Serialize(m_form->Document());
    const QStringList copiesBefore = QDir(m_set + QStringLiteral("/fotos")).entryList(QDir::Files);

    m_driver->ChooseFile(folder);
    m_driver->Press(QStringLiteral("&Kopi\u00ebren"));
    m_driver->Press(QStringLiteral("&Annuleren")); // the progress dialog
    // At once, however quick the machine.
    const int delay = PhotoImport::ProgressDelay();
    PhotoImport::SetProgressDelay(0);
    action("MapImporteren1")->trigger();
    PhotoImport::SetProgressDelay(delay);

    QCOMPARE(DataFile::Serialize(m_form->Document()), before);
    QVERIFY(!m_form->Document().Modified);
    QCOMPARE(QDir(m_set + QStringLiteral("/fotos")).entryList(QDir::Files), copiesBefore);
    QCOMPARE(m_driver->dialogs.size(), 2);
}

void TestPhotoList::droppedImagesAndProjectFile()
{
    QVERIFY(writeJpeg(m_set + QStringLiteral("/drop/x.jpg"), Qt::gray));
    QVERIFY(writeJpeg(m_set + QStringLiteral("/drop/y.jpg"), Qt::darkGreen));
    QMimeData images;
    images.setUrls({QUrl::fromLocalFile(m_set + QStringLiteral("/drop/x.jpg")),
                    QUrl::fromLocalFile(m_set + QStringLiteral("/drop/y.jpg"))});
    const QPointF at = m_form->OverzichtsImage->mapTo(m_form.get(), QPoint(100, 80));
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &images, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &images, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &drop);
    QVERIFY(drop.isAccepted());
    const ProjectDocument &doc = m_form->Document();
    QTRY_COMPARE(doc.PositionList.size(), 5);
    QCOMPARE(doc.PositionList.mid(3), (QList<QByteArray>{"00004=100,80,90", "00005=118,80,90"}));
    QCOMPARE(doc.NameList.mid(3), (QList<QByteArray>{"00004=drop\\x.jpg", "00005=drop\\y.jpg"}));

    // A project file opens, after the question about the changed one.
    const QString other = m_dir->filePath(QStringLiteral("ander.tvk"));
    ProjectDocument second;
    second.PositionList = {"00001=5,5,0"};
    QCOMPARE(DataFile::Write(second, other), DataFile::WriteResult::Ok);
    QMimeData project;
    project.setUrls({QUrl::fromLocalFile(other)});
    m_driver->Press(QStringLiteral("&Niet opslaan"));
    QDragEnterEvent enterProject(at.toPoint(), Qt::CopyAction, &project, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &enterProject);
    QVERIFY(enterProject.isAccepted());
    QDropEvent dropProject(at, Qt::CopyAction, &project, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &dropProject);
    QTRY_COMPARE(doc.CurrentFileName, other);
    QCOMPARE(m_driver->dialogs.last().windowTitle, QStringLiteral("Tolvek"));
    QCOMPARE(rows(), QStringList{"00001  "});
}

void TestPhotoList::mendMovedPhotoSet()
{
    // The set was rearranged: the photos of "fotos" are now in "beelden",
    // and the serre's photo is gone.
    QVERIFY(QDir(m_set).rename(QStringLiteral("fotos"), QStringLiteral("beelden")));
    QVERIFY(QFile::remove(m_set + QStringLiteral("/serre.jpg")));
    open();
    const QByteArray original = readAll(m_project);
    using State = PhotoListModel::FileState;
    QTRY_COMPARE(State(model().data(model().index(0), PhotoListModel::FileStateRole).toInt()), State::Missing);

    // Cancelled: nothing changes.
    m_driver->Escape();
    action("OntbrekendeFotos1")->trigger();
    QCOMPARE(DataFile::Serialize(m_form->Document()), DataFile::Serialize([&] {
                 ProjectDocument d;
                 d.Reset();
                 DataFile::Read(d, m_project);
                 return d;
             }()));
    QVERIFY(!m_form->Document().Modified);

    m_driver->Handle([this](QDialog *d) {
        auto *form = qobject_cast<TOntbrekendeFotosForm *>(d);
        QVERIFY(form);
        QCOMPARE(form->FotoLijst->topLevelItemCount(), 3);
        form->MapEdit->setText(QDir::toNativeSeparators(m_set));
        form->ZoekenButton->click();
        QVERIFY2(form->StatusLabel->text().startsWith(QStringLiteral("2 van 3 gevonden.")),
                 qPrintable(form->StatusLabel->text()));
        QCOMPARE(form->FotoLijst->topLevelItem(0)->text(2), QStringLiteral("beelden\\kerk.jpg"));
        QCOMPARE(form->FotoLijst->topLevelItem(2)->text(2), TOntbrekendeFotosForm::NotFoundText());
        form->Button1->click();
    });
    action("OntbrekendeFotos1")->trigger();
    QTRY_COMPARE(State(model().data(model().index(0), PhotoListModel::FileStateRole).toInt()), State::Ready);

    action("Opslaan1")->trigger();
    QByteArray expected = original;
    expected.replace("00001=fotos\\kerk.jpg\r\n", "00001=beelden\\kerk.jpg\r\n");
    expected.replace("00002=fotos\\toren.jpg\r\n", "00002=beelden\\toren.jpg\r\n");
    QVERIFY(expected != original);
    QCOMPARE(readAll(m_project), expected);
}

// The map moved with the photos: the photos stay on the screen and
// clickable, no picture is made of the map without it, and the finder
// finds it (letter case not counting).
void TestPhotoList::missingMapStaysClickableAndIsFound()
{
    QVERIFY(QDir(m_set).mkpath(QStringLiteral("plan")));
    QVERIFY(QFile::rename(m_set + QStringLiteral("/kaart.bmp"), m_set + QStringLiteral("/plan/KAART.BMP")));
    open();
    const QByteArray original = readAll(m_project);
    MapView *map = m_form->OverzichtsImage;
    QVERIFY2(map->width() > 300 && map->height() > 200,
             qPrintable(QStringLiteral("%1 x %2").arg(map->width()).arg(map->height())));
    QTest::mouseClick(map, Qt::LeftButton, {}, QPoint(300, 200));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    delete TFotoForm::OpenWindows().first();

    m_driver->Press(QStringLiteral("&OK"));
    action("ExporterenAfbeelding1")->trigger();
    QCOMPARE(m_driver->fileRequests.size(), 0);
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("\"kaart.bmp\" is niet gevonden")),
             qPrintable(m_driver->dialogs[0].texts));

    m_driver->Handle([this](QDialog *d) {
        auto *form = qobject_cast<TOntbrekendeFotosForm *>(d);
        QVERIFY(form);
        QCOMPARE(form->FotoLijst->topLevelItemCount(), 1);
        QCOMPARE(form->FotoLijst->topLevelItem(0)->text(0), QStringLiteral("Kaart"));
        form->MapEdit->setText(QDir::toNativeSeparators(m_set));
        form->ZoekenButton->click();
        QCOMPARE(form->FotoLijst->topLevelItem(0)->text(2), QStringLiteral("plan\\KAART.BMP"));
        form->Button1->click();
    });
    action("OntbrekendeFotos1")->trigger();
    QCOMPARE(m_form->Document().MapFileName, QByteArray("plan\\KAART.BMP"));
    QCOMPARE(map->size(), QSize(400, 300));
    action("Opslaan1")->trigger();
    QByteArray expected = original;
    expected.replace("=kaart.bmp\r\n", "=plan\\KAART.BMP\r\n");
    QVERIFY(expected != original);
    QCOMPARE(readAll(m_project), expected);
}

void TestPhotoList::dockPlaceIsRemembered()
{
    QVERIFY(!dock()->isHidden());
    action("FotoLijst1")->trigger();
    QVERIFY(dock()->isHidden());
    QVERIFY(m_form->close());
    m_form = std::make_unique<THoofdForm>();
    QVERIFY(m_form->RestoreWindowLayout());
    m_form->show();
    QVERIFY(dock()->isHidden());
    action("FotoLijst1")->trigger();
    QVERIFY(!dock()->isHidden());
    QVERIFY(m_form->close());
    m_form = std::make_unique<THoofdForm>();
    QVERIFY(m_form->RestoreWindowLayout());
    QVERIFY(!dock()->isHidden());
}

// The photo viewer from the list (Ctrl+Enter) and from a photo window
// (Enter): it steps with Page Down, Page Up and the arrows through the
// photos in the list's order, as filtered, stopping at the ends; notes typed
// there reach the project as one edit when it steps on, undone in one step;
// F11 and Escape switch full screen.
void TestPhotoList::viewerStepsInListOrderAndNotesUndo()
{
    const QByteArray saved = DataFile::Serialize(m_form->Document());
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    // "het" is in the notes of photos 1 and 3 only.
    dock()->FilterEdit()->setText(QStringLiteral("het"));
    QCOMPARE(dock()->ShownPositions(), (QList<qsizetype>{0, 2}));
    dock()->View()->setCurrentIndex(model().index(0));
    dock()->View()->setFocus();
    QTest::keyClick(dock()->View(), Qt::Key_Return, Qt::ControlModifier);
    TFotoKijkerForm *viewer = TFotoKijkerForm::Current();
    QVERIFY(viewer);
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    QCOMPARE(viewer->PhotoNumber(), 1);
    QCOMPARE(viewer->PlaatsLabel->text(), QStringLiteral("1 van 2"));
    QVERIFY(viewer->KopLabel->text().contains(QStringLiteral("kerk.jpg")));
    QCOMPARE(viewer->AantekeningenMemo->toPlainText(), QStringLiteral("Kerk aan het plein"));
    // The photo fills its area (fitted, never enlarged: 160 x 120 here).
    const QRect shown = viewer->FotoVlak->PictureRect().toRect();
    QCOMPARE(shown.size(), QSize(160, 120));
    const QImage grabbed = viewer->FotoVlak->grab().toImage();
    QVERIFY(PhotoTestFiles::Near(grabbed.pixel(shown.center()), QColor(40, 90, 160).rgb()));

    viewer->FotoVlak->setFocus();
    QTest::keyClick(viewer, Qt::Key_PageDown);
    QCOMPARE(viewer->PhotoNumber(), 3);
    QCOMPARE(viewer->PlaatsLabel->text(), QStringLiteral("2 van 2"));
    QTest::keyClick(viewer, Qt::Key_Right);
    QCOMPARE(viewer->PhotoNumber(), 3);
    QTest::keyClick(viewer, Qt::Key_Left);
    QCOMPARE(viewer->PhotoNumber(), 1);

    // Notes: typed with the memo focused, where the arrows stay the memo's
    // and Page Down steps on, storing them as one edit.
    const int steps = m_form->Session().UndoStack().count();
    viewer->AantekeningenMemo->setFocus();
    viewer->AantekeningenMemo->moveCursor(QTextCursor::End);
    QTest::keyClicks(viewer->AantekeningenMemo, QStringLiteral(" in de zon"));
    QTest::keyClick(viewer->AantekeningenMemo, Qt::Key_Left);
    QCOMPARE(viewer->PhotoNumber(), 1);
    QTest::keyClick(viewer->AantekeningenMemo, Qt::Key_PageDown);
    QCOMPARE(viewer->PhotoNumber(), 3);
    QCOMPARE(m_form->Document().NotesList.first(), QByteArray("00001=Kerk aan het plein in de zon"));
    QCOMPARE(m_form->Session().UndoStack().count(), steps + 1);
    action("Ongedaanmaken1")->trigger();
    QCOMPARE(DataFile::Serialize(m_form->Document()), saved);

    QTest::keyClick(viewer, Qt::Key_F11);
    QVERIFY(viewer->isFullScreen());
    QTest::keyClick(viewer, Qt::Key_Escape);
    QVERIFY(!viewer->isFullScreen());
    QTest::keyClick(viewer, Qt::Key_Escape);
    QTRY_VERIFY(!TFotoKijkerForm::Current());

    // From a photo window: Enter shows its photo in the viewer instead.
    dock()->FilterEdit()->clear();
    dock()->View()->setCurrentIndex(model().index(1));
    QTest::keyClick(dock()->View(), Qt::Key_Return);
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    QTest::keyClick(TFotoForm::OpenWindows().first(), Qt::Key_Return);
    QTRY_VERIFY(TFotoKijkerForm::Current());
    QCOMPARE(TFotoKijkerForm::Current()->PhotoNumber(), 2);
    QTRY_VERIFY(TFotoForm::OpenWindows().isEmpty());
    TFotoKijkerForm::Current()->close();
}

// PNG, TIFF, WebP, GIF and HEIC photos (four of them stored on their side,
// with the orientation that turns them upright) imported: their rows get
// thumbnails, and the photo window shows each upright.
void TestPhotoList::everyKindOfPhotoInListAndWindow()
{
    using namespace PhotoTestFiles;
    const QImage turned = StoredForOrientation6(64, 48);
    const QList<std::pair<QString, QByteArray>> kinds = {{QStringLiteral("scherm.png"), Png(turned, 6)},
                                                         {QStringLiteral("scan.tiff"), Tiff(turned, 6)},
                                                         {QStringLiteral("foto.webp"), WebP(turned, 6)},
                                                         {QStringLiteral("plan.gif"), Gif(Quadrants(64, 48))},
                                                         {QStringLiteral("IMG_0001.heic"), Heic(turned, 6)}};
    QStringList quoted;
    for (const auto &[name, bytes] : kinds) {
        QVERIFY(WriteFile(m_set + QLatin1Char('/') + name, bytes));
        quoted << QLatin1Char('"') + m_set + QLatin1Char('/') + name + QLatin1Char('"');
    }
    m_driver->ChooseFile(quoted.join(QLatin1Char(' ')));
    action("FotosImporteren1")->trigger();
    QCOMPARE(model().rowCount(), 8);
    using State = PhotoListModel::FileState;
    for (int row = 3; row < 8; ++row)
        QTRY_COMPARE(State(model().data(model().index(row), PhotoListModel::FileStateRole).toInt()), State::Ready);

    for (int row = 3; row < 8; ++row) {
        dock()->View()->setCurrentIndex(model().index(row));
        QTest::keyClick(dock()->View(), Qt::Key_Return);
        QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
        TFotoForm *window = TFotoForm::OpenWindows().first();
        const QImage shown = window->FotoImage->pixmap().toImage();
        QCOMPARE(shown.size(), QSize(64, 48));
        const QString name = model().data(model().index(row)).toString();
        QVERIFY2(Near(shown.pixel(3, 3), qRgb(255, 0, 0)), qPrintable(name));
        QVERIFY2(Near(shown.pixel(60, 44), qRgb(255, 255, 0)), qPrintable(name));
        delete window;
    }
}

QTEST_MAIN(TestPhotoList)
#include "tst_photolist.moc"
