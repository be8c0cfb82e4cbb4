#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <cstdint>

// The context-number table of a compiled help file. "/#IVB" begins with a
// 32-bit byte count, followed by pairs of 32-bit numbers (context id, offset
// into "/#STRINGS"); at that offset "/#STRINGS" holds the topic's path,
// terminated by a zero byte. All numbers are little-endian.
//
// The input comes from a file anyone may hand the program, so every count
// and offset is checked against the data actually present: an entry that
// points outside "/#STRINGS", or to a text without its terminating zero, is
// left out; a byte count larger than the data is cut to the data.
namespace ChmContextTable {

QMap<std::uint32_t, QString> Parse(const QByteArray &ivb, const QByteArray &strings);

// Builds the two streams for a table (for tests and tools).
void Build(const QMap<std::uint32_t, QString> &table, QByteArray &ivb, QByteArray &strings);

} // namespace ChmContextTable
