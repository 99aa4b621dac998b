#include "quality/masteringstore.h"

#include "quality/sqlitestatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <sstream>

namespace qmxsrv {

namespace {

constexpr char Columns[] =
    "id, recorded_utc, operator, setup, channel, description, decimals, kind, master1, master2,"
    " reading1, reading2, zero_before, zero_after, scaling_before, scaling_after, last_part";

constexpr std::int64_t MsPerHour = 3600 * 1000;

MasteringRow rowFrom(const Statement &st)
{
    MasteringRow r;
    r.id = sqlite3_column_int64(st.s, 0);
    r.recordedUtc = st.column(1);
    r.operatorName = st.column(2);
    r.setup = st.column(3);
    r.channel = sqlite3_column_int(st.s, 4);
    r.description = st.column(5);
    r.decimals = sqlite3_column_int(st.s, 6);
    r.kind = masteringKindFromText(st.column(7)).value_or(MasteringKind::Zero);
    r.master1 = st.optionalColumn(8).value_or(NAN);
    r.master2 = st.optionalColumn(9);
    r.reading1 = st.optionalColumn(10).value_or(NAN);
    r.reading2 = st.optionalColumn(11);
    r.zeroBefore = st.optionalColumn(12).value_or(NAN);
    r.zeroAfter = st.optionalColumn(13).value_or(NAN);
    r.scalingBefore = st.optionalColumn(14).value_or(NAN);
    r.scalingAfter = st.optionalColumn(15).value_or(NAN);
    r.lastPart = sqlite3_column_int64(st.s, 16);
    return r;
}

// The store's texts of a write that failed speak of parts.
std::string ofMastering(std::string error)
{
    if (const auto at = error.find("the part"); at != std::string::npos)
        error.replace(at, 8, "the mastering");
    return error;
}

// Every row of a prepared SELECT of Columns; error set on a failure.
std::vector<MasteringRow> rowsOf(Statement &st, const ResultsStore &store, std::string &error)
{
    std::vector<MasteringRow> out;
    int rc = st.rc;
    if (rc == SQLITE_OK)
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW)
            out.push_back(rowFrom(st));
    if (rc != SQLITE_DONE)
        error = store.describeError(rc);
    return out;
}

} // namespace

std::string_view masteringKindText(MasteringKind kind)
{
    switch (kind) {
    case MasteringKind::Zero: return "zero";
    case MasteringKind::OneMaster: return "one-master";
    case MasteringKind::TwoMasters: return "two-masters";
    }
    return "zero";
}

std::optional<MasteringKind> masteringKindFromText(std::string_view text)
{
    for (MasteringKind k :
         {MasteringKind::Zero, MasteringKind::OneMaster, MasteringKind::TwoMasters})
        if (masteringKindText(k) == text)
            return k;
    return std::nullopt;
}

std::optional<std::int64_t> MasteringStore::record(const MasteringRow &row, bool toPublish,
                                                   std::string &error)
{
    if (!store_.exec("BEGIN IMMEDIATE", error)) {
        error = ofMastering(error);
        return std::nullopt;
    }
    sqlite3 *db = store_.db();
    const auto fail = [&](int rc) {
        error = ofMastering(store_.describeError(rc));
        store_.rollBack();
        return std::nullopt;
    };
    Statement st(db, "INSERT INTO masterings(recorded_utc, operator, setup, channel, description,"
                     " decimals, kind, master1, master2, reading1, reading2, zero_before,"
                     " zero_after, scaling_before, scaling_after, last_part)"
                     " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    if (st.rc != SQLITE_OK)
        return fail(st.rc);
    st.text(1, row.recordedUtc);
    st.text(2, row.operatorName);
    st.text(3, row.setup);
    st.integer(4, row.channel);
    st.text(5, row.description);
    st.integer(6, row.decimals);
    st.text(7, std::string(masteringKindText(row.kind)));
    st.real(8, row.master1);
    st.optionalReal(9, row.master2);
    st.real(10, row.reading1);
    st.optionalReal(11, row.reading2);
    st.real(12, row.zeroBefore);
    st.real(13, row.zeroAfter);
    st.real(14, row.scalingBefore);
    st.real(15, row.scalingAfter);
    st.integer(16, row.lastPart);
    if (const int rc = st.run(); rc != SQLITE_DONE)
        return fail(rc);
    const std::int64_t id = sqlite3_last_insert_rowid(db);
    // In the same transaction: a kept mastering is never left unpublished.
    std::string queued;
    if (toPublish && !store_.queueOutbox(OutboxKind, id, queued)) {
        store_.rollBack();
        error = queued;
        return std::nullopt;
    }
    if (const int rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); rc != SQLITE_OK)
        return fail(rc);
    return id;
}

