#pragma once

// A stand-in for the main window, for tests of dialogs that work on the
// project: a real session over its own document, and counts of what the
// changes asked the main window to do.

#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/MessageDialogs.h"

#include <QList>

class FakeHost
{
public:
    ProjectDocument doc;
    ProjectSession session{doc};
    ProjectHost host{session, nullptr};
    PhotoWindowPlacement &placement = host.PhotoPlacement();
    int drawCount = 0;   // changes that had the map drawn again
    int updateCount = 0; // changes that had Save and the organisation updated
    QList<int> helpContexts;

    FakeHost()
    {
        QObject::connect(&session, &ProjectSession::Changed, &host, [this](ProjectChanges changes) {
            if (changes & ProjectChange::State)
                ++updateCount;
            if (changes & ProjectChange::Map)
                ++drawCount;
        });
        MessageDialogs::SetHelpHandler([this](int context) { helpContexts << context; });
    }
    ~FakeHost() { MessageDialogs::SetHelpHandler({}); }

    // As made anew.
    void Reset()
    {
        doc = ProjectDocument();
        placement = PhotoWindowPlacement();
        host.SetAddPickMode(false);
        host.SetDeletePickMode(false);
        drawCount = updateCount = 0;
        helpContexts.clear();
    }

    operator ProjectHost &() { return host; }
};
