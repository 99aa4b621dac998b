// The mastering record in the results store: round trip, the interval and
// the rule that makes a channel due, the CSV of it and qmxresults masterings.
#include "quality/masteringstore.h"
#include "quality/resultscli.h"
#include "quality/resultsexport.h"
#include "quality_commands.h"

#include <gmock/gmock.h>
#include <sqlite3.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <unistd.h>

using namespace qmxsrv;
using qmxtest::Command;
using qmxtest::expectCommands;
namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class Masterings : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qmxmasteringsXXXXXX";
        dir = mkdtemp(tmpl);
        path = (dir / "results.sqlite").string();
        results = ResultsStore::open(path, false, error);
        ASSERT_TRUE(results) << error;
    }
    void TearDown() override
    {
        results.reset();
        fs::remove_all(dir);
    }
    static MasteringRow row(const std::string &setup, int channel, MasteringKind kind,
                            const std::string &utc = "2026-12-07T10:11:12.345Z")
    {
        MasteringRow r;
        r.recordedUtc = utc;
        r.operatorName = "J. Doe";
        r.setup = setup;
        r.channel = channel;
        r.description = "Bore " + std::to_string(channel);
        r.decimals = 4;
        r.kind = kind;
        r.master1 = 24.99;
        if (kind != MasteringKind::OneMaster)
            r.master2 = 25.01;
        r.reading1 = 24.9937;
        if (kind == MasteringKind::TwoMasters)
            r.reading2 = 25.0233;
        r.zeroBefore = 0.001;
        r.zeroAfter = -0.0037;
        r.scalingBefore = 1;
        r.scalingAfter = kind == MasteringKind::TwoMasters ? 0.6756757 : 1;
        return r;
    }
    std::int64_t keep(const MasteringRow &r, bool toPublish = false)
    {
        const std::optional<std::int64_t> id = MasteringStore(*results).record(r, toPublish, error);
        EXPECT_TRUE(id) << error;
        return id.value_or(0);
    }
    std::int64_t recordPart(const std::string &setup,
                            const std::string &utc = "2026-12-07T11:00:00.000Z")
    {
        PartRow p;
        p.recordedUtc = utc;
        p.setup = setup;
        const std::optional<std::int64_t> id = results->record(p, error);
        EXPECT_TRUE(id) << error;
        return id.value_or(0);
    }
    static std::vector<int> idsOf(const std::vector<MasteringRow> &rows)
    {
        std::vector<int> out;
        for (const MasteringRow &r : rows)
            out.push_back(int(r.id));
        return out;
    }

    fs::path dir;
    std::string path;
    std::string error;
    std::unique_ptr<ResultsStore> results;
};

TEST_F(Masterings, EveryFieldReadsBackAndTheListsAreNewestFirst)
{
    MasteringRow two = row("/s/a.qmx", 1, MasteringKind::TwoMasters);
    two.lastPart = 17;
    two.zeroBefore = NAN; // the board did not answer
    ASSERT_EQ(keep(two, true), 1);
    ASSERT_EQ(keep(row("/s/a.qmx", 2, MasteringKind::OneMaster)), 2);
    ASSERT_EQ(keep(row("/s/b.qmx", 1, MasteringKind::Zero)), 3);
    ASSERT_EQ(keep(row("/s/a.qmx", 1, MasteringKind::Zero)), 4);

    MasteringStore store(*results);
    const std::optional<MasteringRow> back = store.mastering(1, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(std::tie(back->recordedUtc, back->operatorName, back->setup, back->channel,
                       back->description, back->decimals, back->kind, back->master1, back->master2,
                       back->reading1, back->reading2, back->zeroAfter, back->scalingBefore,
                       back->scalingAfter, back->lastPart),
              std::tie(two.recordedUtc, two.operatorName, two.setup, two.channel, two.description,
                       two.decimals, two.kind, two.master1, two.master2, two.reading1, two.reading2,
                       two.zeroAfter, two.scalingBefore, two.scalingAfter, two.lastPart));
    EXPECT_TRUE(std::isnan(back->zeroBefore)) << "nothing read stays nothing";
    const std::optional<MasteringRow> one = store.mastering(2, error);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->master2, std::nullopt);
    EXPECT_EQ(one->reading2, std::nullopt);
    EXPECT_FALSE(store.mastering(99, error));

    const std::string a = "/s/a.qmx";
    EXPECT_THAT(idsOf(store.masterings(nullptr, 0, error)), ElementsAre(4, 3, 2, 1));
    EXPECT_THAT(idsOf(store.masterings(&a, 0, error)), ElementsAre(4, 2, 1));
    EXPECT_THAT(idsOf(store.masterings(&a, 1, error)), ElementsAre(4, 1));
    EXPECT_THAT(idsOf(store.masterings(nullptr, 1, error)), ElementsAre(4, 3, 1));
    EXPECT_EQ(store.setups(error), (std::vector<std::string>{"/s/a.qmx", "/s/b.qmx"}));

    // Only the one kept for the feed waits in its outbox.
    const auto outbox = results->outbox(10, error);
    ASSERT_EQ(outbox.size(), 1u);
    EXPECT_EQ(std::tie(outbox[0].kind, outbox[0].ref),
              std::make_tuple(std::string("mastering"), std::int64_t(1)));
    EXPECT_EQ(error, "");
}

