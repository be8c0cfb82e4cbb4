// Map redraw cost against copying the map's bytes once.
// Run: bench_map [--benchmark_filter=...]; TOLVEK_BENCH_MAP names a BMP to
// use instead of the generated 4000 x 3000 one (e.g. a 14000 x 9900 scan).

#include "map/MapDrawing.h"
#include "map/MapImageCache.h"
#include "map/MapMetafile.h"
#include "map/MapPainter.h"
#include "project/ProjectDocument.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

namespace {

struct Fixture
{
    QTemporaryDir dir;
    ProjectDocument doc;
    MapImageCache cache;
    QImage map;

    Fixture()
    {
        QString path = qEnvironmentVariable("TOLVEK_BENCH_MAP");
        if (path.isEmpty()) {
            path = dir.filePath(QStringLiteral("kaart.bmp"));
            QImage image(4000, 3000, QImage::Format_RGB32);
            image.fill(qRgb(120, 160, 200));
            image.save(path, "BMP");
        }
        doc.Reset();
        doc.CurrentFileName = QDir(QFileInfo(path).absolutePath()).filePath(QStringLiteral("bench.tvk"));
        doc.MapFileName = QFileInfo(path).fileName().toLocal8Bit();
        for (int i = 1; i <= 300; ++i)
            doc.PositionList << QByteArray::number(10000 + i).right(5) + '=' + QByteArray::number(i * 37 % 3900) + ','
                    + QByteArray::number(i * 53 % 2900) + ',' + QByteArray::number(i * 30 % 360);
        map = cache.Load(MapDrawing::MapFilePath(doc));
    }
};

Fixture &F()
{
    static Fixture f;
    return f;
}

void BM_MemcpyMap(benchmark::State &state)
{
    const QImage &map = F().map;
    std::unique_ptr<uchar[]> target(new uchar[size_t(map.sizeInBytes())]);
    for (auto _ : state) {
        std::memcpy(target.get(), map.constBits(), size_t(map.sizeInBytes()));
        benchmark::DoNotOptimize(target.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * map.sizeInBytes());
}

// DrawMap after an edit: the scene from the project into the metafile; the
// map view then paints what is exposed.
void BM_RedrawAfterEdit(benchmark::State &state)
{
    Fixture &f = F();
    MapMetafile metafile;
    QImage viewport(1920, 1080, QImage::Format_RGB32);
    int n = 0;
    for (auto _ : state) {
        f.doc.PositionList[0] = "10001=" + QByteArray::number(100 + (n++ % 50)) + ",100,0";
        metafile.SetScene(MapDrawing::Build(f.doc, true, f.cache, MapDrawing::MapFilePath(f.doc)));
        QPainter painter(&viewport);
        MapPainter::Paint(painter, metafile.Scene(), QRect(0, 0, 1920, 1080));
    }
    state.SetBytesProcessed(state.iterations() * f.map.sizeInBytes());
}

// The same with the whole picture rastered, as for the clipboard or a PNG.
void BM_RedrawFullRaster(benchmark::State &state)
{
    Fixture &f = F();
    MapMetafile metafile;
    for (auto _ : state) {
        metafile.SetScene(MapDrawing::Build(f.doc, true, f.cache, MapDrawing::MapFilePath(f.doc)));
        const QImage image = metafile.RenderImage();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetBytesProcessed(state.iterations() * f.map.sizeInBytes());
}

} // namespace

BENCHMARK(BM_MemcpyMap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawAfterEdit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullRaster)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
