// A user's road through the main window: add a photo with a position picked
// on the map, see it drawn, open it, write notes, save; and notes that are
// still being edited when the project is closed.
#include "DialogDriver.h"
#include "MainWindowRun.h"

#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "gui/map/MapView.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoToevoegenForm.h"
#include "gui/photos/TFotoVerwijderenForm.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Blue-ish pixels (the triangles' outline) in a small square around p.
int bluePixelsAround(const QImage &img, QPoint p, int r)
{
    int n = 0;
    for (int y = p.y() - r; y <= p.y() + r; ++y)
        for (int x = p.x() - r; x <= p.x() + r; ++x)
            if (img.rect().contains(x, y)) {
                const QColor c = img.pixelColor(x, y);
                if (c.blue() > 150 && c.red() < 120 && c.green() < 120)
                    ++n;
            }
    return n;
}

} // namespace

class TestPhotoFlow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addPickOpenEditSave();
    void deletePickRemovesThePhoto();
    void editedNotesSurviveNew();
    void editedNotesSurviveOpen();
    void editedNotesSurviveExit();
    void notesTooLongForTheFileAreRefused();
    void notesOfAPhotoThatIsGoneAreNotWritten();
    void browsedPhotoThatWouldNotBeFound();

private:
    // A project on disk with one photo at (60, 50) whose window is open with
    // notes typed into it, not yet closed.
    TFotoForm *openPhotoWithTypedNotes(const QString &typed);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
    QString m_project;
};

void TestPhotoFlow::initTestCase()
{
    ProcessFolders::SupportStartup();
}

void TestPhotoFlow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QImage map(200, 150, QImage::Format_RGB888);
    map.fill(QColor(240, 240, 220));
    QVERIFY(map.save(m_dir->filePath(QStringLiteral("kaart.bmp")), "BMP"));
    QImage photo(320, 240, QImage::Format_RGB32);
    photo.fill(QColor(200, 40, 40));
    QVERIFY(photo.save(m_dir->filePath(QStringLiteral("toren.jpg")), "JPEG"));

    m_project = m_dir->filePath(QStringLiteral("kerk.tvk"));
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);

    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    m_form->ReadDataFile(m_project);
    m_form->DrawMap();
}

void TestPhotoFlow::cleanup()
{
    MainWindowRun::End(m_form, m_driver);
}

