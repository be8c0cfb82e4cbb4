#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

// The one in-memory project. Every text is held as the bytes of the data file
// (Windows-1252); the photo lists hold their entries as the exact lines the
// file stores, and are taken apart where they are used (see PhotoEntry).
class ProjectDocument
{
public:
    ProjectDocument();

    static QString UntitledFileName() { return QStringLiteral("Nieuw") + QStringLiteral(".tvk"); }
    static QByteArray DefaultUserHelpText() { return QByteArrayLiteral("Klik op driehoek voor foto"); }
    static QByteArray NewPhotoNotes() { return QByteArrayLiteral("Type hier uw aantekeningen."); }
    static constexpr std::int32_t DefaultTriangleSize = 6;
    static constexpr std::int32_t DefaultTriangleColour = 16711680; // 0x00BBGGRR: pure blue

    // Empties the document and makes it untitled. FormatTag is left alone.
    // (The caption, pick modes and redraw belong to the main window.)
    void Reset();

    bool IsUntitled() const { return CurrentFileName == UntitledFileName(); }

    // The folder part of CurrentFileName, up to and including the last
    // separator; empty for a file name without a folder.
    QString ProjectFolder() const;

    // General fields, under the keys "00000=" to "00010=".
    QByteArray FormatTag = QByteArrayLiteral("100");
    QByteArray MapFileName;
    std::int32_t TriangleSize = DefaultTriangleSize;
    std::int32_t TriangleColour = DefaultTriangleColour;
    QByteArray LogoFileName;
    QByteArray WebAddress;
    QByteArray Organisation;
    QByteArray Description1;
    QByteArray Description2;
    QByteArray Description3;
    QByteArray UserHelpText = DefaultUserHelpText();

    // Photo lists: one entry per photo, "key=..." exactly as in the file.
    // So notes hold their line breaks as the file does, as byte 0x9D
    // (PhotoEntry::EncodeNotes); PhotoLookup gives and takes them with CR LF.
    QList<QByteArray> PositionList;
    QList<QByteArray> NameList;
    QList<QByteArray> NotesList;

    QString CurrentFileName = UntitledFileName();
    bool Modified = false;
};
