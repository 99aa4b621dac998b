// Gauge studies in the results store: the tables other programs query, the
// order the readings are asked in, readings kept as taken and taken again,
// what a study cannot be set up with, and the texts of its figures.
#include "quality/resultsstore.h"
#include "quality/studyfigures.h"
#include "quality/studystore.h"
#include "quality_studydata.h"

#include <gmock/gmock.h>
#include <sqlite3.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <tuple>

using namespace qmxsrv;
using namespace qmxsrv::study;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

using Key = std::tuple<int, int, int>; // appraiser, part, trial

Key keyOf(const StudyCell &c) { return {c.appraiser, c.part, c.trial}; }

TEST(StudyOrder, EveryReadingOnceInTheOrderTheStudyTakes)
{
    const struct {
        StudyType type;
        int parts, appraisers, trials;
    } designs[] = {{StudyType::Grr, 10, 3, 3},
                   {StudyType::Grr, 2, 2, 2},
                   {StudyType::Type3, 25, 1, 2},
                   {StudyType::Type1, 1, 1, 50}};
    for (const auto &d : designs) {
        SCOPED_TRACE(std::string(typeText(d.type)) + " " + std::to_string(d.parts));
        const std::vector<StudyCell> order =
            askingOrder(d.type, d.parts, d.appraisers, d.trials, 7);
        ASSERT_EQ(order.size(), std::size_t(d.parts * d.appraisers * d.trials));
        std::set<Key> seen;
        for (const StudyCell &c : order) {
            EXPECT_FALSE(c.value);
            EXPECT_TRUE(seen.insert(keyOf(c)).second) << "asked twice";
        }
        // Trial by trial, each appraiser in turn with all the parts: an
        // appraiser never comes back to a part within a trial.
        for (std::size_t i = 0; i < order.size(); ++i) {
            const std::size_t block = i / std::size_t(d.parts);
            EXPECT_EQ(order[i].trial, int(block) / d.appraisers);
            EXPECT_EQ(order[i].appraiser, int(block) % d.appraisers);
            if (d.type != StudyType::Grr) {
                EXPECT_EQ(order[i].part, int(i % std::size_t(d.parts))) << "in part order";
            }
        }
    }
    // R&R: a new random order of the parts for every appraiser and trial,
    // the same again from the same seed.
    const auto parts = [](const std::vector<StudyCell> &o, std::size_t block) {
        std::vector<int> p;
        for (std::size_t i = block * 10; i < block * 10 + 10; ++i)
            p.push_back(o[i].part);
        return p;
    };
    const std::vector<StudyCell> a = askingOrder(StudyType::Grr, 10, 3, 3, 42);
    std::set<std::vector<int>> blocks;
    for (std::size_t b = 0; b < 9; ++b)
        blocks.insert(parts(a, b));
    EXPECT_EQ(blocks.size(), 9u) << "nine blocks, nine orders";
    EXPECT_EQ(blocks.count({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), 0u);
    const std::vector<StudyCell> again = askingOrder(StudyType::Grr, 10, 3, 3, 42);
    const std::vector<StudyCell> other = askingOrder(StudyType::Grr, 10, 3, 3, 43);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), again.begin(),
                           [](auto &x, auto &y) { return keyOf(x) == keyOf(y); }));
    EXPECT_FALSE(std::equal(a.begin(), a.end(), other.begin(),
                            [](auto &x, auto &y) { return keyOf(x) == keyOf(y); }));
}

