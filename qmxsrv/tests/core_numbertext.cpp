// Number texts: the value format, the stored-file forms, lenient reading.
#include "core/numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qmxsrv;

namespace {

const float inf = std::numeric_limits<float>::infinity();
const float nan = std::nanf("");

TEST(ValueFormat, PatternWithDDecimals)
{
    const struct {
        float value;
        int decimals;
        const char *text;
    } cases[] = {
        {12.0f, 0, " 12."},
        {0.4f, 0, " 0."},
        {-2.5f, 0, "-3."},
        {1.5f, -2, " 2."},
        {2.5f, 0, " 3."}, // half away from zero, not to even
        {0.01234f, 3, " 0.012"},
        {-0.5f, 3, "-0.500"},
        {0.0135f, 3, " 0.014"},
        {0.0125f, 3, " 0.013"}, // rounded on the shortest decimal form
        {0.9995f, 3, " 1.000"},
        {999.9996f, 3, " 1000.000"},
        {-0.0f, 3, " 0.000"},
        {-0.0001f, 3, "-0.000"}, // a negative value keeps its sign
        {0.0f, 5, " 0.00000"},
        {0.01234f, 5, " 0.01234"},
        {-123.456789f, 5, "-123.45679"},
        {1e-7f, 5, " 0.00000"},
        {5e-6f, 5, " 0.00001"},
        {3e9f, 5, " 3000000000.00000"},
        {nan, 3, " NaN"},
        {-inf, 3, "-Inf"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatValue(c.value, c.decimals), c.text)
            << c.value << " with " << c.decimals << " decimals";
    EXPECT_EQ(formatValue(1.005, 2), " 1.01");
    EXPECT_EQ(formatValue(-0.000012345, 8), "-0.00001235");
    const std::string wide = formatValue(1.0f, 1000);
    EXPECT_EQ(wide.size(), 3u + MaxValueDecimals); // " 1." and the decimals
    EXPECT_EQ(wide.substr(0, 5), " 1.00");
}

TEST(StoredForms, IntegersAndFloats)
{
    for (const auto &[value, text] :
         {std::pair<long, const char *>{24, " 24 "}, {0, " 0 "}, {-3, "-3 "}, {-32768, "-32768 "}})
        EXPECT_EQ(fileInteger(value), text);
    const std::pair<float, const char *> floats[] = {
        {0.0f, " 0 "},
        {-0.0f, " 0 "},
        {1.0f, " 1 "},
        {0.01f, " 0.01 "},
        {-0.009f, "-0.009 "},
        {0.1f, " 0.1 "},
        {0.005f, " 0.005 "},
        {1234567.0f, " 1234567 "},
        {1e7f, " 1E+07 "},
        {12345678.0f, " 1.2345678E+07 "},
        {-3.4028235e38f, "-3.4028235E+38 "},
        {0.0001f, " 0.0001 "},
        {0.00001f, " 1E-05 "},
        {-1.5e-5f, "-1.5E-05 "},
        {1e-45f, " 1E-45 "},
        {1.0000001f, " 1.0000001 "}, // 7 digits would read back as 1
        {nan, " NaN "},
        {-inf, "-Inf "},
    };
    for (const auto &[value, text] : floats)
        EXPECT_EQ(fileFloat(value), text) << value;
    // Every written float reads back exactly.
    for (float f : {0.02f / 4, 1.0f / 3, -2.7182817f, 16777215.0f, 1.17549435e-38f, 6.1e-6f, 0.3f,
                    99999.99f, 1234.5677f, -8.5e12f})
        EXPECT_EQ(readFileFloat(fileFloat(f)), f) << fileFloat(f);
}

TEST(StoredForms, DecimalDoubleNamesWhatWasTypedAndKeepsTheFloat)
{
    const std::pair<float, double> rows[] = {{-0.01f, -0.01},           {0.0125f, 0.0125},
                                             {1.0000001f, 1.0000001},   {3e-39f, 3e-39},
                                             {16777215.0f, 16777215.0}, {-inf, -double(INFINITY)}};
    for (const auto &[f, d] : rows) {
        EXPECT_EQ(decimalDouble(f), d) << f;
        EXPECT_EQ(float(decimalDouble(f)), f) << f;
    }
    EXPECT_TRUE(std::isnan(decimalDouble(nan)));
}

TEST(LenientReading, TakesTheLongestNumberInFront)
{
    const std::pair<const char *, double> cases[] = {
        {"", 0},         {"abc", 0},        {"12", 12},    {"   12 ", 12},    {"\t-7", -7},
        {"+4", 4},       {"2.5", 2.5},      {".5", 0.5},   {"-.25", -0.25},   {"5.", 5},
        {"1.2.3", 1.2},  {"12abc", 12},     {"1e3", 1000}, {"1.5E-2", 0.015}, {"2D2", 200},
        {"1e", 1},       {"1e+", 1},        {"3 4", 3},    {"- 3", 0},        {"&H300", 768},
        {"&h1f", 31},    {"&HFFFF", 65535}, {"&H", 0},     {"&Hxyz", 0},      {"1e-999", 0},
        {"0e999999", 0},
    };
    for (const auto &[text, value] : cases)
        EXPECT_EQ(readNumber(text), value) << '"' << text << '"';
    EXPECT_TRUE(std::isinf(readNumber("1e999")));
    EXPECT_TRUE(std::isinf(readNumber("-9e99999999999999999999")));
    EXPECT_EQ(readHexNumber("310"), 784);
    EXPECT_EQ(readHexNumber("0310"), 784);
}

TEST(LenientReading, RoundingAndSixteenBits)
{
    const std::pair<double, double> halves[] = {{2.5, 2},   {3.5, 4},      {-2.5, -2},  {-3.5, -4},
                                                {0.5, 0},   {1.5, 2},      {2.4999, 2}, {2.5001, 3},
                                                {-0.4, -0}, {1e300, 1e300}};
    for (const auto &[in, out] : halves)
        EXPECT_EQ(roundHalfEven(in), out) << in;
    const std::pair<const char *, std::optional<std::int16_t>> ints[] = {
        {"2.5", 2},
        {"3.5", 4},
        {"letters", 0},
        {"32767.4", 32767},
        {"-32768.5", -32768}, // the even neighbour is in range
        {"32767.5", std::nullopt},
        {"40000", std::nullopt},
        {"-32769", std::nullopt},
    };
    for (const auto &[text, value] : ints)
        EXPECT_EQ(readInt16(text), value) << text;
    EXPECT_EQ(toInt16(std::nan("")), std::nullopt);
}

TEST(StoredReading, FloatAndBooleanLinesMustBeWholeNumbers)
{
    const std::pair<const char *, std::optional<float>> floats[] = {
        {" .01 ", 0.01f},        {"-0,5", -0.5f}, // a station with a decimal comma
        {" 1E-05 ", 1e-5f},      {"&H10", 16.0f},       {"-inf", -inf},
        {"", std::nullopt},      {"  ", std::nullopt},  {"abc", std::nullopt},
        {"1.5x", std::nullopt},  {"1 2", std::nullopt}, {"1e39", std::nullopt},
        {"-4e38", std::nullopt}, {".", std::nullopt},
    };
    for (const auto &[text, value] : floats)
        EXPECT_EQ(readFileFloat(text), value) << '"' << text << '"';
    EXPECT_TRUE(std::isnan(*readFileFloat(" NaN ")));

    const std::pair<const char *, std::optional<bool>> booleans[] = {
        {"True", true},        {"fALSE", false},        {" -1 ", true},
        {"0", false},          {"0.25", true},          {"", std::nullopt},
        {"yes", std::nullopt}, {"Truth", std::nullopt}, {"1x", std::nullopt},
    };
    for (const auto &[text, value] : booleans)
        EXPECT_EQ(readFileBoolean(text), value) << '"' << text << '"';

    EXPECT_EQ(readFileInteger(" 24 "), 24);
    EXPECT_EQ(readFileInteger(""), 0);
    EXPECT_EQ(readFileInteger("99999"), std::nullopt);
}

} // namespace
