#include "quality/spcstore.h"

#include "quality/resultsstore.h"
#include "quality/sqlitestatement.h"

#include <algorithm>
#include <cmath>

namespace qmxsrv::spc {

namespace {

constexpr char PlanColumns[] =
    "setup, channel, subgroup_size, use_s, rules, tests, limits, centre, sigma, fixed_first,"
    " fixed_last, fixed_utc, hold, since_subgroup, changed_utc";

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
    p.changedUtc = st.column(14);
    return p;
}

constexpr char SubgroupColumns[] = "number, chart, size, n, first_part, last_part, mean, spread,"
                                   " decimals, flags, recorded_utc";

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
    g.recordedUtc = st.column(10);
    return g;
}

constexpr char AlarmColumns[] =
    "id, setup, channel, description, chart, subgroup, first_part, last_part, rules, flags, mean,"
    " spread, centre, lcl, ucl, raised_utc, raised_operator, answered_utc, operator, cause,"
    " action, comment";

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
                              ") VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)")
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
    st.text(15, p.changedUtc);
    return done(store, st, error);
}

bool removePlan(ResultsStore &store, const std::string &setup, int channel, std::string &error)
{
    Statement st(store.db(), "DELETE FROM control_plans WHERE setup = ? AND channel = ?");
    st.text(1, setup);
    st.integer(2, channel);
    return done(store, st, error);
}

std::int64_t nextSubgroup(const ResultsStore &store, const std::string &setup, int channel,
                          std::string &error)
{
    if (store.version() < 2)
        return 1;
    Statement st(store.db(), "SELECT max(number) FROM subgroups WHERE setup = ? AND channel = ?");
    st.text(1, setup);
    st.integer(2, channel);
    const int rc = st.rc == SQLITE_OK ? sqlite3_step(st.s) : st.rc;
    if (rc != SQLITE_ROW) {
        error = store.describeError(rc);
        return 1;
    }
    return sqlite3_column_int64(st.s, 0) + 1;
}

