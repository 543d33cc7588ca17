#pragma once
// Sending a saved sequence to the instrument (the setup window's Send and the CLI), and the
// sequence a real-time test runs: the one last sent.

#include "core/Clock.h"
#include "core/Module1.h"
#include "core/Units.h"
#include "device/Exchanges.h"
#include "store/SequenceRepository.h"

#include <QString>

#include <vector>

namespace viscora {

class Prompter;

// Downloads the steps as stored (shown in the unit system in force, as the grid does) with the
// chosen rotor-bob; what the instrument took, for Module1::keepSent, or nothing when the
// download failed (then shown).
std::optional<SentSequence> sendSequence(SerialPort &port, Clock &clock, const Module1 &m,
                                         const QString &name,
                                         const std::vector<SequenceStep> &steps, Prompter &prompter,
                                         const ExchangeObserver &observer = {});

struct RunningSequence {
    QString name;
    std::vector<SequenceStep> steps;
    // The rotor-bob the instrument got, when it is not the one chosen now: the shear rates
    // shown and the live viscosity follow it.
    std::optional<RotorBob> sentRotorBob;
};

// What the real-time window shows and stores by: the sequence last sent in this run; before
// any download, the sequence selected in the setup window, read from the database. A failed
// read is returned, not shown.
DbRead<RunningSequence> runningSequence(const Module1 &m, const SequenceRepository &repo);

} // namespace viscora
