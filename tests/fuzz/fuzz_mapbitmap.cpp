// The overview-map loader: the input is the map file of a small project,
// loaded through the map cache and drawn as the map view draws it.

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/base/TolvekError.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapPainter.h"
#include "core/project/ProjectDocument.h"

#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString name = FuzzSupport::WriteScratch(QStringLiteral(".bmp"), bytes);

    ProjectDocument doc;
    doc.MapFileName = QFile::encodeName(name);
    doc.PositionList = {"00001=10,10,0", "00002=100,50,270", "00003=-5,2000,30"};
    doc.NameList = {"00001=a.jpg", "00002=b.jpg", "00003=c.jpg"};
    doc.NotesList = {"00001=x", "00002=y", "00003=z"};

    MapImageCache cache;
    MapScene scene;
    try {
        scene = MapDrawing::Build(doc, true, cache, name);
    } catch (const TolvekError &e) {
        // An unreadable map is reported to the user; nothing to draw.
        if (qEnvironmentVariableIsSet("TOLVEK_FUZZ_VERBOSE"))
            std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 0;
    }
    FUZZ_CHECK(!scene.map.isNull());
    FUZZ_CHECK(scene.size == scene.map.size());
    // The visible corner of the map, as the scroll box shows it.
    QImage screen(200, 150, QImage::Format_RGB32);
    screen.fill(Qt::gray);
    QPainter painter(&screen);
    MapPainter::Paint(painter, scene, QRect(0, 0, 200, 150));
    return 0;
}
