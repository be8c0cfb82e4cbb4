// The start-up and information screen in both layouts, the web-information
// window, the read-me command and the program's pictures.
#include "core/base/ProgramTexts.h"
#include "core/platform/DocumentOpener.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/info/ProgramArt.h"
#include "gui/info/SupportCommands.h"
#include "gui/info/TOpInternetForm.h"
#include "gui/info/TOpstartInfoForm.h"
#include "gui/info/TTekstForm.h"
#include "gui/platform/LocaleAndFonts.h"
#include "gui/widgets/UserInteraction.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A project in a folder of its own: after a command the current folder must
// be that folder again.
struct FakeHost
{
    QTemporaryDir folder;
    ProjectDocument document;
    ProjectSession session{document};
    FakeHost()
    {
        document.CurrentFileName = folder.filePath(QStringLiteral("p.tvk"));
        QDir::setCurrent(QDir::tempPath());
    }
    bool InProjectFolder() const { return QDir::currentPath() == QDir(folder.path()).absolutePath(); }
};

// Records what the platform was asked to open.
struct OpenerRecorder
{
    QList<QUrl> urls;
    explicit OpenerRecorder(bool answer = true)
    {
        DocumentOpener::SetHandler([this, answer](const QUrl &url) {
            urls << url;
            return answer;
        });
    }
    ~OpenerRecorder() { DocumentOpener::SetHandler({}); }
};

struct ModalHandlerScope
{
    explicit ModalHandlerScope(UserInteraction::ModalHandler handler)
    {
        UserInteraction::SetModalHandler(std::move(handler));
    }
    ~ModalHandlerScope() { UserInteraction::SetModalHandler({}); }
};

QString LabelTexts(const QWidget *dialog)
{
    QStringList texts;
    for (const QLabel *label : dialog->findChildren<QLabel *>())
        texts << label->text();
    return texts.join(QLatin1Char('\n'));
}

InfoScreenVersion Version()
{
    InfoScreenVersion v;
    v.Major = 1;
    v.Minor = 0;
    v.Release = 0;
    v.Build = 37;
    v.ProductVersion = QStringLiteral("1.0.0.37");
    return v;
}

void ShowStartup(TOpstartInfoForm &form, const QString &organisation = QString(), const QString &web = QString())
{
    form.ShowInfo(false, Version(), ProgramTexts::AppTitle(), QStringLiteral("Versie %s"),
                  ProgramTexts::InfoScreenLine(), ProgramTexts::ProductWebAddress(), QStringLiteral("Fotobestand:"),
                  QString(), organisation, web, QStringLiteral("Build: %s"));
}

QLabel *Label(const QWidget *form, const char *name)
{
    auto *label = form->findChild<QLabel *>(QString::fromLatin1(name));
    if (!label)
        qFatal("label %s missing", name);
    return label;
}

QWidget *Child(const QWidget *form, const char *name)
{
    auto *widget = form->findChild<QWidget *>(QString::fromLatin1(name));
    if (!widget)
        qFatal("control %s missing", name);
    return widget;
}

// Every label shows its whole text inside its panel.
void VerifyNothingClipped(const QWidget *panel)
{
    for (const QLabel *label : panel->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(panel) || label->text().isEmpty())
            continue;
        const QRect r = label->geometry();
        QVERIFY2(panel->rect().contains(r), qPrintable(label->objectName()));
        QVERIFY2(r.width() >= label->sizeHint().width() && r.height() >= label->sizeHint().height(),
                 qPrintable(label->objectName()));
    }
}

struct FakeNumber
{
    unsigned Major = 3, Minor = 2, Release = 1, Build = 99;
};
struct FakeReader
{
    FakeNumber GetVersionNumber() const { return {}; }
    QString StringValueByIndex(int index) const { return index == 10 ? QStringLiteral("3.2.1.99") : QString(); }
};

} // namespace

class TestSupportInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { LocaleAndFonts::SetUp(); }
    void cleanup();
    void framedLayout();
    void plainLayout();
    void ampersandsAndLongTexts();
    void startupTimerHidesAndRevealsClose();
    void typedCharacterClosesEarly();
    void onRequestIsModal();
    void titleDoubleClickShowsBuild();
    void webAddressOpensBrowser();
    void missingVersionGivesZeros();
    void versionFromReader();
    void webInfoWindow();
    void readMeOpensWithTheSystem();
    void readMeFallsBackToOwnWindow();
    void readMeMissing();
    void programIcon();
};

void TestSupportInfo::cleanup()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