void TestPhotoFlow::addPickOpenEditSave()
{
    const QPoint spot(60, 50);
    QVERIFY(bluePixelsAround(m_form->OverzichtsImage->grab().toImage(), spot, 8) == 0);

    // "Foto toevoegen..." then "&Positie bepalen op kaart".
    m_driver->Handle([](QDialog *d) {
        auto *pick = d->findChild<QPushButton *>(QStringLiteral("SpeedButton2"));
        QVERIFY(pick);
        pick->click();
    });
    m_form->findChild<QAction *>(QStringLiteral("Toevoegen1"))->trigger();
    QVERIFY(m_form->AddPickMode());
    QCOMPARE(m_form->OverzichtsImage->cursor().shape(), Qt::CrossCursor);

    // The click on the map fills X and Y; choose 3 o'clock and the photo, OK.
    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TFotoToevoegenForm *>(d);
        QVERIFY(form);
        QCOMPARE(form->xSpinEdit->value(), 60);
        QCOMPARE(form->ySpinEdit->value(), 50);
        form->RadioButtons[2]->click();
        form->Edit3->setText(QStringLiteral("toren.jpg"));
        form->Button1->click();
    });
    QTest::mouseClick(m_form->OverzichtsImage, Qt::LeftButton, {}, spot);
    QVERIFY(!m_form->AddPickMode());
    QCOMPARE(m_form->OverzichtsImage->cursor().shape(), Qt::ArrowCursor);

    ProjectDocument &doc = m_form->Document();
    QCOMPARE(doc.PositionList, QList<QByteArray>{"00001=60,50,0"});
    QCOMPARE(doc.NameList, QList<QByteArray>{"00001=toren.jpg"});
    QCOMPARE(doc.NotesList, QList<QByteArray>{"00001=Type hier uw aantekeningen."});
    QVERIFY(doc.Modified);
    QVERIFY(m_form->Opslaan1->isEnabled());
    // Drawn at once.
    QVERIFY(bluePixelsAround(m_form->OverzichtsImage->grab().toImage(), spot, 8) > 5);

    // The same release opened the new photo; close it and click it again.
    for (TFotoForm *w : TFotoForm::OpenWindows())
        w->close();
    QTRY_VERIFY(TFotoForm::OpenWindows().isEmpty());
    QTest::mouseClick(m_form->OverzichtsImage, Qt::RightButton, {}, spot + QPoint(2, 1));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    TFotoForm *window = TFotoForm::OpenWindows().first();
    QCOMPARE(window->windowTitle(), QStringLiteral("Foto"));
    QCOMPARE(window->AantekeningenMemo->toPlainText(), QStringLiteral("Type hier uw aantekeningen."));

    window->AantekeningenMemo->selectAll();
    QTest::keyClicks(window->AantekeningenMemo, QStringLiteral("Scheur in de muur"));
    QTest::keyClick(window->AantekeningenMemo, Qt::Key_Return);
    QTest::keyClicks(window->AantekeningenMemo, QStringLiteral("boven het raam"));
    window->close();
    QTRY_VERIFY(TFotoForm::OpenWindows().isEmpty());
    QCOMPARE(doc.NotesList,
             QList<QByteArray>{"00001=Scheur in de muur\x9d"
                               "boven het raam"});

    m_form->findChild<QAction *>(QStringLiteral("Opslaan1"))->trigger();
    QVERIFY(!doc.Modified);
    const QByteArray saved = readAll(m_project);
    QVERIFY(saved.contains("[Fotopositie]\r\n00001=60,50,0\r\n\r\n[Fotonaam]\r\n00001=toren.jpg\r\n\r\n"
                           "[Foto-aantekeningen]\r\n00001=Scheur in de muur\x9d"
                           "boven het raam\r\n\r\n"));

    // Opened again from the file, the notes show on two lines.
    m_form->ResetProject();
    m_form->ReadDataFile(m_project);
    m_form->EnterProjectFolder();
    m_form->DrawMap();
    QTest::mouseClick(m_form->OverzichtsImage, Qt::RightButton, {}, spot + QPoint(2, 1));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    window = TFotoForm::OpenWindows().first();
    QCOMPARE(window->AantekeningenMemo->toPlainText(), QStringLiteral("Scheur in de muur\nboven het raam"));
    QCOMPARE(window->AantekeningenMemo->document()->blockCount(), 2);
    window->close();
    QTRY_VERIFY(TFotoForm::OpenWindows().isEmpty());
    QVERIFY(!m_form->Document().Modified);
}

