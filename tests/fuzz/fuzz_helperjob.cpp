// A job of the decoding helper, run here in the fuzzer's own process as the
// helper runs it: its libraries' code and ours are then seen by the fuzzer
// (in the helper they are not), and its answer is read back as the
// program's side reads it. TOLVEK_FUZZ_JOB names the job: "emf", "wmf",
// "heif", "chm" or "pdf".

#include "FuzzCheck.h"
#include "FuzzSupport.h"

#include "core/map/PdfMapRenderer.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/ChmArchive.h"

#include <QDataStream>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <cstdint>
#include <cstring>

#ifndef TOLVEK_FUZZ_JOB
#error TOLVEK_FUZZ_JOB must name a job of the helper
#endif

namespace {

// "1", alpha, width and height, then the rows: the size must add up.
void CheckPixels(const QByteArray &out)
{
    FUZZ_CHECK(!out.isEmpty() && (out.at(0) == '0' || out.at(0) == '1'));
    if (out.at(0) != '1')
        return;
    FUZZ_CHECK(out.size() >= 10);
    const qint64 w = qFromLittleEndian<quint32>(out.constData() + 2);
    const qint64 h = qFromLittleEndian<quint32>(out.constData() + 6);
    FUZZ_CHECK(w > 0 && h > 0 && w * h <= PhotoPicture::MaxPixels);
    FUZZ_CHECK(out.size() == 10 + w * h * (out.at(1) ? 4 : 3));
}

// The objects of a help file, each: flags, path length, path, readable,
// data length, data.
void CheckObjects(const QByteArray &out)
{
    qsizetype at = 0;
    while (at < out.size()) {
        FUZZ_CHECK(out.size() - at >= 8);
        const quint32 pathLength = qFromLittleEndian<quint32>(out.constData() + at + 4);
        at += 8;
        FUZZ_CHECK(out.size() - at >= qint64(pathLength) + 9);
        at += qsizetype(pathLength) + 1;
        const quint64 dataLength = qFromLittleEndian<quint64>(out.constData() + at);
        at += 8;
        FUZZ_CHECK(dataLength <= quint64(out.size() - at));
        at += qsizetype(dataLength);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray job(TOLVEK_FUZZ_JOB);
    QByteArray out;
    if (job == "emf") {
        // The program sends only files of a whole header and more.
        if (bytes.size() < 88)
            return 0;
        if (!PhotoPicture::EmfToSvg(bytes, out))
            return 0;
        QSvgRenderer renderer(out);
        if (renderer.isValid()) {
            QImage image(64, 48, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            renderer.render(&painter);
        }
    } else if (job == "wmf") {
        FUZZ_CHECK(PhotoPicture::WmfToPng(bytes, out));
        FUZZ_CHECK(!out.isEmpty() && (out.at(0) == '0' || out.at(0) == '1'));
        if (out.at(0) == '1')
            FUZZ_CHECK(!QImage::fromData(out.mid(1), "PNG").isNull());
    } else if (job == "heif") {
        // The whole photo, or (an odd size) fitted to a thumbnail's size.
        if (size % 2 == 0) {
            FUZZ_CHECK(PhotoPicture::HeifToPixels(bytes, out));
        } else {
            QByteArray request(4, '\0');
            qToLittleEndian<quint32>(64, request.data());
            FUZZ_CHECK(PhotoPicture::HeifToFittedPixels(request + bytes, out));
        }
        CheckPixels(out);
    } else if (job == "chm") {
        const QString name = FuzzSupport::WriteScratch(QStringLiteral(".chm"), bytes);
        if (ChmArchive::UnpackJob(QFile::encodeName(name), out))
            CheckObjects(out);
    } else if (job == "pdf") {
        const QString name = FuzzSupport::WriteScratch(QStringLiteral(".pdf"), bytes);
        QByteArray request;
        QDataStream stream(&request, QIODevice::WriteOnly);
        // The file dialog's preview: the first page fitted to a small box.
        stream << name << 0.0 << QSize(64, 48) << qint64(65 * 49);
        FUZZ_CHECK(PdfMapRenderer::RenderJob(request, out));
        FUZZ_CHECK(!out.isEmpty() && (out.at(0) == '0' || out.at(0) == '1'));
        if (out.at(0) == '1') {
            FUZZ_CHECK(out.size() >= 9);
            const qint64 w = qFromLittleEndian<qint32>(out.constData() + 1);
            const qint64 h = qFromLittleEndian<qint32>(out.constData() + 5);
            FUZZ_CHECK(w >= 1 && h >= 1 && w <= 64 && h <= 48 && out.size() == 9 + w * h * 4);
        }
    } else {
        FUZZ_CHECK(!"an unknown job");
    }
    return 0;
}
