#include "DialogDriver.h"
#include "FakeHost.h"
#include "PhotoTestFiles.h"
#include "gui/platform/LocaleAndFonts.h"

#include "core/base/TolvekError.h"
#include "core/project/PhotoEntry.h"
#include "gui/map/MapClickHandler.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoToevoegenForm.h"
#include "gui/photos/TFotoVerwijderenForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace PhotoTestFiles;

class TestPhotoDialogs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    FakeHost m_host;
    std::unique_ptr<TFotoToevoegenForm> m_add;
    std::unique_ptr<TFotoVerwijderenForm> m_delete;

    QString path(const QString &name) const { return m_dir.filePath(name); }
    void click(std::int32_t x, std::int32_t y) { MapClickHandler::Handle(m_host, *m_add, *m_delete, x, y); }

    // The project: four photos, 00003 at (300, 200).
    void fourPhotos()
    {
        m_host.doc.PositionList = {"00001=100,100,0", "00002=200,100,90", "00003=300,200,180", "00004=400,300,270"};
        m_host.doc.NameList = {"00001=een.jpg", "00002=twee.jpg", "00003=kerk.jpg", "00004=vier.jpg"};
        m_host.doc.NotesList = {"00001=n1", "00002=n2", "00003=n3", "00003=n3b", "00004=n4"};
    }

