#include "core/base/TolvekError.h"
#include "core/photos/PhotoFit.h"
#include "core/project/DataFile.h"
#include "core/project/KeyTable.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoIndex.h"
#include "core/project/PhotoLookup.h"
#include "core/project/PhotoRecord.h"
#include "core/project/ProjectDocument.h"

#include <QTemporaryDir>
#include <QtTest>

class TestPhotoLookup : public QObject
{
    Q_OBJECT

private:
    // The designed photo window: client 384 by 366, picture area 382 by 315;
    // a frame of 8 by 27 pixels stands for the window manager's.
    static PhotoFit::Input designed(QSize picture)
    {
        PhotoFit::Input in;
        in.picture = picture;
        in.area = QSize(382, 315);
        in.frame = QSize(8, 27);
        in.outer = QSize(384 + 8, 366 + 27);
        return in;
    }

private slots:
    void fitFollowsWidthOrHeightRule_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("control");
        QTest::addColumn<QSize>("client"); // the window's client size afterwards
        QTest::newRow("landscape: width rule, 286.5 to 286") << QSize(1600, 1200) << QSize(382, 286) << QSize(384, 340);
        QTest::newRow("portrait: height rule, 236.25 to 236")
            << QSize(1200, 1600) << QSize(236, 315) << QSize(241, 366);
        QTest::newRow("fits, grows window") << QSize(200, 150) << QSize(200, 150) << QSize(205, 204);
        QTest::newRow("small keeps window") << QSize(100, 80) << QSize(100, 80) << QSize(384, 366);
        QTest::newRow("thresholds exactly") << QSize(125, 100) << QSize(125, 100) << QSize(384, 366);
        QTest::newRow("wide strip") << QSize(300, 80) << QSize(300, 80) << QSize(305, 366);
        // Equal overflow: the height rule applies.
        QTest::newRow("equal overflow") << QSize(482, 415) << QSize(366, 315) << QSize(371, 366);
        QTest::newRow("only taller") << QSize(300, 400) << QSize(236, 315) << QSize(241, 366);
    }
    void fitFollowsWidthOrHeightRule()
    {
        QFETCH(QSize, picture);
        QFETCH(QSize, control);
        QFETCH(QSize, client);
        const PhotoFit::Result r = PhotoFit::Compute(designed(picture));
        QCOMPARE(r.control, control);
        QCOMPARE(r.outer - QSize(8, 27), client);
        QCOMPARE(r.scaled, picture.width() > 382 || picture.height() > 315);
    }

    void fitIsStableOnSecondPass()
    {
        // The deferred pass with the new window size computes the same sizes.
        PhotoFit::Input in = designed(QSize(1600, 1200));
        const PhotoFit::Result first = PhotoFit::Compute(in);
        in.outer = first.outer;
        in.area = QSize(first.outer.width() - 8 - 2, first.outer.height() - 27 - 51);
        const PhotoFit::Result second = PhotoFit::Compute(in);
        QCOMPARE(second.control, first.control);
        QCOMPARE(second.outer, first.outer);
    }

    void fitTreatsNegativeFrameAsZero()
    {
        PhotoFit::Input in = designed(QSize(200, 150));
        in.frame = QSize(-3, -1);
        in.outer = QSize(384, 366);
        QCOMPARE(PhotoFit::Compute(in).outer, QSize(205, 204));
    }

    void roundsHalvesToEven()
    {
        QCOMPARE(PhotoFit::RoundHalfEven(286.5), 286);
        QCOMPARE(PhotoFit::RoundHalfEven(287.5), 288);
        QCOMPARE(PhotoFit::RoundHalfEven(236.25), 236);
        QCOMPARE(PhotoFit::RoundHalfEven(0.5), 0);
        QCOMPARE(PhotoFit::RoundHalfEven(2.500001), 3);
    }

    void hitSquareUsesStrictComparisons()
    {
        const QList<QByteArray> positions{"00001=100,100,0"};
        QCOMPARE(PhotoLookup::HitIndex(positions, 6, 95, 105), 0);
        QCOMPARE(PhotoLookup::HitIndex(positions, 6, 105, 95), 0);
        QCOMPARE(PhotoLookup::HitIndex(positions, 6, 100, 100), 0);
        QCOMPARE(PhotoLookup::HitIndex(positions, 6, 94, 100), -1);
        QCOMPARE(PhotoLookup::HitIndex(positions, 6, 106, 100), -1); // the apex for direction 0
        QCOMPARE(PhotoLookup::HitIndex(positions, 6, 100, 94), -1);
        QCOMPARE(PhotoLookup::HitIndex(positions, 6, 100, 106), -1);
        QCOMPARE(PhotoLookup::HitIndex(positions, 1, 100, 100), 0);
        QCOMPARE(PhotoLookup::HitIndex(positions, 1, 101, 100), -1);
        QCOMPARE(PhotoLookup::HitIndex(positions, 0, 100, 100), -1);
        QCOMPARE(PhotoLookup::HitIndex(positions, -4, 100, 100), -1);
        QCOMPARE(PhotoLookup::HitIndex({}, 6, 100, 100), -1);
    }

    void firstEntryWinsOverlaps()
    {
        const QList<QByteArray> positions{"00001=10,10,0", "00002=104,100,90", "00003=100,100,90"};
        QCOMPARE(PhotoLookup::HitIndex(positions, 6, 100, 100), 1);
        QCOMPARE(PhotoLookup::HitIndex(positions, 6, 96, 100), 2);
    }

    void badNumbersReachedBeforeTheHitStopTheClick()
    {
        const QList<QByteArray> positions{"00001=12a,10,0", "00002=100,100,90"};
        try {
            PhotoLookup::HitIndex(positions, 6, 100, 100);
            QFAIL("no error");
        } catch (const TolvekError &e) {
            QCOMPARE(e.message(), QStringLiteral("'12a' is not a valid integer value"));
        }
        // After the hit nothing more is read.
        const QList<QByteArray> later{"00002=100,100,90", "00001=x,y,0"};
        QCOMPARE(PhotoLookup::HitIndex(later, 6, 100, 100), 0);
        // An entry without commas has no y.
        QVERIFY_THROWS_EXCEPTION(TolvekError, PhotoLookup::HitIndex({"00001=100"}, 6, 100, 100));
        // Blanks before a number are allowed, as everywhere in the file.
        QCOMPARE(PhotoLookup::HitIndex({"00001= 100, 100,90"}, 6, 100, 100), 0);
        // Positions near the integer limits do not overflow the square.
        QCOMPARE(PhotoLookup::HitIndex({"00001=2147483647,-2147483648,0"}, 6, 2147483646, -2147483647), 0);
    }

    void namesAreFoundByIntegerKey()
    {
        const QList<QByteArray> names{"00001=a.jpg", "3=kerk.jpg", "00003=toren.jpg"};
        QCOMPARE(PhotoLookup::FindByKey(names, 3), 1);
        QCOMPARE(PhotoLookup::FindByKey(names, 7), -1);
        QVERIFY_THROWS_EXCEPTION(TolvekError, PhotoLookup::FindByKey({"abc=x.jpg", "00003=y"}, 3));
    }

    void notesLookupSkipsKeysThatAreNoIntegers()
    {
        const QList<QByteArray> notes{"x=nee", "00002=twee", "00002=tweede", "2b=ook nee", "00005=a=b"};
        QCOMPARE(PhotoLookup::NotesFor(notes, 2), QByteArray("twee"));
        QCOMPARE(PhotoLookup::NotesFor(notes, 5), QByteArray("a=b"));
        QCOMPARE(PhotoLookup::NotesFor(notes, 9), QByteArray());
    }

    // The click index must give the answers of the list searches, or none
    // where only the list search can answer (an entry that is no integer).
    void indexAgreesWithListSearches_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("spread");
        QTest::newRow("dense") << 6 << 300;
        QTest::newRow("sparse") << 6 << 2000000000;
        QTest::newRow("big triangles") << 900 << 5000;
        QTest::newRow("zero size") << 0 << 300;
        QTest::newRow("negative size") << -4 << 300;
    }
    void indexAgreesWithListSearches()
    {
        QFETCH(int, size);
        QFETCH(int, spread);
        ProjectDocument doc;
        doc.TriangleSize = size;
        quint32 seed = 7;
        auto next = [&seed](qint64 range) {
            seed = seed * 1664525u + 1013904223u;
            return qint64(seed >> 4) % range;
        };
        for (int i = 1; i <= 3000; ++i) {
            const QByteArray key = QByteArray::number(next(2500)).rightJustified(5, '0');
            const qint64 x = next(spread) - spread / 8;
            const qint64 y = next(spread) - spread / 8;
            doc.PositionList << key + '=' + QByteArray::number(x) + ',' + QByteArray::number(y) + ",90";
            doc.NameList << key + "=f" + key + ".jpg";
            if (i % 3)
                doc.NotesList << key + "=n" + QByteArray::number(i);
        }
        doc.NotesList.insert(5, "x1=not a key");
        PhotoIndex index;
        index.Build(doc);
        QVERIFY(index.IsCurrent(doc));
        auto agree = [&] {
            for (int k = 0; k < 2000; ++k) {
                // Half the clicks next to a photo, half anywhere.
                std::int32_t x, y;
                if (k % 2) {
                    const QByteArray &e = std::as_const(doc.PositionList)[k % doc.PositionList.size()];
                    const QList<QByteArray> parts = e.mid(6).split(',');
                    x = parts[0].toInt() + int(next(2 * qMax(size, 1) + 1)) - qMax(size, 1);
                    y = parts[1].toInt() + int(next(2 * qMax(size, 1) + 1)) - qMax(size, 1);
                } else {
                    x = std::int32_t(next(spread) - spread / 8);
                    y = std::int32_t(next(spread) - spread / 8);
                }
                const auto hit = index.HitIndex(x, y);
                QVERIFY(hit.has_value());
                QCOMPARE(*hit, PhotoLookup::HitIndex(doc.PositionList, size, x, y));
                const std::int32_t key = std::int32_t(next(2600));
                const auto name = index.NameIndex(key);
                QVERIFY(name.has_value());
                QCOMPARE(*name, PhotoLookup::FindByKey(doc.NameList, key));
                QCOMPARE(index.NotesIndex(key), PhotoLookup::FindByKeySkippingBad(doc.NotesList, key));
            }
        };
        agree();
        if (QTest::currentTestFailed())
            return;

        // Made again after changes to one list at a time (the others kept).
        doc.PositionList[7] = "02600=" + std::as_const(doc.PositionList)[3].mid(6);
        doc.PositionList.prepend("02601=" + std::as_const(doc.PositionList)[100].mid(6));
        index.Build(doc);
        QVERIFY(index.IsCurrent(doc));
        agree();
        if (QTest::currentTestFailed())
            return;
        doc.NameList.prepend("02601=nieuw.jpg");
        doc.NameList.removeAt(50);
        index.Build(doc);
        agree();
        if (QTest::currentTestFailed())
            return;
        doc.NotesList.prepend("02500=nieuw");
        doc.TriangleSize = size + 3;
        index.Build(doc);
        size = doc.TriangleSize;
        agree();
        if (QTest::currentTestFailed())
            return;

        // Any change to a list or the size makes it out of date.
        ProjectDocument copy = doc;
        QVERIFY(index.IsCurrent(copy));
        copy.PositionList[0] = "00001=1,1,0";
        QVERIFY(!index.IsCurrent(copy));
        copy = doc;
        copy.NameList.append("00009=a.jpg");
        QVERIFY(!index.IsCurrent(copy));
        copy = doc;
        copy.NotesList.removeLast();
        QVERIFY(!index.IsCurrent(copy));
        copy = doc;
        copy.TriangleSize = size + 1;
        QVERIFY(!index.IsCurrent(copy));
    }

    void indexLeavesBadEntriesToTheListSearch()
    {
        ProjectDocument doc;
        doc.PositionList = {"00001=10,10,0", "00002=abc,20,0", "00003=30,30,0"};
        doc.NameList = {"00001=a.jpg", "zz=b.jpg", "00003=c.jpg"};
        PhotoIndex index;
        index.Build(doc);
        // Positions: the list search reports the bad x when it gets there.
        QVERIFY(!index.HitIndex(30, 30).has_value());
        QVERIFY_THROWS_EXCEPTION(TolvekError, PhotoLookup::HitIndex(doc.PositionList, 6, 30, 30));
        // Names: found before the bad key, otherwise left to the list search.
        QCOMPARE(index.NameIndex(1), std::optional<qsizetype>(0));
        QVERIFY(!index.NameIndex(3).has_value());
        QVERIFY(!index.NameIndex(4).has_value());
        PhotoIndex none;
        QVERIFY(!none.IsCurrent(doc));
        QVERIFY(!none.HitIndex(10, 10).has_value());
    }

    // Compact photo numbers go to a table, scattered ones to a hash; both
    // give the first entry of a key and stop or skip at keys that are no integer.
    void keyTableFindsFirstEntries_data()
    {
        QTest::addColumn<QList<QByteArray>>("entries");
        QTest::newRow("compact") << QList<QByteArray>{"00003=a", "00001=b", "00003=c", "x7=d", "00007=e"};
        QTest::newRow("scattered") << QList<QByteArray>{"2000000000=a", "-5=b", "2000000000=c", "x7=d", "7"};
    }
    void keyTableFindsFirstEntries()
    {
        QFETCH(QList<QByteArray>, entries);
        KeyTable stop;
        stop.Build(entries, KeyTable::BadKeys::Stop);
        KeyTable skip;
        skip.Build(entries, KeyTable::BadKeys::Skip);
        QCOMPARE(stop.FirstBad(), 3);
        for (std::int32_t key : {3, 1, 7, 2000000000, -5, 0, -2147483647 - 1, 2147483647}) {
            const qsizetype all = PhotoLookup::FindByKeySkippingBad(entries, key);
            QCOMPARE(skip.Find(key), all);
            QCOMPARE(stop.Find(key), all < 3 ? all : -1);
        }
    }

    void notesAreWrittenBackInPlaceOrAppended()
    {
        QList<QByteArray> notes{"00001=een", "13=oud", "00013=tweede", "00004=vier"};
        PhotoLookup::StoreNotes(notes, 13, "nieuw\r\nregel");
        // Kept as the file holds them: the line break as 0x9D.
        QCOMPARE(notes, (QList<QByteArray>{"00001=een", "00013=nieuw\x9dregel", "00013=tweede", "00004=vier"}));
        QCOMPARE(PhotoLookup::NotesFor(notes, 13), QByteArray("nieuw\r\nregel"));
        PhotoLookup::StoreNotes(notes, 7, "zeven");
        QCOMPARE(notes.size(), 5);
        QCOMPARE(notes.last(), QByteArray("00007=zeven"));
        // An entry whose key is no integer is passed over, not an error.
        QList<QByteArray> odd{"abc=x", "00002=y"};
        PhotoLookup::StoreNotes(odd, 2, "z");
        QCOMPARE(odd, (QList<QByteArray>{"abc=x", "00002=z"}));
        // A number beyond five digits is written whole, not cut short.
        QList<QByteArray> big{"123456=a"};
        PhotoLookup::StoreNotes(big, 123456, "b");
        QCOMPARE(big, (QList<QByteArray>{"123456=b"}));
    }

    // One photo read from its three entries, as every window shows it.
    void recordReadsEntriesAsStored()
    {
        ProjectDocument doc;
        doc.PositionList = {"007=10,20,90", "abc=1,2,3", "00003=4,x,5", "00004=1,1,0"};
        doc.NameList = {"00007=fotos\\kerk.jpg", "3=++GeenNaam++"};
        doc.NotesList = {"00007=eerste regel\x9dtweede", "00003=een\r\ntwee", "00004=alleen\nLF"};
        const auto read = [&doc](qsizetype position) {
            return PhotoRecord::Read(
                doc, position, [&](std::int32_t key) { return PhotoLookup::FindByKey(doc.NameList, key); },
                [&](std::int32_t key) { return PhotoLookup::FindByKeySkippingBad(doc.NotesList, key); });
        };
        const PhotoRecord kerk = read(0);
        QCOMPARE(kerk.keyText, QByteArray("007"));
        QCOMPARE(kerk.key, 7);
        QVERIFY(kerk.hasPlace);
        QCOMPARE(kerk.place.direction, 90);
        QCOMPARE(kerk.storedName, QByteArray("fotos\\kerk.jpg"));
        QCOMPARE(kerk.NameKeyText(doc), QByteArray("00007"));
        QCOMPARE(kerk.notesLine, QStringLiteral("eerste regel"));
        QCOMPARE(kerk.Notes(doc), QByteArray("eerste regel\r\ntweede"));
        QVERIFY(kerk.HasFile());
        QVERIFY(kerk.ResolvedFile(QStringLiteral("/p/")).endsWith(QStringLiteral("/p/fotos/kerk.jpg")));

        // A key that is no integer asks no look-up (FindByKey would throw).
        const PhotoRecord bad = read(1);
        QVERIFY(!bad.hasKey);
        QCOMPARE(bad.keyText, QByteArray("abc"));
        QCOMPARE(bad.nameIndex, -1);
        QCOMPARE(bad.NameKeyText(doc), QByteArray("abc"));

        // The no-name mark is a name entry but no file; a bad y is no place.
        const PhotoRecord none = read(2);
        QVERIFY(none.hasKey && !none.hasPlace);
        QCOMPARE(none.nameIndex, 1);
        QVERIFY(!none.HasFile());
        QVERIFY(none.ResolvedFile(QString()).isEmpty());
        QCOMPARE(none.notesLine, QStringLiteral("een"));
        QCOMPARE(read(3).notesLine, QStringLiteral("alleen"));

        // Outside the list, or an index beyond a list's end: nothing.
        QCOMPARE(read(4).position, -1);
        const PhotoRecord beyond = PhotoRecord::Read(
            doc, 0, [](std::int32_t) { return qsizetype(5); }, PhotoRecord::None);
        QCOMPARE(beyond.nameIndex, -1);
        QVERIFY(beyond.storedName.isEmpty());
    }

    // What an entry may be: the data file reads back lines of at most
    // MaxLineBytes; positions composed from their parts keep them.
    void entryFormatLimits()
    {
        const QByteArray key = PhotoEntry::KeyTextFor(1);
        QVERIFY(PhotoEntry::FitsLine(key, QByteArray(PhotoEntry::MaxNotesBytes, 'x')));
        QVERIFY(!PhotoEntry::FitsLine(key, QByteArray(PhotoEntry::MaxNotesBytes + 1, 'x')));
        QCOMPARE(PhotoEntry::StoredKeyText(PhotoEntry::MaxKey), QByteArray("99999"));
        QCOMPARE(PhotoEntry::StoredKeyText(PhotoEntry::MaxKey + 1), QByteArray("100000"));
        QCOMPARE(PhotoEntry::ComposePosition("7", "+01", " 2", ""), QByteArray("7=+01, 2,"));
        QCOMPARE(PhotoEntry::MakePosition("00001", -3, 4, 359), QByteArray("00001=-3,4,359"));

        // A line that fits is read back; one byte more is refused.
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("lang.tvk"));
        for (const qsizetype extra : {0, 1}) {
            ProjectDocument doc;
            doc.PositionList = {PhotoEntry::MakePosition(key, 1, 1, 0)};
            doc.NotesList = {PhotoEntry::Make(key, QByteArray(PhotoEntry::MaxNotesBytes + extra, 'x'))};
            QCOMPARE(DataFile::Write(doc, name), DataFile::WriteResult::Ok);
            ProjectDocument back;
            bool refused = false;
            try {
                DataFile::Read(back, name);
            } catch (const TolvekError &) {
                refused = true;
            }
            QCOMPARE(refused, extra > 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestPhotoLookup)
#include "tst_photolookup.moc"
