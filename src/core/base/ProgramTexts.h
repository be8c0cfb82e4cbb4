#pragma once

#include <QString>

// The program's fixed texts: the application title and the lines of the
// information and web-information screens.
namespace ProgramTexts {

inline QString AppTitle()
{
    return QStringLiteral("Tolvek");
}
inline QString InfoScreenLine()
{
    return QStringLiteral("Foto's op de kaart gebracht.");
}
inline QString ProductWebAddress()
{
    return QStringLiteral("www.tolvek.nl");
}
inline QString WebInfoHeading()
{
    return QStringLiteral("Tolvek: uw foto's op de kaart !");
}

} // namespace ProgramTexts