private slots:
    void initTestCase()
    {
        // The fonts the program runs with (the designed fonts substituted).
        LocaleAndFonts::SetUp();
        QVERIFY(WriteFile(path("kerk.jpg"), Jpeg(Quadrants(640, 480))));
        QVERIFY(WriteFile(path("een.jpg"), Jpeg(Quadrants(64, 48))));
    }

    void init()
    {
        m_host.Reset();
        m_host.doc.CurrentFileName = path("project.tvk");
        m_add = std::make_unique<TFotoToevoegenForm>(m_host, nullptr);
        m_delete = std::make_unique<TFotoVerwijderenForm>(m_host, nullptr);
    }

    void cleanup()
    {
        for (TFotoForm *w : TFotoForm::OpenWindows())
            delete w;
        m_add.reset();
        m_delete.reset();
    }

    void addDialogHasItsControls()
    {
        TFotoToevoegenForm &f = *m_add;
        QCOMPARE(f.windowTitle(), QStringLiteral("Foto toevoegen"));
        QCOMPARE(f.size(), QSize(416, 247));
        QCOMPARE(f.GroupBox1->title(), QStringLiteral(" Positie: "));
        QCOMPARE(f.GroupBox2->title(), QStringLiteral(" Bestandsnaam foto: "));
        QCOMPARE(f.GroupBox3->title(), QStringLiteral(" Richting van foto: "));
        QCOMPARE(f.GroupBox3->size(), QSize(120, 121));
        QCOMPARE(f.Label1->text(), QStringLiteral("X:"));
        QCOMPARE(f.Label2->text(), QStringLiteral("Y:"));
        QCOMPARE(f.xSpinEdit->maximum(), 999999999);
        QCOMPARE(f.ySpinEdit->minimum(), 0);
        QCOMPARE(f.SpeedButton2->text(), QStringLiteral("&Positie bepalen op kaart"));
        QCOMPARE(f.SpeedButton1->toolTip(), QStringLiteral("Zoeken..."));
        QCOMPARE(f.CheckBox1->text(), QStringLiteral("&Zonder pad-aanduiding"));
        QCOMPARE(f.CheckBox2->text(), QStringLiteral("Foto &tonen in zoek-venster"));
        QVERIFY(f.CheckBox1->isChecked() && f.CheckBox2->isChecked());
        QCOMPARE(f.HelpSpeedButton->toolTip(), QStringLiteral("Help"));
        QCOMPARE(f.Button1->text(), QStringLiteral("&OK"));
        QVERIFY(f.Button1->isDefault());
        QCOMPARE(f.Button2->text(), QStringLiteral("&Annuleren"));
        QCOMPARE(f.Edit3->width(), 361);
        QCOMPARE(f.Shape1->geometry(), QRect(55, 60, 15, 15));
        QVERIFY(f.RadioButtons[11]->isChecked());
        QCOMPARE(f.RadioButtons[11]->geometry(), QRect(55, 20, 16, 17));
        QCOMPARE(f.RadioButtons[2]->geometry(), QRect(95, 60, 16, 17));
        QCOMPARE(f.RadioButtons[5]->geometry(), QRect(55, 100, 16, 17));
        QCOMPARE(f.RadioButtons[8]->geometry(), QRect(15, 60, 16, 17));
        const int expected[12] = {60, 30, 0, 330, 300, 270, 240, 210, 180, 150, 120, 90};
        for (int hour = 1; hour <= 12; ++hour) {
            f.RadioButtons[std::size_t(hour - 1)]->setChecked(true);
            QCOMPARE(f.SelectedDirection(), expected[hour - 1]);
        }
        f.HelpSpeedButton->click();
        QCOMPARE(m_host.helpContexts, QList<int>{23});
        // Every caption fits its control.
        for (QAbstractButton *b : f.findChildren<QAbstractButton *>()) {
            if (b->text().isEmpty())
                continue;
            QString shown = b->text();
            shown.remove(QLatin1Char('&'));
            const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            const int box = qobject_cast<QCheckBox *>(b) ? 20 : 8; // the check box's own square
            QVERIFY2(b->fontMetrics().horizontalAdvance(shown) + icon + box <= b->width(), qPrintable(b->text()));
        }
    }

    void firstPhotoThroughPositionPick()
    {
        DialogDriver driver;
        m_host.host.SetAddPickMode(false);
        // Menu: the dialog opens at 0, 0; the pick button closes it.
        driver.Handle([&](QDialog *d) {
            QCOMPARE(m_add->xSpinEdit->value(), 0);
            QCOMPARE(m_add->Edit3->text(), QString());
            QCOMPARE(d->focusWidget(), m_add->Button1);
            m_add->SpeedButton2->click();
        });
        m_add->Toevoegen1Click();
        QVERIFY(!m_add->isVisible());
        QVERIFY(m_host.host.AddPickMode());
        QVERIFY(m_host.doc.PositionList.isEmpty());

        // The map release at (412, 87) brings it back with the point filled in.
        driver.Handle([&](QDialog *) {
            QVERIFY(!m_host.host.AddPickMode());
            QCOMPARE(m_add->xSpinEdit->value(), 412);
            QCOMPARE(m_add->ySpinEdit->value(), 87);
            m_add->SpeedButton1->click(); // browse
            QCOMPARE(m_add->Edit3->text(), QStringLiteral("kerk.jpg"));
            m_add->Button1->click();
        });
        driver.ChooseFile(path("kerk.jpg"));
        click(412, 87);
        QCOMPARE(driver.fileRequests.size(), 1);
        const UserInteraction::FileRequest &r = driver.fileRequests[0];
        QCOMPARE(r.title, QStringLiteral("Zoek foto"));
        QCOMPARE(r.filter,
                 QStringLiteral("Afbeeldingen (*.jpg;*.jpeg;*.bmp;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf"));
        QCOMPARE(r.kind, UserInteraction::FileDialogKind::OpenPicture);
        QVERIFY(r.initialName.isEmpty());
        QVERIFY(r.preview);
        const QImage preview = r.preview(path("kerk.jpg"), QSize(196, 196));
        QCOMPARE(preview.size(), QSize(196, 147));
        QVERIFY(r.preview(path("weg.jpg"), QSize(196, 196)).isNull());

        QCOMPARE(m_host.doc.PositionList, QList<QByteArray>{"00001=412,87,90"});
        QCOMPARE(m_host.doc.NameList, QList<QByteArray>{"00001=kerk.jpg"});
        QCOMPARE(m_host.doc.NotesList, QList<QByteArray>{"00001=Type hier uw aantekeningen."});
        QVERIFY(m_host.doc.Modified);
        QCOMPARE(m_host.updateCount, 1);
        QCOMPARE(m_host.drawCount, 1);
        QVERIFY(!QApplication::overrideCursor());
        // The same release then opened the photo just added there.
        QCOMPARE(TFotoForm::OpenWindows().size(), 1);
        TFotoForm *w = TFotoForm::OpenWindows().first();
        QCOMPARE(w->PhotoNumber, 1);
        QCOMPARE(w->AantekeningenMemo->toPlainText(), QStringLiteral("Type hier uw aantekeningen."));
    }

    void newKeyIsOneAboveLargestWithChosenDirection()
    {
        DialogDriver driver;
        m_host.doc.PositionList = {"00003=5,5,0", "00001=6,6,0"};
        driver.Handle([&](QDialog *) {
            m_add->xSpinEdit->setValue(10);
            m_add->ySpinEdit->setValue(20);
            m_add->RadioButtons[3]->click(); // 4 o'clock
            m_add->Edit3->setText(QStringLiteral("   "));
            m_add->Button1->click();
        });
        m_add->Toevoegen1Click();
        QCOMPARE(m_host.doc.PositionList.last(), QByteArray("00004=10,20,330"));
        QCOMPARE(m_host.doc.NameList.last(), QByteArray("00004=   "));
        // The direction carries over to the next opening; position and name do not.
        driver.Handle([&](QDialog *d) {
            QVERIFY(m_add->RadioButtons[3]->isChecked());
            QCOMPARE(m_add->xSpinEdit->value(), 0);
            QCOMPARE(m_add->Edit3->text(), QString());
            d->reject();
        });
        m_add->Toevoegen1Click();
        QCOMPARE(m_host.doc.PositionList.size(), 3);
    }

    void zeroCoordinateOrEmptyNameIsRefused_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<QString>("name");
        QTest::newRow("x 0") << 0 << 500 << "a.jpg";
        QTest::newRow("y 0") << 500 << 0 << "a.jpg";
        QTest::newRow("0, 0") << 0 << 0 << "a.jpg";
        QTest::newRow("no name") << 5 << 5 << "";
    }
    void zeroCoordinateOrEmptyNameIsRefused()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(QString, name);
        DialogDriver driver;
        bool stayedOpen = false;
        driver.Handle([&](QDialog *d) {
            m_add->xSpinEdit->setValue(x);
            m_add->ySpinEdit->setValue(y);
            m_add->Edit3->setText(name);
            m_add->Button1->click();
            stayedOpen = d->isVisible() && m_add->Edit3->text() == name && m_add->xSpinEdit->value() == x;
            d->reject();
        });
        driver.Press(QStringLiteral("&OK"));
        m_add->Toevoegen1Click();
        QVERIFY(stayedOpen);
        QCOMPARE(driver.dialogs.size(), 2);
        QVERIFY2(driver.dialogs[1].texts.contains(
                     QStringLiteral("Geen bestandsnaam opgegeven of onjuiste positie (positie mag niet 0,0 zijn).")),
                 qPrintable(driver.dialogs[1].texts));
        QVERIFY(m_host.doc.PositionList.isEmpty());
        QVERIFY(!m_host.doc.Modified);
    }

    void keyBeyond99999IsRefused()
    {
        DialogDriver driver;
        m_host.doc.PositionList = {"00001=1,1,0", "99999=2,2,0"};
        bool stayedOpen = false;
        driver.Handle([&](QDialog *d) {
            m_add->xSpinEdit->setValue(7);
            m_add->ySpinEdit->setValue(8);
            m_add->Edit3->setText(QStringLiteral("x.jpg"));
            m_add->Button1->click();
            stayedOpen = d->isVisible();
            d->reject();
        });
        bool normalPointer = false;
        driver.Handle([&](QDialog *message) {
            normalPointer = !QApplication::overrideCursor(); // the message is read with the normal pointer
            message->accept();
        });
        m_add->Toevoegen1Click();
        QVERIFY(stayedOpen);
        QVERIFY(normalPointer);
        QCOMPARE(driver.dialogs.size(), 2);
        QVERIFY2(driver.dialogs[1].texts.contains(QStringLiteral("99999")), qPrintable(driver.dialogs[1].texts));
        QCOMPARE(m_host.doc.PositionList.size(), 2);
        QVERIFY(m_host.doc.NameList.isEmpty());
        QVERIFY(!m_host.doc.Modified);
        QCOMPARE(m_host.drawCount, 0);
        QVERIFY(!QApplication::overrideCursor());
    }

    void badKeyInPositionListStopsTheAddition()
    {
        DialogDriver driver;
        m_host.doc.PositionList = {"0000x=1,1,0"};
        driver.Handle([&](QDialog *d) {
            m_add->xSpinEdit->setValue(7);
            m_add->ySpinEdit->setValue(8);
            m_add->Edit3->setText(QStringLiteral("x.jpg"));
            m_add->Button1->click();
            d->reject();
        });
        driver.Press(QStringLiteral("&OK"));
        m_add->Toevoegen1Click();
        QCOMPARE(driver.dialogs.size(), 2);
        QVERIFY(driver.dialogs[1].texts.contains(QStringLiteral("'0000x' is not a valid integer value")));
        QCOMPARE(m_host.doc.PositionList.size(), 1);
        QVERIFY(m_host.doc.NameList.isEmpty());
        QVERIFY(!QApplication::overrideCursor());
    }

    void browseAndPathCheckBox()
    {
        DialogDriver driver;
        driver.ChooseFile(QStringLiteral("D:\\Fotos\\kerk.jpg"));
        driver.Handle([&](QDialog *d) {
            // With nothing browsed, the check box empties a typed name.
            m_add->Edit3->setText(QStringLiteral("getypt.jpg"));
            m_add->CheckBox1->click();
            QCOMPARE(m_add->Edit3->text(), QString());
            m_add->CheckBox1->click();
            m_add->CheckBox2->click(); // browse without preview
            m_add->SpeedButton1->click();
            QCOMPARE(m_add->BrowsedPhotoPath(), QStringLiteral("D:\\Fotos\\kerk.jpg"));
            QCOMPARE(m_add->Edit3->text(), QStringLiteral("kerk.jpg"));
            m_add->CheckBox1->click();
            QCOMPARE(m_add->Edit3->text(), QStringLiteral("D:\\Fotos\\kerk.jpg"));
            m_add->CheckBox1->click();
            QCOMPARE(m_add->Edit3->text(), QStringLiteral("kerk.jpg"));
            // A cancelled browse changes nothing.
            m_add->SpeedButton1->click();
            QCOMPARE(m_add->Edit3->text(), QStringLiteral("kerk.jpg"));
            d->reject();
        });
        m_add->Toevoegen1Click();
        QCOMPARE(driver.fileRequests.size(), 2);
        QCOMPARE(driver.fileRequests[0].kind, UserInteraction::FileDialogKind::Open);
        QCOMPARE(TFotoToevoegenForm::FileNamePart(QStringLiteral("C:kerk.jpg")), QStringLiteral("kerk.jpg"));
        QCOMPARE(TFotoToevoegenForm::FileNamePart(QStringLiteral("/home/a/kerk.jpg")), QStringLiteral("kerk.jpg"));
        // Annuleren left the project as it was.
        QVERIFY(m_host.doc.PositionList.isEmpty());
        QVERIFY(!m_host.doc.Modified);
        m_add->CheckBox2->setChecked(true);
    }

    void pickKeepsNameAndDirection()
    {
        DialogDriver driver;
        driver.Handle([&](QDialog *) {
            m_add->Edit3->setText(QStringLiteral("toren.jpg"));
            m_add->RadioButtons[8]->click();
            m_add->SpeedButton2->click();
        });
        m_add->Toevoegen1Click();
        QVERIFY(m_host.host.AddPickMode());
        bool kept = false;
        driver.Handle([&](QDialog *d) {
            kept = m_add->Edit3->text() == QStringLiteral("toren.jpg") && m_add->SelectedDirection() == 180
                && m_add->xSpinEdit->value() == 0 && m_add->ySpinEdit->value() == 33;
            d->reject();
        });
        click(0, 33);
        QVERIFY(kept);
        QVERIFY(!m_host.host.AddPickMode());
        QVERIFY(m_host.doc.PositionList.isEmpty());
    }

    void unstorableFileNameIsRefused()
    {
        DialogDriver driver;
        driver.Handle([&](QDialog *d) {
            m_add->xSpinEdit->setValue(7);
            m_add->ySpinEdit->setValue(8);
            m_add->Edit3->setText(QStringLiteral("\u0141\u00f3d\u017a.jpg"));
            m_add->Button1->click();
            d->reject();
        });
        driver.Press(QStringLiteral("&OK"));
        m_add->Toevoegen1Click();
        QCOMPARE(driver.dialogs.size(), 2);
        QVERIFY(driver.dialogs[1].texts.contains(QStringLiteral("\u0141")));
        QVERIFY(m_host.doc.NameList.isEmpty());
    }

    void deleteDialogFromMenuHasNothingPicked()
    {
        DialogDriver driver;
        bool state = false;
        driver.Handle([&](QDialog *d) {
            state = m_delete->Label1->text().isEmpty() && !m_delete->Button1->isEnabled();
            QTest::keyClick(d, Qt::Key_Return); // Enter does nothing
            state = state && d->isVisible();
            QTest::keyClick(d, Qt::Key_Escape);
        });
        m_host.host.SetDeletePickMode(true);
        m_delete->Verwijderen1Click();
        QVERIFY(state);
        QVERIFY(!m_host.host.DeletePickMode());
        QVERIFY(!m_delete->isVisible());
        TFotoVerwijderenForm &f = *m_delete;
        QCOMPARE(f.windowTitle(), QStringLiteral("Foto verwijderen"));
        QCOMPARE(f.size(), QSize(345, 191));
        QCOMPARE(f.GroupBox1->title(), QStringLiteral(" Positie foto: "));
        QCOMPARE(f.GroupBox2->title(), QStringLiteral(" Bestandsnaam geselecteerde foto: "));
        QCOMPARE(f.SpeedButton1->text(), QStringLiteral("Klik hier en &selecteer te verwijderen foto op kaart   "));
        QCOMPARE(f.SpeedButton1->size(), QSize(316, 22));
        QCOMPARE(f.Label2->text(), QStringLiteral("NB. Alleen de verwijzing naar het bestand wordt verwijderd, het"));
        QCOMPARE(f.Label3->text(), QStringLiteral("bestand zelf niet."));
        QCOMPARE(f.Label1->palette().color(QPalette::WindowText), QColor(Qt::blue));
        QCOMPARE(f.Button1->text(), QStringLiteral("&Verwijderen"));
        QVERIFY(f.Button1->isDefault());
        QCOMPARE(f.Button2->text(), QStringLiteral("&Annuleren"));
        QCOMPARE(f.HelpSpeedButton->toolTip(), QStringLiteral("Help"));
        for (QLabel *l : {f.Label2, f.Label3})
            QVERIFY2(l->geometry().right() < f.GroupBox2->width() - 4,
                     qPrintable(QString::number(l->geometry().right())));
        QVERIFY(f.SpeedButton1->fontMetrics().horizontalAdvance(f.SpeedButton1->text().remove(QLatin1Char('&'))) + 20
                    + 8
                <= f.SpeedButton1->width());
    }

    void deletePickRemovesThePhotosEntries()
    {
        fourPhotos();
        DialogDriver driver;
        driver.Handle([&](QDialog *) { m_delete->SpeedButton1->click(); });
        m_delete->Verwijderen1Click();
        QVERIFY(m_host.host.DeletePickMode());
        // A release on empty map does nothing; the mode stays on.
        click(10, 300);
        QVERIFY(m_host.host.DeletePickMode());
        QCOMPARE(driver.dialogs.size(), 1);
        bool picked = false;
        driver.Handle([&](QDialog *d) {
            picked = m_delete->Label1->text() == QStringLiteral("kerk.jpg") && m_delete->SelectedPhotoKey == "00003"
                && m_delete->Button1->isEnabled() && !m_host.host.DeletePickMode();
            QTest::keyClick(d, Qt::Key_Return); // Enter deletes the shown photo
        });
        click(304, 196);
        QVERIFY(picked);
        QCOMPARE(m_host.doc.PositionList,
                 (QList<QByteArray>{"00001=100,100,0", "00002=200,100,90", "00004=400,300,270"}));
        QCOMPARE(m_host.doc.NameList, (QList<QByteArray>{"00001=een.jpg", "00002=twee.jpg", "00004=vier.jpg"}));
        QCOMPARE(m_host.doc.NotesList, (QList<QByteArray>{"00001=n1", "00002=n2", "00003=n3b", "00004=n4"}));
        QVERIFY(m_host.doc.Modified);
        QCOMPARE(m_host.drawCount, 1);
        QVERIFY(QFileInfo::exists(path("kerk.jpg")));
        QVERIFY(TFotoForm::OpenWindows().isEmpty()); // a delete pick opens no photo
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(PhotoEntry::NextKey(m_host.doc), 5);
    }

    void deleteComparesKeyText()
    {
        m_host.doc.PositionList = {"00003=300,200,180"};
        m_host.doc.NameList = {"3=kerk.jpg"};
        m_host.doc.NotesList = {"00003=n"};
        m_host.host.SetDeletePickMode(true);
        DialogDriver driver;
        driver.Press(QStringLiteral("&Verwijderen"));
        click(300, 200);
        QCOMPARE(m_delete->SelectedPhotoKey, QByteArray("3"));
        QVERIFY(m_host.doc.NameList.isEmpty());
        QCOMPARE(m_host.doc.PositionList.size(), 1);
        QCOMPARE(m_host.doc.NotesList.size(), 1);
        QVERIFY(m_host.doc.Modified);
    }

    void deletingHighestKeyFreesIt()
    {
        fourPhotos();
        m_host.host.SetDeletePickMode(true);
        DialogDriver driver;
        driver.Press(QStringLiteral("&Verwijderen"));
        click(400, 300);
        QCOMPARE(PhotoEntry::NextKey(m_host.doc), 4);
    }

    void photoWithEmptyNameCanStillBeDeleted()
    {
        m_host.doc.PositionList = {"00001=50,50,0"};
        m_host.doc.NameList = {"00001="};
        m_host.host.SetDeletePickMode(true);
        DialogDriver driver;
        driver.Press(QStringLiteral("&Verwijderen"));
        click(50, 50);
        QVERIFY(m_host.doc.PositionList.isEmpty());
        QVERIFY(m_host.doc.NameList.isEmpty());
    }

    void normalClickOpensThePhotoWithItsNotes()
    {
        fourPhotos();
        m_host.doc.NotesList.prepend("xx=geen getal");
        m_host.doc.NotesList.prepend("3a=ook geen");
        QDir::setCurrent(QDir::rootPath());
        click(295, 205); // the corner of the hit square
        // The project's folder was made current, so "kerk.jpg" was found.
        QCOMPARE(QDir::currentPath(), QDir(m_dir.path()).canonicalPath());
        QCOMPARE(TFotoForm::OpenWindows().size(), 1);
        TFotoForm *w = TFotoForm::OpenWindows().first();
        QCOMPARE(w->PhotoNumber, 3);
        QCOMPARE(w->AantekeningenMemo->toPlainText(), QStringLiteral("n3"));
        QVERIFY(!QApplication::overrideCursor());
        // Outside every square, or on a photo whose file is missing: nothing.
        click(294, 200);
        click(200, 100);
        QCOMPARE(TFotoForm::OpenWindows().size(), 1);
    }

    void hitWithoutNameEntryDoesNothing()
    {
        fourPhotos();
        m_host.doc.NameList.removeAt(2);
        DialogDriver driver;
        m_host.host.SetDeletePickMode(true);
        click(300, 200);
        QVERIFY(driver.dialogs.isEmpty());
        QVERIFY(m_host.host.DeletePickMode());
        QVERIFY(TFotoForm::OpenWindows().isEmpty());
    }

    void badNumbersEndTheClick()
    {
        m_host.doc.PositionList = {"00001=1o0,100,0", "00002=200,100,90"};
        m_host.doc.NameList = {"00002=een.jpg"};
        QVERIFY_THROWS_EXCEPTION(TolvekError, click(200, 100));
        QVERIFY(!QApplication::overrideCursor());
        m_host.doc.PositionList = {"00002=200,100,90"};
        m_host.doc.NameList = {"x1=a.jpg", "00002=een.jpg"};
        QVERIFY_THROWS_EXCEPTION(TolvekError, click(200, 100));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(TFotoForm::OpenWindows().isEmpty());
    }

    void bothPicksServeOneRelease()
    {
        fourPhotos();
        m_host.host.SetAddPickMode(true);
        m_host.host.SetDeletePickMode(true);
        DialogDriver driver;
        QPoint picked;
        driver.Handle([&](QDialog *d) {
            picked = QPoint(m_add->xSpinEdit->value(), m_add->ySpinEdit->value());
            d->reject();
        });
        driver.Handle([&](QDialog *d) {
            QCOMPARE(m_delete->SelectedPhotoKey, QByteArray("00001"));
            d->reject();
        });
        click(101, 99);
        QCOMPARE(picked, QPoint(101, 99));
        QCOMPARE(driver.dialogs.size(), 2);
        QVERIFY(!m_host.host.AddPickMode());
        QVERIFY(!m_host.host.DeletePickMode());
        QCOMPARE(m_host.doc.PositionList.size(), 4);
    }
};

QTEST_MAIN(TestPhotoDialogs)
#include "tst_photodialogs.moc"
