#include "gui/info/ChmTextBrowser.h"

#include "core/platform/ChmArchive.h"
#include "core/platform/DocumentOpener.h"

namespace {
const QString Scheme = QStringLiteral("chm");
}

ChmTextBrowser::ChmTextBrowser(QWidget *parent) : QTextBrowser(parent)
{
    // Links are followed here, so that web addresses leave through the
    // program's one door to the browser.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &ChmTextBrowser::FollowLink);
}

QUrl ChmTextBrowser::UrlForTopic(const QString &objectPath)
{
    QString path = objectPath;
    QString fragment;
    const qsizetype hash = path.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        fragment = path.mid(hash + 1);
        path.truncate(hash);
    }
    QUrl url;
    url.setScheme(Scheme);
    url.setPath(path.startsWith(QLatin1Char('/')) ? path : QLatin1Char('/') + path);
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    return url;
}

QVariant ChmTextBrowser::loadResource(int type, const QUrl &name)
{
    QUrl url = name;
    if (url.isRelative())
        url = source().resolved(name);
    if (url.scheme() != Scheme || !m_archive)
        return QVariant();
    const std::optional<QByteArray> data = m_archive->Read(url.path());
    if (!data)
        return QVariant();
    if (type == QTextDocument::StyleSheetResource)
        return QString::fromUtf8(*data);
    return *data;
}

void ChmTextBrowser::FollowLink(const QUrl &link)
{
    const QUrl target = link.isRelative() ? source().resolved(link) : link;
    if (target.scheme() == Scheme) {
        if (target.path() == source().path() && target.hasFragment())
            scrollToAnchor(target.fragment());
        else
            setSource(target);
        return;
    }
    DocumentOpener::Open(target);
}
