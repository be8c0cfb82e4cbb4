// The map in the user's hands, through the main window: zooming with the
// keyboard, the wheel and the menu, picks at every zoom, dragging photos to
// move and turn them, undo and redo of every change, and the photo shown
// while the mouse rests on a triangle.

#include "DialogDriver.h"
#include "MainWindowRun.h"
#include "MapTestFiles.h"
#include "PhotoTestFiles.h"

#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/map/MapZoom.h"
#include "core/photos/ThumbnailCache.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "gui/map/MapHoverTip.h"
#include "gui/map/MapInteraction.h"
#include "gui/map/MapNavigator.h"
#include "gui/map/MapView.h"
#include "gui/map/TAlleFotoEigenschappenForm.h"
#include "gui/map/TKaartForm.h"
#include "gui/photos/PhotoListDock.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoToevoegenForm.h"
#include "gui/photos/TFotoVerwijderenForm.h"
#include "gui/platform/LocaleAndFonts.h"
#include "gui/project/TProjectGegForm.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointingDevice>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <cmath>

namespace {

QByteArray ReadAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// The lines in which two files differ, as "line: new text".
QStringList ChangedLines(const QByteArray &before, const QByteArray &after)
{
    const QList<QByteArray> a = before.split('\n'), b = after.split('\n');
    QStringList changed;
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i)
        if (a.value(i) != b.value(i))
            changed << QString::fromLatin1(b.value(i).trimmed());
    return changed;
}

} // namespace

class TestMapEditing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void zoomWithKeysWheelAndMenu();
    void zoomKeepsThePointUnderThePointer();
    void scrollBarsLookAsTheStyleDraws();
    void overlappingPhotosAskWhichOne();
    void pointsAndPicksAtEveryZoom();
    void dragMovesOnePhoto();
    void jitterClickEscapeAndPickModes();
    void rightDragTurns_data();
    void rightDragTurns();
    void undoAndRedoEveryChange();
    void hoverShowsThePhoto();

private:
    MapView *View() const { return m_form->OverzichtsImage; }
    QScrollArea *Scroll() const { return m_form->OverzichtsScrollBox; }
    QAction *Action(const char *name) const { return m_form->findChild<QAction *>(QString::fromLatin1(name)); }
    // The view pixel that shows a map point at the view's zoom.
    QPoint At(QPoint mapPoint) const { return View()->ToView(mapPoint); }
    // The map point under a viewport point, between pixels.
    QPointF MapUnder(QPointF viewportPoint) const
    {
        return (viewportPoint - QPointF(View()->pos())) / View()->Zoom().Factor();
    }
    void Open(const QString &project);
    void Drag(Qt::MouseButton button, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {});
    void Wheel(QPoint viewportPoint, int delta, Qt::KeyboardModifiers modifiers, QWidget *to = nullptr);
    void Hover(QPoint viewPixel);
    QString Path(const char *name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
    QString m_project;
    QByteArray m_original;
};

void TestMapEditing::initTestCase()
{
    ProcessFolders::SupportStartup();
    LocaleAndFonts::SetUp();
}

void TestMapEditing::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    MapTestFiles::WriteBmp(Path("kaart.bmp"), 1200, 900);
    MapTestFiles::WriteBmp(Path("ander.bmp"), 300, 200);
    QVERIFY(PhotoTestFiles::WriteFile(Path("toren.jpg"), PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(320, 240))));
    QVERIFY(PhotoTestFiles::WriteFile(Path("kapot.jpg"), QByteArray("\xFF\xD8\xFF\xE0 dit is geen foto", 22)));

    // As a Windows-made file has them: keys out of order, one short in the
    // names and notes, notes over two lines; photo 00009 lies two pixels
    // below 00003.
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.Organisation = "Gemeente";
    doc.PositionList = {"00003=120,40,90", "00001=60,200,330", "00007=300,150,180", "00009=120,42,0"};
    doc.NameList = {"00001=weg.jpg", "00003=toren.jpg", "7=kapot.jpg", "00009=toren.jpg"};
    doc.NotesList = {"00003=Toren\x9dtweede regel", "7=Caf\xe9 kapot", "00009=Dubbel"};
    m_project = Path("kerk.tvk");
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
    m_original = ReadAll(m_project);

    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    Open(m_project);
    // The map, larger than the window, opens fitted; the tests work at 1:1
    // from the top left.
    QVERIFY(View()->Zoom().Factor() < 1);
    Action("WareGrootte1")->trigger();
    Scroll()->horizontalScrollBar()->setValue(0);
    Scroll()->verticalScrollBar()->setValue(0);
    QCOMPARE(View()->pos(), QPoint(0, 0));
}

void TestMapEditing::cleanup()
{
    MainWindowRun::End(m_form, m_driver);
}

void TestMapEditing::Open(const QString &project)
{
    m_driver->ChooseFile(project);
    Action("Openen1")->trigger();
    QCOMPARE(m_form->Document().CurrentFileName, project);
}

void TestMapEditing::Drag(Qt::MouseButton button, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers)
{
    QTest::mousePress(View(), button, modifiers, from);
    QTest::mouseMove(View(), (from + to) / 2);
    QTest::mouseMove(View(), to);
    QTest::mouseRelease(View(), button, modifiers, to);
}

