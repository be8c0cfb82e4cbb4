#include "core/photos/ExifReader.h"

#include "core/photos/JpegSegments.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
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
    QString text;
    // The library's own text goes through a string stream; an ASCII value
    // is read in place, up to its first NUL as the library would.
    const auto *ascii =
        datum->typeId() == Exiv2::asciiString ? dynamic_cast<const Exiv2::AsciiValue *>(&datum->value()) : nullptr;
    if (ascii) {
        const std::string &raw = ascii->value_;
        text = QString::fromUtf8(raw.data(), qsizetype(std::min(raw.find('\0'), raw.size())));
    } else {
        text = QString::fromStdString(datum->toString());
    }
    // A text tag holds one line; anything else is taken out.
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    return text.simplified().left(120);
}

// The count ASCII digits of text from position from, as a number; -1 when
// there are fewer or any is something else.
int Digits(const QString &text, qsizetype from, qsizetype count)
{
    if (from < 0 || from + count > text.size())
        return -1;
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + int(c - u'0');
    }
    return value;
}

bool AllDigits(const QString &text)
{
    return !text.isEmpty() && Digits(text, 0, text.size()) >= 0;
}

void ReadTime(const Found &exif, CameraRecord &record)
{
    // "YYYY:MM:DD HH:MM:SS" (or a T between date and time), perhaps with
    // more after it; blanks or anything else mean no time.
    const QString stamp = Text(exif[DateTimeOriginal]);
    const auto at = [&stamp](qsizetype i, char16_t c) { return i < stamp.size() && stamp[i].unicode() == c; };
    if (!at(4, u':') || !at(7, u':') || !(at(10, u' ') || at(10, u'T')) || !at(13, u':') || !at(16, u':'))
        return;
    const int year = Digits(stamp, 0, 4), month = Digits(stamp, 5, 2), day = Digits(stamp, 8, 2);
    const int hour = Digits(stamp, 11, 2), minute = Digits(stamp, 14, 2), second = Digits(stamp, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return;
    const QDate date(year, month, day);
    // A leap second (60) is shown as the last second of its minute.
    QTime time(hour, minute, std::min(59, second));
    if (!date.isValid() || !time.isValid() || date.year() < 1800)
        return;
    const QString fraction = Text(exif[SubSecTimeOriginal]);
    if (AllDigits(fraction))
        time = time.addMSecs(Digits(fraction + QStringLiteral("00"), 0, 3));
    record.date = date;
    record.time = time;

    // "+HH:MM" (also without the colon); up to 14 hours either way.
    const QString offset = Text(exif[OffsetTimeOriginal]);
    const bool colon = offset.size() == 6 && offset[3] == QLatin1Char(':');
    if ((offset.size() == 5 || colon) && (offset[0] == QLatin1Char('+') || offset[0] == QLatin1Char('-'))) {
        const int hours = Digits(offset, 1, 2), minutesPart = Digits(offset, colon ? 4 : 3, 2);
        const int minutes = hours * 60 + minutesPart;
        if (hours >= 0 && minutesPart >= 0 && minutesPart < 60 && minutes <= 14 * 60)
            record.utcOffsetMinutes = offset[0] == QLatin1Char('-') ? -minutes : minutes;
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

CameraRecord FromExif(const Exiv2::ExifData &data)
{
    CameraRecord record;
    if (data.empty())
        return record;
    const Found exif = FindAll(data);
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

CameraRecord FromImage(Exiv2::Image &image)
{
    image.readMetadata();
    return FromExif(image.exifData());
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
        // A JPEG's EXIF segment is decoded on its own, as the library's
        // JPEG reader would find and decode it, without its walk through
        // the file and the image object around it.
        if (const std::optional<QByteArrayView> payload = JpegSegments::ExifPayload(bytes)) {
            Exiv2::ExifData exif;
            if (!payload->isEmpty()) {
                const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(
                    exif, reinterpret_cast<const Exiv2::byte *>(payload->data()), std::uint32_t(payload->size()));
                if (order == Exiv2::invalidByteOrder)
                    return CameraRecord();
            }
            return FromExif(exif);
        }
        Exiv2::Image::AutoPtr image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(bytes.constData()), long(bytes.size()));
        if (image.get())
            return FromImage(*image);
    } catch (const std::exception &) {
    }
    return CameraRecord();
}
