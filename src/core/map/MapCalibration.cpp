#include "core/map/MapCalibration.h"

#include "core/map/WorldFile.h"
#include "core/platform/SafeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <cmath>
#include <numbers>

namespace {

const char *const VersionKey = "tolvek-map-calibration";

QString Number(double value)
{
    return MapGeoreference::NumberText(value);
}

std::optional<double> ParseNumber(const QString &text)
{
    return MapGeoreference::ParseNumber(text, 15);
}

double Normalised(double degrees)
{
    double d = std::fmod(degrees, 360.0);
    if (d < 0)
        d += 360;
    return d >= 360 ? 0 : d;
}

constexpr double DegreesPerRadian = 180 / std::numbers::pi;

} // namespace

QString MapCalibration::SidecarPath(const QString &mapPath)
{
    return mapPath + QStringLiteral(".tolvek");
}

bool MapCalibration::SetNorthFromLine(double x1, double y1, double x2, double y2, double bearing)
{
    if ((x1 == x2 && y1 == y2) || !std::isfinite(bearing))
        return false;
    // The line's angle clockwise from up on the map (y grows downwards),
    // less its bearing clockwise from north, is north's angle from up.
    const double lineFromUp = std::atan2(x2 - x1, y1 - y2) * DegreesPerRadian;
    north = Normalised(lineFromUp - bearing);
    return true;
}

bool MapCalibration::SetScaleFromLine(double x1, double y1, double x2, double y2, double metres)
{
    const double pixels = std::hypot(x2 - x1, y2 - y1);
    if (pixels <= 0 || !(metres > 0) || !std::isfinite(metres))
        return false;
    metresPerPixel = metres / pixels;
    return true;
}

std::optional<double> MapCalibration::Distance(double x1, double y1, double x2, double y2) const
{
    if (!metresPerPixel)
        return std::nullopt;
    return std::hypot(x2 - x1, y2 - y1) * *metresPerPixel;
}

std::optional<double> MapCalibration::Bearing(double x1, double y1, double x2, double y2) const
{
    if (!north || (x1 == x2 && y1 == y2))
        return std::nullopt;
    const double lineFromUp = std::atan2(x2 - x1, y1 - y2) * DegreesPerRadian;
    return Normalised(lineFromUp - *north);
}

void MapCalibration::SetOtherField(const QString &key, const QString &value)
{
    for (auto &field : m_otherFields)
        if (field.first == key) {
            field.second = value;
            return;
        }
    m_otherFields.append({key, value});
}

void MapCalibration::SetGeoreference(const MapGeoreference &georef)
{
    georeference = georef;
    if (!georeference.IsFitted())
        return;
    north = georeference.North();
    metresPerPixel = georeference.MetresPerPixel();
    latitude = georeference.Centre().latitude;
    longitude = georeference.Centre().longitude;
}

