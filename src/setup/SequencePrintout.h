#pragma once
// The printed step list of a sequence.

#include "setup/SetupGrid.h"

#include <string>
#include <vector>

namespace viscora {

class TextPrinter;

// The lines of one copy: every column of the grid, the record rate last.
struct PrintoutLine {
    std::string text;
    bool newPageAfter = false;
};
std::vector<PrintoutLine> sequencePrintout(const QString &sequenceName,
                                           const std::vector<SetupRow> &rows, bool si);

// Cells padded with blanks to 19 characters; longer ones in full.
std::string printoutCell(const QString &cell);

// The column headings, each padded as a cell so that it stands over its values.
std::string printoutHeader(bool si);

// The print dialog, then each copy as its own document. Cancel and printer failures end
// it silently.
void printSequence(TextPrinter &printer, const QString &sequenceName,
                   const std::vector<SetupRow> &rows, bool si);

} // namespace viscora
