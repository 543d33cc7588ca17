#pragma once
// The related-information dialog's logic: creates a new test header (with the next
// TestId) while no test is shown, otherwise edits the shown test's header.

#include "store/TestRepository.h"

namespace viscora {

struct Module1;
class Prompter;

class RelatedInfoEditor {
public:
    RelatedInfoEditor(Module1 &m, TestRepository &repo, Prompter &prompter)
        : m_(m), repo_(repo), prompter_(prompter)
    {}

    bool newMode() const;
    // The fields the dialog starts with: empty in new mode, the shown test's header in edit
    // mode (empty texts when it is gone).
    TestHeader load() const;
    // OK: true when the dialog closes, false when it stays open after a message.
    bool ok(const TestHeader &entered);
    void cancel();

private:
    Module1 &m_;
    TestRepository &repo_;
    Prompter &prompter_;
};

} // namespace viscora