void TestMapEditing::Wheel(QPoint viewportPoint, int delta, Qt::KeyboardModifiers modifiers, QWidget *to)
{
    // To the widget under the pointer: the map, or the grey around it.
    QWidget *viewport = Scroll()->viewport();
    QWidget *under = to ? to : viewport->childAt(viewportPoint);
    if (!under)
        under = viewport;
    QWheelEvent event(QPointF(under->mapFrom(viewport, viewportPoint)), QPointF(viewport->mapToGlobal(viewportPoint)),
                      QPoint(), QPoint(0, delta), Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(under, &event);
}

void TestMapEditing::Hover(QPoint viewPixel)
{
    QHelpEvent event(QEvent::ToolTip, viewPixel, View()->mapToGlobal(viewPixel));
    QApplication::sendEvent(View(), &event);
    // A shown tip moves on with the next round; nothing else of it here.
    QCoreApplication::sendPostedEvents(&m_form->Interaction(), QEvent::MetaCall);
}

// Ctrl+- and Ctrl++ step about the view's centre, Ctrl+0 is actual size,
// Ctrl+9 fits the map; Ctrl + wheel keeps the map point under the mouse,
// Shift + wheel scrolls sideways, the plain wheel scrolls, the middle button
// drags the view. The factor shows in the status bar; each project keeps
// its zoom, and a redraw keeps zoom and scroll.
void TestMapEditing::zoomWithKeysWheelAndMenu()
{
    QLabel *label = m_form->statusBar()->findChild<QLabel *>(QStringLiteral("ZoomLabel"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Zoom: 100%"));
    QCOMPARE(View()->size(), QSize(1200, 900));

    QTest::keyClick(m_form.get(), Qt::Key_Minus, Qt::ControlModifier);
    QCOMPARE(View()->Zoom().Factor(), 2.0 / 3);
    QCOMPARE(View()->size(), QSize(800, 600));
    QCOMPARE(label->text(), QStringLiteral("Zoom: 67%"));
    QTest::keyClick(m_form.get(), Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(View()->Zoom().Factor(), 1.0);
    QTest::keyClick(m_form.get(), Qt::Key_Plus, Qt::ControlModifier);
    QCOMPARE(label->text(), QStringLiteral("Zoom: 150%"));
    QTest::keyClick(m_form.get(), Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(View()->Zoom().Factor(), 1.0);
    QTest::keyClick(m_form.get(), Qt::Key_9, Qt::ControlModifier);
    const QSize viewport = Scroll()->viewport()->size();
    QVERIFY(View()->width() <= viewport.width() && View()->height() <= viewport.height());
    QVERIFY(View()->width() >= viewport.width() - 1 || View()->height() >= viewport.height() - 1);
    QCOMPARE(Scroll()->horizontalScrollBar()->maximum(), 0);
    Action("WareGrootte1")->trigger();

    // Ctrl + wheel about the pointer, in and out, from a scrolled view.
    Scroll()->horizontalScrollBar()->setValue(300);
    Scroll()->verticalScrollBar()->setValue(200);
    const QPoint pointer(150, 100);
    const QPointF before = MapUnder(pointer);
    QCOMPARE(before, QPointF(450, 300));
    for (int delta : {120, 120, -120, -120, -120}) {
        Wheel(pointer, delta, Qt::ControlModifier);
        const QPointF after = MapUnder(pointer);
        // Within one screen pixel.
        QVERIFY2(
            std::abs(after.x() - before.x()) * View()->Zoom().Factor() <= 1
                && std::abs(after.y() - before.y()) * View()->Zoom().Factor() <= 1,
            qPrintable(QStringLiteral("zoom %1: %2,%3").arg(View()->Zoom().Factor()).arg(after.x()).arg(after.y())));
    }
    QCOMPARE(View()->Zoom().Factor(), 2.0 / 3);
    // At half size the map is narrower than the window: it stays at the left.
    Wheel(pointer, -120, Qt::ControlModifier);
    QCOMPARE(View()->Zoom().Factor(), 0.5);
    QCOMPARE(label->text(), QStringLiteral("Zoom: 50%"));

    // A touchpad's pinch: spread by half as much again.
    QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, QPointF(100, 80),
                              QPointF(100, 80), QPointF(View()->mapToGlobal(QPoint(100, 80))), 0.5, QPointF());
    QApplication::sendEvent(View(), &pinch);
    QCOMPARE(View()->Zoom().Factor(), 0.75);

    // Shift + wheel sideways, the plain wheel downwards; neither zooms.
    Action("WareGrootte1")->trigger();
    Scroll()->horizontalScrollBar()->setValue(100);
    Scroll()->verticalScrollBar()->setValue(100);
    Wheel(pointer, -120, Qt::ShiftModifier);
    QVERIFY(Scroll()->horizontalScrollBar()->value() > 100);
    QCOMPARE(Scroll()->verticalScrollBar()->value(), 100);
    // (A plain wheel on the map goes on to the scroll box, as here.)
    Wheel(pointer, -120, Qt::NoModifier, Scroll()->viewport());
    QVERIFY(Scroll()->verticalScrollBar()->value() > 100);
    QCOMPARE(View()->Zoom().Factor(), 1.0);

    // The middle button drags the view; its release opens nothing.
    Scroll()->horizontalScrollBar()->setValue(0);
    Scroll()->verticalScrollBar()->setValue(0);
    // (One move: the map moves under the pointer, whose path the test gives on the map.)
    QTest::mousePress(View(), Qt::MiddleButton, {}, QPoint(120, 40));
    QTest::mouseMove(View(), QPoint(80, 10));
    QTest::mouseRelease(View(), Qt::MiddleButton, {}, QPoint(120, 40));
    QCOMPARE(Scroll()->horizontalScrollBar()->value(), 40);
    QCOMPARE(Scroll()->verticalScrollBar()->value(), 30);
    QVERIFY(TFotoForm::OpenWindows().isEmpty());

    // A redraw (the label switch) keeps zoom and scroll position.
    Action("Inzoomen1")->trigger();
    Scroll()->horizontalScrollBar()->setValue(123);
    Scroll()->verticalScrollBar()->setValue(45);
    Action("Fotonummerstonen1")->trigger();
    QCOMPARE(View()->Zoom().Factor(), 1.5);
    QCOMPARE(Scroll()->horizontalScrollBar()->value(), 123);
    QCOMPARE(Scroll()->verticalScrollBar()->value(), 45);

    // Another project starts at 1:1; this one gets its zoom back.
    const QString other = Path("ander.tvk");
    ProjectDocument doc;
    doc.MapFileName = "ander.bmp";
    QCOMPARE(DataFile::Write(doc, other), DataFile::WriteResult::Ok);
    Open(other);
    QCOMPARE(View()->Zoom().Factor(), 1.0);
    QCOMPARE(View()->size(), QSize(300, 200));
    Open(m_project);
    QCOMPARE(View()->Zoom().Factor(), 1.5);
    QCOMPARE(View()->size(), QSize(1800, 1350));
    QCOMPARE(label->text(), QStringLiteral("Zoom: 150%"));
}

// Every step of Ctrl + wheel and of a pinch keeps the map point under the
// pointer within a pixel, all the way from 1:1 to 1/32 and on to 8, also
// near the window's edge and where the map has become smaller than the
// window; a map larger than the window opens fitted. Far out the triangles
// shrink with the map, and their hit squares with them.
// The map's scroll bars draw their grooves and sliders their own way, to
// spare the thread pool: every pixel must still be the style's.
void TestMapEditing::scrollBarsLookAsTheStyleDraws()
{
    QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
    for (QScrollBar *bar : {Scroll()->verticalScrollBar(), Scroll()->horizontalScrollBar()}) {
        QVERIFY(bar->style() != QApplication::style());
        const bool vertical = bar->orientation() == Qt::Vertical;
        for (const int length : {40, 130, 700, 1051}) {
            for (const auto &[maximum, page, value] :
                 {std::tuple{0, 10, 0}, {100, 900, 0}, {100, 900, 100}, {5000, 1000, 2500}, {20000, 300, 19000}}) {
                // Also disabled: enabled is taken away again below.
                for (const QStyle::State extra :
                     {QStyle::State_None, QStyle::State_MouseOver, QStyle::State_Sunken, QStyle::State_ReadOnly}) {
                    QStyleOptionSlider o;
                    o.initFrom(bar);
                    o.rect = vertical ? QRect(0, 0, 16, length) : QRect(0, 0, length, 16);
                    o.orientation = bar->orientation();
                    o.minimum = 0;
                    o.maximum = maximum;
                    o.pageStep = page;
                    o.singleStep = 20;
                    o.sliderPosition = o.sliderValue = value;
                    o.subControls = QStyle::SC_All;
                    o.state |= extra | QStyle::State_Enabled;
                    if (extra == QStyle::State_ReadOnly)
                        o.state &= ~(QStyle::State_Enabled | QStyle::State_ReadOnly);
                    if (!vertical)
                        o.state |= QStyle::State_Horizontal;
                    o.activeSubControls = extra == QStyle::State_MouseOver || extra == QStyle::State_Sunken
                        ? QStyle::SC_ScrollBarSlider
                        : QStyle::SC_None;
                    QImage ours(o.rect.size(), QImage::Format_ARGB32_Premultiplied), plain(ours.size(), ours.format());
                    for (QImage *image : {&ours, &plain}) {
                        image->fill(Qt::magenta);
                        QPainter painter(image);
                        (image == &ours ? bar->style() : QApplication::style())
                            ->drawComplexControl(QStyle::CC_ScrollBar, &o, &painter, bar);
                    }
                    QVERIFY2(ours == plain,
                             qPrintable(QStringLiteral("%1 %2: %3 of %4 (page %5), state %6")
                                            .arg(vertical ? "vertical" : "horizontal")
                                            .arg(length)
                                            .arg(value)
                                            .arg(maximum)
                                            .arg(page)
                                            .arg(int(extra))));
                }
            }
        }
    }
}

void TestMapEditing::zoomKeepsThePointUnderThePointer()
{
    // White, so that the triangle alone is dark.
    QImage white(4000, 3000, QImage::Format_RGB32);
    white.fill(Qt::white);
    MapTestFiles::WriteBmp(Path("groot.bmp"), white);
    ProjectDocument doc;
    doc.MapFileName = "groot.bmp";
    doc.PositionList = {"00001=3000,2000,90"};
    doc.NameList = {"00001=toren.jpg"};
    const QString big = Path("groot.tvk");
    QCOMPARE(DataFile::Write(doc, big), DataFile::WriteResult::Ok);
    Open(big);
    const QSize port = Scroll()->viewport()->size();
    QCOMPARE(View()->Zoom().Factor(), MapZoom::Fit(QSize(4000, 3000), port));
    QVERIFY(View()->width() <= port.width() && View()->height() <= port.height());

    // The pointer near the bottom right of the window, on the photo.
    Action("WareGrootte1")->trigger();
    const QPoint pointer(port.width() - 30, port.height() - 20);
    Scroll()->horizontalScrollBar()->setValue(3000 - pointer.x());
    Scroll()->verticalScrollBar()->setValue(2000 - pointer.y());
    const QPointF spot = MapUnder(pointer);
    QCOMPARE(spot, QPointF(3000, 2000));
    auto check = [&](const char *how) {
        const double z = View()->Zoom().Factor();
        const QPointF shown = QPointF(View()->pos()) + spot * z;
        QVERIFY2(std::abs(shown.x() - pointer.x()) <= 1 && std::abs(shown.y() - pointer.y()) <= 1,
                 qPrintable(QStringLiteral("%1 to %2: the point is shown at %3,%4")
                                .arg(QLatin1String(how))
                                .arg(z)
                                .arg(shown.x())
                                .arg(shown.y())));
    };
    QList<double> reached;
    while (View()->Zoom().Factor() > MapZoom::Smallest) {
        Wheel(pointer, -120, Qt::ControlModifier);
        check("out");
        reached << View()->Zoom().Factor();
    }
    // Far out the triangle is small and so is its hit square: 3 pixels.
    const QImage far = View()->grab().toImage();
    const QPoint at = View()->ToView(QPoint(3000, 2000));
    int dark = 0;
    for (int y = at.y() - 10; y <= at.y() + 10; ++y)
        for (int x = at.x() - 10; x <= at.x() + 10; ++x)
            dark += far.valid(x, y) && qGray(far.pixel(x, y)) < 100
                && (std::abs(x - at.x()) > 4 || std::abs(y - at.y()) > 4);
    QCOMPARE(dark, 0);
    QTest::mouseClick(View(), Qt::LeftButton, {}, at + QPoint(3, 0));
    QVERIFY(TFotoForm::OpenWindows().isEmpty());
    QTest::mouseClick(View(), Qt::LeftButton, {}, at + QPoint(2, 0));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    delete TFotoForm::OpenWindows().first();

    while (View()->Zoom().Factor() < MapZoom::Largest) {
        Wheel(pointer, 120, Qt::ControlModifier);
        check("in");
        reached << View()->Zoom().Factor();
    }
    for (double z : {1.0 / 32, 0.25, 1.0, 8.0})
        QVERIFY(reached.contains(z));
    // A pinch out and in again.
    for (double spread : {-0.4, -0.6, 0.5}) {
        QNativeGestureEvent pinch(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2, pointer, pointer,
                                  QPointF(Scroll()->viewport()->mapToGlobal(pointer)), spread, QPointF());
        QApplication::sendEvent(Scroll()->viewport(), &pinch);
        check("pinch");
    }
    // Scrolling back shows no more grey than the zoom showed.
    Scroll()->horizontalScrollBar()->setValue(0);
    Scroll()->verticalScrollBar()->setValue(0);
    QVERIFY(View()->pos().x() >= 0 && View()->pos().y() >= 0);
    Scroll()->horizontalScrollBar()->setValue(Scroll()->horizontalScrollBar()->maximum());
    QVERIFY(View()->geometry().right() >= port.width() - 1 - Scroll()->verticalScrollBar()->width());
}

// Three photos on one spot: a click on them lists all three (thumbnail,
// number, name) in list order; the keyboard chooses, Escape opens nothing.
// A photo on its own opens at once.
void TestMapEditing::overlappingPhotosAskWhichOne()
{
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00004=200,200,0", "00005=201,199,90", "00006=202,201,180", "00007=400,300,0"};
    doc.NameList = {"00004=toren.jpg", "00005=kapot.jpg", "00006=toren.jpg", "00007=toren.jpg"};
    doc.NotesList = {"00006=Derde"};
    const QString spot = Path("plek.tvk");
    QCOMPARE(DataFile::Write(doc, spot), DataFile::WriteResult::Ok);
    Open(spot);
    Action("WareGrootte1")->trigger();
    Scroll()->horizontalScrollBar()->setValue(0);
    Scroll()->verticalScrollBar()->setValue(0);

    QStringList rows;
    m_driver->Handle([&](QDialog *d) {
        auto *list = d->findChild<QListWidget *>(QStringLiteral("FotoLijst"));
        for (int i = 0; i < list->count(); ++i)
            rows << list->item(i)->text();
        QCOMPARE(list->currentRow(), 0);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Return);
    });
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(201, 200));
    QCOMPARE(rows,
             (QStringList{QStringLiteral("Foto 4 \u2013 toren.jpg"), QStringLiteral("Foto 5 \u2013 kapot.jpg"),
                          QStringLiteral("Foto 6 \u2013 toren.jpg")}));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    QCOMPARE(TFotoForm::OpenWindows().first()->PhotoNumber, 6);
    QCOMPARE(TFotoForm::OpenWindows().first()->AantekeningenMemo->toPlainText(), QStringLiteral("Derde"));
    // The list follows the choice, not the first photo on the spot.
    QCOMPARE(m_form->FotosDock->SelectedPositions(), QList<qsizetype>{2});
    delete TFotoForm::OpenWindows().first();

    m_driver->Escape();
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(201, 200));
    QVERIFY(TFotoForm::OpenWindows().isEmpty());
    QCOMPARE(m_driver->dialogs.last().windowTitle, QStringLiteral("Welke foto?"));

    const int asked = int(m_driver->dialogs.size());
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(400, 300));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    QCOMPARE(int(m_driver->dialogs.size()), asked);
}

