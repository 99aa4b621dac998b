// The verdict of a value, the part serial and the results store: schema,
// round trip, faults.
#include "quality/partserial.h"
#include "quality/resultscli.h"
#include "quality/resultsstore.h"
#include "quality_commands.h"

#include <gmock/gmock.h>
#include <sqlite3.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace qmxsrv;
using qmxtest::Command;
using qmxtest::expectCommands;
namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

TEST(PartSerial, CountsOnKeepingItsWidth)
{
    // clang-format off
    const std::pair<const char *, const char *> cases[] = {
        {"A0099", "A0100"}, {"A0100", "A0101"}, {"7", "8"}, {"0009", "0010"},
        {"A999", "A1000"}, {"99", "100"}, {"LOT-12/9", "LOT-12/10"}, {"B12X", "B12X"},
        {"", ""}, {"A 19", "A 20"},
    };
    // clang-format on
    for (const auto &[serial, next] : cases)
        EXPECT_EQ(nextPartSerial(serial), next) << serial;
}

TEST(Verdict, Table)
{
    struct Row {
        double v, loTol, loAppr, hiAppr, hiTol;
        Verdict want;
    };
    const double nan = std::nan("");
    const Row rows[] = {
        {0.0, -2, -1, 1, 2, Verdict::Good},
        {1.0, -2, -1, 1, 2, Verdict::Good}, // on an approach limit
        {-1.5, -2, -1, 1, 2, Verdict::Approach},
        {2.0, -2, -1, 1, 2, Verdict::Approach}, // on a tolerance limit
        {2.01, -2, -1, 1, 2, Verdict::Reject},
        {-2.01, -2, -1, 1, 2, Verdict::Reject},
        {nan, -2, -1, 1, 2, Verdict::Reject},
        {0.0, 2, 1, -1, -2, Verdict::Good}, // both pairs reversed
        // approach wider than tolerance: beyond tolerance still rejects
        {3.0, -2, -5, 5, 2, Verdict::Reject},
    };
    for (const Row &r : rows)
        EXPECT_EQ(verdict(r.v, r.loTol, r.loAppr, r.hiAppr, r.hiTol), r.want) << r.v;
    EXPECT_EQ(worst(Verdict::Approach, Verdict::Invalid), Verdict::Invalid);
    EXPECT_EQ(worst(Verdict::Reject, Verdict::Good), Verdict::Reject);
}

class Store : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/qmxresultsXXXXXX";
        dir = mkdtemp(tmpl);
        path = (dir / "results.sqlite").string();
    }
    void TearDown() override
    {
        fs::permissions(dir, fs::perms::owner_all);
        fs::remove_all(dir);
    }
    static PartRow part(const std::string &setup, const std::string &serial)
    {
        PartRow p;
        p.id = 0;
        p.recordedUtc = "2026-12-07T10:11:12.345Z";
        p.utcOffsetMin = 60;
        p.setup = setup;
        p.serial = serial;
        p.verdict = Verdict::Reject;
        p.measurements.push_back({1, "Bore diameter", -0.0123456789, "-0.012", "mm", -0.01, -0.005,
                                  0.005, 0.01, Verdict::Reject});
        p.measurements.push_back(
            {2, "Length", std::nullopt, " NaN", "mm", 1, 2, 3, 4, Verdict::Invalid});
        return p;
    }
    fs::path dir;
    std::string path;
    std::string error;
};

