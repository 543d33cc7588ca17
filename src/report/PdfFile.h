#pragma once
// A PDF saved whole or not at all: the pages are written as they are drawn to a temporary
// file beside the target, which replaces it only once every byte is on disk. A full disk, an
// unwritable folder or a drawing given up is reported, never left behind as a truncated file.

#include "report/Exports.h"

#include <functional>
#include <string>

class QPagedPaintDevice;

namespace viscora {

// `draw` says whether the file is to be kept.
ExportResult savePdf(const std::string &path, const std::function<bool(QPagedPaintDevice &)> &draw);

} // namespace viscora
