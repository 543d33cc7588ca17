#pragma once
// The two exchanges that carry data: the sequence download and the result retrieval.

#include "core/Clock.h"
#include "core/Failure.h"
#include "core/Protocol.h"
#include "core/Units.h"
#include "device/SerialPort.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace viscora {

// What a long exchange reports while it runs: the "Status" panel text and a progress bar.
struct ExchangeObserver {
    std::function<void(const std::string &)> status;
    // value from 1 to maximum; value -1 hides the bar.
    std::function<void(int value, int maximum)> progress;
};

// Writes CmdDownload, ten pieces per step (temperatures read in the given units, the rotor-bob
// code in each) each followed by a 0.1 s pause, then "99", on port "Comm n". Fails with the
// "comport" PortFailure.
Outcome downloadSequence(SerialPort &port, Clock &clock, int commPort, Units units, int rbIndex,
                         const std::vector<DownloadStep> &steps,
                         const ExchangeObserver &observer = {});

// The instrument's last result as read: its records or why there are none, and what its
// header said of the rotor-bob. The header is asked for once the port opens, so it counts
// also when the data then fails.
struct Retrieval {
    Result<std::vector<RetrievedRecord>> records;
    bool headerAsked = false;
    // The custom shear-rate factor (thousandths) the header named; none for a listed rotor-bob.
    std::optional<double> customFactor;

    // The records read, or none when the retrieval failed.
    const std::vector<RetrievedRecord> *read() const { return records ? &*records : nullptr; }
};

// Reads the header and data blocks of the instrument's last result and checks and parses
// them.
Retrieval retrieveLastResult(SerialPort &port, Clock &clock, int commPort,
                             const ExchangeObserver &observer = {});

// Appends everything waiting, waits 0.4 s, and repeats while bytes are waiting. Bounded so
// that a line that never falls quiet cannot hold the program.
std::string readBlock(SerialPort &port, Clock &clock);
constexpr size_t kMaxBlockBytes = 1 << 20;
constexpr int kMaxBlockReads = 150;

} // namespace viscora
