// viscora-cli find, rename and export-many.

#include "cli/Cli.h"
#include "report/Exports.h"
#include "rheology/Models.h"
#include "sim/SimInstrument.h"
#include "store/TestRecords.h"
#include "support/JsonReader.h"
#include "support/SixSpeeds.h"
#include "support/TestDb.h"
#include "support/XlsxReader.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

using namespace viscora;
using namespace viscora::test;

namespace {
struct CliRun {
    int code;
    std::string out, err;
};

CliRun cli(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int code = runCli(args, out, err);
    return {code, out.str(), err.str()};
}

double at(const char *localTime)
{
    return static_cast<double>(
        QDateTime::fromString(QLatin1String(localTime), QStringLiteral("yyyy-MM-dd HH:mm"))
            .toSecsSinceEpoch());
}

// "Mud" run on Comm 2 by Ana, "Old/one" from before tests had records.
struct Fixture {
    TestDb t;
    std::string db = t.path.toStdString();
    Fixture()
    {
        t.addTest("Mud", sixSpeedPoints([](double rate) { return sim::fluidStress(rate, 120); }));
        t.addTest("Old/one", {StoredPoint{}, StoredPoint{}});
        TestRecord r;
        r.kind = "ended";
        r.startedAt = at("2026-04-01 09:30");
        r.endedAt = at("2026-04-01 10:15");
        r.points = 36;
        r.instrument = "Comm 2 (/dev/ttyUSB1)";
        r.operatorName = "Ana";
        r.sequenceName = "API mud";
        EXPECT_TRUE(TestRecords(*t.db).append("Mud", r, *r.endedAt).ok);
    }
};
} // namespace

TEST(CliFind, PrintsTheFindWindowsColumnsFilteredOrAsJson)
{
    Fixture f;
    const CliRun all = cli({"--db", f.db, "find"});
    ASSERT_EQ(all.code, 0) << all.err;
    EXPECT_EQ(all.out, "Test Name\tStart\tDuration\tPoints\tMud ID\tCompany\tInstrument\tOperator\n"
                       "Mud\t2026-04-01 09:30\t0:45:00\t36\tmud\tACME\tComm 2 (/dev/ttyUSB1)\tAna\n"
                       "Old/one\tunknown\tunknown\t2\tmud\tACME\tunknown\tunknown\n");
    const struct {
        std::vector<std::string> options;
        std::string names; // the first column of the lines after the heading
    } cases[] = {
        {{"--match", "usb1"}, "Mud\n"},
        {{"--match", "UNKNOWN"}, "Old/one\n"},
        {{"--since", "2026-04-01", "--until", "2026-04-01"}, "Mud\n"},
        {{"--since", "2026-04-01 09:31"}, ""},
        {{"--until", "2026-03-31"}, ""},
        {{"--instrument", "comm 2"}, "Mud\n"},
        {{"--instrument", "Comm 1"}, ""},
        {{"--live"}, ""},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args{"--db", f.db, "find"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const CliRun r = cli(args);
        ASSERT_EQ(r.code, 0) << r.err;
        std::string names;
        std::istringstream lines(r.out.substr(r.out.find('\n') + 1));
        for (std::string line; std::getline(lines, line);)
            names += line.substr(0, line.find('\t')) + "\n";
        EXPECT_EQ(names, c.names) << c.options.front();
    }
    const CliRun json = cli({"--db", f.db, "find", "--json", "--match", "mud"});
    ASSERT_EQ(json.code, 0) << json.err;
    const auto parsed = parseJson(json.out);
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->items.size(), 2u);
    const JsonValue &mud = parsed->items[0];
    EXPECT_EQ(mud["name"].text, "Mud");
    EXPECT_EQ(mud["start"].text, "2026-04-01 09:30");
    EXPECT_EQ(mud["startUtc"].number, at("2026-04-01 09:30"));
    EXPECT_EQ(mud["durationSeconds"].number, 2700);
    EXPECT_EQ(mud["points"].number, 36);
    EXPECT_EQ(mud["instrument"].text, "Comm 2 (/dev/ttyUSB1)");
    EXPECT_FALSE(mud["live"].boolean);
    EXPECT_TRUE(parsed->items[1]["start"].isNull());
    EXPECT_TRUE(parsed->items[1]["operator"].isNull());
    for (const auto &bad : std::vector<std::vector<std::string>>{
             {"find", "--since", "April"}, {"find", "--until", "2026-02-30"}, {"find", "x"}})
        EXPECT_EQ(cli(bad).code, 2);
    // The plain listing stays as it was.
    EXPECT_EQ(cli({"--db", f.db, "tests"}).out, "1\tMud\n2\tOld/one\n");
}