std::vector<MasteringRow> MasteringStore::masterings(const std::string *setup, int channel,
                                                     std::string &error) const
{
    if (!holdsRecord())
        return {};
    std::string sql = std::string("SELECT ") + Columns + " FROM masterings";
    if (setup)
        sql += channel > 0 ? " WHERE setup = ?1 AND channel = ?2" : " WHERE setup = ?1";
    else if (channel > 0)
        sql += " WHERE channel = ?2";
    sql += " ORDER BY id DESC";
    Statement st(store_.db(), sql.c_str());
    if (setup)
        st.text(1, *setup);
    if (channel > 0)
        st.integer(2, channel);
    return rowsOf(st, store_, error);
}

std::optional<MasteringRow> MasteringStore::mastering(std::int64_t id, std::string &error) const
{
    if (!holdsRecord())
        return std::nullopt;
    const std::string sql = std::string("SELECT ") + Columns + " FROM masterings WHERE id = ?";
    Statement st(store_.db(), sql.c_str());
    st.integer(1, id);
    std::vector<MasteringRow> rows = rowsOf(st, store_, error);
    if (rows.empty())
        return std::nullopt;
    return std::move(rows.front());
}

std::vector<std::string> MasteringStore::setups(std::string &error) const
{
    std::vector<std::string> out;
    if (!holdsRecord())
        return out;
    Statement st(store_.db(), "SELECT DISTINCT setup FROM masterings ORDER BY setup");
    int rc = st.rc;
    if (rc == SQLITE_OK)
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW)
            out.push_back(st.column(0));
    if (rc != SQLITE_DONE)
        error = store_.describeError(rc);
    return out;
}

MasteringInterval MasteringStore::interval(const std::string &setup, std::string &error) const
{
    MasteringInterval interval;
    if (!holdsRecord())
        return interval;
    Statement st(store_.db(), "SELECT parts, hours FROM mastering_intervals WHERE setup = ?");
    st.text(1, setup);
    const int rc = st.run();
    if (rc == SQLITE_ROW) {
        interval.parts = long(sqlite3_column_int64(st.s, 0));
        interval.hours = long(sqlite3_column_int64(st.s, 1));
    } else if (rc != SQLITE_DONE) {
        error = store_.describeError(rc);
    }
    return interval;
}

bool MasteringStore::setInterval(const std::string &setup, const MasteringInterval &interval,
                                 std::string &error)
{
    // Off is no row: the setup is as it was before any interval.
    Statement st(store_.db(), interval.on() ? "INSERT OR REPLACE INTO mastering_intervals(setup,"
                                              " parts, hours) VALUES(?1,?2,?3)"
                                            : "DELETE FROM mastering_intervals WHERE setup = ?1");
    st.text(1, setup);
    if (interval.on()) {
        st.integer(2, std::max(0L, interval.parts));
        st.integer(3, std::max(0L, interval.hours));
    }
    if (const int rc = st.run(); rc != SQLITE_DONE) {
        error = store_.describeError(rc);
        return false;
    }
    return true;
}

