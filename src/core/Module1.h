#pragma once
// The program's global settings. One instance is built at start-up and handed to every
// window and to the CLI; nothing here is persisted, every run starts from these values.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace viscora {

enum class WindowState { None, Normal, Minimized, Maximized };

// One record of a retrieval block: step, time, temperature, stress, gel, speed, rotor-bob.
using RetrievedRecord = std::array<double, 7>;

struct Module1 {
    std::int32_t UnitSystem = 1; // 1 = EI, 2 = SI
    std::int16_t CommPort = 1;   // 1..12
    std::int16_t RbIndex = 0;
    float RbShearFactor = 0.0f;
    float RbFannFactor = 0.0f;
    bool CustomRb = false;
    double CustomRbFactor = 0.0;
    std::string CurrentTestName;
    std::string OverlapTestName;
    bool SequenceSent = false;
    bool UnitChanged = false;
    bool NoTestShown = true;
    bool DebugMode = false;
    bool RelatedOk = false;
    WindowState SavedWindowState = WindowState::None;
    std::string CurrentSequenceName;
    std::int32_t NewTestId = 0; // 32-bit: a lab's 32,768th test must not wrap
    double CustomStressFactor = 0.0;
    std::vector<RetrievedRecord> RetrievedRecords; // at most 101
    int RetrievedCount = 0;
    std::string StepTimeText;
    std::string StepTempText;
    std::string StepSpeedText;
    std::string StepRecordRateText;
    bool StepDialogCancelled = false;
    bool InsertAfter = false;

    bool isSI() const { return UnitSystem == 2; }
};

// True when the whole command line, lower-cased, is exactly "/debug".
bool isDebugCommandLine(const std::string &commandLine);

} // namespace viscora
