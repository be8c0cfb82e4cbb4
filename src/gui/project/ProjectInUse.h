#pragma once

#include "core/platform/ProcessLock.h"

#include <QString>

// The questions about a project that another running Tolvek has open.
class ProjectInUse
{
public:
    enum class Answer { ReadOnly, Edit, Cancel };

    // Before opening it: read-only (the default), edit all the same, or not.
    // A lock from another computer older than a day may instead be broken:
    // then the project is opened for editing (Edit).
    static Answer AskOpen(const QString &fileName, const ProcessLock::Holder &holder);
    // Save as onto it is refused.
    static void WarnSaveAs(const QString &fileName, const ProcessLock::Holder &holder);
};
