#pragma once
// Numbers are written and read with a decimal point whatever the user's locale: reports, the
// analysis, stored text and the instrument's records all rely on it.

#include <clocale>

namespace viscora {

// Call after the Qt application is made: it sets the C library's locale from the environment.
inline void keepCNumbers() { std::setlocale(LC_NUMERIC, "C"); }

} // namespace viscora
