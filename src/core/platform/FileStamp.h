#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// What a file on disk was like at one moment, enough to tell later whether
// somebody else has changed it since: its identity, size and times, and a
// digest of its bytes. Size and times alone settle it on a local disk; a
// network file system may keep them while the bytes change (or round the
// times), so there the bytes decide. When the times differ but the bytes
// are the same (a file touched, or copied back unchanged), it counts as
// unchanged.
class FileStamp
{
public:
    FileStamp() = default;

    // The file as it is now; an empty stamp when it cannot be read.
    static FileStamp Of(const QString &fileName);
    // A stamp known only by size and digest (kept from an earlier run):
    // comparing with it always reads the file.
    static FileStamp FromDigest(std::int64_t size, const QByteArray &digest);

    bool IsEmpty() const { return m_digest.isEmpty(); }
    std::int64_t Size() const { return m_size; }
    QByteArray Digest() const { return m_digest; }

    enum class Comparison { Same, Changed, Missing };
    // How the file is now against this stamp. When now is given it gets
    // the file's present stamp whenever one was taken (and stays as it was
    // when the quick check settled it).
    Comparison Compare(const QString &fileName, FileStamp *now = nullptr) const;

    // True for NFS, SMB and similar file systems, and FUSE mounts.
    static bool OnNetworkFileSystem(const QString &fileName);

private:
    bool m_metaKnown = false;
    std::uint64_t m_device = 0;
    std::uint64_t m_inode = 0;
    std::int64_t m_size = 0;
    std::int64_t m_modified = 0; // nanoseconds
    std::int64_t m_changed = 0;  // nanoseconds
    QByteArray m_digest;
};
