// The help file as built next to the program, its context table (also
// damaged ones), and the help window that shows its topics.
#include "core/platform/ChmArchive.h"
#include "core/platform/ChmContextTable.h"
#include "core/platform/DocumentOpener.h"
#include "core/platform/ProcessFolders.h"
#include "gui/info/ChmTextBrowser.h"
#include "gui/info/THelpForm.h"
#include "gui/widgets/UserInteraction.h"

#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray U32(std::uint32_t v)
{
    char b[4];
    qToLittleEndian<std::uint32_t>(v, b);
    return QByteArray(b, 4);
}

// Answers every modal dialog by closing it, keeping the texts it showed.
struct DialogRecorder
{
    QStringList texts;
    DialogRecorder()
    {
        UserInteraction::SetModalHandler([this](QDialog *dialog) {
            QStringList shown;
            for (const QLabel *label : dialog->findChildren<QLabel *>())
                shown << label->text();
            texts << shown.join(QLatin1Char('\n'));
            dialog->reject();
        });
    }
    ~DialogRecorder() { UserInteraction::SetModalHandler({}); }
};

} // namespace

class TestSupportHelp : public QObject
{
    Q_OBJECT

private slots:
    void tableRoundTrip();
    void damagedTables_data();
    void damagedTables();
    void randomTablesStayInBounds();
    void builtHelpFileContexts();
    void builtHelpFileObjects();
    void notAHelpFile();
    void windowShowsContexts();
    void linksPicturesAndHistory();
    void webLinksGoToTheBrowser();
    void missingHelpFileIsReported();
    void unknownContextIsReported();
};

void TestSupportHelp::tableRoundTrip()
{
    const QMap<std::uint32_t, QString> table = {{20, QStringLiteral("inhoud.html")},
                                                {60, QStringLiteral("sub/foto_cdrom.html#boven")},
                                                {0xFFFFFFFFu, QStringLiteral("laatste.html")}};
    QByteArray ivb, strings;
    ChmContextTable::Build(table, ivb, strings);
    QCOMPARE(ivb.size(), 4 + 3 * 8);
    QCOMPARE(ChmContextTable::Parse(ivb, strings), table);
}

void TestSupportHelp::damagedTables_data()
{
    QTest::addColumn<QByteArray>("ivb");
    QTest::addColumn<QByteArray>("strings");
    QTest::addColumn<QString>("expected"); // "id=path;id=path"

    const QByteArray strings = QByteArray("\0a.html\0b.html\0", 15);
    QTest::newRow("empty") << QByteArray() << strings << "";
    QTest::newRow("shorter than its count") << QByteArray("\x10\0", 2) << strings << "";
    QTest::newRow("count only") << U32(0) << strings << "";
    QTest::newRow("good") << U32(16) + U32(20) + U32(1) + U32(60) + U32(8) << strings << "20=a.html;60=b.html";
    QTest::newRow("count beyond the data")
        << U32(0xFFFFFFF0u) + U32(20) + U32(1) + U32(60) + U32(8) << strings << "20=a.html;60=b.html";
    QTest::newRow("count cuts the pairs") << U32(8) + U32(20) + U32(1) + U32(60) + U32(8) << strings << "20=a.html";
    QTest::newRow("half a pair at the end") << U32(12) + U32(20) + U32(1) + U32(60) << strings << "20=a.html";
    QTest::newRow("odd count") << U32(13) + U32(20) + U32(1) + U32(60) + U32(8) << strings << "20=a.html";
    QTest::newRow("offset past the strings")
        << U32(16) + U32(20) + U32(15) + U32(60) + U32(0xFFFFFFFFu) << strings << "";
    QTest::newRow("offset of an empty text") << U32(8) + U32(20) + U32(0) << strings << "";
    QTest::newRow("text without its zero") << U32(8) + U32(20) + U32(3) << QByteArray("\0a.html", 7) << "";
    QTest::newRow("no strings at all") << U32(8) + U32(20) + U32(0) << QByteArray() << "";
    QTest::newRow("first entry of a context wins")
        << U32(16) + U32(20) + U32(8) + U32(20) + U32(1) << strings << "20=b.html";
}

