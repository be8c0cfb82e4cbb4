#include "core/map/MapBandReader.h"

#include "core/base/TolvekError.h"
#include "core/map/MapImageDecoder.h"
#include "core/photos/JpegDecoder.h"
#include "core/photos/JpegErrorManager.h"
#include "core/platform/InputFile.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <csetjmp>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>
#include <tiffio.h>
#include <unistd.h>

struct MapBandReader::Source
{
    virtual ~Source() = default;
    // The next count rows in the format the whole decoding gives before
    // MapImageDecoder::Normalised. Throws TolvekError with the problem
    // (without the file's name).
    virtual QImage Rows(int count) = 0;
};

namespace {

// libpng and libjpeg report errors by a jump back to the setjmp of the
// function that called them; those functions keep only plain data in
// their frame, so the jump skips no destructor.

// PNG through libpng, the library Qt's own reader uses, set up as that
// reader sets it up, so the pixels are the same.
class PngSource : public MapBandReader::Source
{
public:
    ~PngSource() override { png_destroy_read_struct(&m_png, &m_info, nullptr); }

    // Reads the header from file (at its start); false when the file is no
    // PNG or one this reader does not read in bands.
    bool Start(const QString &path, QSize *size)
    {
        if (!InputFile::Open(m_file, path))
            return false;
        png_byte signature[8];
        if (m_file.read(reinterpret_cast<char *>(signature), 8) != 8 || png_sig_cmp(signature, 0, 8) != 0)
            return false;
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, Error, Warning);
        if (!m_png)
            return false;
        m_info = png_create_info_struct(m_png);
        if (!m_info)
            return false;
        png_set_read_fn(m_png, this, Read);
        png_set_sig_bytes(m_png, 8);
        png_uint_32 width = 0, height = 0;
        int depth = 0, type = 0, interlace = 0;
        if (!ReadInfo(this, &width, &height, &depth, &type, &interlace))
            return false;
        const bool key = png_get_valid(m_png, m_info, PNG_INFO_tRNS) && type != PNG_COLOR_TYPE_PALETTE;
        // Interlaced rows are whole only after the last pass; a colour key,
        // 16 bits and bilevel pictures take other ways through Qt's reader.
        if (interlace != PNG_INTERLACE_NONE || key || width > 0x7FFFFFFF || height > 0x7FFFFFFF)
            return false;
        m_width = int(width);
        switch (type) {
        case PNG_COLOR_TYPE_RGB:
            if (depth != 8)
                return false;
            m_format = QImage::Format_RGB32;
            break;
        case PNG_COLOR_TYPE_RGB_ALPHA:
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            if (depth != 8)
                return false;
            m_format = QImage::Format_ARGB32;
            break;
        case PNG_COLOR_TYPE_GRAY:
            if (depth != 8)
                return false;
            m_format = QImage::Format_Grayscale8;
            break;
        case PNG_COLOR_TYPE_PALETTE: {
            png_colorp palette = nullptr;
            int count = 0;
            if (depth == 1 || !png_get_PLTE(m_png, m_info, &palette, &count) || count > 256)
                return false;
            png_bytep alpha = nullptr;
            int alphas = 0;
            png_color_16p keyColour = nullptr;
            if (!png_get_tRNS(m_png, m_info, &alpha, &alphas, &keyColour) || !alpha)
                alphas = 0;
            for (int i = 0; i < count; ++i)
                m_colours << qRgba(palette[i].red, palette[i].green, palette[i].blue, i < alphas ? alpha[i] : 0xFF);
            m_format = QImage::Format_Indexed8;
            break;
        }
        default:
            return false;
        }
        if (!Configure(this, type, depth))
            return false;
        *size = QSize(int(width), int(height));
        return true;
    }

    QImage Rows(int count) override
    {
        QImage rows(m_width, count, m_format);
        if (rows.isNull())
            throw TolvekError(QStringLiteral("onvoldoende geheugen"));
        if (m_format == QImage::Format_Indexed8)
            rows.setColorTable(m_colours);
        m_pointers.resize(std::size_t(count));
        for (int y = 0; y < count; ++y)
            m_pointers[std::size_t(y)] = rows.scanLine(y);
        if (!ReadRows(this, m_pointers.data(), count))
            throw TolvekError(QStringLiteral("geen geldige of een beschadigde PNG-afbeelding (%1)")
                                  .arg(QString::fromLocal8Bit(m_message)));
        return rows;
    }

private:
    static void Error(png_structp png, png_const_charp text)
    {
        auto *self = static_cast<PngSource *>(png_get_error_ptr(png));
        qstrncpy(self->m_message, text, sizeof self->m_message);
        png_longjmp(png, 1);
    }
    static void Warning(png_structp, png_const_charp) {}
    static void Read(png_structp png, png_bytep data, size_t length)
    {
        auto *self = static_cast<PngSource *>(png_get_io_ptr(png));
        if (self->m_file.read(reinterpret_cast<char *>(data), qint64(length)) != qint64(length))
            png_error(png, "het bestand houdt te vroeg op");
    }

