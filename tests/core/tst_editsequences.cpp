// Random sequences of every kind of edit, with undo, redo, saves and reloads
// in between, on random projects as Windows-made files hold them. After every
// step: the document's bytes are those of the step the undo stack stands on,
// Modified says whether that is where the file was last saved or opened, and
// the one Changed signal told at least what changed. A saved file reads back
// to the same bytes.
//
// TOLVEK_EDIT_SEQUENCES (default 1500) sets the number of sequences and
// TOLVEK_EDIT_SEED the first seed; a failing seed prints its steps.

#include "core/base/TolvekError.h"
#include "core/project/AddPhotoEdit.h"
#include "core/project/DataFile.h"
#include "core/project/DeletePhotoEdit.h"
#include "core/project/DeletePhotosEdit.h"
#include "core/project/MapFileEdit.h"
#include "core/project/MovePhotoEdit.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PositionChange.h"
#include "core/project/ProjectDataEdit.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/RenamePhotosEdit.h"
#include "core/project/ReplacePositionsEdit.h"
#include "core/project/StoreNotesEdit.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {

struct Failure
{
    QString what;
};

class Sequence
{
public:
    Sequence(quint32 seed, const QString &folder) : m_rng(seed), m_file(folder + QStringLiteral("/project.tvk")) {}

    // Runs the sequence; throws Failure at the first broken rule.
    void Run()
    {
        const QByteArray opened = DataFile::Serialize(RandomProject());
        Write(opened);
        Step(QStringLiteral("open"));
        m_session.Load(m_file);
        Expect(DataFile::Serialize(m_doc) == opened, QStringLiteral("the opened file does not read back to its bytes"));
        m_states = {opened};
        m_at = 0;
        m_clean = 0;

        const int steps = 10 + int(m_rng.bounded(40));
        for (int i = 0; i < steps; ++i) {
            const quint32 what = m_rng.bounded(100);
            if (what < 15)
                Undo();
            else if (what < 24)
                Redo();
            else if (what < 27)
                SaveAndReload();
            else
                Edit();
        }
        // All the way back gives the bytes last opened, all the way forward
        // the last ones.
        const qsizetype top = m_states.size() - 1;
        const QByteArray lastOpened = m_states.first();
        while (m_session.CanUndo())
            Undo();
        Expect(m_at == 0, QStringLiteral("the stack ends before the opening"));
        Expect(DataFile::Serialize(m_doc) == lastOpened,
               QStringLiteral("undoing every step does not give the file back"));
        while (m_session.CanRedo())
            Redo();
        Expect(m_at == top, QStringLiteral("redo does not reach the last step"));
    }

    QStringList steps;

private:
    void Step(const QString &text) { steps << text; }

    void Expect(bool ok, const QString &what)
    {
        if (!ok)
            throw Failure{what};
    }

    void Write(const QByteArray &bytes)
    {
        QFile f(m_file);
        Expect(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size(), QStringLiteral("cannot write the file"));
    }

    // --- random material -------------------------------------------------

    int Pick(int n) { return int(m_rng.bounded(n)); }
    bool Chance(int percent) { return Pick(100) < percent; }

    // Bytes of a single-line text: any but CR and LF (the dialogs give one
    // line), often Windows-1252 letters.
    QByteArray Text(int maxLength)
    {
        static const QByteArray common =
            "abcdefghijklmnopqrstuvwxyz ABCXYZ0123456789.,;:=[]\\/-_'\"\xe9\xeb\xef\xfc\x80\x9d";
        QByteArray t;
        const int n = Pick(maxLength + 1);
        for (int i = 0; i < n; ++i) {
            if (Chance(85)) {
                t += common.at(Pick(int(common.size())));
            } else {
                char c;
                do
                    c = char(Pick(256));
                while (c == '\r' || c == '\n');
                t += c;
            }
        }
        return t;
    }

