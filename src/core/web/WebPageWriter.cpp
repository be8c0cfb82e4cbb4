#include "core/web/WebPageWriter.h"

#include "core/photos/PhotoTextFilter.h"
#include "core/web/WebExportFolder.h"

#include <QHash>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

QByteArray Html(const QString &text)
{
    return WebPageWriter::EscapeHtml(text).toUtf8();
}

QByteArray Number(qint64 n)
{
    return QByteArray::number(n);
}

} // namespace

QString WebPageWriter::EscapeHtml(const QString &text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&#39;");
            break;
        default:
            // Control characters have no place in a page's text.
            out += (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0)) ? QChar(' ') : c;
        }
    }
    return out;
}

QByteArray WebPageWriter::JsonString(const QString &text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (u < 0x20 || u == '<' || u == '>' || u == '&' || u == '\'' || u == 0x7F || (u >= 0x80 && u < 0xA0)
                || u == 0x2028 || u == 0x2029) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", unsigned(u));
                out += buffer;
            } else {
                out += QString(c).toUtf8();
            }
        }
    }
    out += '"';
    return out;
}

QByteArray WebPageWriter::ContentSecurityPolicy()
{
    // Leaflet cancels a tile it no longer needs by pointing it at a data:
    // picture, which fetches nothing.
    return QByteArrayLiteral("default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
                             "base-uri 'none'; form-action 'none'");
}

QByteArray WebPageWriter::Page(const WebPageContent &c)
{
    const QByteArray a = Html(c.assetsAddress);
    const QString title = !c.organisation.isEmpty() ? c.organisation
        : !c.description.isEmpty()                  ? c.description.constFirst()
                                                    : QStringLiteral("Fotokaart");
    QByteArray p;
    p += "<!DOCTYPE html>\n<html lang=\"nl\">\n<head>\n<meta charset=\"utf-8\">\n";
    p += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    p += "<meta http-equiv=\"Content-Security-Policy\" content=\"" + ContentSecurityPolicy() + "\">\n";
    p += "<meta name=\"referrer\" content=\"no-referrer\">\n";
    p += WebExportFolder::GeneratorMeta() + "\n";
    p += "<title>" + Html(title) + "</title>\n";
    p += "<link rel=\"icon\" href=\"" + a + "/pictogram.svg\" type=\"image/svg+xml\">\n";
    p += "<link rel=\"stylesheet\" href=\"" + a + "/leaflet/leaflet.css\">\n";
    p += "<link rel=\"stylesheet\" href=\"" + a + "/tolvek.css\">\n";
    p += "<script src=\"" + a + "/leaflet/leaflet.js\" defer></script>\n";
    p += "<script src=\"" + a + "/" + DataFileName().toUtf8() + "\" defer></script>\n";
    p += "<script src=\"" + a + "/tolvek.js\" defer></script>\n";
    p += "</head>\n<body>\n";
    p += "<header class=\"kop\">\n<div class=\"kop-tekst\">\n";
    p += "<h1>" + Html(c.organisation.isEmpty() ? QStringLiteral("Fotokaart") : c.organisation) + "</h1>\n";
    for (const QString &line : c.description)
        p += "<p>" + Html(line) + "</p>\n";
    p += "</div>\n<div class=\"kop-zoek\">\n";
    p += "<input type=\"search\" id=\"zoekveld\" placeholder=\"Zoek in namen en aantekeningen\" "
         "aria-label=\"Zoek in namen en aantekeningen\" autocomplete=\"off\">\n";
    p += "<button type=\"button\" id=\"lijstknop\" aria-controls=\"lijst\" aria-expanded=\"false\">Lijst</button>\n";
    p += "</div>\n</header>\n";
    p += "<main class=\"inhoud\">\n";
    // The order choice shows once the texts tell that some photo has a time.
    p += "<nav id=\"lijst\" class=\"lijst\" aria-label=\"Foto's\"><p id=\"volgordevak\" class=\"volgorde\" hidden>"
         "<label for=\"volgorde\">Volgorde</label> <select id=\"volgorde\"><option value=\"nummer\">Nummer</option>"
         "<option value=\"tijd\">Tijd van opname</option></select></p><p id=\"telling\" class=\"telling\" "
         "role=\"status\" aria-live=\"polite\"></p><ul id=\"lijstitems\"></ul></nav>\n";
    p += "<div id=\"kaart\" class=\"kaart\" aria-label=\"Overzichtskaart\"></div>\n";
    p += "<p id=\"kaartuitleg\" hidden>Pijltoetsen: naar de dichtstbijzijnde foto in die richting. Enter: de foto "
         "openen. Plus en min: in- en uitzoomen.</p>\n";
    p += "<p id=\"kaartmelding\" class=\"onzichtbaar\" aria-live=\"polite\"></p>\n";
    p += "</main>\n";
    p += "<div id=\"fotovenster\" class=\"fotovenster\" role=\"dialog\" aria-modal=\"true\" "
         "aria-labelledby=\"fotonaam\" hidden>\n";
    p += "<div class=\"fotovlak\"><img id=\"fotogroot\" alt=\"\"></div>\n";
    p +=
        "<aside class=\"fotogegevens\">\n<h2 id=\"fotonaam\"></h2>\n<p id=\"fototijd\" class=\"fototijd\" hidden></p>\n"
        "<p id=\"fototeller\" class=\"fototeller\"></p>\n"
        "<div id=\"fotoaantekeningen\" class=\"aantekeningen\"></div>\n</aside>\n";
    p += "<button type=\"button\" id=\"vorige\" class=\"knop vorige\" title=\"Vorige foto (pijl links)\" "
         "aria-label=\"Vorige foto\">&#8249;</button>\n";
    p += "<button type=\"button\" id=\"volgende\" class=\"knop volgende\" title=\"Volgende foto (pijl rechts)\" "
         "aria-label=\"Volgende foto\">&#8250;</button>\n";
    p += "<button type=\"button\" id=\"sluiten\" class=\"knop sluiten\" title=\"Sluiten (Esc)\" "
         "aria-label=\"Sluiten\">&#215;</button>\n";
    p += "</div>\n";
    p +=
        "<noscript><p class=\"zonderscript\">Deze pagina heeft JavaScript nodig om de kaart te tonen.</p></noscript>\n";
    p += "</body>\n</html>\n";
    return p;
}

