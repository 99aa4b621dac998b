#include "quality/spcstore.h"

#include "quality/resultsstore.h"
#include "quality/sqlitestatement.h"
#include "quality/statistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <sstream>

namespace qmxsrv::spc {

namespace {

constexpr char PlanColumns[] =
    "setup, channel, subgroup_size, use_s, rules, tests, limits, centre, sigma, fixed_first,"
    " fixed_last, fixed_utc, hold, since_subgroup, since_part, changed_utc";

ControlPlan planFrom(const Statement &st)
{
    ControlPlan p;
    p.setup = st.column(0);
    p.channel = sqlite3_column_int(st.s, 1);
    p.subgroupSize = sqlite3_column_int(st.s, 2);
    p.useS = sqlite3_column_int(st.s, 3) != 0;
    p.rules = ruleSetOf(st.column(4)).value_or(RuleSet::None);
    p.tests = std::uint32_t(sqlite3_column_int64(st.s, 5));
    p.limits = limitsModeOf(st.column(6)).value_or(LimitsMode::Computed);
    p.centre = st.optionalColumn(7);
    p.sigma = st.optionalColumn(8);
    p.fixedFirst = sqlite3_column_int64(st.s, 9);
    p.fixedLast = sqlite3_column_int64(st.s, 10);
    p.fixedUtc = st.column(11);
    p.hold = sqlite3_column_int(st.s, 12) != 0;
    p.sinceSubgroup = sqlite3_column_int64(st.s, 13);
    p.sincePart = sqlite3_column_int64(st.s, 14);
    p.changedUtc = st.column(15);
    return p;
}

constexpr char SubgroupColumns[] =
    "number, chart, size, n, first_part, last_part, mean, spread, decimals, flags, epoch_count,"
    " epoch_sum_means, epoch_spread_count, epoch_sum_spreads, values_n, values_mean, values_m2,"
    " channel";

StoredSubgroup subgroupFrom(const Statement &st)
{
    StoredSubgroup g;
    g.number = sqlite3_column_int64(st.s, 0);
    g.chart = st.column(1);
    g.size = sqlite3_column_int(st.s, 2);
    g.n = sqlite3_column_int(st.s, 3);
    g.firstPart = sqlite3_column_int64(st.s, 4);
    g.lastPart = sqlite3_column_int64(st.s, 5);
    g.mean = sqlite3_column_double(st.s, 6);
    g.spread = st.optionalColumn(7);
    g.decimals = sqlite3_column_int(st.s, 8);
    g.flags = st.column(9);
    g.epoch.count = sqlite3_column_int(st.s, 10);
    g.epoch.sumMeans = sqlite3_column_double(st.s, 11);
    g.epoch.spreadCount = sqlite3_column_int(st.s, 12);
    g.epoch.sumSpreads = sqlite3_column_double(st.s, 13);
    g.epoch.valuesN = long(sqlite3_column_int64(st.s, 14));
    g.epoch.valuesMean = sqlite3_column_double(st.s, 15);
    g.epoch.valuesM2 = sqlite3_column_double(st.s, 16);
    g.channel = sqlite3_column_int(st.s, 17);
    return g;
}

// Of an alarm a: its own columns and the decimals its channel had in the
// subgroup that raised it (found through the subgroups' part index).
constexpr char AlarmColumns[] =
    "a.id, a.setup, a.channel, a.description, a.chart, a.subgroup, a.first_part, a.last_part,"
    " a.rules, a.flags, a.mean, a.spread, a.centre, a.lcl, a.ucl, a.raised_utc,"
    " a.raised_operator, a.answered_utc, a.operator, a.cause, a.action, a.comment,"
    " (SELECT g.decimals FROM subgroups g WHERE g.last_part = a.last_part AND g.setup = a.setup"
    " AND g.channel = a.channel AND g.number = a.subgroup)";

Alarm alarmFrom(const Statement &st)
{
    Alarm a;
    a.id = sqlite3_column_int64(st.s, 0);
    a.setup = st.column(1);
    a.channel = sqlite3_column_int(st.s, 2);
    a.description = st.column(3);
    a.chart = st.column(4);
    a.subgroup = sqlite3_column_int64(st.s, 5);
    a.firstPart = sqlite3_column_int64(st.s, 6);
    a.lastPart = sqlite3_column_int64(st.s, 7);
    a.rules = st.column(8);
    a.flags = st.column(9);
    a.mean = sqlite3_column_double(st.s, 10);
    a.spread = st.optionalColumn(11);
    a.centre = st.optionalColumn(12);
    a.lcl = st.optionalColumn(13);
    a.ucl = st.optionalColumn(14);
    a.raisedUtc = st.column(15);
    a.raisedOperator = st.column(16);
    a.answeredUtc = st.column(17);
    a.operatorName = st.column(18);
    a.cause = st.column(19);
    a.action = st.column(20);
    a.comment = st.column(21);
    if (sqlite3_column_type(st.s, 22) == SQLITE_INTEGER)
        a.decimals = sqlite3_column_int(st.s, 22);
    return a;
}

const char *catalogueTable(Catalogue which)
{
    return which == Catalogue::Causes ? "alarm_causes" : "alarm_actions";
}

// Steps st to its end, collecting each row; false with the reason on an error.
template <typename Row> bool rows(const ResultsStore &store, Statement &st, std::vector<Row> &out,
                                  Row (*from)(const Statement &), std::string &error)
{
    int rc = st.rc;
    if (rc == SQLITE_OK)
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW)
            out.push_back(from(st));
    if (rc != SQLITE_DONE) {
        error = store.describeError(rc);
        return false;
    }
    return true;
}

bool done(const ResultsStore &store, Statement &st, std::string &error)
{
    if (const int rc = st.run(); rc != SQLITE_DONE) {
        error = store.describeError(rc);
        return false;
    }
    return true;
}

} // namespace