std::map<int, MasteringRow> MasteringStore::lastRenewals(const std::string &setup,
                                                         std::string &error) const
{
    std::map<int, MasteringRow> out;
    if (!holdsRecord())
        return out;
    const std::string sql = std::string("SELECT ") + Columns +
                            " FROM masterings WHERE id IN (SELECT max(id) FROM masterings"
                            " WHERE setup = ?1 AND (kind <> 'zero' OR master2 IS NULL)"
                            " GROUP BY channel)";
    Statement st(store_.db(), sql.c_str());
    st.text(1, setup);
    for (MasteringRow &r : rowsOf(st, store_, error))
        out[r.channel] = std::move(r);
    return out;
}

std::optional<std::int64_t> MasteringStore::nthNewestPart(const std::string &setup, long n,
                                                          std::string &error) const
{
    if (n < 1)
        return std::nullopt;
    // The setup's time index gives the newest first: n steps, whatever the
    // store holds.
    Statement st(store_.db(), "SELECT id FROM parts WHERE setup = ?1"
                              " ORDER BY recorded_utc DESC, id DESC LIMIT 1 OFFSET ?2");
    st.text(1, setup);
    st.integer(2, n - 1);
    const int rc = st.run();
    if (rc == SQLITE_ROW)
        return sqlite3_column_int64(st.s, 0);
    if (rc != SQLITE_DONE)
        error = store_.describeError(rc);
    return std::nullopt;
}

std::vector<int> MasteringStore::due(const std::string &setup, const std::vector<int> &channels,
                                     std::int64_t nowMs, std::string &error) const
{
    const MasteringInterval every = interval(setup, error);
    if (!every.on() || channels.empty())
        return {};
    const std::optional<std::int64_t> nth =
        every.parts > 0 ? nthNewestPart(setup, every.parts, error) : std::nullopt;
    return dueChannels(channels, lastRenewals(setup, error), every, nth, nowMs);
}

std::vector<int> dueChannels(const std::vector<int> &channels,
                             const std::map<int, MasteringRow> &lastRenewals,
                             const MasteringInterval &interval,
                             std::optional<std::int64_t> nthNewestPart, std::int64_t nowMs)
{
    std::vector<int> out;
    if (!interval.on())
        return out;
    for (int c : channels) {
        const auto last = lastRenewals.find(c);
        bool isDue = last == lastRenewals.end();
        if (!isDue && interval.parts > 0)
            isDue = nthNewestPart && *nthNewestPart > last->second.lastPart;
        if (!isDue && interval.hours > 0) {
            // A time that does not read is no proof of a recent mastering.
            const std::optional<std::int64_t> at = utcMillis(last->second.recordedUtc);
            isDue = !at || nowMs - *at >= interval.hours * MsPerHour;
        }
        if (isDue)
            out.push_back(c);
    }
    return out;
}

std::string utcText(std::int64_t ms)
{
    const std::int64_t msOfSecond = ((ms % 1000) + 1000) % 1000;
    const std::time_t seconds = std::time_t((ms - msOfSecond) / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  int(msOfSecond));
    return text;
}

std::optional<std::int64_t> utcMillis(const std::string &utc)
{
    int y, mo, d, h, mi, s, ms = 0, used = 0;
    if (std::sscanf(utc.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6)
        return std::nullopt;
    const char *rest = utc.c_str() + used;
    if (*rest == '.') {
        int digits = 0;
        if (std::sscanf(rest, ".%3d%n", &ms, &digits) != 1 || digits != 4)
            return std::nullopt;
        rest += digits;
    }
    if (std::string_view(rest) != "Z" || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 ||
        mi > 59 || s > 60)
        return std::nullopt;
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return std::int64_t(timegm(&t)) * 1000 + ms;
}

std::string channelListText(const std::vector<int> &channels)
{
    std::vector<int> sorted = channels;
    std::sort(sorted.begin(), sorted.end());
    std::string text;
    for (int c : sorted)
        text += (text.empty() ? "" : " ") + std::to_string(c);
    return text;
}

std::vector<int> channelListOf(const std::string &text)
{
    std::vector<int> out;
    std::istringstream in(text);
    for (int c; in >> c;)
        out.push_back(c);
    return out;
}

} // namespace qmxsrv