void TestSupportHelp::damagedTables()
{
    QFETCH(QByteArray, ivb);
    QFETCH(QByteArray, strings);
    QFETCH(QString, expected);
    const QMap<std::uint32_t, QString> table = ChmContextTable::Parse(ivb, strings);
    QStringList got;
    for (auto it = table.cbegin(); it != table.cend(); ++it)
        got << QStringLiteral("%1=%2").arg(it.key()).arg(it.value());
    QCOMPARE(got.join(QLatin1Char(';')), expected);
}

void TestSupportHelp::randomTablesStayInBounds()
{
    // Random and damaged tables: every entry read back must lie inside the
    // data (the sanitizer build checks the reads themselves).
    QRandomGenerator random(20061);
    QByteArray goodIvb, goodStrings;
    ChmContextTable::Build({{20, QStringLiteral("inhoud.html")}, {60, QStringLiteral("foto_cdrom.html")}}, goodIvb,
                           goodStrings);
    for (int round = 0; round < 3000; ++round) {
        QByteArray ivb, strings;
        if (round % 2 == 0) {
            ivb.resize(random.bounded(0, 48));
            strings.resize(random.bounded(0, 40));
            for (char &c : ivb)
                c = char(random.bounded(0, 256));
            for (char &c : strings)
                c = char(random.bounded(0, 8) == 0 ? 0 : random.bounded(1, 256));
        } else {
            ivb = goodIvb;
            strings = goodStrings;
            QByteArray &target = random.bounded(0, 2) ? ivb : strings;
            const int changes = random.bounded(1, 4);
            for (int i = 0; i < changes && !target.isEmpty(); ++i)
                target[random.bounded(0, int(target.size()))] = char(random.bounded(0, 256));
            if (random.bounded(0, 4) == 0)
                target.truncate(random.bounded(0, int(target.size()) + 1));
        }
        const QMap<std::uint32_t, QString> table = ChmContextTable::Parse(ivb, strings);
        QVERIFY(qsizetype(table.size()) <= std::max<qsizetype>(0, (ivb.size() - 4) / 8));
        for (const QString &path : table) {
            QVERIFY(!path.isEmpty());
            QVERIFY(!path.contains(QChar(0)));
            QVERIFY(path.toUtf8().size() < strings.size() || path.contains(QChar::ReplacementCharacter));
        }
    }
}

void TestSupportHelp::builtHelpFileContexts()
{
    ChmArchive archive;
    QVERIFY2(archive.Open(QStringLiteral(TOLVEK_HELP_FILE)), TOLVEK_HELP_FILE);
    // The table as stored in the file.
    const std::optional<QByteArray> ivb = archive.Read(QStringLiteral("/#IVB"));
    const std::optional<QByteArray> strings = archive.Read(QStringLiteral("/#STRINGS"));
    QVERIFY(ivb && strings);
    const QMap<std::uint32_t, QString> table = ChmContextTable::Parse(*ivb, *strings);
    // The contents and the photo-CD topic, and one topic per dialog.
    const QMap<std::uint32_t, QString> topics{
        {20u, QStringLiteral("/inhoud.html")},
        {21u, QStringLiteral("/projectgegevens.html")},
        {22u, QStringLiteral("/overzichtskaart.html")},
        {23u, QStringLiteral("/foto_toevoegen.html")},
        {24u, QStringLiteral("/foto_verwijderen.html")},
        {25u, QStringLiteral("/alle_fotos_wijzigen.html")},
        {34u, QStringLiteral("/fotorapport.html")},
        {41u, QStringLiteral("/kaart_ijken.html")},
        {42u, QStringLiteral("/richting_overnemen.html")},
        {43u, QStringLiteral("/plaats_overnemen.html")},
        {60u, QStringLiteral("/foto_cdrom.html")},
    };
    QCOMPARE(table.keys(), topics.keys());
    for (auto it = topics.cbegin(); it != topics.cend(); ++it) {
        QVERIFY2(table.value(it.key()).endsWith(it.value().mid(1)), qPrintable(table.value(it.key())));
        // And as topics of the archive.
        QCOMPARE(archive.TopicForContext(it.key()).value_or(QString()), it.value());
    }
    QVERIFY(!archive.TopicForContext(26));
    QVERIFY(!archive.TopicForContext(0));
    QCOMPARE(archive.DefaultTopic().value_or(QString()), QStringLiteral("/inhoud.html"));
}

