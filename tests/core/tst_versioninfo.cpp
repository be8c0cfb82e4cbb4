#include "core/info/TRvVersionInfo.h"
#include "core/platform/VersionInfoQuery.h"
#include "core/platform/VersionResourceFile.h"
#include "core/platform/VersionResourceWriter.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "VersionImages.h"

namespace {

using namespace VersionImages;

const QList<Translation> Dutch = {{0x0413, 0x04E4}};

void VerifyNoInfo(const TRvVersionInfo &info)
{
    QVERIFY(!info.HasInfo());
    const VersionNumber v = info.GetVersionNumber();
    QCOMPARE(v.Major, 0);
    QCOMPARE(v.Minor, 0);
    QCOMPARE(v.Release, 0);
    QCOMPARE(v.Build, 0);
    QCOMPARE(info.TranslationCount(), 0);
    QCOMPARE(info.TranslationIndex(), -1);
    QVERIFY(info.TranslationKey().isEmpty());
    for (int i = 0; i < TRvVersionInfo::StandardNameCount; ++i)
        QVERIFY2(info.StringValueByIndex(i).isEmpty(), qPrintable(TRvVersionInfo::StandardName(i)));
}

void VerifyVersion(const TRvVersionInfo &info, quint16 major, quint16 minor, quint16 release, quint16 build)
{
    const VersionNumber v = info.GetVersionNumber();
    QCOMPARE(v.Major, major);
    QCOMPARE(v.Minor, minor);
    QCOMPARE(v.Release, release);
    QCOMPARE(v.Build, build);
}

} // namespace

