#include "core/photos/ExifReader.h"

#include <QRegularExpression>

#include <exiv2/exiv2.hpp>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>

namespace {

// The library's global state is set up once, before any thread reads:
// its XMP parser is not safe to initialise from two threads, and its
// warnings about odd files would only clutter the program's error output.
void InitialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
#ifdef EXV_ENABLE_BMFF
        Exiv2::enableBMFF(true);
#endif
    });
}

// The tags read. Each is found in one pass over what the library decoded:
// looking one up by its key would build the key text of every tag before
// it, for each look-up, which at a camera's hundreds of tags was most of
// the reading.
enum Tag {
    DateTimeOriginal,
    SubSecTimeOriginal,
    OffsetTimeOriginal,
    ImgDirection,
    ImgDirectionRef,
    Latitude,
    LatitudeRef,
    Longitude,
    LongitudeRef,
    PositioningError,
    Make,
    Model,
    TagCount
};

constexpr const char *TagKeys[TagCount] = {
    "Exif.Photo.DateTimeOriginal",
    "Exif.Photo.SubSecTimeOriginal",
    "Exif.Photo.OffsetTimeOriginal",
    "Exif.GPSInfo.GPSImgDirection",
    "Exif.GPSInfo.GPSImgDirectionRef",
    "Exif.GPSInfo.GPSLatitude",
    "Exif.GPSInfo.GPSLatitudeRef",
    "Exif.GPSInfo.GPSLongitude",
    "Exif.GPSInfo.GPSLongitudeRef",
    "Exif.GPSInfo.GPSHPositioningError",
    "Exif.Image.Make",
    "Exif.Image.Model",
};

// The first datum of each tag, as a look-up by key would find it; nothing
// for a tag that is missing or empty.
using Found = std::array<const Exiv2::Exifdatum *, TagCount>;

Found FindAll(const Exiv2::ExifData &exif)
{
    struct Id
    {
        int ifd;
        std::uint16_t tag;
    };
    // The library's own numbers for the keys, asked once.
    static const std::array<Id, TagCount> ids = [] {
        std::array<Id, TagCount> made{};
        for (int t = 0; t < TagCount; ++t) {
            const Exiv2::ExifKey key(TagKeys[t]);
            made[std::size_t(t)] = {key.ifdId(), key.tag()};
        }
        return made;
    }();
    Found found{};
    std::array<bool, TagCount> seen{};
    for (const Exiv2::Exifdatum &datum : exif) {
        const std::uint16_t tag = datum.tag();
        for (std::size_t t = 0; t < ids.size(); ++t) {
            if (ids[t].tag != tag || seen[t] || ids[t].ifd != datum.ifdId())
                continue;
            seen[t] = true;
            found[t] = datum.count() == 0 ? nullptr : &datum;
            break;
        }
    }
    return found;
}

