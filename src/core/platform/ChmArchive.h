#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

// A compiled HTML help file (.chm), read with chmlib: its objects by path
// and its topics by context number.
//
// chmlib crashes, loops and asks for gigabytes on damaged files, so it only
// ever runs in the helper process (IsolatedCall) that unpacks the whole file
// at Open; everything afterwards is answered from what it sent back.
class ChmArchive
{
public:
    ChmArchive();
    ~ChmArchive();
    ChmArchive(const ChmArchive &) = delete;
    ChmArchive &operator=(const ChmArchive &) = delete;

    // False for a file that is missing or damaged (also when chmlib fails
    // on it in any way, or takes longer than OpenMilliseconds).
    bool Open(const QString &fileName);
    void Close();
    const QString &FileName() const { return m_fileName; }

    // "/inhoud.html"; objects larger than the limit are refused.
    bool Contains(const QString &path) const;
    std::optional<QByteArray> Read(const QString &path) const;

    // The path of the topic mapped to the context number, as an object path
    // of this archive ("/foto_cdrom.html"); nothing when the number is not
    // mapped or its topic is missing. Compilers may store the topic with the
    // folder it was compiled in: leading folders that do not exist in the
    // archive are dropped.
    std::optional<QString> TopicForContext(std::uint32_t context) const;

    // The default topic: "/inhoud.html"-like first page from the system
    // data, else the first HTML page found.
    std::optional<QString> DefaultTopic() const;

    static constexpr std::int64_t MaxObjectSize = 64 * 1024 * 1024;
    // What the unpacked objects of one help file may take together.
    static constexpr std::int64_t MaxTotalSize = 256 * 1024 * 1024;
    static constexpr int OpenMilliseconds = 10000;

    // The helper's job: the file named by its native path, unpacked.
    static constexpr const char *Job = "chm";
    static bool UnpackJob(const QByteArray &native, QByteArray &out);

private:
    struct Object
    {
        QString path;
        int flags = 0;         // chmlib's unit flags
        bool readable = false; // false for objects over MaxObjectSize or unreadable
        QByteArray data;
    };

    std::optional<QString> ExistingObjectFor(const QString &stored) const;
    const Object *Find(const QString &path) const;

    bool m_open = false;
    QString m_fileName;
    QList<Object> m_objects;              // in chmlib's enumeration order
    QHash<QByteArray, qsizetype> m_index; // path in lower case -> object
};
