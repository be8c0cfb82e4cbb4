#pragma once

#include <QFlags>
#include <QString>

class ProjectDocument;

// What a change of the project means for those who show it.
enum class ProjectChange {
    State = 0x1,  // Modified and the general fields: Save, the organisation
    Map = 0x2,    // the map must be drawn again
    Photos = 0x4, // the photo lists changed
    // A new, opened or recovered project took the place of the old one:
    // everything above follows too. Test it with testFlag, which asks for
    // every bit.
    Whole = 0x8 | State | Map | Photos,
};
Q_DECLARE_FLAGS(ProjectChanges, ProjectChange)
Q_DECLARE_OPERATORS_FOR_FLAGS(ProjectChanges)

// One change of the project, made from what the user chose in a dialog or
// on the map and carried out by ProjectSession::Perform, the one path every
// change takes. An edit keeps the bytes it removes or replaces and where
// they stood, so Revert after Apply gives back the lists byte for byte, in
// the same order (undo).
class ProjectEdit
{
public:
    virtual ~ProjectEdit();

    virtual void Apply(ProjectDocument &doc) = 0;
    virtual void Revert(ProjectDocument &doc) = 0;

    // Whether carrying it out makes the project modified.
    virtual bool Modifies() const { return true; }

    // What must follow on the screen once it is carried out (or reverted).
    virtual ProjectChanges Changes() const = 0;

    // What the user did, as the undo menu names it ("foto toevoegen").
    virtual QString Name() const = 0;
};