    static bool ReadInfo(PngSource *self, png_uint_32 *width, png_uint_32 *height, int *depth, int *type,
                         int *interlace)
    {
        if (setjmp(png_jmpbuf(self->m_png)))
            return false;
        png_read_info(self->m_png, self->m_info);
        png_get_IHDR(self->m_png, self->m_info, width, height, depth, type, interlace, nullptr, nullptr);
        return true;
    }

    // As Qt's reader: four bytes a pixel in QRgb's order, palette indices
    // one byte each, grey as it is.
    static bool Configure(PngSource *self, int type, int depth)
    {
        if (setjmp(png_jmpbuf(self->m_png)))
            return false;
        png_structp png = self->m_png;
        if (type == PNG_COLOR_TYPE_PALETTE && depth < 8)
            png_set_packing(png);
        if (type == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        if (type == PNG_COLOR_TYPE_RGB)
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        if (type == PNG_COLOR_TYPE_RGB || type == PNG_COLOR_TYPE_RGB_ALPHA || type == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_bgr(png);
        png_read_update_info(png, self->m_info);
        const std::size_t expected = std::size_t(self->m_width)
            * (self->m_format == QImage::Format_Indexed8 || self->m_format == QImage::Format_Grayscale8 ? 1 : 4);
        return png_get_rowbytes(png, self->m_info) == expected;
    }

    static bool ReadRows(PngSource *self, png_bytep *rows, int count)
    {
        if (setjmp(png_jmpbuf(self->m_png)))
            return false;
        png_read_rows(self->m_png, rows, nullptr, png_uint_32(count));
        return true;
    }

    QFile m_file;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    int m_width = 0;
    QImage::Format m_format = QImage::Format_RGB32;
    QList<QRgb> m_colours;
    std::vector<png_bytep> m_pointers;
    char m_message[200] = {};
};

// Baseline JPEG through libjpeg-turbo, set up as JpegDecoder decodes a
// photo at full size.
class JpegSource : public MapBandReader::Source
{
public:
    ~JpegSource() override
    {
        if (m_created)
            jpeg_destroy_decompress(&m_info);
    }

    bool Start(const QString &path, QSize *size)
    {
        QFile file;
        if (!InputFile::Open(file, path))
            return false;
        if (file.peek(3) != QByteArrayLiteral("\xFF\xD8\xFF"))
            return false;
        m_data = file.readAll();
        try {
            // A turned map would be read column by column.
            if (JpegDecoder::ReadHeader(m_data).orientation != 1)
                return false;
        } catch (const TolvekError &) {
            return false;
        }
        bool progressive = true;
        if (!Begin(this, &progressive) || progressive)
            return false;
        *size = QSize(int(m_info.output_width), int(m_info.output_height));
        m_cmyk = m_info.out_color_space == JCS_CMYK;
        return true;
    }

    QImage Rows(int count) override
    {
        QImage rows(int(m_info.output_width), count, QImage::Format_RGB32);
        if (rows.isNull())
            throw TolvekError(QStringLiteral("onvoldoende geheugen"));
        for (int y = 0; y < count; ++y) {
            if (!ReadRow(this, rows.scanLine(y)))
                throw TolvekError(QStringLiteral("geen geldige of een beschadigde JPEG-afbeelding (%1)")
                                      .arg(QString::fromLocal8Bit(m_error.message)));
            if (m_cmyk)
                JpegDecoder::CmykToBgrx(rows.scanLine(y), rows.width(), m_info.saw_Adobe_marker);
        }
        return rows;
    }

private:
    static void Silent(j_common_ptr, int) {}

    static bool Begin(JpegSource *self, bool *progressive)
    {
        jpeg_decompress_struct &info = self->m_info;
        std::memset(&info, 0, sizeof info);
        info.err = jpeg_std_error(&self->m_error.pub);
        self->m_error.pub.error_exit = JpegErrorManager::ErrorExit;
        // A file that ends early shows what could be decoded, as a photo does.
        self->m_error.pub.emit_message = Silent;
        self->m_error.message[0] = '\0';
        if (setjmp(self->m_error.jump))
            return false;
        jpeg_create_decompress(&info);
        self->m_created = true;
        info.mem->max_memory_to_use = JpegDecoder::MaxLibraryMemory;
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char *>(self->m_data.constData()),
                     static_cast<unsigned long>(self->m_data.size()));
        jpeg_read_header(&info, TRUE);
        *progressive = jpeg_has_multiple_scans(&info);
        const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
        info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
        info.scale_num = 8;
        info.scale_denom = 8;
        info.dct_method = JDCT_ISLOW;
        if (*progressive)
            return true;
        jpeg_start_decompress(&info);
        return true;
    }

    static bool ReadRow(JpegSource *self, unsigned char *row)
    {
        if (setjmp(self->m_error.jump))
            return false;
        JSAMPROW pointer = row;
        if (jpeg_read_scanlines(&self->m_info, &pointer, 1) != 1)
            std::memset(row, 0, std::size_t(self->m_info.output_width) * 4);
        return true;
    }

    QByteArray m_data;
    jpeg_decompress_struct m_info;
    JpegErrorManager m_error;
    bool m_created = false;
    bool m_cmyk = false;
};

// TIFF through libtiff, the library Qt's own reader uses: the kinds whose
// samples are the pixels as they are (8-bit RGB or grey, upright), which any
// reader gives alike. Strips are read row by row, tiles a row of tiles at a
// time (as GIS programs write large pictures).
class TiffSource : public MapBandReader::Source
{
public:
    ~TiffSource() override
    {
        if (m_tiff)
            TIFFClose(m_tiff);
    }

