#include "DialogDriver.h"
#include "FakeHost.h"

#include "core/project/PositionChange.h"
#include "gui/map/TAlleFotoEigenschappenForm.h"
#include "gui/map/TKaartForm.h"
#include "gui/platform/LocaleAndFonts.h"
#include "gui/project/TProjectGegForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

class TestProjectDialogs : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    // Project data
    void projectDataLayout();
    void projectDataOkWithoutTypingChangesNothing();
    void projectDataTypingAndUndoingCountsAsEdit();
    void projectDataCopiesAllFieldsAndRedraws();
    void projectDataCancelKeepsFields();
    void projectDataRefusesUnstorableCharacters();
    void projectDataAcceleratorsFocusEdits();
    void helpButtonsOpenTheirTopics();

    // Overview-map file
    void mapDialogOkUntouched();
    void mapDialogBrowseAndCheckBox();
    void mapDialogCheckBoxBeforeBrowse();
    void mapDialogBrowsedPathSurvivesCancel();
    void mapDialogTypingBackStillEdited();

    // All positions
    void positionExamples_data();
    void positionExamples();
    void positionShiftRoundTrip();
    void positionHalfToEven();
    void positionBadEntryStopsThere();
    void positionOverflowRefused();
    void positionDialogFlow();

private:
    std::unique_ptr<FakeHost> m_host;
    std::unique_ptr<DialogDriver> m_driver;
};

void TestProjectDialogs::init()
{
    m_host = std::make_unique<FakeHost>();
    m_driver = std::make_unique<DialogDriver>();
}

void TestProjectDialogs::cleanup()
{
    QCOMPARE(m_driver->Pending(), 0);
    m_driver.reset();
    m_host.reset();
}

void TestProjectDialogs::projectDataLayout()
{
    TProjectGegForm form(*m_host);
    QCOMPARE(form.windowTitle(), QStringLiteral("Projectgegevens"));
    QCOMPARE(form.size(), QSize(371, 342));
    QStringList titles;
    for (auto *g : form.findChildren<QGroupBox *>())
        titles << g->title();
    titles.sort();
    QCOMPARE(titles,
             (QStringList{" Fotobestand gemaakt door: ", " Help voor gebruiker: ", " Omschrijving fotobestand: "}));
    auto *note = form.findChild<QLabel *>(QStringLiteral("Label4"));
    QCOMPARE(note->text(), QStringLiteral("Logo wordt getoond op info-scherm in help-menu (met internet-link)"));
    QCOMPARE(form.Edit1->geometry(), QRect(120, 20, 231, 21));
    QCOMPARE(form.Edit4->width(), 341);
    // Every label's text fits its place.
    for (auto *l : form.findChildren<QLabel *>())
        QVERIFY2(l->sizeHint().width() <= l->width() || l->wordWrap(), qPrintable(l->text()));
    QVERIFY(form.findChild<QLabel *>(QStringLiteral("Label1"))->geometry().right() < form.Edit1->x());
    QVERIFY(form.findChild<QLabel *>(QStringLiteral("Label2"))->geometry().right() < form.Edit2->x());
}

void TestProjectDialogs::projectDataOkWithoutTypingChangesNothing()
{
    m_host->doc.Organisation = "Gemeente";
    TProjectGegForm form(*m_host);
    m_driver->Handle([&](QDialog *) {
        QCOMPARE(form.Edit1->text(), QStringLiteral("Gemeente"));
        QCOMPARE(form.Edit7->text(), QStringLiteral("Klik op driehoek voor foto"));
        QVERIFY(form.Button1->hasFocus() || !form.isActiveWindow());
        QVERIFY(!form.Edited());
        form.Button1->click();
    });
    QCOMPARE(form.Execute(), int(QDialog::Accepted));
    QVERIFY(!m_host->doc.Modified);
    QCOMPARE(m_host->drawCount, 0);
}

void TestProjectDialogs::projectDataTypingAndUndoingCountsAsEdit()
{
    TProjectGegForm form(*m_host);
    m_driver->Handle([&](QDialog *) {
        QTest::keyClicks(form.Edit3, QStringLiteral("x"));
        QTest::keyClick(form.Edit3, Qt::Key_Backspace);
        QVERIFY(form.Edit3->text().isEmpty());
        form.Button1->click();
    });
    form.Execute();
    QVERIFY(m_host->doc.Modified);
    QCOMPARE(m_host->drawCount, 1);
    QCOMPARE(m_host->updateCount, 1);
}