// A connection of its own to the store's file, as another program's.
struct Sqlite {
    explicit Sqlite(const std::string &path)
    {
        EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    }
    ~Sqlite() { sqlite3_close(db); }
    int exec(const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    // The column of every row of sql (-1: the last), each ended by ';'.
    std::string column(const std::string &sql, int column = -1)
    {
        sqlite3_stmt *s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sql;
        std::string out;
        while (sqlite3_step(s) == SQLITE_ROW)
            out += std::string(reinterpret_cast<const char *>(
                       sqlite3_column_text(s, column < 0 ? sqlite3_column_count(s) - 1 : column))) +
                   ";";
        sqlite3_finalize(s);
        return out;
    }
    sqlite3 *db = nullptr;
};

TEST_F(Store, RecordReadsBackEveryField)
{
    auto store = ResultsStore::open(path, false, error);
    ASSERT_TRUE(store) << error;
    PartRow p = part("/s/a.qmx", "A0099");
    ASSERT_EQ(store->record(p, error), 1) << error;
    ASSERT_EQ(store->record(part("/s/b.qmx", ""), error), 2) << error;

    auto reader = ResultsStore::open(path, true, error);
    ASSERT_TRUE(reader) << error;
    const std::string setup = "/s/a.qmx";
    const auto got = reader->parts(&setup, "", 0, true, error);
    ASSERT_EQ(got.size(), 1u);
    const PartRow &g = got[0];
    EXPECT_EQ(std::tie(g.id, g.recordedUtc, g.utcOffsetMin, g.setup, g.serial, g.verdict),
              std::tie(p.id = 1, p.recordedUtc, p.utcOffsetMin, p.setup, p.serial, p.verdict));
    ASSERT_EQ(g.measurements.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const auto &a = g.measurements[i], &b = p.measurements[i];
        EXPECT_EQ(std::tie(a.channel, a.description, a.value, a.text, a.units, a.loTol, a.loAppr,
                           a.hiAppr, a.hiTol, a.verdict),
                  std::tie(b.channel, b.description, b.value, b.text, b.units, b.loTol, b.loAppr,
                           b.hiAppr, b.hiTol, b.verdict));
    }
    EXPECT_EQ(reader->parts(nullptr, "", 1, false, error).at(0).setup, "/s/b.qmx");
    EXPECT_EQ(reader->parts(nullptr, "2027", 0, false, error).size(), 0u);

    ASSERT_TRUE(store->record(part("", ""), error)) << error; // untitled
    ASSERT_TRUE(store->record(part("/s/a.qmx", ""), error)) << error;
    EXPECT_EQ(reader->setups(error), (std::vector<std::string>{"", "/s/a.qmx", "/s/b.qmx"}));
    EXPECT_EQ(error, "");
}

// Parts for the plant's feed wait in the store until they went out, in
// order, also over a restart.
TEST_F(Store, PartsToPublishWaitInOrderUntilMarked)
{
    {
        auto store = ResultsStore::open(path, false, error);
        ASSERT_TRUE(store) << error;
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(store->record(part("a", std::to_string(i)), error, i != 1)) << error;
        EXPECT_EQ(store->unpublished(10, error), (std::vector<std::int64_t>{1, 3, 4}));
        EXPECT_EQ(store->unpublished(2, error), (std::vector<std::int64_t>{1, 3}));
        ASSERT_TRUE(store->markPublished(1, error)) << error;
    }
    auto store = ResultsStore::open(path, false, error); // the server started again
    ASSERT_TRUE(store) << error;
    EXPECT_EQ(store->unpublished(10, error), (std::vector<std::int64_t>{3, 4}));
    const std::optional<PartRow> p = store->part(3, error);
    ASSERT_TRUE(p) << error;
    EXPECT_EQ(std::tie(p->id, p->serial, p->setup),
              std::make_tuple(std::int64_t(3), std::string("2"), std::string("a")));
    EXPECT_EQ(p->measurements.size(), 2u);
    EXPECT_FALSE(store->part(99, error));
    EXPECT_EQ(error, "");
}

// The schema other programs read; the queries of parts() as the store runs
// them: of one setup the index gives rows and order, of all setups the table
// does; neither sorts the whole table.
TEST_F(Store, SchemaPragmasAndQueryPlans)
{
    ASSERT_TRUE(ResultsStore::open(path, false, error)) << error;
    Sqlite db(path);
    EXPECT_EQ(db.column("PRAGMA user_version"), "3;");
    EXPECT_EQ(db.column("PRAGMA journal_mode"), "wal;");
    EXPECT_EQ(db.column("SELECT name FROM pragma_table_info('parts')"),
              "id;recorded_utc;utc_offset_min;setup;serial;verdict;operator;mastering_due;");
    EXPECT_EQ(db.column("SELECT name FROM pragma_table_info('measurements')"),
              "part_id;channel;description;value;text;units;lo_tol;lo_appr;hi_appr;hi_tol;"
              "verdict;");
    const auto plan = [&](bool ofOneSetup) {
        return db.column("EXPLAIN QUERY PLAN " + partsQuery(ofOneSetup, 100), 3);
    };
    EXPECT_THAT(plan(true), HasSubstr("parts_setup_time"));
    EXPECT_THAT(plan(true), Not(HasSubstr("TEMP B-TREE")));
    EXPECT_THAT(plan(false), Not(HasSubstr("TEMP B-TREE")));
}

// A store written before the operator and the control charts is read as it
// is by a reader, and brought up to date, parts kept, by the station.
TEST_F(Store, AnOlderStoreIsReadAsItIsAndBroughtUpToDate)
{
    {
        Sqlite v1(path);
        v1.exec("CREATE TABLE parts(id INTEGER PRIMARY KEY, recorded_utc TEXT NOT NULL,"
                " utc_offset_min INTEGER NOT NULL, setup TEXT NOT NULL, serial TEXT NOT NULL,"
                " verdict TEXT NOT NULL);"
                "CREATE TABLE measurements(part_id INTEGER NOT NULL REFERENCES parts(id),"
                " channel INTEGER NOT NULL, description TEXT NOT NULL, value REAL,"
                " text TEXT NOT NULL, units TEXT NOT NULL, lo_tol REAL, lo_appr REAL,"
                " hi_appr REAL, hi_tol REAL, verdict TEXT NOT NULL, PRIMARY KEY(part_id, channel));"
                "CREATE INDEX parts_setup_time ON parts(setup, recorded_utc);"
                "CREATE TABLE exports(setup TEXT PRIMARY KEY, last_utc TEXT NOT NULL);"
                "CREATE TABLE unpublished(part_id INTEGER PRIMARY KEY REFERENCES parts(id));"
                "INSERT INTO parts VALUES(1, '2026-01-02T03:04:05.000Z', 0, 'a', 'S1', 'good');"
                "PRAGMA user_version = 1;");
    }
    {
        auto reader = ResultsStore::open(path, true, error);
        ASSERT_TRUE(reader) << error;
        EXPECT_EQ(reader->version(), 1);
        const auto parts = reader->parts(nullptr, "", 0, true, error);
        ASSERT_EQ(parts.size(), 1u) << error;
        EXPECT_EQ(parts[0].serial, "S1");
        EXPECT_EQ(parts[0].operatorName, "");
        EXPECT_EQ(parts[0].masteringDue, "");
        EXPECT_EQ(Sqlite(path).column("PRAGMA user_version"), "1;") << "a reader changes nothing";
    }
    auto station = ResultsStore::open(path, false, error);
    ASSERT_TRUE(station) << error;
    EXPECT_EQ(station->version(), ResultsStore::SchemaVersion);
    PartRow p = part("a", "S2");
    p.operatorName = "J. Doe";
    p.masteringDue = "1 3";
    ASSERT_TRUE(station->record(p, error)) << error;
    const auto parts = station->parts(nullptr, "", 0, false, error);
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].serial, "S1") << "kept";
    EXPECT_EQ(parts[0].masteringDue, "");
    EXPECT_EQ(parts[1].operatorName, "J. Doe");
    EXPECT_EQ(parts[1].masteringDue, "1 3");
    ASSERT_TRUE(station->setStationValue("operator", "K. Roe", error)) << error;
    EXPECT_EQ(station->stationValue("operator", error), "K. Roe");
    EXPECT_EQ(station->stationValue("unknown", error), "");
    EXPECT_EQ(error, "");
}