void TestSupportHelp::builtHelpFileObjects()
{
    ChmArchive archive;
    QVERIFY(archive.Open(QStringLiteral(TOLVEK_HELP_FILE)));
    for (const char *name : {"/inhoud.html", "/fotokaart_maken.html", "/fotokaart_bekijken.html", "/fotolijst.html",
                             "/projectbestand.html", "/veilig_bewaren.html", "/foto_cdrom.html", "/stijl.css",
                             "/driehoek.png", "/Tolvek.hhc"}) {
        const std::optional<QByteArray> data = archive.Read(QString::fromLatin1(name));
        QVERIFY2(data && !data->isEmpty(), name);
    }
    // The topic is the very file of the sources.
    QFile source(QStringLiteral(TOLVEK_HELP_SOURCE "/foto_cdrom.html"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    QCOMPARE(archive.Read(QStringLiteral("/foto_cdrom.html")).value_or(QByteArray()), source.readAll());
    QImage picture;
    QVERIFY(picture.loadFromData(archive.Read(QStringLiteral("/driehoek.png")).value_or(QByteArray())));
    QCOMPARE(picture.size(), QSize(160, 100));
    QVERIFY(!archive.Read(QStringLiteral("/bestaat_niet.html")));
    QVERIFY(!archive.Read(QString(2000, QLatin1Char('x'))));
}

void TestSupportHelp::notAHelpFile()
{
    QTemporaryDir dir;
    ChmArchive archive;
    QVERIFY(!archive.Open(dir.path() + QStringLiteral("/missing.chm")));
    QFile text(dir.path() + QStringLiteral("/tekst.chm"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("Dit is geen helpbestand maar gewone tekst.\n");
    text.close();
    QVERIFY(!archive.Open(text.fileName()));
    QVERIFY(!archive.TopicForContext(20));

    // A help file cut short opens or not, but never answers with rubbish.
    QFile full(QStringLiteral(TOLVEK_HELP_FILE));
    QVERIFY(full.open(QIODevice::ReadOnly));
    const QByteArray bytes = full.readAll();
    for (const qsizetype size : {qsizetype(96), qsizetype(600), bytes.size() / 2, bytes.size() - 100}) {
        QFile cut(dir.path() + QStringLiteral("/cut.chm"));
        QVERIFY(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
        cut.write(bytes.left(size));
        cut.close();
        if (archive.Open(cut.fileName())) {
            const std::optional<QString> topic = archive.TopicForContext(60);
            QVERIFY(!topic || *topic == QLatin1String("/foto_cdrom.html"));
        }
    }
}

void TestSupportHelp::windowShowsContexts()
{
    ProcessFolders::SupportStartup(QCoreApplication::applicationFilePath());
    QCOMPARE(THelpForm::ApplicationHelpFile(), QCoreApplication::applicationDirPath() + QStringLiteral("/Tolvek.chm"));
    THelpForm form;
    form.SetHelpFile(QStringLiteral(TOLVEK_HELP_FILE));
    QVERIFY(form.ShowContext(20));
    QVERIFY(form.isVisible());
    QCOMPARE(form.CurrentTopic(), QStringLiteral("/inhoud.html"));
    auto *browser = form.findChild<ChmTextBrowser *>(QStringLiteral("HelpBrowser"));
    QVERIFY(browser);
    QCOMPARE(browser->documentTitle(), QStringLiteral("Tolvek - Inhoud"));
    QVERIFY(browser->toPlainText().contains(QLatin1String("Onderwerpen")));
    QCOMPARE(form.windowTitle(), QStringLiteral("Tolvek Help - Tolvek - Inhoud"));

    QVERIFY(form.ShowContext(60));
    QCOMPARE(form.CurrentTopic(), QStringLiteral("/foto_cdrom.html"));
    QVERIFY(browser->toPlainText().contains(QLatin1String("Wat moet erop?")));
    // A new context starts a new history.
    QVERIFY(!form.findChild<QPushButton *>(QStringLiteral("VorigeButton"))->isEnabled());
    QTest::keyClick(browser, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
}

void TestSupportHelp::linksPicturesAndHistory()
{
    THelpForm form;
    form.SetHelpFile(QStringLiteral(TOLVEK_HELP_FILE));
    QVERIFY(form.ShowContext(20));
    auto *browser = form.findChild<ChmTextBrowser *>(QStringLiteral("HelpBrowser"));

    // The picture and the style sheet come from the help file.
    QImage picture;
    QVERIFY(picture.loadFromData(
        browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("driehoek.png"))).toByteArray()));
    QCOMPARE(picture.size(), QSize(160, 100));
    QVERIFY(browser->loadResource(QTextDocument::StyleSheetResource, QUrl(QStringLiteral("stijl.css")))
                .toString()
                .contains(QLatin1String("#0000bd")));
    QVERIFY(!browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("geen.png"))).isValid());
    QVERIFY(browser->toHtml().contains(QLatin1String("driehoek.png")));

    // Follow the links of the page as a click does.
    QVERIFY(browser->toHtml().contains(QLatin1String("href=\"foto_cdrom.html\"")));
    emit browser->anchorClicked(QUrl(QStringLiteral("foto_cdrom.html")));
    QCOMPARE(form.CurrentTopic(), QStringLiteral("/foto_cdrom.html"));
    emit browser->anchorClicked(QUrl(QStringLiteral("projectbestand.html")));
    QCOMPARE(form.CurrentTopic(), QStringLiteral("/projectbestand.html"));
    auto *back = form.findChild<QPushButton *>(QStringLiteral("VorigeButton"));
    auto *forward = form.findChild<QPushButton *>(QStringLiteral("VolgendeButton"));
    QVERIFY(back->isEnabled());
    QTest::mouseClick(back, Qt::LeftButton);
    QCOMPARE(form.CurrentTopic(), QStringLiteral("/foto_cdrom.html"));
    QVERIFY(forward->isEnabled());
    QTest::mouseClick(forward, Qt::LeftButton);
    QCOMPARE(form.CurrentTopic(), QStringLiteral("/projectbestand.html"));
    QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("InhoudButton")), Qt::LeftButton);
    QCOMPARE(form.CurrentTopic(), QStringLiteral("/inhoud.html"));
}

