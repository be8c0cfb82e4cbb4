#include "photos/PhotoFit.h"
#include "photos/PhotoLookup.h"
#include "support/TolvekError.h"

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
        QTest::newRow("portrait: height rule, 236.25 to 236") << QSize(1200, 1600) << QSize(236, 315) << QSize(241, 366);
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

    void notesAreWrittenBackInPlaceOrAppended()
    {
        QList<QByteArray> notes{"00001=een", "13=oud", "00013=tweede", "00004=vier"};
        PhotoLookup::StoreNotes(notes, 13, "nieuw\r\nregel");
        QCOMPARE(notes, (QList<QByteArray>{"00001=een", "00013=nieuw\r\nregel", "00013=tweede", "00004=vier"}));
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
};

QTEST_GUILESS_MAIN(TestPhotoLookup)
#include "tst_photolookup.moc"
