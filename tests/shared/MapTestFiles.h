#pragma once

// Helpers for the map tests: real BMP files and data files on disk.

#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QString>
#include <QtTest>

namespace MapTestFiles {

// A 24-bit BMP whose pixels vary with position, so that any shift shows.
inline QImage Pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, ((x + y) * 3) & 0xFF));
    return image;
}

inline QString WriteBmp(const QString &path, const QImage &image)
{
    if (!image.save(path, "BMP"))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

inline QString WriteBmp(const QString &path, int width, int height)
{
    return WriteBmp(path, Pattern(width, height));
}

// A project in folder with the given map name and photos ("key=x,y,a" and "key=name").
inline ProjectDocument Project(const QString &folder, const QByteArray &mapName, const QList<QByteArray> &positions,
                               const QList<QByteArray> &names = {})
{
    ProjectDocument doc;
    doc.Reset();
    doc.CurrentFileName = QDir(folder).filePath(QStringLiteral("project.tvk"));
    doc.MapFileName = mapName;
    doc.PositionList = positions;
    doc.NameList = names;
    for (const QByteArray &p : positions)
        doc.NotesList << p.left(p.indexOf('=') + 1) + "notes";
    return doc;
}

inline QString Save(const ProjectDocument &doc)
{
    if (DataFile::Write(doc, doc.CurrentFileName) != DataFile::WriteResult::Ok)
        qFatal("cannot write %s", qPrintable(doc.CurrentFileName));
    return doc.CurrentFileName;
}

} // namespace MapTestFiles
