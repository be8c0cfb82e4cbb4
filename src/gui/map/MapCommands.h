#pragma once

#include "core/map/MapCalibration.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapMetafile.h"
#include "core/project/PhotoIndex.h"

#include <QPointer>
#include <QString>
#include <functional>

class MapView;
class ProjectHost;
class QAction;

// The map commands of the main window: redrawing the map (DrawMap), the
// export to an enhanced-metafile file, the copy to the clipboard and the
// file-name label switch. The main window owns one for the program's life
// and calls it from its handlers; it owns the map's metafile and cache.
class MapCommands
{
public:
    MapCommands(ProjectHost &host, MapView *view);

    // The menu item whose check mark shows the label switch (Fotonummerstonen1).
    void SetLabelItem(QAction *item);
    bool LabelsShown() const { return m_labels; }

    // Redraws the map from the current project into the metafile and the
    // view. An error (TolvekError) leaves both as they were.
    void DrawMap();

    // "&Exporteren...": asks for a file name and writes the metafile there,
    // with ".emf" appended.
    void Export();

    // "Kaart &kopiëren": the drawing to the clipboard as EMF and PNG.
    void Copy();

    // "&Bestandsnamen foto's tonen": inverts the switch and redraws.
    void ToggleLabels();

    // North and scale of the map now shown, from its sidecar file, read
    // when another map (or a changed sidecar) is drawn. A sidecar that
    // cannot be used is reported once in the status line and ignored.
    const MapCalibration &Calibration() const { return m_calibration; }
    // The resolved file of the map now shown (empty without one).
    QString MapPath() const { return m_calibrationFor; }
    // The map's size in pixels as drawn (1 by 1 without a map).
    QSize MapSize() const;
    // Keeps calibration for the map now shown and writes its sidecar;
    // false with reason when the file could not be written (the new
    // calibration still holds for this run).
    bool SetCalibration(const MapCalibration &calibration, QString *reason);
    // Called whenever the calibration held changes.
    void SetCalibrationListener(std::function<void()> listener) { m_calibrationListener = std::move(listener); }

    const MapMetafile &Metafile() const { return m_metafile; }
    MapImageCache &Cache() { return m_cache; }
    const PhotoIndex &ClickIndex() const { return m_clickIndex; }

    // Texts of the commands.
    static QString ExportTitle() { return QStringLiteral("Overzichtskaart exporteren"); }
    static QString ExportFilter() { return QStringLiteral("Enhanced Metafile (*.emf)|*.emf"); }
    static QString NothingToCopyText();

private:
    ProjectHost &m_host;
    QPointer<MapView> m_view;
    QPointer<QAction> m_labelItem;
    bool m_labels = false;
    MapMetafile m_metafile;
    MapImageCache m_cache;
    PhotoIndex m_clickIndex;
    MapCalibration m_calibration;
    QString m_calibrationFor;   // the map path it was read for
    QString m_calibrationStamp; // of its sidecar then: read again when it changes
    std::function<void()> m_calibrationListener;
    // Reads the calibration of mapPath when it is not the one held; the
    // problem of a sidecar that cannot be used, once.
    QString LoadCalibration(const QString &mapPath);
    QString m_lastExportName;
};
