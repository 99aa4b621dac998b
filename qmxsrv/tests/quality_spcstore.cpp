// The control charts as parts are recorded: subgroups made of consecutive
// parts (a part without a trustworthy value does not count), judged at once
// against the limits in force, kept in the store with the alarms they raise,
// and continued after a restart from what the store kept.
#include "quality/resultscli.h"
#include "quality/resultsexport.h"
#include "quality/resultsstore.h"
#include "quality/spcmonitor.h"
#include "quality/spcstore.h"

#include "quality_pistonrings.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <tuple>

using namespace qmxsrv;
using namespace qmxsrv::spc;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

namespace fs = std::filesystem;

ControlPlan plan(int n, RuleSet rules, LimitsMode limits, std::optional<double> centre = {},
                 std::optional<double> sigma = {})
{
    ControlPlan p;
    p.setup = "/s/bore.qmx";
    p.channel = 1;
    p.subgroupSize = n;
    p.rules = rules;
    p.tests = allTests(rules);
    p.limits = limits;
    p.centre = centre;
    p.sigma = sigma;
    return p;
}

// A part with channel 1 = value (or none: a failed read) and channel 2.
PartRow part(std::optional<double> value)
{
    PartRow p;
    p.setup = "/s/bore.qmx";
    MeasurementRow m;
    m.channel = 1;
    m.description = "Bore";
    m.value = value;
    m.text = " 0.0000";
    m.verdict = value ? Verdict::Good : Verdict::Invalid;
    p.measurements.push_back(m);
    m.channel = 2;
    m.value = 1.0;
    m.verdict = Verdict::Good;
    p.measurements.push_back(m);
    return p;
}

// Feeds values one part each; the subgroups completed, in order.
std::vector<CompletedSubgroup> feed(Monitor &monitor, const std::vector<std::optional<double>> &v,
                                    std::int64_t &partId)
{
    std::vector<CompletedSubgroup> out;
    for (const auto &value : v) {
        Monitor::Step step = monitor.take(part(value), ++partId);
        out.insert(out.end(), step.completed.begin(), step.completed.end());
        monitor.apply(std::move(step));
    }
    return out;
}

} // namespace