    QByteArray FileName()
    {
        static const char *const folders[] = {"", "fotos\\", "C:\\Beelden\\", "/home/anna/", "..\\oud\\"};
        static const char *const ends[] = {".jpg", ".JPG", ".jpeg", ".emf", ".wmf", ".bmp", ".heic", ""};
        return QByteArray(folders[Pick(5)]) + Text(12) + ends[Pick(8)];
    }

    std::int32_t Coordinate()
    {
        switch (Pick(6)) {
        case 0:
            return std::int32_t(m_rng.generate());
        case 1:
            return -Pick(1000);
        default:
            return Pick(5000);
        }
    }

    // Keys in a Windows-made file: mostly five digits, some out of order,
    // some written short; a name or notes entry may be missing, and a notes
    // entry may belong to no photo.
    ProjectDocument RandomProject()
    {
        ProjectDocument doc;
        doc.MapFileName = Chance(80) ? FileName() : QByteArray();
        doc.TriangleSize = Pick(40);
        doc.TriangleColour = std::int32_t(m_rng.bounded(0x1000000));
        doc.LogoFileName = Chance(50) ? FileName() : QByteArray();
        doc.WebAddress = Text(30);
        doc.Organisation = Text(30);
        doc.Description1 = Text(40);
        doc.Description2 = Text(40);
        doc.Description3 = Text(40);
        doc.UserHelpText = Chance(70) ? ProjectDocument::DefaultUserHelpText() : Text(40);
        const int photos = Chance(10) ? 0 : Pick(30);
        QList<int> keys;
        for (int i = 0; i < photos; ++i)
            keys << 1 + Pick(Chance(5) ? 99999 : 200);
        // Keys written short make adding refuse (the next key is read from
        // an entry's first five characters): in a few projects only.
        const bool shortKeys = Chance(10);
        for (int key : keys) {
            const QByteArray keyText =
                shortKeys && Chance(30) ? QByteArray::number(key) : QByteArray::number(key).rightJustified(5, '0');
            doc.PositionList << PhotoEntry::MakePosition(keyText, Coordinate(), Coordinate(), 30 * Pick(12));
            if (Chance(95))
                doc.NameList << PhotoEntry::Make(keyText, FileName());
            if (Chance(85))
                doc.NotesList << PhotoEntry::Make(keyText, DataFile::EncodeNotes(Notes()));
        }
        if (Chance(10))
            doc.NotesList << PhotoEntry::Make(QByteArray::number(1 + Pick(99999)), Text(20));
        return doc;
    }

    // Notes as the photo window gives them: lines joined by CR LF.
    QByteArray Notes()
    {
        QByteArray notes = Text(40);
        for (int lines = Pick(4); lines > 0; --lines)
            notes += "\r\n" + Text(30);
        return notes;
    }

    QByteArray SomeKeyText()
    {
        if (m_doc.PositionList.isEmpty() || Chance(5))
            return QByteArray::number(1 + Pick(99999)).rightJustified(5, '0');
        return PhotoEntry::KeyText(m_doc.PositionList.at(Pick(int(m_doc.PositionList.size()))));
    }

    // --- the edits, as the dialogs and the map make them ------------------

