#include "quality/studystore.h"

#include "quality/resultsstore.h"
#include "quality/sqlitestatement.h"
#include "quality/studyinput.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace qmxsrv::study {

namespace {

constexpr int kStudiesVersion = 3; // the store's first version with studies

constexpr detail::Limits kNewGrr{"a gauge R&R study", 2, 10, 3, 3, true};

// splitmix64: a tiny generator whose sequence is fixed by its definition, so a
// seed names one order on every build. The order is stored anyway.
std::uint64_t nextRandom(std::uint64_t &state)
{
    std::uint64_t z = (state += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
}

// Uniform in [0, n): draws past the last whole multiple of n are drawn again.
std::size_t randomBelow(std::uint64_t &state, std::size_t n)
{
    const std::uint64_t limit = UINT64_MAX - UINT64_MAX % n;
    std::uint64_t r;
    do
        r = nextRandom(state);
    while (r >= limit);
    return static_cast<std::size_t>(r % n);
}

// COMMIT, or ROLLBACK with the reason of the failed COMMIT in error.
bool commit(ResultsStore &store, std::string &error)
{
    if (store.exec("COMMIT", error))
        return true;
    store.rollBack();
    return false;
}

std::optional<std::string> sizeError(const char *study, const char *what, int given, int min,
                                     int max)
{
    if (given >= min && given <= max)
        return std::nullopt;
    return std::string(study) + " takes " + std::to_string(min) + " to " + std::to_string(max) +
           " " + what + ", not " + std::to_string(given);
}

std::string joined(const std::vector<std::string> &names)
{
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i)
        out += (i ? "\n" : "") + names[i];
    return out;
}

std::vector<std::string> split(const std::string &text)
{
    std::vector<std::string> out;
    if (text.empty())
        return out;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
        out.push_back(text.substr(from, at - from));
    out.push_back(text.substr(from));
    return out;
}

// The columns of a study as they are read, in the order studyFrom takes them.
constexpr char kStudyColumns[] =
    "id, type, method, setup, channel, description, units, decimals, parts, appraisers, trials,"
    " appraiser_names, reference, tolerance, k, l, resolution, seed, created_utc,"
    " coalesce(finished_utc, ''), operator FROM studies";

Study studyFrom(const Statement &st)
{
    Study s;
    s.id = sqlite3_column_int64(st.s, 0);
    s.type = typeFromText(st.column(1)).value_or(StudyType::Grr);
    s.method = methodFromText(st.column(2)).value_or(GrrMethod::Anova);
    s.setup = st.column(3);
    s.channel = sqlite3_column_int(st.s, 4);
    s.description = st.column(5);
    s.units = st.column(6);
    s.decimals = sqlite3_column_int(st.s, 7);
    s.parts = sqlite3_column_int(st.s, 8);
    s.appraisers = sqlite3_column_int(st.s, 9);
    s.trials = sqlite3_column_int(st.s, 10);
    s.appraiserNames = split(st.column(11));
    s.reference = st.optionalColumn(12);
    s.tolerance = st.optionalColumn(13);
    s.k = sqlite3_column_double(st.s, 14);
    s.l = sqlite3_column_double(st.s, 15);
    s.resolution = st.optionalColumn(16);
    s.seed = static_cast<std::uint64_t>(sqlite3_column_int64(st.s, 17));
    s.createdUtc = st.column(18);
    s.finishedUtc = st.column(19);
    s.operatorName = st.column(20);
    return s;
}

} // namespace

std::string_view typeText(StudyType type)
{
    switch (type) {
    case StudyType::Type1: return "1";
    case StudyType::Grr: return "grr";
    case StudyType::Type3: return "3";
    }
    return "grr";
}

std::optional<StudyType> typeFromText(std::string_view text)
{
    for (StudyType t : {StudyType::Type1, StudyType::Grr, StudyType::Type3})
        if (typeText(t) == text)
            return t;
    return std::nullopt;
}