void TestSupportInfo::framedLayout()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    TOpstartInfoForm form;
    QVERIFY(!form.PlainLayout());
    QCOMPARE(form.size(), QSize(494, 284));
    QVERIFY(!(form.windowFlags() & Qt::FramelessWindowHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowSystemMenuHint));
    QVERIFY(!Child(&form, "TopPanel")->isVisibleTo(&form));
    QCOMPARE(Child(&form, "BackPanel")->geometry(), QRect(21, 1, 454, 264));
    QCOMPARE(Child(&form, "WhitePanel")->geometry(), QRect(22, 2, 452, 262));
    QCOMPARE(Child(&form, "HalfCircleImage")->geometry(), QRect(426, 185, 26, 56));
    QCOMPARE(Child(&form, "IconImage")->geometry(), QRect(20, 20, 48, 48));
    QCOMPARE(Child(&form, "LogoImage")->geometry(), QRect(87, 19, 111, 36));
    QCOMPARE(Child(&form, "BlueShape")->palette().color(QPalette::WindowText), QColor(0, 0, 189));
    QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::white));
    QVERIFY(!Child(&form, "Button1")->isVisibleTo(&form));

    ShowStartup(form, QStringLiteral("Gemeente Zandvoort"), QStringLiteral("www.zandvoort.nl"));
    QVERIFY(form.isVisible());
    QVERIFY(!form.isModal());
    QCOMPARE(form.windowTitle(), QString());
    QCOMPARE(Label(&form, "ntLabel8")->text(), QStringLiteral("Tolvek"));
    QCOMPARE(Label(&form, "ntLabel8")->font().pixelSize(), 35);
    QVERIFY(Label(&form, "ntLabel8")->font().bold());
    QCOMPARE(Label(&form, "ntLabel1")->text(), QStringLiteral("Versie 1.0.0 build 37"));
    QCOMPARE(Label(&form, "ntLabel2")->text(), ProgramTexts::InfoScreenLine());
    QCOMPARE(Label(&form, "ntLabel3")->text(), QStringLiteral("www.tolvek.nl"));
    QVERIFY(Label(&form, "ntLabel3")->font().underline());
    QCOMPARE(Label(&form, "ntLabel4")->text(), QStringLiteral("Fotobestand:"));
    QCOMPARE(Label(&form, "ntLabel5")->text(), QString());
    QCOMPARE(Label(&form, "ntLabel6")->text(), QStringLiteral("Gemeente Zandvoort"));
    QCOMPARE(Label(&form, "ntLabel7")->text(), QStringLiteral("www.zandvoort.nl"));
    QCOMPARE(Label(&form, "ntLabel6")->pos(), QPoint(20, 190));
    QCOMPARE(Label(&form, "ntLabel1")->pos(), QPoint(88, 105));
    QCOMPARE(form.focusWidget(), Child(&form, "WhitePanel"));
    VerifyNothingClipped(Child(&form, "WhitePanel"));
    form.hide();
}

void TestSupportInfo::plainLayout()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    TOpstartInfoForm form;
    QVERIFY(form.PlainLayout());
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QWidget *top = Child(&form, "TopPanel");
    QVERIFY(top->isVisibleTo(&form));
    QCOMPARE(top->geometry(), QRect(0, 0, 494, 25));
    QCOMPARE(top->palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(Child(&form, "BackPanel")->geometry(), QRect(20, 26, 454, 264));
    QCOMPARE(Child(&form, "WhitePanel")->geometry(), QRect(21, 27, 452, 262));
    // The white strip adds to the window, so the framed panel is not cut at the bottom.
    QCOMPARE(form.size(), QSize(494, 309));
    QVERIFY(QRect(QPoint(), form.size()).contains(Child(&form, "BackPanel")->geometry()));

    ShowStartup(form);
    QCOMPARE(Label(&form, "ntLabel8")->text(), QStringLiteral("Tolvek"));
    QCOMPARE(Label(&form, "ntLabel1")->text(), QStringLiteral("Versie 1.0.0 build 37"));
    QCOMPARE(Label(&form, "ntLabel3")->text(), QStringLiteral("www.tolvek.nl"));
    QCOMPARE(Label(&form, "ntLabel4")->text(), QStringLiteral("Fotobestand:"));
    // At start-up no project is loaded yet.
    QCOMPARE(Label(&form, "ntLabel6")->text(), QString());
    QCOMPARE(Label(&form, "ntLabel7")->text(), QString());
    VerifyNothingClipped(Child(&form, "WhitePanel"));
    form.hide();
}

