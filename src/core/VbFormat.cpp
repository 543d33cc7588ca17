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

// |value| rounded half away from zero to `decimals` places, from its 15-digit decimal form.
// Returns integer digits (no leading zeros, "" for zero) and exactly `decimals` fraction digits.
void roundedDigits(double magnitude, int decimals, std::string &intDigits, std::string &fracDigits)
{
    intDigits.clear();
    fracDigits.assign(static_cast<size_t>(decimals), '0');
    if (magnitude == 0.0 || !std::isfinite(magnitude))
        return;
    // The same digits as printf's "%.14e", without its locale and format parsing.
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf - 1, magnitude, std::chars_format::scientific, 14);
    *res.ptr = '\0';
    std::string digits;
    const char *p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9')
            digits.push_back(*p);
    const int exponent = std::atoi(p + 1);
    // digits[0] has weight 10^exponent; keep those with weight >= 10^-decimals.
    const int keep = exponent + 1 + decimals;
    if (keep < 0)
        return;
    bool roundUp =
        keep < static_cast<int>(digits.size()) && digits[static_cast<size_t>(keep)] >= '5';
    if (keep < static_cast<int>(digits.size()))
        digits.resize(static_cast<size_t>(keep));
    else
        digits.append(static_cast<size_t>(keep) - digits.size(), '0');
    int pointPos = exponent + 1; // digits before the decimal point
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        while (i >= 0 && digits[static_cast<size_t>(i)] == '9')
            digits[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++digits[static_cast<size_t>(i)];
        } else {
            digits.insert(digits.begin(), '1');
            ++pointPos;
        }
    }
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
