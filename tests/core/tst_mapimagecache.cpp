// The decoded overview map is kept while its file stays the same.

#include "MapTestFiles.h"

#include "core/base/TolvekError.h"
#include "core/map/MapImageCache.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

class TestMapImageCache : public QObject
{
    Q_OBJECT

private slots:
    void reloadsOnlyAfterAChange()
    {
        QTemporaryDir dir;
        const QString path = MapTestFiles::WriteBmp(dir.filePath(QStringLiteral("kaart.bmp")), 40, 30);
        MapImageCache cache;
        const QImage first = cache.Load(path);
        QCOMPARE(first.size(), QSize(40, 30));
        QCOMPARE(cache.DecodeCount(), 1);
        const QImage second = cache.Load(path);
        QCOMPARE(cache.DecodeCount(), 1);
        // The same pixels, not a copy of them.
        QCOMPARE(second.constBits(), first.constBits());

        // Same size, new contents and time: decoded again.
        QImage changed = MapTestFiles::Pattern(40, 30);
        changed.fill(Qt::red);
        MapTestFiles::WriteBmp(path, changed);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
        f.close();
        const QImage third = cache.Load(path);
        QCOMPARE(cache.DecodeCount(), 2);
        QCOMPARE(third.pixel(0, 0), qRgb(255, 0, 0));

        // Another size: decoded again.
        MapTestFiles::WriteBmp(path, 41, 30);
        QCOMPARE(cache.Load(path).size(), QSize(41, 30));
        QCOMPARE(cache.DecodeCount(), 3);

        // Another file: decoded; and back to the first one, decoded again.
        const QString other = MapTestFiles::WriteBmp(dir.filePath(QStringLiteral("ander.bmp")), 10, 10);
        QCOMPARE(cache.Load(other).size(), QSize(10, 10));
        QCOMPARE(cache.DecodeCount(), 4);
    }

    void missingAndUnreadable()
    {
        QTemporaryDir dir;
        MapImageCache cache;
        QVERIFY(cache.Load(QString()).isNull());
        QVERIFY(cache.Load(dir.filePath(QStringLiteral("weg.bmp"))).isNull());
        QVERIFY(cache.Load(dir.path()).isNull()); // a folder is no map file
        QCOMPARE(cache.DecodeCount(), 0);

        const QString bad = dir.filePath(QStringLiteral("kapot.bmp"));
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM this is not a bitmap at all");
        f.close();
        try {
            cache.Load(bad);
            QFAIL("no error");
        } catch (const TolvekError &e) {
            QVERIFY2(e.message().contains(bad), qPrintable(e.message()));
            QVERIFY(e.message().startsWith(QStringLiteral("De overzichtskaart")));
        }
    }

    void bigScansAreAllowed()
    {
        MapImageCache cache;
        QVERIFY(QImageReader::allocationLimit() >= 2048);
    }
};

QTEST_MAIN(TestMapImageCache)
#include "tst_mapimagecache.moc"