// "Foto verwijderen...", pick the photo on the map, "&Verwijderen": its
// three entries go, the map is drawn without it.
void TestPhotoFlow::deletePickRemovesThePhoto()
{
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=60,50,90", "00002=20,20,0"};
    doc.NameList = {"00001=toren.jpg", "00002=poort.jpg"};
    doc.NotesList = {"00001=oud", "00002=poort"};
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
    m_form->ReadDataFile(m_project);
    m_form->DrawMap();
    const QPoint spot(60, 50);
    QVERIFY(bluePixelsAround(m_form->OverzichtsImage->grab().toImage(), spot, 8) > 5);

    m_driver->Handle([](QDialog *d) {
        auto *pick = d->findChild<QPushButton *>(QStringLiteral("SpeedButton1"));
        QVERIFY(pick);
        pick->click();
    });
    m_form->findChild<QAction *>(QStringLiteral("Verwijderen1"))->trigger();
    QVERIFY(m_form->DeletePickMode());
    QCOMPARE(m_form->OverzichtsImage->cursor().shape(), Qt::CrossCursor);

    QString shownName;
    m_driver->Handle([&](QDialog *d) {
        auto *form = qobject_cast<TFotoVerwijderenForm *>(d);
        QVERIFY(form);
        shownName = form->Label1->text();
        QVERIFY(form->Button1->isEnabled());
        form->Button1->click();
    });
    QTest::mouseClick(m_form->OverzichtsImage, Qt::LeftButton, {}, spot + QPoint(1, -1));
    QCOMPARE(shownName, QStringLiteral("toren.jpg"));
    QVERIFY(!m_form->DeletePickMode());
    QCOMPARE(m_form->OverzichtsImage->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(m_form->Document().PositionList, QList<QByteArray>{"00002=20,20,0"});
    QCOMPARE(m_form->Document().NameList, QList<QByteArray>{"00002=poort.jpg"});
    QCOMPARE(m_form->Document().NotesList, QList<QByteArray>{"00002=poort"});
    QVERIFY(m_form->Document().Modified);
    QVERIFY(m_form->Opslaan1->isEnabled());
    QCOMPARE(bluePixelsAround(m_form->OverzichtsImage->grab().toImage(), spot, 8), 0);
}

TFotoForm *TestPhotoFlow::openPhotoWithTypedNotes(const QString &typed)
{
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=60,50,90"};
    doc.NameList = {"00001=toren.jpg"};
    doc.NotesList = {"00001=oud"};
    if (DataFile::Write(doc, m_project) != DataFile::WriteResult::Ok)
        return nullptr;
    m_form->Document().Reset();
    m_form->ReadDataFile(m_project);
    m_form->DrawMap();
    QTest::mouseClick(m_form->OverzichtsImage, Qt::LeftButton, {}, QPoint(60, 50));
    if (TFotoForm::OpenWindows().size() != 1)
        return nullptr;
    TFotoForm *w = TFotoForm::OpenWindows().first();
    w->AantekeningenMemo->setPlainText(typed);
    return w;
}

void TestPhotoFlow::editedNotesSurviveNew()
{
    QVERIFY(openPhotoWithTypedNotes(QStringLiteral("nieuw getypt")));
    QVERIFY(!m_form->Document().Modified); // still only in the window
    m_driver->Press(QStringLiteral("&Opslaan"));
    m_form->findChild<QAction *>(QStringLiteral("Nieuw1"))->trigger();
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY(m_driver->dialogs[0].texts.contains(QStringLiteral("Bestand opslaan?")));
    QVERIFY(readAll(m_project).contains("00001=nieuw getypt\r\n"));
    QVERIFY(TFotoForm::OpenWindows().isEmpty());
    QVERIFY(m_form->Document().IsUntitled());
}

void TestPhotoFlow::editedNotesSurviveOpen()
{
    QVERIFY(openPhotoWithTypedNotes(QStringLiteral("bij openen")));
    m_driver->Press(QStringLiteral("&Opslaan"));
    m_driver->ChooseFile(m_project);
    m_form->findChild<QAction *>(QStringLiteral("Openen1"))->trigger();
    // Saved first, then opened again: the new notes are in the project.
    QCOMPARE(m_form->Document().NotesList, QList<QByteArray>{"00001=bij openen"});
    QVERIFY(!m_form->Document().Modified);
}

void TestPhotoFlow::editedNotesSurviveExit()
{
    QVERIFY(openPhotoWithTypedNotes(QStringLiteral("bij afsluiten")));
    // Cancelling the question keeps the program, and the notes are in the project.
    m_driver->Press(QStringLiteral("&Annuleren"));
    QVERIFY(!m_form->close());
    QCOMPARE(m_form->Document().NotesList, QList<QByteArray>{"00001=bij afsluiten"});
    QVERIFY(m_form->Document().Modified);
    m_driver->Press(QStringLiteral("&Opslaan"));
    QVERIFY(m_form->close());
    QVERIFY(readAll(m_project).contains("00001=bij afsluiten\r\n"));
}

// Its photo deleted (here by undoing its adding) while the window was open,
// the edited notes have no photo to go to: said, and not written as the
// notes of no photo, nor of the next photo to get that number.
void TestPhotoFlow::notesOfAPhotoThatIsGoneAreNotWritten()
{
    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TFotoToevoegenForm *>(d);
        QVERIFY(form);
        form->xSpinEdit->setValue(120);
        form->ySpinEdit->setValue(80);
        form->Edit3->setText(QStringLiteral("toren.jpg"));
        form->Button1->click();
    });
    m_form->findChild<QAction *>(QStringLiteral("Toevoegen1"))->trigger();
    QTest::mouseClick(m_form->OverzichtsImage, Qt::LeftButton, {}, QPoint(120, 80));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    TFotoForm *w = TFotoForm::OpenWindows().first();
    QTest::keyClicks(w->AantekeningenMemo, QStringLiteral("verweesd"));
    const QByteArray before = DataFile::Serialize(m_form->Document());
    m_form->findChild<QAction *>(QStringLiteral("Ongedaanmaken1"))->trigger();
    const QByteArray undone = DataFile::Serialize(m_form->Document());
    QVERIFY(undone != before);

    m_driver->Press(QStringLiteral("&OK"));
    QVERIFY(w->close());
    QCOMPARE(m_driver->dialogs.size(), 2);
    QVERIFY2(m_driver->dialogs[1].texts.contains(QStringLiteral("Foto 1 staat niet meer in het project")),
             qPrintable(m_driver->dialogs[1].texts));
    QCOMPARE(DataFile::Serialize(m_form->Document()), undone);
    QVERIFY(!m_form->Document().Modified);
}

