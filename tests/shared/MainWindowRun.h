#pragma once

#include "DialogDriver.h"
#include "app/THoofdForm.h"
#include "gui/photos/TFotoForm.h"

#include <QtTest>

#include <memory>

namespace MainWindowRun {

// Ends a test's main window without the save question, with its photo
// windows, and checks that every answer the test gave was used.
inline void End(std::unique_ptr<THoofdForm> &form, std::unique_ptr<DialogDriver> &driver)
{
    for (TFotoForm *w : TFotoForm::OpenWindows())
        delete w;
    if (form)
        form->Session().MarkClean();
    form.reset();
    QCOMPARE(driver->Pending(), 0);
    driver.reset();
}

} // namespace MainWindowRun
