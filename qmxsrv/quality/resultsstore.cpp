#include "quality/resultsstore.h"

#include "quality/sqlitestatement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace qmxsrv {

namespace {

// Each step brings a store from the version before to its own; a new
// store takes them all, an older one those it lacks, in one transaction.
const char *const Migrations[] = {
    // 1: parts and their measurements, exports, the feed's marks
    R"(
CREATE TABLE IF NOT EXISTS parts(id INTEGER PRIMARY KEY, recorded_utc TEXT NOT NULL,
  utc_offset_min INTEGER NOT NULL, setup TEXT NOT NULL, serial TEXT NOT NULL,
  verdict TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS measurements(part_id INTEGER NOT NULL REFERENCES parts(id),
  channel INTEGER NOT NULL, description TEXT NOT NULL, value REAL, text TEXT NOT NULL,
  units TEXT NOT NULL, lo_tol REAL, lo_appr REAL, hi_appr REAL, hi_tol REAL,
  verdict TEXT NOT NULL, PRIMARY KEY(part_id, channel));
CREATE INDEX IF NOT EXISTS parts_setup_time ON parts(setup, recorded_utc);
CREATE TABLE IF NOT EXISTS exports(setup TEXT PRIMARY KEY, last_utc TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS unpublished(part_id INTEGER PRIMARY KEY REFERENCES parts(id));
)",
    // 2: the operator on every part; the station's own values; the feed's
    // outbox for what is not a part; control plans, subgroups, alarms and
    // the catalogues their answers choose from
    R"(
ALTER TABLE parts ADD COLUMN operator TEXT NOT NULL DEFAULT '';
CREATE TABLE station(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE outbox(id INTEGER PRIMARY KEY AUTOINCREMENT, kind TEXT NOT NULL,
  ref INTEGER NOT NULL);
CREATE TABLE control_plans(setup TEXT NOT NULL, channel INTEGER NOT NULL,
  subgroup_size INTEGER NOT NULL, use_s INTEGER NOT NULL, rules TEXT NOT NULL,
  tests INTEGER NOT NULL, limits TEXT NOT NULL, centre REAL, sigma REAL,
  fixed_first INTEGER, fixed_last INTEGER, fixed_utc TEXT, hold INTEGER NOT NULL,
  since_subgroup INTEGER NOT NULL, since_part INTEGER NOT NULL, changed_utc TEXT NOT NULL,
  PRIMARY KEY(setup, channel));
CREATE TABLE subgroups(setup TEXT NOT NULL, channel INTEGER NOT NULL, number INTEGER NOT NULL,
  chart TEXT NOT NULL, size INTEGER NOT NULL, n INTEGER NOT NULL,
  first_part INTEGER NOT NULL, last_part INTEGER NOT NULL, mean REAL NOT NULL, spread REAL,
  decimals INTEGER NOT NULL, flags TEXT NOT NULL, epoch_count INTEGER NOT NULL, epoch_sum_means REAL NOT NULL,
  epoch_spread_count INTEGER NOT NULL, epoch_sum_spreads REAL NOT NULL,
  values_n INTEGER NOT NULL, values_mean REAL NOT NULL, values_m2 REAL NOT NULL);
-- Appended in part order: a part's subgroups, whatever their channels, land
-- on the same last pages of the table and of this index, so recording 255
-- of them writes a few pages only.
CREATE INDEX subgroups_part ON subgroups(last_part);
CREATE TABLE alarms(id INTEGER PRIMARY KEY, setup TEXT NOT NULL, channel INTEGER NOT NULL,
  description TEXT NOT NULL, chart TEXT NOT NULL, subgroup INTEGER NOT NULL,
  first_part INTEGER NOT NULL, last_part INTEGER NOT NULL, rules TEXT NOT NULL,
  flags TEXT NOT NULL, mean REAL NOT NULL, spread REAL, centre REAL, lcl REAL, ucl REAL,
  raised_utc TEXT NOT NULL, raised_operator TEXT NOT NULL, answered_utc TEXT,
  operator TEXT, cause TEXT, action TEXT, comment TEXT);
CREATE INDEX alarms_setup ON alarms(setup, id);
CREATE INDEX alarms_open ON alarms(id) WHERE answered_utc IS NULL;
CREATE TABLE alarm_causes(text TEXT PRIMARY KEY);
CREATE TABLE alarm_actions(text TEXT PRIMARY KEY);
INSERT INTO alarm_causes VALUES ('Tool wear'), ('Tool changed or reground'),
  ('Material or batch'), ('Machine setting'), ('Temperature'), ('Gauge or fixture'),
  ('Handling'), ('Not found');
INSERT INTO alarm_actions VALUES ('Machine adjusted'), ('Tool changed'), ('Gauge mastered'),
  ('Parts sorted'), ('Supervisor informed'), ('None needed');
)",
    // 3: gauge studies, and each of their readings in the order it is asked
    // (a reading still to take has no value); the mastering record: every
    // zeroing and mastering with its masters, readings and the calibration
    // before and after; the mastering interval of each setup; on each part
    // the channels whose mastering was due
    R"(
CREATE TABLE studies(id INTEGER PRIMARY KEY, type TEXT NOT NULL, method TEXT NOT NULL,
  setup TEXT NOT NULL, channel INTEGER NOT NULL, description TEXT NOT NULL,
  units TEXT NOT NULL, decimals INTEGER NOT NULL, parts INTEGER NOT NULL,
  appraisers INTEGER NOT NULL, trials INTEGER NOT NULL, appraiser_names TEXT NOT NULL,
  reference REAL, tolerance REAL, k REAL NOT NULL, l REAL NOT NULL, resolution REAL,
  seed INTEGER NOT NULL, created_utc TEXT NOT NULL, finished_utc TEXT,
  operator TEXT NOT NULL, state TEXT NOT NULL);
CREATE TABLE study_readings(study INTEGER NOT NULL REFERENCES studies(id),
  appraiser INTEGER NOT NULL, part INTEGER NOT NULL, trial INTEGER NOT NULL,
  position INTEGER NOT NULL, value REAL, taken_utc TEXT, operator TEXT,
  PRIMARY KEY(study, appraiser, part, trial), UNIQUE(study, position)) WITHOUT ROWID;
CREATE TABLE masterings(id INTEGER PRIMARY KEY, recorded_utc TEXT NOT NULL,
  operator TEXT NOT NULL, setup TEXT NOT NULL, channel INTEGER NOT NULL,
  description TEXT NOT NULL, decimals INTEGER NOT NULL, kind TEXT NOT NULL, master1 REAL,
  master2 REAL, reading1 REAL, reading2 REAL, zero_before REAL, zero_after REAL,
  scaling_before REAL, scaling_after REAL, last_part INTEGER NOT NULL);
CREATE INDEX masterings_setup_channel ON masterings(setup, channel, id);
CREATE TABLE mastering_intervals(setup TEXT PRIMARY KEY, parts INTEGER NOT NULL,
  hours INTEGER NOT NULL);
ALTER TABLE parts ADD COLUMN mastering_due TEXT NOT NULL DEFAULT '';
)",
};

// What a part reads as: the operator and the channels due are the empty
// text in a store older than their columns.
std::string partColumns(int version)
{
    return std::string("id, recorded_utc, utc_offset_min, setup, serial, verdict, ") +
           (version >= 2 ? "operator" : "''") + (version >= 3 ? ", mastering_due" : ", ''");
}

std::string describe(sqlite3 *db, int rc, const std::string &path = {})
{
    switch (rc & 0xff) {
    case SQLITE_NOTADB: return "The file " + path + " is not a results database.";
    case SQLITE_FULL: return "The disk is full: the part was not recorded.";
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM: return "The results file cannot be written: the part was not recorded.";
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return "Another program holds the results database for more than 2 s: the part was "
               "not recorded.";
    default: break;
    }
    return std::string("Results database error: ") + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

// A row of "SELECT " + partColumns().
PartRow partFrom(const Statement &st)
{
    PartRow p;
    p.id = sqlite3_column_int64(st.s, 0);
    p.recordedUtc = st.column(1);
    p.utcOffsetMin = sqlite3_column_int(st.s, 2);
    p.setup = st.column(3);
    p.serial = st.column(4);
    p.verdict = verdictFromText(st.column(5));
    p.operatorName = st.column(6);
    p.masteringDue = st.column(7);
    return p;
}

} // namespace

Verdict verdictFromText(std::string_view text)
{
    for (Verdict v : {Verdict::Good, Verdict::Approach, Verdict::Reject})
        if (verdictText(v) == text)
            return v;
    return Verdict::Invalid;
}

ResultsStore::~ResultsStore() { sqlite3_close_v2(db_); }

std::string ResultsStore::describeError(int rc) const { return describe(db_, rc); }

void ResultsStore::rollBack() const
{
    std::string ignored;
    exec("ROLLBACK", ignored);
}

bool ResultsStore::exec(const char *sql, std::string &error) const
{
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        error = describe(db_, rc);
    return rc == SQLITE_OK;
}

std::unique_ptr<ResultsStore> ResultsStore::open(const std::string &path, bool readOnly,
                                                 std::string &error)
{
    sqlite3 *db = nullptr;
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    std::unique_ptr<ResultsStore> store(new ResultsStore(db));
    if (rc != SQLITE_OK) {
        error = rc == SQLITE_CANTOPEN ? "The results file " + path + " cannot be opened."
                                      : describe(db, rc, path);
        return nullptr;
    }
    sqlite3_busy_timeout(db, LockWaitMs);
    int version = 0;
    {
        // Reading the version is the first read of the file: it tells a
        // foreign file before anything is written to it.
        Statement st(db, "PRAGMA user_version");
        rc = st.rc == SQLITE_OK ? sqlite3_step(st.s) : st.rc;
        if (rc != SQLITE_ROW) {
            error = describe(db, rc, path);
            return nullptr;
        }
        version = sqlite3_column_int(st.s, 0);
    }
    if (version > SchemaVersion) {
        error = "The results file " + path + " was written by a newer program (version " +
                std::to_string(version) + "); recording is off.";
        return nullptr;
    }
    store->version_ = version;
    if (readOnly) {
        // An older store is read as it is: what it does not hold reads empty.
        if (version < 1) {
            error = "The file " + path + " holds no results.";
            return nullptr;
        }
        return store;
    }
    if (!store->exec("PRAGMA journal_mode=WAL", error) ||
        !store->exec("PRAGMA synchronous=FULL", error) ||
        !store->exec("PRAGMA foreign_keys=ON", error))
        return nullptr;
    if (version < SchemaVersion) {
        std::string e;
        bool done = store->exec("BEGIN IMMEDIATE", e);
        for (int v = version + 1; done && v <= SchemaVersion; ++v)
            done = store->exec(Migrations[v - 1], e);
        const std::string stamp = "PRAGMA user_version = " + std::to_string(SchemaVersion);
        if (!done || !store->exec(stamp.c_str(), e) || !store->exec("COMMIT", e)) {
            store->exec("ROLLBACK", error);
            error = e;
            return nullptr;
        }
        store->version_ = SchemaVersion;
    }
    return store;
}

std::optional<std::int64_t> ResultsStore::record(const PartRow &part, std::string &error,
                                                 bool toPublish, const Within &within)
{
    if (!exec("BEGIN IMMEDIATE", error))
        return std::nullopt;
    const auto fail = [&](int rc) {
        error = describe(db_, rc);
        rollBack();
        return std::nullopt;
    };
    std::int64_t id = 0;
    {
        Statement st(db_, "INSERT INTO parts(recorded_utc, utc_offset_min, setup, serial, verdict,"
                          " operator, mastering_due) VALUES(?,?,?,?,?,?,?)");
        if (st.rc != SQLITE_OK)
            return fail(st.rc);
        st.text(1, part.recordedUtc);
        sqlite3_bind_int(st.s, 2, part.utcOffsetMin);
        st.text(3, part.setup);
        st.text(4, part.serial);
        st.text(5, std::string(verdictText(part.verdict)));
        st.text(6, part.operatorName);
        st.text(7, part.masteringDue);
        const int rc = sqlite3_step(st.s);
        if (rc != SQLITE_DONE)
            return fail(rc);
        id = sqlite3_last_insert_rowid(db_);
    }
    Statement st(db_, "INSERT INTO measurements VALUES(?,?,?,?,?,?,?,?,?,?,?)");
    if (st.rc != SQLITE_OK)
        return fail(st.rc);
    for (const MeasurementRow &m : part.measurements) {
        sqlite3_reset(st.s);
        sqlite3_bind_int64(st.s, 1, id);
        sqlite3_bind_int(st.s, 2, m.channel);
        st.text(3, m.description);
        st.real(4, m.value ? *m.value : NAN);
        st.text(5, m.text);
        st.text(6, m.units);
        st.real(7, m.loTol);
        st.real(8, m.loAppr);
        st.real(9, m.hiAppr);
        st.real(10, m.hiTol);
        st.text(11, std::string(verdictText(m.verdict)));
        const int rc = sqlite3_step(st.s);
        if (rc != SQLITE_DONE)
            return fail(rc);
    }
    if (toPublish) { // in the same transaction: a kept part is never forgotten
        Statement mark(db_, "INSERT INTO unpublished(part_id) VALUES(?)");
        if (mark.rc != SQLITE_OK)
            return fail(mark.rc);
        sqlite3_bind_int64(mark.s, 1, id);
        if (const int rc = sqlite3_step(mark.s); rc != SQLITE_DONE)
            return fail(rc);
    }
    if (within) {
        std::string why;
        if (!within(id, why)) {
            rollBack();
            error = why;
            return std::nullopt;
        }
    }
    const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        return fail(rc);
    return id;
}

std::string partsQuery(bool ofOneSetup, long last, int version)
{
    // The newest n are chosen in descending order and turned back. Two
    // queries, since "?1 IS NULL OR setup = ?1" keeps SQLite from any index:
    // of one setup, parts_setup_time gives both the rows and their order
    // (time, ties by id); of all, the table itself in id order.
    std::string sql = "SELECT " + partColumns(version) + " FROM parts";
    sql += ofOneSetup
               ? " WHERE setup = ?1 AND recorded_utc >= ?2 ORDER BY recorded_utc DESC, id DESC"
               : " WHERE recorded_utc >= ?2 ORDER BY id DESC";
    if (last > 0)
        sql += " LIMIT " + std::to_string(last);
    return sql;
}

std::vector<PartRow> ResultsStore::parts(const std::string *setup, const std::string &sinceUtc,
                                         long last, bool withMeasurements, std::string &error) const
{
    const std::string sql = partsQuery(setup != nullptr, last, version_);
    std::vector<PartRow> out;
    Statement st(db_, sql.c_str());
    if (st.rc != SQLITE_OK) {
        error = describe(db_, st.rc);
        return out;
    }
    if (setup)
        st.text(1, *setup);
    st.text(2, sinceUtc);
    int rc;
    while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
        out.push_back(partFrom(st));
    }
    if (rc != SQLITE_DONE)
        error = describe(db_, rc);
    std::reverse(out.begin(), out.end());
    if (!withMeasurements)
        return out;
    fillMeasurements(out);
    return out;
}

