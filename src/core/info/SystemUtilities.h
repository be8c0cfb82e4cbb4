#pragma once

#include <QString>
#include <cstdint>

// The system queries of the configuration report, as small stateless
// routines over the platform's answers (platform/SystemQueries).
namespace SystemUtilities {

// True when a test file could be created, closed, found and deleted. The file
// is created only when nothing of that name exists: an existing file is never
// touched, the test then uses a free name next to it ("$cdtmp1.tmp" for
// "$cdtmp.tmp", and so on). Lets pending events run after closing and after
// deleting the file. Never raises an error.
bool TestWriteFile(const QString &fullFileName);

// Kind 0: memory load in percent. Kinds 1 to 6: total and available physical
// memory, total and available page file (memory plus swap), total and
// available virtual memory of the process, each in units of 1,048,576 bytes,
// rounded. -1 for any other kind or when the figure cannot be obtained.
std::int64_t GetMemoryFigure(int kind);

// Kind 1: total size, 2: free space, 3: free space available to the caller,
// of the file system holding the path; bytes / 1024 / 1000, rounded to the
// nearest integer (halves to even). -1 for an empty path, a network path
// (nothing here answers for a share that is not mounted), another kind, or
// when the file system cannot be asked.
std::int64_t DiskSpaceMB(const QString &path, int kind);

// The conversion used by DiskSpaceMB.
std::int64_t BytesToDiskMB(std::uint64_t bytes);

// The conversion used by GetMemoryFigure: bytes / 1,048,576, rounded.
std::int64_t BytesToMemoryMB(std::uint64_t bytes);

// The identity of the file system holding the path as two groups of four
// upper-case hexadecimal digits ("1A2B-3C4D"); "n.a." when it cannot be read.
QString VolumeSerialText(const QString &path);

// The serial number formatted as VolumeSerialText shows it.
QString FormatVolumeSerial(std::uint32_t serial);

// The short name of the drive type (at most seven characters) of the mount
// that holds the path: "Unknown", "None", "Removab", "Fixed", "Network",
// "CD-ROM" or "RAM". An empty path and a network path ("\\server\share")
// have no root on this system and give "None".
QString DriveTypeName(const QString &path);

// The name of a drive type number 0..6; "Unknown" for any other.
QString DriveTypeNameOf(int type);

// The size of a file in bytes, -1 when it cannot be opened for reading.
// (Read access is enough: a running program's own file refuses writing.)
std::int64_t GetFileSizeBytes(const QString &path);

} // namespace SystemUtilities