// At every zoom the picks give the map point under the view pixel, and a
// click hits the photo whose triangle is shown there: in map pixels zoomed
// in, in screen pixels around the triangle zoomed out (the first in the
// list where they overlap).
void TestMapEditing::pointsAndPicksAtEveryZoom()
{
    struct Case
    {
        double zoom;
        QPoint click;
        QPoint expected;
    };
    for (const Case &c : {Case{0.25, {20, 30}, {82, 122}}, Case{3, {100, 50}, {33, 16}},
                          Case{1.0 / 32, {30, 25}, {976, 816}}, Case{8, {7, 8}, {0, 1}}}) {
        View()->SetZoom(MapZoom(c.zoom));
        m_driver->Handle([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("SpeedButton2"))->click(); });
        Action("Toevoegen1")->trigger();
        QVERIFY(m_form->Host().AddPickMode());
        QPoint picked;
        m_driver->Handle([&](QDialog *d) {
            auto *form = qobject_cast<TFotoToevoegenForm *>(d);
            picked = QPoint(form->xSpinEdit->value(), form->ySpinEdit->value());
            form->reject();
        });
        QTest::mouseClick(View(), Qt::LeftButton, {}, c.click);
        QCOMPARE(picked, c.expected);
    }

    // Zoomed out to 1/4: 00003 (120,40) and 00009 (120,42) are shown a pixel
    // apart; the click, five screen pixels away still, asks which one and
    // opens the first, chosen with Enter.
    View()->SetZoom(MapZoom(0.25));
    QCOMPARE(At(QPoint(120, 40)), QPoint(30, 10));
    m_driver->Handle([](QDialog *d) {
        auto *list = d->findChild<QListWidget *>(QStringLiteral("FotoLijst"));
        QCOMPARE(list->count(), 2);
        QTest::keyClick(list, Qt::Key_Return);
    });
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(35, 15));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    QCOMPARE(TFotoForm::OpenWindows().first()->PhotoNumber, 3);
    delete TFotoForm::OpenWindows().first();

    // A delete pick six screen pixels off finds nothing (the mode stays);
    // five off, it picks the photo 7 shown at (75, 37).
    m_driver->Handle([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("SpeedButton1"))->click(); });
    Action("Verwijderen1")->trigger();
    QTest::mouseClick(View(), Qt::LeftButton, {}, At(QPoint(300, 150)) + QPoint(6, 0));
    QVERIFY(m_form->Host().DeletePickMode());
    QByteArray key;
    m_driver->Handle([&](QDialog *d) {
        key = m_form->FotoVerwijderenForm->SelectedPhotoKey;
        d->reject();
    });
    QTest::mouseClick(View(), Qt::LeftButton, {}, At(QPoint(300, 150)) + QPoint(-5, 5));
    QCOMPARE(key, QByteArray("7"));

    // Zoomed in by 3 the square is in map pixels: (125, 40) hits 00003, (126, 40) not.
    View()->SetZoom(MapZoom(3));
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(3 * 126, 3 * 40 + 1));
    QVERIFY(TFotoForm::OpenWindows().isEmpty());
    m_driver->Press(QStringLiteral("&Openen")); // 00009 is hit as well
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(3 * 125 + 2, 3 * 40 + 1));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    QVERIFY(!m_form->Document().Modified);
}