void TestSupportInfo::ampersandsAndLongTexts()
{
    TOpstartInfoForm form;
    ShowStartup(form, QStringLiteral("Jansen & Zn <b>Bouw</b>"), QStringLiteral("www.jansen&zn.nl"));
    QLabel *organisation = Label(&form, "ntLabel6");
    QCOMPARE(organisation->text(), QStringLiteral("Jansen & Zn <b>Bouw</b>"));
    QCOMPARE(organisation->textFormat(), Qt::PlainText);
    QVERIFY(!organisation->buddy());
    // The whole text is laid out, "&" included: an accelerator would take up no room.
    const QFontMetrics metrics(organisation->font());
    QVERIFY(organisation->width() >= metrics.horizontalAdvance(QStringLiteral("Jansen & Zn <b>Bouw</b>")));
    QCOMPARE(Label(&form, "ntLabel7")->text(), QStringLiteral("www.jansen&zn.nl"));

    // A name longer than the panel is shortened, never cut at the edge.
    const QString longName =
        QStringLiteral("Stichting tot Behoud van het Cultureel Erfgoed der Noordelijke Provincien");
    ShowStartup(form, longName, QString());
    QVERIFY(organisation->text().endsWith(QChar(0x2026)));
    QCOMPARE(organisation->toolTip(), longName);
    QVERIFY(organisation->geometry().right() < Child(&form, "HalfCircleImage")->x());
    VerifyNothingClipped(Child(&form, "WhitePanel"));
    form.hide();
}

void TestSupportInfo::startupTimerHidesAndRevealsClose()
{
    TOpstartInfoForm form;
    ShowStartup(form);
    form.SetTimerInterval(50);
    QVERIFY(form.isVisible());
    QVERIFY(!Child(&form, "Button1")->isVisibleTo(&form));
    QTRY_VERIFY(form.TimerFired());
    QVERIFY(!form.isVisible());
    QVERIFY(Child(&form, "Button1")->isVisibleTo(&form));
    auto *button = form.findChild<QPushButton *>(QStringLiteral("Button1"));
    QCOMPARE(button->text(), QStringLiteral("&Sluiten"));
    QCOMPARE(button->geometry(), QRect(360, 20, 75, 25));
}

void TestSupportInfo::typedCharacterClosesEarly()
{
    TOpstartInfoForm form;
    ShowStartup(form);
    form.SetTimerInterval(100);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(Child(&form, "WhitePanel"), Qt::Key_Q);
    QVERIFY(!form.isVisible());
    QVERIFY(!form.TimerFired());
    // The timer still fires later, and only reveals the button.
    QTRY_VERIFY(form.TimerFired());
    QVERIFY(!form.isVisible());
    QVERIFY(Child(&form, "Button1")->isVisibleTo(&form));
}

void TestSupportInfo::onRequestIsModal()
{
    TOpstartInfoForm form;
    form.SetTimerInterval(0);
    QTRY_VERIFY(form.TimerFired());

    bool wasModal = false;
    bool buttonShown = false;
    QString organisation;
    {
        ModalHandlerScope scope([&](QDialog *dialog) {
            wasModal = dialog->isModal() && dialog->isVisible();
            buttonShown = Child(dialog, "Button1")->isVisible();
            organisation = Label(dialog, "ntLabel6")->text();
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : dialog, Qt::Key_Escape);
        });
        const int result = form.ShowInfo(true, Version(), ProgramTexts::AppTitle(), QStringLiteral("Versie %s"),
                                         ProgramTexts::InfoScreenLine(), ProgramTexts::ProductWebAddress(),
                                         QStringLiteral("Fotobestand:"), QString(), QStringLiteral("Brandweer Oost"),
                                         QStringLiteral("www.bwoost.nl"), QStringLiteral("Build: %s"));
        QCOMPARE(result, 1); // Escape presses "&Sluiten"
    }
    QVERIFY(wasModal);
    QVERIFY(buttonShown);
    QCOMPARE(organisation, QStringLiteral("Brandweer Oost"));
    QVERIFY(!form.isVisible());

    // Any typed character closes it too; so does the button.
    {
        ModalHandlerScope scope([](QDialog *dialog) { QTest::keyClick(dialog, Qt::Key_Space); });
        form.ShowInfo(true, Version(), ProgramTexts::AppTitle(), QStringLiteral("Versie %s"), QString(), QString(),
                      QString(), QString(), QString(), QString(), QStringLiteral("Build: %s"));
        QVERIFY(!form.isVisible());
    }
    {
        ModalHandlerScope scope([](QDialog *dialog) {
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Button1")), Qt::LeftButton);
        });
        QCOMPARE(form.ShowInfo(true, Version(), ProgramTexts::AppTitle(), QStringLiteral("Versie %s"), QString(),
                               QString(), QString(), QString(), QString(), QString(), QStringLiteral("Build: %s")),
                 1);
    }
}

