#include "numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace qmxsrv {
namespace {

// A finite number as its shortest round-trip decimal digits:
// value = d1.d2d3... x 10^exponent.
struct Digits {
    bool negative = false;
    std::string digits; // no trailing zeros, "0" for zero
    int exponent = 0;
};

template <typename T> Digits shortestDigits(T value)
{
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    Digits d;
    std::size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    for (; i < text.size() && text[i] != 'e'; ++i)
        if (text[i] != '.')
            d.digits += text[i];
    std::from_chars(text.data() + i + 1 + (text[i + 1] == '+'), text.data() + text.size(),
                    d.exponent);
    return d;
}

// Adds one unit in the last place of a string of decimal digits.
void incrementDigits(std::string &n)
{
    for (auto it = n.rbegin(); it != n.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    n.insert(n.begin(), '1');
}

std::string specialText(double value)
{
    if (std::isnan(value))
        return "NaN";
    return value < 0 ? "-Inf" : "Inf";
}

template <typename T> std::string formatValueT(T value, int decimals)
{
    if (!std::isfinite(value)) {
        std::string t = specialText(value);
        return t[0] == '-' ? t : " " + t;
    }
    decimals = std::clamp(decimals, 0, MaxValueDecimals);
    const Digits d = shortestDigits(value);
    // n = |value| x 10^decimals, rounded half away from zero on the digits.
    const int keep = d.exponent + 1 + decimals;
    std::string n;
    if (keep >= 0) {
        const auto len = static_cast<int>(d.digits.size());
        n = d.digits.substr(0, static_cast<std::size_t>(std::min(keep, len)));
        n.append(static_cast<std::size_t>(std::max(0, keep - len)), '0');
        if (keep < len && d.digits[static_cast<std::size_t>(keep)] >= '5')
            incrementDigits(n);
    }
    if (n.size() < static_cast<std::size_t>(decimals) + 1)
        n.insert(0, static_cast<std::size_t>(decimals) + 1 - n.size(), '0');
    const std::size_t intLen = n.size() - static_cast<std::size_t>(decimals);
    std::size_t lead = 0;
    while (lead + 1 < intLen && n[lead] == '0')
        ++lead;
    std::string out = value < 0 ? "-" : " ";
    out.append(n, lead, intLen - lead);
    out += '.';
    out.append(n, intLen, std::string::npos);
    return out;
}

// The runtime's plain number text: plain notation for decimal exponents from
// -4 up to below `digits`, exponent notation ("1.5E-05", "1E+07") beyond.
template <typename T> std::string basicText(T value, int digits)
{
    if (!std::isfinite(value))
        return specialText(value);
    if (value == 0)
        return "0";
    const Digits d = shortestDigits(value);
    std::string out = d.negative ? "-" : "";
    const std::string &m = d.digits;
    if (d.exponent < -4 || d.exponent >= digits) {
        out += m[0];
        if (m.size() > 1)
            out += "." + m.substr(1);
        const int e = std::abs(d.exponent);
        out += d.exponent < 0 ? "E-" : "E+";
        if (e < 10)
            out += '0';
        out += std::to_string(e);
    } else if (d.exponent >= 0) {
        const auto intLen = static_cast<std::size_t>(d.exponent) + 1;
        std::string intPart = m.substr(0, std::min(intLen, m.size()));
        intPart.append(intLen - intPart.size(), '0');
        out += intPart;
        if (m.size() > intLen)
            out += "." + m.substr(intLen);
    } else {
        out += "0." + std::string(static_cast<std::size_t>(-d.exponent - 1), '0') + m;
    }
    return out;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigit(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// The number at the start of a text, as the lenient reader takes it.
struct Scan {
    bool found = false;  // at least one digit
    std::size_t end = 0; // first character not taken
    bool hex = false;
    double hexValue = 0;
    bool negative = false;
    std::string intDigits, fracDigits;
    long exponent = 0; // saturated far beyond any float's range
};

Scan scanNumber(std::string_view s, bool commaIsPoint)
{
    Scan r;
    std::size_t i = 0;
    while (i < s.size() && isBlank(s[i]))
        ++i;
    if (i + 1 < s.size() && s[i] == '&' && (s[i + 1] == 'H' || s[i + 1] == 'h')) {
        r.hex = true;
        i += 2;
        for (; i < s.size() && hexDigit(s[i]) >= 0; ++i) {
            r.hexValue = r.hexValue * 16 + hexDigit(s[i]);
            r.found = true;
        }
        r.end = i;
        return r;
    }
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        r.negative = s[i++] == '-';
    for (; i < s.size() && isDigit(s[i]); ++i)
        r.intDigits += s[i];
    if (i < s.size() && (s[i] == '.' || (commaIsPoint && s[i] == ',')))
        for (++i; i < s.size() && isDigit(s[i]); ++i)
            r.fracDigits += s[i];
    r.found = !r.intDigits.empty() || !r.fracDigits.empty();
    if (!r.found)
        return r;
    r.end = i;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        bool negExp = false;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            negExp = s[j++] == '-';
        if (j < s.size() && isDigit(s[j])) {
            for (; j < s.size() && isDigit(s[j]); ++j)
                r.exponent = std::min(r.exponent * 10 + (s[j] - '0'), 100000000L);
            if (negExp)
                r.exponent = -r.exponent;
            r.end = j;
        }
    }
    return r;
}

// The scanned number in type T, correctly rounded; a magnitude beyond T's
// range gives an infinity, one below it zero.
template <typename T> T scannedValue(const Scan &s)
{
    if (!s.found)
        return 0;
    if (s.hex)
        return static_cast<T>(s.hexValue);
    const std::string text = (s.intDigits.empty() ? "0" : s.intDigits) + "." + s.fracDigits + "e" +
                             std::to_string(s.exponent);
    T value = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec == std::errc::result_out_of_range) {
        // Decimal place of the first significant digit decides which way.
        const std::string all = s.intDigits + s.fracDigits;
        const auto first = all.find_first_not_of('0');
        const long place = static_cast<long>(s.intDigits.size()) - static_cast<long>(first);
        value = (first != std::string::npos && s.exponent + place > 0)
                    ? std::numeric_limits<T>::infinity()
                    : T(0);
    }
    return s.negative ? -value : value;
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x | 0x20) == (y | 0x20);
           });
}

