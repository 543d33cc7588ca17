#include "setup/SequenceSend.h"

#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/Units.h"
#include "setup/SetupGrid.h"

namespace viscora {

bool sendSequence(SerialPort &port, Clock &clock, Module1 &m, const QString &name,
                  const std::vector<SequenceStep> &steps, Prompter &prompter,
                  const ExchangeObserver &observer)
{
    const Outcome downloaded =
        downloadSequence(port, clock, m.CommPort, m.isSI() ? Units::SI : Units::EI, m.RbIndex,
                         downloadSteps(steps, m.isSI()), observer);
    if (!downloaded) {
        show(prompter, downloaded.failure());
        return false;
    }
    m.SequenceSent = true;
    SentSequence sent{name.toStdString(), m.RbIndex, {}};
    for (const SequenceStep &s : steps)
        sent.steps.push_back({s.stepNo, s.time, s.temperature, s.speed, s.recordRate});
    m.LastSentSequence = std::move(sent);
    return true;
}

DbRead<RunningSequence> runningSequence(Module1 &m, const SequenceRepository &repo)
{
    if (const auto &sent = m.LastSentSequence) {
        RunningSequence r{QString::fromStdString(sent->name), {}};
        for (const SentStep &s : sent->steps)
            r.steps.push_back({s.stepNo, s.time, s.temperature, s.speed, s.recordRate});
        // The shear rates shown and the live viscosity follow the rotor-bob the instrument got.
        if (sent->rbIndex != m.RbIndex)
            if (const RotorBob *rb = rotorBobByCode(sent->rbIndex))
                m.setRotorBob(withRotorBob(m.rotorBob(), *rb));
        return r;
    }
    RunningSequence r{QString::fromStdString(m.CurrentSequenceName), {}};
    const auto read = repo.stepsOf(r.name);
    if (!read)
        return DbRead<RunningSequence>::failure(read);
    if (*read)
        r.steps = std::move(**read);
    return r;
}

} // namespace viscora
