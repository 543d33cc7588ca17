// k7400r-sim as built: what it refuses on its command line, and what it says when it cannot keep
// its state.

#include "support/CliProcess.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace viscora::test;

namespace {
// What the program said on stderr, waiting for it when nothing came yet (it may already have).
QString stderrOf(QProcess &p)
{
    p.setReadChannel(QProcess::StandardError);
    if (p.bytesAvailable() == 0)
        p.waitForReadyRead(kEventWaitMs);
    return QString::fromLocal8Bit(p.readAllStandardError());
}
} // namespace

// Every number is read whole and in its range before anything is served.
TEST(SimProgram, NumbersOutOfRangeOrNotNumbersAreUsageErrors)
{
    const std::pair<QStringList, const char *> cases[] = {
        {{"--rate", "abc"}, "--rate abc: not a number above 0 and at most 1000000"},
        {{"--rate", "0"}, "--rate 0: not a number above 0"},
        {{"--rate", "nan"}, "--rate nan: not a number"},
        {{"--rate", "1e400"}, "--rate 1e400: not a number"},
        {{"--noise", "2"}, "--noise 2: not a number from 0 to 1"},
        {{"--noise", "0.5x"}, "--noise 0.5x: not a number from 0 to 1"},
        {{"--custom", "5"}, "--custom 5: not a whole number from 8 to 9999"},
        {{"--custom", "1702.5"}, "--custom 1702.5: not a whole number"},
        {{"--seed", "-1"}, "--seed -1: not a whole number from 0 to 4294967295"},
        {{"--seed"}, "--seed needs a value"},
    };
    for (const auto &[args, message] : cases) {
        const ProcessResult r = run(QStringLiteral(VISCORA_SIM_BIN), args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << "nothing served: " << r.out.toStdString();
    }
}

// A state that cannot be written, or one it never wrote, is said on stderr; it serves on.
TEST(SimProgram, StateItCannotKeepIsSaid)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("plain-file");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a folder");
    }
    Simulator unwritable({"--state", file + "/state"});
    EXPECT_FALSE(unwritable.device.isEmpty());
    const QString said = stderrOf(unwritable.process);
    EXPECT_TRUE(said.startsWith("k7400r-sim: --state " + file + "/state: cannot be written: "))
        << said.toStdString();

    Simulator foreign({"--state", file});
    EXPECT_FALSE(foreign.device.isEmpty());
    EXPECT_EQ(stderrOf(foreign.process), "k7400r-sim: --state " + file +
                                             ": not a state this program wrote; starting afresh\n");
}
