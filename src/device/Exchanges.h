#pragma once
// The two exchanges that carry data: the sequence download and the result retrieval.

#include "core/Clock.h"
#include "core/Protocol.h"
#include "device/SerialPort.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace viscora {

struct Module1;
class Prompter;

// What a long exchange reports while it runs: the "Status" panel text and a progress bar.
struct ExchangeObserver {
    std::function<void(const std::string &)> status;
    // value from 1 to maximum; value -1 hides the bar.
    std::function<void(int value, int maximum)> progress;
};

// Writes CmdDownload, ten pieces per step each followed by a 0.1 s pause, then "99", and
// sets SequenceSent. On failure shows the "comport" PortFailure and changes nothing.
bool downloadSequence(SerialPort &port, Clock &clock, Module1 &m,
                      const std::vector<DownloadStep> &steps, Prompter &prompter,
                      const ExchangeObserver &observer = {});

// Reads the header and data blocks of the instrument's last result, checks and parses
// them into m.RetrievedRecords / m.RetrievedCount, and sets CustomRb (and CustomRbFactor,
// in thousandths) from the header. Failures are shown; nullopt then.
std::optional<std::vector<RetrievedRecord>>
retrieveLastResult(SerialPort &port, Clock &clock, Module1 &m, Prompter &prompter,
                   const ExchangeObserver &observer = {});

// Appends everything waiting, waits 0.4 s, and repeats while bytes are waiting. Bounded so
// that a line that never falls quiet cannot hold the program.
std::string readBlock(SerialPort &port, Clock &clock);
constexpr size_t kMaxBlockBytes = 1 << 20;
constexpr int kMaxBlockReads = 150;

} // namespace viscora
