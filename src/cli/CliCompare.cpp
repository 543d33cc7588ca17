// viscora-cli compare: tests' rheology side by side, as the Compare Tests window's table.

#include "cli/CliContext.h"

#include "compare/Comparison.h"

namespace viscora::cli {

int cmdCompare(Context &c, const Args &a)
{
    std::vector<ComparedTest> tests;
    const TestRepository repo(*c.db);
    for (const std::string &name : a.positional) {
        if (!requireTest(c, QString::fromStdString(name)))
            return 1;
        auto read = readCompared(repo, name, c.m.units(), c.m.rotorBob());
        if (!read)
            return c.failed(read.failure());
        tests.push_back(std::move(*read));
    }
    const Comparison comparison = compareTests(tests, c.m.units());
    if (a.has("--json"))
        c.out << comparisonJson(comparison) << '\n';
    else
        c.out << comparisonText(comparison);
    return 0;
}

} // namespace viscora::cli