// A press on a triangle and a move beyond the drag distance drags the
// photo: the triangle follows, the release writes one position entry in
// place (the rest of the file as it was), and the pointer shows a hand.
// Where triangles overlap, the photo the click would open moves.
void TestMapEditing::dragMovesOnePhoto()
{
    QTest::mouseMove(View(), QPoint(450, 250));
    QCOMPARE(View()->cursor().shape(), Qt::ArrowCursor);
    QTest::mouseMove(View(), At(QPoint(120, 41)));
    QCOMPARE(View()->cursor().shape(), Qt::OpenHandCursor);

    const QImage before = View()->grab().toImage();
    QTest::mousePress(View(), Qt::LeftButton, {}, At(QPoint(120, 41)));
    QTest::mouseMove(View(), At(QPoint(135, 52)));
    QTest::mouseMove(View(), At(QPoint(150, 66)));
    QCOMPARE(View()->cursor().shape(), Qt::ClosedHandCursor);
    // Shown at the new place before anything is written.
    const QImage during = View()->grab().toImage();
    QVERIFY(during.pixel(150, 65 - 2) != before.pixel(150, 65 - 2) || during.pixel(150, 58) != before.pixel(150, 58));
    QVERIFY(!m_form->Document().Modified);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, At(QPoint(150, 66)));

    QCOMPARE(m_form->Document().PositionList,
             (QList<QByteArray>{"00003=150,65,90", "00001=60,200,330", "00007=300,150,180", "00009=120,42,0"}));
    QVERIFY(m_form->Document().Modified);
    QVERIFY(m_form->Opslaan1->isEnabled());
    QVERIFY(TFotoForm::OpenWindows().isEmpty()); // a drag is no click
    QCOMPARE(View()->cursor().shape(), Qt::OpenHandCursor);
    Action("Opslaan1")->trigger();
    QCOMPARE(ChangedLines(m_original, ReadAll(m_project)), QStringList{"00003=150,65,90"});

    // Zoomed in by 2, a move of 30 screen pixels is 15 map pixels.
    Action("Inzoomen1")->trigger();
    Action("Inzoomen1")->trigger();
    QCOMPARE(View()->Zoom().Factor(), 2.0);
    Drag(Qt::LeftButton, At(QPoint(300, 150)), At(QPoint(300, 150)) + QPoint(30, -20));
    QCOMPARE(m_form->Document().PositionList.at(2), QByteArray("00007=315,140,180"));

    // Zoomed out to 1/8 (a picture small enough to be kept whole), the
    // triangle follows the pointer on the screen; 20 screen pixels are 160
    // map pixels.
    View()->SetZoom(MapZoom(1.0 / 8));
    Scroll()->horizontalScrollBar()->setValue(0);
    Scroll()->verticalScrollBar()->setValue(0);
    const QPoint from = At(QPoint(60, 200));
    // The triangle's outline, pure blue (the map has none).
    auto blueAround = [this](QPoint p) {
        const QImage image = View()->grab().toImage();
        int n = 0;
        for (int y = p.y() - 6; y <= p.y() + 6; ++y)
            for (int x = p.x() - 6; x <= p.x() + 6; ++x)
                if (image.rect().contains(x, y) && (image.pixel(x, y) & 0xFFFFFF) == 0x0000FF)
                    ++n;
        return n;
    };
    QCOMPARE(blueAround(from + QPoint(20, 10)), 0);
    QTest::mousePress(View(), Qt::LeftButton, {}, from);
    QTest::mouseMove(View(), from + QPoint(20, 10));
    QVERIFY(blueAround(from + QPoint(20, 10)) > 5);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, from + QPoint(20, 10));
    QCOMPARE(m_form->Document().PositionList.at(1), QByteArray("00001=220,280,330"));
    QVERIFY(blueAround(from + QPoint(20, 10)) > 5);
}

