#pragma once

// Overview maps in every format the program reads, written as other
// programs write them: Qt's writers for PNG, WebP and TIFF, ImageMagick for
// GIF and a TIFF of two pages, our JPEG writer with an EXIF orientation, and
// Qt's PDF writer for floor plans of a given page size.

#include "PhotoTestFiles.h"

#include <QColor>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace MapFormatFiles {

// Red top left, green top right, blue bottom left, yellow bottom right.
inline QImage Quadrants(int width, int height)
{
    return PhotoTestFiles::Quadrants(width, height);
}

// The colours at the quadrants' centres, as they are in Quadrants.
inline bool ShowsQuadrants(const QImage &image, int tolerance = 40)
{
    const int w = image.width();
    const int h = image.height();
    return PhotoTestFiles::Near(image.pixel(w / 4, h / 4), qRgb(255, 0, 0), tolerance)
        && PhotoTestFiles::Near(image.pixel(3 * w / 4, h / 4), qRgb(0, 255, 0), tolerance)
        && PhotoTestFiles::Near(image.pixel(w / 4, 3 * h / 4), qRgb(0, 0, 255), tolerance)
        && PhotoTestFiles::Near(image.pixel(3 * w / 4, 3 * h / 4), qRgb(255, 255, 0), tolerance);
}

inline bool Magick(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("convert"), arguments);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A PDF whose pages are widthPoints by heightPoints (1/72 inch): the first
// shows the quadrants, the others are black.
inline bool WritePdf(const QString &path, double widthPoints, double heightPoints, int pages = 1)
{
    QPdfWriter writer(path);
    writer.setPageSize(
        QPageSize(QSizeF(widthPoints, heightPoints), QPageSize::Point, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(72);
    QPainter p;
    if (!p.begin(&writer))
        return false;
    const double w2 = widthPoints / 2;
    const double h2 = heightPoints / 2;
    p.fillRect(QRectF(0, 0, w2, h2), QColor(255, 0, 0));
    p.fillRect(QRectF(w2, 0, w2, h2), QColor(0, 255, 0));
    p.fillRect(QRectF(0, h2, w2, h2), QColor(0, 0, 255));
    p.fillRect(QRectF(w2, h2, w2, h2), QColor(255, 255, 0));
    for (int i = 1; i < pages; ++i) {
        writer.newPage();
        p.fillRect(QRectF(0, 0, widthPoints, heightPoints), Qt::black);
    }
    return p.end();
}

} // namespace MapFormatFiles
