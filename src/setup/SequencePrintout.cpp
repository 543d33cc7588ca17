#include "setup/SequencePrintout.h"

#include "core/TextPrinter.h"

namespace viscora {

std::string printoutCell(const QString &cell)
{
    std::string s = cell.toStdString();
    if (s.size() < 19)
        s.append(19 - s.size(), ' ');
    return s;
}

std::vector<PrintoutLine> sequencePrintout(const QString &sequenceName,
                                           const std::vector<SetupRow> &rows, bool si)
{
    std::vector<PrintoutLine> lines;
    lines.push_back({"Below is the list of the test steps of " + sequenceName.toStdString()});
    lines.push_back({""});
    // The column shows what the grid shows, so in SI its heading names degC.
    lines.push_back({si ? "Step No   Elaps Time(S) Temperature(°C) Speed(Rpm)    Shear Rate(1/S)"
                        : "Step No   Elaps Time(S) Temperature(°F) Speed(Rpm)    Shear Rate(1/S)"});
    for (size_t r = 0; r < rows.size(); ++r) {
        std::string text;
        for (size_t c = 0; c < 5; ++c)
            text += printoutCell(rows[r][c]);
        const size_t k = r + 2; // the grid row number, header row counted
        // After the last step there is nothing for a new page to hold.
        lines.push_back({text, k % 40 == 0 && r + 1 < rows.size()});
    }
    return lines;
}

void printSequence(TextPrinter &printer, const QString &sequenceName,
                   const std::vector<SetupRow> &rows, bool si)
{
    if (!printer.setup())
        return;
    const auto lines = sequencePrintout(sequenceName, rows, si);
    for (int copy = 0; copy < printer.copies(); ++copy) {
        if (!printer.beginDocument())
            return;
        for (const auto &l : lines) {
            printer.line(l.text);
            if (l.newPageAfter)
                printer.newPage();
        }
        if (!printer.endDocument())
            return;
    }
}

} // namespace viscora
