#include "core/info/SystemUtilities.h"

#include "core/base/TextRoutines.h"
#include "core/platform/SystemQueries.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace SystemUtilities {

namespace {

void LetEventsRun()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// "$cdtmp.tmp", "$cdtmp1.tmp", "$cdtmp2.tmp", ...
QString CandidateName(const QString &fullFileName, int attempt)
{
    if (attempt == 0)
        return fullFileName;
    const QFileInfo info(fullFileName);
    const QString suffix = info.suffix();
    QString name = info.completeBaseName() + QString::number(attempt);
    if (!suffix.isEmpty())
        name += QLatin1Char('.') + suffix;
    const QString folder = fullFileName.left(fullFileName.size() - info.fileName().size());
    return folder + name;
}

std::int64_t RoundHalfEven(double value)
{
    return static_cast<std::int64_t>(std::nearbyint(value));
}

} // namespace

bool TestWriteFile(const QString &fullFileName)
{
    if (fullFileName.isEmpty())
        return false;
    constexpr int MaxAttempts = 100;
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        const QString name = CandidateName(fullFileName, attempt);
        switch (SystemQueries::CreateNewFile(name)) {
        case SystemQueries::CreateResult::AlreadyExists:
            continue; // someone else's file: leave it alone, try another name
        case SystemQueries::CreateResult::Failed:
            return false;
        case SystemQueries::CreateResult::Created:
            break;
        }
        LetEventsRun();
        if (!QFileInfo::exists(name))
            return false;
        const bool removed = QFile::remove(name);
        LetEventsRun();
        return removed;
    }
    return false;
}

std::int64_t BytesToMemoryMB(std::uint64_t bytes)
{
    return RoundHalfEven(double(bytes) / 1048576.0);
}

std::int64_t BytesToDiskMB(std::uint64_t bytes)
{
    return RoundHalfEven(double(bytes) / 1024.0 / 1000.0);
}

std::int64_t GetMemoryFigure(int kind)
{
    if (kind < 0 || kind > 6)
        return -1;
    const std::optional<SystemQueries::MemoryStatus> m = SystemQueries::Memory();
    if (!m)
        return -1;
    switch (kind) {
    case 0:
        return m->memoryLoadPercent;
    case 1:
        return BytesToMemoryMB(m->totalPhysical);
    case 2:
        return BytesToMemoryMB(m->availablePhysical);
    case 3:
        return BytesToMemoryMB(m->totalPageFile);
    case 4:
        return BytesToMemoryMB(m->availablePageFile);
    case 5:
        return BytesToMemoryMB(m->totalVirtual);
    default:
        return BytesToMemoryMB(m->availableVirtual);
    }
}

std::int64_t DiskSpaceMB(const QString &path, int kind)
{
    if (path.isEmpty() || TextRoutines::IsNetworkPath(path) || kind < 1 || kind > 3)
        return -1;
    const std::optional<SystemQueries::DiskSpace> space = SystemQueries::DiskSpaceOf(path);
    if (!space)
        return -1;
    switch (kind) {
    case 1:
        return BytesToDiskMB(space->totalBytes);
    case 2:
        return BytesToDiskMB(space->freeBytes);
    default:
        return BytesToDiskMB(space->availableToCallerBytes);
    }
}

QString FormatVolumeSerial(std::uint32_t serial)
{
    return QStringLiteral("%1-%2")
        .arg(serial >> 16, 4, 16, QLatin1Char('0'))
        .arg(serial & 0xFFFFu, 4, 16, QLatin1Char('0'))
        .toUpper();
}

QString VolumeSerialText(const QString &path)
{
    const std::optional<std::uint32_t> id = SystemQueries::FileSystemId(path);
    if (!id)
        return QStringLiteral("n.a.");
    return FormatVolumeSerial(*id);
}

QString DriveTypeNameOf(int type)
{
    switch (type) {
    case SystemQueries::DriveNone:
        return QStringLiteral("None");
    case SystemQueries::DriveRemovable:
        return QStringLiteral("Removab");
    case SystemQueries::DriveFixed:
        return QStringLiteral("Fixed");
    case SystemQueries::DriveNetwork:
        return QStringLiteral("Network");
    case SystemQueries::DriveCdRom:
        return QStringLiteral("CD-ROM");
    case SystemQueries::DriveRam:
        return QStringLiteral("RAM");
    default:
        return QStringLiteral("Unknown");
    }
}

QString DriveTypeName(const QString &path)
{
    if (path.isEmpty() || TextRoutines::IsNetworkPath(path))
        return DriveTypeNameOf(SystemQueries::DriveNone);
    return DriveTypeNameOf(SystemQueries::DriveTypeOf(path));
}

std::int64_t GetFileSizeBytes(const QString &path)
{
    if (path.isEmpty())
        return -1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.size();
}

} // namespace SystemUtilities
