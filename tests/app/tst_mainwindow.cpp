#include "DialogDriver.h"
#include "SessionEdits.h"

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "gui/info/THelpForm.h"
#include "gui/info/TTekstForm.h"
#include "gui/map/MapView.h"
#include "gui/platform/LocaleAndFonts.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/GeneralError.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "core/base/TolvekError.h"

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

const QByteArray kProject =
    "[Databestand voor Tolvek]\r\n\r\n[Algemene gegevens]\r\n00000=100\r\n00001=kaart.bmp\r\n"
    "00002=6\r\n00003=16711680\r\n00004=\r\n00005=www.x.nl\r\n00006=Stichting \xc9\xe9n & Twee\r\n"
    "00007=\r\n00008=\r\n00009=\r\n00010=Klik op driehoek voor foto\r\n\r\n[Fotopositie]\r\n"
    "00001=10,20,30\r\n\r\n[Fotonaam]\r\n00001=a.jpg\r\n\r\n[Foto-aantekeningen]\r\n00001=Notitie\r\n\r\n";

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void untitledCaptionAndState();
    void menuAndToolBar();
    void startsWithDataFile();
    void startsWithMissingFile();
    void startsWithBadInteger();
    void labelStaysRightAligned();
    void saveAsNaming_data();
    void saveAsNaming();
    void saveOnNamedProjectWritesWithoutDialog();
    void overwriteQuestion();
    void closeQuestionAnswers();
    void saveQuestionWithCancelledSaveDialogKeepsProject();
    void failedSaveKeepsModifiedAndOldFile();
    void openCancelledLeavesEmptyProject();
    void exitWithoutChangesAsksNothing();
    void generalErrorBoxShowsUnhandledErrors();
    void standardDialogsSpeakDutch();
    void projectDataThroughMenu();
    void mapDialogThroughToolButton();
    void mapSizeBeforeDrawing();
    void infoScreenOnRequestThenProjectFolder();
    void helpCommandsOpenTheirContexts();
    void helpTakesInputWhileADialogIsOpen();
    void nonProjectFileIsRefused();
    void statusBarSaysWhatWasNotFound();
    void fileDialogsShowEachFilterOnce();
    void readMeWithoutATextApplication();

private:
    std::unique_ptr<THoofdForm> m_form;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
};

void TestMainWindow::initTestCase()
{
    ProcessFolders::SupportStartup();
    LocaleAndFonts::SetUp();
}

void TestMainWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
}

void TestMainWindow::cleanup()
{
    if (m_form) {
        m_form->Session().MarkClean(); // no save question on teardown
        m_form.reset();
    }
    QCOMPARE(m_driver->Pending(), 0);
    m_driver.reset();
}

void TestMainWindow::untitledCaptionAndState()
{
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));
    QCOMPARE(GeneralError::ApplicationTitle(), QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));
    QVERIFY(!m_form->Opslaan1->isEnabled());
    QVERIFY(!m_form->SpeedButton6->isEnabled());
    QVERIFY(m_form->Label1->text().isEmpty());

    SessionEdits::MarkModified(m_form->Session());
    m_form->UpdateMainWindowState();
    QVERIFY(m_form->Opslaan1->isEnabled());
    QVERIFY(m_form->SpeedButton6->isEnabled());
}