    bool Start(const QString &path, QSize *size)
    {
        QFile file;
        if (!InputFile::Open(file, path))
            return false;
        const QByteArray head = file.peek(4);
        if (head != QByteArrayLiteral("II*\0") && head != QByteArrayLiteral("MM\0*"))
            return false;
        // The copy shares the position the peek left behind.
        const int fd = ::dup(file.handle());
        if (fd < 0)
            return false;
        if (::lseek(fd, 0, SEEK_SET) != 0) {
            ::close(fd);
            return false;
        }
        TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
        TIFFOpenOptionsSetErrorHandlerExtR(options, Error, this);
        TIFFOpenOptionsSetWarningHandlerExtR(options, Warning, this);
        m_tiff = TIFFFdOpenExt(fd, QFile::encodeName(path).constData(), "r", options);
        TIFFOpenOptionsFree(options);
        if (!m_tiff) {
            ::close(fd);
            return false;
        }
        uint32_t width = 0, height = 0;
        uint16_t bits = 0, samples = 0, photometric = 0, planar = 0, format = 0, orientation = 0;
        if (!TIFFGetField(m_tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(m_tiff, TIFFTAG_IMAGELENGTH, &height)
            || !TIFFGetField(m_tiff, TIFFTAG_PHOTOMETRIC, &photometric))
            return false;
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_PLANARCONFIG, &planar);
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_SAMPLEFORMAT, &format);
        TIFFGetFieldDefaulted(m_tiff, TIFFTAG_ORIENTATION, &orientation);
        const bool rgb = photometric == PHOTOMETRIC_RGB && samples == 3;
        const bool grey = photometric == PHOTOMETRIC_MINISBLACK && samples == 1;
        if (!(rgb || grey) || bits != 8 || planar != PLANARCONFIG_CONTIG || format != SAMPLEFORMAT_UINT
            || orientation != ORIENTATION_TOPLEFT || width == 0 || height == 0 || width > 0x7FFFFFFF
            || height > 0x7FFFFFFF)
            return false;
        m_rgb = rgb;
        m_width = int(width);
        m_height = int(height);
        const std::size_t lineBytes = std::size_t(width) * (rgb ? 3 : 1);
        if (TIFFIsTiled(m_tiff)) {
            uint32_t tileWidth = 0, tileHeight = 0;
            // A row of tiles is held at once: tiles as tall as the picture
            // would hold it whole.
            if (!TIFFGetField(m_tiff, TIFFTAG_TILEWIDTH, &tileWidth)
                || !TIFFGetField(m_tiff, TIFFTAG_TILELENGTH, &tileHeight) || tileWidth == 0 || tileHeight == 0
                || tileWidth > 8192 || tileHeight > 1024
                || TIFFTileSize(m_tiff) != tmsize_t(tileWidth) * tileHeight * (rgb ? 3 : 1))
                return false;
            m_tileWidth = int(tileWidth);
            m_tileHeight = int(tileHeight);
            m_tile.resize(std::size_t(TIFFTileSize(m_tiff)));
            m_line.resize(lineBytes * tileHeight);
        } else {
            if (TIFFScanlineSize(m_tiff) != tmsize_t(lineBytes))
                return false;
            m_line.resize(lineBytes);
        }
        *size = QSize(int(width), int(height));
        return true;
    }

