#include "core/VbFormat.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace viscora {

namespace {

struct MaskParts {
    int intRequired = 0; // count of '0' before the point
    bool hasPoint = false;
    int fracMax = 0;      // digits after the point
    int fracRequired = 0; // up to and including the last '0' after the point
};

MaskParts parseMask(std::string_view mask)
{
    MaskParts p;
    bool afterPoint = false;
    for (char c : mask) {
        if (c == '.') {
            afterPoint = true;
            p.hasPoint = true;
        } else if (afterPoint && (c == '0' || c == '#')) {
            ++p.fracMax;
            if (c == '0')
                p.fracRequired = p.fracMax;
        } else if (c == '0') {
            ++p.intRequired;
        }
    }
    return p;
}

// The 15 significant digits of a magnitude (> 0) and the power of ten of the first.
void decimalForm(double magnitude, std::string &digits, int &exponent)
{
    // The same digits as printf's "%.14e", without its locale and format parsing.
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf - 1, magnitude, std::chars_format::scientific, 14);
    *res.ptr = '\0';
    digits.clear();
    const char *p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    exponent = std::atoi(p + 1);
}

// Keeps the first `keep` digits (padding with zeros), rounding half away from zero. True when
// the rounding carried into a new leading digit ("999" -> "1000").
bool roundAt(std::string &digits, int keep)
{
    const bool roundUp =
        keep < static_cast<int>(digits.size()) && digits[static_cast<size_t>(keep)] >= '5';
    if (keep < static_cast<int>(digits.size()))
        digits.resize(static_cast<size_t>(keep));
    else
        digits.append(static_cast<size_t>(keep) - digits.size(), '0');
    if (!roundUp)
        return false;
    int i = static_cast<int>(digits.size()) - 1;
    while (i >= 0 && digits[static_cast<size_t>(i)] == '9')
        digits[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
        ++digits[static_cast<size_t>(i)];
        return false;
    }
    digits.insert(digits.begin(), '1');
    return true;
}

// |value| rounded half away from zero to `decimals` places, from its 15-digit decimal form.
// Returns integer digits (no leading zeros, "" for zero) and exactly `decimals` fraction digits.
void roundedDigits(double magnitude, int decimals, std::string &intDigits, std::string &fracDigits)
{
    intDigits.clear();
    fracDigits.assign(static_cast<size_t>(decimals), '0');
    if (magnitude == 0.0 || !std::isfinite(magnitude))
        return;
    std::string digits;
    int exponent = 0;
    decimalForm(magnitude, digits, exponent);
    // digits[0] has weight 10^exponent; keep those with weight >= 10^-decimals.
    const int keep = exponent + 1 + decimals;
    if (keep < 0)
        return;
    int pointPos = exponent + 1; // digits before the decimal point
    if (roundAt(digits, keep))
        ++pointPos;
    if (pointPos <= 0) {
        digits.insert(0, static_cast<size_t>(-pointPos), '0');
        pointPos = 0;
    }
    intDigits = digits.substr(0, static_cast<size_t>(pointPos));
    fracDigits = digits.substr(static_cast<size_t>(pointPos));
    size_t nz = intDigits.find_first_not_of('0');
    intDigits = nz == std::string::npos ? std::string() : intDigits.substr(nz);
}

} // namespace

std::string formatMask(double value, std::string_view mask)
{
    const MaskParts m = parseMask(mask);
    std::string intDigits, fracDigits;
    roundedDigits(std::fabs(value), m.fracMax, intDigits, fracDigits);
    while (static_cast<int>(fracDigits.size()) > m.fracRequired && fracDigits.back() == '0')
        fracDigits.pop_back();
    if (static_cast<int>(intDigits.size()) < m.intRequired)
        intDigits.insert(0, static_cast<size_t>(m.intRequired) - intDigits.size(), '0');
    const bool isZero = intDigits.find_first_not_of('0') == std::string::npos &&
                        fracDigits.find_first_not_of('0') == std::string::npos;
    std::string out;
    // A value that rounds to zero is written without a sign.
    if (value < 0 && !isZero)
        out.push_back('-');
    out += intDigits;
    if (m.hasPoint)
        out += "." + fracDigits;
    return out;
}

SignificantDigits significantDigits(double value, int count)
{
    SignificantDigits r;
    if (value == 0.0 || !std::isfinite(value))
        return r;
    r.negative = value < 0;
    decimalForm(std::fabs(value), r.digits, r.exponent);
    if (roundAt(r.digits, count)) {
        r.digits.pop_back();
        ++r.exponent;
    }
    while (r.digits.size() > 1 && r.digits.back() == '0')
        r.digits.pop_back();
    return r;
}

std::string positionalText(const SignificantDigits &d)
{
    if (d.digits == "0")
        return "0";
    const int n = static_cast<int>(d.digits.size());
    std::string s;
    if (d.exponent < 0)
        s = "0." + std::string(static_cast<size_t>(-d.exponent - 1), '0') + d.digits;
    else if (d.exponent + 1 >= n)
        s = d.digits + std::string(static_cast<size_t>(d.exponent + 1 - n), '0');
    else
        s = d.digits.substr(0, static_cast<size_t>(d.exponent + 1)) + "." +
            d.digits.substr(static_cast<size_t>(d.exponent + 1));
    return (d.negative ? "-" : "") + s;
}

std::string exponentText(const SignificantDigits &d, char e)
{
    std::string s = d.digits.substr(0, 1);
    if (d.digits.size() > 1)
        s += "." + d.digits.substr(1);
    return (d.negative ? "-" : "") + s + e + (d.exponent < 0 ? "-" : "+") +
           std::to_string(std::abs(d.exponent));
}

double Val(std::string_view text)
{
    std::string s;
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            s.push_back(c);
    if (s.size() >= 2 && s[0] == '&' &&
        (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
        const int base = (s[1] == 'H' || s[1] == 'h') ? 16 : 8;
        long long v = 0;
        for (size_t i = 2; i < s.size(); ++i) {
            int d = -1;
            char c = s[i];
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (base == 16 && c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (base == 16 && c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            if (d < 0 || d >= base)
                break;
            v = v * base + d;
            if (v > (1LL << 40))
                break;
        }
        return static_cast<double>(v);
    }
    // Longest prefix of the form [sign] digits [. digits] [(E|D) [sign] digits].
    size_t i = 0;
    std::string num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        num.push_back(s[i++]);
    bool any = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        num.push_back(s[i++]);
        any = true;
    }
    if (i < s.size() && s[i] == '.') {
        num.push_back(s[i++]);
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            num.push_back(s[i++]);
            any = true;
        }
    }
    if (!any)
        return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exp.push_back(s[j++]);
        bool expDigits = false;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            exp.push_back(s[j++]);
            expDigits = true;
        }
        if (expDigits)
            num += exp;
    }
    const double v = std::strtod(num.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

double Int(double x) { return std::floor(x); }

long long roundHalfEven(double x)
{
    const double r = std::nearbyint(x); // default rounding mode is to-nearest-even
    return static_cast<long long>(r);
}

std::string shortestText(float value)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

std::string shortestText(double value)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

} // namespace viscora
