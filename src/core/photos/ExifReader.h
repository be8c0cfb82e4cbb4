#pragma once

#include "core/photos/CameraRecord.h"

#include <QByteArray>
#include <QString>

// Reads what the camera recorded (CameraRecord) from a photo file's EXIF,
// through libexiv2. Photo files come from anywhere: every tag is checked
// (type, count, range) and one that does not make sense is left out on its
// own; a file the library cannot read gives an empty record. Safe to call
// from several threads at once.
class ExifReader
{
public:
    static CameraRecord Read(const QString &path);
    // The same from a file's bytes in memory.
    static CameraRecord ReadBytes(const QByteArray &bytes);
};