void TestPhotoFlow::notesTooLongForTheFileAreRefused()
{
    TFotoForm *w = openPhotoWithTypedNotes(QString(int(DataFile::MaxLineBytes), QLatin1Char('x')));
    QVERIFY(w);
    m_driver->Press(QStringLiteral("&OK"));
    QVERIFY(!w->close());
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("te lang")),
             qPrintable(m_driver->dialogs[0].texts.left(200)));
    QCOMPARE(m_form->Document().NotesList, QList<QByteArray>{"00001=oud"});
    w->AantekeningenMemo->setPlainText(QStringLiteral("kort"));
    QVERIFY(w->close());
    QCOMPARE(m_form->Document().NotesList, QList<QByteArray>{"00001=kort"});
}

// F3, browse to a photo in a sub-folder with "Zonder pad-aanduiding" ticked:
// the bare name would not lead back to it, so OK asks first.
void TestPhotoFlow::browsedPhotoThatWouldNotBeFound()
{
    const QDir dir(m_dir->path());
    QVERIFY(dir.mkpath(QStringLiteral("fotos")));
    const QString serre = dir.filePath(QStringLiteral("fotos/serre.jpg"));
    QImage photo(64, 48, QImage::Format_RGB32);
    photo.fill(QColor(30, 160, 60));
    QVERIFY(photo.save(serre, "JPEG"));
    const QString otherToren = dir.filePath(QStringLiteral("fotos/toren.jpg"));
    photo.fill(QColor(20, 20, 200));
    QVERIFY(photo.save(otherToren, "JPEG"));
    const QByteArray torenBefore = readAll(dir.filePath(QStringLiteral("toren.jpg")));
    ProjectDocument &doc = m_form->Document();

    // Fills in the dialog with a browsed photo at a point and presses OK;
    // queue then answers the question, and the dialog is opened.
    bool stayedOpen = false;
    auto addBrowsed = [&](const QString &chosen, QPoint at, const std::function<void()> &queue) {
        m_driver->Handle([this, chosen, at, &stayedOpen](QDialog *d) {
            auto *form = qobject_cast<TFotoToevoegenForm *>(d);
            form->xSpinEdit->setValue(at.x());
            form->ySpinEdit->setValue(at.y());
            m_driver->ChooseFile(chosen);
            form->SpeedButton1->click();
            QCOMPARE(form->Edit3->text(), QFileInfo(chosen).fileName());
            form->Button1->click();
            stayedOpen = d->isVisible();
            if (stayedOpen)
                d->reject();
        });
        queue();
        m_form->findChild<QAction *>(QStringLiteral("Toevoegen1"))->trigger();
    };

    // The question, with copying as its default; "&Terug" goes back to the dialog.
    QString defaultButton;
    addBrowsed(serre, QPoint(40, 40), [&] {
        m_driver->Handle([&](QDialog *q) {
            for (QPushButton *b : q->findChildren<QPushButton *>())
                if (b->isDefault())
                    defaultButton = b->text();
            for (QPushButton *b : q->findChildren<QPushButton *>())
                if (b->text() == QStringLiteral("&Terug"))
                    b->click();
        });
    });
    QVERIFY(stayedOpen);
    QCOMPARE(defaultButton, QString::fromUtf8("&Kopi\u00ebren"));
    const DialogDriver::Seen &question = m_driver->dialogs.at(1);
    QVERIFY2(question.texts.contains(QString::fromUtf8("Foto kopi\u00ebren naar de projectmap?")),
             qPrintable(question.texts));
    QVERIFY2(question.texts.contains(QStringLiteral("\"serre.jpg\"")) && question.texts.contains(serre),
             qPrintable(question.texts));
    QVERIFY(doc.NameList.isEmpty());

    // "&Naam zo opslaan": the name as it stands; its triangle finds nothing.
    addBrowsed(serre, QPoint(40, 40), [&] { m_driver->Press(QStringLiteral("&Naam zo opslaan")); });
    QVERIFY(!stayedOpen);
    QCOMPARE(doc.NameList, QList<QByteArray>{"00001=serre.jpg"});
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("serre.jpg"))));
    for (TFotoForm *w : TFotoForm::OpenWindows())
        w->close();
    QTest::mouseClick(m_form->OverzichtsImage, Qt::LeftButton, {}, QPoint(40, 40));
    QVERIFY(TFotoForm::OpenWindows().isEmpty());

    // "&Kopiëren": the photo is copied beside the project and found.
    addBrowsed(serre, QPoint(120, 40), [&] { m_driver->Press(QString::fromUtf8("&Kopi\u00ebren")); });
    QVERIFY(!stayedOpen);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("serre.jpg"))), readAll(serre));
    QCOMPARE(doc.NameList.last(), QByteArray("00002=serre.jpg"));
    for (TFotoForm *w : TFotoForm::OpenWindows())
        w->close();
    QTRY_VERIFY(TFotoForm::OpenWindows().isEmpty());
    QTest::mouseClick(m_form->OverzichtsImage, Qt::LeftButton, {}, QPoint(120, 40));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    QCOMPARE(TFotoForm::OpenWindows().first()->Picture().Size(), QSize(64, 48));
    TFotoForm::OpenWindows().first()->close();

    // A different file of that name in the project folder is never replaced.
    const qsizetype before = m_driver->dialogs.size();
    addBrowsed(otherToren, QPoint(150, 100), [&] {
        m_driver->Press(QString::fromUtf8("&Kopi\u00ebren"));
        m_driver->Press(QStringLiteral("&OK"));
    });
    QVERIFY(stayedOpen);
    QVERIFY2(m_driver->dialogs.at(before + 2).texts.contains(QStringLiteral("al een ander bestand")),
             qPrintable(m_driver->dialogs.at(before + 2).texts));
    QCOMPARE(readAll(dir.filePath(QStringLiteral("toren.jpg"))), torenBefore);
    QCOMPARE(doc.NameList.size(), 2);

    // A typed name is the user's own: no question.
    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TFotoToevoegenForm *>(d);
        form->xSpinEdit->setValue(170);
        form->ySpinEdit->setValue(120);
        form->Edit3->setText(QStringLiteral("fotos/elders.jpg"));
        form->Button1->click();
    });
    const qsizetype seen = m_driver->dialogs.size();
    m_form->findChild<QAction *>(QStringLiteral("Toevoegen1"))->trigger();
    QCOMPARE(m_driver->dialogs.size(), seen + 1);
    QCOMPARE(doc.NameList.last(), QByteArray("00003=fotos/elders.jpg"));

    // An untitled project has no folder to copy to: the full path is offered.
    doc.Modified = false;
    m_form->ResetProject();
    addBrowsed(serre, QPoint(40, 40), [&] { m_driver->Press(QStringLiteral("Met &volledig pad")); });
    QVERIFY(!stayedOpen);
    QVERIFY(m_driver->dialogs.last().texts.contains(QStringLiteral("Volledig pad opslaan?")));
    QCOMPARE(doc.NameList, QList<QByteArray>{"00001=" + QFile::encodeName(serre)});
}

int main(int argc, char *argv[])
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TolvekApplication app(argc, argv);
    TestPhotoFlow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_photoflow.moc"