void TestSupportHelp::webLinksGoToTheBrowser()
{
    QList<QUrl> opened;
    DocumentOpener::SetHandler([&](const QUrl &url) {
        opened << url;
        return true;
    });
    THelpForm form;
    form.SetHelpFile(QStringLiteral(TOLVEK_HELP_FILE));
    QVERIFY(form.ShowContext(60));
    auto *browser = form.findChild<ChmTextBrowser *>(QStringLiteral("HelpBrowser"));
    emit browser->anchorClicked(QUrl(QStringLiteral("http://www.tolvek.nl/")));
    DocumentOpener::SetHandler({});
    QCOMPARE(opened, QList<QUrl>({QUrl(QStringLiteral("http://www.tolvek.nl/"))}));
    QCOMPARE(form.CurrentTopic(), QStringLiteral("/foto_cdrom.html"));
}

void TestSupportHelp::missingHelpFileIsReported()
{
    QTemporaryDir dir;
    const QString missing = dir.path() + QStringLiteral("/Tolvek.chm");
    DialogRecorder dialogs;
    THelpForm form;
    form.SetHelpFile(missing);
    QVERIFY(!form.ShowContext(20));
    QVERIFY(!form.isVisible());
    QCOMPARE(dialogs.texts.size(), 1);
    QVERIFY2(dialogs.texts[0].contains(QStringLiteral("Kan het helpbestand \"%1\" niet openen.").arg(missing)),
             qPrintable(dialogs.texts[0]));
    QVERIFY(dialogs.texts[0].contains(QLatin1String("Het bestand bestaat niet.")));
}

void TestSupportHelp::unknownContextIsReported()
{
    DialogRecorder dialogs;
    THelpForm form;
    form.SetHelpFile(QStringLiteral(TOLVEK_HELP_FILE));
    QVERIFY(!form.ShowContext(99));
    QCOMPARE(dialogs.texts.size(), 1);
    QVERIFY2(dialogs.texts[0].contains(QLatin1String("Het helponderwerp 99 komt niet voor")),
             qPrintable(dialogs.texts[0]));
}

QTEST_MAIN(TestSupportHelp)
#include "tst_support_help.moc"
