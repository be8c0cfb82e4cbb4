// The real main window in random hands: a seeded sequence of clicks, drags
// and turns on the map, zooms, menu commands whose dialogs get random valid
// and invalid input, undo and redo, the photo list's selection and filter,
// photo windows with notes, saves and opens. After every step:
// - no modal dialog is left open;
// - the project's bytes parse back to themselves, and the three photo lists
//   hold the same keys;
// - the photo list shows every photo while it is not filtered;
// - an unmodified project is exactly its file;
// - nothing was written outside the test's own folders (the process starts
//   in an empty folder, which must stay empty; the home and the XDG and
//   temporary folders are the test's own);
// and every so often undoing every step gives back the bytes of the project
// as it was opened, and redoing them the bytes before.
//
// TOLVEK_RANDOMUSE_SEED (default 27) is the first seed, TOLVEK_RANDOMUSE_STEPS
// (default 120) the steps per seed, TOLVEK_RANDOMUSE_SEEDS (default 4) the
// number of seeds; TOLVEK_RANDOMUSE_SECONDS runs seed after seed for that
// long instead. A failing seed prints the steps that reproduce it.

#include "DialogDriver.h"
#include "MainWindowRun.h"
#include "MapTestFiles.h"
#include "PhotoTestFiles.h"

#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/project/PhotoEntry.h"
#include "gui/map/MapView.h"
#include "gui/map/TAlleFotoEigenschappenForm.h"
#include "gui/map/TKaartForm.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoToevoegenForm.h"
#include "gui/photos/TFotoVerwijderenForm.h"
#include "gui/platform/LocaleAndFonts.h"
#include "gui/project/TProjectGegForm.h"
#include "gui/widgets/UserInteraction.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <unistd.h>

namespace {

// The test's own root: home, XDG and temporary folders, the folder the
// process starts in, the project and the outputs. Set before the
// application exists, so that nothing of the program looks elsewhere.
QString g_root;

QString Under(const QString &name)
{
    return g_root + QLatin1Char('/') + name;
}

struct Failure
{
    QString what;
};

// Types text as a keyboard would; QTest's own typing knows ASCII only.
void Type(QWidget *w, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

// The lines in which two files differ, as "expected -> actual".
QString Difference(const QByteArray &expected, const QByteArray &actual)
{
    const QList<QByteArray> a = expected.split('\n'), b = actual.split('\n');
    QStringList lines;
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i)
        if (a.value(i) != b.value(i))
            lines << QStringLiteral("%1 -> %2")
                         .arg(QString::fromLatin1(a.value(i).trimmed()), QString::fromLatin1(b.value(i).trimmed()));
    return lines.join(QLatin1Char('\n'));
}

QByteArray ReadAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestRandomUse : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void randomUse();

private:
    void RunSeed(quint32 seed, int steps);
    void MakeFixture();
    void Step();
    void HoverMap();
    void Watch();
    void CheckInvariants();
    void CheckUndoAll();
    void Expect(bool ok, const QString &what)
    {
        if (!ok)
            throw Failure{what};
    }
    void Note(const QString &text) { m_steps << QStringLiteral("%1: %2").arg(m_stepNumber).arg(text); }

    // Random material.
    int Pick(int n) { return n <= 0 ? 0 : int(m_rng.bounded(n)); }
    bool Chance(int percent) { return Pick(100) < percent; }
    QString Text();
    QPoint MapPoint();
    QPoint Nudge(QPoint point, int reach);
    QPoint ViewPoint(QPoint mapPoint) const;

    // The user's hands.
    void ClickMap();
    void DragOnMap(Qt::MouseButton button);
    void Zoom();
    void Command();
    void ListUse();
    void PhotoWindowUse();
    void Trigger(const char *name);
    void AnswerDialog(QDialog *d, int attempt);
    void FillDialog(QDialog *d);
    std::optional<QString> AnswerFile(const UserInteraction::FileRequest &r);

    MapView *View() const { return m_form->OverzichtsImage; }
    QAction *Action(const char *name) const { return m_form->findChild<QAction *>(QString::fromLatin1(name)); }
    const ProjectDocument &Doc() const { return m_form->Document(); }