// A mastering that cannot be kept leaves neither its row nor its outbox entry.
TEST_F(Masterings, AMasteringIsKeptWholeOrNotAtAll)
{
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_FALSE(MasteringStore(*results).record(row("a", 1, MasteringKind::Zero), true, error));
    EXPECT_THAT(error, HasSubstr("the mastering was not recorded"));
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    // The outbox refuses the entry: the row goes with it.
    ASSERT_EQ(sqlite3_exec(other,
                           "CREATE TRIGGER refuse BEFORE INSERT ON outbox BEGIN"
                           " SELECT RAISE(ABORT, 'outbox refused'); END",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    error.clear();
    EXPECT_FALSE(MasteringStore(*results).record(row("a", 1, MasteringKind::Zero), true, error));
    EXPECT_THAT(error, HasSubstr("outbox refused"));
    EXPECT_THAT(MasteringStore(*results).masterings(nullptr, 0, error), IsEmpty());
    EXPECT_TRUE(MasteringStore(*results).record(row("a", 1, MasteringKind::Zero), false, error))
        << "kept when not for the feed";
}

TEST_F(Masterings, TheIntervalIsPerSetupAndOffByDefault)
{
    MasteringStore store(*results);
    EXPECT_FALSE(store.interval("a", error).on());
    ASSERT_TRUE(store.setInterval("a", {500, 8}, error)) << error;
    ASSERT_TRUE(store.setInterval("b", {0, 24}, error)) << error;
    EXPECT_EQ(store.interval("a", error), (MasteringInterval{500, 8}));
    EXPECT_EQ(store.interval("b", error), (MasteringInterval{0, 24}));
    ASSERT_TRUE(store.setInterval("a", {}, error)) << error;
    EXPECT_FALSE(store.interval("a", error).on());
    EXPECT_EQ(store.interval("b", error), (MasteringInterval{0, 24})) << "the other setup's stays";
    EXPECT_EQ(error, "");
}

TEST(MasteringDue, TheRule)
{
    const std::int64_t at = *utcMillis("2026-12-07T10:00:00.000Z");
    const std::int64_t hour = 3600 * 1000;
    MasteringRow last;
    last.recordedUtc = "2026-12-07T10:00:00.000Z";
    last.lastPart = 40;
    MasteringRow unreadable = last;
    unreadable.recordedUtc = "yesterday";
    const std::map<int, MasteringRow> renewals = {{1, last}, {2, unreadable}};
    struct Case {
        const char *what;
        int channel;
        MasteringInterval every;
        std::optional<std::int64_t> nthNewestPart;
        std::int64_t now;
        bool due;
    };
    const Case cases[] = {
        {"off: never due", 3, {}, 1000, at + 1000 * hour, false},
        {"never mastered", 3, {10, 0}, std::nullopt, at, true},
        {"fewer parts than the interval in the setup", 1, {10, 0}, std::nullopt, at, false},
        {"the tenth newest part came before", 1, {10, 0}, 39, at, false},
        {"the tenth newest part is the last one before", 1, {10, 0}, 40, at, false},
        {"ten parts since", 1, {10, 0}, 41, at, true},
        {"an hour short of eight", 1, {0, 8}, 1000, at + 7 * hour, false},
        {"a millisecond short", 1, {0, 8}, std::nullopt, at + 8 * hour - 1, false},
        {"eight hours since", 1, {0, 8}, std::nullopt, at + 8 * hour, true},
        {"parts or hours: the parts", 1, {10, 8}, 41, at, true},
        {"parts or hours: the hours", 1, {10, 8}, 39, at + 9 * hour, true},
        {"a time that does not read", 2, {0, 8}, std::nullopt, at, true},
        {"parts only: its time is not looked at", 2, {10, 0}, 39, at, false},
    };
    for (const Case &c : cases) {
        const std::vector<int> due =
            dueChannels({c.channel}, renewals, c.every, c.nthNewestPart, c.now);
        EXPECT_EQ(!due.empty(), c.due) << c.what;
    }
    EXPECT_THAT(dueChannels({1, 2, 3}, renewals, {0, 8}, std::nullopt, at), ElementsAre(2, 3));
}

// A zeroing renews a channel with one master; a channel with two masters
// stays due until it is mastered with both. Parts of other setups do not count.
TEST_F(Masterings, WhatRenewsAChannelAndWhichPartsCount)
{
    MasteringStore store(*results);
    ASSERT_TRUE(store.setInterval("a", {2, 0}, error));
    EXPECT_EQ(store.due("a", {1, 2}, 0, error), (std::vector<int>{1, 2})) << "never mastered";

    MasteringRow oneMaster = row("a", 1, MasteringKind::OneMaster);
    MasteringRow twoMasters = row("a", 2, MasteringKind::TwoMasters);
    oneMaster.lastPart = twoMasters.lastPart = 0;
    keep(oneMaster);
    keep(twoMasters);
    EXPECT_THAT(store.due("a", {1, 2}, 0, error), IsEmpty());

    recordPart("a");
    recordPart("b");
    recordPart("b");
    EXPECT_THAT(store.due("a", {1, 2}, 0, error), IsEmpty()) << "one part of a since";
    EXPECT_EQ(store.nthNewestPart("a", 1, error), 1);
    EXPECT_EQ(store.nthNewestPart("a", 2, error), std::nullopt);
    const std::int64_t second = recordPart("a");
    EXPECT_EQ(store.nthNewestPart("a", 2, error), 1);
    EXPECT_EQ(store.due("a", {1, 2}, 0, error), (std::vector<int>{1, 2}));

    // Zeroed now, after part 4.
    MasteringRow zero1 = row("a", 1, MasteringKind::Zero);
    zero1.master2.reset(); // one master
    MasteringRow zero2 = row("a", 2, MasteringKind::Zero);
    zero1.lastPart = zero2.lastPart = second;
    const std::int64_t renewed = keep(zero1);
    keep(zero2);
    EXPECT_EQ(store.due("a", {1, 2}, 0, error), (std::vector<int>{2}));
    const auto last = store.lastRenewals("a", error);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(last.at(1).id, renewed);
    EXPECT_EQ(last.at(2).kind, MasteringKind::TwoMasters);
    EXPECT_EQ(error, "");
}

// The due test runs at every part: its query walks the setup's time index
// for the interval's parts, never the whole table.
TEST_F(Masterings, TheNewestPartsComeFromTheSetupsTimeIndex)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt *s = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "EXPLAIN QUERY PLAN SELECT id FROM parts WHERE setup = ?1"
                                 " ORDER BY recorded_utc DESC, id DESC LIMIT 1 OFFSET ?2",
                                 -1, &s, nullptr),
              SQLITE_OK);
    std::string plan;
    while (sqlite3_step(s) == SQLITE_ROW)
        plan += reinterpret_cast<const char *>(sqlite3_column_text(s, 3)) + std::string(";");
    sqlite3_finalize(s);
    sqlite3_close(db);
    EXPECT_THAT(plan, HasSubstr("parts_setup_time"));
    EXPECT_THAT(plan, ::testing::Not(HasSubstr("TEMP B-TREE")));
}

