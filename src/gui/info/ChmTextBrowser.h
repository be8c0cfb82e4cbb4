#pragma once

#include <QTextBrowser>

class ChmArchive;

// A text browser that takes its pages, style sheets and pictures from a
// compiled help file. Pages are addressed as "chm:/topic.html"; links to the
// web or to mail go to the platform's browser.
class ChmTextBrowser : public QTextBrowser
{
    Q_OBJECT
public:
    explicit ChmTextBrowser(QWidget *parent = nullptr);

    void SetArchive(const ChmArchive *archive) { m_archive = archive; }

    static QUrl UrlForTopic(const QString &objectPath);

    QVariant loadResource(int type, const QUrl &name) override;

private:
    void FollowLink(const QUrl &link);

    const ChmArchive *m_archive = nullptr;
};
