#pragma once
// The instrument's streamed DataRecord: seven digit fields, one separator each, ended by
// RecordEnd. Splitting a byte stream into records and reading their fields.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace viscora {

// Step, seconds in step, degF, stress dyn/cm2, gel dyn/cm2, speed in 1/100 rpm, rotor-bob.
using RecordFields = std::array<double, 7>;

// Fields of one record (its text up to and including RecordEnd). A field that starts on a
// non-digit is 0; anything after field 7 is ignored.
RecordFields parseDataRecord(std::string_view record);

// Field 1, 2 and 3 at least 1 and field 4 below 60001.
bool isValidRecord(const RecordFields &f);

// A recorded record's fields when it is well formed: seven runs of digits with one separator
// between each, up to its RecordEnd. Line noise before a record spoils nothing but itself: a
// text that is not one record is read from its last seven fields, so a run of garbage ends at
// the record's own start. nullopt when there are no such fields.
std::optional<RecordFields> readRecord(std::string_view record);

// Within what the instrument can measure: at most 6300 s into a step, at most 400 degF,
// stress and gel below 60001 dyn/cm2, at most 601 rpm.
bool isPhysicalRecord(const RecordFields &f);

// Collects received text and hands out whole records; a record split across reads waits
// for its RecordEnd.
class RecordSplitter {
public:
    void append(std::string_view bytes) { buffer_.append(bytes); }
    // The next whole record, RecordEnd included.
    std::optional<std::string> next();
    const std::string &pending() const { return buffer_; }
    // The instrument's end of test: TestEnd alone, with nothing after it.
    bool holdsOnlyTestEnd() const;
    // TestEnd last, with nothing after it (whatever noise came before it).
    bool endsWithTestEnd() const;
    void clear() { buffer_.clear(); }
    // Without a RecordEnd, text cannot grow past this; the oldest is dropped.
    static constexpr size_t kMaxPending = 64 * 1024;

private:
    std::string buffer_;
};

struct RotorBobSetting;

// What the live charts plot for a record: stress and viscosity (with the custom factors
// for a custom rotor-bob, its stresses times `customStressFactor`) and temperature, in single
// precision.
struct LiveValues {
    float stress, viscosity, temperature;
};
LiveValues liveValues(const RecordFields &f, const RotorBobSetting &rb, double customStressFactor);

// "Elapsed Time: hh:mm:ss" of a count of seconds (wraps after a day).
std::string elapsedTimeText(long long seconds);
// "hh:mm:ss" of the instrument's clock, seconds since midnight (wraps after a day).
std::string clockText(double secondsSinceMidnight);

} // namespace viscora
