// The map commands of the main window: redraw into the view, export, copy
// and the label switch, driven through the dialog seam.

#include "MapTestFiles.h"

#include "core/base/TolvekError.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/map/CalibrationMapView.h"
#include "gui/map/MapCommands.h"
#include "gui/map/MapView.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/UserInteraction.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <sys/resource.h>

namespace {

// The main window's part in the map commands: the project and its session.
class FakeHost
{
public:
    ProjectDocument doc;
    ProjectSession session{doc};
    QWidget window;
    ProjectHost host{session, &window};
    MapCommands *commands = nullptr;

    operator ProjectHost &() { return host; }

    // The current folder is moved away before a command; afterwards it must
    // be the project's again.
    static void LeaveFolder() { QDir::setCurrent(QDir::tempPath()); }
    bool InProjectFolder() const { return QDir::currentPath() == QDir(doc.ProjectFolder()).absolutePath(); }
};

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class TestMapCommands : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QList<UserInteraction::FileRequest> m_requests;
    QStringList m_answers; // empty text: cancel
    QStringList m_messages;

    void AnswerFiles(const QStringList &answers)
    {
        m_answers = answers;
        m_requests.clear();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        UserInteraction::SetFileHandler([this](const UserInteraction::FileRequest &r) -> std::optional<QString> {
            m_requests << r;
            const QString answer = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
            // The dialog moves the current folder, as a real one may.
            QDir::setCurrent(QDir::tempPath());
            if (answer.isEmpty())
                return std::nullopt;
            return answer;
        });
        UserInteraction::SetModalHandler([this](QDialog *dialog) {
            QStringList texts;
            for (QLabel *label : dialog->findChildren<QLabel *>())
                texts << label->text();
            m_messages << texts.join(QLatin1Char('\n'));
            dialog->done(QDialog::Accepted);
        });
        QDir(m_dir.path()).mkpath(QStringLiteral("project"));
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("project/kaart.bmp")), 150, 100);
    }

    void beforeTheFirstDrawing()
    {
        FakeHost host;
        host.doc.CurrentFileName = m_dir.filePath(QStringLiteral("project/p.tvk"));
        MapView view;
        MapCommands commands(host, &view);
        host.commands = &commands;
        QVERIFY(!view.HasPicture());
        QCOMPARE(view.size(), QSize(0, 0));

        // Export: an empty file, named with ".emf" appended.
        const QString name = m_dir.filePath(QStringLiteral("leeg"));
        AnswerFiles({name});
        host.LeaveFolder();
        commands.Export();
        QCOMPARE(m_requests.size(), 1);
        QCOMPARE(m_requests[0].title, QStringLiteral("Overzichtskaart exporteren"));
        QCOMPARE(m_requests[0].filter, QStringLiteral("Enhanced Metafile (*.emf)|*.emf"));
        QCOMPARE(m_requests[0].kind, UserInteraction::FileDialogKind::Save);
        QVERIFY(QFileInfo(name + QStringLiteral(".emf")).isFile());
        QCOMPARE(QFileInfo(name + QStringLiteral(".emf")).size(), 0);
        QVERIFY(host.InProjectFolder());

        // Copy: nothing to copy; the user is told and the clipboard is left alone.
        QGuiApplication::clipboard()->setText(QStringLiteral("eerder gekopieerd"));
        m_messages.clear();
        commands.Copy();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages[0].contains(QStringLiteral("niets om te kopi")), qPrintable(m_messages[0]));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("eerder gekopieerd"));
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    }

    void drawExportCopyAndLabels()
    {
        FakeHost host;
        host.doc = MapTestFiles::Project(m_dir.filePath(QStringLiteral("project")), "kaart.bmp",
                                         {"00001=40,50,0", "00002=100,30,120"}, {"00001=een.jpg", "00002=twee.jpg"});
        QScrollArea scroll;
        auto *view = new MapView;
        scroll.setWidget(view);
        scroll.resize(120, 80);
        MapCommands commands(host, view);
        host.commands = &commands;
        QAction labelItem(QStringLiteral("&Bestandsnamen foto's tonen"));
        labelItem.setCheckable(true);
        commands.SetLabelItem(&labelItem);
        QVERIFY(!labelItem.isChecked());

        host.LeaveFolder();
        commands.DrawMap();
        QVERIFY(host.InProjectFolder());
        QVERIFY(view->HasPicture());
        QCOMPARE(view->size(), QSize(150, 100));
        // The view shows exactly the drawing that is exported and copied.
        const QImage drawn = commands.Metafile().RenderImage();
        QCOMPARE(view->grab().toImage().convertToFormat(QImage::Format_RGB32), drawn);

        // Export: the chosen name with ".emf" appended, even after ".emf";
        // the dialog shows the previous name; the project folder comes back.
        const QString kaart = m_dir.filePath(QStringLiteral("kaart"));
        AnswerFiles({kaart, kaart + QStringLiteral(".emf"), QString()});
        commands.Export();
        QCOMPARE(ReadAll(kaart + QStringLiteral(".emf")), commands.Metafile().EmfBytes());
        commands.Export();
        QCOMPARE(m_requests[1].initialName, kaart);
        QCOMPARE(ReadAll(kaart + QStringLiteral(".emf.emf")), commands.Metafile().EmfBytes());
        // Cancelled: nothing written, the folder restored all the same.
        host.LeaveFolder();
        commands.Export();
        QCOMPARE(m_requests[2].initialName, kaart + QStringLiteral(".emf"));
        QCOMPARE(QDir::currentPath(), QDir(m_dir.filePath(QStringLiteral("project"))).absolutePath());
        QVERIFY(!QFile::exists(kaart + QStringLiteral(".emf.emf.emf")));

        // An existing file is overwritten without a question.
        AnswerFiles({kaart});
        host.doc.PositionList.removeLast();
        commands.DrawMap();
        commands.Export();
        QCOMPARE(ReadAll(kaart + QStringLiteral(".emf")), commands.Metafile().EmfBytes());

        // A file that cannot be written: an error naming it, folder restored.
        AnswerFiles({m_dir.filePath(QStringLiteral("geen-map/kaart"))});
        host.LeaveFolder();
        try {
            commands.Export();
            QFAIL("no error");
        } catch (const TolvekError &e) {
            QVERIFY(e.message().contains(QStringLiteral("geen-map/kaart.emf")));
        }
        QVERIFY(host.InProjectFolder());

        // Writing stops part-way (a full disk; here a file-size limit): an
        // error naming the file, and the earlier export left as it was.
        {
            const QByteArray earlier = ReadAll(kaart + QStringLiteral(".emf"));
            const std::int32_t size = host.doc.TriangleSize;
            host.doc.TriangleSize = size + 2;
            commands.DrawMap();
            host.doc.TriangleSize = size;
            QVERIFY(commands.Metafile().EmfBytes() != earlier);
            struct rlimit saved;
            QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
            const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
            auto restore = qScopeGuard([&] {
                ::setrlimit(RLIMIT_FSIZE, &saved);
                ::signal(SIGXFSZ, oldHandler);
            });
            struct rlimit small = saved;
            small.rlim_cur = rlim_t(earlier.size() / 2);
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
            AnswerFiles({kaart});
            bool failed = false;
            try {
                commands.Export();
            } catch (const TolvekError &e) {
                failed = true;
                QVERIFY2(e.message().contains(QStringLiteral("kaart.emf")), qPrintable(e.message()));
            }
            restore.dismiss();
            ::setrlimit(RLIMIT_FSIZE, &saved);
            ::signal(SIGXFSZ, oldHandler);
            QVERIFY(failed);
            QCOMPARE(ReadAll(kaart + QStringLiteral(".emf")), earlier);
            // No half-written temporary file stays behind.
            const QStringList before{QStringLiteral("kaart.emf"), QStringLiteral("kaart.emf.emf")};
            for (const QString &name : QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden))
                QVERIFY2(!name.contains(QStringLiteral("kaart")) || before.contains(name), qPrintable(name));
            commands.DrawMap();
        }

        // Copy: EMF and PNG of the same drawing.
        m_messages.clear();
        commands.Copy();
        QVERIFY(m_messages.isEmpty());
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        QVERIFY(data);
        QCOMPARE(data->data(QStringLiteral("image/x-emf")), commands.Metafile().EmfBytes());
        QImage png;
        QVERIFY(png.loadFromData(data->data(QStringLiteral("image/png")), "PNG"));
        QCOMPARE(png.convertToFormat(QImage::Format_RGB32), commands.Metafile().RenderImage());
        QVERIFY(data->hasImage());
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);

        // Labels on: check mark, and export and copy carry the labels.
        const QImage noLabels = view->grab().toImage();
        const QByteArray emfNoLabels = commands.Metafile().EmfBytes();
        commands.ToggleLabels();
        QVERIFY(labelItem.isChecked());
        const QByteArray emfLabels = commands.Metafile().EmfBytes();
        const QString een = QStringLiteral("een.jpg");
        const QByteArray eenUtf16(reinterpret_cast<const char *>(een.utf16()), een.size() * 2);
        QVERIFY(emfLabels.contains(eenUtf16));
        QVERIFY(!emfNoLabels.contains(eenUtf16));
        commands.Copy();
        QCOMPARE(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/x-emf")), emfLabels);
        QVERIFY(view->grab().toImage() != noLabels);
        // ... and off again: the same picture as before.
        commands.ToggleLabels();
        QVERIFY(!labelItem.isChecked());
        QCOMPARE(view->grab().toImage(), noLabels);
        QCOMPARE(commands.Metafile().EmfBytes(), emfNoLabels);
    }

    void failedRedrawKeepsThePicture()
    {
        FakeHost host;
        host.doc = MapTestFiles::Project(m_dir.filePath(QStringLiteral("project")), "kaart.bmp", {"00001=40,50,0"});
        MapView view;
        MapCommands commands(host, &view);
        host.commands = &commands;
        commands.DrawMap();
        const QByteArray emf = commands.Metafile().EmfBytes();
        const QImage picture = view.grab().toImage();

        host.doc.PositionList << "00002=1,twee,0";
        QVERIFY_THROWS_EXCEPTION(TolvekError, commands.DrawMap());
        QCOMPARE(commands.Metafile().EmfBytes(), emf);
        QCOMPARE(view.grab().toImage(), picture);
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);

        // A map file that is no picture: the same.
        host.doc.PositionList.removeLast();
        QFile bad(m_dir.filePath(QStringLiteral("project/kapot.bmp")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("geen bitmap");
        bad.close();
        host.doc.MapFileName = "kapot.bmp";
        try {
            commands.DrawMap();
            QFAIL("no error");
        } catch (const TolvekError &e) {
            QVERIFY(e.message().contains(QStringLiteral("kapot.bmp")));
        }
        QCOMPARE(view.size(), QSize(150, 100));
        QCOMPARE(commands.Metafile().EmfBytes(), emf);

        // No map at all: a 1 by 1 picture; the view alone shows the photo
        // at (40, 50) on a plain ground just past its triangle.
        host.doc.MapFileName.clear();
        commands.DrawMap();
        QCOMPARE(commands.Metafile().Size(), QSize(1, 1));
        QVERIFY2(view.width() > 46 && view.height() > 56 && view.width() < 150 && view.height() < 150,
                 qPrintable(QStringLiteral("%1 x %2").arg(view.width()).arg(view.height())));
    }

    void mouseUpGivesMapPoints()
    {
        FakeHost host;
        host.doc = MapTestFiles::Project(m_dir.filePath(QStringLiteral("project")), "kaart.bmp", {});
        QScrollArea scroll;
        auto *view = new MapView;
        scroll.setWidget(view);
        scroll.resize(100, 80);
        MapCommands commands(host, view);
        host.commands = &commands;
        commands.DrawMap();
        scroll.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scroll));
        scroll.horizontalScrollBar()->setValue(30);
        QList<QPoint> points;
        QObject::connect(view, &MapView::MouseUp, view,
                         [&points](Qt::MouseButton, Qt::KeyboardModifiers, const QPoint &p) { points << p; });
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(70, 20));
        QCOMPARE(points, QList<QPoint>({QPoint(70, 20)}));
        // Scrolling moves the view, not its coordinates.
        QCOMPARE(view->pos(), QPoint(-30, 0));
    }

    // The calibration dialog's map zooms about the pointer and by keys, so a
    // point of a big plan is picked within a map pixel, drawn from the plan
    // itself, not from the small copy shown fitted.
    void calibrationMapZoomsToThePixel()
    {
        const QImage plan = MapTestFiles::Pattern(4000, 3000);
        CalibrationMapView view;
        view.resize(400, 300);
        view.SetMap(plan);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.ToMap(QPointF(200, 150)), QPointF(2000, 1500));

        const QPointF at(100, 60);
        const QPointF under = view.ToMap(at);
        QWheelEvent wheel(at, view.mapToGlobal(at), QPoint(), QPoint(0, 8 * 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        QVERIFY(std::abs(view.Zoom() - std::pow(1.25, 8)) < 1e-9);
        const QPointF still = view.ToMap(at);
        QVERIFY(std::hypot(still.x() - under.x(), still.y() - under.y()) < 1e-6);

        view.setFocus();
        for (int i = 0; i < 6; ++i)
            QTest::keyClick(&view, Qt::Key_Plus);
        QCOMPARE(view.Zoom(), CalibrationMapView::MaxZoom);
        const QPointF centre = view.ToMap(QPointF(200.5, 150.5));
        const QImage shot = view.grab().toImage();
        QCOMPARE(QColor(shot.pixel(200, 150)), QColor(plan.pixel(int(centre.x()), int(centre.y()))));
        view.SetPointMode(true);
        QSignalSpy picked(&view, &CalibrationMapView::PointPicked);
        QTest::mouseClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(200, 150));
        QCOMPARE(picked.size(), 1);
        const QPointF point = picked.at(0).at(0).toPointF();
        // 6.4 widget pixels a map pixel: the click is the point.
        const QPointF back = view.ToWidget(point);
        QVERIFY(std::hypot(back.x() - 200, back.y() - 150) < 1e-6);

        QTest::keyClick(&view, Qt::Key_0);
        QCOMPARE(view.Zoom(), 1.0);
        QCOMPARE(view.ToMap(QPointF(200, 150)), QPointF(2000, 1500));
    }
};

QTEST_MAIN(TestMapCommands)
#include "tst_mapcommands.moc"