// The n-th number of a rational tag; nothing for a zero denominator (the
// standard's way of saying "unknown") or another type.
std::optional<double> NumberAt(const Exiv2::Exifdatum &datum, long n)
{
    if (n >= long(datum.count()))
        return std::nullopt;
    double number = 0;
    switch (datum.typeId()) {
    case Exiv2::unsignedRational: {
        const Exiv2::URational r = static_cast<const Exiv2::URationalValue &>(datum.value()).value_.at(n);
        if (r.second == 0)
            return std::nullopt;
        number = double(r.first) / double(r.second);
        break;
    }
    case Exiv2::signedRational: {
        const Exiv2::Rational r = static_cast<const Exiv2::RationalValue &>(datum.value()).value_.at(n);
        if (r.second == 0)
            return std::nullopt;
        number = double(r.first) / double(r.second);
        break;
    }
    case Exiv2::unsignedByte:
    case Exiv2::unsignedShort:
    case Exiv2::unsignedLong:
    case Exiv2::signedShort:
    case Exiv2::signedLong:
        number = double(datum.toLong(n));
        break;
    default:
        return std::nullopt;
    }
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

// An ASCII tag's text without the padding cameras leave around it.
QString Text(const Exiv2::Exifdatum *datum)
{
    if (!datum)
        return QString();
    QString text = QString::fromStdString(datum->toString());
    // A text tag holds one line; anything else is taken out.
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return text.simplified().left(120);
}

void ReadTime(const Found &exif, CameraRecord &record)
{
    // "YYYY:MM:DD HH:MM:SS"; blanks or anything else mean no time.
    static const QRegularExpression stamp(QStringLiteral("^(\\d{4}):(\\d\\d):(\\d\\d)[ T](\\d\\d):(\\d\\d):(\\d\\d)"));
    const QRegularExpressionMatch m = stamp.match(Text(exif[DateTimeOriginal]));
    if (!m.hasMatch())
        return;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    // A leap second (60) is shown as the last second of its minute.
    QTime time(m.captured(4).toInt(), m.captured(5).toInt(), std::min(59, m.captured(6).toInt()));
    if (!date.isValid() || !time.isValid() || date.year() < 1800)
        return;
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    const QString fraction = Text(exif[SubSecTimeOriginal]);
    if (digits.match(fraction).hasMatch())
        time = time.addMSecs((fraction + QStringLiteral("00")).left(3).toInt());
    record.date = date;
    record.time = time;

    // "+HH:MM" (also without the colon); up to 14 hours either way.
    static const QRegularExpression offset(QStringLiteral("^([+-])(\\d\\d):?(\\d\\d)$"));
    const QRegularExpressionMatch o = offset.match(Text(exif[OffsetTimeOriginal]));
    if (o.hasMatch()) {
        const int minutes = o.captured(2).toInt() * 60 + o.captured(3).toInt();
        if (o.captured(3).toInt() < 60 && minutes <= 14 * 60)
            record.utcOffsetMinutes = o.captured(1) == QLatin1String("-") ? -minutes : minutes;
    }
}

void ReadDirection(const Found &exif, CameraRecord &record)
{
    const Exiv2::Exifdatum *datum = exif[ImgDirection];
    if (!datum)
        return;
    const std::optional<double> degrees = NumberAt(*datum, 0);
    if (!degrees || *degrees < 0 || *degrees > 360)
        return;
    // Without a reference the standard's default holds: true north.
    const QString ref = Text(exif[ImgDirectionRef]).toUpper();
    if (ref == QLatin1String("M"))
        record.directionRef = 'M';
    else if (ref.isEmpty() || ref == QLatin1String("T"))
        record.directionRef = 'T';
    else
        return; // a reference nobody knows: the direction cannot be trusted
    record.direction = *degrees == 360 ? 0.0 : *degrees;
}

std::optional<double> Coordinate(const Exiv2::Exifdatum *datum, const Exiv2::Exifdatum *refDatum, char negative,
                                 char positive, double limit)
{
    const QString ref = Text(refDatum).toUpper();
    if (!datum || ref.size() != 1 || (ref[0] != QLatin1Char(negative) && ref[0] != QLatin1Char(positive)))
        return std::nullopt;
    const std::optional<double> d = NumberAt(*datum, 0);
    if (!d)
        return std::nullopt;
    // Minutes and seconds may be missing; a zero denominator there is zero.
    const double m = NumberAt(*datum, 1).value_or(0);
    const double s = NumberAt(*datum, 2).value_or(0);
    if (*d < 0 || m < 0 || m >= 60 || s < 0 || s >= 60)
        return std::nullopt;
    const double value = *d + m / 60 + s / 3600;
    if (value > limit)
        return std::nullopt;
    return ref[0] == QLatin1Char(negative) ? -value : value;
}

void ReadPosition(const Found &exif, CameraRecord &record)
{
    const auto lat = Coordinate(exif[Latitude], exif[LatitudeRef], 'S', 'N', 90);
    const auto lon = Coordinate(exif[Longitude], exif[LongitudeRef], 'W', 'E', 180);
    if (!lat || !lon)
        return;
    record.latitude = lat;
    record.longitude = lon;
    if (const Exiv2::Exifdatum *error = exif[PositioningError]) {
        const std::optional<double> metres = NumberAt(*error, 0);
        if (metres && *metres >= 0 && *metres < 1e7)
            record.accuracy = metres;
    }
}

CameraRecord FromImage(Exiv2::Image &image)
{
    CameraRecord record;
    image.readMetadata();
    if (image.exifData().empty())
        return record;
    const Found exif = FindAll(image.exifData());
    // Each part on its own: one odd tag does not cost the others.
    const auto part = [&](void (*read)(const Found &, CameraRecord &)) {
        try {
            read(exif, record);
        } catch (const std::exception &) {
        }
    };
    part(ReadTime);
    part(ReadDirection);
    part(ReadPosition);
    part([](const Found &e, CameraRecord &r) {
        r.make = Text(e[Make]);
        r.model = Text(e[Model]);
    });
    return record;
}

} // namespace

CameraRecord ExifReader::Read(const QString &path)
{
    InitialiseOnce();
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(std::string(path.toLocal8Bit().constData()));
        if (image.get())
            return FromImage(*image);
    } catch (const std::exception &) {
    }
    return CameraRecord();
}

CameraRecord ExifReader::ReadBytes(const QByteArray &bytes)
{
    InitialiseOnce();
    if (bytes.isEmpty())
        return CameraRecord();
    try {
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()), long(bytes.size()));
        if (image.get())
            return FromImage(*image);
    } catch (const std::exception &) {
    }
    return CameraRecord();
}