void TestProjectDialogs::projectDataCopiesAllFieldsAndRedraws()
{
    TProjectGegForm form(*m_host);
    m_driver->Handle([&](QDialog *) {
        const QStringList texts = {
            "Stichting \u00c9\u00e9n", "logo.bmp", "www.een.nl", "Regel 1", "Regel 2", "Regel 3", ""};
        QLineEdit *edits[] = {form.Edit1, form.Edit2, form.Edit3, form.Edit4, form.Edit5, form.Edit6, form.Edit7};
        for (int i = 0; i < 7; ++i) {
            edits[i]->selectAll();
            QTest::keyClick(edits[i], Qt::Key_Delete);
            edits[i]->insert(texts[i]); // as typed, also beyond ASCII
        }
        form.Button1->click();
    });
    form.Execute();
    QCOMPARE(m_host->doc.Organisation, QByteArray("Stichting \xc9\xe9n"));
    QCOMPARE(m_host->doc.LogoFileName, QByteArray("logo.bmp"));
    QCOMPARE(m_host->doc.WebAddress, QByteArray("www.een.nl"));
    QCOMPARE(m_host->doc.Description1, QByteArray("Regel 1"));
    QCOMPARE(m_host->doc.Description2, QByteArray("Regel 2"));
    QCOMPARE(m_host->doc.Description3, QByteArray("Regel 3"));
    QVERIFY(m_host->doc.UserHelpText.isEmpty());
    QVERIFY(m_host->doc.Modified);
    QCOMPARE(m_host->drawCount, 1);
}

void TestProjectDialogs::projectDataCancelKeepsFields()
{
    m_host->doc.Organisation = "Oud";
    TProjectGegForm form(*m_host);
    for (bool escape : {false, true}) {
        m_driver->Handle([&](QDialog *d) {
            QTest::keyClicks(form.Edit1, QStringLiteral("nieuw"));
            if (escape)
                QTest::keyClick(d, Qt::Key_Escape);
            else
                form.Button2->click();
        });
        QCOMPARE(form.Execute(), int(QDialog::Rejected));
        QCOMPARE(m_host->doc.Organisation, QByteArray("Oud"));
        QVERIFY(!m_host->doc.Modified);
    }
    // The next showing starts from the document again.
    m_driver->Handle([&](QDialog *) {
        QCOMPARE(form.Edit1->text(), QStringLiteral("Oud"));
        form.Button2->click();
    });
    form.Execute();
}

void TestProjectDialogs::projectDataRefusesUnstorableCharacters()
{
    TProjectGegForm form(*m_host);
    m_driver->Handle([&](QDialog *) {
        form.Edit1->setText(QString::fromUtf8("\u0141\u00f3d\u017a"));
        form.Button1->click(); // refused: a warning, the dialog stays open
        QVERIFY(form.isVisible());
        form.Edit1->setText(QString::fromUtf8("Lodz"));
        form.Button1->click();
    });
    m_driver->Press(QStringLiteral("&OK"));
    QCOMPARE(form.Execute(), int(QDialog::Accepted));
    QCOMPARE(m_driver->dialogs.size(), 2);
    QVERIFY2(m_driver->dialogs[1].texts.contains(QString::fromUtf8("\u0141 \u017a")),
             qPrintable(m_driver->dialogs[1].texts));
    QCOMPARE(m_host->doc.Organisation, QByteArray("Lodz"));
}

void TestProjectDialogs::projectDataAcceleratorsFocusEdits()
{
    TProjectGegForm form(*m_host);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.activateWindow();
    QTest::keyClick(&form, Qt::Key_L, Qt::AltModifier);
    QTRY_VERIFY(form.Edit2->hasFocus());
    QTest::keyClick(&form, Qt::Key_I, Qt::AltModifier);
    QTRY_VERIFY(form.Edit3->hasFocus());
    QTest::keyClick(&form, Qt::Key_R, Qt::AltModifier);
    QTRY_VERIFY(form.Edit1->hasFocus());
    form.hide();
}

void TestProjectDialogs::helpButtonsOpenTheirTopics()
{
    TProjectGegForm a(*m_host);
    TKaartForm b(*m_host);
    TAlleFotoEigenschappenForm c(*m_host);
    for (QDialog *d : {static_cast<QDialog *>(&a), static_cast<QDialog *>(&b), static_cast<QDialog *>(&c)}) {
        auto *help = d->findChild<QToolButton *>(QStringLiteral("HelpSpeedButton"));
        QVERIFY(help);
        QCOMPARE(help->toolTip(), QStringLiteral("Help"));
        help->click();
    }
    // Each dialog's own topic.
    QCOMPARE(m_host->helpContexts, (QList<int>{21, 22, 25}));
}