TEST_F(Store, FaultsLeaveTheFileAndSayWhy)
{
    {
        std::ofstream(path) << "not a database at all, just some text that is long enough";
        EXPECT_FALSE(ResultsStore::open(path, false, error));
        EXPECT_THAT(error, HasSubstr("is not a results database"));
        EXPECT_EQ(fs::file_size(path), 57u);
        fs::remove(path);
    }
    {
        Sqlite(path).exec("PRAGMA user_version=99");
        EXPECT_FALSE(ResultsStore::open(path, false, error));
        EXPECT_THAT(error, HasSubstr("newer program (version 99)"));
        fs::remove(path);
    }
    {
        // Another connection holds the write lock: the record waits about 2 s.
        auto store = ResultsStore::open(path, false, error);
        ASSERT_TRUE(store) << error;
        Sqlite other(path);
        ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
        EXPECT_FALSE(store->record(part("a", ""), error));
        EXPECT_THAT(error, HasSubstr("more than 2 s"));
        other.exec("ROLLBACK");
        EXPECT_TRUE(store->record(part("a", ""), error)) << error; // recorded again
    }
    if (geteuid() == 0) {
        GTEST_LOG_(INFO) << "running as root: a read-only folder does not stop root";
        return;
    }
    fs::remove(path);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(ResultsStore::open(path, false, error));
    EXPECT_THAT(error, HasSubstr("cannot be opened"));
}

