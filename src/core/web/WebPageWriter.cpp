#include "core/web/WebPageWriter.h"

#include "core/web/WebExportFolder.h"

#include <cstdio>

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
    p += "<nav id=\"lijst\" class=\"lijst\" aria-label=\"Foto's\"><p id=\"telling\" class=\"telling\"></p>"
         "<ul id=\"lijstitems\"></ul></nav>\n";
    p += "<div id=\"kaart\" class=\"kaart\" aria-label=\"Overzichtskaart\"></div>\n";
    p += "</main>\n";
    p += "<div id=\"fotovenster\" class=\"fotovenster\" role=\"dialog\" aria-modal=\"true\" "
         "aria-labelledby=\"fotonaam\" hidden>\n";
    p += "<div class=\"fotovlak\"><img id=\"fotogroot\" alt=\"\"></div>\n";
    p += "<aside class=\"fotogegevens\">\n<h2 id=\"fotonaam\"></h2>\n<p id=\"fototeller\" class=\"fototeller\"></p>\n"
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

QByteArray WebPageWriter::Data(const WebPageContent &c)
{
    QByteArray d;
    d.reserve(256 + c.photos.size() * 200);
    d += "// The photo map: written by Tolvek, read by tolvek.js.\nwindow.TolvekFotokaart = {\n";
    d += "\"map\": {\"width\": " + Number(c.mapSize.width()) + ", \"height\": " + Number(c.mapSize.height())
        + ", \"levels\": " + Number(c.tileLevels) + ", \"extension\": " + JsonString(c.tileExtension) + "},\n";
    d += "\"colour\": " + JsonString(c.triangleColour.name()) + ",\n";
    d += "\"fontPixels\": " + Number(c.fontPixels) + ",\n";
    d += "\"help\": " + JsonString(c.helpText) + ",\n";
    d += "\"photos\": [\n";
    for (qsizetype i = 0; i < c.photos.size(); ++i) {
        const WebPageContent::Photo &ph = c.photos[i];
        d += "{\"id\": " + JsonString(ph.id) + ", \"x\": " + Number(ph.position.x())
            + ", \"y\": " + Number(ph.position.y()) + ", \"corners\": [";
        for (qsizetype k = 0; k < ph.corners.size(); ++k) {
            if (k)
                d += ", ";
            d += "[" + Number(ph.corners[k].x()) + ", " + Number(ph.corners[k].y()) + "]";
        }
        d += "]";
        if (ph.hasLabel)
            d += ", \"label\": [" + Number(ph.labelOffset.x()) + ", " + Number(ph.labelOffset.y()) + "]";
        d += ", \"name\": " + JsonString(ph.name) + ", \"notes\": " + JsonString(ph.notes);
        if (!ph.photo.isEmpty())
            d += ", \"photo\": " + JsonString(ph.photo) + ", \"thumbnail\": " + JsonString(ph.thumbnail)
                + ", \"width\": " + Number(ph.size.width()) + ", \"height\": " + Number(ph.size.height());
        d += i + 1 < c.photos.size() ? "},\n" : "}\n";
    }
    d += "]\n};\n";
    return d;
}
