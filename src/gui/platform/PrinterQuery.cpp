#include "gui/platform/PrinterQuery.h"

#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>

namespace PrinterQuery {

std::optional<PrinterFacts> DefaultPrinter()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull() || info.printerName().isEmpty())
        return std::nullopt;
    QPrinter printer(info, QPrinter::HighResolution);
    PrinterFacts p;
    p.name = info.printerName();
    const int resolution = printer.resolution();
    const QPageLayout layout = printer.pageLayout();
    const QRect paper = layout.fullRectPixels(resolution);
    const QRect page = layout.paintRectPixels(resolution);
    p.paperWidthPixels = paper.width();
    p.paperHeightPixels = paper.height();
    p.pageWidthPixels = page.width();
    p.pageHeightPixels = page.height();
    p.resolutionX = printer.logicalDpiX();
    p.resolutionY = printer.logicalDpiY();
    p.maxColours = printer.colorCount();
    p.colourSelected = printer.colorMode() == QPrinter::Color;
    p.colourSupported = info.supportedColorModes().contains(QPrinter::Color);
    return p;
}

} // namespace PrinterQuery