TEST(CliFind, RenameFollowsTheNamingRules)
{
    Fixture f;
    const struct {
        const char *from, *to;
        int code;
        const char *err;
    } cases[] = {
        {"Mud", " ", 1, "Blank Input Error.: Must input Test name.\n"},
        {"Mud", "OLD/ONE", 1,
         "Test Name Error.: Duplicated test name. Please enter a new test name.\n"},
        {"Nope", "Other", 1, "Database Error: There is no test \"Nope\" in the database.\n"},
        {"Mud", " Well 12 ", 0, ""},
    };
    for (const auto &c : cases) {
        const CliRun r = cli({"--db", f.db, "rename", c.from, c.to});
        EXPECT_EQ(r.code, c.code) << c.to;
        EXPECT_EQ(r.err, c.err) << c.to;
    }
    EXPECT_EQ(cli({"--db", f.db, "tests"}).out, "1\tWell 12\n2\tOld/one\n");
    EXPECT_EQ(cli({"--db", f.db, "find", "--match", "well"}).out.find("Well 12\t2026-04-01 09:30"),
              std::string("Test Name\tStart\tDuration\tPoints\tMud ID\tCompany\tInstrument\t"
                          "Operator\n")
                  .size());
    EXPECT_EQ(cli({"--db", f.db, "rename", "Well 12"}).code, 2);
}

TEST(CliExportMany, ASummaryThenASheetPerTestReadBackCellByCell)
{
    Fixture f;
    QTemporaryDir dir;
    const QString many = dir.filePath("many.xlsx"), single = dir.filePath("single.xlsx");
    const CliRun r = cli({"--db", f.db, "export-many", many.toStdString(), "Mud", "Old/one"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Wrote " + many.toStdString() + " (2 tests, 38 points).\n");
    const XlsxReader summary(many, 1);
    EXPECT_NE(summary.workbook.indexOf("<sheet name=\"Summary\""), -1);
    EXPECT_NE(summary.workbook.indexOf("<sheet name=\"Mud\""), -1);
    EXPECT_NE(summary.workbook.indexOf("<sheet name=\"Old_one\""), -1);
    const std::vector<std::pair<std::string, std::string>> texts{
        {"A1", "Summary"},
        {"A3", "Test Name"},
        {"B3", "Sheet"},
        {"C3", "Start"},
        {"E3", "Instrument"},
        {"H3", "Points"},
        {"I3", "Curve 1 Temperature"},
        {"K3", "Curve 1 PV"},
        {"R3", "Curve 1 Recommended Model"},
        {"A4", "Mud"},
        {"B4", "Mud"},
        {"C4", "2026-04-01 09:30:00"},
        {"D4", "2026-04-01 10:15:00"},
        {"E4", "Comm 2 (/dev/ttyUSB1)"},
        {"F4", "Ana"},
        {"G4", "API mud"},
        {"A5", "Old/one"},
        {"B5", "Old_one"},
        {"C5", "unknown"},
        {"E5", "unknown"}};
    for (const auto &[ref, text] : texts)
        EXPECT_EQ(summary.text(ref), text) << ref;
    EXPECT_EQ(summary.number("H4"), 36);
    EXPECT_EQ(summary.number("H5"), 2);
    // The field values and model as the rheology command gives them.
    const auto json = parseJson(cli({"--db", f.db, "rheology", "Mud", "--json"}).out);
    ASSERT_TRUE(json);
    const JsonValue &curve = (*json)["curves"].items.at(0);
    // A workbook keeps 15 significant digits.
    auto near = [](double a, double b) { return std::abs(a - b) <= 1e-12 * std::abs(b); };
    EXPECT_PRED2(near, summary.number("I4"), curve["temperature"].number);
    const char *columns[] = {"J4", "K4", "L4", "M4", "N4", "O4", "P4"};
    const char *keys[] = {"AV", "PV", "YP", "LSYP", "n", "K", "na"};
    for (std::size_t i = 0; i < std::size(keys); ++i)
        EXPECT_PRED2(near, summary.number(columns[i]), curve["field"][keys[i]].number) << keys[i];
    const rheology::Model *model = nullptr;
    for (const rheology::Model &m : rheology::modelTable())
        if (curve["recommended"].text == m.key)
            model = &m;
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(summary.text("R4"), model->name);
    // Each test's sheet is the single export's first sheet, cell by cell.
    ASSERT_EQ(cli({"--db", f.db, "export", "Mud", single.toStdString()}).code, 0);
    const XlsxReader alone(single, 1), inMany(many, 2);
    ASSERT_GT(alone.cells.size(), 20u);
    ASSERT_EQ(alone.cells.size(), inMany.cells.size());
    for (const auto &[ref, cell] : alone.cells) {
        EXPECT_EQ(inMany.text(ref), cell.text) << ref;
        EXPECT_EQ(inMany.number(ref), cell.number) << ref;
    }
    const XlsxReader old(many, 3);
    EXPECT_EQ(old.text("B3"), "Old/one");
    // A test that is not there writes nothing.
    const QString none = dir.filePath("none.xlsx");
    const CliRun missing = cli({"--db", f.db, "export-many", none.toStdString(), "Mud", "Nope"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "Selection Error.: No saved test is named \"Nope\".\n");
    EXPECT_FALSE(QFile::exists(none));
    EXPECT_EQ(cli({"--db", f.db, "export-many", none.toStdString()}).code, 2);
}

TEST(CliExportMany, SheetNamesAreValidAndUnique)
{
    EXPECT_EQ(sheetNames({"a/b", "A_B", "summary", "x[1]:*?\\", "'quoted'",
                          "a name far longer than thirty-one characters",
                          "a name far longer than thirty-one characters, again"}),
              (std::vector<std::string>{"a_b", "A_B (2)", "summary (2)", "x_1_____", "_quoted_",
                                        "a name far longer than thirty-o",
                                        "a name far longer than thir (2)"}));
}
