// The calibration records on both backends: appended, never changed, and copied along.

#include "store/CalibrationRecords.h"
#include "store/DatabaseCopy.h"
#include "support/Must.h"
#include "support/TestDb.h"

#include <gtest/gtest.h>

using namespace viscora;
using namespace viscora::test;

namespace {

class CalibrationRecords : public ::testing::TestWithParam<Backend> {};

CalibrationFluid fluid(const QString &name, const QString &lot = "L1")
{
    CalibrationFluid f;
    f.name = name;
    f.lot = lot;
    f.expiry = "2027-06-30";
    f.tolerance = {2, 1};
    f.certificate = {{68, 105.2}, {77, 96.4}, {104, 71.1}};
    return f;
}

CalibrationRecord check(std::optional<int> instrument, const QString &started, const char *outcome)
{
    CalibrationRecord c;
    c.instrumentId = instrument;
    c.operatorName = "Ada O'Brien";
    c.started = started;
    c.fluidName = "S100";
    c.lot = "L1";
    c.expiry = "2027-06-30";
    c.temperatureF = 77;
    c.viscosityCp = 96.4;
    c.outcome = outcome;
    c.readings = {{0, 3, 3.0, 0, 0, true}, {4, 800, std::nullopt, -800, 100, false}};
    return c;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Store, CalibrationRecords, kBothBackends, backendName);

TEST_P(CalibrationRecords, AnInstrumentsCorrectionIsALaterRecordOfIt)
{
    TestDb t(GetParam());
    InstrumentRepository repo(*t.db);
    const int a = must(repo.add({0, 0, "SN-1", "K7400R", "Lab 1", 30, {}}));
    const int b = must(repo.add({0, 0, "SN-2", "K7400R", "Lab 2", 14, {}}));
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    ASSERT_TRUE(repo.correct({a, 0, "SN-1", "K7400R", "Lab 3", 60, {}}).ok);
    const auto all = must(repo.instruments());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].location, "Lab 3");
    EXPECT_EQ(all[0].intervalDays, 60);
    EXPECT_EQ(all[1].serialNo, "SN-2");
    // The first record stays, and the correction names it.
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM Instruments").toInt(), 3);
    EXPECT_EQ(t.scalar("SELECT Replaces FROM Instruments WHERE Location='Lab 3'").toInt(),
              t.scalar("SELECT RecordId FROM Instruments WHERE Location='Lab 1'").toInt());
    EXPECT_FALSE(repo.correct({9, 0, "x", "", "", 30, {}}).ok);
}

TEST_P(CalibrationRecords, TheInstrumentOnACommPortIsTheLatestAssignment)
{
    TestDb t(GetParam());
    InstrumentRepository repo(*t.db);
    const int a = must(repo.add({0, 0, "SN-1", "K7400R", "", 30, {}}));
    const int b = must(repo.add({0, 0, "SN-2", "K7400R", "", 30, {}}));
    EXPECT_FALSE(must(repo.assignedTo(1)));
    ASSERT_TRUE(repo.assign(1, a).ok);
    ASSERT_TRUE(repo.assign(2, b).ok);
    EXPECT_EQ(must(repo.assignedTo(1))->serialNo, "SN-1");
    ASSERT_TRUE(repo.assign(1, b).ok);
    EXPECT_EQ(must(repo.assignedTo(1))->serialNo, "SN-2");
    ASSERT_TRUE(repo.assign(2, std::nullopt).ok);
    EXPECT_FALSE(must(repo.assignedTo(2)));
    EXPECT_EQ(must(repo.assignments()), (std::map<int, int>{{1, b}}));
    // A test's record names the instrument there, else the port and its device.
    EXPECT_EQ(instrumentLabel(*t.db, 1, "/dev/ttyUSB0"), "SN-2 on Comm 1 (/dev/ttyUSB0)");
    EXPECT_EQ(instrumentLabel(*t.db, 2, "/dev/ttyUSB1"), "Comm 2 (/dev/ttyUSB1)");
    EXPECT_EQ(instrumentLabel(*t.db, 3, ""), "Comm 3");
}