TEST(SpcMonitor, SubgroupsOfConsecutiveTrustedValuesJudgedAgainstTypedLimits)
{
    Monitor m;
    // centre 10, sigma 1, n 4: the means' sigma is 0.5, limits 8.5 .. 11.5;
    // R chart: d2 = 2.059, D4 = 2.282: R-bar 2.059, UCL 4.698.
    m.start({plan(4, RuleSet::WesternElectric, LimitsMode::Typed, 10.0, 1.0)}, {});
    std::int64_t id = 0;
    auto done = feed(m, {10, 11, std::nullopt, 9}, id);
    EXPECT_THAT(done, IsEmpty()) << "a failed read does not count";
    EXPECT_EQ(m.partial(1), 3u);
    done = feed(m, {10}, id);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].number, 1);
    EXPECT_EQ(done[0].firstPart, 1);
    EXPECT_EQ(done[0].lastPart, 5);
    EXPECT_EQ(done[0].n, 4);
    EXPECT_DOUBLE_EQ(done[0].mean, 10.0);
    EXPECT_DOUBLE_EQ(*done[0].spread, 2.0);
    EXPECT_THAT(done[0].flags, IsEmpty());
    ASSERT_TRUE(done[0].limits);
    EXPECT_DOUBLE_EQ(done[0].limits->ucl, 11.5);
    EXPECT_NEAR(done[0].limits->spreadUcl, 2.282 * 2.059, 1e-3);

    // Each case after a fresh start and one subgroup on the centre; the
    // flags of its last subgroup.
    const struct {
        const char *what;
        std::vector<std::optional<double>> values;
        std::vector<std::string> flags;
    } cases[] = {
        {"mean beyond 3 sigma", {12, 12, 11.9, 12}, {"X1"}},
        {"exactly on the 3 sigma limit is not beyond", {11.5, 11.5, 11.5, 11.5}, {}},
        {"one beyond 2 sigma is no two of three", {11.2, 11.2, 11.2, 11.2}, {}},
        {"two of three beyond 2 sigma", {11.2, 11.2, 11.2, 11.2, 11.2, 11.2, 11.2, 11.2}, {"X2"}},
        {"two beyond 2 sigma, the newest not", {11.2, 11.2, 11.2, 11.2, 10, 10, 10, 10}, {}},
        {"range beyond its limit", {7.5, 12.5, 10, 10}, {"R1"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        m.start({plan(4, RuleSet::WesternElectric, LimitsMode::Typed, 10.0, 1.0)}, {});
        feed(m, {9, 11, 9, 11}, id);
        done = feed(m, c.values, id);
        ASSERT_FALSE(done.empty());
        EXPECT_EQ(done.back().flags, c.flags);
    }
}

TEST(SpcMonitor, ComputedLimitsComeWithTheSecondSubgroupAndIncludeTheNewOne)
{
    Monitor m;
    m.start({plan(1, RuleSet::Nelson, LimitsMode::Computed)}, {});
    std::int64_t id = 0;
    auto done = feed(m, {10}, id);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_FALSE(done[0].limits) << "one individual gives no limits";
    EXPECT_FALSE(done[0].spread) << "no moving range without a value before";
    done = feed(m, {12, 11}, id);
    ASSERT_EQ(done.size(), 2u);
    // 10, 12, 11: mean 11, MR-bar 1.5, sigma 1.5/1.128, UCL 11 + 3 * 1.3298
    ASSERT_TRUE(done[1].limits);
    EXPECT_DOUBLE_EQ(done[1].limits->centre, 11.0);
    EXPECT_NEAR(done[1].limits->ucl, 11 + 3 * 1.5 / 1.128, 1e-12);
    EXPECT_DOUBLE_EQ(*done[1].spread, 1.0);
    EXPECT_NEAR(done[1].limits->spreadUcl, 3.267 * 1.5, 1e-12);
}

// The store keeps each subgroup and its alarm in the part's transaction; a
// station started again continues the chart where it stood: a run of eight
// above the centre before the restart and the ninth after it break Nelson 2.
TEST(SpcStore, AChartGoesOnAfterARestartWithItsFixedLimits)
{
    const fs::path dir = fs::temp_directory_path() / ("qmxspc" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "results.sqlite").string();
    std::string error;
    const auto record = [&](ResultsStore &store, Monitor &m, double value, bool publish) {
        const PartRow p = part(value);
        Monitor::Step step;
        std::vector<std::int64_t> alarms;
        const auto id = store.record(p, error, false, [&](std::int64_t partId, std::string &why) {
            step = m.take(p, partId);
            SubgroupWriter writer(store);
            for (const CompletedSubgroup &g : step.completed) {
                std::int64_t alarm = 0;
                if (!writer.write(p.setup, *m.plan(g.channel), g, "2026-12-08T10:00:00Z", "J. Doe",
                                  publish, alarm, why))
                    return false;
                if (alarm)
                    alarms.push_back(alarm);
            }
            return true;
        });
        EXPECT_TRUE(id) << error;
        m.apply(std::move(step));
        return alarms;
    };
    {
        auto store = ResultsStore::open(path, false, error);
        ASSERT_TRUE(store) << error;
        // Typed limits first, to have subgroups; then limits fixed from 1..25.
        ControlPlan p = plan(5, RuleSet::Nelson, LimitsMode::Computed);
        ASSERT_TRUE(savePlan(*store, p, error)) << error;
        Monitor m;
        m.start(plansOf(*store, p.setup, error), {});
        for (const auto &sample : pistonRings)
            for (double v : sample)
                record(*store, m, v, false);
        const auto fixed = limitsFromSubgroups(*store, p, 1, 25, error);
        ASSERT_TRUE(fixed) << error;
        // The textbook's limits (rounded to 3 decimals there).
        EXPECT_NEAR(fixed->centre, 74.001, 0.0005);
        EXPECT_NEAR(fixed->ucl, 74.014, 0.0006);
        EXPECT_NEAR(fixed->lcl, 73.988, 0.0006);
        EXPECT_NEAR(fixed->spreadUcl, 0.049, 0.0005);
        EXPECT_FALSE(limitsFromSubgroups(*store, p, 20, 30, error)) << "only 25 were recorded";
        EXPECT_THAT(error, ::testing::HasSubstr("not all recorded"));

        p.limits = LimitsMode::Fixed;
        p.centre = fixed->centre;
        p.sigma = fixed->sigma;
        p.fixedFirst = 1, p.fixedLast = 25;
        p.sinceSubgroup = nextSubgroup(*store, p.setup, 1, error);
        EXPECT_EQ(p.sinceSubgroup, 26);
        ASSERT_TRUE(savePlan(*store, p, error));
        m.start(plansOf(*store, p.setup, error), {{1, historyOf(*store, p, error)}});
        // Eight subgroups just above the centre: nothing yet.
        for (int g = 0; g < 8; ++g)
            for (int i = 0; i < 5; ++i)
                EXPECT_THAT(record(*store, m, 74.002, true), IsEmpty());
        EXPECT_THAT(store->outbox(10, error), IsEmpty());
    }
    auto store = ResultsStore::open(path, false, error);
    ASSERT_TRUE(store) << error;
    const auto plans = plansOf(*store, "/s/bore.qmx", error);
    ASSERT_EQ(plans.size(), 1u);
    EXPECT_EQ(plans[0].limits, LimitsMode::Fixed);
    const EpochHistory history = historyOf(*store, plans[0], error);
    EXPECT_EQ(history.nextNumber, 34);
    EXPECT_EQ(history.sums.count, 8) << "only the subgroups judged against the fixed limits";
    Monitor m;
    m.start(plans, {{1, history}});
    std::vector<std::int64_t> raised;
    for (int i = 0; i < 5; ++i)
        raised = record(*store, m, 74.002, true);
    ASSERT_EQ(raised.size(), 1u) << "the ninth in a row on one side";
    const auto alarm = alarmOf(*store, raised[0], error);
    ASSERT_TRUE(alarm) << error;
    EXPECT_EQ(alarm->flags, "X2");
    EXPECT_EQ(alarm->subgroup, 34);
    EXPECT_EQ(alarm->raisedOperator, "J. Doe");
    EXPECT_TRUE(alarm->open());
    const auto outbox = store->outbox(10, error);
    ASSERT_EQ(outbox.size(), 1u);
    EXPECT_EQ(outbox[0].kind, "alarm raised");

    const auto stored = subgroupsOf(*store, "/s/bore.qmx", 1, 2, error);
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[1].number, 34);
    EXPECT_EQ(stored[1].flags, "X2");
    EXPECT_EQ(stored[0].flags, "");

    EXPECT_TRUE(answerAlarm(*store, raised[0], "K. Roe", "Tool wear", "Tool changed", "worn",
                            "2026-12-08T10:05:00Z", true, error))
        << error;
    EXPECT_FALSE(answerAlarm(*store, raised[0], "K. Roe", "Tool wear", "Tool changed", "",
                             "2026-12-08T10:06:00Z", true, error));
    EXPECT_THAT(error, ::testing::HasSubstr("is not open"));
    EXPECT_THAT(alarmsOf(*store, nullptr, true, error), IsEmpty());
    const auto answered = alarmOf(*store, raised[0], error);
    EXPECT_EQ(answered->operatorName, "K. Roe");
    EXPECT_EQ(answered->cause, "Tool wear");
    EXPECT_EQ(store->outbox(10, error).size(), 2u) << "raised, then answered";

    // What scripts read: the plan and its limits, then a line per subgroup
    // with the channel's decimals and three more.
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"--db", path});
        std::ostringstream out, err;
        const int code = resultsCommand(args, out, err);
        return std::make_tuple(code, out.str(), err.str());
    };
    auto [code, out, err] = run({"spc", "--setup", "/s/bore.qmx", "--channel", "1", "--last", "2"});
    EXPECT_EQ(code, 0) << err;
    EXPECT_THAT(out, ::testing::HasSubstr("# plan\tn 5\txbar-r\trules nelson 1,2,3,4,5,6,7,8\t"
                                          "hold off\n# limits\tfixed on  from subgroups 1-25\n"));
    EXPECT_THAT(out, ::testing::EndsWith("subgroup\tfirst_part\tlast_part\tn\tmean\tspread\tflags\n"
                                         "33\t161\t165\t5\t74.0020000\t0.0000000\t-\n"
                                         "34\t166\t170\t5\t74.0020000\t0.0000000\tX2\n"));
    std::tie(code, out, err) = run({"alarms", "--open"});
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "a heading and no open alarm: " << out;
    std::tie(code, out, err) = run({"alarms", "--setup", "/s/bore.qmx"});
    EXPECT_THAT(out,
                ::testing::HasSubstr("\t/s/bore.qmx\t1\tBore\txbar-r\t34\t166\t170\tX2\t"
                                     "74.0020000\t0.0000000\tanswered\t2026-12-08T10:05:00Z\tK. Roe"
                                     "\tTool wear\tTool changed\tworn\n"));
    std::tie(code, out, err) = run({"spc", "--setup", "/s/bore.qmx"});
    EXPECT_EQ(code, 2);
    EXPECT_THAT(err, ::testing::HasSubstr("spc needs --channel N"));
    std::tie(code, out, err) = run({"plan", "--setup", "/s/bore.qmx"});
    EXPECT_THAT(out, ::testing::EndsWith("\n1\t5\txbar-r\tnelson\t1,2,3,4,5,6,7,8\tfixed\t" +
                                         exactNumber(*plans[0].centre) + "\t" +
                                         exactNumber(*plans[0].sigma) + "\t1\t25\t-\tno\t26\t-\n"));
    fs::remove_all(dir);
}

