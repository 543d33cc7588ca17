#pragma once
// Saved tests: header rows in RelatedInfo, points in TestResult, TestId dense 1..N.
// Every name and value is bound, so a name holding ' or " works like any other.

#include "core/TestQuery.h"
#include "store/Database.h"

#include <QString>
#include <QStringList>

#include <array>
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

using QueryRow = std::array<double, col::Count>;

struct TestListEntry {
    int testId;
    QString testName;
};

// One line of the printed report, by position: step, time, temperature, speed, shear rate,
// stress, gel, Rbfactor, viscosity, dial reading, gel dial reading (stored units).
using ReportRow = std::array<double, 11>;

class TestRepository {
public:
    explicit TestRepository(Database &db) : db_(db) {}

    // In table order.
    DbRead<QStringList> testNames() const;
    DbRead<std::vector<TestListEntry>> tests() const;
    DbRead<std::optional<int>> testId(const QString &name) const;
    DbRead<bool> exists(const QString &name, Qt::CaseSensitivity cs) const;
    // (largest TestId, but at least 1) + 1, or 1 for an empty table.
    DbRead<int> nextTestId() const;
    DbRead<std::optional<TestHeader>> header(const QString &name) const;
    DbRead<std::optional<TestHeader>> headerById(int testId) const;

    // Creates the header row under the next TestId; the id is returned in newId.
    DbResult createHeader(const TestHeader &h, int &newId);
    // Rewrites the header of the test named h.testName; no such test writes nothing.
    DbResult updateHeader(const TestHeader &h);
    // Deletes the test and its points and closes the gap in the numbering.
    DbResult deleteTest(const QString &name);

    DbRead<std::optional<double>> firstRbfactor(const QString &name) const;
    // The rows of the main window's query for a test.
    DbRead<std::vector<QueryRow>> queryRows(const TestQuery &q, const QString &name) const;
    // The printed report's rows of a test, with the shear-rate factor of its rotor-bob.
    DbRead<std::vector<ReportRow>> reportRows(int testId, double shearFactor) const;
    // A test's points as stored, ordered by step and time; a NULL value reads as NaN.
    DbRead<std::vector<StoredPoint>> storedPoints(const QString &name) const;

    DbResult insertPoints(int testId, const std::vector<StoredPoint> &points);

private:
    Database &db_;
};

} // namespace viscora
