#pragma once
// What the CLI's commands share: the parsed arguments, the context they run in, and the
// helpers more than one command uses. Internal to viscora-cli.

#include "cli/CliPrompter.h"
#include "store/Database.h"
#include "device/Link.h"
#include "core/Failure.h"
#include "core/Module1.h"
#include "device/PortAssignment.h"
#include "device/PortMap.h"
#include "device/QtSerialPortDevice.h"
#include "device/SerialPortList.h"
#include "store/SequenceRepository.h"
#include "sim/SimulatorProcess.h"
#include "review/TestReview.h"
#include "core/Units.h"

#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace viscora::cli {

struct Usage {
    std::string message;
};

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::vector<std::string>> options;
    std::string option(const std::string &name, size_t i = 0) const
    {
        const auto it = options.find(name);
        return it == options.end() || i >= it->second.size() ? std::string() : it->second[i];
    }
    bool has(const std::string &name) const { return options.count(name) > 0; }
};

struct OptionDef {
    std::string name;
    size_t values = 1;
};

struct Context;
// Starts k7400r-sim when a port is assigned the simulated instrument (CliPorts.cpp).
void startAssignedSimulator(Context &c);

struct Context {
    Module1 m;
    std::unique_ptr<Database> db;
    std::ostream &out;
    std::ostream &err;
    bool errIsTerminal = false; // progress may redraw its line
    CliPrompter prompter;
    PortMap ports;
    CommDevices devices; // what each "Comm n" is assigned in this run
    SimulatorProcess simulator;
    bool simulatorStarted = false;
    const SerialPortList *portList = nullptr;
    SystemClock systemClock;
    std::unique_ptr<SerialPort> ownPort;
    Clock *clock = &systemClock;
    SerialPort *port = nullptr;

    Context(std::ostream &o, std::ostream &e) : out(o), err(e), prompter(e) {}

    Prompter &ask() { return prompter; }
    int fail(const std::string &title, const std::string &message)
    {
        ask().message(message, title);
        return 1;
    }
    // A store failure, whose message is complete.
    int failed(const QString &storeMessage)
    {
        show(ask(), dbFailure(storeMessage));
        return 1;
    }
    int failed(const Failure &failure)
    {
        show(ask(), failure);
        return 1;
    }
    SerialPort &serial()
    {
        if (!port) {
            startAssignedSimulator(*this);
            ownPort = std::make_unique<QtSerialPortDevice>(ports);
            port = ownPort.get();
        }
        return *port;
    }
};

using Command = std::function<int(Context &, const Args &)>;

struct CommandDef {
    size_t minPositional;
    size_t maxPositional;
    std::vector<OptionDef> options;
    Command run;
    // Throws Usage for a wrong argument, before anything is opened or sent.
    std::function<void(const Context &, const Args &)> check = {};
};

// A number given on the command line, read whole: one that is not finite or does not fit is
// a usage error naming it and the range ("--speed 6OO: not a number from 0 to 600 rpm").
double numberArg(const std::string &what, const std::string &text, const std::string &range,
                 bool (*fits)(double) = nullptr);
// The check of a number that may be 0 but not below ("0 or more").
inline bool notNegative(double v) { return v >= 0; }
// The number of an argument its check has read already.
double numberOf(const std::string &text);
// A stored name on one line of output: control characters written as \t, \n, \x1b.
std::string oneLine(const QString &name);

// Set by ^C while a long command runs.
extern volatile std::sig_atomic_t interrupted;
void onInterrupt(int);

// While one lives, ^C sets `interrupted` (cleared at the start) instead of ending the
// program; the previous handler comes back with its end.
class InterruptGuard {
public:
    InterruptGuard() : previous_(std::signal(SIGINT, onInterrupt)) { interrupted = 0; }
    ~InterruptGuard() { std::signal(SIGINT, previous_); }
    InterruptGuard(const InterruptGuard &) = delete;
    InterruptGuard &operator=(const InterruptGuard &) = delete;

private:
    void (*previous_)(int);
};

// Saved tests (CliTests.cpp).
bool requireTest(Context &c, const QString &name);
std::unique_ptr<TestReview> openTest(Context &c, const std::string &name);
std::string joinedHeader(const QString &header);
// The main window's grid as tab-separated text, header line first.
void printGrid(Context &c, const TestGridModel &grid);
int cmdTests(Context &c, const Args &a);
int cmdShow(Context &c, const Args &a);
int cmdDelete(Context &c, const Args &a);
int cmdChart(Context &c, const Args &a);
void checkChart(const Context &c, const Args &a);
int cmdCheck(Context &c, const Args &a);
int cmdExport(Context &c, const Args &a);
int cmdExportMany(Context &c, const Args &a);
int cmdCement(Context &c, const Args &a);
int cmdReport(Context &c, const Args &a);
int cmdRheology(Context &c, const Args &a);

// Tests side by side (CliCompare.cpp).
int cmdCompare(Context &c, const Args &a);

// Notes (CliNotes.cpp).
int cmdNote(Context &c, const Args &a);
void checkNote(const Context &c, const Args &a);
int cmdNotes(Context &c, const Args &a);

// Replaying a stored test on a pseudo-terminal (CliReplay.cpp).
int cmdReplay(Context &c, const Args &a);
void checkReplay(const Context &c, const Args &a);

// Sequences (CliSequences.cpp).
const RotorBob &rotorBobOption(const Args &a, const RotorBob &fallback);
std::optional<SequenceEntry> sequenceWithRotorBob(Context &c, const Args &a, const RotorBob *&rb);
int cmdSequences(Context &c, const Args &a);
int cmdSteps(Context &c, const Args &a);
int cmdNewSequence(Context &c, const Args &a);
void checkNewSequence(const Context &c, const Args &a);

// Copying between databases (CliCopy.cpp).
int cmdCopyDb(Context &c, const Args &a);

// Finding and renaming tests (CliFind.cpp).
int cmdFind(Context &c, const Args &a);
void checkFind(const Context &c, const Args &a);
int cmdRename(Context &c, const Args &a);

// Serial ports (CliPorts.cpp).
int cmdPorts(Context &c, const Args &a);

// The instrument (CliInstrument.cpp).
int cmdStart(Context &c, const Args &a);
int cmdStop(Context &c, const Args &a);
int cmdDownload(Context &c, const Args &a);
int cmdRetrieve(Context &c, const Args &a);
int cmdRun(Context &c, const Args &a);
int cmdLog(Context &c, const Args &a);
void checkRun(const Context &c, const Args &a);
void checkLog(const Context &c, const Args &a);

// Calibration checks and their records (CliCalibration.cpp).
int cmdCalibrate(Context &c, const Args &a);
void checkCalibrate(const Context &c, const Args &a);
int cmdCalibrations(Context &c, const Args &a);
void checkCalibrations(const Context &c, const Args &a);
int cmdCalibration(Context &c, const Args &a);
void checkCalibration(const Context &c, const Args &a);
int cmdFluids(Context &c, const Args &a);
int cmdFluid(Context &c, const Args &a);
void checkFluid(const Context &c, const Args &a);
int cmdInstruments(Context &c, const Args &a);
int cmdInstrument(Context &c, const Args &a);
void checkInstrument(const Context &c, const Args &a);

} // namespace viscora::cli