void ResultsStore::fillMeasurements(std::vector<PartRow> &parts) const
{
    Statement m(db_, "SELECT channel, description, value, text, units, lo_tol, lo_appr, hi_appr,"
                     " hi_tol, verdict FROM measurements WHERE part_id = ? ORDER BY channel");
    for (PartRow &p : parts) {
        sqlite3_reset(m.s);
        sqlite3_bind_int64(m.s, 1, p.id);
        while (sqlite3_step(m.s) == SQLITE_ROW) {
            MeasurementRow r;
            r.channel = sqlite3_column_int(m.s, 0);
            r.description = m.column(1);
            if (sqlite3_column_type(m.s, 2) != SQLITE_NULL)
                r.value = sqlite3_column_double(m.s, 2);
            r.text = m.column(3);
            r.units = m.column(4);
            r.loTol = sqlite3_column_double(m.s, 5);
            r.loAppr = sqlite3_column_double(m.s, 6);
            r.hiAppr = sqlite3_column_double(m.s, 7);
            r.hiTol = sqlite3_column_double(m.s, 8);
            r.verdict = verdictFromText(m.column(9));
            p.measurements.push_back(std::move(r));
        }
    }
}

std::optional<PartRow> ResultsStore::part(std::int64_t id, std::string &error) const
{
    const std::string sql = "SELECT " + partColumns(version_) + " FROM parts WHERE id = ?";
    Statement st(db_, sql.c_str());
    if (st.rc != SQLITE_OK) {
        error = describe(db_, st.rc);
        return std::nullopt;
    }
    sqlite3_bind_int64(st.s, 1, id);
    const int rc = sqlite3_step(st.s);
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            error = describe(db_, rc);
        return std::nullopt;
    }
    std::vector<PartRow> one{partFrom(st)};
    fillMeasurements(one);
    return std::move(one[0]);
}

