#pragma once
// A PDF saved whole or not at all: the pages are drawn into memory, then written to a
// temporary file beside the target that replaces it only once every byte is on disk. A full
// disk or an unwritable folder is reported, never left behind as a truncated file.

#include "report/Exports.h"

#include <functional>
#include <string>

class QPagedPaintDevice;

namespace viscora {

// `draw` says whether it could draw.
ExportResult savePdf(const std::string &path, const std::function<bool(QPagedPaintDevice &)> &draw);

} // namespace viscora
