#include "DialogDriver.h"
#include "FakeHost.h"
#include "PhotoTestFiles.h"
#include "gui/platform/LocaleAndFonts.h"

#include "gui/photos/TFotoForm.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace PhotoTestFiles;

class TestPhotoWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakeHost m_host;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    TFotoForm *open(const QString &name, std::int32_t number = 1, const QByteArray &notes = QByteArray())
    {
        return TFotoForm::OpenPhotoWindow(m_host, number, name.toLatin1(), notes);
    }

    // Lets the deferred re-fit run until the window is at rest.
    static void settle(TFotoForm *w)
    {
        for (int i = 0; i < 10 && w->FotoTimer1->isActive(); ++i)
            QTest::qWait(130);
    }

private slots:
    void initTestCase()
    {
        // The fonts the program runs with (the designed fonts substituted).
        LocaleAndFonts::SetUp();
        QDir::setCurrent(m_dir.path());
        QVERIFY(WriteFile(path("land.jpg"), Jpeg(Quadrants(1600, 1200))));
        QVERIFY(WriteFile(path("staand.JPG"), Jpeg(Quadrants(1200, 1600))));
        QVERIFY(Quadrants(200, 150).save(path("klein.bmp"), "BMP"));
        QVERIFY(Quadrants(32, 32).save(path("logo.ico"), "ICO"));
        QVERIFY(WriteEmf(path("plan.emf"), 300, 200));
        QVERIFY(WriteFile(path("tekst.txt"), "geen foto"));
        QVERIFY(WriteFile(path("kapot.jpg"), "geen foto"));
        QVERIFY(WriteFile(path("++GeenNaam++"), Jpeg(Quadrants(20, 20))));
        QVERIFY(WriteFile(path("gedraaid.jpg"), Jpeg(Quadrants(1600, 1200), 6)));
    }

    void init()
    {
        m_host.Reset();
        QDir::setCurrent(m_dir.path());
    }

    void cleanup()
    {
        for (TFotoForm *w : TFotoForm::OpenWindows())
            delete w;
        QVERIFY(TFotoForm::OpenWindows().isEmpty());
    }

    void opensWithDesignedLayout()
    {
        TFotoForm *w = open("land.jpg", 7);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Foto"));
        QVERIFY(w->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(w->windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        QCOMPARE(w->PhotoNumber, 7);
        QCOMPARE(w->StatusBar1->height(), 19);
        QCOMPARE(w->FotoBovenPanel->height(), 30);
        QCOMPARE(w->findChild<QLabel *>("StatusPanel")->text(), QStringLiteral("land.jpg"));
        QCOMPARE(w->FotoSpeedButton->toolTip(), QStringLiteral("Foto"));
        QCOMPARE(w->GegevensSpeedButton->toolTip(), QStringLiteral("Aantekeningen"));
        QCOMPARE(w->WareGrootteSpeedButton->toolTip(), QStringLiteral("Foto op ware grootte"));
        QCOMPARE(w->FotoKopierenSpeedButton->toolTip(), QStringLiteral("Foto kopiëren naar Windows Klembord"));
        QCOMPARE(w->SluitenSpeedButton->toolTip(), QStringLiteral("Sluiten (Esc)"));
        QVERIFY(w->FotoSpeedButton->isChecked());
        QVERIFY(!w->WareGrootteSpeedButton->isChecked());
        QVERIFY(w->FotoPanel->isVisible());
        QVERIFY(!w->GegevensPanel->isVisible());
        QCOMPARE(w->AantekeningenMemo->font().pixelSize(), 12);
        QCOMPARE(w->AantekeningenMemo->font().family(), QStringLiteral("Arial"));
        // The close button sits 32 pixels from the right edge.
        QCOMPARE(w->SluitenSpeedButton->x(), w->FotoBovenPanel->width() - 32);
    }

    void fitsPhotosByWidthOrHeightRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("control");
        QTest::addColumn<QSize>("client");
        QTest::newRow("landscape") << "land.jpg" << QSize(382, 286) << QSize(384, 340);
        QTest::newRow("portrait, capitals") << "staand.JPG" << QSize(236, 315) << QSize(241, 366);
        QTest::newRow("small bitmap") << "klein.bmp" << QSize(200, 150) << QSize(205, 204);
        QTest::newRow("exif turned") << "gedraaid.jpg" << QSize(236, 315) << QSize(241, 366);
    }
    void fitsPhotosByWidthOrHeightRule()
    {
        QFETCH(QString, name);
        QFETCH(QSize, control);
        QFETCH(QSize, client);
        TFotoForm *w = open(name);
        QVERIFY(w);
        QCOMPARE(w->FotoImage->size(), control);
        QCOMPARE(w->FotoImage->pixmap().size(), control);
        QCOMPARE(w->size(), client);
        // The deferred pass after the window's own resize changes nothing.
        settle(w);
        QCOMPARE(w->FotoImage->size(), control);
        QCOMPARE(w->size(), client);
        QCOMPARE(w->FotoScrollBox->size(), client - QSize(2, 51));
    }

    void resizeRefitsOnceAfterTheTimer()
    {
        TFotoForm *w = open("land.jpg");
        settle(w);
        QCOMPARE(w->FotoImage->size(), QSize(382, 286));
        w->resize(584, 340);
        QVERIFY(w->FotoTimer1->isActive());
        QTest::qWait(40);
        w->resize(586, 340); // a further resize does not restart the timer (it would be back at 100)
        QVERIFY2(w->FotoTimer1->remainingTime() <= 85, qPrintable(QString::number(w->FotoTimer1->remainingTime())));
        QCOMPARE(w->FotoImage->size(), QSize(382, 286)); // not yet re-scaled
        settle(w);
        // Area 584 by 289: height overflow 911 against width overflow 1016.
        QCOMPARE(w->FotoImage->size(), QSize(584, 438));
        QCOMPARE(w->size(), QSize(586, 492));
        QCOMPARE(w->SluitenSpeedButton->x(), 586 - 32);
    }

    void trueSizeShowsScrollBarsAndKeepsWindow()
    {
        TFotoForm *w = open("land.jpg");
        settle(w);
        const QSize before = w->size();
        w->WareGrootteSpeedButton->click();
        QCOMPARE(w->FotoImage->size(), QSize(1600, 1200));
        QCOMPARE(w->size(), before);
        QVERIFY(w->FotoScrollBox->horizontalScrollBar()->maximum() > 0);
        QVERIFY(w->FotoScrollBox->verticalScrollBar()->maximum() > 0);
        settle(w);
        QCOMPARE(w->size(), before);
        w->WareGrootteSpeedButton->click();
        QCOMPARE(w->FotoImage->size(), QSize(382, 286));
    }

    void placementAndTrueSizeCarryToTheNextWindow()
    {
        TFotoForm *w = open("land.jpg");
        settle(w);
        w->move(420, 130);
        w->resize(500, 420);
        w->WareGrootteSpeedButton->click();
        const QRect closedAt = w->frameGeometry();
        QVERIFY(w->close());
        QCOMPARE(m_host.placement.left, closedAt.left());
        QCOMPARE(m_host.placement.top, closedAt.top());
        QCOMPARE(m_host.placement.width, closedAt.width());
        QCOMPARE(m_host.placement.height, closedAt.height());
        QVERIFY(m_host.placement.actualSize);

        TFotoForm *next = open("klein.bmp");
        QVERIFY(next);
        QCOMPARE(next->frameGeometry().topLeft(), closedAt.topLeft());
        QCOMPARE(next->frameGeometry().size(), closedAt.size());
        QVERIFY(next->WareGrootteSpeedButton->isChecked());
        QCOMPARE(next->FotoImage->size(), QSize(200, 150));
    }

    void missingOrNamelessFileOpensNothing()
    {
        DialogDriver driver;
        QVERIFY(!open("weg.jpg"));
        QVERIFY(!open("++GeenNaam++"));
        QVERIFY(!open(""));
        QVERIFY(TFotoForm::OpenWindows().isEmpty());
        QVERIFY(driver.dialogs.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
    }

    void windowsStyleNamesResolve()
    {
        QDir(m_dir.path()).mkdir("Fotos");
        QVERIFY(WriteFile(path("Fotos/Kerk.jpg"), Jpeg(Quadrants(100, 80))));
        TFotoForm *w = TFotoForm::OpenPhotoWindow(m_host, 1, "fotos\\KERK.JPG", "");
        QVERIFY(w);
        QCOMPARE(w->Picture().Size(), QSize(100, 80));
        QCOMPARE(w->findChild<QLabel *>("StatusPanel")->text(), QStringLiteral("fotos\\KERK.JPG"));
    }

    void undecodablePictureLeavesEmptyWindowAndReports_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("problem");
        QTest::newRow("unknown extension") << "tekst.txt"
                                           << "extensie \"txt\" is onbekend";
        QTest::newRow("not a jpeg") << "kapot.jpg"
                                    << "JPEG";
    }
    void undecodablePictureLeavesEmptyWindowAndReports()
    {
        QFETCH(QString, name);
        QFETCH(QString, problem);
        DialogDriver driver;
        bool normalPointer = false;
        driver.Handle([&](QDialog *message) {
            normalPointer = !QApplication::overrideCursor();
            message->accept();
        });
        m_host.doc.NotesList = {"00001=oud"};
        TFotoForm *w = open(name, 1, "oud");
        QVERIFY(w);
        QVERIFY(normalPointer);
        QVERIFY(w->isVisible());
        QCOMPARE(driver.dialogs.size(), 1);
        QVERIFY2(driver.dialogs[0].texts.contains(name) && driver.dialogs[0].texts.contains(problem),
                 qPrintable(driver.dialogs[0].texts));
        QVERIFY(w->Picture().IsNull());
        QVERIFY(w->FotoImage->pixmap().isNull());
        QCOMPARE(w->AantekeningenMemo->toPlainText(), QString());
        QVERIFY(!w->NotesChanged);
        QCOMPARE(w->findChild<QLabel *>("StatusPanel")->text(), name);
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(w->close());
        QCOMPARE(m_host.doc.NotesList, QList<QByteArray>{"00001=oud"});
        QVERIFY(!m_host.doc.Modified);
    }

    void notesFillWithoutCountingAsEdit()
    {
        TFotoForm *w = open("land.jpg", 3, "regel een\r\nregel twee \xe9");
        QCOMPARE(w->AantekeningenMemo->toPlainText(), QStringLiteral("regel een\nregel twee \u00e9"));
        QVERIFY(!w->NotesChanged);
        QVERIFY(w->close());
        QVERIFY(!m_host.doc.Modified);
        QCOMPARE(m_host.updateCount, 0);
    }

    void editedNotesReplaceEntryInPlace()
    {
        m_host.doc.NotesList = {"00001=een", "13=oud", "00013=tweede"};
        TFotoForm *w = open("land.jpg", 13, "oud");
        w->GegevensSpeedButton->click();
        QVERIFY(w->GegevensPanel->isVisible());
        QVERIFY(!w->FotoPanel->isVisible());
        QVERIFY(!w->WareGrootteSpeedButton->isEnabled());
        QVERIFY(!w->FotoKopierenSpeedButton->isEnabled());
        w->AantekeningenMemo->setFocus();
        w->AantekeningenMemo->moveCursor(QTextCursor::End);
        QTest::keyClicks(w->AantekeningenMemo, "er");
        QTest::keyClick(w->AantekeningenMemo, Qt::Key_Return);
        for (const QString &t : {QStringLiteral("\u00e9"), QStringLiteral("\u00e9"), QStringLiteral("n")})
            QTest::sendKeyEvent(QTest::Click, w->AantekeningenMemo, Qt::Key_unknown, t, Qt::NoModifier);
        QVERIFY(w->NotesChanged);
        w->FotoSpeedButton->click();
        QVERIFY(w->WareGrootteSpeedButton->isEnabled());
        QVERIFY(w->FotoKopierenSpeedButton->isEnabled());
        QVERIFY(w->close());
        QCOMPARE(m_host.doc.NotesList, (QList<QByteArray>{"00001=een", "00013=ouder\x9d\xe9\xe9n", "00013=tweede"}));
        QVERIFY(m_host.doc.Modified);
        QCOMPARE(m_host.updateCount, 1);
        QCOMPARE(m_host.drawCount, 0);
    }

    void typingThenUndoingStillCounts()
    {
        m_host.doc.NotesList = {"00002=tekst"};
        TFotoForm *w = open("land.jpg", 2, "tekst");
        QTest::keyClicks(w->AantekeningenMemo, "x");
        w->AantekeningenMemo->undo();
        QCOMPARE(w->AantekeningenMemo->toPlainText(), QStringLiteral("tekst"));
        QVERIFY(w->NotesChanged);
        QVERIFY(w->close());
        QVERIFY(m_host.doc.Modified);
    }

    void notesOfPhotoWithoutEntryAreAppended()
    {
        m_host.doc.NotesList = {"00001=een"};
        TFotoForm *w = open("land.jpg", 5, "");
        QCOMPARE(w->AantekeningenMemo->toPlainText(), QString());
        QTest::keyClicks(w->AantekeningenMemo, "vijf");
        QVERIFY(w->close());
        QCOMPARE(m_host.doc.NotesList, (QList<QByteArray>{"00001=een", "00005=vijf"}));
    }

    void twoWindowsOfOnePhotoLastClosedWins()
    {
        m_host.doc.NotesList = {"00004=begin"};
        TFotoForm *a = open("land.jpg", 4, "begin");
        TFotoForm *b = open("land.jpg", 4, "begin");
        QVERIFY(a && b && a != b);
        QCOMPARE(TFotoForm::OpenWindows().size(), 2);
        QTest::keyClicks(a->AantekeningenMemo, "A");
        QTest::keyClicks(b->AantekeningenMemo, "B");
        QVERIFY(b->close());
        QCOMPARE(m_host.doc.NotesList, QList<QByteArray>{"00004=Bbegin"});
        QVERIFY(a->close());
        QCOMPARE(m_host.doc.NotesList, QList<QByteArray>{"00004=Abegin"});
    }

    void closeAllBringsEditedNotesIn()
    {
        m_host.doc.NotesList = {"00001=a", "00002=b"};
        TFotoForm *a = open("land.jpg", 1, "a");
        TFotoForm *b = open("klein.bmp", 2, "b");
        QTest::keyClicks(a->AantekeningenMemo, "1");
        QTest::keyClicks(b->AantekeningenMemo, "2");
        QVERIFY(TFotoForm::CloseAll());
        QVERIFY(TFotoForm::OpenWindows().isEmpty());
        QVERIFY(TFotoForm::CloseAll()); // again before the windows are gone: nothing left to refuse
        QCOMPARE(m_host.doc.NotesList, (QList<QByteArray>{"00001=1a", "00002=2b"}));
    }

    void unstorableCharactersKeepTheWindowOpen()
    {
        DialogDriver driver;
        m_host.doc.NotesList = {"00001=a"};
        TFotoForm *w = open("land.jpg", 1, "a");
        w->AantekeningenMemo->setPlainText(QStringLiteral("Zwolle \u20ac ok, \u0141\u00f3d\u017a niet"));
        QVERIFY(!TFotoForm::CloseAll());
        QCOMPARE(TFotoForm::OpenWindows().size(), 1);
        QCOMPARE(driver.dialogs.size(), 1);
        QVERIFY(driver.dialogs[0].texts.contains(QStringLiteral("\u0141 \u017a")));
        QVERIFY(w->GegevensPanel->isVisible());
        QCOMPARE(m_host.doc.NotesList, QList<QByteArray>{"00001=a"});
        QVERIFY(!m_host.doc.Modified);
        w->AantekeningenMemo->setPlainText(QStringLiteral("Zwolle \u20ac ok"));
        QVERIFY(TFotoForm::CloseAll());
        QCOMPARE(m_host.doc.NotesList, QList<QByteArray>{"00001=Zwolle \x80 ok"});
    }

    void escapeClosesTheWindow()
    {
        m_host.doc.NotesList = {"00001=a"};
        TFotoForm *w = open("land.jpg", 1, "a");
        QPointer<TFotoForm> guard(w);
        QTest::keyClicks(w->AantekeningenMemo, "b");
        QTest::keyClick(w->AantekeningenMemo, Qt::Key_Escape);
        QVERIFY(!w->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());
        QCOMPARE(m_host.doc.NotesList, QList<QByteArray>{"00001=ba"});
    }

    void closeButtonClosesAndReleasesPicture()
    {
        TFotoForm *w = open("land.jpg");
        QPointer<TFotoForm> guard(w);
        w->SluitenSpeedButton->click();
        QVERIFY(w->Picture().IsNull());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());
    }

    void copyPutsThePictureAsLoadedOnTheClipboard()
    {
        QGuiApplication::clipboard()->clear();
        TFotoForm *w = open("land.jpg");
        w->FotoKopierenSpeedButton->click();
        QVERIFY(!QApplication::overrideCursor());
        const QImage copied = qvariant_cast<QImage>(QGuiApplication::clipboard()->mimeData()->imageData());
        QCOMPARE(copied.size(), QSize(1600, 1200)); // not as scaled on screen
        QVERIFY(Near(copied.pixel(1599, 1199), qRgb(255, 255, 0)));

        TFotoForm *m = open("plan.emf");
        m->FotoKopierenSpeedButton->click();
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        QFile emf(path("plan.emf"));
        QVERIFY(emf.open(QIODevice::ReadOnly));
        QCOMPARE(data->data("image/x-emf"), emf.readAll());
        QVERIFY(data->hasImage());
    }

    void copyingAnIconIsRefusedClearly()
    {
        DialogDriver driver;
        QGuiApplication::clipboard()->setText(QStringLiteral("vorige"));
        TFotoForm *w = open("logo.ico");
        QCOMPARE(w->FotoImage->size(), QSize(32, 32));
        w->FotoKopierenSpeedButton->click();
        QCOMPARE(driver.dialogs.size(), 1);
        QVERIFY(driver.dialogs[0].texts.contains(QStringLiteral("logo.ico")));
        QVERIFY(driver.dialogs[0].texts.contains(QStringLiteral("klembord")));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("vorige"));
    }
};

QTEST_MAIN(TestPhotoWindow)
#include "tst_photowindow.moc"
