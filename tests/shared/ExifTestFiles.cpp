#include "ExifTestFiles.h"

#include "PhotoTestFiles.h"

#include <exiv2/exiv2.hpp>

namespace ExifTestFiles {

QByteArray WithExif(const QByteArray &picture, const Tags &tags)
{
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(picture.constData()), long(picture.size()));
        Exiv2::ExifData exif;
        for (const auto &tag : tags)
            exif[tag.first.toStdString()] = tag.second.toStdString();
        image->setExifData(exif);
        image->writeMetadata();
        Exiv2::BasicIo &io = image->io();
        io.seek(0, Exiv2::BasicIo::beg);
        const Exiv2::DataBuf data = io.read(long(io.size()));
        return QByteArray(reinterpret_cast<const char *>(data.pData_), qsizetype(data.size_));
    } catch (const std::exception &) {
        return QByteArray();
    }
}

QByteArray Jpeg(const Tags &tags)
{
    return WithExif(PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(64, 48)), tags);
}

} // namespace ExifTestFiles
