// The command-line renderer, run as a separate program.

#include "MapTestFiles.h"

#include "core/map/MapCalibration.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapMetafile.h"

#include <QFile>
#include <QFont>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestMapRender : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    struct Run
    {
        int exitCode = -1;
        QString out;
        QString err;
    };

    // Run by the program given first, when one is (another user).
    Run Render(const QStringList &args, int timeout = 60000, const QStringList &as = {})
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM")); // the tool must manage without a display by itself
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(m_dir.path());
        if (as.isEmpty())
            p.start(QStringLiteral(TOLVEK_RENDER_PATH), args);
        else
            p.start(as.first(), as.mid(1) + QStringList{QStringLiteral(TOLVEK_RENDER_PATH)} + args);
        if (!p.waitForFinished(timeout))
            qFatal("renderer did not finish: %s", qPrintable(args.join(QLatin1Char(' '))));
        Run r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        return r;
    }

    static QByteArray ReadAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QDir(m_dir.path()).mkpath(QStringLiteral("project"));
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("project/kaart.bmp")), 120, 80);
        ProjectDocument doc = MapTestFiles::Project(m_dir.filePath(QStringLiteral("project")), "KAART.BMP",
                                                    {"00001=30,40,0", "00002=90,50,210"}, {"00001=een.jpg"});
        MapTestFiles::Save(doc);
        doc.CurrentFileName = m_dir.filePath(QStringLiteral("project/fout.tvk"));
        doc.PositionList << "abc=1,2,3";
        MapTestFiles::Save(doc);
    }

    void help()
    {
        const Run r = Render({QStringLiteral("--help")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(
            QStringLiteral("tolvek-render [--labels] [--north] [--scale] [--keep-exif] PROJECT.tvk UITVOER")));
    }

    void emfIsWhatExportWrites()
    {
        for (const bool labels : {false, true}) {
            QStringList args;
            if (labels)
                args << QStringLiteral("--labels");
            // Relative names: the project against the working folder, the map against the project's.
            args << QStringLiteral("project/project.tvk") << QStringLiteral("uit.emf");
            const Run r = Render(args);
            QCOMPARE(r.exitCode, 0);
            QCOMPARE(r.err, QString());

            ProjectDocument doc;
            doc.Reset();
            QCOMPARE(DataFile::Read(doc, m_dir.filePath(QStringLiteral("project/project.tvk"))),
                     DataFile::ReadResult::Ok);
            doc.CurrentFileName = m_dir.filePath(QStringLiteral("project/project.tvk"));
            MapImageCache cache;
            MapMetafile m;
            m.SetScene(MapDrawing::Build(doc, labels, cache, MapDrawing::MapFilePath(doc)));
            const QByteArray expected = m.EmfBytes();
            QVERIFY(expected.size() > 120 * 80 * 3);
            QCOMPARE(ReadAll(m_dir.filePath(QStringLiteral("uit.emf"))), expected);
        }
    }

    void pngAndSvg()
    {
        Run r = Render({QStringLiteral("project/project.tvk"), QStringLiteral("uit.png")});
        QCOMPARE(r.exitCode, 0);
        const QImage png(m_dir.filePath(QStringLiteral("uit.png")));
        QCOMPARE(png.size(), QSize(120, 80));
        // The map under the triangles, the white inside of a triangle.
        QCOMPARE(png.pixel(110, 75), MapTestFiles::Pattern(120, 80).pixel(110, 75));
        QCOMPARE(png.pixel(32, 40), qRgb(255, 255, 255));

        r = Render({QStringLiteral("--labels"), QStringLiteral("project/project.tvk"), QStringLiteral("uit.svg")});
        QCOMPARE(r.exitCode, 0);
        const QByteArray svg = ReadAll(m_dir.filePath(QStringLiteral("uit.svg")));
        QVERIFY(svg.contains("een.jpg"));
        QSvgRenderer renderer(svg);
        QVERIFY(renderer.isValid());
        QCOMPARE(renderer.viewBox(), QRect(0, 0, 120, 80));
    }

    // North arrow and scale bar only when asked: a calibrated map renders
    // the same bytes as before without the options.
    void marksOnlyWhenAsked()
    {
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("project/groot.bmp")), 400, 300);
        ProjectDocument doc = MapTestFiles::Project(m_dir.filePath(QStringLiteral("project")), "groot.bmp",
                                                    {"00001=200,150,0"}, {"00001=een.jpg"});
        doc.CurrentFileName = m_dir.filePath(QStringLiteral("project/groot.tvk"));
        MapTestFiles::Save(doc);
        const QString plain = m_dir.filePath(QStringLiteral("kaal.png"));
        QCOMPARE(Render({QStringLiteral("project/groot.tvk"), plain}).exitCode, 0);
        const QByteArray before = ReadAll(plain);

        MapCalibration c;
        c.north = 90;
        c.metresPerPixel = 0.5;
        QString reason;
        QVERIFY(c.Save(m_dir.filePath(QStringLiteral("project/groot.bmp")), &reason));
        QCOMPARE(Render({QStringLiteral("project/groot.tvk"), plain}).exitCode, 0);
        QCOMPARE(ReadAll(plain), before);

        const QString marked = m_dir.filePath(QStringLiteral("merk.png"));
        Run r =
            Render({QStringLiteral("--north"), QStringLiteral("--scale"), QStringLiteral("project/groot.tvk"), marked});
        QCOMPARE(r.exitCode, 0);
        const QImage a(plain);
        QImage b(marked);
        QCOMPARE(b.size(), a.size());
        // Changed only in the top right (arrow) and bottom left (bar) corners.
        const auto changedIn = [&](const QRect &area) {
            int n = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    if (a.pixel(x, y) != b.pixel(x, y)) {
                        if (!area.contains(x, y))
                            return -1;
                        ++n;
                    }
            return n;
        };
        QVERIFY(changedIn(QRect(400 - 64, 0, 64, 64).united(QRect(0, 300 - 60, 200, 60))) > 200);
        // Just the arrow: nothing at the bottom.
        QCOMPARE(Render({QStringLiteral("--north"), QStringLiteral("project/groot.tvk"), marked}).exitCode, 0);
        b = QImage(marked);
        QVERIFY(changedIn(QRect(400 - 64, 0, 64, 64)) > 100);

        // Asked for on a map without a scale, or into an EMF: refused.
        c.metresPerPixel.reset();
        QVERIFY(c.Save(m_dir.filePath(QStringLiteral("project/groot.bmp")), &reason));
        r = Render({QStringLiteral("--scale"), QStringLiteral("project/groot.tvk"), marked});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("geen schaal")), qPrintable(r.err));
        r = Render({QStringLiteral("--north"), QStringLiteral("project/groot.tvk"), QStringLiteral("merk.emf")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("merk.emf"))));
    }

    // A folder, a device, a pipe and a file that may not be read, as the
    // project or as its map: each said in its own words, and nothing waits
    // on the pipe (the short time-out would end the test).
    void oddInputs()
    {
        const QString pipe = m_dir.filePath(QStringLiteral("pijp.tvk"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
        const QList<std::pair<QString, QString>> cases = {
            {m_dir.filePath(QStringLiteral("project")), QStringLiteral("het is een map")},
            {QStringLiteral("/dev/zero"), QStringLiteral("het is een apparaat")},
            {pipe, QStringLiteral("het is een pijp (FIFO)")}};
        for (const auto &[input, words] : cases) {
            const Run r = Render({input, QStringLiteral("x.png")}, 20000);
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains(input) && r.err.contains(words), qPrintable(r.err));
        }

        QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath(QStringLiteral("project/pijp.bmp"))).constData(), 0644), 0);
        ProjectDocument doc =
            MapTestFiles::Project(m_dir.filePath(QStringLiteral("project")), "pijp.bmp", {"00001=30,40,0"});
        doc.CurrentFileName = m_dir.filePath(QStringLiteral("project/pijpkaart.tvk"));
        MapTestFiles::Save(doc);
        Run r = Render({QStringLiteral("project/pijpkaart.tvk"), QStringLiteral("x.png")}, 20000);
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("\"pijp.bmp\" kan niet worden gelezen: het is een pijp (FIFO)")),
                 qPrintable(r.err));

        // Unreadable for the user who runs it (root reads everything: then
        // the renderer runs as nobody).
        const QString secret = m_dir.filePath(QStringLiteral("geheim.tvk"));
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("project/project.tvk")), secret));
        QVERIFY(QFile::setPermissions(secret, QFileDevice::WriteOwner));
        QStringList as;
        if (::geteuid() == 0) {
            QVERIFY(QFile::setPermissions(m_dir.path(),
                                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                              | QFileDevice::ReadOther | QFileDevice::ExeOther));
            as = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                             QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")};
        }
        r = Render({secret, m_dir.filePath(QStringLiteral("x.emf"))}, 20000, as);
        // The folder is the renderer's runtime folder too: private again.
        QVERIFY(QFile::setPermissions(m_dir.path(),
                                      QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("geen toestemming om het te lezen")), qPrintable(r.err));
    }

    // Without its map a picture would be one white pixel: PNG, SVG and PDF
    // are refused, naming the map; the metafile keeps its 1 by 1 map.
    void missingMap()
    {
        ProjectDocument doc =
            MapTestFiles::Project(m_dir.filePath(QStringLiteral("project")), "weg.bmp", {"00001=30,40,0"});
        doc.CurrentFileName = m_dir.filePath(QStringLiteral("project/zonder.tvk"));
        MapTestFiles::Save(doc);
        for (const QString &out : {QStringLiteral("z.png"), QStringLiteral("z.svg"), QStringLiteral("z.pdf")}) {
            const Run r = Render({QStringLiteral("project/zonder.tvk"), out});
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains(QStringLiteral("\"weg.bmp\" is niet gevonden")), qPrintable(r.err));
            QVERIFY(!QFile::exists(m_dir.filePath(out)));
        }
        const Run r = Render({QStringLiteral("project/zonder.tvk"), QStringLiteral("z.emf")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QFile::exists(m_dir.filePath(QStringLiteral("z.emf"))));
    }

    // A web page into folders that do not exist yet: they are made.
    void webPageMakesItsFolders()
    {
        const Run r = Render({QStringLiteral("project/project.tvk"), QStringLiteral("nieuw/diep/")});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QFileInfo(m_dir.filePath(QStringLiteral("nieuw/diep/index.html"))).isFile());
    }

    void errors()
    {
        Run r = Render({QStringLiteral("project/fout.tvk"), QStringLiteral("fout.png")});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QStringLiteral("'abc' is not a valid integer value"));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("fout.png"))));

        r = Render({QStringLiteral("bestaat-niet.tvk"), QStringLiteral("x.emf")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("bestaat-niet.tvk")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QLatin1Char('\n')));

        r = Render({QStringLiteral("project/project.tvk"), QStringLiteral("x.gif")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(QStringLiteral("x.gif")));

        r = Render({QStringLiteral("project/project.tvk")});
        QCOMPARE(r.exitCode, 1);
        r = Render({QStringLiteral("--kleur"), QStringLiteral("project/project.tvk"), QStringLiteral("x.png")});
        QCOMPARE(r.exitCode, 1);

        // A web page into a folder that holds other files: refused, the
        // files left alone.
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("bezet")));
        QFile letter(m_dir.filePath(QStringLiteral("bezet/brief.txt")));
        QVERIFY(letter.open(QIODevice::WriteOnly));
        letter.close();
        r = Render({QStringLiteral("project/project.tvk"), QStringLiteral("bezet/")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("niet leeg")), qPrintable(r.err));
        QVERIFY(!r.err.contains(QLatin1Char('\n')));
        QCOMPARE(QDir(m_dir.filePath(QStringLiteral("bezet")))
                     .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("brief.txt")});

        r = Render({QStringLiteral("project/project.tvk"), QStringLiteral("geen-map/x.emf")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(QStringLiteral("geen-map/x.emf")));

        // A map file that is no picture: the message names it.
        QFile bad(m_dir.filePath(QStringLiteral("project/kapot.bmp")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("niet een bitmap");
        bad.close();
        ProjectDocument doc = MapTestFiles::Project(m_dir.filePath(QStringLiteral("project")), "kapot.bmp", {});
        doc.CurrentFileName = m_dir.filePath(QStringLiteral("project/kapot.tvk"));
        MapTestFiles::Save(doc);
        r = Render({QStringLiteral("project/kapot.tvk"), QStringLiteral("x.png")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("kapot.bmp")), qPrintable(r.err));
    }
};

QTEST_MAIN(TestMapRender)
#include "tst_maprender.moc"