std::vector<std::string> ResultsStore::setups(std::string &error) const
{
    // One seek in the setup index per setup: a DISTINCT would walk every part.
    std::vector<std::string> out;
    Statement first(db_, "SELECT setup FROM parts ORDER BY setup LIMIT 1");
    Statement next(db_, "SELECT setup FROM parts WHERE setup > ? ORDER BY setup LIMIT 1");
    int rc = first.rc != SQLITE_OK ? first.rc : next.rc;
    Statement *st = &first;
    while (rc == SQLITE_OK && (rc = sqlite3_step(st->s)) == SQLITE_ROW) {
        out.push_back(st->column(0));
        st = &next;
        sqlite3_reset(next.s);
        next.text(1, out.back());
        rc = SQLITE_OK;
    }
    if (rc != SQLITE_DONE)
        error = describe(db_, rc);
    return out;
}

std::vector<std::int64_t> ResultsStore::unpublished(std::size_t limit, std::string &error) const
{
    std::vector<std::int64_t> out;
    Statement st(db_, "SELECT part_id FROM unpublished ORDER BY part_id LIMIT ?");
    int rc = st.rc;
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(st.s, 1, std::int64_t(limit));
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW)
            out.push_back(sqlite3_column_int64(st.s, 0));
    }
    if (rc != SQLITE_DONE)
        error = describe(db_, rc);
    return out;
}

