#include "setup/SequencePrintout.h"

#include "core/TextPrinter.h"

namespace viscora {

std::string printoutCell(const QString &cell)
{
    // Counted in characters: a degree sign is one column on paper, two bytes in the text.
    return cell.leftJustified(19).toStdString();
}

std::string printoutHeader(bool si)
{
    // Each heading starts its column, over the values it names.
    const QString headings[] = {
        QStringLiteral("Step No"),
        QStringLiteral("Elaps Time(S)"),
        si ? QStringLiteral("Temperature(°C)") : QStringLiteral("Temperature(°F)"),
        QStringLiteral("Speed(Rpm)"),
        QStringLiteral("Shear Rate(1/S)"),
        QStringLiteral("Record Rate(Sec/Datum)"),
    };
    std::string line;
    for (const QString &h : headings)
        line += printoutCell(h);
    return line;
}

std::vector<PrintoutLine> sequencePrintout(const QString &sequenceName,
                                           const std::vector<SetupRow> &rows, bool si)
{
    std::vector<PrintoutLine> lines;
    lines.push_back({"Below is the list of the test steps of " + sequenceName.toStdString()});
    lines.push_back({""});
    // The column shows what the grid shows, so in SI its heading names degC.
    lines.push_back({printoutHeader(si)});
    for (size_t r = 0; r < rows.size(); ++r) {
        std::string text;
        for (const QString &cell : rows[r])
            text += printoutCell(cell);
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
