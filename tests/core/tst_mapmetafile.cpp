// The map as an enhanced metafile: the records read back against the scene,
// and the file played back (libemf2svg, QSvgRenderer) against the raster.

#include "MapTestFiles.h"

#include "core/base/TolvekError.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapMetafile.h"

#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <cstring>

#include <emf2svg.h>
#include <uemf_safe.h>

namespace {

// One record of an EMF file, as read back byte by byte.
struct Record
{
    quint32 type = 0;
    QByteArray data; // the whole record
    qint32 i32(int offset) const
    {
        qint32 v;
        std::memcpy(&v, data.constData() + offset, 4);
        return v;
    }
    quint32 u32(int offset) const
    {
        quint32 v;
        std::memcpy(&v, data.constData() + offset, 4);
        return v;
    }
    qint16 i16(int offset) const
    {
        qint16 v;
        std::memcpy(&v, data.constData() + offset, 2);
        return v;
    }
};

enum : quint32 {
    EmrHeader = 1,
    EmrPolygon = 3,
    EmrEof = 14,
    EmrSetBkMode = 18,
    EmrSetTextColor = 24,
    EmrSelectObject = 37,
    EmrCreatePen = 38,
    EmrStretchDIBits = 81,
    EmrExtCreateFontIndirectW = 82,
    EmrExtTextOutW = 84,
    EmrPolygon16 = 86,
};

QList<Record> ReadRecords(const QByteArray &emf)
{
    QList<Record> out;
    qsizetype offset = 0;
    while (offset + 8 <= emf.size()) {
        Record r;
        std::memcpy(&r.type, emf.constData() + offset, 4);
        quint32 size;
        std::memcpy(&size, emf.constData() + offset + 4, 4);
        if (size < 8 || size % 4 != 0 || offset + qsizetype(size) > emf.size())
            qFatal("bad record at %lld", qlonglong(offset));
        r.data = emf.mid(offset, size);
        out.append(r);
        offset += size;
    }
    if (offset != emf.size())
        qFatal("trailing bytes");
    return out;
}

QPolygon Polygon16(const Record &r)
{
    QPolygon p;
    const int count = int(r.u32(24));
    for (int i = 0; i < count; ++i)
        p << QPoint(r.i16(28 + 4 * i), r.i16(30 + 4 * i));
    return p;
}

QString TextOf(const Record &r)
{
    // U_EMREXTTEXTOUTW: emrtext starts at 36: reference(8), nChars(4), offString(4), ...
    const int chars = int(r.u32(36 + 8));
    const int offString = int(r.u32(36 + 12));
    return QString(reinterpret_cast<const QChar *>(r.data.constData() + offString), chars);
}

QPoint TextReference(const Record &r)
{
    return QPoint(r.i32(36), r.i32(40));
}

QByteArray ToSvg(const QByteArray &emf)
{
    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    options.nameSpace = const_cast<char *>("svg");
    options.svgDelimiter = true;
    options.emfplus = true;
    char *svg = nullptr;
    size_t svgLength = 0;
    QByteArray copy = emf;
    if (emf2svg(copy.data(), size_t(copy.size()), &svg, &svgLength, &options) != 1 || !svg)
        return QByteArray();
    const QByteArray out(svg, qsizetype(svgLength));
    std::free(svg);
    return out;
}

QImage PlayBack(const QByteArray &emf, const QSize &size)
{
    generatorOptions options;
    std::memset(&options, 0, sizeof options);
    options.nameSpace = const_cast<char *>("svg");
    options.svgDelimiter = true;
    options.emfplus = true;
    options.imgWidth = size.width();
    options.imgHeight = size.height();
    char *svg = nullptr;
    size_t svgLength = 0;
    QByteArray copy = emf;
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &svg, &svgLength, &options);
    if (ok != 1 || !svg)
        return QImage();
    const QByteArray svgBytes(svg, qsizetype(svgLength));
    std::free(svg);
    QSvgRenderer renderer(svgBytes);
    if (!renderer.isValid())
        return QImage();
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    // libemf2svg makes the picture one pixel smaller than the inclusive
    // bounds say; drawn at its own size it stays at one pixel per map pixel.
    renderer.render(&painter, QRectF(QPointF(0, 0), renderer.viewBoxF().size()));
    return image;
}

} // namespace