MapCalibration MapCalibration::Parse(const QByteArray &bytes, QString *problem)
{
    const auto refuse = [problem](const QString &why) {
        if (problem)
            *problem = why;
        return MapCalibration();
    };
    if (problem)
        problem->clear();
    if (bytes.size() > MaxFileSize)
        return refuse(QStringLiteral("het bestand is groter dan %1 kB").arg(MaxFileSize / 1024));
    if (bytes.contains('\0'))
        return refuse(QStringLiteral("het bestand is geen tekst"));
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return refuse(QStringLiteral("het bestand is geen UTF-8-tekst"));

    static const QRegularExpression keyForm(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._-]{0,63}$"));
    MapCalibration result;
    MapGeoreference georef;
    QMap<int, MapGeoreference::ControlPoint> points;
    static const QRegularExpression pointKey(QStringLiteral("^georef-point\\.([1-9]\\d{0,2})$"));
    bool versionSeen = false;
    QSet<QString> keys;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const int number = int(i) + 1;
        if (line.size() > MaxLineLength)
            return refuse(QStringLiteral("regel %1 is te lang").arg(number));
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString key = eq < 0 ? QString() : line.left(eq).trimmed();
        const QString value = eq < 0 ? QString() : line.mid(eq + 1).trimmed();
        if (!keyForm.match(key).hasMatch())
            return refuse(QStringLiteral("regel %1 is geen regel van de vorm sleutel=waarde").arg(number));
        if (!versionSeen) {
            if (key != QLatin1String(VersionKey))
                return refuse(
                    QStringLiteral("de eerste regel noemt niet de versie (%1=…)").arg(QLatin1String(VersionKey)));
            static const QRegularExpression versionForm(QStringLiteral("^\\d{1,6}$"));
            if (!versionForm.match(value).hasMatch() || value.toInt() < 1)
                return refuse(QStringLiteral("de versie '%1' is geen geldig getal").arg(value.left(40)));
            if (value.toInt() > Version)
                return refuse(QStringLiteral("versie %1 is nieuwer dan dit programma kent").arg(value.toInt()));
            versionSeen = true;
            continue;
        }
        if (keys.contains(key))
            return refuse(QStringLiteral("'%1' staat er meer dan eens in").arg(key));
        keys.insert(key);
        const auto number_ = [&](double low, double high, bool openLow) -> std::optional<double> {
            const std::optional<double> v = ParseNumber(value);
            if (!v || *v > high || *v < low || (openLow && *v == low))
                return std::nullopt;
            return v;
        };
        const auto badNumber = [&] {
            return refuse(
                QStringLiteral("'%1' is geen geldige waarde voor %2 (regel %3)").arg(value.left(40), key).arg(number));
        };
        if (key == QLatin1String("north")) {
            const auto v = number_(-360, 360, false);
            if (!v)
                return badNumber();
            result.north = Normalised(*v);
        } else if (key == QLatin1String("metres-per-pixel")) {
            const auto v = number_(0, 1e7, true);
            if (!v)
                return badNumber();
            result.metresPerPixel = v;
        } else if (key == QLatin1String("position")) {
            const QStringList parts = value.split(QLatin1Char(','));
            const auto lat = parts.size() == 2 ? ParseNumber(parts[0].trimmed()) : std::nullopt;
            const auto lon = parts.size() == 2 ? ParseNumber(parts[1].trimmed()) : std::nullopt;
            if (!lat || !lon || std::abs(*lat) > 90 || std::abs(*lon) > 180)
                return badNumber();
            result.latitude = lat;
            result.longitude = lon;
        } else if (key == QLatin1String("georef-fit")) {
            const auto kind = MapGeoreference::ParseKind(value);
            if (!kind)
                return badNumber();
            georef.kind = *kind;
        } else if (const QRegularExpressionMatch m = pointKey.match(key); m.hasMatch()) {
            const auto point = MapGeoreference::ParsePoint(value);
            if (!point || m.captured(1).toInt() > MapGeoreference::MaxPoints)
                return badNumber();
            points.insert(m.captured(1).toInt(), *point);
        } else {
            result.m_otherFields.append({key, value});
        }
    }
    if (!versionSeen)
        return refuse(QStringLiteral("het bestand is leeg"));
    if (!points.isEmpty()) {
        // Numbered 1, 2, 3...: a gap means a point was lost.
        if (points.lastKey() != points.size())
            return refuse(QStringLiteral("de paspunten zijn niet doorlopend genummerd"));
        georef.points = points.values();
        QString why;
        if (!georef.Fit(&why))
            return refuse(QStringLiteral("de paspunten geven geen ijking: %1").arg(why));
        result.SetGeoreference(georef);
    }
    return result;
}

