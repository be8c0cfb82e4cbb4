#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>

// The program's own pictures, drawn here rather than stored: the program
// icon (a map with a photo triangle), the logo and the decorative half
// circle of the information screen.
namespace ProgramArt {

// The program icon at every common size; also the main window's icon.
QIcon ProgramIcon();

// The program icon drawn at size x size pixels.
QPixmap ProgramIconPixmap(int size);

// The program icon as an SVG document and drawn into an image: the desktop
// entry's icons are made from these at build time.
QByteArray ProgramIconSvg();
QImage ProgramIconImage(int size);

// 111 x 36 pixels.
QPixmap LogoPixmap();

// 26 x 56 pixels: the left half of a disc, its flat side on the right.
QPixmap HalfCirclePixmap();

} // namespace ProgramArt