std::string_view methodText(GrrMethod method)
{
    return method == GrrMethod::Ranges ? "range" : "anova";
}

std::optional<GrrMethod> methodFromText(std::string_view text)
{
    if (text == "range")
        return GrrMethod::Ranges;
    if (text == "anova")
        return GrrMethod::Anova;
    return std::nullopt;
}

std::string typeName(StudyType type)
{
    switch (type) {
    case StudyType::Type1: return "Type 1";
    case StudyType::Grr: return "Gauge R&R";
    case StudyType::Type3: return "Type 3";
    }
    return {};
}

int Study::taken() const
{
    return int(std::count_if(cells.begin(), cells.end(),
                             [](const StudyCell &c) { return c.value.has_value(); }));
}

std::optional<std::size_t> Study::next() const
{
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (!cells[i].value)
            return i;
    return std::nullopt;
}

std::vector<std::string> Study::operators() const
{
    std::vector<std::string> out;
    const auto add = [&](const std::string &name) {
        if (!name.empty() && std::find(out.begin(), out.end(), name) == out.end())
            out.push_back(name);
    };
    add(operatorName);
    // In the order the readings were taken: UTC texts sort as times.
    std::vector<const StudyCell *> byTime;
    for (const StudyCell &c : cells)
        if (c.value)
            byTime.push_back(&c);
    std::stable_sort(byTime.begin(), byTime.end(), [](const StudyCell *a, const StudyCell *b) {
        return a->takenUtc < b->takenUtc;
    });
    for (const StudyCell *c : byTime)
        add(c->operatorName);
    return out;
}

std::string Study::appraiserName(int a) const
{
    if (a >= 0 && std::size_t(a) < appraiserNames.size() && !appraiserNames[a].empty())
        return appraiserNames[a];
    return std::string(1, char('A' + a));
}

std::optional<std::string> checkNewStudy(const Study &s)
{
    if (s.channel < 1)
        return std::string("choose a channel for the study");
    if (auto e = detail::toleranceError(s.tolerance))
        return e;
    if (s.resolution && !(std::isfinite(*s.resolution) && *s.resolution > 0))
        return "the resolution must be a positive number, not " + detail::number(*s.resolution);
    switch (s.type) {
    case StudyType::Type1:
        if (auto e = sizeError("a type 1 study", "readings", s.trials, kType1MinReadings,
                               kType1MaxReadings))
            return e;
        if (s.parts != 1 || s.appraisers != 1)
            return std::string("a type 1 study measures one part, by one appraiser");
        if (!s.reference || !std::isfinite(*s.reference))
            return std::string("a type 1 study needs the reference value of its part");
        if (!s.tolerance)
            return std::string("a type 1 study needs the tolerance");
        if (!(s.k > 0 && s.k <= 100))
            return "K must be a percentage above 0 and at most 100, not " + detail::number(s.k);
        if (!(std::isfinite(s.l) && s.l > 0))
            return "L must be a positive number of standard deviations, not " + detail::number(s.l);
        return std::nullopt;
    case StudyType::Grr:
        if (auto e = sizeError(kNewGrr.study, "parts", s.parts, kNewGrr.minParts, kNewGrr.maxParts))
            return e;
        if (auto e = sizeError(kNewGrr.study, "appraisers", s.appraisers, 2, kNewGrr.maxAppraisers))
            return e;
        return sizeError(kNewGrr.study, "trials", s.trials, 2, kNewGrr.maxTrials);
    case StudyType::Type3:
        if (auto e = sizeError("a type 3 study", "parts", s.parts, 2, kType3MaxParts))
            return e;
        if (s.appraisers != 1)
            return std::string("a type 3 study has no appraisers");
        return sizeError("a type 3 study", "trials", s.trials, 2, kType3MaxTrials);
    }
    return std::nullopt;
}

