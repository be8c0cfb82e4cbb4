// tolvek-render: draws the overview map of a project file, as the program
// shows and exports it, into an EMF, PNG, SVG or PDF file, or writes the
// photo map as a web page. Needs no display.

#include "core/base/TolvekError.h"
#include "core/map/GeoPhotoExport.h"
#include "core/map/MapBandReader.h"
#include "core/map/MapCalibration.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapImageFile.h"
#include "core/map/MapMetafile.h"
#include "core/photos/ExifReader.h"
#include "core/platform/PathResolver.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"
#include "core/report/ReportContent.h"
#include "core/report/ReportLayout.h"
#include "core/report/ReportWriter.h"
#include "core/web/WebExport.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

const char Usage[] = "Gebruik: tolvek-render [--labels] [--north] [--scale] [--keep-exif] PROJECT.tvk UITVOER\n"
                     "        tolvek-render --plan PROJECT.tvk UITVOER.kml\n"
                     "        tolvek-render --report [--layout N] [--paper a4|letter] PROJECT.tvk UITVOER.pdf\n"
                     "\n"
                     "Tekent de overzichtskaart van een Tolvek-project met de driehoeken van de\n"
                     "foto's en de helptekst. Het formaat volgt uit de extensie van UITVOER:\n"
                     "  .emf  Enhanced Metafile, zoals \"Exporteren...\" die schrijft\n"
                     "  .png  de kaart zoals het venster haar toont\n"
                     "  .svg  SVG-tekening\n"
                     "  .pdf  PDF-document, een pagina zo groot als de kaart\n"
                     "        (deze drie alleen als de kaart zelf er is; zo niet, dan\n"
                     "        eindigt tolvek-render met een melding en afsluitcode 1)\n"
                     "  .html of een map (MAP/): de fotokaart als webpagina, zoals\n"
                     "        \"Exporteren als webpagina...\" die schrijft; bij een map komt\n"
                     "        index.html erin, bij NAAM.html komt de map NAAM-bestanden ernaast\n"
                     "  .geojson of .kml: de foto's als punten op aarde, voor GIS-programma's\n"
                     "        (alleen als de kaart paspunten heeft; zo niet, dan eindigt\n"
                     "        tolvek-render met een melding en afsluitcode 1)\n"
                     "\n"
                     "  --labels   ook de bestandsnamen van de foto's tonen\n"
                     "  --north    de noordpijl van de geijkte kaart tekenen (.png, .svg, .pdf)\n"
                     "  --scale    de schaalbalk van de geijkte kaart tekenen (.png, .svg, .pdf)\n"
                     "  --plan     .kml: ook de kaart zelf, op aarde gelegd onder de foto's\n"
                     "  --keep-exif\n"
                     "             webpagina: de foto-gegevens (EXIF: GPS-positie, camera, maker)\n"
                     "             in de foto's laten; anders worden ze weggelaten\n"
                     "  --report   het fotorapport als PDF: een titelpagina met de kaart en\n"
                     "             genummerde standpunten, daarna de foto's met hun aantekeningen\n"
                     "  --layout N foto's per pagina in het rapport: 1, 2, 4 of 6 (standaard 2)\n"
                     "  --paper P  papier van het rapport: a4 of letter (standaard naar de taalinstelling)\n"
                     "  --help     deze uitleg\n";

void Fail(const QString &message)
{
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    std::exit(1);
}

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// A web page: NAME.html, or a folder (written with a closing "/", already
// there, or a name without any extension).
bool IsWebOutput(const QString &outputName, const QString &suffix)
{
    return suffix == QLatin1String("html") || suffix == QLatin1String("htm") || outputName.endsWith(QLatin1Char('/'))
        || QFileInfo(outputName).isDir() || suffix.isEmpty();
}

void ReadProject(ProjectDocument &doc, const QString &projectName)
{
    const QString projectPath = QFileInfo(projectName).absoluteFilePath();
    doc.Reset();
    QString problem;
    switch (DataFile::Read(doc, projectPath, &problem)) {
    case DataFile::ReadResult::Ok:
        break;
    case DataFile::ReadResult::CannotOpen:
        throw TolvekError(QStringLiteral("Kan het bestand \"%1\" niet openen: %2.")
                              .arg(QDir::toNativeSeparators(projectName), problem));
    case DataFile::ReadResult::NotAProject:
        throw TolvekError(QStringLiteral("Het bestand \"%1\" is geen Tolvek-projectbestand.")
                              .arg(QDir::toNativeSeparators(projectName)));
    }
    doc.CurrentFileName = projectPath;
}