class TestMapMetafile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    MapImageCache m_cache;

    MapMetafile Draw(const ProjectDocument &doc, bool labels)
    {
        MapMetafile m;
        m.SetScene(MapDrawing::Build(doc, labels, m_cache, MapDrawing::MapFilePath(doc)));
        return m;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("kaart.bmp")), 173, 91); // odd width: padded rows
    }

    void recordsMatchTheDrawing()
    {
        ProjectDocument doc =
            MapTestFiles::Project(m_dir.path(), "kaart.bmp", {"00001=40,50,0", "00002=120,60,150", "00003=90,30,270"},
                                  {"00001=kerk.jpg", "00003=m\xf6len.jpg"});
        doc.TriangleColour = 0x00336699;
        const MapMetafile m = Draw(doc, true);
        const QByteArray emf = m.EmfBytes();
        const QList<Record> records = ReadRecords(emf);
        QVERIFY(records.size() > 5);
        // Every record passes libuemf's own consistency checks.
        for (const Record &r : records)
            QVERIFY2(U_emf_record_safe(r.data.constData()), qPrintable(QString::number(r.type)));

        // Header: signature, totals, and the map's size in pixels as bounds.
        const Record &header = records.first();
        QCOMPARE(header.type, quint32(EmrHeader));
        QCOMPARE(header.u32(40), 0x464D4520u); // " EMF"
        QCOMPARE(header.u32(48), quint32(emf.size()));
        QCOMPARE(header.u32(52), quint32(records.size()));
        QCOMPARE(header.i32(8), 0);
        QCOMPARE(header.i32(16), 172); // inclusive right
        QCOMPARE(header.i32(20), 90);
        // The frame in 0.01 mm at 96 dpi, the reference device at 96 dpi.
        QCOMPARE(header.i32(32), (173 * 2540 + 48) / 96);
        QCOMPARE(header.i32(72), 1920);
        QCOMPARE(header.i32(80), 508);
        QCOMPARE(records.last().type, quint32(EmrEof));

        // The bitmap: 24-bit, natural size at (0, 0), bottom-up rows.
        QList<Record> bitmaps;
        for (const Record &r : records)
            if (r.type == EmrStretchDIBits)
                bitmaps << r;
        QCOMPARE(bitmaps.size(), 1);
        const Record &bmp = bitmaps.first();
        QCOMPARE(QPoint(bmp.i32(24), bmp.i32(28)), QPoint(0, 0));    // Dest
        QCOMPARE(QPoint(bmp.i32(72), bmp.i32(76)), QPoint(173, 91)); // cDest
        const int offBmi = int(bmp.u32(48));
        const int offBits = int(bmp.u32(56));
        QCOMPARE(bmp.i32(offBmi + 4), 173);
        QCOMPARE(bmp.i32(offBmi + 8), 91);
        QCOMPARE(bmp.i16(offBmi + 14), qint16(24));
        const QImage pattern = MapTestFiles::Pattern(173, 91);
        const int stride = (173 * 3 + 3) & ~3;
        for (const QPoint p : {QPoint(0, 0), QPoint(172, 0), QPoint(5, 90), QPoint(100, 45)}) {
            const uchar *px =
                reinterpret_cast<const uchar *>(bmp.data.constData()) + offBits + (90 - p.y()) * stride + 3 * p.x();
            QCOMPARE(qRgb(px[2], px[1], px[0]), pattern.pixel(p));
        }

        // The triangles: exactly the scene's corners, in order, after the bitmap.
        QList<QPolygon> polygons;
        QList<Record> texts;
        qsizetype firstPolygon = -1, bitmapAt = -1;
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (records[i].type == EmrStretchDIBits)
                bitmapAt = i;
            if (records[i].type == EmrPolygon16) {
                polygons << Polygon16(records[i]);
                if (firstPolygon < 0)
                    firstPolygon = i;
            }
            if (records[i].type == EmrExtTextOutW)
                texts << records[i];
        }
        QVERIFY(bitmapAt < firstPolygon);
        QCOMPARE(polygons.size(), 3);
        QCOMPARE(polygons[0], QPolygon({QPoint(40, 43), QPoint(40, 57), QPoint(46, 50)}));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(polygons[i], m.Scene().photos[i].triangle.toPolygon());

        // Labels and the help text, last, at their top-left corners.
        QCOMPARE(texts.size(), 3);
        QCOMPARE(TextOf(texts[0]), QStringLiteral("kerk.jpg"));
        QCOMPARE(TextReference(texts[0]), m.Scene().photos[0].labelTopLeft);
        QCOMPARE(TextOf(texts[1]), QStringLiteral("m\u00f6len.jpg"));
        QCOMPARE(TextOf(texts[2]), QStringLiteral(" Klik op driehoek voor foto "));
        QCOMPARE(TextReference(texts[2]), QPoint(10, 10));

        // Pen in the triangle colour; text transparent for labels, opaque for the help text.
        bool penSeen = false;
        int mode = 2;
        QList<int> modesAtText;
        QList<quint32> colourAtText;
        quint32 textColour = 0;
        int fontHeight = 0;
        for (const Record &r : records) {
            if (r.type == EmrCreatePen) {
                QCOMPARE(r.u32(24) & 0xFFFFFFu, 0x336699u); // COLORREF 0x00BBGGRR
                penSeen = true;
            }
            if (r.type == EmrSetBkMode)
                mode = int(r.u32(8));
            if (r.type == EmrSetTextColor)
                textColour = r.u32(8);
            if (r.type == EmrExtCreateFontIndirectW)
                fontHeight = r.i32(12);
            if (r.type == EmrExtTextOutW) {
                modesAtText << mode;
                colourAtText << textColour;
            }
        }
        QVERIFY(penSeen);
        QCOMPARE(modesAtText, QList<int>({1, 1, 2}));
        QCOMPARE(colourAtText, QList<quint32>({0x336699u, 0x336699u, 0u}));
        QCOMPARE(fontHeight, -11); // 8 points on a 96 dpi screen

        // Another reader finds the same texts, in Arial at 11 pixels.
        const QString svg = QString::fromUtf8(ToSvg(emf));
        QVERIFY(svg.contains(QStringLiteral("kerk.jpg")));
        QVERIFY(svg.contains(QStringLiteral("m\u00f6len.jpg")));
        QVERIFY(svg.contains(QStringLiteral(" Klik op driehoek voor foto ")));
        QVERIFY(svg.contains(QStringLiteral("font-family=\"Arial\"")));
        QVERIFY(svg.contains(QStringLiteral("font-size=\"11.0000\"")));
    }

    void emptyAndSaved()
    {
        MapMetafile empty;
        QVERIFY(empty.IsEmpty());
        QVERIFY(empty.EmfBytes().isEmpty());
        const QString emptyFile = m_dir.filePath(QStringLiteral("leeg.emf"));
        empty.SaveToFile(emptyFile);
        QVERIFY(QFileInfo(emptyFile).isFile());
        QCOMPARE(QFileInfo(emptyFile).size(), 0);

        const ProjectDocument doc = MapTestFiles::Project(m_dir.path(), "kaart.bmp", {"00001=40,50,0"});
        const MapMetafile m = Draw(doc, false);
        const QString file = m_dir.filePath(QStringLiteral("kaart.emf"));
        m.SaveToFile(file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), m.EmfBytes());

        // A folder that does not exist: an error naming the file.
        const QString bad = m_dir.filePath(QStringLiteral("geen-map/kaart.emf"));
        try {
            m.SaveToFile(bad);
            QFAIL("no error");
        } catch (const TolvekError &e) {
            QVERIFY2(e.message().contains(bad), qPrintable(e.message()));
        }
    }

    void largeCoordinatesUseFullPolygons()
    {
        const ProjectDocument doc =
            MapTestFiles::Project(m_dir.path(), "kaart.bmp", {"00001=40000,50,0", "00002=40,50,0"});
        const MapMetafile m = Draw(doc, false);
        QList<quint32> types;
        for (const Record &r : ReadRecords(m.EmfBytes()))
            if (r.type == EmrPolygon || r.type == EmrPolygon16)
                types << r.type;
        QCOMPARE(types, QList<quint32>({quint32(EmrPolygon), quint32(EmrPolygon16)}));
    }

    void playbackMatchesTheRaster()
    {
        // Triangles over a smooth map (the playback resamples the bitmap by a
        // fraction of a pixel); no texts, whose rasterisers differ.
        QImage smooth(173, 91, QImage::Format_RGB32);
        for (int y = 0; y < smooth.height(); ++y)
            for (int x = 0; x < smooth.width(); ++x)
                smooth.setPixel(x, y, qRgb(x * 255 / 172, y * 255 / 90, 128));
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("glad.bmp")), smooth);
        ProjectDocument doc = MapTestFiles::Project(
            m_dir.path(), "glad.bmp", {"00001=30,30,0", "00002=80,40,120", "00003=140,70,225", "00004=60,75,300"});
        doc.UserHelpText.clear();
        doc.TriangleSize = 10;
        const MapMetafile m = Draw(doc, false);
        const QImage raster = m.RenderImage();
        const QImage played = PlayBack(m.EmfBytes(), m.Size());
        QVERIFY(!played.isNull());

        QCOMPARE(played.size(), raster.size());
        // The playback draws anti-aliased outlines: pixels may differ only
        // around the triangles; the map elsewhere must come back unchanged.
        int differing = 0, nearEdges = 0;
        for (int y = 0; y < raster.height() - 1; ++y)
            for (int x = 0; x < raster.width() - 1; ++x) {
                const QRgb a = raster.pixel(x, y), b = played.pixel(x, y);
                if (qAbs(qRed(a) - qRed(b)) <= 8 && qAbs(qGreen(a) - qGreen(b)) <= 8 && qAbs(qBlue(a) - qBlue(b)) <= 8)
                    continue;
                bool near = false;
                for (const MapPhotoShape &p : m.Scene().photos)
                    near = near || p.triangle.boundingRect().adjusted(-2, -2, 2, 2).contains(x, y);
                if (near)
                    ++nearEdges;
                else
                    ++differing;
            }
        QCOMPARE(differing, 0);
        QVERIFY(nearEdges < 600);
        // A triangle's white inside agrees exactly.
        QCOMPARE(played.pixel(33, 30), raster.pixel(33, 30));
        QCOMPARE(raster.pixel(33, 30), qRgb(255, 255, 255));
    }
};

QTEST_MAIN(TestMapMetafile)
#include "tst_mapmetafile.moc"