    QImage Rows(int count) override
    {
        QImage rows(m_width, count, QImage::Format_RGB32);
        if (rows.isNull())
            throw TolvekError(QStringLiteral("onvoldoende geheugen"));
        for (int y = 0; y < count; ++y, ++m_row) {
            const unsigned char *in = m_tileHeight > 0 ? TiledRow() : m_line.data();
            if (m_tileHeight == 0 && TIFFReadScanline(m_tiff, m_line.data(), uint32_t(m_row), 0) < 0)
                throw Damaged();
            auto *out = reinterpret_cast<QRgb *>(rows.scanLine(y));
            if (m_rgb)
                for (int x = 0; x < m_width; ++x, in += 3)
                    out[x] = qRgb(in[0], in[1], in[2]);
            else
                for (int x = 0; x < m_width; ++x)
                    out[x] = qRgb(in[x], in[x], in[x]);
        }
        return rows;
    }

private:
    TolvekError Damaged() const
    {
        return TolvekError(QStringLiteral("geen geldige of een beschadigde TIFF-afbeelding (%1)")
                               .arg(QString::fromLocal8Bit(m_message)));
    }

    // Row m_row of a tiled picture, its row of tiles read when it is the first.
    const unsigned char *TiledRow()
    {
        const int channels = m_rgb ? 3 : 1;
        const std::size_t lineBytes = std::size_t(m_width) * std::size_t(channels);
        const int top = m_row - m_row % m_tileHeight;
        if (m_row == top) {
            const int rows = std::min(m_tileHeight, m_height - top);
            for (int x = 0; x < m_width; x += m_tileWidth) {
                if (TIFFReadTile(m_tiff, m_tile.data(), uint32_t(x), uint32_t(top), 0, 0) < 0)
                    throw Damaged();
                const std::size_t bytes = std::size_t(std::min(m_tileWidth, m_width - x)) * std::size_t(channels);
                for (int r = 0; r < rows; ++r)
                    std::memcpy(m_line.data() + std::size_t(r) * lineBytes + std::size_t(x) * std::size_t(channels),
                                m_tile.data() + std::size_t(r) * std::size_t(m_tileWidth) * std::size_t(channels),
                                bytes);
            }
        }
        return m_line.data() + std::size_t(m_row - top) * lineBytes;
    }

    static int Error(TIFF *, void *self, const char *, const char *format, va_list arguments)
    {
        auto *source = static_cast<TiffSource *>(self);
        std::vsnprintf(source->m_message, sizeof source->m_message, format, arguments);
        return 1;
    }
    static int Warning(TIFF *, void *, const char *, const char *, va_list) { return 1; }

    TIFF *m_tiff = nullptr;
    bool m_rgb = false;
    int m_width = 0;
    int m_height = 0;
    int m_row = 0;
    int m_tileWidth = 0;
    int m_tileHeight = 0;              // 0: strips
    std::vector<unsigned char> m_line; // a row, or a row of tiles
    std::vector<unsigned char> m_tile;
    char m_message[200] = {};
};

QString ShownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

std::unique_ptr<MapBandReader> MapBandReader::Open(const QString &path, qint64 minPixels)
{
    std::unique_ptr<MapBandReader> reader(new MapBandReader);
    reader->m_path = path;
    QSize size;
    auto png = std::make_unique<PngSource>();
    if (png->Start(path, &size)) {
        reader->m_source = std::move(png);
    } else if (auto jpeg = std::make_unique<JpegSource>(); jpeg->Start(path, &size)) {
        reader->m_source = std::move(jpeg);
    } else if (auto tiff = std::make_unique<TiffSource>(); tiff->Start(path, &size)) {
        reader->m_source = std::move(tiff);
    } else {
        return nullptr;
    }
    const qint64 pixels = qint64(size.width()) * size.height();
    if (size.isEmpty() || pixels < minPixels || pixels > MapImageDecoder::MaxPixels)
        return nullptr;
    reader->m_size = size;
    return reader;
}

MapBandReader::~MapBandReader() = default;

QImage MapBandReader::Next(int count)
{
    count = std::min(count, m_size.height() - m_row);
    if (count <= 0)
        return QImage();
    try {
        QImage rows = MapImageDecoder::Normalised(m_source->Rows(count));
        if (rows.format() != QImage::Format_RGB32)
            rows = rows.convertToFormat(QImage::Format_RGB32);
        if (rows.isNull())
            throw TolvekError(QStringLiteral("onvoldoende geheugen"));
        m_row += count;
        return rows;
    } catch (const TolvekError &e) {
        throw TolvekError(QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen: %2.")
                              .arg(ShownPath(m_path), e.message()));
    }
}

void MapBandReader::Restart()
{
    std::unique_ptr<MapBandReader> again = Open(m_path, 0);
    if (!again || again->m_size != m_size)
        throw TolvekError(
            QStringLiteral("De overzichtskaart \"%1\" is tijdens het lezen veranderd.").arg(ShownPath(m_path)));
    m_source = std::move(again->m_source);
    m_row = 0;
}