    std::unique_ptr<ProjectEdit> RandomEdit(QString &name)
    {
        const ProjectDocument &doc = m_doc;
        switch (Pick(11)) {
        case 0:
        case 1: { // add one photo, or import many
            QList<AddPhotoEdit::Photo> photos;
            const int n = Chance(70) ? 1 : 2 + Pick(40);
            for (int i = 0; i < n; ++i)
                photos << AddPhotoEdit::Photo{Coordinate(), Coordinate(), 30 * Pick(12), FileName()};
            name = QStringLiteral("add %1 photo(s), first at %2,%3 named %4")
                       .arg(n)
                       .arg(photos[0].x)
                       .arg(photos[0].y)
                       .arg(QString::fromLatin1(photos[0].fileName.toPercentEncoding()));
            return AddPhotoEdit::Make(doc, photos);
        }
        case 2: {
            const QByteArray key = SomeKeyText();
            name = QStringLiteral("delete %1").arg(QString::fromLatin1(key));
            return std::make_unique<DeletePhotoEdit>(key);
        }
        case 3: {
            QList<QByteArray> keys;
            for (int n = 1 + Pick(5); n > 0; --n)
                keys << SomeKeyText();
            name = QStringLiteral("delete %1").arg(QString::fromLatin1(keys.join(' ')));
            return std::make_unique<DeletePhotosEdit>(keys);
        }
        case 4: {
            if (doc.PositionList.isEmpty())
                return nullptr;
            const int index = Pick(int(doc.PositionList.size()));
            std::optional<std::int32_t> x, y, direction;
            if (Chance(60)) {
                x = Coordinate();
                y = Coordinate();
            }
            if (!x || Chance(30))
                direction = Chance(80) ? 30 * Pick(12) : Pick(360);
            name = QStringLiteral("move entry %1 to %2,%3 direction %4")
                       .arg(index)
                       .arg(x ? QString::number(*x) : QStringLiteral("-"))
                       .arg(y ? QString::number(*y) : QStringLiteral("-"))
                       .arg(direction ? QString::number(*direction) : QStringLiteral("-"));
            return std::make_unique<MovePhotoEdit>(index, x, y, direction);
        }
        case 5: { // change all positions
            const auto mode = Chance(50) ? PositionChange::Mode::Shift : PositionChange::Mode::Multiply;
            const std::int32_t x = mode == PositionChange::Mode::Shift ? Pick(401) - 200 : Pick(3001) - 1000;
            const std::int32_t y = mode == PositionChange::Mode::Shift ? Pick(401) - 200 : Pick(3001) - 1000;
            const PositionChange::Result result = PositionChange::Apply(doc.PositionList, mode, x, y);
            name = QStringLiteral("%1 all by %2,%3")
                       .arg(mode == PositionChange::Mode::Shift ? QStringLiteral("shift") : QStringLiteral("multiply"))
                       .arg(x)
                       .arg(y);
            if (result.overflow)
                return nullptr; // refused by the dialog
            Expect(!result.badEntry, QStringLiteral("a position made by the program does not read back"));
            return std::make_unique<ReplacePositionsEdit>(result.entries, true);
        }
        case 6: {
            if (doc.PositionList.isEmpty())
                return nullptr;
            std::int32_t key = 0;
            if (!PhotoEntry::TryInt(PhotoEntry::KeyView(doc.PositionList.at(Pick(int(doc.PositionList.size())))), key))
                return nullptr;
            const QByteArray notes = Notes();
            name = QStringLiteral("notes of %1: %2").arg(key).arg(QString::fromLatin1(notes.toPercentEncoding()));
            return std::make_unique<StoreNotesEdit>(key, notes);
        }
        case 7: {
            ProjectDataEdit::Fields f = ProjectDataEdit::Of(doc);
            const bool edited = Chance(80);
            if (edited) {
                QByteArray *fields[] = {&f.organisation, &f.logoFileName, &f.webAddress,  &f.description1,
                                        &f.description2, &f.description3, &f.userHelpText};
                for (int n = 1 + Pick(3); n > 0; --n)
                    *fields[Pick(7)] = Text(40);
            }
            name = QStringLiteral("project data%1").arg(edited ? QString() : QStringLiteral(", untouched"));
            return std::make_unique<ProjectDataEdit>(f, edited);
        }
        case 8: {
            const bool edited = Chance(80);
            const QByteArray map = edited ? FileName() : doc.MapFileName;
            name = QStringLiteral("map file %1").arg(QString::fromLatin1(map.toPercentEncoding()));
            return std::make_unique<MapFileEdit>(map, edited);
        }
        default: { // mended names, some out of range
            QList<RenamePhotosEdit::Rename> renames;
            for (int n = 1 + Pick(4); n > 0; --n)
                renames << RenamePhotosEdit::Rename{Pick(int(doc.NameList.size()) + 2) - 1, FileName()};
            name = QStringLiteral("rename %1 names").arg(renames.size());
            auto edit = std::make_unique<RenamePhotosEdit>(doc, renames);
            return edit->Count() > 0 ? std::move(edit) : nullptr;
        }
        }
    }

