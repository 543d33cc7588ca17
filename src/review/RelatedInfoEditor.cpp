#include "review/RelatedInfoEditor.h"

#include "core/Prompter.h"
#include "store/TestNaming.h"

namespace viscora {

TestHeader RelatedInfoEditor::load() const
{
    if (newMode())
        return {};
    const QString &name = *shownTest_;
    const auto h = repo_.header(name);
    if (!h)
        show(prompter_, h.failure());
    // A header deleted meanwhile still shows its name, so OK can close the dialog.
    return h && *h ? **h : TestHeader{name, {}, {}, {}, {}};
}

bool RelatedInfoEditor::ok(const TestHeader &entered)
{
    if (newMode()) {
        const Naming n = nameNewTest(repo_, entered, Qt::CaseSensitive, {});
        if (n.failure)
            show(prompter_, *n.failure);
        if (!n.writeFailure.ok)
            show(prompter_, dbFailure(saveFailure(n.writeFailure)));
        if (n.outcome != NamingOutcome::Created)
            return false;
        created_ = NamedTest{n.name, n.id};
        return true;
    }
    if (entered.testName.isEmpty()) {
        prompter_.message("Must input Test name.", "Blank Input Error.");
        return false;
    }
    TestHeader h = entered;
    h.testName = *shownTest_;
    const DbResult r = repo_.updateHeader(h);
    if (!r)
        prompter_.message("The related information could not be saved: " + r.error.toStdString(),
                          kDatabaseErrorTitle);
    return true;
}

} // namespace viscora