// The report as the program's dialog makes it with the same choices.
void Report(const QString &projectName, const QString &outputName, const ReportOptions &options)
{
    ProjectDocument doc;
    ReadProject(doc, projectName);
    MapImageCache cache;
    const MapScene scene = MapDrawing::Build(doc, false, cache, MapDrawing::MapFilePath(doc));
    ReportWriter::RequireMap(scene);
    ReportOptions chosen = options;
    chosen.title = ReportOptions::DefaultTitle(doc);
    chosen.author = ReportOptions::DefaultAuthor(doc);
    const ReportLayout layout(
        chosen, ReportContent::Build(doc, {}, chosen.order, ReportContent::MapNorth(doc), ReportContent::CameraTimes()),
        scene.size);
    ReportWriter::Progress progress;
    const ReportWriter::Result result = ReportWriter::Write(layout, scene, outputName, progress);
    for (const QString &missing : result.missing)
        std::fprintf(stderr, "Foto ontbreekt: %s\n", missing.toLocal8Bit().constData());
}

// The photos as points on Earth, as "Exporteren als GeoJSON/KML..." writes them.
void GisExport(const ProjectDocument &doc, const QString &outputName, GeoPhotoExport::Format format, bool plan)
{
    const QString mapPath = MapDrawing::MapFilePath(doc);
    QString problem;
    const MapCalibration calibration = mapPath.isEmpty() ? MapCalibration() : MapCalibration::Load(mapPath, &problem);
    if (!problem.isEmpty())
        throw TolvekError(problem);
    std::optional<GeoPhotoExport::Plan> overlay;
    if (plan && calibration.IsGeoreferenced()) {
        // The size as the program draws the map, for every kind of map file.
        MapImageCache cache;
        const MapScene scene = MapDrawing::Build(doc, false, cache, mapPath);
        if (!scene.mapProblem.isEmpty())
            throw TolvekError(scene.mapProblem);
        overlay = GeoPhotoExport::Plan{mapPath, scene.size};
    }
    GeoPhotoExport::Write(
        doc, calibration, format,
        [resolver = PathResolver()](const QString &name, const QString &folder) mutable -> std::optional<CameraRecord> {
            return ExifReader::Read(resolver.FindText(name, folder));
        },
        outputName, overlay);
}

