#include "core/report/ReportWriter.h"

#include "core/base/TolvekError.h"
#include "core/map/MapScene.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/SafeFileWriter.h"
#include "core/report/ReportLayout.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QIODevice>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include <deque>
#include <new>
#include <vector>

namespace {

[[noreturn]] void CannotWrite(const QString &fileName, const QString &reason)
{
    throw TolvekError(
        QStringLiteral("Kan het bestand \"%1\" niet schrijven: %2.").arg(QDir::toNativeSeparators(fileName), reason));
}

// The PDF streams into the safe writer; its last bytes are kept, as the
// document's data is added after them.
class WriterDevice : public QIODevice
{
public:
    explicit WriterDevice(SafeFileWriter &writer) : m_writer(writer) {}
    qint64 size() const override { return m_end; }
    bool isSequential() const override { return true; }
    const QByteArray &Tail() const { return m_tail; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        if (!m_writer.Append(data, std::size_t(length)))
            return -1;
        m_end += length;
        m_tail.append(data, length);
        if (m_tail.size() > 4096)
            m_tail.remove(0, m_tail.size() - 4096);
        return length;
    }

private:
    SafeFileWriter &m_writer;
    qint64 m_end = 0;
    QByteArray m_tail;
};

// A text as a PDF text string: UTF-16 with its byte order mark, in hex.
QByteArray PdfText(const QString &text)
{
    QByteArray bytes("<FEFF");
    for (const QChar c : text)
        bytes += QByteArray::number(c.unicode() | 0x10000, 16).mid(1).toUpper();
    return bytes + '>';
}

QString XmlText(const QString &text)
{
    return text.toHtmlEscaped();
}

// The document's data as XMP, which PDF/A reads, with the author that
// Qt's own data leaves out.
QByteArray Xmp(const QString &title, const QString &author, const QDateTime &now)
{
    const QString date = now.toString(Qt::ISODate);
    QString xmp = QStringLiteral("<?xpacket begin='\xFEFF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
                                 "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
                                 "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
                                 "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
                                 "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">%1</rdf:li></rdf:Alt></dc:title>\n"
                                 "<dc:creator><rdf:Seq><rdf:li>%2</rdf:li></rdf:Seq></dc:creator>\n"
                                 "</rdf:Description>\n"
                                 "<rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\">\n"
                                 "<xmp:CreatorTool>Tolvek</xmp:CreatorTool>\n"
                                 "<xmp:CreateDate>%3</xmp:CreateDate>\n"
                                 "</rdf:Description>\n"
                                 "<rdf:Description rdf:about=\"\" xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\">\n"
                                 "<pdf:Producer>Qt " QT_VERSION_STR "</pdf:Producer>\n"
                                 "</rdf:Description>\n"
                                 "<rdf:Description rdf:about=\"\" xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\">\n"
                                 "<pdfaid:part>1</pdfaid:part>\n"
                                 "<pdfaid:conformance>B</pdfaid:conformance>\n"
                                 "</rdf:Description>\n"
                                 "</rdf:RDF>\n"
                                 "</x:xmpmeta>\n"
                                 "<?xpacket end='w'?>");
    return xmp.arg(XmlText(title), XmlText(author), date).toUtf8();
}

// The document's data dictionary with the author, added as an update at
// the end of the file (Qt writes none with an author).
QByteArray InfoUpdate(const QByteArray &tail, qint64 end, const QString &title, const QString &author,
                      const QDateTime &now)
{
    const qsizetype trailer = tail.lastIndexOf("trailer");
    if (trailer < 0)
        return QByteArray();
    const QByteArray text = tail.mid(trailer);
    const QRegularExpression size(QStringLiteral("/Size (\\d+)"));
    const QRegularExpression root(QStringLiteral("/Root (\\d+) 0 R"));
    const QRegularExpression id(QStringLiteral("/ID \\[[^\\]]*\\]"));
    const QRegularExpression start(QStringLiteral("startxref\\s+(\\d+)"));
    const QString t = QString::fromLatin1(text);
    const auto sizeMatch = size.match(t), rootMatch = root.match(t), idMatch = id.match(t), startMatch = start.match(t);
    if (!sizeMatch.hasMatch() || !rootMatch.hasMatch() || !startMatch.hasMatch())
        return QByteArray();
    const qint64 object = sizeMatch.captured(1).toLongLong();
    QByteArray update = "\n";
    const qint64 objectAt = end + update.size();
    update += QByteArray::number(object) + " 0 obj\n<<\n/Title " + PdfText(title) + "\n/Author " + PdfText(author)
        + "\n/Creator " + PdfText(QStringLiteral("Tolvek")) + "\n/Producer "
        + PdfText(QStringLiteral("Qt " QT_VERSION_STR))
        + "\n/CreationDate (D:" + now.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1() + "Z)\n>>\nendobj\n";
    const qint64 xrefAt = end + update.size();
    update += "xref\n0 1\n0000000000 65535 f \n" + QByteArray::number(object) + " 1\n"
        + QByteArray::number(objectAt).rightJustified(10, '0') + " 00000 n \n";
    update += "trailer\n<<\n/Size " + QByteArray::number(object + 1) + "\n/Info " + QByteArray::number(object)
        + " 0 R\n/Root " + rootMatch.captured(1).toLatin1() + " 0 R\n/Prev " + startMatch.captured(1).toLatin1() + "\n";
    if (idMatch.hasMatch())
        update += idMatch.captured(0).toLatin1() + "\n";
    update += ">>\nstartxref\n" + QByteArray::number(xrefAt) + "\n%%EOF\n";
    return update;
}

struct Decoded
{
    QImage image;
    QString problem;
};

} // namespace

