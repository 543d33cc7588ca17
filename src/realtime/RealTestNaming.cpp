#include "realtime/RealTestNaming.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/VbFormat.h"

namespace viscora {

TestHeader RealTestNaming::load(const QString &currentName) const
{
    if (currentName.isEmpty())
        return {};
    const auto h = repo_.header(currentName);
    if (!h)
        showDbFailure(prompter_, h.error());
    return h && *h ? **h : TestHeader{};
}

bool RealTestNaming::ok(const RealTestName &e)
{
    m_.RelatedOk = true;
    if (e.header.testName.isEmpty()) {
        prompter_.message("Must input Test name.", "Blank Input Error.");
        return false;
    }
    const auto exists = repo_.exists(e.header.testName, Qt::CaseInsensitive);
    if (!exists) {
        showDbFailure(prompter_, exists.error());
        return false;
    }
    if (*exists) {
        prompter_.message("Duplicated test name. Please enter a new test name.",
                          "Test Name Error.");
        return false;
    }
    // A rate factor of 0 would leave every viscosity of the run without a value.
    if (e.custom && Val(e.rateFactor) <= 0) {
        prompter_.message("The shear rate factor must be a number greater than 0.", "Input Error");
        return false;
    }
    int id = 0;
    if (!repo_.createHeader(e.header, id)) {
        prompter_.message("Input error! Please check your input.", "Input Error");
        return false;
    }
    m_.NewTestId = static_cast<std::int16_t>(id);
    m_.CustomRb = e.custom;
    if (e.custom) {
        m_.CustomStressFactor = Val(e.stressFactor);
        m_.CustomRbFactor = Val(e.rateFactor);
    }
    return true;
}

void RealTestNaming::cancel() { m_.RelatedOk = false; }

} // namespace viscora