void TestProjectDialogs::mapDialogOkUntouched()
{
    m_host->doc.MapFileName = "kaart.bmp";
    TKaartForm form(*m_host);
    QCOMPARE(form.size(), QSize(390, 117));
    QCOMPARE(form.findChild<QGroupBox *>()->title(), QStringLiteral(" Bestand: "));
    QCOMPARE(form.SpeedButton1->toolTip(), QStringLiteral("Zoeken..."));
    QVERIFY(form.CheckBox1->isChecked());
    m_driver->Press(QStringLiteral("&OK"));
    QCOMPARE(form.Execute(), int(QDialog::Accepted));
    QCOMPARE(m_host->doc.MapFileName, QByteArray("kaart.bmp"));
    QVERIFY(!m_host->doc.Modified);
}

void TestProjectDialogs::mapDialogBrowseAndCheckBox()
{
    TKaartForm form(*m_host);
    m_driver->ChooseFile(QStringLiteral("/data/kaarten/plan.bmp"));
    m_driver->Handle([&](QDialog *) {
        form.SpeedButton1->click();
        QCOMPARE(form.Edit1->text(), QStringLiteral("plan.bmp"));
        form.CheckBox1->click();
        QCOMPARE(form.Edit1->text(), QStringLiteral("/data/kaarten/plan.bmp"));
        form.CheckBox1->click();
        QCOMPARE(form.Edit1->text(), QStringLiteral("plan.bmp"));
        form.Button1->click();
    });
    form.Execute();
    QCOMPARE(m_driver->fileRequests.size(), 1);
    QCOMPARE(m_driver->fileRequests[0].title, QStringLiteral("Achtergrondafbeelding"));
    // Bitmaps keep their own entry among the other map formats.
    QVERIFY(m_driver->fileRequests[0].filter.contains(QStringLiteral("|Bitmap-afbeeldingen (*.bmp)|*.bmp|")));
    QCOMPARE(m_host->doc.MapFileName, QByteArray("plan.bmp"));
    QVERIFY(m_host->doc.Modified);
}

void TestProjectDialogs::mapDialogCheckBoxBeforeBrowse()
{
    m_host->doc.MapFileName = "kaart.bmp";
    TKaartForm form(*m_host);
    m_driver->Handle([&](QDialog *) {
        form.CheckBox1->click(); // unchecked: the (empty) browsed path whole
        QVERIFY(form.Edit1->text().isEmpty());
        form.Button1->click();
    });
    form.Execute();
    QVERIFY(m_host->doc.MapFileName.isEmpty());
    QVERIFY(m_host->doc.Modified);
    QVERIFY(!form.CheckBox1->isChecked()); // kept for the next showing
}

void TestProjectDialogs::mapDialogBrowsedPathSurvivesCancel()
{
    TKaartForm form(*m_host);
    m_driver->ChooseFile(QStringLiteral("/plannen/begane grond.bmp"));
    m_driver->Handle([&](QDialog *) {
        form.SpeedButton1->click();
        form.Button2->click();
    });
    form.Execute();
    QVERIFY(m_host->doc.MapFileName.isEmpty());
    QVERIFY(!m_host->doc.Modified);
    m_driver->Handle([&](QDialog *) {
        QVERIFY(form.Edit1->text().isEmpty());
        form.CheckBox1->click();
        QCOMPARE(form.Edit1->text(), QStringLiteral("/plannen/begane grond.bmp"));
        form.Button1->click();
    });
    form.Execute();
    QCOMPARE(m_host->doc.MapFileName, QByteArray("/plannen/begane grond.bmp"));
}

void TestProjectDialogs::mapDialogTypingBackStillEdited()
{
    m_host->doc.MapFileName = "a.bmp";
    TKaartForm form(*m_host);
    m_driver->Handle([&](QDialog *) {
        QTest::keyClick(form.Edit1, Qt::Key_End);
        QTest::keyClicks(form.Edit1, QStringLiteral("x"));
        QTest::keyClick(form.Edit1, Qt::Key_Backspace);
        form.Button1->click();
    });
    form.Execute();
    QCOMPARE(m_host->doc.MapFileName, QByteArray("a.bmp"));
    QVERIFY(m_host->doc.Modified);
}

void TestProjectDialogs::positionExamples_data()
{
    QTest::addColumn<bool>("multiply");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("shift") << false << 10 << -20 << QByteArray("00007=210,130,330");
    QTest::newRow("1500") << true << 1500 << 1500 << QByteArray("00007=300,225,330");
    QTest::newRow("2000/500") << true << 2000 << 500 << QByteArray("00007=400,75,330");
    QTest::newRow("1000") << true << 1000 << 1000 << QByteArray("00007=200,150,330");
    QTest::newRow("0") << true << 0 << 0 << QByteArray("00007=0,0,330");
    QTest::newRow("mirror") << true << -1000 << 1000 << QByteArray("00007=-200,150,330");
}

