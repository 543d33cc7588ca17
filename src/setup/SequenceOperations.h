#pragma once
// What the setup window does to sequences and their steps. Each operation asks its
// questions through the Prompter, writes in one transaction, and reports a failure.

#include "store/SequenceRepository.h"
#include "store/TestNaming.h"
#include "setup/SetupGrid.h"

#include <optional>

namespace viscora {

struct Module1;
class Prompter;

struct CopyPasteChoice {
    int copyFrom1 = 0; // 0: cancelled
    int copyFrom2 = 0;
    int Pasteto = 0;
    int pasteBeforeAfter = 0; // 0 after, 1 before
};

constexpr int kMaxSteps = 98;

// "Delete sequence "NAME" and its N steps? This cannot be undone."
std::string deleteSequenceQuestion(const QString &name, std::size_t steps);

// A new sequence's rule, for the window and the CLI alike: a name nobody has (ignoring case),
// and the default step when no step is given. The new sequence's id.
Result<int> createNewSequence(SequenceRepository &repo, const QString &name, int rbCode,
                              std::vector<SequenceStep> steps);

class SequenceOperations {
public:
    SequenceOperations(const Module1 &m, SequenceRepository &repo, Prompter &prompter)
        : m_(m), repo_(repo), prompter_(prompter)
    {}

    // New and Save As return the name of the created sequence, to be selected.
    std::optional<QString> newSequence();
    std::optional<QString> saveAs(const QString &selected);
    // How Delete asks first: the button its own question, the toolbar key one that names what
    // is lost (a single click there must not lose a sequence), the menu not at all.
    enum class DeleteQuestion { None, Button, Toolbar };
    // True when something was deleted.
    bool deleteSequence(const QString &name, DeleteQuestion question);

    // Before the insert dialog: false (with the message) when the sequence is full.
    bool insertAllowed(int stepCount);
    // After the step dialogs closed with OK: write the hand-back values of Module1.
    bool editStep(const QString &name, int row);
    bool insertStep(const QString &name, int row, bool after);
    // Asks, then deletes step `row`.
    bool deleteStep(const QString &name, int row);
    // Copies steps copyFrom1..copyFrom2 (their shown cells) next to Pasteto.
    bool copyPaste(const QString &name, const CopyPasteChoice &choice,
                   const std::vector<SetupRow> &shown);

private:
    // The id of a sequence; nullopt when there is none or the read failed (then shown).
    std::optional<int> sequenceId(const QString &name);
    // True when the sequence was created; otherwise the failure was shown.
    bool created(const QString &name, std::vector<SequenceStep> steps);
    // The new name asked for, as the name rule keeps it; nullopt when cancelled, blank or
    // refused (then said).
    std::optional<QString> typedName();
    bool report(const DbResult &r, const char *what);
    SequenceStep handedBackStep(int stepNo) const;

    const Module1 &m_;
    SequenceRepository &repo_;
    Prompter &prompter_;
};

} // namespace viscora
