#pragma once

#include <QByteArray>
#include <QImage>

// JPEG files through libjpeg-turbo, from 32-bit pixels without a copy: the
// rows go to the library as they are (blue, green, red, unused).
class JpegEncoder
{
public:
    // The image (any format; RGB32 and ARGB32 are taken as they are) as a
    // baseline JPEG with 4:2:0 colour, no metadata. Throws TolvekError when
    // the library fails or memory runs out.
    static QByteArray Encode(const QImage &image, int quality);
};
