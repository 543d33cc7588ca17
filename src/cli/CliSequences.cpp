#include "cli/CliContext.h"

#include "setup/SequenceOperations.h"
#include "setup/SetupGrid.h"
#include "setup/StepDialogLogic.h"
#include "store/TestNaming.h"
#include "core/VbFormat.h"

namespace viscora::cli {

const RotorBob &rotorBobOption(const Args &a, const RotorBob &fallback)
{
    const std::string name = a.option("--rotor-bob");
    if (name.empty())
        return fallback;
    if (const RotorBob *rb = rotorBobByName(name))
        return *rb;
    throw Usage{"--rotor-bob takes one of R1-B1, R2-B1, R3-B1, R1-B2, R1-B5, R1-B4"};
}

// The sequence named by the first argument, with the rotor-bob in force: --rotor-bob, else
// the sequence's own, else R1-B1 (as the setup window shows a code outside the list).
std::optional<SequenceEntry> sequenceWithRotorBob(Context &c, const Args &a, const RotorBob *&rb)
{
    SequenceRepository repo(*c.db);
    const auto found = repo.find(QString::fromStdString(a.positional[0]));
    if (!found) {
        c.failed(found.error());
        return std::nullopt;
    }
    const auto &seq = *found;
    if (!seq) {
        c.fail("Selection Error.", "No sequence is named \"" + a.positional[0] + "\".");
        return std::nullopt;
    }
    rb = &rotorBobOption(a, sequenceRotorBob(seq->rbfactor).rb);
    c.m.setRotorBob(withRotorBob(c.m.rotorBob(), *rb));
    return seq;
}

int cmdSequences(Context &c, const Args &)
{
    const auto all = SequenceRepository(*c.db).sequences();
    if (!all)
        return c.failed(all.error());
    for (const auto &s : *all)
        c.out << s.sequenceId << '\t' << oneLine(s.name) << '\t' << s.rbfactor << '\n';
    return 0;
}

int cmdSteps(Context &c, const Args &a)
{
    const RotorBob *rb = nullptr;
    const auto seq = sequenceWithRotorBob(c, a, rb);
    if (!seq)
        return 1;
    const auto steps = SequenceRepository(*c.db).steps(seq->sequenceId);
    if (!steps)
        return c.failed(steps.error());
    const QStringList headers = setupHeaders(c.m.isSI());
    for (int col = 0; col < headers.size(); ++col)
        c.out << (col ? "\t" : "") << joinedHeader(headers[col]);
    c.out << '\n';
    const auto rows = setupRows(*steps, c.m.isSI(), c.m.RbShearFactor);
    for (const auto &row : rows) {
        for (size_t col = 0; col < row.size(); ++col)
            c.out << (col ? "\t" : "") << row[col].toStdString();
        c.out << '\n';
    }
    return 0;
}

namespace {
std::vector<std::string> stepParts(const std::string &step)
{
    const QStringList parts = QString::fromStdString(step).split(QLatin1Char(','));
    if (parts.size() != 4)
        throw Usage{"a step is TIME,TEMP,SPEED,RATE, not " + step};
    std::vector<std::string> out;
    for (const QString &p : parts)
        out.push_back(p.toStdString());
    return out;
}
} // namespace

// Each field a number; its range is the step dialogs', which say it in their own words.
void checkNewSequence(const Context &c, const Args &a)
{
    const std::string temperatures = c.m.isSI() ? "from -6 to 90 degC" : "from 20 to 200 degF";
    for (size_t i = 1; i < a.positional.size(); ++i) {
        const auto parts = stepParts(a.positional[i]);
        const std::string step = "step " + std::to_string(i) + " ";
        numberArg(step + "TIME", parts[0], "of seconds from 0 to 6300");
        numberArg(step + "TEMP", parts[1], temperatures);
        numberArg(step + "SPEED", parts[2], "from 0 to 600 rpm");
        numberArg(step + "RATE", parts[3], "of seconds from 1 to 6300");
    }
}

int cmdNewSequence(Context &c, const Args &a)
{
    const RotorBob &rb = rotorBobOption(a, *rotorBobByCode(1));
    // As the window's New: a sequence without a name is not made.
    const NewName kept = newName(QString::fromStdString(a.positional[0]), NameOf::Sequence);
    if (kept.failure)
        return c.failed(*kept.failure);
    std::vector<SequenceStep> steps;
    for (size_t i = 1; i < a.positional.size(); ++i) {
        const auto parts = stepParts(a.positional[i]);
        const StepFields fields{
            parts[0], parts[1], parts[2],
            formatMask(formula::shearRateSetup(numberOf(parts[2]), rb.shearFactor), "###.00"),
            parts[3]};
        const AcceptedStep accepted = acceptStepFields(fields, StepDialogKind::Insert, c.m.units());
        if (const auto &error = accepted.error)
            return c.fail(error->title, error->message + " (step " + std::to_string(i) + ")");
        steps.push_back(handedBackStep(accepted.handBack, static_cast<int>(i)));
    }
    SequenceRepository repo(*c.db);
    const QString &name = kept.name;
    const Result<int> id = createNewSequence(repo, name, rb.code, std::move(steps));
    if (!id)
        return c.failed(id.failure());
    c.out << *id << '\t' << name.toStdString() << '\t' << rb.code << '\n';
    return 0;
}

} // namespace viscora::cli
