#pragma once
// Saved tests: header rows in RelatedInfo, points in TestResult, TestId dense 1..N.
// Every name and value is bound, so a name holding ' or " works like any other.

#include "store/PointQueries.h"
#include "store/Database.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace viscora {

struct TestHeader {
    QString testName, mudId, sampleTime, companyName, desc;
};

// One stored point in column order: StepNo, Time, Temperature, Speed, Shearstress, Gel,
// Rbfactor.
struct StoredPoint {
    int stepNo = 0;
    double time = 0, temperature = 0, speed = 0, shearStress = 0, gel = 0, rbfactor = 0;
};

// A point as the instrument reports it (step, time, temperature, stress, gel, speed, rotor-bob
// code), stored at rpm (at rest below the least speed): with a custom rotor-bob its stress
// factor scales the stresses, and its rate factor in thousandths is the Rbfactor.
StoredPoint storedPoint(const std::array<double, 7> &f, double rpm, double stressFactor,
                        std::optional<double> customFactorThousandths);

using QueryRow = std::array<double, col::Count>;

struct TestListEntry {
    int testId;
    QString testName;
};

// One line of the printed report, by position: step, time, temperature, speed, shear rate,
// stress, gel, Rbfactor, viscosity, dial reading, gel dial reading (stored units).
using ReportRow = std::array<double, 11>;

// Something that happened during a test, at a time in the test's running time (seconds
// since its start, the step times joined): a lost connection, say.
struct TestEvent {
    double time = 0;
    QString kind; // "gap": no record reached the program from `time` to the event's end
    QString text;
};

// Creating a header under a name that must not be taken yet.
struct NewHeader {
    // Full: the database holds a test under the last id there is.
    enum class Outcome { Created, Duplicate, Full, Failed } outcome = Outcome::Failed;
    int id = 0;
    DbResult failure;
};

class TestRepository {
public:
    explicit TestRepository(Database &db) : db_(db) {}
    Database &database() const { return db_; }

    // In table order.
    DbRead<QStringList> testNames() const;
    DbRead<std::vector<TestListEntry>> tests() const;
    DbRead<std::optional<int>> testId(const QString &name) const;
    DbRead<bool> exists(const QString &name, Qt::CaseSensitivity cs) const;
    // (largest TestId, but at least 1) + 1, or 1 for an empty table; a failure past the last
    // 32-bit id.
    DbRead<int> nextTestId() const;
    // The largest TestId (at least 1), or 0 for an empty table.
    DbRead<long long> largestTestId() const;
    DbRead<std::optional<TestHeader>> header(const QString &name) const;
    DbRead<std::optional<TestHeader>> headerById(int testId) const;

    // Creates the header row under the next TestId; the id is returned in newId.
    DbResult createHeader(const TestHeader &h, int &newId);
    // The same, refused when the name is taken (compared with cs). The check, the next id and
    // the row are one transaction: two programs naming at once never share an id or a name.
    NewHeader createUniqueHeader(const TestHeader &h, Qt::CaseSensitivity cs);
    // Rewrites the header of the test named h.testName; no such test writes nothing.
    DbResult updateHeader(const TestHeader &h);
    // Deletes the test and its points and closes the gap in the numbering. Refused while the
    // test is being recorded (by this or any other program).
    DbResult deleteTest(const QString &name);

    DbRead<std::optional<double>> firstRbfactor(const QString &name) const;
    // The rows of the main window's query for a test.
    DbRead<std::vector<QueryRow>> queryRows(const TestQuery &q, const QString &name) const;
    // The same handed to `row` as they are read, so that a long test is not held; checked
    // once all are read. The number of rows read.
    DbRead<std::size_t> eachQueryRow(const TestQuery &q, const QString &name,
                                     const std::function<void(const QueryRow &)> &row) const;
    // The printed report's rows of a test, with the shear-rate factor of its rotor-bob, each
    // handed to `row` as it is read, so that a long test is not held twice; a NULL value reads
    // as NaN. The number of rows read.
    DbRead<std::size_t> eachReportRow(int testId, double shearFactor,
                                      const std::function<void(const ReportRow &)> &row) const;
    // How many points the test holds (0 for a name no test has).
    DbRead<std::size_t> pointCount(const QString &name) const;
    // A test's points as stored, ordered by step and time; a NULL value reads as NaN.
    DbRead<std::vector<StoredPoint>> storedPoints(const QString &name) const;
    // The same handed to `point` as they are read, checked once all are; their number.
    DbRead<std::size_t>
    eachStoredPoint(const QString &name,
                    const std::function<void(const StoredPoint &)> &point) const;

    DbResult insertPoints(int testId, const std::vector<StoredPoint> &points);
    // Stores points under the test of that name, whatever its id is by then: a test deleted
    // meanwhile elsewhere renumbers the others, and the rows still land in their own test.
    DbResult storePoints(const QString &testName, const std::vector<StoredPoint> &points,
                         int busyMs = -1);

    DbResult addEvent(const QString &testName, const TestEvent &event, int busyMs = -1);
    // In time order.
    DbRead<std::vector<TestEvent>> events(const QString &testName) const;

private:
    DbRead<std::optional<double>> firstRow(const QString &name) const;
    DbRead<std::size_t> readPoints(const QString &name,
                                   const std::function<void(const StoredPoint &)> &point) const;

    Database &db_;
};

} // namespace viscora