EpochHistory historyOf(const ResultsStore &store, const ControlPlan &plan, std::string &error)
{
    EpochHistory h;
    h.nextNumber = nextSubgroup(store, plan.setup, plan.channel, error);
    Statement sums(store.db(), "SELECT count(*), total(mean), count(spread), total(spread)"
                               " FROM subgroups WHERE setup = ? AND channel = ? AND number >= ?"
                               " AND chart = ? AND size = ?");
    sums.text(1, plan.setup);
    sums.integer(2, plan.channel);
    sums.integer(3, plan.sinceSubgroup);
    sums.text(4, chartText(plan.kind()));
    sums.integer(5, plan.subgroupSize);
    if (const int rc = sums.rc == SQLITE_OK ? sqlite3_step(sums.s) : sums.rc; rc == SQLITE_ROW) {
        h.count = sqlite3_column_int(sums.s, 0);
        h.sumMeans = sqlite3_column_double(sums.s, 1);
        h.spreadCount = sqlite3_column_int(sums.s, 2);
        h.sumSpreads = sqlite3_column_double(sums.s, 3);
    } else {
        error = store.describeError(rc);
    }
    const auto recent =
        subgroupsOf(store, plan.setup, plan.channel, long(RuleWindow), error, plan.sinceSubgroup);
    for (const StoredSubgroup &g : recent)
        if (g.chart == chartText(plan.kind()) && g.size == plan.subgroupSize)
            h.recent.push_back(g.mean);
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
    std::string sql = std::string("SELECT ") + SubgroupColumns +
                      " FROM subgroups WHERE setup = ?1 AND channel = ?2 AND number >= ?3"
                      " AND (?4 = 0 OR number <= ?4) ORDER BY number DESC";
    if (last > 0)
        sql += " LIMIT " + std::to_string(last);
    Statement st(store.db(), sql.c_str());
    st.text(1, setup);
    st.integer(2, channel);
    st.integer(3, from);
    st.integer(4, to);
    rows(store, st, out, subgroupFrom, error);
    std::reverse(out.begin(), out.end());
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

bool writeSubgroup(ResultsStore &store, const std::string &setup, const ControlPlan &plan,
                   const CompletedSubgroup &g, const std::string &utc,
                   const std::string &operatorName, bool publish, std::int64_t &alarm,
                   std::string &error)
{
    alarm = 0;
    const std::string flags = joinFlags(g.flags);
    {
        Statement st(store.db(), (std::string("INSERT INTO subgroups(setup, channel, ") +
                                  SubgroupColumns + ") VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)")
                                     .c_str());
        st.text(1, setup);
        st.integer(2, g.channel);
        st.integer(3, g.number);
        st.text(4, chartText(plan.kind()));
        st.integer(5, plan.subgroupSize);
        st.integer(6, g.n);
        st.integer(7, g.firstPart);
        st.integer(8, g.lastPart);
        st.real(9, g.mean);
        st.optionalReal(10, g.spread);
        st.integer(11, g.decimals);
        st.text(12, flags);
        st.text(13, utc);
        if (!done(store, st, error))
            return false;
    }
    if (g.flags.empty())
        return true;
    Statement st(store.db(),
                 "INSERT INTO alarms(setup, channel, description, chart, subgroup,"
                 " first_part, last_part, rules, flags, mean, spread, centre, lcl, ucl,"
                 " raised_utc, raised_operator) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    st.text(1, setup);
    st.integer(2, g.channel);
    st.text(3, g.description);
    st.text(4, chartText(plan.kind()));
    st.integer(5, g.number);
    st.integer(6, g.firstPart);
    st.integer(7, g.lastPart);
    st.text(8, ruleSetText(plan.rules));
    st.text(9, flags);
    st.real(10, g.mean);
    st.optionalReal(11, g.spread);
    st.optionalReal(12, g.limits ? std::optional(g.limits->centre) : std::nullopt);
    st.optionalReal(13, g.limits ? std::optional(g.limits->lcl) : std::nullopt);
    st.optionalReal(14, g.limits ? std::optional(g.limits->ucl) : std::nullopt);
    st.text(15, utc);
    st.text(16, operatorName);
    if (!done(store, st, error))
        return false;
    alarm = sqlite3_last_insert_rowid(store.db());
    return !publish || store.queueOutbox("alarm raised", alarm, error);
}

bool answerAlarm(ResultsStore &store, std::int64_t alarm, const std::string &operatorName,
                 const std::string &cause, const std::string &action, const std::string &comment,
                 const std::string &utc, bool publish, std::string &error)
{
    if (!store.exec("BEGIN IMMEDIATE", error))
        return false;
    const auto fail = [&](const std::string &why) {
        error = why;
        std::string ignored;
        store.exec("ROLLBACK", ignored);
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
                            std::string &error)
{
    std::vector<Alarm> out;
    if (store.version() < 2)
        return out;
    Statement st(store.db(), (std::string("SELECT ") + AlarmColumns +
                              " FROM alarms WHERE (?1 IS NULL OR setup = ?1)"
                              " AND (?2 = 0 OR answered_utc IS NULL) ORDER BY id DESC")
                                 .c_str());
    if (setup)
        st.text(1, *setup);
    st.integer(2, openOnly);
    rows(store, st, out, alarmFrom, error);
    return out;
}

std::optional<Alarm> alarmOf(const ResultsStore &store, std::int64_t id, std::string &error)
{
    std::vector<Alarm> out;
    Statement st(store.db(),
                 (std::string("SELECT ") + AlarmColumns + " FROM alarms WHERE id = ?").c_str());
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
    // A subgroup's members are the parts of its setup from its first to its
    // last part that have a trustworthy value: nothing else comes between.
    Statement st(store.db(),
                 "SELECT m.value, m.lo_tol, m.hi_tol FROM subgroups g"
                 " JOIN measurements m ON m.channel = g.channel"
                 " AND m.part_id BETWEEN g.first_part AND g.last_part"
                 " JOIN parts p ON p.id = m.part_id AND p.setup = g.setup"
                 " WHERE g.setup = ? AND g.channel = ? AND g.number >= ? AND g.chart = ?"
                 " AND g.size = ? AND m.value IS NOT NULL AND m.verdict <> 'invalid'"
                 " ORDER BY m.part_id");
    st.text(1, plan.setup);
    st.integer(2, plan.channel);
    st.integer(3, plan.sinceSubgroup);
    st.text(4, chartText(plan.kind()));
    st.integer(5, plan.subgroupSize);
    double sum = 0, sumSquares = 0;
    int rc = st.rc;
    std::vector<double> values;
    if (rc == SQLITE_OK)
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
            values.push_back(sqlite3_column_double(st.s, 0));
            c.loTol = std::min(sqlite3_column_double(st.s, 1), sqlite3_column_double(st.s, 2));
            c.hiTol = std::max(sqlite3_column_double(st.s, 1), sqlite3_column_double(st.s, 2));
        }
    if (rc != SQLITE_DONE) {
        error = store.describeError(rc);
        return c;
    }
    c.values = int(values.size());
    for (double v : values)
        sum += v;
    if (values.empty())
        return c;
    c.mean = sum / double(values.size());
    for (double v : values)
        sumSquares += (v - *c.mean) * (v - *c.mean);
    if (values.size() >= 2)
        c.overallS = std::sqrt(sumSquares / double(values.size() - 1));
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
