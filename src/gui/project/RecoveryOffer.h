#pragma once

#include <optional>

class RecoveryCopy;
class QWidget;

// At start-up: offers the recovery copies that runs which did not end
// normally left behind, one question each, the latest change first.
class RecoveryOffer
{
public:
    enum class Answer { Restore, Later, Discard };

    // Asks about one copy; Escape and the close box mean Later.
    static Answer Ask(const RecoveryCopy &copy);

    // Asks about each copy until one is to be restored, and returns that
    // one (still locked for this program). Copies put off stay for the
    // next start; those to be discarded are removed.
    static std::optional<RecoveryCopy> Run();
};
