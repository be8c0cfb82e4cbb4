// The map on paper and in picture files, through the main window's menu:
// printing (to a PDF file, as any printer), the print preview, "Exporteren
// als afbeelding..." in PNG, SVG and PDF, and Ctrl+C. Each result is read
// back as a picture and sampled where the map is red, blue and where the
// inside of a triangle is white.
#include "DialogDriver.h"

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/platform/ProcessFolders.h"
#include "gui/map/MapView.h"
#include "gui/photos/TFotoForm.h"
#include "gui/platform/LocaleAndFonts.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWindow>

namespace {

const QColor kRed(200, 30, 30);
const QColor kBlue(30, 30, 200);

// A 300 by 200 map, red on the left and blue on the right, with one big
// triangle (size 30) in the red half pointing right from (75, 100).
void writeProject(const QString &folder)
{
    QImage map(300, 200, QImage::Format_RGB32);
    QPainter p(&map);
    p.fillRect(0, 0, 150, 200, kRed);
    p.fillRect(150, 0, 150, 200, kBlue);
    p.end();
    QVERIFY(map.save(folder + QStringLiteral("/kaart.bmp"), "BMP"));
    QImage photo(40, 30, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    QVERIFY(photo.save(folder + QStringLiteral("/foto.jpg"), "JPEG"));
    QFile f(folder + QStringLiteral("/kaart.tvk"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("[Algemene gegevens]\r\n00001=kaart.bmp\r\n00002=30\r\n00003=16711680\r\n00010=Hulp\r\n"
            "[Fotopositie]\r\n00001=75,100,0\r\n[Fotonaam]\r\n00001=foto.jpg\r\n[Foto-aantekeningen]\r\n"
            "00001=Deur\r\n");
}

bool near(const QColor &a, const QColor &b, int tolerance = 40)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

// The map's own colours at three places of a picture of it; where lies the
// map within the picture (in its pixels).
void checkSamples(const QImage &image, const QRectF &where)
{
    auto at = [&](double x, double y) {
        return image.pixelColor(
            QPointF(where.left() + x * where.width() / 300.0, where.top() + y * where.height() / 200.0).toPoint());
    };
    QVERIFY2(near(at(40, 170), kRed), qPrintable(at(40, 170).name()));
    QVERIFY2(near(at(260, 170), kBlue), qPrintable(at(260, 170).name()));
    QVERIFY2(near(at(86, 100), Qt::white), qPrintable(at(86, 100).name())); // inside the triangle
}

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return QString();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Pages and page size in points of a PDF file, from pdfinfo.
struct PdfInfo
{
    int pages = 0;
    QSizeF size;
};
PdfInfo pdfInfo(const QString &file)
{
    PdfInfo info;
    const QString text = run(QStringLiteral("pdfinfo"), {file});
    info.pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(text).captured(1).toInt();
    const auto m = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(text);
    info.size = QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    return info;
}

// The first page drawn by poppler at 96 dots an inch.
QImage pdfPage(const QString &file, const QString &out)
{
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"), QStringLiteral("-singlefile"), file, out});
    return QImage(out + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestMapOutput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        ProcessFolders::SupportStartup();
        LocaleAndFonts::SetUp();
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty(),
                 "pdftoppm (poppler-utils) is needed");
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        writeProject(m_dir->path());
        m_driver = std::make_unique<DialogDriver>();
        m_form = std::make_unique<THoofdForm>();
        m_form->show();
        m_form->Files().ReadDataFile(m_dir->filePath(QStringLiteral("kaart.tvk")));
    }
    void cleanup()
    {
        for (TFotoForm *w : TFotoForm::OpenWindows())
            delete w;
        m_form.reset();
        QCOMPARE(m_driver->Pending(), 0);
        m_driver.reset();
    }

    void printsOnOnePageInTheBestOrientation();
    void previewShowsThatPage();
    void exportsPngSvgAndPdf();
    void ctrlCCopiesTheMapInTheMainWindow();

private:
    void trigger(const char *action) { m_form->findChild<QAction *>(QString::fromLatin1(action))->trigger(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
};

void TestMapOutput::printsOnOnePageInTheBestOrientation()
{
    const QString pdf = m_dir->filePath(QStringLiteral("afdruk.pdf"));
    m_driver->PrintToPdf(pdf);
    trigger("Afdrukken1");
    const PdfInfo info = pdfInfo(pdf);
    QCOMPARE(info.pages, 1);
    // A map wider than high lies on a landscape page.
    QVERIFY2(info.size.width() > info.size.height(),
             qPrintable(QStringLiteral("%1 x %2").arg(info.size.width()).arg(info.size.height())));

    const QImage page = pdfPage(pdf, m_dir->filePath(QStringLiteral("afdruk")));
    QVERIFY(!page.isNull());
    // The map is what is not white; it fills the printable width, with its
    // proportions, and the page's corners stay white.
    QRect map;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (!near(page.pixelColor(x, y), Qt::white, 30))
                map |= QRect(x, y, 1, 1);
    QVERIFY(map.width() > page.width() * 0.85);
    QVERIFY2(qAbs(double(map.width()) / map.height() - 1.5) < 0.03, qPrintable(QString::number(map.width())));
    QVERIFY(near(page.pixelColor(2, 2), Qt::white, 10));
    QVERIFY(near(page.pixelColor(page.width() - 3, page.height() - 3), Qt::white, 10));
    checkSamples(page, map);

    // Cancelled: nothing printed.
    QVERIFY(QFile::remove(pdf));
    m_driver->CancelPrint();
    trigger("Afdrukken1");
    QVERIFY(!QFile::exists(pdf));
}

void TestMapOutput::previewShowsThatPage()
{
    int pages = 0;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    m_driver->Handle([&](QDialog *d) {
        auto *preview = d->findChild<QPrintPreviewWidget *>();
        QVERIFY(preview);
        QTRY_VERIFY(preview->pageCount() > 0);
        pages = preview->pageCount();
        orientation = preview->orientation();
        d->reject();
    });
    trigger("Afdrukvoorbeeld1");
    QCOMPARE(pages, 1);
    QCOMPARE(orientation, QPageLayout::Landscape);
}

void TestMapOutput::exportsPngSvgAndPdf()
{
    // No extension: a PNG file.
    const QString png = m_dir->filePath(QStringLiteral("kaart-plaatje.png"));
    m_driver->ChooseFile(m_dir->filePath(QStringLiteral("kaart-plaatje")));
    trigger("ExporterenAfbeelding1");
    QCOMPARE(m_driver->fileRequests.last().filter,
             QStringLiteral("PNG-afbeelding (*.png)|*.png|SVG-tekening (*.svg)|*.svg|PDF-document (*.pdf)|*.pdf"));
    const QImage image(png);
    QCOMPARE(image.size(), QSize(300, 200));
    checkSamples(image.convertToFormat(QImage::Format_RGB32), QRectF(0, 0, 300, 200));

    const QString svg = m_dir->filePath(QStringLiteral("kaart.svg"));
    m_driver->ChooseFile(svg);
    trigger("ExporterenAfbeelding1");
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QImage drawn(300, 200, QImage::Format_RGB32);
    drawn.fill(Qt::black);
    QPainter painter(&drawn);
    renderer.render(&painter);
    painter.end();
    checkSamples(drawn, QRectF(0, 0, 300, 200));

    // The extension in any letter case; one page the size of the map.
    const QString pdf = m_dir->filePath(QStringLiteral("kaart.PDF"));
    m_driver->ChooseFile(pdf);
    trigger("ExporterenAfbeelding1");
    const PdfInfo info = pdfInfo(pdf);
    QCOMPARE(info.pages, 1);
    QCOMPARE(info.size, QSizeF(225, 150));
    const QImage page = pdfPage(pdf, m_dir->filePath(QStringLiteral("kaart-pdf")));
    QCOMPARE(page.size(), QSize(300, 200));
    checkSamples(page, QRectF(0, 0, 300, 200));

    // An existing file is replaced only when the user says so.
    const QByteArray before = [&] {
        QFile f(png);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    m_form->findChild<QAction *>(QStringLiteral("Fotonummerstonen1"))->trigger(); // a different drawing
    m_driver->ChooseFile(png);
    m_driver->Press(QStringLiteral("&Niet overschrijven"));
    trigger("ExporterenAfbeelding1");
    QVERIFY(m_driver->dialogs.last().texts.contains(QStringLiteral("Bestand overschrijven?")));
    QFile unchanged(png);
    QVERIFY(unchanged.open(QIODevice::ReadOnly));
    QCOMPARE(unchanged.readAll(), before);
}

void TestMapOutput::ctrlCCopiesTheMapInTheMainWindow()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("leeg"));
    m_form->activateWindow();
    QTRY_VERIFY(m_form->isActiveWindow());
    QTest::keyClick(m_form->windowHandle(), Qt::Key_C, Qt::ControlModifier);
    QTRY_VERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/x-emf")));

    // In a photo window's notes, Ctrl+C copies the selected text.
    QTest::mouseClick(m_form->OverzichtsImage, Qt::LeftButton, {}, QPoint(76, 100));
    QTRY_COMPARE(TFotoForm::OpenWindows().size(), 1);
    TFotoForm *window = TFotoForm::OpenWindows().first();
    window->GegevensSpeedButton->click();
    window->activateWindow();
    QTRY_VERIFY(window->isActiveWindow());
    window->AantekeningenMemo->setFocus();
    window->AantekeningenMemo->selectAll();
    QTest::keyClick(window->windowHandle(), Qt::Key_C, Qt::ControlModifier);
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Deur"));
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/x-emf")));
    // In its photo view, the photo itself.
    window->FotoSpeedButton->click();
    window->setFocus();
    QTest::keyClick(window->windowHandle(), Qt::Key_C, Qt::ControlModifier);
    QTRY_VERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
    QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(40, 30));
    QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("image/x-emf")));
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    TolvekApplication app(argc, argv);
    TestMapOutput test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mapoutput.moc"