// A press and release that moved less than the drag distance is the click
// that opens the photo; Escape during a drag puts the photo back and the
// release does nothing; in a pick mode a drag is the pick's release.
void TestMapEditing::jitterClickEscapeAndPickModes()
{
    QVERIFY(QApplication::startDragDistance() > 3);
    // (00003 and 00009 lie on one spot: the chooser asks, the first is meant.)
    m_driver->Press(QStringLiteral("&Openen"));
    QTest::mousePress(View(), Qt::LeftButton, {}, QPoint(120, 40));
    QTest::mouseMove(View(), QPoint(122, 41));
    QTest::mouseRelease(View(), Qt::LeftButton, {}, QPoint(122, 41));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    delete TFotoForm::OpenWindows().first();
    QVERIFY(!m_form->Document().Modified);

    QTest::mousePress(View(), Qt::LeftButton, {}, QPoint(300, 150));
    QTest::mouseMove(View(), QPoint(330, 170));
    QTest::mouseMove(View(), QPoint(360, 190));
    const QImage dragged = View()->grab().toImage();
    QTest::keyClick(View(), Qt::Key_Escape);
    QVERIFY(View()->grab().toImage() != dragged);
    QTest::mouseRelease(View(), Qt::LeftButton, {}, QPoint(360, 190));
    QCOMPARE(m_form->Document().PositionList.at(2), QByteArray("00007=300,150,180"));
    QVERIFY(!m_form->Document().Modified);
    QVERIFY(TFotoForm::OpenWindows().isEmpty());
    QVERIFY(!Action("Ongedaanmaken1")->isEnabled());

    // Position pick: the drag's release is the pick; nothing moves.
    m_driver->Handle([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("SpeedButton2"))->click(); });
    Action("Toevoegen1")->trigger();
    QPoint picked;
    m_driver->Handle([&](QDialog *d) {
        auto *form = qobject_cast<TFotoToevoegenForm *>(d);
        picked = QPoint(form->xSpinEdit->value(), form->ySpinEdit->value());
        form->reject();
    });
    Drag(Qt::LeftButton, QPoint(300, 150), QPoint(340, 180));
    QCOMPARE(picked, QPoint(340, 180));
    QCOMPARE(m_form->Document().PositionList.at(2), QByteArray("00007=300,150,180"));
}