void TestSupportInfo::titleDoubleClickShowsBuild()
{
    TOpstartInfoForm form;
    ShowStartup(form);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QStringList messages;
    {
        ModalHandlerScope scope([&](QDialog *dialog) {
            messages << dialog->windowTitle() + QLatin1Char('|') + LabelTexts(dialog);
            dialog->accept();
        });
        QTest::mouseDClick(Label(&form, "ntLabel8"), Qt::LeftButton);
    }
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].startsWith(QLatin1String("Tolvek|")), qPrintable(messages[0]));
    QVERIFY2(messages[0].contains(QLatin1String("Build: 1.0.0.37")), qPrintable(messages[0]));
    form.hide();
}

void TestSupportInfo::webAddressOpensBrowser()
{
    OpenerRecorder opener;
    TOpstartInfoForm form;
    ShowStartup(form);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(Label(&form, "ntLabel3"), Qt::LeftButton);
    QCOMPARE(opener.urls, QList<QUrl>({QUrl(QStringLiteral("http://www.tolvek.nl"))}));
    QTest::mouseClick(Label(&form, "ntLabel2"), Qt::LeftButton);
    QCOMPARE(opener.urls.size(), 1);
    form.hide();
}

void TestSupportInfo::missingVersionGivesZeros()
{
    TOpstartInfoForm form;
    form.ShowInfo(false, InfoScreenVersion(), ProgramTexts::AppTitle(), QStringLiteral("Versie %s"), QString(),
                  QString(), QString(), QString(), QString(), QString(), QStringLiteral("Build: %s"));
    QCOMPARE(Label(&form, "ntLabel1")->text(), QStringLiteral("Versie 0.0.0 build 0"));
    QCOMPARE(TOpstartInfoForm::FormatOne(QStringLiteral("Build: %s"), QString()), QStringLiteral("Build: "));
    QCOMPARE(TOpstartInfoForm::FormatOne(QStringLiteral("%s en %s"), QStringLiteral("a")), QStringLiteral("a en %s"));
    QCOMPARE(TOpstartInfoForm::FormatOne(QStringLiteral("geen"), QStringLiteral("a")), QStringLiteral("geen"));
    form.hide();
}

void TestSupportInfo::versionFromReader()
{
    const InfoScreenVersion v = InfoScreenVersion::From(FakeReader());
    QCOMPARE(v.Major, 3);
    QCOMPARE(v.Minor, 2);
    QCOMPARE(v.Release, 1);
    QCOMPARE(v.Build, 99);
    QCOMPARE(v.ProductVersion, QStringLiteral("3.2.1.99"));
}

