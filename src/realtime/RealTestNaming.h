#pragma once
// Naming a real-time test before it runs: a new header row (names compared ignoring case)
// and, for a special rotor-bob, the two custom factors.

#include "store/TestNaming.h"
#include "store/TestRepository.h"

namespace viscora {

struct Module1;
class Prompter;

struct RealTestName {
    TestHeader header;
    bool custom = false;
    std::string stressFactor, rateFactor; // as typed
};

class RealTestNaming {
public:
    RealTestNaming(Module1 &m, TestRepository &repo, Prompter &prompter)
        : m_(m), repo_(repo), prompter_(prompter)
    {}
    // The stored fields of a name, if such a test exists (empty fields otherwise).
    TestHeader load(const QString &currentName) const;
    // OK: Created when the header was created and the dialog closes; otherwise which entry
    // was refused (the name, or the custom factors), or a failure that was shown.
    NamingOutcome ok(const RealTestName &entered);
    // The name the last Created test was given: as typed, blanks around it trimmed.
    const QString &createdName() const { return created_; }
    void cancel();

private:
    Module1 &m_;
    TestRepository &repo_;
    Prompter &prompter_;
    QString created_;
};

} // namespace viscora