TEST(StudySetup, RefusedWithTheReason)
{
    const auto grr = [](int p, int k, int r) {
        Study s;
        s.channel = 1, s.parts = p, s.appraisers = k, s.trials = r;
        return s;
    };
    const auto type1 = [](int n, std::optional<double> ref, std::optional<double> tol,
                          double k = 20, double l = 6) {
        Study s;
        s.type = StudyType::Type1;
        s.channel = 1, s.trials = n, s.reference = ref, s.tolerance = tol, s.k = k, s.l = l;
        return s;
    };
    Study type3 = grr(30, 1, 2), noChannel = grr(10, 3, 3), negative = grr(10, 3, 3);
    type3.type = StudyType::Type3;
    noChannel.channel = 0;
    negative.tolerance = -1;
    const struct {
        Study study;
        const char *error; // none: it can be run
    } cases[] = {
        {grr(10, 3, 3), nullptr},
        {grr(2, 2, 2), nullptr},
        {type3, nullptr},
        {type1(50, 5.0, 0.2), nullptr},
        {grr(11, 3, 3), "a gauge R&R study takes 2 to 10 parts, not 11"},
        {grr(10, 1, 3), "2 to 3 appraisers, not 1"},
        {grr(10, 3, 4), "2 to 3 trials, not 4"},
        {noChannel, "choose a channel"},
        {negative, "the tolerance must be a positive number, not -1"},
        {type1(19, 5.0, 0.2), "a type 1 study takes 20 to 1000 readings, not 19"},
        {type1(50, std::nullopt, 0.2), "needs the reference value"},
        {type1(50, 5.0, std::nullopt), "needs the tolerance"},
        {type1(50, 5.0, 0.2, 0), "K must be a percentage above 0 and at most 100, not 0"},
        {type1(50, 5.0, 0.2, 20, -6), "L must be a positive number"},
    };
    for (const auto &c : cases) {
        const std::optional<std::string> why = checkNewStudy(c.study);
        if (!c.error)
            EXPECT_FALSE(why) << *why;
        else
            EXPECT_THAT(why.value_or("(can be run)"), HasSubstr(c.error));
    }
}

class StudyStoreTest : public ::testing::Test {
protected:
    StudyStoreTest()
    {
        char tmpl[] = "/tmp/qmxstudystoreXXXXXX";
        dir = mkdtemp(tmpl);
        store = ResultsStore::open((dir / "results.sqlite").string(), false, error);
        EXPECT_TRUE(store) << error;
    }
    ~StudyStoreTest() override
    {
        store.reset();
        fs::remove_all(dir);
    }
    // Every column of a table, each ended by ';'.
    std::string columns(const char *table)
    {
        sqlite3_stmt *s = nullptr;
        const std::string sql = std::string("SELECT name FROM pragma_table_info('") + table + "')";
        EXPECT_EQ(sqlite3_prepare_v2(store->db(), sql.c_str(), -1, &s, nullptr), SQLITE_OK);
        std::string out;
        while (sqlite3_step(s) == SQLITE_ROW)
            out += std::string(reinterpret_cast<const char *>(sqlite3_column_text(s, 0))) + ";";
        sqlite3_finalize(s);
        return out;
    }
    static Study small()
    {
        Study s;
        s.type = StudyType::Grr;
        s.method = GrrMethod::Ranges;
        s.setup = "/s/bore.qmx";
        s.channel = 2;
        s.description = "Bore";
        s.units = "mm";
        s.decimals = 4;
        s.parts = 3, s.appraisers = 2, s.trials = 2;
        s.appraiserNames = {"Ann", "Bo"};
        s.tolerance = 0.02;
        s.resolution = 0.0001;
        s.seed = 0xfedcba9876543210u; // above INT64_MAX: kept as its bits
        s.createdUtc = "2026-03-01T08:00:00.000Z";
        s.operatorName = "J. Doe";
        return s;
    }
    fs::path dir;
    std::string error;
    std::unique_ptr<ResultsStore> store;
};

TEST_F(StudyStoreTest, TheTablesOtherProgramsQuery)
{
    EXPECT_EQ(store->version(), 3);
    EXPECT_EQ(columns("studies"),
              "id;type;method;setup;channel;description;units;decimals;parts;appraisers;trials;"
              "appraiser_names;reference;tolerance;k;l;resolution;seed;created_utc;finished_utc;"
              "operator;state;");
    EXPECT_EQ(columns("study_readings"),
              "study;appraiser;part;trial;position;value;taken_utc;operator;");
}

