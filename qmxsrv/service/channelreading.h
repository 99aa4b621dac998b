// What a channel's live value was read as: the number and its verdict, or
// no number and invalid when the read failed or the board was only
// demonstrating.
#pragma once

#include "core/verdict.h"

#include <QString>

#include <optional>

namespace qmxsrv {

struct ChannelReading {
    std::optional<double> value;
    Verdict verdict = Verdict::Invalid;

    bool operator==(const ChannelReading &o) const
    {
        return value == o.value && verdict == o.verdict;
    }
    bool operator!=(const ChannelReading &o) const { return !(*this == o); }
};

// An item's text and reading as a change left them.
struct ItemChange {
    int item = 0;
    QString text;
    ChannelReading reading;
};

} // namespace qmxsrv
