#pragma once
// The related-information dialog's logic: creates a new test header (with the next
// TestId) while no test is shown, otherwise edits the shown test's header.

#include "store/TestRepository.h"

#include <optional>

namespace viscora {

class Prompter;

// A test the dialog created: its name as kept and its id.
struct NamedTest {
    QString name;
    int id = 0;
};

class RelatedInfoEditor {
public:
    // shownTest: the test whose header is edited; none creates a new test.
    RelatedInfoEditor(TestRepository &repo, Prompter &prompter, std::optional<QString> shownTest)
        : repo_(repo), prompter_(prompter), shownTest_(std::move(shownTest))
    {}

    bool newMode() const { return !shownTest_; }
    // The fields the dialog starts with: empty in new mode, the shown test's header in edit
    // mode (empty texts when it is gone).
    TestHeader load() const;
    // OK: true when the dialog closes, false when it stays open after a message.
    bool ok(const TestHeader &entered);
    // The test OK created in new mode.
    const std::optional<NamedTest> &created() const { return created_; }

private:
    TestRepository &repo_;
    Prompter &prompter_;
    std::optional<QString> shownTest_;
    std::optional<NamedTest> created_;
};

} // namespace viscora