void TestMainWindow::menuAndToolBar()
{
    struct Item
    {
        const char *name;
        const char *caption;
        const char *shortcut;
    };
    const Item items[] = {
        {"Nieuw1", "&Nieuw...", "Ctrl+N"},
        {"Openen1", "&Openen...", "Ctrl+O"},
        {"Opslaan1", "Op&slaan", "Ctrl+S"},
        {"Opslaanals1", "O&pslaan als...", "Ctrl+Shift+S"},
        {"Exporteren1", "&Exporteren...", "Ctrl+E"},
        {"ExporterenAfbeelding1", "Exporteren als af&beelding...", ""},
        {"Afdrukken1", "Af&drukken...", "Ctrl+P"},
        {"Afdrukvoorbeeld1", "Afdruk&voorbeeld...", ""},
        {"Afsluiten1", "&Afsluiten...", "Ctrl+Q"},
        {"Kopiren1", "Kaart &kopi\xc3\xabren", "Ctrl+C"},
        {"Projectgegevens1", "Pr&oject", ""},
        {"OverzichtskaartEigenschappen1", "Overzichts&kaart", ""},
        {"Eigenschappenkaart1", "&Eigenschappen kaart", ""},
        {"Fotonummerstonen1", "&Bestandsnamen foto's tonen", ""},
        {"Toevoegen1", "Foto &toevoegen...", "F3"},
        {"Verwijderen1", "Foto &verwijderen...", ""},
        {"Eigenschappenallefotoswijzigen1", "Eigenschappen &alle foto's wijzigen...", ""},
        {"Fotosluiten1", "Foto sluiten", "Esc"},
        {"Inhoud1", "In&houd", "F1"},
        {"FotoCDRom1", "&Foto CD-Rom", ""},
        {"Configuratiegegevens1", "&Configuratiegegevens", ""},
        {"LeesMijtxt1", "&LeesMij.txt", ""},
        {"Brimolopinternet1", "Brimol @ internet...", ""},
        {"Info1", "&Info", ""},
        {"Ongedaanmaken1", "&Ongedaan maken", "Ctrl+Z"},
        {"Opnieuw1", "Opnie&uw", "Ctrl+Shift+Z"},
        {"Inzoomen1", "&Inzoomen", "Ctrl++"},
        {"Uitzoomen1", "&Uitzoomen", "Ctrl+-"},
        {"WareGrootte1", "&Ware grootte", "Ctrl+0"},
        {"PassendInVenster1", "&Passend in venster", "Ctrl+9"},
    };
    for (const Item &it : items) {
        auto *a = m_form->findChild<QAction *>(QString::fromLatin1(it.name));
        QVERIFY2(a, it.name);
        QCOMPARE(a->text(), QString::fromUtf8(it.caption));
        QCOMPARE(a->shortcut().toString(), QString::fromLatin1(it.shortcut));
    }
    QCOMPARE(m_form->findChild<QAction *>(QStringLiteral("Afsluiten1"))->shortcuts(),
             (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Q")), QKeySequence(QStringLiteral("Alt+F4"))}));
    QVERIFY(!m_form->findChild<QAction *>(QStringLiteral("Fotosluiten1"))->isVisible());
    // No two items of a menu share an accelerator.
    for (QAction *menuAction : m_form->menuBar()->actions()) {
        QSet<QChar> seen;
        for (QAction *a : menuAction->menu()->actions()) {
            const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
            if (a->isSeparator() || !a->isVisible() || amp < 0)
                continue;
            const QChar key = a->text().at(amp + 1).toLower();
            QVERIFY2(!seen.contains(key), qPrintable(a->text()));
            seen.insert(key);
        }
    }
    QStringList menus;
    for (QAction *a : m_form->menuBar()->actions())
        menus << a->text();
    QCOMPARE(menus, (QStringList{"&Bestand", "Be&werken", "Beel&d", "&Gegevens", "&Help"}));

    const QStringList hints = {"Nieuw... (Ctrl+N)", "Openen... (Ctrl+O)",     "Opslaan (Ctrl+S)",    "Projectgegevens",
                               "Overzichtskaart",   "Foto toevoegen... (F3)", "Foto verwijderen...", "Help (F1)",
                               "Foto CD-Rom",       "Brimol op internet..."};
    int lastRight = 0;
    for (int i = 0; i < hints.size(); ++i) {
        auto *b = m_form->findChild<QToolButton *>(QStringLiteral("SpeedButton%1").arg(i + 4));
        QVERIFY(b);
        QCOMPARE(b->toolTip(), hints[i]);
        QCOMPARE(b->size(), QSize(25, 25));
        QVERIFY(!b->icon().isNull());
        QVERIFY(b->x() >= lastRight);
        lastRight = b->x() + b->width();
    }
    QCOMPARE(m_form->findChild<QToolButton *>(QStringLiteral("SpeedButton4"))->x(), 5);
}

void TestMainWindow::startsWithDataFile()
{
    const QString name = m_dir->filePath(QStringLiteral("mijn kerk.tvk"));
    writeFile(name, kProject);
    m_form->SetStartupFileName(name);
    m_form->show();
    QTRY_COMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - mijn kerk.tvk"));
    QCOMPARE(m_form->Document().CurrentFileName, name);
    QVERIFY(!m_form->Opslaan1->isEnabled());
    QCOMPARE(m_form->Label1->text(), QString::fromUtf8("Stichting \u00c9\u00e9n & Twee"));
    QCOMPARE(m_form->Document().PositionList.size(), 1);
    // A later activation does not read the file again.
    SessionEdits::SetOrganisation(m_form->Session(), "Anders");
    QEvent activate(QEvent::ActivationChange);
    QApplication::sendEvent(m_form.get(), &activate);
    QCOMPARE(m_form->Document().Organisation, QByteArray("Anders"));
}

void TestMainWindow::startsWithMissingFile()
{
    const QString name = m_dir->filePath(QStringLiteral("weg.tvk"));
    m_driver->Press(QStringLiteral("&OK"));
    m_form->SetStartupFileName(name);
    m_form->show();
    QTRY_COMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("Kan bestand \"") + name
                                                 + QStringLiteral("\" niet openen.")),
             qPrintable(m_driver->dialogs[0].texts));
    QCOMPARE(m_driver->dialogs[0].windowTitle, QStringLiteral("Tolvek"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));
    QVERIFY(m_form->Document().IsUntitled());
}