    // What a signal must at least tell when the document went from before
    // to after: whoever shows a part must hear that it changed.
    static ProjectChanges Needed(const ProjectDocument &before, const ProjectDocument &after)
    {
        ProjectChanges needed;
        if (before.PositionList != after.PositionList || before.NameList != after.NameList)
            needed |= ProjectChange::Photos | ProjectChange::Map; // triangles; labels show names
        if (before.NotesList != after.NotesList)
            needed |= ProjectChange::Photos;
        if (before.MapFileName != after.MapFileName || before.UserHelpText != after.UserHelpText
            || before.TriangleSize != after.TriangleSize || before.TriangleColour != after.TriangleColour)
            needed |= ProjectChange::Map;
        if (before.Modified != after.Modified || before.Organisation != after.Organisation
            || before.LogoFileName != after.LogoFileName || before.WebAddress != after.WebAddress
            || before.Description1 != after.Description1 || before.Description2 != after.Description2
            || before.Description3 != after.Description3)
            needed |= ProjectChange::State;
        return needed;
    }

    void CheckSignal(QSignalSpy &spy, const ProjectDocument &before, bool expectOne)
    {
        const ProjectChanges needed = Needed(before, m_doc);
        // (A signal after an edit that changed nothing costs a redraw only.)
        if (!expectOne && !needed) {
            Expect(spy.size() <= 1, QStringLiteral("%1 Changed signals for one edit").arg(spy.size()));
            return;
        }
        Expect(spy.size() == 1, QStringLiteral("%1 Changed signals instead of one").arg(spy.size()));
        const auto told = spy.at(0).at(0).value<ProjectChanges>();
        Expect((told & needed) == needed,
               QStringLiteral("Changed told %1, but %2 changed").arg(int(told.toInt())).arg(int(needed.toInt())));
    }

    void CheckState()
    {
        Expect(DataFile::Serialize(m_doc) == m_states.at(m_at),
               QStringLiteral("the document is not the bytes of undo step %1").arg(m_at));
        Expect(m_doc.Modified == (m_at != m_clean),
               QStringLiteral("Modified is %1 at step %2, saved at %3").arg(m_doc.Modified).arg(m_at).arg(m_clean));
        Expect(m_session.CanUndo() == (m_at > 0) && m_session.CanRedo() == (m_at + 1 < m_states.size()),
               QStringLiteral("undo and redo are not offered as the steps stand"));
    }

    void Edit()
    {
        QString name;
        std::unique_ptr<ProjectEdit> edit;
        try {
            edit = RandomEdit(name);
        } catch (const TolvekError &) {
            Step(name + QStringLiteral(": refused"));
            return;
        }
        if (!edit)
            return;
        Step(name);
        const ProjectDocument before = m_doc;
        const bool counts = edit->Modifies();
        QSignalSpy spy(&m_session, &ProjectSession::Changed);
        m_session.Perform(std::move(edit));
        const QByteArray bytes = DataFile::Serialize(m_doc);
        if (counts) {
            m_states.resize(m_at + 1);
            m_states << bytes;
            if (m_clean > m_at)
                m_clean = -1; // the saved state can no longer be reached
            ++m_at;
        } else {
            // Taken as the dialogs give them: nothing changes.
            Expect(bytes == m_states.at(m_at), QStringLiteral("an edit that does not count changed the bytes"));
        }
        CheckSignal(spy, before, false);
        CheckState();
    }

    void Undo()
    {
        Step(QStringLiteral("undo"));
        const ProjectDocument before = m_doc;
        QSignalSpy spy(&m_session, &ProjectSession::Changed);
        const bool possible = m_session.CanUndo();
        m_session.Undo();
        if (possible)
            --m_at;
        CheckSignal(spy, before, possible);
        CheckState();
    }

