#include "review/RelatedInfoEditor.h"

#include "core/Module1.h"
#include "core/Prompter.h"

namespace viscora {

bool RelatedInfoEditor::newMode() const { return m_.NoTestShown; }

TestHeader RelatedInfoEditor::load() const
{
    if (newMode())
        return {};
    const QString name = QString::fromStdString(m_.CurrentTestName);
    const auto h = repo_.header(name);
    if (!h)
        showDbFailure(prompter_, h.error());
    // A header deleted meanwhile still shows its name, so OK can close the dialog.
    return h && *h ? **h : TestHeader{name, {}, {}, {}, {}};
}

bool RelatedInfoEditor::ok(const TestHeader &entered)
{
    m_.RelatedOk = true;
    if (entered.testName.isEmpty()) {
        prompter_.message("Must input Test name.", "Blank Input Error.");
        return false;
    }
    if (newMode()) {
        const auto exists = repo_.exists(entered.testName, Qt::CaseSensitive);
        if (!exists) {
            showDbFailure(prompter_, exists.error());
            return false;
        }
        if (*exists) {
            prompter_.message("Duplicated test name. Please enter a new test name.",
                              "Test Name Error.");
            return false;
        }
        int id = 0;
        const DbResult r = repo_.createHeader(entered, id);
        if (!r) {
            prompter_.message("The test could not be saved: " + r.error.toStdString(),
                              "Database Error");
            return false;
        }
        m_.CurrentTestName = entered.testName.toStdString();
        m_.NewTestId = static_cast<std::int16_t>(id);
        m_.NoTestShown = false;
        return true;
    }
    TestHeader h = entered;
    h.testName = QString::fromStdString(m_.CurrentTestName);
    const DbResult r = repo_.updateHeader(h);
    if (!r)
        prompter_.message("The related information could not be saved: " + r.error.toStdString(),
                          "Database Error");
    return true;
}

void RelatedInfoEditor::cancel() { m_.RelatedOk = false; }

} // namespace viscora