void TestMainWindow::startsWithBadInteger()
{
    const QString name = m_dir->filePath(QStringLiteral("fout.tvk"));
    writeFile(name, "[Algemene gegevens]\r\n00006=Voor\r\n00002=abc\r\n");
    m_driver->Press(QStringLiteral("&OK"));
    m_form->SetStartupFileName(name);
    m_form->show();
    QTRY_COMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("'abc' is not a valid integer value")),
             qPrintable(m_driver->dialogs[0].texts));
    QCOMPARE(m_driver->dialogs[0].windowTitle, QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));
    QVERIFY(m_form->Document().IsUntitled());
}

void TestMainWindow::labelStaysRightAligned()
{
    SessionEdits::SetOrganisation(m_form->Session(), "Gemeente Voorbeeld");
    m_form->UpdateMainWindowState();
    m_form->show();
    for (int width : {614, 900, 500}) {
        m_form->resize(width, 400);
        QTRY_COMPARE(m_form->BovenPanel->width() - (m_form->Label1->x() + m_form->Label1->width()), 5);
        QCOMPARE(m_form->Label1->y(), 7);
    }
}

void TestMainWindow::saveAsNaming_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("no extension") << "kaart"
                                  << "kaart.tvk";
    QTest::newRow("upper-case extension") << "kaart.TVK"
                                          << "kaart.TVK.tvk";
    QTest::newRow("right extension") << "kaart.tvk"
                                     << "kaart.tvk";
    QTest::newRow("dot in folder only") << "map.v2/kaart"
                                        << "map.v2/kaart.tvk";
}

void TestMainWindow::saveAsNaming()
{
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QDir(m_dir->path()).mkpath(QStringLiteral("map.v2"));
    SessionEdits::SetOrganisation(m_form->Session(), "X");
    m_driver->ChooseFile(m_dir->filePath(typed));
    m_form->Files().Opslaan1Click(); // untitled: behaves as save as
    const QString expected = m_dir->filePath(written);
    QVERIFY(QFile::exists(expected));
    QCOMPARE(m_form->Document().CurrentFileName, expected);
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - ") + QFileInfo(expected).fileName());
    QVERIFY(!m_form->Document().Modified);
    QVERIFY(!m_form->Opslaan1->isEnabled());
    QCOMPARE(readAll(expected), DataFile::Serialize(m_form->Document()));
    QCOMPARE(m_driver->fileRequests.size(), 1);
    QCOMPARE(m_driver->fileRequests[0].filter,
             QStringLiteral("Tolvek-bestanden (*.tvk)|*.tvk|Alle bestanden (*.*)|*.*"));
}

void TestMainWindow::saveOnNamedProjectWritesWithoutDialog()
{
    const QString name = m_dir->filePath(QStringLiteral("p.tvk"));
    writeFile(name, kProject);
    m_form->Files().ReadDataFile(name);
    SessionEdits::SetOrganisation(m_form->Session(), "Nieuw bureau");
    m_form->Files().Opslaan1Click();
    QVERIFY(m_driver->fileRequests.isEmpty());
    QVERIFY(readAll(name).contains("00006=Nieuw bureau\r\n"));
    QVERIFY(!m_form->Document().Modified);
}

void TestMainWindow::overwriteQuestion()
{
    const QString name = m_dir->filePath(QStringLiteral("bestaat.tvk"));
    writeFile(name, "oud");
    SessionEdits::MarkModified(m_form->Session());
    for (const QString &answer : {QStringLiteral("&Niet overschrijven"), QStringLiteral("&Annuleren"), QString()}) {
        m_driver->ChooseFile(name);
        if (answer.isEmpty())
            m_driver->Escape();
        else
            m_driver->Press(answer);
        m_form->Files().Opslaanals1Click();
        QCOMPARE(readAll(name), QByteArray("oud"));
        QVERIFY(m_form->Document().Modified);
    }
    const auto &seen = m_driver->dialogs.constLast();
    QVERIFY(seen.texts.contains(QStringLiteral("Bestand overschrijven?")));
    QVERIFY(seen.texts.contains(QStringLiteral("Bestand \"") + name + QStringLiteral("\" bestaat al.")));

    m_driver->ChooseFile(name);
    m_driver->Press(QStringLiteral("&Overschrijven"));
    m_form->Files().Opslaanals1Click();
    QCOMPARE(readAll(name), DataFile::Serialize(m_form->Document()));
    QVERIFY(!m_form->Document().Modified);
}