// An alarm's figures come as the chart gives them: a range of 0.0042 - 0.0035
// is 0.0006999999999999997 in binary, and an operator must read 0.0007.
TEST(SpcStore, AnAlarmsFiguresHaveTheChannelsDecimalsAndThreeMore)
{
    struct Case {
        int decimals;
        std::optional<double> value;
        std::string text;
        std::optional<double> figure;
    } cases[] = {
        {4, 0.0042 - 0.0035, "0.0007000", 0.0007},
        {4, -1.4880000000000015e-05, "-0.0000149", -0.0000149},
        {0, 1234.56789, "1234.568", 1234.568},
        {2, 25.0, "25.00000", 25.0},
        {4, std::nullopt, "-", std::nullopt},
    };
    for (const Case &c : cases) {
        spc::Alarm a;
        a.decimals = c.decimals;
        EXPECT_EQ(a.figureText(c.value), c.text);
        EXPECT_EQ(a.figure(c.value), c.figure) << c.text;
    }
}

TEST(SpcStore, TheCataloguesStartWithEntriesAndAreEdited)
{
    const fs::path dir = fs::temp_directory_path() / ("qmxcat" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string error;
    auto store = ResultsStore::open((dir / "results.sqlite").string(), false, error);
    ASSERT_TRUE(store) << error;
    EXPECT_GE(catalogue(*store, Catalogue::Causes, error).size(), 5u);
    EXPECT_GE(catalogue(*store, Catalogue::Actions, error).size(), 5u);
    EXPECT_TRUE(addToCatalogue(*store, Catalogue::Causes, "Coolant", error));
    EXPECT_TRUE(addToCatalogue(*store, Catalogue::Causes, "Coolant", error)) << "once";
    EXPECT_FALSE(addToCatalogue(*store, Catalogue::Causes, "", error));
    EXPECT_TRUE(removeFromCatalogue(*store, Catalogue::Causes, "Temperature", error));
    const auto causes = catalogue(*store, Catalogue::Causes, error);
    EXPECT_EQ(std::count(causes.begin(), causes.end(), "Coolant"), 1);
    EXPECT_EQ(std::count(causes.begin(), causes.end(), "Temperature"), 0);
    EXPECT_EQ(catalogue(*store, Catalogue::Actions, error).size(), 6u) << "the other list stays";
    fs::remove_all(dir);
}