std::vector<ControlPlan> plansOf(const ResultsStore &store, const std::string &setup,
                                 std::string &error)
{
    std::vector<ControlPlan> out;
    if (store.version() < 2)
        return out;
    Statement st(store.db(), (std::string("SELECT ") + PlanColumns +
                              " FROM control_plans WHERE setup = ? ORDER BY channel")
                                 .c_str());
    st.text(1, setup);
    rows(store, st, out, planFrom, error);
    return out;
}

std::optional<ControlPlan> planOf(const ResultsStore &store, const std::string &setup, int channel,
                                  std::string &error)
{
    for (ControlPlan &p : plansOf(store, setup, error))
        if (p.channel == channel)
            return std::move(p);
    return std::nullopt;
}

bool savePlan(ResultsStore &store, const ControlPlan &p, std::string &error)
{
    Statement st(store.db(), (std::string("INSERT OR REPLACE INTO control_plans(") + PlanColumns +
                              ") VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
                                 .c_str());
    st.text(1, p.setup);
    st.integer(2, p.channel);
    st.integer(3, p.subgroupSize);
    st.integer(4, p.useS);
    st.text(5, ruleSetText(p.rules));
    st.integer(6, p.tests);
    st.text(7, limitsText(p.limits));
    st.optionalReal(8, p.centre);
    st.optionalReal(9, p.sigma);
    st.integer(10, p.fixedFirst);
    st.integer(11, p.fixedLast);
    st.text(12, p.fixedUtc);
    st.integer(13, p.hold);
    st.integer(14, p.sinceSubgroup);
    st.integer(15, p.sincePart);
    st.text(16, p.changedUtc);
    return done(store, st, error);
}

bool removePlan(ResultsStore &store, const std::string &setup, int channel, std::string &error)
{
    Statement st(store.db(), "DELETE FROM control_plans WHERE setup = ? AND channel = ?");
    st.text(1, setup);
    st.integer(2, channel);
    return done(store, st, error);
}

namespace {

// The setup's subgroups newest first, from its part index: those of one
// channel are picked out as they come; each is handed to take until it
// says enough.
template <typename Take> void newestFirst(const ResultsStore &store, const std::string &setup,
                                          std::int64_t sincePart, std::string &error, Take take)
{
    Statement st(store.db(), (std::string("SELECT ") + SubgroupColumns +
                              " FROM subgroups WHERE last_part >= ? AND setup = ?"
                              " ORDER BY last_part DESC, rowid DESC")
                                 .c_str());
    st.integer(1, sincePart);
    st.text(2, setup);
    int rc = st.rc;
    if (rc == SQLITE_OK)
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW)
            if (!take(subgroupFrom(st))) {
                rc = SQLITE_DONE;
                break;
            }
    if (rc != SQLITE_DONE)
        error = store.describeError(rc);
}

} // namespace

