// Makes the bundled sample project: a floor plan, a handful of photos and
// the data file that places them, all with names relative to the project.
#include "core/platform/AnsiCodec.h"
#include "core/project/DataFile.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

namespace {

struct Room
{
    QRect rect;
    const char *name;
    QColor floor;
};

QImage floorPlan()
{
    QImage img(960, 640, QImage::Format_RGB888);
    img.fill(QColor(250, 250, 245));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Garden around the house.
    p.fillRect(0, 0, 960, 640, QColor(214, 232, 196));
    p.fillRect(60, 60, 840, 520, QColor(250, 250, 245));
    const Room rooms[] = {
        {{60, 60, 300, 260}, "Woonkamer", QColor(244, 236, 220)},
        {{360, 60, 240, 260}, "Keuken", QColor(230, 238, 246)},
        {{600, 60, 300, 260}, "Werkkamer", QColor(244, 236, 220)},
        {{60, 320, 420, 260}, "Hal", QColor(236, 236, 236)},
        {{480, 320, 420, 260}, "Serre", QColor(240, 246, 230)},
    };
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(22);
    p.setFont(f);
    for (const Room &r : rooms) {
        p.fillRect(r.rect, r.floor);
        p.setPen(QPen(QColor(40, 40, 40), 8));
        p.drawRect(r.rect);
        p.setPen(QColor(90, 90, 90));
        p.drawText(r.rect, Qt::AlignCenter, QString::fromLatin1(r.name));
    }
    // Door openings.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 245));
    p.drawRect(200, 314, 60, 12);
    p.drawRect(560, 314, 60, 12);
    p.drawRect(474, 420, 12, 60);
    p.drawRect(354, 150, 12, 60);
    p.drawRect(594, 150, 12, 60);
    // Front door and garden path.
    p.setBrush(QColor(190, 170, 140));
    p.drawRect(240, 576, 60, 64);
    p.setPen(QColor(60, 90, 40));
    f.setPixelSize(16);
    p.setFont(f);
    p.drawText(QRect(0, 600, 960, 40), Qt::AlignCenter, QStringLiteral("Tuin"));
    return img;
}

QImage photo(const QString &title, QColor sky, QColor ground, int seed)
{
    QImage img(1024, 768, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 768);
    g.setColorAt(0, sky.lighter(130));
    g.setColorAt(0.6, sky);
    g.setColorAt(0.61, ground.lighter(120));
    g.setColorAt(1, ground);
    p.fillRect(img.rect(), g);
    // A few shapes so that every photo looks different.
    for (int i = 0; i < 6; ++i) {
        const int x = (seed * 137 + i * 173) % 900;
        const int w = 60 + (seed * 31 + i * 57) % 140;
        const int h = 120 + (seed * 53 + i * 91) % 260;
        p.setBrush(QColor::fromHsv((seed * 40 + i * 25) % 360, 90, 200));
        p.setPen(QPen(QColor(60, 60, 60), 3));
        p.drawRect(x, 470 - h, w, h);
    }
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(64);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QRect(0, 560, 1024, 120), Qt::AlignCenter, title);
    return img;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample OUTPUT-FOLDER\n");
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.filePath(QStringLiteral("fotos")))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    if (!floorPlan().save(out.filePath(QStringLiteral("plattegrond.bmp")), "BMP"))
        return 1;

    struct Photo
    {
        const char *file;
        const char *title;
        QColor sky, ground;
        int x, y, direction;
        const char *notes;
    };
    const Photo photos[] = {
        {"voordeur.jpg", "Voordeur", QColor(120, 170, 230), QColor(110, 150, 80), 270, 610, 90,
         "De voordeur vanaf het tuinpad.\r\nVerf bladdert aan de onderkant."},
        {"hal.jpg", "Hal", QColor(200, 190, 170), QColor(150, 120, 90), 180, 400, 0,
         "Hal richting serre. Tegelvloer in goede staat."},
        {"woonkamer.jpg", "Woonkamer", QColor(230, 220, 200), QColor(160, 110, 70), 130, 120, 300,
         "Woonkamer, noordwesthoek.\r\nScheur in het plafond boven het raam."},
        {"keuken.jpg", "Keuken", QColor(220, 230, 240), QColor(120, 120, 130), 480, 270, 90,
         "Keuken met aanrecht uit 1998."},
        {"serre.jpg", "Serre", QColor(150, 200, 240), QColor(130, 170, 90), 600, 520, 30,
         "Serre op het zuiden; condens op de ruiten."},
    };

    ProjectDocument doc;
    doc.MapFileName = "plattegrond.bmp";
    doc.TriangleSize = 10;
    doc.Organisation = AnsiCodec::fromUnicode(QStringLiteral("Bouwkundig Bureau Tolvek"));
    doc.WebAddress = "www.tolvek.nl";
    doc.Description1 = AnsiCodec::fromUnicode(QStringLiteral("Voorbeeldproject: opname van een woning"));
    doc.Description2 = AnsiCodec::fromUnicode(QStringLiteral("Vijf foto's op de plattegrond"));
    int key = 1;
    for (const Photo &ph : photos) {
        const QString file = out.filePath(QStringLiteral("fotos/") + QString::fromLatin1(ph.file));
        if (!photo(QString::fromLatin1(ph.title), ph.sky, ph.ground, key).save(file, "JPEG", 85))
            return 1;
        const QByteArray k = PhotoEntry::KeyTextFor(key);
        doc.PositionList << PhotoEntry::MakePosition(k, ph.x, ph.y, ph.direction);
        // Written as on Windows: the program reads "\" as a folder separator.
        doc.NameList << PhotoEntry::Make(k, QByteArray("fotos\\") + ph.file);
        doc.NotesList << PhotoEntry::Make(k,
                                          PhotoEntry::EncodeNotes(AnsiCodec::fromUnicode(QString::fromUtf8(ph.notes))));
        ++key;
    }
    if (DataFile::Write(doc, out.filePath(QStringLiteral("Voorbeeld.tvk"))) != DataFile::WriteResult::Ok)
        return 1;
    return 0;
}
