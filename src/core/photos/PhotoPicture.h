#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <memory>
#include <optional>

class QSvgRenderer;

// A photo file loaded for the photo window. The kind follows the file-name
// extension, without regard to letter case: "jpg" and "jpeg" are JPEG
// photos, "bmp" bitmaps, "ico" icons, "emf" and "wmf" metafiles; beyond
// those "png", "tif"/"tiff" (the first page), "webp", "gif" (the first frame)
// and "heic"/"heif"/"hif". JPEG photos keep their compressed bytes and are
// decoded for each shown size; the other kinds are decoded once, upright
// by their orientation (Qt's readers apply EXIF orientation; HEIF carries
// its rotation and mirroring in the file, which libheif applies).
class PhotoPicture
{
public:
    enum class Kind { Jpeg, Bitmap, Icon, Emf, Wmf, Png, Tiff, WebP, Gif, Heif };

    static std::optional<Kind> KindForFileName(const QString &fileName);
    // Every extension a photo may have, as "*.jpg;*.jpeg;...", for file dialogs.
    static QString FilePatterns();

    // Reads and checks the file. Throws TolvekError with a Dutch message that
    // names the file and the problem.
    static PhotoPicture Load(const QString &fileName);
    // The same for a picture that is drawn no larger than longSide pixels
    // across (a thumbnail): a HEIF photo then comes from the smaller
    // picture the camera stored beside it when that is large enough, and
    // is scaled down in the helper. Size() and FullSize() are then those of
    // the picture loaded, no longer than longSide; other kinds are as Load.
    static PhotoPicture Load(const QString &fileName, int longSide);

    PhotoPicture();
    ~PhotoPicture();
    PhotoPicture(PhotoPicture &&) noexcept;
    PhotoPicture &operator=(PhotoPicture &&) noexcept;

    bool IsNull() const { return !m_size.isValid(); }
    Kind kind() const { return m_kind; }
    const QString &FileName() const { return m_fileName; }

    // The picture's own size, as shown (JPEG: after its EXIF orientation).
    QSize Size() const { return m_size; }

    // The picture drawn to exactly size (a JPEG is decoded at the smallest
    // sufficient scale). Throws TolvekError.
    QImage Scaled(QSize size) const;

    // The picture at its own size. Throws TolvekError when it is larger
    // than MaxPixels.
    QImage FullSize() const;

    // The file's bytes for metafiles (empty for other kinds) and their
    // clipboard type.
    QByteArray MetafileBytes() const;
    QString MetafileMimeType() const;

    // The file's bytes as read, for a JPEG (empty for other kinds): what
    // the camera recorded is read from them without reading the file again.
    QByteArray JpegBytes() const { return m_kind == Kind::Jpeg ? m_data : QByteArray(); }

    // Frees what the picture holds.
    void Release();

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    static constexpr qint64 MaxPixels = 4'000'000;
#else
    static constexpr qint64 MaxPixels = 150'000'000;
#endif
    // Metafiles are read by old C libraries in the helper process; a file
    // that keeps them busy longer than this is given up.
    static constexpr int MetafileMilliseconds = 10000;

    // The helper's jobs: EMF bytes to SVG; WMF bytes to "1" and a PNG, or
    // "0" and the problem.
    static constexpr const char *EmfJob = "emf";
    static constexpr const char *WmfJob = "wmf";
    static bool EmfToSvg(const QByteArray &emf, QByteArray &svg);
    static bool WmfToPng(const QByteArray &wmf, QByteArray &out);
    // HEIF bytes to "1", a flag for alpha, width and height (32 bits each,
    // little-endian) and the 8-bit RGB or RGBA rows, upright; or "0" and
    // the problem in Dutch. libheif and its HEVC decoder are large parsers
    // of untrusted files: they only ever run in the helper.
    static constexpr const char *HeifJob = "heif";
    static bool HeifToPixels(const QByteArray &heif, QByteArray &out);
    // The same for a longer side of at most the first 4 bytes' number
    // (little-endian), from the file's bytes that follow.
    static constexpr const char *HeifFitJob = "heif-fit";
    static bool HeifToFittedPixels(const QByteArray &in, QByteArray &out);
    // A HEIF photo is given this long to decode.
    static constexpr int HeifMilliseconds = 30000;

private:
    QString Problem(const QString &what) const;
    static bool HeifDecode(const QByteArray &heif, int longSide, QByteArray &out);

    QString m_fileName;
    Kind m_kind = Kind::Jpeg;
    QSize m_size;
    QByteArray m_data;                   // JPEG, EMF and WMF bytes
    QImage m_image;                      // bitmap, icon and WMF pixels
    std::unique_ptr<QSvgRenderer> m_svg; // EMF drawing
};
