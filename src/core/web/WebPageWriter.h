#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// What the exported page shows, in Unicode, ready to be written.
struct WebPageContent
{
    struct Photo
    {
        QString id;            // "foto-00012": the address of the photo
        QPoint position;       // map pixels
        QList<QPoint> corners; // the triangle as drawn, relative to position
        bool hasLabel = false;
        QPoint labelOffset; // the label's top left, relative to position
        QString name;       // as the project stores it
        QString notes;      // line breaks as "\n"
        QString photo;      // file below the assets folder; empty: placeholder
        QString thumbnail;
        QSize size;                    // of the written photo
        QString time;                  // when it was taken, as the program shows it; empty: not recorded
        std::optional<qint64> timeKey; // orders photos by when they were taken
        QString place;                 // "52.090740,5.121420" on a georeferenced map; empty: none
    };

    QString organisation;
    QStringList description; // the non-empty lines
    QString helpText;        // without the blanks the map adds
    int fontPixels = 11;     // labels and help text
    QColor triangleColour;
    QSize mapSize; // 0 by 0 without a map
    int tileLevels = 0;
    QString tileExtension;
    QString assetsAddress; // the page's files, relative to the page, percent-encoded
    QList<Photo> photos;
};

// Writes the page and its data file. Every text of the project goes into
// the page as text: HTML-escaped in the page, as JSON strings in the data
// file, which the page's script only ever puts into text nodes.
class WebPageWriter
{
public:
    static QByteArray Page(const WebPageContent &content);
    // What the page needs before any photo: the map, the colours, the
    // folding table, the number of photos and the names of the parts.
    static QByteArray Data(const WebPageContent &content);
    // The photos' positions and shapes, PartSize photos per part, loaded
    // first: a browser reads each in a short while, so the page keeps
    // answering while a hundred thousand arrive.
    static QList<QByteArray> PositionParts(const WebPageContent &content);
    // Each distinct photo file and its thumbnail, loaded after the positions.
    static QByteArray Texts(const WebPageContent &content);
    // Names, notes, times taken, photo files and the folded search text, in
    // parts as the positions; and a piece each of all photos in time order
    // (those without a time last).
    static QList<QByteArray> TextParts(const WebPageContent &content);

    static QString EscapeHtml(const QString &text);
    // A JSON string literal that is also safe anywhere in a script or page:
    // <, >, &, quotes, controls and the two line separators are escaped.
    static QByteArray JsonString(const QString &text);

    // Scripts only from the page's own folder, nothing remote at all.
    static QByteArray ContentSecurityPolicy();

    static QString DataFileName() { return QStringLiteral("gegevens.js"); }
    static QString TextsFileName() { return QStringLiteral("teksten.js"); }
    static constexpr int PartSize = 2000;
    static qsizetype PartCount(const WebPageContent &content);
    static QString PositionPartName(qsizetype part) { return QStringLiteral("posities-%1.js").arg(part + 1); }
    static QString TextPartName(qsizetype part) { return QStringLiteral("teksten-%1.js").arg(part + 1); }
};
