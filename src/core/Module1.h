#pragma once
// The program's global settings. One instance is built at start-up and handed to every
// window and to the CLI; nothing here is persisted, every run starts from these values.

#include "core/Protocol.h"
#include "core/SequenceStep.h"
#include "core/Units.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace viscora {

enum class WindowState { None, Normal, Minimized, Maximized };

// The sequence a download put into the instrument: what a real-time test then runs, whatever
// the setup window selects afterwards.
struct SentSequence {
    std::string name;
    int rbIndex = 0;
    std::vector<SequenceStep> steps;
};

// What showing a test hands back to the session: the rotor-bob its rows were read with, that
// a test is shown, that a change of units was taken in.
struct ReviewChanges {
    std::optional<RotorBobSetting> rotorBob;
    bool testShown = false;
    bool unitChangeApplied = false;
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
    void keep(const ReviewChanges &c)
    {
        if (c.rotorBob)
            setRotorBob(*c.rotorBob);
        if (c.testShown)
            NoTestShown = false;
        if (c.unitChangeApplied)
            UnitChanged = false;
    }
    // The real-time test named for the next run, with a special rotor-bob's factors if any.
    void nameRun(std::int32_t id, std::optional<CustomFactors> custom)
    {
        NewTestId = id;
        CustomRb = custom.has_value();
        if (custom) {
            CustomStressFactor = custom->stress;
            CustomRbFactor = custom->rate;
        }
    }
    // What a retrieval read, where the main window and the naming read it: the header's
    // rotor-bob once it was asked for (its factor given in thousandths), the records when
    // there are any.
    void keepRetrieval(bool headerAsked, std::optional<double> customFactorThousandths,
                       const std::vector<RetrievedRecord> *records)
    {
        if (headerAsked) {
            CustomRb = customFactorThousandths.has_value();
            if (customFactorThousandths)
                CustomRbFactor = *customFactorThousandths / 1000.0;
        }
        if (!records)
            return;
        RetrievedRecords = *records;
        RetrievedCount = static_cast<int>(records->size());
    }
    // A retrieved test now stored: it is the opened test, with the rotor-bob of its last record.
    void showRetrievedTest(std::string name, std::int32_t id)
    {
        CurrentTestName = std::move(name);
        NewTestId = id;
        NoTestShown = false;
        if (RetrievedCount > 0 && RetrievedCount <= static_cast<int>(RetrievedRecords.size()))
            RbIndex = static_cast<std::int16_t>(
                RetrievedRecords[static_cast<std::size_t>(RetrievedCount - 1)][6]);
    }
    // A download the instrument took: what a real-time test then runs.
    void keepSent(SentSequence sent)
    {
        SequenceSent = true;
        LastSentSequence = std::move(sent);
    }
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