void TestMainWindow::closeQuestionAnswers()
{
    // Cancel and Escape keep the project.
    for (bool escape : {false, true}) {
        SessionEdits::SetOrganisation(m_form->Session(), "Bewaard");
        if (escape)
            m_driver->Escape();
        else
            m_driver->Press(QStringLiteral("&Annuleren"));
        QVERIFY(!m_form->Files().CloseProject());
        QCOMPARE(m_form->Document().Organisation, QByteArray("Bewaard"));
        QVERIFY(m_form->Document().Modified);
    }
    const auto &seen = m_driver->dialogs.constLast();
    QVERIFY(seen.texts.contains(QStringLiteral("Bestand opslaan?")));
    QVERIFY(seen.texts.contains(QStringLiteral("Bestand \"Nieuw.tvk\" is gewijzigd.")));

    // Don't save drops the changes.
    m_driver->Press(QStringLiteral("&Niet opslaan"));
    QVERIFY(m_form->Files().CloseProject());
    QVERIFY(m_form->Document().Organisation.isEmpty());
    QVERIFY(!m_form->Document().Modified);

    // Save writes, then closes.
    SessionEdits::SetOrganisation(m_form->Session(), "Opgeslagen");
    const QString name = m_dir->filePath(QStringLiteral("opslaan.tvk"));
    m_driver->Press(QStringLiteral("&Opslaan"));
    m_driver->ChooseFile(name);
    QVERIFY(m_form->Files().CloseProject());
    QVERIFY(readAll(name).contains("00006=Opgeslagen\r\n"));
    QVERIFY(m_form->Document().IsUntitled());
}

void TestMainWindow::saveQuestionWithCancelledSaveDialogKeepsProject()
{
    SessionEdits::SetOrganisation(m_form->Session(), "Blijft");
    m_driver->Press(QStringLiteral("&Opslaan"));
    m_driver->CancelFile();
    m_form->Files().Nieuw1Click();
    QCOMPARE(m_form->Document().Organisation, QByteArray("Blijft"));
    QVERIFY(m_form->Document().Modified);
}

void TestMainWindow::failedSaveKeepsModifiedAndOldFile()
{
    const QString name = m_dir->filePath(QStringLiteral("p.tvk"));
    writeFile(name, kProject);
    // The project's folder disappears: saving must fail and say so.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("weg")));
    const QString gone = m_dir->filePath(QStringLiteral("weg/p.tvk"));
    writeFile(gone, kProject);
    m_form->Files().ReadDataFile(gone);
    SessionEdits::SetOrganisation(m_form->Session(), "Gewijzigd");
    QVERIFY(QDir(m_dir->filePath(QStringLiteral("weg"))).removeRecursively());
    m_driver->Press(QStringLiteral("&Opslaan"));
    m_driver->Press(QStringLiteral("&OK"));
    m_form->Files().Nieuw1Click();
    QCOMPARE(m_driver->dialogs.size(), 2);
    QVERIFY(m_driver->dialogs[1].texts.contains(
        QStringLiteral("Databestand is niet opgeslagen omdat niet naar de schijf kon worden geschreven !")));
    // ...and names the file and why.
    QVERIFY2(m_driver->dialogs[1].texts.contains(m_dir->filePath(QStringLiteral("weg/p.tvk"))
                                                 + QStringLiteral(": de map bestaat niet")),
             qPrintable(m_driver->dialogs[1].texts));
    QCOMPARE(m_form->Document().Organisation, QByteArray("Gewijzigd"));
    QVERIFY(m_form->Document().Modified);
    QVERIFY(m_form->Opslaan1->isEnabled());
    QCOMPARE(readAll(name), kProject);
}

void TestMainWindow::openCancelledLeavesEmptyProject()
{
    const QString name = m_dir->filePath(QStringLiteral("p.tvk"));
    writeFile(name, kProject);
    m_form->Files().ReadDataFile(name);
    m_driver->CancelFile();
    m_form->Files().Openen1Click();
    QVERIFY(m_form->Document().IsUntitled());
    QVERIFY(m_form->Document().PositionList.isEmpty());
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));

    m_driver->ChooseFile(name);
    m_form->Files().Openen1Click();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - p.tvk"));
    QCOMPARE(m_form->Document().NameList, QList<QByteArray>{"00001=a.jpg"});
}

void TestMainWindow::exitWithoutChangesAsksNothing()
{
    m_form->show();
    QVERIFY(m_form->close());
    QVERIFY(m_driver->dialogs.isEmpty());

    m_form->show();
    SessionEdits::MarkModified(m_form->Session());
    m_driver->Press(QStringLiteral("&Annuleren"));
    QVERIFY(!m_form->close());
    QVERIFY(m_form->isVisible());
}

