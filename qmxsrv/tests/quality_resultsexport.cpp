// CSV and AQDEF export: exact layout on a small case, and round trips.
#include "quality/resultsexport.h"

#include <gmock/gmock.h>

#include <cmath>

using namespace qmxsrv;

namespace {

std::vector<PartRow> twoParts()
{
    PartRow a;
    a.id = 7;
    a.recordedUtc = "2026-12-07T23:30:00.125Z";
    a.utcOffsetMin = 60;
    a.setup = "/s/bore.qmx";
    a.serial = "A0099";
    a.verdict = Verdict::Reject;
    a.measurements.push_back(
        {1, "Bore, \"inner\"", -0.1, "-0.100", "mm", -0.05, -0.02, 0.02, 0.05, Verdict::Reject});
    a.measurements.push_back(
        {3, "Length", 12.5, " 12.50", "mm", 12, 12.2, 12.8, 13, Verdict::Good});
    PartRow b;
    b.id = 8;
    b.recordedUtc = "2026-12-07T23:31:00.000Z";
    b.utcOffsetMin = 60;
    b.setup = "/s/bore.qmx";
    b.serial = "";
    b.verdict = Verdict::Invalid;
    b.masteringDue = "1 3";
    b.measurements.push_back({1, "Bore, \"inner\"", std::nullopt, " NaN", "mm", -0.05, -0.02, 0.02,
                              0.05, Verdict::Invalid});
    b.measurements.push_back(
        {3, "Length", 1.0 / 3.0, " 0.33", "mm", 12, 12.2, 12.8, 13, Verdict::Reject});
    return {a, b};
}

TEST(Export, ExactNumberReadsBack)
{
    for (double v : {0.1, -1.5e-7, 1.0 / 3.0, 123456789.125, 0.0, 1e300})
        EXPECT_EQ(std::stod(exactNumber(v)), v) << exactNumber(v);
    EXPECT_EQ(exactNumber(0.1), "0.1");
    EXPECT_EQ(exactNumber(-2.0), "-2");
}

TEST(Export, CsvLayoutAndRoundTrip)
{
    const std::string csv = writeCsv(twoParts());
    EXPECT_EQ(csv, "part,recorded_utc,serial,verdict,\"Bore, \"\"inner\"\" [1]\",Length [3],"
                   "mastering_due\r\n"
                   "7,2026-12-07T23:30:00.125Z,A0099,reject,-0.1,12.5,\r\n"
                   "8,2026-12-07T23:31:00.000Z,,invalid,,0.3333333333333333,1 3\r\n");
    std::string error;
    const auto rows = readCsv(csv, error);
    ASSERT_EQ(rows.size(), 3u) << error;
    EXPECT_EQ(rows[0][4], "Bore, \"inner\" [1]");
    EXPECT_EQ(std::stod(rows[2][5]), 1.0 / 3.0);
    EXPECT_EQ(rows[2][4], "");
    EXPECT_EQ(rows[2][6], "1 3");
    EXPECT_TRUE(readCsv("a,\"b\r\n", error).empty());
    EXPECT_THAT(error, ::testing::HasSubstr("does not end"));
}

TEST(Export, DfqLayoutAndRoundTrip)
{
    const std::string dfq = writeDfq(twoParts(), "/s/bore.qmx");
    EXPECT_EQ(dfq, "K0100 2\r\nK1001 bore\r\nK1002 bore\r\n"
                   "K2001/1 1\r\nK2002/1 Bore, \"inner\"\r\nK2022/1 3\r\nK2110/1 -0.05\r\n"
                   "K2111/1 0.05\r\nK2142/1 mm\r\n"
                   "K2001/2 3\r\nK2002/2 Length\r\nK2022/2 2\r\nK2110/2 12\r\nK2111/2 13\r\n"
                   "K2142/2 mm\r\n"
                   // local time: an hour past UTC, across midnight
                   "K0001/1 -0.1\r\nK0002/1 0\r\nK0004/1 08.12.2026/00:30:00\r\nK0014/1 A0099\r\n"
                   "K0001/2 12.5\r\nK0002/2 0\r\nK0004/2 08.12.2026/00:30:00\r\nK0014/2 A0099\r\n"
                   "K0001/1 0\r\nK0002/1 255\r\nK0004/1 08.12.2026/00:31:00\r\nK0014/1 \r\n"
                   "K0001/2 0.3333333333333333\r\nK0002/2 0\r\nK0004/2 08.12.2026/00:31:00\r\n"
                   "K0014/2 \r\n");
    std::string error;
    const auto back = readDfq(dfq, error);
    ASSERT_EQ(back.size(), 2u) << error;
    const auto in = twoParts();
    for (std::size_t p = 0; p < 2; ++p) {
        EXPECT_EQ(back[p].serial, in[p].serial);
        ASSERT_EQ(back[p].measurements.size(), 2u);
        for (std::size_t m = 0; m < 2; ++m) {
            const auto &a = back[p].measurements[m], &b = in[p].measurements[m];
            EXPECT_EQ(std::tie(a.channel, a.description, a.units, a.loTol, a.hiTol, a.value),
                      std::tie(b.channel, b.description, b.units, b.loTol, b.hiTol, b.value));
        }
    }
    EXPECT_EQ(back[1].recordedUtc, "2026-12-08T00:31:00");
    EXPECT_TRUE(readDfq("K0100 1\r\nnonsense\r\n", error).empty());
    EXPECT_THAT(error, ::testing::HasSubstr("Line 2 is no K-key"));
}

} // namespace
