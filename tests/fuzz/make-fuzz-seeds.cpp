// Writes the seed corpus of the fuzz targets: small files of our own making
// that reach the interesting parts of each reader. Usage:
//   make-fuzz-seeds <corpus-folder>
// The files in tests/fuzz/corpus were made by this program.

#include "VersionImages.h"

#include "project/DataFile.h"
#include "project/ProjectDocument.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <cstdio>

namespace {

QString g_root;
int g_failures = 0;

void put(const QString &target, const QString &name, const QByteArray &bytes)
{
    const QString folder = g_root + QLatin1Char('/') + target;
    QDir().mkpath(folder);
    QFile f(folder + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
        ++g_failures;
    }
}

void dataFileSeeds()
{
    put(QStringLiteral("datafile"), QStringLiteral("empty.tvk"), DataFile::Serialize(ProjectDocument()));

    ProjectDocument doc;
    doc.MapFileName = "kaart\\plattegrond.bmp";
    doc.TriangleSize = 12;
    doc.TriangleColour = 255;
    doc.Organisation = "Stichting \xc9\xe9n & Twee";
    doc.WebAddress = "www.voorbeeld.nl";
    doc.Description1 = "= eerste";
    doc.PositionList = {"00001=412,87,330", "00002=-5,0,45", "00010=0,0,0"};
    doc.NameList = {"00001=kerk.jpg", "00002=fotos\\a=b.jpg", "00010=/tmp/x.emf"};
    doc.NotesList = {"00002=a\r\nb", "00001=Type hier uw aantekeningen.", "00010=\x9d"};
    put(QStringLiteral("datafile"), QStringLiteral("photos.tvk"), DataFile::Serialize(doc));

    put(QStringLiteral("datafile"), QStringLiteral("other-order.tvk"),
        "[Fotonaam]\n00001=a.jpg\n[Foto-aantekeningen]\n00001=x\x9dy\n[Algemene gegevens]\n00002=-3\n00003=0\n"
        "00010=help\n[Fotopositie]\n00001=1,2,3\n 00002=,,\n00003=1\n=\n00004=99999999999,1,1");
    put(QStringLiteral("datafile"), QStringLiteral("bad-number.tvk"),
        "[Algemene gegevens]\r\n00001=kaart.bmp\r\n00002=abc\r\n[Fotopositie]\r\n00001=1,2,3\r\n");
    put(QStringLiteral("datafile"), QStringLiteral("keys.tvk"),
        "[Fotopositie]\r\n99999=1,1,1\r\n00001=2147483647,-2147483648,360\r\n0000a=1,1,1\r\n"
        "[Fotonaam]\r\n\r\n \r\n[Foto-aantekeningen]\r\n00001\r\n");
}

void versionSeeds()
{
    using namespace VersionImages;
    const QByteArray dutch = MakeResource(QStringLiteral("1.0.0.1"), {{0x0413, 0x04E4}});
    const QByteArray two = MakeResource(QStringLiteral("2.3.4.5"), {{0x0409, 0x04B0}, {0x0413, 0x04E4}});
    const QString t = QStringLiteral("versioninfo");
    put(t, QStringLiteral("resource-dutch.bin"), dutch);
    put(t, QStringLiteral("resource-two.bin"), two);
    put(t, QStringLiteral("resource-no-table.bin"),
        MakeResource(QStringLiteral("3"), {{0x0413, 0x04E4}}, false));
    put(t, QStringLiteral("elf64-le.elf"), MakeElf(true, false, ".tolvek_version", dutch).bytes);
    put(t, QStringLiteral("elf32-be.elf"), MakeElf(false, true, ".tolvek_version", two).bytes);
    put(t, QStringLiteral("pe32.exe"), MakePe(false, dutch).bytes);
    put(t, QStringLiteral("pe32plus.exe"), MakePe(true, two).bytes);
    put(t, QStringLiteral("pe-no-version.exe"), MakePe(false, dutch, false).bytes);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-fuzz-seeds <corpus-folder>\n");
        return 2;
    }
    g_root = QString::fromLocal8Bit(argv[1]);
    dataFileSeeds();
    versionSeeds();
    return g_failures == 0 ? 0 : 1;
}