std::int64_t nextSubgroup(const ResultsStore &store, const std::string &setup, int channel,
                          std::string &error)
{
    if (store.version() < 2)
        return 1;
    std::int64_t next = 1;
    newestFirst(store, setup, 0, error, [&](const StoredSubgroup &g) {
        if (g.channel != channel)
            return true;
        next = g.number + 1;
        return false;
    });
    return next;
}

EpochHistory historyOf(const ResultsStore &store, const ControlPlan &plan, std::string &error)
{
    EpochHistory h;
    h.nextNumber = plan.sinceSubgroup;
    if (store.version() < 2)
        return h;
    const std::string chart = chartText(plan.kind());
    bool newest = true;
    newestFirst(store, plan.setup, plan.sincePart, error, [&](const StoredSubgroup &g) {
        if (g.channel != plan.channel || g.number < plan.sinceSubgroup || g.chart != chart ||
            g.size != plan.subgroupSize)
            return true;
        if (newest) { // it carries the sums of the subgroups before it
            h.nextNumber = std::max(h.nextNumber, g.number + 1);
            h.sums = g.epoch;
            newest = false;
        }
        h.recent.insert(h.recent.begin(), g.mean);
        return h.recent.size() < RuleWindow;
    });
    if (!h.recent.empty() && plan.kind() == ChartKind::IndividualsMovingRange)
        h.lastIndividual = h.recent.back();
    return h;
}

std::vector<StoredSubgroup> subgroupsOf(const ResultsStore &store, const std::string &setup,
                                        int channel, long last, std::string &error,
                                        std::int64_t from, std::int64_t to)
{
    std::vector<StoredSubgroup> out;
    if (store.version() < 2)
        return out;
    newestFirst(store, setup, 0, error, [&](StoredSubgroup &&g) {
        if (g.channel != channel || (to > 0 && g.number > to))
            return true;
        if (g.number < from)
            return false; // a channel's numbers fall as its parts do
        out.push_back(std::move(g));
        return last <= 0 || long(out.size()) < last;
    });
    std::reverse(out.begin(), out.end());
    return out;
}

std::vector<StoredSubgroup> subgroupsInParts(const ResultsStore &store, const std::string &setup,
                                             int channel, std::int64_t firstPart,
                                             std::int64_t lastPart, std::string &error)
{
    std::vector<StoredSubgroup> out;
    if (store.version() < 2)
        return out;
    Statement st(store.db(), (std::string("SELECT ") + SubgroupColumns +
                              " FROM subgroups WHERE last_part BETWEEN ? AND ? AND setup = ?"
                              " AND channel = ? ORDER BY last_part, rowid")
                                 .c_str());
    st.integer(1, firstPart);
    st.integer(2, lastPart);
    st.text(3, setup);
    st.integer(4, channel);
    rows(store, st, out, subgroupFrom, error);
    return out;
}

std::optional<ControlLimits> limitsFromSubgroups(const ResultsStore &store, const ControlPlan &plan,
                                                 std::int64_t first, std::int64_t last,
                                                 std::string &error)
{
    if (first < 1 || last < first) {
        error = "fixed limits need subgroups first to last, first at least 1";
        return std::nullopt;
    }
    const auto stored = subgroupsOf(store, plan.setup, plan.channel, 0, error, first, last);
    if (!error.empty())
        return std::nullopt;
    if (std::int64_t(stored.size()) != last - first + 1) {
        error = "subgroups " + std::to_string(first) + " to " + std::to_string(last) +
                " are not all recorded for this channel";
        return std::nullopt;
    }
    std::vector<ChartPoint> points;
    for (const StoredSubgroup &g : stored) {
        if (g.chart != chartText(plan.kind()) || g.size != plan.subgroupSize) {
            error = "subgroup " + std::to_string(g.number) + " is of another chart (" + g.chart +
                    ", n " + std::to_string(g.size) + ")";
            return std::nullopt;
        }
        points.push_back({g.mean, g.spread, g.n});
    }
    const auto limits = limitsFromPoints(plan.kind(), plan.subgroupSize, points);
    if (!limits)
        error = "these subgroups give no limits: too few, or no spread";
    return limits;
}

