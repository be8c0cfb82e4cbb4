#pragma once

#include "core/platform/ProcessLock.h"

#include <QString>

// The questions about a project that another running Tolvek has open.
class ProjectInUse
{
public:
    enum class Answer { ReadOnly, Edit, Cancel };

    // Before opening it: read-only (the default), edit all the same, or not.
    static Answer AskOpen(const QString &fileName, const ProcessLock::Holder &holder);
    // Save as onto it is refused.
    static void WarnSaveAs(const QString &fileName, const ProcessLock::Holder &holder);
};
