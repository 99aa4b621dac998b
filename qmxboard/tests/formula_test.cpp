// The formula language: evaluation, faults, memories, and the channel table's
// references, loops and capacities.
#include "channel_table.h"
#include "formula.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace qmxboard;

namespace {

class FixedReadings : public Readings {
public:
    double probe(int n) override { return n * 0.5; }    // T1 = 0.5, T2 = 1.0, ...
    double input(int n) override { return n * 10.0; }   // A1 = 10, A2 = 20, ...
};

class NoChannels : public Operands {
public:
    double probe(int n) override { return readings.probe(n); }
    double input(int n) override { return readings.input(n); }
    double channel(int) override { return 0; }
    FixedReadings readings;
};

double eval(const std::string &text) {
    Formula f;
    Status s = Formula::compile(text, f);
    EXPECT_EQ(s, kOk) << text;
    NoChannels in;
    return f.evaluate(in, false);
}

Status statusOf(const std::string &text) {
    Formula f;
    return Formula::compile(text, f);
}

TEST(Formula, EvaluatesWithPrecedenceUnaryMinusAndSets) {
    const struct { const char *text; double value; } cases[] = {
        {"1+2*3", 7},          {"(1+2)*3", 9},        {"10-4-3", 3},        {"16/4/2", 2},
        {"-2*3", -6},          {"2*-3", -6},          {"--4", 4},           {"2-(-3)", 5},
        {"-(1+2)*2", -6},      {"1.5e1+.5", 15.5},    {"2.5E-1*4", 1},      {"T1+T2", 1.5},
        {"(T1+T2)/2", 0.75},   {"A2-A1", 10},         {"t2*a1", 10},        {"  T1 +\t2 ", 2.5},
        {"GOR(T1,T3,T2)", 1.5}, {"LOR(T2,-T1,T3)", -0.5}, {"gor(1,2)-lor(1,2)", 1},
        {"GOR(T1+T2,T3*2)", 3}, {"GOR(LOR(1,5),2)", 2}, {"-GOR(1,2)", -2},    {"T64+A16", 192},
        {"007", 7},
    };
    for (const auto &c : cases) EXPECT_DOUBLE_EQ(eval(c.text), c.value) << c.text;
}

TEST(Formula, EveryFaultHasItsStatus) {
    const struct { Status status; std::vector<const char *> texts; } cases[] = {
        {kBadChannel, {"C0", "C256", "T1+C999"}},
        {kUnbalanced, {"(T1+T2", "T1+T2)", "((1)", "GOR(T1,T2", ")"}},
        {kMissingOperand, {"T1+", "*T2", "T1**T2", "()", "+T1", "T1-", "(T1+)", ""}},
        {kBadProbe, {"T0", "T65", "A0", "A17", "T99999999999", "A1+T100"}},
        {kMissingOperator, {"T1 T2", "2T1", "T1(T2)", "(T1)(T2)", "T1 GOR(1,2)", "(T1 2)", "T1.5"}},
        {kBadNumber, {"1.2.3", "1e", "1e+", ".", "1e99", "3..4", "1e-999"}},
        {kBadSymbol, {"X1", "T", "T1 & T2", "SIN(T1)", "TT1", "GOR1", "T1#", "T1X", "Ä"}},
        {kTooComplex, {"((((((((((((((((((1))))))))))))))))))", "-----------------1", "MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(MAX(1)))))))))))))))))"}},
        {kBadFunction, {"GOR T1", "MAX", "MAX()", "MAX(T1,T2)", "T1,T2", "(T1,T2)", "TIR(1,2)"}},
        {kBadSet, {"GOR()", "GOR(T1)", "LOR(T1,)", "GOR(,T1)", "LOR(T1,,T2)", "GOR("}},
    };
    for (const auto &c : cases) {
        for (const char *text : c.texts) EXPECT_EQ(statusOf(text), c.status) << '"' << text << '"';
    }
}

TEST(Formula, NestingUpToTheLimitIsAccepted) {
    std::string deep = std::string(kMaxNesting, '(') + "1" + std::string(kMaxNesting, ')');
    EXPECT_EQ(statusOf(deep), kOk);
    EXPECT_EQ(statusOf("(" + deep + ")"), kTooComplex);
}

TEST(Formula, MemoriesFollowTheScansAndStartAgainAfterAReset) {
    Formula f;
    ASSERT_EQ(Formula::compile("MAX(T1)*100+MIN(T1)*10+TIR(T1)", f), kOk);
    struct Probe : Operands {
        double x = 0;
        double probe(int) override { return x; }
        double input(int) override { return 0; }
        double channel(int) override { return 0; }
    } in;
    auto parts = [&] {
        auto m = f.memories();
        return std::vector<double>{m[0].high, m[1].low, m[2].high - m[2].low};
    };
    // Before any scan every memory shows the present value.
    in.x = 2;
    EXPECT_DOUBLE_EQ(f.evaluate(in, false), 2 * 100 + 2 * 10 + 0);
    for (double x : {2.0, 5.0, 1.0, 3.0}) {
        in.x = x;
        f.evaluate(in, true);
    }
    EXPECT_EQ(parts(), (std::vector<double>{5, 1, 4}));
    in.x = 3;
    EXPECT_DOUBLE_EQ(f.evaluate(in, false), 5 * 100 + 1 * 10 + 4);
    // A read between scans sees a new extreme, but does not keep it.
    in.x = 7;
    EXPECT_DOUBLE_EQ(f.evaluate(in, false), 7 * 100 + 1 * 10 + 6);
    EXPECT_EQ(parts(), (std::vector<double>{5, 1, 4}));

    f.resetMemories();
    in.x = 4;
    EXPECT_DOUBLE_EQ(f.evaluate(in, false), 4 * 100 + 4 * 10 + 0);
    f.evaluate(in, true);
    in.x = 6;
    f.evaluate(in, true);
    EXPECT_EQ(parts(), (std::vector<double>{6, 4, 2}));
}

class ChannelTableTest : public ::testing::Test {
protected:
    ChannelTable table;
    FixedReadings readings;
};

TEST_F(ChannelTableTest, ValueIsFormulaTimesScalingPlusZero) {
    ASSERT_EQ(table.define(1, "T2+A1"), kOk);   // 11
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

TEST_F(ChannelTableTest, LoopsAreRefusedAcrossThreeChannels) {
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

TEST_F(ChannelTableTest, ARefusedFormulaLeavesTheChannelAsItWas) {
    ASSERT_EQ(table.define(5, "T1*2"), kOk);
    std::size_t used = table.tableUsed(), memory = table.memoryUsed();
    EXPECT_EQ(table.define(5, "T1*"), kMissingOperand);
    EXPECT_EQ(table.at(5).text, "T1*2");
    EXPECT_FLOAT_EQ(table.value(5, readings), 1.0f);
    EXPECT_EQ(table.tableUsed(), used);
    EXPECT_EQ(table.memoryUsed(), memory);
}

TEST_F(ChannelTableTest, SharedReferencesAreComputedOnce) {
    // Each channel doubles the one before through two references: without
    // reuse of values this would take 2^40 evaluations.
    ASSERT_EQ(table.define(1, "T1"), kOk);
    for (int n = 2; n <= 41; ++n) ASSERT_EQ(table.define(n, "C" + std::to_string(n - 1) + "+C" + std::to_string(n - 1)), kOk);
    EXPECT_FLOAT_EQ(table.value(41, readings), std::ldexp(0.5f, 40));
}

TEST_F(ChannelTableTest, FormulaTableFillsWithElements) {
    // "T1+T1+..." of 254 characters: 85 operands and 84 additions.
    std::string longSum = "T1";
    while (longSum.size() + 3 <= 254) longSum += "+T1";
    int n = 1;
    Status s = kOk;
    for (; n <= kChannels && s == kOk; ++n) s = table.define(n, longSum);
    EXPECT_EQ(s, kTableFull);
    EXPECT_EQ(n - 1, int(kFormulaTable / 169) + 1);
    EXPECT_LE(table.tableUsed(), kFormulaTable);
    // Freeing one channel makes room again.
    table.clear(1);
    EXPECT_EQ(table.define(n - 1, longSum), kOk);
}

TEST_F(ChannelTableTest, FormulaMemoryFillsWithText) {
    // Blanks cost memory but no table elements.
    std::string padded = "T1" + std::string(252, ' ');
    int n = 1;
    Status s = kOk;
    for (; n <= kChannels && s == kOk; ++n) s = table.define(n, padded);
    EXPECT_EQ(s, kMemoryFull);
    EXPECT_EQ(n - 1, int(kFormulaMemory / 255) + 1);
    // Redefining a channel in place gives its old text back first.
    EXPECT_EQ(table.define(1, padded), kOk);
    table.clearAll();
    EXPECT_EQ(table.memoryUsed(), 0u);
    EXPECT_EQ(table.tableUsed(), 0u);
}

TEST_F(ChannelTableTest, TwoHundredFiftyFiveOrdinaryFormulasFit) {
    for (int n = 1; n <= kChannels; ++n) {
        std::string f = "(T" + std::to_string(n % 64 + 1) + "+T" + std::to_string((n + 1) % 64 + 1) + ")/2*1.0254-A" +
                        std::to_string(n % 16 + 1) + "+GOR(T1,T2)";
        ASSERT_EQ(table.define(n, f), kOk) << n;
    }
    EXPECT_LT(table.tableUsed() * 2, kFormulaTable);
    EXPECT_LT(table.memoryUsed() * 2, kFormulaMemory);
}

TEST_F(ChannelTableTest, ScanUpdatesOnlyMemoriesAndResetClearsThem) {
    ASSERT_EQ(table.define(1, "MAX(T1)"), kOk);
    ASSERT_EQ(table.define(2, "TIR(C1)"), kOk);
    table.scan(readings);
    auto m = table.at(1).formula->memories();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].held);
    EXPECT_DOUBLE_EQ(m[0].high, 0.5);
    table.resetMemories();
    EXPECT_FALSE(table.at(1).formula->memories()[0].held);
    EXPECT_FALSE(table.at(2).formula->memories()[0].held);
}

} // namespace
