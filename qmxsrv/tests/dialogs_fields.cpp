// Strict reading of typed fields: what is a number and what is refused.
#include "dialogs/fieldreader.h"

#include <gtest/gtest.h>

#include <optional>

using namespace qmxsrv;

TEST(TypedFields, WholeTextMustBeOneNumber)
{
    struct Case {
        const char *text;
        std::optional<float> number;
        std::optional<std::int16_t> integer;
    } cases[] = {
        {" 0.01000", 0.01f, 0},          {"-1.500", -1.5f, -2},
        {"2.5", 2.5f, 2},                {"1e3", 1000.0f, 1000},
        {"40000", 40000.0f, std::nullopt}, {"", std::nullopt, std::nullopt},
        {"1.2.3", std::nullopt, std::nullopt}, {"12abc", std::nullopt, std::nullopt},
        {"1e39", std::nullopt, std::nullopt},  {"NaN", std::nullopt, std::nullopt},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(typedFloat(c.text), c.number) << c.text;
        EXPECT_EQ(typedInteger(c.text), c.integer) << c.text;
    }
}

TEST(TypedFields, PortAddressIsHexadecimalIn16Bits)
{
    struct Case {
        const char *text;
        std::optional<std::int16_t> address;
    } cases[] = {
        {"0310", 784},          {" 2a8 ", 680},         {"FFFF", -1},
        {"10000", std::nullopt}, {"31G", std::nullopt}, {"", std::nullopt},
        {"-1", std::nullopt},   {"3 10", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(typedHex(c.text), c.address) << c.text;
}