TEST(UtcText, ReadsBackAndRefusesWhatIsNoStoreTime)
{
    const std::pair<std::int64_t, const char *> cases[] = {
        {0, "1970-01-01T00:00:00.000Z"},
        {1796638272345, "2026-12-07T10:11:12.345Z"},
        {-1, "1969-12-31T23:59:59.999Z"},
    };
    for (const auto &[ms, text] : cases) {
        EXPECT_EQ(utcText(ms), text);
        EXPECT_EQ(utcMillis(text), ms) << text;
    }
    EXPECT_EQ(utcMillis("2026-12-07T10:11:12Z"), 1796638272000);
    for (const char *bad : {"", "2026-12-07", "2026-12-07T10:11:12.345", "2026-13-07T10:11:12Z",
                            "2026-12-07T10:11:12.34Z", "2026-12-07T10:11:12.345Z trailing"})
        EXPECT_EQ(utcMillis(bad), std::nullopt) << bad;
    EXPECT_EQ(channelListText({3, 1, 12}), "1 3 12");
    EXPECT_EQ(channelListOf("1 3 12"), (std::vector<int>{1, 3, 12}));
    EXPECT_THAT(channelListOf(""), IsEmpty());
}

TEST_F(Masterings, CsvLayoutAndRoundTrip)
{
    MasteringRow two = row("/s/a,b.qmx", 1, MasteringKind::TwoMasters);
    two.description = "Bore \"inner\"";
    MasteringRow one = row("/s/a,b.qmx", 2, MasteringKind::OneMaster);
    one.zeroBefore = NAN;
    const std::string csv = writeMasteringsCsv({two, one});
    EXPECT_EQ(csv, "recorded_utc,setup,channel,description,kind,operator,master1,master2,"
                   "reading1,reading2,zero_before,zero_after,scaling_before,scaling_after\r\n"
                   "2026-12-07T10:11:12.345Z,\"/s/a,b.qmx\",1,\"Bore \"\"inner\"\"\",two-masters,"
                   "J. Doe,24.99,25.01,24.9937,25.0233,0.001,-0.0037,1,0.6756757\r\n"
                   "2026-12-07T10:11:12.345Z,\"/s/a,b.qmx\",2,Bore 2,one-master,J. Doe,24.99,,"
                   "24.9937,,,-0.0037,1,1\r\n");
    const auto rows = readCsv(csv, error);
    ASSERT_EQ(rows.size(), 3u) << error;
    EXPECT_EQ(rows[1][3], "Bore \"inner\"");
    EXPECT_EQ(rows[1][1], "/s/a,b.qmx");
}