    QString m_startFolder;
    QString m_project;
    QRandomGenerator m_rng;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
    QStringList m_steps;
    int m_stepNumber = 0;
    // The bytes of the project as it was opened (or made new): where undoing
    // every step must lead.
    QByteArray m_opened;
    int m_dialogsThisStep = 0;
    // A modal window that runs its own loop without passing the seam would
    // hang the test: it is shut, and the step fails.
    QTimer m_watchdog;
    QPointer<QWidget> m_lastModal;
    QString m_stray;
};

void TestRandomUse::initTestCase()
{
    m_startFolder = Under(QStringLiteral("start"));
    m_watchdog.setInterval(5000);
    connect(&m_watchdog, &QTimer::timeout, this, &TestRandomUse::Watch);
    ProcessFolders::SupportStartup();
    LocaleAndFonts::SetUp();
}

QString TestRandomUse::Text()
{
    static const QStringList pieces = {QStringLiteral("kerk"),
                                       QStringLiteral("Toren"),
                                       QStringLiteral("caf\u00e9"),
                                       QStringLiteral("\u20ac 5"),
                                       QStringLiteral(" "),
                                       QStringLiteral("\u0141\u00f3d\u017a"), // not in Windows-1252
                                       QStringLiteral("\u6771\u4eac"),
                                       QStringLiteral("a=b"),
                                       QStringLiteral("[Fotonaam]"),
                                       QStringLiteral("\\"),
                                       QStringLiteral("C:\\Foto's\\x.jpg"),
                                       QStringLiteral("http://example.org/"),
                                       QStringLiteral("00001=1,2,3"),
                                       QStringLiteral("\t"),
                                       QStringLiteral("x")};
    QString t;
    for (int n = Pick(5); n > 0; --n)
        t += pieces.at(Pick(int(pieces.size())));
    if (Chance(5))
        t = QString(300, QLatin1Char('w'));
    return t;
}

// A photo's place half the time, else anywhere on the map (or beside it).
QPoint TestRandomUse::MapPoint()
{
    const QList<QByteArray> &positions = Doc().PositionList;
    PhotoEntry::Position p;
    if (!positions.isEmpty() && Chance(50)
        && PhotoEntry::TryParsePosition(positions.at(Pick(int(positions.size()))), p))
        return Nudge(QPoint(p.x, p.y), 2);
    const QSize size = m_form->MapPictureSize().isEmpty() ? QSize(400, 300) : m_form->MapPictureSize();
    return QPoint(Pick(size.width() + 20) - 10, Pick(size.height() + 20) - 10);
}

// The point moved by up to reach pixels each way, within the int range.
QPoint TestRandomUse::Nudge(QPoint point, int reach)
{
    const auto move = [&](int v) {
        return int(std::clamp<qint64>(qint64(v) + Pick(2 * reach + 1) - reach, INT_MIN, INT_MAX));
    };
    return QPoint(move(point.x()), move(point.y()));
}

QPoint TestRandomUse::ViewPoint(QPoint mapPoint) const
{
    return View()->ToView(mapPoint);
}

void TestRandomUse::MakeFixture()
{
    QDir(Under(QStringLiteral("project"))).removeRecursively();
    QDir(Under(QStringLiteral("out"))).removeRecursively();
    QVERIFY(QDir().mkpath(Under(QStringLiteral("project/fotos/meer"))));
    QVERIFY(QDir().mkpath(Under(QStringLiteral("out"))));
    const QString project = Under(QStringLiteral("project"));
    MapTestFiles::WriteBmp(project + QStringLiteral("/kaart.bmp"), 400, 300);
    MapTestFiles::WriteBmp(project + QStringLiteral("/ander.bmp"), 250, 350);
    const QByteArray jpeg = PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(64, 48));
    for (const char *name : {"fotos/toren.jpg", "fotos/kerk.jpg", "fotos/meer/brug.jpg", "fotos/meer/molen.jpg"})
        QVERIFY(PhotoTestFiles::WriteFile(project + QLatin1Char('/') + QLatin1String(name), jpeg));
    QVERIFY(PhotoTestFiles::WriteFile(project + QStringLiteral("/fotos/kapot.jpg"), QByteArray("\xFF\xD8\xFF geen")));

    // Every photo in all three lists under five-digit keys, as the program
    // itself writes them.
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.Organisation = "Gemeente";
    doc.PositionList = {"00003=120,40,90", "00001=60,200,330", "00007=300,150,180", "00009=120,42,0"};
    doc.NameList = {"00003=fotos\\toren.jpg", "00001=weg.jpg", "00007=fotos\\kapot.jpg", "00009=fotos\\meer\\brug.jpg"};
    doc.NotesList = {"00003=Toren\x9dtweede regel", "00001=Caf\xe9", "00007=", "00009=Brug"};
    m_project = project + QStringLiteral("/kerk.tvk");
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
}

