// qmxresults study and studies: the published MSA figures from a CSV file,
// type 1 and type 3 worked by hand, files that are no study with what is
// said of them, and the studies of a store.
#include "quality/resultscli.h"
#include "quality/resultsstore.h"
#include "quality/studystore.h"
#include "quality_studydata.h"

#include <gmock/gmock.h>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace qmxsrv;
using namespace qmxsrv::study;
using qmxtest::DataSheet;
using qmxtest::msaExample;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

struct Ran {
    int code;
    std::string out, err;
};

Ran qmxresults(std::vector<std::string> args)
{
    std::ostringstream out, err;
    const int code = resultsCommand(args, out, err);
    return {code, out.str(), err.str()};
}

// The "name<TAB>value" lines, in order.
std::vector<std::pair<std::string, std::string>> figureLines(const std::string &out)
{
    std::vector<std::pair<std::string, std::string>> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const auto tab = line.find('\t');
        EXPECT_NE(tab, std::string::npos) << line;
        lines.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return lines;
}

std::vector<std::string> names(const std::string &out)
{
    std::vector<std::string> n;
    for (const auto &[name, value] : figureLines(out))
        n.push_back(name);
    return n;
}

// What a figure should be: a number within tol, a text exactly, or within
// [low, high].
struct Want {
    const char *name;
    double value = 0, tol = 0;
    const char *text = nullptr;
    double low = NAN, high = NAN;
};

void expectFigures(const std::string &out, const std::vector<Want> &wants)
{
    std::map<std::string, std::string> got;
    for (const auto &[name, value] : figureLines(out))
        got[name] = value;
    for (const Want &w : wants) {
        SCOPED_TRACE(w.name);
        ASSERT_EQ(got.count(w.name), 1u);
        const std::string &text = got[w.name];
        if (w.text) {
            EXPECT_EQ(text, w.text);
            continue;
        }
        EXPECT_EQ(text.find_first_not_of("-0123456789."), std::string::npos)
            << text << ": plain fixed notation";
        const double v = std::strtod(text.c_str(), nullptr);
        if (!std::isnan(w.low)) {
            EXPECT_GE(v, w.low);
            EXPECT_LE(v, w.high);
        } else {
            EXPECT_NEAR(v, w.value, w.tol);
        }
    }
}

const std::vector<std::string> grrNames = {"EV",  "AV",  "INT",  "GRR", "PV", "TV",
                                           "%EV", "%AV", "%GRR", "%PV", "ndc"};
