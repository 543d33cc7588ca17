// viscora-cli rheology: the analysis of a saved test as text tables or JSON.

#include "cli/CliContext.h"

#include "review/TestAnalysis.h"
#include "rheology/Json.h"
#include "rheology/Tables.h"

namespace viscora::cli {

int cmdRheology(Context &c, const Args &a)
{
    const std::string &name = a.positional[0];
    if (!requireTest(c, QString::fromStdString(name)))
        return 1;
    const auto analysis = analyseTest(TestRepository(*c.db), QString::fromStdString(name),
                                      c.m.rotorBob(), c.m.units());
    if (!analysis)
        return c.failed(analysis.error());
    if (a.has("--json"))
        c.out << rheology::toJson(*analysis, name) << '\n';
    else
        c.out << rheology::analysisText(*analysis, name, rheology::TextLayout::Columns);
    return 0;
}

} // namespace viscora::cli