void TestRandomUse::randomUse()
{
    const quint32 first = qEnvironmentVariableIsSet("TOLVEK_RANDOMUSE_SEED")
        ? qEnvironmentVariable("TOLVEK_RANDOMUSE_SEED").toUInt()
        : 27;
    const int steps = qEnvironmentVariableIsSet("TOLVEK_RANDOMUSE_STEPS")
        ? qEnvironmentVariableIntValue("TOLVEK_RANDOMUSE_STEPS")
        : 120;
    const int count = qEnvironmentVariableIsSet("TOLVEK_RANDOMUSE_SEEDS")
        ? qEnvironmentVariableIntValue("TOLVEK_RANDOMUSE_SEEDS")
        : 4;
    const int seconds = qEnvironmentVariableIntValue("TOLVEK_RANDOMUSE_SECONDS");
    QElapsedTimer clock;
    clock.start();
    int seeds = 0, total = 0;
    for (quint32 seed = first;; ++seed) {
        RunSeed(seed, steps);
        if (QTest::currentTestFailed())
            return;
        ++seeds;
        total += m_stepNumber;
        if (seconds > 0 ? clock.elapsed() >= qint64(seconds) * 1000 : seeds >= count)
            break;
    }
    qInfo("random use: seeds %u to %u, %d steps in %lld s", first, first + quint32(seeds) - 1, total,
          clock.elapsed() / 1000);
}

void TestRandomUse::RunSeed(quint32 seed, int steps)
{
    m_rng.seed(seed);
    m_steps.clear();
    m_stepNumber = 0;
    MakeFixture();
    if (QTest::currentTestFailed())
        return;

    // The driver stands in for no-one: every dialog is answered at random
    // here, through the same seam.
    m_driver = std::make_unique<DialogDriver>();
    UserInteraction::SetModalHandler([this](QDialog *d) { AnswerDialog(d, 0); });
    UserInteraction::SetFileHandler([this](const UserInteraction::FileRequest &r) { return AnswerFile(r); });
    UserInteraction::SetPrintHandler([](QPrinter &) { return false; });
    m_form = std::make_unique<THoofdForm>();
    m_watchdog.start();
    connect(&m_form->Session(), &ProjectSession::Changed, this, [this](ProjectChanges changes) {
        if (changes.testFlag(ProjectChange::Whole))
            m_opened = DataFile::Serialize(Doc());
    });
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_opened = DataFile::Serialize(Doc());

    QString failure;
    try {
        // Every run starts with the project open.
        Note(QStringLiteral("open kerk.tvk"));
        UserInteraction::SetFileHandler([this](const UserInteraction::FileRequest &) { return m_project; });
        Trigger("Openen1");
        UserInteraction::SetFileHandler([this](const UserInteraction::FileRequest &r) { return AnswerFile(r); });
        Expect(Doc().CurrentFileName == m_project, QStringLiteral("the project did not open"));
        CheckInvariants();
        for (m_stepNumber = 1; m_stepNumber <= steps; ++m_stepNumber) {
            Step();
            CheckInvariants();
            if (m_stepNumber % 30 == 0 || m_stepNumber == steps)
                CheckUndoAll();
        }
    } catch (const Failure &f) {
        failure = f.what;
    }
    m_watchdog.stop();
    if (qEnvironmentVariableIsSet("TOLVEK_RANDOMUSE_VERBOSE"))
        qInfo("seed %u:\n  %s", seed, qPrintable(m_steps.join(QStringLiteral("\n  "))));
    MainWindowRun::End(m_form, m_driver);
    if (!failure.isEmpty())
        QFAIL(qPrintable(QStringLiteral("seed %1, step %2: %3\nTo repeat: TOLVEK_RANDOMUSE_SEED=%1 "
                                        "TOLVEK_RANDOMUSE_STEPS=%2\nsteps:\n  %4")
                             .arg(seed)
                             .arg(m_stepNumber)
                             .arg(failure, m_steps.join(QStringLiteral("\n  ")))));
}

