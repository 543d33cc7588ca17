#include "realtime/Acquisition.h"

#include "device/Link.h"
#include "core/Module1.h"
#include "core/Prompter.h"
#include "core/Protocol.h"
#include "core/Units.h"
#include "core/VbFormat.h"

#include <cmath>

namespace viscora {

const char *const kNameFirstMessage =
    "Please first name this test by clicking the 'Save Result As' button.";
const char *const kSendFirstMessage =
    "Please first go to Setup Screen to send the sequence to K7400r before your real time test.";

Acquisition::Acquisition(Module1 &m, SerialPort &port, Clock &clock, TestRepository &repo,
                         Prompter &prompter)
    : m_(m), port_(port), clock_(clock), runClock_(clock), repo_(repo), prompter_(prompter)
{
    chart.Initial_chart(now());
}

void Acquisition::setSteps(const std::vector<SequenceStep> &steps)
{
    std::vector<int> rates;
    for (const auto &s : steps)
        rates.push_back(s.recordRate);
    setRecordRates(rates);
}

void Acquisition::reset()
{
    TestRunning = false;
    TestNamed = false;
}

void Acquisition::setRecordRates(const std::vector<int> &ratesByStep)
{
    RecordRates.fill(0);
    for (size_t r = 0; r < ratesByStep.size() && r + 1 < RecordRates.size(); ++r)
        RecordRates[r + 1] = ratesByStep[r];
}

int Acquisition::recordRate(int step) const
{
    return step >= 0 && step < static_cast<int>(RecordRates.size())
               ? RecordRates[static_cast<size_t>(step)]
               : 0;
}

bool Acquisition::start()
{
    if (TestRunning)
        return true;
    RecordsReceived = 0;
    InBuffer.clear();
    if (!TestNamed) {
        prompter_.message(kNameFirstMessage, "Communication Error");
        return false;
    }
    if (!m_.SequenceSent) {
        prompter_.message(kSendFirstMessage, "Operation Error");
        return false;
    }
    if (!m_.RelatedOk)
        return false;
    RunTestId = m_.NewTestId;
    chart.Initial_chart(now());
    const StartOutcome started =
        startAndAwaitReply(port_, clock_, m_, prompter_, PortFailureWording::Comport, [this] {
            if (onStatus)
                onStatus("Test in progress ...");
        });
    if (started != StartOutcome::Started)
        return false;
    chart.startAt(now());
    TestRunning = true;
    return true;
}

StoredPoint Acquisition::storedPoint(const RecordFields &f) const
{
    StoredPoint p;
    p.stepNo = static_cast<int>(f[0]);
    p.time = f[1];
    p.temperature = f[2];
    p.speed = formula::storedSpeed(f[5] / 100);
    const double stressFactor = m_.CustomRb ? m_.CustomStressFactor : 1.0;
    p.shearStress = f[3] * stressFactor;
    p.gel = f[4] * stressFactor;
    p.rbfactor = m_.CustomRb ? Int(m_.CustomRbFactor * 1000) : f[6];
    return p;
}

void Acquisition::endTest()
{
    port_.close();
    TestRunning = false;
    TestNamed = false;
}

PollResult Acquisition::poll()
{
    PollResult result;
    if (!TestRunning)
        return result;
    if (!readTick(port_, InBuffer)) {
        endTest();
        result.finished = true;
        prompter_.message("Test is finished.", "Message");
        return result;
    }
    std::vector<StoredPoint> rows;
    while (auto record = InBuffer.next()) {
        const RecordFields f = parseDataRecord(*record);
        ++result.records;
        if (isValidRecord(f)) {
            const int step = static_cast<int>(f[0]);
            const int rate = step <= 100 ? recordRate(step) : 0;
            if (rate > 0 && RecordsReceived % rate == 0 && f[6] >= 1 && f[6] < 7)
                rows.push_back(storedPoint(f));
            const LiveValues v = liveValues(f, m_);
            chart.add(now(), v.stress, v.viscosity, v.temperature);
            result.charted = true;
        }
        ++RecordsReceived;
    }
    if (!rows.empty()) {
        // One commit a tick: a crash loses at most this tick's rows.
        const DbResult r = repo_.insertPoints(RunTestId, rows);
        if (!r) {
            result.failed = true;
            port_.write(std::string(1, cmd::CmdStop));
            endTest();
            InBuffer.clear();
            prompter_.message("The test could not be saved and was stopped: " +
                                  r.error.toStdString(),
                              "Database Error");
            return result;
        }
        result.stored = static_cast<int>(rows.size());
        if (onStored)
            for (const auto &p : rows)
                onStored(p);
    }
    return result;
}

void Acquisition::stop()
{
    if (!sendStop(port_, m_)) {
        showPortFailure(prompter_, PortFailureWording::Comport, port_);
        return;
    }
    if (TestRunning) {
        InBuffer.clear();
        port_.setReadLength(0);
        endTest();
    }
}

} // namespace viscora