TEST_P(CalibrationRecords, FluidsKeepTheirCertificateAndEveryRecord)
{
    TestDb t(GetParam());
    FluidRepository repo(*t.db);
    const int id = must(repo.add(fluid("S100")));
    must(repo.add(fluid("N10")));
    const auto dup = repo.add(fluid(" s100 "));
    EXPECT_FALSE(dup);
    EXPECT_EQ(dup.error(), "There is a calibration fluid named \"s100\" already.");
    auto f = must(repo.fluid("s100"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->lot, "L1");
    ASSERT_EQ(f->certificate.size(), 3u);
    EXPECT_DOUBLE_EQ(f->certificate[1].viscosityCp, 96.4);
    const int firstRecord = f->recordId;

    f->lot = "L2";
    f->certificate = {{77, 97.0}};
    ASSERT_TRUE(repo.correct(*f).ok);
    const auto now = must(repo.fluid("S100"));
    EXPECT_EQ(now->lot, "L2");
    EXPECT_EQ(now->certificate.size(), 1u);
    // The record a check used is read as it was written.
    EXPECT_EQ(must(repo.record(firstRecord))->certificate.size(), 3u);

    ASSERT_TRUE(repo.remove(id).ok);
    EXPECT_FALSE(must(repo.fluid("S100")));
    EXPECT_EQ(must(repo.fluids()).size(), 1u);
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM CalibrationFluids WHERE FluidId=1").toInt(), 3);
    EXPECT_EQ(t.scalar("SELECT COUNT(*) FROM FluidCertificates").toInt(), 3 + 3 + 1 + 1);
}

TEST_P(CalibrationRecords, ChecksNewestFirstWithTheirCorrections)
{
    TestDb t(GetParam());
    CheckRepository repo(*t.db);
    const int first = must(repo.add(check(1, "2026-11-01T09:00:00Z", "passed")));
    const int other = must(repo.add(check(2, "2026-11-15T09:00:00Z", "failed")));
    const int late = must(repo.add(check(1, "2026-12-01T09:00:00Z", "passed")));
    auto corrected = check(1, "2026-12-01T09:00:00Z", "failed");
    corrected.replaces = late;
    corrected.note = "The 800 reading was misread.";
    const int fix = must(repo.add(corrected));

    const auto all = must(repo.checks());
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].checkId, fix);
    EXPECT_EQ(all[1].checkId, late);
    EXPECT_EQ(all[2].checkId, other);
    EXPECT_EQ(all[3].checkId, first);
    EXPECT_EQ(all[0].replaces, late);
    EXPECT_EQ(all[1].replacedBy, fix);
    EXPECT_EQ(all[0].operatorName, "Ada O'Brien");
    ASSERT_EQ(all[0].readings.size(), 2u);
    EXPECT_EQ(all[0].readings[0].measured, 3.0);
    EXPECT_FALSE(all[0].readings[1].measured);
    EXPECT_FALSE(all[0].readings[1].pass);
    EXPECT_EQ(all[0].temperatureF, 77);
    EXPECT_FALSE(all[0].fluidRecordId);

    EXPECT_EQ(must(repo.checks(2)).size(), 1u);
    // The replaced pass no longer counts; the one before it does.
    EXPECT_EQ(must(repo.lastPassed(1)), QString("2026-11-01T09:00:00Z"));
    EXPECT_FALSE(must(repo.lastPassed(2)));
    EXPECT_FALSE(must(repo.check(99)));
}

TEST_P(CalibrationRecords, CopiedAfterTheTargetsOwnWithTheirReferences)
{
    TestDb source(GetParam()), target(GetParam());
    for (Database *db : {source.db.get(), target.db.get()}) {
        const int i = must(InstrumentRepository(*db).add({0, 0, "SN", "K", "", 30, {}}));
        ASSERT_TRUE(InstrumentRepository(*db).assign(1, i).ok);
        must(FluidRepository(*db).add(fluid("S100")));
        auto c = check(i, "2026-11-01T09:00:00Z", "passed");
        c.fluidRecordId = 1;
        const int id = must(CheckRepository(*db).add(c));
        c.replaces = id;
        must(CheckRepository(*db).add(c));
    }
    const CopyResult r = copyDatabase(*source.db, *target.db);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    // 1 instrument, 1 port, 1 fluid, 3 certificate lines, 2 checks, 4 readings.
    EXPECT_EQ(r.copied.calibrationRecords, 12);
    EXPECT_TRUE(copySummary(r.copied, "x").endsWith(" and 12 calibration records into x."))
        << copySummary(r.copied, "x").toStdString();
    const auto checks = must(CheckRepository(*target.db).checks(2));
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0].checkId, 4);
    EXPECT_EQ(checks[0].replaces, 3);
    EXPECT_EQ(checks[1].replacedBy, 4);
    EXPECT_EQ(checks[0].fluidRecordId, 2);
    EXPECT_EQ(checks[0].readings.size(), 2u);
    EXPECT_EQ(must(FluidRepository(*target.db).record(2))->certificate.size(), 3u);
    EXPECT_EQ(must(InstrumentRepository(*target.db).instruments()).size(), 2u);
}