std::vector<StudyCell> askingOrder(StudyType type, int parts, int appraisers, int trials,
                                   std::uint64_t seed)
{
    std::vector<StudyCell> out;
    out.reserve(std::size_t(std::max(0, parts * appraisers * trials)));
    std::vector<int> order(std::size_t(std::max(0, parts)));
    for (int t = 0; t < trials; ++t)
        for (int a = 0; a < appraisers; ++a) {
            for (int p = 0; p < parts; ++p)
                order[std::size_t(p)] = p;
            if (type == StudyType::Grr)
                for (std::size_t i = order.size(); i > 1; --i) // Fisher-Yates
                    std::swap(order[i - 1], order[randomBelow(seed, i)]);
            for (int p : order)
                out.push_back({a, p, t, std::nullopt, {}, {}});
        }
    return out;
}

bool StudyStore::create(Study &study, std::string &error)
{
    if (auto why = checkNewStudy(study)) {
        error = "The study cannot be run: " + *why + ".";
        return false;
    }
    if (store_.version() < kStudiesVersion) {
        error = "This results store holds no gauge studies.";
        return false;
    }
    std::vector<StudyCell> cells =
        askingOrder(study.type, study.parts, study.appraisers, study.trials, study.seed);
    if (!store_.exec("BEGIN IMMEDIATE", error))
        return false;
    const auto fail = [&](int rc) {
        error = store_.describeError(rc);
        store_.rollBack();
        return false;
    };
    sqlite3 *db = store_.db();
    {
        Statement st(db, "INSERT INTO studies(type, method, setup, channel, description, units,"
                         " decimals, parts, appraisers, trials, appraiser_names, reference,"
                         " tolerance, k, l, resolution, seed, created_utc, operator, state)"
                         " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,'open')");
        if (st.rc != SQLITE_OK)
            return fail(st.rc);
        st.text(1, std::string(typeText(study.type)));
        st.text(2, study.type == StudyType::Type1 ? std::string()
                                                  : std::string(methodText(study.method)));
        st.text(3, study.setup);
        st.integer(4, study.channel);
        st.text(5, study.description);
        st.text(6, study.units);
        st.integer(7, study.decimals);
        st.integer(8, study.parts);
        st.integer(9, study.appraisers);
        st.integer(10, study.trials);
        st.text(11, joined(study.appraiserNames));
        st.optionalReal(12, study.reference);
        st.optionalReal(13, study.tolerance);
        st.real(14, study.k);
        st.real(15, study.l);
        st.optionalReal(16, study.resolution);
        st.integer(17, static_cast<std::int64_t>(study.seed));
        st.text(18, study.createdUtc);
        st.text(19, study.operatorName);
        if (const int rc = st.run(); rc != SQLITE_DONE)
            return fail(rc);
    }
    const std::int64_t id = sqlite3_last_insert_rowid(db);
    Statement cell(db, "INSERT INTO study_readings(study, appraiser, part, trial, position)"
                       " VALUES(?,?,?,?,?)");
    if (cell.rc != SQLITE_OK)
        return fail(cell.rc);
    for (std::size_t i = 0; i < cells.size(); ++i) {
        sqlite3_reset(cell.s);
        cell.integer(1, id);
        // The sheet counts from 1, and so do the store's rows for other programs.
        cell.integer(2, cells[i].appraiser + 1);
        cell.integer(3, cells[i].part + 1);
        cell.integer(4, cells[i].trial + 1);
        cell.integer(5, std::int64_t(i) + 1);
        if (const int rc = sqlite3_step(cell.s); rc != SQLITE_DONE)
            return fail(rc);
    }
    if (!commit(store_, error))
        return false;
    study.id = id;
    study.cells = std::move(cells);
    study.finishedUtc.clear();
    return true;
}

