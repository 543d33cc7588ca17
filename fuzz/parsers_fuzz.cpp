// libFuzzer target: everything the instrument can send, and what the simulator reads.
#include "core/DataRecord.h"
#include "core/Module1.h"
#include "core/Protocol.h"
#include "sim/SimInstrument.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    if (auto records = viscora::parseRetrievalData(text))
        if (records->size() > viscora::kMaxRetrievedRecords)
            __builtin_trap();
    viscora::customHeaderFactor(text);

    // What every poll tick does with the bytes it reads: split them into records (in two
    // reads, so that a record can straddle them), check them and compute the live values.
    viscora::RecordSplitter splitter;
    const size_t half = size / 2;
    viscora::Module1 m;
    m.RbShearFactor = 1.0f;
    m.CustomRb = size % 2 == 1;
    m.CustomRbFactor = 1.703;
    m.CustomStressFactor = 1.0;
    for (std::string_view part : {text.substr(0, half), text.substr(half)}) {
        splitter.append(part);
        while (auto record = splitter.next()) {
            const viscora::RecordFields f = viscora::parseDataRecord(*record);
            if (viscora::isValidRecord(f))
                viscora::liveValues(f, m);
        }
        if (splitter.pending().size() > viscora::RecordSplitter::kMaxPending)
            __builtin_trap();
    }
    splitter.holdsOnlyTestEnd();

    viscora::sim::SimInstrument sim;
    sim.receive("\x03", 0);
    sim.receive(text, 0);
    sim.receive("\x05", 1);
    sim.poll(3);
    return 0;
}
