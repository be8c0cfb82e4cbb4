#include "DialogDriver.h"

#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "gui/info/THelpForm.h"
#include "gui/widgets/GeneralError.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

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

private:
    std::unique_ptr<THoofdForm> m_form;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
};

void TestMainWindow::initTestCase()
{
    ProcessFolders::SupportStartup();
    TolvekApplication::SetUpLocaleAndFonts();
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
        m_form->Document().Modified = false; // no save question on teardown
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

    m_form->Document().Modified = true;
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
        {"Opslaanals1", "O&pslaan als...", ""},
        {"Exporteren1", "&Exporteren...", "Ctrl+E"},
        {"Afsluiten1", "&Afsluiten...", "Alt+F4"},
        {"Kopiren1", "Kaart &kopi\xc3\xabren", ""},
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
    QVERIFY(!m_form->findChild<QAction *>(QStringLiteral("Fotosluiten1"))->isVisible());
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
    m_form->Document().Organisation = "Anders";
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
    m_form->Document().Organisation = "Gemeente Voorbeeld";
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
    m_form->Document().Organisation = "X";
    m_form->Document().Modified = true;
    m_driver->ChooseFile(m_dir->filePath(typed));
    m_form->Opslaan1Click(); // untitled: behaves as save as
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
    m_form->ReadDataFile(name);
    m_form->Document().Organisation = "Nieuw bureau";
    m_form->Document().Modified = true;
    m_form->Opslaan1Click();
    QVERIFY(m_driver->fileRequests.isEmpty());
    QVERIFY(readAll(name).contains("00006=Nieuw bureau\r\n"));
    QVERIFY(!m_form->Document().Modified);
}

void TestMainWindow::overwriteQuestion()
{
    const QString name = m_dir->filePath(QStringLiteral("bestaat.tvk"));
    writeFile(name, "oud");
    m_form->Document().Modified = true;
    for (const QString &answer : {QStringLiteral("&Niet overschrijven"), QStringLiteral("&Annuleren"), QString()}) {
        m_driver->ChooseFile(name);
        if (answer.isEmpty())
            m_driver->Escape();
        else
            m_driver->Press(answer);
        m_form->Opslaanals1Click();
        QCOMPARE(readAll(name), QByteArray("oud"));
        QVERIFY(m_form->Document().Modified);
    }
    const auto &seen = m_driver->dialogs.constLast();
    QVERIFY(seen.texts.contains(QStringLiteral("Bestand overschrijven?")));
    QVERIFY(seen.texts.contains(QStringLiteral("Bestand \"") + name + QStringLiteral("\" bestaat al.")));

    m_driver->ChooseFile(name);
    m_driver->Press(QStringLiteral("&Overschrijven"));
    m_form->Opslaanals1Click();
    QCOMPARE(readAll(name), DataFile::Serialize(m_form->Document()));
    QVERIFY(!m_form->Document().Modified);
}

void TestMainWindow::closeQuestionAnswers()
{
    // Cancel and Escape keep the project.
    for (bool escape : {false, true}) {
        m_form->Document().Organisation = "Bewaard";
        m_form->Document().Modified = true;
        if (escape)
            m_driver->Escape();
        else
            m_driver->Press(QStringLiteral("&Annuleren"));
        QVERIFY(!m_form->CloseProject());
        QCOMPARE(m_form->Document().Organisation, QByteArray("Bewaard"));
        QVERIFY(m_form->Document().Modified);
    }
    const auto &seen = m_driver->dialogs.constLast();
    QVERIFY(seen.texts.contains(QStringLiteral("Bestand opslaan?")));
    QVERIFY(seen.texts.contains(QStringLiteral("Bestand \"Nieuw.tvk\" is gewijzigd.")));

    // Don't save drops the changes.
    m_driver->Press(QStringLiteral("&Niet opslaan"));
    QVERIFY(m_form->CloseProject());
    QVERIFY(m_form->Document().Organisation.isEmpty());
    QVERIFY(!m_form->Document().Modified);

    // Save writes, then closes.
    m_form->Document().Organisation = "Opgeslagen";
    m_form->Document().Modified = true;
    const QString name = m_dir->filePath(QStringLiteral("opslaan.tvk"));
    m_driver->Press(QStringLiteral("&Opslaan"));
    m_driver->ChooseFile(name);
    QVERIFY(m_form->CloseProject());
    QVERIFY(readAll(name).contains("00006=Opgeslagen\r\n"));
    QVERIFY(m_form->Document().IsUntitled());
}

void TestMainWindow::saveQuestionWithCancelledSaveDialogKeepsProject()
{
    m_form->Document().Organisation = "Blijft";
    m_form->Document().Modified = true;
    m_driver->Press(QStringLiteral("&Opslaan"));
    m_driver->CancelFile();
    m_form->Nieuw1Click();
    QCOMPARE(m_form->Document().Organisation, QByteArray("Blijft"));
    QVERIFY(m_form->Document().Modified);
}

void TestMainWindow::failedSaveKeepsModifiedAndOldFile()
{
    const QString name = m_dir->filePath(QStringLiteral("p.tvk"));
    writeFile(name, kProject);
    m_form->ReadDataFile(name);
    m_form->Document().Organisation = "Gewijzigd";
    m_form->Document().Modified = true;
    m_form->UpdateMainWindowState();
    // The project's folder disappears: saving must fail and say so.
    m_form->Document().CurrentFileName = m_dir->filePath(QStringLiteral("weg/p.tvk"));
    m_driver->Press(QStringLiteral("&Opslaan"));
    m_driver->Press(QStringLiteral("&OK"));
    m_form->Nieuw1Click();
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
    m_form->ReadDataFile(name);
    m_driver->CancelFile();
    m_form->Openen1Click();
    QVERIFY(m_form->Document().IsUntitled());
    QVERIFY(m_form->Document().PositionList.isEmpty());
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek 1.0 - Nieuw.tvk"));

    m_driver->ChooseFile(name);
    m_form->Openen1Click();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvek - p.tvk"));
    QCOMPARE(m_form->Document().NameList, QList<QByteArray>{"00001=a.jpg"});
}

void TestMainWindow::exitWithoutChangesAsksNothing()
{
    m_form->show();
    QVERIFY(m_form->close());
    QVERIFY(m_driver->dialogs.isEmpty());

    m_form->show();
    m_form->Document().Modified = true;
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
    m_form->ReadDataFile(name);
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
    m_form->Label1Click();
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
