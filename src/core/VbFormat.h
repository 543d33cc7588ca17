#pragma once
// Number helpers with the semantics of the classic BASIC runtime the operators' files and
// reports were made with: Format masks, Val, Int and round-half-to-even.

#include <string>
#include <string_view>

namespace viscora {

// Formats value with a mask of '#' (optional digit), '0' (required digit) and one '.'.
// Rounds half away from zero on the value's 15-significant-digit decimal form; a value
// wider than the mask is written in full; "###.0" writes 0.3 as ".3".
std::string formatMask(double value, std::string_view mask);

// The number at the start of a text (blanks, tabs and line feeds are skipped anywhere),
// 0 when there is none. "&H" and "&O" prefixes read hexadecimal and octal.
double Val(std::string_view text);

// Largest integer not above x.
double Int(double x);

// Nearest integer, a half going to the even neighbour.
long long roundHalfEven(double x);

// Shortest decimal text that reads back as the same single float ("0.2215").
std::string shortestText(float value);
// Shortest decimal text that reads back as the same double.
std::string shortestText(double value);

} // namespace viscora