qsizetype WebPageWriter::PartCount(const WebPageContent &c)
{
    return (c.photos.size() + PartSize - 1) / PartSize;
}

namespace {

// A part file: it adds its object to the page's parts under its own name.
QByteArray PartFile(const QString &name, const QByteArray &members)
{
    return "// A part of the photo map: written by Tolvek, read by tolvek.js.\n"
           "(window.TolvekDelen = window.TolvekDelen || {})["
        + WebPageWriter::JsonString(name) + "] = {\n" + members + "};\n";
}

QByteArray PartNames(const WebPageContent &c, QString (*name)(qsizetype))
{
    QByteArray names;
    for (qsizetype k = 0; k < WebPageWriter::PartCount(c); ++k)
        names += (k ? "," : "") + WebPageWriter::JsonString(name(k));
    return "[" + names + "]";
}

// Each distinct photo file once, numbered by its first photo; per photo
// its file's number, or -1 for none.
struct PhotoFileNumbers
{
    QList<int> of;
    QList<qsizetype> firstPhoto;
};

PhotoFileNumbers NumberFiles(const WebPageContent &c)
{
    PhotoFileNumbers numbers;
    numbers.of.reserve(c.photos.size());
    QHash<QString, int> fileOf;
    for (qsizetype i = 0; i < c.photos.size(); ++i) {
        const WebPageContent::Photo &ph = c.photos[i];
        int f = -1;
        if (!ph.photo.isEmpty()) {
            auto known = fileOf.constFind(ph.photo);
            if (known == fileOf.constEnd()) {
                known = fileOf.insert(ph.photo, int(numbers.firstPhoto.size()));
                numbers.firstPhoto << i;
            }
            f = *known;
        }
        numbers.of << f;
    }
    return numbers;
}

} // namespace

QByteArray WebPageWriter::Data(const WebPageContent &c)
{
    // What the page needs before the positions: it asks for the plan's
    // tiles at once, then for the parts.
    QByteArray d;
    d.reserve(4096);
    d += "// The photo map: written by Tolvek, read by tolvek.js.\nwindow.TolvekFotokaart = {\n";
    d += "\"map\": {\"width\": " + Number(c.mapSize.width()) + ", \"height\": " + Number(c.mapSize.height())
        + ", \"levels\": " + Number(c.tileLevels) + ", \"extension\": " + JsonString(c.tileExtension) + "},\n";
    d += "\"colour\": " + JsonString(c.triangleColour.name()) + ",\n";
    d += "\"fontPixels\": " + Number(c.fontPixels) + ",\n";
    d += "\"help\": " + JsonString(c.helpText) + ",\n";
    d += "\"texts\": " + JsonString(TextsFileName()) + ",\n";
    d += "\"fold\": [";
    bool first = true;
    for (const PhotoTextFilter::SpecialFold &f : PhotoTextFilter::SpecialFolds()) {
        d += (first ? "[" : ", [") + JsonString(QString::fromUcs4(&f.from, 1)) + ", "
            + JsonString(QString::fromUtf8(f.to)) + "]";
        first = false;
    }
    d += "],\n\"count\": " + Number(c.photos.size()) + ",\n";
    d += "\"positionParts\": " + PartNames(c, PositionPartName) + ",\n";
    d += "\"textParts\": " + PartNames(c, TextPartName) + "\n};\n";
    return d;
}

