#pragma once
// Numbers typed by a person or given on a command line, read whole: "6OO", "1e308x", "nan",
// "inf" and "" are not numbers, never a 6, a 0 or an infinity.

#include <optional>
#include <string_view>

namespace viscora {

// A finite number written in full (decimal or exponent form; surrounding blanks allowed).
std::optional<double> parseNumber(std::string_view text);
// A whole number written in full, within [lo, hi].
std::optional<long long> parseWhole(std::string_view text, long long lo, long long hi);

} // namespace viscora
