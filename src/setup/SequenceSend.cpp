#include "setup/SequenceSend.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/Units.h"
#include "setup/SetupGrid.h"

namespace viscora {

std::optional<SentSequence> sendSequence(SerialPort &port, Clock &clock, const Module1 &m,
                                         const QString &name,
                                         const std::vector<SequenceStep> &steps, Prompter &prompter,
                                         const ExchangeObserver &observer)
{
    const Outcome downloaded = downloadSequence(port, clock, m.CommPort, m.units(), m.RbIndex,
                                                downloadSteps(steps, m.isSI()), observer);
    if (!downloaded) {
        show(prompter, downloaded.failure());
        return std::nullopt;
    }
    return SentSequence{name.toStdString(), m.RbIndex, steps};
}

DbRead<RunningSequence> runningSequence(const Module1 &m, const SequenceRepository &repo)
{
    if (const auto &sent = m.LastSentSequence) {
        RunningSequence r{QString::fromStdString(sent->name), sent->steps, {}};
        if (sent->rbIndex != m.RbIndex)
            if (const RotorBob *rb = rotorBobByCode(sent->rbIndex))
                r.sentRotorBob = *rb;
        return r;
    }
    RunningSequence r{QString::fromStdString(m.CurrentSequenceName), {}, {}};
    const auto read = repo.stepsOf(r.name);
    if (!read)
        return DbRead<RunningSequence>::failure(read);
    if (*read)
        r.steps = std::move(**read);
    return r;
}

} // namespace viscora
