#pragma once

#include "core/map/MapDecorations.h"

#include <QString>

class MapMetafile;
class ProjectHost;
class QMenu;
class QWidget;

// The map on paper and as a picture file: "Af&drukken...",
// "Afdruk&voorbeeld..." and "Exporteren als af&beelding...". Each takes the
// drawing of the last redraw, as the view shows it (labels included when
// they are on), and paints it with the same routine as every other output.
class MapOutputCommands
{
public:
    // The print dialog, then the map on one page, as large as fits; the
    // page starts in the orientation in which the map comes out largest.
    static void Print(ProjectHost &host, const MapMetafile &metafile, const MapDecorations::Marks &marks = {});

    // The same page in Qt's print preview, from which it can be printed.
    static void Preview(ProjectHost &host, const MapMetafile &metafile, const MapDecorations::Marks &marks = {});

    // Asks for a file name and writes a PNG, SVG or PDF file, as its
    // extension says; a name without one of these gets ".png" (or the
    // chosen type's extension). An existing file is replaced only after a
    // question. Marks: the north arrow and scale bar, when asked for.
    static void ExportImage(ProjectHost &host, const MapMetafile &metafile, const MapDecorations::Marks &marks = {});

    // Numbered markers on paper and in picture files: each triangle at
    // least this size (millimetres) with the photo's number beside it; 0
    // (the default) leaves the output as the screen shows the map.
    // Remembered between runs.
    static double MarkerMm();
    static void SetMarkerMm(double mm);
    // "Nummers bij de driehoe&ken": the choices above as a menu.
    static QMenu *MakeMarkerMenu(QWidget *parent);

    static QString ExportImageTitle() { return QStringLiteral("Kaart exporteren als afbeelding"); }
    static QString ExportImageFilter()
    {
        return QStringLiteral("PNG-afbeelding (*.png)|*.png|SVG-tekening (*.svg)|*.svg|PDF-document (*.pdf)|*.pdf");
    }
};
