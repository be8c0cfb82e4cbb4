#include "gui/map/MapOutputCommands.h"

#include "core/base/ProgramTexts.h"
#include "core/map/MapImageFile.h"
#include "core/map/MapMetafile.h"
#include "core/platform/AppSettings.h"
#include "core/project/ProjectSession.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

// Before the first redraw there is no drawing to put on paper or in a file.
bool nothingDrawn(const MapMetafile &metafile, const QString &what)
{
    if (!metafile.IsEmpty())
        return false;
    MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), QString(),
                                    QStringLiteral("Er is nog geen overzichtskaart getekend, dus er is niets om %1. "
                                                   "Open of begin eerst een project.")
                                        .arg(what));
    return true;
}

// Without its map the picture would be a single white pixel: said, before
// any dialog, instead.
bool mapMissing(const MapMetafile &metafile, const QString &what)
{
    if (!metafile.Scene().map.isNull())
        return false;
    MessageDialogs::ShowWarningMessage(ProgramTexts::AppTitle(), QStringLiteral("Overzichtskaart ontbreekt"),
                                       metafile.Scene().mapProblem
                                           + QStringLiteral(" Zonder overzichtskaart wordt de kaart niet %1.\n\n"
                                                            "Zoek de kaart met \"Ontbrekende foto's zoeken...\" of "
                                                            "kies er een met Gegevens > Overzichtskaart.")
                                                 .arg(what));
    return true;
}

void setUpPage(QPrinter &printer, const MapMetafile &metafile)
{
    printer.setDocName(QStringLiteral("Overzichtskaart"));
    printer.setCreator(ProgramTexts::AppTitle());
    printer.setPageOrientation(MapImageFile::BestOrientation(metafile.Size()));
}

// False, after saying so, when the printer could not be used.
bool paintPage(QPrinter &printer, const MapMetafile &metafile, const MapDecorations::Marks &marks)
{
    BusyCursor busy;
    QPainter painter;
    bool ok = painter.begin(&printer);
    if (ok) {
        const QRectF page(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
        MapImageFile::PaintFitted(painter, metafile.Scene(), page, MapOutputCommands::MarkerMm(), marks);
        ok = painter.end();
    }
    if (!ok) {
        const QString where = printer.outputFileName().isEmpty() ? printer.printerName()
                                                                 : QDir::toNativeSeparators(printer.outputFileName());
        MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(),
                                         QStringLiteral("Kan de overzichtskaart niet afdrukken op \"%1\".").arg(where));
    }
    return ok;
}

QString g_lastImageName;

} // namespace

void MapOutputCommands::Print(ProjectHost &host, const MapMetafile &metafile, const MapDecorations::Marks &marks)
{
    if (nothingDrawn(metafile, QStringLiteral("af te drukken")) || mapMissing(metafile, QStringLiteral("afgedrukt")))
        return;
    QPrinter printer(QPrinter::HighResolution);
    setUpPage(printer, metafile);
    if (UserInteraction::AskPrinter(printer, host.MainWindow()))
        paintPage(printer, metafile, marks);
}

void MapOutputCommands::Preview(ProjectHost &host, const MapMetafile &metafile, const MapDecorations::Marks &marks)
{
    if (nothingDrawn(metafile, QStringLiteral("af te drukken")) || mapMissing(metafile, QStringLiteral("afgedrukt")))
        return;
    QPrinter printer(QPrinter::HighResolution);
    setUpPage(printer, metafile);
    QPrintPreviewDialog preview(&printer, host.MainWindow());
    preview.setObjectName(QStringLiteral("Afdrukvoorbeeld"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&metafile, &marks](QPrinter *target) { paintPage(*target, metafile, marks); });
    UserInteraction::ExecModal(&preview);
}

void MapOutputCommands::ExportImage(ProjectHost &host, const MapMetafile &metafile, const MapDecorations::Marks &marks)
{
    const ProjectSession::EnterFolderAfterwards enterFolder(host.Session());

    if (nothingDrawn(metafile, QStringLiteral("te exporteren"))
        || mapMissing(metafile, QStringLiteral("als afbeelding geëxporteerd")))
        return;
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Save;
    request.parent = host.MainWindow();
    request.title = ExportImageTitle();
    request.filter = ExportImageFilter();
    request.initialName = g_lastImageName;
    request.suffixFromFilter = true;
    const std::optional<QString> chosen = UserInteraction::AskFile(request);
    if (!chosen)
        return;
    QString name = *chosen;
    const MapImageFile::Format format = MapImageFile::FormatOf(name);
    if (format != MapImageFile::Format::Png && format != MapImageFile::Format::Svg
        && format != MapImageFile::Format::Pdf)
        name += QStringLiteral(".png");
    if (QFileInfo::exists(name) && !MessageDialogs::ConfirmOverwrite(name))
        return;
    g_lastImageName = name;
    BusyCursor busy;
    MapImageFile::Save(metafile, name, MarkerMm(), marks);
}

double MapOutputCommands::MarkerMm()
{
    const double mm = AppSettings::Open()->value(QStringLiteral("Kaartuitvoer/NummerMm"), 0).toDouble();
    return mm > 0 && mm <= 50 ? mm : 0;
}

void MapOutputCommands::SetMarkerMm(double mm)
{
    AppSettings::Open()->setValue(QStringLiteral("Kaartuitvoer/NummerMm"), mm);
}

QMenu *MapOutputCommands::MakeMarkerMenu(QWidget *parent)
{
    auto *menu = new QMenu(QStringLiteral("Nummers bij de driehoe&ken"), parent);
    menu->setObjectName(QStringLiteral("NummersDriehoeken1"));
    auto *group = new QActionGroup(menu);
    const struct
    {
        const char *name;
        QString caption;
        double mm;
    } choices[] = {
        {"NummersGeen1", QStringLiteral("&Geen (zoals op het scherm)"), 0},
        {"NummersKlein1", QStringLiteral("&Klein: driehoeken van 3 mm"), 3},
        {"NummersMiddel1", QStringLiteral("&Middel: driehoeken van 5 mm"), 5},
        {"NummersGroot1", QStringLiteral("G&root: driehoeken van 8 mm"), 8},
    };
    for (const auto &choice : choices) {
        QAction *a = menu->addAction(choice.caption);
        a->setObjectName(QString::fromLatin1(choice.name));
        a->setCheckable(true);
        group->addAction(a);
        const double mm = choice.mm;
        QObject::connect(a, &QAction::triggered, menu, [mm] { SetMarkerMm(mm); });
    }
    // The menu shows the choice as it is stored, also one made elsewhere.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] {
        const double mm = MarkerMm();
        const QList<QAction *> actions = menu->actions();
        QAction *nearest = actions.value(0);
        for (QAction *a : actions)
            if (a->objectName()
                == QLatin1String(mm >= 8       ? "NummersGroot1"
                                     : mm >= 5 ? "NummersMiddel1"
                                     : mm > 0  ? "NummersKlein1"
                                               : "NummersGeen1"))
                nearest = a;
        if (nearest)
            nearest->setChecked(true);
    });
    return menu;
}
