// Number texts: the value format, the stored-file forms, lenient reading.
#include "numbertext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace qmxsrv;

namespace {

struct ValueCase {
    float value;
    int decimals;
    const char *text;
};

TEST(ValueFormat, PatternWithDDecimals)
{
    const float inf = std::numeric_limits<float>::infinity();
    const ValueCase cases[] = {
        {12.0f, 0, " 12."},
        {0.4f, 0, " 0."},
        {2.5f, 0, " 3."}, // half away from zero, not to even
        {-2.5f, 0, "-3."},
        {0.01234f, 3, " 0.012"},
        {-0.5f, 3, "-0.500"},
        {0.0125f, 3, " 0.013"}, // rounded on the shortest decimal form
        {0.0135f, 3, " 0.014"},
        {0.9995f, 3, " 1.000"},
        {999.9996f, 3, " 1000.000"},
        {-0.0001f, 3, "-0.000"}, // a negative value keeps its sign
        {-0.0f, 3, " 0.000"},
        {0.0f, 5, " 0.00000"},
        {0.01234f, 5, " 0.01234"},
        {-123.456789f, 5, "-123.45679"},
        {1e-7f, 5, " 0.00000"},
        {5e-6f, 5, " 0.00001"},
        {3e9f, 5, " 3000000000.00000"},
        {1.5f, -2, " 2."},
        {std::nanf(""), 3, " NaN"},
        {-inf, 3, "-Inf"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatValue(c.value, c.decimals), c.text)
            << c.value << " with " << c.decimals << " decimals";
}

TEST(ValueFormat, DoubleAndDecimalsCap)
{
    EXPECT_EQ(formatValue(1.005, 2), " 1.01");
    EXPECT_EQ(formatValue(-0.000012345, 8), "-0.00001235");
    const std::string wide = formatValue(1.0f, 1000);
    EXPECT_EQ(wide.size(), 3u + MaxValueDecimals); // " 1." and the decimals
    EXPECT_EQ(wide.substr(0, 5), " 1.00");
}

struct FileFloatCase {
    float value;
    const char *text;
};

TEST(StoredForms, IntegersAndFloats)
{
    EXPECT_EQ(fileInteger(24), " 24 ");
    EXPECT_EQ(fileInteger(0), " 0 ");
    EXPECT_EQ(fileInteger(-3), "-3 ");
    EXPECT_EQ(fileInteger(-32768), "-32768 ");

    const FileFloatCase cases[] = {
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
        {std::nanf(""), " NaN "},
        {-std::numeric_limits<float>::infinity(), "-Inf "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fileFloat(c.value), c.text) << c.value;
}

TEST(StoredForms, EveryWrittenFloatReadsBackExactly)
{
    const float samples[] = {0.02f / 4, 1.0f / 3, -2.7182817f, 16777215.0f, 1.17549435e-38f,
                             6.1e-6f, 0.3f, 99999.99f, 1234.5677f, -8.5e12f};
    for (float f : samples) {
        const auto back = readFileFloat(fileFloat(f));
        ASSERT_TRUE(back.has_value()) << fileFloat(f);
        EXPECT_EQ(*back, f) << fileFloat(f);
    }
}

TEST(StoredForms, RuntimeTexts)
{
    EXPECT_EQ(signedText(1), " 1");
    EXPECT_EQ(signedText(-12), "-12");
    EXPECT_EQ(numberText(50.5), "50.5");
    EXPECT_EQ(numberText(500 / 10.0), "50");
    EXPECT_EQ(numberText(-2.0), "-2");
    EXPECT_EQ(numberText(1e15), "1E+15");
    EXPECT_EQ(hexText(784), "310");
    EXPECT_EQ(hexText(0x2ab), "2AB");
    EXPECT_EQ(hexText(-1), "FFFF");
}

struct ReadCase {
    const char *text;
    double value;
};

TEST(LenientReading, TakesTheLongestNumberInFront)
{
    const ReadCase cases[] = {
        {"", 0},
        {"abc", 0},
        {"12", 12},
        {"   12 ", 12},
        {"\t-7", -7},
        {"+4", 4},
        {"2.5", 2.5},
        {".5", 0.5},
        {"-.25", -0.25},
        {"5.", 5},
        {"1.2.3", 1.2},
        {"12abc", 12},
        {"1e3", 1000},
        {"1.5E-2", 0.015},
        {"2D2", 200},
        {"1e", 1},
        {"1e+", 1},
        {"3 4", 3},
        {"- 3", 0},
        {"&H300", 768},
        {"&h1f", 31},
        {"&HFFFF", 65535},
        {"&H", 0},
        {"&Hxyz", 0},
        {"1e-999", 0},
        {"0e999999", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(readNumber(c.text), c.value) << '"' << c.text << '"';
    EXPECT_TRUE(std::isinf(readNumber("1e999")));
    EXPECT_TRUE(std::isinf(readNumber("-9e99999999999999999999")));
    EXPECT_EQ(readHexNumber("310"), 784);
    EXPECT_EQ(readHexNumber("0310"), 784);
}

TEST(LenientReading, RoundingAndSixteenBits)
{
    const std::pair<double, double> halves[] = {{2.5, 2},   {3.5, 4},    {-2.5, -2}, {-3.5, -4},
                                                {0.5, 0},   {1.5, 2},    {2.4999, 2}, {2.5001, 3},
                                                {-0.4, -0}, {1e300, 1e300}};
    for (const auto &[in, out] : halves)
        EXPECT_EQ(roundHalfEven(in), out) << in;

    EXPECT_EQ(readInt16("2.5"), 2);
    EXPECT_EQ(readInt16("3.5"), 4);
    EXPECT_EQ(readInt16("letters"), 0);
    EXPECT_EQ(readInt16("32767.4"), 32767);
    EXPECT_EQ(readInt16("-32768.5"), -32768); // the even neighbour is in range
    EXPECT_EQ(readInt16("32767.5"), std::nullopt);
    EXPECT_EQ(readInt16("40000"), std::nullopt);
    EXPECT_EQ(readInt16("-32769"), std::nullopt);
    EXPECT_EQ(toInt16(std::nan("")), std::nullopt);
}

TEST(StoredReading, FloatAndBooleanLinesMustBeWholeNumbers)
{
    EXPECT_EQ(readFileFloat(" .01 "), 0.01f);
    EXPECT_EQ(readFileFloat("-0,5"), -0.5f); // a station with a decimal comma
    EXPECT_EQ(readFileFloat(" 1E-05 "), 1e-5f);
    EXPECT_EQ(readFileFloat("&H10"), 16.0f);
    EXPECT_TRUE(std::isnan(*readFileFloat(" NaN ")));
    EXPECT_EQ(readFileFloat("-inf"), -std::numeric_limits<float>::infinity());
    for (const char *bad : {"", "  ", "abc", "1.5x", "1 2", "1e39", "-4e38", "."})
        EXPECT_EQ(readFileFloat(bad), std::nullopt) << '"' << bad << '"';

    EXPECT_EQ(readFileBoolean("True"), true);
    EXPECT_EQ(readFileBoolean("fALSE"), false);
    EXPECT_EQ(readFileBoolean(" -1 "), true);
    EXPECT_EQ(readFileBoolean("0"), false);
    EXPECT_EQ(readFileBoolean("0.25"), true);
    for (const char *bad : {"", "yes", "Truth", "1x"})
        EXPECT_EQ(readFileBoolean(bad), std::nullopt) << '"' << bad << '"';

    EXPECT_EQ(readFileInteger(" 24 "), 24);
    EXPECT_EQ(readFileInteger(""), 0);
    EXPECT_EQ(readFileInteger("99999"), std::nullopt);
}

} // namespace