bool ResultsStore::markPublished(std::int64_t part, std::string &error)
{
    Statement st(db_, "DELETE FROM unpublished WHERE part_id = ?");
    int rc = st.rc;
    if (rc == SQLITE_OK) {
        sqlite3_bind_int64(st.s, 1, part);
        rc = sqlite3_step(st.s);
    }
    if (rc != SQLITE_DONE) {
        error = describe(db_, rc);
        return false;
    }
    return true;
}

std::optional<std::int64_t> ResultsStore::lastPart() const
{
    Statement st(db_, "SELECT max(id) FROM parts");
    if (st.rc != SQLITE_OK || sqlite3_step(st.s) != SQLITE_ROW)
        return std::nullopt;
    return sqlite3_column_int64(st.s, 0);
}

std::string ResultsStore::lastExport(const std::string &setup) const
{
    Statement st(db_, "SELECT last_utc FROM exports WHERE setup = ?");
    st.text(1, setup);
    return sqlite3_step(st.s) == SQLITE_ROW ? st.column(0) : std::string();
}

bool ResultsStore::setLastExport(const std::string &setup, const std::string &utc,
                                 std::string &error)
{
    Statement st(db_, "INSERT OR REPLACE INTO exports(setup, last_utc) VALUES(?,?)");
    st.text(1, setup);
    st.text(2, utc);
    const int rc = sqlite3_step(st.s);
    if (rc != SQLITE_DONE)
        error = describe(db_, rc);
    return rc == SQLITE_DONE;
}