QByteArray MapCalibration::Serialize() const
{
    QString text = QStringLiteral("%1=%2\n").arg(QLatin1String(VersionKey)).arg(Version);
    if (north)
        text += QStringLiteral("north=%1\n").arg(Number(*north));
    if (metresPerPixel)
        text += QStringLiteral("metres-per-pixel=%1\n").arg(Number(*metresPerPixel));
    if (HasPosition())
        text += QStringLiteral("position=%1,%2\n").arg(Number(*latitude), Number(*longitude));
    if (!georeference.IsEmpty()) {
        text += QStringLiteral("georef-fit=%1\n").arg(MapGeoreference::KindText(georeference.kind));
        for (qsizetype i = 0; i < georeference.points.size(); ++i)
            text += QStringLiteral("georef-point.%1=%2\n")
                        .arg(i + 1)
                        .arg(MapGeoreference::PointText(georeference.points[i]));
    }
    for (const auto &field : m_otherFields)
        text += field.first + QLatin1Char('=') + field.second + QLatin1Char('\n');
    return text.toUtf8();
}

MapCalibration MapCalibration::Load(const QString &mapPath, QString *problem)
{
    if (problem)
        problem->clear();
    if (QFileInfo::exists(SidecarPath(mapPath)) || QFileInfo(SidecarPath(mapPath)).isSymLink())
        return LoadSidecar(mapPath, problem);
    std::optional<WorldFile::GisGeoreference> gis = WorldFile::Read(mapPath, problem);
    MapCalibration result;
    if (gis) {
        result.SetGeoreference(gis->georeference);
        result.georeferenceSource = gis->source;
    }
    return result;
}

QString MapCalibration::FilesStamp(const QString &mapPath)
{
    QString stamp;
    QStringList paths = WorldFile::ReadPaths(mapPath);
    paths << SidecarPath(mapPath) << WorldFile::AuxPath(mapPath);
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.exists())
            stamp +=
                QStringLiteral("%1 %2 %3;").arg(path).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    }
    return stamp;
}

MapCalibration MapCalibration::LoadSidecar(const QString &mapPath, QString *problem)
{
    if (problem)
        problem->clear();
    const QString path = SidecarPath(mapPath);
    const QFileInfo info(path);
    if (!info.exists())
        return MapCalibration();
    const QString shown = QDir::toNativeSeparators(path);
    QString why;
    MapCalibration result;
    if (!info.isFile()) {
        why = QStringLiteral("het is geen gewoon bestand");
    } else if (info.size() > MaxFileSize) {
        why = QStringLiteral("het bestand is groter dan %1 kB").arg(MaxFileSize / 1024);
    } else {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            why = QStringLiteral("het kan niet worden gelezen (%1)").arg(file.errorString());
        else
            result = Parse(file.read(MaxFileSize + 1), &why);
    }
    if (!why.isEmpty() && problem)
        *problem = QStringLiteral("Kaartijking '%1' niet gebruikt: %2.").arg(shown, why);
    return why.isEmpty() ? result : MapCalibration();
}

bool MapCalibration::Save(const QString &mapPath, QString *reason) const
{
    const QString path = SidecarPath(mapPath);
    // What the GIS files hold follows the sidecar: written after it, and
    // taken away only when this program wrote them for the previous one.
    const MapCalibration previous = LoadSidecar(mapPath, nullptr);
    const auto gisFiles = [&]() {
        // A world file a GIS made stays as it is, and so does the system
        // in the .aux.xml that goes with it.
        if (IsGeoreferenced()
            && WorldFile::HasForeign(mapPath,
                                     previous.IsGeoreferenced() ? std::optional<MapGeoreference>(previous.georeference)
                                                                : std::nullopt))
            return true;
        if (IsGeoreferenced())
            return WorldFile::Write(mapPath, georeference, reason);
        if (previous.IsGeoreferenced())
            WorldFile::RemoveOwn(mapPath, previous.georeference);
        return true;
    };
    if (IsEmpty()) {
        if (!QFileInfo::exists(path) || QFile::remove(path))
            return gisFiles();
        if (reason)
            *reason = QStringLiteral("'%1' kan niet worden verwijderd.").arg(QDir::toNativeSeparators(path));
        return false;
    }
    const QByteArray bytes = Serialize();
    SafeFileWriter writer(path);
    if (writer.Open() && writer.Append(bytes.constData(), size_t(bytes.size())) && writer.Commit())
        return gisFiles();
    if (reason)
        *reason = writer.Reason();
    return false;
}