void TestRandomUse::Step()
{
    m_dialogsThisStep = 0;
    const int what = Pick(100);
    if (what < 10)
        ClickMap();
    else if (what < 14)
        HoverMap();
    else if (what < 24)
        DragOnMap(Qt::LeftButton);
    else if (what < 30)
        DragOnMap(Qt::RightButton);
    else if (what < 37)
        Zoom();
    else if (what < 50) {
        Note(QStringLiteral("undo"));
        Trigger("Ongedaanmaken1");
    } else if (what < 56) {
        Note(QStringLiteral("redo"));
        Trigger("Opnieuw1");
    } else if (what < 66)
        ListUse();
    else if (what < 72)
        PhotoWindowUse();
    else
        Command();
    // What the step set going (redraws, thumbnails, timers) runs its course.
    QCoreApplication::processEvents();
}

void TestRandomUse::Watch()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal == m_lastModal) {
        m_stray = modal->windowTitle() + QLatin1Char(' ') + QLatin1String(modal->metaObject()->className());
        if (auto *d = qobject_cast<QDialog *>(modal))
            d->reject();
        else
            modal->close();
    }
    m_lastModal = modal;
}

void TestRandomUse::Trigger(const char *name)
{
    QAction *a = Action(name);
    Expect(a != nullptr, QStringLiteral("no action %1").arg(QLatin1String(name)));
    // A user cannot choose what is greyed out.
    if (a->isEnabled())
        a->trigger();
}

void TestRandomUse::ClickMap()
{
    const QPoint p = MapPoint();
    Note(QStringLiteral("click map %1,%2").arg(p.x()).arg(p.y()));
    QTest::mouseClick(View(), Qt::LeftButton, {}, ViewPoint(p));
}

// A rest on the map and a sweep on from it; the project may change before
// the tip has caught up with the sweep.
void TestRandomUse::HoverMap()
{
    const int count = 1 + Pick(4);
    Note(QStringLiteral("hover sweep over %1 points").arg(count));
    for (int i = 0; i < count; ++i) {
        const QPoint at = ViewPoint(MapPoint());
        QHelpEvent event(QEvent::ToolTip, at, View()->mapToGlobal(at));
        QApplication::sendEvent(View(), &event);
    }
    if (Chance(30)) {
        Note(QStringLiteral("undo during the sweep"));
        Trigger("Ongedaanmaken1");
    }
}

void TestRandomUse::DragOnMap(Qt::MouseButton button)
{
    const QPoint from = MapPoint();
    const QPoint to = Chance(20) ? Nudge(from, 1) : MapPoint();
    Note(QStringLiteral("%1 drag %2,%3 to %4,%5")
             .arg(button == Qt::LeftButton ? QStringLiteral("left") : QStringLiteral("right"))
             .arg(from.x())
             .arg(from.y())
             .arg(to.x())
             .arg(to.y()));
    const QPoint a = ViewPoint(from), b = ViewPoint(to);
    QTest::mousePress(View(), button, {}, a);
    // Photos may lie near the int limits (typed positions): halve in 64 bits.
    QTest::mouseMove(View(), QPoint(int((qint64(a.x()) + b.x()) / 2), int((qint64(a.y()) + b.y()) / 2)));
    QTest::mouseMove(View(), b);
    if (Chance(10)) {
        // Escape in the middle of a drag puts the photo back.
        Note(QStringLiteral("escape while dragging"));
        QTest::keyClick(View(), Qt::Key_Escape);
    }
    QTest::mouseRelease(View(), button, {}, b);
}