// Dragging with the right button turns the photo toward the pointer: the
// twelve directions of the add-photo dialog, whole degrees with Shift;
// only the direction is written.
void TestMapEditing::rightDragTurns_data()
{
    QTest::addColumn<QPoint>("towards");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<int>("direction");
    QTest::newRow("30") << QPoint(40, -23) << false << 30;
    QTest::newRow("31 free") << QPoint(40, -23) << true << 31;
    QTest::newRow("0") << QPoint(40, -10) << false << 0;
    QTest::newRow("15 free") << QPoint(40, -10) << true << 15;
    QTest::newRow("180") << QPoint(-40, -5) << false << 180;
    QTest::newRow("172 free") << QPoint(-40, -5) << true << 172;
    QTest::newRow("270") << QPoint(10, 40) << false << 270;
    QTest::newRow("284 free") << QPoint(10, 40) << true << 284;
    QTest::newRow("210") << QPoint(-30, 30) << false << 210;
}

void TestMapEditing::rightDragTurns()
{
    QFETCH(QPoint, towards);
    QFETCH(bool, shift);
    QFETCH(int, direction);
    const Qt::KeyboardModifiers modifiers = shift ? Qt::ShiftModifier : Qt::NoModifier;
    Drag(Qt::RightButton, QPoint(300, 150), QPoint(300, 150) + towards, modifiers);
    QCOMPARE(m_form->Document().PositionList.at(2), QByteArray("00007=300,150,") + QByteArray::number(direction));
    QVERIFY(TFotoForm::OpenWindows().isEmpty());
    QCOMPARE(Action("Ongedaanmaken1")->text(),
             direction == 180 ? QStringLiteral("&Ongedaan maken") : QStringLiteral("&Ongedaan maken: foto draaien"));
}