TEST_F(StudyStoreTest, ReadingsAreKeptAsTakenAndTakenAgain)
{
    StudyStore studies(*store);
    Study s = small();
    ASSERT_TRUE(studies.create(s, error)) << error;
    EXPECT_EQ(s.id, 1);
    ASSERT_EQ(s.cells.size(), 12u);
    EXPECT_EQ(s.next(), 0u);

    // Taken out of order, one by another operator, then one again.
    const struct {
        std::size_t cell;
        double value;
        const char *op;
    } taken[] = {
        {0, 0.0011, "J. Doe"}, {1, 0.0012, "J. Doe"}, {5, 0.0015, "K. Roe"}, {1, 0.0021, "K. Roe"}};
    int minute = 0;
    for (const auto &t : taken) {
        const std::string utc = "2026-03-01T08:0" + std::to_string(++minute) + ":00.000Z";
        ASSERT_TRUE(studies.storeReading(s, t.cell, t.value, utc, t.op, error)) << error;
    }
    EXPECT_EQ(s.taken(), 3);
    EXPECT_EQ(s.next(), 2u) << "the first still to take, in the asking order";

    // As it comes back after a restart: the same order, the readings and who took them.
    const std::optional<Study> back = studies.load(s.id, error);
    ASSERT_TRUE(back) << error;
    EXPECT_EQ(back->seed, s.seed);
    EXPECT_EQ(back->appraiserNames, s.appraiserNames);
    EXPECT_EQ(back->tolerance, 0.02);
    EXPECT_EQ(back->reference, std::nullopt);
    EXPECT_EQ(back->method, GrrMethod::Ranges);
    EXPECT_EQ(back->resolution, 0.0001);
    ASSERT_EQ(back->cells.size(), s.cells.size());
    for (std::size_t i = 0; i < s.cells.size(); ++i) {
        EXPECT_EQ(keyOf(back->cells[i]), keyOf(s.cells[i])) << i;
        EXPECT_EQ(back->cells[i].value, s.cells[i].value) << i;
    }
    EXPECT_EQ(back->cells[1].value, 0.0021) << "taken again: replaced";
    EXPECT_EQ(back->cells[1].operatorName, "K. Roe");
    EXPECT_EQ(back->cells[1].takenUtc, "2026-03-01T08:04:00.000Z");
    EXPECT_EQ(back->operators(), (std::vector<std::string>{"J. Doe", "K. Roe"}));
    EXPECT_FALSE(back->finished());

    // The last reading finishes it; taking one again keeps it finished.
    for (std::size_t i = 0; i < s.cells.size(); ++i)
        if (!s.cells[i].value) {
            ASSERT_TRUE(studies.storeReading(s, i, 0.001 * double(i), "2026-03-01T09:00:00.000Z",
                                             "J. Doe", error));
        }
    EXPECT_TRUE(s.finished());
    ASSERT_TRUE(studies.storeReading(s, 3, 0.5, "2026-03-01T09:30:00.000Z", "J. Doe", error));
    const std::vector<Study> all = studies.list(error);
    ASSERT_EQ(all.size(), 1u) << error;
    EXPECT_TRUE(all[0].finished());
    EXPECT_EQ(all[0].finishedUtc, "2026-03-01T09:30:00.000Z");

    // Refused readings leave the study as it was.
    Study gone = s;
    gone.id = 99;
    EXPECT_FALSE(studies.storeReading(gone, 0, 1.0, "t", "x", error));
    EXPECT_THAT(error, HasSubstr("Study 99 is not in the results store"));
    EXPECT_EQ(gone.cells[0].value, s.cells[0].value);
    EXPECT_FALSE(studies.storeReading(s, 12, 1.0, "t", "x", error));
    EXPECT_FALSE(studies.storeReading(s, 0, NAN, "t", "x", error));
    EXPECT_EQ(studies.load(s.id, error)->cells[0].value, 0.0011);

    Study bad = small();
    bad.parts = 1;
    EXPECT_FALSE(studies.create(bad, error));
    EXPECT_THAT(error, HasSubstr("cannot be run: a gauge R&R study takes 2 to 10 parts, not 1"));
    EXPECT_EQ(studies.list(error).size(), 1u) << "nothing of it kept";
}

