#pragma once

#include "core/map/MapScene.h"

#include <QByteArray>
#include <QColor>
#include <array>
#include <cstdint>

class KeyTable;
class MapImageCache;
class ProjectDocument;

// Works out what the map shows for the current project: the map bitmap, a
// triangle per photo pointing in its direction, the file-name labels when
// they are switched on, and the help text.
class MapDrawing
{
public:
    struct Corner
    {
        std::int64_t x = 0;
        std::int64_t y = 0;
        bool operator==(const Corner &) const = default;
    };

    // P1, P2 (the base through the position) and the apex, rounded half to
    // even, in 64 bits so that no project values can overflow.
    static std::array<Corner, 3> TriangleCorners(std::int32_t x, std::int32_t y, std::int32_t direction,
                                                 std::int32_t size);

    // The label and help-text font size in points: size * 1.3 rounded half to even.
    static std::int64_t FontPoints(std::int32_t size);

    // Points to pixels on the 96 dpi reference screen (as a Windows screen
    // font height), kept between 1 and MaxFontPixels.
    static int FontPixels(std::int64_t points, bool *clamped = nullptr);
    static constexpr int MaxFontPixels = 2048;

    // The font used for labels and the help text, at a pixel size.
    static QFont MapFont(int pixelSize);

    // A stored 0x00BBGGRR colour (or a Windows system colour) as a QColor.
    static QColor WindowsColour(std::int32_t colour);

    // The map file of doc as a path: a relative name against the project's
    // folder (the current folder for an untitled project); empty for none.
    static QString MapFilePath(const ProjectDocument &doc);

    // Why doc's map at mapPath gives no picture, as a sentence naming it:
    // none chosen, not found, or no file that can be read.
    static QString MapProblem(const ProjectDocument &doc, const QString &mapPath);

    // The scene for doc. mapPath is the map file already resolved (empty
    // for none). Throws TolvekError on an entry that is not a valid integer
    // and on a map that cannot be read; nothing is returned then. nameKeys,
    // when given, is a table (stopping at bad keys) of doc's NameList as it
    // is now, which spares making one.
    static MapScene Build(const ProjectDocument &doc, bool labels, MapImageCache &cache, const QString &mapPath,
                          const KeyTable *nameKeys = nullptr);

    // The same for a map of mapSize whose pixels are read elsewhere, in
    // bands (MapBandReader): scene.map stays null.
    static MapScene Build(const ProjectDocument &doc, bool labels, QSize mapSize, const KeyTable *nameKeys = nullptr);

    // Puts a photo's shape of scene at (x, y), pointing in direction, as
    // Build would have drawn it there; a label keeps its name. For showing
    // a photo where the mouse takes it before the project changes.
    static void PlacePhoto(MapPhotoShape &shape, const MapScene &scene, std::int32_t x, std::int32_t y,
                           std::int32_t direction);

    // Coordinates further than this from the origin are not handed to the
    // painters as they are: such a triangle is cut down to the map's
    // surroundings, such a label (necessarily off the map) left out.
    static constexpr std::int64_t CoordinateLimit = std::int64_t(1) << 22;

private:
    // Everything of the scene but the map: triangles, labels, help text.
    static void AddPhotos(MapScene &scene, const ProjectDocument &doc, bool labels, const KeyTable *nameKeys);
};
