#include "realtime/RealTestNaming.h"

#include "core/Prompter.h"
#include "core/VbFormat.h"

namespace viscora {

TestHeader RealTestNaming::load(const QString &currentName) const
{
    if (currentName.isEmpty())
        return {};
    const auto h = repo_.header(currentName);
    if (!h)
        show(prompter_, h.failure());
    return h && *h ? **h : TestHeader{};
}

NamingOutcome RealTestNaming::ok(const RealTestName &e)
{
    const Naming n = nameNewTest(repo_, e.header, Qt::CaseInsensitive, [&] {
        // A rate factor of 0 would leave every viscosity of the run without a value.
        if (e.custom && Val(e.rateFactor) <= 0) {
            prompter_.message("The shear rate factor must be a number greater than 0.",
                              "Input Error");
            return false;
        }
        return true;
    });
    if (n.failure)
        show(prompter_, *n.failure);
    if (n.outcome == NamingOutcome::Failed && !n.writeFailure.ok) {
        // A file held by another program, or one nobody may write, is no fault of what was
        // typed.
        if (n.writeFailure.busy || n.writeFailure.readOnly)
            show(prompter_, dbFailure(saveFailure(n.writeFailure)));
        else
            prompter_.message("Input error! Please check your input.", "Input Error");
    }
    if (n.outcome != NamingOutcome::Created)
        return n.outcome;
    created_ = NamedRun{n.name, n.id, std::nullopt};
    if (e.custom)
        created_->custom = CustomFactors{Val(e.stressFactor), Val(e.rateFactor)};
    return n.outcome;
}

} // namespace viscora
