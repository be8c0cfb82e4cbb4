#pragma once

#include <QByteArray>
#include <QString>

namespace FuzzSupport {

// A file name of this process for inputs that the program reads from disk;
// on tmpfs where there is one. suffix is the extension, e.g. ".bmp".
QString ScratchFile(const QString &suffix);

// Writes bytes to the scratch file; aborts when that fails.
QString WriteScratch(const QString &suffix, const QByteArray &bytes);

} // namespace FuzzSupport
