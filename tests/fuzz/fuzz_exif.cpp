// The EXIF reader (exiv2 underneath) on a photo file's bytes: whatever it
// keeps must be in range, and reading from a file must agree.

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/photos/ExifReader.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const CameraRecord record = ExifReader::ReadBytes(bytes);
    if (record.direction)
        FUZZ_CHECK(*record.direction >= 0 && *record.direction < 360);
    FUZZ_CHECK(record.directionRef == 'T' || record.directionRef == 'M');
    if (record.latitude)
        FUZZ_CHECK(std::abs(*record.latitude) <= 90 && record.longitude && std::abs(*record.longitude) <= 180);
    if (record.accuracy)
        FUZZ_CHECK(*record.accuracy >= 0);
    if (record.utcOffsetMinutes)
        FUZZ_CHECK(record.HasTime() && std::abs(*record.utcOffsetMinutes) <= 14 * 60);
    if (record.HasTime()) {
        FUZZ_CHECK(!record.TimeText().isEmpty());
        (void)record.SortKey();
    }
    FUZZ_CHECK(record.make.size() <= 120 && record.model.size() <= 120);

    const QString name = FuzzSupport::WriteScratch(QStringLiteral(".jpg"), bytes);
    FUZZ_CHECK(ExifReader::Read(name) == record);
    return 0;
}
