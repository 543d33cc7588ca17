#pragma once
// The instrument's command bytes and the texts exchanged with it: the download stream and
// the retrieval blocks. Pure functions over bytes; the exchanges that move them live in
// device/.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace viscora {

namespace cmd {
constexpr char CmdStart = 0x05;
constexpr char CmdStop = 0x06;
constexpr char CmdDownload = 0x03;
constexpr char CmdReadHeader = 0x08;
constexpr char CmdReadData = 0x01;
constexpr char RecordEnd = 0x1A;
constexpr char TestEnd = 0x08;
constexpr char BlockEnd = 0x02;
} // namespace cmd

constexpr const char *kLineSettings = "19200,n,8,1";

// One step of a download as the setup grid shows it: temperature in the unit system's
// unit, speed in rpm.
struct DownloadStep {
    int stepNo = 0;
    double time = 0;
    double temperature = 0; // degF in EI, degC in SI
    double speed = 0;
};

// One step of a program as the instrument takes it, in its own units. Every program (a
// sequence download, the calibration check, the direct log's one step) is written from these.
struct ProgramStep {
    int stepNo = 0;
    double seconds = 0;
    double fahrenheit = 0;
    double speedHundredths = 0; // rpm x 100
    int rbCode = 1;
};

// The ten pieces of one step: "01" "," "00600" "," "100" "," "10000" "," "1" "11".
std::vector<std::string> programPieces(const ProgramStep &step);

// A download step in the instrument's units (degF, hundredths of rpm).
ProgramStep downloadProgramStep(const DownloadStep &step, bool si, int rbIndex);

// The retrieval data block's records (at most 101), or nullopt when the block is not
// well formed: no records end exactly at its BlockEnd, or more than 101 records.
// One record of a retrieval block: step, time, temperature, stress, gel, speed, rotor-bob.
using RetrievedRecord = std::array<double, 7>;

constexpr int kMaxRetrievedRecords = 101;
std::optional<std::vector<RetrievedRecord>> parseRetrievalData(std::string_view block);

// A header block that marks a custom rotor-bob: nine characters, then BlockEnd, the first
// four of them the shear-rate factor in thousandths. Returns that factor (e.g. 1702).
std::optional<double> customHeaderFactor(std::string_view header);

} // namespace viscora