std::string ResultsStore::stationValue(const std::string &key, std::string &error) const
{
    Statement st(db_, "SELECT value FROM station WHERE key = ?");
    if (st.rc != SQLITE_OK) {
        error = describe(db_, st.rc);
        return {};
    }
    st.text(1, key);
    const int rc = sqlite3_step(st.s);
    if (rc == SQLITE_ROW)
        return st.column(0);
    if (rc != SQLITE_DONE)
        error = describe(db_, rc);
    return {};
}

bool ResultsStore::setStationValue(const std::string &key, const std::string &value,
                                   std::string &error)
{
    Statement st(db_, "INSERT OR REPLACE INTO station(key, value) VALUES(?,?)");
    st.text(1, key);
    st.text(2, value);
    if (const int rc = st.run(); rc != SQLITE_DONE) {
        error = describe(db_, rc);
        return false;
    }
    return true;
}

std::vector<ResultsStore::OutboxEntry> ResultsStore::outbox(std::size_t limit,
                                                            std::string &error) const
{
    std::vector<OutboxEntry> out;
    Statement st(db_, "SELECT id, kind, ref FROM outbox ORDER BY id LIMIT ?");
    int rc = st.rc;
    if (rc == SQLITE_OK) {
        st.integer(1, std::int64_t(limit));
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW)
            out.push_back(
                {sqlite3_column_int64(st.s, 0), st.column(1), sqlite3_column_int64(st.s, 2)});
    }
    if (rc != SQLITE_DONE)
        error = describe(db_, rc);
    return out;
}

bool ResultsStore::queueOutbox(const std::string &kind, std::int64_t ref, std::string &error)
{
    Statement st(db_, "INSERT INTO outbox(kind, ref) VALUES(?,?)");
    st.text(1, kind);
    st.integer(2, ref);
    if (const int rc = st.run(); rc != SQLITE_DONE) {
        error = describe(db_, rc);
        return false;
    }
    return true;
}

bool ResultsStore::markSent(std::int64_t entry, std::string &error)
{
    Statement st(db_, "DELETE FROM outbox WHERE id = ?");
    st.integer(1, entry);
    if (const int rc = st.run(); rc != SQLITE_DONE) {
        error = describe(db_, rc);
        return false;
    }
    return true;
}

} // namespace qmxsrv
