#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Photos with EXIF as cameras write it, made with exiv2: tags are exiv2's
// keys ("Exif.GPSInfo.GPSImgDirection") with values in its text form
// ("9050/100", "52/1 5/1 2634/100"), each stored in the tag's own type.
namespace ExifTestFiles {

using Tags = QList<QPair<QString, QString>>;

// The picture file's bytes with those tags as its EXIF; empty on failure.
QByteArray WithExif(const QByteArray &picture, const Tags &tags);

// A small JPEG (PhotoTestFiles::Quadrants) carrying tags.
QByteArray Jpeg(const Tags &tags);

} // namespace ExifTestFiles
