#include "device/Exchanges.h"

#include "device/Link.h"

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

Outcome downloadSequence(SerialPort &port, Clock &clock, int commPort, Units units, int rbIndex,
                         const std::vector<DownloadStep> &steps, const ExchangeObserver &observer)
{
    std::vector<ProgramStep> program;
    for (const DownloadStep &s : steps)
        program.push_back(downloadProgramStep(s, units == Units::SI, rbIndex));
    ProgramPacing pacing;
    pacing.afterDownloadByte = [&] {
        report(observer, "Sending Setup Steps ...");
        // A sequence without steps has no first row: it fails like a broken port.
        return !program.empty();
    };
    pacing.step = [&](int i, int n) { progress(observer, i, n); };
    if (Outcome sent = sendProgram(port, clock, commPort, program, pacing); !sent)
        return sent;
    progress(observer, -1, static_cast<int>(program.size()));
    report(observer, "Sending Setups Finished!");
    return Outcome::done();
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

Retrieval retrieveLastResult(SerialPort &port, Clock &clock, int commPort,
                             const ExchangeObserver &observer)
{
    initialCommport(port, commPort);
    if (!port.open())
        return {portFailure(PortFailureWording::Comport, port), false, std::nullopt};
    report(observer, "Retrieving Data From K7400r ...");
    port.setReadLength(0);
    bool written = port.write(std::string(1, cmd::CmdReadHeader));
    const std::string header = written ? readBlock(port, clock) : std::string();
    const std::optional<double> customFactor = customHeaderFactor(header);
    auto failed = [&](Failure f) { return Retrieval{std::move(f), true, customFactor}; };
    written = written && port.write(std::string(1, cmd::CmdReadData));
    const std::string data = written ? readBlock(port, clock) : std::string();
    port.close();
    if (!written)
        return failed(portFailure(PortFailureWording::Comport, port));
    if (data.empty())
        return failed({kNoResponseMessage, kCommunicationErrorTitle, {}});
    auto records = data.back() == cmd::BlockEnd ? parseRetrievalData(data) : std::nullopt;
    if (!records)
        return failed({kCommunicationErrorMessage, kCommunicationErrorTitle, {}});
    if (records->empty())
        return failed({kNothingRetrievedMessage, kCommunicationErrorTitle, {}});
    report(observer, "Retrieving Data Finished Successfully!");
    return {std::move(*records), true, customFactor};
}

} // namespace viscora
