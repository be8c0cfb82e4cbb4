// Photo look-ups and decoding on large inputs.
#include "photos/JpegDecoder.h"
#include "photos/PhotoLookup.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <jpeglib.h>

namespace {

QList<QByteArray> positions(int count)
{
    QList<QByteArray> list;
    list.reserve(count);
    for (int i = 1; i <= count; ++i)
        list << QByteArray::number(i).rightJustified(5, '0') + '=' + QByteArray::number(10 + (i % 1000) * 12) + ','
                    + QByteArray::number(10 + (i / 1000) * 12) + ",90";
    return list;
}

// A click that hits nothing walks the whole list.
void HitTestMiss(benchmark::State &state)
{
    const QList<QByteArray> list = positions(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(PhotoLookup::HitIndex(list, 6, -50, -50));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(HitTestMiss)->Arg(1000)->Arg(100000);

QByteArray photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.fillRect(image.rect(), QColor(90, 140, 200));
    for (int i = 0; i < 200; ++i)
        p.fillRect((i * 97) % width, (i * 61) % height, 200, 120, QColor(i, 255 - i, (i * 7) % 255));
    p.end();
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

// A 12-megapixel camera photo shown in the designed photo window.
void JpegFitted(benchmark::State &state)
{
    const QByteArray jpeg = photo(4000, 3000);
    for (auto _ : state)
        benchmark::DoNotOptimize(JpegDecoder::Decode(jpeg, QSize(382, 286)));
}
BENCHMARK(JpegFitted)->Unit(benchmark::kMillisecond);

void JpegFullSize(benchmark::State &state)
{
    const QByteArray jpeg = photo(4000, 3000);
    for (auto _ : state)
        benchmark::DoNotOptimize(JpegDecoder::Decode(jpeg));
}
BENCHMARK(JpegFullSize)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
