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

// A value rounded to `count` significant digits (1 to 15) of its 15-significant-digit decimal
// form, half away from zero: its digits without trailing zeros ("0" for zero) and the power
// of ten of the first.
struct SignificantDigits {
    bool negative = false;
    std::string digits = "0";
    int exponent = 0;
};
SignificantDigits significantDigits(double value, int count);
// Written out: "1626.5", "26900000000", "0.000012".
std::string positionalText(const SignificantDigits &d);
// In exponent form with `e` as the letter: "2.69E+10", "1.2e-5".
std::string exponentText(const SignificantDigits &d, char e = 'E');

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
