// The results store: every recorded part and its measurements in one SQLite
// file that other programs query, so the table and column names are fixed.
// One transaction per part (WAL, synchronous=FULL): a part reported as
// recorded survives a power cut and a crash leaves no half part.
#pragma once

#include "quality/partrow.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace qmxsrv {

class ResultsStore {
public:
    static constexpr int SchemaVersion = 3;
    static constexpr int LockWaitMs = 2000;

    ~ResultsStore();
    ResultsStore(const ResultsStore &) = delete;
    ResultsStore &operator=(const ResultsStore &) = delete;

    // Opens (for writing: creates) the store; on failure nothing and the
    // reason in error. A file that is no database, or of a newer version, is
    // left untouched.
    static std::unique_ptr<ResultsStore> open(const std::string &path, bool readOnly,
                                              std::string &error);

    // Writes the part and its measurements in one transaction; the new part
    // number, or nothing with the reason in error (nothing of it is kept).
    // toPublish: the part is also marked for the plant's feed, in the same
    // transaction, until markPublished says it went out. within: what else
    // belongs to the part (its subgroups and alarms), written in the same
    // transaction with the part's number; its failure keeps nothing.
    using Within = std::function<bool(std::int64_t part, std::string &error)>;
    std::optional<std::int64_t> record(const PartRow &part, std::string &error,
                                       bool toPublish = false, const Within &within = {});
    // The parts still to publish, oldest first, at most limit of them.
    std::vector<std::int64_t> unpublished(std::size_t limit, std::string &error) const;
    bool markPublished(std::int64_t part, std::string &error);
    // One part with its measurements; none when there is no such part.
    std::optional<PartRow> part(std::int64_t id, std::string &error) const;

    // Parts oldest first: of one setup (all setups when setup is null; then
    // in recording order, else in time order, ties in recording order),
    // since a UTC time (none when empty), the last n only when n > 0.
    // Measurements filled in when withMeasurements.
    std::vector<PartRow> parts(const std::string *setup, const std::string &sinceUtc, long last,
                               bool withMeasurements, std::string &error) const;

    // Every setup that has recorded parts, in text order.
    std::vector<std::string> setups(std::string &error) const;
    // The number of the last part recorded, 0 for none: parts are never
    // deleted, so it is also how many there are (and found at once). None
    // when the store cannot say (a damaged file).
    std::optional<std::int64_t> lastPart() const;

    std::string lastExport(const std::string &setup) const;
    bool setLastExport(const std::string &setup, const std::string &utc, std::string &error);

    // The station's own values that outlive a run (the operator), by key;
    // empty when not set.
    std::string stationValue(const std::string &key, std::string &error) const;
    bool setStationValue(const std::string &key, const std::string &value, std::string &error);

    // What the plant's feed is still to publish besides parts (an alarm
    // raised or answered, a mastering): kind and the row it refers to, in the
    // order queued. Queued in the transaction that writes the row.
    struct OutboxEntry {
        std::int64_t id = 0;
        std::string kind;
        std::int64_t ref = 0;
    };
    std::vector<OutboxEntry> outbox(std::size_t limit, std::string &error) const;
    // Queues kind and ref, in the caller's transaction if one is open.
    bool queueOutbox(const std::string &kind, std::int64_t ref, std::string &error);
    bool markSent(std::int64_t entry, std::string &error);

    // The store's schema version as opened (an older one is read as it is).
    int version() const { return version_; }
    // For the rooms' own tables: the connection, and the error text of a code.
    sqlite3 *db() const { return db_; }
    std::string describeError(int rc) const;
    // BEGIN IMMEDIATE, COMMIT, ROLLBACK: false with the reason in error.
    bool exec(const char *sql, std::string &error) const;
    // Ends the open transaction undone; the reason the caller gives stands.
    void rollBack() const;

private:
    explicit ResultsStore(sqlite3 *db) : db_(db) {}
    void fillMeasurements(std::vector<PartRow> &parts) const;
    sqlite3 *db_;
    int version_ = SchemaVersion;
};

// The SELECT that parts() runs (?1 the setup, ?2 the time since): for tests
// of its query plan.
std::string partsQuery(bool ofOneSetup, long last, int version = ResultsStore::SchemaVersion);

// The text of a verdict read back from the store; Invalid for any other text.
Verdict verdictFromText(std::string_view text);

} // namespace qmxsrv
