#pragma once

#include "core/report/ReportPainter.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <atomic>

class ReportLayout;
struct MapScene;

// Writes a laid-out report as a PDF: text as text in embedded fonts, photos
// as JPEG at the density the quality asks for, title and author in the
// document's data, PDF/A-1b. Photos are read and fitted on all cores a few
// pages ahead of the page being written, so that memory stays small; the
// file replaces an earlier one only once it is complete.
class ReportWriter
{
public:
    // Shared with the thread that shows the progress.
    struct Progress
    {
        std::atomic<int> done{0};
        std::atomic<int> total{0};
        std::atomic<bool> cancelled{false};
    };

    struct Result
    {
        bool cancelled = false; // nothing was written
        int pages = 0;
        QStringList missing; // "name: problem" for each placeholder
    };

    // Throws TolvekError naming the file when it cannot be written, and
    // when the scene has no map.
    static Result Write(const ReportLayout &layout, const MapScene &scene, const QString &fileName, Progress &progress);

    // The report's photo, fitted to box at ppi. Null (and *problem set)
    // when the file cannot be read.
    static QImage LoadPhoto(const QString &path, const QRectF &box, int ppi, QString *problem);

    // Throws TolvekError when the scene has no map to show.
    static void RequireMap(const MapScene &scene);
};