// Every change to the project is one step: undone, the entries come back as
// they were (the file byte for byte), redone, as they were made. Modified
// follows the steps: back at what was opened or saved, the project is not
// modified (Save disabled, no question on closing).
void TestMapEditing::undoAndRedoEveryChange()
{
    const ProjectDocument &doc = m_form->Document();
    QAction *undo = Action("Ongedaanmaken1");
    QAction *redo = Action("Opnieuw1");
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
    QStringList steps;
    auto made = [&](const QString &step) {
        QCOMPARE(undo->text(), QStringLiteral("&Ongedaan maken: ") + step);
        QVERIFY(undo->isEnabled() && !redo->isEnabled());
        QVERIFY(doc.Modified && m_form->Opslaan1->isEnabled());
        steps << step;
    };

    Drag(Qt::LeftButton, QPoint(120, 40), QPoint(160, 70));
    made(QStringLiteral("foto verplaatsen"));
    Drag(Qt::RightButton, QPoint(300, 150), QPoint(340, 150));
    made(QStringLiteral("foto draaien"));

    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TFotoToevoegenForm *>(d);
        form->xSpinEdit->setValue(500);
        form->ySpinEdit->setValue(400);
        form->RadioButtons[2]->click();
        form->Edit3->setText(QStringLiteral("toren.jpg"));
        form->Button1->click();
    });
    Action("Toevoegen1")->trigger();
    made(QStringLiteral("foto toevoegen"));

    m_driver->Handle([](QDialog *d) { d->findChild<QPushButton *>(QStringLiteral("SpeedButton1"))->click(); });
    Action("Verwijderen1")->trigger();
    m_driver->Press(QStringLiteral("&Verwijderen"));
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(60, 200));
    made(QStringLiteral("foto verwijderen"));

    m_driver->Handle([this](QDialog *) {
        m_form->AlleFotoEigenschappenForm->SpinEdit1->setValue(10);
        m_form->AlleFotoEigenschappenForm->SpinEdit2->setValue(-20);
        m_form->AlleFotoEigenschappenForm->Button1->click();
    });
    Action("Eigenschappenallefotoswijzigen1")->trigger();
    made(QStringLiteral("posities van alle foto's wijzigen"));

    m_driver->Handle([this](QDialog *) {
        QTest::keyClicks(m_form->ProjectGegForm->Edit1, QStringLiteral(" Noord"));
        m_form->ProjectGegForm->Button1->click();
    });
    Action("Projectgegevens1")->trigger();
    made(QStringLiteral("projectgegevens wijzigen"));

    m_driver->Handle([this](QDialog *) {
        m_form->KaartForm->Edit1->selectAll();
        QTest::keyClicks(m_form->KaartForm->Edit1, QStringLiteral("ander.bmp"));
        m_form->KaartForm->Button1->click();
    });
    Action("OverzichtskaartEigenschappen1")->trigger();
    made(QStringLiteral("overzichtskaart wijzigen"));
    QCOMPARE(View()->Scene().size, QSize(300, 200));

    // Notes taken back from a photo window (photo 00009, now at 130,22).
    QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(130, 22));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    TFotoForm *window = TFotoForm::OpenWindows().first();
    QCOMPARE(window->PhotoNumber, 9);
    window->AantekeningenMemo->setPlainText(QStringLiteral("Nieuw\nook"));
    window->close();
    QTRY_VERIFY(TFotoForm::OpenWindows().isEmpty());
    made(QStringLiteral("aantekeningen wijzigen"));
    const QByteArray allMade = DataFile::Serialize(doc);

    // All the way back: the file as it was opened, and not modified.
    for (qsizetype i = steps.size() - 1; i >= 0; --i) {
        QCOMPARE(undo->text(), QStringLiteral("&Ongedaan maken: ") + steps[i]);
        undo->trigger();
        QCOMPARE(redo->text(), QStringLiteral("Opnie&uw: ") + steps[i]);
    }
    QVERIFY(!undo->isEnabled());
    QCOMPARE(DataFile::Serialize(doc), m_original);
    QVERIFY(!doc.Modified);
    QVERIFY(!m_form->Opslaan1->isEnabled() && !m_form->SpeedButton6->isEnabled());
    QCOMPARE(View()->Scene().size, QSize(1200, 900)); // the map drawn again

    // And forward again, by both shortcuts' action.
    for (const QString &step : steps) {
        QCOMPARE(redo->text(), QStringLiteral("Opnie&uw: ") + step);
        redo->trigger();
    }
    QCOMPARE(DataFile::Serialize(doc), allMade);
    QVERIFY(doc.Modified);
    QCOMPARE(
        redo->shortcuts(),
        (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")), QKeySequence(QStringLiteral("Ctrl+Y"))}));
    QTest::keyClick(m_form.get(), Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(m_form.get(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(DataFile::Serialize(doc), allMade);

    // Saved after three undos: that is the clean state now.
    for (int i = 0; i < 3; ++i)
        undo->trigger();
    Action("Opslaan1")->trigger();
    const QByteArray saved = ReadAll(m_project);
    QCOMPARE(saved, DataFile::Serialize(doc));
    QVERIFY(!doc.Modified);
    undo->trigger();
    QVERIFY(doc.Modified && m_form->Opslaan1->isEnabled());
    redo->trigger();
    QVERIFY(!doc.Modified && !m_form->Opslaan1->isEnabled());
    redo->trigger();
    QVERIFY(doc.Modified);
    undo->trigger();
    // Back at the saved state, closing asks nothing (the driver has no answer).
    const qsizetype seen = m_driver->dialogs.size();
    QVERIFY(m_form->close());
    QCOMPARE(m_driver->dialogs.size(), seen);

    // A new project starts a fresh history.
    m_form->show();
    Action("Nieuw1")->trigger();
    QVERIFY(!undo->isEnabled() && !redo->isEnabled());
}

// Resting on a triangle shows the photo's thumbnail (made off the GUI
// thread: first it is being loaded), its file name and the first line of
// its notes; a missing or broken file says so instead. Moving off hides it.
void TestMapEditing::hoverShowsThePhoto()
{
    // The hover on its own: the photo list, which shares the thumbnails,
    // hidden, and the project in a folder whose files nothing asked for yet.
    m_form->FotosDock->hide();
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("kopie")));
    for (const char *name : {"kerk.tvk", "kaart.bmp", "toren.jpg", "kapot.jpg"})
        QVERIFY(QFile::copy(Path(name), Path("kopie/") + QLatin1String(name)));
    Open(Path("kopie/kerk.tvk"));
    Action("WareGrootte1")->trigger();
    Scroll()->horizontalScrollBar()->setValue(0);
    Scroll()->verticalScrollBar()->setValue(0);
    MapHoverTip &tip = m_form->Interaction().HoverTip();
    ThumbnailCache &thumbnails = m_form->Interaction().Thumbnails();
    Hover(QPoint(120, 40));
    QVERIFY(tip.IsShown());
    QCOMPARE(tip.Text(), MapInteraction::LoadingText() + QStringLiteral("\ntoren.jpg\nToren"));
    QVERIFY(thumbnails.WaitForIdle(10000));
    QCOMPARE(tip.Text(), QStringLiteral("toren.jpg\nToren"));
    // Shown with the next round of the event loop.
    QTRY_COMPARE(tip.ShownPicture().size(), QSize(256, 192));
    QVERIFY(tip.isVisible());
    QCOMPARE(tip.ShownName(), QStringLiteral("toren.jpg"));
    const QPixmap picture = tip.ShownPicture();
    // The photo's quadrants: red top left, yellow bottom right.
    const QImage shown = picture.toImage();
    QVERIFY(PhotoTestFiles::Near(shown.pixel(20, 20), 0xFF0000));
    QVERIFY(PhotoTestFiles::Near(shown.pixel(230, 170), 0xFFFF00));
    const int decodes = thumbnails.DecodeCount();

    // The same file for another photo: no second decode.
    QTest::mouseMove(View(), QPoint(450, 250));
    QVERIFY(!tip.IsShown());
    Hover(QPoint(120, 43));
    QCOMPARE(tip.Text(), QStringLiteral("toren.jpg\nToren"));

    // Even looking for the file is not the GUI thread's.
    Hover(QPoint(60, 200));
    QCOMPARE(tip.Text(), MapInteraction::LoadingText() + QStringLiteral("\nweg.jpg"));
    QVERIFY(thumbnails.WaitForIdle(10000));
    QCOMPARE(tip.Text(), MapInteraction::MissingText() + QStringLiteral("\nweg.jpg"));

    Hover(QPoint(300, 150));
    QVERIFY(thumbnails.WaitForIdle(10000));
    QCOMPARE(tip.Text(), MapInteraction::BrokenText() + QStringLiteral("\nkapot.jpg\nCaf\u00e9 kapot"));
    QTRY_VERIFY(tip.ShownPicture().isNull());
    QCOMPARE(thumbnails.DecodeCount(), decodes + 1);
    // A sweep on from the shown tip ends on the photo where it stops.
    for (const QPoint at : {QPoint(120, 40), QPoint(60, 200)}) {
        QHelpEvent event(QEvent::ToolTip, at, View()->mapToGlobal(at));
        QApplication::sendEvent(View(), &event);
    }
    Hover(QPoint(300, 150));
    QCOMPARE(tip.Text(), MapInteraction::BrokenText() + QStringLiteral("\nkapot.jpg\nCaf\u00e9 kapot"));
    QCOMPARE(thumbnails.DecodeCount(), decodes + 1);

    // A photo file that changed is read again (the old picture shown
    // meanwhile); zoomed out the tip follows the triangles as they are shown.
    QVERIFY(
        PhotoTestFiles::WriteFile(Path("kopie/toren.jpg"), PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(100, 300))));
    {
        QFile file(Path("kopie/toren.jpg"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    }
    View()->SetZoom(MapZoom(0.25));
    Hover(At(QPoint(120, 40)) + QPoint(4, -4));
    QCOMPARE(tip.Text(), QStringLiteral("toren.jpg\nToren"));
    QVERIFY(thumbnails.WaitForIdle(10000));
    QTRY_COMPARE(tip.ShownPicture().size(), QSize(85, 256));
    Hover(QPoint(200, 200));
    QVERIFY(!tip.IsShown());
}

int main(int argc, char *argv[])
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TolvekApplication app(argc, argv);
    TestMapEditing test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mapediting.moc"