void TestMainWindow::generalErrorBoxShowsUnhandledErrors()
{
    // An error inside an event handler ends that command only.
    QObject target;
    QTimer::singleShot(0, &target, [] { throw TolvekError(QStringLiteral("'x' is not a valid integer value")); });
    m_driver->Press(QStringLiteral("&OK"));
    QTRY_COMPARE(m_driver->dialogs.size(), 1);
    QVERIFY(m_driver->dialogs[0].texts.contains(QStringLiteral("'x' is not a valid integer value")));
    QCOMPARE(m_driver->dialogs[0].windowTitle, GeneralError::ApplicationTitle());
}

void TestMainWindow::standardDialogsSpeakDutch()
{
    // Qt's own dialogs (file dialogs, their buttons) use the Dutch translation.
    QCOMPARE(QCoreApplication::translate("QFileDialog", "&Open"), QStringLiteral("&Openen"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuleren"));
}

void TestMainWindow::projectDataThroughMenu()
{
    m_form->show();
    m_driver->Handle([](QDialog *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Projectgegevens"));
        auto *edit = d->findChild<QLineEdit *>(QStringLiteral("Edit1"));
        edit->setText(QStringLiteral("Archief & Co"));
        d->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
    });
    m_form->findChild<QAction *>(QStringLiteral("Projectgegevens1"))->trigger();
    QCOMPARE(m_form->Document().Organisation, QByteArray("Archief & Co"));
    QCOMPARE(m_form->Label1->text(), QStringLiteral("Archief & Co"));
    QVERIFY(m_form->Opslaan1->isEnabled());
    QTRY_COMPARE(m_form->BovenPanel->width() - (m_form->Label1->x() + m_form->Label1->width()), 5);
}

void TestMainWindow::mapDialogThroughToolButton()
{
    m_driver->Handle([](QDialog *d) {
        QCOMPARE(d->windowTitle(), QStringLiteral("Overzichtskaart"));
        d->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("plan.bmp"));
        d->findChild<QPushButton *>(QStringLiteral("Button1"))->click();
    });
    m_form->findChild<QToolButton *>(QStringLiteral("SpeedButton8"))->click();
    QCOMPARE(m_form->Document().MapFileName, QByteArray("plan.bmp"));
    QVERIFY(m_form->Document().Modified);
    QVERIFY(m_form->SpeedButton6->isEnabled());
}

void TestMainWindow::mapSizeBeforeDrawing()
{
    m_driver->Press(QStringLiteral("&OK"));
    m_form->findChild<QAction *>(QStringLiteral("Eigenschappenkaart1"))->trigger();
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("Breedte: 0 pixels\nHoogte: 0 pixels")),
             qPrintable(m_driver->dialogs[0].texts));
}

void TestMainWindow::infoScreenOnRequestThenProjectFolder()
{
    const QString name = m_dir->filePath(QStringLiteral("p.tvk"));
    writeFile(name, kProject);
    m_form->Files().ReadDataFile(name);
    QDir::setCurrent(QDir::tempPath());
    m_driver->Handle([](QDialog *d) {
        QVERIFY(d->isModal());
        QStringList texts;
        for (QLabel *l : d->findChildren<QLabel *>())
            texts << l->text();
        QVERIFY2(texts.join(QLatin1Char('|')).contains(QString::fromUtf8("Stichting \u00c9\u00e9n & Twee")),
                 qPrintable(texts.join(QLatin1Char('|'))));
        QTest::keyClick(d, Qt::Key_Escape);
    });
    QTest::mouseClick(m_form->Label1, Qt::LeftButton);
    QCOMPARE(QDir::currentPath(), QDir(m_dir->path()).canonicalPath());
}

void TestMainWindow::helpCommandsOpenTheirContexts()
{
    m_form->findChild<QAction *>(QStringLiteral("Inhoud1"))->trigger();
    QVERIFY(m_form->HelpForm);
    QVERIFY(m_form->HelpForm->isVisible());
    const QString contents = m_form->HelpForm->CurrentTopic();
    m_form->findChild<QToolButton *>(QStringLiteral("SpeedButton12"))->click();
    QVERIFY(m_form->HelpForm->CurrentTopic() != contents);
    QVERIFY2(m_form->HelpForm->CurrentTopic().contains(QStringLiteral("cdrom")),
             qPrintable(m_form->HelpForm->CurrentTopic()));
    m_form->HelpForm->close();

    // Each dialog's Help button opens the topic about that dialog.
    const struct
    {
        const char *action;
        const char *topic;
    } dialogs[] = {
        {"Projectgegevens1", "/projectgegevens.html"},
        {"OverzichtskaartEigenschappen1", "/overzichtskaart.html"},
        {"Toevoegen1", "/foto_toevoegen.html"},
        {"Verwijderen1", "/foto_verwijderen.html"},
        {"Eigenschappenallefotoswijzigen1", "/alle_fotos_wijzigen.html"},
    };
    for (const auto &dialog : dialogs) {
        QString shown;
        m_driver->Handle([this, &shown](QDialog *d) {
            d->findChild<QToolButton *>(QStringLiteral("HelpSpeedButton"))->click();
            shown = m_form->HelpForm->CurrentTopic();
            d->reject();
        });
        m_form->findChild<QAction *>(QString::fromLatin1(dialog.action))->trigger();
        QCOMPARE(shown, QString::fromLatin1(dialog.topic));
    }
    m_form->HelpForm->close();
}

