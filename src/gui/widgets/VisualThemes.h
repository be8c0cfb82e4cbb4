#pragma once

#include <QApplication>
#include <QStyle>

// Visual themes count as on unless the program runs with Qt's classic
// "Windows" style (-style windows).
inline bool VisualThemesEnabled()
{
    const QStyle *style = QApplication::style();
    return !style || style->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}
