#pragma once
// The lab's calibration records: its instruments (and which Comm port each is on), its
// certified fluids, and every calibration check. Nothing here is changed or deleted once
// written: a correction of an instrument or fluid is a later record of it, naming the record
// it replaces, and a corrected check is a new check naming the one it replaces.

#include "core/CalibrationMath.h"
#include "store/Database.h"

#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace viscora {

struct Instrument {
    int instrumentId = 0; // the same through its corrections
    int recordId = 0;
    QString serialNo, model, location;
    int intervalDays = calibration::kDefaultIntervalDays;
    QString recorded; // when this record was written, UTC, ISO 8601
};

struct CalibrationFluid {
    int fluidId = 0; // the same through its corrections
    int recordId = 0;
    QString name, lot;
    QString expiry; // yyyy-MM-dd
    calibration::Tolerance tolerance;
    std::vector<calibration::CertificatePoint> certificate; // by temperature
    QString recorded;
};

struct CheckReading {
    int row = 0; // 0 to 4: 3, 6, 10, 100, 800 dyn/cm2
    double expected = 0;
    std::optional<double> measured; // none when the step gave no reading
    double error = 0, percentError = 0;
    bool pass = false;
};

struct CalibrationRecord {
    int checkId = 0;
    std::optional<int> replaces;
    std::optional<int> replacedBy; // read back, never written
    std::optional<int> instrumentId;
    QString operatorName;
    QString started;                  // UTC, ISO 8601 ("2026-12-10T20:37:20Z")
    std::optional<int> fluidRecordId; // none when the viscosity was typed
    QString fluidName, lot, expiry;
    std::optional<double> temperatureF;
    double viscosityCp = 0;
    calibration::Tolerance tolerance;
    QString outcome; // kPassed, kFailed or kStopped
    QString note;
    std::vector<CheckReading> readings; // the reference stresses the check reached

    static constexpr const char *kPassed = "passed";
    static constexpr const char *kFailed = "failed";
    static constexpr const char *kStopped = "stopped";
};

// Now, as the records write it.
QString recordTime();

// "Passed", "FAILED", "Stopped": a check's outcome as the history and certificate show it.
QString verdictText(const QString &outcome);

// When an instrument's next check is due: its interval after the local day of its latest
// passed check that no later record replaces.
struct InstrumentDue {
    std::optional<calibration::Date> lastPassed, due;
    calibration::DueStatus status;
};
// "due 2027-01-09 (in 30 days)", "due today", "OVERDUE since 2026-11-30 (10 days)", "never
// checked".
QString dueText(const InstrumentDue &due);

// The local calendar day of a record's UTC time.
std::optional<calibration::Date> localDay(const QString &utc);
calibration::Date today();

class InstrumentRepository {
public:
    explicit InstrumentRepository(Database &db) : db_(db) {}

    // The latest record of each instrument, by id.
    DbRead<std::vector<Instrument>> instruments() const;
    DbRead<std::optional<Instrument>> instrument(int instrumentId) const;
    // A new instrument; its id.
    DbRead<int> add(Instrument instrument);
    // A later record of instrument.instrumentId with these values.
    DbResult correct(Instrument instrument);
    // The instrument on a Comm port of this machine (none: no instrument there).
    DbResult assign(int commPort, std::optional<int> instrumentId);
    DbRead<std::optional<Instrument>> assignedTo(int commPort) const;
    // Comm port to instrument id, on this machine.
    DbRead<std::map<int, int>> assignments() const;

private:
    Database &db_;
};

class FluidRepository {
public:
    explicit FluidRepository(Database &db) : db_(db) {}

    // The latest record of each fluid not removed, by name.
    DbRead<std::vector<CalibrationFluid>> fluids() const;
    // The fluid of that name (letter case ignored), as its latest record has it.
    DbRead<std::optional<CalibrationFluid>> fluid(const QString &name) const;
    // One record as it was written.
    DbRead<std::optional<CalibrationFluid>> record(int recordId) const;
    // A new fluid (a name in use is refused); its id.
    DbRead<int> add(CalibrationFluid fluid);
    DbResult correct(CalibrationFluid fluid);
    // A last record saying the fluid is no longer in use; its records stay.
    DbResult remove(int fluidId);

private:
    DbRead<std::vector<CalibrationFluid>> read(const QString &where, const QVariantList &values,
                                               bool latestOnly) const;
    DbResult append(CalibrationFluid &fluid, bool removed);
    Database &db_;
};

class CheckRepository {
public:
    explicit CheckRepository(Database &db) : db_(db) {}

    // Stores a check with its readings; its id.
    DbRead<int> add(const CalibrationRecord &check);
    // Newest first; of one instrument when given.
    DbRead<std::vector<CalibrationRecord>> checks(std::optional<int> instrumentId = {}) const;
    DbRead<std::optional<CalibrationRecord>> check(int checkId) const;
    // The date of the latest passed check of an instrument that no later record replaces.
    DbRead<std::optional<QString>> lastPassed(int instrumentId) const;

private:
    Database &db_;
};

// The instrument on a Comm port as a test's records name it: the instrument assigned there
// ("SN 4471 on Comm 1 (/dev/ttyUSB0)"), else the port and its device ("Comm 1 (/dev/ttyUSB0)",
// "Comm 1" when the device is not known). A registry that cannot be read leaves the port: the
// test is recorded all the same.
QString instrumentLabel(Database &db, int commPort, const std::string &device);

DbRead<InstrumentDue> instrumentDue(Database &db, const Instrument &instrument,
                                    calibration::Date today);

} // namespace viscora