namespace {

// Where in the help window (window coordinates) the first link of the page is.
QPoint firstLinkInWindow(QTextBrowser *browser)
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor()) {
                QTextCursor cursor(browser->document());
                cursor.setPosition(it.fragment().position() + 1);
                const QPoint inViewport = browser->cursorRect(cursor).center();
                return browser->viewport()->mapTo(browser->window(), inViewport);
            }
    return QPoint(-1, -1);
}

} // namespace

void TestMainWindow::helpTakesInputWhileADialogIsOpen()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    bool dialogStillUsable = false;
    m_driver->Handle([&](QDialog *d) {
        // F1 in the dialog opens the dialog's own topic.
        d->activateWindow();
        QTRY_VERIFY(d->isActiveWindow());
        QTest::keyClick(d->windowHandle(), Qt::Key_F1);
        THelpForm *help = m_form->HelpForm;
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->CurrentTopic(), QStringLiteral("/projectgegevens.html"));
        QVERIFY(QTest::qWaitForWindowExposed(help));
        help->resize(420, 160);
        QTRY_VERIFY(help->windowHandle()->width() == 420);

        // The help window takes keys and clicks as a user gives them:
        // scrolling, following a link, closing.
        auto *browser = help->findChild<QTextBrowser *>(QStringLiteral("HelpBrowser"));
        browser->setFocus();
        QTest::keyClick(help->windowHandle(), Qt::Key_Space);
        QTRY_VERIFY(browser->verticalScrollBar()->value() > 0);
        // The page's link lies at its end.
        browser->verticalScrollBar()->setValue(browser->verticalScrollBar()->maximum());
        const QPoint link = firstLinkInWindow(browser);
        QVERIFY(link.x() >= 0);
        QTest::mouseClick(help->windowHandle(), Qt::LeftButton, {}, link);
        QTRY_COMPARE(help->CurrentTopic(), QStringLiteral("/inhoud.html"));
        QTest::keyClick(help->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!help->isVisible());

        // Help opened before the dialog, from the Help button: usable too,
        // and the dialog itself still takes input.
        d->findChild<QToolButton *>(QStringLiteral("HelpSpeedButton"))->click();
        QTRY_VERIFY(help->isVisible());
        QTest::keyClick(help->windowHandle(), Qt::Key_Escape);
        QTRY_VERIFY(!help->isVisible());
        auto *edit = d->findChild<QLineEdit *>(QStringLiteral("Edit1"));
        edit->setFocus();
        d->activateWindow();
        QTRY_VERIFY(d->isActiveWindow());
        QTest::keyClick(d->windowHandle(), Qt::Key_X);
        dialogStillUsable = edit->text().endsWith(QLatin1Char('x'));
        d->reject();
    });
    m_form->findChild<QAction *>(QStringLiteral("Projectgegevens1"))->trigger();
    QVERIFY(dialogStillUsable);
    QCOMPARE(m_driver->dialogs.size(), 1);

    // Help already open from the main window when a dialog opens: it
    // follows the dialog and still takes input.
    m_form->findChild<QAction *>(QStringLiteral("Inhoud1"))->trigger();
    THelpForm *help = m_form->HelpForm;
    QVERIFY(QTest::qWaitForWindowExposed(help));
    bool closedWhileDialogOpen = false;
    m_driver->Handle([&](QDialog *d) {
        QTest::qWait(100);
        QTest::keyClick(help->windowHandle(), Qt::Key_Escape);
        closedWhileDialogOpen = !help->isVisible() && d->isVisible();
        d->reject();
    });
    m_form->findChild<QAction *>(QStringLiteral("Projectgegevens1"))->trigger();
    QVERIFY(closedWhileDialogOpen);
}

