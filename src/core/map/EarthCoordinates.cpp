#include "core/map/EarthCoordinates.h"

#include <QRegularExpression>

#include <cmath>

namespace EarthCoordinates {

namespace {

std::optional<double> Number(QString text)
{
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

std::optional<EarthProjection::LonLat> Refuse(QString *problem, const QString &why)
{
    if (problem)
        *problem = why;
    return std::nullopt;
}

std::optional<EarthProjection::LonLat> ParseDegrees(const QString &text, QString *problem)
{
    // One angle: sign, degrees, optionally minutes and seconds, optionally
    // the side of the Earth.
    static const QRegularExpression angle(
        QStringLiteral("([-+−]?)(\\d{1,3}(?:[.,]\\d+)?)\\s*[°º]?\\s*(?:(\\d{1,2}(?:[.,]\\d+)?)\\s*['′’])?\\s*"
                       "(?:(\\d{1,2}(?:[.,]\\d+)?)\\s*(?:\"|″|''|”))?\\s*([NSZEOWnszeow](?![A-Za-z]))?"));
    static const QRegularExpression separators(QStringLiteral("^[\\s,;]*$"));
    struct Angle
    {
        double value;
        QChar side;
    };
    QList<Angle> angles;
    qsizetype end = 0;
    auto matches = angle.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch m = matches.next();
        if (m.capturedLength() == 0)
            continue;
        if (!separators.match(text.mid(end, m.capturedStart() - end)).hasMatch())
            return Refuse(problem, QStringLiteral("'%1' is geen positie in graden").arg(text.trimmed().left(60)));
        end = m.capturedEnd();
        double value = Number(m.captured(2)).value_or(NAN);
        const auto minutes = m.captured(3).isEmpty() ? std::optional<double>(0) : Number(m.captured(3));
        const auto seconds = m.captured(4).isEmpty() ? std::optional<double>(0) : Number(m.captured(4));
        if (!minutes || !seconds || *minutes >= 60 || *seconds >= 60)
            return Refuse(problem, QStringLiteral("minuten en seconden gaan tot 60"));
        value += *minutes / 60 + *seconds / 3600;
        const QChar side = m.captured(5).isEmpty() ? QChar() : m.captured(5).at(0).toUpper();
        if (!m.captured(1).isEmpty() && m.captured(1) != QLatin1String("+"))
            value = -value;
        if (side == QLatin1Char('S') || side == QLatin1Char('Z') || side == QLatin1Char('W'))
            value = -value;
        angles.append({value, side});
    }
    if (!separators.match(text.mid(end)).hasMatch() || angles.size() != 2)
        return Refuse(problem,
                      QStringLiteral("'%1' is geen positie in graden: typ de breedte en de lengte, "
                                     "bijvoorbeeld 52.09074, 5.12142")
                          .arg(text.trimmed().left(60)));
    const auto isLongitude = [](QChar side) {
        return side == QLatin1Char('E') || side == QLatin1Char('O') || side == QLatin1Char('W');
    };
    const auto isLatitude = [](QChar side) {
        return side == QLatin1Char('N') || side == QLatin1Char('S') || side == QLatin1Char('Z');
    };
    Angle latitude = angles[0], longitude = angles[1];
    if (isLongitude(angles[0].side) || isLatitude(angles[1].side))
        std::swap(latitude, longitude);
    if (isLongitude(latitude.side) || isLatitude(longitude.side))
        return Refuse(problem, QStringLiteral("twee breedtes of twee lengtes"));
    if (std::abs(latitude.value) > 90)
        return Refuse(problem, QStringLiteral("een breedte gaat van -90 tot 90 graden"));
    if (std::abs(longitude.value) > 180)
        return Refuse(problem, QStringLiteral("een lengte gaat van -180 tot 180 graden"));
    return EarthProjection::LonLat{longitude.value, latitude.value};
}

// Two numbers in metres: "155000 463000", "155000,5; 463000" or "155000, 463000".
std::optional<QPointF> ParseMetres(const QString &text)
{
    QStringList parts;
    if (text.contains(QLatin1Char(';')))
        parts = text.split(QLatin1Char(';'));
    else if (text.contains(QLatin1Char('.')) || text.count(QLatin1Char(',')) == 1)
        parts = text.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts);
    else
        parts = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return std::nullopt;
    static const QRegularExpression number(QStringLiteral("^-?\\d{1,9}([.,]\\d{1,6})?$"));
    const QString a = parts[0].trimmed(), b = parts[1].trimmed();
    if (!number.match(a).hasMatch() || !number.match(b).hasMatch())
        return std::nullopt;
    return QPointF(*Number(a), *Number(b));
}

std::optional<EarthProjection::LonLat> FromSystem(const QString &name, QPointF metres, QString *problem)
{
    const std::optional<EarthProjection> system = EarthProjection::FromName(name);
    const auto position = system ? system->ToEarth(metres) : std::nullopt;
    if (!position)
        return Refuse(problem, QStringLiteral("%1 kent deze coördinaten niet").arg(name));
    return position;
}

} // namespace