void TestRandomUse::Zoom()
{
    static const char *const actions[] = {"Inzoomen1", "Uitzoomen1", "WareGrootte1", "PassendInVenster1"};
    if (Chance(60)) {
        const char *name = actions[Pick(4)];
        Note(QStringLiteral("zoom %1").arg(QLatin1String(name)));
        if (Action(name))
            Trigger(name);
        return;
    }
    const QPoint p = ViewPoint(MapPoint());
    const int delta = Chance(50) ? 120 : -120;
    Note(QStringLiteral("ctrl+wheel %1 at %2,%3").arg(delta).arg(p.x()).arg(p.y()));
    QWheelEvent event(QPointF(p), QPointF(View()->mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(View(), &event);
}

void TestRandomUse::Command()
{
    static const char *const commands[] = {"Toevoegen1",
                                           "Toevoegen1",
                                           "Verwijderen1",
                                           "Eigenschappenallefotoswijzigen1",
                                           "Projectgegevens1",
                                           "Projectgegevens1",
                                           "OverzichtskaartEigenschappen1",
                                           "Fotonummerstonen1",
                                           "FotosImporteren1",
                                           "MapImporteren1",
                                           "Opslaan1",
                                           "Opslaan1",
                                           "Opslaanals1",
                                           "Openen1",
                                           "Nieuw1",
                                           "Exporteren1",
                                           "ExporterenAfbeelding1",
                                           "Kopiren1",
                                           "OntbrekendeFotos1",
                                           "Eigenschappenkaart1",
                                           "Fotorapport1",
                                           "ExporterenWebpagina1"};
    const char *name = commands[Pick(int(std::size(commands)))];
    Note(QStringLiteral("menu %1").arg(QLatin1String(name)));
    Trigger(name);
}

void TestRandomUse::ListUse()
{
    QListView *list = m_form->findChild<QListView *>(QStringLiteral("FotoLijst"));
    QLineEdit *filter = m_form->findChild<QLineEdit *>(QStringLiteral("FotoFilter"));
    Expect(list && filter, QStringLiteral("no photo list"));
    const int rows = list->model()->rowCount();
    const int what = Pick(10);
    if (what < 4 && rows > 0) {
        const int row = Pick(rows);
        const Qt::KeyboardModifiers mods = Chance(30) ? Qt::ControlModifier : Qt::NoModifier;
        Note(QStringLiteral("list: click row %1%2").arg(row).arg(mods ? QStringLiteral(" with ctrl") : QString()));
        list->scrollTo(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods,
                          list->visualRect(list->model()->index(row, 0)).center());
    } else if (what < 7) {
        static const QStringList words = {QStringLiteral("toren"), QStringLiteral("CAFE"), QStringLiteral("brug 9"),
                                          QStringLiteral("00007"), QStringLiteral("zzz"),  QString()};
        const QString text = Chance(70) ? words.at(Pick(int(words.size()))) : Text();
        Note(QStringLiteral("list: filter \"%1\"").arg(text));
        filter->setFocus();
        filter->selectAll();
        QTest::keyClick(filter, Qt::Key_Backspace);
        Type(filter, text);
    } else if (what < 8 && rows > 0) {
        Note(QStringLiteral("list: Delete key"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Delete);
    } else if (rows > 0) {
        Note(QStringLiteral("list: Enter"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
    }
}

void TestRandomUse::PhotoWindowUse()
{
    const QList<TFotoForm *> open = TFotoForm::OpenWindows();
    if (open.isEmpty()) {
        ClickMap();
        return;
    }
    TFotoForm *w = open.at(Pick(int(open.size())));
    if (Chance(60)) {
        const QString text = Text();
        const bool newLine = Chance(50);
        Note(QStringLiteral("photo %1: type%2 \"%3\"")
                 .arg(w->PhotoNumber)
                 .arg(newLine ? QStringLiteral(" a new line and") : QString(), text));
        w->AantekeningenMemo->setFocus();
        if (newLine)
            QTest::keyClick(w->AantekeningenMemo, Qt::Key_Return);
        Type(w->AantekeningenMemo, text);
    } else {
        Note(QStringLiteral("photo %1: close").arg(w->PhotoNumber));
        w->close();
    }
}

// Fills a dialog of the program with random input, valid or not.
void TestRandomUse::FillDialog(QDialog *d)
{
    auto name = [this](const QStringList &names) { return names.at(Pick(int(names.size()))); };
    if (auto *f = qobject_cast<TFotoToevoegenForm *>(d)) {
        f->xSpinEdit->setValue(Chance(90) ? Pick(420) - 10 : f->xSpinEdit->maximum());
        f->ySpinEdit->setValue(Pick(320) - 10);
        f->RadioButtons[std::size_t(Pick(12))]->setChecked(true);
        f->Edit3->setText(
            name({QStringLiteral("fotos\\kerk.jpg"), Under(QStringLiteral("project/fotos/meer/molen.jpg")),
                  QStringLiteral("fotos/toren.jpg"), QStringLiteral("bestaat-niet.jpg"), QString(), Text()}));
        if (Chance(30))
            f->CheckBox1->setChecked(!f->CheckBox1->isChecked());
    } else if (auto *f = qobject_cast<TAlleFotoEigenschappenForm *>(d)) {
        (Chance(50) ? f->RadioButton1 : f->RadioButton2)->setChecked(true);
        const int big = Chance(10) ? 2000000000 : 0;
        f->SpinEdit1->setValue(big + Pick(2001) - 1000);
        f->SpinEdit2->setValue(Pick(2001) - 1000);
    } else if (auto *f = qobject_cast<TProjectGegForm *>(d)) {
        for (QLineEdit *e : {f->Edit1, f->Edit2, f->Edit3, f->Edit4, f->Edit5, f->Edit6, f->Edit7})
            if (Chance(30))
                e->setText(Text());
    } else if (auto *f = qobject_cast<TKaartForm *>(d)) {
        if (Chance(70))
            f->Edit1->setText(name({QStringLiteral("kaart.bmp"), QStringLiteral("ander.bmp"), QStringLiteral("weg.bmp"),
                                    QString(), Text(), Under(QStringLiteral("project/ander.bmp"))}));
    } else {
        // Any other dialog: its line edits and check boxes at random.
        for (QLineEdit *e : d->findChildren<QLineEdit *>())
            if (e->isVisible() && e->isEnabled() && Chance(40))
                e->setText(Text());
        for (QCheckBox *c : d->findChildren<QCheckBox *>())
            if (c->isVisible() && c->isEnabled() && Chance(30))
                c->setChecked(!c->isChecked());
    }
}

// Answers a modal dialog as a user in a hurry would: fills it in and presses
// one of its buttons, or Escape. A dialog still open afterwards (a refused
// input) is answered again, and at last shut with Escape.
void TestRandomUse::AnswerDialog(QDialog *d, int attempt)
{
    if (++m_dialogsThisStep > 60) {
        Note(QStringLiteral("too many dialogs: reject \"%1\"").arg(d->windowTitle()));
        d->reject();
        return;
    }
    FillDialog(d);
    QList<QAbstractButton *> buttons;
    for (QAbstractButton *b : d->findChildren<QAbstractButton *>()) {
        // Help would open the help window; the check boxes were set above.
        if (!b->isVisible() || !b->isEnabled() || b->objectName().contains(QLatin1String("Help"))
            || b->text().contains(QLatin1String("Help")) || qobject_cast<QCheckBox *>(b)
            || qobject_cast<QRadioButton *>(b) || b->text().isEmpty())
            continue;
        buttons << b;
    }
    QPointer<QDialog> guard(d);
    if (attempt >= 3 || buttons.isEmpty() || Chance(15)) {
        Note(QStringLiteral("dialog \"%1\": Escape").arg(d->windowTitle()));
        QTest::keyClick(d, Qt::Key_Escape);
    } else {
        QAbstractButton *b = buttons.at(Pick(int(buttons.size())));
        Note(QStringLiteral("dialog \"%1\": press \"%2\"").arg(d->windowTitle(), b->text()));
        b->click();
    }
    if (guard && guard->isVisible()) {
        if (attempt >= 4) {
            guard->reject();
            return;
        }
        QTimer::singleShot(0, guard, [this, guard, attempt] {
            if (guard && guard->isVisible())
                AnswerDialog(guard, attempt + 1);
        });
    }
}

std::optional<QString> TestRandomUse::AnswerFile(const UserInteraction::FileRequest &r)
{
    using Kind = UserInteraction::FileDialogKind;
    const QString project = Under(QStringLiteral("project"));
    QStringList names;
    switch (r.kind) {
    case Kind::Open: {
        names << m_project << project + QStringLiteral("/weg.tvk") << project + QStringLiteral("/kaart.bmp");
        QDirIterator it(project, {QStringLiteral("*.tvk")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            names << it.next();
        break;
    }
    case Kind::Save:
        // A project or an export, always within the test's folders; one in
        // a folder that does not exist.
        names << project + QStringLiteral("/kopie.tvk") << project + QStringLiteral("/fotos/ander.tvk")
              << Under(QStringLiteral("out/kaart")) << Under(QStringLiteral("out/kaart.png"))
              << Under(QStringLiteral("out/kaart.emf")) << Under(QStringLiteral("out/weg/kaart.tvk")) << m_project;
        break;
    case Kind::OpenPicture:
        names << project + QStringLiteral("/fotos/kerk.jpg") << project + QStringLiteral("/ander.bmp")
              << project + QStringLiteral("/fotos/kapot.jpg") << project + QStringLiteral("/weg.jpg");
        break;
    case Kind::OpenSeveral:
        names << QStringLiteral("\"%1\" \"%2\"")
                     .arg(project + QStringLiteral("/fotos/kerk.jpg"),
                          project + QStringLiteral("/fotos/meer/molen.jpg"))
              << project + QStringLiteral("/fotos/kapot.jpg") << project + QStringLiteral("/weg.jpg");
        break;
    case Kind::Folder:
        names << project + QStringLiteral("/fotos") << project + QStringLiteral("/fotos/meer")
              << Under(QStringLiteral("out/web"));
        break;
    }
    if (Chance(15)) {
        Note(QStringLiteral("file dialog \"%1\": cancel").arg(r.title));
        return std::nullopt;
    }
    const QString chosen = names.at(Pick(int(names.size())));
    Note(QStringLiteral("file dialog \"%1\": %2")
             .arg(r.title, QString(chosen).replace(g_root, QStringLiteral("<root>"))));
    return chosen;
}

void TestRandomUse::CheckInvariants()
{
    // No dialog left open, none that the user could not answer.
    Expect(m_stray.isEmpty(), QStringLiteral("a modal window stayed open for seconds: %1").arg(m_stray));
    Expect(QApplication::activeModalWidget() == nullptr,
           QStringLiteral("a modal dialog is left open: %1")
               .arg(QApplication::activeModalWidget() ? QApplication::activeModalWidget()->windowTitle() : QString()));
    for (QWidget *w : QApplication::topLevelWidgets())
        Expect(!(w->isVisible() && w->isModal()),
               QStringLiteral("a modal window is left open: %1").arg(w->windowTitle()));

    // The document parses back to itself.
    const ProjectDocument &doc = Doc();
    const QByteArray bytes = DataFile::Serialize(doc);
    ProjectDocument back;
    Expect(DataFile::Parse(back, bytes), QStringLiteral("the project's bytes are no project"));
    Expect(DataFile::Serialize(back) == bytes, QStringLiteral("the project does not read back to its bytes"));

    // The three lists hold the same photos.
    auto keys = [this](const QList<QByteArray> &list) {
        std::map<std::int32_t, int> counts;
        for (const QByteArray &entry : list) {
            std::int32_t key = -1;
            Expect(PhotoEntry::TryInt(PhotoEntry::KeyView(entry), key),
                   QStringLiteral("an entry without a number: %1").arg(QString::fromLatin1(entry)));
            ++counts[key];
        }
        return counts;
    };
    const auto positions = keys(doc.PositionList);
    Expect(positions == keys(doc.NameList) && positions == keys(doc.NotesList),
           QStringLiteral("the three lists differ in their keys:\n%1\n%2\n%3")
               .arg(QString::fromLatin1(doc.PositionList.join(' ')), QString::fromLatin1(doc.NameList.join(' ')),
                    QString::fromLatin1(doc.NotesList.join(' '))));

    // The list shows every photo when nothing filters it.
    QLineEdit *filter = m_form->findChild<QLineEdit *>(QStringLiteral("FotoFilter"));
    QListView *list = m_form->findChild<QListView *>(QStringLiteral("FotoLijst"));
    if (filter && list && filter->text().isEmpty())
        Expect(list->model()->rowCount() == doc.PositionList.size(),
               QStringLiteral("the photo list shows %1 of %2 photos")
                   .arg(list->model()->rowCount())
                   .arg(doc.PositionList.size()));

    // An unmodified project is its file.
    if (!doc.Modified && !doc.IsUntitled())
        Expect(ReadAll(doc.CurrentFileName) == bytes,
               QStringLiteral("the project is not modified, but differs from its file %1").arg(doc.CurrentFileName));

    // Nothing written where the process started, nor anywhere in the root
    // but the test's own folders.
    Expect(QDir(m_startFolder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
           QStringLiteral("files were written in the folder the program started in: %1")
               .arg(QDir(m_startFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).join(' ')));
    const QStringList own = {QStringLiteral("start"), QStringLiteral("home"), QStringLiteral("tmp"),
                             QStringLiteral("project"), QStringLiteral("out")};
    for (const QString &entry : QDir(g_root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        Expect(own.contains(entry), QStringLiteral("written beside the test's folders: %1").arg(entry));
}

// Undo all the way back gives the project as it was opened; as many steps
// redone, the project as it was.
void TestRandomUse::CheckUndoAll()
{
    for (TFotoForm *w : TFotoForm::OpenWindows())
        w->close();
    QCoreApplication::processEvents();
    const QByteArray now = DataFile::Serialize(Doc());
    QAction *undo = Action("Ongedaanmaken1");
    QAction *redo = Action("Opnieuw1");
    int undone = 0;
    while (undo->isEnabled() && undone < 10000) {
        undo->trigger();
        ++undone;
    }
    Note(QStringLiteral("(check: undo all, %1 steps)").arg(undone));
    Expect(DataFile::Serialize(Doc()) == m_opened,
           QStringLiteral("undoing every step does not give the opened project back:\n")
               + Difference(m_opened, DataFile::Serialize(Doc())));
    CheckInvariants();
    for (int i = 0; i < undone; ++i) {
        Expect(redo->isEnabled(), QStringLiteral("redo stops after %1 of %2 steps").arg(i).arg(undone));
        redo->trigger();
    }
    Expect(DataFile::Serialize(Doc()) == now,
           QStringLiteral("redoing every step does not give the project back:\n")
               + Difference(now, DataFile::Serialize(Doc())));
    CheckInvariants();
}

int main(int argc, char **argv)
{
    // The test's own root, before anything of Qt or the program looks at
    // the environment.
    QByteArray base = qgetenv("TMPDIR");
    if (base.isEmpty())
        base = "/tmp";
    QByteArray root = base + "/tolvek-randomuse-XXXXXX";
    if (!mkdtemp(root.data()))
        return 2;
    g_root = QString::fromLocal8Bit(root);
    for (const char *sub :
         {"start", "home", "tmp", "home/config", "home/data", "home/cache", "home/state", "home/runtime"})
        QDir().mkpath(Under(QLatin1String(sub)));
    QFile::setPermissions(Under(QStringLiteral("home/runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", root + "/home");
    qputenv("TMPDIR", root + "/tmp");
    qputenv("XDG_CONFIG_HOME", root + "/home/config");
    qputenv("XDG_DATA_HOME", root + "/home/data");
    qputenv("XDG_CACHE_HOME", root + "/home/cache");
    qputenv("XDG_STATE_HOME", root + "/home/state");
    qputenv("XDG_RUNTIME_DIR", root + "/home/runtime");
    if (chdir(root + "/start") != 0)
        return 2;

    QApplication app(argc, argv);
    TestRandomUse test;
    const int result = QTest::qExec(&test, argc, argv);
    if (result == 0)
        QDir(g_root).removeRecursively();
    else
        std::fprintf(stderr, "the test's folders are kept in %s\n", root.constData());
    return result;
}

#include "tst_randomuse.moc"