void TestMainWindow::nonProjectFileIsRefused()
{
    const QString name = m_dir->filePath(QStringLiteral("boodschappen.txt"));
    const QByteArray notes = "melk\r\nbrood [vers]\r\n00001=kaas\r\n";
    writeFile(name, notes);
    auto refused = [&](const DialogDriver::Seen &seen, THoofdForm &form) {
        QVERIFY2(seen.texts.contains(QStringLiteral("Kan bestand \"") + name + QStringLiteral("\" niet openen.")),
                 qPrintable(seen.texts));
        QVERIFY2(seen.texts.contains(QStringLiteral("geen Tolvek-projectbestand")), qPrintable(seen.texts));
        QCOMPARE(form.windowTitle(), QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));
        QVERIFY(form.Document().IsUntitled());
    };

    // Through the menu.
    m_driver->ChooseFile(name);
    m_driver->Press(QStringLiteral("&OK"));
    m_form->findChild<QAction *>(QStringLiteral("Openen1"))->trigger();
    QCOMPARE(m_driver->dialogs.size(), 1);
    refused(m_driver->dialogs[0], *m_form);
    // A later save asks for a name and does not touch that file.
    SessionEdits::SetOrganisation(m_form->Session(), "Iets");
    m_form->UpdateMainWindowState();
    m_driver->CancelFile();
    m_form->findChild<QAction *>(QStringLiteral("Opslaan1"))->trigger();
    QCOMPARE(m_driver->fileRequests.size(), 2);
    QCOMPARE(m_driver->fileRequests[1].kind, UserInteraction::FileDialogKind::Save);
    QCOMPARE(readAll(name), notes);
    m_form->Session().MarkClean();

    // On the command line.
    auto form = std::make_unique<THoofdForm>();
    m_driver->Press(QStringLiteral("&OK"));
    form->SetStartupFileName(name);
    form->show();
    QTRY_COMPARE(m_driver->dialogs.size(), 2);
    refused(m_driver->dialogs[1], *form);
    QCOMPARE(readAll(name), notes);
}

void TestMainWindow::statusBarSaysWhatWasNotFound()
{
    QImage map(200, 150, QImage::Format_RGB32);
    map.fill(Qt::white);
    QVERIFY(map.save(m_dir->filePath(QStringLiteral("kaart.bmp")), "BMP"));
    const QString name = m_dir->filePath(QStringLiteral("p.tvk"));
    writeFile(name,
              "[Algemene gegevens]\r\n00001=kaart.bmp\r\n[Fotopositie]\r\n00001=60,50,90\r\n"
              "[Fotonaam]\r\n00001=fotos\\kerk.jpg\r\n[Foto-aantekeningen]\r\n00001=\r\n");
    m_form->show();
    m_form->Files().ReadDataFile(name);
    QCOMPARE(m_form->StatusText->Text(), QString());

    // A photo whose file is missing: nothing opens, the status bar says so.
    const QString folder = QDir(m_dir->path()).canonicalPath();
    QTest::mouseClick(m_form->OverzichtsImage, Qt::LeftButton, {}, QPoint(60, 50));
    const QString photoText = QStringLiteral("Foto niet gevonden: fotos\\kerk.jpg (%1/fotos/kerk.jpg)").arg(folder);
    QCOMPARE(m_form->StatusText->Text(), photoText);
    // Too long for a narrow window: shortened in the middle, never cut off.
    m_form->resize(300, 300);
    QTRY_VERIFY(m_form->StatusText->width() < m_form->StatusText->fontMetrics().horizontalAdvance(photoText));
    const QString shown = m_form->StatusText->ShownText();
    QVERIFY2(shown.contains(QChar(0x2026)) && shown.startsWith(QStringLiteral("Foto niet")), qPrintable(shown));
    QVERIFY(m_form->StatusText->fontMetrics().horizontalAdvance(shown) <= m_form->StatusText->contentsRect().width());
    QCOMPARE(m_form->StatusText->toolTip(), photoText);

    // The map file gone: the 1-by-1 map, and why.
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("kaart.bmp"))));
    m_form->findChild<QAction *>(QStringLiteral("Fotonummerstonen1"))->trigger();
    QCOMPARE(m_form->MapPictureSize(), QSize(1, 1));
    QCOMPARE(m_form->StatusText->Text(),
             QStringLiteral("Overzichtskaart niet gevonden: kaart.bmp (%1/kaart.bmp)").arg(folder));

    // A new project has no map yet.
    m_form->findChild<QAction *>(QStringLiteral("Nieuw1"))->trigger();
    QCOMPARE(m_form->StatusText->Text(),
             QStringLiteral("Geen overzichtskaart gekozen: kies er een met Gegevens > Overzichtskaart."));
}

