#pragma once

#include "core/map/MapScene.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;

// The drawing of the last map redraw, kept for the program's life. It holds
// the scene (the map bitmap is shared with the cache, not copied) and makes
// the enhanced-metafile bytes or a raster only when they are asked for:
// they contain the whole bitmap, which can be hundreds of megabytes.
class MapMetafile
{
public:
    // True until the first drawing: there is nothing to export or copy.
    bool IsEmpty() const { return m_empty; }

    void SetScene(MapScene scene);
    void Clear();
    const MapScene &Scene() const { return m_scene; }
    QSize Size() const { return m_empty ? QSize() : m_scene.size; }

    // Writes the enhanced metafile to out (nothing when empty). False when
    // writing failed.
    bool WriteEmf(QIODevice &out) const;

    // The enhanced-metafile file's bytes (empty when empty); throws
    // TolvekError when the drawing cannot be recorded.
    QByteArray EmfBytes() const;

    // Saves to fileName, replacing an existing file; an empty metafile gives
    // an empty file. Throws TolvekError naming the file when it cannot be written.
    void SaveToFile(const QString &fileName) const;

    // The picture as the map view shows it; a null image when empty.
    QImage RenderImage() const;

private:
    MapScene m_scene;
    bool m_empty = true;
};