TEST(StudyFigures, TextsForScriptsAndPeople)
{
    using K = FigureKind;
    const struct {
        Figure figure;
        const char *machine, *shown; // shown with 4 decimals
    } cases[] = {
        {{"EV", 0.1999331, K::Length}, "0.199933", "0.199933"},
        {{"PV", 1.0423268, K::Length}, "1.042327", "1.042327"},
        {{"s", 0.0000123456, K::Length}, "0.0000123456", "0.000012"},
        {{"bias", -0.00012345, K::Length}, "-0.000123450", "-0.000123"},
        {{"mean", 1234.5, K::Length}, "1234.500000", "1234.500000"},
        {{"INT", 0.0, K::Length}, "0.000000", "0.000000"},
        {{"bias_p", 1e-20, K::Probability}, "0.00000000000000000", "< 0.001"},
        {{"bias_p", 0.0421, K::Probability}, "0.0421000", "0.042"},
        {{"%GRR", 27.860651, K::Percent}, "27.860651", "27.9 %"},
        {{"Cg", 1.333333, K::Ratio}, "1.333333", "1.33"},
        {{"ndc", 4.0, K::Count}, "4", "4"},
        {{"pooled", 1.0, K::YesNo}, "yes", "yes"},
        {{"pooled", 0.0, K::YesNo}, "no", "no"},
        {{"AV", std::nullopt, K::Length}, "-", "-"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(machineText(c.figure), c.machine) << c.figure.name;
        EXPECT_EQ(displayText(c.figure, 4), c.shown) << c.figure.name;
    }
}

TEST(StudyFigures, VerdictsInWordsAndColours)
{
    GrrResult grr;
    grr.grr.percentOfTv = 9.99;
    grr.verdict = GrrVerdict::Acceptable;
    GrrResult conditional = grr, bad = grr, flat;
    conditional.grr.percentOfTv = 27.86;
    conditional.verdict = GrrVerdict::Conditional;
    bad.grr.percentOfTv = 51.5;
    bad.verdict = GrrVerdict::NotAcceptable;
    Type1Result capable, notCapable, still;
    capable.cg = 2.314, capable.cgk = 2.05, capable.capable = true;
    notCapable.cg = 1.5, notCapable.cgk = 1.3298, notCapable.capable = false;
    const struct {
        Evaluation e;
        const char *line;
        Verdict verdict;
    } cases[] = {
        {grr, "Acceptable: %GRR 9.99 % (under 10 %)", Verdict::Good},
        {conditional, "Acceptable with reservations: %GRR 27.9 % (10 % to 30 %)",
         Verdict::Approach},
        {bad, "Not acceptable: %GRR 51.5 % (over 30 %)", Verdict::Reject},
        {flat, "No verdict: the readings do not vary at all", Verdict::Invalid},
        {capable, "Capable: Cg 2.31 and Cgk 2.05 are at least 1.33", Verdict::Good},
        {notCapable, "Not capable: Cg 1.50 and Cgk 1.3298 must both be at least 1.33",
         Verdict::Reject},
        {still, "No verdict: the readings do not vary at all", Verdict::Invalid},
        {std::string("the study is not finished"), "", Verdict::Invalid},
    };
    for (const auto &c : cases) {
        EXPECT_THAT(verdictLine(c.e), ::testing::StartsWith(c.line));
        EXPECT_EQ(verdictOf(c.e), c.verdict) << c.line;
    }
}

} // namespace