TEST_F(Store, AKilledWriterLeavesOnlyWholeParts)
{
    ASSERT_TRUE(ResultsStore::open(path, false, error)) << error; // schema before the child
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string e;
        auto store = ResultsStore::open(path, false, e);
        for (int i = 0; store; ++i)
            store->record(part("a", std::to_string(i)), e);
        _exit(1);
    }
    usleep(300 * 1000);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    auto reader = ResultsStore::open(path, true, error);
    ASSERT_TRUE(reader) << error;
    const auto got = reader->parts(nullptr, "", 0, true, error);
    EXPECT_GT(got.size(), 0u) << error;
    for (const PartRow &g : got)
        EXPECT_EQ(g.measurements.size(), 2u) << "part " << g.id;
}

TEST_F(Store, AFullDiskIsToldAndTheStoreGoesOn)
{
    const fs::path small = dir / "small";
    fs::create_directory(small);
    if (geteuid() != 0 ||
        std::system(
            ("mount -t tmpfs -o size=400k tmpfs " + small.string() + " 2>/dev/null").c_str()) !=
            0) {
        GTEST_SKIP() << "a small tmpfs needs root and mount; the full-disk case is not checked";
    }
    struct Unmount {
        std::string at;
        ~Unmount() { (void)std::system(("umount " + at).c_str()); }
    } unmount{small.string()}; // also when an assertion ends the test early
    const std::string db = (small / "results.sqlite").string();
    {
        auto store = ResultsStore::open(db, false, error);
        ASSERT_TRUE(store) << error;
        PartRow big = part("a", "");
        big.measurements[0].description.assign(20000, 'x');
        int recorded = 0;
        std::optional<std::int64_t> id;
        while ((id = store->record(big, error)) && recorded < 1000)
            ++recorded;
        EXPECT_FALSE(id);
        EXPECT_THAT(error, HasSubstr("disk is full"));
        const auto got = store->parts(nullptr, "", 0, false, error);
        EXPECT_GT(recorded, 0) << error;
        EXPECT_EQ(got.size(), static_cast<std::size_t>(recorded)); // nothing lost, no half part
        // Once there is room again the same store records the part.
        ASSERT_EQ(std::system(("mount -o remount,size=4m " + small.string()).c_str()), 0);
        EXPECT_EQ(store->record(big, error), recorded + 1) << error;
    }
}

TEST_F(Store, CommandReadsWhileTheServerWrites)
{
    auto store = ResultsStore::open(path, false, error);
    ASSERT_TRUE(store) << error;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(store->record(part(i == 1 ? "b" : "a", "S" + std::to_string(i)), error));
    // A write held open by the server does not stop a reader.
    Sqlite other(path);
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE; INSERT INTO parts VALUES(99,'x',0,'a','','good','','')"),
              SQLITE_OK);
    const std::string csvRow = "1,2026-12-07T10:11:12.345Z,S0,reject,-0.0123456789,,\r\n";
    expectCommands({
        {{"--db", path, "list", "--setup", "a", "--last", "1"},
         0,
         "3\t2026-12-07T10:11:12.345Z\treject\tS2\ta\n",
         ""},
        {{"--db", path, "export", "--format", "csv", "--setup", "a"},
         0,
         "part,recorded_utc,serial,verdict,Bore diameter [1],Length [2],mastering_due\r\n" +
             csvRow + "3,2026-12-07T10:11:12.345Z,S2,reject,-0.0123456789,,\r\n",
         ""},
        {{"--db", path, "export", "--format", "csv", "--since", "2027"},
         0,
         "part,recorded_utc,serial,verdict,mastering_due\r\n",
         ""},
        {{"--db", (dir / "none.sqlite").string(), "list"}, 1, "", "cannot be opened"},
        {{"--db", path, "export"}, 2, "", "--format must be csv or dfq"},
        {{"--db", path, "export", "--format", "dfq"}, 2, "", "holds one setup"},
        {{"--db", path, "list", "--last", "0"}, 2, "", "positive number"},
        {{"list", "--bogus"}, 2, "", "unknown argument --bogus"},
        {{"--db"}, 2, "", "--db needs a value"},
        {{"--db", path, "export", "--format", "csv", "-o", (dir / "no/such.csv").string()},
         1,
         "",
         "cannot write"},
    });
    other.exec("ROLLBACK");

    PartRow later = part("/s/c.qmx", "");
    later.recordedUtc = "2026-12-08T00:00:00.000Z";
    ASSERT_TRUE(store->record(later, error)) << error;
    const std::string file = (dir / "a.dfq").string();
    expectCommands(
        {{{"--db", path, "export", "--format", "dfq", "--since", "2026-12-08", "-o", file},
          0,
          "",
          ""}});
    std::ifstream in(file, std::ios::binary);
    const std::string dfq((std::istreambuf_iterator<char>(in)), {});
    EXPECT_THAT(dfq, ::testing::StartsWith("K0100 2\r\nK1001 c\r\n")) << "the one setup named";
    for (const auto &e : fs::directory_iterator(dir))
        EXPECT_THAT(e.path().string(), Not(HasSubstr(".tmp"))); // no temporary left
}

