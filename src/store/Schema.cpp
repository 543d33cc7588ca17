#include "store/Schema.h"

#include <QStringList>

#include <array>

namespace viscora::schema {

namespace {
using enum Type;

constexpr Column kRelatedInfo[] = {{"TestId", Integer},   {"TestName", Text},
                                   {"MudId", Text},       {"SampleTime", Text},
                                   {"CompanyName", Text}, {"Desc", Text, true}};
constexpr Column kTestResult[] = {{"TestId", Integer},   {"StepNo", Integer}, {"Time", Real},
                                  {"Temperature", Real}, {"Speed", Real},     {"Shearstress", Real},
                                  {"Gel", Real},         {"Rbfactor", Real}};
constexpr Column kSequenceName[] = {
    {"SequenceId", Integer}, {"SequenceName", Text}, {"Rbfactor", Integer}};
constexpr Column kSequenceSetup[] = {{"SequenceId", Integer}, {"StepNo", Integer},
                                     {"Time", Real},          {"Temperature", Real},
                                     {"Speed", Real},         {"RecordRate", Integer}};
constexpr Column kTestEvents[] = {
    {"TestId", Integer}, {"Time", Real}, {"Kind", Text}, {"Text", Text}};
constexpr Column kRecordings[] = {
    {"TestName", Text}, {"Host", Text}, {"Pid", Integer}, {"Heartbeat", Real}};
// Calibration records are appended, never changed: a later record of the same instrument or
// fluid, or a check naming the one it replaces, is the correction.
constexpr Column kInstruments[] = {{"RecordId", Integer},     {"InstrumentId", Integer},
                                   {"Replaces", Integer},     {"SerialNo", Text},
                                   {"Model", Text},           {"Location", Text},
                                   {"IntervalDays", Integer}, {"Recorded", Text}};
constexpr Column kInstrumentPorts[] = {{"RecordId", Integer},
                                       {"Host", Text},
                                       {"CommPort", Integer},
                                       {"InstrumentId", Integer},
                                       {"Recorded", Text}};
constexpr Column kCalibrationFluids[] = {{"RecordId", Integer},
                                         {"FluidId", Integer},
                                         {"Replaces", Integer},
                                         {"Name", Text},
                                         {"Lot", Text},
                                         {"Expiry", Text},
                                         {"PercentTolerance", Real},
                                         {"FloorTolerance", Real},
                                         {"Removed", Integer},
                                         {"Recorded", Text}};
constexpr Column kFluidCertificates[] = {
    {"RecordId", Integer}, {"Temperature", Real}, {"Viscosity", Real}};
constexpr Column kCalibrationChecks[] = {
    {"CheckId", Integer},     {"Replaces", Integer}, {"InstrumentId", Integer},
    {"Operator", Text},       {"Started", Text},     {"FluidRecordId", Integer},
    {"FluidName", Text},      {"Lot", Text},         {"Expiry", Text},
    {"Temperature", Real},    {"Viscosity", Real},   {"PercentTolerance", Real},
    {"FloorTolerance", Real}, {"Outcome", Text},     {"Note", Text}};
constexpr Column kCalibrationReadings[] = {
    {"CheckId", Integer}, {"RowNo", Integer},     {"Expected", Real}, {"Measured", Real},
    {"Error", Real},      {"PercentError", Real}, {"Pass", Integer}};
// What is known of a test, appended and never edited: each record names the revision it
// replaces. Times are UTC seconds since the epoch.
constexpr Column kTestRecords[] = {
    {"TestId", Integer},      {"Revision", Integer},  {"Replaces", Integer},  {"Kind", Text},
    {"Written", Real},        {"StartedAt", Real},    {"EndedAt", Real},      {"Points", Integer},
    {"Instrument", Text},     {"OperatorName", Text}, {"SequenceName", Text}, {"Steps", Text},
    {"ProgramVersion", Text}, {"Note", Text}};

QString list(const Table &t, int from, const char *each)
{
    QStringList out;
    for (const Column &c : t.columns.subspan(static_cast<std::size_t>(from)))
        out << sqlName(c) + QLatin1String(each);
    return out.join(QStringLiteral(", "));
}
} // namespace

const Table RelatedInfo{"RelatedInfo", kRelatedInfo};
const Table TestResult{"TestResult", kTestResult};
const Table SequenceName{"SequenceName", kSequenceName};
const Table SequenceSetup{"SequenceSetup", kSequenceSetup};
const Table TestEvents{"TestEvents", kTestEvents};
const Table Recordings{"Recordings", kRecordings};
const Table Instruments{"Instruments", kInstruments};
const Table InstrumentPorts{"InstrumentPorts", kInstrumentPorts};
const Table CalibrationFluids{"CalibrationFluids", kCalibrationFluids};
const Table FluidCertificates{"FluidCertificates", kFluidCertificates};
const Table CalibrationChecks{"CalibrationChecks", kCalibrationChecks};
const Table CalibrationReadings{"CalibrationReadings", kCalibrationReadings};
const Table TestRecords{"TestRecords", kTestRecords};

std::span<const Table *const> tables()
{
    static const std::array<const Table *, 13> all{
        &RelatedInfo,       &TestResult,        &SequenceName,      &SequenceSetup,
        &TestEvents,        &Recordings,        &Instruments,       &InstrumentPorts,
        &CalibrationFluids, &FluidCertificates, &CalibrationChecks, &CalibrationReadings,
        &TestRecords};
    return all;
}

std::span<const Table *const> testTables() { return tables().first(4); }

std::span<const Index> indexes()
{
    static constexpr Index all[] = {
        {"TestResultByTest", "CREATE INDEX TestResultByTest ON TestResult (TestId, StepNo, Time)"},
        {"RelatedInfoByName", "CREATE INDEX RelatedInfoByName ON RelatedInfo (TestName)"},
        {"RelatedInfoById", "CREATE INDEX RelatedInfoById ON RelatedInfo (TestId)"},
        {"SequenceSetupBySequence",
         "CREATE INDEX SequenceSetupBySequence ON SequenceSetup (SequenceId, StepNo)"},
        {"TestEventsByTest", "CREATE INDEX TestEventsByTest ON TestEvents (TestId, Time)"},
        {"TestRecordsByTest", "CREATE INDEX TestRecordsByTest ON TestRecords (TestId, Revision)"},
    };
    return all;
}

std::string firstOfName(const char *nameColumn, const char *idColumn)
{
    return std::string(nameColumn) + "=? ORDER BY " + idColumn + ", $ROWID LIMIT 1";
}

std::string testOfName()
{
    return "(SELECT TestId FROM RelatedInfo WHERE " + firstOfName("TestName", "TestId") + ")";
}

QString sqlName(const Column &c)
{
    const QString name = QString::fromLatin1(c.name);
    return c.keyword ? QLatin1Char('"') + name + QLatin1Char('"') : name;
}

QString columns(const Table &t, int from) { return list(t, from, ""); }

QString assignments(const Table &t, int from) { return list(t, from, "=?"); }

QString select(const Table &t, int from)
{
    return QStringLiteral("SELECT %1 FROM %2").arg(columns(t, from), QLatin1String(t.name));
}

QString insertHead(const Table &t)
{
    return QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(QLatin1String(t.name), columns(t));
}

QString insert(const Table &t)
{
    return insertHead(t) + QLatin1Char('(') +
           QStringLiteral("?, ").repeated(static_cast<qsizetype>(t.columns.size()) - 1) +
           QStringLiteral("?)");
}

} // namespace viscora::schema