std::vector<Study> StudyStore::list(std::string &error) const
{
    std::vector<Study> out;
    if (store_.version() < kStudiesVersion)
        return out;
    std::vector<std::int64_t> ids;
    {
        Statement st(store_.db(), "SELECT id FROM studies ORDER BY id DESC");
        int rc = st.rc;
        while (rc == SQLITE_OK && (rc = sqlite3_step(st.s)) == SQLITE_ROW) {
            ids.push_back(sqlite3_column_int64(st.s, 0));
            rc = SQLITE_OK;
        }
        if (rc != SQLITE_DONE) {
            error = store_.describeError(rc);
            return out;
        }
    }
    for (std::int64_t id : ids)
        if (auto s = load(id, error))
            out.push_back(std::move(*s));
        else if (!error.empty())
            break;
    return out;
}

std::optional<Study> StudyStore::load(std::int64_t id, std::string &error) const
{
    if (store_.version() < kStudiesVersion)
        return std::nullopt;
    Statement st(store_.db(), (std::string("SELECT ") + kStudyColumns + " WHERE id = ?").c_str());
    if (st.rc != SQLITE_OK) {
        error = store_.describeError(st.rc);
        return std::nullopt;
    }
    st.integer(1, id);
    int rc = sqlite3_step(st.s);
    if (rc != SQLITE_ROW) {
        if (rc != SQLITE_DONE)
            error = store_.describeError(rc);
        return std::nullopt;
    }
    Study s = studyFrom(st);
    Statement r(store_.db(), "SELECT appraiser, part, trial, value, coalesce(taken_utc, ''),"
                             " coalesce(operator, '') FROM study_readings WHERE study = ?"
                             " ORDER BY position");
    rc = r.rc;
    if (rc == SQLITE_OK) {
        r.integer(1, id);
        while ((rc = sqlite3_step(r.s)) == SQLITE_ROW)
            s.cells.push_back({sqlite3_column_int(r.s, 0) - 1, sqlite3_column_int(r.s, 1) - 1,
                               sqlite3_column_int(r.s, 2) - 1, r.optionalColumn(3), r.column(4),
                               r.column(5)});
    }
    if (rc != SQLITE_DONE) {
        error = store_.describeError(rc);
        return std::nullopt;
    }
    return s;
}

bool StudyStore::storeReading(Study &study, std::size_t cell, double value, const std::string &utc,
                              const std::string &operatorName, std::string &error)
{
    if (cell >= study.cells.size() || !std::isfinite(value)) {
        error = "That reading is no part of the study.";
        return false;
    }
    StudyCell &c = study.cells[cell];
    const bool complete = study.taken() + (c.value ? 0 : 1) == int(study.cells.size());
    if (!store_.exec("BEGIN IMMEDIATE", error))
        return false;
    const auto fail = [&](int rc) {
        error = store_.describeError(rc);
        store_.rollBack();
        return false;
    };
    {
        Statement st(store_.db(), "UPDATE study_readings SET value = ?, taken_utc = ?, operator = ?"
                                  " WHERE study = ? AND appraiser = ? AND part = ? AND trial = ?");
        st.real(1, value);
        st.text(2, utc);
        st.text(3, operatorName);
        st.integer(4, study.id);
        st.integer(5, c.appraiser + 1);
        st.integer(6, c.part + 1);
        st.integer(7, c.trial + 1);
        if (const int rc = st.run(); rc != SQLITE_DONE)
            return fail(rc);
        if (sqlite3_changes(store_.db()) != 1) {
            store_.rollBack();
            error = "Study " + std::to_string(study.id) + " is not in the results store.";
            return false;
        }
    }
    if (complete) {
        Statement st(store_.db(),
                     "UPDATE studies SET state = 'finished', finished_utc = ? WHERE id = ?");
        st.text(1, utc);
        st.integer(2, study.id);
        if (const int rc = st.run(); rc != SQLITE_DONE)
            return fail(rc);
    }
    if (!commit(store_, error))
        return false;
    c.value = value;
    c.takenUtc = utc;
    c.operatorName = operatorName;
    if (complete)
        study.finishedUtc = utc;
    return true;
}

} // namespace qmxsrv::study