// Channel 1 of setup a holds 10,12,11,13,14 under 8..18: mean 12, s = sqrt(10/4)
// = 1.5811388, MR-bar 1.5, sw = 1.5/1.128; Cp = 10*1.128/9 = 1.2533, Cpk =
// 4*1.128/4.5 = 1.00267, Pp = 10/(6s) = 1.05409, Ppk = 4/(3s) = 0.84327.
// The last two, 13,14: mean 13.5, s = sqrt(0.5) = 0.7071068, MR-bar 1; Cp =
// 10*1.128/6 = 1.88, Cpk = 4.5*1.128/3 = 1.692, Pp = 10/(6s) = 2.35702, Ppk =
// 4.5/(3s) = 2.12132. Channel 5 has no spread, channel 2 no valid value.
TEST_F(Store, StatsPerChannel)
{
    auto store = ResultsStore::open(path, false, error);
    ASSERT_TRUE(store) << error;
    for (double v : {10, 12, 11, 13, 14}) {
        PartRow p;
        p.id = 0;
        p.recordedUtc = "2026-12-07T10:11:12.345Z";
        p.utcOffsetMin = 0;
        p.setup = "a";
        p.serial = "";
        p.verdict = Verdict::Good;
        p.measurements = {
            {5, "Flat", 3.0, "3", "mm", 0, 1, 5, 6, Verdict::Good},
            {1, "Bore", v, "", "mm", 8, 9, 17, 18, Verdict::Good},
            {2, "Length", std::nullopt, " NaN", "mm", 1, 2, 3, 4, Verdict::Invalid},
        };
        ASSERT_TRUE(store->record(p, error)) << error;
    }
    PartRow other;
    other.id = 0;
    other.recordedUtc = "2026-12-07T10:11:12.345Z";
    other.utcOffsetMin = 0;
    other.setup = "b";
    other.serial = "";
    other.verdict = Verdict::Good;
    other.measurements = {{1, "Bore", 1000.0, "", "mm", 8, 9, 17, 18, Verdict::Reject}};
    ASSERT_TRUE(store->record(other, error)) << error;

    const std::string head = "channel\tn\tmean\tsd\tcp\tcpk\tpp\tppk\n";
    const std::string flat = "5\t2\t3.000000\t0.000000\t-\t-\t-\t-\n";
    expectCommands({
        {{"--db", path, "stats", "--setup", "a"},
         0,
         head + "1\t5\t12.000000\t1.581139\t1.253\t1.003\t1.054\t0.843\n" +
             "2\t0\t-\t-\t-\t-\t-\t-\n5\t5\t3.000000\t0.000000\t-\t-\t-\t-\n",
         ""},
        {{"--db", path, "stats", "--setup", "a", "--last", "2"},
         0,
         head + "1\t2\t13.500000\t0.707107\t1.880\t1.692\t2.357\t2.121\n" +
             "2\t0\t-\t-\t-\t-\t-\t-\n" + flat,
         ""},
        {{"--db", path, "stats", "--setup", "none"}, 0, head, ""},
        {{"--db", path, "stats", "--format", "csv"}, 2, "", "stats takes --setup and --last only"},
        {{"--db", path, "stats", "--since", "2026"}, 2, "", "stats takes --setup and --last only"},
        {{"--db", (dir / "none.sqlite").string(), "stats"}, 1, "", "cannot be opened"},
    });
}

} // namespace
