// The data-file reader and the entry parsing that the other parts of the
// program do on the loaded lists. Besides crashes it checks that what was
// read is written back and read again unchanged.

#include "FuzzCheck.h"

#include "core/base/TextRoutines.h"
#include "core/base/TolvekError.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapMetafile.h"
#include "core/map/MapPainter.h"
#include "core/project/DataFile.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoLookup.h"
#include "core/project/PositionChange.h"
#include "core/project/ProjectDocument.h"

#include <QImage>
#include <QPainter>
#include <QPoint>

#include <climits>
#include <cstdint>

namespace {

bool sameDocument(const ProjectDocument &a, const ProjectDocument &b)
{
    return a.MapFileName == b.MapFileName && a.TriangleSize == b.TriangleSize && a.TriangleColour == b.TriangleColour
        && a.LogoFileName == b.LogoFileName && a.WebAddress == b.WebAddress && a.Organisation == b.Organisation
        && a.Description1 == b.Description1 && a.Description2 == b.Description2 && a.Description3 == b.Description3
        && a.UserHelpText == b.UserHelpText && a.PositionList == b.PositionList && a.NameList == b.NameList
        && a.NotesList == b.NotesList;
}

void takeEntriesApart(const ProjectDocument &doc)
{
    for (const QByteArray &entry : doc.PositionList) {
        const QByteArray key = PhotoEntry::KeyText(entry);
        const QByteArray value = PhotoEntry::Value(entry);
        FUZZ_CHECK(key.size() + (entry.contains('=') ? 1 + value.size() : 0) == entry.size());
        const PhotoEntry::PositionTexts t = PhotoEntry::SplitPosition(entry);
        FUZZ_CHECK(t.x.size() + t.y.size() + t.direction.size() <= value.size());
        try {
            const PhotoEntry::Position p = PhotoEntry::ParsePosition(entry);
            // Written back, the numbers read the same.
            const QByteArray again = PhotoEntry::MakePosition(key, p.x, p.y, p.direction);
            const PhotoEntry::Position q = PhotoEntry::ParsePosition(again);
            FUZZ_CHECK(q.x == p.x && q.y == p.y && q.direction == p.direction);
        } catch (const TolvekError &) {
        }
        try {
            PhotoEntry::Key(entry);
        } catch (const TolvekError &) {
        }
    }
    for (const auto *list : {&doc.NameList, &doc.NotesList}) {
        for (const QByteArray &entry : *list) {
            PhotoEntry::Value(entry);
            try {
                PhotoEntry::Key(entry);
            } catch (const TolvekError &) {
            }
        }
    }
    try {
        const std::int32_t next = PhotoEntry::NextKey(doc);
        FUZZ_CHECK(next >= 0 && next <= 99999);
        if (next > 0)
            FUZZ_CHECK(PhotoEntry::KeyTextFor(next).size() == 5);
    } catch (const TolvekError &) {
    }
    // Change all positions: shifts and scales, also at the integer limits.
    const struct
    {
        PositionChange::Mode mode;
        std::int32_t x, y;
    } changes[] = {
        {PositionChange::Mode::Shift, 7, -3},        {PositionChange::Mode::Shift, INT_MAX, INT_MIN},
        {PositionChange::Mode::Multiply, 1500, 500}, {PositionChange::Mode::Multiply, INT_MAX, INT_MIN},
        {PositionChange::Mode::Multiply, 0, -1},
    };
    for (const auto &c : changes) {
        const PositionChange::Result r = PositionChange::Apply(doc.PositionList, c.mode, c.x, c.y);
        FUZZ_CHECK(r.changed >= 0 && r.changed <= doc.PositionList.size());
        FUZZ_CHECK(r.entries.size() == doc.PositionList.size());
    }
}

// A click on the map: the hit test, then the photo's name and notes by key,
// and edited notes stored back (as the photo window does when it closes).
void clickOnMap(const ProjectDocument &doc)
{
    const QPoint points[] = {{0, 0}, {10, 10}, {-1, 100}, {INT_MAX, INT_MIN}};
    for (const QPoint &point : points) {
        qsizetype hit = -1;
        try {
            hit = PhotoLookup::HitIndex(doc.PositionList, doc.TriangleSize, point.x(), point.y());
        } catch (const TolvekError &) {
            continue;
        }
        if (hit < 0)
            continue;
        FUZZ_CHECK(hit < doc.PositionList.size());
        std::int32_t key = 0;
        try {
            key = PhotoEntry::Key(doc.PositionList[hit]);
            PhotoLookup::FindByKey(doc.NameList, key);
        } catch (const TolvekError &) {
            continue;
        }
        PhotoLookup::FindByKeySkippingBad(doc.NameList, key);
        PhotoLookup::NotesFor(doc.NotesList, key);
        // What is stored is what the next click finds.
        QList<QByteArray> notes = doc.NotesList;
        const QByteArray text = "nieuw\r\n=tekst";
        PhotoLookup::StoreNotes(notes, key, text);
        FUZZ_CHECK(PhotoLookup::NotesFor(notes, key) == text);
    }
}

// The map redraw as the main window does it (without a map bitmap): the
// scene from the entries, painted on screen and recorded as a metafile.
void drawMap(const ProjectDocument &doc)
{
    static MapImageCache cache;
    for (const bool labels : {false, true}) {
        MapScene scene;
        try {
            scene = MapDrawing::Build(doc, labels, cache, QString());
        } catch (const TolvekError &) {
            continue;
        }
        FUZZ_CHECK(scene.photos.size() == doc.PositionList.size());
        QImage screen(64, 48, QImage::Format_RGB32);
        screen.fill(Qt::white);
        {
            QPainter painter(&screen);
            MapPainter::Paint(painter, scene, QRect(0, 0, 64, 48));
        }
        if (labels) {
            MapMetafile metafile;
            metafile.SetScene(scene);
            try {
                FUZZ_CHECK(!metafile.EmfBytes().isEmpty());
            } catch (const TolvekError &) {
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray contents(reinterpret_cast<const char *>(data), qsizetype(size));
    ProjectDocument doc;
    bool complete = true;
    try {
        DataFile::Parse(doc, contents);
    } catch (const TolvekError &) {
        // A bad number in the general section: the lists stay empty.
        complete = false;
        FUZZ_CHECK(doc.PositionList.isEmpty() && doc.NameList.isEmpty() && doc.NotesList.isEmpty());
    }
    takeEntriesApart(doc);
    drawMap(doc);
    clickOnMap(doc);
    if (!complete)
        return 0;

    // What the writer makes of a document reads back without error, and
    // after one round (which settles line breaks in notes) nothing changes.
    ProjectDocument second;
    DataFile::Parse(second, DataFile::Serialize(doc));
    FUZZ_CHECK(second.PositionList.size() == doc.PositionList.size());
    FUZZ_CHECK(second.NameList.size() == doc.NameList.size());
    FUZZ_CHECK(second.NotesList.size() == doc.NotesList.size());
    // Only line breaks in notes may change on the way.
    ProjectDocument withoutNotes = doc;
    withoutNotes.NotesList = second.NotesList;
    FUZZ_CHECK(sameDocument(withoutNotes, second));
    ProjectDocument third;
    DataFile::Parse(third, DataFile::Serialize(second));
    FUZZ_CHECK(sameDocument(second, third));
    FUZZ_CHECK(DataFile::Serialize(second) == DataFile::Serialize(third));
    return 0;
}