std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class StudyFiles : public ::testing::Test {
protected:
    StudyFiles()
    {
        char tmpl[] = "/tmp/qmxstudyXXXXXX";
        dir = mkdtemp(tmpl);
    }
    ~StudyFiles() override { fs::remove_all(dir); }
    std::string file(const std::string &name, const std::string &text)
    {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    // The data sheet as appraiser,part,trial,value lines; appraisers as
    // letters or numbers.
    static std::string grrCsv(const DataSheet &values, bool letters = true)
    {
        std::string text = "appraiser,part,trial,value\n";
        for (const Reading &r : qmxtest::sheet(values))
            text += (letters ? std::string(1, char('A' + r.appraiser))
                             : std::to_string(r.appraiser + 1)) +
                    "," + std::to_string(r.part + 1) + "," + std::to_string(r.trial + 1) + "," +
                    std::to_string(r.value) + "\n";
        return text;
    }
    fs::path dir;
};

TEST_F(StudyFiles, TheMsaExamplePrintsItsPublishedFigures)
{
    // MSA reference manual, 4th edition, chapter III section B: the average-
    // and-range form (its rounding: 1e-4 on sigmas, 0.01 on percentages) and
    // the ANOVA table's results (sigma to 6 decimals, % to one). TV of ANOVA
    // from its published GRR and PV; %GRR of a tolerance of 10 is 60 GRR / 10.
    const std::string csv = file("msa.csv", grrCsv(msaExample()));
    const Ran range = qmxresults({"study", "--type", "grr", "--method", "range", "--input", csv});
    ASSERT_EQ(range.code, 0) << range.err;
    EXPECT_EQ(names(range.out), grrNames);
    expectFigures(range.out, {{"EV", 0.20188, 1e-4},
                              {"AV", 0.22963, 1e-4},
                              {"INT", 0, 0, "-"},
                              {"GRR", 0.30575, 1e-4},
                              {"PV", 1.10456, 1e-4},
                              {"TV", 1.14610, 1e-4},
                              {"%EV", 17.61, 0.01},
                              {"%AV", 20.04, 0.01},
                              {"%GRR", 26.68, 0.01},
                              {"%PV", 96.37, 0.01},
                              {"ndc", 0, 0, "5"}});

    const Ran anova = qmxresults({"study", "--type", "grr", "--tolerance", "10", "--input", csv});
    ASSERT_EQ(anova.code, 0) << anova.err;
    EXPECT_EQ(names(anova.out), plus(grrNames, {"%GRR_tol", "interaction_p", "pooled"}));
    expectFigures(anova.out, {{"EV", 0.199933, 5e-6},
                              {"AV", 0.226838, 5e-6},
                              {"INT", 0, 0, "0.000000"},
                              {"GRR", 0.302373, 5e-6},
                              {"PV", 1.042327, 5e-6},
                              {"TV", 1.085300, 5e-6},
                              {"%EV", 18.4, 0.05},
                              {"%AV", 20.9, 0.05},
                              {"%GRR", 27.9, 0.05},
                              {"%PV", 96.0, 0.05},
                              {"ndc", 0, 0, "4"},
                              {"%GRR_tol", 6 * 0.302373 * 10, 5e-4},
                              {"interaction_p", 0, 0, nullptr, 0.9, 1.0},
                              {"pooled", 0, 0, "yes"}});

    // The same sheet however it is written: appraisers as numbers, lines in
    // another order, CR LF, a byte-order mark, blanks and empty lines.
    std::string shuffled = "\xEF\xBB\xBFvalue , trial,part,appraiser\r\n\r\n";
    const auto readings = qmxtest::sheet(msaExample());
    for (auto r = readings.rbegin(); r != readings.rend(); ++r)
        shuffled += std::to_string(r->value) + "," + std::to_string(r->trial + 1) + ", " +
                    std::to_string(r->part + 1) + "," + std::to_string(r->appraiser + 1) + "\r\n";
    for (const std::string &other : {grrCsv(msaExample(), false), shuffled}) {
        const Ran again = qmxresults(
            {"study", "--type", "grr", "--tolerance", "10", "--input", file("other.csv", other)});
        EXPECT_EQ(again.code, 0) << again.err;
        EXPECT_EQ(again.out, anova.out);
    }
}

TEST_F(StudyFiles, Type1AndType3WorkedByHand)
{
    // Type 1 (as in quality_studies.cpp): 10 x 5.003 and 10 x 4.999 against 5,
    // T 0.2: mean 5.001, s = 0.002 sqrt(20/19), t = sqrt(19)/2 = 2.18 on 19 df
    // (p between the table's 2 % and 5 %); Cg = K/100 T / (L s), Cgk = (K/200 T
    // - 0.001) / (L/2 s).
    std::string values = "value\n";
    for (int i = 0; i < 20; ++i)
        values += i < 10 ? "5.003\n" : "+4.999\n";
    const std::string type1 = file("type1.csv", values);
    const double s = 0.002 * std::sqrt(20.0 / 19);
    // Type 3: parts (10, 12), (19, 21), (28, 30): EV^2 = 2, PV^2 = 80, TV^2 = 82,
    // ndc floor(1.41 sqrt 40) = 8; of T 20: 600 sqrt 2 / 20.
    const std::string type3 =
        file("type3.csv", "part,trial,value\n1,1,10\n2,1,19\n3,1,28\n1,2,12\n2,2,21\n3,2,30\n");
    const double tv = std::sqrt(82.0);
    const std::vector<std::string> type1Names = {"n", "mean", "s", "bias", "bias_p", "Cg", "Cgk"};
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> names;
        std::vector<Want> figures;
    } cases[] = {
        {{"--type", "1", "--reference", "5", "--tolerance", "0.2", "--input", type1},
         type1Names,
         {{"n", 0, 0, "20"},
          {"mean", 5.001, 1e-9},
          {"s", s, 5e-9}, // six significant digits
          {"bias", 0.001, 1e-9},
          {"bias_p", 0, 0, nullptr, 0.02, 0.05},
          {"Cg", 0.04 / (6 * s), 1e-6},
          {"Cgk", 0.019 / (3 * s), 1e-6}}},
        {{"--type", "1", "--reference", "5", "--tolerance", "0.2", "--k", "10", "--l", "4",
          "--input", type1},
         type1Names,
         {{"Cg", 0.02 / (4 * s), 1e-6}, {"Cgk", 0.009 / (2 * s), 1e-6}}},
        {{"--type", "3", "--tolerance", "20", "--input", type3},
         plus(grrNames, {"%GRR_tol", "interaction_p", "pooled"}),
         {{"EV", std::sqrt(2.0), 1e-6},
          {"AV", 0, 0, "-"},
          {"INT", 0, 0, "-"},
          {"GRR", std::sqrt(2.0), 1e-6},
          {"PV", std::sqrt(80.0), 1e-6},
          {"TV", tv, 1e-6},
          {"%GRR", 100 * std::sqrt(2.0) / tv, 1e-6},
          {"%AV", 0, 0, "-"},
          {"%PV", 100 * std::sqrt(80.0) / tv, 1e-6},
          {"ndc", 0, 0, "8"},
          {"%GRR_tol", 30 * std::sqrt(2.0), 1e-6},
          {"interaction_p", 0, 0, "-"},
          {"pooled", 0, 0, "no"}}},
        {{"--type", "3", "--method", "anova", "--input", type3},
         plus(grrNames, {"interaction_p", "pooled"}),
         {{"%EV", 100 * std::sqrt(2.0) / tv, 1e-6}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.args[2] + " " + c.args[3]);
        std::vector<std::string> args = {"study"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Ran r = qmxresults(args);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(names(r.out), c.names);
        expectFigures(r.out, c.figures);
    }
}

TEST_F(StudyFiles, FilesThatAreNoStudyAndBadCommandLinesAreToldWhy)
{
    std::string full = "appraiser,part,trial,value\n";
    for (const char *a : {"A", "B"})
        for (int p = 1; p <= 2; ++p)
            for (int t = 1; t <= 2; ++t)
                full += std::string(a) + "," + std::to_string(p) + "," + std::to_string(t) + "," +
                        std::to_string(p + 0.1 * t) + "\n";
    const auto replaced = [&](const std::string &from, const std::string &to) {
        std::string text = full;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const std::string good = file("good.csv", full);
    std::string nineteen = "value\n";
    for (int i = 0; i < 19; ++i)
        nineteen += std::to_string(1 + i % 2) + "\n";
    const struct {
        std::vector<std::string> args;
        std::string csv; // the file given as --input, when not empty
        int code;
        const char *error;
    } cases[] = {
        // clang-format off
        // Files (exit 1), with the line where it is found.
        {{"--type", "grr"}, "part,trial,value\n1,1,2\n", 1,
         "line 1: the column appraiser is missing; an R&R file has the columns "
         "appraiser,part,trial,value"},
        {{"--type", "3"}, full, 1,
         "line 1: a type 3 file has the columns part,trial,value, not \"appraiser\""},
        {{"--type", "grr"}, replaced("value", "value,part"), 1, "the column part is named twice"},
        {{"--type", "grr"}, replaced("B,2,2,2.200000\n", ""), 1,
         "the study is not balanced; missing: appraiser 2 part 2 trial 2"},
        {{"--type", "grr"}, replaced("A,2,1,2.100000", "A,2,1,abc"), 1,
         "line 4: the value \"abc\" is not a number"},
        {{"--type", "grr"}, replaced("A,2,1,2.100000", "A,2,1,2,1"), 1,
         "line 4: 5 cells where the header has 4"},
        {{"--type", "grr"}, replaced("A,2,1,", "A,0,1,"), 1,
         "line 4: the part must be a whole number from 1, not \"0\""},
        {{"--type", "grr"}, replaced("A,2,1,", "A,2,1.5,"), 1,
         "the trial must be a whole number from 1, not \"1.5\""},
        {{"--type", "grr"}, replaced("B,1,1,", "2,1,1,"), 1,
         "line 6: the appraiser \"2\" is a number, but line 2 names appraisers by letters"},
        {{"--type", "grr"}, replaced("A,1,1,", "Ann,1,1,"), 1,
         "an appraiser is a letter (A, B, C) or a number from 1, not \"Ann\""},
        {{"--type", "grr"}, replaced("A,1,1,1.100000", "A,1,1,\"1.1"), 1,
         "A quoted CSV cell does not end"},
        {{"--type", "grr"}, "\n \n", 1, "the file is empty"},
        {{"--type", "grr"}, "appraiser,part,trial,value\n", 1, "the file has no readings"},
        {{"--type", "1", "--reference", "1", "--tolerance", "1"}, nineteen, 1,
         "a type 1 study needs at least 20 readings, got 19"},
        {{"--type", "grr", "--input", "/no/such/file.csv"}, "", 1, "cannot read /no/such/file.csv"},
        // Command lines (exit 2).
        {{"--type", "4", "--input", good}, "", 2, "--type must be 1, grr or 3"},
        {{"--input", good}, "", 2, "--type must be 1, grr or 3"},
        {{"--type", "grr", "--method", "median", "--input", good}, "", 2,
         "--method must be range or anova"},
        {{"--type", "3", "--method", "range", "--input", good}, "", 2, "by ANOVA only"},
        {{"--type", "1", "--method", "anova", "--input", good}, "", 2, "no --method"},
        {{"--type", "1", "--tolerance", "1", "--input", good}, "", 2,
         "needs --reference and --tolerance"},
        {{"--type", "grr", "--reference", "1", "--input", good}, "", 2,
         "--reference is for a type 1 study"},
        {{"--type", "grr", "--tolerance", "0", "--input", good}, "", 2,
         "--tolerance must be a positive number"},
        {{"--type", "grr", "--tolerance", "0,5", "--input", good}, "", 2,
         "--tolerance needs a number"},
        {{"--type", "1", "--reference", "1", "--tolerance", "1", "--k", "120"}, nineteen, 2,
         "--k must be a percentage above 0 and at most 100"},
        {{"--type", "1", "--reference", "1", "--tolerance", "1", "--l", "-6"}, nineteen, 2,
         "--l must be a positive number"},
        {{"--type", "grr"}, "", 2, "study needs --input FILE or --id N"},
        {{"--id", "1", "--input", good}, "", 2, "--input or --id, not both"},
        {{"--id", "1", "--type", "grr"}, "", 2, "study --id takes no --type"},
        {{"--id", "x"}, "", 2, "--id needs a study number"},
        {{"--type", "grr", "--last", "3", "--input", good}, "", 2, "study takes --type"},
        // clang-format on
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {"study"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        if (!c.csv.empty()) {
            args.push_back("--input");
            args.push_back(file("in.csv", c.csv));
        }
        SCOPED_TRACE(c.error);
        const Ran r = qmxresults(args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.out, "");
        EXPECT_THAT(r.err, HasSubstr(c.error));
    }
    EXPECT_EQ(qmxresults({"study", "--type", "grr", "--input", good}).code, 0)
        << "the base is good";
}

// The studies the station ran, from its store: listed, and each computed as
// its CSV would be.
TEST_F(StudyFiles, StoredStudiesAreListedAndComputed)
{
    const std::string db = (dir / "results.sqlite").string();
    std::string error;
    {
        auto store = ResultsStore::open(db, false, error);
        ASSERT_TRUE(store) << error;
        StudyStore studies(*store);
        Study msa;
        msa.type = StudyType::Grr;
        msa.setup = "/s/bore\t1.qmx";
        msa.channel = 3;
        msa.parts = 10, msa.appraisers = 3, msa.trials = 3;
        msa.tolerance = 10;
        msa.createdUtc = "2026-03-01T08:00:00.000Z";
        msa.operatorName = "J. Doe";
        ASSERT_TRUE(studies.create(msa, error)) << error;
        const DataSheet &v = msaExample();
        for (std::size_t i = 0; i < msa.cells.size(); ++i) {
            const StudyCell &c = msa.cells[i];
            ASSERT_TRUE(studies.storeReading(msa, i, v[c.appraiser][c.trial][c.part],
                                             "2026-03-01T09:00:00.000Z",
                                             i < 40 ? "J. Doe" : "K. Roe", error))
                << error;
        }
        Study open;
        open.type = StudyType::Type1;
        open.channel = 1;
        open.parts = 1, open.appraisers = 1, open.trials = 25;
        open.reference = 5, open.tolerance = 0.2;
        open.createdUtc = "2026-03-02T08:00:00.000Z";
        ASSERT_TRUE(studies.create(open, error)) << error;
        ASSERT_TRUE(studies.storeReading(open, 0, 5.001, "2026-03-02T08:01:00.000Z", "", error));
    }
    const Ran list = qmxresults({"--db", db, "studies"});
    EXPECT_EQ(list.code, 0) << list.err;
    EXPECT_EQ(list.out, "id\ttype\tmethod\tsetup\tchannel\tsizes\treadings\tstate\tcreated_utc\t"
                        "finished_utc\toperators\n"
                        "1\tgrr\tanova\t/s/bore 1.qmx\t3\t10x3x3\t90/90\tfinished\t"
                        "2026-03-01T08:00:00.000Z\t2026-03-01T09:00:00.000Z\tJ. Doe, K. Roe\n"
                        "2\t1\t-\t-\t1\t25\t1/25\topen\t2026-03-02T08:00:00.000Z\t-\t-\n");

    const Ran fromCsv = qmxresults({"study", "--type", "grr", "--tolerance", "10", "--input",
                                    file("msa.csv", grrCsv(msaExample()))});
    const Ran stored = qmxresults({"--db", db, "study", "--id", "1"});
    EXPECT_EQ(stored.code, 0) << stored.err;
    EXPECT_EQ(stored.out, fromCsv.out);
    const struct {
        std::vector<std::string> args;
        const char *error;
    } refused[] = {
        {{"--db", db, "study", "--id", "2"}, "study 2: the study is not finished: 1 of 25"},
        {{"--db", db, "study", "--id", "7"}, "there is no study 7"},
        {{"--db", (dir / "none.sqlite").string(), "study", "--id", "1"}, "cannot be opened"},
    };
    for (const auto &r : refused) {
        const Ran run = qmxresults(r.args);
        EXPECT_EQ(run.code, 1);
        EXPECT_THAT(run.err, HasSubstr(r.error));
    }

    // A store from before the studies (version 2) has none, and says so.
    const std::string old = (dir / "old.sqlite").string();
    sqlite3 *v2 = nullptr;
    ASSERT_EQ(sqlite3_open(old.c_str(), &v2), SQLITE_OK);
    sqlite3_exec(v2, "CREATE TABLE parts(id INTEGER PRIMARY KEY); PRAGMA user_version = 2;",
                 nullptr, nullptr, nullptr);
    sqlite3_close(v2);
    const Ran none = qmxresults({"--db", old, "studies"});
    EXPECT_EQ(none.code, 0) << none.err;
    EXPECT_EQ(none.out, list.out.substr(0, list.out.find('\n') + 1)) << "the heading alone";
    EXPECT_THAT(qmxresults({"--db", old, "study", "--id", "1"}).err,
                HasSubstr("there is no study 1"));
}

} // namespace