void TestProjectDialogs::positionExamples()
{
    QFETCH(bool, multiply);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(QByteArray, expected);
    const auto r = PositionChange::Apply({"00007=200,150,330"},
                                         multiply ? PositionChange::Mode::Multiply : PositionChange::Mode::Shift, a, b);
    QVERIFY(!r.badEntry && !r.overflow);
    QCOMPARE(r.entries, QList<QByteArray>{expected});
}

void TestProjectDialogs::positionShiftRoundTrip()
{
    const QList<QByteArray> start = {"00001=5,6,0", "7=-3,0,45", "00010=100,-100,300"};
    auto r = PositionChange::Apply(start, PositionChange::Mode::Shift, 10, -20);
    r = PositionChange::Apply(r.entries, PositionChange::Mode::Shift, -10, 20);
    QCOMPARE(r.entries, start);
}

void TestProjectDialogs::positionHalfToEven()
{
    QCOMPARE(PositionChange::Scale(500, 3), 2);
    QCOMPARE(PositionChange::Scale(500, 5), 2);
    QCOMPARE(PositionChange::Scale(500, 7), 4);
    QCOMPARE(PositionChange::Scale(500, -3), -2);
}

void TestProjectDialogs::positionBadEntryStopsThere()
{
    const auto r =
        PositionChange::Apply({"00001=1,1,0", "00002=1,x,0", "00003=1,1,0"}, PositionChange::Mode::Shift, 1, 1);
    QVERIFY(r.badEntry);
    QCOMPARE(r.badText, QByteArray("x"));
    QCOMPARE(r.entries, (QList<QByteArray>{"00001=2,2,0", "00002=1,x,0", "00003=1,1,0"}));
}

void TestProjectDialogs::positionOverflowRefused()
{
    const auto r =
        PositionChange::Apply({"00001=1,1,0", "00002=5000000,1,0"}, PositionChange::Mode::Multiply, 2000000, 1000);
    QVERIFY(r.overflow);
    QCOMPARE(r.overflowIndex, 1);
    const auto s = PositionChange::Apply({"00001=2147483647,0,0"}, PositionChange::Mode::Shift, 1, 0);
    QVERIFY(s.overflow);
}

void TestProjectDialogs::positionDialogFlow()
{
    m_host->doc.PositionList = {"00001=200,150,90", "00002=3,5,0"};
    TAlleFotoEigenschappenForm form(*m_host);
    QCOMPARE(form.windowTitle(), QStringLiteral("Eigenschappen alle foto's wijzigen"));
    QCOMPARE(form.size(), QSize(276, 172));
    QVERIFY(form.Label3->isHidden() && form.Label4->isHidden());

    // Multiply, then cancel: nothing changes, but the settings stay.
    m_driver->Handle([&](QDialog *) {
        form.RadioButton2->click();
        QVERIFY(form.Label3->isVisible() && form.Label4->isVisible());
        form.SpinEdit1->setValue(500);
        form.SpinEdit2->setValue(2000);
        form.Button2->click();
    });
    form.Execute();
    QCOMPARE(m_host->doc.PositionList.value(0), QByteArray("00001=200,150,90"));
    QVERIFY(!m_host->doc.Modified);

    m_driver->Handle([&](QDialog *) {
        QVERIFY(form.RadioButton2->isChecked());
        QCOMPARE(form.SpinEdit1->value(), 500);
        form.Button1->click();
    });
    form.Execute();
    QCOMPARE(m_host->doc.PositionList, (QList<QByteArray>{"00001=100,300,90", "00002=2,10,0"}));
    QVERIFY(m_host->doc.Modified);
    QCOMPARE(m_host->drawCount, 1);

    // Leaving the integer range is refused with a message; nothing changes.
    m_host->doc.Modified = false;
    m_host->doc.PositionList = {"00001=5000000,1,0"};
    m_driver->Handle([&](QDialog *) {
        form.SpinEdit1->setValue(2000000);
        form.SpinEdit2->setValue(1000);
        form.Button1->click();
        form.Button2->click();
    });
    m_driver->Press(QStringLiteral("&OK"));
    form.Execute();
    QCOMPARE(m_host->doc.PositionList, QList<QByteArray>{"00001=5000000,1,0"});
    QVERIFY(!m_host->doc.Modified);
    QVERIFY(m_driver->dialogs.last().texts.contains(QStringLiteral("00001")));

    // Switching back hides the labels.
    form.RadioButton1->click();
    QVERIFY(form.Label3->isHidden() && form.Label4->isHidden());
}

int main(int argc, char *argv[])
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    LocaleAndFonts::SetUp();
    TestProjectDialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_projectdialogs.moc"
