#pragma once

#include <QByteArray>
#include <cstdint>

class ProjectDocument;

// Taking the photo-list entries apart. Entries stay text in the lists; every
// user of them converts the parts it needs on the spot, so a bad number is
// found (and reported) by the command that trips over it.
namespace PhotoEntry {

// The text before the first "=" (the whole entry when there is none).
QByteArray KeyText(const QByteArray &entry);

// Everything after the first "=" (empty when there is none).
QByteArray Value(const QByteArray &entry);

// The key as an integer; throws TolvekError when it is not one.
std::int32_t Key(const QByteArray &entry);

struct Position
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t direction = 0;
};

// The three texts of a position entry, split as the file stores them:
// x up to the first "," after the "=", y up to the next ",", direction the rest.
struct PositionTexts
{
    QByteArray x;
    QByteArray y;
    QByteArray direction;
};
PositionTexts SplitPosition(const QByteArray &entry);

// x, y and direction converted; throws TolvekError on the first that is not
// an integer (x, then y, then direction).
Position ParsePosition(const QByteArray &entry);

// "key=x,y,direction" with the key text kept as given.
QByteArray MakePosition(const QByteArray &keyText, std::int32_t x, std::int32_t y, std::int32_t direction);

// The key for a new photo: one above the largest key of PositionList, read
// from the first five characters of each entry; 0 when no five-digit key is
// left (the largest key is already 99999). Throws on a bad key.
std::int32_t NextKey(const ProjectDocument &doc);

// Five digits with leading zeros.
QByteArray KeyTextFor(std::int32_t key);

} // namespace PhotoEntry
