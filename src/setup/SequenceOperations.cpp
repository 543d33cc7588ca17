#include "setup/SequenceOperations.h"

#include "core/Module1.h"
#include "core/NumberText.h"
#include "core/Prompter.h"
#include "core/Units.h"
#include "core/VbFormat.h"
#include "setup/StepDialogLogic.h"

namespace viscora {

namespace {
constexpr const char *kNewNamePrompt = "Please input the new sequence name";
constexpr const char *kNewNameTitle = "New Squence Name";
constexpr const char *kDuplicateMessage = "Duplicated test name, please input again.";
constexpr const char *kDuplicateTitle = "New Sequence Naming Error";
constexpr const char *kNothingSelected = "Please select a test sequence first.";
constexpr const char *kSelectionTitle = "Selection Error.";

const SequenceStep kDefaultStep{1, 600, 100, 100, 10};
} // namespace

Result<int> createNewSequence(SequenceRepository &repo, const QString &name, int rbCode,
                              std::vector<SequenceStep> steps)
{
    const auto exists = repo.existsIgnoringCase(name);
    if (!exists)
        return exists.failure();
    if (*exists)
        return Failure{kDuplicateMessage, kDuplicateTitle, {}};
    if (steps.empty())
        steps.push_back(kDefaultStep);
    int id = 0;
    if (const DbResult r = repo.createSequence(name, rbCode, steps, id); !r)
        return dbFailure("The sequence could not be saved: " + r.error);
    return id;
}

bool SequenceOperations::created(const QString &name, std::vector<SequenceStep> steps)
{
    const Result<int> id = createNewSequence(repo_, name, m_.RbIndex, std::move(steps));
    if (!id)
        show(prompter_, id.failure());
    return id.ok();
}

std::optional<int> SequenceOperations::sequenceId(const QString &name)
{
    const auto s = repo_.find(name);
    if (!s)
        show(prompter_, s.failure());
    else if (*s)
        return (*s)->sequenceId;
    return std::nullopt;
}

bool SequenceOperations::report(const DbResult &r, const char *what)
{
    if (!r)
        prompter_.message(std::string(what) + " could not be saved: " + r.error.toStdString(),
                          kDatabaseErrorTitle);
    return r.ok;
}

SequenceStep SequenceOperations::handedBackStep(int stepNo) const
{
    return viscora::handedBackStep(
        {m_.StepTimeText, m_.StepTempText, m_.StepSpeedText, m_.StepRecordRateText}, stepNo);
}

std::optional<QString> SequenceOperations::typedName()
{
    const NewName typed =
        newName(QString::fromStdString(prompter_.input(kNewNamePrompt, kNewNameTitle).value_or("")),
                NameOf::Sequence);
    // A blank name is taken as Cancel, as an empty one always was.
    if (typed.name.isEmpty())
        return std::nullopt;
    if (typed.failure) {
        show(prompter_, *typed.failure);
        return std::nullopt;
    }
    return typed.name;
}

std::optional<QString> SequenceOperations::newSequence()
{
    const auto typed = typedName();
    if (!typed || !created(*typed, {}))
        return std::nullopt;
    return typed;
}

std::optional<QString> SequenceOperations::saveAs(const QString &selected)
{
    const auto found = repo_.find(selected);
    if (!found) {
        show(prompter_, found.failure());
        return std::nullopt;
    }
    const auto &source = *found;
    if (selected.isEmpty() || !source) {
        prompter_.message(kNothingSelected, kSelectionTitle);
        return std::nullopt;
    }
    const auto typed = typedName();
    if (!typed)
        return std::nullopt;
    const QString &name = *typed;
    const auto target = prompter_.input(
        "Please input the new temperature target (°F). Please leave it blank if no change.",
        "New Temperature Target");
    const std::string targetText = target.value_or("");
    const double v = parseNumber(targetText).value_or(0);
    if (!targetText.empty() && (v <= 20 || v >= 210)) {
        prompter_.message("Invalid input of new temperature target. Copy action canceled.");
        return std::nullopt;
    }
    auto read = repo_.steps(source->sequenceId);
    if (!read) {
        show(prompter_, read.failure());
        return std::nullopt;
    }
    std::vector<SequenceStep> steps = std::move(*read);
    if (!targetText.empty())
        for (auto &s : steps)
            s.temperature = v;
    if (!created(name, std::move(steps)))
        return std::nullopt;
    return name;
}

std::string deleteSequenceQuestion(const QString &name, std::size_t steps)
{
    return "Delete sequence \"" + name.toStdString() + "\" and its " + std::to_string(steps) +
           (steps == 1 ? " step" : " steps") + "? This cannot be undone.";
}

bool SequenceOperations::deleteSequence(const QString &name, DeleteQuestion question)
{
    const auto found = repo_.find(name);
    if (!found) {
        show(prompter_, found.failure());
        return false;
    }
    if (name.isEmpty() || !*found) {
        prompter_.message(kNothingSelected, kSelectionTitle);
        return false;
    }
    if (question == DeleteQuestion::Button &&
        prompter_.message("Do you reall want to delete test name " + name.toStdString() + " ?",
                          "Delete Confirmation.", Buttons::OkCancel) != Answer::Ok)
        return false;
    if (question == DeleteQuestion::Toolbar) {
        const auto steps = repo_.steps((*found)->sequenceId);
        if (!steps) {
            show(prompter_, steps.failure());
            return false;
        }
        if (prompter_.message(deleteSequenceQuestion(name, steps->size()), "Delete Confirmation.",
                              Buttons::YesNoDefaultNo, Icon::Exclamation) != Answer::Yes)
            return false;
    }
    const DbResult r = repo_.deleteSequence(name);
    if (!r)
        prompter_.message("The sequence could not be deleted: " + r.error.toStdString(),
                          kDatabaseErrorTitle);
    return r.ok;
}

bool SequenceOperations::insertAllowed(int stepCount)
{
    if (stepCount + 1 >= 99) {
        prompter_.message("Operation not allowed.  Maximum step is 98.", "Too Many Test Steps.");
        return false;
    }
    return true;
}

bool SequenceOperations::editStep(const QString &name, int row)
{
    if (m_.StepDialogCancelled)
        return false;
    const auto id = sequenceId(name);
    if (!id)
        return false;
    return report(repo_.updateStep(*id, handedBackStep(row)), "The step");
}

bool SequenceOperations::insertStep(const QString &name, int row, bool after)
{
    if (m_.StepDialogCancelled)
        return false;
    const auto id = sequenceId(name);
    if (!id)
        return false;
    const int k = after ? row + 1 : row;
    const int stepNo = row != 0 ? k : 1;
    return report(repo_.insertSteps(*id, stepNo, {handedBackStep(stepNo)}), "The step");
}

bool SequenceOperations::deleteStep(const QString &name, int row)
{
    if (prompter_.message("Do you reall want to delete step No. " + std::to_string(row) + " ?",
                          "Delete Confirmation.", Buttons::OkCancel) != Answer::Ok)
        return false;
    const auto id = sequenceId(name);
    if (!id || row < 1)
        return false;
    const DbResult r = repo_.deleteStep(*id, row);
    if (!r)
        prompter_.message("The step could not be deleted: " + r.error.toStdString(),
                          kDatabaseErrorTitle);
    return r.ok;
}

bool SequenceOperations::copyPaste(const QString &name, const CopyPasteChoice &c,
                                   const std::vector<SetupRow> &shown)
{
    if (c.copyFrom1 == 0)
        return false;
    const int k = c.copyFrom2 - c.copyFrom1 + 1;
    const int n = static_cast<int>(shown.size());
    if (n + k > kMaxSteps) {
        prompter_.message("Setup steps can not be larger than 98 steps!", "Step No input invalid");
        return false;
    }
    const auto id = sequenceId(name);
    if (!id || c.copyFrom1 < 1 || c.copyFrom2 > n || k < 1)
        return false;
    // The block is read from the shown cells before anything moves.
    std::vector<SequenceStep> block;
    for (int i = 0; i < k; ++i) {
        const SetupRow &row = shown[static_cast<size_t>(c.copyFrom1 - 1 + i)];
        block.push_back(viscora::handedBackStep({row[1].toStdString(),
                                                 fahrenheitText(row[2].toStdString(), m_.units()),
                                                 row[3].toStdString(), row[5].toStdString()},
                                                0));
    }
    const int s = c.pasteBeforeAfter == 0 ? c.Pasteto + 1 : c.Pasteto;
    return report(repo_.insertSteps(*id, s, block), "The copied steps");
}

} // namespace viscora
