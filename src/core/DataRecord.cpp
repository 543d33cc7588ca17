#include "core/DataRecord.h"

#include "core/Protocol.h"
#include "core/Units.h"
#include "core/VbFormat.h"

#include <cmath>
#include <cstdio>

namespace viscora {

RecordFields parseDataRecord(std::string_view record)
{
    RecordFields f{};
    size_t i = 0;
    for (size_t k = 0; k < 7; ++k) {
        double value = 0;
        while (i < record.size() && record[i] >= '0' && record[i] <= '9') {
            if (value < 1e15)
                value = value * 10 + (record[i] - '0');
            ++i;
        }
        ++i;
        f[k] = value;
    }
    return f;
}

bool isValidRecord(const RecordFields &f)
{
    return f[0] >= 1 && f[1] >= 1 && f[2] >= 1 && f[3] < 60001;
}

std::optional<std::string> RecordSplitter::next()
{
    const auto p = buffer_.find(cmd::RecordEnd);
    if (p == std::string::npos) {
        if (buffer_.size() > kMaxPending)
            buffer_.erase(0, buffer_.size() - kMaxPending);
        return std::nullopt;
    }
    std::string record = buffer_.substr(0, p + 1);
    buffer_.erase(0, p + 1);
    return record;
}

bool RecordSplitter::holdsOnlyTestEnd() const
{
    return buffer_.size() == 1 && buffer_[0] == cmd::TestEnd;
}

bool RecordSplitter::endsWithTestEnd() const
{
    return !buffer_.empty() && buffer_.back() == cmd::TestEnd;
}

namespace {
bool digit(char c) { return c >= '0' && c <= '9'; }
} // namespace

std::optional<RecordFields> readRecord(std::string_view record)
{
    if (!record.empty() && record.back() == cmd::RecordEnd)
        record.remove_suffix(1);
    // From the end: seven digit runs, one separator between each.
    std::size_t start = record.size();
    for (int field = 0; field < 7; ++field) {
        if (field > 0) {
            if (start == 0 || digit(record[start - 1]))
                return std::nullopt;
            --start; // its separator
        }
        const std::size_t end = start;
        while (start > 0 && digit(record[start - 1]))
            --start;
        if (start == end)
            return std::nullopt;
    }
    return parseDataRecord(record.substr(start));
}

bool isPhysicalRecord(const RecordFields &f)
{
    return f[1] <= 6300 && f[2] <= 400 && f[3] < 60001 && f[4] < 60001 && f[5] <= 60100;
}

LiveValues liveValues(const RecordFields &f, const RotorBobSetting &rb, double customStressFactor)
{
    const double stressFactor = rb.custom ? customStressFactor : 1.0;
    const double stress = (f[3] + formula::kLiveStressGuard) * stressFactor;
    const double viscosity =
        rb.custom ? formula::viscosityLiveCustom(f[3], f[5], customStressFactor, rb.customFactor)
                  : formula::viscosityLive(f[3], f[5], factorValue(rb.shearFactor));
    return {static_cast<float>(stress), static_cast<float>(viscosity), static_cast<float>(f[2])};
}

std::string elapsedTimeText(long long seconds)
{
    const long long inDay = ((seconds % 86400) + 86400) % 86400;
    char buf[64];
    std::snprintf(buf, sizeof buf, "Elapsed Time: %02lld:%02lld:%s", inDay / 3600, inDay / 60 % 60,
                  formatMask(static_cast<double>(seconds % 60), "00").c_str());
    return buf;
}

std::string clockText(double secondsSinceMidnight)
{
    const long t = static_cast<long>(std::floor(secondsSinceMidnight)) % 86400;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02ld:%02ld:%02ld", t / 3600, t / 60 % 60, t % 60);
    return buf;
}

} // namespace viscora