void TestSupportInfo::webInfoWindow()
{
    OpenerRecorder opener;
    TOpInternetForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Brimol @ internet"));
    QCOMPARE(form.size(), QSize(266, 166));
    QString shownHeading;
    int result = -1;
    {
        ModalHandlerScope scope([&](QDialog *dialog) {
            shownHeading = Label(dialog, "Label1")->text();
            QTest::mouseClick(Label(dialog, "Label4"), Qt::LeftButton);
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        result = UserInteraction::ExecModal(&form);
    }
    QCOMPARE(result, 1);
    QCOMPARE(shownHeading, ProgramTexts::WebInfoHeading());
    QVERIFY(Label(&form, "Label1")->font().bold());
    QCOMPARE(Label(&form, "Label2")->text(), QStringLiteral("Van dit programma verschijnen regelmatig nieuwe"));
    QCOMPARE(Label(&form, "Label3")->text(), QStringLiteral("versies. Informatie over de meest actuele versie"));
    QCOMPARE(Label(&form, "Label5")->text(), QStringLiteral("is opgenomen op:"));
    QCOMPARE(Label(&form, "Label4")->text(), QStringLiteral("www.tolvek.nl"));
    QCOMPARE(Label(&form, "Label4")->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QVERIFY(Label(&form, "Label4")->font().underline());
    QCOMPARE(opener.urls, QList<QUrl>({QUrl(QStringLiteral("http://www.tolvek.nl"))}));
    auto *button = form.findChild<QPushButton *>(QStringLiteral("Button1"));
    QCOMPARE(button->text(), QStringLiteral("&Sluiten"));
    QCOMPARE(button->geometry(), QRect(185, 135, 75, 25));
    VerifyNothingClipped(form.findChild<QGroupBox *>(QStringLiteral("GroupBox1")));
}

void TestSupportInfo::readMeOpensWithTheSystem()
{
    QTemporaryDir dir;
    QFile readMe(dir.path() + QStringLiteral("/LeesMij.txt"));
    QVERIFY(readMe.open(QIODevice::WriteOnly));
    readMe.write("Lees mij\n");
    readMe.close();
    OpenerRecorder opener(true);
    FakeHost host;
    SupportCommands::OpenReadMe(nullptr, host.session, dir.path() + QLatin1Char('/'));
    QCOMPARE(opener.urls, QList<QUrl>({QUrl::fromLocalFile(dir.path() + QStringLiteral("/LeesMij.txt"))}));
    QVERIFY(host.InProjectFolder());
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TTekstForm *>(w) || !w->isVisible());
}

void TestSupportInfo::readMeFallsBackToOwnWindow()
{
    QTemporaryDir dir;
    QFile readMe(dir.path() + QStringLiteral("/LeesMij.txt"));
    QVERIFY(readMe.open(QIODevice::WriteOnly));
    readMe.write("Tolvek \xe2\x80\x93 lees mij\nTweede regel\n"); // UTF-8
    readMe.close();
    OpenerRecorder opener(false);
    FakeHost host;
    SupportCommands::OpenReadMe(nullptr, host.session, dir.path() + QLatin1Char('/'));
    QCOMPARE(opener.urls.size(), 1);
    QVERIFY(host.InProjectFolder());
    TTekstForm *window = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *t = qobject_cast<TTekstForm *>(w); t && t->isVisible())
            window = t;
    QVERIFY(window);
    QCOMPARE(window->Text(), QString::fromUtf8("Tolvek \xe2\x80\x93 lees mij\nTweede regel\n"));
    QCOMPARE(window->windowTitle(), QStringLiteral("LeesMij.txt - Tolvek"));
    QVERIFY(window->findChild<QPlainTextEdit *>()->isReadOnly());
    QDir::setCurrent(QDir::tempPath());

    // A read-me written on Windows (code page 1252) reads as well.
    QVERIFY(readMe.open(QIODevice::WriteOnly | QIODevice::Truncate));
    readMe.write("Caf\xe9 \x80 5\r\n");
    readMe.close();
    SupportCommands::OpenReadMe(nullptr, host.session, dir.path() + QLatin1Char('/'));
    QVERIFY(window->Text().startsWith(QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac 5")));
    QVERIFY(host.InProjectFolder());
    QTest::keyClick(window, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
}

void TestSupportInfo::readMeMissing()
{
    QTemporaryDir dir;
    OpenerRecorder opener(false);
    FakeHost host;
    QStringList messages;
    {
        ModalHandlerScope scope([&](QDialog *dialog) {
            messages << LabelTexts(dialog);
            dialog->accept();
        });
        SupportCommands::OpenReadMe(nullptr, host.session, dir.path() + QLatin1Char('/'));
    }
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QStringLiteral("Kan bestand \"%1/LeesMij.txt\" niet openen.").arg(dir.path())),
             qPrintable(messages[0]));
    QVERIFY(host.InProjectFolder());
}

void TestSupportInfo::programIcon()
{
    const QIcon icon = ProgramArt::ProgramIcon();
    QVERIFY(!icon.isNull());
    QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
    QVERIFY(icon.availableSizes().contains(QSize(48, 48)));
    const QImage big = ProgramArt::ProgramIconPixmap(48).toImage();
    QCOMPARE(big.size(), QSize(48, 48));
    // The photo triangle in the middle is dark blue; the corner stays clear.
    const QColor marker = big.pixelColor(26, 22);
    QVERIFY2(marker.blue() > 150 && marker.red() < 100 && marker.green() < 100, qPrintable(marker.name()));
    QCOMPARE(big.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(ProgramArt::LogoPixmap().size(), QSize(111, 36));
    const QImage half = ProgramArt::HalfCirclePixmap().toImage();
    QCOMPARE(half.size(), QSize(26, 56));
    QCOMPARE(half.pixelColor(1, 1), QColor(Qt::white)); // outside the disc
    QVERIFY(half.pixelColor(24, 28).blue() > 150);      // the flat side, middle
}

QTEST_MAIN(TestSupportInfo)
#include "tst_support_info.moc"
