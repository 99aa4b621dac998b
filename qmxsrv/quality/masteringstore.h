// The mastering record: every zeroing and mastering of a channel with the
// masters, the readings and the calibration before and after, kept in the
// results store for auditors; the mastering interval of each setup, and the
// rule that says which channels are due.
#pragma once

#include "quality/resultsstore.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmxsrv {

// Zero: Zero > Channel (master 1 only, whatever the channel's masters);
// OneMaster: Master > Channel on a channel with one master; TwoMasters:
// Master > Channel from two readings.
enum class MasteringKind { Zero, OneMaster, TwoMasters };

// "zero", "one-master", "two-masters": as stored, printed and published.
std::string_view masteringKindText(MasteringKind kind);
std::optional<MasteringKind> masteringKindFromText(std::string_view text);

// Values are kept as the decimal the board's float names (decimalDouble):
// each reads back to the float the board has. NaN: nothing was read.
struct MasteringRow {
    std::int64_t id = 0;
    std::string recordedUtc; // ISO 8601 with milliseconds, "Z"
    std::string operatorName;
    std::string setup;
    int channel = 0;
    std::string description;
    int decimals = 0;
    MasteringKind kind = MasteringKind::Zero;
    double master1 = 0;
    std::optional<double> master2; // only for a channel set up for two masters
    double reading1 = 0;
    std::optional<double> reading2; // two masters only
    double zeroBefore = 0, zeroAfter = 0;
    double scalingBefore = 0, scalingAfter = 0;
    std::int64_t lastPart = 0; // the newest part in the store when it was done

    // Whether it renews the channel's mastering for the interval: a zeroing
    // does only for a channel with one master, since it leaves a
    // two-master channel's scaling unchecked.
    bool renews() const { return kind != MasteringKind::Zero || !master2; }
};

// Per setup; 0 is off for each. Off by default.
struct MasteringInterval {
    long parts = 0; // due once this many parts were recorded since
    long hours = 0; // due once this many hours have passed since
    bool on() const { return parts > 0 || hours > 0; }
    bool operator==(const MasteringInterval &o) const
    {
        return parts == o.parts && hours == o.hours;
    }
};

class MasteringStore {
public:
    // The kind of the feed's outbox entries that name a mastering.
    static constexpr char OutboxKind[] = "mastering";

    explicit MasteringStore(ResultsStore &store) : store_(store) {}

    // Keeps the mastering, and when toPublish its entry in the feed's
    // outbox, in one transaction; its number, or nothing with the reason.
    std::optional<std::int64_t> record(const MasteringRow &row, bool toPublish, std::string &error);
    // Of one setup (all when null) and one channel (all when 0), newest first.
    std::vector<MasteringRow> masterings(const std::string *setup, int channel,
                                         std::string &error) const;
    std::optional<MasteringRow> mastering(std::int64_t id, std::string &error) const;
    // Every setup with a mastering, in text order.
    std::vector<std::string> setups(std::string &error) const;

    MasteringInterval interval(const std::string &setup, std::string &error) const;
    bool setInterval(const std::string &setup, const MasteringInterval &interval,
                     std::string &error);

    // The newest mastering of each channel of the setup that renews it.
    std::map<int, MasteringRow> lastRenewals(const std::string &setup, std::string &error) const;
    // The n-th newest part of the setup (1: the newest); none when it has fewer.
    std::optional<std::int64_t> nthNewestPart(const std::string &setup, long n,
                                              std::string &error) const;

    // The channels of setup, of those given, whose mastering is due at nowMs
    // (ms since 1970, UTC), read from the store; none while the interval is off.
    std::vector<int> due(const std::string &setup, const std::vector<int> &channels,
                         std::int64_t nowMs, std::string &error) const;

private:
    bool holdsRecord() const { return store_.version() >= 3; }
    ResultsStore &store_;
};

// The rule: with the interval on, a channel is due when it was never
// mastered in this setup, when the interval's n-th newest part of the setup
// (nthNewestPart) came after its last renewal, or when the interval's hours
// have passed since it.
std::vector<int> dueChannels(const std::vector<int> &channels,
                             const std::map<int, MasteringRow> &lastRenewals,
                             const MasteringInterval &interval,
                             std::optional<std::int64_t> nthNewestPart, std::int64_t nowMs);

// The store's UTC texts and ms since 1970: "2026-12-07T10:11:12.345Z".
std::string utcText(std::int64_t ms);
std::optional<std::int64_t> utcMillis(const std::string &utc);

// A part's channels due as stored: ascending numbers, one blank between.
std::string channelListText(const std::vector<int> &channels);
std::vector<int> channelListOf(const std::string &text);

} // namespace qmxsrv
