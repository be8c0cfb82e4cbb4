// make-icons: writes the program icon for the desktop, as the program draws
// it in its windows: <folder>/scalable/apps/<name>.svg and
// <folder>/<n>x<n>/apps/<name>.png for the hicolor theme's sizes.
// Usage: make-icons <folder> <name>

#include "gui/info/ProgramArt.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-icons <folder> <name>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);

    const QString svgFolder = root + QStringLiteral("/scalable/apps");
    QDir().mkpath(svgFolder);
    QFile svg(svgFolder + QLatin1Char('/') + name + QStringLiteral(".svg"));
    if (!svg.open(QIODevice::WriteOnly) || svg.write(ProgramArt::ProgramIconSvg()) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = root + QStringLiteral("/%1x%1/apps").arg(size);
        QDir().mkpath(folder);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!ProgramArt::ProgramIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
