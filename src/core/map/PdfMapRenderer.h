#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The first page of a PDF floor plan as a map picture. Poppler reads the
// document in the helper process (see IsolatedCall): a damaged or hostile
// PDF may crash it, loop or ask for gigabytes, and the program must go on
// whatever it does.
class PdfMapRenderer
{
public:
    // The map's resolution: one map pixel is 1/150 inch, so an A4 page is
    // 1240 by 1754 pixels. Photo positions are map pixels, so this must never
    // change, or the triangles of existing projects would move.
    static constexpr double DotsPerInch = 150.0;

    // The first page at DotsPerInch, 32 bits a pixel on white. Throws
    // TolvekError with the reason in Dutch (without the file name): no PDF,
    // locked by a password, no pages, larger than maxPixels, or the reading
    // failed or took too long.
    static QImage Render(const QString &path, qint64 maxPixels);

    // The first page fitted within box, for the file dialog's preview; a null
    // image when the file cannot be shown.
    static QImage RenderFitted(const QString &path, QSize box);

    // The size in pixels of a page of the given size in points (1/72 inch)
    // at DotsPerInch, rounded as the renderer rounds.
    static QSize PixelSize(double widthPoints, double heightPoints);

    static constexpr int Milliseconds = 30000;

    // The helper's job that reads the document and renders the page.
    static constexpr const char *Job = "pdf";
    static bool RenderJob(const QByteArray &request, QByteArray &out);
};
