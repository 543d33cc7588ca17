#include "review/RelatedInfoEditor.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "store/TestNaming.h"

namespace viscora {

bool RelatedInfoEditor::newMode() const { return m_.NoTestShown; }

TestHeader RelatedInfoEditor::load() const
{
    if (newMode())
        return {};
    const QString name = QString::fromStdString(m_.CurrentTestName);
    const auto h = repo_.header(name);
    if (!h)
        show(prompter_, h.failure());
    // A header deleted meanwhile still shows its name, so OK can close the dialog.
    return h && *h ? **h : TestHeader{name, {}, {}, {}, {}};
}

bool RelatedInfoEditor::ok(const TestHeader &entered)
{
    m_.RelatedOk = true;
    if (newMode()) {
        const Naming n = nameNewTest(repo_, entered, Qt::CaseSensitive, {});
        if (n.failure)
            show(prompter_, *n.failure);
        if (!n.writeFailure.ok)
            show(prompter_, dbFailure(saveFailure(n.writeFailure)));
        if (n.outcome != NamingOutcome::Created)
            return false;
        m_.CurrentTestName = n.name.toStdString();
        m_.NewTestId = n.id;
        m_.NoTestShown = false;
        return true;
    }
    if (entered.testName.isEmpty()) {
        prompter_.message("Must input Test name.", "Blank Input Error.");
        return false;
    }
    TestHeader h = entered;
    h.testName = QString::fromStdString(m_.CurrentTestName);
    const DbResult r = repo_.updateHeader(h);
    if (!r)
        prompter_.message("The related information could not be saved: " + r.error.toStdString(),
                          kDatabaseErrorTitle);
    return true;
}

void RelatedInfoEditor::cancel() { m_.RelatedOk = false; }

} // namespace viscora
