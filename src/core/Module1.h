#pragma once
// The program's global settings. One instance is built at start-up and handed to every
// window and to the CLI; nothing here is persisted, every run starts from these values.

#include "core/Protocol.h"
#include "core/Units.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace viscora {

enum class WindowState { None, Normal, Minimized, Maximized };

// A step as a download sent it, in stored units, with the record rate the real-time test
// stores by.
struct SentStep {
    int stepNo = 0;
    double time = 0, temperature = 0, speed = 0; // s, degF, rpm
    int recordRate = 0;
};

// The sequence a download put into the instrument: what a real-time test then runs, whatever
// the setup window selects afterwards.
struct SentSequence {
    std::string name;
    int rbIndex = 0;
    std::vector<SentStep> steps;
};

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
    // The last download of this run; none before the first.
    std::optional<SentSequence> LastSentSequence;
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
    // The typed values the layers below the windows take.
    Units units() const { return isSI() ? Units::SI : Units::EI; }
    RotorBobSetting rotorBob() const
    {
        return {RbIndex, RbShearFactor, RbFannFactor, CustomRb, CustomRbFactor};
    }
    void setRotorBob(const RotorBobSetting &s)
    {
        RbIndex = s.index;
        RbShearFactor = s.shearFactor;
        RbFannFactor = s.fannFactor;
        CustomRb = s.custom;
        CustomRbFactor = s.customFactor;
    }
};

// True when the whole command line, lower-cased, is exactly "/debug".
bool isDebugCommandLine(const std::string &commandLine);

} // namespace viscora
