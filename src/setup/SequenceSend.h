#pragma once
// Sending a saved sequence to the instrument (the setup window's Send and the CLI), and the
// sequence a real-time test runs: the one last sent.

#include "core/Clock.h"
#include "device/Exchanges.h"
#include "store/SequenceRepository.h"

#include <QString>

#include <vector>

namespace viscora {

struct Module1;
class Prompter;

// Downloads the steps as stored (shown in the unit system in force, as the grid does) with the
// chosen rotor-bob; when the instrument took them, m.LastSentSequence remembers them.
bool sendSequence(SerialPort &port, Clock &clock, Module1 &m, const QString &name,
                  const std::vector<SequenceStep> &steps, Prompter &prompter,
                  const ExchangeObserver &observer = {});

struct RunningSequence {
    QString name;
    std::vector<SequenceStep> steps;
};

// What the real-time window shows and stores by: the sequence last sent in this run, with the
// rotor-bob it was sent with put back into m; before any download, the sequence selected in
// the setup window, read from the database. A failed read is returned, not shown.
DbRead<RunningSequence> runningSequence(Module1 &m, const SequenceRepository &repo);

} // namespace viscora
