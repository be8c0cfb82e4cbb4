#pragma once

#include <QApplication>
#include <QCursor>

// The application-wide busy pointer for the lifetime of the object; the
// normal pointer comes back also when the work ends with an error.
class BusyCursor
{
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