std::optional<EarthProjection::LonLat> Parse(const QString &text, System system, QString *problem)
{
    if (text.trimmed().isEmpty())
        return Refuse(problem, QStringLiteral("er zijn geen coördinaten getypt"));
    if (text.size() > 200)
        return Refuse(problem, QStringLiteral("de tekst is te lang voor coördinaten"));
    switch (system) {
    case System::Degrees:
        return ParseDegrees(text, problem);
    case System::RdNew: {
        const std::optional<QPointF> xy = ParseMetres(text);
        if (!xy)
            return Refuse(problem,
                          QStringLiteral("'%1' zijn geen RD-coördinaten: typ x en y in meter, bijvoorbeeld "
                                         "155000 463000")
                              .arg(text.trimmed().left(60)));
        // The range the Dutch grid is defined for, with a margin.
        if (xy->x() < -7000 || xy->x() > 300000 || xy->y() < 289000 || xy->y() > 629000)
            return Refuse(problem, QStringLiteral("deze RD-coördinaten liggen niet in of bij Nederland"));
        return FromSystem(QStringLiteral("EPSG:28992"), *xy, problem);
    }
    case System::Utm: {
        static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,2})\\s*([A-Za-z])[\\s,;]+(.*)$"));
        const QRegularExpressionMatch m = form.match(text);
        const int zone = m.hasMatch() ? m.captured(1).toInt() : 0;
        const QChar band = m.hasMatch() ? m.captured(2).at(0).toUpper() : QChar();
        const std::optional<QPointF> en = m.hasMatch() ? ParseMetres(m.captured(3)) : std::nullopt;
        if (!en || zone < 1 || zone > 60 || band < QLatin1Char('C') || band > QLatin1Char('Z')
            || band == QLatin1Char('I') || band == QLatin1Char('O') || band == QLatin1Char('Y'))
            return Refuse(problem,
                          QStringLiteral("'%1' zijn geen UTM-coördinaten: typ zone, halfrond (N of S), "
                                         "oost en noord in meter, bijvoorbeeld 31N 645334 5773254")
                              .arg(text.trimmed().left(60)));
        // "S" and "Z" (zuid) are the southern half, as in the EPSG names
        // ("UTM zone 31S"); other letters are latitude bands, C to M south.
        const bool south = band == QLatin1Char('S') || band == QLatin1Char('Z')
            || (band != QLatin1Char('N') && band <= QLatin1Char('M'));
        if (en->x() < 100000 || en->x() > 900000 || en->y() < 0 || en->y() > 10000000)
            return Refuse(problem,
                          QStringLiteral("oost gaat in UTM van 100000 tot 900000 en noord van 0 tot 10000000"));
        return FromSystem(QStringLiteral("EPSG:%1").arg((south ? 32700 : 32600) + zone), *en, problem);
    }
    }
    return std::nullopt;
}

QString DegreesText(EarthProjection::LonLat position, int decimals)
{
    return QStringLiteral("%1, %2").arg(position.latitude, 0, 'f', decimals).arg(position.longitude, 0, 'f', decimals);
}

} // namespace EarthCoordinates