void TestMainWindow::fileDialogsShowEachFilterOnce()
{
    const QDir dir(m_dir->path());
    for (const char *file : {"a.jpg", "b.ico", "c.txt", "d.bmp"})
        writeFile(dir.filePath(QString::fromLatin1(file)), "x");
    m_driver->UseRealFileDialogs();
    struct Shown
    {
        QStringList filters;
        QStringList files;
    };
    auto inspect = [&dir](Shown &shown, bool listFiles) {
        return [&shown, &dir, listFiles](QDialog *d) {
            auto *fd = qobject_cast<QFileDialog *>(d);
            QVERIFY(fd);
            auto *combo = fd->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            QVERIFY(combo);
            for (int i = 0; i < combo->count(); ++i)
                shown.filters << combo->itemText(i);
            if (listFiles) {
                // The patterns still filter, the icon pattern included.
                fd->setDirectory(dir);
                auto *view = fd->findChild<QListView *>(QStringLiteral("listView"));
                QTRY_COMPARE(view->model()->rowCount(view->rootIndex()), 3);
                for (int r = 0; r < 3; ++r)
                    shown.files << view->model()->index(r, 0, view->rootIndex()).data().toString();
            }
            fd->reject();
        };
    };

    Shown data;
    m_driver->Handle(inspect(data, false));
    m_form->findChild<QAction *>(QStringLiteral("Openen1"))->trigger();
    QCOMPARE(data.filters, (QStringList{"Tolvek-bestanden (*.tvk)", "Alle bestanden (*.*)"}));

    Shown photo;
    m_driver->Handle([&](QDialog *d) {
        m_driver->Handle(inspect(photo, true));
        d->findChild<QToolButton *>(QStringLiteral("SpeedButton1"))->click();
        d->reject();
    });
    m_form->findChild<QAction *>(QStringLiteral("Toevoegen1"))->trigger();
    QCOMPARE(photo.filters, QStringList{"Afbeeldingen (*.jpg;*.jpeg;*.bmp;*.emf;*.wmf)"});
    photo.files.sort();
    QCOMPARE(photo.files, (QStringList{"a.jpg", "b.ico", "d.bmp"}));

    Shown map;
    m_driver->Handle([&](QDialog *d) {
        m_driver->Handle(inspect(map, false));
        d->findChild<QToolButton *>(QStringLiteral("SpeedButton1"))->click();
        d->reject();
    });
    m_form->findChild<QAction *>(QStringLiteral("OverzichtskaartEigenschappen1"))->trigger();
    QVERIFY(!map.filters.isEmpty());
    for (const QString &filter : map.filters)
        QVERIFY2(filter.count(QLatin1Char('(')) == 1, qPrintable(filter));
}

void TestMainWindow::readMeWithoutATextApplication()
{
    // A desktop that knows no program for text files.
    QTemporaryDir xdg;
    const QByteArray none = QFile::encodeName(xdg.filePath(QStringLiteral("leeg")));
    const QByteArray config = QFile::encodeName(xdg.filePath(QStringLiteral("config")));
    const QByteArray data = QFile::encodeName(xdg.filePath(QStringLiteral("data")));
    QDir(xdg.path()).mkpath(QStringLiteral("data/applications"));
    QDir(xdg.path()).mkpath(QStringLiteral("config"));
    const char *names[] = {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS"};
    QList<QByteArray> saved;
    for (const char *n : names)
        saved << qgetenv(n);
    qputenv("XDG_CONFIG_HOME", config);
    qputenv("XDG_CONFIG_DIRS", none);
    qputenv("XDG_DATA_HOME", data);
    qputenv("XDG_DATA_DIRS", none);

    const QByteArray readMe = readAll(ProcessFolders::ProgramFolder() + QStringLiteral("LeesMij.txt"));
    QVERIFY(readMe.contains("Tolvek"));
    auto shownText = [this]() -> QString {
        for (TTekstForm *t : m_form->findChildren<TTekstForm *>())
            if (t->isVisible())
                return t->Text();
        return QString();
    };
    m_form->findChild<QAction *>(QStringLiteral("LeesMijtxt1"))->trigger();
    QCOMPARE(shownText(), QString::fromUtf8(readMe));
    for (TTekstForm *t : m_form->findChildren<TTekstForm *>())
        t->close();
    QTRY_VERIFY(shownText().isEmpty());

    // A program is registered, but it cannot be started: the same window,
    // once the desktop's opener has given up.
    writeFile(QString::fromLocal8Bit(data) + QStringLiteral("/applications/kapot.desktop"),
              "[Desktop Entry]\nType=Application\nName=Kapot\nExec=false %f\nMimeType=text/plain;\n");
    writeFile(QString::fromLocal8Bit(config) + QStringLiteral("/mimeapps.list"),
              "[Default Applications]\ntext/plain=kapot.desktop\n");
    m_form->findChild<QAction *>(QStringLiteral("LeesMijtxt1"))->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(shownText(), QString::fromUtf8(readMe), 20000);

    for (int i = 0; i < 4; ++i)
        qputenv(names[i], saved[i]);
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    TolvekApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
