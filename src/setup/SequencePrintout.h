#pragma once
// The printed step list of a sequence.

#include "setup/SetupGrid.h"

#include <string>
#include <vector>

namespace viscora {

class TextPrinter;

// The lines of one copy; an empty optional marks a new page.
struct PrintoutLine {
    std::string text;
    bool newPageAfter = false;
};
std::vector<PrintoutLine> sequencePrintout(const QString &sequenceName,
                                           const std::vector<SetupRow> &rows, bool si);

// Cells padded with blanks to 19 characters; longer ones in full.
std::string printoutCell(const QString &cell);

// The print dialog, then each copy as its own document. Cancel and printer failures end
// it silently.
void printSequence(TextPrinter &printer, const QString &sequenceName,
                   const std::vector<SetupRow> &rows, bool si);

} // namespace viscora
