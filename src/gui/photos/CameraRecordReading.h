#pragma once

#include <QString>
#include <QStringList>

class PhotoMetadataCache;
class ProjectDocument;
class QWidget;

// Waits until the shared cache knows what the cameras of a set of photos
// recorded, for commands that need every record at once; a progress dialog
// with a cancel button shows when that takes long (a first look at a
// folder of thousands of photos on a network share).
class CameraRecordReading
{
public:
    // names: as the project stores them, relative to folder; empty names are
    // passed by. False when the user cancelled.
    static bool ReadAll(PhotoMetadataCache &metadata, const QStringList &names, const QString &folder, QWidget *parent,
                        const QString &caption, const QString &text);

    // The folder the project's relative names start from: its own, else the
    // current one.
    static QString Folder(const ProjectDocument &doc);
    // For each photo (position entry, in order) the name its file is stored
    // under, the first name entry of its key as every look-up takes it;
    // empty without one.
    static QStringList StoredNames(const ProjectDocument &doc);
};
