#pragma once

#include <QList>
#include <QString>

class MapImageCache;
class ProjectHost;
class QWidget;
class ReportLayout;
struct MapScene;

// "&Fotorapport...": refuses a project without a map, else opens the
// report dialog; writing the PDF runs beside a progress dialog that can be
// cancelled (a cancelled report leaves no file), and ends with a message
// that counts the photos that could not be read.
class PhotoReportCommand
{
public:
    // selected and filtered: the photo list's selection and the photos its
    // filter shows (empty: no filter). Throws TolvekError when the map
    // cannot be read.
    static void Run(ProjectHost &host, MapImageCache &cache, const QList<qsizetype> &selected,
                    const QList<qsizetype> &filtered);

    // Writes layout to fileName; false when it was cancelled or failed
    // (the user has been told).
    static bool Write(QWidget *parent, const ReportLayout &layout, const MapScene &scene, const QString &fileName);
};
