// The formula language: evaluation, faults, memories, and the channel table's
// references, loops and capacities.
#include "channel_table.h"
#include "formula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace qmxboard;

namespace {

// T1 = 0.5, T2 = 1.0, ... (Tn = n x probeStep); A1 = 10, A2 = 20, ...; channels 0.
struct Fixed : Readings, Operands {
    double probe(int n) override { return n * probeStep; }
    double input(int n) override { return n * 10.0; }
    double channel(int) override { return 0; }
    double probeStep = 0.5;
};

TEST(Formula, EvaluatesWithPrecedenceUnaryMinusAndSets)
{
    const struct {
        const char *text;
        double value;
    } cases[] = {
        {"1+2*3", 7},
        {"(1+2)*3", 9},
        {"10-4-3", 3},
        {"16/4/2", 2},
        {"-2*3", -6},
        {"2*-3", -6},
        {"--4", 4},
        {"2-(-3)", 5},
        {"-(1+2)*2", -6},
        {"1.5e1+.5", 15.5},
        {"2.5E-1*4", 1},
        {"T1+T2", 1.5},
        {"(T1+T2)/2", 0.75},
        {"A2-A1", 10},
        {"t2*a1", 10},
        {"  T1 +\t2 ", 2.5},
        {"GOR(T1,T3,T2)", 1.5},
        {"LOR(T2,-T1,T3)", -0.5},
        {"gor(1,2)-lor(1,2)", 1},
        {"GOR(T1+T2,T3*2)", 3},
        {"GOR(LOR(1,5),2)", 2},
        {"-GOR(1,2)", -2},
        {"T64+A16", 192},
        {"007", 7},
    };
    Fixed in;
    for (const auto &c : cases) {
        Formula f;
        ASSERT_EQ(Formula::compile(c.text, f), kOk) << c.text;
        EXPECT_DOUBLE_EQ(f.evaluate(in, false), c.value) << c.text;
    }
}

TEST(Formula, EveryFaultHasItsStatus)
{
    const struct {
        Status status;
        std::vector<const char *> texts;
    } cases[] = {
        {kBadChannel, {"C0", "C256", "T1+C999"}},
        {kUnbalanced, {"(T1+T2", "T1+T2)", "((1)", "GOR(T1,T2", ")"}},
        {kMissingOperand, {"T1+", "*T2", "T1**T2", "()", "+T1", "T1-", "(T1+)", ""}},
        {kBadProbe, {"T0", "T65", "A0", "A17", "T99999999999", "A1+T100"}},
        {kMissingOperator, {"T1 T2", "2T1", "T1(T2)", "(T1)(T2)", "T1 GOR(1,2)", "(T1 2)", "T1.5"}},
        {kBadNumber, {"1.2.3", "1e", "1e+", ".", "1e99", "3..4", "1e-999"}},
        {kBadSymbol, {"X1", "T", "T1 & T2", "SIN(T1)", "TT1", "GOR1", "T1#", "T1X", "Ä"}},
        {kTooComplex,
         {"((((((((((((((((((1))))))))))))))))))", "-----------------1",
          "MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX("
          "MAX(1)))))))))))))))))"}},
        {kBadFunction, {"GOR T1", "MAX", "MAX()", "MAX(T1,T2)", "T1,T2", "(T1,T2)", "TIR(1,2)"}},
        {kBadSet, {"GOR()", "GOR(T1)", "LOR(T1,)", "GOR(,T1)", "LOR(T1,,T2)", "GOR("}},
    };
    Formula f;
    for (const auto &c : cases) {
        for (const char *text : c.texts)
            EXPECT_EQ(Formula::compile(text, f), c.status) << '"' << text << '"';
    }
    // Nesting up to the limit is accepted.
    std::string deep = std::string(kMaxNesting, '(') + "1" + std::string(kMaxNesting, ')');
    EXPECT_EQ(Formula::compile(deep, f), kOk);
    EXPECT_EQ(Formula::compile("(" + deep + ")", f), kTooComplex);
}

class ChannelTableTest : public ::testing::Test {
protected:
    ChannelTable table;
    Fixed readings;
};

TEST_F(ChannelTableTest, ValueIsFormulaTimesScalingPlusZero)
{
    ASSERT_EQ(table.define(1, "T2+A1"), kOk); // 11
    table.at(1).scale = 2.0f;
    table.at(1).zero = -1.0f;
    EXPECT_FLOAT_EQ(table.value(1, readings), 21.0f);
    // A channel without a formula reads its zero offset.
    table.at(2).zero = 0.25f;
    EXPECT_FLOAT_EQ(table.value(2, readings), 0.25f);
    // References take the other channel's calibrated value.
    ASSERT_EQ(table.define(3, "C1/C2"), kOk);
    EXPECT_FLOAT_EQ(table.value(3, readings), 84.0f);
}

TEST_F(ChannelTableTest, LoopsAreRefusedAcrossThreeChannels)
{
    EXPECT_EQ(table.define(1, "C2+1"), kOk);
    EXPECT_EQ(table.define(2, "C3*2"), kOk);
    EXPECT_EQ(table.define(3, "C1-T1"), kCircular);
    EXPECT_EQ(table.define(4, "C4"), kCircular);
    EXPECT_EQ(table.define(3, "T1"), kOk);
    EXPECT_FLOAT_EQ(table.value(1, readings), 2.0f);
    // Clearing a link makes the loop possible no more, so the definition now passes.
    table.clear(2);
    EXPECT_EQ(table.define(3, "C1-T1"), kOk);
}

TEST_F(ChannelTableTest, ARefusedFormulaLeavesTheChannelAsItWas)
{
    ASSERT_EQ(table.define(5, "T1*2"), kOk);
    std::size_t used = table.tableUsed(), memory = table.memoryUsed();
    EXPECT_EQ(table.define(5, "T1*"), kMissingOperand);
    EXPECT_EQ(table.at(5).text, "T1*2");
    EXPECT_FLOAT_EQ(table.value(5, readings), 1.0f);
    EXPECT_EQ(table.tableUsed(), used);
    EXPECT_EQ(table.memoryUsed(), memory);
}

TEST_F(ChannelTableTest, SharedReferencesAreComputedOnce)
{
    // Each channel doubles the one before through two references: without
    // reuse of values this would take 2^40 evaluations.
    ASSERT_EQ(table.define(1, "T1"), kOk);
    for (int n = 2; n <= 41; ++n) {
        std::string before = "C" + std::to_string(n - 1);
        ASSERT_EQ(table.define(n, before + "+" + before), kOk);
    }
    EXPECT_FLOAT_EQ(table.value(41, readings), std::ldexp(0.5f, 40));
}

TEST_F(ChannelTableTest, FormulaTableAndMemoryFillAndAreGivenBack)
{
    // "T1+T1+..." of 254 characters is 85 operands and 84 additions; blanks
    // cost memory but no table elements.
    std::string longSum = "T1";
    while (longSum.size() + 3 <= 254)
        longSum += "+T1";
    const struct {
        std::string formula;
        Status full;
        std::size_t fit;
    } cases[] = {
        {longSum, kTableFull, kFormulaTable / 169},
        {"T1" + std::string(252, ' '), kMemoryFull, kFormulaMemory / 255},
    };
    for (const auto &c : cases) {
        int n = 1;
        while (n <= kChannels && table.define(n, c.formula) == kOk)
            ++n;
        EXPECT_EQ(table.define(n, c.formula), c.full);
        EXPECT_EQ(std::size_t(n - 1), c.fit);
        EXPECT_LE(table.tableUsed(), kFormulaTable);
        // Redefining a channel in place gives its old room back first; freeing one makes room.
        EXPECT_EQ(table.define(1, c.formula), kOk);
        table.clear(1);
        EXPECT_EQ(table.define(n, c.formula), kOk);
        table.clearAll();
        EXPECT_EQ(table.memoryUsed(), 0u);
        EXPECT_EQ(table.tableUsed(), 0u);
    }
    // The program's 255 channels fit with ordinary formulas, with room to spare.
    for (int n = 1; n <= kChannels; ++n) {
        std::string f = "(T" + std::to_string(n % 64 + 1) + "+T" +
                        std::to_string((n + 1) % 64 + 1) + ")/2*1.0254-A" +
                        std::to_string(n % 16 + 1) + "+GOR(T1,T2)";
        ASSERT_EQ(table.define(n, f), kOk) << n;
    }
    EXPECT_LT(table.tableUsed() * 2, kFormulaTable);
    EXPECT_LT(table.memoryUsed() * 2, kFormulaMemory);
}

} // namespace