struct SubgroupWriter::Statements {
    explicit Statements(sqlite3 *db)
        : subgroup(db, (std::string("INSERT INTO subgroups(setup, ") + SubgroupColumns +
                        ") VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
                           .c_str()),
          alarm(db, "INSERT INTO alarms(setup, channel, description, chart, subgroup, first_part,"
                    " last_part, rules, flags, mean, spread, centre, lcl, ucl, raised_utc,"
                    " raised_operator) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
    {
    }
    Statement subgroup, alarm;
};

SubgroupWriter::SubgroupWriter(ResultsStore &store)
    : store_(store), statements_(std::make_unique<Statements>(store.db()))
{
}

SubgroupWriter::~SubgroupWriter() = default;

bool SubgroupWriter::write(const std::string &setup, const ControlPlan &plan,
                           const CompletedSubgroup &g, const std::string &utc,
                           const std::string &operatorName, bool publish, std::int64_t &alarm,
                           std::string &error)
{
    alarm = 0;
    const std::string flags = joinFlags(g.flags);
    const std::string chart = chartText(plan.kind());
    Statement &st = statements_->subgroup;
    sqlite3_reset(st.s);
    st.staticText(1, setup);
    st.integer(2, g.number);
    st.staticText(3, chart);
    st.integer(4, plan.subgroupSize);
    st.integer(5, g.n);
    st.integer(6, g.firstPart);
    st.integer(7, g.lastPart);
    st.real(8, g.mean);
    st.optionalReal(9, g.spread);
    st.integer(10, g.decimals);
    st.staticText(11, flags);
    st.integer(12, g.epoch.count);
    st.real(13, g.epoch.sumMeans);
    st.integer(14, g.epoch.spreadCount);
    st.real(15, g.epoch.sumSpreads);
    st.integer(16, g.epoch.valuesN);
    st.real(17, g.epoch.valuesMean);
    st.real(18, g.epoch.valuesM2);
    st.integer(19, g.channel);
    if (!done(store_, st, error))
        return false;
    if (g.flags.empty())
        return true;
    Statement &a = statements_->alarm;
    sqlite3_reset(a.s);
    a.text(1, setup);
    a.integer(2, g.channel);
    a.text(3, g.description);
    a.text(4, chart);
    a.integer(5, g.number);
    a.integer(6, g.firstPart);
    a.integer(7, g.lastPart);
    a.text(8, ruleSetText(plan.rules));
    a.text(9, flags);
    a.real(10, g.mean);
    a.optionalReal(11, g.spread);
    a.optionalReal(12, g.limits ? std::optional(g.limits->centre) : std::nullopt);
    a.optionalReal(13, g.limits ? std::optional(g.limits->lcl) : std::nullopt);
    a.optionalReal(14, g.limits ? std::optional(g.limits->ucl) : std::nullopt);
    a.text(15, utc);
    a.text(16, operatorName);
    if (!done(store_, a, error))
        return false;
    alarm = sqlite3_last_insert_rowid(store_.db());
    return !publish || store_.queueOutbox("alarm raised", alarm, error);
}

bool answerAlarm(ResultsStore &store, std::int64_t alarm, const std::string &operatorName,
                 const std::string &cause, const std::string &action, const std::string &comment,
                 const std::string &utc, bool publish, std::string &error)
{
    if (!store.exec("BEGIN IMMEDIATE", error))
        return false;
    const auto fail = [&](const std::string &why) {
        error = why;
        store.rollBack();
        return false;
    };
    Statement st(store.db(), "UPDATE alarms SET answered_utc = ?, operator = ?, cause = ?,"
                             " action = ?, comment = ? WHERE id = ? AND answered_utc IS NULL");
    st.text(1, utc);
    st.text(2, operatorName);
    st.text(3, cause);
    st.text(4, action);
    st.text(5, comment);
    st.integer(6, alarm);
    std::string why;
    if (!done(store, st, why))
        return fail(why);
    if (sqlite3_changes(store.db()) != 1)
        return fail("alarm " + std::to_string(alarm) + " is not open");
    if (publish && !store.queueOutbox("alarm answered", alarm, why))
        return fail(why);
    if (!store.exec("COMMIT", why))
        return fail(why);
    return true;
}

std::vector<Alarm> alarmsOf(const ResultsStore &store, const std::string *setup, bool openOnly,
                            std::string &error, long limit)
{
    std::vector<Alarm> out;
    if (store.version() < 2)
        return out;
    std::string sql = std::string("SELECT ") + AlarmColumns + " FROM alarms a";
    // The open ones through their own index: they are few beside the answered.
    sql += openOnly ? " INDEXED BY alarms_open WHERE a.answered_utc IS NULL AND" : " WHERE";
    sql += " (?1 IS NULL OR a.setup = ?1) ORDER BY a.id DESC";
    if (limit > 0)
        sql += " LIMIT " + std::to_string(limit);
    Statement st(store.db(), sql.c_str());
    if (setup)
        st.text(1, *setup);
    rows(store, st, out, alarmFrom, error);
    return out;
}

std::vector<Alarm> alarmsBetween(const ResultsStore &store, std::int64_t first, std::int64_t last,
                                 std::string &error)
{
    std::vector<Alarm> out;
    Statement st(store.db(), (std::string("SELECT ") + AlarmColumns +
                              " FROM alarms a WHERE a.id BETWEEN ? AND ? ORDER BY a.id")
                                 .c_str());
    st.integer(1, first);
    st.integer(2, last);
    rows(store, st, out, alarmFrom, error);
    return out;
}

long openAlarmCount(const ResultsStore &store, std::string &error)
{
    if (store.version() < 2)
        return 0;
    Statement st(store.db(), "SELECT count(*) FROM alarms INDEXED BY alarms_open"
                             " WHERE answered_utc IS NULL");
    const int rc = st.rc == SQLITE_OK ? sqlite3_step(st.s) : st.rc;
    if (rc != SQLITE_ROW) {
        error = store.describeError(rc);
        return 0;
    }
    return long(sqlite3_column_int64(st.s, 0));
}

std::optional<Alarm> holdingAlarm(const ResultsStore &store, const std::string &setup,
                                  std::string &error)
{
    std::vector<Alarm> out;
    if (store.version() < 2)
        return std::nullopt;
    Statement st(store.db(), (std::string("SELECT ") + AlarmColumns +
                              " FROM alarms a INDEXED BY alarms_open"
                              " JOIN control_plans p ON p.setup = a.setup AND p.channel = a.channel"
                              " WHERE a.answered_utc IS NULL AND a.setup = ? AND p.hold <> 0"
                              " ORDER BY a.id LIMIT 1")
                                 .c_str());
    st.text(1, setup);
    if (!rows(store, st, out, alarmFrom, error) || out.empty())
        return std::nullopt;
    return out.front();
}

std::string Alarm::figureText(const std::optional<double> &v) const
{
    return statisticText(v, decimals + 3);
}

std::optional<double> Alarm::figure(const std::optional<double> &v) const
{
    const std::string text = figureText(v);
    double x = 0;
    if (!v || std::from_chars(text.data(), text.data() + text.size(), x).ec != std::errc())
        return v;
    return x;
}

std::vector<std::string> Alarm::ruleNames() const
{
    const RuleSet set = ruleSetOf(rules).value_or(RuleSet::None);
    ChartKind kind = ChartKind::IndividualsMovingRange;
    if (chart == chartText(ChartKind::XbarR))
        kind = ChartKind::XbarR;
    else if (chart == chartText(ChartKind::XbarS))
        kind = ChartKind::XbarS;
    std::vector<std::string> names;
    std::istringstream in(flags);
    for (std::string flag; std::getline(in, flag, ',');)
        names.push_back(flagName(set, kind, flag));
    return names;
}

std::optional<Alarm> alarmOf(const ResultsStore &store, std::int64_t id, std::string &error)
{
    std::vector<Alarm> out;
    Statement st(store.db(),
                 (std::string("SELECT ") + AlarmColumns + " FROM alarms a WHERE a.id = ?").c_str());
    st.integer(1, id);
    if (!rows(store, st, out, alarmFrom, error) || out.empty())
        return std::nullopt;
    return out.front();
}

PlanCapability capabilityOf(const ResultsStore &store, const ControlPlan &plan,
                            const std::optional<ControlLimits> &limits, std::string &error)
{
    PlanCapability c;
    if (store.version() < 2)
        return c;
    // The newest subgroup under the plan carries the sums of all of them.
    std::optional<StoredSubgroup> newest;
    const std::string chart = chartText(plan.kind());
    newestFirst(store, plan.setup, plan.sincePart, error, [&](StoredSubgroup &&g) {
        if (g.channel != plan.channel || g.number < plan.sinceSubgroup || g.chart != chart ||
            g.size != plan.subgroupSize)
            return true;
        newest = std::move(g);
        return false;
    });
    if (!newest || newest->epoch.valuesN == 0)
        return c;
    const EpochSums &e = newest->epoch;
    c.values = int(e.valuesN);
    c.mean = e.valuesMean;
    if (e.valuesN >= 2)
        c.overallS = std::sqrt(e.valuesM2 / double(e.valuesN - 1));
    // The tolerance the newest part was judged against.
    Statement st(store.db(),
                 "SELECT lo_tol, hi_tol FROM measurements WHERE part_id = ? AND channel = ?");
    st.integer(1, newest->lastPart);
    st.integer(2, plan.channel);
    if (const int rc = st.rc == SQLITE_OK ? sqlite3_step(st.s) : st.rc; rc == SQLITE_ROW) {
        c.loTol = std::min(sqlite3_column_double(st.s, 0), sqlite3_column_double(st.s, 1));
        c.hiTol = std::max(sqlite3_column_double(st.s, 0), sqlite3_column_double(st.s, 1));
    } else if (rc != SQLITE_DONE) {
        error = store.describeError(rc);
    }
    if (!c.loTol || !(*c.hiTol > *c.loTol))
        return c;
    const double width = *c.hiTol - *c.loTol;
    const auto index = [&](double sigma, double centre, std::optional<double> &p,
                           std::optional<double> &pk) {
        if (!(sigma > 0) || !std::isfinite(sigma))
            return;
        p = width / (6 * sigma);
        pk = std::min(*c.hiTol - centre, centre - *c.loTol) / (3 * sigma);
    };
    if (limits)
        index(limits->sigma, limits->centre, c.cp, c.cpk);
    if (c.overallS)
        index(*c.overallS, *c.mean, c.pp, c.ppk);
    return c;
}

std::vector<std::string> catalogue(const ResultsStore &store, Catalogue which, std::string &error)
{
    std::vector<std::string> out;
    if (store.version() < 2)
        return out;
    Statement st(
        store.db(),
        (std::string("SELECT text FROM ") + catalogueTable(which) + " ORDER BY text").c_str());
    rows(
        store, st, out, +[](const Statement &s) { return s.column(0); }, error);
    return out;
}

bool addToCatalogue(ResultsStore &store, Catalogue which, const std::string &text,
                    std::string &error)
{
    if (text.empty()) {
        error = "an entry has a text";
        return false;
    }
    Statement st(
        store.db(),
        (std::string("INSERT OR IGNORE INTO ") + catalogueTable(which) + " VALUES(?)").c_str());
    st.text(1, text);
    return done(store, st, error);
}

bool removeFromCatalogue(ResultsStore &store, Catalogue which, const std::string &text,
                         std::string &error)
{
    Statement st(store.db(),
                 (std::string("DELETE FROM ") + catalogueTable(which) + " WHERE text = ?").c_str());
    st.text(1, text);
    return done(store, st, error);
}

} // namespace qmxsrv::spc
