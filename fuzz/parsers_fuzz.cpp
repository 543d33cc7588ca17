// libFuzzer target: everything the instrument can send, and what the simulator reads.
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
    viscora::sim::SimInstrument sim;
    sim.receive("\x03", 0);
    sim.receive(text, 0);
    sim.receive("\x05", 1);
    sim.poll(3);
    return 0;
}
