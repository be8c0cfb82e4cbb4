#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

struct chmFile;

// A compiled HTML help file (.chm), read with chmlib: its objects by path
// and its topics by context number.
class ChmArchive
{
public:
    ChmArchive();
    ~ChmArchive();
    ChmArchive(const ChmArchive &) = delete;
    ChmArchive &operator=(const ChmArchive &) = delete;

    bool Open(const QString &fileName);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
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

private:
    std::optional<QString> ExistingObjectFor(const QString &stored) const;

    chmFile *m_file = nullptr;
    QString m_fileName;
};
