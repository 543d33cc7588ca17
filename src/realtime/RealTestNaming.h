#pragma once
// Naming a real-time test before it runs: a new header row (names compared ignoring case)
// and, for a special rotor-bob, the two custom factors.

#include "store/TestNaming.h"
#include "core/Units.h"
#include "store/TestRepository.h"

#include <optional>

namespace viscora {

class Prompter;

struct RealTestName {
    TestHeader header;
    bool custom = false;
    std::string stressFactor, rateFactor; // as typed
};

// The test a run records into: its name as kept, its id, a special rotor-bob's factors.
struct NamedRun {
    QString name;
    int id = 0;
    std::optional<CustomFactors> custom;
};

class RealTestNaming {
public:
    RealTestNaming(TestRepository &repo, Prompter &prompter) : repo_(repo), prompter_(prompter) {}
    // The stored fields of a name, if such a test exists (empty fields otherwise).
    TestHeader load(const QString &currentName) const;
    // OK: Created when the header was created and the dialog closes; otherwise which entry
    // was refused (the name, or the custom factors), or a failure that was shown.
    NamingOutcome ok(const RealTestName &entered);
    // The last Created test, its name as typed with blanks around it trimmed.
    const std::optional<NamedRun> &created() const { return created_; }

private:
    TestRepository &repo_;
    Prompter &prompter_;
    std::optional<NamedRun> created_;
};

} // namespace viscora
