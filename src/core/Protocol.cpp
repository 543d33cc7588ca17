#include "core/Protocol.h"

#include "core/Units.h"
#include "core/VbFormat.h"

namespace viscora {

std::vector<std::string> programPieces(const ProgramStep &step)
{
    return {formatMask(step.stepNo, "00"),      ",", formatMask(step.seconds, "00000"),         ",",
            formatMask(step.fahrenheit, "000"), ",", formatMask(step.speedHundredths, "00000"), ",",
            formatMask(step.rbCode, "0"),       "11"};
}

ProgramStep downloadProgramStep(const DownloadStep &step, bool si, int rbIndex)
{
    return {step.stepNo, step.time,
            si ? formula::celsiusToFahrenheit(step.temperature) : step.temperature,
            step.speed * 100, rbIndex};
}

std::optional<std::vector<RetrievedRecord>> parseRetrievalData(std::string_view block)
{
    std::vector<RetrievedRecord> records;
    size_t p = 0;
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    while (p < block.size() && block[p] != cmd::BlockEnd) {
        if (static_cast<int>(records.size()) >= kMaxRetrievedRecords)
            return std::nullopt;
        RetrievedRecord r{};
        for (int k = 0; k < 7; ++k) {
            double value = 0;
            while (p < block.size() && isDigit(block[p])) {
                if (value < 1e15) // more digits than any field can mean; keep it bounded
                    value = value * 10 + (block[p] - '0');
                ++p;
            }
            if (p >= block.size()) // the end marker was used up as a separator
                return std::nullopt;
            ++p;
            r[static_cast<size_t>(k)] = value;
        }
        records.push_back(r);
    }
    // The records must end at a BlockEnd of their own, not one used up as a separator.
    if (p >= block.size())
        return std::nullopt;
    for (auto &r : records)
        r[5] /= 100;
    return records;
}

std::optional<double> customHeaderFactor(std::string_view header)
{
    const auto pos = header.find(cmd::BlockEnd);
    if (pos != 9)
        return std::nullopt;
    double v = 0;
    for (size_t i = 0; i < 4; ++i) {
        const char c = header[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v <= 7)
        return std::nullopt;
    return v;
}

} // namespace viscora