    void Redo()
    {
        Step(QStringLiteral("redo"));
        const ProjectDocument before = m_doc;
        QSignalSpy spy(&m_session, &ProjectSession::Changed);
        const bool possible = m_session.CanRedo();
        m_session.Redo();
        if (possible)
            ++m_at;
        CheckSignal(spy, before, possible);
        CheckState();
    }

    // Saved, the file holds the document's bytes and reads back to them;
    // sometimes the project is then opened again, with a fresh stack.
    void SaveAndReload()
    {
        const bool reopen = Chance(40);
        Step(reopen ? QStringLiteral("save, open again") : QStringLiteral("save"));
        const QByteArray bytes = DataFile::Serialize(m_doc);
        QString reason;
        Expect(m_session.Save(m_file, &reason) == DataFile::WriteResult::Ok, QStringLiteral("save failed: ") + reason);
        QFile f(m_file);
        Expect(f.open(QIODevice::ReadOnly) && f.readAll() == bytes, QStringLiteral("the saved file differs"));
        ProjectDocument read;
        Expect(DataFile::Read(read, m_file) == DataFile::ReadResult::Ok && DataFile::Serialize(read) == bytes,
               QStringLiteral("the saved file does not read back to the same bytes"));
        m_clean = m_at;
        CheckState();
        if (reopen) {
            m_session.Reset();
            Expect(m_session.Load(m_file) == DataFile::ReadResult::Ok, QStringLiteral("cannot open the saved file"));
            Expect(DataFile::Serialize(m_doc) == bytes, QStringLiteral("opened again, the project differs"));
            m_states = {bytes};
            m_at = m_clean = 0;
            CheckState();
        }
    }

    QRandomGenerator m_rng;
    QString m_file;
    ProjectDocument m_doc;
    ProjectSession m_session{m_doc};
    // The bytes of each step of the undo stack; where it stands; where the
    // file on disk is (-1: no step).
    QList<QByteArray> m_states;
    qsizetype m_at = 0;
    qsizetype m_clean = 0;
};

} // namespace

class TestEditSequences : public QObject
{
    Q_OBJECT

private slots:
    void randomSequences()
    {
        const int count = qEnvironmentVariableIsSet("TOLVEK_EDIT_SEQUENCES")
            ? qEnvironmentVariableIntValue("TOLVEK_EDIT_SEQUENCES")
            : 1500;
        const quint32 first = qEnvironmentVariableIsSet("TOLVEK_EDIT_SEED")
            ? quint32(qEnvironmentVariable("TOLVEK_EDIT_SEED").toUInt())
            : 1;
        // Saves flush to the disk: in memory where the machine has a place
        // for it, thousands of them take no time.
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        std::optional<QTemporaryDir> dir;
        if (shm.isDir() && shm.isWritable())
            dir.emplace(QStringLiteral("/dev/shm/tst_editsequences-XXXXXX"));
        if (!dir || !dir->isValid())
            dir.emplace();
        QVERIFY(dir->isValid());
        int steps = 0;
        for (int i = 0; i < count; ++i) {
            const quint32 seed = first + quint32(i);
            Sequence sequence(seed, dir->path());
            try {
                sequence.Run();
            } catch (const Failure &f) {
                QFAIL(qPrintable(QStringLiteral("seed %1 (TOLVEK_EDIT_SEED=%1 TOLVEK_EDIT_SEQUENCES=1): %2\n"
                                                "steps:\n  %3")
                                     .arg(seed)
                                     .arg(f.what, sequence.steps.join(QStringLiteral("\n  ")))));
            }
            steps += int(sequence.steps.size());
        }
        qInfo("%d sequences, %d steps", count, steps);
    }
};

QTEST_GUILESS_MAIN(TestEditSequences)
#include "tst_editsequences.moc"