QList<QByteArray> WebPageWriter::PositionParts(const WebPageContent &c)
{
    QList<QByteArray> parts;
    for (qsizetype k = 0; k < PartCount(c); ++k) {
        const qsizetype from = k * PartSize, to = std::min(c.photos.size(), from + PartSize);
        QByteArray d;
        d.reserve(256 + (to - from) * 48);
        d += "\"from\": " + Number(from) + ",\n\"ids\": [";
        for (qsizetype i = from; i < to; ++i)
            d += (i > from ? "," : "") + JsonString(c.photos[i].id);
        // x, y, then the three corners relative to it; no corners: all zero.
        d += "],\n\"shapes\": [";
        for (qsizetype i = from; i < to; ++i) {
            const WebPageContent::Photo &ph = c.photos[i];
            d += (i > from ? "," : "") + Number(ph.position.x()) + ',' + Number(ph.position.y());
            for (int n = 0; n < 3; ++n) {
                const QPoint corner = ph.corners.size() == 3 ? ph.corners[n] : QPoint();
                d += ',' + Number(corner.x()) + ',' + Number(corner.y());
            }
        }
        // Photo number (of all photos), label offset and text for each photo with a label.
        d += "],\n\"labels\": [";
        bool first = true;
        for (qsizetype i = from; i < to; ++i) {
            const WebPageContent::Photo &ph = c.photos[i];
            if (!ph.hasLabel)
                continue;
            d += (first ? "" : ",") + Number(i) + ',' + Number(ph.labelOffset.x()) + ',' + Number(ph.labelOffset.y())
                + ',' + JsonString(ph.name);
            first = false;
        }
        d += "]\n";
        parts << PartFile(PositionPartName(k), d);
    }
    return parts;
}

QByteArray WebPageWriter::Texts(const WebPageContent &c)
{
    QByteArray d;
    d.reserve(256 + c.photos.size() * 8);
    d += "// The photo map's photos: written by Tolvek, read by tolvek.js.\nwindow.TolvekTeksten = {\n";
    const PhotoFileNumbers numbers = NumberFiles(c);
    QByteArray files;
    QByteArray thumbnails;
    QByteArray sizes;
    for (qsizetype n = 0; n < numbers.firstPhoto.size(); ++n) {
        const WebPageContent::Photo &ph = c.photos[numbers.firstPhoto[n]];
        files += (n ? "," : "") + JsonString(ph.photo);
        thumbnails += (n ? "," : "") + JsonString(ph.thumbnail);
        sizes += (n ? "," : "") + Number(ph.size.width()) + ',' + Number(ph.size.height());
    }
    d += "\"files\": [" + files + "],\n\"thumbnails\": [" + thumbnails + "],\n\"sizes\": [" + sizes + "]\n};\n";
    return d;
}

QList<QByteArray> WebPageWriter::TextParts(const WebPageContent &c)
{
    const PhotoFileNumbers numbers = NumberFiles(c);
    // All photos in time order, a piece in each part. Photos taken at one
    // moment, and those without a time, stay in list order.
    QList<int> byTime(c.photos.size());
    std::iota(byTime.begin(), byTime.end(), 0);
    std::stable_sort(byTime.begin(), byTime.end(), [&c](int a, int b) {
        const std::optional<qint64> &x = c.photos[a].timeKey;
        const std::optional<qint64> &y = c.photos[b].timeKey;
        return x && (!y || *x < *y);
    });
    // Places on Earth only for a georeferenced map: other pages keep their bytes.
    const bool places = std::any_of(c.photos.cbegin(), c.photos.cend(),
                                    [](const WebPageContent::Photo &ph) { return !ph.place.isEmpty(); });
    QList<QByteArray> parts;
    for (qsizetype k = 0; k < PartCount(c); ++k) {
        const qsizetype from = k * PartSize, to = std::min(c.photos.size(), from + PartSize);
        QByteArray d;
        d.reserve(256 + (to - from) * 160);
        d += "\"from\": " + Number(from) + ",\n\"photoFile\": [";
        for (qsizetype i = from; i < to; ++i)
            d += (i > from ? "," : "") + Number(numbers.of[i]);
        d += "],\n\"names\": [";
        for (qsizetype i = from; i < to; ++i)
            d += (i > from ? "," : "") + JsonString(c.photos[i].name);
        d += "],\n\"notes\": [";
        for (qsizetype i = from; i < to; ++i)
            d += (i > from ? ",\n" : "") + JsonString(c.photos[i].notes);
        d += "],\n\"times\": [";
        for (qsizetype i = from; i < to; ++i)
            d += (i > from ? "," : "") + JsonString(c.photos[i].time);
        d += "],\n\"timeOrder\": [";
        for (qsizetype i = from; i < to; ++i)
            d += (i > from ? "," : "") + Number(byTime[i]);
        if (places) {
            d += "],\n\"places\": [";
            for (qsizetype i = from; i < to; ++i)
                d += (i > from ? "," : "") + JsonString(c.photos[i].place);
        }
        // The search's text: name and notes folded as the program's photo
        // list folds them, photo after photo, each ending in a line break.
        d += "],\n\"search\": ";
        QString search;
        for (qsizetype i = from; i < to; ++i) {
            const WebPageContent::Photo &ph = c.photos[i];
            search += QString::fromStdString(PhotoTextFilter::Fold(ph.name + QLatin1Char('\n') + ph.notes));
            search += QLatin1Char('\n');
        }
        d += JsonString(search) + "\n";
        parts << PartFile(TextPartName(k), d);
    }
    return parts;
}
