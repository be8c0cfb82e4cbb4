// tolvek-render: draws the overview map of a project file, as the program
// shows and exports it, into an EMF, PNG, SVG or PDF file, or writes the
// photo map as a web page. Needs no display.

#include "core/base/TolvekError.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapImageFile.h"
#include "core/map/MapMetafile.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"
#include "core/web/WebExport.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

const char Usage[] = "Gebruik: tolvek-render [--labels] PROJECT.tvk UITVOER\n"
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
                     "\n"
                     "  --labels   ook de bestandsnamen van de foto's tonen\n"
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

void Render(const QString &projectName, const QString &outputName, bool labels)
{
    const QString projectPath = QFileInfo(projectName).absoluteFilePath();
    ProjectDocument doc;
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

    MapImageCache cache;
    const QString suffix = QFileInfo(outputName).suffix().toLower();
    if (IsWebOutput(outputName, suffix)) {
        const MapScene scene = MapDrawing::Build(doc, labels, cache, MapDrawing::MapFilePath(doc));
        const WebExportFolder::Target target = WebExportFolder::ForOutput(outputName);
        WebExport::Progress progress;
        const WebExport::Result result = WebExport::Run(doc, scene, target, progress);
        // The page is written; a photo that could not be read is shown as a
        // placeholder and named here.
        for (const QString &missing : result.missing)
            std::fprintf(stderr, "Foto ontbreekt: %s\n", missing.toLocal8Bit().constData());
        return;
    }

    MapMetafile metafile;
    metafile.SetScene(MapDrawing::Build(doc, labels, cache, MapDrawing::MapFilePath(doc)));

    MapImageFile::Save(metafile, outputName);
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
    QStringList names;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (const QString &arg : args) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == QLatin1String("--labels"))
            labels = true;
        else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            Fail(QStringLiteral("Onbekende optie \"%1\"; zie tolvek-render --help.").arg(arg));
        else
            names << arg;
    }
    if (names.size() != 2)
        Fail(QStringLiteral("Geef een projectbestand en een uitvoerbestand; zie tolvek-render --help."));

    try {
        Render(names[0], names[1], labels);
    } catch (const TolvekError &e) {
        Fail(e.message());
    } catch (const std::bad_alloc &) {
        Fail(QStringLiteral("Onvoldoende geheugen om de overzichtskaart te tekenen."));
    }
    return 0;
}