void ReportWriter::RequireMap(const MapScene &scene)
{
    if (scene.map.isNull())
        throw TolvekError(QStringLiteral("Het project heeft geen overzichtskaart. Kies eerst een kaart met "
                                         "\"Overzichtskaart\" in het menu \"Gegevens\"; een fotorapport begint "
                                         "met de kaart met de standpunten van de foto's."));
}

QImage ReportWriter::LoadPhoto(const QString &path, const QRectF &box, int ppi, QString *problem)
{
    if (path.isEmpty()) {
        if (problem)
            *problem = QStringLiteral("geen bestand");
        return QImage();
    }
    // The usual case in the program's own words, the same in every process.
    if (!QFileInfo::exists(path)) {
        if (problem)
            *problem = QStringLiteral("het bestand bestaat niet");
        return QImage();
    }
    try {
        const PhotoPicture picture = PhotoPicture::Load(path);
        const QSize size = ReportPainter::FitSize(picture.Size(), box, ppi);
        QImage image = picture.Scaled(size);
        // Opaque, so that the PDF stores it as a JPEG.
        if (image.hasAlphaChannel()) {
            QImage opaque(image.size(), QImage::Format_RGB32);
            opaque.fill(Qt::white);
            QPainter on(&opaque);
            on.drawImage(0, 0, image);
            on.end();
            image = opaque;
        }
        return image.convertToFormat(QImage::Format_RGB32);
    } catch (const TolvekError &e) {
        if (problem)
            *problem = e.message();
    } catch (const std::bad_alloc &) {
        if (problem)
            *problem = QStringLiteral("onvoldoende geheugen");
    }
    return QImage();
}

ReportWriter::Result ReportWriter::Write(const ReportLayout &layout, const MapScene &scene, const QString &fileName,
                                         Progress &progress)
{
    RequireMap(scene);
    Result result;
    const QList<ReportLayout::Page> &pages = layout.Pages();
    const ReportContent &content = layout.Content();
    const int ppi = layout.Options().PhotoPpi();

    // The photos in the order they are painted, with their boxes.
    std::vector<const ReportLayout::Cell *> cells;
    for (const ReportLayout::Page &page : pages)
        for (const ReportLayout::Cell &cell : page.cells)
            cells.push_back(&cell);
    progress.total = int(cells.size()) + 1;

    SafeFileWriter writer(fileName);
    if (!writer.Open())
        CannotWrite(fileName, writer.Reason());
    WriterDevice device(writer);
    device.open(QIODevice::WriteOnly);

    const QString title =
        layout.Options().title.trimmed().isEmpty() ? QStringLiteral("Fotorapport") : layout.Options().title.trimmed();
    const QString author = layout.Options().author.trimmed();
    const QDateTime now = QDateTime::currentDateTimeUtc();

    QThreadPool pool;
    pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    // Enough photos in hand to keep every core busy while a page is written.
    const size_t ahead = size_t(std::max(2 * pool.maxThreadCount(), 2 * layout.Options().perPage));
    std::deque<QFuture<Decoded>> inFlight;
    size_t started = 0;
    auto startMore = [&] {
        while (started < cells.size() && inFlight.size() < ahead) {
            const ReportLayout::Cell *cell = cells[started++];
            const QString path = content.photos.at(cell->photo).path;
            const QRectF box = cell->photoBox;
            inFlight.push_back(QtConcurrent::run(&pool, [path, box, ppi, &progress] {
                Decoded d;
                if (!progress.cancelled)
                    d.image = LoadPhoto(path, box, ppi, &d.problem);
                return d;
            }));
        }
    };
    // Waits for every photo still being read before the pool goes.
    struct Drain
    {
        std::deque<QFuture<Decoded>> &futures;
        ~Drain()
        {
            for (QFuture<Decoded> &f : futures)
                f.waitForFinished();
        }
    } drain{inFlight};

    {
        QPdfWriter pdf(&device);
        pdf.setPdfVersion(QPdfWriter::PdfVersion_A1b);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Tolvek"));
        pdf.setDocumentXmpMetadata(Xmp(title, author, now));
        pdf.setResolution(ReportLayout::Dpi);
        pdf.setPageLayout(
            QPageLayout(layout.Options().PageSize(), layout.Options().Orientation(), QMarginsF(0, 0, 0, 0)));
        QPainter painter;
        if (!painter.begin(&pdf))
            CannotWrite(fileName, QStringLiteral("het PDF-document kan niet worden begonnen"));
        ReportPainter pagePainter(layout, scene);
        ++progress.done;
        startMore();
        for (int i = 0; i < pages.size(); ++i) {
            if (progress.cancelled)
                break;
            if (i > 0)
                pdf.newPage();
            auto photos = [&](int photo, QString *problem) {
                // Cells are painted in the order their photos were started.
                Q_UNUSED(photo);
                Decoded d = inFlight.front().result();
                inFlight.pop_front();
                startMore();
                ++progress.done;
                if (d.image.isNull()) {
                    const ReportContent::Photo &p = content.photos.at(photo);
                    result.missing << QStringLiteral("%1: %2").arg(
                        p.fileName.isEmpty() ? QStringLiteral("foto %1").arg(p.number) : p.fileName, d.problem);
                }
                if (problem)
                    *problem = d.problem;
                return d.image;
            };
            pagePainter.PaintPage(painter, i, photos);
        }
        painter.end();
    }
    if (progress.cancelled) {
        result.cancelled = true;
        return result;
    }
    const QByteArray update = InfoUpdate(device.Tail(), device.size(), title, author, now);
    if (!update.isEmpty())
        device.write(update);
    if (!writer.Reason().isEmpty())
        CannotWrite(fileName, writer.Reason());
    if (!writer.Commit())
        CannotWrite(fileName, writer.Reason());
    result.pages = int(pages.size());
    return result;
}
