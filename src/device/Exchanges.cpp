#include "device/Exchanges.h"

#include "device/Link.h"
#include "core/Module1.h"
#include "core/Prompter.h"

namespace viscora {

namespace {
void report(const ExchangeObserver &o, const std::string &text)
{
    if (o.status)
        o.status(text);
}
void progress(const ExchangeObserver &o, int value, int maximum)
{
    if (o.progress)
        o.progress(value, maximum);
}
} // namespace

bool downloadSequence(SerialPort &port, Clock &clock, Module1 &m,
                      const std::vector<DownloadStep> &steps, Prompter &prompter,
                      const ExchangeObserver &observer)
{
    std::vector<ProgramStep> program;
    for (const DownloadStep &s : steps)
        program.push_back(downloadProgramStep(s, m.isSI(), m.RbIndex));
    ProgramPacing pacing;
    pacing.afterDownloadByte = [&] {
        report(observer, "Sending Setup Steps ...");
        // A sequence without steps has no first row: it fails like a broken port.
        return !program.empty();
    };
    pacing.step = [&](int i, int n) { progress(observer, i, n); };
    if (!sendProgram(port, clock, m, program, prompter, pacing))
        return false;
    progress(observer, -1, static_cast<int>(program.size()));
    report(observer, "Sending Setups Finished!");
    m.SequenceSent = true;
    return true;
}

std::string readBlock(SerialPort &port, Clock &clock)
{
    std::string text;
    int reads = 0;
    do {
        text += port.readAll();
        BusyWait(clock, 0.4f);
    } while (port.bytesWaiting() > 0 && ++reads < kMaxBlockReads && text.size() < kMaxBlockBytes);
    return text;
}

std::optional<std::vector<RetrievedRecord>> retrieveLastResult(SerialPort &port, Clock &clock,
                                                               Module1 &m, Prompter &prompter,
                                                               const ExchangeObserver &observer)
{
    initialCommport(port, m);
    if (!port.open()) {
        showPortFailure(prompter, PortFailureWording::Comport, port);
        return std::nullopt;
    }
    report(observer, "Retrieving Data From K7400r ...");
    port.setReadLength(0);
    bool written = port.write(std::string(1, cmd::CmdReadHeader));
    const std::string header = written ? readBlock(port, clock) : std::string();
    if (const auto factor = customHeaderFactor(header)) {
        m.CustomRb = true;
        m.CustomRbFactor = *factor;
    } else {
        m.CustomRb = false;
    }
    written = written && port.write(std::string(1, cmd::CmdReadData));
    const std::string data = written ? readBlock(port, clock) : std::string();
    port.close();
    if (!written) {
        showPortFailure(prompter, PortFailureWording::Comport, port);
        return std::nullopt;
    }
    if (data.empty()) {
        prompter.message(kNoResponseMessage, kCommunicationErrorTitle);
        return std::nullopt;
    }
    auto records = data.back() == cmd::BlockEnd ? parseRetrievalData(data) : std::nullopt;
    if (!records) {
        prompter.message(kCommunicationErrorMessage, kCommunicationErrorTitle);
        return std::nullopt;
    }
    report(observer, "Retrieving Data Finished Successfully!");
    m.RetrievedRecords = *records;
    m.RetrievedCount = static_cast<int>(records->size());
    return records;
}

} // namespace viscora