class TestVersionInfo : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString WriteFile(const QString &name, const QByteArray &contents)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(contents) != contents.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void ownProgramResource()
    {
        // A new reader has already read the running program, whose build
        // gave it the project's version resource.
        TRvVersionInfo info;
        QVERIFY(info.HasInfo());
        QCOMPARE(info.FileName(), TRvVersionInfo::OwnProgramPath());
        QCOMPARE(QFileInfo(info.FileName()).canonicalFilePath(),
                 QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());

        // The project's version, a.b.c.d (1.0.0.1 at the time of writing):
        // the product version string leaves out the build number.
        const QString projectVersion = QStringLiteral(TOLVEK_VERSION_TEXT);
        const QStringList parts = projectVersion.split(QLatin1Char('.'));
        QCOMPARE(parts.size(), 4);
        VerifyVersion(info, parts[0].toUShort(), parts[1].toUShort(), parts[2].toUShort(), parts[3].toUShort());
        const QString productVersion = parts.mid(0, 3).join(QLatin1Char('.'));

        QCOMPARE(info.TranslationCount(), 1);
        QCOMPARE(info.TranslationIndex(), 0);
        QCOMPARE(info.TranslationKey(), QStringLiteral("041304E4"));
        QCOMPARE(info.StringValueByIndex(10), productVersion);
        QCOMPARE(info.StringValue(QStringLiteral("ProductVersion")), productVersion);
        QCOMPARE(info.StringValueByIndex(3), projectVersion);
        QCOMPARE(info.StringValueByIndex(9), QStringLiteral("Tolvek"));
        QCOMPARE(info.StringValueByIndex(4), QStringLiteral("tst_versioninfo"));
        QCOMPARE(info.StringValueByIndex(7), QFileInfo(QCoreApplication::applicationFilePath()).fileName());
        QVERIFY(!info.StringValueByIndex(1).isEmpty());
        QVERIFY(!info.StringValueByIndex(2).isEmpty());
        QVERIFY(!info.StringValueByIndex(5).isEmpty());
        // Names the build does not set.
        QVERIFY(info.StringValueByIndex(0).isEmpty());
        QVERIFY(info.StringValueByIndex(6).isEmpty());
        QVERIFY(info.StringValueByIndex(11).isEmpty());
        QVERIFY(info.StringValue(QStringLiteral("NoSuchName")).isEmpty());
    }

    void emptyFileNameReadsOwnProgram()
    {
        QObject owner;
        auto *info = new TRvVersionInfo(&owner);
        info->SetFileName(WriteFile(QStringLiteral("plain.txt"), "Geen programma\n"));
        VerifyNoInfo(*info);

        info->SetFileName(QString());
        QCOMPARE(info->FileName(), TRvVersionInfo::OwnProgramPath());
        QVERIFY(info->HasInfo());
        TRvVersionInfo own;
        const VersionNumber expected = own.GetVersionNumber();
        QVERIFY(expected.Major != 0 || expected.Minor != 0 || expected.Release != 0 || expected.Build != 0);
        VerifyVersion(*info, expected.Major, expected.Minor, expected.Release, expected.Build);
        QCOMPARE(info->StringValueByIndex(3), QStringLiteral(TOLVEK_VERSION_TEXT));

        // The same through the property system.
        info->setProperty("FileName", m_dir.filePath(QStringLiteral("plain.txt")));
        QVERIFY(!info->HasInfo());
        QCOMPARE(info->property("FileName").toString(), m_dir.filePath(QStringLiteral("plain.txt")));
    }

    void elfFiles_data()
    {
        QTest::addColumn<bool>("is64");
        QTest::addColumn<bool>("big");
        QTest::newRow("64-bit little endian") << true << false;
        QTest::newRow("32-bit little endian") << false << false;
        QTest::newRow("64-bit big endian") << true << true;
        QTest::newRow("32-bit big endian") << false << true;
    }

    void elfFiles()
    {
        QFETCH(bool, is64);
        QFETCH(bool, big);
        const QByteArray resource = MakeResource(QStringLiteral("2.1.0.37"), Dutch);
        const ElfImage elf = MakeElf(is64, big, VersionResourceFile::ElfSectionName, resource);
        TRvVersionInfo info;
        info.SetFileName(WriteFile(QStringLiteral("program.elf"), elf.bytes));
        QVERIFY(info.HasInfo());
        VerifyVersion(info, 2, 1, 0, 37);
        QCOMPARE(info.TranslationKey(), QStringLiteral("041304E4"));
        QCOMPARE(info.StringValueByIndex(10), QStringLiteral("2.1.0.37/041304E4"));
        QCOMPARE(info.StringValueByIndex(1), QStringLiteral("Firma 041304E4"));
    }

    void peFiles_data()
    {
        QTest::addColumn<bool>("plus");
        QTest::newRow("PE32") << false;
        QTest::newRow("PE32+") << true;
    }

    void peFiles()
    {
        QFETCH(bool, plus);
        const QByteArray resource = MakeResource(QStringLiteral("2.1.0.37"), Dutch);
        const PeImage pe = MakePe(plus, resource);
        TRvVersionInfo info;
        info.SetFileName(WriteFile(QStringLiteral("program.exe"), pe.bytes));
        QVERIFY(info.HasInfo());
        VerifyVersion(info, 2, 1, 0, 37);
        QCOMPARE(info.TranslationCount(), 1);
        QCOMPARE(info.TranslationKey(), QStringLiteral("041304E4"));
        QCOMPARE(info.StringValueByIndex(10), QStringLiteral("2.1.0.37/041304E4"));
        QCOMPARE(VersionResourceFile::Read(info.FileName()), resource);
    }

    void filesWithoutResource_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("text file") << "text";
        QTest::newRow("missing file") << "missing";
        QTest::newRow("empty file") << "empty";
        QTest::newRow("folder") << "folder";
        QTest::newRow("device") << "device";
        QTest::newRow("ELF without the section") << "elf";
        QTest::newRow("ELF with a differently named section") << "elf-other";
        QTest::newRow("ELF executable of the build") << "executable";
        QTest::newRow("PE without version") << "pe";
        QTest::newRow("PE32+ without resource directory") << "pe-nodir";
        QTest::newRow("section holds no version resource") << "elf-garbage";
    }

    void filesWithoutResource()
    {
        QFETCH(QString, kind);
        QString path;
        if (kind == QLatin1String("text"))
            path = WriteFile(QStringLiteral("readme.txt"), "Tolvek\r\nVS_VERSION_INFO\r\n");
        else if (kind == QLatin1String("missing"))
            path = m_dir.filePath(QStringLiteral("does-not-exist.exe"));
        else if (kind == QLatin1String("empty"))
            path = WriteFile(QStringLiteral("empty.exe"), QByteArray());
        else if (kind == QLatin1String("folder"))
            path = m_dir.path();
        else if (kind == QLatin1String("device"))
            path = QStringLiteral("/dev/zero");
        else if (kind == QLatin1String("elf"))
            path = WriteFile(QStringLiteral("plain.elf"), MakeElf(true, false, ".data", QByteArray(64, 'x')).bytes);
        else if (kind == QLatin1String("elf-other"))
            path = WriteFile(
                QStringLiteral("other.elf"),
                MakeElf(true, false, ".tolvek_versions", MakeResource(QStringLiteral("2.1.0.37"), Dutch)).bytes);
        else if (kind == QLatin1String("executable"))
            path = QStringLiteral(TOLVEK_OTHER_EXECUTABLE);
        else if (kind == QLatin1String("pe"))
            path = WriteFile(QStringLiteral("icon-only.exe"), MakePe(false, QByteArray(), false).bytes);
        else if (kind == QLatin1String("pe-nodir")) {
            PeImage pe = MakePe(true, MakeResource(QStringLiteral("2.1.0.37"), Dutch));
            ByteWriter w;
            w.bytes = pe.bytes;
            w.Set(pe.optionalHeader + pe.directoriesAt + 16, 0, 8);
            path = WriteFile(QStringLiteral("nodir.exe"), w.bytes);
        } else if (kind == QLatin1String("elf-garbage"))
            path = WriteFile(QStringLiteral("garbage.elf"),
                             MakeElf(false, false, VersionResourceFile::ElfSectionName, QByteArray(200, '\x11')).bytes);
        QVERIFY(!path.isEmpty());
        if (kind == QLatin1String("executable"))
            QVERIFY(QFileInfo::exists(path));

        TRvVersionInfo info;
        info.SetFileName(path);
        QCOMPARE(info.FileName(), path);
        VerifyNoInfo(info);
    }

    void truncatedPe()
    {
        // Every cut before the end of the version data loses the resource;
        // none may read outside the file.
        const QByteArray resource = MakeResource(QStringLiteral("2.1.0.37"), Dutch);
        for (bool plus : {false, true}) {
            const PeImage pe = MakePe(plus, resource);
            TRvVersionInfo info;
            for (qsizetype length = 0; length <= pe.bytes.size(); ++length) {
                info.SetFileName(WriteFile(QStringLiteral("cut.exe"), pe.bytes.left(length)));
                if (length < pe.versionDataEnd) {
                    VerifyNoInfo(info);
                } else {
                    QVERIFY(info.HasInfo());
                    VerifyVersion(info, 2, 1, 0, 37);
                }
                if (QTest::currentTestFailed()) {
                    qWarning("cut at %lld of %lld (PE32%s)", qlonglong(length), qlonglong(pe.bytes.size()),
                             plus ? "+" : "");
                    return;
                }
            }
        }
    }

    void corruptPe_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("data size past the end of the file") << "size";
        QTest::newRow("data address outside every section") << "rva";
        QTest::newRow("data address in a section without file data") << "bss";
        QTest::newRow("PE header offset past the end") << "lfanew";
        QTest::newRow("no PE signature") << "signature";
        QTest::newRow("unknown optional header") << "magic";
        QTest::newRow("too few data directories") << "count";
        QTest::newRow("optional header too small") << "optsize";
        QTest::newRow("no sections") << "nosections";
        QTest::newRow("section table past the end") << "manysections";
        QTest::newRow("language entry loops back to the root") << "loop";
        QTest::newRow("directory entry count past the section") << "entries";
        QTest::newRow("section file data past the end") << "rawoffset";
    }

    void corruptPe()
    {
        QFETCH(QString, damage);
        const QByteArray resource = MakeResource(QStringLiteral("2.1.0.37"), Dutch);
        const PeImage pe = MakePe(false, resource);
        ByteWriter w;
        w.bytes = pe.bytes;
        const qsizetype rsrcHeader = pe.sectionTable + 40;
        if (damage == QLatin1String("size"))
            w.Set(pe.versionDataEntry + 4, 0x7FFFFFF0, 4);
        else if (damage == QLatin1String("rva"))
            w.Set(pe.versionDataEntry, 0x90000000u, 4);
        else if (damage == QLatin1String("lfanew"))
            w.Set(0x3C, 0xFFFFFFF0u, 4);
        else if (damage == QLatin1String("signature"))
            w.Set(0x80, 0x4C45, 2);
        else if (damage == QLatin1String("magic"))
            w.Set(pe.optionalHeader, 0x107, 2);
        else if (damage == QLatin1String("count"))
            w.Set(pe.optionalHeader + 92, 2, 4);
        else if (damage == QLatin1String("optsize"))
            w.Set(0x84 + 16, 100, 2);
        else if (damage == QLatin1String("nosections"))
            w.Set(0x84 + 2, 0, 2);
        else if (damage == QLatin1String("manysections"))
            w.Set(0x84 + 2, 0xFFFF, 2);
        else if (damage == QLatin1String("loop"))
            w.Set(pe.versionLanguageEntry + 4, 0x80000000u, 4);
        else if (damage == QLatin1String("entries"))
            w.Set(pe.resources + 14, 0xFFFF, 2);
        else if (damage == QLatin1String("rawoffset"))
            w.Set(rsrcHeader + 20, 0x7FFF0000, 4);
        if (damage == QLatin1String("bss")) {
            // Give .text a virtual size beyond its file data and point there.
            w.Set(pe.sectionTable + 8, 0x800, 4);
            w.Set(pe.versionDataEntry, 0x1000 + 0x300, 4);
        }
        QVERIFY(w.bytes != pe.bytes);
        TRvVersionInfo info;
        info.SetFileName(WriteFile(QStringLiteral("corrupt.exe"), w.bytes));
        VerifyNoInfo(info);
    }

    void corruptElf_data()
    {
        QTest::addColumn<bool>("is64");
        QTest::addColumn<QString>("damage");
        for (bool is64 : {false, true}) {
            const char *bits = is64 ? "64" : "32";
            QTest::addRow("%s: section past the end of the file", bits) << is64 << "offset";
            QTest::addRow("%s: section size past the end", bits) << is64 << "size";
            QTest::addRow("%s: name table index out of range", bits) << is64 << "namesindex";
            QTest::addRow("%s: name offset past the name table", bits) << is64 << "name";
            QTest::addRow("%s: section headers too small", bits) << is64 << "entsize";
            QTest::addRow("%s: section table past the end", bits) << is64 << "table";
            QTest::addRow("%s: unknown class", bits) << is64 << "class";
            QTest::addRow("%s: section holds no file data", bits) << is64 << "nobits";
        }
    }

    void corruptElf()
    {
        QFETCH(bool, is64);
        QFETCH(QString, damage);
        ElfImage elf =
            MakeElf(is64, false, VersionResourceFile::ElfSectionName, MakeResource(QStringLiteral("2.1.0.37"), Dutch));
        ByteWriter w;
        w.bytes = elf.bytes;
        const int word = is64 ? 8 : 4;
        if (damage == QLatin1String("offset"))
            w.Set(elf.FieldOf(1, 16, 24), quint64(elf.bytes.size()) + 16, word);
        else if (damage == QLatin1String("size"))
            w.Set(elf.FieldOf(1, 20, 32), 0xFFFFFFF0u, word);
        else if (damage == QLatin1String("namesindex"))
            w.Set(is64 ? 0x3E : 0x32, 7, 2);
        else if (damage == QLatin1String("name"))
            w.Set(elf.FieldOf(1, 0, 0), 0x7FFFFFFF, 4);
        else if (damage == QLatin1String("entsize"))
            w.Set(is64 ? 0x3A : 0x2E, is64 ? 40 : 20, 2);
        else if (damage == QLatin1String("table"))
            w.Set(is64 ? 0x28 : 0x20, quint64(elf.bytes.size()) - 8, word);
        else if (damage == QLatin1String("class"))
            w.Set(4, 3, 1);
        else if (damage == QLatin1String("nobits"))
            w.Set(elf.FieldOf(1, 4, 4), 8, 4);
        QVERIFY(w.bytes != elf.bytes);
        TRvVersionInfo info;
        info.SetFileName(WriteFile(QStringLiteral("corrupt.elf"), w.bytes));
        VerifyNoInfo(info);
    }

    void randomlyDamagedFiles()
    {
        // Flipped bytes anywhere in the headers, directories and resource:
        // whatever is read must stay consistent and inside the file.
        const QByteArray resource = MakeResource(QStringLiteral("2.1.0.37"), {{0x0413, 0x04E4}, {0x0409, 0x04B0}});
        const QByteArray originals[] = {
            MakePe(false, resource).bytes,
            MakePe(true, resource).bytes,
            MakeElf(true, false, VersionResourceFile::ElfSectionName, resource).bytes,
            MakeElf(false, true, VersionResourceFile::ElfSectionName, resource).bytes,
        };
        QRandomGenerator random(20261207);
        TRvVersionInfo info;
        int withInfo = 0;
        int without = 0;
        for (const QByteArray &original : originals) {
            for (int round = 0; round < 300; ++round) {
                QByteArray damaged = original;
                const int flips = 1 + int(random.bounded(4));
                for (int i = 0; i < flips; ++i) {
                    // Mostly in the headers and tables, where offsets live.
                    const int at = random.bounded(2) ? random.bounded(qMin(0x500, int(damaged.size())))
                                                     : random.bounded(int(damaged.size()));
                    damaged[at] = char(random.bounded(256));
                }
                info.SetFileName(WriteFile(QStringLiteral("damaged.bin"), damaged));
                if (!info.HasInfo()) {
                    ++without;
                    VerifyNoInfo(info);
                } else {
                    ++withInfo;
                    QVERIFY(info.TranslationCount() >= 0);
                    const int index = info.TranslationIndex();
                    QVERIFY(index == -1 || (index >= 0 && index < info.TranslationCount()));
                    QCOMPARE(info.TranslationKey().isEmpty(), info.TranslationIndex() == -1);
                    for (int i = 0; i < TRvVersionInfo::StandardNameCount; ++i)
                        QVERIFY(info.StringValueByIndex(i).size() < 0x8000);
                }
                if (QTest::currentTestFailed())
                    return;
            }
        }
        // Both outcomes occurred, so the damage reached the parsers.
        QVERIFY(withInfo > 0);
        QVERIFY(without > 0);
    }

    void damagedResourceLengths()
    {
        const QByteArray resource = MakeResource(QStringLiteral("2.1.0.37"), Dutch);
        auto read = [this](const QByteArray &res) {
            auto *info = new TRvVersionInfo(this);
            info->SetFileName(WriteFile(QStringLiteral("res.elf"),
                                        MakeElf(true, false, VersionResourceFile::ElfSectionName, res).bytes));
            return info;
        };
        auto at16 = [](QByteArray res, qsizetype at, quint16 v) {
            res[at] = char(v & 0xFF);
            res[at + 1] = char(v >> 8);
            return res;
        };
        // Offsets in the resource as written: root key, fixed info at 40,
        // StringFileInfo at 92.
        const qsizetype stringFileInfo = 92;
        QCOMPARE(VersionInfoQuery::TextOf(QByteArrayView(resource).sliced(stringFileInfo + 6, 30)),
                 QStringLiteral("StringFileInfo"));

        // Root length beyond the resource.
        VerifyNoInfo(*read(at16(resource, 0, quint16(resource.size() + 4))));
        // Root length shorter than its own header.
        VerifyNoInfo(*read(at16(resource, 0, 4)));
        // Root without its key's terminator.
        VerifyNoInfo(*read(at16(resource, 0, 20)));
        // Not a VS_VERSION_INFO root.
        {
            QByteArray other = resource;
            other[6] = 'X';
            VerifyNoInfo(*read(other));
        }
        // Fixed info shorter than its 52 bytes: the resource is there, the
        // numbers are not.
        {
            TRvVersionInfo *info = read(at16(resource, 2, 20));
            QVERIFY(info->HasInfo());
            VerifyVersion(*info, 0, 0, 0, 0);
        }
        // A child whose length points past its parent ends the walk: the
        // numbers are still read, the strings and translations are not.
        {
            TRvVersionInfo *info = read(at16(resource, stringFileInfo, 0xFFF0));
            QVERIFY(info->HasInfo());
            VerifyVersion(*info, 2, 1, 0, 37);
            QCOMPARE(info->TranslationCount(), 0);
            QCOMPARE(info->TranslationIndex(), -1);
            QVERIFY(info->StringValueByIndex(10).isEmpty());
        }
        // A string's value length far past its block is cut at the block.
        {
            const qsizetype versionString = resource.indexOf(QByteArray("P\0r\0o\0d\0u\0c\0t\0V", 15)) - 6;
            QVERIFY(versionString > 0);
            TRvVersionInfo *info = read(at16(resource, versionString + 2, 0xFFFF));
            QCOMPARE(info->StringValueByIndex(10), QStringLiteral("2.1.0.37/041304E4"));
        }

        // The walker on every prefix of the resource (the root length then
        // points past the buffer) and with every byte changed.
        for (qsizetype length = 0; length < resource.size(); ++length)
            QCOMPARE(VersionInfoQuery::ResourceLength(QByteArrayView(resource).first(length)), 0);
        QCOMPARE(VersionInfoQuery::ResourceLength(resource), resource.size());
        const QString paths[] = {QStringLiteral("\\"), QStringLiteral("\\VarFileInfo\\Translation"),
                                 QStringLiteral("\\StringFileInfo\\041304E4\\ProductVersion")};
        for (qsizetype at = 0; at < resource.size(); ++at) {
            for (int value : {0x00, 0x01, 0x7F, 0xFF}) {
                QByteArray damaged = resource;
                damaged[at] = char(value);
                // A copy of exactly the resource's length, so that reads
                // past it show under the address sanitizer.
                const QByteArray exact(damaged.constData(), damaged.size());
                for (const QString &path : paths) {
                    QByteArrayView found;
                    if (VersionInfoQuery::Query(exact, path, found)) {
                        QVERIFY(found.data() >= exact.constData());
                        QVERIFY(found.data() + found.size() <= exact.constData() + exact.size());
                    }
                }
            }
        }
    }

    void translations()
    {
        const QByteArray resource = MakeResource(QStringLiteral("3.4.5.6"), {{0x0413, 0x04E4}, {0x0409, 0x04B0}});
        TRvVersionInfo info;
        info.SetFileName(WriteFile(QStringLiteral("two.exe"), MakePe(true, resource).bytes));
        QCOMPARE(info.TranslationCount(), 2);
        QCOMPARE(info.TranslationIndex(), 0);
        QCOMPARE(info.TranslationKey(), QStringLiteral("041304E4"));
        QCOMPARE(info.StringValueByIndex(10), QStringLiteral("3.4.5.6/041304E4"));

        info.SelectTranslation(1);
        QCOMPARE(info.TranslationIndex(), 1);
        QCOMPARE(info.TranslationKey(), QStringLiteral("040904B0"));
        QCOMPARE(info.StringValueByIndex(10), QStringLiteral("3.4.5.6/040904B0"));
        QCOMPARE(info.StringValue(QStringLiteral("CompanyName")), QStringLiteral("Firma 040904B0"));

        for (int outside : {2, -1, 1000, -1000}) {
            info.SelectTranslation(outside);
            QCOMPARE(info.TranslationIndex(), -1);
            QVERIFY(info.TranslationKey().isEmpty());
            QVERIFY(info.StringValueByIndex(10).isEmpty());
            // The numbers do not depend on the translation.
            VerifyVersion(info, 3, 4, 5, 6);
        }
        info.SelectTranslation(0);
        QCOMPARE(info.TranslationKey(), QStringLiteral("041304E4"));

        // A new file replaces everything read before.
        info.SetFileName(WriteFile(QStringLiteral("none.txt"), "x"));
        VerifyNoInfo(info);
        info.SelectTranslation(0);
        QCOMPARE(info.TranslationIndex(), -1);
        QVERIFY(info.TranslationKey().isEmpty());
    }

    void withoutTranslationTable()
    {
        // The strings are there but no translation names them: as with the
        // Windows version API, only the numbers are available.
        const QByteArray resource = MakeResource(QStringLiteral("2.1.0.37"), Dutch, false);
        TRvVersionInfo info;
        info.SetFileName(WriteFile(QStringLiteral("notable.exe"), MakePe(false, resource).bytes));
        QVERIFY(info.HasInfo());
        VerifyVersion(info, 2, 1, 0, 37);
        QCOMPARE(info.TranslationCount(), 0);
        QCOMPARE(info.TranslationIndex(), -1);
        QVERIFY(info.TranslationKey().isEmpty());
        QVERIFY(info.StringValueByIndex(10).isEmpty());
    }

    void standardNames()
    {
        const QStringList names = {"Comments",     "CompanyName",    "FileDescription", "FileVersion",
                                   "InternalName", "LegalCopyright", "LegalTrademarks", "OriginalFileName",
                                   "PrivateBuild", "ProductName",    "ProductVersion",  "SpecialBuild"};
        QCOMPARE(names.size(), TRvVersionInfo::StandardNameCount);
        VersionResourceWriter writer;
        for (const QString &name : names)
            writer.AddString(0x0413, 0x04E4, name, QStringLiteral("waarde van ") + name);
        writer.AddTranslation(0x0413, 0x04E4);
        TRvVersionInfo info;
        info.SetFileName(WriteFile(QStringLiteral("names.elf"),
                                   MakeElf(true, false, VersionResourceFile::ElfSectionName, writer.Build()).bytes));
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(TRvVersionInfo::StandardName(i), names[i]);
            QCOMPARE(info.StringValueByIndex(i), QStringLiteral("waarde van ") + names[i]);
        }
        QVERIFY(info.StringValueByIndex(-1).isEmpty());
        QVERIFY(info.StringValueByIndex(12).isEmpty());
    }

    void namesIgnoreCase()
    {
        // Resource compilers write "OriginalFilename"; the lookup, like the
        // Windows version API's, does not depend on case.
        VersionResourceWriter writer;
        writer.AddString(0x0413, 0x04E4, QStringLiteral("OriginalFilename"), QStringLiteral("tolvek.exe"));
        writer.AddString(0x0413, 0x04E4, QStringLiteral("productversion"), QStringLiteral("9.9"));
        writer.AddTranslation(0x0413, 0x04E4);
        // Many resource compilers also write the table key in lower case.
        QByteArray resource = writer.Build();
        const QByteArray upperKey("0\0"
                                  "4\0"
                                  "1\0"
                                  "3\0"
                                  "0\0"
                                  "4\0"
                                  "E\0"
                                  "4\0",
                                  16);
        const qsizetype keyAt = resource.indexOf(upperKey);
        QVERIFY(keyAt > 0);
        resource[keyAt + 12] = 'e';
        TRvVersionInfo info;
        info.SetFileName(WriteFile(QStringLiteral("case.exe"), MakePe(false, resource).bytes));
        QCOMPARE(info.TranslationKey(), QStringLiteral("041304E4"));
        QCOMPARE(info.StringValueByIndex(7), QStringLiteral("tolvek.exe"));
        QCOMPARE(info.StringValueByIndex(10), QStringLiteral("9.9"));
    }

    void nonLatinStrings()
    {
        const QString text = QStringLiteral("Caf\u00e9 \u20ac 5 \U0001F4F7");
        VersionResourceWriter writer;
        writer.AddString(0x0413, 0x04E4, QStringLiteral("Comments"), text);
        writer.AddString(0x0413, 0x04E4, QStringLiteral("SpecialBuild"), QString());
        writer.AddTranslation(0x0413, 0x04E4);
        TRvVersionInfo info;
        info.SetFileName(WriteFile(QStringLiteral("utf16.exe"), MakePe(true, writer.Build()).bytes));
        QCOMPARE(info.StringValueByIndex(0), text);
        QVERIFY(info.StringValueByIndex(11).isEmpty());
    }

    void parseVersion()
    {
        VersionResourceWriter::Version v;
        QVERIFY(VersionResourceWriter::ParseVersion(QStringLiteral("2.1.0.37"), v));
        QCOMPARE(v.Major, 2);
        QCOMPARE(v.Build, 37);
        QVERIFY(VersionResourceWriter::ParseVersion(QStringLiteral("65535.7"), v));
        QCOMPARE(v.Major, 65535);
        QCOMPARE(v.Minor, 7);
        QCOMPARE(v.Release, 0);
        QCOMPARE(v.Build, 0);
        for (const char *bad : {"", "1.2.3.4.5", "65536", "1..2", "a.b", " 1.2", "-1"})
            QVERIFY2(!VersionResourceWriter::ParseVersion(QString::fromLatin1(bad), v), bad);
    }
};

QTEST_GUILESS_MAIN(TestVersionInfo)
#include "tst_versioninfo.moc"