TEST_F(Masterings, TheCommandListsThemOldestFirstOneLineEach)
{
    MasteringRow first = row("/s/a.qmx", 1, MasteringKind::TwoMasters, "2026-12-07T08:00:00.000Z");
    first.operatorName = "J.\tDoe"; // a tab would shift every column after it
    keep(first);
    keep(row("/s/a.qmx", 2, MasteringKind::OneMaster, "2026-12-07T09:00:00.000Z"));
    MasteringRow zero = row("/s/b.qmx", 1, MasteringKind::Zero, "2026-12-07T10:00:00.000Z");
    zero.zeroAfter = NAN;
    keep(zero);
    const std::string head = "recorded_utc\tsetup\tchannel\tkind\toperator\tmaster1\tmaster2"
                             "\treading1\treading2\tzero_before\tzero_after\tscaling_before"
                             "\tscaling_after\n";
    const std::string a1 = "2026-12-07T08:00:00.000Z\t/s/a.qmx\t1\ttwo-masters\tJ. Doe\t24.99"
                           "\t25.01\t24.9937\t25.0233\t0.001\t-0.0037\t1\t0.6756757\n";
    const std::string a2 = "2026-12-07T09:00:00.000Z\t/s/a.qmx\t2\tone-master\tJ. Doe\t24.99\t-"
                           "\t24.9937\t-\t0.001\t-0.0037\t1\t1\n";
    const std::string b1 = "2026-12-07T10:00:00.000Z\t/s/b.qmx\t1\tzero\tJ. Doe\t24.99\t25.01"
                           "\t24.9937\t-\t0.001\t-\t1\t1\n";
    expectCommands({
        {{"--db", path, "masterings"}, 0, head + a1 + a2 + b1, ""},
        {{"--db", path, "masterings", "--setup", "/s/a.qmx"}, 0, head + a1 + a2, ""},
        {{"--db", path, "masterings", "--channel", "1"}, 0, head + a1 + b1, ""},
        {{"--db", path, "masterings", "--setup", "/s/a.qmx", "--channel", "2"}, 0, head + a2, ""},
        {{"--db", path, "masterings", "--setup", "none"}, 0, head, ""},
        {{"--db", path, "masterings", "--channel", "0"}, 2, "", "--channel needs a positive"},
        {{"--db", path, "masterings", "--last", "2"}, 2, "", "masterings takes --setup and"},
        {{"--db", (dir / "none.sqlite").string(), "masterings"}, 1, "", "cannot be opened"},
    });

    // A store from before the mastering record holds none.
    const std::string old = (dir / "old.sqlite").string();
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(old.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db,
                 "CREATE TABLE parts(id INTEGER PRIMARY KEY, recorded_utc TEXT NOT NULL,"
                 " utc_offset_min INTEGER NOT NULL, setup TEXT NOT NULL, serial TEXT NOT NULL,"
                 " verdict TEXT NOT NULL, operator TEXT NOT NULL DEFAULT '');"
                 "PRAGMA user_version = 2;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    expectCommands({{{"--db", old, "masterings"}, 0, head, ""}});
}

} // namespace
