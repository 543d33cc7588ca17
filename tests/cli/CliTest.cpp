#include "Cli.h"
#include "TestDb.h"

#include <QFile>
#include <QImage>

#include <gtest/gtest.h>

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
} // namespace

TEST(Cli, TestsListsInIdOrderAndCreatesAMissingDatabase)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("new.mdb").toStdString();
    CliRun r = cli({"--db", path, "tests"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path)));

    TestDb t;
    t.addTest("first", {});
    t.addTest("with \"quotes\"", {});
    r = cli({"--db", t.path.toStdString(), "tests"});
    EXPECT_EQ(r.out, "1\tfirst\n2\twith \"quotes\"\n");
}

TEST(Cli, UsageErrorsExitWithTwo)
{
    const std::vector<std::vector<std::string>> bad = {
        {}, {"nosuch"}, {"--db"}, {"--bogus", "tests"}, {"show"}, {"tests", "extra"},
    };
    for (const auto &args : bad) {
        CliRun r = cli(args);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find("usage: viscora-cli"), std::string::npos);
    }
    EXPECT_EQ(cli({"--help"}).code, 0);
}

TEST(Cli, ShowPrintsTheGridAsDisplayed)
{
    TestDb t;
    t.addTest("t", {point(1, 30, 32.5, 300, 1003, 10, 1), point(1, 60, 212, 300, 510, 10, 1)});
    CliRun r = cli({"--db", t.path.toStdString(), "--si", "show", "t"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out,
              "Step No\tElaps Time (S)\tTemp (C°)\tShear rate (1/S)\tSpeed (Rpm)\t"
              "Shear Stress (dyn/cm2)\tViscosity (cP)\tGel (dyn/cm2)\tRb Factor\t"
              "Fann® 35 F1 Reading\n"
              "1\t30\t.3\t510.69\t300.00\t1003.000\tN/A\t10.000\t1\t196.3\n"
              "1\t60\t100.0\t510.69\t300.00\t510.000\t99.86\t10.000\t1\t99.8\n");
    CliRun missing = cli({"--db", t.path.toStdString(), "show", "nope"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "Selection Error.: No saved test is named \"nope\".\n");
}

TEST(Cli, DeleteRenumbers)
{
    TestDb t;
    t.addTest("a", {point(1, 1, 1, 1, 1)});
    t.addTest("b", {point(1, 1, 1, 1, 2)});
    CliRun r = cli({"--db", t.path.toStdString(), "delete", "a"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(cli({"--db", t.path.toStdString(), "tests"}).out, "1\tb\n");
    EXPECT_EQ(t.scalar("SELECT TestId FROM TestResult").toInt(), 1);
}

TEST(Cli, ChartWritesAnImage)
{
    TestDb t;
    t.addTest("t", {point(1, 30, 100, 100, 300), point(1, 60, 110, 200, 450)});
    const std::string png = t.dir.filePath("c.png").toStdString();
    CliRun r = cli({"--db", t.path.toStdString(), "chart", "t", "4", png});
    ASSERT_EQ(r.code, 0) << r.err;
    QImage img(QString::fromStdString(png));
    EXPECT_FALSE(img.isNull());
    EXPECT_EQ(cli({"--db", t.path.toStdString(), "chart", "t", "10", png}).code, 2);
    EXPECT_EQ(cli({"--db", t.path.toStdString(), "chart", "t", "x", png}).code, 2);
}

TEST(Cli, ForeignFileIsAReportedFailure)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("k7400r.mdb");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    CliRun r = cli({"--db", path.toStdString(), "tests"});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.rfind("Database Error: Unexpected Error: ", 0), 0u) << r.err;
}
