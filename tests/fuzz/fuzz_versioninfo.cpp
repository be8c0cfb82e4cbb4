// The version-resource reader: ELF and PE files are read from disk as the
// program reads its own file; anything else is taken as a bare resource and
// queried directly, so that the tree walk gets inputs of its own.

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/info/TRvVersionInfo.h"
#include "core/platform/VersionInfoQuery.h"
#include "core/platform/VersionResourceFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <unistd.h>

namespace {

void queryResource(QByteArrayView resource)
{
    static const char16_t *const paths[] = {
        u"\\",
        u"\\VarFileInfo\\Translation",
        u"\\StringFileInfo\\041304E4\\ProductVersion",
        u"\\StringFileInfo\\041304e4\\FileDescription",
        u"\\StringFileInfo",
        u"\\StringFileInfo\\\\",
        u"",
        u"\\\\\\",
    };
    for (const char16_t *path : paths) {
        QByteArrayView value;
        bool isText = false;
        if (VersionInfoQuery::Query(resource, QStringView(path), value, &isText)) {
            // The value lies inside the resource.
            FUZZ_CHECK(value.isEmpty()
                       || (value.data() >= resource.data()
                           && value.data() + value.size() <= resource.data() + resource.size()));
            if (isText)
                VersionInfoQuery::TextOf(value);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (bytes.startsWith("\x7F"
                         "ELF")
        || bytes.startsWith("MZ")) {
        const QString name = FuzzSupport::WriteScratch(QStringLiteral(".exe"), bytes);
        const QByteArray resource = VersionResourceFile::Read(name);
        FUZZ_CHECK(resource.size() <= 0x10000);
        if (!resource.isEmpty())
            FUZZ_CHECK(VersionInfoQuery::ResourceLength(resource) == resource.size());
        TRvVersionInfo info;
        info.SetFileName(name);
        FUZZ_CHECK(info.HasInfo() == !resource.isEmpty());
        info.GetVersionNumber();
        for (int t = -1; t <= info.TranslationCount(); ++t) {
            info.SelectTranslation(t);
            info.TranslationKey();
            for (int i = -1; i <= TRvVersionInfo::StandardNameCount; ++i)
                info.StringValueByIndex(i);
            info.StringValue(QStringLiteral("ProductVersion"));
        }
        ::unlink(QFile::encodeName(name).constData());
        return 0;
    }
    const qsizetype length = VersionInfoQuery::ResourceLength(bytes);
    FUZZ_CHECK(length >= 0 && length <= bytes.size());
    queryResource(bytes);
    if (length > 0)
        queryResource(QByteArrayView(bytes).first(length));
    return 0;
}
