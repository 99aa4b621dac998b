// Number texts: the one place where the program turns numbers into text and
// text into numbers. Every text here is locale-free: the decimal separator is
// always the point, whatever LC_NUMERIC says (Qt sets the process locale from
// the environment, and a stored file must read back on any station), and the
// stored-file readers also take a comma so that files written by a station
// whose locale used one still load.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qmxsrv {

// The value format with d decimals ("\ #0.000;-#0.000"): a blank or a minus,
// at least one integer digit, the point and exactly d decimals. The number is
// rounded half away from zero on its shortest decimal form, so that 0.0125f
// shows as 0.013 with 3 decimals, as a person reading 0.0125 expects. A value
// below zero keeps its minus even when it rounds to zero (-0.0001 gives
// "-0.000"); d = 0 ends with the point; d below 0 counts as 0 and above
// MaxValueDecimals as MaxValueDecimals. NaN and infinities show as " NaN",
// " Inf" and "-Inf".
constexpr int MaxValueDecimals = 30;
std::string formatValue(float value, int decimals);
std::string formatValue(double value, int decimals);

// Written forms of the stored files (setup and settings files): a blank in
// place of a plus sign or a minus, the number, one trailing blank.
// Integers: " 24 ", "-3 ". Floats: the shortest decimal text that reads back
// to the same float, so up to 7 significant digits for every value that 7
// digits name and 8 or 9 only where 7 would change the value; plain notation
// for decimal exponents -4 to 6, otherwise the runtime's exponent style
// ("1E+07", "1.5E-05"). Negative zero is written as zero.
std::string fileInteger(long value);
std::string fileFloat(float value);
// The double that a float's shortest decimal text names, for stores that
// keep doubles: a limit typed as -0.01 is kept as -0.01, not as the float's
// exact -0.009999999776482582; it still reads back to the same float. NaN and
// infinities stay as they are.
double decimalDouble(float value);
inline std::string fileBoolean(bool value) { return value ? "True" : "False"; }

// The runtime's number text without padding: what a text box shows.
// signedText(3) = " 3" (blank in place of the plus, as in "Channel 3"),
// numberText(50.5) = "50.5", numberText(-2.0) = "-2" (exponent style from
// 1E+15 on), hexText(784) = "310" (upper case, 16 bits: -1 gives "FFFF").
std::string signedText(long value);
std::string numberText(double value);
std::string hexText(std::int16_t value);

// Lenient number reading: leading blanks skipped, then an optional sign,
// digits with at most one point (a missing zero before it accepted) and an
// optional exponent (E or D), up to the first character that cannot continue
// the number; "&H" reads hexadecimal digits. No number at all reads as 0.
double readNumber(std::string_view text);
// readNumber of "&H" followed by text: a port address typed in hexadecimal.
double readHexNumber(std::string_view text);

// Rounds to the nearest whole number, a half to the even neighbour.
double roundHalfEven(double value);
// roundHalfEven as an int, for pixel and twips arithmetic: NaN gives 0 and
// values beyond int's range give its nearest end.
int roundToInt(double value);
// roundHalfEven, then the 16-bit range test: nothing when outside -32768 to
// 32767 (or not a number).
std::optional<std::int16_t> toInt16(double value);
// A text read leniently and taken to 16 bits: nothing when out of range.
std::optional<std::int16_t> readInt16(std::string_view text);

// Stored-file readers. A line that does not convert gives nothing.
// Integer line: read leniently (an empty line is 0); nothing when the number
// is outside the 16-bit range.
std::optional<std::int16_t> readFileInteger(std::string_view line);
// Float line: the whole line, blanks around it allowed, must be one number
// (point or comma as decimal separator, exponent, "&H", NaN and Inf as the
// writer writes them) within the float range.
std::optional<float> readFileFloat(std::string_view line);
// Boolean line: "True" or "False" in any letter case, or one number
// (not 0 = True).
std::optional<bool> readFileBoolean(std::string_view line);

} // namespace qmxsrv