// A whole trimmed line that is exactly one number.
std::optional<Scan> wholeNumber(std::string_view line)
{
    line = trimBlanks(line);
    Scan s = scanNumber(line, true);
    if (!s.found || s.end != line.size())
        return std::nullopt;
    return s;
}

} // namespace

std::string formatValue(float value, int decimals) { return formatValueT(value, decimals); }
std::string formatValue(double value, int decimals) { return formatValueT(value, decimals); }

std::string fileInteger(long value) { return signedText(value) + " "; }

std::string fileFloat(float value)
{
    std::string t = basicText(value, 7);
    return (t[0] == '-' ? t : " " + t) + " ";
}

double decimalDouble(float value)
{
    if (!std::isfinite(value))
        return value;
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    double wide = value;
    std::from_chars(text, end, wide);
    return wide;
}

std::string signedText(long value)
{
    std::string digits = std::to_string(value);
    return value < 0 ? digits : " " + digits;
}

std::string numberText(double value) { return basicText(value, 15); }

std::string hexText(std::int16_t value)
{
    char buf[8];
    auto res = std::to_chars(buf, buf + sizeof buf, static_cast<std::uint16_t>(value), 16);
    std::string t(buf, res.ptr);
    std::transform(t.begin(), t.end(), t.begin(), [](char c) {
        return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return t;
}

double readNumber(std::string_view text) { return scannedValue<double>(scanNumber(text, false)); }

double readHexNumber(std::string_view text) { return readNumber("&H" + std::string(text)); }

double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double low = std::floor(value);
    const double diff = value - low;
    if (diff > 0.5)
        return low + 1;
    if (diff < 0.5)
        return low;
    return std::fmod(low, 2.0) == 0 ? low : low + 1;
}

int roundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    const double r = roundHalfEven(value);
    if (r <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (r >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(r);
}

std::optional<std::int16_t> toInt16(double value)
{
    const double r = roundHalfEven(value);
    if (!(r >= -32768 && r <= 32767))
        return std::nullopt;
    return static_cast<std::int16_t>(r);
}

std::optional<std::int16_t> readInt16(std::string_view text) { return toInt16(readNumber(text)); }

std::optional<std::int16_t> readFileInteger(std::string_view line) { return readInt16(line); }

std::optional<float> readFileFloat(std::string_view line)
{
    const std::string_view t = trimBlanks(line);
    if (equalsNoCase(t, "NaN"))
        return std::numeric_limits<float>::quiet_NaN();
    if (equalsNoCase(t, "Inf") || equalsNoCase(t, "+Inf"))
        return std::numeric_limits<float>::infinity();
    if (equalsNoCase(t, "-Inf"))
        return -std::numeric_limits<float>::infinity();
    const auto s = wholeNumber(t);
    if (!s)
        return std::nullopt;
    const float value = scannedValue<float>(*s);
    if (std::isinf(value))
        return std::nullopt;
    return value;
}

std::optional<bool> readFileBoolean(std::string_view line)
{
    const std::string_view t = trimBlanks(line);
    if (equalsNoCase(t, "True"))
        return true;
    if (equalsNoCase(t, "False"))
        return false;
    const auto s = wholeNumber(t);
    if (!s)
        return std::nullopt;
    return scannedValue<double>(*s) != 0;
}

} // namespace qmxsrv