void Render(const QString &projectName, const QString &outputName, bool labels, bool keepExif, bool north, bool scale,
            bool plan)
{
    ProjectDocument doc;
    ReadProject(doc, projectName);

    if (const auto format = GeoPhotoExport::FormatFor(outputName)) {
        if (north || scale || labels || keepExif)
            throw TolvekError(QStringLiteral("--labels, --north, --scale en --keep-exif horen niet bij .geojson of "
                                             ".kml."));
        if (plan && *format != GeoPhotoExport::Format::Kml)
            throw TolvekError(QStringLiteral("--plan hoort bij .kml."));
        GisExport(doc, outputName, *format, plan);
        return;
    }

    if (plan)
        throw TolvekError(QStringLiteral("--plan hoort bij .kml."));
    MapImageCache cache;
    const QString suffix = QFileInfo(outputName).suffix().toLower();
    if (IsWebOutput(outputName, suffix)) {
        if (north || scale)
            throw TolvekError(QStringLiteral("--north en --scale horen bij een kaart als .png, .svg of .pdf, niet bij "
                                             "een webpagina."));
        const WebExportFolder::Target target = WebExportFolder::ForOutput(outputName);
        WebExport::Progress progress;
        WebExport::Options options;
        // A large plan goes into tiles band by band, never held whole; any
        // other map is decoded as for the screen.
        options.mapBands = MapBandReader::Open(MapDrawing::MapFilePath(doc));
        const MapScene scene = options.mapBands ? MapDrawing::Build(doc, labels, options.mapBands->Size())
                                                : MapDrawing::Build(doc, labels, cache, MapDrawing::MapFilePath(doc));
        options.keepMetadata = keepExif;
        // A georeferenced map gives each photo its place on Earth; a sidecar
        // that cannot be used costs the page nothing else.
        if (const QString mapPath = MapDrawing::MapFilePath(doc); !mapPath.isEmpty()) {
            QString problem;
            const MapCalibration calibration = MapCalibration::Load(mapPath, &problem);
            if (!problem.isEmpty())
                std::fprintf(stderr, "%s\n", problem.toLocal8Bit().constData());
            else if (calibration.IsGeoreferenced())
                options.georeference = calibration.georeference;
        }
        // Tests stop the program dead after a step of the commit, as a kill would.
        const int stopAfter = qEnvironmentVariableIntValue("TOLVEK_TEST_STOP_AFTER_COMMIT_STEP");
        if (stopAfter > 0)
            options.afterCommitStep = [stopAfter](int step) {
                if (step == stopAfter)
                    ::raise(SIGKILL);
            };
        const WebExport::Result result = WebExport::Run(doc, scene, target, progress, options);
        // The page is written; a photo that could not be read is shown as a
        // placeholder and named here.
        for (const QString &missing : result.missing)
            std::fprintf(stderr, "Foto ontbreekt: %s\n", missing.toLocal8Bit().constData());
        return;
    }

    MapMetafile metafile;
    const QString mapPath = MapDrawing::MapFilePath(doc);
    metafile.SetScene(MapDrawing::Build(doc, labels, cache, mapPath));

    // North arrow and scale bar only when asked, from the map's calibration.
    MapDecorations::Marks marks;
    if (north || scale) {
        QString problem;
        const MapCalibration calibration = MapCalibration::Load(mapPath, &problem);
        if (!problem.isEmpty())
            throw TolvekError(problem);
        if (north && !calibration.HasNorth())
            throw TolvekError(
                QStringLiteral("De kaart heeft geen noordpijl: ijk haar eerst met Gegevens > Kaart ijken."));
        if (scale && !calibration.HasScale())
            throw TolvekError(QStringLiteral("De kaart heeft geen schaal: ijk haar eerst met Gegevens > Kaart ijken."));
        if (north)
            marks.north = calibration.north;
        if (scale)
            marks.metresPerPixel = calibration.metresPerPixel;
    }
    MapImageFile::Save(metafile, outputName, 0, marks);
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing text needs a platform; without a display the offscreen one serves.
    if (!HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    MapImageCache::RaiseAllocationLimit();

    bool labels = false;
    bool keepExif = false;
    bool north = false, scale = false;
    bool plan = false;
    bool report = false;
    ReportOptions options;
    options.paper = ReportOptions::DefaultPaper();
    QStringList names;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == QLatin1String("--labels")) {
            labels = true;
        } else if (arg == QLatin1String("--keep-exif")) {
            keepExif = true;
        } else if (arg == QLatin1String("--plan")) {
            plan = true;
        } else if (arg == QLatin1String("--north")) {
            north = true;
        } else if (arg == QLatin1String("--scale")) {
            scale = true;
        } else if (arg == QLatin1String("--report")) {
            report = true;
        } else if (arg == QLatin1String("--layout") || arg == QLatin1String("--paper")) {
            if (i + 1 >= args.size())
                Fail(QStringLiteral("Na \"%1\" hoort een waarde; zie tolvek-render --help.").arg(arg));
            const QString value = args[++i].toLower();
            if (arg == QLatin1String("--layout")) {
                bool ok = false;
                options.perPage = value.toInt(&ok);
                if (!ok || !ReportOptions::ValidPerPage(options.perPage))
                    Fail(QStringLiteral("\"%1\" is geen indeling: kies 1, 2, 4 of 6 foto's per pagina.").arg(value));
            } else if (value == QLatin1String("a4")) {
                options.paper = ReportOptions::Paper::A4;
            } else if (value == QLatin1String("letter")) {
                options.paper = ReportOptions::Paper::Letter;
            } else {
                Fail(QStringLiteral("\"%1\" is geen papierformaat: kies a4 of letter.").arg(value));
            }
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            Fail(QStringLiteral("Onbekende optie \"%1\"; zie tolvek-render --help.").arg(arg));
        else
            names << arg;
    }
    if (!report && (options.perPage != ReportOptions().perPage || args.contains(QLatin1String("--paper"))))
        Fail(QStringLiteral("--layout en --paper horen bij --report; zie tolvek-render --help."));
    if (report && plan)
        Fail(QStringLiteral("--plan hoort bij .kml; zie tolvek-render --help."));
    if (names.size() != 2)
        Fail(QStringLiteral("Geef een projectbestand en een uitvoerbestand; zie tolvek-render --help."));

    try {
        if (report)
            Report(names[0], names[1], options);
        else
            Render(names[0], names[1], labels, keepExif, north, scale, plan);
    } catch (const TolvekError &e) {
        Fail(e.message());
    } catch (const std::bad_alloc &) {
        Fail(QStringLiteral("Onvoldoende geheugen om de overzichtskaart te tekenen."));
    }
    return 0;
}
