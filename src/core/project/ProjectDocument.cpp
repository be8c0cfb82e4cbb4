#include "core/project/ProjectDocument.h"

ProjectDocument::ProjectDocument() = default;

void ProjectDocument::Reset()
{
    CurrentFileName = UntitledFileName();
    Modified = false;
    MapFileName.clear();
    TriangleSize = DefaultTriangleSize;
    TriangleColour = DefaultTriangleColour;
    LogoFileName.clear();
    WebAddress.clear();
    Organisation.clear();
    Description1.clear();
    Description2.clear();
    Description3.clear();
    UserHelpText = DefaultUserHelpText();
    PositionList.clear();
    NameList.clear();
    NotesList.clear();
}

QString ProjectDocument::ProjectFolder() const
{
    const qsizetype slash = CurrentFileName.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : CurrentFileName.left(slash + 1);
}
