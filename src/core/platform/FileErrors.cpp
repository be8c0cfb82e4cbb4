#include "core/platform/FileErrors.h"

#include <cerrno>
#include <cstring>

QString FileErrors::Text(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("de schijf is vol");
    case EDQUOT:
        return QStringLiteral("de schijfruimte van de gebruiker is op");
    case EFBIG:
        return QStringLiteral("het bestand wordt te groot");
    case EACCES:
    case EPERM:
        return QStringLiteral("geen toestemming om hier te schrijven");
    case EROFS:
        return QStringLiteral("de schijf is alleen-lezen");
    case ENOENT:
        return QStringLiteral("de map bestaat niet");
    case ENOTDIR:
        return QStringLiteral("een deel van het pad is geen map");
    case EEXIST:
        return QStringLiteral("er staat al een bestand met die naam");
    case ENOTEMPTY:
        return QStringLiteral("de map is niet leeg");
    case EIO:
        return QStringLiteral("schrijffout op de schijf");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}
